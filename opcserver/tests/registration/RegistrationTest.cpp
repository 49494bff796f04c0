// The 17 server instances, the registration of one of them and the OPC categories.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "interfaces/opc/OpcCategories.h"
#include "opcserver/OpcServerInstances.h"
#include "opcserver/OpcServerRegistration.h"
#include "platform/com/Guid.h"
#include "platform/win32/Registry.h"
#include "platform/win32/testing/TempMachineRoot.h"

namespace {

using tessaly::GuidToString;

const wchar_t kCat10[] = L"{63D5F430-CFE4-11D1-B2C8-0060083BA1FB}";
const wchar_t kCat20[] = L"{63D5F432-CFE4-11D1-B2C8-0060083BA1FB}";
const wchar_t kModule[] = L"/opt/tessaly/bin/tessaly";

bool KeyExists(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The string value (the default one for an empty name), or "<missing>".
std::wstring Value(const std::wstring& path, const wchar_t* name = L"") {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return L"<missing>";
  std::wstring value;
  bool found = tessaly::win32::RegQueryString(key, name, value);
  RegCloseKey(key);
  return found ? value : L"<missing>";
}

TEST(ServerInstancesTest, FixedTable) {
  // Clients are configured with these: they never change.
  const wchar_t* golden[kOpcServerInstanceCount] = {
      L"{BAECE3C5-4EC5-4828-BD63-113391D53EB6}", L"{6C766647-735C-4695-B1AC-BF80F9F7CE71}",
      L"{28687901-728A-4653-BBF5-B41AD47F92C5}", L"{5A809458-4327-4713-92F2-9728FAE5033F}",
      L"{6097E5FD-6A58-4B5C-BC78-02D1CBFF1983}", L"{E50DA322-B169-4977-B0EC-DE8AAA220CD3}",
      L"{BB51EB90-70D1-4AF4-B6B5-E62AF5C11036}", L"{7F853774-DB31-48EA-8B19-558740656550}",
      L"{C51F15E2-C432-4E5C-8C85-707695C728BB}", L"{255C0A81-1ABC-4C9D-A886-30CB69BF4209}",
      L"{6FC4744A-AC60-4EC0-B912-9E93C7A553BD}", L"{65ECFCB2-3845-467E-B339-5CE35E4B24CC}",
      L"{EF608207-865A-46F1-8C7A-2CEEE8DBD8E7}", L"{871CD171-CB29-42BF-8ECC-32FB368D1F1C}",
      L"{C2006A04-0AEE-4CB7-BC53-81CBAD95B7E4}", L"{041329D9-8C98-451F-8012-75E66BF99A65}",
      L"{6ECF00BC-98FE-4517-8CAD-F2F0BB459F31}"};
  const UINT scripts[kOpcServerInstanceCount] = {316, 319, 320, 326, 325, 324, 323, 322, 321,
                                                 318, 327, 342, 343, 344, 345, 346, 347};
  for (int i = 0; i < kOpcServerInstanceCount; ++i) {
    EXPECT_EQ(golden[i], GuidToString(GetOpcServerInstanceCLSID(i))) << i;
    EXPECT_EQ(i, FindOpcServerInstance(GetOpcServerInstanceCLSID(i)));
    EXPECT_EQ(scripts[i], GetOpcServerInstanceScriptId(i)) << i;
  }
  EXPECT_EQ(CString(L"Norvane.Tessaly2.1"), GetOpcServerInstanceProgID(0));
  EXPECT_EQ(CString(L"Norvane.Tessaly2"), GetOpcServerInstanceProgID(0, false));
  EXPECT_EQ(CString(L"Norvane.Tessaly2_16.1"), GetOpcServerInstanceProgID(16));
  EXPECT_EQ(CString(), GetOpcServerInstanceProgID(17));
  EXPECT_EQ(CLSID_NULL, GetOpcServerInstanceCLSID(-1));
  EXPECT_EQ(-1, FindOpcServerInstance(CLSID_NULL));
}

class RegistrationTest : public ::testing::Test {
 protected:
  tessaly::testing::TempMachineRoot root;
};

TEST_F(RegistrationTest, InstanceFiveWithBothCategoriesAndBackOut) {
  const CLSID& clsid = GetOpcServerInstanceCLSID(5);
  const std::wstring k = GuidToString(clsid);
  ASSERT_TRUE(RegisterOPCCategories(clsid, kModule));

  EXPECT_EQ(L"Dravik OPC Server 2.0_5", Value(L"Norvane.Tessaly2_5.1"));
  EXPECT_EQ(k, Value(L"Norvane.Tessaly2_5.1\\CLSID"));
  EXPECT_EQ(L"Dravik OPC Server 2.0_5", Value(L"Norvane.Tessaly2_5"));
  EXPECT_EQ(k, Value(L"Norvane.Tessaly2_5\\CLSID"));
  EXPECT_EQ(L"Norvane GmbH", Value(L"Norvane.Tessaly2_5\\OPC", L"Vendor"));
  const std::wstring c = L"CLSID\\" + k;
  EXPECT_EQ(L"Dravik OPC Server 2.0_5", Value(c));
  EXPECT_EQ(L"Norvane.Tessaly2_5.1", Value(c + L"\\ProgID"));
  EXPECT_EQ(L"Norvane.Tessaly2_5", Value(c + L"\\VersionIndependentProgID"));
  EXPECT_EQ(kModule, Value(c + L"\\LocalServer32"));
  EXPECT_EQ(L"both", Value(c + L"\\LocalServer32", L"ThreadingModel"));
  EXPECT_EQ(L"Dravik OPC Server 2.0_5", Value(L"AppID\\" + k));
  EXPECT_EQ(L"OPC Data Access Servers Version 1.0", Value(std::wstring(L"Component Categories\\") + kCat10, L"409"));
  EXPECT_EQ(L"OPC Data Access Servers Version 2.0", Value(std::wstring(L"Component Categories\\") + kCat20, L"409"));
  EXPECT_TRUE(KeyExists(c + L"\\Implemented Categories\\" + kCat10));
  EXPECT_TRUE(KeyExists(c + L"\\Implemented Categories\\" + kCat20));

  ASSERT_TRUE(UnregisterOPCCategories(clsid));
  for (const std::wstring& gone : {std::wstring(L"Norvane.Tessaly2_5.1"), std::wstring(L"Norvane.Tessaly2_5"), c,
                                   L"AppID\\" + k})
    EXPECT_FALSE(KeyExists(gone)) << ::testing::PrintToString(gone);
  // Other servers implement the categories too.
  EXPECT_TRUE(KeyExists(std::wstring(L"Component Categories\\") + kCat10));
  EXPECT_TRUE(KeyExists(std::wstring(L"Component Categories\\") + kCat20));
  EXPECT_TRUE(KeyExists(L"CLSID"));
  EXPECT_TRUE(KeyExists(L"AppID"));
}

TEST_F(RegistrationTest, EveryInstanceNamesItselfAndInstanceOneKeepsItsBlank) {
  for (int i = 0; i < kOpcServerInstanceCount; ++i) ASSERT_TRUE(RegisterOPCCategories(GetOpcServerInstanceCLSID(i), kModule)) << i;
  EXPECT_EQ(L"Dravik OPC Server 2.0", Value(L"Norvane.Tessaly2.1"));
  EXPECT_EQ(L"Dravik OPC Server 2.0_1 ", Value(L"Norvane.Tessaly2_1.1"));
  EXPECT_EQ(L"Dravik OPC Server 2.0_1", Value(L"Norvane.Tessaly2_1"));
  EXPECT_EQ(GuidToString(GetOpcServerInstanceCLSID(16)), Value(L"Norvane.Tessaly2_16\\CLSID"));
  // Taking one instance away leaves the others.
  ASSERT_TRUE(UnregisterOPCCategories(GetOpcServerInstanceCLSID(1)));
  EXPECT_FALSE(KeyExists(L"Norvane.Tessaly2_1.1"));
  EXPECT_TRUE(KeyExists(L"CLSID\\" + GuidToString(GetOpcServerInstanceCLSID(2)) + L"\\Implemented Categories\\" + kCat20));
}

TEST_F(RegistrationTest, FailuresAreReported) {
  const CLSID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  EXPECT_FALSE(RegisterOPCCategories(unknown, kModule));
  EXPECT_FALSE(KeyExists(std::wstring(L"Component Categories\\") + kCat10));  // no category without the script
  EXPECT_FALSE(UnregisterOPCCategories(unknown));
}

TEST_F(RegistrationTest, LongDescriptionIsCut) {
  const CATID catid = {0xABCDEF01, 0x1111, 0x2222, {3, 3, 3, 3, 3, 3, 3, 3}};
  ASSERT_EQ(S_OK, RegisterCategory(catid, CString(std::wstring(200, L'x').c_str())));
  EXPECT_EQ(std::wstring(127, L'x'), Value(L"Component Categories\\" + GuidToString(catid), L"409"));
}

}  // namespace
