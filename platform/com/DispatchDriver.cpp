#include "platform/com/DispatchDriver.h"

#include <cwchar>
#include <new>

#include "platform/com/Activation.h"
#include "platform/win32/MessageBox.h"

namespace {

std::string Narrow(const CString& text) {
  std::string out;
  for (const wchar_t* p = text.GetString(); *p; ++p) out.push_back(*p < 0x80 ? static_cast<char>(*p) : '?');
  return out;
}

CString GenericText(HRESULT hr) {
  std::wstring text = ComErrorText(hr);
  if (text.empty()) {
    wchar_t buffer[64];
    std::swprintf(buffer, 64, L"Unknown error 0x%08X", static_cast<unsigned>(hr));
    text = buffer;
  }
  return CString(text.c_str());
}

}  // namespace

// ---- the exception ---------------------------------------------------------------------------
COleDispatchException::COleDispatchException(CString description, SCODE scode, WORD wCode, CString source)
    : m_wCode(wCode),
      m_strDescription(std::move(description)),
      m_strSource(std::move(source)),
      m_scode(scode),
      m_what(Narrow(m_strDescription)) {}

BOOL COleDispatchException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext) const {
  if (pnHelpContext) *pnHelpContext = m_dwHelpContext;
  if (!lpszError || nMaxError == 0) return FALSE;
  std::wcsncpy(lpszError, m_strDescription.GetString(), nMaxError - 1);
  lpszError[nMaxError - 1] = 0;
  return TRUE;
}

int COleDispatchException::ReportError(UINT nType, UINT nMessageID) const {
  if (!m_strDescription.IsEmpty()) return AfxMessageBox(m_strDescription.GetString(), nType == 0 ? MB_OK : nType);
  if (nMessageID != 0) return AfxMessageBox(nMessageID, nType == 0 ? MB_OK : nType);
  return AfxMessageBox(GenericText(m_scode).GetString(), nType == 0 ? MB_OK : nType);
}

void ThrowDispatchException(HRESULT hr, EXCEPINFO* excepInfo) {
  if (hr == DISP_E_EXCEPTION && excepInfo) {
    if (excepInfo->pfnDeferredFillIn) excepInfo->pfnDeferredFillIn(excepInfo);
    CString description(tessaly::BstrToString(excepInfo->bstrDescription).c_str());
    CString source(tessaly::BstrToString(excepInfo->bstrSource).c_str());
    SCODE scode = excepInfo->scode != 0 ? excepInfo->scode : hr;
    WORD wCode = excepInfo->wCode;
    SysFreeString(excepInfo->bstrSource);
    SysFreeString(excepInfo->bstrDescription);
    SysFreeString(excepInfo->bstrHelpFile);
    excepInfo->bstrSource = excepInfo->bstrDescription = excepInfo->bstrHelpFile = nullptr;
    if (description.IsEmpty()) description = GenericText(scode);
    COleDispatchException e(description, scode, wCode, source);
    e.m_dwHelpContext = excepInfo->dwHelpContext;
    throw e;
  }
  throw COleDispatchException(GenericText(hr), hr);
}

BSTR tessaly::detail::AllocBstrOrThrow(const wchar_t* text, size_t length) {
  BSTR b = SysAllocStringLen(text, static_cast<UINT>(length));
  if (!b) throw std::bad_alloc();
  return b;
}

// ---- the driver ------------------------------------------------------------------------------
COleDispatchDriver::COleDispatchDriver(LPDISPATCH lpDispatch, BOOL bAutoRelease)
    : m_lpDispatch(lpDispatch), m_bAutoRelease(bAutoRelease) {}

COleDispatchDriver::COleDispatchDriver(const COleDispatchDriver& other)
    : m_lpDispatch(other.m_lpDispatch), m_bAutoRelease(TRUE) {
  if (m_lpDispatch) m_lpDispatch->AddRef();
}

COleDispatchDriver& COleDispatchDriver::operator=(const COleDispatchDriver& other) {
  if (this != &other) {
    if (other.m_lpDispatch) other.m_lpDispatch->AddRef();
    ReleaseDispatch();
    m_lpDispatch = other.m_lpDispatch;
    m_bAutoRelease = TRUE;
  }
  return *this;
}

COleDispatchDriver& COleDispatchDriver::operator=(LPDISPATCH lpDispatch) {
  if (lpDispatch != m_lpDispatch) AttachDispatch(lpDispatch, TRUE);
  return *this;
}

COleDispatchDriver::~COleDispatchDriver() { ReleaseDispatch(); }

BOOL COleDispatchDriver::CreateDispatch(REFCLSID clsid, HRESULT* phr) {
  ReleaseDispatch();
  LPDISPATCH created = nullptr;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&created));
  if (phr) *phr = hr;
  if (FAILED(hr) || !created) return FALSE;
  AttachDispatch(created, TRUE);
  return TRUE;
}

BOOL COleDispatchDriver::CreateDispatch(LPCTSTR lpszProgID, HRESULT* phr) {
  if (!lpszProgID) {
    if (phr) *phr = E_POINTER;
    return FALSE;
  }
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(lpszProgID, &clsid);
  if (FAILED(hr)) {
    if (phr) *phr = hr;
    return FALSE;
  }
  return CreateDispatch(clsid, phr);
}

void COleDispatchDriver::AttachDispatch(LPDISPATCH lpDispatch, BOOL bAutoRelease) {
  ReleaseDispatch();
  m_lpDispatch = lpDispatch;
  m_bAutoRelease = bAutoRelease;
}

LPDISPATCH COleDispatchDriver::DetachDispatch() {
  LPDISPATCH p = m_lpDispatch;
  m_lpDispatch = nullptr;
  return p;
}

void COleDispatchDriver::ReleaseDispatch() {
  LPDISPATCH p = m_lpDispatch;
  m_lpDispatch = nullptr;
  if (p && m_bAutoRelease) p->Release();
}

void COleDispatchDriver::Invoke(DISPID dwDispID, WORD wFlags, std::vector<VARIANT>& argsLeftToRight, VARIANT* result) {
  std::vector<VARIANT> reversed(argsLeftToRight.rbegin(), argsLeftToRight.rend());
  InvokeReversed(dwDispID, wFlags, reversed.empty() ? nullptr : reversed.data(), reversed.size(), result);
}

void COleDispatchDriver::InvokeReversed(DISPID dwDispID, WORD wFlags, VARIANT* reversed, size_t count,
                                        VARIANT* result) {
  if (result) *result = VARIANT{};
  if (!m_lpDispatch) return;
  // The put value, sent as the named argument, is the one at 0.
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS dp{count == 0 ? nullptr : reversed, nullptr, static_cast<UINT>(count), 0};
  if ((wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && count != 0) {
    dp.rgdispidNamedArgs = &putId;
    dp.cNamedArgs = 1;
  }
  EXCEPINFO excep{};
  UINT argErr = 0;
  VARIANT local{};
  // A result is always asked for: some callees fail a property get without one.
  HRESULT hr = m_lpDispatch->Invoke(dwDispID, IID_NULL, LOCALE_USER_DEFAULT, wFlags, &dp, &local, &excep, &argErr);
  if (FAILED(hr)) {
    VariantClear(&local);
    ThrowDispatchException(hr, &excep);
  }
  if (result) *result = local;  // handed over
  else VariantClear(&local);
}

void COleDispatchDriver::Coerce(VARIANT& arg, bool& owned, VARTYPE vt) {
  if (vt == VT_VARIANT || vt == VT_EMPTY || arg.vt == vt) return;
  VARIANT converted;
  VariantInit(&converted);
  HRESULT hr = VariantChangeType(&converted, &arg, 0, vt);
  if (owned) VariantClear(&arg);
  if (FAILED(hr)) {
    owned = false;
    arg.vt = VT_EMPTY;
    ThrowDispatchException(hr, nullptr);
  }
  arg = converted;
  owned = true;
}

void COleDispatchDriver::InvokeArgs(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, VARIANT* reversed,
                                    size_t count) {
  VARIANT result{};
  InvokeReversed(dwDispID, wFlags, reversed, count, vtRet == VT_EMPTY ? nullptr : &result);
  if (vtRet == VT_EMPTY || !pvRet) {
    VariantClear(&result);
    return;
  }
  if (vtRet == VT_VARIANT) {
    *static_cast<VARIANT*>(pvRet) = result;
    return;
  }
  if (result.vt != vtRet) {
    if (result.vt == VT_EMPTY && !m_lpDispatch) {
      // No object: the result stays empty.
    } else {
      HRESULT hr = VariantChangeType(&result, &result, 0, vtRet);
      if (FAILED(hr)) {
        VariantClear(&result);
        ThrowDispatchException(hr, nullptr);
      }
    }
  }
  bool empty = result.vt == VT_EMPTY;
  switch (vtRet) {
    case VT_I2: *static_cast<short*>(pvRet) = empty ? 0 : result.iVal; break;
    case VT_I4: *static_cast<LONG*>(pvRet) = empty ? 0 : result.lVal; break;
    case VT_UI1: *static_cast<BYTE*>(pvRet) = empty ? 0 : result.bVal; break;
    case VT_UI2: *static_cast<USHORT*>(pvRet) = empty ? 0 : result.uiVal; break;
    case VT_UI4: *static_cast<ULONG*>(pvRet) = empty ? 0 : result.ulVal; break;
    case VT_I8: *static_cast<LONGLONG*>(pvRet) = empty ? 0 : result.llVal; break;
    case VT_R4: *static_cast<float*>(pvRet) = empty ? 0 : result.fltVal; break;
    case VT_R8: *static_cast<double*>(pvRet) = empty ? 0 : result.dblVal; break;
    case VT_DATE: *static_cast<double*>(pvRet) = empty ? 0 : result.date; break;
    case VT_BOOL: *static_cast<BOOL*>(pvRet) = !empty && result.boolVal != VARIANT_FALSE; break;
    case VT_ERROR: *static_cast<SCODE*>(pvRet) = empty ? 0 : result.scode; break;
    case VT_BSTR:
      *static_cast<CString*>(pvRet) = empty ? CString() : tessaly::detail::BstrCString(result.bstrVal);
      break;
    case VT_DISPATCH:
      *static_cast<LPDISPATCH*>(pvRet) = empty ? nullptr : result.pdispVal;
      result.vt = VT_EMPTY;  // the reference goes to the caller
      break;
    case VT_UNKNOWN:
      *static_cast<LPUNKNOWN*>(pvRet) = empty ? nullptr : result.punkVal;
      result.vt = VT_EMPTY;
      break;
    default:
      VariantClear(&result);
      throw COleDispatchException(GenericText(DISP_E_BADVARTYPE), DISP_E_BADVARTYPE);
  }
  VariantClear(&result);
}

// ---- connections -----------------------------------------------------------------------------
namespace {
HRESULT FindPoint(LPUNKNOWN pUnkSrc, REFIID iid, IConnectionPoint** point) {
  if (!pUnkSrc) return E_POINTER;
  CComPtr<IConnectionPointContainer> container;
  HRESULT hr = pUnkSrc->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
  if (FAILED(hr)) return hr;
  return container->FindConnectionPoint(iid, point);
}
}  // namespace

BOOL AfxConnectionAdvise(LPUNKNOWN pUnkSrc, REFIID iid, LPUNKNOWN pUnkSink, BOOL bRefCount, DWORD* pdwCookie) {
  if (!pUnkSink || !pdwCookie) return FALSE;
  CComPtr<IConnectionPoint> point;
  if (FAILED(FindPoint(pUnkSrc, iid, &point))) return FALSE;
  if (FAILED(point->Advise(pUnkSink, pdwCookie))) return FALSE;
  if (!bRefCount) pUnkSink->Release();  // the source's reference is not counted
  return TRUE;
}

BOOL AfxConnectionUnadvise(LPUNKNOWN pUnkSrc, REFIID iid, LPUNKNOWN pUnkSink, BOOL bRefCount, DWORD dwCookie) {
  if (!pUnkSink) return FALSE;
  CComPtr<IConnectionPoint> point;
  if (FAILED(FindPoint(pUnkSrc, iid, &point))) return FALSE;
  // Give back the reference the source is about to release.
  if (!bRefCount) pUnkSink->AddRef();
  if (FAILED(point->Unadvise(dwCookie))) {
    if (!bRefCount) pUnkSink->Release();
    return FALSE;
  }
  return TRUE;
}
