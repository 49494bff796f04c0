// One window timer of an owner window, with start and stop that report success; the
// destructor stops it.
#pragma once

#include "platform/win32/WinTypes.h"

// A window that may not have its handle yet (null until it is created).
class IKxTimerOwner {
 public:
  virtual HWND GetSafeHwnd() const = 0;

 protected:
  ~IKxTimerOwner() = default;
};

class CKxTimer {
 public:
  CKxTimer() = default;
  CKxTimer(const CKxTimer&) = delete;
  CKxTimer& operator=(const CKxTimer&) = delete;
  virtual ~CKxTimer() { Stop(); }

  // Already running: 1 and the new arguments are ignored. Else keeps them and StartTimer.
  int Start(IKxTimerOwner* owner, UINT id, UINT period);
  // 1 when running afterwards; 0 without an owner window or when SetTimer fails.
  int StartTimer();
  // 1 when not running; 0 without an owner window; else KillTimer's result.
  int Stop();
  bool IsRunning() const { return m_bRunning; }

  IKxTimerOwner* m_pOwner = nullptr;
  UINT m_nId = 0;
  UINT m_nPeriod = 0;
  bool m_bRunning = false;

 private:
  // The window the timer was set on, so Stop never has to reach an owner that may be gone.
  HWND m_hWndTimer = nullptr;
};
