// timing.xml: any file loads or is refused with an archive error, and a loaded list, saved,
// loads again to the same settings.
#include <filesystem>

#include "foundation/ArchiveException.h"
#include "fuzz/FuzzSupport.h"
#include "lon/TmSettings.h"

namespace {

bool Same(const CTmSettings& a, const CTmSettings& b) {
  if (a.m_settings.size() != b.m_settings.size()) return false;
  for (size_t i = 0; i < a.m_settings.size(); ++i) {
    const CTmSetting& x = *a.m_settings[i];
    const CTmSetting& y = *b.m_settings[i];
    if (!(x.Name == y.Name && x.Retry == y.Retry && x.TxTimer == y.TxTimer && x.RepeatTimer == y.RepeatTimer &&
          x.ParallelTransCount == y.ParallelTransCount && x.Throttle == y.Throttle))
      return false;
  }
  return true;
}

CString PathOf(const std::string& path) { return CString(std::filesystem::path(path).wstring().c_str()); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = tessaly::fuzz::WriteFile("timing.xml", data, size);
  CTmSettings settings;
  try {
    settings.Load(PathOf(path));
  } catch (const CArchiveException& e) {
    FUZZ_CHECK(e.m_cause == CArchiveException::badIndex || e.m_cause == CArchiveException::badSchema);
    return 0;
  }
  const std::string saved = tessaly::fuzz::Folder() + "/timing-saved.xml";
  try {
    FUZZ_CHECK(settings.Save(PathOf(saved)));
    CTmSettings again;
    FUZZ_CHECK(again.Load(PathOf(saved)));
    FUZZ_CHECK(Same(settings, again));
  } catch (const CArchiveException&) {
    FUZZ_CHECK(false);  // a list that was loaded is saved and loaded again
  }
  return 0;
}
