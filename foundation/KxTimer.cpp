#include "foundation/KxTimer.h"

#include "platform/win32/Messages.h"

int CKxTimer::Start(IKxTimerOwner* owner, UINT id, UINT period) {
  if (m_bRunning) return 1;
  m_pOwner = owner;
  m_nId = id;
  m_nPeriod = period;
  return StartTimer();
}

int CKxTimer::StartTimer() {
  if (m_bRunning) return 1;
  if (m_pOwner == nullptr || m_pOwner->GetSafeHwnd() == nullptr) return 0;
  const HWND hwnd = m_pOwner->GetSafeHwnd();
  if (SetTimer(hwnd, m_nId, m_nPeriod, nullptr) != m_nId) return 0;
  m_hWndTimer = hwnd;
  m_bRunning = true;
  return 1;
}

int CKxTimer::Stop() {
  if (!m_bRunning) return 1;
  if (m_hWndTimer == nullptr) return 0;
  m_bRunning = false;
  const HWND hwnd = m_hWndTimer;
  m_hWndTimer = nullptr;
  return KillTimer(hwnd, m_nId) ? 1 : 0;
}
