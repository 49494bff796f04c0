#include "foundation/shared/ByteBuffer.h"

#include <cstring>

#include "foundation/shared/HexConversions.h"

CByteBuffer::CByteBuffer(const VARIANT& value) {
  const VARIANT* v = &value;
  if (v->vt == (VT_BYREF | VT_VARIANT)) {
    v = v->pvarVal;
    if (v == nullptr) return;
  }
  const SAFEARRAY* array = nullptr;
  if (v->vt == (VT_ARRAY | VT_UI1)) {
    array = v->parray;
  } else if (v->vt == (VT_BYREF | VT_ARRAY | VT_UI1)) {
    if (v->pparray == nullptr) return;
    array = *v->pparray;
  } else {
    return;
  }
  if (array == nullptr || array->cDims == 0 || array->cbElements != 1) return;
  // Dimension 1 is stored last. Bounds in 64 bits: no overflow whatever the array says.
  const SAFEARRAYBOUND& bound = array->rgsabound[array->cDims - 1];
  const long long lower = bound.lLbound;
  const long long upper = lower + static_cast<long long>(bound.cElements) - 1;
  const long long n = upper - lower;
  if (n < 0 || n >= 0x7FFFFFFF) return;
  // Only the first dimension's run of bytes is taken, as from a one-dimensional array.
  if (array->pvData == nullptr) return;
  Resize(static_cast<int>(n + 1));
  std::memcpy(GetData(), array->pvData, static_cast<size_t>(n + 1));
}

CByteBuffer::CByteBuffer(const CByteBuffer& other) { *this = other; }

CByteBuffer& CByteBuffer::operator=(const CByteBuffer& other) {
  if (this == &other) return *this;
  Free();
  Resize(other.m_nSize);
  if (m_nSize > 0) std::memcpy(GetData(), other.GetData(), static_cast<size_t>(m_nSize));
  return *this;
}

void CByteBuffer::Free() {
  m_pHeap.reset();
  m_nSize = 0;
  std::memset(m_inline, 0, sizeof(m_inline));
}

void CByteBuffer::Clear() {
  if (m_pHeap) std::memset(m_pHeap.get(), 0, static_cast<size_t>(m_nSize));
  std::memset(m_inline, 0, sizeof(m_inline));
}

void CByteBuffer::Resize(int n) {
  if (n == m_nSize || n < 0) return;
  m_pHeap.reset();
  m_nSize = n;
  if (n > kInlineSize) m_pHeap.reset(new BYTE[static_cast<size_t>(n)]);
  Clear();
}

CString CByteBuffer::ToHexString(wchar_t separator) const { return BytesToHexString(GetData(), m_nSize, separator); }
