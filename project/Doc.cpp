#include "project/Doc.h"

#include <deque>

#include "foundation/LogFileName.h"
#include "foundation/LoggingFile.h"
#include "foundation/TextProtocolEvent.h"
#include "foundation/XmlArchive.h"
#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/CPTag.h"
#include "lon/LonDispatch.h"
#include "lon/LonTagsGroup.h"
#include "lon/NVTag.h"
#include "lon/NodeTreeObject.h"
#include "lon/NvTreeObject.h"
#include "lon/TimingSettings.h"
#include "opcserver/OPCProtocolEvent.h"
#include "opcserver/OPCToolkitManager.h"
#include "platform/afx/AfxRes.h"
#include "platform/afx/Archive.h"
#include "platform/afx/FileDialog.h"
#include "platform/afx/FrameWnd.h"
#include "platform/afx/WaitCursor.h"
#include "platform/win32/Files.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Messages.h"
#include "platform/win32/Profile.h"
#include "platform/win32/Time.h"
#include "project/DocDispatch.h"
#include "project/DocHost.h"
#include "project/ODevice.h"
#include "project/OPCGroupTreeObject.h"
#include "project/OPCServerTreeObject.h"
#include "project/ProjectList.h"
#include "project/ProjectResource.h"

namespace {
CDoc* g_pDoc = nullptr;  // written under the document lock

}  // namespace

// ---- the XML form --------------------------------------------------------------------

void SerializeProjectXml(CXmlArchive& ar, CSettings& settings) {
  if (ar.IsStoring()) {
    TiXmlElement* root = ar.AddElement(L"configuration");
    root->SetAttribute("version", 2);
    settings.Serialize(ar, 2);
    ar.LeaveElementStoring();
    return;
  }
  TiXmlElement* root = ar.EnterElement(L"configuration");
  int version = 0;
  if (root->QueryIntAttribute("version", &version) != TIXML_SUCCESS) AfxThrowArchiveException(CArchiveException::badIndex);
  if (version >= 3) AfxThrowArchiveException(CArchiveException::badSchema);
  settings.Serialize(ar, version);
  ar.LeaveElementLoading();
}

bool LoadProjectFromText(const std::string& text, CSettings& settings) {
  try {
    CXmlArchive ar(text);
    SerializeProjectXml(ar, settings);
    return true;
  } catch (const CArchiveException&) {
    return false;
  }
}

// ---- life ----------------------------------------------------------------------------

CDoc::CDoc() : m_settings(this) {
  RegisterProjectStrings();
  RegisterLegacyClasses();
  {
    CMyCriticalSectionLock lock(GetDocLock());
    g_pDoc = this;
    m_pPreviousLonHost = GetLonHost();
    SetLonHost(this);
  }
  if (CEventsManager* events = CEventsManager::GetInstance()) events->Attach(this);
  m_settings.ReadRegistry();
  ResetDeviceTree();
  MapCommands();
}

CDoc::~CDoc() {
  // Readers on other threads find no document from here on; the trees go only afterwards.
  {
    CMyCriticalSectionLock lock(GetDocLock());
    if (g_pDoc == this) g_pDoc = nullptr;
    if (GetLonHost() == this) SetLonHost(m_pPreviousLonHost);
  }
  if (CEventsManager* events = CEventsManager::GetInstance()) events->Detach(this);
  DetachOpcTags();
  m_opcRoot.DeleteChildren();
  delete m_pDeviceTree;
  m_pDeviceTree = nullptr;
  m_timer.Stop();
}

CDoc* CDoc::GetDoc() { return g_pDoc; }

CMyCriticalSection& CDoc::GetDocLock() {
  static CMyCriticalSection lock;
  return lock;
}

int CDoc::GetServerInstance() {
  CDocHost* host = GetDocHost();
  return host != nullptr ? host->GetServerInstance() : 0;
}

bool CDoc::CanClose() {
  CDocHost* host = GetDocHost();
  return host == nullptr || host->CanClose();
}

bool CDoc::IsUnattendedStart() {
  CDocHost* host = GetDocHost();
  int mode = host != nullptr ? host->GetStartMode() : 1;
  return mode >= 2 && mode <= 4;
}

void CDoc::LogOnce(const CString& what, const std::exception& error) {
  // Each kind of failure once: a failing tick must not hide a failing pane, nor repeat itself.
  if (!m_loggedFailures.insert(std::wstring(what.GetString())).second) return;
  if (CLoggingFile* log = GetDocHostLogFile()) log->Print(L"%s: %S", what, error.what());
}

// ---- files ---------------------------------------------------------------------------

BOOL CDoc::IsModified() { return m_bModified ? TRUE : FALSE; }

void CDoc::SetModifiedFlag(BOOL modified) { m_bModified = modified != FALSE; }

void CDoc::SetPathName(LPCTSTR path, BOOL addToMRU) {
  CString target(path);
  if (!m_strConvertedFrom.IsEmpty() && target == m_strConvertedFrom) target = m_strConvertedFrom + L"x";
  CDocument::SetPathName(target, addToMRU);
}

void CDoc::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteClass(&g_classCDoc);
    ar << static_cast<WORD>(1);
    return;
  }
  // The whole record is read before anything of it is taken over.
  ODevice device;
  ReadLegacyProject(ar, device);
  if (m_settings.dbmode != device.m_nDbMode) {
    m_settings.dbmode = device.m_nDbMode;
    SetModifiedFlag(TRUE);
  }
  m_settings.SetString(m_settings.dbpath, device.GetDbPath());
  m_settings.SetNetworkInterface(device.GetPort(), device.GetChannel());
  m_settings.SetString(m_settings.rootname, device.GetName());
  ResetDeviceTree();
}

void CDoc::SerializeXml(CXmlArchive& ar) { SerializeProjectXml(ar, m_settings); }

BOOL CDoc::OnOpenDocument(LPCTSTR path) {
  CString file(path);
  BOOL loaded;
  if (file.GetLength() >= 4 && file.Right(4) == L".tdb") {
    loaded = CDocument::OnOpenDocument(path);
    if (loaded) {
      m_strConvertedFrom = file;
      SetPathName(file + L"x");
      SetModifiedFlag(TRUE);
    }
  } else {
    loaded = LoadXml(path);
    if (loaded) SetPathName(path);
  }
  if (!loaded) return FALSE;
  if (Reconnect() && IsUnattendedStart()) OnStart();
  return TRUE;
}

BOOL CDoc::LoadXml(LPCTSTR path) {
  return LoadFile(path, [this](const std::vector<BYTE>& bytes) {
    CWaitCursor wait;
    CXmlArchive ar(std::string(bytes.begin(), bytes.end()));
    SerializeXml(ar);
  });
}

BOOL CDoc::SaveXml(LPCTSTR path) {
  // A write that fails leaves the old file as it was and the document modified.
  return SaveFile(path, [this, path] { return WriteDocumentFile(path); });
}

LONG CDoc::WriteDocumentFile(LPCTSTR path) {
  CXmlArchive ar(path, CXmlArchive::store);
  {
    CWaitCursor wait;
    SerializeXml(ar);
  }
  return ar.Save() ? ERROR_SUCCESS : ar.GetSaveError();
}

BOOL CDoc::OnNewDocument() {
  if (!CDocument::OnNewDocument()) return FALSE;
  Reconnect();
  CString last;
  if (CRegistryProfile* profile = AfxGetRegistryProfile())
    last = profile->GetProfileString(L"Settings", L"LastNetworkInterface", L"");
  try {
    SelectNetworkInterface(last);
  } catch (const std::exception& e) {
    LogOnce(L"Selecting the network interface", e);
  }
  SetModifiedFlag(FALSE);
  return TRUE;
}

void CDoc::OnCloseDocument() {
  SetMonitoring(false);
  if (CEventsManager* events = CEventsManager::GetInstance()) events->Detach(this);
  m_settings.WriteRegistry();
  CDocument::OnCloseDocument();
}

BOOL CDoc::CanCloseFrame(CFrameWnd* frame) {
  if (frame != nullptr && frame->GetResourceID() == IDR_TESSALY_TYPE && !CanClose()) return FALSE;
  return CDocument::CanCloseFrame(frame);
}

void CDoc::OnFileImport() {
  CDocHost* host = GetDocHost();
  if (host != nullptr && host->HasConnectedClients()) {
    AfxMessageBox(IDS_CLIENTS_CONNECTED_CHANGE);
    return;
  }
  CFileDialog dialog(TRUE, L"tdb", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                     L"Tessaly Configuration Files (*.tdb)|*.tdb|");
  if (dialog.DoModal() != IDOK) return;
  if (CDocument::OnOpenDocument(dialog.GetPathName())) SetModifiedFlag(TRUE);
}

// ---- network -------------------------------------------------------------------------

void CDoc::DetachOpcTags() {
  // Nothing browses the old address space from here on, and the OPC items' tags lose their data
  // points before any record goes: their next read reports a bad quality instead of touching it.
  CMyCriticalSectionLock lock(GetLock());
  DropTagTree();
  DetachDataPoints(m_nodes);
}

bool CDoc::ConnectNetwork() {
  DetachOpcTags();
  return Connect();
}

void CDoc::OnStart() {
  CTimingSettings timing;
  if (CTmSetting* setting = timing.FindOrDefault(m_settings.GetTimersCfg())) ApplyTimingSettings(*setting, m_control);
  m_control.SetProperty(kestrum::ctl::kBackTypeCompatibility, VT_BOOL, m_settings.backTypeComp != 0);
  m_control.SetProperty(kestrum::ctl::kDebugTrace, VT_BOOL, m_settings.debugTrace != 0);
  ApplyDisablingNodes(m_control, m_settings.disablingNodesOn != 0, m_settings.timeOffset, m_settings.retry);
  SetBrowseSubfields(m_settings.BrowseSubfields == 1);
  m_control.SetPropertyWithParams(kestrum::ctl::kOption, CString(L"TxAuxilliaryWaitTime"),
                                  static_cast<LONG>(m_settings.txAuxilliaryWaitTime & 0xFF));
  bool started;
  {
    CWaitCursor wait;
    CString hostName = GetHostNodeInterfaceName();
    CString interfaceName = GetNetworkInterfaceName();
    started = StartNetwork(m_settings.dbmode, m_settings.GetDbPath(), interfaceName, hostName);
  }
  if (!started) return;
  BuildDeviceTree(m_pDeviceTree, m_settings.backNameComp);
  UpdateAllViews(nullptr, HintAll);
  const CString path = GetPathName();
  if (path.IsEmpty()) return;  // nothing to open again later
  if (CDocHost* host = GetDocHost())
    host->SetLastProjectPath(path);
  else
    CProjectList::SetLastProjectPath(CProjectList::GetDefaultPath(), GetServerInstance(), path);
}

bool CDoc::StartNetwork(int mode, const CString& databasePath, const CString& interfaceName, const CString& hostName) {
  const DWORD start = GetTickCount();
  const bool opened = Open(mode, databasePath, interfaceName, hostName);
  CString text;
  text.Format(L"Start time: %d ms.", static_cast<int>(GetTickCount() - start));
  CEventsManager::PostEvent(CTextProtocolEvent::Create(text));
  if (!opened) return false;
  CDocHost* host = GetDocHost();
  m_timer.Start(host != nullptr ? host->GetMainWindow() : nullptr, ID_TIMER_TXTIMER,
                static_cast<UINT>(m_settings.updatePeriod));
  m_nTxTimerLow = GetTxTimerIndex(m_control);
  return true;
}

void CDoc::OnStop() {
  if (!CanClose()) return;
  SetMonitoring(false);
  ResetDeviceTree();
  Reconnect();
  UpdateAllViews(nullptr, HintAll);
}

bool CDoc::Reconnect() {
  CWaitCursor wait;
  bool connected = ConnectNetwork();
  // Views that show the diagnostics objects let go of them before they are deleted.
  if (!m_opcRoot.m_children.empty()) UpdateAllViews(nullptr, HintOpcTreeEmptied);
  m_opcRoot.DeleteChildren();
  m_timer.Stop();
  return connected;
}

void CDoc::ResetDeviceTree() {
  UpdateAllViews(nullptr, HintDeviceTreeGoing);
  delete m_pDeviceTree;
  m_pDeviceTree = new CLonDeviceTreeObject();
}

void CDoc::SetMonitoring(bool on) {
  if ((m_bMonitoring != 0) == on) return;
  m_bMonitoring = on ? 1 : 0;
  UpdateAllViews(nullptr, on ? HintMonitoringOn : HintMonitoringOff);
}

void CDoc::OnMonitor() { SetMonitoring(m_bMonitoring == 0); }

void CDoc::OnOptions() {
  if (CDocHost* host = GetDocHost()) host->ShowOptions(1);
}

void CDoc::OnDiagOptions() {
  if (CDocHost* host = GetDocHost()) host->ShowOptions(-1);
}

void CDoc::OnNiStatus() {
  COleDispatchDriver config = lon_dispatch::GetObject(m_control, kestrum::ctl::kHostConfig);
  if (config.m_lpDispatch == nullptr) return;
  COleDispatchDriver ni = lon_dispatch::GetObject(config, kestrum::host::kNetworkInterface);
  CString title;
  title.Format(L"Network interface '%s'", ni.m_lpDispatch != nullptr ? GetDispatchName(ni) : CString());
  if (CDocHost* host = GetDocHost()) host->ShowNiStatusSheet(title, config.m_lpDispatch);
}

void CDoc::OnVniStatistics() {
  if (CDocHost* host = GetDocHost()) host->ShowVniStatistics(this);
}

void CDoc::OnAboutKestrum() { m_control.InvokeHelper(kestrum::ctl::kAboutBox, DISPATCH_METHOD, VT_EMPTY, nullptr); }

// ---- trees ---------------------------------------------------------------------------

COPCTagsBranch* CDoc::GetRootTagGroup() { return GetTagTree(m_settings.backNameComp, m_settings.GetRootName()); }

void CDoc::BuildOpcTree() {
  if (m_bOpcTreeBuilt) return;
  COPCToolkitManager& registry = GetOPCToolkitManager();
  std::deque<DWORD> servers;
  registry.ListServers(servers);
  for (DWORD serverKey : servers) {
    CServerInfo server;
    if (!registry.GetServerInfo(serverKey, server)) continue;
    m_opcRoot.AddChild(COPCServerTreeObject::Create(server));
    std::deque<DWORD> groups;
    registry.ListGroups(serverKey, groups);
    for (DWORD groupKey : groups) {
      CGroupInfo group;
      if (registry.GetGroupInfo(groupKey, group)) m_opcRoot.AddGroup(group);
    }
  }
  m_bOpcTreeBuilt = true;
}

void CDoc::Update(CSubjectTEx<CProtocolEvent*>*, CProtocolEvent* event) {
  if (!m_bOpcTreeBuilt || event == nullptr) return;
  const int kind = event->GetKind();
  // Events queued before the tree was read, or after a reconnect emptied it, name objects
  // that are there already or no longer: those are passed over. An object the root would
  // not add (its server gone, or its server's object missing) sends no hint.
  auto apply = [&](CDefaultObject* existing, int add, int remove, int rename,
                   const std::function<CDefaultObject*()>& make, const CString& name) {
    if (kind == add) {
      if (existing != nullptr) return;
      if (CDefaultObject* made = make()) UpdateAllViews(nullptr, HintObjectAdded, made);
    } else if (kind == remove) {
      if (existing == nullptr) return;
      UpdateAllViews(nullptr, HintObjectRemoved, existing);
      existing->m_pParent->RemoveChild(existing);
      delete existing;
    } else if (kind == rename) {
      if (existing == nullptr) return;
      existing->SetName(name);
      UpdateAllViews(nullptr, HintNameChanged, existing);
      CDocHost* host = GetDocHost();
      IKxTimerOwner* window = host != nullptr ? host->GetMainWindow() : nullptr;
      if (window != nullptr && window->GetSafeHwnd() != nullptr)
        SendMessage(window->GetSafeHwnd(), WM_UPDATE_PROPERTIES, 4, reinterpret_cast<LPARAM>(existing));
    }
  };
  if (auto* serverEvent = dynamic_cast<COPCServerEvent*>(event)) {
    const CServerInfo& info = serverEvent->GetRecord();
    apply(m_opcRoot.FindServer(info.m_dwKey), OpcEventAddClient, OpcEventRemoveClient, OpcEventRenameClient,
          [&] { return m_opcRoot.AddServer(info); }, info.m_strName);
  } else if (auto* groupEvent = dynamic_cast<COPCGroupEvent*>(event)) {
    const CGroupInfo& info = groupEvent->GetRecord();
    apply(m_opcRoot.FindGroup(info.m_dwKey), OpcEventAddGroup, OpcEventRemoveGroup, OpcEventRenameGroup,
          [&] { return m_opcRoot.AddGroup(info); }, info.m_strName);
  }
}

int CDoc::GetTreeImageStatic(CTreeObject* object) {
  auto* typed = dynamic_cast<CDefaultObject*>(object);
  if (typed == nullptr) return 0;
  switch (typed->GetType()) {
    case 1: case 2: case 3: case 11: case 12: case 13: case 14: return 3;
    case TreeObjectNode: return 10;
    case TreeObjectRouter: return 17;
    case TreeObjectBlock: return 20;
    case TreeObjectCP: return 19;
    case TreeObjectField: return 21;
    case TreeObjectNV: return 6;
    default: return 0;
  }
}

int CDoc::GetTreeImage(CTreeObject* object) {
  auto* nv = dynamic_cast<CNvTreeObject*>(object);
  if (nv == nullptr || nv->GetType() != TreeObjectNV) return GetTreeImageStatic(object);
  if (nv->m_pNV == nullptr) return 7;
  try {
    return lon_dispatch::GetBool(nv->m_pNV->m_dispatch, kestrum::nv::kIsOutput) ? 6 : 7;
  } catch (const COleDispatchException&) {
    return 7;
  }
}

bool CDoc::IsInactive(CTreeObject* object) {
  try {
    if (auto* node = dynamic_cast<CNodeTreeObject*>(object)) {
      int type = node->GetType();
      if ((type == TreeObjectNode || type == TreeObjectRouter) && node->m_pNode != nullptr)
        return !lon_dispatch::GetBool(node->m_pNode->m_dispatch, kestrum::node::kActive);
      return false;
    }
    if (auto* nv = dynamic_cast<CNvTreeObject*>(object)) {
      if (m_settings.monitorNVs.load() == 0 && nv->GetType() == TreeObjectNV && nv->m_pNV != nullptr)
        return !lon_dispatch::GetBool(nv->m_pNV->m_dispatch, kestrum::nv::kMonitored);
    }
  } catch (const COleDispatchException&) {
  }
  return false;
}

void CDoc::ShowContextMenu(CTreeObject* object, POINT point) {
  auto* typed = dynamic_cast<CDefaultObject*>(object);
  if (typed == nullptr) return;
  int subMenu;
  switch (typed->GetType()) {
    case TreeObjectNode: subMenu = 1; break;
    case TreeObjectRouter: subMenu = 2; break;
    case TreeObjectNV: subMenu = 3; break;
    default: return;
  }
  if (CDocHost* host = GetDocHost()) host->ShowContextMenu(IDR_TREE_CONTEXT_MENU, subMenu, point);
}

// ---- accessors -----------------------------------------------------------------------

CString CDoc::GetDbPathSetting() { return GetDoc() != nullptr ? GetDoc()->m_settings.GetDbPath() : CString(); }
CString CDoc::GetRootNameSetting() { return GetDoc() != nullptr ? GetDoc()->m_settings.GetRootName() : CString(); }
CString CDoc::GetSaveLogPathSetting() { return GetDoc() != nullptr ? GetDoc()->m_settings.GetSaveLogPath() : CString(); }
CString CDoc::GetTimersCfgSetting() { return GetDoc() != nullptr ? GetDoc()->m_settings.GetTimersCfg() : CString(); }

void CDoc::SetLogging(bool on) {
  CDoc* doc = GetDoc();
  if (doc == nullptr) return;
  if ((doc->m_settings.debugTrace != 0) != on) {
    doc->m_settings.debugTrace = on ? 1 : 0;
    doc->SetModifiedFlag(TRUE);
  }
  doc->m_control.SetProperty(kestrum::ctl::kDebugTrace, VT_BOOL, on);
  if (CLoggingFile* log = GetDocHostLogFile(); on && log != nullptr) log->Open(L".\\Tessaly.log", 1);
}

void CDoc::SetDisablingNodes(int timeOffset, int retry, bool on) {
  CDoc* doc = GetDoc();
  if (doc == nullptr) return;
  CSettings& s = doc->m_settings;
  auto set = [doc](int& field, int value) {
    if (field == value) return;
    field = value;
    doc->SetModifiedFlag(TRUE);
  };
  set(s.timeOffset, timeOffset);
  set(s.retry, retry);
  set(s.disablingNodesOn, on ? 1 : 0);
  ApplyDisablingNodes(doc->m_control, on, timeOffset, retry);
}

void CDoc::SelectTimingSettings(const CTmSetting& setting) {
  CDoc* doc = GetDoc();
  if (doc == nullptr) return;
  doc->m_settings.SetString(doc->m_settings.ni_timers_cfg, setting.Name);
  ApplyTimingSettings(setting, doc->m_control);
}

CString CDoc::MakeDatedFileName() {
  CLogFileName name(GetSaveLogPathSetting());
  SYSTEMTIME today{};
  GetLocalTime(&today);
  CString date;
  date.Format(L"_%04d_%02d_%02d", today.wYear, today.wMonth, today.wDay);
  name.SetName(name.GetName() + date);
  return name.GetPath();
}

bool CDoc::IsNvProtocolEnabled() {
  CDoc* doc = GetDoc();
  return doc == nullptr || (doc->m_settings.Protocol.load() & 0x100) != 0;
}
