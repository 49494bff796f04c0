// Project files (.tdbx): any text loads or is refused. Loading reads the settings in order and
// stops at the first missing part, so whatever the outcome every setting either took the file's
// value or kept its old one, and those taken come before those kept; only a change of the
// project mode or of the log switch marks the document modified. A project that loaded, saved,
// loads again to equal settings and saves to the same bytes.
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/XmlArchive.h"
#include "fuzz/FuzzSupport.h"
#include "platform/afx/Document.h"
#include "project/Doc.h"
#include "project/Settings.h"

namespace {

class CPlainDocument : public CDocument {
 public:
  CPlainDocument() { m_bAutoDelete = false; }
};

// Every setting in the order a load reads them; those the file never holds last.
std::vector<std::wstring> Fields(const CSettings& s) {
  auto n = [](int value) { return std::to_wstring(value); };
  return {s.hostnode.m_strChannel.wstr(),
          s.hostnode.m_strPort.wstr(),
          s.network_interface.m_strChannel.wstr(),
          s.network_interface.m_strPort.wstr(),
          n(s.dbmode),
          s.dbpath.wstr(),
          s.rootname.wstr(),
          n(s.useNvSelfdoc),
          n(s.debugTrace),
          n(s.hideWindow),
          n(s.backTypeComp),
          n(s.backNameComp),
          n(s.monitorNVs),
          s.ni_timers_cfg.wstr(),
          n(s.disablingNodesOn),
          n(s.timeOffset),
          n(s.retry),
          n(s.saveLog),
          s.saveLogPath.wstr(),
          n(s.automTxTimerUpdateOn),
          n(s.updatePeriod),
          n(s.txAuxilliaryWaitTime & 0xFF),
          n(s.txAuxilliaryWaitTime >> 8),  // a file sets the low byte only
          n(s.BrowseSubfields),
          n(s.Protocol),
          n(s.OpcItemsTable),
          n(s.ProtocolLinesMax),
          n(s.ProtocolLinesDiff),
          n(s.MinDiskSpace),
          n(s.TimeTextStyle)};
}

// A value other than the default in every field, so that a field a load took is told apart
// from one it kept.
void SetOthers(CSettings& s) {
  s.hostnode = {L"other port", L"other channel"};
  s.network_interface = {L"LON9", L"TP/XF-78"};
  s.dbmode = 2;
  s.dbpath = L"/other.mdb";
  s.rootname = L"Other";
  s.useNvSelfdoc = 7;
  s.debugTrace = 7;
  s.hideWindow = 7;
  s.backTypeComp = 7;
  s.backNameComp = 0;
  s.monitorNVs = 0;
  s.ni_timers_cfg = L"Other";
  s.disablingNodesOn = 7;
  s.timeOffset = 7;
  s.retry = 7;
  s.saveLog = true;
  s.saveLogPath = L"/other.txt";
  s.automTxTimerUpdateOn = 7;
  s.updatePeriod = 7;
  s.txAuxilliaryWaitTime = 0x1234;
  s.BrowseSubfields = 7;
  s.Protocol = 7;
  s.OpcItemsTable = 7;
  s.ProtocolLinesMax = 7;
  s.ProtocolLinesDiff = 7;
  s.MinDiskSpace = 7;
  s.TimeTextStyle = 7;
}

std::string Store(CSettings& s) {
  const std::string path = tessaly::fuzz::Folder() + "/stored.tdbx";
  CXmlArchive ar(CString(std::filesystem::path(path).wstring()), CXmlArchive::store);
  SerializeProjectXml(ar, s);
  FUZZ_CHECK(ar.Save());
  return tessaly::fuzz::ReadFile(path);
}

// Loads the text into the record and checks what the load may have changed.
bool LoadAndCheck(const std::string& text, CSettings& s, CPlainDocument& doc) {
  const int dbmode = s.dbmode;
  const bool saveLog = s.saveLog;
  const bool loaded = LoadProjectFromText(text, s);
  FUZZ_CHECK(doc.IsModified() == (s.dbmode != dbmode || s.saveLog != saveLog));
  return loaded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CPlainDocument docA, docB;
  CSettings a(&docA), b(&docB);
  SetOthers(b);
  const std::vector<std::wstring> a0 = Fields(a), b0 = Fields(b);
  const bool loaded = LoadAndCheck(text, a, docA);
  FUZZ_CHECK(LoadAndCheck(text, b, docB) == loaded);
  const std::vector<std::wstring> a1 = Fields(a), b1 = Fields(b);
  bool kept = false;
  for (size_t i = 0; i < a0.size(); ++i) {
    FUZZ_CHECK(a0[i] != b0[i]);
    const bool taken = a1[i] == b1[i];
    const bool unchanged = a1[i] == a0[i] && b1[i] == b0[i];
    FUZZ_CHECK(taken || unchanged);
    if (unchanged) kept = true;
    FUZZ_CHECK(!taken || !kept);
  }
  if (!loaded) return 0;

  const std::string saved = Store(a);
  CSettings again(nullptr);
  FUZZ_CHECK(LoadProjectFromText(saved, again));
  FUZZ_CHECK(Fields(again) == a1);
  FUZZ_CHECK(Store(again) == saved);
  return 0;
}
