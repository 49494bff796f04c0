#include "foundation/SimpleWorkThread.h"

#include <chrono>
#include <system_error>

#include "platform/win32/Thread.h"

CSimpleWorkThread::CSimpleWorkThread() = default;

CSimpleWorkThread::~CSimpleWorkThread() { Stop(); }

bool CSimpleWorkThread::IsWorkerThread() {
  CMyCriticalSectionLock lock(m_lock);
  return m_workerId == std::this_thread::get_id();
}

void CSimpleWorkThread::JoinWorker() {
  if (m_thread.joinable()) m_thread.join();
  CMyCriticalSectionLock lock(m_lock);
  m_workerId = std::thread::id();  // ids of ended threads are reused
}

int CSimpleWorkThread::Start() {
  if (IsWorkerThread()) return GetState() != SimpleWorkThreadStopped ? 1 : 0;
  std::lock_guard<std::mutex> lifecycle(m_lifecycle);
  if (GetState() != SimpleWorkThreadStopped) return 1;
  // A Run that ended by itself left its thread to be joined.
  JoinWorker();
  {
    std::lock_guard<std::mutex> stop(m_stopMutex);
    m_stopRequested = false;
  }
  CMyCriticalSectionLock lock(m_lock);
  m_state = SimpleWorkThreadRunning;
  try {
    m_thread = std::thread(&CSimpleWorkThread::ThreadMain, this);
  } catch (const std::system_error&) {
    m_state = SimpleWorkThreadStopped;
    return 0;
  }
  m_workerId = m_thread.get_id();
  return 1;
}

void CSimpleWorkThread::Stop() {
  const bool onWorker = IsWorkerThread();
  std::unique_lock<std::mutex> lifecycle(m_lifecycle, std::defer_lock);
  if (!onWorker) lifecycle.lock();
  bool wasActive;
  {
    CMyCriticalSectionLock lock(m_lock);
    wasActive = m_state != SimpleWorkThreadStopped;
    if (wasActive) m_state = SimpleWorkThreadStopping;
  }
  if (wasActive) {
    std::lock_guard<std::mutex> stop(m_stopMutex);
    m_stopRequested = true;
    m_stopSignal.notify_all();
  }
  if (onWorker) return;  // the owner's Stop or Start joins it
  JoinWorker();
  if (wasActive) OnThreadEnd();
}

void CSimpleWorkThread::OnThreadEnd() {
  CMyCriticalSectionLock lock(m_lock);
  m_state = SimpleWorkThreadStopped;
}

int CSimpleWorkThread::GetState() {
  CMyCriticalSectionLock lock(m_lock);
  return m_state;
}

void CSimpleWorkThread::SetState(int state) {
  CMyCriticalSectionLock lock(m_lock);
  // A Run that marks itself running must not wipe out a stop asked for before it got there.
  if (state == SimpleWorkThreadRunning && m_state == SimpleWorkThreadStopping) return;
  m_state = state;
}

DWORD CSimpleWorkThread::WaitForStopRequest(DWORD ms) {
  bool mayWait;
  {
    CMyCriticalSectionLock lock(m_lock);
    mayWait = m_state == SimpleWorkThreadRunning && m_workerId != std::thread::id();
  }
  std::unique_lock<std::mutex> stop(m_stopMutex);
  if (m_stopRequested) return WAIT_OBJECT_0;
  if (!mayWait) return 0xFFFFFFFF;
  auto asked = [this] { return m_stopRequested; };
  if (ms == INFINITE) {
    m_stopSignal.wait(stop, asked);
    return WAIT_OBJECT_0;
  }
  return m_stopSignal.wait_for(stop, std::chrono::milliseconds(ms), asked) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

DWORD CSimpleWorkThread::GetExitCode() {
  CMyCriticalSectionLock lock(m_lock);
  return m_exitCode;
}

DWORD CSimpleWorkThread::Run() {
  SetState(SimpleWorkThreadRunning);
  while (GetState() == SimpleWorkThreadRunning) {
    if (WaitForStopRequest(1000) != WAIT_TIMEOUT) break;
  }
  OnThreadEnd();
  return 0;
}

void CSimpleWorkThread::ThreadMain(CSimpleWorkThread* self) {
  // Best effort: the platform records the priority without changing the scheduling.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
  const DWORD code = self->Run();
  CMyCriticalSectionLock lock(self->m_lock);
  self->m_exitCode = code;
  self->m_state = SimpleWorkThreadStopped;
}
