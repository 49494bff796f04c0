// The text of one protocol event: a headline and further lines.
#pragma once

#include <deque>

#include "platform/win32/CString.h"

class CProtocolEventText {
 public:
  CProtocolEventText() = default;
  explicit CProtocolEventText(const CString& headline) : m_text(headline) {}
  ~CProtocolEventText() = default;

  CString GetText() const { return m_text; }
  int GetLineCount() const { return static_cast<int>(m_lines.size()); }
  // Empty for a position out of range.
  CString GetLine(int i) const;
  // Empty lines are not kept.
  void AddLine(const CString& line);

  CString m_text;
  std::deque<CString> m_lines;
};

// Formats string resource id with the arguments into out (type-safe: a format that does not
// match its arguments prints something, never crashes). A missing resource leaves out unchanged.
template <typename... Args>
void FormatResourceString(CString& out, UINT id, const Args&... args) {
  CString format;
  if (!format.LoadString(id)) return;
  out.Format(format.GetString(), args...);
}
