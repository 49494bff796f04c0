// A UTC time stamp as a 64-bit FILETIME (100 ns units since 1601-01-01).
#pragma once

#include "platform/win32/WinTypes.h"

class CKxFileTime {
 public:
  CKxFileTime() : m_ft{0, 0} {}
  CKxFileTime(const CKxFileTime& other) = default;
  explicit CKxFileTime(const FILETIME& ft) : m_ft(ft) {}
  CKxFileTime& operator=(const CKxFileTime& other) = default;
  virtual ~CKxFileTime() = default;

  void Assign(const CKxFileTime& other) { m_ft = other.m_ft; }
  // Now, in UTC, from the system clock (the injectable one in tests).
  void SetCurrentTime();
  FILETIME GetFileTime() const { return m_ft; }
  ULONGLONG GetValue() const { return (static_cast<ULONGLONG>(m_ft.dwHighDateTime) << 32) | m_ft.dwLowDateTime; }

  friend bool operator==(const CKxFileTime& a, const CKxFileTime& b) { return a.GetValue() == b.GetValue(); }

  FILETIME m_ft;
};
