#include "app/shell/TessalyApp.h"

#include <atomic>

#include "app/shell/ShellResources.h"
#include "foundation/ProtocolEventText.h"
#include "lon/OPCTag.h"
#include "opcserver/MyOPCServer.h"
#include "opcserver/OPCToolkitCtrl.h"
#include "platform/win32/Files.h"
#include "platform/win32/Handles.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Messages.h"
#include "platform/afx/AfxRes.h"
#include "platform/afx/DocManager.h"
#include "project/Doc.h"
#include "project/LonTagsManager.h"
#include "project/ProjectList.h"

namespace {
std::atomic<CTessalyApp*> g_pApp{nullptr};
}  // namespace

CTessalyApp::CTessalyApp() : CRegistryProfile(L"Tessaly") {
  RegisterShellResources();
  g_pApp = this;
  AfxSetRegistryProfile(this);
}

CTessalyApp::~CTessalyApp() {
  ExitInstance();
  if (AfxGetRegistryProfile() == this) AfxSetRegistryProfile(nullptr);
  CTessalyApp* self = this;
  g_pApp.compare_exchange_strong(self, nullptr);
  CLoggingFile::Close();
}

CTessalyApp* CTessalyApp::GetApp() { return g_pApp; }

bool CTessalyApp::InitInstance(const CString& executablePath, const CTessalyCommandLine& line) {
  m_nInstance = InstanceFromModulePath(executablePath);
  CString key = L"Norvane GmbH\\Tessaly";
  if (m_nInstance > 0) key += FormatString(L"_%d", m_nInstance);
  SetRegistryKey(key.GetString());

  if (line.m_bDebug) {
    if (line.m_bLogOff) {
      CLoggingFile::Close();
    } else {
      CLoggingFile::Open(line.m_strLogFile, 1);
    }
  }
  if (line.m_bRegServer || line.m_bUnregServer) {
    const HRESULT hr = m_registerServer ? m_registerServer(m_nInstance, line.m_bRegServer) : E_NOTIMPL;
    m_nExitCode = SUCCEEDED(hr) ? 0 : 1;
    return false;
  }
  if (m_pDocumentTags == nullptr) {
    // The project document's address space; the application stands for it towards the engine.
    m_pProjectTags = std::make_unique<CLonTagsManager>();
    m_pDocumentTags = m_pProjectTags.get();
  }
  g_pOpcTagsManager = this;
  g_pOpcServerProperties = this;
  m_nStartMode = line.GetStartMode();
  m_nAppLook = ReadAppLook();
  return true;
}

CString CTessalyApp::GetStartProject(const CTessalyCommandLine& line) {
  if (IsUnattendedStart()) {
    const CString last = GetLastProjectPath();
    if (!last.IsEmpty() && !tessaly::win32::IsFolder(last) && tessaly::win32::AnyFileMatches(last)) return last;
  }
  return line.m_strFileName;
}

bool CTessalyApp::StartComServerThread() {
  if (m_hComServerThread != nullptr) return true;
  if (m_startComServerThread) return m_startComServerThread(*this);
  if (m_pfnComServerThread == nullptr) return false;
  COpcServerPropertiesManager* parameter = this;
  m_hComServerThread = CreateThread(nullptr, 0, m_pfnComServerThread, parameter, 0, &m_dwComServerThreadId);
  if (m_hComServerThread == nullptr) m_dwComServerThreadId = 0;
  return m_hComServerThread != nullptr;
}

void CTessalyApp::StopComServerThread() {
  if (m_hComServerThread == nullptr) return;
  if (m_stopComServerThread) {
    m_stopComServerThread(*this);
    return;
  }
  PostThreadMessage(m_dwComServerThreadId, WM_QUIT, 0, 0);
  // Joined: the thread's shutdown of its clients may take seconds, and nothing it uses may go first.
  WaitForSingleObject(m_hComServerThread, INFINITE);
  CloseHandle(m_hComServerThread);
  m_hComServerThread = nullptr;
  m_dwComServerThreadId = 0;
}

int CTessalyApp::GetShowCommand(bool documentOpen, bool hideWindow) const {
  if (!IsStartedByClient()) return SW_SHOW;
  return documentOpen && hideWindow ? SW_HIDE : SW_SHOWMINIMIZED;
}

void CTessalyApp::ExitInstance() {
  StopComServerThread();
  if (g_pOpcServerProperties == this) g_pOpcServerProperties = nullptr;
  if (g_pOpcTagsManager == this) g_pOpcTagsManager = nullptr;
  if (m_pDocumentTags == m_pProjectTags.get()) m_pDocumentTags = nullptr;
  m_pProjectTags.reset();
}

bool CTessalyApp::CanClose() {
  if (GetOPCToolkitCtrl().IsEmpty()) return true;
  if (AfxMessageBox(IDS_CLIENTS_CONNECTED_EXIT, MB_YESNO | MB_ICONEXCLAMATION) != IDYES) return false;
  const bool wasRunning = IsComServerThreadRunning();
  StopComServerThread();
  if (wasRunning) StartComServerThread();
  return true;
}

bool CTessalyApp::ShouldDropClose() const { return g_nConnectedClients > 0; }

CString CTessalyApp::GetRegistryPath() const {
  return FormatString(L"Software\\%s\\%s", GetRegistryKeyName().GetString(), GetProfileName().GetString());
}

CString CTessalyApp::GetCommonDataFolder() const {
  const std::wstring folder =
      tessaly::win32::JoinPath(tessaly::win32::GetCommonAppDataFolder().c_str(), L"Norvane/Kiv2");
  tessaly::win32::CreateFolderTree(folder.c_str());
  return folder.c_str();
}

CString CTessalyApp::GetLastProjectPath() {
  if (m_getLastProject) return m_getLastProject(m_nInstance);
  return CProjectList::GetLastProjectPath(CProjectList::GetDefaultPath(), m_nInstance);
}

void CTessalyApp::SetLastProjectPath(const CString& path) {
  if (m_setLastProject) {
    m_setLastProject(m_nInstance, path);
    return;
  }
  CProjectList::SetLastProjectPath(CProjectList::GetDefaultPath(), m_nInstance, path);
}

CDocument* CTessalyApp::OnFileNew() {
  CDocManager* manager = AfxGetDocManager();
  if (manager == nullptr || !CanClose()) return nullptr;
  if (!manager->SaveAllModified()) return nullptr;
  manager->CloseAllDocuments(FALSE);
  return manager->OnFileNew();
}

CDocument* CTessalyApp::OpenDocumentFile(const CString& path) {
  CDocManager* manager = AfxGetDocManager();
  if (manager == nullptr || !CanClose()) return nullptr;
  if (!manager->SaveAllModified()) return nullptr;
  manager->CloseAllDocuments(FALSE);
  return manager->OpenDocumentFile(path.GetString());
}

bool CTessalyApp::CanChangeProject() {
  CDoc* doc = CDoc::GetDoc();
  if (doc == nullptr) return m_nStartMode == StartModeInteractive;
  CCmdUI state(ID_FILE_OPEN);
  doc->OnUpdateCommandUI(&state);
  return state.m_bEnabled;
}

CDocument* CTessalyApp::OnFileOpen() {
  CDocManager* manager = AfxGetDocManager();
  if (manager == nullptr || !CanChangeProject()) return nullptr;
  const CString path = manager->PromptOpenFileName();
  return path.IsEmpty() ? nullptr : OpenDocumentFile(path);
}

CDocument* CTessalyApp::OpenRecentFile(int index) {
  CDocManager* manager = AfxGetDocManager();
  CRecentFileList* list = manager != nullptr ? manager->GetRecentFileList() : nullptr;
  if (list == nullptr || index < 0 || index >= list->GetCount() || !CanChangeProject()) return nullptr;
  const CString path = (*list)[index];
  CDocument* opened = OpenDocumentFile(path);
  if (opened == nullptr) {
    // The entry may have moved meanwhile: it is looked up again before it goes.
    for (int i = 0; i < list->GetCount(); ++i) {
      if ((*list)[i] != path) continue;
      list->Remove(i);
      manager->SaveStdProfileSettings();
      break;
    }
  }
  return opened;
}

CDocument* CTessalyApp::OpenDroppedFiles(const std::vector<CString>& paths) {
  if (paths.empty() || !CanChangeProject()) return nullptr;
  return OpenDocumentFile(paths.front());
}

bool CTessalyApp::CanExit() {
  if (!CanClose()) return false;
  CDocManager* manager = AfxGetDocManager();
  return manager == nullptr || manager->SaveAllModified();
}

CString CTessalyApp::GetRecoveryPath(const CDocument& document) {
  const CString path = document.GetPathName();
  CString ext;
  if (CDocTemplate* t = document.GetDocTemplate()) t->GetDocString(ext, CDocTemplate::filterExt);
  if (path.IsEmpty()) {
    const std::wstring name = std::wstring(document.GetTitle().GetString()) + L"-recovered" + ext.GetString();
    return CString(tessaly::win32::JoinPath(GetCommonDataFolder(), name.c_str()).c_str());
  }
  const std::wstring own = tessaly::win32::PathExtension(path);
  const CString stem = path.Left(path.GetLength() - static_cast<int>(own.size()));
  return stem + L"-recovered" + (own.empty() ? ext : CString(own.c_str()));
}

std::vector<CString> CTessalyApp::SaveRecoveryCopies() {
  std::vector<CString> written;
  CDocManager* manager = AfxGetDocManager();
  if (manager == nullptr) return written;
  for (const auto& t : manager->GetTemplates()) {
    for (CDocument* document : t->GetDocuments()) {
      if (!document->IsModified()) continue;
      CString target = GetRecoveryPath(*document);
      LONG error = ERROR_WRITE_FAULT;
      try {
        error = document->WriteDocumentFile(target);
        if (error != ERROR_SUCCESS && !document->GetPathName().IsEmpty()) {
          // The project's folder takes no file: the common data folder does.
          target = CString(tessaly::win32::JoinPath(GetCommonDataFolder(),
                                                    tessaly::win32::PathFileName(target).c_str()).c_str());
          error = document->WriteDocumentFile(target);
        }
      } catch (const std::exception&) {
        error = ERROR_WRITE_FAULT;
      }
      if (error != ERROR_SUCCESS) {
        CLoggingFile::Print(L"Unsaved changes of %s were lost (error %d).", document->GetTitle().GetString(),
                            static_cast<int>(error));
        continue;
      }
      CLoggingFile::Print(L"Unsaved changes of %s were saved to %s.", document->GetTitle().GetString(),
                          target.GetString());
      manager->AddToRecentFileList(target);
      written.push_back(target);
    }
  }
  return written;
}

CString CTessalyApp::GetMainFrameTitle() const {
  CString name;
  name.LoadString(IDS_SERVER_TITLE);
  if (m_nInstance > 0) name += FormatString(L"_%d", m_nInstance);
  CString mode;
  mode.LoadString(m_nStartMode == StartModeInteractive ? IDS_MODE_CONFIG : IDS_MODE_RUN);
  return FormatString(L"%s (%s)", name.GetString(), mode.GetString());
}

CString CTessalyApp::GetClientsPaneText() {
  CString text;
  FormatResourceString(text, IDS_STATUS_CLIENTS, g_nConnectedClients.load(), g_nMonitoredDatapoints.load());
  return text;
}

int CTessalyApp::ReadAppLook() {
  return static_cast<int>(GetProfileInt(kWorkspaceSection, L"ApplicationLook", kDefaultAppLook));
}

void CTessalyApp::WriteAppLook(int look) {
  m_nAppLook = look;
  WriteProfileInt(kWorkspaceSection, L"ApplicationLook", look);
}

CString CTessalyApp::GetVendorName() {
  CString text;
  text.LoadString(IDS_VENDOR_NAME);
  return text;
}

void CTessalyApp::CloseServerApplication() {
  if (!IsStartedByClient()) return;
  // Posting fails only for a window that is gone, and then the program is closing already.
  PostMessage(m_hMainWnd, WM_CLOSE, 0, 0);
}

COPCTagsBranch* CTessalyApp::GetRootBranch() { return m_pDocumentTags ? m_pDocumentTags->GetRootBranch() : nullptr; }

COPCTag* CTessalyApp::CreateTag(const CString& itemId) {
  return m_pDocumentTags ? m_pDocumentTags->CreateTag(itemId) : nullptr;
}

void CTessalyApp::WithAddressSpace(const AddressSpaceVisitor& visit) {
  if (m_pDocumentTags != nullptr) {
    m_pDocumentTags->WithAddressSpace(visit);
  } else {
    visit(nullptr, 0);
  }
}
