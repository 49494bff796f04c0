#include "project/testing/LegacyProjectWriter.h"

#include "platform/afx/Archive.h"
#include "project/ODevice.h"

namespace {
void AppendLength(std::vector<BYTE>& out, size_t length) {
  auto put16 = [&](WORD v) {
    out.push_back(static_cast<BYTE>(v));
    out.push_back(static_cast<BYTE>(v >> 8));
  };
  if (length < 0xFF) {
    out.push_back(static_cast<BYTE>(length));
  } else if (length < 0xFFFE) {
    out.push_back(0xFF);
    put16(static_cast<WORD>(length));
  } else {
    out.push_back(0xFF);
    put16(0xFFFF);
    put16(static_cast<WORD>(length));
    put16(static_cast<WORD>(length >> 16));
  }
}
}  // namespace

std::vector<BYTE> AnsiArchiveString(const std::string& bytes) {
  std::vector<BYTE> out;
  AppendLength(out, bytes.size());
  out.insert(out.end(), bytes.begin(), bytes.end());
  return out;
}

std::vector<BYTE> UnicodeArchiveString(const std::u16string& units) {
  std::vector<BYTE> out{0xFF, 0xFE, 0xFF};
  AppendLength(out, units.size());
  for (char16_t unit : units) {
    out.push_back(static_cast<BYTE>(unit));
    out.push_back(static_cast<BYTE>(unit >> 8));
  }
  return out;
}

std::vector<BYTE> WriteLegacyProject(const CLegacyProjectFields& f) {
  RegisterLegacyClasses();
  CArchive ar;
  ar.WriteClass(&g_classCDoc);
  ar << static_cast<WORD>(1);
  ar.WriteClass(&ODevice::classODevice);
  ar << f.channel << f.port << f.skipped << f.dbPath << f.domainId0 << f.domainId1;
  ar << f.node0 << f.node1 << f.subnet0 << f.subnet1 << f.extra2;
  switch (f.groupClass) {
    case CLegacyProjectFields::GroupClass::kNew: ar.WriteClass(&OTagGroup::classOTagGroup); break;
    case CLegacyProjectFields::GroupClass::kBackToDevice: ar.WriteClass(&ODevice::classODevice); break;
    case CLegacyProjectFields::GroupClass::kBackToDocument: ar.WriteClass(&g_classCDoc); break;
  }
  ar << f.value1;
  if (f.rawName)
    ar.Write(f.rawName->data(), f.rawName->size());
  else
    ar << f.name;
  ar << f.extra << f.value2;
  return ar.GetStoredBytes();
}
