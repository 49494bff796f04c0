#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "views/models/SuperGridModel.h"

namespace {

using Item = CSuperGridModel::CTreeItem;

// Records the hooks and vetoes what it is told to.
class CGrid : public CSuperGridModel {
 public:
  bool m_vetoExpand = false;
  bool m_vetoCollapse = false;
  std::vector<std::string> m_calls;

 protected:
  bool OnItemExpanding(Item*, int) override { return !m_vetoExpand; }
  void OnItemExpanded(Item*, int) override { m_calls.push_back("expanded"); }
  bool OnItemCollapsing(Item*) override { return !m_vetoCollapse; }
  void OnItemCollapsed(Item*) override { m_calls.push_back("collapsed"); }
};

// The shown rows' column-0 texts, in order.
std::vector<std::wstring> Rows(const CSuperGridModel& grid) {
  std::vector<std::wstring> rows;
  for (int row = 0; row < grid.GetRowCount(); ++row) {
    EXPECT_EQ(row, grid.GetRowItem(row)->GetRow());
    rows.emplace_back(grid.GetRowItem(row)->GetCellText(0).GetString());
  }
  return rows;
}

using Texts = std::vector<std::wstring>;

TEST(SuperGridModelTest, ChildrenOfCollapsedParentsGetRowsOnlyWhenExpandedAndNestedExpansionComesBack) {
  CGrid grid;
  Item* a = grid.InsertItem(nullptr, L"a", 0);
  Item* b = grid.InsertItem(nullptr, L"b", 0);
  Item* a1 = grid.InsertItem(a, L"a1", 0);
  Item* a11 = grid.InsertItem(a1, L"a11", 0);
  EXPECT_EQ(2, a1->GetLevel());
  EXPECT_EQ(-1, a1->GetRow());
  EXPECT_EQ((Texts{L"a", L"b"}), Rows(grid));

  grid.Expand(a);
  grid.Expand(a1);
  EXPECT_EQ((Texts{L"a", L"a1", L"a11", L"b"}), Rows(grid));
  grid.Collapse(a);
  EXPECT_EQ(-1, a11->GetRow());
  EXPECT_EQ((Texts{L"a", L"b"}), Rows(grid));
  grid.Expand(a);
  EXPECT_EQ((Texts{L"a", L"a1", L"a11", L"b"}), Rows(grid));
  EXPECT_EQ(3, b->GetRow());
}

TEST(SuperGridModelTest, ANewChildGoesAfterItsExpandedSiblingsShownRows) {
  CGrid grid;
  Item* a = grid.InsertItem(nullptr, L"a", 0);
  grid.InsertItem(nullptr, L"b", 0);
  Item* a1 = grid.InsertItem(a, L"a1", 0);
  grid.InsertItem(a1, L"a11", 0);
  grid.InsertItem(a1, L"a12", 0);
  grid.Expand(a);
  grid.Expand(a1);
  grid.InsertItem(a, L"a2", 0);
  EXPECT_EQ((Texts{L"a", L"a1", L"a11", L"a12", L"a2", L"b"}), Rows(grid));
}

TEST(SuperGridModelTest, VetoesLeaveTheExpansionAsItWasAndScrollNothing) {
  CGrid grid;
  Item* a = grid.InsertItem(nullptr, L"a", 0);
  grid.InsertItem(a, L"a1", 0);
  Item* leaf = grid.InsertItem(nullptr, L"leaf", 0);

  grid.m_vetoExpand = true;
  EXPECT_EQ(-1, grid.ToggleExpansion(a));
  EXPECT_TRUE(a->IsCollapsed());
  EXPECT_EQ(-1, grid.ToggleExpansion(leaf));
  EXPECT_TRUE(grid.m_calls.empty());

  grid.m_vetoExpand = false;
  EXPECT_EQ(2, grid.ToggleExpansion(a));  // the row after the children, within the grid
  grid.m_vetoCollapse = true;
  EXPECT_EQ(-1, grid.ToggleExpansion(a));
  EXPECT_FALSE(a->IsCollapsed());
  grid.m_vetoCollapse = false;
  EXPECT_EQ(0, grid.ToggleExpansion(a));
  EXPECT_EQ((std::vector<std::string>{"expanded", "collapsed"}), grid.m_calls);
}

TEST(SuperGridModelTest, SortingAlternatesPerColumnSortsEveryLevelAndKeepsChildrenUnderParents) {
  CGrid grid;
  Item* b = grid.InsertItem(nullptr, L"B", 0);
  Item* a = grid.InsertItem(nullptr, L"a", 0);
  grid.InsertItem(b, L"y", 0);
  grid.InsertItem(b, L"X", 0);
  Item* c = grid.InsertItem(nullptr, L"c", 0);
  grid.SetCellText(a, 1, L"3");
  grid.SetCellText(b, 1, L"1");
  grid.SetCellText(c, 1, L"2");
  grid.Expand(b);

  struct Case {
    int column;
    Texts rows;
    int lastSorted;
  };
  const Case cases[] = {
      {0, {L"a", L"B", L"X", L"y", L"c"}, 0},
      {0, {L"c", L"B", L"y", L"X", L"a"}, CSuperGridModel::kNoColumn},
      {0, {L"a", L"B", L"X", L"y", L"c"}, 0},
      {1, {L"B", L"X", L"y", L"c", L"a"}, 1},  // another column starts ascending
      {1, {L"a", L"c", L"B", L"X", L"y"}, CSuperGridModel::kNoColumn},  // equal sub-items keep their order
  };
  for (const Case& each : cases) {
    grid.SortByColumn(each.column);
    EXPECT_EQ(each.rows, Rows(grid)) << each.column;
    EXPECT_EQ(each.lastSorted, grid.GetLastSortedColumn());
  }
}

TEST(SuperGridModelTest, DeletingTakesTheSubtreeAndTheSelectionFindSearchesCollapsedSubtrees) {
  CGrid grid;
  Item* a = grid.InsertItem(nullptr, L"a", 0);
  Item* a1 = grid.InsertItem(a, L"a1", 0);
  Item* a11 = grid.InsertItem(a1, L"a11", 0);
  grid.InsertItem(nullptr, L"b", 0);
  int keys[3];
  a->m_pUserData = &keys[0];
  a11->m_pUserData = &keys[1];
  EXPECT_EQ(a11, grid.FindItem(&keys[1]));
  EXPECT_EQ(nullptr, grid.FindItem(&keys[2]));

  grid.Expand(a);
  grid.Select(a1);
  grid.DeleteItem(a1);
  EXPECT_TRUE(grid.GetSelection().empty());
  EXPECT_EQ(nullptr, grid.FindItem(&keys[1]));
  EXPECT_EQ((Texts{L"a", L"b"}), Rows(grid));
  EXPECT_EQ(a, grid.GetTopRoot(0));
  grid.DeleteAllItems();
  EXPECT_EQ(nullptr, grid.GetTopRoot(0));
  EXPECT_EQ(0, grid.GetRowCount());
}

TEST(SuperGridModelTest, TheTopRootHoldsTheTopRowAndIsTheFirstRootForARowOutside) {
  CGrid grid;
  Item* a = grid.InsertItem(nullptr, L"a", 0);
  grid.InsertItem(a, L"a1", 0);
  Item* b = grid.InsertItem(nullptr, L"b", 0);
  grid.Expand(a);
  EXPECT_EQ(a, grid.GetTopRoot(1));
  EXPECT_EQ(b, grid.GetTopRoot(2));
  EXPECT_EQ(a, grid.GetTopRoot(17));
}

TEST(SuperGridModelTest, CutTextKeepsAtLeastOneCharacterBeforeTheDots) {
  auto measure = [](const CString& text) { return text.GetLength() * 10; };  // "..." is 30 wide
  struct Case {
    const wchar_t* text;
    int width;
    const wchar_t* cut;
  };
  const Case cases[] = {
      {L"abc", 35, L"abc"},   // 30 + 4 < 35
      {L"abc", 34, L"a..."},  // fits no longer, and no two characters with the dots
      {L"abcdef", 64, L"ab..."},
      {L"W", 5, L"W..."},
  };
  for (const Case& each : cases)
    EXPECT_STREQ(each.cut, CSuperGridModel::CutText(CString(each.text), each.width, 4, measure).GetString())
        << each.text << " " << each.width;
}

}  // namespace
