#include "lon/MonitorThread.h"

#include <algorithm>

#include "foundation/ProtocolEventsCollector.h"
#include "foundation/TextProtocolEvent.h"
#include "lon/DeviceTreeObjects.h"
#include "interfaces/kestrum/KestrumDispIds.h"
#include "platform/win32/Time.h"

namespace {
void LogFailedPoll(const CString& itemId, const CString& cause) {
  CString text;
  text.Format(L"Monitor: reading %s failed. (Cause: %s)", itemId, cause);
  if (g_pProtocolEventsCollector) g_pProtocolEventsCollector->Collect(CTextProtocolEvent::Create(text));
}
}  // namespace

CMonitorThread::CMonitorThread() : m_tick([] { return GetTickCount(); }) {}

CMonitorThread::~CMonitorThread() {
  Stop();
  Clear();
}

void CMonitorThread::AddNvLocked(CNetworkVariable* nv) {
  try {
    nv->AddMonitorRequest();
  } catch (const COleDispatchException&) {
    // Polled all the same; only the control's change reports are missing. Not counted, so
    // releasing it later must not take away a tag's request.
    m_uncounted.insert(nv);
  }
  m_nvs.push_back(nv);
}

void CMonitorThread::ReleaseNvLocked(CNetworkVariable* nv) {
  auto uncounted = m_uncounted.find(nv);
  if (uncounted != m_uncounted.end()) {
    m_uncounted.erase(uncounted);
    return;
  }
  try {
    nv->ReleaseMonitorRequest();
  } catch (const COleDispatchException&) {
  }
}

void CMonitorThread::AddObjectLocked(CTreeObject* object) {
  if (object == nullptr) return;
  if (CNvTreeObject* nvObject = CNvTreeObject::FromObject(object)) {
    AddNvLocked(nvObject->m_pNV);
    for (CTreeObject* child : object->m_children) AddObjectLocked(child);
  } else if (CCPTreeObject* cpObject = CCPTreeObject::FromObject(object)) {
    m_cps.push_back(cpObject->m_pCP);
  }
}

void CMonitorThread::AddObjects(const std::set<CTreeObject*>& objects) {
  CMyCriticalSectionLock lock(m_queueLock);
  for (CTreeObject* object : objects) AddObjectLocked(object);
}

void CMonitorThread::Clear() {
  CMyCriticalSectionLock lock(m_queueLock);
  for (CNetworkVariable* nv : m_nvs) ReleaseNvLocked(nv);
  m_uncounted.clear();
  m_nvs.clear();
  m_cps.clear();
}

void CMonitorThread::OnNodesRemoving(const std::list<CLonNode*>& nodes) {
  CMyCriticalSectionLock lock(m_queueLock);
  auto ownedByRemoved = [&](CLonNode* owner) { return std::find(nodes.begin(), nodes.end(), owner) != nodes.end(); };
  std::set<CConfigProperty*> removedCps;
  for (CLonNode* node : nodes) {
    removedCps.insert(node->m_cps.begin(), node->m_cps.end());
    for (CNetworkVariable* nv : node->m_nvs) removedCps.insert(nv->m_cps.begin(), nv->m_cps.end());
    for (CLonFunctionalBlock* block : node->m_blocks) removedCps.insert(block->m_cps.begin(), block->m_cps.end());
  }
  std::deque<CNetworkVariable*> keep;
  for (CNetworkVariable* nv : m_nvs) {
    if (ownedByRemoved(nv->m_pNode)) {
      ReleaseNvLocked(nv);
    } else {
      keep.push_back(nv);
    }
  }
  m_nvs.swap(keep);
  m_cps.erase(std::remove_if(m_cps.begin(), m_cps.end(), [&](CConfigProperty* cp) { return removedCps.count(cp) != 0; }),
              m_cps.end());
}

size_t CMonitorThread::GetNvCount() {
  CMyCriticalSectionLock lock(m_queueLock);
  return m_nvs.size();
}

size_t CMonitorThread::GetCpCount() {
  CMyCriticalSectionLock lock(m_queueLock);
  return m_cps.size();
}

bool CMonitorThread::PollOnce() {
  CMyCriticalSectionLock lock(m_queueLock);
  for (CNetworkVariable* nv : m_nvs) {
    try {
      nv->m_dispatch.InvokeMethod<bool>(kestrum::nv::kReadCache);
    } catch (const COleDispatchException& e) {
      ++m_nFailedPolls;
      LogFailedPoll(nv->GetItemID(), e.m_strDescription);
    }
    if (WaitForStopRequest(0) == WAIT_OBJECT_0) return false;
  }
  for (CConfigProperty* cp : m_cps) {
    try {
      cp->m_dispatch.InvokeMethod<bool>(kestrum::cp::kReadCache);
    } catch (const COleDispatchException& e) {
      ++m_nFailedPolls;
      LogFailedPoll(cp->GetItemID(), e.m_strDescription);
    }
    if (WaitForStopRequest(0) == WAIT_OBJECT_0) return false;
  }
  return true;
}

DWORD CMonitorThread::Run() {
  SetState(SimpleWorkThreadRunning);
  while (GetState() == SimpleWorkThreadRunning) {
    DWORD t0 = m_tick();
    PollOnce();
    DWORD elapsed = m_tick() - t0;
    DWORD wait = elapsed < kCycleMs ? kCycleMs - elapsed : 0;
    if (m_onWait) m_onWait(wait);
    if (WaitForStopRequest(wait) == WAIT_OBJECT_0) break;
  }
  OnThreadEnd();
  return 1;
}
