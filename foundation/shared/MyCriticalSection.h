// The lock that every queue, statistics record and monitor owns, with its scoped guard.
// Recursive for the thread that holds it.
#pragma once

#include "platform/win32/Sync.h"

class CMyCriticalSection {
 public:
  CMyCriticalSection();
  CMyCriticalSection(const CMyCriticalSection&) = delete;
  CMyCriticalSection& operator=(const CMyCriticalSection&) = delete;
  virtual ~CMyCriticalSection();

  void Lock() { EnterCriticalSection(&m_cs); }
  void Unlock() { LeaveCriticalSection(&m_cs); }
  CRITICAL_SECTION* GetCriticalSection() { return &m_cs; }

  CRITICAL_SECTION m_cs;
};

// Enters on construction, leaves exactly once on destruction.
class CMyCriticalSectionLock {
 public:
  explicit CMyCriticalSectionLock(CRITICAL_SECTION* pcs) : m_pcs(pcs) { EnterCriticalSection(m_pcs); }
  explicit CMyCriticalSectionLock(CMyCriticalSection& cs) : CMyCriticalSectionLock(&cs.m_cs) {}
  CMyCriticalSectionLock(const CMyCriticalSectionLock&) = delete;
  CMyCriticalSectionLock& operator=(const CMyCriticalSectionLock&) = delete;
  ~CMyCriticalSectionLock() { LeaveCriticalSection(m_pcs); }

 private:
  CRITICAL_SECTION* m_pcs;
};
