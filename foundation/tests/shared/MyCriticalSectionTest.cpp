#include "foundation/shared/MyCriticalSection.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

TEST(MyCriticalSection, RecursiveForItsHolder) {
  CMyCriticalSection cs;
  CMyCriticalSectionLock outer(cs);
  CMyCriticalSectionLock inner(&cs.m_cs);  // the same thread enters again
  SUCCEED();
}

TEST(MyCriticalSectionConcurrent, GuardSerialisesWriters) {
  CMyCriticalSection cs;
  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        CMyCriticalSectionLock lock(cs);
        ++counter;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(counter, 40000);
}
