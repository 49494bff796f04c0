#include "platform/com/Variant.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <limits>
#include <string>

#include "platform/com/Bstr.h"
#include "platform/com/ComErrors.h"
#include "platform/com/LocaleText.h"
#include "platform/com/SafeArray.h"
#include "platform/win32/Time.h"

namespace {

// ---- types ------------------------------------------------------------------------------

// What VariantInit leaves: VT_EMPTY with every field zero.
void Reset(VARIANTARG* v) {
  v->vt = VT_EMPTY;
  v->wReserved1 = v->wReserved2 = v->wReserved3 = 0;
  v->llVal = 0;
  v->rec.pRecInfo = nullptr;
}

size_t ScalarSize(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
      return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
      return 8;
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return sizeof(void*);
    default:
      return 0;
  }
}

// A VARTYPE a VARIANT may carry.
bool ValidVariantType(VARTYPE vt) {
  if (vt & ~(VT_TYPEMASK | VT_ARRAY | VT_BYREF)) return false;
  const VARTYPE base = vt & VT_TYPEMASK;
  if ((vt & (VT_ARRAY | VT_BYREF)) == 0) return base == VT_EMPTY || base == VT_NULL || ScalarSize(base) != 0;
  if (base == VT_VARIANT) return true;
  return ScalarSize(base) != 0;
}

// A shallow view of what a BYREF source points at (borrowed, never cleared).
HRESULT Dereference(const VARIANT* src, VARIANT* view) {
  VariantInit(view);
  if (!(src->vt & VT_BYREF)) {
    *view = *src;
    return S_OK;
  }
  if (src->byref == nullptr) return E_INVALIDARG;
  const VARTYPE base = src->vt & VT_TYPEMASK;
  if (src->vt & VT_ARRAY) {
    view->vt = static_cast<VARTYPE>(src->vt & ~VT_BYREF);
    view->parray = *src->pparray;
    return S_OK;
  }
  if (base == VT_VARIANT) {
    const VARIANT* inner = src->pvarVal;
    if (inner->vt & VT_BYREF) return E_INVALIDARG;  // one level only
    *view = *inner;
    return S_OK;
  }
  view->vt = base;
  std::memcpy(&view->llVal, src->byref, ScalarSize(base));
  return S_OK;
}

// ---- numbers ----------------------------------------------------------------------------

// A source value on its way to a number type.
struct Num {
  enum Kind { Int, UInt, Real, Cy } kind = Int;
  int64_t i = 0;   // Int, and Cy (value * 10000)
  uint64_t u = 0;  // UInt
  double d = 0;    // Real
};

// A number read from text, as the conversion's source.
Num FromText(const tessaly::TextNumber& t) {
  Num n;
  if (!t.integral) {
    n.kind = Num::Real;
    n.d = t.real;
  } else if (!t.negative) {
    n.kind = Num::UInt;
    n.u = t.magnitude;
  } else if (t.magnitude <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1) {
    n.i = t.magnitude == static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1
              ? std::numeric_limits<int64_t>::min()
              : -static_cast<int64_t>(t.magnitude);
  } else {
    n.kind = Num::Real;
    n.d = -static_cast<double>(t.magnitude);
  }
  return n;
}

bool IsIntegerType(VARTYPE vt) {
  switch (vt) {
    case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4:
    case VT_INT: case VT_UINT: case VT_I8: case VT_UI8: return true;
    default: return false;
  }
}

// A signed and an unsigned type of one size: the change keeps the bits, as VariantChangeType
// does (unlike the Var*From* functions, which check the range).
bool SameSizeOtherSign(VARTYPE a, VARTYPE b) {
  static const VARTYPE kPairs[][2] = {{VT_I1, VT_UI1}, {VT_I2, VT_UI2}, {VT_I4, VT_UI4}, {VT_INT, VT_UINT},
                                      {VT_I4, VT_UINT}, {VT_I8, VT_UI8}};
  for (const auto& p : kPairs) {
    if ((a == p[0] && b == p[1]) || (a == p[1] && b == p[0])) return true;
  }
  return false;
}

// An integer written into a VARIANT of an integer type, cut to its width (two's complement).
void PutTruncated(int64_t v, VARTYPE vt, VARIANT* out) {
  out->llVal = 0;
  switch (vt) {
    case VT_I1: out->cVal = static_cast<CHAR>(v); break;
    case VT_UI1: out->bVal = static_cast<BYTE>(v); break;
    case VT_I2: out->iVal = static_cast<SHORT>(v); break;
    case VT_UI2: out->uiVal = static_cast<USHORT>(v); break;
    case VT_I4: case VT_INT: out->lVal = static_cast<LONG>(v); break;
    case VT_UI4: case VT_UINT: out->ulVal = static_cast<ULONG>(v); break;
    default: out->llVal = v; break;
  }
  out->vt = vt;
}

// The source as a signed 64-bit integer (for a change that keeps the bits).
int64_t IntegerBits(const VARIANT& src) {
  switch (src.vt) {
    case VT_I1: return src.cVal;
    case VT_UI1: return src.bVal;
    case VT_I2: return src.iVal;
    case VT_UI2: return src.uiVal;
    case VT_I4: case VT_INT: return src.lVal;
    case VT_UI4: case VT_UINT: return src.ulVal;
    default: return src.llVal;
  }
}

double RoundHalfEven(double d) {
  const double r = std::floor(d);
  const double diff = d - r;
  if (diff > 0.5) return r + 1;
  if (diff < 0.5) return r;
  return std::fmod(r, 2.0) == 0 ? r : r + 1;
}

// value / 10000 rounded half to even.
int64_t CyToInteger(int64_t cy) {
  int64_t q = cy / 10000, rem = cy % 10000;
  if (rem < 0) {
    rem += 10000;
    --q;
  }
  if (rem > 5000 || (rem == 5000 && (q & 1))) ++q;
  return q;
}

double NumToDouble(const Num& n) {
  switch (n.kind) {
    case Num::Int:
      return static_cast<double>(n.i);
    case Num::UInt:
      return static_cast<double>(n.u);
    case Num::Real:
      return n.d;
    case Num::Cy:
      return static_cast<double>(n.i) / 10000.0;
  }
  return 0;
}

// To a signed integer in [lo, hi].
HRESULT NumToSigned(const Num& n, int64_t lo, int64_t hi, int64_t* out) {
  int64_t v = 0;
  switch (n.kind) {
    case Num::Int:
      v = n.i;
      break;
    case Num::UInt:
      if (n.u > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return DISP_E_OVERFLOW;
      v = static_cast<int64_t>(n.u);
      break;
    case Num::Cy:
      v = CyToInteger(n.i);
      break;
    case Num::Real: {
      if (std::isnan(n.d)) return DISP_E_OVERFLOW;
      const double r = RoundHalfEven(n.d);
      if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) return DISP_E_OVERFLOW;
      v = static_cast<int64_t>(r);
      break;
    }
  }
  if (v < lo || v > hi) return DISP_E_OVERFLOW;
  *out = v;
  return S_OK;
}

// To an unsigned integer of at most hi.
HRESULT NumToUnsigned(const Num& n, uint64_t hi, uint64_t* out) {
  uint64_t v = 0;
  switch (n.kind) {
    case Num::UInt:
      v = n.u;
      break;
    case Num::Int:
    case Num::Cy: {
      const int64_t s = n.kind == Num::Int ? n.i : CyToInteger(n.i);
      if (s < 0) return DISP_E_OVERFLOW;
      v = static_cast<uint64_t>(s);
      break;
    }
    case Num::Real: {
      if (std::isnan(n.d)) return DISP_E_OVERFLOW;
      const double r = RoundHalfEven(n.d);
      if (!(r >= 0 && r < 18446744073709551616.0)) return DISP_E_OVERFLOW;
      v = static_cast<uint64_t>(r);
      break;
    }
  }
  if (v > hi) return DISP_E_OVERFLOW;
  *out = v;
  return S_OK;
}

HRESULT NumToCy(const Num& n, int64_t* out) {
  // OLE Automation's own limits: a signed whole number one short of what would fit either way.
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max() / 10000;
  switch (n.kind) {
    case Num::Cy:
      *out = n.i;
      return S_OK;
    case Num::Int:
      if (n.i >= kMax || n.i <= -kMax) return DISP_E_OVERFLOW;
      *out = n.i * 10000;
      return S_OK;
    case Num::UInt:
      if (n.u >= static_cast<uint64_t>(kMax)) return DISP_E_OVERFLOW;
      *out = static_cast<int64_t>(n.u) * 10000;
      return S_OK;
    case Num::Real: {
      if (std::isnan(n.d)) return DISP_E_OVERFLOW;
      const double r = RoundHalfEven(n.d * 10000.0);
      if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) return DISP_E_OVERFLOW;
      *out = static_cast<int64_t>(r);
      return S_OK;
    }
  }
  return DISP_E_TYPEMISMATCH;
}

// ---- dates --------------------------------------------------------------------------------

constexpr double kMinDate = -657434.0;  // 100-01-01
constexpr double kMaxDate = 2958466.0;  // just past 9999-12-31

bool ValidDate(double d) { return d >= kMinDate && d < kMaxDate; }

// ---- text -----------------------------------------------------------------------------------

std::wstring FormatReal(double d, int digits) {
  if (d == 0) return L"0";  // no "-0"
  wchar_t buf[64];
  std::swprintf(buf, 64, L"%.*G", digits, d);
  return buf;
}

std::wstring FormatCy(int64_t cy) {
  const bool negative = cy < 0;
  const uint64_t mag = negative ? static_cast<uint64_t>(-(cy + 1)) + 1 : static_cast<uint64_t>(cy);
  std::wstring s = std::to_wstring(mag / 10000);
  uint64_t frac = mag % 10000;
  if (frac) {
    wchar_t buf[8];
    std::swprintf(buf, 8, L".%04u", static_cast<unsigned>(frac));
    std::wstring f = buf;
    while (f.back() == L'0') f.pop_back();
    s += f;
  }
  return negative ? L"-" + s : s;
}

// ---- objects ------------------------------------------------------------------------------

// The DISPID_VALUE property of an object (a dispatch interface, or one reached by QI).
HRESULT ValueProperty(const VARIANT& src, LCID lcid, VARIANT* out) {
  VariantInit(out);
  IDispatch* disp = nullptr;
  if (src.vt == VT_DISPATCH) {
    disp = src.pdispVal;
    if (disp) disp->AddRef();
  } else if (src.punkVal &&
             FAILED(src.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&disp)))) {
    disp = nullptr;
  }
  if (disp == nullptr) return DISP_E_TYPEMISMATCH;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  HRESULT hr = disp->Invoke(DISPID_VALUE, IID_NULL, lcid, DISPATCH_PROPERTYGET, &none, out, nullptr, nullptr);
  disp->Release();
  if (FAILED(hr)) {
    VariantClear(out);
    return DISP_E_TYPEMISMATCH;
  }
  return S_OK;
}

// ---- the conversion ----------------------------------------------------------------------------

// src is a dereferenced value of another type than vt; writes a fresh value into *out.
HRESULT Convert(const VARIANT& src, LCID lcid, USHORT flags, VARTYPE vt, VARIANT* out) {
  VariantInit(out);
  if (vt == VT_EMPTY) return src.vt == VT_NULL || src.vt == VT_ERROR ? DISP_E_TYPEMISMATCH : S_OK;
  if ((src.vt | vt) & VT_ARRAY) return DISP_E_TYPEMISMATCH;
  if (vt == VT_NULL) {
    // EMPTY and every number, BOOL, CY and DATE may become NULL; text and objects may not.
    if (src.vt == VT_BSTR || src.vt == VT_ERROR || src.vt == VT_DISPATCH || src.vt == VT_UNKNOWN)
      return DISP_E_TYPEMISMATCH;
    out->vt = VT_NULL;
    return S_OK;
  }
  if (SameSizeOtherSign(src.vt, vt)) {
    PutTruncated(IntegerBits(src), vt, out);
    return S_OK;
  }
  // A VARIANT_BOOL converts as its 16-bit value, cut to an integer target without a range check.
  if (src.vt == VT_BOOL && IsIntegerType(vt)) {
    PutTruncated(src.boolVal, vt, out);
    return S_OK;
  }
  if (src.vt == VT_NULL || src.vt == VT_ERROR || vt == VT_ERROR) return DISP_E_TYPEMISMATCH;

  if (vt == VT_UNKNOWN || vt == VT_DISPATCH) {
    if (src.vt != VT_UNKNOWN && src.vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
    void* p = nullptr;
    if (src.punkVal && FAILED(src.punkVal->QueryInterface(vt == VT_UNKNOWN ? IID_IUnknown : IID_IDispatch, &p)))
      return DISP_E_TYPEMISMATCH;
    out->vt = vt;
    out->byref = p;
    return S_OK;
  }
  if (src.vt == VT_DISPATCH || src.vt == VT_UNKNOWN) {
    if (flags & VARIANT_NOVALUEPROP) return DISP_E_TYPEMISMATCH;
    VARIANT value;
    HRESULT hr = ValueProperty(src, lcid, &value);
    if (FAILED(hr)) return hr;
    hr = VariantChangeTypeEx(out, &value, lcid, static_cast<USHORT>(flags | VARIANT_NOVALUEPROP), vt);
    VariantClear(&value);
    return hr;
  }

  if (vt == VT_BSTR) {
    std::wstring text;
    switch (src.vt) {
      case VT_EMPTY: break;
      case VT_I1: text = std::to_wstring(static_cast<int>(src.cVal)); break;
      case VT_UI1: text = std::to_wstring(src.bVal); break;
      case VT_I2: text = std::to_wstring(src.iVal); break;
      case VT_UI2: text = std::to_wstring(src.uiVal); break;
      case VT_I4:
      case VT_INT: text = std::to_wstring(src.lVal); break;
      case VT_UI4:
      case VT_UINT: text = std::to_wstring(src.ulVal); break;
      case VT_I8: text = std::to_wstring(src.llVal); break;
      case VT_UI8: text = std::to_wstring(src.ullVal); break;
      case VT_R4: text = FormatReal(src.fltVal, 7); break;
      case VT_R8: text = FormatReal(src.dblVal, 15); break;
      case VT_CY: text = FormatCy(src.cyVal.int64); break;
      case VT_BOOL:
        if (flags & VARIANT_ALPHABOOL) {
          text = src.boolVal ? L"True" : L"False";
        } else {
          text = std::to_wstring(src.boolVal);
        }
        break;
      case VT_DATE:
        if (!tessaly::FormatLocaleDate(src.date, lcid, &text)) return DISP_E_OVERFLOW;
        break;
      default: return DISP_E_TYPEMISMATCH;
    }
    BSTR b = tessaly::SysAllocStringView(text);
    if (b == nullptr) return E_OUTOFMEMORY;
    out->vt = VT_BSTR;
    out->bstrVal = b;
    return S_OK;
  }

  // Everything left is a number, BOOL or DATE target.
  Num n;
  switch (src.vt) {
    case VT_EMPTY: n.i = 0; break;
    case VT_I1: n.i = src.cVal; break;
    case VT_UI1: n.i = src.bVal; break;
    case VT_I2: n.i = src.iVal; break;
    case VT_UI2: n.i = src.uiVal; break;
    case VT_I4:
    case VT_INT: n.i = src.lVal; break;
    case VT_UI4:
    case VT_UINT: n.i = src.ulVal; break;
    case VT_I8: n.i = src.llVal; break;
    case VT_UI8: n.kind = Num::UInt; n.u = src.ullVal; break;
    case VT_R4: n.kind = Num::Real; n.d = src.fltVal; break;
    case VT_R8:
    case VT_DATE: n.kind = Num::Real; n.d = src.dblVal; break;
    case VT_CY: n.kind = Num::Cy; n.i = src.cyVal.int64; break;
    case VT_BOOL: n.i = src.boolVal; break;
    case VT_BSTR: {
      const std::wstring text = tessaly::BstrToString(src.bstrVal);
      if (vt == VT_DATE) {
        double d;
        if (!tessaly::ParseLocaleDate(text, lcid, &d)) return DISP_E_TYPEMISMATCH;
        out->vt = VT_DATE;
        out->date = d;
        return S_OK;
      }
      if (vt == VT_BOOL) {
        bool b = false;
        if (!tessaly::ParseLocaleBool(text, lcid, &b)) return DISP_E_TYPEMISMATCH;
        out->vt = VT_BOOL;
        out->boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
      }
      tessaly::TextNumber t;
      if (!tessaly::ParseLocaleNumber(text, lcid, &t)) return DISP_E_TYPEMISMATCH;
      if (!t.integral && !std::isfinite(t.real)) return DISP_E_OVERFLOW;  // beyond any double
      n = FromText(t);
      break;
    }
    default: return DISP_E_TYPEMISMATCH;
  }

  HRESULT hr = S_OK;
  int64_t s = 0;
  uint64_t u = 0;
  switch (vt) {
    case VT_I1:
      hr = NumToSigned(n, INT8_MIN, INT8_MAX, &s);
      out->cVal = static_cast<CHAR>(s);
      break;
    case VT_I2:
      hr = NumToSigned(n, INT16_MIN, INT16_MAX, &s);
      out->iVal = static_cast<SHORT>(s);
      break;
    case VT_I4:
    case VT_INT:
      hr = NumToSigned(n, INT32_MIN, INT32_MAX, &s);
      out->lVal = static_cast<LONG>(s);
      break;
    case VT_I8:
      hr = NumToSigned(n, INT64_MIN, INT64_MAX, &s);
      out->llVal = s;
      break;
    case VT_UI1:
      hr = NumToUnsigned(n, UINT8_MAX, &u);
      out->bVal = static_cast<BYTE>(u);
      break;
    case VT_UI2:
      hr = NumToUnsigned(n, UINT16_MAX, &u);
      out->uiVal = static_cast<USHORT>(u);
      break;
    case VT_UI4:
    case VT_UINT:
      hr = NumToUnsigned(n, UINT32_MAX, &u);
      out->ulVal = static_cast<ULONG>(u);
      break;
    case VT_UI8:
      hr = NumToUnsigned(n, UINT64_MAX, &u);
      out->ullVal = u;
      break;
    case VT_R4: {
      const double d = NumToDouble(n);
      if (std::isfinite(d) && std::fabs(d) > FLT_MAX) return DISP_E_OVERFLOW;
      out->fltVal = static_cast<float>(d);
      break;
    }
    case VT_R8:
      out->dblVal = NumToDouble(n);
      break;
    case VT_DATE: {
      const double d = NumToDouble(n);
      if (!ValidDate(d)) return DISP_E_OVERFLOW;
      out->date = d;
      break;
    }
    case VT_CY:
      hr = NumToCy(n, &s);
      out->cyVal.int64 = s;
      break;
    case VT_BOOL: {
      bool nonZero = false;
      switch (n.kind) {
        case Num::Int:
        case Num::Cy: nonZero = n.i != 0; break;
        case Num::UInt: nonZero = n.u != 0; break;
        case Num::Real: nonZero = n.d != 0; break;
      }
      out->boolVal = nonZero ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    }
    default:
      return DISP_E_TYPEMISMATCH;
  }
  if (FAILED(hr)) {
    VariantInit(out);
    return hr;
  }
  out->vt = vt;
  return S_OK;
}

// A deep copy of src into *out (uninitialised); nothing owned on failure.
HRESULT CopyInto(const VARIANT* src, VARIANT* out) {
  VariantInit(out);
  VARIANT copy = *src;
  if (!(src->vt & VT_BYREF)) {
    if (src->vt & VT_ARRAY) {
      HRESULT hr = SafeArrayCopy(src->parray, &copy.parray);
      if (FAILED(hr)) return hr;
    } else if (src->vt == VT_BSTR && src->bstrVal) {
      copy.bstrVal = SysAllocStringByteLen(reinterpret_cast<const char*>(src->bstrVal), SysStringByteLen(src->bstrVal));
      if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
    } else if ((src->vt == VT_UNKNOWN || src->vt == VT_DISPATCH) && src->punkVal) {
      src->punkVal->AddRef();
    }
  }
  *out = copy;
  return S_OK;
}

// Clears dest and moves value in; value is freed when dest cannot be cleared.
HRESULT Store(VARIANT* dest, VARIANT* value) {
  HRESULT hr = VariantClear(dest);
  if (FAILED(hr)) {
    VariantClear(value);
    return hr;
  }
  *dest = *value;
  return S_OK;
}

bool SameBstr(BSTR a, BSTR b) {
  return SysStringByteLen(a) == SysStringByteLen(b) &&
         (SysStringByteLen(a) == 0 || std::memcmp(a, b, SysStringByteLen(a)) == 0);
}

bool SameArray(SAFEARRAY* a, SAFEARRAY* b) {
  if (a == b) return true;
  if (a == nullptr || b == nullptr) return false;
  VARTYPE va = VT_EMPTY, vb = VT_EMPTY;
  SafeArrayGetVartype(a, &va);
  SafeArrayGetVartype(b, &vb);
  if (a->cDims != b->cDims || a->cbElements != b->cbElements || va != vb) return false;
  size_t count = 1;
  for (UINT i = 0; i < a->cDims; ++i) {
    if (a->rgsabound[i].cElements != b->rgsabound[i].cElements || a->rgsabound[i].lLbound != b->rgsabound[i].lLbound)
      return false;
    count *= a->rgsabound[i].cElements;
  }
  if (count == 0) return true;
  if (a->pvData == nullptr || b->pvData == nullptr) return a->pvData == b->pvData;
  if (a->fFeatures & FADF_BSTR) {
    for (size_t i = 0; i < count; ++i)
      if (!SameBstr(static_cast<BSTR*>(a->pvData)[i], static_cast<BSTR*>(b->pvData)[i])) return false;
    return true;
  }
  if (a->fFeatures & FADF_VARIANT) {
    for (size_t i = 0; i < count; ++i)
      if (!tessaly::VariantEquals(static_cast<VARIANT*>(a->pvData)[i], static_cast<VARIANT*>(b->pvData)[i]))
        return false;
    return true;
  }
  return std::memcmp(a->pvData, b->pvData, count * a->cbElements) == 0;
}

}  // namespace

void VariantInit(VARIANTARG* pvarg) {
  if (pvarg == nullptr) return;
  Reset(pvarg);
}

HRESULT VariantClear(VARIANTARG* pvarg) {
  if (pvarg == nullptr) return E_INVALIDARG;
  const VARTYPE vt = pvarg->vt;
  // Empty, null and plain numbers own nothing; they are the common case on every call.
  if (vt == VT_EMPTY || vt == VT_NULL || (vt != VT_BSTR && vt != VT_DISPATCH && vt != VT_UNKNOWN && ScalarSize(vt) != 0)) {
    Reset(pvarg);
    return S_OK;
  }
  if (!ValidVariantType(vt)) return DISP_E_BADVARTYPE;
  if (!(pvarg->vt & VT_BYREF)) {
    if (pvarg->vt & VT_ARRAY) {
      HRESULT hr = SafeArrayDestroy(pvarg->parray);
      if (FAILED(hr)) return hr;
    } else if (pvarg->vt == VT_BSTR) {
      SysFreeString(pvarg->bstrVal);
    } else if ((pvarg->vt == VT_UNKNOWN || pvarg->vt == VT_DISPATCH) && pvarg->punkVal) {
      pvarg->punkVal->Release();
    }
  }
  VariantInit(pvarg);
  return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) {
  if (pvargDest == nullptr || pvargSrc == nullptr) return E_INVALIDARG;
  if (pvargDest == pvargSrc) return S_OK;
  if (!ValidVariantType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
  VARIANT copy;
  HRESULT hr = CopyInto(pvargSrc, &copy);
  if (FAILED(hr)) return hr;
  return Store(pvargDest, &copy);
}

HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc) {
  if (pvarDest == nullptr || pvargSrc == nullptr) return E_INVALIDARG;
  if (!ValidVariantType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
  VARIANT view;
  HRESULT hr = Dereference(pvargSrc, &view);
  if (FAILED(hr)) return hr;
  VARIANT copy;
  hr = CopyInto(&view, &copy);
  if (FAILED(hr)) return hr;
  return Store(pvarDest, &copy);
}

HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID lcid, USHORT wFlags,
                            VARTYPE vt) {
  if (pvargDest == nullptr || pvarSrc == nullptr) return E_INVALIDARG;
  if (!ValidVariantType(pvarSrc->vt)) return DISP_E_BADVARTYPE;
  if ((vt & VT_BYREF) || !ValidVariantType(vt) || vt == VT_VARIANT) return DISP_E_BADVARTYPE;
  VARIANT view;
  HRESULT hr = Dereference(pvarSrc, &view);
  if (FAILED(hr)) return hr;
  VARIANT result;
  if (view.vt == vt) {
    hr = CopyInto(&view, &result);
  } else {
    hr = Convert(view, lcid, wFlags, vt, &result);
  }
  if (FAILED(hr)) return hr;
  return Store(pvargDest, &result);
}

HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt) {
  return VariantChangeTypeEx(pvargDest, pvarSrc, LOCALE_USER_DEFAULT, wFlags, vt);
}

namespace tessaly {

bool VariantEquals(const VARIANT& a, const VARIANT& b) {
  if (a.vt != b.vt) return false;
  if (a.vt & VT_BYREF) return a.byref == b.byref;
  if (a.vt & VT_ARRAY) return SameArray(a.parray, b.parray);
  switch (a.vt) {
    case VT_EMPTY:
    case VT_NULL: return true;
    case VT_BSTR: return SameBstr(a.bstrVal, b.bstrVal);
    case VT_R4: return a.fltVal == b.fltVal;
    case VT_R8:
    case VT_DATE: return a.dblVal == b.dblVal;
    case VT_I1:
    case VT_UI1: return a.bVal == b.bVal;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return a.uiVal == b.uiVal;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR: return a.ulVal == b.ulVal;
    case VT_I8:
    case VT_UI8:
    case VT_CY: return a.ullVal == b.ullVal;
    case VT_UNKNOWN:
    case VT_DISPATCH: return a.punkVal == b.punkVal;
    default: return false;
  }
}

bool IsScalarVarType(VARTYPE vt) { return ScalarSize(vt) != 0; }

size_t ScalarVarTypeSize(VARTYPE vt) { return ScalarSize(vt); }

}  // namespace tessaly
