#include "foundation/LoggingFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "foundation/LogFileName.h"
#include "platform/win32/TextConv.h"
#include "platform/win32/Time.h"
#include "platform/win32/testing/TempMachineRoot.h"

using namespace tessaly::win32;

namespace {

// 2024-03-01 13:05:09.042 UTC.
constexpr ULONGLONG kAt = 133537719090420000ULL;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Utf16(const wchar_t* text) { return WideToUtf16LE(text); }

class LoggingFileTest : public ::testing::Test {
 protected:
  LoggingFileTest() : m_clock(kAt, 1000), m_installed(m_clock) {}
  std::string File(const char* name) const { return m_root.Path() + "/" + name; }
  CString Wide(const std::string& path) const { return CString(Utf8ToWide(path)); }

  tessaly::testing::TempMachineRoot m_root;
  ManualClock m_clock;
  ScopedClockForTesting m_installed;
};

}  // namespace

TEST_F(LoggingFileTest, LinesAreUtf16LeWithUtcTimeAndCrLf) {
  const std::string path = File("debug.log");
  {
    CLoggingFile log;
    EXPECT_EQ(log.Open(Wide(path), 1), 1);
    m_clock.Advance(1);
    log.Print(L"Transmit timer %d -> %s", 48, CString(L"\u00e4"));
    log.Close();
  }
  EXPECT_EQ(ReadBytes(path), Utf16(L"13:05:09.042 Log enabled\r\n"
                                   L"13:05:09.043 Transmit timer 48 -> \u00e4\r\n"
                                   L"13:05:09.043 Log disabled\r\n"));
}

TEST_F(LoggingFileTest, ReopeningAppendsAndOpenOnOpenLogKeepsTheFirstFile) {
  const std::string first = File("first.log");
  const std::string second = File("second.log");
  CLoggingFile log;
  EXPECT_EQ(log.Open(Wide(first), 1), 1);
  EXPECT_EQ(log.Open(Wide(second), 1), 0);
  log.Print(L"still here");
  log.Close();
  EXPECT_EQ(log.Open(Wide(first), 1), 1);
  EXPECT_EQ(log.Open(Wide(first), 0), 0);  // closes
  EXPECT_FALSE(log.IsOpen());
  log.Print(L"lost");
  const std::wstring line = L"13:05:09.042 ";
  EXPECT_EQ(ReadBytes(first), Utf16((line + L"Log enabled\r\n" + line + L"still here\r\n" + line + L"Log disabled\r\n" +
                                     line + L"Log enabled\r\n" + line + L"Log disabled\r\n")
                                        .c_str()));
  EXPECT_FALSE(std::ifstream(second).good());
}

TEST_F(LoggingFileTest, DisabledOpenOnClosedLogWritesNothingAndBadPathFails) {
  CLoggingFile log;
  EXPECT_EQ(log.Open(Wide(File("never.log")), 0), 0);
  EXPECT_FALSE(std::ifstream(File("never.log")).good());
  EXPECT_EQ(log.Open(Wide(File("no/such/folder.log")), 1), -1);
  EXPECT_FALSE(log.IsOpen());
}

TEST_F(LoggingFileTest, EmptyPathFallsBackFromTempToTmpdirToTmp) {
  const char* oldTemp = std::getenv("TEMP");
  const char* oldTmpdir = std::getenv("TMPDIR");
  const std::string keepTemp = oldTemp ? oldTemp : "";
  const std::string keepTmpdir = oldTmpdir ? oldTmpdir : "";

  ::setenv("TEMP", m_root.Path().c_str(), 1);
  EXPECT_EQ(CLoggingFile::DefaultPath(), Wide(m_root.Path() + "/logfile.log"));
  ::setenv("TEMP", (m_root.Path() + "\\").c_str(), 1);
  EXPECT_EQ(CLoggingFile::DefaultPath(), Wide(m_root.Path() + "\\logfile.log"));
  ::unsetenv("TEMP");
  ::setenv("TMPDIR", (m_root.Path() + "/").c_str(), 1);
  EXPECT_EQ(CLoggingFile::DefaultPath(), Wide(m_root.Path() + "/logfile.log"));
  {
    CLoggingFile log;
    EXPECT_EQ(log.Open(CString(), 1), 1);
  }
  EXPECT_EQ(ReadBytes(File("logfile.log")), Utf16(L"13:05:09.042 Log enabled\r\n13:05:09.042 Log disabled\r\n"));
  ::unsetenv("TMPDIR");
  EXPECT_EQ(CLoggingFile::DefaultPath(), L"/tmp/logfile.log");

  if (oldTemp) ::setenv("TEMP", keepTemp.c_str(), 1);
  if (oldTmpdir) ::setenv("TMPDIR", keepTmpdir.c_str(), 1);
}

TEST(LoggingFileConcurrent, TwoWritersInterleaveWholeLines) {
  tessaly::testing::TempMachineRoot root;
  const std::string path = root.Path() + "/shared.log";
  CLoggingFile a;
  CLoggingFile b;  // two opens of one file, as two processes would have
  ASSERT_EQ(a.Open(CString(Utf8ToWide(path)), 1), 1);
  ASSERT_EQ(b.Open(CString(Utf8ToWide(path)), 1), 1);
  std::thread ta([&] {
    for (int i = 0; i < 500; ++i) a.Print(L"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa %d", i);
  });
  std::thread tb([&] {
    for (int i = 0; i < 500; ++i) b.Print(L"bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb %d", i);
  });
  ta.join();
  tb.join();
  a.Close();
  b.Close();
  const std::string bytes = ReadBytes(path);
  const std::wstring text = Utf16LEToWide(bytes.data(), bytes.size());
  std::wstringstream lines(text);
  std::wstring line;
  int count = 0;
  while (std::getline(lines, line, L'\n')) {
    ASSERT_FALSE(line.empty());
    ASSERT_EQ(line.back(), L'\r');
    const std::wstring body = line.substr(13);  // after "hh:mm:ss.mmm "
    const bool whole = body.rfind(L"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa ", 0) == 0 ||
                       body.rfind(L"bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb ", 0) == 0 ||
                       body == L"Log enabled\r" || body == L"Log disabled\r";
    ASSERT_TRUE(whole) << std::string(line.begin(), line.end());
    ++count;
  }
  EXPECT_EQ(count, 1004);
}

TEST(LogFileName, SplitsAtBothSeparatorsAndJoins) {
  struct Case {
    const wchar_t* path;
    const wchar_t* folder;
    const wchar_t* name;
    const wchar_t* ext;
    const wchar_t* joined;
  };
  const Case cases[] = {
      {L"D:\\a\\b.c.d", L"D:\\a", L"b", L"c.d", L"D:\\a\\b.c.d"},
      {L"D:\\logs\\", L"D:\\logs", L"Tessaly30", L"log", L"D:\\logs\\Tessaly30.log"},
      {L"b", L"", L"b", L"log", L"b.log"},
      {L"/var/log/proto.txt", L"/var/log", L"proto", L"txt", L"/var/log/proto.txt"},
      {L"/var\\mixed/x.", L"/var\\mixed", L"x", L"log", L"/var\\mixed/x.log"},
      {L".hidden", L"", L"Tessaly30", L"hidden", L"Tessaly30.hidden"},
      {L"", L"", L"Tessaly30", L"log", L"Tessaly30.log"},
  };
  for (const Case& c : cases) {
    const CLogFileName name{CString(c.path)};
    EXPECT_EQ(name.GetFolder(), c.folder) << c.path;
    EXPECT_EQ(name.GetName(), c.name) << c.path;
    EXPECT_EQ(name.GetExt(), c.ext) << c.path;
    EXPECT_EQ(name.GetPath(), c.joined) << c.path;
  }
  CLogFileName dated(L"/logs/proto.log");
  dated.SetName(L"proto_2024-03-01");
  EXPECT_EQ(dated.GetPath(), L"/logs/proto_2024-03-01.log");
}
