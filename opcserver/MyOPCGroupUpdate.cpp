// The OPC group's update thread, its cycle and data change call-backs.
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

namespace {
std::atomic<CMyOPCGroup::CycleHook> g_cycleHook{nullptr};
}  // namespace

CMyOPCGroup::CScopedCycleHookForTesting::CScopedCycleHookForTesting(CycleHook hook)
    : m_previous(g_cycleHook.exchange(hook)) {}
CMyOPCGroup::CScopedCycleHookForTesting::~CScopedCycleHookForTesting() { g_cycleHook = m_previous; }

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
  bool enabled = m_bEnabled != FALSE;
  if (enabled) m_dwLastSendTick = GetTickCount();
  std::vector<Collected> delivered;
  CItemValues values;
  CollectActiveItems(onlyChanged, values, &delivered);
  if (delivered.empty()) return S_OK;
  HRESULT result = S_OK;
  // Enabling governs the data callback only; OPC 1.0 advises get every change.
  if (enabled && GetConnectionCount() > 0) {
    result = FireOnDataChange(0, values.Count(), values.clients.data(), values.values.data(), values.qualities.data(),
                              values.times.data(), values.errors.data());
    if (FAILED(result)) return result;  // the changes go again next cycle
  }
  for (AdviseSlot slot : {AdviseData, AdviseDataTime}) {
    HRESULT hr = SendDataStream(slot, 0, values);
    if (FAILED(hr)) return hr;
  }
  {
    CMyCriticalSectionLock lock(m_csGroup);
    // Items can be removed meanwhile, and changed again by a read: clear only what was
    // delivered and has not changed since.
    for (const Collected& c : delivered) {
      auto it = m_index.find(c.handle);
      if (it != m_index.end() && it->second == c.item) c.item->ClearChangedIfUnchanged(c.seq);
    }
  }
  // After the group lock is released: the server lock is never taken inside it. The update
  // thread may use the pointer plainly: the server joins this thread before it goes.
  if (CMyOPCServer* server = m_pServer.load()) server->SetLastUpdateTime();
  return result;
}

HRESULT CMyOPCGroup::FireOnDataChange(DWORD transaction, DWORD count, OPCHANDLE* clients, VARIANT* values,
                                      WORD* qualities, FILETIME* times, HRESULT* errors) {
  HRESULT masterError = MasterError(count, errors), masterQuality = MasterQuality(count, qualities);
  OPCHANDLE hGroup;
  {
    CMyCriticalSectionLock lock(m_csGroup);
    hGroup = m_hClientGroup;
  }
  HRESULT result = E_FAIL;
  // A snapshot of the sinks, called with no lock held. Every sink is called, whatever the
  // others answer; the last one's answer is the result.
  for (const CComPtr<IOPCDataCallback>& sink : GetSinks<IOPCDataCallback>()) {
    result = sink->OnDataChange(transaction, hGroup, masterQuality, masterError, count, clients, values, qualities,
                                times, errors);
    {
      CSpyLock lock;
      m_spy.m_info.m_counters[CGroupInfo::DataChange].Raise();
    }
    NotifyEvent(OpcEventDataChange);
  }
  return result;
}
