// projects.xml: any file loads or is refused, the same from its text as from the file, and
// loading empties the list first. A list that loaded, saved, loads again to the same entries.
// Recording an instance's project into any such file keeps every entry of a list that loads and
// keeps a list that does not beside it, byte for byte.
#include <filesystem>
#include <map>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "platform/win32/Files.h"
#include "project/ProjectList.h"

namespace {

CString PathOf(const std::string& path) { return CString(std::filesystem::path(path).wstring()); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string path = tessaly::fuzz::WriteFile("projects.xml", data, size);
  CProjectList fromFile;
  const bool loaded = fromFile.Load(PathOf(path));
  CProjectList fromText;
  fromText.SetFile(99, L"/stale.tdbx");
  FUZZ_CHECK(fromText.LoadFromText(text) == loaded);
  FUZZ_CHECK(fromText.GetFiles() == fromFile.GetFiles());

  if (loaded) {
    const CString saved = PathOf(tessaly::fuzz::Folder() + "/saved.xml");
    FUZZ_CHECK(fromFile.Save(saved));
    CProjectList again;
    FUZZ_CHECK(again.Load(saved));
    FUZZ_CHECK(again.GetFiles() == fromFile.GetFiles());
  }

  const std::string backup = path + ".bak";
  std::error_code ignored;
  std::filesystem::remove(backup, ignored);
  const CString recorded = L"/projects/recorded.tdbx";
  FUZZ_CHECK(CProjectList::SetLastProjectPath(PathOf(path), 5, recorded));
  FUZZ_CHECK(CProjectList::GetLastProjectPath(PathOf(path), 5) == recorded);
  CProjectList after;
  FUZZ_CHECK(after.Load(PathOf(path)));
  if (loaded) {
    std::map<int, CString> expected = fromFile.GetFiles();
    expected[5] = recorded;
    FUZZ_CHECK(after.GetFiles() == expected);
  } else {
    FUZZ_CHECK(after.GetFiles() == (std::map<int, CString>{{5, recorded}}));
    FUZZ_CHECK(tessaly::fuzz::ReadFile(backup) == text);
  }
  return 0;
}
