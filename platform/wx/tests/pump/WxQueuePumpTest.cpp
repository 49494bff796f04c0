#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/timer.h>

#include "platform/win32/Messages.h"
#include "platform/wx/WxQueuePump.h"

namespace {

constexpr UINT WM_PING = WM_APP + 1;

// A console wx loop on the test thread with a watchdog, so a missed wake-up fails instead of hanging.
class WxLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_init.IsOk());
    m_loop.reset(wxAppConsole::GetInstance()->GetTraits()->CreateEventLoop());
    ASSERT_NE(m_loop, nullptr);
  }

  // Runs until Quit or the watchdog; true when Quit ended it.
  bool Run() {
    wxEventLoopActivator active(m_loop.get());
    wxTimer watchdog;
    bool timedOut = false;
    watchdog.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
      timedOut = true;
      m_loop->Exit();
    });
    watchdog.StartOnce(20000);
    m_loop->Run();
    return !timedOut;
  }
  void Quit() { m_loop->Exit(); }

  struct Window {
    std::atomic<int> pings{0};
    std::atomic<int> timers{0};
    WxLoop* test = nullptr;
    int stopAfterTimers = 0;
  };

  static LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    auto* window = reinterpret_cast<Window*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
    if (message == WM_PING) {
      ++window->pings;
      if (wParam == 1) window->test->Quit();
      return 42;
    }
    if (message == WM_TIMER && ++window->timers == window->stopAfterTimers) window->test->Quit();
    return 0;
  }

  wxInitializer m_init;
  std::unique_ptr<wxEventLoopBase> m_loop;
};

TEST_F(WxLoop, ConcurrentPostsAndSendsFromOtherThreadsAreServedByTheLoop) {
  Window window;
  window.test = this;
  HWND hwnd = CreateMessageWindow(&Proc, &window);
  // Posted before the pump exists: served by its first round.
  PostMessage(hwnd, WM_PING, 0, 0);
  CWxQueuePump pump;
  LRESULT sent = 0;
  std::thread other([&] {
    sent = SendMessage(hwnd, WM_PING, 0, 0);  // waits for the GUI loop to serve it
    for (int i = 0; i < 100; ++i) PostMessage(hwnd, WM_PING, 0, 0);
    PostMessage(hwnd, WM_PING, 1, 0);
  });
  EXPECT_TRUE(Run());
  other.join();
  EXPECT_EQ(sent, 42);
  EXPECT_EQ(window.pings, 103);
  DestroyWindow(hwnd);
}

TEST_F(WxLoop, PlatformTimersFireThroughTheLoop) {
  Window window;
  window.test = this;
  window.stopAfterTimers = 3;
  CWxQueuePump pump;
  HWND hwnd = CreateMessageWindow(&Proc, &window);
  SetTimer(hwnd, 100, 10, nullptr);
  EXPECT_TRUE(Run());
  EXPECT_EQ(window.timers, 3);
  DestroyWindow(hwnd);
}

TEST_F(WxLoop, AWakeUpAfterThePumpIsGoneDoesNothing) {
  Window window;
  window.test = this;
  HWND hwnd = CreateMessageWindow(&Proc, &window);
  { CWxQueuePump pump; }
  PostMessage(hwnd, WM_PING, 0, 0);  // no hook any more: stays queued
  EXPECT_EQ(window.pings, 0);
  CWxQueuePump pump;
  PostMessage(hwnd, WM_PING, 1, 0);
  EXPECT_TRUE(Run());
  EXPECT_EQ(window.pings, 2);
  DestroyWindow(hwnd);
}

}  // namespace
