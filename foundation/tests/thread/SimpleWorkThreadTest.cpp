#include "foundation/SimpleWorkThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "platform/win32/Thread.h"

namespace {

// Waits for a stop without any time limit: only Stop can end it.
class WaitingWorker : public CSimpleWorkThread {
 public:
  ~WaitingWorker() override { Stop(); }
  std::atomic<int> runs{0};
  std::atomic<DWORD> lastWait{0};
  std::atomic<int> priority{0};

 protected:
  DWORD Run() override {
    SetState(SimpleWorkThreadRunning);
    ++runs;
    priority = GetThreadPriority(GetCurrentThread());
    while (GetState() == SimpleWorkThreadRunning) lastWait = WaitForStopRequest(INFINITE);
    OnThreadEnd();
    return 7;
  }
};

}  // namespace

TEST(SimpleWorkThread, StoppedObjectIsInertAndNeverWaits) {
  WaitingWorker worker;
  EXPECT_EQ(worker.GetState(), SimpleWorkThreadStopped);
  EXPECT_EQ(worker.WaitForStopRequest(INFINITE), 0xFFFFFFFFu);  // returns at once
  worker.Stop();
  EXPECT_EQ(worker.WaitForStopRequest(INFINITE), 0xFFFFFFFFu);  // Stop signalled nothing
  EXPECT_EQ(worker.runs, 0);
}

TEST(SimpleWorkThread, StartTwiceMakesOneThreadAndStopWakesTheWait) {
  WaitingWorker worker;
  EXPECT_EQ(worker.Start(), 1);
  EXPECT_EQ(worker.Start(), 1);
  EXPECT_TRUE(worker.IsRunning());
  worker.Stop();  // the worker waits without limit: only the stop request ends it
  EXPECT_EQ(worker.GetState(), SimpleWorkThreadStopped);
  EXPECT_EQ(worker.runs, 1);
  EXPECT_EQ(worker.lastWait.load(), WAIT_OBJECT_0);
  EXPECT_EQ(worker.GetExitCode(), 7u);
  EXPECT_EQ(worker.priority.load(), THREAD_PRIORITY_ABOVE_NORMAL);
}

TEST(SimpleWorkThread, StoppedWorkerStartsAgain) {
  WaitingWorker worker;
  for (int round = 1; round <= 3; ++round) {
    ASSERT_EQ(worker.Start(), 1);
    worker.Stop();
    EXPECT_EQ(worker.runs, round);
    EXPECT_FALSE(worker.IsRunning());
  }
}

TEST(SimpleWorkThread, DefaultRunEndsOnStop) {
  CSimpleWorkThread worker;
  ASSERT_EQ(worker.Start(), 1);
  worker.Stop();
  EXPECT_EQ(worker.GetState(), SimpleWorkThreadStopped);
  EXPECT_EQ(worker.GetExitCode(), 0u);
}

TEST(SimpleWorkThread, RunThatEndsByItselfIsJoinedAndRestartable) {
  struct OneShot : CSimpleWorkThread {
    ~OneShot() override { Stop(); }
    std::promise<void> done;
    std::atomic<int> runs{0};
    DWORD Run() override {
      ++runs;
      OnThreadEnd();
      if (runs == 1) done.set_value();
      return 3;
    }
  } worker;
  ASSERT_EQ(worker.Start(), 1);
  worker.done.get_future().wait();
  ASSERT_EQ(worker.Start(), 1);  // joins the finished thread first
  worker.Stop();
  EXPECT_EQ(worker.runs, 2);
}

TEST(SimpleWorkThread, WorkerMayStopItself) {
  struct SelfStopper : CSimpleWorkThread {
    ~SelfStopper() override { Stop(); }
    DWORD Run() override {
      SetState(SimpleWorkThreadRunning);
      Stop();  // must not try to join itself
      seen = WaitForStopRequest(INFINITE);
      OnThreadEnd();
      return 0;
    }
    std::atomic<DWORD> seen{0xFFFFFFFF};
  } worker;
  ASSERT_EQ(worker.Start(), 1);
  worker.Stop();  // joins
  EXPECT_EQ(worker.seen.load(), WAIT_OBJECT_0);
}

TEST(SimpleWorkThreadConcurrent, StopAskedBeforeRunMarksItselfRunningIsNotLost) {
  struct LateStarter : CSimpleWorkThread {
    ~LateStarter() override { Stop(); }
    std::promise<void> gate;
    std::atomic<DWORD> seen{0};
    DWORD Run() override {
      gate.get_future().wait();
      SetState(SimpleWorkThreadRunning);  // too late: a stop is already pending
      seen = WaitForStopRequest(INFINITE);
      OnThreadEnd();
      return 0;
    }
  } worker;
  ASSERT_EQ(worker.Start(), 1);
  std::thread stopper([&] { worker.Stop(); });
  while (worker.GetState() != SimpleWorkThreadStopping) std::this_thread::yield();
  worker.gate.set_value();
  stopper.join();
  EXPECT_EQ(worker.seen.load(), WAIT_OBJECT_0);
  EXPECT_EQ(worker.GetState(), SimpleWorkThreadStopped);
}
