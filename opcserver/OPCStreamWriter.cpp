#include "opcserver/OPCStreamWriter.h"

#include <bit>
#include <cstring>
#include <limits>
#include <string>

#include "platform/com/Activation.h"
#include "platform/com/Bstr.h"
#include "platform/com/Variant.h"
#include "platform/win32/TextConv.h"

static_assert(std::endian::native == std::endian::little, "stream values are taken from the low bytes");

namespace {
// Bytes of a value of a fixed-size type, the same in the 32-bit layout; 0 for a type the stream
// cannot carry by value (strings and interfaces are pointers a reader cannot follow).
DWORD FixedSize(VARTYPE vt) {
  if (vt == VT_BSTR || vt == VT_DISPATCH || vt == VT_UNKNOWN) return 0;
  return static_cast<DWORD>(tessaly::ScalarVarTypeSize(vt));
}

// A one-dimensional array of fixed-size elements whose descriptor agrees with its type; the
// only arrays a stream carries (strings and VARIANTs hold pointers a reader cannot follow).
bool IsStreamableArray(const VARIANT& v) {
  if ((v.vt & ~VT_TYPEMASK) != VT_ARRAY) return false;
  const SAFEARRAY* sa = v.parray;
  DWORD size = FixedSize(static_cast<VARTYPE>(v.vt & VT_TYPEMASK));
  if (!sa || size == 0 || sa->cDims != 1 || sa->cbElements != size) return false;
  if (sa->rgsabound[0].cElements > std::numeric_limits<DWORD>::max() / size) return false;
  return sa->rgsabound[0].cElements == 0 || sa->pvData;
}

void WriteVariantHead(COPCStreamWriter& w, VARTYPE vt, const void* value, DWORD size) {
  BYTE bytes[COPCStreamWriter::kVariantSize] = {};
  bytes[0] = static_cast<BYTE>(vt & 0xFF);
  bytes[1] = static_cast<BYTE>(vt >> 8);
  if (size) std::memcpy(bytes + 8, value, size);
  w.WriteBytes(bytes, sizeof(bytes));
}
}  // namespace

const COPCStreamFormats& GetOpcStreamFormats() {
  static const COPCStreamFormats formats{static_cast<CLIPFORMAT>(RegisterClipboardFormatW(OPCSTMFORMATDATA)),
                                         static_cast<CLIPFORMAT>(RegisterClipboardFormatW(OPCSTMFORMATDATATIME)),
                                         static_cast<CLIPFORMAT>(RegisterClipboardFormatW(OPCSTMFORMATWRITECOMPLETE))};
  return formats;
}

COPCStreamWriter::~COPCStreamWriter() {
  if (!m_hBlock) return;
  GlobalUnlock(m_hBlock);
  GlobalFree(m_hBlock);
}

bool COPCStreamWriter::Reserve(size_t end) {
  if (!m_bGood) return false;
  if (end <= m_capacity) return true;
  if (end > std::numeric_limits<DWORD>::max()) {
    m_bGood = false;  // a stream's offsets are 32-bit
    return false;
  }
  size_t capacity = (end + kGrowStep - 1) / kGrowStep * kGrowStep;
  if (!m_hBlock) {
    m_hBlock = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, capacity);
  } else {
    GlobalUnlock(m_hBlock);
    if (!GlobalReAlloc(m_hBlock, capacity, GMEM_MOVEABLE | GMEM_ZEROINIT)) capacity = m_capacity;
  }
  m_pData = m_hBlock ? static_cast<BYTE*>(GlobalLock(m_hBlock)) : nullptr;
  if (!m_pData || capacity < end) {
    m_bGood = false;
    return false;
  }
  m_capacity = capacity;
  return true;
}

void COPCStreamWriter::WriteBytes(const void* bytes, size_t count) {
  if (!Reserve(m_position + count)) return;
  if (count) std::memcpy(m_pData + m_position, bytes, count);
  m_position += count;
}

void COPCStreamWriter::WriteWord(WORD value) {
  BYTE bytes[2] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8)};
  WriteBytes(bytes, sizeof(bytes));
}

void COPCStreamWriter::WriteDword(DWORD value) {
  BYTE bytes[4];
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(value >> (8 * i));
  WriteBytes(bytes, sizeof(bytes));
}

void COPCStreamWriter::WriteFileTime(const FILETIME& value) {
  WriteDword(value.dwLowDateTime);
  WriteDword(value.dwHighDateTime);
}

void COPCStreamWriter::WriteValue(const VARIANT& value) {
  VARTYPE vt = value.vt;
  if (vt == VT_EMPTY || vt == VT_NULL) {
    WriteVariantHead(*this, vt, nullptr, 0);
  } else if (vt == VT_BSTR) {
    // The length prefix counts UTF-16 bytes (a character beyond the BMP is a surrogate pair).
    std::string utf16 = WideToUtf16LE(std::wstring_view(value.bstrVal ? value.bstrVal : L"", SysStringLen(value.bstrVal)));
    WriteVariantHead(*this, vt, nullptr, 0);  // the pointer goes as 0
    WriteDword(static_cast<DWORD>(utf16.size()));
    WriteBytes(utf16.data(), utf16.size());
    WriteWord(0);
  } else if (vt & VT_ARRAY) {
    if (!IsStreamableArray(value)) {
      WriteVariantHead(*this, VT_EMPTY, nullptr, 0);
      return;
    }
    const SAFEARRAY* sa = value.parray;
    WriteVariantHead(*this, vt, nullptr, 0);
    WriteWord(1);  // cDims
    WriteWord(sa->fFeatures);
    WriteDword(sa->cbElements);
    WriteDword(0);  // cLocks: the reader's copy is not locked
    WriteDword(0);  // pvData
    WriteDword(sa->rgsabound[0].cElements);
    WriteDword(static_cast<DWORD>(sa->rgsabound[0].lLbound));
    WriteBytes(sa->pvData, static_cast<size_t>(sa->cbElements) * sa->rgsabound[0].cElements);
  } else if (DWORD size = FixedSize(vt)) {
    WriteVariantHead(*this, vt, &value.llVal, size);
  } else {
    WriteVariantHead(*this, VT_EMPTY, nullptr, 0);  // by reference, objects, unknown types
  }
}

HGLOBAL COPCStreamWriter::Detach() {
  if (!m_bGood || !Reserve(m_position)) return nullptr;
  HGLOBAL block = m_hBlock;
  GlobalUnlock(block);
  m_hBlock = nullptr;
  m_pData = nullptr;
  m_capacity = 0;
  return block;
}

HRESULT COPCStreamWriter::WriteDataStream(bool withTime, OPCHANDLE hClientGroup, DWORD transaction, DWORD count,
                                          const OPCHANDLE* clients, const VARIANT* values, const WORD* qualities,
                                          const FILETIME* times, HGLOBAL* out) {
  *out = nullptr;
  COPCStreamWriter w;
  auto writeHeader = [&](DWORD size) {
    w.Seek(0);
    w.WriteDword(size);
    w.WriteDword(count);
    w.WriteDword(hClientGroup);
    w.WriteDword(transaction);
    w.WriteDword(static_cast<DWORD>(S_OK));  // hrStatus
  };
  writeHeader(0);
  const size_t headerSize = withTime ? kItemHeaderTimeSize : kItemHeaderSize;
  size_t valueOffset = kGroupHeaderSize + headerSize * count;
  VARIANT empty;
  VariantInit(&empty);
  for (DWORD i = 0; i < count && w.IsGood(); ++i) {
    w.Seek(kGroupHeaderSize + headerSize * i);
    w.WriteDword(clients[i]);
    w.WriteDword(static_cast<DWORD>(valueOffset));
    w.WriteWord(qualities[i]);
    w.WriteWord(0);
    if (withTime) w.WriteFileTime(times[i]);
    w.Seek(valueOffset);
    bool good = (qualities[i] & OPC_QUALITY_MASK) == OPC_QUALITY_GOOD;
    w.WriteValue(withTime || good ? values[i] : empty);
    valueOffset = w.GetPosition();
  }
  if (!w.Reserve(valueOffset)) return E_OUTOFMEMORY;  // no item: the header alone
  writeHeader(static_cast<DWORD>(valueOffset));
  *out = w.Detach();
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT COPCStreamWriter::WriteWriteCompleteStream(OPCHANDLE hClientGroup, DWORD transaction, DWORD count,
                                                   const OPCHANDLE* clients, const HRESULT* errors, HGLOBAL* out) {
  *out = nullptr;
  HRESULT status = S_OK;
  for (DWORD i = 0; i < count; ++i)
    if (FAILED(errors[i])) status = S_FALSE;
  COPCStreamWriter w;
  w.WriteDword(count);
  w.WriteDword(hClientGroup);
  w.WriteDword(transaction);
  w.WriteDword(static_cast<DWORD>(status));
  for (DWORD i = 0; i < count; ++i) {
    w.WriteDword(clients[i]);
    w.WriteDword(static_cast<DWORD>(errors[i]));
  }
  *out = w.Detach();
  return *out ? S_OK : E_OUTOFMEMORY;
}
