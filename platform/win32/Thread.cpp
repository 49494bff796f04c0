#include "platform/win32/Thread.h"

#include "platform/win32/Messages.h"

#include <atomic>
#include <system_error>
#include <thread>

using namespace tessaly::win32;

namespace {

const HANDLE kCurrentThreadPseudoHandle = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2));

class ThreadObject : public KernelObject {
 public:
  explicit ThreadObject(DWORD id) : m_id(id) {}
  bool IsSignalledLocked() const override { return m_finished; }

  DWORD Id() const { return m_id; }
  // Both under the kernel lock.
  void FinishLocked(DWORD exitCode) {
    m_exitCode = exitCode;
    m_finished = true;
  }
  DWORD ExitCodeLocked() const { return m_finished ? m_exitCode : STILL_ACTIVE; }

  std::atomic<int> priority{THREAD_PRIORITY_NORMAL};

 private:
  const DWORD m_id;
  bool m_finished = false;
  DWORD m_exitCode = 0;
};

std::atomic<DWORD> g_nextThreadId{0x1000};
thread_local DWORD t_threadId = 0;
// The calling thread's own object: set by CreateThread's trampoline, made on demand for
// any other thread (it then only carries the priority).
thread_local std::shared_ptr<ThreadObject> t_self;

DWORD NewThreadId() { return g_nextThreadId.fetch_add(4, std::memory_order_relaxed); }

std::shared_ptr<KernelObject> ResolvePseudoHandle(HANDLE handle) {
  if (handle != kCurrentThreadPseudoHandle) return nullptr;
  if (!t_self) t_self = std::make_shared<ThreadObject>(GetCurrentThreadId());
  return t_self;
}

// The resolver is installed before the first handle exists, at static initialisation.
const bool g_resolverInstalled = [] {
  detail::SetPseudoHandleResolver(&ResolvePseudoHandle);
  return true;
}();

std::shared_ptr<ThreadObject> ThreadOf(HANDLE handle) {
  return std::dynamic_pointer_cast<ThreadObject>(LookupKernelObject(handle));
}

bool IsPriority(int priority) {
  return priority == THREAD_PRIORITY_IDLE || priority == THREAD_PRIORITY_TIME_CRITICAL ||
         (priority >= THREAD_PRIORITY_LOWEST && priority <= THREAD_PRIORITY_HIGHEST);
}

}  // namespace

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                    LPDWORD threadId) {
  (void)g_resolverInstalled;
  if (start == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if ((flags & CREATE_SUSPENDED) != 0) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  auto self = std::make_shared<ThreadObject>(NewThreadId());
  HANDLE handle = RegisterKernelObject(self);
  if (handle == nullptr) return nullptr;
  // Before the thread runs: a PostThreadMessage right after CreateThread must find the queue.
  detail::CreateMessageQueueFor(self->Id());
  try {
    std::thread([self, start, parameter] {
      t_threadId = self->Id();
      t_self = self;
      detail::EnsureMessageQueue();
      const DWORD exitCode = start(parameter);
      detail::EndMessageQueue();
      {
        std::lock_guard<std::mutex> lock(detail::KernelMutex());
        self->FinishLocked(exitCode);
      }
      detail::NotifyKernel();
    }).detach();
  } catch (const std::system_error&) {
    CloseHandle(handle);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (threadId != nullptr) *threadId = self->Id();
  return handle;
}

DWORD GetCurrentThreadId() {
  if (t_threadId == 0) t_threadId = NewThreadId();
  return t_threadId;
}

HANDLE GetCurrentThread() {
  (void)g_resolverInstalled;
  return kCurrentThreadPseudoHandle;
}

DWORD GetThreadId(HANDLE thread) {
  auto object = ThreadOf(thread);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return object->Id();
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
  if (exitCode == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto object = ThreadOf(thread);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(detail::KernelMutex());
  *exitCode = object->ExitCodeLocked();
  return TRUE;
}

BOOL SetThreadPriority(HANDLE thread, int priority) {
  if (!IsPriority(priority)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto object = ThreadOf(thread);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  object->priority.store(priority);
  return TRUE;
}

int GetThreadPriority(HANDLE thread) {
  auto object = ThreadOf(thread);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return THREAD_PRIORITY_ERROR_RETURN;
  }
  return object->priority.load();
}

void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    std::this_thread::yield();
    return;
  }
  if (milliseconds == INFINITE) {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
