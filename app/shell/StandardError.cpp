#include "app/shell/StandardError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "app/shell/InitStatus.h"
#include "platform/win32/Files.h"

namespace {
constexpr off_t kMaxLogSize = 1024 * 1024;
}

CString GetClientStartErrorLogPath() {
  const std::wstring folder = tessaly::win32::JoinPath(tessaly::win32::GetCommonAppDataFolder().c_str(), L"Norvane/Kiv2");
  tessaly::win32::CreateFolderTree(folder.c_str());
  return CString(tessaly::win32::JoinPath(folder.c_str(), L"Tessaly-stderr.log").c_str());
}

CString RedirectStandardErrorForClientStart(const CTessalyCommandLine& line) {
  const int mode = line.GetStartMode();
  if (mode != StartModeEmbedding && mode != StartModeAutomation) return CString();
  const CString path = GetClientStartErrorLogPath();
  const std::string native = tessaly::win32::NativePath(path);
  struct stat info {};
  const bool tooLarge = ::stat(native.c_str(), &info) == 0 && info.st_size > kMaxLogSize;
  const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (tooLarge ? O_TRUNC : O_APPEND), 0600);
  if (fd < 0) return CString();
  std::fflush(stderr);
  const bool moved = ::dup2(fd, STDERR_FILENO) >= 0;
  ::close(fd);
  return moved ? path : CString();
}
