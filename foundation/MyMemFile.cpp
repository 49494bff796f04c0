#include "foundation/MyMemFile.h"

#include "platform/win32/TextConv.h"

CMyMemFile::CMyMemFile(UINT growBytes) { m_bytes.reserve(growBytes); }

void CMyMemFile::WriteLine(const CString& text) {
  const std::string bytes = WideToUtf16LE(text.wstr() + L"\r\n");
  Write(bytes.data(), static_cast<UINT>(bytes.size()));
}

void CMyMemFile::Write(const void* data, UINT count) {
  if (data == nullptr || count == 0) return;
  const BYTE* p = static_cast<const BYTE*>(data);
  m_bytes.insert(m_bytes.end(), p, p + count);
}

std::vector<BYTE> CMyMemFile::Detach() {
  std::vector<BYTE> out;
  out.swap(m_bytes);
  return out;
}
