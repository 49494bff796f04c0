// An exclusive lock between processes (and threads) on a lock file beside a shared file, held
// for the object's life: LockFileEx with LOCKFILE_EXCLUSIVE_LOCK on a file that is never
// written. The lock file is made when missing and left in place.
#pragma once

#include "platform/win32/CString.h"

class CExclusiveFileLock {
 public:
  // Waits until the lock is ours; IsLocked is false when the lock file cannot be opened.
  explicit CExclusiveFileLock(const CString& lockPath);
  ~CExclusiveFileLock();
  CExclusiveFileLock(const CExclusiveFileLock&) = delete;
  CExclusiveFileLock& operator=(const CExclusiveFileLock&) = delete;

  bool IsLocked() const { return m_fd >= 0; }

 private:
  int m_fd = -1;
};
