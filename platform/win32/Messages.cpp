#include "platform/win32/Messages.h"

#include "platform/win32/Thread.h"
#include "platform/win32/Time.h"

#include <unistd.h>

#include <algorithm>
#include <deque>
#include <unordered_map>
#include <utility>
#include <vector>

using namespace tessaly::win32;

namespace {

using steady = std::chrono::steady_clock;

// A message sent from another thread, or a DestroyWindow asked of the owner.
struct SentItem {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  bool destroy = false;
  LRESULT result = 0;
  bool done = false;
};

struct Timer {
  HWND hwnd;
  UINT_PTR id;
  UINT period;
  TIMERPROC procedure;
  ULONGLONG due;
};

struct Queue {
  explicit Queue(DWORD id) : threadId(id) {}
  const DWORD threadId;
  bool ended = false;
  std::deque<MSG> posted;
  std::deque<std::shared_ptr<SentItem>> sent;
  bool quit = false;
  int quitCode = 0;
  std::vector<Timer> timers;
  std::function<void()> wakeHook;
};

struct Window {
  WNDPROC procedure;
  LONG_PTR userData;
  std::shared_ptr<Queue> queue;
  bool destroying = false;
};

// Everything below is guarded by the kernel lock. Never destroyed: detached threads may
// still post during process exit.
struct MessageState {
  std::unordered_map<uintptr_t, std::shared_ptr<Window>> windows;
  std::unordered_map<DWORD, std::shared_ptr<Queue>> queues;
  uintptr_t nextWindow = 0x10010;
  UINT_PTR nextThreadTimer = 1;
};

MessageState& State() {
  static MessageState* state = new MessageState;
  return *state;
}

std::mutex& Mutex() { return detail::KernelMutex(); }

void EndQueue(const std::shared_ptr<Queue>& queue);

// Ends the thread's queue when the thread exits, whoever started it.
struct QueueHolder {
  std::shared_ptr<Queue> queue;
  ~QueueHolder() {
    if (queue) EndQueue(queue);
  }
};
thread_local QueueHolder t_queue;

std::shared_ptr<Queue> QueueOfThreadLocked(DWORD threadId) {
  auto& queues = State().queues;
  auto it = queues.find(threadId);
  if (it != queues.end()) return it->second;
  auto queue = std::make_shared<Queue>(threadId);
  queues.emplace(threadId, queue);
  return queue;
}

std::shared_ptr<Queue> CurrentQueueLocked() {
  if (!t_queue.queue) t_queue.queue = QueueOfThreadLocked(GetCurrentThreadId());
  return t_queue.queue;
}

std::shared_ptr<Window> FindWindowLocked(HWND hwnd) {
  auto& windows = State().windows;
  auto it = windows.find(reinterpret_cast<uintptr_t>(hwnd));
  if (it == windows.end() || it->second->queue->ended) return nullptr;
  return it->second;
}

void Fail(SentItem& item) {
  item.result = 0;
  item.done = true;
}

// Drops a window from the table with everything of it that its queue still holds.
void ForgetWindowLocked(HWND hwnd, Queue& queue) {
  State().windows.erase(reinterpret_cast<uintptr_t>(hwnd));
  std::erase_if(queue.timers, [&](const Timer& t) { return t.hwnd == hwnd; });
  std::erase_if(queue.posted, [&](const MSG& m) { return m.hwnd == hwnd; });
  std::erase_if(queue.sent, [&](const std::shared_ptr<SentItem>& item) {
    if (item->hwnd != hwnd || item->destroy) return false;
    Fail(*item);
    return true;
  });
}

void EndQueue(const std::shared_ptr<Queue>& queue) {
  {
    std::lock_guard<std::mutex> lock(Mutex());
    queue->ended = true;
    auto& state = State();
    auto it = state.queues.find(queue->threadId);
    if (it != state.queues.end() && it->second == queue) state.queues.erase(it);
    std::erase_if(state.windows, [&](const auto& entry) { return entry.second->queue == queue; });
    for (auto& item : queue->sent) Fail(*item);
    queue->sent.clear();
    queue->posted.clear();
    queue->timers.clear();
    queue->wakeHook = nullptr;
  }
  detail::NotifyKernel();
}

// Tells waiters and the toolkit that the queue has something new.
void Wake(std::unique_lock<std::mutex>& lock, const Queue& queue) {
  std::function<void()> hook = queue.wakeHook;
  lock.unlock();
  detail::NotifyKernel();
  if (hook) hook();
}

bool Matches(const MSG& m, HWND filter, UINT filterMin, UINT filterMax) {
  if (filter == HWND_THREAD_MESSAGES) {
    if (m.hwnd != nullptr) return false;
  } else if (filter != nullptr && m.hwnd != filter) {
    return false;
  }
  return (filterMin == 0 && filterMax == 0) || (m.message >= filterMin && m.message <= filterMax);
}

bool ValidFilterLocked(HWND filter) {
  return filter == nullptr || filter == HWND_THREAD_MESSAGES || FindWindowLocked(filter) != nullptr;
}

MSG TimerMessage(const Timer& t, ULONGLONG ticks) {
  return MSG{t.hwnd, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.procedure), static_cast<DWORD>(ticks), POINT{0, 0}};
}

// A due timer passing the filter; the next period starts when it is taken.
bool TakeTimerLocked(Queue& queue, MSG* msg, HWND filter, UINT filterMin, UINT filterMax, bool remove) {
  const ULONGLONG ticks = Clock().Ticks();
  for (Timer& t : queue.timers) {
    if (t.due > ticks) continue;
    const MSG m = TimerMessage(t, ticks);
    if (!Matches(m, filter, filterMin, filterMax)) continue;
    if (msg != nullptr) *msg = m;
    if (remove) t.due = ticks + t.period;
    return true;
  }
  return false;
}

// Posted messages first, then the quit request, then due timers.
bool TakeLocked(Queue& queue, MSG* msg, HWND filter, UINT filterMin, UINT filterMax, bool remove) {
  for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
    if (!Matches(*it, filter, filterMin, filterMax)) continue;
    if (msg != nullptr) *msg = *it;
    if (remove) queue.posted.erase(it);
    return true;
  }
  if (queue.quit) {
    if (msg != nullptr) {
      *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0, GetTickCount(), POINT{0, 0}};
    }
    if (remove) queue.quit = false;
    return true;
  }
  return TakeTimerLocked(queue, msg, filter, filterMin, filterMax, remove);
}

// When to look at the timers again, on the real clock.
steady::time_point NextTimerCheckLocked(const Queue& queue) {
  if (queue.timers.empty()) return steady::time_point::max();
  const ULONGLONG ticks = Clock().Ticks();
  ULONGLONG wait = ~0ULL;
  for (const Timer& t : queue.timers) wait = std::min(wait, t.due > ticks ? t.due - ticks : 0);
  return steady::now() + std::chrono::milliseconds(std::min<ULONGLONG>(wait, 24ULL * 3600 * 1000));
}

LRESULT CallProcedureIfOwner(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC procedure = nullptr;
  {
    std::lock_guard<std::mutex> lock(Mutex());
    auto window = FindWindowLocked(hwnd);
    if (!window || window->queue != CurrentQueueLocked()) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    procedure = window->procedure;
  }
  return procedure(hwnd, message, wParam, lParam);
}

// Runs a sent item on this (the owning) thread and releases its sender.
void Serve(const std::shared_ptr<SentItem>& item) {
  LRESULT result = 0;
  if (item->destroy) {
    result = DestroyWindow(item->hwnd);
  } else {
    result = CallProcedureIfOwner(item->hwnd, item->message, item->wParam, item->lParam);
  }
  {
    std::lock_guard<std::mutex> lock(Mutex());
    item->result = result;
    item->done = true;
  }
  detail::NotifyKernel();
}

// Serves one incoming sent item if there is one; the lock is released while it runs.
bool ServeOneSent(std::unique_lock<std::mutex>& lock, Queue& queue) {
  if (queue.sent.empty()) return false;
  std::shared_ptr<SentItem> item = queue.sent.front();
  queue.sent.pop_front();
  lock.unlock();
  Serve(item);
  lock.lock();
  return true;
}

// Hands the item to the window's owner and waits for it, serving what others send to us.
LRESULT SendToOwner(std::unique_lock<std::mutex>& lock, const std::shared_ptr<Window>& window,
                    const std::shared_ptr<SentItem>& item) {
  std::shared_ptr<Queue> self = CurrentQueueLocked();
  window->queue->sent.push_back(item);
  Wake(lock, *window->queue);
  lock.lock();
  while (!item->done) {
    if (ServeOneSent(lock, *self)) continue;
    detail::KernelCondition().wait(lock);
  }
  return item->result;
}

BOOL PostToQueue(std::unique_lock<std::mutex>& lock, Queue& queue, HWND hwnd, UINT message, WPARAM wParam,
                 LPARAM lParam, DWORD time) {
  queue.posted.push_back(MSG{hwnd, message, wParam, lParam, time, POINT{0, 0}});
  Wake(lock, queue);
  return TRUE;
}

}  // namespace

namespace tessaly::win32 {

void SetQueueWakeHook(DWORD threadId, std::function<void()> hook) {
  if (threadId == 0) return;
  std::lock_guard<std::mutex> lock(Mutex());
  auto queue = threadId == GetCurrentThreadId() ? CurrentQueueLocked() : QueueOfThreadLocked(threadId);
  queue->wakeHook = std::move(hook);
}

int PumpPendingMessages() {
  int handled = 0;
  std::unique_lock<std::mutex> lock(Mutex());
  std::shared_ptr<Queue> queue = CurrentQueueLocked();
  while (ServeOneSent(lock, *queue)) ++handled;
  // Only what waits now: a handler that posts again must not keep the pump from returning.
  size_t posted = queue->posted.size();
  while (posted-- > 0 && !queue->posted.empty() && queue->posted.front().message != WM_QUIT) {
    const MSG msg = queue->posted.front();
    queue->posted.pop_front();
    lock.unlock();
    DispatchMessageW(&msg);
    ++handled;
    lock.lock();
    while (ServeOneSent(lock, *queue)) ++handled;
  }
  size_t timers = queue->timers.size();
  MSG msg{};
  while (timers-- > 0 && TakeTimerLocked(*queue, &msg, nullptr, 0, 0, true)) {
    lock.unlock();
    DispatchMessageW(&msg);
    ++handled;
    lock.lock();
  }
  return handled;
}

DWORD MillisecondsUntilNextTimer() {
  std::lock_guard<std::mutex> lock(Mutex());
  std::shared_ptr<Queue> queue = CurrentQueueLocked();
  if (queue->timers.empty()) return INFINITE;
  const ULONGLONG ticks = Clock().Ticks();
  ULONGLONG wait = INFINITE - 1;
  for (const Timer& t : queue->timers) wait = std::min(wait, t.due > ticks ? t.due - ticks : 0);
  return static_cast<DWORD>(wait);
}

namespace detail {

void EnsureMessageQueue() {
  std::lock_guard<std::mutex> lock(Mutex());
  CurrentQueueLocked();
}

void CreateMessageQueueFor(DWORD threadId) {
  std::lock_guard<std::mutex> lock(Mutex());
  QueueOfThreadLocked(threadId);
}

void EndMessageQueue() {
  std::shared_ptr<Queue> queue = std::move(t_queue.queue);
  t_queue.queue.reset();
  if (queue) EndQueue(queue);
}

}  // namespace detail
}  // namespace tessaly::win32

HWND CreateMessageWindow(WNDPROC procedure, void* userData) {
  if (procedure == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(Mutex());
  auto& state = State();
  const uintptr_t value = state.nextWindow;
  state.nextWindow += 2;
  state.windows.emplace(value, std::make_shared<Window>(
                                   Window{procedure, reinterpret_cast<LONG_PTR>(userData), CurrentQueueLocked()}));
  return reinterpret_cast<HWND>(value);
}

BOOL DestroyWindow(HWND hwnd) {
  std::unique_lock<std::mutex> lock(Mutex());
  std::shared_ptr<Window> window = FindWindowLocked(hwnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (window->queue != CurrentQueueLocked()) {
    auto item = std::make_shared<SentItem>();
    item->hwnd = hwnd;
    item->destroy = true;
    return static_cast<BOOL>(SendToOwner(lock, window, item));
  }
  if (window->destroying) return TRUE;  // DestroyWindow from within WM_DESTROY
  window->destroying = true;
  WNDPROC procedure = window->procedure;
  lock.unlock();
  procedure(hwnd, WM_DESTROY, 0, 0);
  lock.lock();
  procedure = window->procedure;
  lock.unlock();
  procedure(hwnd, WM_NCDESTROY, 0, 0);
  lock.lock();
  ForgetWindowLocked(hwnd, *window->queue);
  lock.unlock();
  detail::NotifyKernel();
  return TRUE;
}

BOOL IsWindow(HWND hwnd) {
  std::lock_guard<std::mutex> lock(Mutex());
  return FindWindowLocked(hwnd) != nullptr ? TRUE : FALSE;
}

DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
  std::lock_guard<std::mutex> lock(Mutex());
  auto window = FindWindowLocked(hwnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (processId != nullptr) *processId = static_cast<DWORD>(getpid());
  return window->queue->threadId;
}

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) {
  std::lock_guard<std::mutex> lock(Mutex());
  auto window = FindWindowLocked(hwnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (index == GWLP_USERDATA) return window->userData;
  if (index == GWLP_WNDPROC) return reinterpret_cast<LONG_PTR>(window->procedure);
  SetLastError(ERROR_INVALID_PARAMETER);
  return 0;
}

LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
  std::lock_guard<std::mutex> lock(Mutex());
  auto window = FindWindowLocked(hwnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (index == GWLP_USERDATA) return std::exchange(window->userData, value);
  if (index == GWLP_WNDPROC && value != 0) {
    return reinterpret_cast<LONG_PTR>(std::exchange(window->procedure, reinterpret_cast<WNDPROC>(value)));
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return 0;
}

LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM, LPARAM) {
  if (message == WM_CLOSE) DestroyWindow(hwnd);
  return 0;
}

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const DWORD time = GetTickCount();
  std::unique_lock<std::mutex> lock(Mutex());
  if (hwnd == nullptr) return PostToQueue(lock, *CurrentQueueLocked(), nullptr, message, wParam, lParam, time);
  auto window = FindWindowLocked(hwnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return PostToQueue(lock, *window->queue, hwnd, message, wParam, lParam, time);
}

BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
  const DWORD time = GetTickCount();
  std::unique_lock<std::mutex> lock(Mutex());
  std::shared_ptr<Queue> queue;
  if (threadId == GetCurrentThreadId()) {
    queue = CurrentQueueLocked();
  } else {
    auto it = State().queues.find(threadId);
    if (it != State().queues.end()) queue = it->second;
  }
  if (!queue || queue->ended) {
    SetLastError(ERROR_INVALID_THREAD_ID);
    return FALSE;
  }
  return PostToQueue(lock, *queue, nullptr, message, wParam, lParam, time);
}

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  std::unique_lock<std::mutex> lock(Mutex());
  auto window = FindWindowLocked(hwnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (window->queue == CurrentQueueLocked()) {
    WNDPROC procedure = window->procedure;
    lock.unlock();
    return procedure(hwnd, message, wParam, lParam);
  }
  auto item = std::make_shared<SentItem>();
  item->hwnd = hwnd;
  item->message = message;
  item->wParam = wParam;
  item->lParam = lParam;
  return SendToOwner(lock, window, item);
}

void PostQuitMessage(int exitCode) {
  std::unique_lock<std::mutex> lock(Mutex());
  std::shared_ptr<Queue> queue = CurrentQueueLocked();
  queue->quit = true;
  queue->quitCode = exitCode;
  Wake(lock, *queue);
}

BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (msg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  std::unique_lock<std::mutex> lock(Mutex());
  std::shared_ptr<Queue> queue = CurrentQueueLocked();
  if (!ValidFilterLocked(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  for (;;) {
    if (ServeOneSent(lock, *queue)) continue;
    if (TakeLocked(*queue, msg, hwnd, filterMin, filterMax, true)) return msg->message == WM_QUIT ? FALSE : TRUE;
    detail::WaitLocked(
        lock, 0, nullptr, FALSE, INFINITE,
        [&] { return !queue->sent.empty() || TakeLocked(*queue, nullptr, hwnd, filterMin, filterMax, false); },
        [&] { return NextTimerCheckLocked(*queue); });
  }
}

BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (msg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::unique_lock<std::mutex> lock(Mutex());
  std::shared_ptr<Queue> queue = CurrentQueueLocked();
  if (!ValidFilterLocked(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  while (ServeOneSent(lock, *queue)) {
  }
  return TakeLocked(*queue, msg, hwnd, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0) ? TRUE : FALSE;
}

LRESULT DispatchMessageW(const MSG* msg) {
  if (msg == nullptr) return 0;
  if (msg->message == WM_TIMER && msg->lParam != 0) {
    // Only a procedure of a live timer: a posted WM_TIMER must not make us call an address.
    TIMERPROC procedure = nullptr;
    {
      std::lock_guard<std::mutex> lock(Mutex());
      std::shared_ptr<Queue> queue = CurrentQueueLocked();
      for (const Timer& t : queue->timers) {
        if (t.hwnd == msg->hwnd && t.id == msg->wParam && reinterpret_cast<LPARAM>(t.procedure) == msg->lParam) {
          procedure = t.procedure;
        }
      }
    }
    if (procedure != nullptr) procedure(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
    return 0;
  }
  if (msg->hwnd == nullptr) return 0;
  return CallProcedureIfOwner(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds, DWORD wakeMask) {
  std::unique_lock<std::mutex> lock(Mutex());
  std::shared_ptr<Queue> queue = CurrentQueueLocked();
  const bool timers = (wakeMask & QS_TIMER) != 0;
  return detail::WaitLocked(
      lock, count, handles, waitAll, milliseconds,
      [&] {
        if ((wakeMask & QS_SENDMESSAGE) != 0 && !queue->sent.empty()) return true;
        if ((wakeMask & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE)) != 0 && (!queue->posted.empty() || queue->quit)) {
          return true;
        }
        return timers && TakeTimerLocked(*queue, nullptr, nullptr, 0, 0, false);
      },
      [&] { return timers ? NextTimerCheckLocked(*queue) : steady::time_point::max(); });
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT milliseconds, TIMERPROC procedure) {
  const UINT period = std::clamp(milliseconds, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  std::unique_lock<std::mutex> lock(Mutex());
  std::shared_ptr<Queue> queue;
  if (hwnd != nullptr) {
    auto window = FindWindowLocked(hwnd);
    if (!window) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    queue = window->queue;
  } else {
    queue = CurrentQueueLocked();
    const bool known = id != 0 && std::any_of(queue->timers.begin(), queue->timers.end(),
                                              [&](const Timer& t) { return t.hwnd == nullptr && t.id == id; });
    if (!known) id = State().nextThreadTimer++;
  }
  const ULONGLONG due = Clock().Ticks() + period;
  auto it = std::find_if(queue->timers.begin(), queue->timers.end(),
                         [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  if (it != queue->timers.end()) {
    *it = Timer{hwnd, id, period, procedure, due};
  } else {
    queue->timers.push_back(Timer{hwnd, id, period, procedure, due});
  }
  Wake(lock, *queue);
  return id != 0 ? id : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  std::lock_guard<std::mutex> lock(Mutex());
  std::shared_ptr<Queue> queue;
  if (hwnd != nullptr) {
    auto window = FindWindowLocked(hwnd);
    if (!window) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    queue = window->queue;
  } else {
    queue = CurrentQueueLocked();
  }
  const auto removed = std::erase_if(queue->timers, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  return removed > 0 ? TRUE : FALSE;
}
