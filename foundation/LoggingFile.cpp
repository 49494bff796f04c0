#include "foundation/LoggingFile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "platform/win32/Files.h"
#include "platform/win32/TextConv.h"
#include "platform/win32/Time.h"

CString CLoggingFile::DefaultPath() {
  CString folder;
  for (const char* name : {"TEMP", "TMPDIR"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != 0) {
      folder = CString(Utf8ToWide(value));
      break;
    }
  }
  if (folder.GetLength() > static_cast<int>(MAX_PATH)) folder = folder.Left(MAX_PATH);
  if (folder.IsEmpty()) folder = L"/tmp";
  const wchar_t last = folder[folder.GetLength() - 1];
  if (last != L'/' && last != L'\\') folder += L"/";
  return folder + L"logfile.log";
}

int CLoggingFile::Open(const CString& path, int enable) {
  if (enable < 1) {
    Close();
    return 0;
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_hFile != -1) return 0;
  const CString target = path.IsEmpty() ? DefaultPath() : path;
  const std::string native = tessaly::win32::NativePath(target.GetString());
  const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd == -1) return -1;
  m_hFile = fd;
  WriteLineLocked(L"Log enabled");
  return 1;
}

void CLoggingFile::Close() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_hFile == -1) return;
  WriteLineLocked(L"Log disabled");
  ::close(m_hFile);
  m_hFile = -1;
}

bool CLoggingFile::IsOpen() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_hFile != -1;
}

void CLoggingFile::WriteLine(const CString& message) {
  std::lock_guard<std::mutex> lock(m_mutex);
  WriteLineLocked(message);
}

void CLoggingFile::WriteLineLocked(const CString& message) {
  if (m_hFile == -1) return;
  SYSTEMTIME now;
  GetSystemTime(&now);
  const CString time = FormatString(L"%02d:%02d:%02d.%03d", now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  const std::string bytes = WideToUtf16LE(FormatToWString(L"%s %s\r\n", time, message));
  // One write on a file opened for appending: the line lands whole at the end. Errors are
  // not the caller's concern; an interrupted write is retried.
  ssize_t written;
  do {
    written = ::write(m_hFile, bytes.data(), bytes.size());
  } while (written == -1 && errno == EINTR);
}
