#include "lon/LonItemIds.h"

#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonDispatch.h"

CLonAddress ReadDomainAddress(COleDispatchDriver& node, short index) {
  CLonAddress address;
  LPDISPATCH object = nullptr;
  node.GetPropertyWithParams(kestrum::node::kDomain, VT_DISPATCH, &object, lon_dispatch::ShortVariant(index));
  COleDispatchDriver domain(object, TRUE);
  if (domain.m_lpDispatch == nullptr) return address;
  CDomainId id;
  id.FromHexText(lon_dispatch::GetText(domain, kestrum::domain::kId), 0);
  address.SetDomain(id);
  address.SetDomainLengthState(lon_dispatch::GetBool(domain, kestrum::domain::kInUse));
  address.m_subnet = static_cast<BYTE>(lon_dispatch::GetShort(domain, kestrum::domain::kSubnet));
  address.m_node = static_cast<BYTE>(lon_dispatch::GetShort(domain, kestrum::domain::kNode));
  return address;
}

CString DomainText(const CLonAddress& address) { return address.m_domain.ToHexText(); }

CString FormatNvItemId(const CLonAddress& address, int nvIndex) {
  CString id;
  id.Format(L"%s.%d.%d.%d", DomainText(address), static_cast<int>(address.m_subnet), static_cast<int>(address.m_node),
            nvIndex);
  return id;
}

CString FormatNvCpItemId(const CLonAddress& address, int nvIndex, int cpIndex) {
  CString id;
  id.Format(L"%s.%d.%d.%d.%d", DomainText(address), static_cast<int>(address.m_subnet),
            static_cast<int>(address.m_node), nvIndex, cpIndex);
  return id;
}

CString FormatBlockCpItemId(const CLonAddress& address, int blockIndex, int cpIndex) {
  CString id;
  id.Format(L"%s.%d.%d.O%d.%d", DomainText(address), static_cast<int>(address.m_subnet),
            static_cast<int>(address.m_node), blockIndex, cpIndex);
  return id;
}

CString FormatNodeCpItemId(const CLonAddress& address, int nvCount, int cpIndex) {
  return FormatNvItemId(address, nvCount + cpIndex);
}
