// Splits a text at one delimiter character. A leading delimiter gives an empty first token, two
// delimiters in a row an empty token between them; a trailing one gives no empty last token.
#pragma once

#include "platform/win32/CString.h"

#include <vector>

typedef std::vector<CString> CStringArray;

class CKxTokenizer {
 public:
  CKxTokenizer(const CString& text, wchar_t delimiter);

  bool HasMoreTokens() const { return m_nPosition < m_nLength; }
  CString NextToken();

  // Appends every token of text to array.
  static void SplitString(CStringArray& array, const CString& text, wchar_t delimiter);

 private:
  CString m_strText;
  wchar_t m_chDelimiter;
  int m_nPosition = 0;
  int m_nLength;
};
