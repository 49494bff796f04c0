// Base of the program's own worker threads. Stop always ends in a join, so no caller can free the
// object while its thread still runs; a derived class calls Stop in its own destructor, before its
// members go. A stopped worker can be started again.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

#include "foundation/shared/MyCriticalSection.h"
#include "platform/win32/WinTypes.h"

enum SimpleWorkThreadState { SimpleWorkThreadStopped = 0, SimpleWorkThreadRunning = 1, SimpleWorkThreadStopping = 2 };

class CSimpleWorkThread {
 public:
  CSimpleWorkThread();
  CSimpleWorkThread(const CSimpleWorkThread&) = delete;
  CSimpleWorkThread& operator=(const CSimpleWorkThread&) = delete;
  virtual ~CSimpleWorkThread();

  // 1 when started or already running, 0 when the thread could not be created.
  int Start();
  // Asks the thread to end and joins it. Called on the worker itself it only asks.
  void Stop();
  // Marks the object stopped; Run calls it as its last step (the thread calls it again after Run).
  void OnThreadEnd();

  int GetState();
  void SetState(int state);
  bool IsRunning() { return GetState() == SimpleWorkThreadRunning; }

  // WAIT_OBJECT_0 once a stop was asked for, in every state; while running and not asked,
  // waits up to ms and gives WAIT_TIMEOUT; otherwise 0xFFFFFFFF at once.
  DWORD WaitForStopRequest(DWORD ms);

  // Exit code of the last Run that ended.
  DWORD GetExitCode();

 protected:
  // The thread procedure; returns the thread's exit code.
  virtual DWORD Run();

 private:
  static void ThreadMain(CSimpleWorkThread* self);
  bool IsWorkerThread();
  void JoinWorker();  // owner's side only, with m_lifecycle held

  int m_state = SimpleWorkThreadStopped;  // under m_lock
  CMyCriticalSection m_lock;
  std::thread m_thread;
  std::thread::id m_workerId;  // under m_lock
  DWORD m_exitCode = 0;        // under m_lock

  std::mutex m_lifecycle;  // serialises Start and Stop of owners, never taken by the worker

  std::mutex m_stopMutex;  // the stop event
  std::condition_variable m_stopSignal;
  bool m_stopRequested = false;
};
