#include "foundation/KxTimer.h"

#include <gtest/gtest.h>

#include "platform/win32/Messages.h"
#include "platform/win32/Time.h"

using namespace tessaly::win32;

namespace {

LRESULT QuietProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(hwnd, message, wParam, lParam);
}

// A window that is created later than its timer object wants it.
class LateWindow : public IKxTimerOwner {
 public:
  ~LateWindow() {
    if (m_hWnd != nullptr) DestroyWindow(m_hWnd);
  }
  void Create() { m_hWnd = CreateMessageWindow(&QuietProc, nullptr); }
  HWND GetSafeHwnd() const override { return m_hWnd; }

 private:
  HWND m_hWnd = nullptr;
};

// The ids of the WM_TIMER messages waiting for the window now.
std::vector<WPARAM> TakeTimers(HWND hwnd) {
  std::vector<WPARAM> ids;
  MSG msg;
  while (PeekMessage(&msg, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE)) ids.push_back(msg.wParam);
  return ids;
}

}  // namespace

TEST(KxTimer, StartBeforeTheWindowExistsThenStartTimer) {
  ManualClock clock;
  ScopedClockForTesting installed(clock);
  LateWindow window;
  CKxTimer timer;
  EXPECT_EQ(timer.Start(&window, 100, 10000), 0);
  EXPECT_FALSE(timer.IsRunning());
  window.Create();
  EXPECT_EQ(timer.StartTimer(), 1);
  EXPECT_TRUE(timer.IsRunning());

  clock.Advance(9999);
  EXPECT_TRUE(TakeTimers(window.GetSafeHwnd()).empty());
  clock.Advance(1);
  EXPECT_EQ(TakeTimers(window.GetSafeHwnd()), (std::vector<WPARAM>{100}));
}

TEST(KxTimer, SecondStartKeepsTheFirstPeriodAndStopTwice) {
  ManualClock clock;
  ScopedClockForTesting installed(clock);
  LateWindow window;
  window.Create();
  CKxTimer timer;
  EXPECT_EQ(timer.Start(&window, 7, 600), 1);
  EXPECT_EQ(timer.Start(&window, 8, 5000), 1);
  clock.Advance(600);
  EXPECT_EQ(TakeTimers(window.GetSafeHwnd()), (std::vector<WPARAM>{7}));
  EXPECT_EQ(timer.Stop(), 1);
  EXPECT_EQ(timer.Stop(), 1);
  clock.Advance(600);
  EXPECT_TRUE(TakeTimers(window.GetSafeHwnd()).empty());
  CKxTimer never;
  EXPECT_EQ(never.StartTimer(), 0);  // no owner
}
