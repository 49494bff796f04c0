// The one hand-over point of protocol events to the GUI thread: takes an event on any thread,
// queues it, posts WM_APP+0x102 to its hidden window, and on the GUI thread passes each event
// to its observers (at most 10 per message) and deletes it. Observers that need an event later
// keep a clone.
#pragma once

#include <memory>

#include "foundation/ProtocolEventsCollection.h"
#include "foundation/ProtocolEventsCollector.h"
#include "foundation/SubjectTEx.h"
#include "platform/win32/WinTypes.h"

using CProtocolEventObserver = CObserverT<CSubjectTEx<CProtocolEvent*>, CProtocolEvent*>;

class CEventsManager : public CProtocolEventsCollector, public CSubjectTEx<CProtocolEvent*> {
 public:
  static constexpr UINT WM_EVENTS_POSTED = WM_APP + 0x102;
  static constexpr int kEventsPerMessage = 10;

  // On the GUI thread: the hidden window belongs to the creating thread's queue.
  CEventsManager();
  // Destroys the window and deletes the events still queued without notifying anybody.
  ~CEventsManager() override;

  // Any thread. Taken: queued, a message posted, true. Refused (queue full): deleted, false.
  bool Collect(std::unique_ptr<CProtocolEvent> event) override;

  // The handler of WM_EVENTS_POSTED (GUI thread); returns 1.
  LRESULT OnEventsPosted();

  HWND GetSafeHwnd() const { return m_hWnd; }
  int GetQueuedCount() { return m_events.GetCount(); }

  // The process's manager, made explicitly on the GUI thread at start-up and published as
  // g_pProtocolEventsCollector. Once torn down it is never made again (null then).
  static CEventsManager* Create();
  // The live manager, or null before Create and after Destroy. For the GUI thread (observers
  // attach through it); other threads hand events over with PostEvent.
  static CEventsManager* GetInstance();
  // Any thread; false (and the event deleted) when there is no live manager or it refuses.
  static bool PostEvent(std::unique_ptr<CProtocolEvent> event);
  // Teardown at exit, on the GUI thread: unpublishes, then destroys the window and the manager.
  static void Destroy();

 private:
  static LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  CProtocolEventsCollection m_events;
  HWND m_hWnd = nullptr;
};
