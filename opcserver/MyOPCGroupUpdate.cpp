// The OPC group's update thread, its cycle and data change call-backs.
#include "opcserver/MyOPCGroup.h"

#include <algorithm>
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
  // Every wait of the thread is cut short by the event, but a client's call-back may hold it
  // up for as long as the client likes: after the bounded wait it ends on its own.
  if (!IsUpdateThread()) WaitForSingleObject(thread, kThreadStopWaitMs);
  CloseHandle(thread);
}

DWORD CMyOPCGroup::UpdateThreadProc(LPVOID param) {
  std::unique_ptr<std::shared_ptr<CThreadLink>> held(static_cast<std::shared_ptr<CThreadLink>*>(param));
  std::shared_ptr<CThreadLink> link = std::move(*held);
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 0;
  CUpdatePhase phase;
  while (link->running) {
    // A reference for the step, so a client that lets the group go from inside its call-back
    // does not pull the object away under it; none once the group is going.
    CMyOPCGroup* group = link->Acquire(&CMyOPCGroup::m_bCycleRef);
    if (!group) {
      if (link->IsCut()) break;
      // Its maker has not taken the first reference yet: the shortest period is soon enough.
      // A group that goes instead cuts the link and wakes this thread.
      WaitForSingleObject(link->updateEvent, 100);
      continue;
    }
    // The creator stores the same id once CreateThread returns; this thread may need it sooner.
    group->m_dwThreadId = GetCurrentThreadId();
    DWORD wait = 0;
    // The last guard of the thread: failing control calls are stopped per item; anything else
    // thrown ends this cycle only (the changes go next cycle) rather than the server.
    try {
      wait = group->UpdateStep(phase);
    } catch (const std::exception&) {
      phase = CUpdatePhase{};
    }
    link->Release(group, &CMyOPCGroup::m_bCycleRef);  // may free the group, on this thread
    // From here to the next step only the link is used.
    if (!link->running) break;
    if (wait == 0) Sleep(0);
    else WaitForSingleObject(link->updateEvent, wait);
  }
  CoUninitialize();
  return 0;
}

DWORD CMyOPCGroup::UpdateStep(CUpdatePhase& phase) {
  if (!phase.waiting) {
    phase.t0 = GetTickCount();
    if (m_bActive && m_bRunning && UpdateItems()) SendDataChange(true);
    phase.waiting = true;
  } else if (m_dwLastSendTick == phase.sent) {
    // The period is over, and no data change went meanwhile.
    m_dwLastCycle = GetTickCount() - phase.t0;
    DWORD cycle = ++m_nCycles;
    if (CycleHook hook = g_cycleHook.load()) hook(m_hClientGroup.load(), cycle);
    phase.waiting = false;
    return 0;
  }
  // The rest of the period, counted from the last data change when one went since.
  phase.sent = m_dwLastSendTick;
  if (m_bActive && static_cast<LONG>(phase.sent - phase.t0) > 0) phase.t0 = phase.sent;
  DWORD elapsed = GetTickCount() - phase.t0;
  DWORD rate = m_dwUpdateRate;
  return elapsed < rate ? rate - elapsed : 0;
}

const std::vector<std::pair<OPCHANDLE, COPCItem*>>& CMyOPCGroup::ItemsInOrder() {
  if (m_walkStale) {
    m_walk.assign(m_items.begin(), m_items.end());
    m_walkStale = false;
  }
  return m_walk;
}

bool CMyOPCGroup::UpdateItems() {
  // One pass: an item's tag is refreshed and read while the item, its tag and the control's
  // records are still in the cache (a pass for each fetched them twice once they no longer fit).
  bool changed = false;
  bool refreshing = true;
  OPCHANDLE next = 0;
  // Returns true when it stopped for item management, which waits for the lock; the items from
  // `next` on are still to be updated then.
  auto pass = [&](bool resume) {
    CMyCriticalSectionLock lock(m_csGroup);
    const auto& items = ItemsInOrder();
    auto it = items.begin();
    if (resume)
      it = std::lower_bound(items.begin(), items.end(), next, [](const auto& e, OPCHANDLE h) { return e.first < h; });
    for (; it != items.end(); ++it) {
      COPCItem* item = it->second;
      if (!item->IsActive()) continue;
      // A failing control fails only this item: its quality goes bad in the update.
      if (refreshing) (void)item->Refresh(OPC_DS_CACHE);
      // An item whose tag was never refreshed has no value from it yet: it waits a cycle
      // rather than deliver the tag's state from before any refresh.
      if (!item->WasRefreshed()) continue;
      item->Update(m_fDeadband);
      if (item->IsChanged()) changed = true;
      if (refreshing && g_nOpcBusyCount > 0) {
        // The rest deliver their tags' last state this cycle, after item management got in.
        refreshing = false;
        if (++it == items.end()) return false;
        next = it->first;
        return true;
      }
    }
    return false;
  };
  if (pass(false)) {
    Sleep(0);
    pass(true);
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
    result = FireOnDataChange(0, values);
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
  // After the group lock is released: the server lock is never taken inside it. With a
  // reference: the server does not wait for this thread without limit before it goes.
  CServerRef server(AcquireServer());
  if (server) server->SetLastUpdateTime();
  return result;
}

HRESULT CMyOPCGroup::FireOnDataChange(DWORD transaction, CItemValues& values) {
  HRESULT masterError = values.GetMasterError(), masterQuality = values.GetMasterQuality();
  OPCHANDLE hGroup = m_hClientGroup;
  return FireToDataCallbacks(*this, CGroupInfo::DataChange, OpcEventDataChange, [&](IOPCDataCallback* sink) {
    return sink->OnDataChange(transaction, hGroup, masterQuality, masterError, values.Count(), values.clients.data(),
                              values.values.data(), values.qualities.data(), values.times.data(),
                              values.errors.data());
  });
}
