// Polls the NVs and CPs the tag view shows, at most once every 500 ms, so that their values stay
// current without an OPC client.
#pragma once

#include <deque>
#include <functional>
#include <set>

#include "foundation/SimpleWorkThread.h"
#include "foundation/shared/MyCriticalSection.h"
#include "lon/LonDatabaseManager.h"

class CTreeObject;
class CNetworkVariable;
class CConfigProperty;

class CMonitorThread : public CSimpleWorkThread, public CLonProxyUser {
 public:
  static constexpr DWORD kCycleMs = 500;

  CMonitorThread();
  ~CMonitorThread() override;

  // NV objects (and their children) and CP objects of the set join the queues.
  void AddObjects(const std::set<CTreeObject*>& objects);
  // Empties both queues, switching the control's monitoring of their NVs off where it was last.
  void Clear();
  // Drops the proxies of devices about to be deleted.
  void OnNodesRemoving(const std::list<CLonNode*>& nodes) override;

  size_t GetNvCount();
  size_t GetCpCount();
  // Failing polls so far (caught and logged).
  int GetFailedPolls() const { return m_nFailedPolls.load(); }

  // Tests replace the tick source and the wait between cycles.
  std::function<DWORD()> m_tick;
  std::function<void(DWORD)> m_onWait;  // called with the ms about to be waited

 protected:
  DWORD Run() override;
  // One polling round; false when a stop was asked for during it.
  bool PollOnce();

 private:
  void AddNvLocked(CNetworkVariable* nv);
  void AddObjectLocked(CTreeObject* object);
  void ReleaseNvLocked(CNetworkVariable* nv);

  std::deque<CNetworkVariable*> m_nvs;
  std::deque<CConfigProperty*> m_cps;
  std::multiset<CNetworkVariable*> m_uncounted;  // entries whose monitor request the control refused
  CMyCriticalSection m_queueLock;
  std::atomic<int> m_nFailedPolls{0};
};
