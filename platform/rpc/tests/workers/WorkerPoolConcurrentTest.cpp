// The worker pool under load from several threads: every job runs once, Drain waits for all.
#include <gtest/gtest.h>

#include <atomic>
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

}  // namespace
