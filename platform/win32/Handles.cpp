#include "platform/win32/Handles.h"

#include <unordered_map>
#include <vector>

namespace tessaly::win32 {
namespace {

// Never destroyed: detached threads may still wait or close handles during process exit.
struct Kernel {
  std::mutex mutex;
  std::condition_variable condition;
  std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> handles;
  uintptr_t nextHandle = 0x100;
  std::shared_ptr<KernelObject> (*pseudoResolver)(HANDLE) = nullptr;
};

Kernel& TheKernel() {
  static Kernel* kernel = new Kernel;
  return *kernel;
}

thread_local DWORD t_lastError = 0;

}  // namespace

namespace detail {

std::mutex& KernelMutex() { return TheKernel().mutex; }
std::condition_variable& KernelCondition() { return TheKernel().condition; }
void NotifyKernel() { TheKernel().condition.notify_all(); }

void SetPseudoHandleResolver(std::shared_ptr<KernelObject> (*resolver)(HANDLE)) {
  std::lock_guard<std::mutex> lock(KernelMutex());
  TheKernel().pseudoResolver = resolver;
}

std::shared_ptr<KernelObject> LookupKernelObjectLocked(HANDLE handle) {
  Kernel& kernel = TheKernel();
  auto it = kernel.handles.find(reinterpret_cast<uintptr_t>(handle));
  if (it != kernel.handles.end()) return it->second;
  if (kernel.pseudoResolver != nullptr) return kernel.pseudoResolver(handle);
  return nullptr;
}

DWORD WaitLocked(std::unique_lock<std::mutex>& lock, DWORD count, const HANDLE* handles, BOOL waitAll,
                 DWORD milliseconds, const std::function<bool()>& extraReady,
                 const std::function<std::chrono::steady_clock::time_point()>& nextRecheck) {
  if (count > MAXIMUM_WAIT_OBJECTS || (count > 0 && handles == nullptr) || (count == 0 && !extraReady)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::vector<std::shared_ptr<KernelObject>> objects;
  objects.reserve(count);
  for (DWORD i = 0; i < count; ++i) {
    std::shared_ptr<KernelObject> object = LookupKernelObjectLocked(handles[i]);
    if (!object) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    if (waitAll) {
      for (const auto& seen : objects) {
        if (seen == object) {
          SetLastError(ERROR_INVALID_PARAMETER);
          return WAIT_FAILED;
        }
      }
    }
    objects.push_back(std::move(object));
  }

  using steady = std::chrono::steady_clock;
  const bool infinite = milliseconds == INFINITE;
  const steady::time_point deadline = infinite ? steady::time_point::max()
                                               : steady::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    if (count > 0) {
      if (waitAll) {
        bool all = true;
        for (const auto& object : objects) all = all && object->IsSignalledLocked();
        if (all) {
          for (const auto& object : objects) object->OnAcquiredLocked();
          return WAIT_OBJECT_0;
        }
      } else {
        for (DWORD i = 0; i < count; ++i) {
          if (objects[i]->IsSignalledLocked()) {
            objects[i]->OnAcquiredLocked();
            return WAIT_OBJECT_0 + i;
          }
        }
      }
    }
    if (extraReady && extraReady()) return WAIT_OBJECT_0 + count;

    const steady::time_point now = steady::now();
    if (!infinite && now >= deadline) return WAIT_TIMEOUT;
    steady::time_point until = deadline;
    if (nextRecheck) until = std::min(until, nextRecheck());
    if (until == steady::time_point::max()) {
      TheKernel().condition.wait(lock);
    } else {
      TheKernel().condition.wait_until(lock, until);
    }
  }
}

}  // namespace detail

HANDLE RegisterKernelObject(std::shared_ptr<KernelObject> object) {
  if (!object) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Kernel& kernel = TheKernel();
  std::lock_guard<std::mutex> lock(kernel.mutex);
  // Values are never reused, so a stale handle cannot reach a newer object.
  if (kernel.nextHandle >= (static_cast<uintptr_t>(1) << 30)) {
    SetLastError(ERROR_OUTOFMEMORY);
    return nullptr;
  }
  const uintptr_t value = kernel.nextHandle;
  kernel.nextHandle += 4;
  kernel.handles.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupKernelObject(HANDLE handle) {
  std::lock_guard<std::mutex> lock(detail::KernelMutex());
  return detail::LookupKernelObjectLocked(handle);
}

}  // namespace tessaly::win32

using namespace tessaly::win32;

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD error) { t_lastError = error; }

BOOL CloseHandle(HANDLE handle) {
  std::shared_ptr<KernelObject> released;  // destroyed after the lock is dropped
  {
    std::lock_guard<std::mutex> lock(detail::KernelMutex());
    auto& handles = TheKernel().handles;
    auto it = handles.find(reinterpret_cast<uintptr_t>(handle));
    if (it == handles.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    released = std::move(it->second);
    handles.erase(it);
  }
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
  if (count == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::unique_lock<std::mutex> lock(detail::KernelMutex());
  return detail::WaitLocked(lock, count, handles, waitAll, milliseconds, {}, {});
}
