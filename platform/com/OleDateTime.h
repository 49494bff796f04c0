// COleDateTime: an OLE DATE with a validity status, in the manner of MFC's class of that name.
// Valid dates run from 100-01-01 to 9999-12-31; anything else makes the status invalid.
#pragma once

#include <string>

#include "platform/com/ComTypes.h"

class COleDateTime {
 public:
  enum DateTimeStatus { error = -1, valid = 0, invalid = 1, null = 2 };

  DATE m_dt = 0;
  DateTimeStatus m_status = valid;

  // The local time now (the platform clock, so tests can set it).
  static COleDateTime GetCurrentTime();

  COleDateTime() noexcept = default;
  COleDateTime(DATE dtSrc) noexcept;  // NOLINT(google-explicit-constructor)
  COleDateTime(const VARIANT& varSrc) noexcept;  // NOLINT
  COleDateTime(const SYSTEMTIME& systimeSrc) noexcept;  // NOLINT
  // A FILETIME is UTC; it is shown in local time, as MFC does.
  COleDateTime(const FILETIME& filetimeSrc) noexcept;  // NOLINT
  COleDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec) noexcept;

  COleDateTime& operator=(DATE dtSrc) noexcept;
  COleDateTime& operator=(const VARIANT& varSrc) noexcept;
  COleDateTime& operator=(const SYSTEMTIME& systimeSrc) noexcept;
  COleDateTime& operator=(const FILETIME& filetimeSrc) noexcept;

  DateTimeStatus GetStatus() const noexcept { return m_status; }
  void SetStatus(DateTimeStatus status) noexcept { m_status = status; }
  operator DATE() const noexcept { return m_dt; }  // NOLINT(google-explicit-constructor)

  // 0 on success; 1 (and status invalid) for values out of range.
  int SetDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec) noexcept;
  int SetDate(int nYear, int nMonth, int nDay) noexcept { return SetDateTime(nYear, nMonth, nDay, 0, 0, 0); }
  int SetTime(int nHour, int nMin, int nSec) noexcept { return SetDateTime(1899, 12, 30, nHour, nMin, nSec); }

  // The parts, to the nearest second; -1 when the status is not valid.
  int GetYear() const noexcept;
  int GetMonth() const noexcept;
  int GetDay() const noexcept;
  int GetHour() const noexcept;
  int GetMinute() const noexcept;
  int GetSecond() const noexcept;
  int GetDayOfWeek() const noexcept;  // 1 = Sunday
  int GetDayOfYear() const noexcept;  // 1 = January 1st
  bool GetAsSystemTime(SYSTEMTIME& sysTime) const noexcept;

  // strftime-style pattern (%Y-%m-%d %H:%M:%S, %x for the run-time library locale's date...);
  // "" when the status is not valid.
  std::wstring Format(LPCTSTR pFormat) const;
  // The VT_BSTR form of the VT_DATE ("3/5/2024 2:30:15 PM").
  std::wstring Format() const;
  // Parses what VariantChangeType accepts for VT_DATE; false (status invalid) otherwise.
  bool ParseDateTime(LPCTSTR lpszDate) noexcept;

  bool operator==(const COleDateTime& o) const noexcept { return m_status == o.m_status && m_dt == o.m_dt; }
  // Ordered by point in time (negative DATEs count their fraction forward from the day).
  bool operator<(const COleDateTime& o) const noexcept;
  bool operator>(const COleDateTime& o) const noexcept { return o < *this; }
  bool operator<=(const COleDateTime& o) const noexcept { return !(o < *this); }
  bool operator>=(const COleDateTime& o) const noexcept { return !(*this < o); }
};
