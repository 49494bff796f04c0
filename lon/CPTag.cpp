#include "lon/CPTag.h"

#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonDispatch.h"

std::atomic<bool> CCPTag::s_bBrowseSubfields{true};

WORD QualityFromLonStatus(LONG status) {
  if (status == 0) return OPC_TAG_QUALITY_GOOD;
  if (status == 2) return OPC_TAG_QUALITY_UNCERTAIN;
  return OPC_TAG_QUALITY_BAD_OUT_OF_SERVICE;
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
  if (!point.InvokeMethod<bool>(readId)) return OPC_TAG_QUALITY_BAD_OUT_OF_SERVICE;
  return QualityFromLonStatus(lon_dispatch::GetLong(point, statusId));
}

CCPTag::CCPTag(CConfigProperty* cp, short field) : m_pCP(cp), m_nField(field) {}

CCPTag::~CCPTag() = default;

VARTYPE CCPTag::GetCanonicalType() {
  return m_pCP->m_dispatch.GetPropertyWithParams<USHORT>(kestrum::cp::kFieldType, m_nField);
}

CString CCPTag::GetItemID() { return LonTagItemID(*m_pCP, m_nField); }

HRESULT CCPTag::ReadValue(VARIANT* out, VARTYPE type) {
  return ReadLonFieldValue(m_pCP->m_dispatch, kestrum::cp::kFieldValue, m_nField, out, type);
}

CString CCPTag::GetDescription() { return m_pCP->GetDescription(); }

void CCPTag::GetTimestamp(FILETIME* out) { GetLonTimestamp(m_pCP->m_dispatch, kestrum::cp::kGetTimestamp, out); }

bool CCPTag::Refresh(DWORD source) {
  WORD quality = RefreshLonQuality(m_pCP->m_dispatch,
                                   source == OPC_TAG_SOURCE_CACHE ? kestrum::cp::kReadCache : kestrum::cp::kReadDevice,
                                   kestrum::cp::kStatus);
  m_wQuality = quality;
  return quality != OPC_TAG_QUALITY_BAD_OUT_OF_SERVICE;
}

bool CCPTag::WriteValue(const VARIANT* value) {
  if (value == nullptr) return false;
  return m_pCP->WriteField(*value, m_nField);
}

bool CCPTag::IsBrowseVisible() { return m_nField < 0 || s_bBrowseSubfields.load(); }

bool CCPTag::GetValueRange(double* low, double* high) {
  if (low == nullptr || high == nullptr) return false;
  return m_pCP->m_dispatch.InvokeMethod<bool>(kestrum::cp::kGetValueRange, m_nField, low, high);
}

void CCPTag::Activate() {
  COPCTag::Activate();
  if (m_pCP->Increment()) ++g_nMonitoredDatapoints;
}

void CCPTag::Deactivate() {
  // Only a deactivation this tag owes lowers the proxy's count.
  if (DecrementActiveCount() && m_pCP->Decrement()) --g_nMonitoredDatapoints;
}
