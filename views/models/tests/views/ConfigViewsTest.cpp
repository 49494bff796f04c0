#include <gtest/gtest.h>

#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonDispatch.h"
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
