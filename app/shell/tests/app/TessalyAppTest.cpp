#include <gtest/gtest.h>

#include <atomic>

#include "app/shell/ShellResources.h"
#include "app/shell/TessalyApp.h"
#include "opcserver/testing/OpcTestClient.h"
#include "platform/win32/Files.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Messages.h"
#include "platform/win32/Registry.h"
#include "platform/win32/testing/TempMachineRoot.h"

namespace {

std::atomic<int> g_threadsStarted{0};
std::atomic<int> g_threadsEnded{0};

// A COM server thread whose shutdown of its clients takes 1.2 s.
DWORD SlowServerThread(LPVOID) {
  ++g_threadsStarted;
  MSG msg;
  while (GetMessage(&msg, nullptr, 0, 0) > 0) {
  }
  Sleep(1200);
  ++g_threadsEnded;
  return 0;
}

class App : public ::testing::Test {
 protected:
  void SetUp() override {
    g_threadsStarted = 0;
    g_threadsEnded = 0;
  }
  CTessalyCommandLine Line(std::vector<CString> args) { return CTessalyCommandLine::Parse(args); }

  tessaly::testing::TempMachineRoot m_root;
  std::shared_ptr<CScriptedMessageBoxPresenter> m_boxes = std::make_shared<CScriptedMessageBoxPresenter>();
  CScopedMessageBoxPresenter m_presenter{m_boxes};
};

TEST_F(App, InstanceSelectsRegistryKeyAndTitle) {
  const struct {
    const wchar_t* exe;
    std::vector<CString> args;
    const wchar_t* path;
    const wchar_t* title;
  } cases[] = {
      {L"/opt/t/tessaly", {}, L"Software\\Norvane GmbH\\Tessaly\\Tessaly", L"Tarn OPC Server (config)"},
      {L"/opt/svr_7/tessaly", {L"-Run"}, L"Software\\Norvane GmbH\\Tessaly_7\\Tessaly", L"Tarn OPC Server_7 (run)"},
      {L"/opt/SVR_17/tessaly", {L"-Embedding"}, L"Software\\Norvane GmbH\\Tessaly\\Tessaly", L"Tarn OPC Server (run)"},
  };
  for (const auto& c : cases) {
    CTessalyApp app;
    ASSERT_TRUE(app.InitInstance(c.exe, Line(c.args)));
    EXPECT_STREQ(app.GetRegistryPath().GetString(), c.path);
    EXPECT_STREQ(app.GetMainFrameTitle().GetString(), c.title);
    EXPECT_EQ(g_pOpcServerProperties, static_cast<COpcServerPropertiesManager*>(&app));
    EXPECT_STREQ(app.GetVendorName().GetString(), L"OPC Server by Tarn");
  }
  EXPECT_EQ(g_pOpcServerProperties, nullptr);
  EXPECT_EQ(g_pOpcTagsManager, nullptr);
}

TEST_F(App, RegistrationEndsTheProgramWithItsResult) {
  for (const HRESULT hr : {S_OK, E_ACCESSDENIED}) {
    CTessalyApp app;
    std::vector<std::pair<int, bool>> calls;
    app.m_registerServer = [&](BYTE instance, bool reg) {
      calls.emplace_back(instance, reg);
      return hr;
    };
    EXPECT_FALSE(app.InitInstance(L"/x/SVR_5/tessaly", Line({L"/UnregServer"})));
    EXPECT_EQ(app.m_nExitCode, hr == S_OK ? 0 : 1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], std::make_pair(5, false));
    EXPECT_EQ(g_pOpcServerProperties, nullptr);  // nothing published
  }
}

TEST_F(App, ShowCommandAndStartProjectFollowTheStartMode) {
  const struct {
    const wchar_t* mode;
    bool open;
    bool hide;
    int show;
    bool lastProject;
  } cases[] = {{L"", true, true, SW_SHOW, false},
               {L"-Run", true, true, SW_SHOW, true},
               {L"-Embedding", false, true, SW_SHOWMINIMIZED, true},
               {L"-Embedding", true, false, SW_SHOWMINIMIZED, true},
               {L"-Automation", true, true, SW_HIDE, true}};
  const CString project = tessaly::win32::JoinPath(m_root.PathW().c_str(), L"a.tdbx").c_str();
  ASSERT_EQ(tessaly::win32::ReplaceFileSafely(project, std::string("<x/>")), ERROR_SUCCESS);
  for (const auto& c : cases) {
    CTessalyApp app;
    app.m_getLastProject = [&](BYTE) { return project; };
    std::vector<CString> args;
    if (*c.mode) args.emplace_back(c.mode);
    ASSERT_TRUE(app.InitInstance(L"/t/tessaly", Line(args)));
    EXPECT_EQ(app.GetShowCommand(c.open, c.hide), c.show) << c.mode;
    EXPECT_EQ(app.GetStartProject(Line(args)) == project, c.lastProject) << c.mode;
  }
  CTessalyApp app;
  app.m_getLastProject = [&](BYTE) { return CString(project + L".gone"); };
  ASSERT_TRUE(app.InitInstance(L"/t/tessaly", Line({L"-Run"})));
  EXPECT_TRUE(app.GetStartProject(Line({L"-Run"})).IsEmpty());  // a deleted project is skipped
}

TEST_F(App, ConcurrentCanCloseAsksWhileClientsAreConnectedAndJoinsTheServerThread) {
  CTessalyApp app;
  ASSERT_TRUE(app.InitInstance(L"/t/tessaly", Line({})));
  app.m_pfnComServerThread = &SlowServerThread;
  ASSERT_TRUE(app.StartComServerThread());
  EXPECT_TRUE(app.CanClose());  // no client: no question
  EXPECT_TRUE(m_boxes->Texts().empty());
  {
    COpcTestClient client;
    EXPECT_TRUE(app.ShouldDropClose());
    m_boxes->Answer({IDNO, IDYES});
    EXPECT_FALSE(app.CanClose());
    EXPECT_EQ(g_threadsEnded, 0);
    EXPECT_TRUE(app.CanClose());
    // The old thread has ended (joined, not given up on) and a new one runs.
    EXPECT_EQ(g_threadsEnded, 1);
    EXPECT_TRUE(app.IsComServerThreadRunning());
    ASSERT_EQ(m_boxes->Texts().size(), 2u);
    EXPECT_STREQ(m_boxes->Texts()[0].GetString(), L"OPC Clients are currently connected to this server. Exit anyway?");
    EXPECT_EQ(m_boxes->Boxes()[0].type, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
  }
  EXPECT_FALSE(app.ShouldDropClose());
  app.ExitInstance();
  EXPECT_EQ(g_threadsEnded, 2);
}

LRESULT CountClose(HWND hwnd, UINT message, WPARAM, LPARAM) {
  if (message == WM_CLOSE) ++*reinterpret_cast<int*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  return 0;
}

TEST_F(App, CloseServerApplicationPostsOnlyForAClientsStart) {
  for (const wchar_t* mode : {L"-Run", L"-Embedding", L"-Automation"}) {
    int closes = 0;
    HWND frame = CreateMessageWindow(&CountClose, &closes);
    CTessalyApp app;
    ASSERT_TRUE(app.InitInstance(L"/t/tessaly", Line({mode})));
    app.m_hMainWnd = frame;
    app.CloseServerApplication();
    EXPECT_EQ(closes, 0);  // posted, not sent
    tessaly::win32::PumpPendingMessages();
    EXPECT_EQ(closes, app.IsStartedByClient() ? 1 : 0) << mode;
    DestroyWindow(frame);
  }
}

TEST_F(App, DebugOpensOrClosesTheLog) {
  const CString log = tessaly::win32::JoinPath(m_root.PathW().c_str(), L"debug.log").c_str();
  {
    CTessalyApp app;
    ASSERT_TRUE(app.InitInstance(L"/t/tessaly", Line({L"-Debug", log})));
    EXPECT_TRUE(app.IsOpen());
  }
  std::vector<BYTE> bytes;
  EXPECT_EQ(tessaly::win32::ReadWholeFile(log, bytes), ERROR_SUCCESS);
  CTessalyApp app;
  ASSERT_TRUE(app.InitInstance(L"/t/tessaly", Line({L"-Debug", log, L"OFF"})));
  EXPECT_FALSE(app.IsOpen());
}

TEST_F(App, AppLookIsStoredInTheProfile) {
  {
    CTessalyApp app;
    ASSERT_TRUE(app.InitInstance(L"/t/tessaly", Line({})));
    EXPECT_EQ(app.m_nAppLook, 214);
    app.WriteAppLook(216);
  }
  CTessalyApp app;
  ASSERT_TRUE(app.InitInstance(L"/t/tessaly", Line({})));
  EXPECT_EQ(app.m_nAppLook, 216);
}

}  // namespace
