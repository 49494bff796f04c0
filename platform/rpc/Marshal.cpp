#include "platform/rpc/Marshal.h"

#include <kj/exception.h>

#include <cstring>

#include "platform/com/Bstr.h"
#include "platform/com/ComErrors.h"
#include "platform/com/Memory.h"
#include "platform/com/SafeArray.h"
#include "platform/com/Variant.h"
#include "platform/win32/TextConv.h"

namespace tessaly::rpc {

void EncodeGuid(wire::Guid::Builder b, REFGUID g) {
  uint64_t parts[2];
  std::memcpy(parts, &g, sizeof(parts));
  b.setLow(parts[0]);
  b.setHigh(parts[1]);
}

GUID DecodeGuid(wire::Guid::Reader r) {
  uint64_t parts[2] = {r.getLow(), r.getHigh()};
  GUID g;
  std::memcpy(&g, parts, sizeof(g));
  return g;
}

std::string TextToWire(const wchar_t* s) { return s ? WideToUtf8(s) : std::string(); }
std::string TextToWire(const wchar_t* s, size_t length) {
  return s ? WideToUtf8(std::wstring_view(s, length)) : std::string();
}

std::wstring TextFromWire(capnp::Text::Reader t) {
  if (t.size() > kMaxTextBytes) throw CMalformed("text beyond its bound");
  return Utf8ToWide(std::string_view(t.cStr(), t.size()));
}

LPWSTR CoTaskStrDup(const std::wstring& s) {
  size_t bytes = (s.size() + 1) * sizeof(wchar_t);
  auto* p = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (p) std::memcpy(p, s.c_str(), bytes);
  return p;
}

LPWSTR CoTaskTextFromWire(capnp::Text::Reader t) { return CoTaskStrDup(TextFromWire(t)); }

void CheckBound(size_t listSize, const char* what) {
  if (listSize > kMaxListItems) throw CMalformed(std::string(what) + " beyond its bound");
}

void CheckCount(size_t listSize, uint32_t count, const char* what) {
  CheckBound(listSize, what);
  if (listSize != count) throw CMalformed(std::string(what) + " does not match its count");
}

namespace {

enum class Kind { kEmpty, kSigned, kUnsigned, kReal, kText, kBad };

Kind KindOf(VARTYPE vt) {
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
      return Kind::kEmpty;
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_INT:
    case VT_ERROR:
    case VT_BOOL:
    case VT_CY:
      return Kind::kSigned;
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_UINT:
      return Kind::kUnsigned;
    case VT_R4:
    case VT_R8:
    case VT_DATE:
      return Kind::kReal;
    case VT_BSTR:
      return Kind::kText;
    default:
      return Kind::kBad;
  }
}

int64_t SignedOf(const VARIANT& v) {
  switch (v.vt) {
    case VT_I1: return v.cVal;
    case VT_I2: return v.iVal;
    case VT_I4: return v.lVal;
    case VT_I8: return v.llVal;
    case VT_INT: return v.intVal;
    case VT_ERROR: return v.scode;
    case VT_BOOL: return v.boolVal;
    default: return v.cyVal.int64;  // VT_CY
  }
}

uint64_t UnsignedOf(const VARIANT& v) {
  switch (v.vt) {
    case VT_UI1: return v.bVal;
    case VT_UI2: return v.uiVal;
    case VT_UI4: return v.ulVal;
    case VT_UI8: return v.ullVal;
    default: return v.uintVal;  // VT_UINT
  }
}

HRESULT EncodeScalar(wire::Variant::Builder b, const VARIANT& v) {
  b.setVt(v.vt);
  switch (KindOf(v.vt)) {
    case Kind::kEmpty:
      b.setEmpty();
      return S_OK;
    case Kind::kSigned:
      b.setSigned(SignedOf(v));
      return S_OK;
    case Kind::kUnsigned:
      b.setUnsigned(UnsignedOf(v));
      return S_OK;
    case Kind::kReal:
      b.setReal(v.vt == VT_R4 ? static_cast<double>(v.fltVal) : v.dblVal);  // DATE is a double
      return S_OK;
    case Kind::kText: {
      std::string text = TextToWire(v.bstrVal, SysStringLen(v.bstrVal));
      if (text.size() > kMaxTextBytes) return E_INVALIDARG;
      b.setText(text);
      return S_OK;
    }
    case Kind::kBad:
      break;
  }
  return DISP_E_BADVARTYPE;
}

HRESULT EncodeAt(wire::Variant::Builder b, const VARIANT& v, int depth);

HRESULT EncodeArray(wire::Variant::Builder b, const VARIANT& v, int depth) {
  SAFEARRAY* sa = v.parray;
  VARTYPE element = static_cast<VARTYPE>(v.vt & VT_TYPEMASK);
  if (!sa || SafeArrayGetDim(sa) != 1) return DISP_E_BADVARTYPE;
  if (element != VT_VARIANT && KindOf(element) == Kind::kBad) return DISP_E_BADVARTYPE;
  LONG lower = 0, upper = -1;
  SafeArrayGetLBound(sa, 1, &lower);
  SafeArrayGetUBound(sa, 1, &upper);
  int64_t count = static_cast<int64_t>(upper) - lower + 1;
  if (count < 0 || static_cast<uint64_t>(count) > kMaxListItems) return E_INVALIDARG;
  b.setVt(v.vt);
  auto array = b.initArray();
  array.setLowerBound(lower);
  auto elements = array.initElements(static_cast<unsigned>(count));
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(sa, &data))) return E_UNEXPECTED;
  HRESULT hr = S_OK;
  UINT size = SafeArrayGetElemsize(sa);
  for (unsigned i = 0; i < elements.size() && SUCCEEDED(hr); ++i) {
    const BYTE* at = static_cast<const BYTE*>(data) + static_cast<size_t>(i) * size;
    if (element == VT_VARIANT) {
      hr = EncodeAt(elements[i], *reinterpret_cast<const VARIANT*>(at), depth + 1);
    } else {
      VARIANT scalar;
      std::memset(&scalar, 0, sizeof(scalar));
      scalar.vt = element;
      std::memcpy(&scalar.llVal, at, size < sizeof(scalar.llVal) ? size : sizeof(scalar.llVal));
      hr = EncodeScalar(elements[i], scalar);
    }
  }
  SafeArrayUnaccessData(sa);
  return hr;
}

HRESULT EncodeAt(wire::Variant::Builder b, const VARIANT& v, int depth) {
  if (depth > kMaxVariantDepth) return E_INVALIDARG;
  if (v.vt & VT_BYREF) {
    VARIANT value;
    VariantInit(&value);
    HRESULT hr = VariantCopyInd(&value, &v);
    if (SUCCEEDED(hr)) hr = EncodeAt(b, value, depth + 1);
    VariantClear(&value);
    return hr;
  }
  if (v.vt & VT_ARRAY) return EncodeArray(b, v, depth);
  return EncodeScalar(b, v);
}

void DecodeScalar(wire::Variant::Reader r, VARIANT* out) {
  VARTYPE vt = r.getVt();
  Kind kind = KindOf(vt);
  auto which = r.which();
  bool matches = (kind == Kind::kEmpty && which == wire::Variant::EMPTY) ||
                 (kind == Kind::kSigned && which == wire::Variant::SIGNED) ||
                 (kind == Kind::kUnsigned && which == wire::Variant::UNSIGNED) ||
                 (kind == Kind::kReal && which == wire::Variant::REAL) ||
                 (kind == Kind::kText && which == wire::Variant::TEXT);
  if (!matches) throw CMalformed("variant type and value differ");
  VariantClear(out);
  switch (kind) {
    case Kind::kEmpty:
      break;
    case Kind::kSigned: {
      int64_t s = r.getSigned();
      switch (vt) {
        case VT_I1: out->cVal = static_cast<CHAR>(s); break;
        case VT_I2: out->iVal = static_cast<SHORT>(s); break;
        case VT_I4: out->lVal = static_cast<LONG>(s); break;
        case VT_INT: out->intVal = static_cast<INT>(s); break;
        case VT_ERROR: out->scode = static_cast<SCODE>(s); break;
        case VT_BOOL: out->boolVal = s ? VARIANT_TRUE : VARIANT_FALSE; break;
        case VT_CY: out->cyVal.int64 = s; break;
        default: out->llVal = s; break;
      }
      break;
    }
    case Kind::kUnsigned: {
      uint64_t u = r.getUnsigned();
      switch (vt) {
        case VT_UI1: out->bVal = static_cast<BYTE>(u); break;
        case VT_UI2: out->uiVal = static_cast<USHORT>(u); break;
        case VT_UI4: out->ulVal = static_cast<ULONG>(u); break;
        case VT_UINT: out->uintVal = static_cast<UINT>(u); break;
        default: out->ullVal = u; break;
      }
      break;
    }
    case Kind::kReal:
      if (vt == VT_R4) out->fltVal = static_cast<FLOAT>(r.getReal());
      else out->dblVal = r.getReal();
      break;
    case Kind::kText: {
      std::wstring text = TextFromWire(r.getText());
      out->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
      if (!out->bstrVal) throw std::bad_alloc();
      break;
    }
    case Kind::kBad:
      throw CMalformed("variant type that cannot travel");
  }
  out->vt = vt;
}

void DecodeAt(wire::Variant::Reader r, VARIANT* out, int depth);

void DecodeArray(wire::Variant::Reader r, VARIANT* out, int depth) {
  VARTYPE vt = r.getVt();
  VARTYPE element = static_cast<VARTYPE>(vt & VT_TYPEMASK);
  if ((vt & ~(VT_ARRAY | VT_TYPEMASK)) != 0) throw CMalformed("variant array flags");
  if (element != VT_VARIANT && (KindOf(element) == Kind::kBad || KindOf(element) == Kind::kEmpty))
    throw CMalformed("variant array element type");
  auto array = r.getArray();
  auto elements = array.getElements();
  CheckBound(elements.size(), "array elements");
  SAFEARRAY* sa = SafeArrayCreateVector(element, array.getLowerBound(), elements.size());
  if (!sa) throw std::bad_alloc();
  void* data = nullptr;
  SafeArrayAccessData(sa, &data);
  UINT size = SafeArrayGetElemsize(sa);
  try {
    for (unsigned i = 0; i < elements.size(); ++i) {
      BYTE* at = static_cast<BYTE*>(data) + static_cast<size_t>(i) * size;
      if (element == VT_VARIANT) {
        DecodeAt(elements[i], reinterpret_cast<VARIANT*>(at), depth + 1);
        continue;
      }
      if (elements[i].getVt() != element) throw CMalformed("array element of another type");
      VARIANT scalar;
      VariantInit(&scalar);
      DecodeScalar(elements[i], &scalar);
      // The array takes over a BSTR; other scalars are copied by their bytes.
      std::memcpy(at, &scalar.llVal, size < sizeof(scalar.llVal) ? size : sizeof(scalar.llVal));
    }
  } catch (...) {
    SafeArrayUnaccessData(sa);
    SafeArrayDestroy(sa);
    throw;
  }
  SafeArrayUnaccessData(sa);
  VariantClear(out);
  out->vt = vt;
  out->parray = sa;
}

void DecodeAt(wire::Variant::Reader r, VARIANT* out, int depth) {
  if (depth > kMaxVariantDepth) throw CMalformed("variants nested too deeply");
  if (r.getVt() & VT_ARRAY) {
    if (r.which() != wire::Variant::ARRAY) throw CMalformed("variant type and value differ");
    DecodeArray(r, out, depth);
    return;
  }
  if (r.getVt() & (VT_BYREF | VT_ARRAY)) throw CMalformed("variant flags");
  DecodeScalar(r, out);
}

}  // namespace

HRESULT EncodeVariant(wire::Variant::Builder b, const VARIANT& v) { return EncodeAt(b, v, 0); }

namespace {
// The UTF-8 bytes of a BSTR, with the terminating NUL, in words.
uint64_t TextWords(BSTR text) {
  if (!text) return 1;
  uint64_t bytes = 1;
  for (const wchar_t* c = text; *c; ++c) bytes += *c < 0x80 ? 1 : *c < 0x800 ? 2 : *c < 0x10000 ? 3 : 4;
  return (bytes + 7) / 8;
}
}  // namespace

uint64_t VariantListWords(const VARIANT* values, size_t n, size_t stride) {
  constexpr auto size = capnp::_::structSize<wire::Variant>();
  constexpr uint64_t each = size.data + size.pointers;
  uint64_t words = 1 + n * each;  // the list's tag and its structs
  const BYTE* at = reinterpret_cast<const BYTE*>(values);
  for (size_t i = 0; i < n; ++i, at += stride) {
    const VARIANT& v = *reinterpret_cast<const VARIANT*>(at);
    if (v.vt == VT_BSTR) {
      words += TextWords(v.bstrVal);
    } else if ((v.vt & VT_ARRAY) && v.parray && SafeArrayGetDim(v.parray) == 1) {
      LONG lower = 0, upper = -1;
      SafeArrayGetLBound(v.parray, 1, &lower);
      SafeArrayGetUBound(v.parray, 1, &upper);
      int64_t count = static_cast<int64_t>(upper) - lower + 1;
      if (count >= 0 && static_cast<uint64_t>(count) <= kMaxListItems) words += 2 + 1 + static_cast<uint64_t>(count) * each;
    }
  }
  return words;
}

void DecodeVariant(wire::Variant::Reader r, VARIANT* out) { DecodeAt(r, out, 0); }

HRESULT HresultFromException(const kj::Exception& e) {
  if (e.getType() == kj::Exception::Type::DISCONNECTED) return RPC_E_DISCONNECTED;
  if (e.getType() == kj::Exception::Type::OVERLOADED) return RPC_E_SERVERCALL_RETRYLATER;
  return RPC_E_SERVERFAULT;
}

}  // namespace tessaly::rpc
