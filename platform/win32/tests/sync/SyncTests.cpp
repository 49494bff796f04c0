#include "platform/win32/Sync.h"
#include "platform/win32/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace {

constexpr DWORD kGuardMs = 10000;  // failure guard only; never the expected path

struct WaitCase {
  const char* name;
  BOOL manualReset;
  BOOL initial;
  DWORD firstWait;
  DWORD secondWait;
};

TEST(SyncEvents, WaitResultsFollowResetMode) {
  const WaitCase cases[] = {
      {"unsignalled times out", TRUE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
      {"manual stays signalled", TRUE, TRUE, WAIT_OBJECT_0, WAIT_OBJECT_0},
      {"auto is consumed by one wait", FALSE, TRUE, WAIT_OBJECT_0, WAIT_TIMEOUT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HANDLE event = CreateEventW(nullptr, c.manualReset, c.initial, nullptr);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 0), c.firstWait);
    EXPECT_EQ(WaitForSingleObject(event, 5), c.secondWait);
    EXPECT_TRUE(CloseHandle(event));
  }
}

TEST(SyncEvents, SetAndResetAndAutoResetDoesNotCount) {
  HANDLE manual = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE autoReset = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  EXPECT_TRUE(SetEvent(manual));
  EXPECT_TRUE(ResetEvent(manual));
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
  EXPECT_TRUE(SetEvent(autoReset));
  EXPECT_TRUE(SetEvent(autoReset));
  EXPECT_EQ(WaitForSingleObject(autoReset, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(autoReset, 0), WAIT_TIMEOUT);
  CloseHandle(manual);
  CloseHandle(autoReset);
}

TEST(SyncEvents, HandlesAreSmallNumbersAndBadOnesFail) {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  EXPECT_LT(reinterpret_cast<uintptr_t>(event), static_cast<uintptr_t>(1) << 31);
  HANDLE stale = event;
  EXPECT_TRUE(CloseHandle(event));

  for (HANDLE bad : {stale, static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
    SetLastError(0);
    EXPECT_EQ(WaitForSingleObject(bad, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(CloseHandle(bad));
    EXPECT_FALSE(SetEvent(bad));
    EXPECT_FALSE(ResetEvent(bad));
  }
}

TEST(SyncEvents, WaitForMultipleRejectsBadArguments) {
  HANDLE event = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  HANDLE twice[] = {event, event};
  SetLastError(0);
  EXPECT_EQ(WaitForMultipleObjects(2, twice, TRUE, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(WaitForMultipleObjects(2, twice, FALSE, 0), WAIT_OBJECT_0);  // fine for wait-any
  EXPECT_EQ(WaitForMultipleObjects(0, twice, FALSE, 0), WAIT_FAILED);
  std::vector<HANDLE> many(MAXIMUM_WAIT_OBJECTS + 1, event);
  EXPECT_EQ(WaitForMultipleObjects(static_cast<DWORD>(many.size()), many.data(), FALSE, 0), WAIT_FAILED);
  HANDLE withBad[] = {event, nullptr};
  EXPECT_EQ(WaitForMultipleObjects(2, withBad, FALSE, 0), WAIT_FAILED);
  CloseHandle(event);
}

TEST(SyncEvents, WaitAnyGivesFirstSignalledIndex) {
  HANDLE events[3];
  for (auto& e : events) e = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  SetEvent(events[2]);
  SetEvent(events[1]);
  EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 2);
  EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 5), WAIT_TIMEOUT);
  for (auto& e : events) CloseHandle(e);
}

TEST(SyncEvents, WaitAllTakesAllOrNothing) {
  HANDLE events[2] = {CreateEventW(nullptr, FALSE, TRUE, nullptr), CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  EXPECT_EQ(WaitForMultipleObjects(2, events, TRUE, 5), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(events[0], 0), WAIT_OBJECT_0) << "a failed wait-all must not consume";
  SetEvent(events[0]);
  SetEvent(events[1]);
  EXPECT_EQ(WaitForMultipleObjects(2, events, TRUE, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(events[0], 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(events[1], 0), WAIT_TIMEOUT);
  for (auto& e : events) CloseHandle(e);
}

TEST(SyncEvents, NamedEventsAreShared) {
  HANDLE first = CreateEventW(nullptr, TRUE, FALSE, L"Tessaly.Test.Named");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  HANDLE second = CreateEventW(nullptr, FALSE, TRUE, L"Tessaly.Test.Named");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_NE(first, second);
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_TIMEOUT) << "the existing event keeps its state";
  SetEvent(first);
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);
  CloseHandle(first);
  CloseHandle(second);
  HANDLE fresh = CreateEventW(nullptr, TRUE, FALSE, L"Tessaly.Test.Named");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "gone with its last handle";
  CloseHandle(fresh);
}

// ---- across threads ----------------------------------------------------------------

struct WakeCounter {
  HANDLE event;
  HANDLE ack;
  std::atomic<int> woken{0};
};

DWORD WaitOnceAndCount(LPVOID p) {
  auto* s = static_cast<WakeCounter*>(p);
  if (WaitForSingleObject(s->event, INFINITE) != WAIT_OBJECT_0) return 1;
  s->woken.fetch_add(1);
  SetEvent(s->ack);
  return 0;
}

TEST(SyncConcurrent, AutoResetEventReleasesOneWaiterPerSet) {
  WakeCounter s;
  s.event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  s.ack = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  constexpr int kWaiters = 4;
  HANDLE threads[kWaiters];
  for (auto& t : threads) t = CreateThread(nullptr, 0, &WaitOnceAndCount, &s, 0, nullptr);
  for (int i = 1; i <= kWaiters; ++i) {
    SetEvent(s.event);
    ASSERT_EQ(WaitForSingleObject(s.ack, kGuardMs), WAIT_OBJECT_0);
    EXPECT_LE(s.woken.load(), i);
  }
  EXPECT_EQ(WaitForMultipleObjects(kWaiters, threads, TRUE, kGuardMs), WAIT_OBJECT_0);
  EXPECT_EQ(s.woken.load(), kWaiters);
  EXPECT_EQ(WaitForSingleObject(s.event, 0), WAIT_TIMEOUT) << "every set was consumed by one waiter";
  for (auto& t : threads) CloseHandle(t);
  CloseHandle(s.event);
  CloseHandle(s.ack);
}

struct Pair {
  HANDLE events[2];
};

DWORD WaitForBoth(LPVOID p) {
  auto* pair = static_cast<Pair*>(p);
  return WaitForMultipleObjects(2, pair->events, TRUE, INFINITE);
}

TEST(SyncConcurrent, WaitAllWaiterNeverTakesHalf) {
  Pair pair{{CreateEventW(nullptr, FALSE, FALSE, nullptr), CreateEventW(nullptr, FALSE, FALSE, nullptr)}};
  HANDLE thread = CreateThread(nullptr, 0, &WaitForBoth, &pair, 0, nullptr);
  SetEvent(pair.events[0]);
  EXPECT_EQ(WaitForSingleObject(pair.events[0], kGuardMs), WAIT_OBJECT_0) << "the half stays for others";
  SetEvent(pair.events[0]);
  SetEvent(pair.events[1]);
  ASSERT_EQ(WaitForSingleObject(thread, kGuardMs), WAIT_OBJECT_0);
  DWORD code = 99;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, WAIT_OBJECT_0);
  EXPECT_EQ(WaitForMultipleObjects(2, pair.events, FALSE, 0), WAIT_TIMEOUT);
  CloseHandle(thread);
  for (auto& e : pair.events) CloseHandle(e);
}

struct CloseRace {
  HANDLE target;
  HANDLE stop;
};

DWORD WaitOnTargetOrStop(LPVOID p) {
  auto* race = static_cast<CloseRace*>(p);
  HANDLE both[] = {race->target, race->stop};
  return WaitForMultipleObjects(2, both, FALSE, INFINITE);
}

TEST(SyncConcurrent, ClosingAHandleDuringAWaitIsSafe) {
  CloseRace race{CreateEventW(nullptr, TRUE, FALSE, nullptr), CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  HANDLE stop = race.stop;
  HANDLE thread = CreateThread(nullptr, 0, &WaitOnTargetOrStop, &race, 0, nullptr);
  EXPECT_TRUE(CloseHandle(race.target));
  SetEvent(stop);
  ASSERT_EQ(WaitForSingleObject(thread, kGuardMs), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeThread(thread, &code);
  // Either the wait began before the close (and the stop ends it) or it found the handle gone.
  EXPECT_TRUE(code == WAIT_OBJECT_0 + 1 || code == WAIT_FAILED) << code;
  CloseHandle(thread);
  CloseHandle(stop);
}

// ---- critical sections and interlocked ----------------------------------------------

DWORD TryEnterElsewhere(LPVOID p) {
  auto* section = static_cast<CRITICAL_SECTION*>(p);
  if (!TryEnterCriticalSection(section)) return 0;
  LeaveCriticalSection(section);
  return 1;
}

TEST(SyncConcurrent, CriticalSectionIsRecursiveAndExclusive) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  EnterCriticalSection(&section);
  EXPECT_TRUE(TryEnterCriticalSection(&section));  // the owner may enter again
  HANDLE thread = CreateThread(nullptr, 0, &TryEnterElsewhere, &section, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(thread, kGuardMs), WAIT_OBJECT_0);
  DWORD entered = 2;
  GetExitCodeThread(thread, &entered);
  EXPECT_EQ(entered, 0u);
  CloseHandle(thread);
  LeaveCriticalSection(&section);
  LeaveCriticalSection(&section);

  thread = CreateThread(nullptr, 0, &TryEnterElsewhere, &section, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(thread, kGuardMs), WAIT_OBJECT_0);
  GetExitCodeThread(thread, &entered);
  EXPECT_EQ(entered, 1u);
  CloseHandle(thread);
  DeleteCriticalSection(&section);
}

TEST(SyncEvents, InterlockedOperationsReturnWhatWindowsReturns) {
  volatile LONG value = 5;
  EXPECT_EQ(InterlockedIncrement(&value), 6);
  EXPECT_EQ(InterlockedDecrement(&value), 5);
  EXPECT_EQ(InterlockedExchange(&value, 9), 5);
  EXPECT_EQ(InterlockedExchangeAdd(&value, 3), 9);
  EXPECT_EQ(InterlockedCompareExchange(&value, 1, 7), 12);  // no match: unchanged
  EXPECT_EQ(InterlockedCompareExchange(&value, 1, 12), 12);
  EXPECT_EQ(value, 1);
  volatile LONGLONG wide = 0x100000000LL;
  EXPECT_EQ(InterlockedIncrement64(&wide), 0x100000001LL);
  EXPECT_EQ(InterlockedExchangeAdd64(&wide, -2), 0x100000001LL);
  EXPECT_EQ(InterlockedCompareExchange64(&wide, 3, 0xFFFFFFFFLL), 0xFFFFFFFFLL);
  EXPECT_EQ(InterlockedDecrement64(&wide), 2);
  EXPECT_EQ(InterlockedExchange64(&wide, 0), 2);
}

struct Counter {
  volatile LONG count = 0;
  volatile LONGLONG sum = 0;
};

DWORD CountALot(LPVOID p) {
  auto* c = static_cast<Counter*>(p);
  for (int i = 0; i < 10000; ++i) {
    InterlockedIncrement(&c->count);
    InterlockedExchangeAdd64(&c->sum, 2);
  }
  return 0;
}

TEST(SyncConcurrent, InterlockedCountsFromManyThreads) {
  Counter counter;
  HANDLE threads[4];
  for (auto& t : threads) t = CreateThread(nullptr, 0, &CountALot, &counter, 0, nullptr);
  ASSERT_EQ(WaitForMultipleObjects(4, threads, TRUE, kGuardMs), WAIT_OBJECT_0);
  EXPECT_EQ(counter.count, 40000);
  EXPECT_EQ(counter.sum, 80000);
  for (auto& t : threads) CloseHandle(t);
}

}  // namespace
