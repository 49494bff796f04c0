#include "platform/wx/WxQueuePump.h"

#include <algorithm>

#include "platform/win32/Messages.h"
#include "platform/win32/Thread.h"

CWxQueuePump::CWxQueuePump() : m_dwThreadId(GetCurrentThreadId()), m_link(std::make_shared<Link>()), m_timer(this) {
  m_link->pump = this;
  Bind(wxEVT_TIMER, &CWxQueuePump::OnTimer, this);
  tessaly::win32::detail::EnsureMessageQueue();
  std::weak_ptr<Link> weak = m_link;
  tessaly::win32::SetQueueWakeHook(m_dwThreadId, [weak] {
    if (auto link = weak.lock()) {
      std::lock_guard<std::mutex> guard(link->mutex);
      if (link->pump != nullptr) link->pump->Schedule();
    }
  });
  // Whatever was queued before the hook existed.
  Schedule();
}

CWxQueuePump::~CWxQueuePump() {
  tessaly::win32::SetQueueWakeHook(m_dwThreadId, {});
  {
    std::lock_guard<std::mutex> guard(m_link->mutex);
    m_link->pump = nullptr;
  }
  m_timer.Stop();
}

void CWxQueuePump::Schedule() {
  // One pending call is enough: the pump takes everything that waits when it runs.
  if (!m_bScheduled.exchange(true)) CallAfter(&CWxQueuePump::Pump);
}

void CWxQueuePump::Pump() {
  m_bScheduled = false;
  tessaly::win32::PumpPendingMessages();
  const DWORD due = tessaly::win32::MillisecondsUntilNextTimer();
  if (due == INFINITE) {
    m_timer.Stop();
  } else {
    m_timer.StartOnce(static_cast<int>(std::clamp<DWORD>(due, 1, 0x7FFFFFFF)));
  }
}

void CWxQueuePump::OnTimer(wxTimerEvent&) { Pump(); }
