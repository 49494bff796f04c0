#include "foundation/LogFileName.h"

CLogFileName::CLogFileName(const CString& path) {
  if (path.IsEmpty()) return;
  const int slash = path.ReverseFind(L'/');
  const int backslash = path.ReverseFind(L'\\');
  const int last = slash > backslash ? slash : backslash;
  CString file = path;
  if (last >= 0) {
    m_separator = path[last];
    m_folder = path.Left(last);
    file = path.Mid(last + 1);
  }
  if (file.IsEmpty()) return;
  const int dot = file.Find(L'.');
  if (dot < 0) {
    m_name = file;
    return;
  }
  const CString name = file.Left(dot);
  const CString ext = file.Mid(dot + 1);
  if (!name.IsEmpty()) m_name = name;
  if (!ext.IsEmpty()) m_ext = ext;
}

CString CLogFileName::GetPath() const {
  if (m_folder.IsEmpty()) return FormatString(L"%s.%s", m_name, m_ext);
  return FormatString(L"%s%c%s.%s", m_folder, m_separator, m_name, m_ext);
}
