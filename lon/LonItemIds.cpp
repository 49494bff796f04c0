#include "lon/LonItemIds.h"

#include "lon/KestrumIds.h"
#include "lon/LonDispatch.h"

using namespace kestrum_ids;

CLonAddress ReadDomainAddress(COleDispatchDriver& node, short index) {
  CLonAddress address;
  LPDISPATCH object = nullptr;
  node.GetPropertyWithParams(NODE_DOMAIN, VT_DISPATCH, &object, lon_dispatch::ShortVariant(index));
  COleDispatchDriver domain(object, TRUE);
  if (domain.m_lpDispatch == nullptr) return address;
  CDomainId id;
  id.FromHexText(lon_dispatch::GetText(domain, DOMAIN_ID_TEXT), 0);
  address.SetDomain(id);
  address.SetDomainLengthState(lon_dispatch::GetBool(domain, DOMAIN_IN_USE));
  address.m_subnet = static_cast<BYTE>(lon_dispatch::GetShort(domain, DOMAIN_SUBNET));
  address.m_node = static_cast<BYTE>(lon_dispatch::GetShort(domain, DOMAIN_NODE));
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
