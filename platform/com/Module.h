// The module's lock count: live objects and LockServer(TRUE) hold the module loaded (an
// in-process library answers DllCanUnloadNow from it) or running (an out-of-process
// server exits when it drops to zero).
//
// The state lives here, in hidden inline functions, so every shared library and program that
// includes this header keeps a count of its own, as each module does on Windows.
#pragma once

#include <atomic>
#include <cassert>
#include <mutex>

#include "platform/win32/ThisModule.h"
#include "platform/win32/WinTypes.h"

// Called on the thread whose ModuleUnlock brought the count to zero; null clears it.
typedef void (*ModuleIdleHandler)(void* context);

namespace tessaly::module_detail {

struct ModuleState {
  std::atomic<LONG> lockCount{0};
  std::mutex handlerLock;
  ModuleIdleHandler idleHandler = nullptr;
  void* idleContext = nullptr;
};

TESSALY_MODULE_LOCAL inline ModuleState& State() {
  static ModuleState state;
  return state;
}

}  // namespace tessaly::module_detail

// Both return the new count.
TESSALY_MODULE_LOCAL inline LONG ModuleLock() { return ++tessaly::module_detail::State().lockCount; }

TESSALY_MODULE_LOCAL inline LONG ModuleUnlock() {
  auto& state = tessaly::module_detail::State();
  LONG count = --state.lockCount;
  assert(count >= 0);
  if (count == 0) {
    ModuleIdleHandler handler;
    void* context;
    {
      std::lock_guard<std::mutex> guard(state.handlerLock);
      handler = state.idleHandler;
      context = state.idleContext;
    }
    if (handler) handler(context);
  }
  return count;
}

TESSALY_MODULE_LOCAL inline LONG GetModuleLockCount() { return tessaly::module_detail::State().lockCount.load(); }

TESSALY_MODULE_LOCAL inline void SetModuleIdleHandler(ModuleIdleHandler handler, void* context) {
  auto& state = tessaly::module_detail::State();
  std::lock_guard<std::mutex> guard(state.handlerLock);
  state.idleHandler = handler;
  state.idleContext = context;
}

// Holds the module for its lifetime.
class CModuleLock {
 public:
  CModuleLock() { ModuleLock(); }
  ~CModuleLock() { ModuleUnlock(); }
  CModuleLock(const CModuleLock&) = delete;
  CModuleLock& operator=(const CModuleLock&) = delete;
};
