// The program's append-only debug log: UTF-16LE lines "hh:mm:ss.mmm text" ended by CR LF, the
// time of day in UTC. Each line goes to the end of the file in one write, so two processes
// logging to the same file interleave whole lines.
#pragma once

#include <mutex>

#include "platform/win32/CString.h"

class CLoggingFile {
 public:
  CLoggingFile() = default;
  CLoggingFile(const CLoggingFile&) = delete;
  CLoggingFile& operator=(const CLoggingFile&) = delete;
  virtual ~CLoggingFile() { Close(); }

  // enable below 1 closes and gives 0; already open gives 0 (the path is ignored); a file that
  // cannot be opened gives -1; else "Log enabled" is written and 1 returned. An empty path is
  // logfile.log in TEMP (else TMPDIR, else /tmp).
  int Open(const CString& path, int enable);
  // Writes "Log disabled" and closes; nothing when closed.
  void Close();
  bool IsOpen();

  // Formats the message (type-safe) and appends the line; nothing when closed.
  template <typename... Args>
  void Print(const wchar_t* format, const Args&... args) {
    WriteLine(FormatString(format, args...));
  }

  // The path used for an empty one.
  static CString DefaultPath();

 private:
  void WriteLine(const CString& message);
  void WriteLineLocked(const CString& message);

  std::mutex m_mutex;
  int m_hFile = -1;  // the file descriptor, -1 while closed
};
