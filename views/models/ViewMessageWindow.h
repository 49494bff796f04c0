// The platform message window a view model owns for its window timer and for telling the main
// window to refresh its properties pane. Timers arrive on the thread that made it, as WM_TIMER.
#pragma once

#include <functional>

#include "platform/win32/WinTypes.h"

class CViewMessageWindow {
 public:
  explicit CViewMessageWindow(std::function<void(UINT_PTR)> onTimer);
  ~CViewMessageWindow();
  CViewMessageWindow(const CViewMessageWindow&) = delete;
  CViewMessageWindow& operator=(const CViewMessageWindow&) = delete;

  HWND GetSafeHwnd() const { return m_hWnd; }
  void SetTimer(UINT_PTR id, UINT milliseconds);
  void KillTimer(UINT_PTR id);

  // WM_APP+0x103 to the main window of the document's host, when there is one.
  static void RefreshPropertiesPane(WPARAM what, LPARAM object);

 private:
  static LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  std::function<void(UINT_PTR)> m_onTimer;
  HWND m_hWnd = nullptr;
};
