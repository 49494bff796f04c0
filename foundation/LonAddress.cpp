#include "foundation/LonAddress.h"

#include "foundation/XmlArchive.h"

const wchar_t* const CLonAddress::kDefaultAuthKey = L"7D2E94A1C06B";

CLonAddress::CLonAddress() : m_subnet(0), m_node(0), m_domainLengthState(kNotInUse) {
  m_authKey.FromHexText(kDefaultAuthKey, 0);
}

CLonAddress::CLonAddress(const CDomainId& domain, BYTE subnet, BYTE node)
    : m_domain(domain), m_subnet(subnet), m_node(node), m_domainLengthState(static_cast<BYTE>(domain.m_nLength)) {
  m_authKey.FromHexText(kDefaultAuthKey, 0);
}

bool CLonAddress::IsDomainLengthValid() const {
  switch (m_domainLengthState) {
    case 0:
    case 1:
    case 3:
    case 6: return true;
    default: return false;
  }
}

void CLonAddress::SetDomainLengthState(bool inUse) {
  if (!inUse) {
    m_domainLengthState = kNotInUse;
  } else if (!IsDomainLengthValid()) {
    m_domainLengthState = static_cast<BYTE>(m_domain.m_nLength);
  }
}

void CLonAddress::SetDomain(const CDomainId& domain) {
  m_domain = domain;
  m_domainLengthState = static_cast<BYTE>(domain.m_nLength);
}

void CLonAddress::SerializeXml(CXmlArchive& ar) {
  if (ar.IsStoring()) {
    ar.AddTextElement(L"domainID", m_domain.ToHexText());
    ar.AddIntElement(L"subnet", m_subnet);
    ar.AddIntElement(L"node", m_node);
    ar.AddTextElement(L"auth", m_authKey.ToHexText());
    return;
  }
  CString text;
  CDomainId id;
  ar.ReadString(L"domainID", text);
  id.FromHexText(text, 0);
  BYTE subnet = 0;
  BYTE node = 0;
  ar.ReadByte(L"subnet", subnet);
  ar.ReadByte(L"node", node);
  ar.ReadString(L"auth", text);
  CDomainId key;
  key.FromHexText(text, 0);
  // All four were there: only now does the record change.
  SetDomain(id);
  m_subnet = subnet;
  m_node = node;
  SetAuthKey(key);
}
