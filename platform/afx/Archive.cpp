#include "platform/afx/Archive.h"

#include <cstring>
#include <string>

#include "platform/win32/TextConv.h"

namespace {
// UTF-16LE to wide characters: a surrogate pair is one character, a lone surrogate U+FFFD.
std::wstring DecodeUtf16(const BYTE* bytes, size_t units) {
  std::wstring text;
  text.reserve(units);
  for (size_t i = 0; i < units; ++i) {
    char32_t unit = static_cast<char32_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
      char32_t low = static_cast<char32_t>(bytes[2 * i + 2] | (bytes[2 * i + 3] << 8));
      if (low >= 0xDC00 && low <= 0xDFFF) {
        text.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
        ++i;
        continue;
      }
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) unit = 0xFFFD;
    text.push_back(static_cast<wchar_t>(unit));
  }
  return text;
}
}  // namespace

CArchive::CArchive(const BYTE* data, size_t size) : m_nMode(load), m_pData(data), m_nSize(data != nullptr ? size : 0) {}

CArchive::CArchive() : m_nMode(store) {}

void CArchive::Read(void* out, size_t bytes) {
  if (!IsLoading()) AfxThrowArchiveException(CArchiveException::writeOnly);
  if (bytes > GetBytesLeft()) AfxThrowArchiveException(CArchiveException::endOfFile);
  if (bytes != 0) std::memcpy(out, m_pData + m_nPos, bytes);
  m_nPos += bytes;
}

void CArchive::Write(const void* data, size_t bytes) {
  if (!IsStoring()) AfxThrowArchiveException(CArchiveException::readOnly);
  const BYTE* p = static_cast<const BYTE*>(data);
  m_stored.insert(m_stored.end(), p, p + bytes);
}

namespace {
template <typename T>
T ReadLittleEndian(CArchive& ar) {
  BYTE bytes[sizeof(T)];
  ar.Read(bytes, sizeof(T));
  T value = 0;
  for (size_t i = sizeof(T); i-- > 0;) value = static_cast<T>((value << 8) | bytes[i]);
  return value;
}
template <typename T>
void WriteLittleEndian(CArchive& ar, T value) {
  BYTE bytes[sizeof(T)];
  for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<BYTE>(static_cast<ULONGLONG>(value) >> (8 * i));
  ar.Write(bytes, sizeof(T));
}
}  // namespace

CArchive& CArchive::operator>>(BYTE& value) { value = ReadLittleEndian<BYTE>(*this); return *this; }
CArchive& CArchive::operator>>(WORD& value) { value = ReadLittleEndian<WORD>(*this); return *this; }
CArchive& CArchive::operator>>(DWORD& value) { value = ReadLittleEndian<DWORD>(*this); return *this; }
CArchive& CArchive::operator>>(ULONGLONG& value) { value = ReadLittleEndian<ULONGLONG>(*this); return *this; }
CArchive& CArchive::operator<<(BYTE value) { WriteLittleEndian(*this, value); return *this; }
CArchive& CArchive::operator<<(WORD value) { WriteLittleEndian(*this, value); return *this; }
CArchive& CArchive::operator<<(DWORD value) { WriteLittleEndian(*this, value); return *this; }
CArchive& CArchive::operator<<(ULONGLONG value) { WriteLittleEndian(*this, value); return *this; }

ULONGLONG CArchive::ReadStringLength(bool& unicode) {
  unicode = false;
  BYTE shortLength = 0;
  *this >> shortLength;
  if (shortLength < 0xFF) return shortLength;
  WORD length = 0;
  *this >> length;
  if (length == 0xFFFE) {
    unicode = true;
    *this >> shortLength;
    if (shortLength < 0xFF) return shortLength;
    *this >> length;
  }
  if (length < 0xFFFF) return length;
  DWORD longLength = 0;
  *this >> longLength;
  if (longLength < 0xFFFFFFFF) return longLength;
  ULONGLONG hugeLength = 0;
  *this >> hugeLength;
  return hugeLength;
}

CArchive& CArchive::operator>>(CString& value) {
  bool unicode = false;
  ULONGLONG length = ReadStringLength(unicode);
  const size_t charSize = unicode ? 2 : 1;
  if (length > GetBytesLeft() / charSize) AfxThrowArchiveException(CArchiveException::endOfFile);
  const size_t bytes = static_cast<size_t>(length) * charSize;
  const BYTE* start = m_pData + m_nPos;
  m_nPos += bytes;
  if (unicode)
    value = CString(DecodeUtf16(start, static_cast<size_t>(length)));
  else
    value = CString(Cp1252ToWide(std::string_view(reinterpret_cast<const char*>(start), bytes)));
  return *this;
}

CArchive& CArchive::operator<<(const CString& value) {
  const std::u16string units = WideToUtf16(value.wstr());
  const size_t length = units.size();
  *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(0xFFFE);
  if (length < 0xFF) {
    *this << static_cast<BYTE>(length);
  } else if (length < 0xFFFE) {
    *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(length);
  } else {
    *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(0xFFFF) << static_cast<DWORD>(length);
  }
  for (char16_t unit : units) *this << static_cast<WORD>(unit);
  return *this;
}

void CArchive::WriteClass(const CRuntimeClass* runtimeClass) {
  for (size_t i = 1; i < m_classes.size(); ++i) {
    if (m_classes[i] != runtimeClass) continue;
    if (i < wBigObjectTag) {
      *this << static_cast<WORD>(wClassTag | i);
    } else {
      *this << wBigObjectTag << static_cast<DWORD>(dwBigClassTag | i);
    }
    return;
  }
  const size_t length = std::strlen(runtimeClass->m_lpszClassName);
  *this << wNewClassTag << static_cast<WORD>(runtimeClass->m_wSchema & ~VERSIONABLE_SCHEMA)
        << static_cast<WORD>(length);
  Write(runtimeClass->m_lpszClassName, length);
  m_classes.push_back(runtimeClass);
}

const CRuntimeClass* CArchive::ReadClass(const CRuntimeClass* expected, UINT* schema) {
  WORD tag = 0;
  *this >> tag;
  const CRuntimeClass* found = nullptr;
  UINT schemaRead = 0;
  if (tag == wNewClassTag) {
    WORD storedSchema = 0, length = 0;
    *this >> storedSchema >> length;
    if (length > kMaxClassNameLength) AfxThrowArchiveException(CArchiveException::badClass);
    char name[kMaxClassNameLength + 1] = {};
    Read(name, length);
    found = AfxFindRuntimeClass(name);
    if (found == nullptr) AfxThrowArchiveException(CArchiveException::badClass);
    if (!(found->m_wSchema & VERSIONABLE_SCHEMA) && storedSchema != found->m_wSchema)
      AfxThrowArchiveException(CArchiveException::badSchema);
    schemaRead = storedSchema;
    m_classes.push_back(found);
  } else {
    DWORD objectTag = 0;
    if (tag == wBigObjectTag)
      *this >> objectTag;
    else
      objectTag = (static_cast<DWORD>(tag & wClassTag) << 16) | (tag & ~wClassTag);
    if (!(objectTag & dwBigClassTag)) AfxThrowArchiveException(CArchiveException::badIndex);
    const DWORD index = objectTag & ~dwBigClassTag;
    if (index == 0 || index >= m_classes.size()) AfxThrowArchiveException(CArchiveException::badIndex);
    found = m_classes[index];
    schemaRead = found->m_wSchema & ~VERSIONABLE_SCHEMA;
  }
  if (expected != nullptr && !found->IsDerivedFrom(expected)) AfxThrowArchiveException(CArchiveException::badClass);
  if (schema != nullptr) *schema = schemaRead;
  return found;
}
