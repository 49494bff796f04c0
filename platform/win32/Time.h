// System and local time, FILETIME and OLE date conversions, the tick count, and the one
// injectable clock behind all of them.
//
// Every "now" of this layer (GetSystemTime, GetLocalTime, GetSystemTimeAsFileTime,
// GetTickCount, window timers) comes from the installed IClock. Tests install a
// ManualClock and move it. Timeouts of waits (WaitForSingleObject and friends) and Sleep
// use the real monotonic clock instead.
#pragma once

#include "platform/win32/WinTypes.h"

#include <atomic>

namespace tessaly::win32 {

class IClock {
 public:
  virtual ~IClock() = default;
  // Current UTC time.
  virtual FILETIME Now() const = 0;
  // Milliseconds of a monotonic clock (GetTickCount64).
  virtual ULONGLONG Ticks() const = 0;
};

// The real clocks: system time and the monotonic clock.
IClock& SystemClock();
// The clock in use.
IClock& Clock();

// Installs `clock` (null: the system clock) and returns the one it replaces. The caller
// keeps `clock` alive while installed.
IClock* SetClockForTesting(IClock* clock);

// A clock that moves only when told; safe to read and move from any thread. Moving it
// wakes threads blocked in GetMessage so they see due timers.
class ManualClock : public IClock {
 public:
  // 2024-01-01 00:00:00 UTC and 1000000 ms of ticks unless told otherwise.
  ManualClock();
  ManualClock(ULONGLONG fileTime, ULONGLONG ticks);

  FILETIME Now() const override;
  ULONGLONG Ticks() const override;

  // Moves both the time and the ticks forward.
  void Advance(ULONGLONG milliseconds);
  void SetNow(ULONGLONG fileTime);
  void SetTicks(ULONGLONG ticks);

 private:
  std::atomic<ULONGLONG> m_fileTime;
  std::atomic<ULONGLONG> m_ticks;
};

// Installs a clock for the scope, restores the previous one on exit.
class ScopedClockForTesting {
 public:
  explicit ScopedClockForTesting(IClock& clock) : m_previous(SetClockForTesting(&clock)) {}
  ~ScopedClockForTesting() { SetClockForTesting(m_previous); }
  ScopedClockForTesting(const ScopedClockForTesting&) = delete;
  ScopedClockForTesting& operator=(const ScopedClockForTesting&) = delete;

 private:
  IClock* m_previous;
};

// FILETIME as one 64-bit number of 100 ns since 1601-01-01, and back.
constexpr ULONGLONG FileTimeToUInt64(const FILETIME& ft) {
  return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}
constexpr FILETIME UInt64ToFileTime(ULONGLONG value) {
  return FILETIME{static_cast<DWORD>(value & 0xFFFFFFFFu), static_cast<DWORD>(value >> 32)};
}
// 1970-01-01 as a FILETIME number.
constexpr ULONGLONG kUnixEpochFileTime = 116444736000000000ULL;

}  // namespace tessaly::win32

void GetSystemTime(LPSYSTEMTIME systemTime);
void GetLocalTime(LPSYSTEMTIME localTime);
void GetSystemTimeAsFileTime(LPFILETIME fileTime);

// FALSE (ERROR_INVALID_PARAMETER) for a field out of range: year 1601..30827, month,
// day of that month, hour, minute, second, milliseconds. The day of the week is ignored.
BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime);
// FALSE for a value at or above 0x8000000000000000; fills the day of the week.
BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime);
// -1, 0 or 1.
LONG CompareFileTime(const FILETIME* first, const FILETIME* second);

// Local time of the process's time zone (TZ), with the offset in force at that instant.
BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime);
BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime);

// Bias in minutes (UTC = local + Bias), names, and this year's change-over dates in the
// recurring form (wYear 0, wDay = week 1..5 of the month, 5 the last). Returns
// TIME_ZONE_ID_UNKNOWN when the zone has no daylight saving time, else the one in force.
DWORD GetTimeZoneInformation(LPTIME_ZONE_INFORMATION info);

// OLE dates: days since 1899-12-30; for dates before it the integer part counts back and
// the fraction still counts forward (-1.25 is 1899-12-29 06:00). Years 100..9999.
// SystemTimeToVariantTime ignores the milliseconds; VariantTimeToSystemTime rounds to the
// nearest second (milliseconds 0). FALSE on fields out of range.
INT SystemTimeToVariantTime(const SYSTEMTIME* systemTime, DATE* variantTime);
INT VariantTimeToSystemTime(DATE variantTime, LPSYSTEMTIME systemTime);

// Milliseconds of the monotonic clock; the 32-bit form wraps after 49.7 days, so take
// differences as unsigned.
DWORD GetTickCount();
ULONGLONG GetTickCount64();
