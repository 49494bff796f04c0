// The output pane's collector: formats protocol events into text off the GUI thread. The text
// waits in a bounded buffer (the collector waits while it is full) and one WM_PROTOCOL_TEXT is
// posted to the output window per hand-over; the GUI thread takes everything with TakeText.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "foundation/ProtocolEventsCollection.h"
#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

class COutputWndEventThread {
 public:
  static constexpr UINT WM_PROTOCOL_TEXT = WM_APP + 0x104;
  // A hand-over is posted once this much text waits, and at the end of every batch.
  static constexpr size_t kHandOverBytes = 1000;
  static constexpr size_t kMaxBufferedBytes = 256 * 1024;
  // Pause between batches, so bursts are gathered into few hand-overs.
  static constexpr int kBatchPauseMs = 50;

  COutputWndEventThread() = default;
  COutputWndEventThread(const COutputWndEventThread&) = delete;
  COutputWndEventThread& operator=(const COutputWndEventThread&) = delete;
  // Stops and joins the thread, then deletes the queued events.
  virtual ~COutputWndEventThread();

  // Already running: true. Sets the running flag and starts the thread.
  bool Start();
  // Clears the running flag and the output window, wakes and joins the thread. Text already
  // collected stays for TakeText.
  void Stop();

  // Any thread. False (and the event deleted) when the queue refuses it.
  bool Add(std::unique_ptr<CProtocolEvent> event);
  // Events are formatted only while running; setting it wakes the thread.
  void SetRunning(bool running);
  bool IsRunning() const { return m_bRunning; }
  // The window that gets WM_PROTOCOL_TEXT (null: none; the text waits).
  void SetOutputWindow(HWND hwnd);

  // GUI thread: the text collected so far (lines ended by "\r\n"); the buffer is empty again and
  // the next hand-over may be posted.
  CString TakeText();

  // The lines of one event: time stamp, blank, tab and headline; further non-empty lines indented
  // by three tabs, continuation lines too. Every line ends with "\r\n".
  static CString FormatEvent(const CProtocolEvent& event);

 private:
  void Run();
  // Under m_mutex: whether a hand-over message must be posted now (and notes it as posted).
  HWND TakePostTarget(bool batchEnd);

  CProtocolEventsCollection m_events;
  std::atomic<bool> m_bRunning{false};

  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_bStop = false;
  bool m_bData = false;
  bool m_bPosted = false;
  HWND m_hOutput = nullptr;
  std::wstring m_text;
  std::thread m_thread;
};
