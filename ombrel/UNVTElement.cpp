#include "ombrel/UNVTElement.h"

#include "foundation/shared/ByteBuffer.h"
#include "foundation/shared/HexConversions.h"
#include "interfaces/gorrin/GorrinContract.h"
#include "interfaces/pravel/PravelContract.h"
#include "ombrel/DebugOutput.h"
#include "ombrel/OmbrelApp.h"
#include "ombrel/OmbrelCtrl.h"
#include "interfaces/sennet/SennetContract.h"
#include "platform/com/Bstr.h"
#include "platform/com/Variant.h"

#include <exception>
#include <optional>

namespace {

// A failing partner call gives fallback: the element never reports an automation error.
template <class R, class F>
R Guarded(R fallback, F call) {
  try {
    return call();
  } catch (const std::exception&) {
    return fallback;
  }
}

// The control's lock for one member; an element without a control has nothing to lock.
class CCtrlLock {
 public:
  explicit CCtrlLock(COmbrelCtrl* pCtrl) : m_pCtrl(pCtrl) {
    if (m_pCtrl) static_cast<CMyCriticalSection*>(m_pCtrl)->Lock();
  }
  ~CCtrlLock() {
    if (m_pCtrl) static_cast<CMyCriticalSection*>(m_pCtrl)->Unlock();
  }
  CCtrlLock(const CCtrlLock&) = delete;
  CCtrlLock& operator=(const CCtrlLock&) = delete;

 private:
  COmbrelCtrl* m_pCtrl;
};

bool TraceOn() { return AfxGetOmbrelApp().m_bDbgLog != FALSE; }

// One trace line, cut to 255 characters as the fixed 256-character buffer holds.
void Trace(const CString& line) { OutputDebugStringW(line.Left(255).GetString()); }

CString HexOf(const VARIANT& data) {
  CByteBuffer buffer(data);
  return BytesToHexString(buffer.GetData(), buffer.GetSize(), 0);
}

}  // namespace

UNVTElement::UNVTElement() : CCmdTarget(IID_IUNVTElement) { BuildDispatchMap(); }

UNVTElement::UNVTElement(COmbrelCtrl* pCtrl) : CCmdTarget(IID_IUNVTElement), m_pCtrl(pCtrl) {
  if (m_pCtrl) m_ctrlRef = m_pCtrl->GetUnknown();
  BuildDispatchMap();
}

UNVTElement::~UNVTElement() {
  {
    CCtrlLock lock(m_pCtrl);
    m_element.ReleaseDispatch();
  }
  // The control may go with this last reference, so the lock is left first.
  m_ctrlRef.Release();
}

void UNVTElement::BuildDispatchMap() {
  using namespace ombrel;
  CDispatchTable& t = m_dispatchMap;
  t.SetSource(L"OMBREL.OmbrelCtrl.1");
  t.AddGet(L"SubFieldCount", DISPID_ELEM_SUBFIELD_COUNT, [this]() -> short { return GetSubFieldCount(); });
  t.AddGet(L"Selector", DISPID_ELEM_SELECTOR, [this]() -> short { return GetSelector(); });
  t.AddMethod(L"FormatVT", DISPID_ELEM_FORMAT_VT,
              [this](const VARIANT& data, short len, short vt, VARIANT* fmtdata, short sub) -> bool {
                return FormatVT(data, len, vt, fmtdata, sub) != FALSE;
              });
  t.AddMethod(L"GetValueVT", DISPID_ELEM_GET_VALUE_VT, [this](short vt, VARIANT* value, short sub) -> bool {
    return GetValueVT(vt, value, sub) != FALSE;
  });
  t.AddMethod(L"WriteFormatVT", DISPID_ELEM_WRITE_FORMAT_VT,
              [this](const VARIANT& data, short len, const VARIANT& value, short sub) -> bool {
                return WriteFormatVT(data, len, value, sub) != FALSE;
              });
  t.AddMethod(L"GetBounds", DISPID_ELEM_GET_BOUNDS, [this](double* f_min, double* f_max, short sub) -> bool {
    return GetBounds(f_min, f_max, sub) != FALSE;
  });
  t.AddMethod(L"Canonical", DISPID_ELEM_CANONICAL, [this](short sub) -> short { return Canonical(sub); });
  t.AddMethod(L"SubindexByName", DISPID_ELEM_SUBINDEX_BY_NAME,
              [this](const std::wstring& name) -> short { return SubindexByName(name.c_str()); });
  t.AddMethod(L"Type", DISPID_ELEM_TYPE, [this](short sub) -> std::wstring { return Type(sub).GetString(); });
  t.AddMethod(L"Lenght", DISPID_ELEM_LENGTH, [this](short sub) -> short { return Lenght(sub); });
  t.AddGet(L"Index", DISPID_ELEM_INDEX, [this]() -> short { return GetIndex(); });
  t.AddGet(L"MeasurementSystem", DISPID_ELEM_MEASUREMENT,
           [this]() -> std::wstring { return GetMeasurementSystem().GetString(); });
  t.AddPut(L"MeasurementSystem", DISPID_ELEM_MEASUREMENT,
           [this](const std::wstring& system) { SetMeasurementSystem(system.c_str()); });
  t.AddMethod(L"WriteValue2", DISPID_ELEM_WRITE_VALUE2,
              [this](VARIANT* data, short len, const VARIANT& value, short sub) -> bool {
                return WriteValue2(data, len, value, sub) != FALSE;
              });
}

// ---- lookups ---------------------------------------------------------------------------------

BOOL UNVTElement::LookupStandardType(short index) {
  if (m_pCtrl && m_pCtrl->m_bPravelAvailable) {
    m_pCtrl->SyncPravelBackTypeComp();
    CString name = Guarded(CString(), [&] {
      return m_pCtrl->m_pravel.InvokeMethod<CString>(pravel::DISPID_TYPE_NAME, index, short(-1));
    });
    m_strType = name;
    if (!name.IsEmpty()) {
      m_bStandardIndex = TRUE;
      m_nIndex = index;
      m_nKind = UNVT_KIND_STANDARD;
      return TRUE;
    }
  }
  m_nKind = UNVT_KIND_NONE;
  return FALSE;
}

void UNVTElement::LookupByIndex(short index, const CString& pid, short selector, BOOL isNv, BOOL fromSNVType) {
  m_nKind = UNVT_KIND_USER;
  m_nIndex = index;
  if (!m_pCtrl) {
    m_nKind = UNVT_KIND_NONE;
    return;
  }
  // The standard-type marker counts only when GetSNVType itself passes it.
  BOOL eligible = isNv && (fromSNVType || selector == 0);
  m_bStandardIndex = eligible;
  if (eligible && m_pCtrl->UseStandardType(index)) {
    LookupStandardType(index);
    return;
  }
  if (m_pCtrl->m_bGorrinAvailable) {
    CComPtr<IDispatch> element = Guarded(CComPtr<IDispatch>(), [&] {
      return m_pCtrl->m_gorrin.InvokeMethod<CComPtr<IDispatch>>(
          isNv ? gorrin::DISPID_NV_TYPE_BY_INDEX : gorrin::DISPID_CP_TYPE_BY_INDEX, index, pid, selector);
    });
    if (element) {
      m_element.AttachDispatch(element.Detach());
      m_strType = Guarded(CString(), [&] {
        return m_element.GetPropertyWithParams<CString>(gorrin::DISPID_ELEM_TYPE, short(-1));
      });
      m_nIndex = index;
      m_nKind = UNVT_KIND_USER;
      return;
    }
  }
  LookupStandardType(0);
}

void UNVTElement::LookupByName(const CString& typeName, const CString& pid, short selector) {
  m_strType = typeName;
  m_nIndex = 0;
  m_nKind = UNVT_KIND_USER;
  if (!m_pCtrl || !m_pCtrl->m_bGorrinAvailable) {
    m_nKind = UNVT_KIND_NONE;
    return;
  }
  CComPtr<IDispatch> element = Guarded(CComPtr<IDispatch>(), [&] {
    return m_pCtrl->m_gorrin.InvokeMethod<CComPtr<IDispatch>>(gorrin::DISPID_TYPE_BY_NAME, typeName, pid, selector);
  });
  if (!element) {
    m_nKind = UNVT_KIND_NONE;
    return;
  }
  m_element.AttachDispatch(element.Detach());
  m_nIndex = Guarded<short>(0, [&] { return m_element.GetProperty<short>(gorrin::DISPID_ELEM_INDEX); });
  if (typeName.Find(L"SNVT") >= 0) {
    BOOL eligible = selector == 0;
    m_bStandardIndex = eligible;
    if (eligible && m_pCtrl->UseStandardType(m_nIndex)) LookupStandardType(m_nIndex);
  }
}

void UNVTElement::LookupViaSennet(short index, const CString& pid) {
  m_nKind = UNVT_KIND_USER;
  if (!m_pCtrl) {
    m_nKind = UNVT_KIND_NONE;
    return;
  }
  if (m_pCtrl->m_bSennetAvailable) {
    BSTR name = nullptr;
    short selector = 0;
    LONG found = Guarded<LONG>(0, [&] {
      return m_pCtrl->m_sennet.InvokeMethod<LONG>(sennet::DISPID_GET_NV_TYPE_NAME, pid, index, &name, &selector);
    });
    CString stored(tessaly::BstrToString(name).c_str());
    SysFreeString(name);
    if (found) {
      LookupByName(stored, pid, selector);
      if (!stored.IsEmpty() && m_nKind == UNVT_KIND_NONE) {
        // Known only by the table's name: the element carries that name and nothing else.
        m_element.ReleaseDispatch();
        m_strType = stored;
        m_nKind = UNVT_KIND_NAME_ONLY;
      }
      return;
    }
  }
  LookupStandardType(0);
}

// ---- forwarding --------------------------------------------------------------------------------

BOOL UNVTElement::PravelStandsIn() const {
  if (!m_pCtrl || !m_pCtrl->m_bPravelAvailable) return FALSE;
  return m_pCtrl->m_bBackTypeCompatibility || (m_bStandardIndex && m_pCtrl->IsIncluded(m_nIndex));
}

template <class F>
BOOL UNVTElement::WithPravelSwitched(F call) {
  Guarded(0, [&] {
    m_pCtrl->m_pravel.SetProperty(pravel::DISPID_BACK_TYPE_COMP, VT_BOOL, true);
    return 0;
  });
  BOOL result = Guarded(FALSE, [&]() -> BOOL { return call() ? TRUE : FALSE; });
  m_pCtrl->SyncPravelBackTypeComp();
  return result;
}

short UNVTElement::GetSubFieldCount() {
  CCtrlLock lock(m_pCtrl);
  switch (m_nKind) {
    case UNVT_KIND_STANDARD:
      m_pCtrl->SyncPravelBackTypeComp();
      return Guarded<short>(0, [&] {
        return m_pCtrl->m_pravel.GetPropertyWithParams<short>(pravel::DISPID_SUBFIELD_COUNT, m_nIndex);
      });
    case UNVT_KIND_USER:
      return Guarded<short>(0, [&] { return m_element.GetProperty<short>(gorrin::DISPID_ELEM_SUBFIELD_COUNT); });
    default:
      return 0;
  }
}

short UNVTElement::GetSelector() {
  CCtrlLock lock(m_pCtrl);
  if (m_nKind != UNVT_KIND_USER) return 0;
  return Guarded<short>(0, [&] { return m_element.GetProperty<short>(gorrin::DISPID_ELEM_SELECTOR); });
}

short UNVTElement::GetIndex() {
  CCtrlLock lock(m_pCtrl);
  switch (m_nKind) {
    case UNVT_KIND_STANDARD:
      return m_nIndex;
    case UNVT_KIND_USER:
      return Guarded<short>(0, [&] { return m_element.GetProperty<short>(gorrin::DISPID_ELEM_INDEX); });
    default:
      return 0;
  }
}

template <class R>
R UNVTElement::FieldQuery(R fallback, DISPID pravelMethod, DISPID elementProperty, short sub) {
  switch (m_nKind) {
    case UNVT_KIND_STANDARD:
      m_pCtrl->SyncPravelBackTypeComp();
      return Guarded(fallback, [&] { return m_pCtrl->m_pravel.InvokeMethod<R>(pravelMethod, m_nIndex, sub); });
    case UNVT_KIND_USER:
      return Guarded(fallback, [&] { return m_element.GetPropertyWithParams<R>(elementProperty, sub); });
    default:
      return fallback;
  }
}

template <class P, class G>
BOOL UNVTElement::ValueCall(P pravelCall, G gorrinCall) {
  switch (m_nKind) {
    case UNVT_KIND_STANDARD:
      m_pCtrl->SyncPravelBackTypeComp();
      return Guarded(false, pravelCall);
    case UNVT_KIND_USER:
      if (PravelStandsIn()) return WithPravelSwitched(pravelCall);
      return Guarded(false, gorrinCall);
    default:
      return FALSE;
  }
}

short UNVTElement::Canonical(short sub) {
  CCtrlLock lock(m_pCtrl);
  return FieldQuery<short>(0, pravel::DISPID_CANONICAL, gorrin::DISPID_ELEM_CANONICAL, sub);
}

short UNVTElement::SubindexByName(const CString& sName) {
  CCtrlLock lock(m_pCtrl);
  switch (m_nKind) {
    case UNVT_KIND_STANDARD:
      m_pCtrl->SyncPravelBackTypeComp();
      return Guarded<short>(0, [&] {
        return m_pCtrl->m_pravel.InvokeMethod<short>(pravel::DISPID_SUBINDEX_BY_NAME, m_nIndex, sName);
      });
    case UNVT_KIND_USER: {
      short field = 0;
      Guarded(false, [&] { return m_element.InvokeMethod<bool>(gorrin::DISPID_ELEM_SUBINDEX_BY_NAME, sName, &field); });
      return field;
    }
    default:
      return -1;
  }
}

CString UNVTElement::Type(short sub) {
  CCtrlLock lock(m_pCtrl);
  if (m_nKind == UNVT_KIND_NAME_ONLY) return sub == -1 ? m_strType : CString();
  return FieldQuery(CString(), pravel::DISPID_TYPE_NAME, gorrin::DISPID_ELEM_TYPE, sub);
}

short UNVTElement::Lenght(short sub) {
  CCtrlLock lock(m_pCtrl);
  return FieldQuery<short>(0, pravel::DISPID_LENGTH, gorrin::DISPID_ELEM_LENGTH, sub);
}

CString UNVTElement::GetMeasurementSystem() {
  CCtrlLock lock(m_pCtrl);
  if (m_nKind != UNVT_KIND_USER) return L"SI";
  return Guarded(CString(), [&] { return m_element.GetProperty<CString>(gorrin::DISPID_ELEM_MEASUREMENT); });
}

void UNVTElement::SetMeasurementSystem(const CString& system) {
  CCtrlLock lock(m_pCtrl);
  if (m_nKind != UNVT_KIND_USER) return;
  Guarded(0, [&] {
    m_element.SetProperty(gorrin::DISPID_ELEM_MEASUREMENT, VT_BSTR, system);
    return 0;
  });
}

BOOL UNVTElement::GetBounds(double* f_min, double* f_max, short sub) {
  CCtrlLock lock(m_pCtrl);
  switch (m_nKind) {
    case UNVT_KIND_STANDARD:
      m_pCtrl->SyncPravelBackTypeComp();
      return Guarded(false, [&] {
        return m_pCtrl->m_pravel.InvokeMethod<bool>(pravel::DISPID_GET_BOUNDS, m_nIndex, f_min, f_max, sub);
      });
    case UNVT_KIND_USER:
      return Guarded(false, [&] {
        return m_element.InvokeMethod<bool>(gorrin::DISPID_ELEM_GET_BOUNDS, sub, f_min, f_max);
      });
    default:
      return FALSE;
  }
}

BOOL UNVTElement::GetValueVT(short vt, VARIANT* value, short sub) {
  CCtrlLock lock(m_pCtrl);
  auto pravelCall = [&] {
    return m_pCtrl->m_pravel.InvokeMethod<bool>(pravel::DISPID_GET_VALUE_VT, m_nIndex, vt, value, sub);
  };
  return ValueCall(pravelCall,
                   [&] { return m_element.InvokeMethod<bool>(gorrin::DISPID_ELEM_GET_VALUE_VT, vt, value, sub); });
}

BOOL UNVTElement::FormatVT(const VARIANT& data, short len, short vt, VARIANT* fmtdata, short sub) {
  const bool trace = TraceOn();
  if (trace) {
    // Written before the lock is taken; each value is read under it.
    CString type = Type(-1);
    BOOL backTypeComp = m_pCtrl ? m_pCtrl->GetBackTypeCompatibility() : FALSE;
    Trace(FormatString(L"UNVTElement::FormatVT BEGIN: Type='%s' Sub=%d, Data='%s', Len=%d, vt=%d,  BackTypeComp=%d",
                       type.GetString(), sub, HexOf(data).GetString(), len, vt, backTypeComp));
  }
  CCtrlLock lock(m_pCtrl);
  auto pravelCall = [&] {
    return m_pCtrl->m_pravel.InvokeMethod<bool>(pravel::DISPID_FORMAT_VT, m_nIndex, len, data, vt, fmtdata, sub);
  };
  BOOL result = ValueCall(pravelCall, [&] {
    return m_element.InvokeMethod<bool>(gorrin::DISPID_ELEM_FORMAT_VT, len, data, vt, fmtdata, sub);
  });
  if (trace) {
    CString text = L"The value is not converted to the string.";
    VARIANT converted;
    VariantInit(&converted);
    if (fmtdata && SUCCEEDED(VariantChangeType(&converted, fmtdata, 0, VT_BSTR))) {
      text = tessaly::BstrToString(converted.bstrVal).c_str();
      VariantClear(&converted);
    }
    Trace(FormatString(L"UNVTElement::FormatVT END: Result=%d, fmtdata='%s'", result, text.GetString()));
  }
  return result;
}

template <class F>
BOOL UNVTElement::WriteThrough(const VARIANT& pravelData, short len, const VARIANT& value, short sub, F gorrinCall) {
  const bool trace = TraceOn();
  if (trace) {
    CString type = Type(-1);
    BOOL backTypeComp = m_pCtrl ? m_pCtrl->GetBackTypeCompatibility() : FALSE;
    Trace(FormatString(L"UNVTElement::WriteFormatVT BEGIN: Type='%s' Sub=%d, BackTypeComp=%d", type.GetString(), sub,
                       backTypeComp));
  }
  CCtrlLock lock(m_pCtrl);
  auto pravelCall = [&] {
    return m_pCtrl->m_pravel.InvokeMethod<bool>(pravel::DISPID_WRITE_FORMAT_VT, m_nIndex, len, pravelData, value, sub);
  };
  BOOL result = ValueCall(pravelCall, gorrinCall);
  if (trace) Trace(FormatString(L"UNVTElement::WriteFormatVT END: Result=%d", result));
  return result;
}

BOOL UNVTElement::WriteFormatVT(const VARIANT& data, short len, const VARIANT& value, short sub) {
  return WriteThrough(data, len, value, sub, [&] {
    return m_element.InvokeMethod<bool>(gorrin::DISPID_ELEM_WRITE_FORMAT_VT, len, data, value, sub);
  });
}

BOOL UNVTElement::WriteValue2(VARIANT* data, short len, const VARIANT& value, short sub) {
  // Pravel takes the data by value, as for WriteFormatVT; Gorrin's element fills it in place.
  return WriteThrough(*data, len, value, sub, [&] {
    return m_element.InvokeMethod<bool>(gorrin::DISPID_ELEM_WRITE_VALUE2, len, data, value, sub);
  });
}
