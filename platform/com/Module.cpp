#include "platform/com/Module.h"

#include <atomic>
#include <cassert>
#include <mutex>

namespace {

std::atomic<LONG> g_lockCount{0};

std::mutex& HandlerMutex() {
  static std::mutex m;
  return m;
}
ModuleIdleHandler g_idleHandler = nullptr;
void* g_idleContext = nullptr;

}  // namespace

LONG ModuleLock() { return ++g_lockCount; }

LONG ModuleUnlock() {
  LONG count = --g_lockCount;
  assert(count >= 0);
  if (count == 0) {
    ModuleIdleHandler handler;
    void* context;
    {
      std::lock_guard<std::mutex> guard(HandlerMutex());
      handler = g_idleHandler;
      context = g_idleContext;
    }
    if (handler) handler(context);
  }
  return count;
}

LONG GetModuleLockCount() { return g_lockCount.load(); }

void SetModuleIdleHandler(ModuleIdleHandler handler, void* context) {
  std::lock_guard<std::mutex> guard(HandlerMutex());
  g_idleHandler = handler;
  g_idleContext = context;
}
