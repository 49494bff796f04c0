// Threads behind waitable handles.
//
// A thread runs on a detached std::thread; its handle is signalled when the start routine
// has returned, so an owner joins by waiting on the handle. Owners must wait on the handle
// before destroying anything the thread uses: nothing else stops a running thread.
// Threads still running at process exit do not crash it (the tables are never torn down).
#pragma once

#include "platform/win32/Handles.h"
#include "platform/win32/WinTypes.h"

typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID);
typedef LPTHREAD_START_ROUTINE PTHREAD_START_ROUTINE;

constexpr DWORD STILL_ACTIVE = 259;
constexpr DWORD CREATE_SUSPENDED = 0x00000004;
constexpr DWORD STACK_SIZE_PARAM_IS_A_RESERVATION = 0x00010000;
constexpr int THREAD_PRIORITY_ERROR_RETURN = 0x7FFFFFFF;

// Starts `start(parameter)` at once. Attributes and stack size are ignored;
// CREATE_SUSPENDED is not supported (null, ERROR_NOT_SUPPORTED). `threadId` (optional)
// receives the id that GetCurrentThreadId returns inside the thread. The new thread has
// its message queue from the start, so PostThreadMessage to it never misses.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, LPDWORD threadId);

// A stable, non-zero 32-bit id of the calling thread, for any thread.
DWORD GetCurrentThreadId();
// A pseudo-handle meaning "the calling thread"; need not be closed.
HANDLE GetCurrentThread();
// The id of the thread behind a handle, 0 for a bad handle.
DWORD GetThreadId(HANDLE thread);

// STILL_ACTIVE while running, then the start routine's result.
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);

// Priorities are recorded and read back but do not change the scheduling (raising needs
// privileges and lowering cannot be undone without them). FALSE only for a bad handle or
// a value that is no priority.
BOOL SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);

// Real time, not the injectable clock. Sleep(0) yields.
void Sleep(DWORD milliseconds);
