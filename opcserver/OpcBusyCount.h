// g_nOpcBusyCount: raised by item management (and by a server deleting its groups) so that the
// update threads' tag refresh gives way at once.
#pragma once

#include <atomic>

#include "platform/win32/WinTypes.h"

extern std::atomic<LONG> g_nOpcBusyCount;

// Lowers only when above 0.
void LowerOpcBusyCount();

class COpcBusyScope {
 public:
  COpcBusyScope() { ++g_nOpcBusyCount; }
  ~COpcBusyScope() { Leave(); }
  // Lowers the count early (once): item management calls it before it lets the group lock go,
  // so the update thread that takes the lock next does not give way to work already done.
  void Leave() {
    if (m_bRaised) LowerOpcBusyCount();
    m_bRaised = false;
  }
  COpcBusyScope(const COpcBusyScope&) = delete;
  COpcBusyScope& operator=(const COpcBusyScope&) = delete;

 private:
  bool m_bRaised = true;
};

// A fresh 32-bit server handle for a group or an item: never 0 and never an address. Owners
// look handles up in their own maps, so a stale handle is simply not found.
DWORD NewOpcHandle();
