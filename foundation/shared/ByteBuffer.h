// Bytes filled from a VARIANT byte array; up to 10 bytes live inline. Copies are deep.
#pragma once

#include <memory>

#include "platform/com/ComTypes.h"
#include "platform/win32/CString.h"

class CByteBuffer {
 public:
  static constexpr int kInlineSize = 10;

  CByteBuffer() = default;
  // VT_ARRAY|VT_UI1, by reference too, or a VT_BYREF|VT_VARIANT holding one; anything else,
  // a null pointer or unusable bounds give an empty buffer.
  explicit CByteBuffer(const VARIANT& value);
  CByteBuffer(const CByteBuffer& other);
  CByteBuffer& operator=(const CByteBuffer& other);
  ~CByteBuffer() = default;

  // Releases the heap block; the buffer is empty afterwards.
  void Free();
  // Zero-fills the data.
  void Clear();
  // Nothing for the same size or a negative one; otherwise the new size, zero-filled.
  void Resize(int n);
  BYTE* GetData() { return m_nSize > kInlineSize ? m_pHeap.get() : m_inline; }
  const BYTE* GetData() const { return m_nSize > kInlineSize ? m_pHeap.get() : m_inline; }
  int GetSize() const { return m_nSize; }
  bool IsInline() const { return m_nSize <= kInlineSize; }
  CString ToHexString(wchar_t separator) const;

 private:
  int m_nSize = 0;
  std::unique_ptr<BYTE[]> m_pHeap;
  BYTE m_inline[12] = {};
};
