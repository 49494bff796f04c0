// The worker pool under load from several threads: every job runs once, Drain waits for all.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/rpc/WorkerPool.h"

namespace {

TEST(WorkerPoolConcurrentTest, EveryJobRunsOnceAndDrainWaitsForAll) {
  tessaly::rpc::CWorkerPool pool;
  std::atomic<int> ran{0};
  std::atomic<bool> onWorker{true};
  std::vector<std::thread> posters;
  for (int t = 0; t < 4; ++t) {
    posters.emplace_back([&] {
      for (int i = 0; i < 500; ++i)
        pool.Post([&] {
          if (!tessaly::rpc::CWorkerPool::IsWorkerThread()) onWorker = false;
          ++ran;
        });
    });
  }
  for (auto& t : posters) t.join();
  pool.Drain();
  EXPECT_EQ(2000, ran.load());
  EXPECT_TRUE(onWorker.load());
}

TEST(WorkerPoolConcurrentTest, ABlockedJobDoesNotHoldUpTheNext) {
  tessaly::rpc::CWorkerPool pool;
  std::atomic<bool> release{false}, second{false};
  pool.Post([&] {
    while (!release) std::this_thread::yield();
  });
  pool.Post([&] { second = true; });
  while (!second) std::this_thread::yield();  // the pool grew: it ran while the first waits
  release = true;
  pool.Drain();
  EXPECT_TRUE(second.load());
}

// Jobs that wait until the test opens the gate.
struct Gate {
  std::mutex mutex;
  std::condition_variable cv;
  bool open = false;
  void Wait() {
    std::unique_lock<std::mutex> lock(mutex);
    cv.wait(lock, [this] { return open; });
  }
  void Open() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      open = true;
    }
    cv.notify_all();
  }
};

template <class F>
bool WaitUntil(F done) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);  // a failure guard
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

TEST(WorkerPoolConcurrentTest, AWaitingLaneHoldsOnlyItsShareAndTheOthersGoOn) {
  tessaly::rpc::WorkerLimits limits;
  limits.maxWorkers = 6;
  limits.laneRunning = 2;
  limits.laneQueued = 1000;
  tessaly::rpc::CWorkerPool pool(limits);
  Gate gate;
  std::atomic<int> running{0}, most{0}, done{0};
  auto stalled = pool.NewLane();
  for (int i = 0; i < 500; ++i) {
    ASSERT_TRUE(pool.Post(stalled, [&] {
      int now = ++running;
      int seen = most.load();
      while (now > seen && !most.compare_exchange_weak(seen, now)) {
      }
      gate.Wait();
      --running;
      ++done;
    }));
  }
  // Other lanes (and the shared one) are served while the stalled lane waits.
  std::atomic<int> others{0};
  for (int lane = 0; lane < 3; ++lane) {
    auto other = pool.NewLane();
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(pool.Post(other, [&] { ++others; }));
  }
  pool.Post([&] { ++others; });
  EXPECT_TRUE(WaitUntil([&] { return others.load() == 61; }));
  EXPECT_LE(pool.ThreadCount(), 6u);
  EXPECT_EQ(2, running.load());
  gate.Open();
  pool.Drain();
  EXPECT_EQ(500, done.load());
  EXPECT_EQ(2, most.load());
  EXPECT_LE(pool.ThreadCount(), 6u);
}

TEST(WorkerPoolConcurrentTest, ALaneRefusesJobsBeyondItsQueueButNotThoseThatMustRun) {
  tessaly::rpc::WorkerLimits limits;
  limits.laneRunning = 1;
  limits.laneQueued = 3;
  tessaly::rpc::CWorkerPool pool(limits);
  Gate gate;
  std::atomic<int> ran{0};
  auto lane = pool.NewLane();
  std::atomic<bool> started{false};
  ASSERT_TRUE(pool.Post(lane, [&] {
    started = true;
    gate.Wait();
    ++ran;
  }));
  ASSERT_TRUE(WaitUntil([&] { return started.load(); }));
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(pool.Post(lane, [&] { ++ran; })) << i;
  EXPECT_FALSE(pool.Post(lane, [&] { ++ran; }));
  EXPECT_TRUE(pool.Post(lane, [&] { ++ran; }, true));
  EXPECT_TRUE(pool.Post(pool.NewLane(), [&] { ++ran; }));  // another lane has room
  gate.Open();
  pool.Drain();
  EXPECT_EQ(6, ran.load());
}

TEST(WorkerPoolConcurrentTest, AnUnboundedLaneRunsWhileEveryWorkerWaits) {
  tessaly::rpc::WorkerLimits limits;
  limits.maxWorkers = 2;
  tessaly::rpc::CWorkerPool pool(limits);
  Gate gate;
  auto bounded = pool.NewLane();
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(pool.Post(bounded, [&] { gate.Wait(); }));
  EXPECT_TRUE(WaitUntil([&] { return pool.ThreadCount() == 2; }));
  std::atomic<int> ran{0};
  auto unbounded = pool.NewLane(false);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(pool.Post(unbounded, [&] { ++ran; }));
  EXPECT_TRUE(WaitUntil([&] { return ran.load() == 3; }));
  gate.Open();
  pool.Drain();
}

TEST(WorkerPoolConcurrentTest, IdleWorkersEnd) {
  tessaly::rpc::WorkerLimits limits;
  limits.idleTimeout = std::chrono::milliseconds(50);
  tessaly::rpc::CWorkerPool pool(limits);
  Gate gate;
  for (int i = 0; i < 8; ++i) pool.Post([&] { gate.Wait(); });
  EXPECT_TRUE(WaitUntil([&] { return pool.ThreadCount() == 8; }));
  gate.Open();
  pool.Drain();
  EXPECT_TRUE(WaitUntil([&] { return pool.ThreadCount() == 0; }));
  // And start again when work comes.
  std::atomic<bool> ran{false};
  pool.Post([&] { ran = true; });
  EXPECT_TRUE(WaitUntil([&] { return ran.load(); }));
}

}  // namespace
