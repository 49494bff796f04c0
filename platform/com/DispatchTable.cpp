#include "platform/com/DispatchTable.h"

#include <cwctype>
#include <new>

namespace {

bool SameNameIgnoringCase(const std::wstring& a, const wchar_t* b) {
  size_t i = 0;
  for (; i < a.size(); ++i) {
    if (b[i] == 0 || std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return b[i] == 0;
}

bool IsMissingArg(const VARIANT& v) { return v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND; }

void FillException(EXCEPINFO* info, const CDispatchError& error, const std::wstring& tableSource) {
  if (!info) return;
  *info = EXCEPINFO{};
  const std::wstring& source = error.Source().empty() ? tableSource : error.Source();
  info->bstrSource = tessaly::SysAllocStringView(source);
  info->bstrDescription = tessaly::SysAllocStringView(error.Description());
  info->scode = error.Scode();
}

// Owns the converted copies of one call's arguments and clears them however the call ends.
struct CallStorage {
  std::vector<VARIANT> converted;
  VARIANT missing{};
  explicit CallStorage(size_t n) {
    converted.resize(n);
    for (VARIANT& v : converted) VariantInit(&v);
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
  }
  ~CallStorage() {
    for (VARIANT& v : converted) VariantClear(&v);
  }
};

}  // namespace

CDispatchTable& CDispatchTable::Add(DispatchEntry entry) {
  for (DispatchEntry& e : m_entries) {
    if (e.dispid == entry.dispid && e.kind == entry.kind) {
      e = std::move(entry);
      return *this;
    }
  }
  m_entries.push_back(std::move(entry));
  return *this;
}

const DispatchEntry* CDispatchTable::Find(DISPID id, DispatchKind kind) const {
  for (const DispatchEntry& e : m_entries)
    if (e.dispid == id && e.kind == kind) return &e;
  return nullptr;
}

HRESULT CDispatchTable::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, DISPID* rgDispId) const {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (cNames == 0) return S_OK;
  if (!rgszNames || !rgDispId) return E_POINTER;
  for (UINT i = 0; i < cNames; ++i) rgDispId[i] = DISPID_UNKNOWN;
  if (!rgszNames[0]) return DISP_E_UNKNOWNNAME;
  for (const DispatchEntry& e : m_entries) {
    if (SameNameIgnoringCase(e.name, rgszNames[0])) {
      rgDispId[0] = e.dispid;
      // Parameter names are not kept, so named arguments cannot be looked up.
      return cNames == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
  }
  return DISP_E_UNKNOWNNAME;
}

HRESULT CDispatchTable::Invoke(DISPID dispIdMember, REFIID riid, WORD wFlags, DISPPARAMS* pDispParams,
                               VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) const {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  DISPPARAMS& dp = pDispParams ? *pDispParams : none;
  if (dp.cArgs > 0 && !dp.rgvarg) return E_INVALIDARG;
  if (dp.cNamedArgs > dp.cArgs || (dp.cNamedArgs > 0 && !dp.rgdispidNamedArgs)) return E_INVALIDARG;

  // Which entry: a put, or a method before a property get (VB sends both flags).
  const DispatchEntry* entry = nullptr;
  bool put = (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  if (put) {
    entry = Find(dispIdMember, DispatchKind::PropertyPut);
  } else {
    if (wFlags & DISPATCH_METHOD) entry = Find(dispIdMember, DispatchKind::Method);
    if (!entry && (wFlags & DISPATCH_PROPERTYGET)) entry = Find(dispIdMember, DispatchKind::PropertyGet);
  }
  if (!entry) return DISP_E_MEMBERNOTFOUND;

  // The arguments left to right, as indexes into rgvarg (which holds them in reverse, named
  // arguments first).
  std::vector<UINT> order;
  if (put) {
    if (dp.cArgs == 0) return DISP_E_BADPARAMCOUNT;
    if (dp.cNamedArgs == 0) return DISP_E_PARAMNOTOPTIONAL;
    if (dp.cNamedArgs != 1 || dp.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
      if (puArgErr) *puArgErr = 0;
      return DISP_E_PARAMNOTFOUND;
    }
    for (UINT i = dp.cArgs; i-- > 1;) order.push_back(i);
    order.push_back(0);
  } else {
    if (dp.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    for (UINT i = dp.cArgs; i-- > 0;) order.push_back(i);
  }

  const size_t declared = entry->params.size();
  const size_t required = declared - (entry->optionalCount < declared ? entry->optionalCount : declared);
  size_t given = order.size();
  if (given > declared || (put && given != declared)) return DISP_E_BADPARAMCOUNT;
  if (given < required) return DISP_E_BADPARAMCOUNT;

  CallStorage storage(declared);
  CDispatchCall call;
  call.m_flags = wFlags;
  call.m_args.resize(declared, &storage.missing);
  for (size_t i = 0; i < given; ++i) {
    UINT at = order[i];
    VARIANT& arg = dp.rgvarg[at];
    VARTYPE want = entry->params[i];
    if (IsMissingArg(arg)) {
      if (i < required) {
        if (puArgErr) *puArgErr = at;
        return DISP_E_PARAMNOTOPTIONAL;
      }
      continue;  // stays missing
    }
    if (want == VT_VARIANT) {
      // By value, but the caller's own VARIANT (a reference to one is followed).
      call.m_args[i] = arg.vt == (VT_BYREF | VT_VARIANT) && arg.pvarVal ? arg.pvarVal : &arg;
      continue;
    }
    if (want & VT_BYREF) {
      if (want == (VT_BYREF | VT_VARIANT)) {
        // A reference to a VARIANT, or the caller's by-value VARIANT itself.
        VARIANT& v = storage.converted[i];
        v.vt = VT_BYREF | VT_VARIANT;
        v.pvarVal = arg.vt == (VT_BYREF | VT_VARIANT) ? arg.pvarVal : &arg;
        if (!v.pvarVal) {
          v.vt = VT_EMPTY;
          if (puArgErr) *puArgErr = at;
          return DISP_E_TYPEMISMATCH;
        }
        call.m_args[i] = &v;
        continue;
      }
      VARIANT* target = nullptr;
      if (arg.vt == want && arg.byref) {
        target = &arg;
      } else if (arg.vt == (VT_BYREF | VT_VARIANT) && arg.pvarVal && arg.pvarVal->vt == (want & ~VT_BYREF)) {
        // A reference to a VARIANT of the right type: point into its value.
        VARIANT& v = storage.converted[i];
        v.vt = want;
        v.byref = &arg.pvarVal->llVal;
        target = &v;
      }
      if (!target) {
        if (puArgErr) *puArgErr = at;
        return DISP_E_TYPEMISMATCH;
      }
      call.m_args[i] = target;
      continue;
    }
    if (arg.vt == want) {
      call.m_args[i] = &arg;
      continue;
    }
    HRESULT hr = VariantChangeType(&storage.converted[i], &arg, 0, want);
    if (FAILED(hr)) {
      if (puArgErr) *puArgErr = at;
      return hr == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
    }
    call.m_args[i] = &storage.converted[i];
  }

  VariantInit(&call.m_result);
  HRESULT hr;
  try {
    hr = entry->handler(call);
  } catch (const CDispatchError& error) {
    VariantClear(&call.m_result);
    FillException(pExcepInfo, error, m_source);
    return DISP_E_EXCEPTION;
  } catch (const std::bad_alloc&) {
    VariantClear(&call.m_result);
    return E_OUTOFMEMORY;
  } catch (const std::exception& e) {
    // No C++ exception crosses the interface.
    VariantClear(&call.m_result);
    std::string what = e.what();
    FillException(pExcepInfo, CDispatchError(std::wstring(what.begin(), what.end())), m_source);
    return DISP_E_EXCEPTION;
  }
  if (FAILED(hr)) {
    VariantClear(&call.m_result);
    if (hr == DISP_E_EXCEPTION) {
      FillException(pExcepInfo, call.m_error ? *call.m_error : CDispatchError(L"", E_FAIL), m_source);
    }
    return hr;
  }

  VARIANT& result = call.m_result;
  if (entry->result != VT_EMPTY && entry->result != VT_VARIANT && result.vt != entry->result &&
      result.vt != VT_EMPTY) {
    HRESULT conv = VariantChangeType(&result, &result, 0, entry->result);
    if (FAILED(conv)) {
      VariantClear(&result);
      return conv;
    }
  }
  if (pVarResult) {
    *pVarResult = result;  // handed over
  } else {
    VariantClear(&result);
  }
  return hr;
}

// ---- CCmdTarget ----------------------------------------------------------------------------
CCmdTarget::CCmdTarget(const IID& eventIid) : m_eventIid(eventIid) {}

CCmdTarget::~CCmdTarget() = default;

LPDISPATCH CCmdTarget::GetIDispatch(BOOL bAddRef) {
  if (bAddRef) AddRef();
  return this;
}

HRESULT CCmdTarget::QueryInterface(REFIID riid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (riid == IID_IUnknown || riid == IID_IDispatch || (m_eventIid != IID_NULL && riid == m_eventIid)) {
    AddRef();
    *ppvObject = static_cast<IDispatch*>(this);
    return S_OK;
  }
  return E_NOINTERFACE;
}

ULONG CCmdTarget::AddRef() { return static_cast<ULONG>(++m_dwRef); }

ULONG CCmdTarget::Release() {
  LONG count = --m_dwRef;
  if (count == 0) OnFinalRelease();
  return static_cast<ULONG>(count);
}

void CCmdTarget::OnFinalRelease() { delete this; }

HRESULT CCmdTarget::GetTypeInfoCount(UINT* pctinfo) {
  if (!pctinfo) return E_POINTER;
  *pctinfo = 0;
  return S_OK;
}

HRESULT CCmdTarget::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
  if (ppTInfo) *ppTInfo = nullptr;
  return E_NOTIMPL;
}

HRESULT CCmdTarget::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) {
  return m_dispatchMap.GetIDsOfNames(riid, rgszNames, cNames, rgDispId);
}

HRESULT CCmdTarget::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                           VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
  // An event source often sends DISPATCH_METHOD only; that is what the map's entries are.
  return m_dispatchMap.Invoke(dispIdMember, riid, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
}
