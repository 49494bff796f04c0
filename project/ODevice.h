// The device record of older project files (.tdb): the network interface, the database path,
// two domain addresses and, in its tag-group part, the root name. It is read from the binary
// archive and has an XML form of its interface and domains.
#pragma once

#include <cstddef>

#include "foundation/LonAddress.h"
#include "project/OTagGroup.h"

class CXmlArchive;

class ODevice : public OTagGroup {
 public:
  ODevice();

  static const CRuntimeClass classODevice;  // "ODevice", VERSIONABLE_SCHEMA | 1

  // Loading: its own items, the class reference of "OTagGroup", then the tag-group part.
  void Serialize(CArchive& ar) override;
  void SerializeXml(CXmlArchive& ar);

  // Index 0 or 1 (subnet and node cut to their low bytes); any other index a default address.
  void GetDomain(int index, CLonAddress& address) const;
  // Index 0 or 1; other indexes change nothing.
  void SetDomain(int index, const CLonAddress& address);

  CString GetChannel() const { return m_strChannel; }
  CString GetPort() const { return m_strPort; }
  CString GetDbPath() const { return m_strDbPath; }

  CString m_strChannel;
  CString m_strPort;
  int m_nDbMode = 0;  // stored in neither form
  CString m_strDbPath;
  CString m_strDomainId0;
  CString m_strDomainId1;
  CString m_strExtra2;
  WORD m_wNode0 = 0;
  WORD m_wNode1 = 0;
  WORD m_wSubnet0 = 0;
  WORD m_wSubnet1 = 0;
};

// The document's class as older files name it: "CDoc", VERSIONABLE_SCHEMA | 1.
extern const CRuntimeClass g_classCDoc;
// Enters the three classes of older files (once).
void RegisterLegacyClasses();

// A whole older project file: the document's class and version, the device's class and the
// device. Raises CArchiveException for a short or foreign file; `device` is then partly read.
void ReadLegacyProject(CArchive& ar, ODevice& device);
// The same over bytes in memory (the file's contents); false when they are no project.
bool LoadLegacyProject(const BYTE* data, size_t size, ODevice& device);
