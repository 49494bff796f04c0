#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/afx/ArchiveException.h"
#include "lon/TimingSettings.h"
#include "platform/win32/Files.h"
#include "platform/win32/testing/TempMachineRoot.h"

namespace {

std::vector<CString> Names(CTmSettings& settings) {
  std::vector<CString> names;
  for (CTmSetting* s : settings.m_settings) names.push_back(s->Name);
  return names;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string Setting(const char* name, int txTimer) {
  return std::string("<TmSetting><Name>") + name + "</Name><RepeatTimer>4</RepeatTimer><Retry>3</Retry><TxTimer>" +
         std::to_string(txTimer) + "</TxTimer><Throttle>10</Throttle><ParallelTransCount>16</ParallelTransCount></TmSetting>";
}

class TimingSettingsTest : public ::testing::Test {
 protected:
  tessaly::testing::TempMachineRoot m_root;
  CString m_path = CString(tessaly::win32::JoinPath(CString(tessaly::win32::GetTempFolder().c_str()), L"timing.xml").c_str());
  std::string Native() { return tessaly::win32::NativePath(m_path); }
};

TEST_F(TimingSettingsTest, BuiltInsAndLookups) {
  CTmSettings settings;
  EXPECT_EQ(Names(settings), (std::vector<CString>{L"FTT-10", L"Powerline"}));
  EXPECT_EQ(settings.Find(L"Powerline")->TxTimer, 15);
  EXPECT_EQ(settings.Find(L"Powerline")->RepeatTimer, 8);
  EXPECT_EQ(settings.Add(L"FTT-10"), nullptr);
  CTmSetting* mine = settings.Add(L"Mine");
  ASSERT_NE(mine, nullptr);
  EXPECT_EQ(mine->ParallelTransCount, 16);
  EXPECT_EQ(settings.FindOrDefault(L"nothing")->Name, L"FTT-10");
  EXPECT_EQ(settings.FindOrDefault(L"ftt-10")->Name, L"FTT-10");
  EXPECT_EQ(settings.FindOrDefault(L"Mine"), mine);
  EXPECT_FALSE(settings.RemoveUnlessBuiltIn(L"Powerline"));
  EXPECT_TRUE(settings.RemoveUnlessBuiltIn(L"Mine"));
  EXPECT_FALSE(settings.Remove(L"Mine"));
  EXPECT_EQ(Names(settings), (std::vector<CString>{L"FTT-10", L"Powerline"}));
  EXPECT_THROW(settings.Find(nullptr), HRESULT);
  EXPECT_TRUE(CTmSettings::IsPowerlineSetting(L"Powerline"));
  EXPECT_FALSE(CTmSettings::IsPowerlineSetting(L"powerline"));
}

TEST_F(TimingSettingsTest, SaveAndLoadRoundTrip) {
  CTmSettings settings;
  CTmSetting* mine = settings.Add(L"Mine");
  mine->Retry = 7;
  mine->Throttle = 70000;
  mine->ParallelTransCount = 300;
  ASSERT_TRUE(settings.Save(m_path));
  CTmSettings loaded;
  ASSERT_TRUE(loaded.Load(m_path));
  EXPECT_EQ(Names(loaded), (std::vector<CString>{L"FTT-10", L"Powerline", L"Mine"}));
  CTmSetting* back = loaded.Find(L"Mine");
  EXPECT_EQ(back->Retry, 7);
  EXPECT_EQ(back->Throttle, 70000);
  EXPECT_EQ(back->ParallelTransCount, 300);
  std::string text = ReadFile(Native());
  EXPECT_NE(text.find("version=\"1\""), std::string::npos);
  EXPECT_LT(text.find("<Name>"), text.find("<RepeatTimer>"));
}

TEST_F(TimingSettingsTest, LoadWithDefaultsKeepsFileValues) {
  struct Case {
    const char* name;
    std::string body;
    bool loaded;
    std::vector<CString> names;
  } cases[] = {
      {"one user setting", Setting("Mine", 5), true, {L"Mine", L"FTT-10", L"Powerline"}},
      {"edited built-in", Setting("FTT-10", 7), true, {L"FTT-10", L"Powerline"}},
      // The second setting lacks its last element: the first one stays.
      {"broken entry", Setting("A", 5) + "<TmSetting><Name>B</Name><RepeatTimer>4</RepeatTimer></TmSetting>", false,
       {L"A", L"FTT-10", L"Powerline"}},
  };
  for (const Case& c : cases) {
    WriteFile(Native(), "<configuration version=\"1\"><TmSettings>" + c.body + "</TmSettings></configuration>");
    CTmSettings settings;
    EXPECT_EQ(settings.LoadWithDefaults(m_path), c.loaded) << c.name;
    EXPECT_EQ(Names(settings), c.names) << c.name;
  }
  CTmSettings settings;
  settings.LoadWithDefaults(m_path);
  EXPECT_EQ(settings.Find(L"FTT-10")->TxTimer, 5);
}

TEST_F(TimingSettingsTest, AHandFormattedFileLoadsItsNamesAndNumbersWithoutTheLayout) {
  WriteFile(Native(),
            "<configuration version=\"1\">\n  <TmSettings>\n    <TmSetting>\n"
            "      <Name>\n        FTT-10\n      </Name>\n      <RepeatTimer> 4 </RepeatTimer>\n"
            "      <Retry>\n        2\n      </Retry>\n      <TxTimer>\n        7\n      </TxTimer>\n"
            "      <Throttle>\n        12\n      </Throttle>\n      <ParallelTransCount> 8\n</ParallelTransCount>\n"
            "    </TmSetting>\n    <TmSetting>\n      <Name>  Long  line </Name><RepeatTimer>4</RepeatTimer>"
            "<Retry>3</Retry><TxTimer>5</TxTimer><Throttle>10</Throttle><ParallelTransCount>16</ParallelTransCount>\n"
            "    </TmSetting>\n  </TmSettings>\n</configuration>\n");
  CTmSettings settings;
  EXPECT_TRUE(settings.LoadWithDefaults(m_path));
  EXPECT_EQ(Names(settings), (std::vector<CString>{L"FTT-10", L"  Long  line ", L"Powerline"}))
      << "the file's FTT-10 is the built-in's entry, not a second one";
  const CTmSetting* ftt = settings.Find(L"FTT-10");
  ASSERT_NE(nullptr, ftt);
  EXPECT_EQ(4, ftt->RepeatTimer);
  EXPECT_EQ(2, ftt->Retry);
  EXPECT_EQ(7, ftt->TxTimer);
  EXPECT_EQ(12, ftt->Throttle);
  EXPECT_EQ(8, ftt->ParallelTransCount);
}

TEST_F(TimingSettingsTest, LoadErrorsCarryTheirCause) {
  struct Case {
    std::string text;
    int cause;
  } cases[] = {
      {"<configuration version=\"2\"><TmSettings/></configuration>", CArchiveException::badSchema},
      {"<configuration><TmSettings/></configuration>", CArchiveException::badIndex},
      {"<configuration version=\"1\"></configuration>", CArchiveException::badIndex},
      {"<configuration version=\"1\"><TmSett", CArchiveException::badIndex},
  };
  for (const Case& c : cases) {
    WriteFile(Native(), c.text);
    CTmSettings settings;
    try {
      settings.Load(m_path);
      ADD_FAILURE() << c.text;
    } catch (const CArchiveException& e) {
      EXPECT_EQ(e.m_cause, c.cause) << c.text;
    }
  }
}

TEST_F(TimingSettingsTest, FileThatCannotBeOpenedLeavesTheListAsItWas) {
  CTmSettings settings;
  settings.Add(L"Mine");
  std::string deep = "<configuration version=\"1\"><TmSettings>";
  for (int i = 0; i < 100000; ++i) deep += "<TmSetting>";
  for (const std::string& text : {deep, std::string("not xml")}) {
    WriteFile(Native(), text);
    try {
      settings.Load(m_path);
      ADD_FAILURE() << "loaded";
    } catch (const CArchiveException& e) {
      EXPECT_EQ(e.m_cause, CArchiveException::badIndex);
    }
    EXPECT_EQ(Names(settings), (std::vector<CString>{L"FTT-10", L"Powerline", L"Mine"}));
  }
}

TEST_F(TimingSettingsTest, BrokenSharedFileIsKeptAsBackupBeforeRewrite) {
  const std::string truncated = "<configuration version=\"1\"><TmSettings>" + Setting("Mine", 5).substr(0, 40);
  WriteFile(Native(), truncated);
  CTimingSettings settings(m_path);
  EXPECT_EQ(Names(settings), (std::vector<CString>{L"FTT-10", L"Powerline"}));
  EXPECT_EQ(ReadFile(Native() + ".bak"), truncated);
  CTmSettings reread;
  EXPECT_TRUE(reread.Load(m_path));
  EXPECT_EQ(Names(reread), (std::vector<CString>{L"FTT-10", L"Powerline"}));
}

TEST_F(TimingSettingsTest, MissingSharedFileIsWrittenWithoutBackup) {
  CTimingSettings settings;
  EXPECT_TRUE(tessaly::win32::AnyFileMatches(settings.GetPath()));
  EXPECT_NE(settings.GetPath().Find(L"Norvane"), -1);
  EXPECT_FALSE(tessaly::win32::AnyFileMatches(settings.GetPath() + L".bak"));
}

}  // namespace
