// Server-side late binding: an object is implemented by DISPID with a table of entries, and
// IDispatch::Invoke is answered from it (argument order, named put argument, by-reference
// arguments, coercion, optional arguments, exceptions).
//
//   m_table.AddMethod(L"Open", 9, [this](LONG mode, const std::wstring& path) -> LONG { ... });
//   m_table.AddGet(L"Item", 2, [this](const VARIANT& index) -> CComPtr<IDispatch> { ... });
//   m_table.AddPut(L"Value", 3, [this](LONG v) { ... });
//
// Handlers take their arguments left to right, already converted to the declared types (the
// parameter types are deduced from the C++ types, see DispatchArg below). A handler reports a
// failure by throwing CDispatchError (the caller gets DISP_E_EXCEPTION with its text) or, with
// the raw form (Add), by returning a failing HRESULT.
//
// CCmdTarget: a dispatch sink in MFC's manner (an event sink whose dispatch map is such a table).
#pragma once

#include "platform/com/Bstr.h"
#include "platform/com/ComErrors.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Variant.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

enum class DispatchKind { Method, PropertyGet, PropertyPut };

// Thrown by a handler: the caller sees DISP_E_EXCEPTION with this text and scode.
class CDispatchError : public std::runtime_error {
 public:
  explicit CDispatchError(std::wstring description, SCODE scode = E_FAIL, std::wstring source = {})
      : std::runtime_error("dispatch error"),
        m_description(std::move(description)),
        m_source(std::move(source)),
        m_scode(scode) {}
  const std::wstring& Description() const { return m_description; }
  const std::wstring& Source() const { return m_source; }
  SCODE Scode() const { return m_scode; }

 private:
  std::wstring m_description;
  std::wstring m_source;
  SCODE m_scode;
};

// One call as the handler sees it.
class CDispatchCall {
 public:
  CDispatchCall() = default;
  CDispatchCall(const CDispatchCall&) = delete;
  CDispatchCall& operator=(const CDispatchCall&) = delete;

  size_t Count() const { return m_count; }
  // Argument i (left to right), converted to its declared type. A declared VT_BYREF|x argument
  // is a VT_BYREF|x VARIANT pointing at the caller's storage; a VT_VARIANT argument is the
  // caller's own VARIANT (so an array in it can be filled in place). A missing optional
  // argument is VT_ERROR with DISP_E_PARAMNOTFOUND.
  VARIANT& Arg(size_t i) { return *At(i); }
  bool IsMissing(size_t i) const {
    const VARIANT* v = At(i);
    return v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND;
  }
  // Where the result goes (VT_EMPTY on entry); converted to the declared result type after.
  VARIANT& Result() { return m_result; }
  WORD Flags() const { return m_flags; }
  // Records an exception for the caller and returns DISP_E_EXCEPTION (for raw handlers).
  HRESULT Fail(std::wstring description, SCODE scode = E_FAIL, std::wstring source = {}) {
    m_error.emplace(std::move(description), scode, std::move(source));
    return DISP_E_EXCEPTION;
  }

 private:
  friend class CDispatchTable;
  // Most members take a few arguments: those need no allocation.
  static constexpr size_t kInline = 8;

  VARIANT* At(size_t i) const {
    if (i >= m_count) throw std::out_of_range("dispatch argument index");
    return m_argv[i];
  }
  // n slots, each pointing at `missing`.
  void Reset(size_t n, VARIANT* missing) {
    if (n > kInline) {
      m_heap = std::make_unique<VARIANT*[]>(n);
      m_argv = m_heap.get();
    }
    m_count = n;
    for (size_t i = 0; i < n; ++i) m_argv[i] = missing;
  }

  VARIANT* m_inline[kInline];
  std::unique_ptr<VARIANT*[]> m_heap;
  VARIANT** m_argv = m_inline;
  size_t m_count = 0;
  VARIANT m_result{};
  WORD m_flags = 0;
  std::optional<CDispatchError> m_error;
};

// ---- C++ types of typed handlers and their VARTYPEs ---------------------------------------
// Scalars by value; BSTR borrowed; std::wstring copied; interfaces borrowed (returned ones as
// CComPtr); const VARIANT& (any value); pointers for by-reference arguments (LONG*, short*,
// BSTR*, double*, VARIANT* ...); std::optional<T> for a trailing optional argument.
template <class T>
struct DispatchArg;

#define TESSALY_DISPATCH_SCALAR(type, vartype, member)                                 \
  template <>                                                                          \
  struct DispatchArg<type> {                                                           \
    static constexpr VARTYPE vt = vartype;                                             \
    static constexpr bool optional = false;                                            \
    static type Get(VARIANT& v) { return v.member; }                                   \
    static void Put(VARIANT& v, type x) {                                              \
      v.vt = vartype;                                                                  \
      v.member = x;                                                                    \
    }                                                                                  \
  };                                                                                   \
  template <>                                                                          \
  struct DispatchArg<type*> {                                                          \
    static constexpr VARTYPE vt = VT_BYREF | vartype;                                  \
    static constexpr bool optional = false;                                            \
    static type* Get(VARIANT& v) { return static_cast<type*>(v.byref); }               \
  };

TESSALY_DISPATCH_SCALAR(short, VT_I2, iVal)
TESSALY_DISPATCH_SCALAR(LONG, VT_I4, lVal)
TESSALY_DISPATCH_SCALAR(LONGLONG, VT_I8, llVal)
TESSALY_DISPATCH_SCALAR(BYTE, VT_UI1, bVal)
TESSALY_DISPATCH_SCALAR(USHORT, VT_UI2, uiVal)
TESSALY_DISPATCH_SCALAR(ULONG, VT_UI4, ulVal)
TESSALY_DISPATCH_SCALAR(float, VT_R4, fltVal)
TESSALY_DISPATCH_SCALAR(double, VT_R8, dblVal)
#undef TESSALY_DISPATCH_SCALAR

template <>
struct DispatchArg<bool> {
  static constexpr VARTYPE vt = VT_BOOL;
  static constexpr bool optional = false;
  static bool Get(VARIANT& v) { return v.boolVal != VARIANT_FALSE; }
  static void Put(VARIANT& v, bool x) {
    v.vt = VT_BOOL;
    v.boolVal = x ? VARIANT_TRUE : VARIANT_FALSE;
  }
};
template <>
struct DispatchArg<BSTR> {
  static constexpr VARTYPE vt = VT_BSTR;
  static constexpr bool optional = false;
  static BSTR Get(VARIANT& v) { return v.bstrVal; }
  static void Put(VARIANT& v, BSTR x) {  // takes ownership
    v.vt = VT_BSTR;
    v.bstrVal = x;
  }
};
template <>
struct DispatchArg<BSTR*> {
  static constexpr VARTYPE vt = VT_BYREF | VT_BSTR;
  static constexpr bool optional = false;
  static BSTR* Get(VARIANT& v) { return v.pbstrVal; }
};
template <>
struct DispatchArg<std::wstring> {
  static constexpr VARTYPE vt = VT_BSTR;
  static constexpr bool optional = false;
  static std::wstring Get(VARIANT& v) { return tessaly::BstrToString(v.bstrVal); }
  static void Put(VARIANT& v, const std::wstring& x) {
    v.vt = VT_BSTR;
    v.bstrVal = tessaly::SysAllocStringView(x);
    if (!v.bstrVal) throw std::bad_alloc();
  }
};
template <>
struct DispatchArg<IDispatch*> {
  static constexpr VARTYPE vt = VT_DISPATCH;
  static constexpr bool optional = false;
  static IDispatch* Get(VARIANT& v) { return v.pdispVal; }
};
template <>
struct DispatchArg<IUnknown*> {
  static constexpr VARTYPE vt = VT_UNKNOWN;
  static constexpr bool optional = false;
  static IUnknown* Get(VARIANT& v) { return v.punkVal; }
};
template <>
struct DispatchArg<CComPtr<IDispatch>> {
  static constexpr VARTYPE vt = VT_DISPATCH;
  static constexpr bool optional = false;
  static CComPtr<IDispatch> Get(VARIANT& v) { return CComPtr<IDispatch>(v.pdispVal); }
  static void Put(VARIANT& v, CComPtr<IDispatch> x) {
    v.vt = VT_DISPATCH;
    v.pdispVal = x.Detach();
  }
};
template <>
struct DispatchArg<CComPtr<IUnknown>> {
  static constexpr VARTYPE vt = VT_UNKNOWN;
  static constexpr bool optional = false;
  static CComPtr<IUnknown> Get(VARIANT& v) { return CComPtr<IUnknown>(v.punkVal); }
  static void Put(VARIANT& v, CComPtr<IUnknown> x) {
    v.vt = VT_UNKNOWN;
    v.punkVal = x.Detach();
  }
};
template <>
struct DispatchArg<VARIANT> {
  static constexpr VARTYPE vt = VT_VARIANT;
  static constexpr bool optional = false;
  static const VARIANT& Get(VARIANT& v) { return v; }
  static void Put(VARIANT& v, const VARIANT& x) {  // takes ownership of x's contents
    v = x;
  }
};
template <>
struct DispatchArg<VARIANT*> {
  static constexpr VARTYPE vt = VT_BYREF | VT_VARIANT;
  static constexpr bool optional = false;
  static VARIANT* Get(VARIANT& v) { return v.pvarVal; }
};
template <class T>
struct DispatchArg<std::optional<T>> {
  static constexpr VARTYPE vt = DispatchArg<T>::vt;
  static constexpr bool optional = true;
  static std::optional<T> Get(VARIANT& v) {
    if (v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND) return std::nullopt;
    return T(DispatchArg<T>::Get(v));
  }
};

namespace tessaly::detail {
template <class F>
struct CallableTraits : CallableTraits<decltype(&F::operator())> {};
template <class C, class R, class... A>
struct CallableTraits<R (C::*)(A...) const> {
  using Result = R;
  using Args = std::tuple<std::remove_cvref_t<A>...>;
};
template <class C, class R, class... A>
struct CallableTraits<R (C::*)(A...)> : CallableTraits<R (C::*)(A...) const> {};
template <class R, class... A>
struct CallableTraits<R (*)(A...)> {
  using Result = R;
  using Args = std::tuple<std::remove_cvref_t<A>...>;
};
}  // namespace tessaly::detail

// ---- the table ---------------------------------------------------------------------------------
struct DispatchEntry {
  std::wstring name;
  DISPID dispid = DISPID_UNKNOWN;
  DispatchKind kind = DispatchKind::Method;
  std::vector<VARTYPE> params;     // left to right; a put's value is the last one
  size_t optionalCount = 0;        // trailing params that may be left out
  VARTYPE result = VT_EMPTY;       // VT_EMPTY: no result; VT_VARIANT: any
  std::function<HRESULT(CDispatchCall&)> handler;
};

class CDispatchTable {
 public:
  // source: the text callers see as EXCEPINFO::bstrSource (a ProgID, a class name).
  explicit CDispatchTable(std::wstring source = {}) : m_source(std::move(source)) {}

  void SetSource(std::wstring source) { m_source = std::move(source); }
  const std::wstring& GetSource() const { return m_source; }

  // Raw entry. A second entry of the same DISPID and kind replaces the first.
  CDispatchTable& Add(DispatchEntry entry);

  template <class F>
  CDispatchTable& AddMethod(std::wstring name, DISPID id, F f) {
    return AddTyped(std::move(name), id, DispatchKind::Method, std::move(f));
  }
  template <class F>
  CDispatchTable& AddGet(std::wstring name, DISPID id, F f) {
    return AddTyped(std::move(name), id, DispatchKind::PropertyGet, std::move(f));
  }
  // The handler's last argument is the value put.
  template <class F>
  CDispatchTable& AddPut(std::wstring name, DISPID id, F f) {
    return AddTyped(std::move(name), id, DispatchKind::PropertyPut, std::move(f));
  }
  // Member-function forms: AddMethod(L"Open", 9, this, &CThing::Open).
  template <class T, class R, class... A>
  CDispatchTable& AddMethod(std::wstring name, DISPID id, T* self, R (T::*fn)(A...)) {
    return AddMethod(std::move(name), id, [self, fn](A... a) -> R { return (self->*fn)(std::forward<A>(a)...); });
  }
  template <class T, class R, class... A>
  CDispatchTable& AddGet(std::wstring name, DISPID id, T* self, R (T::*fn)(A...)) {
    return AddGet(std::move(name), id, [self, fn](A... a) -> R { return (self->*fn)(std::forward<A>(a)...); });
  }
  template <class T, class R, class... A>
  CDispatchTable& AddPut(std::wstring name, DISPID id, T* self, R (T::*fn)(A...)) {
    return AddPut(std::move(name), id, [self, fn](A... a) -> R { return (self->*fn)(std::forward<A>(a)...); });
  }

  // IDispatch::GetIDsOfNames: the member name (case-insensitive); parameter names are not known.
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, DISPID* rgDispId) const;
  // IDispatch::Invoke.
  HRESULT Invoke(DISPID dispIdMember, REFIID riid, WORD wFlags, DISPPARAMS* pDispParams, VARIANT* pVarResult,
                 EXCEPINFO* pExcepInfo, UINT* puArgErr) const;

  const DispatchEntry* Find(DISPID id, DispatchKind kind) const;

 private:
  template <class F>
  CDispatchTable& AddTyped(std::wstring name, DISPID id, DispatchKind kind, F f);

  // Entries of DISPIDs 0..kDirectIds-1 are found by index, one table per kind; the rest
  // (negative standard ids, large ones) by a scan.
  static constexpr DISPID kDirectIds = 1024;
  static constexpr int32_t kNoEntry = -1;

  std::wstring m_source;
  std::vector<DispatchEntry> m_entries;
  std::vector<int32_t> m_direct[3];  // by kind, then DISPID: the index into m_entries
};

template <class F>
CDispatchTable& CDispatchTable::AddTyped(std::wstring name, DISPID id, DispatchKind kind, F f) {
  using Traits = tessaly::detail::CallableTraits<F>;
  using Args = typename Traits::Args;
  using R = typename Traits::Result;
  DispatchEntry e;
  e.name = std::move(name);
  e.dispid = id;
  e.kind = kind;
  [&]<size_t... I>(std::index_sequence<I...>) {
    e.params = {DispatchArg<std::tuple_element_t<I, Args>>::vt...};
    e.optionalCount = (size_t{0} + ... + (DispatchArg<std::tuple_element_t<I, Args>>::optional ? 1u : 0u));
  }(std::make_index_sequence<std::tuple_size_v<Args>>{});
  if constexpr (std::is_void_v<R>) e.result = VT_EMPTY;
  else e.result = DispatchArg<std::remove_cvref_t<R>>::vt;
  e.handler = [f = std::move(f)](CDispatchCall& call) mutable -> HRESULT {
    return [&]<size_t... I>(std::index_sequence<I...>) -> HRESULT {
      if constexpr (std::is_void_v<R>) {
        f(DispatchArg<std::tuple_element_t<I, Args>>::Get(call.Arg(I))...);
      } else {
        DispatchArg<std::remove_cvref_t<R>>::Put(call.Result(),
                                                 f(DispatchArg<std::tuple_element_t<I, Args>>::Get(call.Arg(I))...));
      }
      return S_OK;
    }(std::make_index_sequence<std::tuple_size_v<Args>>{});
  };
  return Add(std::move(e));
}

// ---- CCmdTarget -----------------------------------------------------------------------------
// A dispatch object in MFC's manner, used as an event sink: it answers IUnknown, IDispatch and
// the event interface given at construction, and dispatches calls through m_dispatchMap.
// Its reference count starts at 1, held by the creator; ExternalRelease of the last reference
// calls OnFinalRelease, which deletes the object. The creator may also delete it directly once
// the source no longer holds it (unadvise first).
class CCmdTarget : public IDispatch {
 public:
  explicit CCmdTarget(const IID& eventIid = IID_NULL);
  virtual ~CCmdTarget();
  CCmdTarget(const CCmdTarget&) = delete;
  CCmdTarget& operator=(const CCmdTarget&) = delete;

  void EnableAutomation() {}  // always enabled
  void SetEventInterface(const IID& iid) { m_eventIid = iid; }
  // The object's IDispatch, with a new reference when bAddRef.
  LPDISPATCH GetIDispatch(BOOL bAddRef);
  ULONG ExternalAddRef() { return AddRef(); }
  ULONG ExternalRelease() { return Release(); }
  HRESULT ExternalQueryInterface(REFIID iid, void** ppv) { return QueryInterface(iid, ppv); }
  LONG GetRefCount() const { return m_dwRef.load(); }

  HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
  HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

 protected:
  virtual void OnFinalRelease();

  CDispatchTable m_dispatchMap;

 private:
  IID m_eventIid;
  std::atomic<LONG> m_dwRef{1};
};

// For objects built with ComObject.h: IDispatch (or a dual interface Itf derived from it)
// answered from the table T returns from GetDispatchTable().
template <class T, class Itf = IDispatch>
class IDispatchTableImpl : public Itf {
 public:
  HRESULT GetTypeInfoCount(UINT* pctinfo) override {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override {
    if (ppTInfo) *ppTInfo = nullptr;
    return E_NOTIMPL;
  }
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) override {
    return static_cast<T*>(this)->GetDispatchTable().GetIDsOfNames(riid, rgszNames, cNames, rgDispId);
  }
  HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams, VARIANT* pVarResult,
                 EXCEPINFO* pExcepInfo, UINT* puArgErr) override {
    return static_cast<T*>(this)->GetDispatchTable().Invoke(dispIdMember, riid, wFlags, pDispParams, pVarResult,
                                                            pExcepInfo, puArgErr);
  }

 protected:
  ~IDispatchTableImpl() = default;
};
