#include "platform/win32/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/win32/Files.h"

CExclusiveFileLock::CExclusiveFileLock(const CString& lockPath) {
  int fd = ::open(tessaly::win32::NativePath(lockPath).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  // flock locks belong to the open file description, so two threads of one process exclude
  // each other as two processes do.
  int result;
  do {
    result = ::flock(fd, LOCK_EX);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    ::close(fd);
    return;
  }
  m_fd = fd;
}

CExclusiveFileLock::~CExclusiveFileLock() {
  if (m_fd < 0) return;
  ::flock(m_fd, LOCK_UN);
  ::close(m_fd);
}
