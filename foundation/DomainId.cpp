#include "foundation/DomainId.h"

#include "foundation/shared/HexConversions.h"

void CDomainId::FromHexText(const CString& text, wchar_t separator) {
  m_nLength = 0;
  CString digits(text);
  if (separator != 0) digits.Remove(separator);
  BYTE bytes[kMaxLength] = {0, 0, 0, 0, 0, 0};
  const int count = HexStringToBytes(digits, bytes, kMaxLength);
  for (int i = 0; i < kMaxLength; ++i) m_id[i] = bytes[i];
  m_nLength = count;
}

CString CDomainId::ToHexText() const {
  // A length out of 0 to 6 never reads past the 6 bytes.
  int length = m_nLength;
  if (length < 0) length = 0;
  if (length > kMaxLength) length = kMaxLength;
  BYTE bytes[kMaxLength];
  for (int i = 0; i < kMaxLength; ++i) bytes[i] = m_id[i];
  return BytesToHexString(bytes, length, 0);
}
