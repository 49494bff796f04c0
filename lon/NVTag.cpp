#include "lon/NVTag.h"

#include "lon/CPTag.h"
#include "interfaces/kestrum/KestrumDispIds.h"
#include "interfaces/opc/OpcError.h"
#include "lon/LonDispatch.h"
#include "lon/LonHost.h"
#include "lon/LonNode.h"

std::atomic<bool> CNVTag::s_bBrowseSubfields{true};

void SetBrowseSubfields(bool on) {
  CNVTag::s_bBrowseSubfields = on;
  CCPTag::s_bBrowseSubfields = on;
}

CNVTag::CNVTag(CNetworkVariable* nv, short field) : m_nField(field), m_pLink(nv->GetLink()) {}

CNVTag::~CNVTag() = default;

VARTYPE CNVTag::GetCanonicalType() {
  CNvUse nv(*m_pLink);
  if (!nv) return VT_EMPTY;
  return nv->m_dispatch.GetPropertyWithParams<USHORT>(kestrum::nv::kFieldType, m_nField);
}

DWORD CNVTag::GetAccessRights() {
  CNvUse nv(*m_pLink);
  if (!nv) return OPC_READABLE;
  bool output = lon_dispatch::GetBool(nv->m_dispatch, kestrum::nv::kIsOutput);
  bool inverts = nv->m_pNode != nullptr && nv->m_pNode->InvertsDirection();
  return output != inverts ? OPC_READABLE : OPC_READABLE | OPC_WRITEABLE;
}

CString CNVTag::GetItemID() {
  CNvUse nv(*m_pLink);
  return nv ? LonTagItemID(*nv.Get(), m_nField) : CString();
}

HRESULT CNVTag::ReadValue(VARIANT* out, VARTYPE type) {
  CNvUse nv(*m_pLink);
  if (!nv) return OPC_E_UNKNOWNITEMID;
  return ReadLonFieldValue(nv->m_dispatch, kestrum::nv::kFieldValue, m_nField, out, type);
}

CString CNVTag::GetDescription() {
  CNvUse nv(*m_pLink);
  return nv ? nv->GetDescription() : CString();
}

void CNVTag::GetTimestamp(FILETIME* out) {
  CNvUse nv(*m_pLink);
  if (nv) GetLonTimestamp(nv->m_dispatch, kestrum::nv::kGetTimestamp, out);
  else if (out) *out = FILETIME{0xFFFFFFFF, 0xFFFFFFFF};
}

bool CNVTag::IsBlockedBySelection(CNetworkVariable& nv) {
  return IsMonitorSelectedOnly() && !lon_dispatch::GetBool(nv.m_dispatch, kestrum::nv::kMonitored);
}

bool CNVTag::Refresh(DWORD source) {
  CNvUse nv(*m_pLink);
  if (!nv) {
    m_wQuality = OPC_TAG_QUALITY_NO_DATA_POINT;
    return false;
  }
  if (IsBlockedBySelection(*nv.Get())) {
    m_wQuality = OPC_QUALITY_OUT_OF_SERVICE;
    return false;
  }
  WORD quality = RefreshLonQuality(nv->m_dispatch,
                                   source == OPC_DS_CACHE ? kestrum::nv::kReadCache : kestrum::nv::kReadDevice,
                                   kestrum::nv::kStatus);
  m_wQuality = quality;
  return quality != OPC_QUALITY_OUT_OF_SERVICE;
}

bool CNVTag::WriteValue(const VARIANT* value) {
  if (value == nullptr) return false;
  CNvUse nv(*m_pLink);
  if (!nv || IsBlockedBySelection(*nv.Get())) return false;
  return nv->WriteValue(*value, m_nField);
}

bool CNVTag::IsBrowseVisible() { return m_nField < 0 || s_bBrowseSubfields.load(); }

bool CNVTag::GetValueRange(double* low, double* high) {
  if (low == nullptr || high == nullptr) return false;
  CNvUse nv(*m_pLink);
  if (!nv) return false;
  return nv->m_dispatch.InvokeMethod<bool>(kestrum::nv::kGetValueRange, m_nField, low, high);
}

void CNVTag::Activate() {
  CNvUse nv(*m_pLink);
  COPCTag::Activate();
  if (nv && nv->Increment()) ++g_nMonitoredDatapoints;
}

void CNVTag::Deactivate() {
  CNvUse nv(*m_pLink);
  // Only a deactivation this tag owes lowers the proxy's count; a detached NV counts no more.
  if (DecrementActiveCount() && nv && nv->Decrement()) --g_nMonitoredDatapoints;
}

void CNVTag::StartMonitoring() {
  CNvUse nv(*m_pLink);
  if (m_bMonitored || !nv) return;
  if (IsBlockedBySelection(*nv.Get())) return;
  nv->AddMonitorRequest();
  m_bMonitored = true;
}

void CNVTag::StopMonitoring() {
  CNvUse nv(*m_pLink);
  if (!m_bMonitored) return;
  m_bMonitored = false;
  // The control forgets a deleted device's monitoring with it.
  if (nv) nv->ReleaseMonitorRequest();
}
