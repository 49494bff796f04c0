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
class CallStorage {
 public:
  static constexpr size_t kInline = 8;

  explicit CallStorage(size_t n) : m_count(n) {
    if (n > kInline) {
      m_heap = std::make_unique<VARIANT[]>(n);
      m_converted = m_heap.get();
    }
    for (size_t i = 0; i < n; ++i) m_converted[i] = VARIANT{};
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
  }
  ~CallStorage() {
    // Most slots are never used: the caller's arguments had the declared types.
    for (size_t i = 0; i < m_count; ++i)
      if (m_converted[i].vt != VT_EMPTY) VariantClear(&m_converted[i]);
  }
  CallStorage(const CallStorage&) = delete;
  CallStorage& operator=(const CallStorage&) = delete;

  VARIANT& operator[](size_t i) { return m_converted[i]; }
  VARIANT missing{};

 private:
  VARIANT m_inline[kInline];
  std::unique_ptr<VARIANT[]> m_heap;
  VARIANT* m_converted = m_inline;
  size_t m_count;
};

int KindIndex(DispatchKind kind) { return static_cast<int>(kind); }

}  // namespace

CDispatchTable& CDispatchTable::Add(DispatchEntry entry) {
  if (const DispatchEntry* known = Find(entry.dispid, entry.kind)) {
    m_entries[static_cast<size_t>(known - m_entries.data())] = std::move(entry);
    return *this;
  }
  if (entry.dispid >= 0 && entry.dispid < kDirectIds) {
    std::vector<int32_t>& direct = m_direct[KindIndex(entry.kind)];
    if (direct.size() <= static_cast<size_t>(entry.dispid)) direct.resize(static_cast<size_t>(entry.dispid) + 1, kNoEntry);
    direct[static_cast<size_t>(entry.dispid)] = static_cast<int32_t>(m_entries.size());
  }
  m_entries.push_back(std::move(entry));
  return *this;
}

const DispatchEntry* CDispatchTable::Find(DISPID id, DispatchKind kind) const {
  if (id >= 0 && id < kDirectIds) {
    const std::vector<int32_t>& direct = m_direct[KindIndex(kind)];
    if (static_cast<size_t>(id) >= direct.size()) return nullptr;
    int32_t at = direct[static_cast<size_t>(id)];
    return at == kNoEntry ? nullptr : &m_entries[static_cast<size_t>(at)];
  }
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

  // rgvarg holds the arguments in reverse, named arguments first: for a put the value (the
  // last argument) is the named one at 0, so argument i is at cArgs-1-i either way.
  if (put) {
    if (dp.cArgs == 0) return DISP_E_BADPARAMCOUNT;
    if (dp.cNamedArgs == 0) return DISP_E_PARAMNOTOPTIONAL;
    if (dp.cNamedArgs != 1 || dp.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
      if (puArgErr) *puArgErr = 0;
      return DISP_E_PARAMNOTFOUND;
    }
  } else {
    if (dp.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  }

  const size_t declared = entry->params.size();
  const size_t required = declared - (entry->optionalCount < declared ? entry->optionalCount : declared);
  const size_t given = dp.cArgs;
  if (given > declared || (put && given != declared)) return DISP_E_BADPARAMCOUNT;
  if (given < required) return DISP_E_BADPARAMCOUNT;

  CallStorage storage(declared);
  CDispatchCall call;
  call.m_flags = wFlags;
  call.Reset(declared, &storage.missing);
  for (size_t i = 0; i < given; ++i) {
    const UINT at = static_cast<UINT>(given - 1 - i);
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
      call.m_argv[i] = arg.vt == (VT_BYREF | VT_VARIANT) && arg.pvarVal ? arg.pvarVal : &arg;
      continue;
    }
    if (want & VT_BYREF) {
      if (want == (VT_BYREF | VT_VARIANT)) {
        // A reference to a VARIANT, or the caller's by-value VARIANT itself.
        VARIANT& v = storage[i];
        v.vt = VT_BYREF | VT_VARIANT;
        v.pvarVal = arg.vt == (VT_BYREF | VT_VARIANT) ? arg.pvarVal : &arg;
        if (!v.pvarVal) {
          v.vt = VT_EMPTY;
          if (puArgErr) *puArgErr = at;
          return DISP_E_TYPEMISMATCH;
        }
        call.m_argv[i] = &v;
        continue;
      }
      VARIANT* target = nullptr;
      if (arg.vt == want && arg.byref) {
        target = &arg;
      } else if (arg.vt == (VT_BYREF | VT_VARIANT) && arg.pvarVal && arg.pvarVal->vt == (want & ~VT_BYREF)) {
        // A reference to a VARIANT of the right type: point into its value.
        VARIANT& v = storage[i];
        v.vt = want;
        v.byref = &arg.pvarVal->llVal;
        target = &v;
      }
      if (!target) {
        if (puArgErr) *puArgErr = at;
        return DISP_E_TYPEMISMATCH;
      }
      call.m_argv[i] = target;
      continue;
    }
    if (arg.vt == want) {
      call.m_argv[i] = &arg;
      continue;
    }
    HRESULT hr = VariantChangeType(&storage[i], &arg, 0, want);
    if (FAILED(hr)) {
      if (puArgErr) *puArgErr = at;
      return hr == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
    }
    call.m_argv[i] = &storage[i];
  }

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
