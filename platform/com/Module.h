// The module's lock count: live objects and LockServer(TRUE) hold the module loaded (an
// in-process library answers DllCanUnloadNow from it) or running (an out-of-process
// server exits when it drops to zero).
//
// The functions have hidden visibility, so every shared library and program that links
// this library keeps a count of its own.
#pragma once

#include "platform/win32/WinTypes.h"

#define TESSALY_MODULE_LOCAL __attribute__((visibility("hidden")))

// Both return the new count.
TESSALY_MODULE_LOCAL LONG ModuleLock();
TESSALY_MODULE_LOCAL LONG ModuleUnlock();
TESSALY_MODULE_LOCAL LONG GetModuleLockCount();

// Called on the thread whose ModuleUnlock brought the count to zero; null clears it.
typedef void (*ModuleIdleHandler)(void* context);
TESSALY_MODULE_LOCAL void SetModuleIdleHandler(ModuleIdleHandler handler, void* context);

// Holds the module for its lifetime.
class CModuleLock {
 public:
  CModuleLock() { ModuleLock(); }
  ~CModuleLock() { ModuleUnlock(); }
  CModuleLock(const CModuleLock&) = delete;
  CModuleLock& operator=(const CModuleLock&) = delete;
};
