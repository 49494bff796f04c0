// The settings record: its defaults, the project file's XML form byte for byte and back, the
// load cases of older and broken files, and the registry section.
#include <gtest/gtest.h>

#include <string>

#include "foundation/XmlArchive.h"
#include "platform/afx/Document.h"
#include "platform/win32/Files.h"
#include "platform/win32/Profile.h"
#include "platform/win32/testing/TempMachineRoot.h"
#include "project/Doc.h"
#include "project/Settings.h"

namespace {

class CFlagDocument : public CDocument {
 public:
  CFlagDocument() { m_bAutoDelete = false; }
};

// Every value away from its default, blanks where they are easily lost.
void SetNonDefaults(CSettings& s) {
  s.monitorNVs = 0;
  s.backTypeComp = 1;
  s.backNameComp = 1;
  s.saveLogPath = L"/var/log/ tessaly  lines.txt";
  s.disablingNodesOn = 0;
  s.timeOffset = 90;
  s.retry = 5;
  s.useNvSelfdoc = 1;
  s.debugTrace = 1;
  s.hideWindow = 1;
  s.saveLog = true;
  s.ni_timers_cfg = L"Powerline";
  s.automTxTimerUpdateOn = 0;
  s.updatePeriod = 2500;
  s.txAuxilliaryWaitTime = 200;
  s.dbmode = 3;
  s.dbpath = L"  /data/plant  a.mdb";
  s.network_interface = {L"LON1", L"FTT-10"};
  s.hostnode = {L"LON2", L"TP/XF-1250"};
  s.rootname = L"Plant \u00C4 & <1>";
}

const char kGolden[] =
    "<?xml version=\"1.0\" ?>\n"
    "<configuration version=\"2\">\n"
    "    <!--network interface with the running host application-->\n"
    "    <hostnode>\n"
    "        <channel>TP/XF-1250</channel>\n"
    "        <port>LON2</port>\n"
    "    </hostnode>\n"
    "    <network_interface>\n"
    "        <channel>FTT-10</channel>\n"
    "        <port>LON1</port>\n"
    "    </network_interface>\n"
    "    <!--Projekt mode, enum string={auto, simulate, uploadAll, uploadNew}-->\n"
    "    <dbmode>UploadNew</dbmode>\n"
    "    <!--database path-->\n"
    "    <dbpath>  /data/plant  a.mdb</dbpath>\n"
    "    <!--name of the root element-->\n"
    "    <rootname>Plant \xC3\x84 &amp; &lt;1&gt;</rootname>\n"
    "    <!--use NV Selfdocumentation as NV name (bool)-->\n"
    "    <useNvSelfdoc>1</useNvSelfdoc>\n"
    "    <!--debug trace flag (bool)-->\n"
    "    <debugTrace>1</debugTrace>\n"
    "    <!--hide main window if started from client (bool)-->\n"
    "    <hideWindow>1</hideWindow>\n"
    "    <!--Back type compatibility (bool)-->\n"
    "    <backTypeComp>1</backTypeComp>\n"
    "    <!--Back name compatibility, enum string={\"2.08\", \"2.12\", \"2.2x\" }-->\n"
    "    <backNameComp>2.12</backNameComp>\n"
    "    <!--Monitor network variable enum={all, selected}-->\n"
    "    <monitorNVs>selected</monitorNVs>\n"
    "    <!--Name of the selected timers configuration-->\n"
    "    <ni_timers_cfg>Powerline</ni_timers_cfg>\n"
    "    <disablingNodes on=\"0\">\n"
    "        <!--time offset in seconds-->\n"
    "        <timeOffset>90</timeOffset>\n"
    "        <retry>5</retry>\n"
    "    </disablingNodes>\n"
    "    <!--protocol window, save log from the window to a text file-->\n"
    "    <protocolWindow saveLog=\"1\">\n"
    "        <saveLogPath>/var/log/ tessaly  lines.txt</saveLogPath>\n"
    "    </protocolWindow>\n"
    "    <!--automatic TxTimer update-->\n"
    "    <automTxTimerUpdate on=\"0\">\n"
    "        <updatePeriod>2500</updatePeriod>\n"
    "        <txAuxilliaryWaitTime>200</txAuxilliaryWaitTime>\n"
    "    </automTxTimerUpdate>\n"
    "</configuration>\n";

class SettingsTest : public ::testing::Test {
 protected:
  CString Path(const wchar_t* name) { return CString(tessaly::win32::JoinPath(CString(root.Path().c_str()), name)); }
  std::string Store(CSettings& s) {
    CString path = Path(L"stored.tdbx");
    CXmlArchive ar(path, CXmlArchive::store);
    SerializeProjectXml(ar, s);
    EXPECT_TRUE(ar.Save());
    std::vector<BYTE> bytes;
    EXPECT_EQ(ERROR_SUCCESS, tessaly::win32::ReadWholeFile(path, bytes));
    return std::string(bytes.begin(), bytes.end());
  }
  // The cause a load of the text raises, none when it loads.
  int LoadCause(const std::string& text, CSettings& s) {
    try {
      CXmlArchive ar(text);
      SerializeProjectXml(ar, s);
      return CArchiveException::none;
    } catch (const CArchiveException& e) {
      return e.m_cause;
    }
  }
  tessaly::testing::TempMachineRoot root;
  CFlagDocument doc;
};

TEST_F(SettingsTest, AFreshRecordHoldsTheDefaults) {
  CSettings s(&doc);
  EXPECT_EQ(1, s.monitorNVs.load());
  EXPECT_EQ(0, s.backTypeComp);
  EXPECT_EQ(2, s.backNameComp);
  EXPECT_EQ(0, s.TimeTextStyle);
  EXPECT_EQ(1, s.BrowseSubfields);
  EXPECT_EQ(1023, s.Protocol.load());
  EXPECT_EQ(4095, s.OpcItemsTable);
  EXPECT_EQ(3000, s.ProtocolLinesMax);
  EXPECT_EQ(1000, s.ProtocolLinesDiff);
  EXPECT_EQ(50, s.MinDiskSpace);
  EXPECT_TRUE(s.saveLogPath.IsEmpty());
  EXPECT_EQ(1, s.disablingNodesOn);
  EXPECT_EQ(60, s.timeOffset);
  EXPECT_EQ(3, s.retry);
  EXPECT_EQ(0, s.useNvSelfdoc + s.debugTrace + s.hideWindow + s.txAuxilliaryWaitTime + s.dbmode);
  EXPECT_FALSE(s.saveLog);
  EXPECT_EQ(CString(L"FTT-10"), s.ni_timers_cfg);
  EXPECT_EQ(1, s.automTxTimerUpdateOn);
  EXPECT_EQ(10000, s.updatePeriod);
  EXPECT_TRUE(s.dbpath.IsEmpty());
  EXPECT_EQ(CPortChannel(), s.network_interface);
  EXPECT_EQ(CPortChannel(), s.hostnode);
  EXPECT_EQ(CString(L"Edit property and start"), s.GetRootName());
  EXPECT_FALSE(doc.IsModified());
}

TEST_F(SettingsTest, TheProjectFormIsWrittenByteForByteAndLoadsBackEqual) {
  CSettings s(&doc);
  SetNonDefaults(s);
  EXPECT_EQ(std::string(kGolden), Store(s));

  CSettings back(&doc);
  ASSERT_EQ(CArchiveException::none, LoadCause(kGolden, back));
  EXPECT_EQ(Store(s), Store(back));
  EXPECT_EQ(CString(L"  /data/plant  a.mdb"), back.GetDbPath()) << "blanks come back as saved";
  EXPECT_EQ(CString(L"/var/log/ tessaly  lines.txt"), back.GetSaveLogPath());
  EXPECT_EQ(CString(L"Plant \u00C4 & <1>"), back.GetRootName());
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  EXPECT_NE(std::string::npos, at) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST_F(SettingsTest, LoadCasesOfOlderAndBrokenFiles) {
  const std::string golden = kGolden;
  const std::string automatic =
      "    <automTxTimerUpdate on=\"0\">\n"
      "        <updatePeriod>2500</updatePeriod>\n"
      "        <txAuxilliaryWaitTime>200</txAuxilliaryWaitTime>\n"
      "    </automTxTimerUpdate>\n";
  struct Case {
    const char* what;
    std::string text;
    int cause;
    std::function<void(CSettings&)> check;
  } cases[] = {
      {"version 3", Replace(golden, "version=\"2\"", "version=\"3\""), CArchiveException::badSchema, nullptr},
      {"no version", Replace(golden, " version=\"2\"", ""), CArchiveException::badIndex, nullptr},
      {"version not a number", Replace(golden, "version=\"2\"", "version=\"two\""), CArchiveException::badIndex, nullptr},
      {"no root", "<project/>", CArchiveException::badIndex, nullptr},
      {"not XML", "configuration", CArchiveException::badIndex, nullptr},
      {"missing element", Replace(golden, "    <retry>5</retry>\n", ""), CArchiveException::badIndex,
       [](CSettings& s) { EXPECT_EQ(90, s.timeOffset) << "what was read before stays"; }},
      {"version 1 without the adjustment", Replace(Replace(golden, "version=\"2\"", "version=\"1\""), automatic, ""),
       CArchiveException::none,
       [](CSettings& s) {
         EXPECT_EQ(1, s.automTxTimerUpdateOn);
         EXPECT_EQ(10000, s.updatePeriod);
       }},
      {"version 2 without the adjustment", Replace(golden, automatic, ""), CArchiveException::badIndex, nullptr},
      {"lower-case mode", Replace(golden, "<dbmode>UploadNew<", "<dbmode>auto<"), CArchiveException::none,
       [](CSettings& s) { EXPECT_EQ(-1, s.dbmode); }},
      {"mode Auto", Replace(golden, "<dbmode>UploadNew<", "<dbmode>Auto<"), CArchiveException::none,
       [](CSettings& s) { EXPECT_EQ(0, s.dbmode); }},
      {"saveLog 2", Replace(golden, "saveLog=\"1\"", "saveLog=\"2\""), CArchiveException::none,
       [](CSettings& s) { EXPECT_FALSE(s.saveLog); }},
      {"saveLog missing", Replace(golden, " saveLog=\"1\"", ""), CArchiveException::badIndex, nullptr},
      {"disabling without on", Replace(golden, " on=\"0\">\n        <!--time", ">\n        <!--time"),
       CArchiveException::badIndex, nullptr},
      {"wait time 300", Replace(golden, ">200<", ">300<"), CArchiveException::none,
       [](CSettings& s) { EXPECT_EQ(44, s.txAuxilliaryWaitTime); }},
      {"unknown naming", Replace(golden, ">2.12<", ">2.3<"), CArchiveException::none,
       [](CSettings& s) { EXPECT_EQ(-1, s.backNameComp); }},
  };
  for (const Case& c : cases) {
    CSettings s(&doc);
    EXPECT_EQ(c.cause, LoadCause(c.text, s)) << c.what;
    if (c.check) c.check(s);
  }
}

TEST_F(SettingsTest, AHandFormattedFileLoadsWithNumbersAndNamesFreedOfTheLayoutAndTextsAsWritten) {
  // Every value on lines of its own, indented, or padded on its line; attributes padded too.
  const std::string text =
      "<configuration version=\" 2 \">\n"
      "  <hostnode>\n    <channel>\n      TP/XF-1250\n    </channel>\n    <port>LON2</port>\n  </hostnode>\n"
      "  <network_interface><channel>FTT-10</channel><port>LON1</port></network_interface>\n"
      "  <dbmode>\n    Simulate\n  </dbmode>\n"
      "  <dbpath>\n     /data/plant  a.mdb\n  </dbpath>\n"
      "  <rootname>  North  hall </rootname>\n"
      "  <useNvSelfdoc>\n 1\n</useNvSelfdoc><debugTrace> 1 </debugTrace><hideWindow>0</hideWindow>\n"
      "  <backTypeComp>\n\t1\n</backTypeComp>\n"
      "  <backNameComp> 2.12 </backNameComp>\n"
      "  <monitorNVs>\n    selected\n  </monitorNVs>\n"
      "  <ni_timers_cfg>\n    Powerline\n  </ni_timers_cfg>\n"
      "  <disablingNodes on=\" 0\">\n    <timeOffset>\n      90\n    </timeOffset>\n    <retry> 5 </retry>\n"
      "  </disablingNodes>\n"
      "  <protocolWindow saveLog=\"1 \">\n    <saveLogPath>\n      /var/log/ tessaly  lines.txt\n    "
      "</saveLogPath>\n  </protocolWindow>\n"
      "  <automTxTimerUpdate on=\"0\">\n    <updatePeriod>\n      2500\n    </updatePeriod>\n"
      "    <txAuxilliaryWaitTime> 200 </txAuxilliaryWaitTime>\n  </automTxTimerUpdate>\n"
      "</configuration>\n";
  CSettings s(&doc);
  ASSERT_EQ(CArchiveException::none, LoadCause(text, s));
  EXPECT_EQ(1, s.dbmode);
  EXPECT_EQ(1, s.backNameComp);
  EXPECT_EQ(0, s.monitorNVs.load());
  EXPECT_EQ((CPortChannel{L"LON2", L"TP/XF-1250"}), s.GetHostNode());
  EXPECT_EQ(CString(L"/data/plant  a.mdb"), s.GetDbPath()) << "inner blanks kept";
  EXPECT_EQ(CString(L"  North  hall "), s.GetRootName()) << "blanks on the text's own line are the text's";
  EXPECT_EQ(CString(L"Powerline"), s.GetTimersCfg());
  EXPECT_EQ(CString(L"/var/log/ tessaly  lines.txt"), s.GetSaveLogPath());
  EXPECT_EQ(1, s.useNvSelfdoc);
  EXPECT_EQ(1, s.debugTrace);
  EXPECT_EQ(1, s.backTypeComp);
  EXPECT_EQ(0, s.disablingNodesOn);
  EXPECT_EQ(90, s.timeOffset);
  EXPECT_EQ(5, s.retry);
  EXPECT_TRUE(s.saveLog);
  EXPECT_EQ(2500, s.updatePeriod);
  EXPECT_EQ(200, s.txAuxilliaryWaitTime & 0xFF);
}

TEST_F(SettingsTest, AStoredValueWithoutATextIsWrittenAsItsNumber) {
  CSettings s(&doc);
  s.dbmode = -1;
  s.monitorNVs = 7;
  std::string text = Store(s);
  EXPECT_NE(std::string::npos, text.find("<dbmode>-1</dbmode>"));
  EXPECT_NE(std::string::npos, text.find("<monitorNVs>7</monitorNVs>"));
  EXPECT_EQ(CString(L"Auto"), EnumValueToText(g_dbModeTexts, 0));
  EXPECT_EQ(-1, EnumTextToValue(g_monitorNVsTexts, L"All"));
}

TEST_F(SettingsTest, OnlyRealChangesMarkTheDocumentModified) {
  CSettings s(&doc);
  s.SetString(s.dbpath, L"");
  s.SetNetworkInterface(L"", L"");
  EXPECT_FALSE(doc.IsModified());
  s.SetString(s.dbpath, L"/data/a.mdb");
  EXPECT_TRUE(doc.IsModified());
  doc.SetModifiedFlag(FALSE);
  s.SetNetworkInterface(L"", L"FTT-10");
  EXPECT_TRUE(doc.IsModified()) << "a pair differs when either text differs";

  // Loading marks the document only for the project mode and the saveLog flag.
  doc.SetModifiedFlag(FALSE);
  CSettings loaded(&doc);
  std::string text = Replace(Replace(kGolden, "<dbmode>UploadNew<", "<dbmode>Auto<"), "saveLog=\"1\"", "saveLog=\"0\"");
  ASSERT_EQ(CArchiveException::none, LoadCause(text, loaded));
  EXPECT_FALSE(doc.IsModified());
  ASSERT_EQ(CArchiveException::none, LoadCause(kGolden, loaded));
  EXPECT_TRUE(doc.IsModified());
}

TEST_F(SettingsTest, TheRegistrySectionIsReadAndWrittenWithItsDefaults) {
  CRegistryProfile profile(L"Tessaly");
  profile.SetRegistryKey(L"Norvane GmbH");
  AfxSetRegistryProfile(&profile);
  profile.WriteProfileInt(L"Settings", L"ProtocolLinesMax", 500);
  {
    CSettings s(&doc);
    EXPECT_EQ(500, s.ProtocolLinesMax);
    EXPECT_EQ(1023, s.Protocol.load());
    s.Protocol = 7;
    s.TimeTextStyle = 3;
  }
  EXPECT_EQ(7u, profile.GetProfileInt(L"Settings", L"Protocol", 0));
  EXPECT_EQ(3u, profile.GetProfileInt(L"Settings", L"TimeTextStyle", 0));
  EXPECT_EQ(50u, profile.GetProfileInt(L"Settings", L"MinDiskSpace", 0));
  AfxSetRegistryProfile(nullptr);
}

}  // namespace
