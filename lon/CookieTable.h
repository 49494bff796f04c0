// Maps the 32-bit cookies that the control keeps for us to live proxies. Pointers do not fit in
// the control's 32-bit properties, and a cookie of a proxy that is gone must not lead anywhere.
#pragma once

#include <mutex>
#include <unordered_map>

#include "platform/win32/WinTypes.h"

class CCookieTable {
 public:
  // A new non-zero cookie for the object.
  DWORD Register(void* object);
  void Unregister(DWORD cookie);
  // The live object of the cookie, or null (cookie 0, unknown or gone).
  void* Lookup(DWORD cookie);

 private:
  std::mutex m_mutex;
  std::unordered_map<DWORD, void*> m_objects;
};

// One table per proxy kind. Cookies are numbered across all tables, so a cookie of one kind never
// yields a proxy of the other.
CCookieTable& GetNvCookieTable();
CCookieTable& GetCpCookieTable();
