#include "opcserver/OpcServerInstances.h"

#include <mutex>

#include "platform/win32/Resources.h"

const CLSID g_opcServerInstanceClsids[kOpcServerInstanceCount] = {
    {0xBAECE3C5, 0x4EC5, 0x4828, {0xBD, 0x63, 0x11, 0x33, 0x91, 0xD5, 0x3E, 0xB6}},
    {0x6C766647, 0x735C, 0x4695, {0xB1, 0xAC, 0xBF, 0x80, 0xF9, 0xF7, 0xCE, 0x71}},
    {0x28687901, 0x728A, 0x4653, {0xBB, 0xF5, 0xB4, 0x1A, 0xD4, 0x7F, 0x92, 0xC5}},
    {0x5A809458, 0x4327, 0x4713, {0x92, 0xF2, 0x97, 0x28, 0xFA, 0xE5, 0x03, 0x3F}},
    {0x6097E5FD, 0x6A58, 0x4B5C, {0xBC, 0x78, 0x02, 0xD1, 0xCB, 0xFF, 0x19, 0x83}},
    {0xE50DA322, 0xB169, 0x4977, {0xB0, 0xEC, 0xDE, 0x8A, 0xAA, 0x22, 0x0C, 0xD3}},
    {0xBB51EB90, 0x70D1, 0x4AF4, {0xB6, 0xB5, 0xE6, 0x2A, 0xF5, 0xC1, 0x10, 0x36}},
    {0x7F853774, 0xDB31, 0x48EA, {0x8B, 0x19, 0x55, 0x87, 0x40, 0x65, 0x65, 0x50}},
    {0xC51F15E2, 0xC432, 0x4E5C, {0x8C, 0x85, 0x70, 0x76, 0x95, 0xC7, 0x28, 0xBB}},
    {0x255C0A81, 0x1ABC, 0x4C9D, {0xA8, 0x86, 0x30, 0xCB, 0x69, 0xBF, 0x42, 0x09}},
    {0x6FC4744A, 0xAC60, 0x4EC0, {0xB9, 0x12, 0x9E, 0x93, 0xC7, 0xA5, 0x53, 0xBD}},
    {0x65ECFCB2, 0x3845, 0x467E, {0xB3, 0x39, 0x5C, 0xE3, 0x5E, 0x4B, 0x24, 0xCC}},
    {0xEF608207, 0x865A, 0x46F1, {0x8C, 0x7A, 0x2C, 0xEE, 0xE8, 0xDB, 0xD8, 0xE7}},
    {0x871CD171, 0xCB29, 0x42BF, {0x8E, 0xCC, 0x32, 0xFB, 0x36, 0x8D, 0x1F, 0x1C}},
    {0xC2006A04, 0x0AEE, 0x4CB7, {0xBC, 0x53, 0x81, 0xCB, 0xAD, 0x95, 0xB7, 0xE4}},
    {0x041329D9, 0x8C98, 0x451F, {0x80, 0x12, 0x75, 0xE6, 0x6B, 0xF9, 0x9A, 0x65}},
    {0x6ECF00BC, 0x98FE, 0x4517, {0x8C, 0xAD, 0xF2, 0xF0, 0xBB, 0x45, 0x9F, 0x31}},
};

namespace {
// The script resources in instance order; the numbering is historical.
constexpr UINT kScriptIds[kOpcServerInstanceCount] = {316, 319, 320, 326, 325, 324, 323, 322, 321,
                                                      318, 327, 342, 343, 344, 345, 346, 347};

bool IsInstance(int instance) { return instance >= 0 && instance < kOpcServerInstanceCount; }

CString Suffix(int instance) {
  CString suffix;
  if (instance > 0) suffix.Format(L"_%d", instance);
  return suffix;
}
}  // namespace

const CLSID& GetOpcServerInstanceCLSID(int instance) {
  return IsInstance(instance) ? g_opcServerInstanceClsids[instance] : CLSID_NULL;
}

CString GetOpcServerInstanceProgID(int instance, bool versioned) {
  if (!IsInstance(instance)) return CString();
  CString progId = L"Norvane.Tessaly2" + Suffix(instance);
  if (versioned) progId += L".1";
  return progId;
}

UINT GetOpcServerInstanceScriptId(int instance) { return IsInstance(instance) ? kScriptIds[instance] : 0; }

int FindOpcServerInstance(REFCLSID clsid) {
  for (int i = 0; i < kOpcServerInstanceCount; ++i)
    if (g_opcServerInstanceClsids[i] == clsid) return i;
  return -1;
}

CString GetOpcServerInstanceScript(int instance) {
  if (!IsInstance(instance)) return CString();
  const CString name = L"Dravik OPC Server 2.0" + Suffix(instance);
  // Instance 1's versioned key has always carried a trailing blank; clients may compare it.
  const CString versionedName = instance == 1 ? name + L" " : name;
  // The class id goes in through %CLSID%: its braces are no script syntax then.
  const CString clsid = L"%CLSID%";
  const CString progId = GetOpcServerInstanceProgID(instance, true);
  const CString independent = GetOpcServerInstanceProgID(instance, false);
  CString script;
  script.Format(
      L"HKCR\n"
      L"{\n"
      L"  %s = s '%s'\n"
      L"  {\n"
      L"    CLSID = s '%s'\n"
      L"  }\n"
      L"  %s = s '%s'\n"
      L"  {\n"
      L"    CLSID = s '%s'\n"
      L"    OPC\n"
      L"    {\n"
      L"      val Vendor = s 'Norvane GmbH'\n"
      L"    }\n"
      L"  }\n"
      L"  NoRemove CLSID\n"
      L"  {\n"
      L"    ForceRemove %s = s '%s'\n"
      L"    {\n"
      L"      ProgID = s '%s'\n"
      L"      VersionIndependentProgID = s '%s'\n"
      L"      LocalServer32 = s '%%MODULE%%'\n"
      L"      {\n"
      L"        val ThreadingModel = s 'both'\n"
      L"      }\n"
      L"    }\n"
      L"  }\n"
      L"  NoRemove AppID\n"
      L"  {\n"
      L"    ForceRemove %s = s '%s'\n"
      L"  }\n"
      L"}\n",
      progId.GetString(), versionedName.GetString(), clsid.GetString(), independent.GetString(), name.GetString(),
      clsid.GetString(), clsid.GetString(), name.GetString(), progId.GetString(), independent.GetString(),
      clsid.GetString(), name.GetString());
  return script;
}

void RegisterOpcServerScripts() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int i = 0; i < kOpcServerInstanceCount; ++i)
      RegisterTextResource(kScriptIds[i], L"REGISTRY", GetOpcServerInstanceScript(i).GetString());
  });
}
