#include "platform/win32/Sync.h"
#include "platform/win32/Thread.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

constexpr DWORD kGuardMs = 10000;

struct Gate {
  HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  DWORD seenId = 0;
  ~Gate() {
    CloseHandle(started);
    CloseHandle(go);
  }
};

DWORD WaitAtGate(LPVOID p) {
  auto* gate = static_cast<Gate*>(p);
  gate->seenId = GetCurrentThreadId();
  SetEvent(gate->started);
  WaitForSingleObject(gate->go, INFINITE);
  return 42;
}

TEST(ThreadConcurrent, HandleSignalsEndAndCarriesExitCode) {
  Gate gate;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, &WaitAtGate, &gate, 0, &id);
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(WaitForSingleObject(gate.started, kGuardMs), WAIT_OBJECT_0);

  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);

  SetEvent(gate.go);
  ASSERT_EQ(WaitForSingleObject(thread, kGuardMs), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "stays signalled";
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 42u);
  EXPECT_EQ(gate.seenId, id);
  EXPECT_EQ(GetThreadId(thread), id);
  EXPECT_NE(id, GetCurrentThreadId());
  EXPECT_TRUE(CloseHandle(thread));
}

TEST(ThreadConcurrent, StopPatternWaitsForThreadOrFinishedEvent) {
  // The worker-thread owner waits on the thread handle and a finished event, for either.
  Gate gate;
  HANDLE thread = CreateThread(nullptr, 0, &WaitAtGate, &gate, 0, nullptr);
  HANDLE finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE both[] = {thread, finished};
  ASSERT_EQ(WaitForSingleObject(gate.started, kGuardMs), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 5), WAIT_TIMEOUT);
  SetEvent(gate.go);
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, kGuardMs), WAIT_OBJECT_0);
  CloseHandle(thread);
  CloseHandle(finished);
}

DWORD ReportId(LPVOID) { return GetCurrentThreadId(); }

TEST(ThreadConcurrent, ThreadIdsAreStableAndDistinct) {
  const DWORD mine = GetCurrentThreadId();
  EXPECT_NE(mine, 0u);
  EXPECT_EQ(GetCurrentThreadId(), mine);
  DWORD ids[2] = {};
  HANDLE threads[2];
  for (int i = 0; i < 2; ++i) threads[i] = CreateThread(nullptr, 0, &ReportId, nullptr, 0, &ids[i]);
  ASSERT_EQ(WaitForMultipleObjects(2, threads, TRUE, kGuardMs), WAIT_OBJECT_0);
  for (int i = 0; i < 2; ++i) {
    DWORD reported = 0;
    GetExitCodeThread(threads[i], &reported);
    EXPECT_EQ(reported, ids[i]);
    EXPECT_NE(ids[i], mine);
    CloseHandle(threads[i]);
  }
  EXPECT_NE(ids[0], ids[1]);
}

TEST(ThreadConcurrent, PrioritiesAreRecordedBestEffort) {
  Gate gate;
  HANDLE thread = CreateThread(nullptr, 0, &WaitAtGate, &gate, 0, nullptr);
  EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_NORMAL);
  EXPECT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_ABOVE_NORMAL));
  EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_ABOVE_NORMAL);
  EXPECT_FALSE(SetThreadPriority(thread, 7));
  EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_ABOVE_NORMAL);
  SetEvent(gate.go);
  WaitForSingleObject(thread, kGuardMs);
  CloseHandle(thread);

  EXPECT_TRUE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST));
  EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_HIGHEST);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
  EXPECT_FALSE(SetThreadPriority(nullptr, THREAD_PRIORITY_NORMAL));
  EXPECT_EQ(GetThreadPriority(nullptr), THREAD_PRIORITY_ERROR_RETURN);
}

TEST(ThreadConcurrent, RefusedStartsCreateNothing) {
  SetLastError(0);
  EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(CreateThread(nullptr, 0, &ReportId, nullptr, CREATE_SUSPENDED, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  DWORD code = 0;
  EXPECT_FALSE(GetExitCodeThread(nullptr, &code));
}

TEST(ThreadConcurrent, LastErrorBelongsToEachThread) {
  SetLastError(1234);
  HANDLE thread = CreateThread(nullptr, 0, [](LPVOID) -> DWORD { return GetLastError(); }, nullptr, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(thread, kGuardMs), WAIT_OBJECT_0);
  DWORD seen = 1;
  GetExitCodeThread(thread, &seen);
  EXPECT_EQ(seen, 0u);
  EXPECT_EQ(GetLastError(), 1234u);
  CloseHandle(thread);
}

}  // namespace

namespace {

DWORD WaitForever(LPVOID p) { return WaitForSingleObject(static_cast<HANDLE>(p), INFINITE); }

TEST(ThreadDeathTest, ProcessExitsCleanlyWithThreadsStillRunning) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        CreateThread(nullptr, 0, &WaitForever, never, 0, nullptr);
        CreateThread(
            nullptr, 0,
            [](LPVOID p) -> DWORD {
              SetEvent(static_cast<HANDLE>(p));
              for (;;) Sleep(1);
            },
            started, 0, nullptr);
        WaitForSingleObject(started, INFINITE);
        std::exit(0);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
