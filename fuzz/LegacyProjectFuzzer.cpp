// Older project records (.tdb): any bytes load or are refused without reading past the end. A
// record that loaded, written again by the test writer, loads to the same fields, and no
// shorter cut of that record loads; its XML form, stored, loads to a device that stores the
// same XML again (but for the characters no XML file keeps).
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/XmlArchive.h"
#include "fuzz/FuzzSupport.h"
#include "project/ODevice.h"
#include "project/testing/LegacyProjectWriter.h"

namespace {

std::vector<std::wstring> Fields(const ODevice& d) {
  auto n = [](int value) { return std::to_wstring(value); };
  return {d.m_strChannel.wstr(), d.m_strPort.wstr(),    d.m_strDbPath.wstr(), d.m_strDomainId0.wstr(),
          d.m_strDomainId1.wstr(), n(d.m_wNode0),       n(d.m_wNode1),        n(d.m_wSubnet0),
          n(d.m_wSubnet1),         d.m_strExtra2.wstr(), n(d.m_wValue1),      d.m_strName.wstr(),
          d.m_strExtra.wstr(),     n(d.m_wValue2),      n(d.m_nDbMode)};
}

CLegacyProjectFields FieldsToWrite(const ODevice& d) {
  CLegacyProjectFields f;
  f.channel = d.m_strChannel;
  f.port = d.m_strPort;
  f.dbPath = d.m_strDbPath;
  f.domainId0 = d.m_strDomainId0;
  f.domainId1 = d.m_strDomainId1;
  f.node0 = d.m_wNode0;
  f.node1 = d.m_wNode1;
  f.subnet0 = d.m_wSubnet0;
  f.subnet1 = d.m_wSubnet1;
  f.extra2 = d.m_strExtra2;
  f.value1 = d.m_wValue1;
  f.name = d.m_strName;
  f.extra = d.m_strExtra;
  f.value2 = d.m_wValue2;
  return f;
}

// TinyXML skips U+FEFF, U+FFFE and U+FFFF wherever it reads, taking them for byte-order marks;
// no XML file keeps them.
void DropMarks(CString& text) {
  std::wstring kept;
  for (wchar_t c : text.wstr())
    if (c != 0xFEFF && c != 0xFFFE && c != 0xFFFF) kept += c;
  text = kept;
}

std::string StoreXml(ODevice& d) {
  const std::string path = tessaly::fuzz::Folder() + "/device.xml";
  CXmlArchive ar(CString(std::filesystem::path(path).wstring()), CXmlArchive::store);
  ar.AddElement(L"device");
  d.SerializeXml(ar);
  ar.LeaveElementStoring();
  FUZZ_CHECK(ar.Save());
  return tessaly::fuzz::ReadFile(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The bytes on the heap at their exact size, so that a read past the end is caught.
  const std::vector<BYTE> bytes(data, data + size);
  ODevice device;
  if (!LoadLegacyProject(bytes.data(), bytes.size(), device)) return 0;

  const std::vector<BYTE> rewritten = WriteLegacyProject(FieldsToWrite(device));
  ODevice again;
  FUZZ_CHECK(LoadLegacyProject(rewritten.data(), rewritten.size(), again));
  FUZZ_CHECK(Fields(again) == Fields(device));
  for (size_t cut : {rewritten.size() - 1, rewritten.size() / 2}) {
    const std::vector<BYTE> part(rewritten.begin(), rewritten.begin() + static_cast<std::ptrdiff_t>(cut));
    ODevice shorter;
    FUZZ_CHECK(!LoadLegacyProject(part.data(), part.size(), shorter));
  }

  for (CString* text : {&device.m_strChannel, &device.m_strPort, &device.m_strDbPath, &device.m_strName}) DropMarks(*text);
  const std::string xml = StoreXml(device);
  ODevice fromXml;
  try {
    CXmlArchive ar(xml);
    ar.EnterElement(L"device");
    fromXml.SerializeXml(ar);
  } catch (const CArchiveException&) {
    FUZZ_CHECK(false);  // what the device stored loads again
  }
  FUZZ_CHECK(StoreXml(fromXml) == xml);
  return 0;
}
