#include "opcserver/OPCToolkitManager.h"

#include <atomic>

#include "platform/com/Variant.h"

DWORD NewSpyKey() {
  static std::atomic<DWORD> next{0};
  DWORD key;
  do key = ++next;
  while (key == 0);
  return key;
}

CString VariantText(const VARIANT& value) {
  VARIANT text;
  VariantInit(&text);
  CString result;
  if (SUCCEEDED(VariantChangeType(&text, &value, 0, VT_BSTR)) && text.vt == VT_BSTR && text.bstrVal)
    result = text.bstrVal;
  VariantClear(&text);
  return result;
}

CServerInfo CSpyOPCServer::GetCopy() const {
  CServerInfo copy = m_info;
  copy.m_dwKey = m_dwKey;
  return copy;
}

CGroupInfo CSpyOPCGroup::GetCopy() const {
  CGroupInfo copy = m_info;
  if (m_pParent) {
    copy.m_strClientName = m_pParent->m_info.m_strName;
    copy.m_dwServerKey = m_pParent->m_dwKey;
  }
  copy.m_dwKey = m_dwKey;
  return copy;
}

CItemInfo CSpyOPCItem::GetCopy() const {
  CItemInfo copy = m_info;
  copy.m_strValue = VariantText(m_value);
  if (m_pParent) {
    copy.m_strGroupName = m_pParent->m_info.m_strName;
    if (m_pParent->m_pParent) copy.m_strClientName = m_pParent->m_pParent->m_info.m_strName;
  }
  copy.m_dwKey = m_dwKey;
  return copy;
}

COPCToolkitManager& GetOPCToolkitManager() {
  // Never destroyed: update threads may still stamp records while the process ends.
  static COPCToolkitManager* manager = new COPCToolkitManager;
  return *manager;
}

void COPCToolkitManager::AddServer(CSpyOPCServer* server) {
  CMyCriticalSectionLock lock(m_lock);
  m_root.m_children[server->m_dwKey] = server;
  m_servers[server->m_dwKey] = server;
}

void COPCToolkitManager::RemoveServer(CSpyOPCServer* server) {
  CMyCriticalSectionLock lock(m_lock);
  m_root.m_children.erase(server->m_dwKey);
  m_servers.erase(server->m_dwKey);
  for (auto& entry : server->m_children) entry.second->m_pParent = nullptr;
}

void COPCToolkitManager::AttachGroup(CSpyOPCServer* server, CSpyOPCGroup* group) {
  CMyCriticalSectionLock lock(m_lock);
  server->m_children[group->m_dwKey] = group;
  group->m_pParent = server;
  m_groups[group->m_dwKey] = group;
}

void COPCToolkitManager::DetachGroup(CSpyOPCGroup* group) {
  CMyCriticalSectionLock lock(m_lock);
  if (group->m_pParent) group->m_pParent->m_children.erase(group->m_dwKey);
  group->m_pParent = nullptr;
  m_groups.erase(group->m_dwKey);
}

void COPCToolkitManager::ReserveItems(size_t more) {
  CMyCriticalSectionLock lock(m_lock);
  ReserveRoom(m_items, more);
}

void COPCToolkitManager::AttachItem(CSpyOPCGroup* group, CSpyOPCItem* item) {
  CMyCriticalSectionLock lock(m_lock);
  // Keys only grow, so a new item's place is at the end.
  group->m_children.insert_or_assign(group->m_children.end(), item->m_dwKey, item);
  group->m_nChildrenVersion = ++m_nLastVersion;
  item->m_pParent = group;
  m_items[item->m_dwKey] = item;
}

void COPCToolkitManager::DetachItem(CSpyOPCItem* item) {
  CMyCriticalSectionLock lock(m_lock);
  if (item->m_pParent) {
    item->m_pParent->m_children.erase(item->m_dwKey);
    item->m_pParent->m_nChildrenVersion = ++m_nLastVersion;
  }
  item->m_pParent = nullptr;
  m_items.erase(item->m_dwKey);
}

bool COPCToolkitManager::GetServerInfo(DWORD key, CServerInfo& out) {
  CMyCriticalSectionLock lock(m_lock);
  auto it = m_servers.find(key);
  if (it == m_servers.end()) return false;
  out = it->second->GetCopy();
  return true;
}

bool COPCToolkitManager::GetGroupInfo(DWORD key, CGroupInfo& out) {
  CMyCriticalSectionLock lock(m_lock);
  auto it = m_groups.find(key);
  if (it == m_groups.end()) return false;
  out = it->second->GetCopy();
  return true;
}

bool COPCToolkitManager::GetItemInfo(DWORD key, CItemInfo& out) {
  CMyCriticalSectionLock lock(m_lock);
  auto it = m_items.find(key);
  if (it == m_items.end()) return false;
  out = it->second->GetCopy();
  return true;
}

bool COPCToolkitManager::ListServers(std::deque<DWORD>& keys) {
  CMyCriticalSectionLock lock(m_lock);
  for (auto& entry : m_root.m_children) keys.push_back(entry.first);
  return true;
}

bool COPCToolkitManager::ListGroups(DWORD serverKey, std::deque<DWORD>& keys) {
  CMyCriticalSectionLock lock(m_lock);
  auto it = m_servers.find(serverKey);
  if (it != m_servers.end())
    for (auto& entry : it->second->m_children) keys.push_back(entry.first);
  return true;
}

bool COPCToolkitManager::ListItems(DWORD groupKey, std::deque<DWORD>& keys) {
  CMyCriticalSectionLock lock(m_lock);
  auto it = m_groups.find(groupKey);
  if (it != m_groups.end())
    for (auto& entry : it->second->m_children) keys.push_back(entry.first);
  return true;
}

bool COPCToolkitManager::ListItemsIfChanged(DWORD groupKey, uint64_t& version, std::deque<DWORD>& keys) {
  CMyCriticalSectionLock lock(m_lock);
  auto it = m_groups.find(groupKey);
  if (it == m_groups.end()) {
    version = 0;
    return true;
  }
  // A group with no item ever attached has version 0 too: it lists (nothing) each time.
  if (version != 0 && it->second->m_nChildrenVersion == version) return false;
  version = it->second->m_nChildrenVersion;
  for (auto& entry : it->second->m_children) keys.push_back(entry.first);
  return true;
}
