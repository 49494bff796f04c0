#include <gtest/gtest.h>

#include <vector>

#include "app/shell/FrameSplitter.h"
#include "app/shell/PropertiesWndModel.h"
#include "platform/win32/testing/TempMachineRoot.h"

namespace {

class FakeView : public CViewItemProperties {
 public:
  explicit FakeView(const wchar_t* name) : m_name(name) {}
  BOOL OnPropertyChanged(CPropertyRow* property) override {
    edits.push_back(property->m_strName);
    return TRUE;
  }
  void GetProperties(CPropertyList& properties) override {
    CPropertyRow* group = AddPropertyGroup(properties, m_name);
    AddEditableProperty(group, L"Name", L"", 7, MakeTextValue(L"x"));
    ++fills;
  }
  std::vector<CString> edits;
  int fills = 0;

 private:
  const wchar_t* m_name;
};

class PropertiesPane : public ::testing::Test {
 protected:
  CPropertyRow* FirstRow() { return m_model.GetRows().front()->m_children.front().get(); }
  FakeView m_device{L"Device"};
  FakeView m_tags{L"Tags"};
  CViewItemProperties* m_active = nullptr;
  CPropertiesWndModel m_model{[this] { return m_active; }};
};

TEST_F(PropertiesPane, AViewThatDoesNotFeedThePaneLeavesTheRows) {
  m_active = &m_device;
  ASSERT_TRUE(m_model.RefreshFromActiveView());
  m_active = nullptr;
  EXPECT_FALSE(m_model.RefreshFromActiveView());
  ASSERT_EQ(m_model.GetRows().size(), 1u);
  EXPECT_STREQ(m_model.GetRows().front()->m_strName.GetString(), L"Device");
}

TEST_F(PropertiesPane, RefreshDuringAnEditWaitsForItsEnd) {
  m_active = &m_device;
  m_model.RefreshFromActiveView();
  m_model.BeginEdit();
  CPropertyRow* row = FirstRow();
  EXPECT_FALSE(m_model.RefreshFromActiveView());
  EXPECT_EQ(FirstRow(), row);  // the row under the editor is still alive
  EXPECT_TRUE(m_model.IsRefreshPending());
  EXPECT_TRUE(m_model.EndEdit());
  EXPECT_EQ(m_device.fills, 2);
}

TEST_F(PropertiesPane, EditsGoToTheSupplyingViewOrNowhere) {
  m_active = &m_device;
  m_model.RefreshFromActiveView();
  const unsigned generation = m_model.GetGeneration();
  COleVariant value = MakeTextValue(L"new");
  EXPECT_TRUE(m_model.OnPropertyChanged(generation, FirstRow(), value));
  EXPECT_EQ(m_device.edits.size(), 1u);
  EXPECT_STREQ(FirstRow()->m_value.bstrVal, L"new");
  // Another view became active without feeding the pane yet: the edit is stale.
  m_active = &m_tags;
  EXPECT_FALSE(m_model.OnPropertyChanged(generation, FirstRow(), value));
  EXPECT_TRUE(m_tags.edits.empty());
  // Rows replaced since the editor opened: dropped too.
  m_model.RefreshFromActiveView();
  EXPECT_FALSE(m_model.OnPropertyChanged(generation, FirstRow(), value));
  EXPECT_TRUE(m_model.OnPropertyChanged(m_model.GetGeneration(), FirstRow(), value));
  EXPECT_EQ(m_tags.edits.size(), 1u);
  EXPECT_EQ(m_device.edits.size(), 1u);
}

TEST(FrameSplitterProfile, StoredWidthsAreCheckedBeforeUse) {
  tessaly::testing::TempMachineRoot root;
  CRegistryProfile profile(L"Tessaly");
  profile.SetRegistryKey(L"Norvane GmbH\\Tessaly");
  const wchar_t* section = L"COpcMainChildFrame";
  EXPECT_FALSE(CFrameSplitter::Load(profile, section));  // missing: the one-third split stays
  ASSERT_TRUE(CFrameSplitter::Store(profile, section, 250));
  EXPECT_EQ(CFrameSplitter::Load(profile, section), 250);
  const struct {
    std::vector<BYTE> bytes;
    std::optional<int> width;
  } cases[] = {{{0xFF, 0xFF, 0xFF, 0xFF}, std::nullopt},  // -1
               {{0x10, 0x00}, std::nullopt},              // short
               {{0, 0, 0, 0, 0}, std::nullopt},           // long
               {{0xFF, 0xFF, 0xFF, 0x7F}, std::nullopt},  // beyond any screen
               {{0, 0, 0, 0}, 0},
               {{0xFA, 0, 0, 0}, 250}};
  for (const auto& c : cases) {
    std::vector<BYTE> bytes = c.bytes;
    ASSERT_TRUE(profile.WriteProfileBinary(section, L"FrameSplitter", bytes.data(), static_cast<UINT>(bytes.size())));
    EXPECT_EQ(CFrameSplitter::Load(profile, section), c.width) << bytes.size();
  }
}

}  // namespace
