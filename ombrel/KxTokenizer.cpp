#include "ombrel/KxTokenizer.h"

CKxTokenizer::CKxTokenizer(const CString& text, wchar_t delimiter)
    : m_strText(text), m_chDelimiter(delimiter), m_nLength(text.GetLength()) {}

CString CKxTokenizer::NextToken() {
  if (!HasMoreTokens()) return CString();
  int end = m_strText.Find(m_chDelimiter, m_nPosition);
  if (end < 0) end = m_nLength;
  CString token = m_strText.Mid(m_nPosition, end - m_nPosition);
  m_nPosition = end < m_nLength ? end + 1 : m_nLength;
  return token;
}

void CKxTokenizer::SplitString(CStringArray& array, const CString& text, wchar_t delimiter) {
  CKxTokenizer tokenizer(text, delimiter);
  while (tokenizer.HasMoreTokens()) array.push_back(tokenizer.NextToken());
}
