#include "app/shell/OutputWndEventThread.h"

#include <chrono>

#include "foundation/Conversions.h"
#include "platform/win32/Messages.h"

COutputWndEventThread::~COutputWndEventThread() {
  Stop();
  m_events.Clear();
}

bool COutputWndEventThread::Start() {
  std::lock_guard<std::mutex> guard(m_mutex);
  if (m_thread.joinable()) return true;
  m_bStop = false;
  m_bRunning = true;
  m_thread = std::thread(&COutputWndEventThread::Run, this);
  return true;
}

void COutputWndEventThread::Stop() {
  std::thread thread;
  {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_bStop = true;
    m_bRunning = false;
    m_hOutput = nullptr;
    thread = std::move(m_thread);
  }
  m_wake.notify_all();
  if (thread.joinable()) thread.join();
}

bool COutputWndEventThread::Add(std::unique_ptr<CProtocolEvent> event) {
  if (!m_events.Add(std::move(event))) return false;
  {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_bData = true;
  }
  m_wake.notify_all();
  return true;
}

void COutputWndEventThread::SetRunning(bool running) {
  {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_bRunning = running;
    if (running) m_bData = true;
  }
  if (running) m_wake.notify_all();
}

void COutputWndEventThread::SetOutputWindow(HWND hwnd) {
  std::lock_guard<std::mutex> guard(m_mutex);
  m_hOutput = hwnd;
  m_bPosted = false;
}

CString COutputWndEventThread::TakeText() {
  std::wstring text;
  {
    std::lock_guard<std::mutex> guard(m_mutex);
    text.swap(m_text);
    m_bPosted = false;
  }
  m_wake.notify_all();
  return CString(text.c_str());
}

CString COutputWndEventThread::FormatEvent(const CProtocolEvent& event) {
  const CProtocolEventText text = event.GetText();
  CString out;
  const CString headline = text.GetText();
  if (!headline.IsEmpty()) {
    out += FormatTimeStamp(event.GetTime().GetFileTime());
    out += L" \t";
    out += headline;
  }
  out += L"\r\n";
  for (int i = 0; i < text.GetLineCount(); ++i) {
    CString line = text.GetLine(i);
    if (line.IsEmpty()) continue;
    line.Replace(L"\r\n", L"\n");
    line.Replace(L"\n", L"\r\n\t\t\t");
    out += L"\t\t\t";
    out += line;
    out += L"\r\n";
  }
  return out;
}

HWND COutputWndEventThread::TakePostTarget(bool batchEnd) {
  if (m_bPosted || m_hOutput == nullptr || m_text.empty()) return nullptr;
  if (!batchEnd && m_text.size() * sizeof(char16_t) <= kHandOverBytes) return nullptr;
  m_bPosted = true;
  return m_hOutput;
}

void COutputWndEventThread::Run() {
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_wake.wait(lock, [this] { return m_bStop || m_bData; });
      if (m_bStop) return;
      m_bData = false;
    }
    while (m_bRunning) {
      std::unique_ptr<CProtocolEvent> event = m_events.Pop();
      if (!event) break;
      const CString text = FormatEvent(*event);
      event.reset();
      HWND target = nullptr;
      {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait(lock, [this] { return m_bStop || m_text.size() * sizeof(char16_t) < kMaxBufferedBytes; });
        if (m_bStop) return;
        m_text.append(text.GetString(), static_cast<size_t>(text.GetLength()));
        target = TakePostTarget(false);
      }
      if (target != nullptr) PostMessage(target, WM_PROTOCOL_TEXT, 0, 0);
    }
    HWND target = nullptr;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      target = TakePostTarget(true);
    }
    if (target != nullptr) PostMessage(target, WM_PROTOCOL_TEXT, 0, 0);
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_wake.wait_for(lock, std::chrono::milliseconds(kBatchPauseMs), [this] { return m_bStop; })) return;
  }
}
