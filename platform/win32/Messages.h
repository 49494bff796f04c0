// Hidden windows, per-thread message queues and window timers.
//
// A window (HWND, a small integer from a table, never an address) has a window procedure
// and an owning thread: the thread that created it. Its procedure runs only on that
// thread: posted messages wait in the owner's queue, sent messages from other threads are
// handed to the owner and served whenever it looks at its queue (GetMessage, PeekMessage,
// PumpPendingMessages, MsgWaitForMultipleObjects is only a wait) or while it is itself
// waiting in SendMessage.
//
// Every thread gets a queue on first use. When a thread ends, its windows disappear
// (without WM_DESTROY: their procedures cannot run any more), its timers stop and senders
// waiting on it get 0.
//
// Timers run on the injectable clock's ticks (Time.h): a timer that is due is reported as
// one WM_TIMER when its thread looks at its queue and no posted message is waiting, however
// many periods have passed; the next period starts when it is taken.
#pragma once

#include "platform/win32/Handles.h"
#include "platform/win32/WinTypes.h"

#include <functional>

constexpr int GWLP_WNDPROC = -4;
constexpr int GWLP_USERDATA = -21;

// GetMessage/PeekMessage window filter meaning "thread messages only" (hwnd null).
#define HWND_THREAD_MESSAGES (reinterpret_cast<HWND>(static_cast<intptr_t>(-1)))

constexpr UINT USER_TIMER_MINIMUM = 0x0000000A;
constexpr UINT USER_TIMER_MAXIMUM = 0x7FFFFFFF;

constexpr DWORD QS_KEY = 0x0001;
constexpr DWORD QS_MOUSEMOVE = 0x0002;
constexpr DWORD QS_MOUSEBUTTON = 0x0004;
constexpr DWORD QS_POSTMESSAGE = 0x0008;
constexpr DWORD QS_TIMER = 0x0010;
constexpr DWORD QS_PAINT = 0x0020;
constexpr DWORD QS_SENDMESSAGE = 0x0040;
constexpr DWORD QS_HOTKEY = 0x0080;
constexpr DWORD QS_ALLPOSTMESSAGE = 0x0100;
constexpr DWORD QS_INPUT = QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_KEY;
constexpr DWORD QS_ALLEVENTS = QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY;
constexpr DWORD QS_ALLINPUT = QS_ALLEVENTS | QS_SENDMESSAGE;

constexpr LONG ERROR_INVALID_THREAD_ID = 1444;

// ---- windows ---------------------------------------------------------------------------
// A hidden window of the calling thread that receives messages; `userData` is its
// GWLP_USERDATA. Null (ERROR_INVALID_PARAMETER) without a procedure. No WM_CREATE is sent.
HWND CreateMessageWindow(WNDPROC procedure, void* userData);
// Sends WM_DESTROY, then WM_NCDESTROY, to the procedure on the owning thread (from
// another thread it waits for the owner to do it), then the handle is gone: its timers
// stop, messages still queued for it are dropped, waiting senders get 0.
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
// The owning thread's id (0 for a bad window); `processId` gets the process id.
DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId);

// GWLP_USERDATA or GWLP_WNDPROC; 0 (ERROR_INVALID_WINDOW_HANDLE or
// ERROR_INVALID_PARAMETER) otherwise. Set returns the previous value.
LONG_PTR GetWindowLongPtrW(HWND hwnd, int index);
LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value);
inline LONG_PTR GetWindowLongPtr(HWND hwnd, int index) { return GetWindowLongPtrW(hwnd, index); }
inline LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) { return SetWindowLongPtrW(hwnd, index, value); }

// 0 for everything, except WM_CLOSE, which destroys the window.
LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
inline LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// ---- posting and sending -------------------------------------------------------------
// Queues on the window's owning thread; FALSE (ERROR_INVALID_WINDOW_HANDLE) for a window
// that is gone, and the message is dropped. A null window posts to the calling thread.
BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
inline BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return PostMessageW(hwnd, message, wParam, lParam);
}
// FALSE (ERROR_INVALID_THREAD_ID) for a thread without a queue.
BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
inline BOOL PostThreadMessage(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
  return PostThreadMessageW(threadId, message, wParam, lParam);
}
// Calls the procedure and returns its result. On the owning thread the call is direct;
// from another thread the message is handed over and the sender waits, serving messages
// sent to itself meanwhile (two threads sending to each other do not deadlock). 0 when
// the window is gone or is destroyed, or its thread ends, before the call is served.
LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
inline LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageW(hwnd, message, wParam, lParam);
}
// Asks the calling thread's loop to end: GetMessage returns WM_QUIT (0) with wParam =
// exitCode once no posted message is left.
void PostQuitMessage(int exitCode);

// ---- taking messages -----------------------------------------------------------------
// Filters: hwnd null = every message of the thread, HWND_THREAD_MESSAGES = thread
// messages only, else that window's; min = max = 0 = every message, else min..max.
// WM_QUIT passes every filter. Incoming sent messages are served first.
//
// Blocks until a message comes; 0 for WM_QUIT, -1 for a bad window filter or null msg.
BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax);
inline BOOL GetMessage(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  return GetMessageW(msg, hwnd, filterMin, filterMax);
}
// Never blocks; PM_REMOVE takes the message, PM_NOREMOVE leaves it queued.
BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
inline BOOL PeekMessage(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  return PeekMessageW(msg, hwnd, filterMin, filterMax, removeFlags);
}
// Calls the window's procedure (on its owning thread only), or for WM_TIMER with a timer
// procedure that procedure (only while that timer exists). A message for a window gone
// since it was posted is dropped (0).
LRESULT DispatchMessageW(const MSG* msg);
inline LRESULT DispatchMessage(const MSG* msg) { return DispatchMessageW(msg); }
inline BOOL TranslateMessage(const MSG*) { return FALSE; }

// Waits for the objects (as WaitForMultipleObjects) or for input in the calling thread's
// queue of the kinds in wakeMask (QS_*; then WAIT_OBJECT_0 + count). Input already
// waiting counts, not only input that arrived since the last look.
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                                DWORD wakeMask);

// ---- timers ----------------------------------------------------------------------------
// A timer of the window (on its owning thread); a second SetTimer with the same id
// restarts it with the new period. Periods are kept within USER_TIMER_MINIMUM..MAXIMUM.
// Returns the id (1 for id 0); with a null window a new thread timer of the calling thread
// and its generated id. 0 for a window that is gone.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT milliseconds, TIMERPROC procedure);
// FALSE when there is no such timer.
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// ---- toolkit hook ----------------------------------------------------------------------
namespace tessaly::win32 {

// Called (from any thread, no lock held) whenever something is posted or sent to that
// thread's queue or one of its timers is set, so a GUI toolkit's event loop can schedule
// PumpPendingMessages on that thread. An empty function removes it.
void SetQueueWakeHook(DWORD threadId, std::function<void()> hook);

// Serves the calling thread's sent messages and dispatches the posted messages and due
// timers waiting now, without blocking; messages posted meanwhile wait for the next pump
// (the hook announces them). A quit request stays for GetMessage/PeekMessage. Returns the
// number of messages handled.
int PumpPendingMessages();

// Milliseconds until the calling thread's next timer is due (0 when one is due), INFINITE
// when it has none: a toolkit loop pumps again at that time.
DWORD MillisecondsUntilNextTimer();

namespace detail {
// Gives the calling thread its queue now (CreateThread does so for its threads).
void EnsureMessageQueue();
// Makes the queue of a thread that is about to start, so posts to it never miss.
void CreateMessageQueueFor(DWORD threadId);
// Ends the calling thread's queue as its thread ends: its windows go, waiting senders get
// 0. Runs by itself when any thread exits; CreateThread's threads call it before their
// handle is signalled.
void EndMessageQueue();
}  // namespace detail

}  // namespace tessaly::win32
