// Pumps the GUI thread's platform queue from the wx event loop. The queue's wake hook (called on
// any thread) schedules one pump through CallAfter; after each pump a one-shot wx timer is set for
// the next platform timer that falls due. Modal loops of wx pump as well, since they serve the
// pending calls too.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include <wx/event.h>
#include <wx/timer.h>

#include "platform/win32/WinTypes.h"

class CWxQueuePump : public wxEvtHandler {
 public:
  // On the GUI thread, with the wx application object made: hooks the calling thread's queue.
  CWxQueuePump();
  // Unhooks; a wake-up still in flight on another thread finds nobody and does nothing.
  ~CWxQueuePump() override;
  CWxQueuePump(const CWxQueuePump&) = delete;
  CWxQueuePump& operator=(const CWxQueuePump&) = delete;

  // GUI thread: serves what waits now and sets the timer for the next due platform timer.
  void Pump();
  DWORD GetThreadId() const { return m_dwThreadId; }

 private:
  struct Link {
    std::mutex mutex;
    CWxQueuePump* pump = nullptr;
  };

  void Schedule();
  void OnTimer(wxTimerEvent& event);

  DWORD m_dwThreadId;
  std::shared_ptr<Link> m_link;
  std::atomic<bool> m_bScheduled{false};
  wxTimer m_timer;
};
