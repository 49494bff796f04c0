// The item list's logic: columns by mask, rows by key, updates that tell what changed, the
// sort and its place in the profile, and a refresh that reads only the rows in view.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "foundation/Conversions.h"
#include "opcserver/OPCToolkitManager.h"
#include "platform/com/ComVariant.h"
#include "platform/win32/Profile.h"
#include "platform/win32/testing/TempMachineRoot.h"
#include "project/OPCGroupTreeObject.h"
#include "project/ProjectResource.h"
#include "views/models/GroupFeaturesViewModel.h"
#include "views/models/GroupItemViewModel.h"
#include "views/models/OPCItemsListModel.h"

namespace {

CItemInfo Item(DWORD key, const wchar_t* id, const wchar_t* value = L"", DWORD handle = 0) {
  CItemInfo info;
  info.m_dwKey = key;
  info.m_strItemID = id;
  info.m_strValue = value;
  info.m_hClient = handle;
  // Counters are stamped with the time they were made: the same time for every record here.
  for (CSpyCounter& counter : info.m_counters) counter.m_ftTime = FILETIME{1, 2};
  return info;
}

class CCountingSink : public COPCItemsListModel::Sink {
 public:
  void OnColumnsChanged() override { ++m_nColumns; }
  void OnRowsReset() override { ++m_nResets; }
  void OnRowChanged(int row) override { m_changed.push_back(row); }
  int m_nColumns = 0;
  int m_nResets = 0;
  std::vector<int> m_changed;
};

}  // namespace

TEST(OPCItemsListModelTest, TheMaskChoosesTheColumnsAndNoMaskStillShowsTheItemId) {
  struct Case {
    int mask;
    std::vector<int> ids;
  } cases[] = {{4095, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
               {0, {0}},
               {0x1000, {0}},  // no bit of the twelve
               {0x22, {1, 5}},
               {0x800, {11}}};
  COPCItemsListModel list;
  for (const Case& c : cases) {
    list.SetColumnMask(c.mask);
    EXPECT_EQ(c.ids, list.GetColumnIds()) << c.mask;
    EXPECT_EQ(c.mask, list.GetColumnMask());
  }
  // With "Item ID" hidden the first column shows its own field.
  list.SetColumnMask(0x20);
  list.InsertRow(Item(1, L"a.1", L"42"));
  EXPECT_EQ(CString(L"42"), list.GetCellText(0, list.GetColumnIds()[0]));
  EXPECT_EQ(CString(), list.GetCellText(0, 12));
  EXPECT_EQ(CString(L"Item ID"), CString(COPCItemsListModel::kColumns[0].heading));
  EXPECT_EQ(150, COPCItemsListModel::kColumns[11].width);
}

TEST(OPCItemsListModelTest, RowsAreKeptByKeyAndUpdatesTellOnlyRealChanges) {
  COPCItemsListModel list;
  CCountingSink sink;
  list.SetSink(&sink);
  EXPECT_EQ(0, list.InsertRow(Item(7, L"a")));
  EXPECT_EQ(1, list.InsertRow(Item(8, L"b")));
  EXPECT_EQ(-1, list.InsertRow(Item(7, L"again"))) << "one row per key";
  EXPECT_FALSE(list.UpdateRow(Item(7, L"a"), 0)) << "equal";
  EXPECT_FALSE(list.UpdateRow(Item(8, L"b", L"1"), 0)) << "another item's row";
  EXPECT_FALSE(list.UpdateRow(Item(8, L"b", L"1"), 5)) << "no such row";
  EXPECT_TRUE(list.UpdateRow(Item(8, L"b", L"1"), 1));
  EXPECT_EQ(std::vector<int>{1}, sink.m_changed);
  EXPECT_EQ(CString(L"1"), list.GetCellText(1, 5));
  list.DeleteRow(0);
  EXPECT_FALSE(list.HasKey(7));
  EXPECT_EQ(0, list.InsertRow(Item(7, L"a")) - 1) << "a deleted key may come back";
  list.DeleteAllRows();
  EXPECT_EQ(0, list.GetRowCount());
  EXPECT_TRUE(list.GetInfos().empty());
}

TEST(OPCItemsListModelTest, HeaderClicksSortAndTheSortIsKeptInTheProfile) {
  tessaly::testing::TempMachineRoot root;
  CRegistryProfile profile(L"Tessaly");
  profile.SetRegistryKey(L"Test");
  AfxSetRegistryProfile(&profile);
  COPCItemsListModel list;
  list.InsertRow(Item(1, L"b", L"", 30));
  list.InsertRow(Item(2, L"a", L"", 4));
  list.InsertRow(Item(3, L"C", L"", 100));
  auto order = [&] {
    std::vector<DWORD> keys;
    for (int row = 0; row < list.GetRowCount(); ++row) keys.push_back(list.GetRowKey(row));
    return keys;
  };
  list.OnHeaderClick(4);  // client handles as numbers, not as text
  EXPECT_EQ((std::vector<DWORD>{2, 1, 3}), order());
  list.OnHeaderClick(4);
  EXPECT_EQ((std::vector<DWORD>{3, 1, 2}), order());
  EXPECT_FALSE(list.IsSortAscending());
  list.OnHeaderClick(0);  // ordinal text: upper case first
  EXPECT_EQ((std::vector<DWORD>{3, 2, 1}), order());
  list.SaveSort(L"OPCItemsView", L"OpcItemsCtrl");

  COPCItemsListModel loaded;
  loaded.LoadSort(L"OPCItemsView", L"OpcItemsCtrl");
  EXPECT_EQ(0, loaded.GetSortColumn());
  EXPECT_TRUE(loaded.IsSortAscending());
  struct Stored {
    int32_t column;
    int32_t ascending;
  };
  for (Stored bad : {Stored{12, 1}, Stored{-2, 1}, Stored{1000000, 0}}) {
    profile.WriteProfileBinary(L"OPCItemsView", L"OpcItemsCtrl", reinterpret_cast<LPBYTE>(&bad), sizeof(bad));
    COPCItemsListModel other;
    other.LoadSort(L"OPCItemsView", L"OpcItemsCtrl");
    EXPECT_EQ(-1, other.GetSortColumn()) << bad.column;
  }
  AfxSetRegistryProfile(nullptr);
}

// Records of one group with n items, registered as the OPC objects would.
class RecordsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    m_group.m_info.m_strName = L"G";
    GetOPCToolkitManager().AddServer(&m_server);
    GetOPCToolkitManager().AttachGroup(&m_server, &m_group);
  }
  void TearDown() override {
    for (auto& item : m_items) GetOPCToolkitManager().DetachItem(item.get());
    GetOPCToolkitManager().DetachGroup(&m_group);
    GetOPCToolkitManager().RemoveServer(&m_server);
  }
  void AddItems(int n) {
    for (int i = 0; i < n; ++i) {
      auto item = std::make_unique<CSpyOPCItem>();
      item->m_info.m_strItemID.Format(L"item.%03d", i);
      GetOPCToolkitManager().AttachItem(&m_group, item.get());
      m_items.push_back(std::move(item));
    }
  }
  void SetAllValues(const wchar_t* value) {
    CSpyLock lock;
    for (auto& item : m_items) item->m_value = CComVariant(value);
  }
  void ShowGroup() {
    COPCGroupTreeObject object(L"G", m_group.m_dwKey);
    m_view.OnUpdate(&m_tree, HintSelectionChanged, &object);
  }
  CSpyOPCServer m_server;
  CSpyOPCGroup m_group;
  std::vector<std::unique_ptr<CSpyOPCItem>> m_items;
  CGroupItemViewModel m_tree;
  CGroupFeaturesViewModel m_view;
};

TEST_F(RecordsFixture, RowsOutOfViewKeepTheirValuesUntilTheyAreScrolledIn) {
  AddItems(12);
  m_view.GetItems().SetVisibleRows(0, 5);
  ShowGroup();
  ASSERT_EQ(12, m_view.GetItems().GetRowCount());
  SetAllValues(L"new");
  m_view.Refresh();
  for (int row = 0; row < 12; ++row)
    EXPECT_EQ(row < 5 ? CString(L"new") : CString(), m_view.GetItems().GetCellText(row, 5)) << row;
  m_view.GetItems().SetVisibleRows(10, 5);  // to the end only
  m_view.Refresh();
  EXPECT_EQ(CString(L"new"), m_view.GetItems().GetCellText(11, 5));
  EXPECT_EQ(CString(), m_view.GetItems().GetCellText(9, 5));
}

TEST_F(RecordsFixture, GoneItemsLoseTheirRowsAndTicksOfAMinimisedViewChangeNothing) {
  AddItems(3);
  m_view.GetItems().SetVisibleRows(0, 10);
  ShowGroup();
  ASSERT_EQ(3, m_view.GetItems().GetRowCount());
  GetOPCToolkitManager().DetachItem(m_items[1].get());
  m_items.erase(m_items.begin() + 1);
  m_view.SetMinimised(true);
  m_view.OnTimer(CGroupFeaturesViewModel::kTimerId);
  EXPECT_EQ(3, m_view.GetItems().GetRowCount());
  m_view.SetMinimised(false);
  m_view.OnTimer(CGroupFeaturesViewModel::kTimerId + 1);  // not ours
  EXPECT_EQ(3, m_view.GetItems().GetRowCount());
  m_view.OnTimer(CGroupFeaturesViewModel::kTimerId);
  ASSERT_EQ(2, m_view.GetItems().GetRowCount());
  EXPECT_EQ(CString(L"item.000"), m_view.GetItems().GetCellText(0, 0));
  EXPECT_EQ(CString(L"item.002"), m_view.GetItems().GetCellText(1, 0));
}

// With a sort column set, a tick whose new values keep the order tells the window only of the
// rows that changed; only a tick that moves rows resets them (the window then puts the selection
// and the scroll position back).
TEST_F(RecordsFixture, ASortedListIsResetOnlyWhenATickMovesRows) {
  AddItems(4);
  CCountingSink sink;
  m_view.GetItems().SetSink(&sink);
  m_view.GetItems().SetVisibleRows(0, 10);
  m_view.GetItems().SetSort(5, true);  // by value
  ShowGroup();
  const int resets = sink.m_nResets;
  SetAllValues(L"same");
  sink.m_changed.clear();
  m_view.Refresh();
  EXPECT_EQ(resets, sink.m_nResets) << "equal values keep the order";
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), sink.m_changed);
  {
    CSpyLock lock;
    m_items[0]->m_value = CComVariant(L"zz");
  }
  m_view.Refresh();
  EXPECT_EQ(resets + 1, sink.m_nResets);
  EXPECT_EQ(CString(L"item.000"), m_view.GetItems().GetCellText(3, 0));
  m_view.Refresh();
  EXPECT_EQ(resets + 1, sink.m_nResets) << "nothing changed";
  m_view.GetItems().SetSink(nullptr);
}
