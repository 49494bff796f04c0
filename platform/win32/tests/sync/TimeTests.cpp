#include "platform/win32/Handles.h"
#include "platform/win32/Time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>

using namespace tessaly::win32;

namespace {

SYSTEMTIME St(WORD y, WORD mo, WORD d, WORD h = 0, WORD mi = 0, WORD s = 0, WORD ms = 0) {
  SYSTEMTIME st{};
  st.wYear = y;
  st.wMonth = mo;
  st.wDay = d;
  st.wHour = h;
  st.wMinute = mi;
  st.wSecond = s;
  st.wMilliseconds = ms;
  return st;
}

void ExpectSame(const SYSTEMTIME& a, const SYSTEMTIME& b) {
  EXPECT_EQ(a.wYear, b.wYear);
  EXPECT_EQ(a.wMonth, b.wMonth);
  EXPECT_EQ(a.wDay, b.wDay);
  EXPECT_EQ(a.wHour, b.wHour);
  EXPECT_EQ(a.wMinute, b.wMinute);
  EXPECT_EQ(a.wSecond, b.wSecond);
  EXPECT_EQ(a.wMilliseconds, b.wMilliseconds);
}

constexpr ULONGLONG kDay = 864000000000ULL;

TEST(TimeConversion, SystemTimeAndFileTimeTable) {
  struct Case {
    SYSTEMTIME st;
    ULONGLONG fileTime;
    WORD dayOfWeek;
  };
  const Case cases[] = {
      {St(1601, 1, 1), 0, 1},                                           // Monday
      {St(1970, 1, 1), kUnixEpochFileTime, 4},                          // Thursday
      {St(1900, 3, 1), 94405824000000000ULL, 4},                        // 1900 is no leap year
      {St(2000, 2, 29, 12, 34, 56, 789), 125963012967890000ULL, 2},     // 2000 is one
      {St(2024, 12, 31, 23, 59, 59, 999), 133801631999990000ULL, 2},
      {St(30827, 12, 31, 23, 59, 59, 999), 0x7FFF35F4F06C58F0ULL, 5},  // the last valid day
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.st.wYear << "-" << c.st.wMonth << "-" << c.st.wDay);
    FILETIME ft{};
    ASSERT_TRUE(SystemTimeToFileTime(&c.st, &ft));
    EXPECT_EQ(FileTimeToUInt64(ft), c.fileTime);
    SYSTEMTIME back{};
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
    ExpectSame(back, c.st);
    EXPECT_EQ(back.wDayOfWeek, c.dayOfWeek);
  }
}

TEST(TimeConversion, InvalidSystemTimesAreRefused) {
  const SYSTEMTIME invalid[] = {
      St(1900, 2, 29), St(2023, 2, 29), St(2024, 4, 31),  St(2024, 0, 1),         St(2024, 13, 1),
      St(2024, 1, 0),  St(2024, 1, 32), St(2024, 1, 1, 24), St(2024, 1, 1, 0, 60), St(2024, 1, 1, 0, 0, 60),
      St(2024, 1, 1, 0, 0, 0, 1000),    St(1600, 12, 31),   St(30828, 1, 1),
  };
  for (const auto& st : invalid) {
    SCOPED_TRACE(testing::Message() << st.wYear << "-" << st.wMonth << "-" << st.wDay << " " << st.wHour << ":"
                                    << st.wMinute << ":" << st.wSecond << "." << st.wMilliseconds);
    FILETIME ft{1, 2};
    SetLastError(0);
    EXPECT_FALSE(SystemTimeToFileTime(&st, &ft));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(FileTimeToUInt64(ft), FileTimeToUInt64(FILETIME{1, 2})) << "output untouched";
  }
  const FILETIME tooLarge = UInt64ToFileTime(0x8000000000000000ULL);
  SYSTEMTIME st{};
  EXPECT_FALSE(FileTimeToSystemTime(&tooLarge, &st));
}

TEST(TimeConversion, CompareFileTimeOrdersUnsigned) {
  const FILETIME low = UInt64ToFileTime(0x00000001FFFFFFFFULL);
  const FILETIME high = UInt64ToFileTime(0x0000000200000000ULL);
  EXPECT_EQ(CompareFileTime(&low, &high), -1);
  EXPECT_EQ(CompareFileTime(&high, &low), 1);
  EXPECT_EQ(CompareFileTime(&low, &low), 0);
}

TEST(TimeConversion, VariantTimeTable) {
  struct Case {
    SYSTEMTIME st;
    DATE date;
  };
  const Case cases[] = {
      {St(1899, 12, 30), 0.0},
      {St(1899, 12, 31), 1.0},
      {St(1899, 12, 29, 6), -1.25},  // day counts back, the time forward
      {St(1899, 12, 28, 18), -2.75},
      {St(1900, 1, 1), 2.0},
      {St(2000, 1, 1, 12), 36526.5},
      {St(100, 1, 1), -657434.0},
      {St(9999, 12, 31), 2958465.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.date);
    DATE date = 12345;
    ASSERT_TRUE(SystemTimeToVariantTime(&c.st, &date));
    EXPECT_DOUBLE_EQ(date, c.date);
    SYSTEMTIME back{};
    ASSERT_TRUE(VariantTimeToSystemTime(c.date, &back));
    ExpectSame(back, c.st);
  }
}

TEST(TimeConversion, VariantTimeRoundsToTheSecond) {
  const double second = 1.0 / 86400.0;
  struct Case {
    DATE date;
    SYSTEMTIME expected;
  };
  const Case cases[] = {
      {36526.5 + 0.4 * second, St(2000, 1, 1, 12, 0, 0)},
      {36526.5 + 0.6 * second, St(2000, 1, 1, 12, 0, 1)},
      {2.0 - 0.2 * second, St(1900, 1, 1)},          // rounds up into the next day
      {-1.0 - (1.0 - 0.2 * second), St(1899, 12, 30)},  // before 1899 too: forward
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.date);
    SYSTEMTIME st{};
    ASSERT_TRUE(VariantTimeToSystemTime(c.date, &st));
    ExpectSame(st, c.expected);
  }
  // Milliseconds are not part of an OLE date.
  const SYSTEMTIME withMs = St(2000, 1, 1, 12, 0, 0, 999);
  DATE date = 0;
  ASSERT_TRUE(SystemTimeToVariantTime(&withMs, &date));
  EXPECT_DOUBLE_EQ(date, 36526.5);
}

TEST(TimeConversion, VariantTimeOutOfRangeIsRefused) {
  for (DATE bad : {-657435.0, 2958466.0, std::nan(""), HUGE_VAL}) {
    SYSTEMTIME st{};
    EXPECT_FALSE(VariantTimeToSystemTime(bad, &st)) << bad;
  }
  for (const SYSTEMTIME& bad : {St(99, 12, 31), St(10000, 1, 1), St(2023, 2, 29)}) {
    DATE date = 0;
    EXPECT_FALSE(SystemTimeToVariantTime(&bad, &date)) << bad.wYear;
  }
}

TEST(TimeClock, ManualClockDrivesNowAndTicks) {
  ManualClock clock(kUnixEpochFileTime + 15 * kDay / 10, 0xFFFFFFF0ULL);
  {
    ScopedClockForTesting scoped(clock);
    SYSTEMTIME st{};
    GetSystemTime(&st);
    ExpectSame(st, St(1970, 1, 2, 12));
    const DWORD before = GetTickCount();
    clock.Advance(0x20);
    EXPECT_EQ(GetTickCount64(), 0x100000010ULL);
    EXPECT_EQ(GetTickCount(), 0x10u) << "the 32-bit count wraps";
    EXPECT_EQ(GetTickCount() - before, 0x20u) << "unsigned differences survive the wrap";
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    EXPECT_EQ(FileTimeToUInt64(now), kUnixEpochFileTime + 15 * kDay / 10 + 0x20 * 10000ULL);
  }
  EXPECT_EQ(&Clock(), &SystemClock()) << "restored on scope exit";
}

TEST(TimeClock, SystemClockMovesForward) {
  const ULONGLONG first = SystemClock().Ticks();
  EXPECT_GE(SystemClock().Ticks(), first);
  SYSTEMTIME st{};
  GetSystemTime(&st);
  EXPECT_GE(st.wYear, 2024);
}

// ---- local time ---------------------------------------------------------------------

class TimeZoneTest : public testing::Test {
 protected:
  void UseZone(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
  }
  void TearDown() override {
    if (m_hadZone) {
      setenv("TZ", m_saved.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  const char* m_env = std::getenv("TZ");
  bool m_hadZone = m_env != nullptr;
  std::string m_saved = m_env != nullptr ? m_env : "";
};

TEST_F(TimeZoneTest, UtcZoneMakesLocalEqualSystem) {
  UseZone("UTC");
  ManualClock clock;
  ScopedClockForTesting scoped(clock);
  SYSTEMTIME system{};
  SYSTEMTIME local{};
  GetSystemTime(&system);
  GetLocalTime(&local);
  ExpectSame(local, system);
  TIME_ZONE_INFORMATION tzi{};
  EXPECT_EQ(GetTimeZoneInformation(&tzi), TIME_ZONE_ID_UNKNOWN);
  EXPECT_EQ(tzi.Bias, 0);
}

TEST_F(TimeZoneTest, LocalFileTimeUsesTheOffsetOfThatInstant) {
  UseZone("CET-1CEST,M3.5.0,M10.5.0/3");
  struct Case {
    SYSTEMTIME utc;
    SYSTEMTIME local;
  };
  const Case cases[] = {
      {St(2024, 1, 15, 12), St(2024, 1, 15, 13)},
      {St(2024, 7, 15, 12), St(2024, 7, 15, 14)},
      {St(2024, 3, 31, 0, 59), St(2024, 3, 31, 1, 59)},  // just before the change-over
      {St(2024, 3, 31, 1, 0), St(2024, 3, 31, 3, 0)},    // just after
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.utc.wMonth << "-" << c.utc.wDay << " " << c.utc.wHour);
    FILETIME utc{};
    FILETIME local{};
    FILETIME back{};
    ASSERT_TRUE(SystemTimeToFileTime(&c.utc, &utc));
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    SYSTEMTIME st{};
    FileTimeToSystemTime(&local, &st);
    ExpectSame(st, c.local);
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
    EXPECT_EQ(FileTimeToUInt64(back), FileTimeToUInt64(utc));
  }
}

TEST_F(TimeZoneTest, TimeZoneInformationOfADaylightZone) {
  UseZone("CET-1CEST,M3.5.0,M10.5.0/3");
  const SYSTEMTIME july = St(2024, 7, 1, 12);
  FILETIME ft{};
  SystemTimeToFileTime(&july, &ft);
  ManualClock clock(FileTimeToUInt64(ft), 0);
  ScopedClockForTesting scoped(clock);

  TIME_ZONE_INFORMATION tzi{};
  EXPECT_EQ(GetTimeZoneInformation(&tzi), TIME_ZONE_ID_DAYLIGHT);
  EXPECT_EQ(tzi.Bias, -60);
  EXPECT_EQ(tzi.StandardBias, 0);
  EXPECT_EQ(tzi.DaylightBias, -60);
  EXPECT_EQ(std::wstring(tzi.StandardName), L"CET");
  EXPECT_EQ(std::wstring(tzi.DaylightName), L"CEST");
  // Last Sunday of March at 02:00, last Sunday of October at 03:00 (local, before the change).
  EXPECT_EQ(tzi.DaylightDate.wMonth, 3);
  EXPECT_EQ(tzi.DaylightDate.wDayOfWeek, 0);
  EXPECT_EQ(tzi.DaylightDate.wDay, 5);
  EXPECT_EQ(tzi.DaylightDate.wHour, 2);
  EXPECT_EQ(tzi.StandardDate.wMonth, 10);
  EXPECT_EQ(tzi.StandardDate.wDay, 5);
  EXPECT_EQ(tzi.StandardDate.wHour, 3);

  SYSTEMTIME local{};
  GetLocalTime(&local);
  EXPECT_EQ(local.wHour, 14);
}

}  // namespace
