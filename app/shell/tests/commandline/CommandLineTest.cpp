#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "app/shell/InitStatus.h"
#include "app/shell/MultiCLSID.h"
#include "app/shell/StandardError.h"
#include "app/shell/TessalyCommandLine.h"
#include "platform/win32/Files.h"
#include "platform/win32/MachineRoot.h"
#include "platform/win32/testing/TempMachineRoot.h"

namespace {

struct LineCase {
  std::vector<const wchar_t*> args;
  int mode;
  bool debug;
  const wchar_t* logFile;
  bool logOff;
  bool reg;
  bool unreg;
  const wchar_t* fileName;
};

class CommandLineCases : public ::testing::TestWithParam<LineCase> {};

TEST_P(CommandLineCases, Parse) {
  const LineCase& c = GetParam();
  std::vector<CString> args(c.args.begin(), c.args.end());
  const CTessalyCommandLine line = CTessalyCommandLine::Parse(args);
  EXPECT_EQ(line.GetStartMode(), c.mode);
  EXPECT_EQ(line.m_bDebug, c.debug);
  if (c.debug) {
    EXPECT_STREQ(line.m_strLogFile.GetString(), c.logFile);
  }
  EXPECT_EQ(line.m_bLogOff, c.logOff);
  EXPECT_EQ(line.m_bRegServer, c.reg);
  EXPECT_EQ(line.m_bUnregServer, c.unreg);
  EXPECT_STREQ(line.m_strFileName.GetString(), c.fileName);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, CommandLineCases,
    ::testing::Values(
        LineCase{{}, StartModeInteractive, false, L"", false, false, false, L""},
        LineCase{{L"-Run"}, StartModeRun, false, L"", false, false, false, L""},
        LineCase{{L"/run"}, StartModeRun, false, L"", false, false, false, L""},
        // A client's launch wins over "Run", whatever the order.
        LineCase{{L"-Run", L"-Embedding"}, StartModeEmbedding, false, L"", false, false, false, L""},
        LineCase{{L"/Embedding", L"/Run"}, StartModeEmbedding, false, L"", false, false, false, L""},
        LineCase{{L"-Automation", L"-Run"}, StartModeAutomation, false, L"", false, false, false, L""},
        LineCase{{L"-Debug"}, StartModeInteractive, true, L"./Tessaly.log", false, false, false, L""},
        LineCase{{L"-Debug", L"/var/log/t.log"}, StartModeInteractive, true, L"/var/log/t.log", false, false, false,
                 L""},
        LineCase{{L"-Debug", L"t.log", L"OFF"}, StartModeInteractive, true, L"t.log", true, false, false, L""},
        LineCase{{L"-Debug", L"t.log", L"-off", L"-Run"}, StartModeRun, true, L"t.log", true, false, false, L""},
        // The word after Debug is the file; a switch after it is a switch.
        LineCase{{L"-Debug", L"Run"}, StartModeInteractive, true, L"Run", false, false, false, L""},
        LineCase{{L"-Debug", L"-Run"}, StartModeRun, true, L"./Tessaly.log", false, false, false, L""},
        LineCase{{L"-Debug", L"/Embedding"}, StartModeEmbedding, true, L"./Tessaly.log", false, false, false, L""},
        LineCase{{L"-Debug", L"-off"}, StartModeInteractive, true, L"./Tessaly.log", true, false, false, L""},
        LineCase{{L"-RegServer", L"-Run"}, StartModeInteractive, false, L"", false, true, false, L""},
        LineCase{{L"--UnregServer"}, StartModeInteractive, false, L"", false, false, true, L""},
        // Linux paths are parameters, not switches; the first one is the file to open.
        LineCase{{L"/home/u/Run", L"/tmp/b.tdbx", L"-Run"}, StartModeRun, false, L"", false, false, false,
                 L"/home/u/Run"},
        LineCase{{L"/Frobnicate"}, StartModeInteractive, false, L"", false, false, false, L"/Frobnicate"}));

TEST(InitStatus, ClientAndUnattendedModes) {
  const struct {
    int mode;
    bool client;
    bool unattended;
  } cases[] = {{1, false, false}, {2, true, true}, {3, true, true}, {4, false, true}};
  for (const auto& c : cases) {
    CInitStatus status;
    status.m_nStartMode = c.mode;
    EXPECT_EQ(status.IsStartedByClient(), c.client) << c.mode;
    EXPECT_EQ(status.IsUnattendedStart(), c.unattended) << c.mode;
  }
}

TEST(MultiCLSID, InstanceFromTheExecutablesFolder) {
  const struct {
    const wchar_t* path;
    int instance;
  } cases[] = {
      {L"/opt/tessaly/svr_7/tessaly", 7},  {L"/opt/tessaly/SVR_16/tessaly", 16}, {L"/opt/SVR_0/tessaly", 0},
      {L"/opt/tessaly/SVR_17/tessaly", 0}, {L"/opt/tessaly/Server/tessaly", 0},  {L"/opt/SVR_07/tessaly", 0},
      {L"C:\\Tarn\\Svr_3\\Tessaly.exe", 3}, {L"tessaly", 0},                     {L"/SVR_5/x/tessaly", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(CMultiCLSID::InstanceFromModulePath(c.path), c.instance) << c.path;
}

}  // namespace

namespace {

// A client's start writes its standard error into a file under the machine root, not into the
// client's terminal; an interactive start keeps its terminal.
TEST(StandardError, AClientsStartSendsItToAFileUnderTheMachineRoot) {
  tessaly::testing::TempMachineRoot root;
  EXPECT_TRUE(RedirectStandardErrorForClientStart(CTessalyCommandLine::Parse(std::vector<CString>{L"-Run"})).IsEmpty());
  const int saved = ::dup(STDERR_FILENO);
  ASSERT_GE(saved, 0);
  const CString path =
      RedirectStandardErrorForClientStart(CTessalyCommandLine::Parse(std::vector<CString>{L"-Embedding"}));
  std::fprintf(stderr, "Gtk-WARNING: a toolkit warning\n");
  std::fflush(stderr);
  ::dup2(saved, STDERR_FILENO);
  ::close(saved);
  ASSERT_FALSE(path.IsEmpty());
  EXPECT_EQ(GetClientStartErrorLogPath(), path);
  EXPECT_EQ(0, path.Find(CString(tessaly::win32::GetMachineRootW().c_str())));
  std::vector<BYTE> bytes;
  ASSERT_EQ(ERROR_SUCCESS, tessaly::win32::ReadWholeFile(path, bytes));
  EXPECT_EQ("Gtk-WARNING: a toolkit warning\n", std::string(bytes.begin(), bytes.end()));
}

}  // namespace
