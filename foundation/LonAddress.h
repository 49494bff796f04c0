// One LON domain address: the domain ID with its length, subnet and node, whether the domain is
// in use (255 not, else the domain length) and the domain's authentication key.
#pragma once

#include "foundation/DomainId.h"

class CXmlArchive;

class CLonAddress {
 public:
  static constexpr BYTE kNotInUse = 255;
  static const wchar_t* const kDefaultAuthKey;  // 12 hex digits

  CLonAddress();
  CLonAddress(const CDomainId& domain, BYTE subnet, BYTE node);

  bool IsDomainLengthValid() const;
  void SetDomainLengthState(bool inUse);
  void SetDomain(const CDomainId& domain);
  void SetAuthKey(const CDomainId& key) { m_authKey = key; }
  void CopyFrom(const CLonAddress& other) { *this = other; }
  CDomainId GetDomain() const { return m_domain; }
  CDomainId GetAuthKey() const { return m_authKey; }

  // "domainID", "subnet", "node", "auth" inside the caller's element; loading needs all four
  // (cause 5 otherwise) and sets the in-use state to the length of the domain ID read.
  void SerializeXml(CXmlArchive& ar);

  CDomainId m_domain;
  BYTE m_subnet;
  BYTE m_node;
  BYTE m_domainLengthState;
  CDomainId m_authKey;
};
