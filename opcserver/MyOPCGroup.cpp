#include "opcserver/MyOPCGroup.h"

#include <cstring>
#include <exception>
#include <memory>

#include "foundation/ProtocolEventsCollector.h"
#include "opcserver/MyOPCServer.h"
#include "opcserver/OPCItem.h"
#include "opcserver/OPCProtocolEvent.h"
#include "opcserver/OPCToolkitManager.h"
#include "opcserver/OpcBusyCount.h"
#include "platform/com/Activation.h"
#include "platform/com/Memory.h"
#include "platform/com/Variant.h"
#include "platform/win32/Thread.h"
#include "platform/win32/Time.h"

namespace {
std::atomic<CMyOPCGroup::CycleHook> g_cycleHook{nullptr};

// Holds the server for a call made on a client's thread; let go after every lock is released.
class CServerRef {
 public:
  explicit CServerRef(CMyOPCServer* server) : m_p(server) {}
  ~CServerRef() {
    if (m_p) static_cast<IOPCServer*>(m_p)->Release();
  }
  CServerRef(const CServerRef&) = delete;
  CServerRef& operator=(const CServerRef&) = delete;
  explicit operator bool() const { return m_p != nullptr; }
  CMyOPCServer* operator->() const { return m_p; }

 private:
  CMyOPCServer* m_p;
};

LPWSTR CoTaskStrDup(const CString& s) {
  if (s.IsEmpty()) return nullptr;
  size_t bytes = (static_cast<size_t>(s.GetLength()) + 1) * sizeof(wchar_t);
  auto* p = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (p) std::memcpy(p, s.GetString(), bytes);
  return p;
}
}  // namespace

void CMyOPCGroup::SetCycleHookForTesting(CycleHook hook) { g_cycleHook = hook; }

CMyOPCGroup::CMyOPCGroup() : m_hServerGroup(NewOpcHandle()) {}

CMyOPCGroup::~CMyOPCGroup() {
  m_bRunning = false;
  m_bActive = FALSE;
  StopUpdateThread();
  {
    CMyCriticalSectionLock lock(m_csGroup);
    for (auto& entry : m_items) {
      GetOPCToolkitManager().DetachItem(&entry.second->GetSpy());
      delete entry.second;
    }
    m_items.clear();
    m_index.clear();
    GetOPCToolkitManager().DetachGroup(&m_spy);
    m_pServer = nullptr;
  }
  if (m_hUpdateEvent) CloseHandle(m_hUpdateEvent);
}

bool CMyOPCGroup::IsUpdateThread() const {
  DWORD id = m_dwThreadId.load();
  return id != 0 && GetCurrentThreadId() == id;
}

void CMyOPCGroup::StopUpdateThread() {
  m_bRunning = false;
  // Taken once: Orphan and the destructor may both get here.
  HANDLE thread = m_hThread.exchange(nullptr);
  if (!thread) return;
  if (m_hUpdateEvent) SetEvent(m_hUpdateEvent);
  if (!IsUpdateThread()) {
    // The thread always ends: every wait of its loop is cut short by the event. So wait for it
    // for as long as it takes rather than free what it still uses.
    WaitForSingleObject(thread, INFINITE);
  }
  CloseHandle(thread);
}

CMyOPCServer* CMyOPCGroup::AcquireServer() {
  CMyCriticalSectionLock lock(m_csGroup);
  CMyOPCServer* server = m_pServer.load();
  return server && server->TryAddRef() ? server : nullptr;
}

bool CMyOPCGroup::TryAddRef() {
  LONG count = m_dwRef.load();
  while (count > 0 && count < INT32_MAX / 4) {
    if (m_dwRef.compare_exchange_weak(count, count + 1)) return true;
  }
  return false;
}

HRESULT CMyOPCGroup::Init(const CString& name, BOOL active, DWORD requestedRate, OPCHANDLE hClient,
                          const LONG* pTimeBias, const FLOAT* pDeadband, DWORD lcid, CMyOPCServer* server) {
  m_pServer = server;
  m_strName = name;
  SetUpdateRate(requestedRate);
  m_bActive = active ? TRUE : FALSE;
  m_hClientGroup = hClient;
  if (pTimeBias) {
    m_lTimeBias = *pTimeBias;
  } else {
    TIME_ZONE_INFORMATION tz{};
    if (GetTimeZoneInformation(&tz) != TIME_ZONE_ID_INVALID) m_lTimeBias = tz.Bias;
  }
  if (pDeadband) m_fDeadband = *pDeadband;
  m_dwLCID = lcid;
  UpdateSpy();
  m_hUpdateEvent = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  if (!m_hUpdateEvent) return E_OUTOFMEMORY;
  ResetEvent(m_hUpdateEvent);
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, &CMyOPCGroup::UpdateThreadProc, this, 0, &id);
  if (!thread) return E_OUTOFMEMORY;
  m_dwThreadId = id;
  m_hThread = thread;
  SetThreadPriority(thread, THREAD_PRIORITY_HIGHEST);
  return S_OK;
}

DWORD CMyOPCGroup::UpdateThreadProc(LPVOID param) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 0;
  auto* group = static_cast<CMyOPCGroup*>(param);
  // The creator stores the same id once CreateThread returns; this thread may need it sooner.
  group->m_dwThreadId = GetCurrentThreadId();
  group->RunUpdateThread();
  CoUninitialize();
  return 0;
}

void CMyOPCGroup::RunUpdateThread() {
  while (m_bRunning) {
    DWORD t0 = GetTickCount();
    // A reference for the cycle, so a client that lets the group go from inside its call-back
    // does not pull the object away under the loop; none once the group is being destroyed.
    if (m_bActive && TryAddRef()) {
      m_bCycleRef = true;
      // The last guard of the thread: failing control calls are stopped per item; anything
      // else thrown ends this cycle only (the changes go next cycle) rather than the server.
      try {
        if (m_bRunning && UpdateItems()) SendDataChange(true);
      } catch (const std::exception&) {
      }
      m_bCycleRef = false;
      if (static_cast<IOPCGroupStateMgt*>(this)->Release() == 0) return;  // freed on this thread
    }
    for (;;) {
      DWORD sent = m_dwLastSendTick;
      if (m_bActive && static_cast<LONG>(sent - t0) > 0) t0 = sent;
      DWORD elapsed = GetTickCount() - t0;
      DWORD rate = m_dwUpdateRate;
      if (elapsed < rate) {
        WaitForSingleObject(m_hUpdateEvent, rate - elapsed);
        if (!m_bRunning) break;
      } else {
        Sleep(0);
      }
      if (m_dwLastSendTick == sent) break;
    }
    m_dwLastCycle = GetTickCount() - t0;
    DWORD cycle = ++m_nCycles;
    if (CycleHook hook = g_cycleHook.load()) hook(m_hClientGroup.load(), cycle);
  }
}

DWORD CMyOPCGroup::SetUpdateRate(DWORD rate) {
  if (rate <= 100) rate = 100;
  m_dwUpdateRate = rate;
  return rate;
}

CString CMyOPCGroup::GetName() {
  CMyCriticalSectionLock lock(m_csGroup);
  return m_strName;
}

void CMyOPCGroup::UpdateSpy() {
  bool subscribed = GetConnectionCount() > 0;
  CMyCriticalSectionLock groupLock(m_csGroup);
  CSpyLock lock;
  CGroupInfo& info = m_spy.m_info;
  info.m_strName = m_strName;
  info.m_bActive = m_bActive != FALSE;
  info.m_dwUpdateRate = m_dwUpdateRate;
  info.m_dwLastCycle = m_dwLastCycle;
  info.m_hClient = m_hClientGroup;
  info.m_lTimeBias = m_lTimeBias;
  info.m_fDeadband = m_fDeadband;
  info.m_dwLCID = m_dwLCID;
  info.m_bSubscribed = subscribed;
  info.m_nItemCount = static_cast<DWORD>(m_items.size());
}

void CMyOPCGroup::NotifyEvent(int code, const CString& text) {
  UpdateSpy();
  if (!g_pProtocolEventsCollector) return;
  CGroupInfo copy;
  {
    CSpyLock lock;
    copy = m_spy.GetCopy();
  }
  g_pProtocolEventsCollector->Collect(std::make_unique<COPCGroupEvent>(copy, code, text));
}

// ---- IOPCGroupStateMgt ----------------------------------------------------------------------

HRESULT CMyOPCGroup::GetState(DWORD* pUpdateRate, BOOL* pActive, LPWSTR* ppName, LONG* pTimeBias,
                              FLOAT* pPercentDeadband, DWORD* pLCID, OPCHANDLE* phClientGroup,
                              OPCHANDLE* phServerGroup) {
  if (m_bRemoved) return E_FAIL;
  CMyCriticalSectionLock lock(m_csGroup);
  if (ppName) {
    *ppName = CoTaskStrDup(m_strName);
    if (!*ppName && !m_strName.IsEmpty()) return E_OUTOFMEMORY;
  }
  if (pUpdateRate) *pUpdateRate = m_dwUpdateRate;
  if (pActive) *pActive = m_bActive;
  if (pTimeBias) *pTimeBias = m_lTimeBias;
  if (pPercentDeadband) *pPercentDeadband = m_fDeadband;
  if (pLCID) *pLCID = m_dwLCID;
  if (phClientGroup) *phClientGroup = m_hClientGroup;
  if (phServerGroup) *phServerGroup = m_hServerGroup;
  return S_OK;
}

HRESULT CMyOPCGroup::SetState(DWORD* pRequestedUpdateRate, DWORD* pRevisedUpdateRate, BOOL* pActive,
                              LONG* pTimeBias, FLOAT* pPercentDeadband, DWORD* pLCID, OPCHANDLE* phClientGroup) {
  if (!pRevisedUpdateRate) return E_POINTER;
  if (m_bRemoved) return E_FAIL;
  HRESULT result = S_OK;
  bool wake = false;
  {
    CMyCriticalSectionLock lock(m_csGroup);
    if (pRequestedUpdateRate) {
      DWORD old = m_dwUpdateRate;
      DWORD stored = SetUpdateRate(*pRequestedUpdateRate);
      if (stored != old) {
        NotifyEvent(OpcEventGroupUpdateRate);
        wake = true;
      }
      // Every other argument is still applied; the revised rate is only reported.
      if (stored != *pRequestedUpdateRate) result = OPC_S_UNSUPPORTEDRATE;
    }
    *pRevisedUpdateRate = m_dwUpdateRate;
    if (pTimeBias && *pTimeBias != m_lTimeBias) {
      m_lTimeBias = *pTimeBias;
      NotifyEvent(OpcEventGroupTimeBias);
    }
    if (pPercentDeadband && *pPercentDeadband != m_fDeadband) {
      m_fDeadband = *pPercentDeadband;
      NotifyEvent(OpcEventGroupDeadband);
    }
    if (pLCID && *pLCID != m_dwLCID) {
      m_dwLCID = *pLCID;
      NotifyEvent(OpcEventGroupLCID);
    }
    if (phClientGroup && *phClientGroup != m_hClientGroup) {
      m_hClientGroup = *phClientGroup;
      NotifyEvent(OpcEventGroupClientHandle);
    }
    if (pActive && *pActive != m_bActive) {
      m_bActive = *pActive;
      NotifyEvent(OpcEventGroupActive);
      if (m_bActive) wake = true;
      ApplyActiveStateToItems();
    }
  }
  if (wake) SetEvent(m_hUpdateEvent);
  return result;
}

HRESULT CMyOPCGroup::SetName(LPCWSTR szName) {
  if (!szName) return E_POINTER;
  if (m_bRemoved) return E_FAIL;
  if (!*szName) return E_INVALIDARG;
  CString name(szName);
  CServerRef server(AcquireServer());
  if (!server) return E_FAIL;
  // The server lock first, as everywhere: the name is unique among its groups.
  CMyCriticalSectionLock serverLock(server->GetLock());
  CString old;
  {
    CMyCriticalSectionLock lock(m_csGroup);
    if (name == m_strName) return S_OK;
    old = m_strName;
  }
  if (server->FindGroupByName(name)) return OPC_E_DUPLICATENAME;
  {
    CMyCriticalSectionLock lock(m_csGroup);
    m_strName = name;
  }
  NotifyEvent(OpcEventRenameGroup, old);
  return S_OK;
}

HRESULT CMyOPCGroup::CloneGroup(LPCWSTR szName, REFIID riid, LPUNKNOWN* ppUnk) {
  if (!ppUnk) return E_POINTER;
  *ppUnk = nullptr;
  if (m_bRemoved) return E_FAIL;
  CServerRef server(AcquireServer());
  if (!server) return E_FAIL;
  DWORD rate;
  OPCHANDLE hClient;
  LONG bias;
  FLOAT deadband;
  DWORD lcid;
  {
    CMyCriticalSectionLock lock(m_csGroup);
    rate = m_dwUpdateRate;
    hClient = m_hClientGroup;
    bias = m_lTimeBias;
    deadband = m_fDeadband;
    lcid = m_dwLCID;
  }
  OPCHANDLE hServer = 0;
  HRESULT hr = server->AddGroup(szName, FALSE, rate, hClient, &bias, &deadband, lcid, &hServer, nullptr, riid, ppUnk);
  if (FAILED(hr)) return hr;
  CMyOPCGroup* clone = server->FindGroupByHandle(hServer);
  if (!clone) return E_FAIL;
  std::vector<OPCITEMDEF> defs;
  std::vector<CString> names;
  {
    CMyCriticalSectionLock lock(m_csGroup);
    names.reserve(m_items.size());
    for (auto& entry : m_items) {
      COPCItem* item = entry.second;
      names.push_back(item->GetName());
      OPCITEMDEF def{};
      def.bActive = item->IsActive();
      def.hClient = item->GetClientHandle();
      def.vtRequestedDataType = item->GetRequestedType();
      defs.push_back(def);
    }
  }
  hr = S_OK;
  for (size_t i = 0; i < defs.size(); ++i) {
    defs[i].szAccessPath = const_cast<LPWSTR>(L"");
    defs[i].szItemID = const_cast<LPWSTR>(names[i].GetString());
    OPCITEMRESULT* results = nullptr;
    HRESULT* errors = nullptr;
    hr = clone->AddItems(1, &defs[i], &results, &errors);
    CoTaskMemFree(results);
    CoTaskMemFree(errors);
  }
  return hr;
}

HRESULT CMyOPCGroup::CloneInto(const CString&) { return S_OK; }

void CMyOPCGroup::ApplyActiveStateToItems() {
  CMyCriticalSectionLock lock(m_csGroup);
  // An item whose monitoring the control will not start still reads the cache each cycle; the
  // next change of state tries again.
  for (auto& entry : m_items) (void)entry.second->ApplyActiveState();
}

bool CMyOPCGroup::IsValidItem(OPCHANDLE handle) {
  if (!handle) return false;
  CMyCriticalSectionLock lock(m_csGroup);
  return m_index.count(handle) != 0;
}

COPCItem* CMyOPCGroup::FindItem(OPCHANDLE handle) {
  auto it = m_index.find(handle);
  return it == m_index.end() ? nullptr : it->second;
}

void CMyOPCGroup::BeginRemove() {
  NotifyEvent(OpcEventRemoveGroup);
  m_bRemoved = true;
  COpcBusyScope busy;
  CMyCriticalSectionLock lock(m_csGroup);
  while (!m_items.empty()) {
    OPCHANDLE h = m_items.begin()->first;
    HRESULT error = S_OK;
    RemoveItemsInternal(1, &h, &error);
  }
}

void CMyOPCGroup::Orphan() {
  m_bRemoved = true;
  m_bActive = FALSE;
  StopUpdateThread();
  UnadviseAll();
  CMyCriticalSectionLock lock(m_csGroup);
  m_pServer = nullptr;
}

// ---- update cycle ---------------------------------------------------------------------------

void CMyOPCGroup::RefreshActiveTags() {
  CMyCriticalSectionLock lock(m_csGroup);
  for (auto& entry : m_items) {
    COPCItem* item = entry.second;
    // A failing control fails only this item: its quality goes bad in the update pass.
    if (item->IsActive()) (void)item->Refresh(OPC_DS_CACHE);
    if (g_nOpcBusyCount > 0) break;  // item management waits for the lock
  }
}

bool CMyOPCGroup::UpdateItems() {
  RefreshActiveTags();
  Sleep(0);
  bool changed = false;
  CMyCriticalSectionLock lock(m_csGroup);
  for (auto& entry : m_items) {
    COPCItem* item = entry.second;
    // An item added since the refresh pass has no value from its tag yet: it waits a cycle
    // rather than deliver the tag's state from before any refresh.
    if (!item->IsActive() || !item->WasRefreshed()) continue;
    item->Update(m_fDeadband);
    if (item->IsChanged()) changed = true;
  }
  return changed;
}

HRESULT CMyOPCGroup::SendDataChange(bool onlyChanged) {
  HRESULT result = S_OK;
  std::vector<Collected> delivered;
  bool clearAll = true;
  if (m_bEnabled) {
    m_dwLastSendTick = GetTickCount();
    DWORD n = 0;
    std::unique_ptr<OPCHANDLE[]> clients;
    std::unique_ptr<VARIANT[]> values;
    std::unique_ptr<WORD[]> qualities;
    std::unique_ptr<FILETIME[]> times;
    std::unique_ptr<HRESULT[]> errors;
    OPCHANDLE hGroup = 0;
    {
      CMyCriticalSectionLock lock(m_csGroup);
      for (auto& entry : m_items) {
        COPCItem* item = entry.second;
        if (item->IsActive() && (!onlyChanged || (item->IsChanged() && item->WasRefreshed())))
          delivered.push_back({item, item->GetChangeSeq(), entry.first});
      }
      if (delivered.empty()) return S_OK;
      n = static_cast<DWORD>(delivered.size());
      clients.reset(new OPCHANDLE[n]());
      values.reset(new VARIANT[n]);
      qualities.reset(new WORD[n]());
      times.reset(new FILETIME[n]());
      errors.reset(new HRESULT[n]());
      for (DWORD i = 0; i < n; ++i) {
        COPCItem* item = delivered[i].item;
        VariantInit(&values[i]);
        clients[i] = item->GetClientHandle();
        qualities[i] = item->GetQuality();
        times[i] = item->GetTimestamp();
        errors[i] = item->GetValue(&values[i]);
      }
      hGroup = m_hClientGroup;
    }
    (void)hGroup;
    bool anySink = GetConnectionCount() > 0;
    if (anySink) {
      result = FireOnDataChange(0, n, clients.get(), values.get(), qualities.get(), times.get(), errors.get());
    }
    for (DWORD i = 0; i < n; ++i) VariantClear(&values[i]);
    if (anySink && FAILED(result)) return result;  // the changes go again next cycle
    clearAll = false;
  }
  {
    CMyCriticalSectionLock lock(m_csGroup);
    if (clearAll) {
      for (auto& entry : m_items) entry.second->ClearChanged();
    } else {
      // Items can be removed meanwhile, and changed again by a read: clear only what was
      // delivered and has not changed since.
      for (const Collected& c : delivered) {
        auto it = m_index.find(c.handle);
        if (it != m_index.end() && it->second == c.item) c.item->ClearChangedIfUnchanged(c.seq);
      }
    }
  }
  // After the group lock is released: the server lock is never taken inside it. The update
  // thread may use the pointer plainly: the server joins this thread before it goes.
  if (CMyOPCServer* server = m_pServer.load()) server->SetLastUpdateTime();
  return result;
}

HRESULT CMyOPCGroup::FireOnDataChange(DWORD transaction, DWORD count, OPCHANDLE* clients, VARIANT* values,
                                      WORD* qualities, FILETIME* times, HRESULT* errors) {
  HRESULT masterError = S_OK, masterQuality = S_OK;
  for (DWORD i = 0; i < count; ++i) {
    if (errors[i] != S_OK) masterError = S_FALSE;
    if (qualities[i] != OPC_QUALITY_GOOD) masterQuality = S_FALSE;
  }
  OPCHANDLE hGroup;
  {
    CMyCriticalSectionLock lock(m_csGroup);
    hGroup = m_hClientGroup;
  }
  HRESULT result = E_FAIL;
  // A snapshot of the sinks, called with no lock held.
  for (const CComPtr<IOPCDataCallback>& sink : GetSinks<IOPCDataCallback>()) {
    result = sink->OnDataChange(transaction, hGroup, masterQuality, masterError, count, clients, values, qualities,
                                times, errors);
    {
      CSpyLock lock;
      m_spy.m_info.m_counters[CGroupInfo::DataChange].Raise();
    }
    NotifyEvent(OpcEventDataChange);
    if (FAILED(result)) break;
  }
  return result;
}
