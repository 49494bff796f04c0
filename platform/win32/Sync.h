// Critical sections, events and the interlocked operations.
#pragma once

#include "platform/win32/Handles.h"
#include "platform/win32/WinTypes.h"

#include <mutex>

// A recursive lock. The mutex lives as long as the struct, so Initialize and Delete only
// bracket its use; a section must not be held when it is deleted or destroyed.
struct CRITICAL_SECTION {
  std::recursive_mutex mutex;
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;
typedef CRITICAL_SECTION* PCRITICAL_SECTION;

void InitializeCriticalSection(LPCRITICAL_SECTION section);
// The spin count has no meaning here; always TRUE.
BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION section, DWORD spinCount);
void EnterCriticalSection(LPCRITICAL_SECTION section);
// TRUE when the lock was taken (or is already held by this thread, once more).
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);

// Events. The security attributes are ignored. A named event is shared: a second
// CreateEvent with the same name opens the existing one (its own flags are ignored) and
// sets ERROR_ALREADY_EXISTS.
HANDLE CreateEventW(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState, LPCWSTR name);
inline HANDLE CreateEvent(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState, LPCWSTR name) {
  return CreateEventW(attributes, manualReset, initialState, name);
}
// FALSE with ERROR_INVALID_HANDLE for a handle that is not an event.
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// Interlocked operations: sequentially consistent atomics on plain (volatile) fields.
// Increment/Decrement return the new value; Exchange, ExchangeAdd and CompareExchange the
// value found.
inline LONG InterlockedIncrement(LONG volatile* target) { return __atomic_add_fetch(target, 1, __ATOMIC_SEQ_CST); }
inline LONG InterlockedDecrement(LONG volatile* target) { return __atomic_sub_fetch(target, 1, __ATOMIC_SEQ_CST); }
inline LONG InterlockedExchange(LONG volatile* target, LONG value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedExchangeAdd(LONG volatile* target, LONG value) {
  return __atomic_fetch_add(target, value, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand) {
  __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}
inline LONGLONG InterlockedIncrement64(LONGLONG volatile* target) {
  return __atomic_add_fetch(target, 1, __ATOMIC_SEQ_CST);
}
inline LONGLONG InterlockedDecrement64(LONGLONG volatile* target) {
  return __atomic_sub_fetch(target, 1, __ATOMIC_SEQ_CST);
}
inline LONGLONG InterlockedExchange64(LONGLONG volatile* target, LONGLONG value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
inline LONGLONG InterlockedExchangeAdd64(LONGLONG volatile* target, LONGLONG value) {
  return __atomic_fetch_add(target, value, __ATOMIC_SEQ_CST);
}
inline LONGLONG InterlockedCompareExchange64(LONGLONG volatile* target, LONGLONG exchange, LONGLONG comparand) {
  __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}
inline PVOID InterlockedExchangePointer(PVOID volatile* target, PVOID value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
inline PVOID InterlockedCompareExchangePointer(PVOID volatile* target, PVOID exchange, PVOID comparand) {
  __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}
