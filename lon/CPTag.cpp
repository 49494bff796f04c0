#include "lon/CPTag.h"

#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonDispatch.h"

std::atomic<bool> CCPTag::s_bBrowseSubfields{true};

WORD QualityFromLonStatus(LONG status) {
  if (status == 0) return OPC_TAG_QUALITY_GOOD;
  if (status == 2) return OPC_TAG_QUALITY_UNCERTAIN;
  return OPC_TAG_QUALITY_BAD_OUT_OF_SERVICE;
}

CCPTag::CCPTag(CConfigProperty* cp, short field) : m_pCP(cp), m_nField(field) {}

CCPTag::~CCPTag() = default;

VARTYPE CCPTag::GetCanonicalType() {
  return m_pCP->m_dispatch.GetPropertyWithParams<USHORT>(kestrum::cp::kFieldType, m_nField);
}

CString CCPTag::GetItemID() {
  CString id = m_pCP->GetDescription();
  if (id.IsEmpty()) id = m_pCP->GetItemID() + L" " + m_pCP->GetName();
  if (m_nField >= 0) id += L"__" + m_pCP->GetMemberName(m_nField);
  return id;
}

HRESULT CCPTag::ReadValue(VARIANT* out, VARTYPE type) {
  VARIANT value = m_pCP->m_dispatch.GetPropertyWithParams<VARIANT>(kestrum::cp::kFieldValue, static_cast<USHORT>(type), m_nField);
  HRESULT hr = VariantChangeType(out, &value, 0, type);
  VariantClear(&value);
  return hr;
}

CString CCPTag::GetDescription() { return m_pCP->GetDescription(); }

void CCPTag::GetTimestamp(FILETIME* out) {
  if (out == nullptr) return;
  LONGLONG stamp = -1;
  VARIANT ref;
  VariantInit(&ref);
  ref.vt = VT_BYREF | VT_I8;
  ref.pllVal = &stamp;
  m_pCP->m_dispatch.InvokeMethod(kestrum::cp::kGetTimestamp, ref);
  auto bits = static_cast<ULONGLONG>(stamp);
  out->dwLowDateTime = static_cast<DWORD>(bits & 0xFFFFFFFFu);
  out->dwHighDateTime = static_cast<DWORD>(bits >> 32);
}

bool CCPTag::Refresh(DWORD source) {
  bool read = m_pCP->m_dispatch.InvokeMethod<bool>(source == OPC_TAG_SOURCE_CACHE ? kestrum::cp::kReadCache : kestrum::cp::kReadDevice);
  if (!read) {
    m_wQuality = OPC_TAG_QUALITY_BAD_OUT_OF_SERVICE;
    return false;
  }
  WORD quality = QualityFromLonStatus(lon_dispatch::GetLong(m_pCP->m_dispatch, kestrum::cp::kStatus));
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
