#include "foundation/KxModuleVersion.h"

#include <cstring>

#include "platform/win32/Files.h"
#include "platform/win32/Format.h"

CKxModuleVersion::CKxModuleVersion() : VS_FIXEDFILEINFO{} { m_bValid = Load(nullptr) ? TRUE : FALSE; }

bool CKxModuleVersion::Load(LPCWSTR moduleName) {
  m_wLanguage = 0;
  m_wCodePage = 1252;
  *static_cast<VS_FIXEDFILEINFO*>(this) = VS_FIXEDFILEINFO{};
  m_pVersionInfo.clear();

  HMODULE module = GetModuleHandle(moduleName);
  if (module == nullptr && moduleName != nullptr) return false;
  wchar_t path[MAX_PATH];
  if (GetModuleFileName(module, path, MAX_PATH) == 0) return false;
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &handle);
  if (size == 0) return false;
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoW(path, handle, size, block.data())) return false;
  m_pVersionInfo.swap(block);

  void* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(m_pVersionInfo.data(), L"\\", &fixed, &length) || fixed == nullptr) return false;
  std::memcpy(static_cast<VS_FIXEDFILEINFO*>(this), fixed,
              length < sizeof(VS_FIXEDFILEINFO) ? length : sizeof(VS_FIXEDFILEINFO));

  void* translation = nullptr;
  length = 0;
  if (VerQueryValueW(m_pVersionInfo.data(), L"\\VarFileInfo\\Translation", &translation, &length) &&
      translation != nullptr && length > 3) {
    WORD pair[2];
    std::memcpy(pair, translation, sizeof(pair));
    m_wLanguage = pair[0];
    m_wCodePage = pair[1];
  }
  return dwSignature == VS_FFI_SIGNATURE;
}

CString CKxModuleVersion::GetString(LPCWSTR name) const {
  if (m_pVersionInfo.empty()) return CString();
  const std::wstring query =
      FormatToWString(L"\\StringFileInfo\\%04x%04x\\%s", m_wLanguage, m_wCodePage, name != nullptr ? name : L"");
  void* text = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(m_pVersionInfo.data(), query.c_str(), &text, &length) || text == nullptr) return CString();
  return CString(static_cast<const wchar_t*>(text));
}

CString CKxModuleVersion::GetProductVersion() const {
  CString version = GetString(L"ProductVersion");
  version.Replace(L',', L'.');
  version.Remove(L' ');
  return version;
}

CString CKxModuleVersion::GetLegalCopyright() const { return GetString(L"LegalCopyright"); }

CString GetProductVersionText() { return CKxModuleVersion().GetProductVersion(); }

CString GetCopyrightText() { return CKxModuleVersion().GetLegalCopyright(); }
