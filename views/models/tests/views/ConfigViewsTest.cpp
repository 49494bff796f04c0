#include <gtest/gtest.h>

#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/CPTreeObject.h"
#include "lon/LonDispatch.h"
#include "lon/LonNode.h"
#include "lon/NodeTreeObject.h"
#include "lon/NvTreeObject.h"
#include "platform/win32/Profile.h"
#include "project/ProjectResource.h"
#include "views/models/ConfigViewResource.h"
#include "views/models/DeviceViewModel.h"
#include "views/models/MultiSetDlgModel.h"
#include "views/models/TagViewModel.h"
#include "views/models/tests/ConfigFixture.h"

namespace {

using Item = CObjectTreeModel::CItem;

// Records what the views ask of their windows and the main window.
class CRecordingHost : public CDeviceViewHost, public CTagViewHost {
 public:
  void UpdateProperties(WPARAM what, CTreeObject* object) override { m_updates.push_back({what, object}); }
  bool IsMinimised() override { return m_bMinimised; }
  int GetTopIndex() override { return m_nTopIndex; }
  int GetCountPerPage() override { return m_nPerPage; }
  int m_nTopIndex = 0;
  int m_nPerPage = 20;
  void SetTimer(UINT id, UINT ms) override { m_timers.push_back({id, ms}); }
  void KillTimer(UINT id) override { m_timers.push_back({id, 0}); }
  int RunMultiSetDialog(CMultiSetDlgModel& dialog) override {
    dialog.OnInitDialog();
    return m_nMultiSetAnswer;
  }
  std::vector<std::pair<WPARAM, CTreeObject*>> m_updates;
  std::vector<std::pair<UINT, UINT>> m_timers;
  bool m_bMinimised = false;
  int m_nMultiSetAnswer = IDCANCEL;
};

class ConfigViewsTest : public ConfigFixture {
 protected:
  void SetUp() override {
    ConfigFixture::SetUp();
    m_doc->AddView(&m_devices);
    m_doc->AddView(&m_tags);
    m_devices.OnInitialUpdate();
    m_tags.OnInitialUpdate();
  }
  void TearDown() override {
    m_tags.OnUpdate(nullptr, HintMonitoringOff, nullptr);
    m_doc->RemoveView(&m_tags);
    m_doc->RemoveView(&m_devices);
    ConfigFixture::TearDown();
  }
  Item* ItemOf(CTreeObject* object) { return m_devices.FindObjectItem(object); }
  // Selects the object's item in the device view, as a click would.
  void Select(CTreeObject* object) { m_devices.SelectItem(ItemOf(object)); }
  CString Cell(int row, int column) { return m_tags.GetList().GetRowItem(row)->GetCellText(column); }
  int Count(kestrum::ObjectKind kind, const wchar_t* key, DISPID id) {
    LONG count = 0;
    m_simulation->GetCallCount(kind, key, id, &count);
    return count;
  }

  CRecordingHost m_windows;
  CDeviceViewModel m_devices{&m_windows};
  CTagViewModel m_tags{&m_windows};
};

// Every item of the device view, depth first.
std::vector<Item*> Items(const CObjectTreeModel& tree) {
  std::vector<Item*> items;
  std::function<void(const std::vector<std::unique_ptr<Item>>&)> walk = [&](const auto& level) {
    for (const auto& item : level) {
      items.push_back(item.get());
      walk(item->GetChildren());
    }
  };
  walk(tree.GetRootItems());
  return items;
}

TEST_F(ConfigViewsTest, TheDeviceTreeShowsNoNvsOrCpsAndMarksInactiveDevicesAtOnce) {
  Start();
  const auto items = Items(m_devices);
  ASSERT_FALSE(items.empty());
  EXPECT_EQ(m_doc->m_pDeviceTree, items.front()->GetObject());
  for (Item* item : items) {
    const int type = dynamic_cast<CDefaultObject*>(item->GetObject())->GetType();
    EXPECT_NE(TreeObjectNV, type);
    EXPECT_NE(TreeObjectCP, type);
  }
  CDefaultObject* node = Find(TreeObjectNode);
  ASSERT_NE(nullptr, ItemOf(node));
  Select(node);
  EXPECT_EQ(CString(L"Set inactive"), m_devices.GetActiveCommandText());
  m_windows.m_updates.clear();
  m_devices.OnActive();
  EXPECT_EQ(CDeviceViewModel::kInactiveOverlay, ItemOf(node)->GetOverlay());
  EXPECT_EQ(CString(L"Set active"), m_devices.GetActiveCommandText());
  ASSERT_EQ(1u, m_windows.m_updates.size());
  EXPECT_EQ(kPropertiesChanged, m_windows.m_updates[0].first);
  m_devices.OnActive();
  EXPECT_EQ(0, ItemOf(node)->GetOverlay());

  // A right click on the item already selected opens the menu without selecting it again: the
  // tag view keeps its rows and their selection.
  m_tags.OnItemSelected(0);
  CTreeObject* tagSelected = m_tags.GetSelectedObject();
  ASSERT_NE(nullptr, tagSelected);
  m_devices.OnRightClick(ItemOf(node), POINT{1, 1});
  EXPECT_EQ(tagSelected, m_tags.GetSelectedObject());
  EXPECT_EQ(1u, m_tags.GetList().GetSelection().size());

  // Hints that other views send are not the device view's business; the document's are.
  m_doc->UpdateAllViews(&m_tags, HintAll);
  EXPECT_EQ(items.size(), Items(m_devices).size());
  m_doc->UpdateAllViews(nullptr, HintDeviceTreeGoing);
  EXPECT_TRUE(m_devices.GetRootItems().empty());
  EXPECT_EQ(nullptr, m_devices.GetSelectedObject());
}

TEST_F(ConfigViewsTest, DeleteAsksFirstRefusesWhileClientsAreConnectedAndTakesTheItemWithTheDevice) {
  Start();
  CDefaultObject* node = Find(TreeObjectNode);
  Select(node);
  EXPECT_TRUE(m_devices.IsNodeCommandEnabled());
  m_host.m_nStartMode = 2;
  EXPECT_FALSE(m_devices.IsNodeCommandEnabled());
  m_host.m_nStartMode = 1;

  m_boxes->Answer(IDNO);
  m_devices.OnDeleteNode();
  EXPECT_EQ(1u, m_boxes->Texts().size());
  m_host.m_bClients = true;
  m_boxes->Answer(IDYES);
  m_devices.OnDeleteNode();
  ASSERT_EQ(3u, m_boxes->Texts().size());
  EXPECT_EQ(CString(L"OPC Clients are currently connected to this server. Disconnect them first."), m_boxes->Texts()[2]);
  EXPECT_EQ(node, Find(TreeObjectNode));
  m_devices.OnReplace();
  EXPECT_EQ(4u, m_boxes->Texts().size());

  m_host.m_bClients = false;
  const size_t before = Items(m_devices).size();
  size_t subtree = 0;
  for (Item* item : Items(m_devices))
    for (Item* at = item; at != nullptr; at = at->GetParent()) subtree += at->GetObject() == node ? 1 : 0;
  m_boxes->Answer(IDYES);
  m_devices.OnDeleteNode();
  EXPECT_EQ(before - subtree, Items(m_devices).size());
  EXPECT_EQ(nullptr, m_devices.GetSelectedObject());
  for (Item* item : Items(m_devices)) EXPECT_NE(static_cast<CTreeObject*>(node), item->GetObject());  // compared only: it has gone
}

// What the device view's window is told: a deleted device takes only its own item (the window
// keeps every other item's expansion), never a rebuild of the whole tree.
class CRecordingTreeListener : public CObjectTreeModel::CListener {
 public:
  void OnItemsReset() override { ++m_nResets; }
  void OnItemRemoving(CObjectTreeModel::CItem* item) override { m_removed.push_back(item->GetObject()); }
  int m_nResets = 0;
  std::vector<CTreeObject*> m_removed;
};

TEST_F(ConfigViewsTest, ADeletedDeviceTakesOnlyItsOwnItemAndKeepsAnotherSelection) {
  Start();
  CRecordingTreeListener window;
  m_devices.SetListener(&window);
  CDefaultObject* doomed = Find(TreeObjectNode);
  CDefaultObject* other = Find(TreeObjectNode, [&](CDefaultObject* object) { return object != doomed; });
  ASSERT_NE(nullptr, other);
  Select(doomed);
  m_boxes->Answer(IDYES);
  m_devices.OnDeleteNode();
  EXPECT_EQ(0, window.m_nResets);
  ASSERT_EQ(1u, window.m_removed.size());
  EXPECT_EQ(static_cast<CTreeObject*>(doomed), window.m_removed[0]);  // compared only: it has gone
  EXPECT_EQ(nullptr, m_devices.GetSelectedObject());

  // A device the network removes while another is selected: the selection stays.
  Select(m_doc->m_pDeviceTree);
  CDefaultObject* next = Find(TreeObjectNode);
  ASSERT_NE(nullptr, next);
  window.m_removed.clear();
  m_doc->UpdateAllViews(nullptr, HintObjectRemoved, next);
  EXPECT_EQ(0, window.m_nResets);
  EXPECT_EQ(std::vector<CTreeObject*>{next}, window.m_removed);
  EXPECT_EQ(static_cast<CTreeObject*>(m_doc->m_pDeviceTree), m_devices.GetSelectedObject());
  m_devices.SetListener(nullptr);
}

TEST_F(ConfigViewsTest, ASelectionFillsTheTagsAndValuesShowOnlyWhileMonitoring) {
  Start();
  CDefaultObject* node = Find(TreeObjectNode);
  Select(node);
  ASSERT_EQ(node, m_tags.GetShownObject());
  const int rows = m_tags.GetList().GetRowCount();
  ASSERT_GT(rows, 0);
  for (int row = 0; row < rows; ++row) {
    EXPECT_FALSE(Cell(row, 0).IsEmpty());
    EXPECT_FALSE(Cell(row, 3).IsEmpty()) << "type";
    EXPECT_EQ(7, Cell(row, 6).GetLength()) << "cache timeout";
    EXPECT_TRUE(Cell(row, 2).IsEmpty()) << "no value before monitoring";
  }
  // Hint 2 from any other view than the device view changes nothing.
  m_doc->UpdateAllViews(nullptr, HintSelectionChanged, Find(TreeObjectRouter + 1));
  EXPECT_EQ(node, m_tags.GetShownObject());

  m_doc->OnMonitor();
  EXPECT_TRUE(m_tags.IsMonitorRunning());
  EXPECT_EQ((std::vector<std::pair<UINT, UINT>>{{ID_TIMER_TAG_VALUES, 600}}), m_windows.m_timers);
  EXPECT_TRUE(Cell(0, 2).IsEmpty()) << "values come with the first tick";
  m_windows.m_bMinimised = true;
  m_tags.OnTimer(ID_TIMER_TAG_VALUES);
  EXPECT_TRUE(Cell(0, 2).IsEmpty());
  m_windows.m_bMinimised = false;
  m_tags.OnTimer(ID_TIMER_TAG_VALUES);
  EXPECT_FALSE(Cell(0, 2).IsEmpty());

  m_doc->OnMonitor();
  EXPECT_FALSE(m_tags.IsMonitorRunning());
  EXPECT_EQ(ID_TIMER_TAG_VALUES, m_windows.m_timers.back().first);
  EXPECT_EQ(0u, m_windows.m_timers.back().second);
  EXPECT_TRUE(Cell(0, 2).IsEmpty());
}

TEST_F(ConfigViewsTest, AnExpandedRowComesBackExpandedWhenItsDeviceIsShownAgain) {
  Start();
  CDefaultObject* nv = Find(TreeObjectNV, [](CDefaultObject* object) { return !object->m_children.empty(); });
  ASSERT_NE(nullptr, nv);
  CTreeObject* owner = nv->m_pParent;
  Select(owner);
  const int collapsed = m_tags.GetList().GetRowCount();
  auto* item = m_tags.GetList().FindItem(nv);
  ASSERT_NE(nullptr, item);
  m_tags.OnToggleRow(item->GetRow());
  const int expanded = m_tags.GetList().GetRowCount();
  EXPECT_GT(expanded, collapsed);
  Select(m_doc->m_pDeviceTree);
  EXPECT_EQ(0, m_tags.GetList().GetRowCount());
  Select(owner);
  EXPECT_EQ(expanded, m_tags.GetList().GetRowCount());
}

TEST_F(ConfigViewsTest, StopLetsGoOfTheShownObjectsBeforeTheTreeGoesSoMonitoringAfterwardsTouchesNothing) {
  Start();
  Select(Find(TreeObjectNode));
  ASSERT_NE(nullptr, m_tags.GetShownObject());
  m_doc->OnStop();
  EXPECT_EQ(nullptr, m_tags.GetShownObject());
  EXPECT_EQ(0, m_tags.GetList().GetRowCount());
  m_doc->OnMonitor();  // hint 13 with nothing shown
  EXPECT_TRUE(m_tags.IsMonitorRunning());
  EXPECT_EQ(0u, m_tags.GetMonitor().GetNvCount());
}

TEST_F(ConfigViewsTest, ChangeValueRefusesAnNvNotWritableFromTheHostAndMultiSetAppliesThroughTheControl) {
  Start();
  CDefaultObject* output = Find(TreeObjectNV, [](CDefaultObject* object) {
    auto* nv = CNvTreeObject::FromObject(object);
    return nv != nullptr && !nv->m_pNV->IsWritable();
  });
  ASSERT_NE(nullptr, output);
  Select(output->m_pParent);
  auto* row = m_tags.GetList().FindItem(output);
  ASSERT_NE(nullptr, row);
  m_tags.OnItemSelected(row->GetRow());
  EXPECT_EQ(output, m_tags.GetSelectedObject());
  m_tags.OnChangeValue();
  EXPECT_EQ(std::vector<CString>{L"The network variable is not writable. Check its direction."}, m_boxes->Texts());

  m_windows.m_nMultiSetAnswer = IDOK;
  m_simulation->RecordCalls(TRUE);
  m_simulation->ResetCalls();
  m_tags.OnMultipleSetting();
  EXPECT_EQ(1, Count(kestrum::kObjControl, L"", kestrum::ctl::kApplyMultiSetting));
  EXPECT_EQ(1u, m_boxes->Texts().size()) << "applied without a message";
}

// The device with the most NVs and CPs shown as top-level rows, and one of its rows that has
// field rows below it.
CTreeObject* DeviceWithMostTags(CTreeObject* root) {
  CTreeObject* best = nullptr;
  size_t most = 0;
  std::function<void(CTreeObject*)> walk = [&](CTreeObject* object) {
    if (CNodeTreeObject::FromObject(object) != nullptr && object->m_children.size() > most) {
      most = object->m_children.size();
      best = object;
    }
    for (CTreeObject* child : object->m_children) walk(child);
  };
  walk(root);
  return best;
}

// A tick refreshes at most a page of top-level rows, with all their descendants, starting at the
// one that holds the top visible row; a tick moves no row, so the window keeps its selection.
TEST_F(ConfigViewsTest, ATickRefreshesAPageOfRootsFromTheOneHoldingTheTopRow) {
  Start();
  CTreeObject* device = DeviceWithMostTags(m_doc->m_pDeviceTree);
  ASSERT_NE(nullptr, device);
  Select(device);
  CTagsListModel& list = m_tags.GetList();
  const auto& roots = list.GetRootItems();
  ASSERT_GE(roots.size(), 6u);
  // Root 2 expanded when it has fields, so the top row may lie inside it.
  for (const auto& root : roots)
    if (root->HasChildren()) {
      m_tags.OnToggleRow(root->GetRow());
      break;
    }
  CSuperGridModel::CTreeItem* topRoot = roots[2].get();
  m_windows.m_nTopIndex = topRoot->HasChildren() && !topRoot->IsCollapsed() ? topRoot->GetRow() + 1 : topRoot->GetRow();
  m_windows.m_nPerPage = 3;
  m_tags.OnItemSelected(roots[3]->GetRow());
  m_doc->OnMonitor();
  const unsigned layout = list.GetLayoutGeneration();
  m_tags.OnTimer(ID_TIMER_TAG_VALUES);
  EXPECT_EQ(layout, list.GetLayoutGeneration()) << "a tick moves no row";
  ASSERT_EQ(1u, list.GetSelection().size());
  EXPECT_EQ(roots[3].get(), list.GetSelection()[0]);
  std::function<bool(const CSuperGridModel::CTreeItem*)> valued = [&](const CSuperGridModel::CTreeItem* item) {
    if (item->GetCellText(2).IsEmpty()) return false;
    for (const auto& child : item->GetChildren())
      if (!valued(child.get())) return false;
    return true;
  };
  for (size_t i = 0; i < roots.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(i >= 2 && i < 5, valued(roots[i].get()));
  }
}

// The case as the tag view meets it on a large device: 40 top-level rows, 20 a page, the top
// visible row in the eleventh: a tick refreshes rows 10 to 29, no others.
TEST_F(ConfigViewsTest, WithFortyRootsAndTwentyAPageATickRefreshesTheTwentyFromTheTopOne) {
  Start();
  CDefaultObject forty;  // forty NVs of the network under one object, as one device would hold them
  for (CLonNode* node : m_doc->m_nodes)
    for (CNetworkVariable* nv : node->GetNVs())
      if (forty.m_children.size() < 40) forty.AddChild(new CNvTreeObject(nv));
  ASSERT_EQ(40u, forty.m_children.size());
  m_tags.OnUpdate(&m_devices, HintSelectionChanged, &forty);
  const auto& roots = m_tags.GetList().GetRootItems();
  ASSERT_EQ(40u, roots.size());
  m_doc->OnMonitor();
  m_windows.m_nPerPage = 20;
  m_windows.m_nTopIndex = 10;
  m_tags.OnTimer(ID_TIMER_TAG_VALUES);
  for (size_t i = 0; i < roots.size(); ++i)
    EXPECT_EQ(i >= 10 && i < 30, !roots[i]->GetCellText(2).IsEmpty()) << i;
  m_tags.OnUpdate(nullptr, HintAll, nullptr);  // lets go of the rows before their objects go
}

// "Timestamp" sorts by the value's time stamp, rows without one last, then reversed; "Address" by
// kind (NVs before CPs) and index; every level on its own.
TEST_F(ConfigViewsTest, TheAddressAndTimestampHeadersSortByKindAndIndexAndByTimeBothWays) {
  Start();
  // A CP beside NVs.
  CDefaultObject* cp = Find(TreeObjectCP, [](CDefaultObject* object) {
    for (CTreeObject* sibling : object->m_pParent->m_children)
      if (auto* typed = dynamic_cast<CDefaultObject*>(sibling); typed != nullptr && typed->GetType() == TreeObjectNV) return true;
    return false;
  });
  ASSERT_NE(nullptr, cp);
  Select(cp->m_pParent);
  CTagsListModel& list = m_tags.GetList();
  ASSERT_GE(list.GetRootItems().size(), 2u);
  // One value read from its device, so one row has a time stamp and the others have none.
  for (const auto& root : list.GetRootItems())
    if (CNvTreeObject* nv = CNvTreeObject::FromObject(CTagsListModel::ObjectOf(root.get())); nv != nullptr && nv->GetType() == TreeObjectNV) {
      EXPECT_TRUE(nv->m_pNV->m_dispatch.InvokeMethod<bool>(kestrum::nv::kReadDevice));
      break;
    }
  auto stamp = [](const CSuperGridModel::CTreeItem* item) -> unsigned long long {
    auto* object = dynamic_cast<CDefaultObject*>(CTagsListModel::ObjectOf(item));
    FILETIME time{0xFFFFFFFF, 0xFFFFFFFF};
    if (object->GetType() == TreeObjectNV) time = CNvTreeObject::FromObject(object)->GetTimestamp();
    if (object->GetType() == TreeObjectCP) time = CCPTreeObject::FromObject(object)->GetTimestamp();
    return static_cast<unsigned long long>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
  };
  auto kindAndIndex = [](const CSuperGridModel::CTreeItem* item) {
    auto* object = dynamic_cast<CDefaultObject*>(CTagsListModel::ObjectOf(item));
    const int type = object->GetType();
    int index = -1;
    if (type == TreeObjectNV) index = lon_dispatch::GetShort(CNvTreeObject::FromObject(object)->m_pNV->m_dispatch, kestrum::nv::kIndex);
    if (type == TreeObjectCP) index = lon_dispatch::GetShort(CCPTreeObject::FromObject(object)->m_pCP->m_dispatch, kestrum::cp::kIndex);
    return std::make_pair(type, index);
  };
  auto sortedBy = [&](auto key, bool ascending) {
    const auto& roots = list.GetRootItems();
    for (size_t i = 1; i < roots.size(); ++i) {
      const auto a = key(roots[i - 1].get()), b = key(roots[i].get());
      if (ascending ? b < a : a < b) return false;
    }
    return true;
  };
  m_tags.OnColumnClick(CTagsListModel::kColumnTimestamp);
  EXPECT_TRUE(sortedBy(stamp, true));
  EXPECT_NE(~0ULL, stamp(list.GetRootItems().front().get())) << "the NV written has a time stamp";
  EXPECT_EQ(~0ULL, stamp(list.GetRootItems().back().get())) << "rows without a time stamp last";
  m_tags.OnColumnClick(CTagsListModel::kColumnTimestamp);
  EXPECT_TRUE(sortedBy(stamp, false));
  EXPECT_EQ(~0ULL, stamp(list.GetRootItems().front().get())) << "then first";

  m_tags.OnColumnClick(CTagsListModel::kColumnAddress);
  EXPECT_TRUE(sortedBy(kindAndIndex, true));
  EXPECT_EQ(TreeObjectNV, kindAndIndex(list.GetRootItems().front().get()).first);
  m_tags.OnColumnClick(CTagsListModel::kColumnAddress);
  EXPECT_TRUE(sortedBy(kindAndIndex, false));
  for (int row = 0; row < list.GetRowCount(); ++row) EXPECT_EQ(row, list.GetRowItem(row)->GetRow());
}

// Hints 4 (an object changed), 8 (inactive marks), 9 (a tag went) and 10 (a tag came).
TEST_F(ConfigViewsTest, TagHintsRefreshMarkRemoveAndAddRows) {
  Start();
  CTreeObject* device = DeviceWithMostTags(m_doc->m_pDeviceTree);
  Select(device);
  CTagsListModel& list = m_tags.GetList();
  CSuperGridModel::CTreeItem* first = list.GetRootItems().front().get();
  CTreeObject* object = CTagsListModel::ObjectOf(first);
  auto* nv = CNvTreeObject::FromObject(object);
  ASSERT_TRUE(nv != nullptr && nv->GetType() == TreeObjectNV);

  nv->m_pNV->m_dispatch.SetProperty(kestrum::nv::kDescription, VT_BSTR, L"Hall light");
  EXPECT_NE(CString(L"Hall light"), first->GetCellText(4));
  m_doc->UpdateAllViews(nullptr, HintNameChanged, dynamic_cast<CObject*>(object));
  EXPECT_EQ(CString(L"Hall light"), first->GetCellText(4));

  m_doc->m_settings.monitorNVs = 0;  // "selected": an NV that is not monitored is marked inactive
  nv->m_pNV->m_dispatch.SetProperty(kestrum::nv::kMonitored, VT_BOOL, false);
  EXPECT_EQ(0, first->m_nOverlay);
  m_doc->UpdateAllViews(nullptr, HintInactiveChanged, nullptr);
  EXPECT_EQ(1, first->m_nOverlay);

  m_tags.OnItemSelected(first->GetRow());
  const int rows = list.GetRowCount();
  const size_t roots = list.GetRootItems().size();
  m_doc->UpdateAllViews(nullptr, HintTagRemoved, dynamic_cast<CObject*>(object));
  EXPECT_EQ(nullptr, list.FindItem(object));
  EXPECT_EQ(roots - 1, list.GetRootItems().size());
  EXPECT_EQ(nullptr, m_tags.GetSelectedObject());
  EXPECT_TRUE(list.GetSelection().empty());

  m_doc->UpdateAllViews(nullptr, HintTagAdded, dynamic_cast<CObject*>(object));
  CSuperGridModel::CTreeItem* added = list.FindItem(object);
  ASSERT_NE(nullptr, added);
  EXPECT_EQ(roots, list.GetRootItems().size());
  EXPECT_EQ(list.GetRootItems().back().get(), added) << "appended at the end";
  EXPECT_FALSE(added->HasChildren()) << "the object alone";
  EXPECT_EQ(CString(L"Hall light"), added->GetCellText(4));
  EXPECT_EQ(rows, list.GetRowCount()) << "its fields stay out, as they were collapsed";
  // A tag of another device than the one shown is not added.
  CDefaultObject* other = Find(TreeObjectNV, [&](CDefaultObject* o) { return o->m_pParent != device; });
  ASSERT_NE(nullptr, other);
  const size_t before = list.GetRootItems().size();
  m_doc->UpdateAllViews(nullptr, HintTagAdded, dynamic_cast<CObject*>(other));
  EXPECT_EQ(before, list.GetRootItems().size());
}

// Several selected rows: the pane shows the rows they share with the values of the one selected
// first, an edit there reaches every one of them, and focus refreshes the pane.
TEST_F(ConfigViewsTest, SeveralSelectedRowsShareTheFirstSelectedRowsSettingsAndTakeEditsTogether) {
  Start();
  CTreeObject* device = DeviceWithMostTags(m_doc->m_pDeviceTree);
  Select(device);
  CTagsListModel& list = m_tags.GetList();
  std::vector<CSuperGridModel::CTreeItem*> nvRows;
  for (const auto& root : list.GetRootItems())
    if (auto* typed = dynamic_cast<CDefaultObject*>(CTagsListModel::ObjectOf(root.get())); typed->GetType() == TreeObjectNV)
      nvRows.push_back(root.get());
  ASSERT_GE(nvRows.size(), 2u);
  auto nvOf = [](CSuperGridModel::CTreeItem* item) { return CNvTreeObject::FromObject(CTagsListModel::ObjectOf(item))->m_pNV; };
  nvOf(nvRows[0])->m_dispatch.SetProperty(kestrum::nv::kCacheTimeout, VT_I4, LONG{1111});
  nvOf(nvRows[1])->m_dispatch.SetProperty(kestrum::nv::kCacheTimeout, VT_I4, LONG{2222});
  auto timeoutRow = [&]() -> LONG {
    CPropertyList properties;
    m_tags.GetProperties(properties);
    for (const auto& group : properties)
      if (CPropertyRow* row = group->FindChild(L"Cache timeout")) return row->m_value.vt == VT_I4 ? row->m_value.lVal : -2;
    return -1;
  };

  // The later row selected first, then both (as Ctrl+click adds the other): its values show.
  m_windows.m_updates.clear();
  m_tags.OnSelectionChanged({nvRows[1]->GetRow()});
  m_tags.OnSelectionChanged({nvRows[0]->GetRow(), nvRows[1]->GetRow()});
  ASSERT_EQ(2u, list.GetSelection().size());
  EXPECT_EQ(nvRows[1], list.GetSelection()[0]);
  EXPECT_EQ(CTagsListModel::ObjectOf(nvRows[0]), m_tags.GetSelectedObject()) << "the row selected last";
  EXPECT_EQ(2222, timeoutRow());
  ASSERT_EQ(2u, m_windows.m_updates.size());
  EXPECT_EQ(kPropertiesSelection, m_windows.m_updates[1].first);

  m_tags.OnSelectionChanged({nvRows[0]->GetRow()});
  m_tags.OnSelectionChanged({nvRows[0]->GetRow(), nvRows[1]->GetRow()});
  EXPECT_EQ(1111, timeoutRow());

  CPropertyRow edit;
  edit.m_nDataId = 0;
  edit.m_value = COleVariant(LONG{3333});
  m_tags.OnPropertyChanged(&edit);
  EXPECT_EQ(3333, nvOf(nvRows[0])->m_dispatch.GetProperty<LONG>(kestrum::nv::kCacheTimeout));
  EXPECT_EQ(3333, nvOf(nvRows[1])->m_dispatch.GetProperty<LONG>(kestrum::nv::kCacheTimeout));
  EXPECT_EQ(CString(L"   3333"), nvRows[1]->GetCellText(6));

  m_windows.m_updates.clear();
  m_tags.OnSetFocus();
  ASSERT_EQ(1u, m_windows.m_updates.size());
  EXPECT_EQ(kPropertiesSelection, m_windows.m_updates[0].first);
  EXPECT_EQ(nullptr, m_windows.m_updates[0].second);
}

TEST_F(ConfigViewsTest, ColumnWidthsAreKeptInTheProfile) {
  CRegistryProfile profile(L"Tessaly");
  profile.SetRegistryKey(L"Norvane GmbH");
  AfxSetRegistryProfile(&profile);
  EXPECT_EQ((std::vector<int>{110, 120, 80, 60, 120, 90, 85}), CTagViewModel::LoadColumnWidths());
  CTagViewModel::SaveColumnWidths({1, 2, 3});
  EXPECT_EQ(CString(L"1;2;3"), profile.GetProfileString(L"TagView", L"ColumnsWidth"));
  EXPECT_EQ((std::vector<int>{1, 2, 3, 60, 120, 90, 85}), CTagViewModel::LoadColumnWidths());
  AfxSetRegistryProfile(nullptr);
}

}  // namespace
