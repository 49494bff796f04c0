#include "foundation/ProtocolEventText.h"

CString CProtocolEventText::GetLine(int i) const {
  if (i < 0 || i >= GetLineCount()) return CString();
  return m_lines[static_cast<size_t>(i)];
}

void CProtocolEventText::AddLine(const CString& line) {
  if (!line.IsEmpty()) m_lines.push_back(line);
}
