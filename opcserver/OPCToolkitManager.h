// The global registry of the statistics records of live OPC servers, groups and items, and the
// statistics lock that guards every record, every link and every copy. The statistics lock is
// the innermost lock of the OPC side: it is taken inside server and group locks, never the
// other way round, and nothing is called out of this registry while it is held.
#pragma once

#include <deque>
#include <unordered_map>

#include "foundation/shared/MyCriticalSection.h"
#include "opcserver/SpyObjects.h"

class COPCDiagnosticManager {
 public:
  virtual ~COPCDiagnosticManager() = default;
};

class COPCToolkitManager : public COPCDiagnosticManager {
 public:
  COPCToolkitManager() = default;
  COPCToolkitManager(const COPCToolkitManager&) = delete;
  COPCToolkitManager& operator=(const COPCToolkitManager&) = delete;
  ~COPCToolkitManager() override = default;

  CMyCriticalSection& GetLock() { return m_lock; }

  void AddServer(CSpyOPCServer* server);
  void RemoveServer(CSpyOPCServer* server);
  // Links a group record under its server record and indexes it; and back.
  void AttachGroup(CSpyOPCServer* server, CSpyOPCGroup* group);
  void DetachGroup(CSpyOPCGroup* group);
  void AttachItem(CSpyOPCGroup* group, CSpyOPCItem* item);
  // Room for `more` item records, so a large AddItems does not grow the index as it goes.
  void ReserveItems(size_t more);
  void DetachItem(CSpyOPCItem* item);

  // Copies of a record by key; false (out untouched) when the key is not live.
  bool GetServerInfo(DWORD key, CServerInfo& out);
  bool GetGroupInfo(DWORD key, CGroupInfo& out);
  bool GetItemInfo(DWORD key, CItemInfo& out);
  // Appends keys; nothing for an unknown parent. Always true.
  bool ListServers(std::deque<DWORD>& keys);
  bool ListGroups(DWORD serverKey, std::deque<DWORD>& keys);
  bool ListItems(DWORD groupKey, std::deque<DWORD>& keys);
  // The group's item keys only when its items came or went since `version` was taken (0: never);
  // then true, with version brought up to date. An unknown group: true, no keys, version 0.
  bool ListItemsIfChanged(DWORD groupKey, uint64_t& version, std::deque<DWORD>& keys);

 private:
  CMyCriticalSection m_lock;
  uint64_t m_nLastVersion = 0;
  CSpyObjectT<CSpyOPCServer> m_root;
  std::unordered_map<DWORD, CSpyOPCServer*> m_servers;
  std::unordered_map<DWORD, CSpyOPCGroup*> m_groups;
  std::unordered_map<DWORD, CSpyOPCItem*> m_items;
};

// Room in a hash index for `more` entries, at least doubling when it grows: a large batch
// does not rehash as it goes, and many small ones do not rehash each time.
template <class Map>
void ReserveRoom(Map& map, size_t more) {
  size_t wanted = map.size() + more;
  if (static_cast<float>(wanted) <= static_cast<float>(map.bucket_count()) * map.max_load_factor()) return;
  map.reserve(wanted > 2 * map.size() ? wanted : 2 * map.size());
}

COPCToolkitManager& GetOPCToolkitManager();

// The statistics lock, for the scope.
class CSpyLock : public CMyCriticalSectionLock {
 public:
  CSpyLock() : CMyCriticalSectionLock(GetOPCToolkitManager().GetLock()) {}
};
