#include "foundation/KxFileTime.h"

#include <gtest/gtest.h>

#include "platform/win32/Time.h"

using namespace tessaly::win32;

TEST(KxFileTime, FollowsTheClockAndCopiesExactly) {
  ManualClock clock(kUnixEpochFileTime + 10'000'000ULL * 3600, 1000);
  ScopedClockForTesting installed(clock);
  CKxFileTime zero;
  EXPECT_EQ(zero.GetValue(), 0u);

  CKxFileTime a;
  CKxFileTime b;
  a.SetCurrentTime();
  b.SetCurrentTime();  // same tick: same value
  EXPECT_EQ(a, b);
  EXPECT_EQ(a.GetValue(), kUnixEpochFileTime + 10'000'000ULL * 3600);

  clock.Advance(42);
  b.SetCurrentTime();
  EXPECT_EQ(b.GetValue() - a.GetValue(), 420'000u);

  CKxFileTime copy(b);
  CKxFileTime assigned;
  assigned.Assign(b);
  EXPECT_EQ(copy, b);
  EXPECT_EQ(FileTimeToUInt64(assigned.GetFileTime()), b.GetValue());
}
