// An ID of up to 6 bytes with its length: a LON domain ID (length 0, 1, 3 or 6), an
// authentication key or a Neuron ID (6). Not packed: references to the length must be safe;
// byte forms (legacy archives) read and write the fields one by one.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

class CDomainId {
 public:
  static constexpr int kMaxLength = 6;

  CDomainId() : m_id{0, 0, 0, 0, 0, 0}, m_nLength(0) {}

  // Hex text, the separator (0 for none) removed first; at most 6 bytes are taken.
  void FromHexText(const CString& text, wchar_t separator);
  // The first length bytes as upper-case hex without separator.
  CString ToHexText() const;

  BYTE m_id[kMaxLength];
  int32_t m_nLength;
};
