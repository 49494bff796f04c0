#include "lon/CookieTable.h"

#include <atomic>

namespace {
std::atomic<DWORD> g_nextCookie{1};
}

DWORD CCookieTable::Register(void* object) {
  std::lock_guard<std::mutex> lock(m_mutex);
  DWORD cookie = g_nextCookie.fetch_add(1);
  while (cookie == 0 || m_objects.count(cookie) != 0) cookie = g_nextCookie.fetch_add(1);
  m_objects[cookie] = object;
  return cookie;
}

void CCookieTable::Unregister(DWORD cookie) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_objects.erase(cookie);
}

void* CCookieTable::Lookup(DWORD cookie) {
  if (cookie == 0) return nullptr;
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_objects.find(cookie);
  return it == m_objects.end() ? nullptr : it->second;
}

CCookieTable& GetNvCookieTable() {
  static CCookieTable table;
  return table;
}

CCookieTable& GetCpCookieTable() {
  static CCookieTable table;
  return table;
}
