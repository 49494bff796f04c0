// Kernel objects (events, threads) behind HANDLE values, the waits on them and the
// thread's last-error value.
//
// A HANDLE is a small integer from a process-wide table, never an object address, so a
// stale or forged value is simply not found. The table holds a reference to its object;
// a wait in progress holds another, so CloseHandle on one thread never pulls an object
// out from under a waiter on another.
//
// Every kernel object's signalled state lives under one process-wide lock with one
// condition variable: a state change notifies all waiters, each re-checks its own
// condition. That makes wait-all atomic and leaves no room for a lost wake-up. Timeouts
// are measured on the real monotonic clock, not on the injectable clock of Time.h.
#pragma once

#include "platform/win32/WinTypes.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;
typedef SECURITY_ATTRIBUTES* PSECURITY_ATTRIBUTES;

// The calling thread's last error (a Win32 error code).
DWORD GetLastError();
void SetLastError(DWORD error);

// FALSE with ERROR_INVALID_HANDLE when the value names no open handle.
BOOL CloseHandle(HANDLE handle);

// WAIT_OBJECT_0, WAIT_TIMEOUT, or WAIT_FAILED (bad handle: ERROR_INVALID_HANDLE).
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

// WAIT_OBJECT_0 + i for the first signalled object (wait-any) or WAIT_OBJECT_0 when all
// are signalled (wait-all; auto-reset events are consumed together, or none of them),
// WAIT_TIMEOUT, or WAIT_FAILED: a bad handle (ERROR_INVALID_HANDLE), no handles, more
// than MAXIMUM_WAIT_OBJECTS, or the same object twice in a wait-all
// (ERROR_INVALID_PARAMETER).
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);

namespace tessaly::win32 {

// Something a HANDLE can name. The two state hooks run with KernelMutex() held.
class KernelObject {
 public:
  virtual ~KernelObject() = default;
  virtual bool IsSignalledLocked() const = 0;
  // A wait was satisfied by this object (auto-reset events reset here).
  virtual void OnAcquiredLocked() {}
};

// Adds the object to the table; null (ERROR_OUTOFMEMORY) only when the table is full.
HANDLE RegisterKernelObject(std::shared_ptr<KernelObject> object);
// The object behind an open handle, or null. Pseudo-handles (GetCurrentThread) resolve too.
std::shared_ptr<KernelObject> LookupKernelObject(HANDLE handle);

namespace detail {

// The one lock behind every kernel object's state, the message queues and the windows.
std::mutex& KernelMutex();
std::condition_variable& KernelCondition();
// Wakes every waiter to re-check; call after changing state under KernelMutex() (the lock
// may be held or already released).
void NotifyKernel();

// Resolves a pseudo-handle of the calling thread (set by Thread.cpp).
void SetPseudoHandleResolver(std::shared_ptr<KernelObject> (*resolver)(HANDLE));
std::shared_ptr<KernelObject> LookupKernelObjectLocked(HANDLE handle);

// The general wait. With `lock` holding KernelMutex(): waits for the objects (any or all)
// or for `extraReady()` (then returns WAIT_OBJECT_0 + count), up to `milliseconds`.
// `nextRecheck()` may give an earlier moment at which to re-check `extraReady` (timers);
// both callbacks may be empty and run with the lock held. count may be 0 when extraReady
// is given.
DWORD WaitLocked(std::unique_lock<std::mutex>& lock, DWORD count, const HANDLE* handles, BOOL waitAll,
                 DWORD milliseconds, const std::function<bool()>& extraReady,
                 const std::function<std::chrono::steady_clock::time_point()>& nextRecheck);

}  // namespace detail
}  // namespace tessaly::win32
