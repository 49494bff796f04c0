#include <gtest/gtest.h>

#include <set>

#include "app/shell/AppLook.h"
#include "app/shell/PropertiesWndModel.h"
#include "app/shell/ToolBarCustomization.h"
#include "platform/win32/testing/TempMachineRoot.h"

namespace {

TEST(AppLooks, EachLookHasItsOwnColoursAndDocking) {
  const struct {
    int id;
    const wchar_t* name;
    bool smart;
  } cases[] = {{210, L"Windows 2000", false},
               {211, L"Office XP", false},
               {212, L"Windows XP", false},
               {213, L"Office 2003", true},
               {214, L"Visual Studio 2005", true},
               {215, L"Office 2007 (Blue Style)", true},
               {216, L"Office 2007 (Black Style)", true},
               {217, L"Office 2007 (Silver Style)", true},
               {218, L"Office 2007 (Aqua Style)", true}};
  std::set<std::pair<std::uint32_t, std::uint32_t>> colours;
  for (const auto& c : cases) {
    const CAppLook& look = CAppLook::ForId(c.id);
    EXPECT_EQ(look.m_nId, c.id);
    EXPECT_STREQ(look.m_pszName, c.name);
    EXPECT_EQ(look.m_bSmartDocking, c.smart) << c.id;
    colours.insert({look.m_background, look.m_activeCaption});
  }
  EXPECT_EQ(colours.size(), std::size(cases));  // no two looks alike
  // Any other id looks like the Office 2007 group.
  for (int other : {0, 209, 219, -1}) EXPECT_EQ(CAppLook::ForId(other).m_nId, 215) << other;
}

TEST(ToolBarCustomizationProfile, HiddenButtonsComeBackAsStored) {
  tessaly::testing::TempMachineRoot root;
  CRegistryProfile profile(L"Tessaly");
  profile.SetRegistryKey(L"Norvane GmbH\\Tessaly");
  const std::set<int> standard = {57600, 57601, 57603, 57607, 57664};
  EXPECT_TRUE(CToolBarCustomization::Load(profile, L"Standard", standard).empty());  // nothing stored: all shown
  ASSERT_TRUE(CToolBarCustomization::Store(profile, L"Standard", {57607, 57664}));
  EXPECT_EQ(CToolBarCustomization::Load(profile, L"Standard", standard), (std::set<int>{57607, 57664}));
  EXPECT_TRUE(CToolBarCustomization::Load(profile, L"OPC Server", {32793}).empty());  // per bar
  // Stored by hand or by another version: only this bar's commands count, anything else is skipped.
  const struct {
    const wchar_t* text;
    std::set<int> hidden;
  } cases[] = {{L"57607,,x,57664", {57607, 57664}},
               {L"57607;57664", {}},
               {L"99999,57600", {57600}},
               {L"57603 ", {}},
               {L"", {}}};
  for (const auto& c : cases) {
    ASSERT_TRUE(profile.WriteProfileString(CToolBarCustomization::kSection, L"Standard", c.text));
    EXPECT_EQ(CToolBarCustomization::Load(profile, L"Standard", standard), c.hidden) << CString(c.text).GetString();
  }
  ASSERT_TRUE(CToolBarCustomization::Store(profile, L"Standard", {}));
  EXPECT_TRUE(CToolBarCustomization::Load(profile, L"Standard", standard).empty());
}

TEST(PropertiesPaneRowNames, UniqueByTheirCategoryPath) {
  // A device's rows: "ID", "Subnet" and "Node" under both domains.
  std::set<CString> used;
  std::vector<CString> names;
  for (const wchar_t* domain : {L"Domain 0", L"Domain 1"}) {
    const CString group = CPropertiesWndModel::MakeRowName(CString(), domain, used);
    for (const wchar_t* row : {L"ID", L"Subnet", L"Node"}) names.push_back(CPropertiesWndModel::MakeRowName(group, row, used));
  }
  EXPECT_EQ(names.front(), CString(L"Domain 0/ID"));
  EXPECT_EQ(names.back(), CString(L"Domain 1/Node"));
  EXPECT_EQ(std::set<CString>(names.begin(), names.end()).size(), names.size());
  // A label repeated within one group is numbered.
  EXPECT_EQ(CPropertiesWndModel::MakeRowName(L"Domain 0", L"ID", used), CString(L"Domain 0/ID#2"));
  EXPECT_EQ(CPropertiesWndModel::MakeRowName(L"Domain 0", L"ID", used), CString(L"Domain 0/ID#3"));
}

}  // namespace
