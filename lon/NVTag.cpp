#include "lon/NVTag.h"

#include "lon/CPTag.h"
#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonDispatch.h"
#include "lon/LonHost.h"
#include "lon/LonNode.h"

std::atomic<bool> CNVTag::s_bBrowseSubfields{true};

void SetBrowseSubfields(bool on) {
  CNVTag::s_bBrowseSubfields = on;
  CCPTag::s_bBrowseSubfields = on;
}

CNVTag::CNVTag(CNetworkVariable* nv, short field) : m_pNV(nv), m_nField(field) {}

CNVTag::~CNVTag() = default;

VARTYPE CNVTag::GetCanonicalType() {
  return m_pNV->m_dispatch.GetPropertyWithParams<USHORT>(kestrum::nv::kFieldType, m_nField);
}

DWORD CNVTag::GetAccessRights() {
  bool output = lon_dispatch::GetBool(m_pNV->m_dispatch, kestrum::nv::kIsOutput);
  bool inverts = m_pNV->m_pNode != nullptr && m_pNV->m_pNode->InvertsDirection();
  return output != inverts ? 1 : 3;
}

CString CNVTag::GetItemID() { return LonTagItemID(*m_pNV, m_nField); }

HRESULT CNVTag::ReadValue(VARIANT* out, VARTYPE type) {
  return ReadLonFieldValue(m_pNV->m_dispatch, kestrum::nv::kFieldValue, m_nField, out, type);
}

CString CNVTag::GetDescription() { return m_pNV->GetDescription(); }

void CNVTag::GetTimestamp(FILETIME* out) { GetLonTimestamp(m_pNV->m_dispatch, kestrum::nv::kGetTimestamp, out); }

bool CNVTag::IsBlockedBySelection() {
  return IsMonitorSelectedOnly() && !lon_dispatch::GetBool(m_pNV->m_dispatch, kestrum::nv::kMonitored);
}

bool CNVTag::Refresh(DWORD source) {
  if (IsBlockedBySelection()) {
    m_wQuality = OPC_TAG_QUALITY_BAD_OUT_OF_SERVICE;
    return false;
  }
  WORD quality = RefreshLonQuality(m_pNV->m_dispatch,
                                   source == OPC_TAG_SOURCE_CACHE ? kestrum::nv::kReadCache : kestrum::nv::kReadDevice,
                                   kestrum::nv::kStatus);
  m_wQuality = quality;
  return quality != OPC_TAG_QUALITY_BAD_OUT_OF_SERVICE;
}

bool CNVTag::WriteValue(const VARIANT* value) {
  if (value == nullptr) return false;
  if (IsBlockedBySelection()) return false;
  return m_pNV->WriteValue(*value, m_nField);
}

bool CNVTag::IsBrowseVisible() { return m_nField < 0 || s_bBrowseSubfields.load(); }

bool CNVTag::GetValueRange(double* low, double* high) {
  if (low == nullptr || high == nullptr) return false;
  return m_pNV->m_dispatch.InvokeMethod<bool>(kestrum::nv::kGetValueRange, m_nField, low, high);
}

void CNVTag::Activate() {
  COPCTag::Activate();
  if (m_pNV->Increment()) ++g_nMonitoredDatapoints;
}

void CNVTag::Deactivate() {
  // Only a deactivation this tag owes lowers the proxy's count.
  if (DecrementActiveCount() && m_pNV->Decrement()) --g_nMonitoredDatapoints;
}

void CNVTag::StartMonitoring() {
  CMyCriticalSectionLock lock(m_lock);
  if (m_bMonitored) return;
  if (IsBlockedBySelection()) return;
  m_pNV->AddMonitorRequest();
  m_bMonitored = true;
}

void CNVTag::StopMonitoring() {
  CMyCriticalSectionLock lock(m_lock);
  if (!m_bMonitored) return;
  m_bMonitored = false;
  m_pNV->ReleaseMonitorRequest();
}
