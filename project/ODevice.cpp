#include "project/ODevice.h"

#include <mutex>

#include "foundation/XmlArchive.h"
#include "project/ProjectResource.h"

const CRuntimeClass ODevice::classODevice = {"ODevice", VERSIONABLE_SCHEMA | 1, &OTagGroup::classOTagGroup};
const CRuntimeClass g_classCDoc = {"CDoc", VERSIONABLE_SCHEMA | 1, nullptr};

void RegisterLegacyClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    AfxRegisterRuntimeClass(&g_classCDoc);
    AfxRegisterRuntimeClass(&OTagGroup::classOTagGroup);
    AfxRegisterRuntimeClass(&ODevice::classODevice);
  });
}

ODevice::ODevice() {
  RegisterProjectStrings();
  CString name;
  if (name.LoadString(nullptr, IDS_ROOT_NAME)) m_strName = name;
}

void ODevice::Serialize(CArchive& ar) {
  if (!ar.IsLoading()) return;
  CString skipped;
  ar >> m_strChannel >> m_strPort >> skipped >> m_strDbPath >> m_strDomainId0 >> m_strDomainId1;
  ar >> m_wNode0 >> m_wNode1 >> m_wSubnet0 >> m_wSubnet1 >> m_strExtra2;
  ar.ReadClass(&OTagGroup::classOTagGroup);
  OTagGroup::Serialize(ar);
}

void ODevice::GetDomain(int index, CLonAddress& address) const {
  address = CLonAddress();
  if (index != 0 && index != 1) return;
  CDomainId id;
  id.FromHexText(index == 0 ? m_strDomainId0 : m_strDomainId1, 0);
  address.SetDomain(id);
  address.m_subnet = static_cast<BYTE>(index == 0 ? m_wSubnet0 : m_wSubnet1);
  address.m_node = static_cast<BYTE>(index == 0 ? m_wNode0 : m_wNode1);
}

void ODevice::SetDomain(int index, const CLonAddress& address) {
  if (index == 0) {
    m_strDomainId0 = address.GetDomain().ToHexText();
    m_wSubnet0 = address.m_subnet;
    m_wNode0 = address.m_node;
  } else if (index == 1) {
    m_strDomainId1 = address.GetDomain().ToHexText();
    m_wSubnet1 = address.m_subnet;
    m_wNode1 = address.m_node;
  }
}

void ODevice::SerializeXml(CXmlArchive& ar) {
  if (ar.IsStoring()) {
    ar.AddElement(L"network_interface");
    ar.AddTextElement(L"channel", m_strChannel);
    ar.AddTextElement(L"port", m_strPort);
    for (int i = 0; i < 2; ++i) {
      TiXmlElement* domain = ar.AddElement(L"domain");
      domain->SetAttribute("index", i);
      CLonAddress address;
      GetDomain(i, address);
      address.SerializeXml(ar);
      ar.LeaveElementStoring();
    }
    ar.LeaveElementStoring();
    ar.AddComment(L"Projekt mode, enum string={auto, simulate, uploadAll, uploadNew}");
    ar.AddTextElement(L"dbmode", L"");
    ar.AddComment(L"database path");
    ar.AddTextElement(L"dbpath", m_strDbPath);
    ar.AddComment(L"name of the root element");
    ar.AddTextElement(L"rootname", m_strName);
    return;
  }
  ar.EnterElement(L"network_interface");
  ar.ReadString(L"channel", m_strChannel);
  ar.ReadString(L"port", m_strPort);
  for (int n = 0; ar.EnterElementAt(L"domain", n) != nullptr; ++n) {
    int index = 0;
    if (ar.GetCurrent()->ToElement()->QueryIntAttribute("index", &index) != TIXML_SUCCESS)
      AfxThrowArchiveException(CArchiveException::badIndex);
    CLonAddress address;
    address.SerializeXml(ar);
    SetDomain(index, address);
    ar.LeaveElementLoading();
  }
  ar.LeaveElementLoading();
  CString ignored;
  ar.ReadString(L"dbmode", ignored);
  ar.ReadString(L"dbpath", m_strDbPath);
  ar.ReadString(L"rootname", m_strName);
}

void ReadLegacyProject(CArchive& ar, ODevice& device) {
  RegisterLegacyClasses();
  ar.ReadClass(&g_classCDoc);
  WORD version = 0;
  ar >> version;  // written as 1, never looked at
  ar.ReadClass(&ODevice::classODevice);
  device.Serialize(ar);
}

bool LoadLegacyProject(const BYTE* data, size_t size, ODevice& device) {
  try {
    CArchive ar(data, size);
    ReadLegacyProject(ar, device);
    return true;
  } catch (const CArchiveException&) {
    return false;
  }
}
