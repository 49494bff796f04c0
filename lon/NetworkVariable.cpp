#include "lon/NetworkVariable.h"

#include "foundation/TextProtocolEvent.h"
#include "foundation/ProtocolEventsCollector.h"
#include "lon/CookieTable.h"
#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonDispatch.h"
#include "lon/LonHost.h"
#include "lon/LonItemIds.h"
#include "lon/LonNode.h"
#include "lon/LonResources.h"

namespace {
void PostText(std::unique_ptr<CTextProtocolEvent> event) {
  if (g_pProtocolEventsCollector) g_pProtocolEventsCollector->Collect(std::move(event));
}
}  // namespace

CNetworkVariable::CNetworkVariable(const COleDispatchDriver& nv, CLonNode* node)
    : m_dispatch(nv), m_pNode(node), m_pLink(std::make_shared<CDataPointLink<CNetworkVariable>>(this)) {
  m_dwCookie = GetNvCookieTable().Register(this);
  try {
    m_dispatch.SetProperty(kestrum::nv::kCookie, VT_UI4, static_cast<ULONG>(m_dwCookie));
    CLonAddress address;
    if (m_pNode != nullptr) address = m_pNode->GetDomainAddress(0);
    short index = lon_dispatch::GetShort(m_dispatch, kestrum::nv::kIndex);
    m_strItemId = FormatNvItemId(address, index);
    for (COleDispatchDriver& cp : lon_dispatch::GetCollection(m_dispatch, kestrum::nv::kCps)) {
      short cpIndex = lon_dispatch::GetShort(cp, kestrum::cp::kIndex);
      m_cps.push_back(new CConfigProperty(cp, FormatNvCpItemId(address, index, cpIndex)));
    }
  } catch (...) {
    for (CConfigProperty* cp : m_cps) delete cp;
    GetNvCookieTable().Unregister(m_dwCookie);
    throw;
  }
}

CNetworkVariable::~CNetworkVariable() {
  DetachLinks();
  GetNvCookieTable().Unregister(m_dwCookie);
  for (CConfigProperty* cp : m_cps) delete cp;
  m_cps.clear();
  m_dispatch.ReleaseDispatch();
}

void CNetworkVariable::DetachLinks() {
  m_pLink->Detach();
  for (CConfigProperty* cp : m_cps) cp->DetachLink();
}

CNetworkVariable* CNetworkVariable::FromCookie(DWORD cookie) {
  return static_cast<CNetworkVariable*>(GetNvCookieTable().Lookup(cookie));
}

CString CNetworkVariable::GetDescription() { return lon_dispatch::GetText(m_dispatch, kestrum::nv::kDescription); }

bool CNetworkVariable::SetDescription(const CString& text) {
  try {
    m_dispatch.SetProperty(kestrum::nv::kDescription, VT_BSTR, text);
    return true;
  } catch (const COleDispatchException& e) {
    e.ReportError();
    return false;
  }
}

CString CNetworkVariable::GetName() { return lon_dispatch::GetText(m_dispatch, kestrum::nv::kName); }
CString CNetworkVariable::GetTypeName() { return lon_dispatch::GetText(m_dispatch, kestrum::nv::kTypeName); }

CString CNetworkVariable::GetValueText(short field) {
  if (field == -1) return lon_dispatch::GetText(m_dispatch, kestrum::nv::kValueText);
  VARIANT value = GetFieldValue(VT_BSTR, field);
  CString text;
  if (value.vt == VT_BSTR) text = CString(tessaly::BstrToString(value.bstrVal).c_str());
  VariantClear(&value);
  return text;
}

VARIANT CNetworkVariable::GetFieldValue(VARTYPE vt, short field) {
  return m_dispatch.GetPropertyWithParams<VARIANT>(kestrum::nv::kFieldValue, static_cast<USHORT>(vt), field);
}

CString CNetworkVariable::GetMemberName(short field) {
  return m_dispatch.GetPropertyWithParams<CString>(kestrum::nv::kMemberName, field);
}

void CNetworkVariable::SetFieldType(short field, VARTYPE vt) {
  m_dispatch.SetPropertyWithParams(kestrum::nv::kFieldType, field, static_cast<USHORT>(vt));
}

USHORT CNetworkVariable::GetFieldCount() {
  COleDispatchDriver fields = lon_dispatch::GetObject(m_dispatch, kestrum::nv::kType);
  if (fields.m_lpDispatch == nullptr) return 0;
  USHORT count = 0;
  fields.GetProperty(kestrum::type::kFieldCount, VT_UI2, &count);
  return count;
}

bool CNetworkVariable::IsWritable() {
  bool output = lon_dispatch::GetBool(m_dispatch, kestrum::nv::kIsOutput);
  if (m_pNode != nullptr && m_pNode->InvertsDirection()) return output;
  return !output;
}

CString CNetworkVariable::GetDisplayName() {
  CString name = m_strItemId + L", ";
  if (m_pNode != nullptr) name += m_pNode->GetNeuronIdText();
  return name;
}

bool CNetworkVariable::WriteValue(const VARIANT& value, short field) {
  RegisterLonResources();
  try {
    m_dispatch.InvokeMethod<short>(kestrum::nv::kWriteValue, value, field);
  } catch (const COleDispatchException& e) {
    if (IsLonProtocolEnabled(LON_PROTOCOL_NV))
      PostText(CTextProtocolEvent::CreateFormatted(IDS_WRITE_FAILED, GetDisplayName(), e.m_strDescription.Left(255)));
    return false;
  }
  if (IsLonProtocolEnabled(LON_PROTOCOL_NV))
    PostText(CTextProtocolEvent::CreateFormatted(IDS_WRITE_SUCCEEDED, GetDisplayName()));
  return true;
}

bool CNetworkVariable::Write() {
  RegisterLonResources();
  LONG result = 0;
  try {
    result = m_dispatch.InvokeMethod<LONG>(kestrum::nv::kWrite, short(-1));
  } catch (const COleDispatchException& e) {
    if (IsLonProtocolEnabled(LON_PROTOCOL_NV))
      PostText(CTextProtocolEvent::CreateFormatted(IDS_WRITE_FAILED, GetDisplayName(), e.m_strDescription.Left(255)));
    e.ReportError();
    return false;
  }
  if (result != 0) return false;
  if (IsLonProtocolEnabled(LON_PROTOCOL_NV))
    PostText(CTextProtocolEvent::CreateFormatted(IDS_WRITE_SUCCEEDED, GetDisplayName()));
  return true;
}

void CNetworkVariable::AddMonitorRequest() {
  CMyCriticalSectionLock lock(m_monitorLock);
  if (m_nMonitorCount.load() == 0) m_dispatch.SetProperty(kestrum::nv::kMonitorCookie, VT_I4, static_cast<LONG>(m_dwCookie));
  ++m_nMonitorCount;
}

bool CNetworkVariable::ReleaseMonitorRequest() {
  CMyCriticalSectionLock lock(m_monitorLock);
  int count = m_nMonitorCount.load();
  if (count <= 0) {
    m_nMonitorCount = 0;
    return false;
  }
  m_nMonitorCount = count - 1;
  if (count == 1) m_dispatch.SetProperty(kestrum::nv::kMonitorCookie, VT_I4, LONG(0));
  return true;
}
