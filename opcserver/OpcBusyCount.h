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
  ~COpcBusyScope() { LowerOpcBusyCount(); }
  COpcBusyScope(const COpcBusyScope&) = delete;
  COpcBusyScope& operator=(const COpcBusyScope&) = delete;
};

// A fresh 32-bit server handle for a group or an item: never 0 and never an address. Owners
// look handles up in their own maps, so a stale handle is simply not found.
DWORD NewOpcHandle();
