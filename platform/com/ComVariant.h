// CComVariant: a VARIANT that owns its value, in the manner of ATL's class of that name.
#pragma once

#include <cstring>

#include "platform/com/Bstr.h"
#include "platform/com/ComBSTR.h"
#include "platform/com/ComErrors.h"
#include "platform/com/ComTypes.h"
#include "platform/com/SafeArray.h"
#include "platform/com/Variant.h"

class CComVariant : public VARIANT {
 public:
  CComVariant() noexcept { ::VariantInit(this); }
  ~CComVariant() { ::VariantClear(this); }

  CComVariant(const VARIANT& src) {  // NOLINT(google-explicit-constructor)
    ::VariantInit(this);
    InternalCopy(&src);
  }
  CComVariant(const CComVariant& src) : VARIANT() {
    ::VariantInit(this);
    InternalCopy(&src);
  }
  CComVariant(CComVariant&& src) noexcept : VARIANT(static_cast<const VARIANT&>(src)) { src.vt = VT_EMPTY; }
  CComVariant(LPCOLESTR lpszSrc) {  // NOLINT
    ::VariantInit(this);
    *this = lpszSrc;
  }
  CComVariant(const CComBSTR& bstrSrc) {  // NOLINT
    ::VariantInit(this);
    vt = VT_BSTR;
    bstrVal = bstrSrc.Copy();
  }
  CComVariant(bool bSrc) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = VT_BOOL;
    boolVal = bSrc ? VARIANT_TRUE : VARIANT_FALSE;
  }
  // VT_I4 (also LONG), or VT_INT / VT_ERROR when asked.
  CComVariant(int nSrc, VARTYPE vtSrc = VT_I4) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = (vtSrc == VT_INT || vtSrc == VT_ERROR) ? vtSrc : static_cast<VARTYPE>(VT_I4);
    lVal = nSrc;
  }
  // VT_UI4 (also ULONG), or VT_UINT when asked.
  CComVariant(unsigned int nSrc, VARTYPE vtSrc = VT_UI4) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = vtSrc == VT_UINT ? static_cast<VARTYPE>(VT_UINT) : static_cast<VARTYPE>(VT_UI4);
    ulVal = nSrc;
  }
  CComVariant(BYTE nSrc) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = VT_UI1;
    bVal = nSrc;
  }
  CComVariant(char cSrc) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = VT_I1;
    cVal = cSrc;
  }
  CComVariant(short nSrc) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = VT_I2;
    iVal = nSrc;
  }
  CComVariant(unsigned short nSrc) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = VT_UI2;
    uiVal = nSrc;
  }
  CComVariant(LONGLONG nSrc) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = VT_I8;
    llVal = nSrc;
  }
  CComVariant(ULONGLONG nSrc) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = VT_UI8;
    ullVal = nSrc;
  }
  CComVariant(float fltSrc) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = VT_R4;
    fltVal = fltSrc;
  }
  // VT_R8, or VT_DATE when asked.
  CComVariant(double dblSrc, VARTYPE vtSrc = VT_R8) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = vtSrc == VT_DATE ? static_cast<VARTYPE>(VT_DATE) : static_cast<VARTYPE>(VT_R8);
    dblVal = dblSrc;
  }
  CComVariant(CY cySrc) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = VT_CY;
    cyVal = cySrc;
  }
  CComVariant(IDispatch* pSrc) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = VT_DISPATCH;
    pdispVal = pSrc;
    if (pSrc) pSrc->AddRef();
  }
  CComVariant(IUnknown* pSrc) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = VT_UNKNOWN;
    punkVal = pSrc;
    if (pSrc) pSrc->AddRef();
  }
  // A copy of the array; VT_ERROR (E_OUTOFMEMORY / E_INVALIDARG) when it cannot be copied.
  CComVariant(const SAFEARRAY* pSrc) {  // NOLINT
    ::VariantInit(this);
    *this = pSrc;
  }

  CComVariant& operator=(const CComVariant& src) {
    if (this != &src) InternalCopy(&src);
    return *this;
  }
  CComVariant& operator=(CComVariant&& src) noexcept {
    if (this != &src) {
      ::VariantClear(this);
      std::memcpy(static_cast<VARIANT*>(this), static_cast<const VARIANT*>(&src), sizeof(VARIANT));
      src.vt = VT_EMPTY;
    }
    return *this;
  }
  CComVariant& operator=(const VARIANT& src) {
    if (static_cast<const VARIANT*>(this) != &src) InternalCopy(&src);
    return *this;
  }
  CComVariant& operator=(LPCOLESTR lpszSrc) {
    BSTR copy = ::SysAllocString(lpszSrc);
    ::VariantClear(this);
    vt = VT_BSTR;
    bstrVal = copy;
    if (copy == nullptr && lpszSrc != nullptr) SetError(E_OUTOFMEMORY);
    return *this;
  }
  CComVariant& operator=(const CComBSTR& bstrSrc) { return *this = CComVariant(bstrSrc); }
  CComVariant& operator=(bool bSrc) { return *this = CComVariant(bSrc); }
  CComVariant& operator=(int nSrc) { return *this = CComVariant(nSrc); }
  CComVariant& operator=(unsigned int nSrc) { return *this = CComVariant(nSrc); }
  CComVariant& operator=(BYTE nSrc) { return *this = CComVariant(nSrc); }
  CComVariant& operator=(char cSrc) { return *this = CComVariant(cSrc); }
  CComVariant& operator=(short nSrc) { return *this = CComVariant(nSrc); }
  CComVariant& operator=(unsigned short nSrc) { return *this = CComVariant(nSrc); }
  CComVariant& operator=(LONGLONG nSrc) { return *this = CComVariant(nSrc); }
  CComVariant& operator=(ULONGLONG nSrc) { return *this = CComVariant(nSrc); }
  CComVariant& operator=(float fltSrc) { return *this = CComVariant(fltSrc); }
  CComVariant& operator=(double dblSrc) { return *this = CComVariant(dblSrc); }
  CComVariant& operator=(CY cySrc) { return *this = CComVariant(cySrc); }
  CComVariant& operator=(IDispatch* pSrc) { return *this = CComVariant(pSrc); }
  CComVariant& operator=(IUnknown* pSrc) { return *this = CComVariant(pSrc); }
  CComVariant& operator=(const SAFEARRAY* pSrc) {
    ::VariantClear(this);
    if (pSrc == nullptr) {
      SetError(E_INVALIDARG);
      return *this;
    }
    VARTYPE elem = VT_EMPTY;
    SAFEARRAY* copy = nullptr;
    SAFEARRAY* src = const_cast<SAFEARRAY*>(pSrc);
    if (FAILED(::SafeArrayGetVartype(src, &elem)) || FAILED(::SafeArrayCopy(src, &copy))) {
      SetError(E_OUTOFMEMORY);
      return *this;
    }
    vt = static_cast<VARTYPE>(VT_ARRAY | elem);
    parray = copy;
    return *this;
  }

  bool operator==(const VARIANT& other) const noexcept { return tessaly::VariantEquals(*this, other); }
  bool operator==(const CComVariant& other) const noexcept { return tessaly::VariantEquals(*this, other); }

  HRESULT Clear() { return ::VariantClear(this); }
  HRESULT Copy(const VARIANT* pSrc) { return ::VariantCopy(this, pSrc); }
  // A copy of a VT_BSTR value into *pstrDest; DISP_E_TYPEMISMATCH for any other type.
  HRESULT CopyTo(BSTR* pstrDest) const {
    if (pstrDest == nullptr) return E_POINTER;
    if (vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
    *pstrDest = ::SysAllocStringByteLen(reinterpret_cast<const char*>(bstrVal), ::SysStringByteLen(bstrVal));
    return (*pstrDest == nullptr && bstrVal != nullptr) ? E_OUTOFMEMORY : S_OK;
  }
  // Takes the value of pSrc, which is left VT_EMPTY.
  HRESULT Attach(VARIANT* pSrc) {
    if (pSrc == nullptr) return E_INVALIDARG;
    if (pSrc == this) return S_OK;
    HRESULT hr = ::VariantClear(this);
    if (FAILED(hr)) return hr;
    std::memcpy(static_cast<VARIANT*>(this), pSrc, sizeof(VARIANT));
    pSrc->vt = VT_EMPTY;
    return S_OK;
  }
  // Gives the value to pDest (cleared first); this is left VT_EMPTY.
  HRESULT Detach(VARIANT* pDest) {
    if (pDest == nullptr) return E_POINTER;
    if (pDest == this) return S_OK;
    HRESULT hr = ::VariantClear(pDest);
    if (FAILED(hr)) return hr;
    std::memcpy(pDest, static_cast<VARIANT*>(this), sizeof(VARIANT));
    vt = VT_EMPTY;
    return S_OK;
  }
  // Converts pSrc (this when null) into this.
  HRESULT ChangeType(VARTYPE vtNew, const VARIANT* pSrc = nullptr) {
    return ::VariantChangeType(this, pSrc ? pSrc : this, 0, vtNew);
  }

 private:
  void InternalCopy(const VARIANT* pSrc) {
    HRESULT hr = ::VariantCopy(this, pSrc);
    if (FAILED(hr)) SetError(hr);
  }
  void SetError(HRESULT hr) {
    ::VariantClear(this);
    vt = VT_ERROR;
    scode = hr;
  }
};

static_assert(sizeof(CComVariant) == sizeof(VARIANT), "CComVariant must stay layout-compatible with VARIANT");
