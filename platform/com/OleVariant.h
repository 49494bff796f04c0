// COleVariant: a VARIANT that owns its value, in the manner of MFC's class of that name.
// ChangeType throws COleVariantException when the conversion fails.
#pragma once

#include <cstring>
#include <exception>

#include "platform/com/Bstr.h"
#include "platform/com/ComErrors.h"
#include "platform/com/ComTypes.h"
#include "platform/com/OleDateTime.h"
#include "platform/com/Variant.h"

typedef const VARIANT* LPCVARIANT;

class COleVariantException : public std::exception {
 public:
  explicit COleVariantException(SCODE sc) noexcept : m_sc(sc) {}
  const char* what() const noexcept override { return "OLE variant conversion failed"; }
  SCODE m_sc;
};

class COleVariant : public VARIANT {
 public:
  COleVariant() noexcept { ::VariantInit(this); }
  ~COleVariant() { ::VariantClear(this); }

  COleVariant(const VARIANT& varSrc) {  // NOLINT(google-explicit-constructor)
    ::VariantInit(this);
    Check(::VariantCopy(this, &varSrc));
  }
  COleVariant(LPCVARIANT pSrc) {  // NOLINT
    ::VariantInit(this);
    if (pSrc) Check(::VariantCopy(this, pSrc));
  }
  COleVariant(const COleVariant& varSrc) : VARIANT() {
    ::VariantInit(this);
    Check(::VariantCopy(this, &varSrc));
  }
  COleVariant(COleVariant&& varSrc) noexcept : VARIANT(static_cast<const VARIANT&>(varSrc)) {
    varSrc.vt = VT_EMPTY;
  }
  // VT_BSTR (vtSrc may only be VT_BSTR: text is always wide here).
  COleVariant(LPCTSTR lpszSrc, VARTYPE vtSrc = VT_BSTR) {  // NOLINT
    ::VariantInit(this);
    SetString(lpszSrc, vtSrc);
  }
  COleVariant(BYTE nSrc) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = VT_UI1;
    bVal = nSrc;
  }
  // VT_I2 or VT_BOOL (non-zero -> VARIANT_TRUE).
  COleVariant(short nSrc, VARTYPE vtSrc = VT_I2) noexcept {  // NOLINT
    ::VariantInit(this);
    if (vtSrc == VT_BOOL) {
      vt = VT_BOOL;
      boolVal = nSrc ? VARIANT_TRUE : VARIANT_FALSE;
    } else {
      vt = VT_I2;
      iVal = nSrc;
    }
  }
  // VT_I4 (also LONG), VT_INT, VT_ERROR or VT_BOOL (non-zero -> VARIANT_TRUE).
  COleVariant(int lSrc, VARTYPE vtSrc = VT_I4) noexcept {  // NOLINT
    ::VariantInit(this);
    if (vtSrc == VT_BOOL) {
      vt = VT_BOOL;
      boolVal = lSrc ? VARIANT_TRUE : VARIANT_FALSE;
    } else if (vtSrc == VT_ERROR) {
      vt = VT_ERROR;
      scode = lSrc;
    } else {
      vt = vtSrc == VT_INT ? static_cast<VARTYPE>(VT_INT) : static_cast<VARTYPE>(VT_I4);
      lVal = lSrc;
    }
  }
  COleVariant(unsigned int nSrc, VARTYPE vtSrc = VT_UI4) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = vtSrc == VT_UINT ? static_cast<VARTYPE>(VT_UINT) : static_cast<VARTYPE>(VT_UI4);
    ulVal = nSrc;
  }
  COleVariant(unsigned short nSrc) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = VT_UI2;
    uiVal = nSrc;
  }
  COleVariant(char cSrc) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = VT_I1;
    cVal = cSrc;
  }
  COleVariant(LONGLONG nSrc) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = VT_I8;
    llVal = nSrc;
  }
  COleVariant(ULONGLONG nSrc) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = VT_UI8;
    ullVal = nSrc;
  }
  COleVariant(float fltSrc) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = VT_R4;
    fltVal = fltSrc;
  }
  COleVariant(double dblSrc) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = VT_R8;
    dblVal = dblSrc;
  }
  COleVariant(const COleDateTime& dateSrc) noexcept {  // NOLINT
    ::VariantInit(this);
    vt = VT_DATE;
    date = dateSrc.m_dt;
  }

  COleVariant& operator=(const COleVariant& varSrc) {
    if (this != &varSrc) Check(::VariantCopy(this, &varSrc));
    return *this;
  }
  COleVariant& operator=(COleVariant&& varSrc) noexcept {
    if (this != &varSrc) {
      ::VariantClear(this);
      std::memcpy(static_cast<VARIANT*>(this), static_cast<const VARIANT*>(&varSrc), sizeof(VARIANT));
      varSrc.vt = VT_EMPTY;
    }
    return *this;
  }
  COleVariant& operator=(const VARIANT& varSrc) {
    if (static_cast<const VARIANT*>(this) != &varSrc) Check(::VariantCopy(this, &varSrc));
    return *this;
  }
  COleVariant& operator=(LPCTSTR lpszSrc) {
    SetString(lpszSrc, VT_BSTR);
    return *this;
  }
  COleVariant& operator=(BYTE nSrc) { return *this = COleVariant(nSrc); }
  COleVariant& operator=(short nSrc) { return *this = COleVariant(nSrc); }
  COleVariant& operator=(int lSrc) { return *this = COleVariant(lSrc); }
  COleVariant& operator=(unsigned int nSrc) { return *this = COleVariant(nSrc); }
  COleVariant& operator=(unsigned short nSrc) { return *this = COleVariant(nSrc); }
  COleVariant& operator=(char cSrc) { return *this = COleVariant(cSrc); }
  COleVariant& operator=(LONGLONG nSrc) { return *this = COleVariant(nSrc); }
  COleVariant& operator=(ULONGLONG nSrc) { return *this = COleVariant(nSrc); }
  COleVariant& operator=(float fltSrc) { return *this = COleVariant(fltSrc); }
  COleVariant& operator=(double dblSrc) { return *this = COleVariant(dblSrc); }
  COleVariant& operator=(const COleDateTime& dateSrc) { return *this = COleVariant(dateSrc); }

  // Same type and same value (see tessaly::VariantEquals).
  bool operator==(const VARIANT& varSrc) const noexcept { return tessaly::VariantEquals(*this, varSrc); }
  bool operator==(const COleVariant& varSrc) const noexcept { return tessaly::VariantEquals(*this, varSrc); }
  bool operator==(LPCVARIANT pSrc) const noexcept { return pSrc && tessaly::VariantEquals(*this, *pSrc); }

  operator LPVARIANT() noexcept { return this; }             // NOLINT(google-explicit-constructor)
  operator LPCVARIANT() const noexcept { return this; }      // NOLINT(google-explicit-constructor)

  void Clear() { Check(::VariantClear(this)); }
  // Converts pSrc (this when null) into this; throws COleVariantException on failure.
  void ChangeType(VARTYPE vartype, LPVARIANT pSrc = nullptr) {
    if (pSrc == nullptr) pSrc = this;
    if (pSrc != this || vartype != vt) Check(::VariantChangeType(this, pSrc, 0, vartype));
  }
  // Takes the value of varSrc, which is left VT_EMPTY.
  void Attach(VARIANT& varSrc) {
    if (&varSrc == static_cast<VARIANT*>(this)) return;
    Clear();
    std::memcpy(static_cast<VARIANT*>(this), &varSrc, sizeof(VARIANT));
    varSrc.vt = VT_EMPTY;
  }
  // Gives the value away; this is left VT_EMPTY.
  VARIANT Detach() noexcept {
    VARIANT out = *this;
    vt = VT_EMPTY;
    return out;
  }
  void SetString(LPCTSTR lpszSrc, VARTYPE vtSrc) {
    if (vtSrc != VT_BSTR) throw COleVariantException(E_INVALIDARG);
    BSTR copy = ::SysAllocString(lpszSrc ? lpszSrc : L"");
    if (copy == nullptr) throw COleVariantException(E_OUTOFMEMORY);
    ::VariantClear(this);
    vt = VT_BSTR;
    bstrVal = copy;
  }

 private:
  static void Check(HRESULT hr) {
    if (FAILED(hr)) throw COleVariantException(hr);
  }
};

static_assert(sizeof(COleVariant) == sizeof(VARIANT), "COleVariant must stay layout-compatible with VARIANT");
