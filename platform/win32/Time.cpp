#include "platform/win32/Time.h"

#include "platform/win32/Handles.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <mutex>

using namespace tessaly::win32;

namespace {

constexpr LONGLONG kTicksPerMs = 10000;
constexpr LONGLONG kTicksPerSecond = 10000000;
constexpr LONGLONG kTicksPerDay = 864000000000LL;
constexpr LONGLONG kDaysFrom1601To1970 = 134774;
constexpr LONGLONG kSecondsPerDay = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date.
LONGLONG DaysFromCivil(LONGLONG y, unsigned m, unsigned d) {
  y -= m <= 2 ? 1 : 0;
  const LONGLONG era = (y >= 0 ? y : y - 399) / 400;
  const LONGLONG yoe = y - era * 400;
  const LONGLONG doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const LONGLONG doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

struct CivilDate {
  LONGLONG year;
  unsigned month;
  unsigned day;
};

CivilDate CivilFromDays(LONGLONG z) {
  z += 719468;
  const LONGLONG era = (z >= 0 ? z : z - 146096) / 146097;
  const LONGLONG doe = z - era * 146097;
  const LONGLONG yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const LONGLONG doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const LONGLONG mp = (5 * doy + 2) / 153;
  const unsigned d = static_cast<unsigned>(doy - (153 * mp + 2) / 5 + 1);
  const unsigned m = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
  return CivilDate{yoe + era * 400 + (m <= 2 ? 1 : 0), m, d};
}

// 0 = Sunday.
WORD WeekdayFromDays(LONGLONG z) { return static_cast<WORD>(z >= -4 ? (z + 4) % 7 : (z + 5) % 7 + 6); }

bool IsLeapYear(LONGLONG y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(LONGLONG y, unsigned m) {
  static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : days[m - 1];
}

bool ValidDate(LONGLONG y, unsigned m, unsigned d) { return m >= 1 && m <= 12 && d >= 1 && d <= DaysInMonth(y, m); }

bool ValidClock(const SYSTEMTIME& st) {
  return st.wHour < 24 && st.wMinute < 60 && st.wSecond < 60 && st.wMilliseconds < 1000;
}

// A FILETIME number as fields, days counted from 1970.
void FillSystemTime(LONGLONG days1970, LONGLONG msOfDay, SYSTEMTIME& st) {
  const CivilDate date = CivilFromDays(days1970);
  st.wYear = static_cast<WORD>(date.year);
  st.wMonth = static_cast<WORD>(date.month);
  st.wDay = static_cast<WORD>(date.day);
  st.wDayOfWeek = WeekdayFromDays(days1970);
  st.wHour = static_cast<WORD>(msOfDay / 3600000);
  st.wMinute = static_cast<WORD>(msOfDay / 60000 % 60);
  st.wSecond = static_cast<WORD>(msOfDay / 1000 % 60);
  st.wMilliseconds = static_cast<WORD>(msOfDay % 1000);
}

constexpr ULONGLONG kMaxFileTime = 0x7FFFFFFFFFFFFFFFULL;

// Seconds east of UTC in force at a UTC instant (seconds since 1970), and whether it is
// daylight saving time.
struct LocalOffset {
  long seconds;
  bool daylight;
  const char* zone;
};

LocalOffset OffsetAt(LONGLONG unixSeconds) {
  const time_t t = static_cast<time_t>(unixSeconds);
  struct tm local {};
  if (localtime_r(&t, &local) == nullptr) return LocalOffset{0, false, "UTC"};
  return LocalOffset{local.tm_gmtoff, local.tm_isdst > 0, local.tm_zone != nullptr ? local.tm_zone : ""};
}

LONGLONG FloorDiv(LONGLONG a, LONGLONG b) { return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0); }

LONGLONG UnixSecondsOf(ULONGLONG fileTime) {
  return FloorDiv(static_cast<LONGLONG>(fileTime) - static_cast<LONGLONG>(kUnixEpochFileTime), kTicksPerSecond);
}

class RealClock : public IClock {
 public:
  FILETIME Now() const override {
    const auto since1970 = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    return UInt64ToFileTime(kUnixEpochFileTime + static_cast<ULONGLONG>(since1970.count() / 100));
  }
  ULONGLONG Ticks() const override {
    return static_cast<ULONGLONG>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::chrono::steady_clock::now().time_since_epoch())
                                      .count());
  }
};

std::atomic<IClock*> g_clock{nullptr};

// A clock moved while a thread checks its timers must wake it: change and notify under
// the kernel lock's protection.
template <typename F>
void ChangeClock(F change) {
  {
    std::lock_guard<std::mutex> lock(detail::KernelMutex());
    change();
  }
  detail::NotifyKernel();
}

void CopyZoneName(const char* zone, WCHAR (&out)[32]) {
  size_t i = 0;
  for (; zone != nullptr && zone[i] != '\0' && i + 1 < 32; ++i) out[i] = static_cast<WCHAR>(static_cast<unsigned char>(zone[i]));
  out[i] = L'\0';
}

// The moment (local time before the change) of a change-over, in the recurring form.
SYSTEMTIME RecurringDate(LONGLONG unixSeconds, long offsetBefore) {
  const LONGLONG local = unixSeconds + offsetBefore;
  const LONGLONG days = FloorDiv(local, kSecondsPerDay);
  SYSTEMTIME st{};
  FillSystemTime(days, (local - days * kSecondsPerDay) * 1000, st);
  const unsigned daysInMonth = DaysInMonth(st.wYear, st.wMonth);
  st.wDay = static_cast<WORD>(st.wDay + 7u > daysInMonth ? 5 : (st.wDay - 1) / 7 + 1);
  st.wYear = 0;
  st.wMilliseconds = 0;
  return st;
}

}  // namespace

namespace tessaly::win32 {

IClock& SystemClock() {
  static RealClock* clock = new RealClock;
  return *clock;
}

IClock& Clock() {
  IClock* clock = g_clock.load(std::memory_order_acquire);
  return clock != nullptr ? *clock : SystemClock();
}

IClock* SetClockForTesting(IClock* clock) {
  IClock* previous = nullptr;
  ChangeClock([&] { previous = g_clock.exchange(clock, std::memory_order_acq_rel); });
  return previous;
}

ManualClock::ManualClock()
    : ManualClock(static_cast<ULONGLONG>(DaysFromCivil(2024, 1, 1) + kDaysFrom1601To1970) * kTicksPerDay, 1000000) {}

ManualClock::ManualClock(ULONGLONG fileTime, ULONGLONG ticks) : m_fileTime(fileTime), m_ticks(ticks) {}

FILETIME ManualClock::Now() const { return UInt64ToFileTime(m_fileTime.load()); }

ULONGLONG ManualClock::Ticks() const { return m_ticks.load(); }

void ManualClock::Advance(ULONGLONG milliseconds) {
  ChangeClock([&] {
    m_fileTime.fetch_add(milliseconds * kTicksPerMs);
    m_ticks.fetch_add(milliseconds);
  });
}

void ManualClock::SetNow(ULONGLONG fileTime) {
  ChangeClock([&] { m_fileTime.store(fileTime); });
}

void ManualClock::SetTicks(ULONGLONG ticks) {
  ChangeClock([&] { m_ticks.store(ticks); });
}

}  // namespace tessaly::win32

void GetSystemTimeAsFileTime(LPFILETIME fileTime) {
  if (fileTime != nullptr) *fileTime = Clock().Now();
}

void GetSystemTime(LPSYSTEMTIME systemTime) {
  if (systemTime == nullptr) return;
  const FILETIME now = Clock().Now();
  FileTimeToSystemTime(&now, systemTime);
}

void GetLocalTime(LPSYSTEMTIME localTime) {
  if (localTime == nullptr) return;
  const FILETIME now = Clock().Now();
  FILETIME local{};
  if (!FileTimeToLocalFileTime(&now, &local)) local = now;
  FileTimeToSystemTime(&local, localTime);
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime) {
  if (systemTime == nullptr || fileTime == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const SYSTEMTIME& st = *systemTime;
  if (st.wYear < 1601 || st.wYear > 30827 || !ValidDate(st.wYear, st.wMonth, st.wDay) || !ValidClock(st)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const LONGLONG days = DaysFromCivil(st.wYear, st.wMonth, st.wDay) + kDaysFrom1601To1970;
  const LONGLONG ms = ((st.wHour * 60LL + st.wMinute) * 60 + st.wSecond) * 1000 + st.wMilliseconds;
  *fileTime = UInt64ToFileTime(static_cast<ULONGLONG>(days * kTicksPerDay + ms * kTicksPerMs));
  return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime) {
  if (fileTime == nullptr || systemTime == nullptr || FileTimeToUInt64(*fileTime) > kMaxFileTime) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const LONGLONG value = static_cast<LONGLONG>(FileTimeToUInt64(*fileTime));
  const LONGLONG days = value / kTicksPerDay;
  FillSystemTime(days - kDaysFrom1601To1970, (value % kTicksPerDay) / kTicksPerMs, *systemTime);
  return TRUE;
}

LONG CompareFileTime(const FILETIME* first, const FILETIME* second) {
  const ULONGLONG a = FileTimeToUInt64(*first);
  const ULONGLONG b = FileTimeToUInt64(*second);
  return a < b ? -1 : (a > b ? 1 : 0);
}

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime) {
  if (fileTime == nullptr || localFileTime == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const ULONGLONG utc = FileTimeToUInt64(*fileTime);
  const LONGLONG shift = static_cast<LONGLONG>(OffsetAt(UnixSecondsOf(utc)).seconds) * kTicksPerSecond;
  const LONGLONG local = static_cast<LONGLONG>(utc) + shift;
  if (utc > kMaxFileTime || local < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *localFileTime = UInt64ToFileTime(static_cast<ULONGLONG>(local));
  return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime) {
  if (localFileTime == nullptr || fileTime == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const ULONGLONG local = FileTimeToUInt64(*localFileTime);
  if (local > kMaxFileTime) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // The offset of the instant the local time names: guess with the offset at the local
  // value read as UTC, then correct once with the offset at the guess.
  const LONGLONG localSeconds = UnixSecondsOf(local);
  const long guess = OffsetAt(localSeconds).seconds;
  const long offset = OffsetAt(localSeconds - guess).seconds;
  const LONGLONG utc = static_cast<LONGLONG>(local) - static_cast<LONGLONG>(offset) * kTicksPerSecond;
  if (utc < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *fileTime = UInt64ToFileTime(static_cast<ULONGLONG>(utc));
  return TRUE;
}

DWORD GetTimeZoneInformation(LPTIME_ZONE_INFORMATION info) {
  if (info == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return TIME_ZONE_ID_INVALID;
  }
  *info = TIME_ZONE_INFORMATION{};
  const LONGLONG now = UnixSecondsOf(FileTimeToUInt64(Clock().Now()));
  const LocalOffset current = OffsetAt(now);
  const LONGLONG yearStartDays = DaysFromCivil(CivilFromDays(FloorDiv(now + current.seconds, kSecondsPerDay)).year, 1, 1);

  // Find this year's change-overs day by day, then to the second.
  bool haveStandard = false;
  bool haveDaylight = false;
  LocalOffset standard = current;
  LocalOffset daylight = current;
  LONGLONG toDaylight = 0;
  LONGLONG toStandard = 0;
  long beforeDaylight = 0;
  long beforeStandard = 0;
  LocalOffset previous = OffsetAt(yearStartDays * kSecondsPerDay);
  for (LONGLONG day = 1; day <= 366; ++day) {
    const LONGLONG t = (yearStartDays + day) * kSecondsPerDay;
    const LocalOffset next = OffsetAt(t);
    if (next.seconds != previous.seconds || next.daylight != previous.daylight) {
      LONGLONG lo = t - kSecondsPerDay;
      LONGLONG hi = t;
      while (hi - lo > 1) {
        const LONGLONG mid = lo + (hi - lo) / 2;
        const LocalOffset m = OffsetAt(mid);
        (m.seconds == previous.seconds && m.daylight == previous.daylight ? lo : hi) = mid;
      }
      if (next.daylight && !previous.daylight) {
        toDaylight = hi;
        beforeDaylight = previous.seconds;
      } else if (!next.daylight && previous.daylight) {
        toStandard = hi;
        beforeStandard = previous.seconds;
      }
    }
    if (next.daylight) {
      daylight = next;
      haveDaylight = true;
    } else {
      standard = next;
      haveStandard = true;
    }
    previous = next;
  }
  if (!haveStandard) standard = current;

  info->Bias = -standard.seconds / 60;
  CopyZoneName(standard.zone, info->StandardName);
  if (!haveDaylight || toDaylight == 0 || toStandard == 0) {
    CopyZoneName(standard.zone, info->DaylightName);
    return TIME_ZONE_ID_UNKNOWN;
  }
  CopyZoneName(daylight.zone, info->DaylightName);
  info->DaylightBias = -(daylight.seconds - standard.seconds) / 60;
  info->DaylightDate = RecurringDate(toDaylight, beforeDaylight);
  info->StandardDate = RecurringDate(toStandard, beforeStandard);
  return current.daylight ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD;
}

namespace {
constexpr LONGLONG kOleEpochDays1970 = -25569;  // 1899-12-30
constexpr double kMinVariantDate = -657434.0;    // 0100-01-01
constexpr double kMaxVariantDate = 2958466.0;    // 10000-01-01, excluded
}  // namespace

INT SystemTimeToVariantTime(const SYSTEMTIME* systemTime, DATE* variantTime) {
  if (systemTime == nullptr || variantTime == nullptr) return FALSE;
  const SYSTEMTIME& st = *systemTime;
  if (st.wYear < 100 || st.wYear > 9999 || !ValidDate(st.wYear, st.wMonth, st.wDay) || !ValidClock(st)) {
    return FALSE;
  }
  const LONGLONG days = DaysFromCivil(st.wYear, st.wMonth, st.wDay) - kOleEpochDays1970;
  const double fraction = ((st.wHour * 60.0 + st.wMinute) * 60.0 + st.wSecond) / 86400.0;
  *variantTime = days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
  return TRUE;
}

INT VariantTimeToSystemTime(DATE variantTime, LPSYSTEMTIME systemTime) {
  if (systemTime == nullptr || !std::isfinite(variantTime) || variantTime < kMinVariantDate ||
      variantTime >= kMaxVariantDate) {
    return FALSE;
  }
  LONGLONG days = static_cast<LONGLONG>(std::trunc(variantTime));
  const double fraction = std::fabs(variantTime - static_cast<double>(days));
  LONGLONG seconds = static_cast<LONGLONG>(std::floor(fraction * 86400.0 + 0.5));
  if (seconds >= kSecondsPerDay) {
    // Rounded up to midnight: the next day, counting forward also before 1899-12-30.
    seconds -= kSecondsPerDay;
    days += 1;
  }
  const LONGLONG days1970 = days + kOleEpochDays1970;
  if (CivilFromDays(days1970).year > 9999) return FALSE;
  FillSystemTime(days1970, seconds * 1000, *systemTime);
  return TRUE;
}

DWORD GetTickCount() { return static_cast<DWORD>(Clock().Ticks()); }

ULONGLONG GetTickCount64() { return Clock().Ticks(); }
