#include "opcserver/MyOPCServer.h"

#include <cstring>
#include <memory>
#include <vector>

#include "foundation/ProtocolEventsCollector.h"
#include "opcserver/EnumGroupIDs.h"
#include "opcserver/MyOPCGroup.h"
#include "opcserver/OpcGroupCalls.h"
#include "opcserver/OPCProtocolEvent.h"
#include "opcserver/OPCToolkitCtrl.h"
#include "opcserver/OPCToolkitManager.h"
#include "opcserver/OpcBusyCount.h"
#include "opcserver/OpcGroupCalls.h"
#include "opcserver/OpcServerPropertiesManager.h"
#include "opcserver/OpcServerResource.h"
#include "opcserver/OpcTagsManager.h"
#include "platform/com/Activation.h"
#include "platform/com/Memory.h"

std::atomic<int> g_nConnectedClients{0};
std::atomic<unsigned short> g_nServersCreated{0};

using opc_calls::CoTaskStrDup;

namespace {
// Lets the groups go (their destructors stop their threads) with no lock held.
void ReleaseGroups(std::vector<CMyOPCGroup*>& groups) {
  for (CMyOPCGroup* g : groups) static_cast<IOPCGroupStateMgt*>(g)->Release();
  groups.clear();
}
}  // namespace

CMyOPCServer::CMyOPCServer() : m_nServerNumber(++g_nServersCreated) { RegisterOpcServerStrings(); }

CMyOPCServer::~CMyOPCServer() { ReleaseAllGroups(); }

void CMyOPCServer::ReleaseAllGroups() {
  COpcBusyScope busy;
  std::vector<CMyOPCGroup*> groups;
  {
    CMyCriticalSectionLock lock(m_lock);
    for (auto* map : {&m_groups, &m_removedGroups})
      for (auto& entry : *map) groups.push_back(entry.second);
    m_groups.clear();
    m_removedGroups.clear();
  }
  for (CMyOPCGroup* g : groups) {
    IUnknown* unk = g->GetUnknown();
    CoDisconnectObject(unk, 0);
    GetOPCToolkitManager().DetachGroup(&g->GetSpy());
    // Every group stops and forgets the server before the server goes; one a client still holds
    // lives on, failing every call, until released.
    g->Orphan();
  }
  ReleaseGroups(groups);
}

bool CMyOPCServer::TryAddRef() {
  // A going object's count is 0, or parked far above any real count while it is destroyed.
  LONG count = m_dwRef.load();
  while (count > 0 && count < INT32_MAX / 4) {
    if (m_dwRef.compare_exchange_weak(count, count + 1)) return true;
  }
  return false;
}

HRESULT CMyOPCServer::FinalConstruct() {
  ++g_nConnectedClients;
  UpdateSpy();
  GetOPCToolkitManager().AddServer(&m_spy);
  NotifyEvent(OpcEventAddClient);
  GetOPCToolkitCtrl().Add(this);
  return S_OK;
}

HRESULT CMyOPCServer::CreateInstance(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  CComObject<CMyOPCServer>* server = nullptr;
  HRESULT hr = CComObject<CMyOPCServer>::CreateInstance(&server);
  if (FAILED(hr)) return hr;
  server->AddRef();
  server->m_bMade = true;
  hr = server->QueryInterface(riid, ppv);
  server->Release();
  return hr;
}

void CMyOPCServer::FinalRelease() { LeaveClients(); }

void CMyOPCServer::Disconnect() {
  {
    // Under the lock, so no AddGroup that is under way can add a group after the groups went.
    CMyCriticalSectionLock lock(m_lock);
    m_bDisconnected = true;
  }
  CoDisconnectObject(GetUnknown(), 0);
  LeaveClients();
  ReleaseAllGroups();
}

void CMyOPCServer::LeaveClients() {
  if (m_bLeft.exchange(true)) return;
  NotifyEvent(OpcEventRemoveClient);
  // Decided from the counter's own result, so two last releases cannot both close.
  if (g_nConnectedClients.fetch_sub(1) == 1 && g_pOpcServerProperties)
    g_pOpcServerProperties->CloseServerApplication();
  GetOPCToolkitManager().RemoveServer(&m_spy);
  GetOPCToolkitCtrl().Remove(this);
  UnadviseAll();
}

CString CMyOPCServer::GetClientDisplayName() {
  CMyCriticalSectionLock lock(m_lock);
  if (!m_strClientName.IsEmpty()) return m_strClientName;
  CString name;
  name.Format(L"Client%d", static_cast<int>(m_nServerNumber));
  return name;
}

void CMyOPCServer::UpdateSpy() {
  CString name = GetClientDisplayName();
  CMyCriticalSectionLock lock(m_lock);
  CSpyLock spyLock;
  m_spy.m_info.m_strName = name;
  m_spy.m_info.m_dwLCID = m_dwLCID;
  m_spy.m_info.m_ftLastUpdate = m_ftLastUpdate;
}

void CMyOPCServer::NotifyEvent(int kind, const CString& text) {
  UpdateSpy();
  if (!g_pProtocolEventsCollector) return;
  CServerInfo copy;
  {
    CSpyLock lock;
    copy = m_spy.GetCopy();
  }
  g_pProtocolEventsCollector->Collect(std::make_unique<COPCServerEvent>(copy, kind, text));
}

void CMyOPCServer::SetLastUpdateTime() {
  {
    CMyCriticalSectionLock lock(m_lock);
    CoFileTimeNow(&m_ftLastUpdate);
  }
  UpdateSpy();
}

CMyOPCGroup* CMyOPCServer::FindGroupByName(const CString& name) {
  CMyCriticalSectionLock lock(m_lock);
  for (auto& entry : m_groups)
    if (entry.second->GetName() == name) return entry.second;
  return nullptr;
}

CMyOPCGroup* CMyOPCServer::FindGroupByHandle(OPCHANDLE handle) {
  CMyCriticalSectionLock lock(m_lock);
  auto it = m_groups.find(handle);
  return it == m_groups.end() ? nullptr : it->second;
}

CMyOPCGroup* CMyOPCServer::CreateGroup(const CString& name, BOOL active, DWORD rate, OPCHANDLE hClient,
                                       const LONG* pTimeBias, const FLOAT* pDeadband, DWORD lcid) {
  CComObject<CMyOPCGroup>* group = nullptr;
  if (FAILED(CComObject<CMyOPCGroup>::CreateInstance(&group)) || !group) return nullptr;
  if (FAILED(group->Init(name, active, rate, hClient, pTimeBias, pDeadband, lcid, this))) {
    delete group;
    return nullptr;
  }
  return group;
}

// ---- IOPCServer ---------------------------------------------------------------------------------

HRESULT CMyOPCServer::AddGroup(LPCWSTR szName, BOOL bActive, DWORD dwRequestedUpdateRate, OPCHANDLE hClientGroup,
                               LONG* pTimeBias, FLOAT* pPercentDeadband, DWORD dwLCID, OPCHANDLE* phServerGroup,
                               DWORD* pRevisedUpdateRate, REFIID riid, LPUNKNOWN* ppUnk) {
  if (m_bDisconnected) return RPC_E_DISCONNECTED;
  if (!ppUnk) return E_POINTER;
  *ppUnk = nullptr;
  if (!opc_calls::IsValidPercentDeadband(pPercentDeadband)) return E_INVALIDARG;
  CMyOPCGroup* group = nullptr;
  HRESULT hr;
  {
    CMyCriticalSectionLock lock(m_lock);
    if (m_bDisconnected) return RPC_E_DISCONNECTED;
    CString name;
    if (!szName || !*szName) {
      for (int n = 1;; ++n) {
        name.Format(L"Group%d", n);
        if (!FindGroupByName(name)) break;
      }
    } else {
      name = szName;
      if (FindGroupByName(name)) return OPC_E_DUPLICATENAME;
    }
    group = CreateGroup(name, bActive, dwRequestedUpdateRate, hClientGroup, pTimeBias, pPercentDeadband, dwLCID);
    if (!group) return E_OUTOFMEMORY;
    if (phServerGroup) *phServerGroup = group->GetServerHandle();
    if (pRevisedUpdateRate) *pRevisedUpdateRate = group->GetUpdateRate();
    static_cast<IOPCGroupStateMgt*>(group)->AddRef();
    hr = group->_InternalQueryInterface(riid, reinterpret_cast<void**>(ppUnk));
    if (SUCCEEDED(hr)) {
      GetOPCToolkitManager().AttachGroup(&m_spy, &group->GetSpy());
      m_groups[group->GetServerHandle()] = group;
    }
  }
  if (FAILED(hr)) {
    group->BeginRemove();
    static_cast<IOPCGroupStateMgt*>(group)->Release();
    return hr;
  }
  group->NotifyEvent(OpcEventAddGroup);
  return dwRequestedUpdateRate < group->GetUpdateRate() ? OPC_S_UNSUPPORTEDRATE : hr;
}

HRESULT CMyOPCServer::GetErrorString(HRESULT dwError, LCID, LPWSTR* ppString) {
  if (m_bDisconnected) return RPC_E_DISCONNECTED;
  if (!ppString) return E_POINTER;
  *ppString = nullptr;
  CString text;
  if (LPCWSTR opc = OpcErrorText(dwError)) text = opc;
  else FormatSystemMessage(dwError, LOCALE_SYSTEM_DEFAULT, text);
  *ppString = CoTaskStrDup(text);
  return *ppString ? S_OK : E_OUTOFMEMORY;
}

void CMyOPCServer::FormatSystemMessage(HRESULT code, LCID locale, CString& text) {
  wchar_t buffer[256];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(code), locale, buffer, 256, nullptr);
  if (n > 0) {
    text = buffer;
  } else {
    text.LoadString(IDS_OPC_UNKNOWN_ERROR);
  }
}

HRESULT CMyOPCServer::GetGroupByName(LPCWSTR szName, REFIID riid, LPUNKNOWN* ppUnk) {
  if (m_bDisconnected) return RPC_E_DISCONNECTED;
  if (!ppUnk) return E_POINTER;
  *ppUnk = nullptr;
  if (!szName) return E_INVALIDARG;
  CMyCriticalSectionLock lock(m_lock);
  CMyOPCGroup* group = FindGroupByName(CString(szName));
  if (!group) return E_INVALIDARG;
  return group->_InternalQueryInterface(riid, reinterpret_cast<void**>(ppUnk));
}

HRESULT CMyOPCServer::GetStatus(OPCSERVERSTATUS** ppServerStatus) {
  if (m_bDisconnected) return RPC_E_DISCONNECTED;
  if (!ppServerStatus) return E_POINTER;
  auto* status = static_cast<OPCSERVERSTATUS*>(CoTaskMemAlloc(sizeof(OPCSERVERSTATUS)));
  if (!status) return E_OUTOFMEMORY;
  std::memset(status, 0, sizeof(*status));
  FillStatus(status);
  *ppServerStatus = status;
  return S_OK;
}

void CMyOPCServer::FillStatus(OPCSERVERSTATUS* status) {
  CString vendor;
  WORD major = 0, minor = 0, build = 0;
  if (g_pOpcServerProperties) {
    vendor = g_pOpcServerProperties->GetVendorName();
    g_pOpcServerProperties->GetVersion(major, minor, build);
    status->ftStartTime = g_pOpcServerProperties->m_ftStartTime;
  }
  CMyCriticalSectionLock lock(m_lock);
  CoFileTimeNow(&status->ftCurrentTime);
  status->ftLastUpdateTime = m_ftLastUpdate;
  status->dwServerState = OPC_STATUS_RUNNING;
  status->dwGroupCount = static_cast<DWORD>(m_groups.size());
  status->dwBandWidth = 0;
  status->wMajorVersion = major;
  status->wMinorVersion = minor;
  status->wBuildNumber = build;
  status->wReserved = 0;
  status->szVendorInfo = CoTaskStrDup(vendor);
}

HRESULT CMyOPCServer::RemoveGroup(OPCHANDLE hServerGroup, BOOL bForce) {
  if (m_bDisconnected) return RPC_E_DISCONNECTED;
  if (hServerGroup == 0) return E_INVALIDARG;
  CMyOPCGroup* group = nullptr;
  bool release = false;
  HRESULT hr = S_OK;
  {
    CMyCriticalSectionLock lock(m_lock);
    auto it = m_groups.find(hServerGroup);
    if (it == m_groups.end()) return E_INVALIDARG;
    group = it->second;
    group->BeginRemove();
    m_groups.erase(it);
    GetOPCToolkitManager().DetachGroup(&group->GetSpy());
    // The server's reference may only go now when nobody else holds the group, and never on
    // the group's own update thread (a client removing the group from its call-back).
    if (group->GetHeldRefCount() <= 1 && !group->IsUpdateThread()) {
      release = true;
    } else {
      m_removedGroups[hServerGroup] = group;
      hr = bForce ? S_OK : OPC_S_INUSE;
    }
  }
  if (release) {
    // The update thread may have taken a reference for its cycle after the check above; stop
    // it and make the group forget this server first, so the cycle never reaches a server
    // that is gone by the time it ends.
    group->Orphan();
    static_cast<IOPCGroupStateMgt*>(group)->Release();
  }
  return hr;
}

HRESULT CMyOPCServer::CreateGroupEnumerator(OPCENUMSCOPE dwScope, REFIID riid, LPUNKNOWN* ppUnk) {
  if (m_bDisconnected) return RPC_E_DISCONNECTED;
  if (!ppUnk) return E_POINTER;
  *ppUnk = nullptr;
  if (riid == IID_IUnknown) return E_NOINTERFACE;
  return opc_calls::Guarded([&] { return CreateGroupEnumeratorInternal(dwScope, riid, ppUnk); });
}

HRESULT CMyOPCServer::CreateGroupEnumeratorInternal(DWORD dwScope, REFIID riid, LPUNKNOWN* ppUnk) {
  CComObject<CEnumGroupIDs>* enumerator = nullptr;
  if (FAILED(CComObject<CEnumGroupIDs>::CreateInstance(&enumerator)) || !enumerator) return E_OUTOFMEMORY;
  CComPtr<IEnumString> holder(enumerator);  // frees the enumerator on every way out
  enumerator->Init(this, dwScope);
  HRESULT hr = enumerator->QueryInterface(riid, reinterpret_cast<void**>(ppUnk));
  if (FAILED(hr)) return hr;
  if (!enumerator->HasGroups()) {
    (*ppUnk)->Release();
    *ppUnk = nullptr;
    return S_FALSE;
  }
  return S_OK;
}

// ---- IOPCCommon ---------------------------------------------------------------------------------

HRESULT CMyOPCServer::SetLocaleID(LCID dwLcid) {
  if (m_bDisconnected) return RPC_E_DISCONNECTED;
  if (dwLcid != LOCALE_SYSTEM_DEFAULT) return E_INVALIDARG;
  {
    CMyCriticalSectionLock lock(m_lock);
    m_dwLCID = dwLcid;
  }
  UpdateSpy();
  return S_OK;
}

HRESULT CMyOPCServer::GetLocaleID(LCID* pdwLcid) {
  if (m_bDisconnected) return RPC_E_DISCONNECTED;
  if (!pdwLcid) return E_POINTER;
  CMyCriticalSectionLock lock(m_lock);
  *pdwLcid = m_dwLCID;
  return S_OK;
}

HRESULT CMyOPCServer::QueryAvailableLocaleIDs(DWORD* pdwCount, LCID** pdwLcid) {
  if (m_bDisconnected) return RPC_E_DISCONNECTED;
  if (!pdwCount || !pdwLcid) return E_POINTER;
  *pdwCount = 0;
  *pdwLcid = static_cast<LCID*>(CoTaskMemAlloc(sizeof(LCID)));
  if (!*pdwLcid) return E_OUTOFMEMORY;
  (*pdwLcid)[0] = LOCALE_SYSTEM_DEFAULT;
  *pdwCount = 1;
  return S_OK;
}

HRESULT CMyOPCServer::GetErrorString(HRESULT dwError, LPWSTR* ppString) {
  if (m_bDisconnected) return RPC_E_DISCONNECTED;
  LCID lcid;
  GetLocaleID(&lcid);
  return GetErrorString(dwError, lcid, ppString);
}

HRESULT CMyOPCServer::SetClientName(LPCWSTR szName) {
  if (m_bDisconnected) return RPC_E_DISCONNECTED;
  if (!szName) return E_POINTER;
  CMyCriticalSectionLock lock(m_lock);
  CString old = GetClientDisplayName();
  m_strClientName = szName;
  NotifyEvent(OpcEventRenameClient, old);
  return S_OK;
}
