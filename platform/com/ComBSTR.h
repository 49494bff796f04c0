// CComBSTR: owns one BSTR, in the manner of ATL's class of that name.
#pragma once

#include <cassert>
#include <cstddef>
#include <cwchar>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/com/Bstr.h"
#include "platform/com/ComTypes.h"
#include "platform/com/Guid.h"

class CComBSTR {
 public:
  BSTR m_str = nullptr;

  CComBSTR() noexcept = default;
  // nSize zeroed characters.
  explicit CComBSTR(int nSize) : m_str(nSize > 0 ? ::SysAllocStringLen(nullptr, static_cast<UINT>(nSize)) : nullptr) {}
  CComBSTR(int nSize, LPCOLESTR sz)
      : m_str(nSize >= 0 ? ::SysAllocStringLen(sz, static_cast<UINT>(nSize)) : nullptr) {}
  CComBSTR(LPCOLESTR pSrc) : m_str(::SysAllocString(pSrc)) {}  // NOLINT(google-explicit-constructor)
  CComBSTR(const std::wstring& s) : m_str(tessaly::SysAllocStringView(s)) {}  // NOLINT
  CComBSTR(std::wstring_view s) : m_str(tessaly::SysAllocStringView(s)) {}    // NOLINT
  explicit CComBSTR(REFGUID guid) : m_str(tessaly::SysAllocStringView(tessaly::GuidToString(guid))) {}
  CComBSTR(const CComBSTR& src) : m_str(src.Copy()) {}
  CComBSTR(CComBSTR&& src) noexcept : m_str(std::exchange(src.m_str, nullptr)) {}
  ~CComBSTR() { ::SysFreeString(m_str); }

  CComBSTR& operator=(const CComBSTR& src) {
    if (m_str != src.m_str) {
      BSTR copy = src.Copy();
      ::SysFreeString(m_str);
      m_str = copy;
    }
    return *this;
  }
  CComBSTR& operator=(CComBSTR&& src) noexcept {
    if (this != std::addressof(src)) {
      ::SysFreeString(m_str);
      m_str = std::exchange(src.m_str, nullptr);
    }
    return *this;
  }
  CComBSTR& operator=(LPCOLESTR pSrc) {
    if (pSrc != m_str) {
      BSTR copy = ::SysAllocString(pSrc);
      ::SysFreeString(m_str);
      m_str = copy;
    }
    return *this;
  }
  CComBSTR& operator=(const std::wstring& s) { return *this = CComBSTR(s); }

  unsigned int Length() const noexcept { return ::SysStringLen(m_str); }
  unsigned int ByteLength() const noexcept { return ::SysStringByteLen(m_str); }
  operator BSTR() const noexcept { return m_str; }  // NOLINT(google-explicit-constructor)
  // For out parameters: the string must be empty, or its old value would leak.
  BSTR* operator&() noexcept {  // NOLINT(google-runtime-operator)
    assert(m_str == nullptr);
    return &m_str;
  }
  bool operator!() const noexcept { return m_str == nullptr; }

  BSTR Copy() const {
    if (m_str == nullptr) return nullptr;
    return ::SysAllocStringByteLen(reinterpret_cast<const char*>(m_str), ::SysStringByteLen(m_str));
  }
  HRESULT CopyTo(BSTR* pbstr) const {
    if (pbstr == nullptr) return E_POINTER;
    *pbstr = Copy();
    return (*pbstr == nullptr && m_str != nullptr) ? E_OUTOFMEMORY : S_OK;
  }
  void Attach(BSTR src) noexcept {
    if (m_str != src) {
      ::SysFreeString(m_str);
      m_str = src;
    }
  }
  BSTR Detach() noexcept { return std::exchange(m_str, nullptr); }
  void Empty() noexcept {
    ::SysFreeString(m_str);
    m_str = nullptr;
  }

  HRESULT Append(LPCOLESTR lpsz, int nLen) {
    if (lpsz == nullptr || nLen <= 0) return S_OK;
    const UINT old = Length();
    BSTR grown = ::SysAllocStringLen(nullptr, old + static_cast<UINT>(nLen));
    if (grown == nullptr) return E_OUTOFMEMORY;
    if (old) std::wmemcpy(grown, m_str, old);
    std::wmemcpy(grown + old, lpsz, static_cast<size_t>(nLen));
    ::SysFreeString(m_str);
    m_str = grown;
    return S_OK;
  }
  HRESULT Append(LPCOLESTR lpsz) { return lpsz ? Append(lpsz, static_cast<int>(std::wcslen(lpsz))) : S_OK; }
  HRESULT Append(const CComBSTR& bstrSrc) { return AppendBSTR(bstrSrc.m_str); }
  HRESULT Append(wchar_t ch) { return Append(&ch, 1); }
  HRESULT AppendBSTR(BSTR p) { return Append(p, static_cast<int>(::SysStringLen(p))); }
  CComBSTR& operator+=(const CComBSTR& bstrSrc) {
    AppendBSTR(bstrSrc.m_str);
    return *this;
  }
  CComBSTR& operator+=(LPCOLESTR pszSrc) {
    Append(pszSrc);
    return *this;
  }

  // Null and "" are equal, as for BSTRs everywhere.
  bool operator==(const CComBSTR& other) const noexcept { return View() == other.View(); }
  bool operator==(LPCOLESTR psz) const noexcept {
    return View() == (psz ? std::wstring_view(psz) : std::wstring_view());
  }
  bool operator==(std::nullptr_t) const noexcept { return m_str == nullptr; }
  bool operator<(const CComBSTR& other) const noexcept { return View() < other.View(); }

  std::wstring_view View() const noexcept { return {m_str ? m_str : L"", Length()}; }
  std::wstring ToString() const { return std::wstring(View()); }
};
