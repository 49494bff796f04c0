// Client-side late binding in the manner of MFC's COleDispatchDriver, with type-safe variadic
// calls in place of the C varargs form. Every failing call throws COleDispatchException.
//
//   COleDispatchDriver control;
//   if (!control.CreateDispatch(L"Some.ProgID")) ...;
//   LONG r = control.InvokeMethod<LONG>(9, LONG(mode), path);        // method 9 (I4, BSTR) -> I4
//   control.SetProperty(17, VT_UI1, instance);                        // coerced to VT_UI1
//   LPDISPATCH item = nullptr;
//   control.GetPropertyWithParams(2, VT_DISPATCH, &item, VARIANT-or-value...);
//
// Arguments map from their C++ types: short VT_I2, LONG/int VT_I4, BYTE VT_UI1, USHORT VT_UI2,
// ULONG VT_UI4, LONGLONG VT_I8, float VT_R4, double VT_R8, bool VT_BOOL, text (LPCWSTR,
// std::wstring, CString, BSTR; copied) VT_BSTR, IDispatch*/IUnknown* (borrowed), a VARIANT by
// value (passed as it is, not copied: an array in it may be filled in place by the callee);
// pointers pass by reference (LONG* VT_BYREF|VT_I4, short*, BSTR*, double*, VARIANT_BOOL* as
// VT_BYREF|VT_BOOL via BoolRef, VARIANT* VT_BYREF|VT_VARIANT).
//
// A driver without a dispatch pointer makes no call: results are left empty (zero, null,
// VT_EMPTY) and nothing is thrown, as MFC's driver behaves; check m_lpDispatch where it matters.
#pragma once

#include "platform/com/Bstr.h"
#include "platform/com/ComErrors.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ObjIdl.h"
#include "platform/com/Variant.h"
#include "platform/win32/CString.h"

#include <cwchar>
#include <exception>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

class COleDispatchException : public std::exception {
 public:
  COleDispatchException(CString description, SCODE scode, WORD wCode = 0, CString source = CString());

  // The text for a message box: the description.
  BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) const;
  // Shows the description with AfxMessageBox; returns its answer.
  int ReportError(UINT nType = 0, UINT nMessageID = 0) const;
  const char* what() const noexcept override { return m_what.c_str(); }

  WORD m_wCode;
  CString m_strDescription;
  CString m_strSource;
  CString m_strHelpFile;
  DWORD m_dwHelpContext = 0;
  SCODE m_scode;

 private:
  std::string m_what;
};

// Throws for a failing HRESULT of IDispatch::Invoke, taking the text from excepInfo for
// DISP_E_EXCEPTION (and freeing its strings) and the code's own text otherwise.
[[noreturn]] void ThrowDispatchException(HRESULT hr, EXCEPINFO* excepInfo);

// A VARIANT_BOOL passed by reference (VARIANT_BOOL is a short, so it needs its own type).
struct BoolRef {
  VARIANT_BOOL* p;
};

namespace tessaly::detail {
// One argument as a VARIANT; owned tells whether the driver clears it after the call.
struct DriverArg {
  VARIANT v;
  bool owned;
};
template <class T>
DriverArg ToDriverArg(const T& value);

// A call's arguments, kept as IDispatch::Invoke takes them (last argument first) on the
// stack; the owned ones are cleared however the call ends.
template <size_t N>
class DriverArgs {
 public:
  DriverArgs() = default;
  DriverArgs(const DriverArgs&) = delete;
  DriverArgs& operator=(const DriverArgs&) = delete;
  ~DriverArgs() {
    for (size_t i = N - m_count; i < N; ++i)
      if (m_owned[i]) VariantClear(&m_reversed[i]);
  }
  // Pushes the arguments left to right.
  template <class T>
  void Push(const T& value) {
    DriverArg a = ToDriverArg(value);
    size_t at = N - 1 - m_count;
    m_reversed[at] = a.v;
    m_owned[at] = a.owned;
    ++m_count;
  }
  VARIANT* Reversed() { return N == 0 ? nullptr : m_reversed; }
  // The last argument pushed.
  VARIANT& Last() { return m_reversed[0]; }
  bool& LastOwned() { return m_owned[0]; }

 private:
  VARIANT m_reversed[N == 0 ? 1 : N];
  bool m_owned[N == 0 ? 1 : N] = {};
  size_t m_count = 0;
};
}  // namespace tessaly::detail

class COleDispatchDriver {
 public:
  COleDispatchDriver() = default;
  explicit COleDispatchDriver(LPDISPATCH lpDispatch, BOOL bAutoRelease = TRUE);
  COleDispatchDriver(const COleDispatchDriver& other);  // shares the object with a reference
  COleDispatchDriver& operator=(const COleDispatchDriver& other);
  COleDispatchDriver& operator=(LPDISPATCH lpDispatch);  // attaches, taking over the reference
  ~COleDispatchDriver();

  // Creates the object and takes its IDispatch (any previous one is released). FALSE on
  // failure, with the HRESULT in *phr when given.
  BOOL CreateDispatch(REFCLSID clsid, HRESULT* phr = nullptr);
  BOOL CreateDispatch(LPCTSTR lpszProgID, HRESULT* phr = nullptr);
  // bAutoRelease: release the pointer when detached by ReleaseDispatch or the destructor.
  void AttachDispatch(LPDISPATCH lpDispatch, BOOL bAutoRelease = TRUE);
  LPDISPATCH DetachDispatch();
  void ReleaseDispatch();
  operator LPDISPATCH() const { return m_lpDispatch; }

  // The raw call: args left to right (the caller keeps them; by-reference args point at the
  // caller's storage). A put (DISPATCH_PROPERTYPUT/PUTREF) sends the last one as the named
  // DISPID_PROPERTYPUT argument. result may be null.
  void Invoke(DISPID dwDispID, WORD wFlags, std::vector<VARIANT>& argsLeftToRight, VARIANT* result);

  // MFC's InvokeHelper with typed arguments: the result goes to pvRet by vtRet
  // (VT_EMPTY none; VT_I2 short*; VT_I4 LONG*; VT_UI1 BYTE*; VT_UI2 USHORT*; VT_UI4 ULONG*;
  // VT_R4 float*; VT_R8/VT_DATE double*; VT_BOOL BOOL*; VT_ERROR SCODE*; VT_BSTR CString*;
  // VT_DISPATCH LPDISPATCH* and VT_UNKNOWN LPUNKNOWN* with a reference; VT_VARIANT VARIANT*).
  template <class... A>
  void InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const A&... args) {
    tessaly::detail::DriverArgs<sizeof...(A)> list;
    (list.Push(args), ...);
    InvokeArgs(dwDispID, wFlags, vtRet, pvRet, list.Reversed(), sizeof...(A));
  }
  // A method returning R (void, a scalar, CString, std::wstring, CComPtr<IDispatch>, VARIANT).
  template <class R = void, class... A>
  R InvokeMethod(DISPID dwDispID, const A&... args) {
    return Call<R>(dwDispID, DISPATCH_METHOD, args...);
  }
  template <class R, class... A>
  R GetPropertyWithParams(DISPID dwDispID, const A&... args) {
    return Call<R>(dwDispID, DISPATCH_PROPERTYGET, args...);
  }
  template <class... A>
  void GetPropertyWithParams(DISPID dwDispID, VARTYPE vtProp, void* pvProp, const A&... args) {
    InvokeHelper(dwDispID, DISPATCH_PROPERTYGET, vtProp, pvProp, args...);
  }
  void GetProperty(DISPID dwDispID, VARTYPE vtProp, void* pvProp) {
    InvokeHelper(dwDispID, DISPATCH_PROPERTYGET, vtProp, pvProp);
  }
  template <class R>
  R GetProperty(DISPID dwDispID) {
    return Call<R>(dwDispID, DISPATCH_PROPERTYGET);
  }
  // The value is converted to vtProp first (VT_VARIANT: sent as it is).
  template <class V>
  void SetProperty(DISPID dwDispID, VARTYPE vtProp, const V& value) {
    tessaly::detail::DriverArgs<1> list;
    list.Push(value);
    Coerce(list.Last(), list.LastOwned(), vtProp);
    InvokeArgs(dwDispID, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, list.Reversed(), 1);
  }
  // An indexed put: the index arguments, then the value.
  template <class... A>
  void SetPropertyWithParams(DISPID dwDispID, const A&... indexesThenValue) {
    static_assert(sizeof...(A) >= 1, "the value to put is the last argument");
    tessaly::detail::DriverArgs<sizeof...(A)> list;
    (list.Push(indexesThenValue), ...);
    InvokeArgs(dwDispID, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, list.Reversed(), sizeof...(A));
  }

  LPDISPATCH m_lpDispatch = nullptr;
  BOOL m_bAutoRelease = TRUE;

 private:
  template <class R, class... A>
  R Call(DISPID dwDispID, WORD wFlags, const A&... args);

  // reversed: the arguments as rgvarg holds them (the caller keeps and clears them).
  void InvokeArgs(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, VARIANT* reversed, size_t count);
  // The call itself; the result (initialised here) is handed over into *result when given.
  void InvokeReversed(DISPID dwDispID, WORD wFlags, VARIANT* reversed, size_t count, VARIANT* result);
  static void Coerce(VARIANT& arg, bool& owned, VARTYPE vt);
};

// Connects pUnkSink to the source's connection point for iid. With bRefCount FALSE the source
// keeps no reference on the sink (the sink's owner keeps it alive until the unadvise).
BOOL AfxConnectionAdvise(LPUNKNOWN pUnkSrc, REFIID iid, LPUNKNOWN pUnkSink, BOOL bRefCount, DWORD* pdwCookie);
// bRefCount must be what the advise was given.
BOOL AfxConnectionUnadvise(LPUNKNOWN pUnkSrc, REFIID iid, LPUNKNOWN pUnkSink, BOOL bRefCount, DWORD dwCookie);

// ---- template parts ------------------------------------------------------------------------
namespace tessaly::detail {

BSTR AllocBstrOrThrow(const wchar_t* text, size_t length);

// A BSTR's text up to its first NUL, without a copy in between.
inline CString BstrCString(BSTR b) { return CString(static_cast<const wchar_t*>(b)); }

template <class T>
DriverArg ToDriverArg(const T& value) {
  DriverArg a{};
  VARIANT& v = a.v;
  a.owned = false;
  using U = std::remove_cvref_t<T>;
  if constexpr (std::is_same_v<U, VARIANT>) {
    v = value;  // as it is: the callee sees the caller's array and interfaces
  } else if constexpr (std::is_same_v<U, bool>) {
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  } else if constexpr (std::is_same_v<U, short>) {
    v.vt = VT_I2;
    v.iVal = value;
  } else if constexpr (std::is_same_v<U, LONG>) {
    v.vt = VT_I4;
    v.lVal = value;
  } else if constexpr (std::is_same_v<U, BYTE>) {
    v.vt = VT_UI1;
    v.bVal = value;
  } else if constexpr (std::is_same_v<U, USHORT>) {
    v.vt = VT_UI2;
    v.uiVal = value;
  } else if constexpr (std::is_same_v<U, ULONG>) {
    v.vt = VT_UI4;
    v.ulVal = value;
  } else if constexpr (std::is_same_v<U, LONGLONG>) {
    v.vt = VT_I8;
    v.llVal = value;
  } else if constexpr (std::is_same_v<U, float>) {
    v.vt = VT_R4;
    v.fltVal = value;
  } else if constexpr (std::is_same_v<U, double>) {
    v.vt = VT_R8;
    v.dblVal = value;
  } else if constexpr (std::is_same_v<U, std::wstring>) {
    v.vt = VT_BSTR;
    v.bstrVal = AllocBstrOrThrow(value.data(), value.size());
    a.owned = true;
  } else if constexpr (std::is_same_v<U, CString>) {
    v.vt = VT_BSTR;
    v.bstrVal = AllocBstrOrThrow(value.GetString(), static_cast<size_t>(value.GetLength()));
    a.owned = true;
  } else if constexpr (std::is_same_v<U, wchar_t*> || std::is_same_v<U, const wchar_t*>) {
    // BSTR is wchar_t* too, so text pointers are all taken up to their NUL.
    v.vt = VT_BSTR;
    const wchar_t* text = value ? value : L"";
    v.bstrVal = AllocBstrOrThrow(text, std::wcslen(text));
    a.owned = true;
  } else if constexpr (std::is_array_v<U> && std::is_same_v<std::remove_cv_t<std::remove_extent_t<U>>, wchar_t>) {
    return ToDriverArg(static_cast<const wchar_t*>(value));
  } else if constexpr (std::is_convertible_v<U, IDispatch*> && !std::is_same_v<U, std::nullptr_t>) {
    v.vt = VT_DISPATCH;
    v.pdispVal = static_cast<IDispatch*>(value);
  } else if constexpr (std::is_convertible_v<U, IUnknown*> && !std::is_same_v<U, std::nullptr_t>) {
    v.vt = VT_UNKNOWN;
    v.punkVal = static_cast<IUnknown*>(value);
  } else if constexpr (std::is_same_v<U, BoolRef>) {
    v.vt = VT_BYREF | VT_BOOL;
    v.pboolVal = value.p;
  } else if constexpr (std::is_same_v<U, short*>) {
    v.vt = VT_BYREF | VT_I2;
    v.piVal = value;
  } else if constexpr (std::is_same_v<U, LONG*>) {
    v.vt = VT_BYREF | VT_I4;
    v.plVal = value;
  } else if constexpr (std::is_same_v<U, double*>) {
    v.vt = VT_BYREF | VT_R8;
    v.pdblVal = value;
  } else if constexpr (std::is_same_v<U, BSTR*>) {
    v.vt = VT_BYREF | VT_BSTR;
    v.pbstrVal = value;
  } else if constexpr (std::is_same_v<U, VARIANT*>) {
    v.vt = VT_BYREF | VT_VARIANT;
    v.pvarVal = value;
  } else {
    static_assert(sizeof(U) == 0, "no VARIANT form for this argument type");
  }
  return a;
}

// The VARTYPE a result type asks for, and how it is taken out of the (converted) VARIANT.
template <class R>
constexpr VARTYPE ResultVarType() {
  if constexpr (std::is_same_v<R, VARIANT>) return VT_VARIANT;
  else if constexpr (std::is_same_v<R, bool>) return VT_BOOL;
  else if constexpr (std::is_same_v<R, short>) return VT_I2;
  else if constexpr (std::is_same_v<R, LONG>) return VT_I4;
  else if constexpr (std::is_same_v<R, BYTE>) return VT_UI1;
  else if constexpr (std::is_same_v<R, USHORT>) return VT_UI2;
  else if constexpr (std::is_same_v<R, ULONG>) return VT_UI4;
  else if constexpr (std::is_same_v<R, LONGLONG>) return VT_I8;
  else if constexpr (std::is_same_v<R, float>) return VT_R4;
  else if constexpr (std::is_same_v<R, double>) return VT_R8;
  else if constexpr (std::is_same_v<R, std::wstring> || std::is_same_v<R, CString>) return VT_BSTR;
  else if constexpr (std::is_same_v<R, CComPtr<IDispatch>>) return VT_DISPATCH;
  else if constexpr (std::is_same_v<R, CComPtr<IUnknown>>) return VT_UNKNOWN;
  else static_assert(sizeof(R) == 0, "no VARIANT form for this result type");
}

// Takes the value out of v (which has the type ResultVarType<R> or VT_EMPTY) and clears v.
template <class R>
R TakeResult(VARIANT& v) {
  if constexpr (std::is_same_v<R, VARIANT>) {
    VARIANT out = v;
    v.vt = VT_EMPTY;
    return out;
  } else {
    R out{};
    if (v.vt != VT_EMPTY) {
      if constexpr (std::is_same_v<R, bool>) out = v.boolVal != VARIANT_FALSE;
      else if constexpr (std::is_same_v<R, short>) out = v.iVal;
      else if constexpr (std::is_same_v<R, LONG>) out = v.lVal;
      else if constexpr (std::is_same_v<R, BYTE>) out = v.bVal;
      else if constexpr (std::is_same_v<R, USHORT>) out = v.uiVal;
      else if constexpr (std::is_same_v<R, ULONG>) out = v.ulVal;
      else if constexpr (std::is_same_v<R, LONGLONG>) out = v.llVal;
      else if constexpr (std::is_same_v<R, float>) out = v.fltVal;
      else if constexpr (std::is_same_v<R, double>) out = v.dblVal;
      else if constexpr (std::is_same_v<R, std::wstring>) out = tessaly::BstrToString(v.bstrVal);
      else if constexpr (std::is_same_v<R, CString>) out = BstrCString(v.bstrVal);
      else if constexpr (std::is_same_v<R, CComPtr<IDispatch>>) out.Attach(v.pdispVal), v.vt = VT_EMPTY;
      else if constexpr (std::is_same_v<R, CComPtr<IUnknown>>) out.Attach(v.punkVal), v.vt = VT_EMPTY;
    }
    VariantClear(&v);
    return out;
  }
}

}  // namespace tessaly::detail

template <class R, class... A>
R COleDispatchDriver::Call(DISPID dwDispID, WORD wFlags, const A&... args) {
  if constexpr (std::is_void_v<R>) {
    InvokeHelper(dwDispID, wFlags, VT_EMPTY, nullptr, args...);
  } else {
    VARIANT result;
    VariantInit(&result);
    // Asked as VT_VARIANT so the conversion happens here, once, with the result's own rules.
    InvokeHelper(dwDispID, wFlags, VT_VARIANT, &result, args...);
    constexpr VARTYPE vt = tessaly::detail::ResultVarType<R>();
    if (vt != VT_VARIANT && result.vt != vt && result.vt != VT_EMPTY) {
      HRESULT hr = VariantChangeType(&result, &result, 0, vt);
      if (FAILED(hr)) {
        VariantClear(&result);
        ThrowDispatchException(hr, nullptr);
      }
    }
    return tessaly::detail::TakeResult<R>(result);
  }
}
