#include "app/wx/TessalyWxApp.h"

#include <csignal>

#include "app/shell/ShellFileTypes.h"
#include "app/wx/MainFrame.h"
#include "foundation/EventsManager.h"
#include "platform/win32/Files.h"
#include "platform/wx/WxFileDialogPresenter.h"
#include "platform/wx/WxMessageBoxPresenter.h"
#include "platform/wx/WxQueuePump.h"
#include "opcserver/ComServerThread.h"
#include "opcserver/OpcServerInstances.h"
#include "opcserver/OpcServerRegistration.h"
#include "platform/afx/View.h"
#include "project/Doc.h"
#include "project/DocTemplates.h"
#include "project/ProjectResource.h"
#include "views/models/DeviceViewModel.h"
#include "views/models/TagViewModel.h"

void ConfigureTessalyApp(CTessalyApp& app) {
  app.m_startComServerThread = [](CTessalyApp& self) {
    return StartComServerThread(self, self.m_nInstance, static_cast<CLoggingFile*>(&self));
  };
  app.m_stopComServerThread = [](CTessalyApp& self) { StopComServerThread(self); };
  app.m_registerServer = [&app](BYTE instance, bool registerServer) -> HRESULT {
    RegisterOpcServerScripts();
    const CLSID& clsid = GetOpcServerInstanceCLSID(instance);
    CLoggingFile* log = &app;
    const bool done = registerServer ? RegisterOPCCategories(clsid, CString(), log) : UnregisterOPCCategories(clsid, log);
    // The desktop's file types: a project opens with this program.
    wchar_t executable[MAX_PATH] = {};
    GetModuleFileName(nullptr, executable, MAX_PATH);
    const bool types = registerServer ? RegisterShellFileTypes(executable, instance, GetShellDataFolder())
                                      : UnregisterShellFileTypes(instance, GetShellDataFolder());
    return done && types ? S_OK : E_FAIL;
  };
}

CTessalyWxApp::CTessalyWxApp(CTessalyCommandLine line) : m_line(std::move(line)) {}

CTessalyWxApp::~CTessalyWxApp() = default;

bool CTessalyWxApp::OnInit() {
  // The command line is ours (CTessalyCommandLine); wx's own parser would refuse its switches.
  SetAppName("Tessaly");
  m_pump = std::make_unique<CWxQueuePump>();
  if (m_bInstallPresenter) {
    m_presenter = std::make_unique<CScopedMessageBoxPresenter>(std::make_shared<CWxMessageBoxPresenter>(L"Tessaly"));
    m_filePresenter = std::make_unique<CScopedFileDialogPresenter>(std::make_shared<CWxFileDialogPresenter>());
  }
  m_app = std::make_unique<CTessalyApp>();
  ConfigureTessalyApp(*m_app);
  wchar_t path[MAX_PATH] = {};
  GetModuleFileName(nullptr, path, MAX_PATH);
  if (!m_app->InitInstance(path, m_line)) return false;
  CEventsManager::Create();
  // The two document templates; their views come with the views of the workspaces.
  m_pDocManager = std::make_unique<CDocManager>();
  AfxSetDocManager(m_pDocManager.get());
  m_pDocManager->LoadStdProfileSettings(m_app.get(), 4);
  auto view = [] { return std::make_unique<CView>(); };
  AddDocTemplates(*m_pDocManager, [] { return std::make_unique<CDeviceViewModel>(); }, nullptr, view, nullptr);
  if (CDocTemplate* configuration = m_pDocManager->FindTemplate(IDR_TESSALY_TYPE))
    configuration->AddViewFactory([] { return std::make_unique<CTagViewModel>(); });
  m_pFrame = new CMainFrame(*m_app);
  SetTopWindow(m_pFrame);
  // Served from the loop, not inside the signal.
  SetSignalHandler(SIGTERM, [](int) {
    if (auto* frame = wxTheApp != nullptr ? dynamic_cast<CMainFrame*>(wxTheApp->GetTopWindow()) : nullptr) {
      frame->CloseRequested();
    }
  });

  // The shell command: the start project, or a new empty project unless a client started us.
  // A shell command that fails ends the program (the document has said why).
  const CString project = m_app->GetStartProject(m_line);
  if (!project.IsEmpty()) {
    if (m_app->OpenDocumentFile(project) == nullptr) return false;
    m_pDocManager->AddToRecentFileList(project.GetString());
    m_pDocManager->SaveStdProfileSettings();
  } else if (!m_app->IsStartedByClient()) {
    if (m_app->OnFileNew() == nullptr) return false;
  }
  m_pFrame->SyncWorkspaces();
  m_app->StartComServerThread();

  CDoc* doc = CDoc::GetDoc();
  switch (m_app->GetShowCommand(doc != nullptr, doc != nullptr && doc->m_settings.hideWindow != 0)) {
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
  if (m_onStarted) CallAfter([this] { m_onStarted(*this); });
  return true;
}

int CTessalyWxApp::OnExit() {
  if (m_pDocManager) m_pDocManager->CloseAllDocuments(TRUE);
  if (m_app) m_app->ExitInstance();
  AfxSetDocManager(nullptr);
  CEventsManager::Destroy();
  m_filePresenter.reset();
  m_presenter.reset();
  m_pump.reset();
  return wxApp::OnExit();
}

int RunTessalyWxApp(int argc, char** argv, const CTessalyCommandLine& line) {
  wxApp::SetInstance(new CTessalyWxApp(line));
  return wxEntry(argc, argv);
}
