#include "platform/com/Registrar.h"

#include "platform/com/ComErrors.h"
#include "platform/win32/Resources.h"
#include "platform/win32/testing/TempMachineRoot.h"
#include "platform/com/tests/activation/RegistryProbe.h"

#include <gtest/gtest.h>

namespace {

using probe::KeyExists;
using probe::String;

// The registrar form of a server's script: ProgIDs beside a class under a kept CLSID key.
const wchar_t kServerScript[] = LR"(
HKCR
{
  Acme.Widget.1 = s 'Widget Server' { CLSID = s '{11111111-2222-3333-4444-555555555555}' }
  Acme.Widget = s 'Widget Server'
  {
    CLSID = s '{11111111-2222-3333-4444-555555555555}'
    OPC { val Vendor = s 'Acme Inc' }
  }
  NoRemove CLSID
  {
    ForceRemove {11111111-2222-3333-4444-555555555555} = s 'Widget Server'
    {
      ProgID = s 'Acme.Widget.1'
      LocalServer32 = s '%MODULE%' { val ThreadingModel = s 'both' }
    }
  }
  NoRemove AppID { ForceRemove {11111111-2222-3333-4444-555555555555} = s 'Widget Server' }
}
)";
const std::wstring kClassKey = L"CLSID\\{11111111-2222-3333-4444-555555555555}";

class RegistrarTest : public ::testing::Test {
 protected:
  RegistrarTest() { reg.AddReplacement(L"MODULE", L"/opt/acme/bin/widget"); }
  tessaly::testing::TempMachineRoot root;
  CRegistrar reg;
};

TEST_F(RegistrarTest, RegisterWritesKeysDefaultsAndNamedValues) {
  ASSERT_EQ(reg.StringRegister(kServerScript), S_OK) << reg.GetErrorText();
  EXPECT_EQ(String(HKEY_CLASSES_ROOT, L"Acme.Widget.1"), L"Widget Server");
  EXPECT_EQ(String(HKEY_CLASSES_ROOT, L"Acme.Widget.1\\CLSID"), L"{11111111-2222-3333-4444-555555555555}");
  EXPECT_EQ(String(HKEY_CLASSES_ROOT, L"Acme.Widget\\OPC", L"Vendor"), L"Acme Inc");
  EXPECT_EQ(String(HKEY_CLASSES_ROOT, kClassKey + L"\\LocalServer32"), L"/opt/acme/bin/widget");
  EXPECT_EQ(String(HKEY_CLASSES_ROOT, kClassKey + L"\\LocalServer32", L"ThreadingModel"), L"both");
  EXPECT_EQ(String(HKEY_CLASSES_ROOT, L"AppID\\{11111111-2222-3333-4444-555555555555}"), L"Widget Server");
}

TEST_F(RegistrarTest, ForceRemoveReplacesOldContentOnRegister) {
  probe::SetString(HKEY_CLASSES_ROOT, kClassKey + L"\\InprocServer32", nullptr, L"/old/library.so");
  probe::SetString(HKEY_CLASSES_ROOT, kClassKey, L"Stale", L"x");
  probe::SetString(HKEY_CLASSES_ROOT, L"Acme.Widget\\Other", nullptr, L"kept");  // plain key: merged
  ASSERT_EQ(reg.StringRegister(kServerScript), S_OK) << reg.GetErrorText();
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey + L"\\InprocServer32"));
  EXPECT_FALSE(String(HKEY_CLASSES_ROOT, kClassKey, L"Stale"));
  EXPECT_EQ(String(HKEY_CLASSES_ROOT, L"Acme.Widget\\Other"), L"kept");
}

TEST_F(RegistrarTest, UnregisterRemovesWhatTheScriptWroteAndKeepsNoRemoveParents) {
  probe::SetString(HKEY_CLASSES_ROOT, L"CLSID\\{99999999-0000-0000-0000-000000000000}", nullptr, L"Neighbour");
  ASSERT_EQ(reg.StringRegister(kServerScript), S_OK);
  // Someone else's content inside a ForceRemove key goes with it.
  probe::SetString(HKEY_CLASSES_ROOT, kClassKey + L"\\Implemented Categories\\{X}", nullptr, L"");
  ASSERT_EQ(reg.StringUnregister(kServerScript), S_OK) << reg.GetErrorText();
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Acme.Widget.1"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Acme.Widget"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"AppID\\{11111111-2222-3333-4444-555555555555}"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"AppID"));  // NoRemove, though empty now
  EXPECT_EQ(String(HKEY_CLASSES_ROOT, L"CLSID\\{99999999-0000-0000-0000-000000000000}"), L"Neighbour");
  // Unregistering again finds nothing to do.
  EXPECT_EQ(reg.StringUnregister(kServerScript), S_OK);
}

TEST_F(RegistrarTest, PlainKeyKeepsWhatOthersPutInIt) {
  ASSERT_EQ(reg.StringRegister(kServerScript), S_OK);
  probe::SetString(HKEY_CLASSES_ROOT, L"Acme.Widget\\Shell", nullptr, L"someone else's");
  probe::SetString(HKEY_CLASSES_ROOT, L"Acme.Widget.1", L"Note", L"someone else's");
  ASSERT_EQ(reg.StringUnregister(kServerScript), S_OK);
  // The script's parts are gone, the rest and the keys holding it stay.
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Acme.Widget\\CLSID"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Acme.Widget\\OPC"));
  EXPECT_FALSE(String(HKEY_CLASSES_ROOT, L"Acme.Widget"));
  EXPECT_EQ(String(HKEY_CLASSES_ROOT, L"Acme.Widget\\Shell"), L"someone else's");
  EXPECT_EQ(String(HKEY_CLASSES_ROOT, L"Acme.Widget.1", L"Note"), L"someone else's");
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Acme.Widget.1\\CLSID"));
}

TEST_F(RegistrarTest, ValueTypesQuotingHivesAndDelete) {
  probe::SetString(HKEY_CURRENT_USER, L"Software\\Acme\\Obsolete\\Deep", nullptr, L"x");
  const wchar_t* script = LR"(
    HKEY_CURRENT_USER { NoRemove Software { Acme {
      'Key With Spaces' = s 'it''s quoted' {
        val Count = d 42
        val Mask = d '0xFFFFFFFF'
        val Blob = b '00ff10'
        val '100%%' = s '%VERSION%'
      }
      Delete Obsolete
    } } }
    HKLM { Software { Acme = s 'machine' } })";
  reg.AddReplacement(L"version", L"2.3");  // names are matched ignoring case
  ASSERT_EQ(reg.StringRegister(script), S_OK) << reg.GetErrorText();
  const std::wstring key = L"Software\\Acme\\Key With Spaces";
  EXPECT_EQ(String(HKEY_CURRENT_USER, key), L"it's quoted");
  EXPECT_EQ(probe::Dword(HKEY_CURRENT_USER, key, L"Count"), 42u);
  EXPECT_EQ(probe::Dword(HKEY_CURRENT_USER, key, L"Mask"), 0xFFFFFFFFu);
  EXPECT_EQ(String(HKEY_CURRENT_USER, key, L"100%"), L"2.3");
  HKEY k = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &k), ERROR_SUCCESS);
  BYTE blob[8] = {};
  DWORD type = 0, size = sizeof blob;
  EXPECT_EQ(RegQueryValueExW(k, L"Blob", nullptr, &type, blob, &size), ERROR_SUCCESS);
  RegCloseKey(k);
  EXPECT_EQ(type, REG_BINARY);
  ASSERT_EQ(size, 3u);
  EXPECT_EQ(blob[0], 0x00);
  EXPECT_EQ(blob[1], 0xFF);
  EXPECT_EQ(blob[2], 0x10);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Acme\\Obsolete"));
  EXPECT_EQ(String(HKEY_LOCAL_MACHINE, L"Software\\Acme"), L"machine");
}

TEST_F(RegistrarTest, ReplacementCannotChangeTheScriptsShape) {
  // A module path with a quote and braces stays one value.
  reg.AddReplacement(L"MODULE", L"/opt/o'brien/{x} } HKLM { Evil");
  ASSERT_EQ(reg.StringRegister(L"HKCR { Thing = s '%MODULE%' }"), S_OK) << reg.GetErrorText();
  EXPECT_EQ(String(HKEY_CLASSES_ROOT, L"Thing"), L"/opt/o'brien/{x} } HKLM { Evil");
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Evil"));
}

TEST_F(RegistrarTest, BadScriptsFailAndWriteNothing) {
  struct Case {
    const wchar_t* script;
    const wchar_t* why;
  };
  const Case cases[] = {
      {L"HKCR { A = s 'x' ", L"'}' is missing"},
      {L"HKCR { A = s 'x }", L"not closed"},
      {L"HKXX { A }", L"hive"},
      {L"A = s 'x'", L"hive"},
      {L"HKCR { A = s '%NOSUCH%' }", L"unknown replacement %NOSUCH%"},
      {L"HKCR { A = s '50%' }", L"closing '%'"},
      {L"HKCR { A = q 'x' }", L"unknown value type"},
      {L"HKCR { A { val N = d 'ten' } }", L"not a number"},
      {L"HKCR { A { val N = d 4294967296 } }", L"out of range"},
      {L"HKCR { A { val N = b 'abc' } }", L"two hex digits"},
      {L"HKCR { A { val N = b 'zz' } }", L"not hex"},
      {L"HKCR { NoRemove ForceRemove A }", L"one of"},
      {L"HKCR { 'A\\B' }", L"backslash"},
      {L"HKCR { A{ } }", L"braces must stand apart"},
      {L"HKCR { Delete A = s 'x' }", L"Delete key"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "script: " << c.script);
    // A valid part before the fault must not be written either.
    std::wstring script = std::wstring(L"HKCR { Written = s 'yes' }\n") + c.script;
    EXPECT_EQ(reg.StringRegister(script.c_str()), DISP_E_EXCEPTION);
    EXPECT_NE(reg.GetErrorText().find(c.why), std::wstring::npos)
        << testing::PrintToString(reg.GetErrorText());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Written"));
  }
  EXPECT_NE(reg.GetErrorText().find(L"line 2"), std::wstring::npos);
  EXPECT_EQ(reg.StringRegister(nullptr), E_INVALIDARG);
}

TEST_F(RegistrarTest, FailureHalfWayUndoesEverything) {
  // A ForceRemove of a key that exists, new keys, an overwritten value, then a key the registry
  // refuses (its name is longer than a key name may be).
  probe::SetString(HKEY_CLASSES_ROOT, L"Old\\Inner", L"Keep", L"original");
  probe::SetString(HKEY_CLASSES_ROOT, L"Existing", nullptr, L"before");
  const wchar_t* script = LR"(
    HKCR {
      ForceRemove Old = s 'new' { Fresh }
      Existing = s 'after'
      Brand { New = s 'x' }
      %BAD%
    })";
  reg.AddReplacement(L"BAD", std::wstring(300, L'k').c_str());
  EXPECT_EQ(reg.StringRegister(script), HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(reg.GetErrorText().empty());
  EXPECT_EQ(String(HKEY_CLASSES_ROOT, L"Old\\Inner", L"Keep"), L"original");
  EXPECT_FALSE(String(HKEY_CLASSES_ROOT, L"Old"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Old\\Fresh"));
  EXPECT_EQ(String(HKEY_CLASSES_ROOT, L"Existing"), L"before");
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Brand"));
}

TEST_F(RegistrarTest, ScriptFromRegistryResource) {
  RegisterTextResource(4711, L"REGISTRY", L"HKCR { FromResource = s '%MODULE%' }");
  ASSERT_EQ(reg.ResourceRegister(4711), S_OK);
  EXPECT_EQ(String(HKEY_CLASSES_ROOT, L"FromResource"), L"/opt/acme/bin/widget");
  ASSERT_EQ(reg.ResourceUnregister(4711), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"FromResource"));
  EXPECT_TRUE(FAILED(reg.ResourceRegister(4712)));
}

}  // namespace
