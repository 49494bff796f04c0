// A memory file that collects lines of text as UTF-16LE, each ended by CR LF (no terminator,
// no byte-order mark).
#pragma once

#include <vector>

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

class CMyMemFile {
 public:
  explicit CMyMemFile(UINT growBytes = 1024);
  virtual ~CMyMemFile() = default;

  void WriteLine(const CString& text);
  void Write(const void* data, UINT count);
  ULONGLONG GetLength() const { return m_bytes.size(); }
  const std::vector<BYTE>& GetBytes() const { return m_bytes; }
  // Hands the collected bytes over and leaves the file empty.
  std::vector<BYTE> Detach();
  void SetLength(ULONGLONG length) { m_bytes.resize(static_cast<size_t>(length)); }

 private:
  std::vector<BYTE> m_bytes;
};
