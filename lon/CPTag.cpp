#include "lon/CPTag.h"

#include "interfaces/kestrum/KestrumDispIds.h"
#include "interfaces/opc/OpcError.h"
#include "lon/LonDispatch.h"

std::atomic<bool> CCPTag::s_bBrowseSubfields{true};

WORD QualityFromLonStatus(LONG status) {
  if (status == 0) return OPC_QUALITY_GOOD;
  if (status == 2) return OPC_QUALITY_UNCERTAIN;
  return OPC_QUALITY_OUT_OF_SERVICE;
}

HRESULT ReadLonFieldValue(COleDispatchDriver& point, DISPID valueId, short field, VARIANT* out, VARTYPE type) {
  VARIANT value = point.GetPropertyWithParams<VARIANT>(valueId, static_cast<USHORT>(type), field);
  if (value.vt == type) {
    // Already the type asked for: handed over rather than copied.
    HRESULT hr = VariantClear(out);
    if (FAILED(hr)) {
      VariantClear(&value);
      return hr;
    }
    *out = value;
    return S_OK;
  }
  HRESULT hr = VariantChangeType(out, &value, 0, type);
  VariantClear(&value);
  return hr;
}

void GetLonTimestamp(COleDispatchDriver& point, DISPID timestampId, FILETIME* out) {
  if (out == nullptr) return;
  // The control fills a 64-bit FILETIME through a typed by-reference argument.
  LONGLONG stamp = -1;
  VARIANT ref;
  VariantInit(&ref);
  ref.vt = VT_BYREF | VT_I8;
  ref.pllVal = &stamp;
  point.InvokeMethod(timestampId, ref);
  auto bits = static_cast<ULONGLONG>(stamp);
  out->dwLowDateTime = static_cast<DWORD>(bits & 0xFFFFFFFFu);
  out->dwHighDateTime = static_cast<DWORD>(bits >> 32);
}

WORD RefreshLonQuality(COleDispatchDriver& point, DISPID readId, DISPID statusId) {
  if (!point.InvokeMethod<bool>(readId)) return OPC_QUALITY_OUT_OF_SERVICE;
  return QualityFromLonStatus(lon_dispatch::GetLong(point, statusId));
}

CCPTag::CCPTag(CConfigProperty* cp, short field) : m_nField(field), m_pLink(cp->GetLink()) {}

CCPTag::~CCPTag() = default;

VARTYPE CCPTag::GetCanonicalType() {
  CCpUse cp(*m_pLink);
  if (!cp) return VT_EMPTY;
  return cp->m_dispatch.GetPropertyWithParams<USHORT>(kestrum::cp::kFieldType, m_nField);
}

CString CCPTag::GetItemID() {
  CCpUse cp(*m_pLink);
  return cp ? LonTagItemID(*cp.Get(), m_nField) : CString();
}

HRESULT CCPTag::ReadValue(VARIANT* out, VARTYPE type) {
  CCpUse cp(*m_pLink);
  if (!cp) return OPC_E_UNKNOWNITEMID;
  return ReadLonFieldValue(cp->m_dispatch, kestrum::cp::kFieldValue, m_nField, out, type);
}

CString CCPTag::GetDescription() {
  CCpUse cp(*m_pLink);
  return cp ? cp->GetDescription() : CString();
}

void CCPTag::GetTimestamp(FILETIME* out) {
  CCpUse cp(*m_pLink);
  if (cp) GetLonTimestamp(cp->m_dispatch, kestrum::cp::kGetTimestamp, out);
  else if (out) *out = FILETIME{0xFFFFFFFF, 0xFFFFFFFF};
}

bool CCPTag::Refresh(DWORD source) {
  CCpUse cp(*m_pLink);
  if (!cp) {
    m_wQuality = OPC_TAG_QUALITY_NO_DATA_POINT;
    return false;
  }
  WORD quality = RefreshLonQuality(cp->m_dispatch,
                                   source == OPC_DS_CACHE ? kestrum::cp::kReadCache : kestrum::cp::kReadDevice,
                                   kestrum::cp::kStatus);
  m_wQuality = quality;
  return quality != OPC_QUALITY_OUT_OF_SERVICE;
}

bool CCPTag::WriteValue(const VARIANT* value) {
  if (value == nullptr) return false;
  CCpUse cp(*m_pLink);
  return cp && cp->WriteField(*value, m_nField);
}

bool CCPTag::IsBrowseVisible() { return m_nField < 0 || s_bBrowseSubfields.load(); }

bool CCPTag::GetValueRange(double* low, double* high) {
  if (low == nullptr || high == nullptr) return false;
  CCpUse cp(*m_pLink);
  if (!cp) return false;
  return cp->m_dispatch.InvokeMethod<bool>(kestrum::cp::kGetValueRange, m_nField, low, high);
}

void CCPTag::Activate() {
  CCpUse cp(*m_pLink);
  COPCTag::Activate();
  if (cp && cp->Increment()) ++g_nMonitoredDatapoints;
}

void CCPTag::Deactivate() {
  CCpUse cp(*m_pLink);
  // Only a deactivation this tag owes lowers the proxy's count; a detached CP counts no more.
  if (DecrementActiveCount() && cp && cp->Decrement()) --g_nMonitoredDatapoints;
}
