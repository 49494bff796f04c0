#include "platform/win32/Messages.h"
#include "platform/win32/Sync.h"
#include "platform/win32/Thread.h"
#include "platform/win32/Time.h"

#include <gtest/gtest.h>

#include <deque>
#include <mutex>
#include <vector>

using namespace tessaly::win32;

namespace {

constexpr DWORD kGuardMs = 10000;  // failure guard only
constexpr UINT WM_EVENTS_POSTED = WM_APP + 0x102;

struct Seen {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD threadId;
};

// The C++ object behind a window, reached through GWLP_USERDATA as the real windows do.
struct Recorder {
  std::mutex lock;
  std::vector<Seen> seen;
  HANDLE arrived = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  ~Recorder() { CloseHandle(arrived); }

  std::vector<UINT> Messages() {
    std::lock_guard<std::mutex> guard(lock);
    std::vector<UINT> out;
    for (const auto& s : seen) out.push_back(s.message);
    return out;
  }
  std::vector<Seen> Seen_() {
    std::lock_guard<std::mutex> guard(lock);
    return seen;
  }
};

LRESULT RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* r = reinterpret_cast<Recorder*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  if (r != nullptr) {
    {
      std::lock_guard<std::mutex> guard(r->lock);
      r->seen.push_back(Seen{message, wParam, lParam, GetCurrentThreadId()});
    }
    SetEvent(r->arrived);
  }
  return static_cast<LRESULT>(wParam) * 2 + 1;
}

// Every test starts and ends with an empty queue and the manual clock.
class MessagesTest : public testing::Test {
 protected:
  void TearDown() override { Drain(); }
  static void Drain() {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  // Recorders outlive the windows that the fixture destroys at the end.
  Recorder& NewRecorder() { return m_recorders.emplace_back(); }
  HWND NewWindow(Recorder& r) {
    HWND hwnd = CreateMessageWindow(&RecordingProc, &r);
    m_windows.push_back(hwnd);
    return hwnd;
  }
  ~MessagesTest() override {
    for (HWND w : m_windows) {
      if (IsWindow(w)) DestroyWindow(w);
    }
  }

  ManualClock m_clock;
  ScopedClockForTesting m_scoped{m_clock};

 private:
  std::deque<Recorder> m_recorders;
  std::vector<HWND> m_windows;
};

TEST_F(MessagesTest, SendCallsDirectlyAndPostWaitsForThePump) {
  Recorder& r = NewRecorder();
  HWND hwnd = NewWindow(r);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_TRUE(IsWindow(hwnd));
  EXPECT_EQ(GetWindowLongPtr(hwnd, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&r));
  EXPECT_EQ(GetWindowThreadProcessId(hwnd, nullptr), GetCurrentThreadId());

  EXPECT_EQ(SendMessage(hwnd, WM_USER, 20, 0), 41);
  EXPECT_EQ(r.Messages(), std::vector<UINT>{WM_USER});

  EXPECT_TRUE(PostMessage(hwnd, WM_EVENTS_POSTED, 1, 0));
  EXPECT_TRUE(PostMessage(hwnd, WM_EVENTS_POSTED, 2, 0));
  EXPECT_EQ(r.Messages().size(), 1u) << "nothing posted runs before the pump";
  EXPECT_EQ(PumpPendingMessages(), 2);
  auto seen = r.Seen_();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[1].wParam, 1u);
  EXPECT_EQ(seen[2].wParam, 2u);
  EXPECT_EQ(PumpPendingMessages(), 0);
}

TEST_F(MessagesTest, DestroyedWindowGetsNothingMore) {
  Recorder& r = NewRecorder();
  HWND hwnd = NewWindow(r);
  PostMessage(hwnd, WM_USER + 1, 0, 0);
  MSG taken{};
  PostMessage(hwnd, WM_USER + 2, 0, 0);
  ASSERT_TRUE(PeekMessage(&taken, hwnd, WM_USER + 2, WM_USER + 2, PM_REMOVE));
  SetTimer(hwnd, 7, 100, nullptr);

  EXPECT_TRUE(DestroyWindow(hwnd));
  EXPECT_EQ(r.Messages(), (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
  EXPECT_FALSE(IsWindow(hwnd));

  m_clock.Advance(1000);
  EXPECT_EQ(DispatchMessage(&taken), 0) << "taken before the destroy, dispatched after";
  EXPECT_EQ(PumpPendingMessages(), 0) << "queued posts and timers went with the window";
  SetLastError(0);
  EXPECT_FALSE(PostMessage(hwnd, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(SendMessage(hwnd, WM_USER, 5, 0), 0);
  EXPECT_FALSE(DestroyWindow(hwnd));
  EXPECT_EQ(GetWindowLongPtr(hwnd, GWLP_USERDATA), 0);
  EXPECT_EQ(r.Messages().size(), 2u);
}

LRESULT CloseProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  RecordingProc(hwnd, message, wParam, lParam);
  return DefWindowProc(hwnd, message, wParam, lParam);
}

TEST_F(MessagesTest, DefaultHandlingOfCloseDestroys) {
  Recorder& r = NewRecorder();
  HWND hwnd = CreateMessageWindow(&CloseProc, &r);
  EXPECT_EQ(SendMessage(hwnd, WM_CLOSE, 0, 0), 0);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(r.Messages(), (std::vector<UINT>{WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
}

TEST_F(MessagesTest, PeekFiltersByWindowAndRange) {
  Recorder& r1 = NewRecorder();
  Recorder& r2 = NewRecorder();
  HWND w1 = NewWindow(r1);
  HWND w2 = NewWindow(r2);
  struct Case {
    const char* name;
    HWND filter;
    UINT min;
    UINT max;
    UINT expected;  // 0: none
  };
  const Case cases[] = {
      {"everything, oldest first", nullptr, 0, 0, WM_USER + 1},
      {"one window", w2, 0, 0, WM_USER + 2},
      {"thread messages only", HWND_THREAD_MESSAGES, 0, 0, WM_USER + 3},
      {"a range", nullptr, WM_USER + 2, WM_USER + 3, WM_USER + 2},
      {"window and range", w1, WM_USER + 2, WM_USER + 3, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Drain();
    PostMessage(w1, WM_USER + 1, 0, 0);
    PostMessage(w2, WM_USER + 2, 0, 0);
    PostThreadMessage(GetCurrentThreadId(), WM_USER + 3, 0, 0);
    MSG msg{};
    const BOOL found = PeekMessage(&msg, c.filter, c.min, c.max, PM_NOREMOVE);
    EXPECT_EQ(found != FALSE, c.expected != 0);
    if (found) {
      EXPECT_EQ(msg.message, c.expected);
      MSG again{};
      ASSERT_TRUE(PeekMessage(&again, c.filter, c.min, c.max, PM_REMOVE)) << "PM_NOREMOVE left it";
      EXPECT_EQ(again.message, c.expected);
      EXPECT_FALSE(PeekMessage(&again, again.hwnd, c.expected, c.expected, PM_REMOVE)) << "and PM_REMOVE took it";
    }
  }
  MSG msg{};
  HWND gone = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7777));
  EXPECT_FALSE(PeekMessage(&msg, gone, 0, 0, PM_REMOVE));
  EXPECT_EQ(GetMessage(&msg, gone, 0, 0), -1);
  EXPECT_EQ(GetMessage(nullptr, nullptr, 0, 0), -1);
}

TEST_F(MessagesTest, QuitComesAfterPostedMessagesAndPassesFilters) {
  Recorder& r = NewRecorder();
  HWND hwnd = NewWindow(r);
  PostQuitMessage(7);
  PostMessage(hwnd, WM_USER, 0, 0);
  EXPECT_EQ(PumpPendingMessages(), 1) << "the pump leaves the quit request";
  MSG msg{};
  ASSERT_TRUE(PeekMessage(&msg, hwnd, WM_USER, WM_USER, PM_NOREMOVE));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(GetMessage(&msg, hwnd, WM_USER, WM_USER), 0);
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) << "taken once";
}

TEST_F(MessagesTest, PostToUnknownThreadFails) {
  SetLastError(0);
  EXPECT_FALSE(PostThreadMessage(0xFFFFFFF0u, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
  EXPECT_FALSE(PostMessage(reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234)), WM_USER, 0, 0));
}

DWORD WaitForQuit(LPVOID) {
  MSG msg;
  while (GetMessage(&msg, nullptr, 0, 0) > 0) {
  }
  return 0;
}

// The queue exists before the thread runs, so a quit request posted at once is never lost.
TEST_F(MessagesTest, PostToAThreadJustCreatedIsNeverLost) {
  for (int i = 0; i < 50; ++i) {
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, &WaitForQuit, nullptr, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(PostThreadMessage(id, WM_QUIT, 0, 0));
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);
  }
}

TEST_F(MessagesTest, PumpDoesNotChaseMessagesPostedWhilePumping) {
  static HWND self = nullptr;
  self = CreateMessageWindow(
      [](HWND hwnd, UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == WM_USER) PostMessage(hwnd, WM_USER, 0, 0);
        return 0;
      },
      nullptr);
  PostMessage(self, WM_USER, 0, 0);
  EXPECT_EQ(PumpPendingMessages(), 1);
  EXPECT_EQ(PumpPendingMessages(), 1);
  DestroyWindow(self);
}

// ---- timers --------------------------------------------------------------------------

std::vector<WPARAM> TimerIds(Recorder& r) {
  std::vector<WPARAM> ids;
  for (const auto& s : r.Seen_()) {
    if (s.message == WM_TIMER) ids.push_back(s.wParam);
  }
  return ids;
}

TEST_F(MessagesTest, TimerFiresOnceWhenDueHoweverLate) {
  Recorder& r = NewRecorder();
  HWND hwnd = NewWindow(r);
  ASSERT_EQ(SetTimer(hwnd, 45000, 600, nullptr), 45000u);
  EXPECT_EQ(MillisecondsUntilNextTimer(), 600u);
  m_clock.Advance(599);
  EXPECT_EQ(PumpPendingMessages(), 0);
  m_clock.Advance(1);
  EXPECT_EQ(MillisecondsUntilNextTimer(), 0u);
  EXPECT_EQ(PumpPendingMessages(), 1);
  EXPECT_EQ(TimerIds(r), std::vector<WPARAM>{45000});

  m_clock.Advance(6000);  // ten periods
  EXPECT_EQ(PumpPendingMessages(), 1);
  EXPECT_EQ(PumpPendingMessages(), 0);
  EXPECT_EQ(MillisecondsUntilNextTimer(), 600u) << "the next period starts when taken";

  EXPECT_TRUE(KillTimer(hwnd, 45000));
  EXPECT_FALSE(KillTimer(hwnd, 45000));
  m_clock.Advance(6000);
  EXPECT_EQ(PumpPendingMessages(), 0);
  EXPECT_EQ(TimerIds(r).size(), 2u);
  EXPECT_EQ(MillisecondsUntilNextTimer(), INFINITE);
}

TEST_F(MessagesTest, TimersComeAfterPostedMessagesAndRestartOnSetTimer) {
  Recorder& r = NewRecorder();
  HWND hwnd = NewWindow(r);
  SetTimer(hwnd, 1, 100, nullptr);
  EXPECT_EQ(SetTimer(hwnd, 1, 1000, nullptr), 1u);  // restarts with the new period
  m_clock.Advance(999);
  MSG msg{};
  EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  m_clock.Advance(1);
  PostMessage(hwnd, WM_USER, 0, 0);
  ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, WM_USER);
  ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, WM_TIMER);
  EXPECT_EQ(msg.hwnd, hwnd);
  EXPECT_EQ(msg.wParam, 1u);
  EXPECT_EQ(SetTimer(reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234)), 1, 10, nullptr), 0u);
}

struct TimerCalls {
  static inline std::vector<UINT_PTR> ids;
  static void Proc(HWND, UINT message, UINT_PTR id, DWORD) {
    if (message == WM_TIMER) ids.push_back(id);
  }
};

TEST_F(MessagesTest, TimerProcedureRunsOnlyForALiveTimer) {
  TimerCalls::ids.clear();
  const UINT_PTR id = SetTimer(nullptr, 0, 50, &TimerCalls::Proc);
  ASSERT_NE(id, 0u);
  m_clock.Advance(50);
  EXPECT_EQ(PumpPendingMessages(), 1);
  EXPECT_EQ(TimerCalls::ids, std::vector<UINT_PTR>{id});

  // A forged WM_TIMER naming a procedure must not make the queue call it.
  PostThreadMessage(GetCurrentThreadId(), WM_TIMER, 999, reinterpret_cast<LPARAM>(&TimerCalls::Proc));
  EXPECT_TRUE(KillTimer(nullptr, id));
  MSG msg{};
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  DispatchMessage(&msg);
  EXPECT_EQ(TimerCalls::ids.size(), 1u);
}

TEST_F(MessagesTest, MsgWaitSeesObjectsAndQueueInput) {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 0, QS_ALLINPUT), WAIT_TIMEOUT);
  PostThreadMessage(GetCurrentThreadId(), WM_USER, 0, 0);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 0, QS_ALLINPUT), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 0, QS_TIMER), WAIT_TIMEOUT) << "not in the mask";
  SetEvent(event);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 0, QS_ALLINPUT), WAIT_OBJECT_0);
  CloseHandle(event);
}

// ---- across threads ---------------------------------------------------------------------

// A thread that owns one window and runs a message loop until WM_QUIT.
class WindowThread {
 public:
  explicit WindowThread(WNDPROC proc, void* userData, bool pump = true)
      : m_proc(proc), m_userData(userData), m_pump(pump) {
    m_thread = CreateThread(nullptr, 0, &Run, this, 0, &m_id);
    EXPECT_EQ(WaitForSingleObject(m_ready, kGuardMs), WAIT_OBJECT_0);
  }
  ~WindowThread() {
    Release();
    PostThreadMessage(m_id, WM_QUIT, 0, 0);
    EXPECT_EQ(WaitForSingleObject(m_thread, kGuardMs), WAIT_OBJECT_0);
    CloseHandle(m_thread);
    CloseHandle(m_ready);
    CloseHandle(m_release);
  }
  HWND hwnd() const { return m_hwnd; }
  DWORD id() const { return m_id; }
  HANDLE thread() const { return m_thread; }
  // Lets a non-pumping thread go on: it destroys its window (or just ends).
  void Release() { SetEvent(m_release); }
  bool destroyOnRelease = true;

 private:
  static DWORD Run(LPVOID p) {
    auto* self = static_cast<WindowThread*>(p);
    self->m_hwnd = CreateMessageWindow(self->m_proc, self->m_userData);
    SetEvent(self->m_ready);
    if (!self->m_pump) {
      WaitForSingleObject(self->m_release, INFINITE);
      if (self->destroyOnRelease) DestroyWindow(self->m_hwnd);
      return 0;
    }
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0) > 0) DispatchMessage(&msg);
    return static_cast<DWORD>(msg.wParam);
  }

  WNDPROC m_proc;
  void* m_userData;
  bool m_pump;
  HWND m_hwnd = nullptr;
  DWORD m_id = 0;
  HANDLE m_thread = nullptr;
  HANDLE m_ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE m_release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
};

TEST_F(MessagesTest, ConcurrentPostAndSendRunOnTheOwnerThread) {
  Recorder& r = NewRecorder();
  WindowThread owner(&RecordingProc, &r);
  for (WPARAM i = 0; i < 3; ++i) EXPECT_TRUE(PostMessage(owner.hwnd(), WM_EVENTS_POSTED, i, 0));
  EXPECT_EQ(SendMessage(owner.hwnd(), WM_USER, 10, 0), 21);
  while (r.Seen_().size() < 4) ASSERT_EQ(WaitForSingleObject(r.arrived, kGuardMs), WAIT_OBJECT_0);
  std::vector<WPARAM> posted;
  for (const auto& s : r.Seen_()) {
    EXPECT_EQ(s.threadId, owner.id());
    if (s.message == WM_EVENTS_POSTED) posted.push_back(s.wParam);
  }
  EXPECT_EQ(posted, (std::vector<WPARAM>{0, 1, 2}));
}

TEST_F(MessagesTest, ConcurrentPostersKeepTheirOrder) {
  struct Tally {
    std::vector<WPARAM> last = std::vector<WPARAM>(4, 0);
    int total = 0;
    bool ordered = true;
  };
  static Tally tally;
  tally = Tally{};
  HWND hwnd = CreateMessageWindow(
      [](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_USER) {
          auto& last = tally.last[static_cast<size_t>(lParam)];
          tally.ordered = tally.ordered && wParam == last + 1;
          last = wParam;
          ++tally.total;
        }
        return 0;
      },
      nullptr);
  struct Poster {
    HWND hwnd;
    LPARAM index;
  };
  Poster posters[4];
  HANDLE threads[4];
  for (int i = 0; i < 4; ++i) {
    posters[i] = Poster{hwnd, i};
    threads[i] = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
          auto* poster = static_cast<Poster*>(p);
          for (WPARAM n = 1; n <= 500; ++n) PostMessage(poster->hwnd, WM_USER, n, poster->index);
          return 0;
        },
        &posters[i], 0, nullptr);
  }
  MSG msg;
  while (tally.total < 2000 && GetMessage(&msg, nullptr, 0, 0) > 0) DispatchMessage(&msg);
  EXPECT_EQ(WaitForMultipleObjects(4, threads, TRUE, kGuardMs), WAIT_OBJECT_0);
  EXPECT_EQ(tally.total, 2000);
  EXPECT_TRUE(tally.ordered);
  for (auto& t : threads) CloseHandle(t);
  DestroyWindow(hwnd);
}

// B's procedure sends back to A's window while A waits for B: A must serve it meanwhile.
struct PingPong {
  static inline HWND a = nullptr;
  static LRESULT ProcA(HWND, UINT message, WPARAM wParam, LPARAM) { return message == WM_USER ? wParam * 10 : 0; }
  static LRESULT ProcB(HWND, UINT message, WPARAM wParam, LPARAM) {
    return message == WM_USER ? SendMessage(a, WM_USER, wParam + 1, 0) + 1 : 0;
  }
};

TEST_F(MessagesTest, ConcurrentSendersToEachOtherDoNotDeadlock) {
  PingPong::a = CreateMessageWindow(&PingPong::ProcA, nullptr);
  WindowThread b(&PingPong::ProcB, nullptr);
  EXPECT_EQ(SendMessage(b.hwnd(), WM_USER, 4, 0), 51);
  DestroyWindow(PingPong::a);
}

struct BlockedSend {
  HWND target;
  LRESULT result = -1;
};

DWORD SendAndReport(LPVOID p) {
  auto* send = static_cast<BlockedSend*>(p);
  send->result = SendMessage(send->target, WM_USER, 1, 0);
  return 0;
}

// The sender's message is known to be waiting (the wake hook saw it) before the owner acts.
void ExpectSendReleasedWithZero(bool destroyWindow) {
  Recorder r;
  WindowThread owner(&RecordingProc, &r, /*pump=*/false);
  owner.destroyOnRelease = destroyWindow;
  HANDLE queued = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  SetQueueWakeHook(owner.id(), [queued] { SetEvent(queued); });
  BlockedSend send{owner.hwnd()};
  HANDLE sender = CreateThread(nullptr, 0, &SendAndReport, &send, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(queued, kGuardMs), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(sender, 0), WAIT_TIMEOUT) << "the sender waits";
  owner.Release();
  ASSERT_EQ(WaitForSingleObject(sender, kGuardMs), WAIT_OBJECT_0);
  EXPECT_EQ(send.result, 0);
  for (UINT m : r.Messages()) EXPECT_NE(m, WM_USER) << "never served";
  CloseHandle(sender);
  CloseHandle(queued);
}

TEST_F(MessagesTest, ConcurrentSendToWindowDestroyedMeanwhileReturnsZero) { ExpectSendReleasedWithZero(true); }

TEST_F(MessagesTest, ConcurrentSendToThreadThatEndsReturnsZero) { ExpectSendReleasedWithZero(false); }

TEST_F(MessagesTest, ConcurrentDestroyFromAnotherThreadRunsOnTheOwner) {
  Recorder& r = NewRecorder();
  WindowThread owner(&RecordingProc, &r);
  EXPECT_TRUE(DestroyWindow(owner.hwnd()));
  EXPECT_FALSE(IsWindow(owner.hwnd()));
  auto seen = r.Seen_();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].message, WM_DESTROY);
  EXPECT_EQ(seen[1].message, WM_NCDESTROY);
  for (const auto& s : seen) EXPECT_EQ(s.threadId, owner.id());
}

TEST_F(MessagesTest, ConcurrentTimerFiresOnTheOwnerThreadWhenTheClockMoves) {
  Recorder& r = NewRecorder();
  WindowThread owner(&RecordingProc, &r);
  ASSERT_EQ(SetTimer(owner.hwnd(), 100, 10000, nullptr), 100u);  // set from another thread
  m_clock.Advance(10000);  // wakes the owner blocked in GetMessage
  ASSERT_EQ(WaitForSingleObject(r.arrived, kGuardMs), WAIT_OBJECT_0);
  auto seen = r.Seen_();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].message, WM_TIMER);
  EXPECT_EQ(seen[0].wParam, 100u);
  EXPECT_EQ(seen[0].threadId, owner.id());
  KillTimer(owner.hwnd(), 100);
}

TEST_F(MessagesTest, ConcurrentWakeHookAnnouncesPostsForThePump) {
  // The toolkit's loop: the hook schedules a pump on the GUI thread, here an event.
  Recorder& r = NewRecorder();
  HWND hwnd = NewWindow(r);
  HANDLE pumpNeeded = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  SetQueueWakeHook(GetCurrentThreadId(), [pumpNeeded] { SetEvent(pumpNeeded); });
  struct Target {
    HWND hwnd;
  } target{hwnd};
  HANDLE poster = CreateThread(
      nullptr, 0,
      [](LPVOID p) -> DWORD { return PostMessage(static_cast<Target*>(p)->hwnd, WM_EVENTS_POSTED, 0, 0); }, &target,
      0, nullptr);
  ASSERT_EQ(WaitForSingleObject(pumpNeeded, kGuardMs), WAIT_OBJECT_0);
  EXPECT_EQ(PumpPendingMessages(), 1);
  EXPECT_EQ(r.Messages(), std::vector<UINT>{WM_EVENTS_POSTED});
  SetQueueWakeHook(GetCurrentThreadId(), nullptr);
  WaitForSingleObject(poster, kGuardMs);
  CloseHandle(poster);
  CloseHandle(pumpNeeded);
}

}  // namespace
