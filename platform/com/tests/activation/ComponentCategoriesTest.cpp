#include "platform/com/ComponentCategories.h"

#include "platform/com/Activation.h"
#include "platform/com/ComErrors.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Guid.h"
#include "platform/win32/testing/TempMachineRoot.h"
#include "platform/com/tests/activation/RegistryProbe.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace {

DEFINE_GUID_TEXT(CATID_First, "63D5F430-CFE4-11D1-B2C8-0060083BA1FB");
DEFINE_GUID_TEXT(CATID_Second, "63D5F432-CFE4-11D1-B2C8-0060083BA1FB");
DEFINE_GUID_TEXT(CLSID_Server, "0B5E9A10-1111-4222-8333-444455556666");

const std::wstring kCat1 = L"Component Categories\\{63D5F430-CFE4-11D1-B2C8-0060083BA1FB}";
const std::wstring kImpl = L"CLSID\\{0B5E9A10-1111-4222-8333-444455556666}\\Implemented Categories";

class ComponentCategoriesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatRegister,
                               reinterpret_cast<void**>(&cats.p)),
              S_OK);
  }
  static CATEGORYINFO Info(REFCATID catid, LCID lcid, const wchar_t* text) {
    CATEGORYINFO info{};
    info.catid = catid;
    info.lcid = lcid;
    std::wcsncpy(info.szDescription, text, 127);
    return info;
  }
  tessaly::testing::TempMachineRoot root;
  CComPtr<ICatRegister> cats;
};

TEST_F(ComponentCategoriesTest, CategoriesAreDescribedPerLocaleAndRemoved) {
  CATEGORYINFO infos[] = {Info(CATID_First, 1033, L"Data Access Servers Version 1.0"),
                          Info(CATID_Second, 1033, L"Data Access Servers Version 2.0")};
  ASSERT_EQ(cats->RegisterCategories(2, infos), S_OK);
  CATEGORYINFO german = Info(CATID_First, 0x407, L"Datenzugriffsserver 1.0");
  ASSERT_EQ(cats->RegisterCategories(1, &german), S_OK);
  EXPECT_EQ(probe::String(HKEY_CLASSES_ROOT, kCat1, L"409"), L"Data Access Servers Version 1.0");
  EXPECT_EQ(probe::String(HKEY_CLASSES_ROOT, kCat1, L"407"), L"Datenzugriffsserver 1.0");

  CATID ids[] = {CATID_First};
  ASSERT_EQ(cats->UnRegisterCategories(1, ids), S_OK);
  EXPECT_FALSE(probe::KeyExists(HKEY_CLASSES_ROOT, kCat1));
  EXPECT_TRUE(probe::KeyExists(HKEY_CLASSES_ROOT, L"Component Categories\\{63D5F432-CFE4-11D1-B2C8-0060083BA1FB}"));
  EXPECT_EQ(cats->UnRegisterCategories(1, ids), S_OK);  // already gone
}

TEST_F(ComponentCategoriesTest, UnterminatedDescriptionIsCutTo127Characters) {
  CATEGORYINFO info{};
  info.catid = CATID_First;
  info.lcid = 1033;
  for (wchar_t& ch : info.szDescription) ch = L'x';  // no terminator in the field
  ASSERT_EQ(cats->RegisterCategories(1, &info), S_OK);
  EXPECT_EQ(probe::String(HKEY_CLASSES_ROOT, kCat1, L"409"), std::wstring(127, L'x'));
}

TEST_F(ComponentCategoriesTest, ClassCategoriesAreMarkedAndUnmarked) {
  probe::SetString(HKEY_CLASSES_ROOT, L"CLSID\\{0B5E9A10-1111-4222-8333-444455556666}", nullptr, L"Server");
  CATID both[] = {CATID_First, CATID_Second};
  ASSERT_EQ(cats->RegisterClassImplCategories(CLSID_Server, 2, both), S_OK);
  ASSERT_EQ(cats->RegisterClassReqCategories(CLSID_Server, 1, both), S_OK);
  EXPECT_TRUE(probe::KeyExists(HKEY_CLASSES_ROOT, kImpl + L"\\{63D5F430-CFE4-11D1-B2C8-0060083BA1FB}"));
  EXPECT_TRUE(probe::KeyExists(HKEY_CLASSES_ROOT, kImpl + L"\\{63D5F432-CFE4-11D1-B2C8-0060083BA1FB}"));
  EXPECT_TRUE(probe::KeyExists(
      HKEY_CLASSES_ROOT, L"CLSID\\{0B5E9A10-1111-4222-8333-444455556666}\\Required Categories\\{63D5F430-CFE4-11D1-B2C8-0060083BA1FB}"));

  ASSERT_EQ(cats->UnRegisterClassImplCategories(CLSID_Server, 1, both), S_OK);
  EXPECT_FALSE(probe::KeyExists(HKEY_CLASSES_ROOT, kImpl + L"\\{63D5F430-CFE4-11D1-B2C8-0060083BA1FB}"));
  EXPECT_TRUE(probe::KeyExists(HKEY_CLASSES_ROOT, kImpl));  // still holds the second
  ASSERT_EQ(cats->UnRegisterClassImplCategories(CLSID_Server, 2, both), S_OK);
  EXPECT_FALSE(probe::KeyExists(HKEY_CLASSES_ROOT, kImpl));  // empty, so gone
  ASSERT_EQ(cats->UnRegisterClassReqCategories(CLSID_Server, 1, both), S_OK);
  EXPECT_FALSE(probe::KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\{0B5E9A10-1111-4222-8333-444455556666}\\Required Categories"));
  EXPECT_EQ(probe::String(HKEY_CLASSES_ROOT, L"CLSID\\{0B5E9A10-1111-4222-8333-444455556666}"), L"Server");
}

TEST_F(ComponentCategoriesTest, BadArguments) {
  EXPECT_EQ(cats->RegisterCategories(1, nullptr), E_POINTER);
  EXPECT_EQ(cats->RegisterClassImplCategories(CLSID_Server, 1, nullptr), E_POINTER);
  EXPECT_EQ(cats->RegisterCategories(0, nullptr), S_OK);
  CComPtr<ICatRegister> other;
  EXPECT_EQ(CoCreateInstance(CLSID_StdComponentCategoriesMgr, cats, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&other.p)),
            CLASS_E_NOAGGREGATION);
}

}  // namespace
