#include "app/wx/TessalyWxApp.h"

#include <csignal>

#include "app/wx/MainFrame.h"
#include "foundation/EventsManager.h"
#include "foundation/TextProtocolEvent.h"
#include "platform/win32/Files.h"
#include "platform/wx/WxMessageBoxPresenter.h"
#include "platform/wx/WxQueuePump.h"
#include "app/shell/ShellCommands.h"

void ConfigureTessalyApp(CTessalyApp&) {}

CTessalyWxApp::CTessalyWxApp(CTessalyCommandLine line) : m_line(std::move(line)) {}

CTessalyWxApp::~CTessalyWxApp() = default;

bool CTessalyWxApp::OnInit() {
  // The command line is ours (CTessalyCommandLine); wx's own parser would refuse its switches.
  SetAppName("Tessaly");
  m_pump = std::make_unique<CWxQueuePump>();
  m_presenter = std::make_unique<CScopedMessageBoxPresenter>(std::make_shared<CWxMessageBoxPresenter>(L"Tessaly"));
  m_app = std::make_unique<CTessalyApp>();
  ConfigureTessalyApp(*m_app);
  wchar_t path[MAX_PATH] = {};
  GetModuleFileName(nullptr, path, MAX_PATH);
  if (!m_app->InitInstance(path, m_line)) return false;
  CEventsManager::Create();
  m_pFrame = new CMainFrame(*m_app);
  SetTopWindow(m_pFrame);
  // Served from the loop, not inside the signal.
  SetSignalHandler(SIGTERM, [](int) {
    if (auto* frame = wxTheApp != nullptr ? dynamic_cast<CMainFrame*>(wxTheApp->GetTopWindow()) : nullptr) {
      frame->CloseRequested();
    }
  });

  // The shell command: the start project, or a new empty project unless a client started us.
  const CString project = m_app->GetStartProject(m_line);
  if (!project.IsEmpty()) {
    m_pFrame->SetDocumentTitle(wxString(tessaly::win32::PathFileName(project)));
  } else if (!m_app->IsStartedByClient()) {
    m_pFrame->SetDocumentTitle("Untitled");
  }
  m_pFrame->ShowWorkspace(IDR_CONFIGURATION);
  m_app->StartComServerThread();

  switch (m_app->GetShowCommand(!project.IsEmpty(), false)) {
    case SW_HIDE:
      break;
    case SW_SHOWMINIMIZED:
      m_pFrame->Iconize(true);
      m_pFrame->Show();
      break;
    default:
      m_pFrame->Show();
      break;
  }
  CEventsManager::PostEvent(CTextProtocolEvent::Create(m_app->GetMainFrameTitle()));
  if (m_onStarted) CallAfter([this] { m_onStarted(*this); });
  return true;
}

int CTessalyWxApp::OnExit() {
  if (m_app) m_app->ExitInstance();
  CEventsManager::Destroy();
  m_presenter.reset();
  m_pump.reset();
  return wxApp::OnExit();
}
