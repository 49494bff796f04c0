// A log-file path split into folder, name and extension, and joined again. Paths are split at
// "/" and "\" alike; joining uses the separator the path had ("/" by default).
#pragma once

#include "platform/win32/CString.h"

class CLogFileName {
 public:
  CLogFileName() = default;
  explicit CLogFileName(const CString& path);

  CString GetPath() const;
  CString GetName() const { return m_name; }
  void SetName(const CString& name) { m_name = name; }
  CString GetFolder() const { return m_folder; }
  CString GetExt() const { return m_ext; }

  CString m_folder;
  CString m_name = L"Tessaly30";
  CString m_ext = L"log";

 private:
  wchar_t m_separator = L'/';
};
