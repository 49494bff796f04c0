#include "platform/com/OleDateTime.h"

#include <cmath>
#include <ctime>
#include <cwchar>
#include <vector>

#include "platform/com/Bstr.h"
#include "platform/com/Variant.h"
#include "platform/win32/Time.h"

namespace {

constexpr double kMinDate = -657434.0;  // 100-01-01
constexpr double kMaxDate = 2958466.0;  // 10000-01-01, excluded

bool InRange(DATE d) { return std::isfinite(d) && d >= kMinDate && d < kMaxDate; }

// Negative dates count their fraction forward from the day, so they do not order as doubles.
double Linear(DATE d) {
  if (d >= 0) return d;
  const double day = std::trunc(d);
  return day + std::fabs(d - day);
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

}  // namespace

COleDateTime COleDateTime::GetCurrentTime() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return COleDateTime(now);
}

COleDateTime::COleDateTime(DATE dtSrc) noexcept { *this = dtSrc; }
COleDateTime::COleDateTime(const VARIANT& varSrc) noexcept { *this = varSrc; }
COleDateTime::COleDateTime(const SYSTEMTIME& systimeSrc) noexcept { *this = systimeSrc; }
COleDateTime::COleDateTime(const FILETIME& filetimeSrc) noexcept { *this = filetimeSrc; }
COleDateTime::COleDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec) noexcept {
  SetDateTime(nYear, nMonth, nDay, nHour, nMin, nSec);
}

COleDateTime& COleDateTime::operator=(DATE dtSrc) noexcept {
  m_dt = dtSrc;
  m_status = InRange(dtSrc) ? valid : invalid;
  return *this;
}

COleDateTime& COleDateTime::operator=(const VARIANT& varSrc) noexcept {
  VARIANT d;
  ::VariantInit(&d);
  if (SUCCEEDED(::VariantChangeType(&d, &varSrc, 0, VT_DATE))) {
    *this = d.date;
  } else {
    m_dt = 0;
    m_status = invalid;
  }
  return *this;
}

COleDateTime& COleDateTime::operator=(const SYSTEMTIME& systimeSrc) noexcept {
  DATE d = 0;
  if (::SystemTimeToVariantTime(&systimeSrc, &d)) {
    *this = d;
  } else {
    m_dt = 0;
    m_status = invalid;
  }
  return *this;
}

COleDateTime& COleDateTime::operator=(const FILETIME& filetimeSrc) noexcept {
  FILETIME local{};
  SYSTEMTIME st{};
  if (::FileTimeToLocalFileTime(&filetimeSrc, &local) && ::FileTimeToSystemTime(&local, &st)) {
    *this = st;
  } else {
    m_dt = 0;
    m_status = invalid;
  }
  return *this;
}

int COleDateTime::SetDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec) noexcept {
  m_dt = 0;
  m_status = invalid;
  if (nYear < 100 || nYear > 9999 || nMonth < 1 || nMonth > 12 || nDay < 1 || nDay > 31 || nHour < 0 ||
      nHour > 23 || nMin < 0 || nMin > 59 || nSec < 0 || nSec > 59)
    return 1;
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(nYear);
  st.wMonth = static_cast<WORD>(nMonth);
  st.wDay = static_cast<WORD>(nDay);
  st.wHour = static_cast<WORD>(nHour);
  st.wMinute = static_cast<WORD>(nMin);
  st.wSecond = static_cast<WORD>(nSec);
  DATE d = 0;
  if (!::SystemTimeToVariantTime(&st, &d)) return 1;  // e.g. February 30th
  m_dt = d;
  m_status = valid;
  return 0;
}

bool COleDateTime::GetAsSystemTime(SYSTEMTIME& sysTime) const noexcept {
  return m_status == valid && ::VariantTimeToSystemTime(m_dt, &sysTime) != 0;
}

int COleDateTime::GetYear() const noexcept {
  SYSTEMTIME st;
  return GetAsSystemTime(st) ? st.wYear : -1;
}
int COleDateTime::GetMonth() const noexcept {
  SYSTEMTIME st;
  return GetAsSystemTime(st) ? st.wMonth : -1;
}
int COleDateTime::GetDay() const noexcept {
  SYSTEMTIME st;
  return GetAsSystemTime(st) ? st.wDay : -1;
}
int COleDateTime::GetHour() const noexcept {
  SYSTEMTIME st;
  return GetAsSystemTime(st) ? st.wHour : -1;
}
int COleDateTime::GetMinute() const noexcept {
  SYSTEMTIME st;
  return GetAsSystemTime(st) ? st.wMinute : -1;
}
int COleDateTime::GetSecond() const noexcept {
  SYSTEMTIME st;
  return GetAsSystemTime(st) ? st.wSecond : -1;
}
int COleDateTime::GetDayOfWeek() const noexcept {
  SYSTEMTIME st;
  return GetAsSystemTime(st) ? st.wDayOfWeek + 1 : -1;
}
int COleDateTime::GetDayOfYear() const noexcept {
  SYSTEMTIME st;
  if (!GetAsSystemTime(st)) return -1;
  static const int kBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  return kBefore[st.wMonth - 1] + st.wDay + (st.wMonth > 2 && IsLeap(st.wYear) ? 1 : 0);
}

std::wstring COleDateTime::Format(LPCTSTR pFormat) const {
  SYSTEMTIME st;
  if (pFormat == nullptr || !GetAsSystemTime(st)) return std::wstring();
  std::tm tm{};
  tm.tm_year = st.wYear - 1900;
  tm.tm_mon = st.wMonth - 1;
  tm.tm_mday = st.wDay;
  tm.tm_hour = st.wHour;
  tm.tm_min = st.wMinute;
  tm.tm_sec = st.wSecond;
  tm.tm_wday = st.wDayOfWeek;
  tm.tm_yday = GetDayOfYear() - 1;
  tm.tm_isdst = -1;
  if (*pFormat == L'\0') return std::wstring();
  // wcsftime gives 0 both for "too small" and for an empty result; grow a few times, then stop.
  for (size_t size = 256; size <= 65536; size *= 4) {
    std::vector<wchar_t> buf(size);
    const size_t n = std::wcsftime(buf.data(), size, pFormat, &tm);
    if (n > 0) return std::wstring(buf.data(), n);
  }
  return std::wstring();
}

std::wstring COleDateTime::Format() const {
  if (m_status != valid) return std::wstring();
  VARIANT src, text;
  ::VariantInit(&src);
  ::VariantInit(&text);
  src.vt = VT_DATE;
  src.date = m_dt;
  if (FAILED(::VariantChangeType(&text, &src, 0, VT_BSTR))) return std::wstring();
  std::wstring out = tessaly::BstrToString(text.bstrVal);
  ::VariantClear(&text);
  return out;
}

bool COleDateTime::ParseDateTime(LPCTSTR lpszDate) noexcept {
  VARIANT src, d;
  ::VariantInit(&src);
  ::VariantInit(&d);
  src.vt = VT_BSTR;
  src.bstrVal = ::SysAllocString(lpszDate ? lpszDate : L"");
  const HRESULT hr = ::VariantChangeType(&d, &src, 0, VT_DATE);
  ::VariantClear(&src);
  if (FAILED(hr)) {
    m_dt = 0;
    m_status = invalid;
    return false;
  }
  *this = d.date;
  return true;
}

bool COleDateTime::operator<(const COleDateTime& o) const noexcept { return Linear(m_dt) < Linear(o.m_dt); }
