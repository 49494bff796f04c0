// The OPC group: lifetime, its server, items by handle, removal.
#include "opcserver/MyOPCGroup.h"

#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <type_traits>

#include "foundation/ProtocolEventsCollector.h"
#include "opcserver/MyOPCServer.h"
#include "opcserver/OPCItem.h"
#include "opcserver/OPCProtocolEvent.h"
#include "opcserver/OPCTransaction.h"
#include "opcserver/OPCToolkitManager.h"
#include "opcserver/OpcBusyCount.h"
#include "opcserver/OpcGroupCalls.h"
#include "opcserver/OpcTagsManager.h"
#include "platform/com/Activation.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/Memory.h"
#include "platform/com/Variant.h"
#include "platform/win32/Thread.h"
#include "platform/win32/Time.h"

using namespace opc_calls;

CMyOPCGroup::CThreadLink::CThreadLink(CMyOPCGroup* owner) : group(owner) {}

CMyOPCGroup::CThreadLink::~CThreadLink() {
  if (updateEvent) CloseHandle(updateEvent);
}

CMyOPCGroup* CMyOPCGroup::CThreadLink::Acquire(std::atomic<bool> CMyOPCGroup::*mark) {
  std::lock_guard<std::mutex> lock(groupMutex);
  if (!group || !group->TryAddRef()) return nullptr;
  group->*mark = true;
  return group;
}

void CMyOPCGroup::CThreadLink::Release(CMyOPCGroup* held, std::atomic<bool> CMyOPCGroup::*mark) {
  {
    std::lock_guard<std::mutex> lock(groupMutex);
    held->*mark = false;
    LONG count = held->m_dwRef.load();
    while (count > 1) {
      if (held->m_dwRef.compare_exchange_weak(count, count - 1)) return;
    }
  }
  // The last reference: nobody else holds the group to ask for its count.
  static_cast<IOPCGroupStateMgt*>(held)->Release();
}

LONG CMyOPCGroup::GetHeldRefCount() const {
  std::lock_guard<std::mutex> lock(m_link->groupMutex);
  return GetRefCount() - (m_bCycleRef ? 1 : 0) - (m_bWorkerRef ? 1 : 0);
}

void CMyOPCGroup::CThreadLink::Cut() {
  std::lock_guard<std::mutex> lock(groupMutex);
  group = nullptr;
}

bool CMyOPCGroup::CThreadLink::IsCut() {
  std::lock_guard<std::mutex> lock(groupMutex);
  return group == nullptr;
}

CMyOPCGroup::CMyOPCGroup()
    : m_link(std::make_shared<CThreadLink>(this)),
      m_bRunning(m_link->running),
      m_csTransactions(m_link->transactionLock),
      m_cvTransactions(m_link->transactionsChanged),
      m_transactions(m_link->transactions),
      m_bAsyncStopped(m_link->asyncStopped),
      m_hServerGroup(NewOpcHandle()) {}

CMyOPCGroup::~CMyOPCGroup() {
  // No thread reaches the object from here on; one still running keeps the link.
  m_link->Cut();
  m_bRunning = false;
  m_bActive = FALSE;
  StopUpdateThread();
  StopAsyncWorker();
  {
    CMyCriticalSectionLock lock(m_csGroup);
    for (auto& entry : m_items) {
      GetOPCToolkitManager().DetachItem(&entry.second->GetSpy());
      delete entry.second;
    }
    m_items.clear();
    m_walk.clear();
    m_walkStale = false;
    m_index.clear();
    GetOPCToolkitManager().DetachGroup(&m_spy);
    m_pServer = nullptr;
  }
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
  m_hUpdateEvent = m_link->updateEvent = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  if (!m_hUpdateEvent) return E_OUTOFMEMORY;
  ResetEvent(m_hUpdateEvent);
  DWORD id = 0;
  auto link = std::make_unique<std::shared_ptr<CThreadLink>>(m_link);  // the thread's from here on
  HANDLE thread = CreateThread(nullptr, 0, &CMyOPCGroup::UpdateThreadProc, link.get(), 0, &id);
  if (!thread) return E_OUTOFMEMORY;
  link.release();
  m_dwThreadId = id;
  m_hThread = thread;
  SetThreadPriority(thread, THREAD_PRIORITY_HIGHEST);
  return S_OK;
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

HRESULT CMyOPCGroup::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) {
  const HRESULT hr = DataCallbackPoint::Advise(pUnkSink, pdwCookie);
  if (SUCCEEDED(hr)) UpdateSpy();
  return hr;
}

HRESULT CMyOPCGroup::Unadvise(DWORD dwCookie) {
  const HRESULT hr = DataCallbackPoint::Unadvise(dwCookie);
  if (SUCCEEDED(hr)) UpdateSpy();
  return hr;
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
  StopAsyncWorker();
  UnadviseAll();
  ReleaseAdviseSinks();
  CMyCriticalSectionLock lock(m_csGroup);
  m_pServer = nullptr;
}
