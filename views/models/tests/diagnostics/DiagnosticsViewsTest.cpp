// The OPC diagnostics workspace's views over the project document, with an in-process OPC
// client on the demo network: the tree follows the client's server and groups, the group view
// its items and name, the client view its server, each tick driven by the program's clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <memory>
#include <vector>

#include "foundation/EventsManager.h"
#include "opcserver/testing/OpcTestClient.h"
#include "opcserver/testing/demo/OpcDemoNetwork.h"
#include "platform/win32/Messages.h"
#include "project/Doc.h"
#include "opcserver/OPCToolkitManager.h"
#include "project/OPCGroupTreeObject.h"
#include "project/OPCItemTreeObject.h"
#include "project/OPCServerTreeObject.h"
#include "project/ProjectResource.h"
#include "project/tests/doc/DocFixture.h"
#include "views/models/ClientViewModel.h"
#include "views/models/GroupFeaturesViewModel.h"
#include "views/models/GroupItemViewModel.h"

namespace {

class CRecordingFrame : public CGroupItemViewModel::Frame {
 public:
  void ReplaceRightView(CGroupItemViewModel::RightView view) override { m_views.push_back(view); }
  std::vector<CGroupItemViewModel::RightView> m_views;
};

// Another view of the document, sending its own selections.
class COtherView : public CView {};

class DiagnosticsViewsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_net.IsOpen());
    static CEventsManager* events = CEventsManager::Create();
    ASSERT_NE(nullptr, events);
    m_doc = std::make_unique<CDoc>();
    m_doc->m_bAutoDelete = false;
    for (CView* view : std::initializer_list<CView*>{&m_tree, &m_features, &m_client, &m_other})
      m_doc->AddView(view);
    m_tree.OnInitialUpdate();
    m_features.OnInitialUpdate();
    m_client.OnInitialUpdate();
    m_features.GetItems().SetVisibleRows(0, 20);
  }
  void TearDown() override {
    m_opc.Release();
    Pump();
    m_features.OnDestroy();
    m_client.OnDestroy();
    for (CView* view : std::initializer_list<CView*>{&m_tree, &m_features, &m_client, &m_other})
      m_doc->RemoveView(view);
    m_doc.reset();
  }
  // The events the OPC objects queued reach the document, and through it the views.
  void Pump() {
    for (int i = 0; i < 100 && tessaly::win32::PumpPendingMessages() > 0;) ++i;
  }
  // One second of the program's clock: one tick of each view's timer.
  void Tick() {
    m_net.AdvanceClock(1000);
    Pump();
  }
  COPCServerTreeObject* ServerObject() {
    for (CTreeObject* child : m_doc->m_opcRoot.m_children) {
      auto* server = static_cast<COPCServerTreeObject*>(child);
      CServerInfo info;
      if (GetOPCToolkitManager().GetServerInfo(server->m_dwKey, info) && server->GetName() == m_strClientName)
        return server;
    }
    return nullptr;
  }
  CComPtr<IOPCItemMgt> AddNamedClientGroup(const wchar_t* name) {
    QueryAs<IOPCCommon>(m_opc.Server())->SetClientName(m_strClientName.GetString());
    return m_opc.AddGroup(name, TRUE, 1000, 1);
  }
  CGroupItemViewModel::Node* Select(CTreeObject* object) {
    CGroupItemViewModel::Node* node = m_tree.FindObjectItem(object);
    m_tree.OnSelChanged(node);
    return node;
  }

  COpcDemoNetwork m_net;
  std::unique_ptr<CDoc> m_doc;
  CRecordingFrame m_frame;
  CGroupItemViewModel m_tree{&m_frame};
  CGroupFeaturesViewModel m_features;
  CClientViewModel m_client;
  COtherView m_other;
  CString m_strClientName = L"Views test client";
  COpcTestClient m_opc;
};

}  // namespace

TEST_F(DiagnosticsViewsTest, ANewGroupAndItsItemsAppearWithinOneTick) {
  ASSERT_EQ(1u, m_tree.GetRoots().size());
  EXPECT_EQ(CString(L"OPC Server"), m_tree.GetRoots()[0]->m_strText);
  CComPtr<IOPCItemMgt> group = AddNamedClientGroup(L"Plant");
  Pump();
  COPCServerTreeObject* server = ServerObject();
  ASSERT_NE(nullptr, server);
  ASSERT_EQ(1u, server->m_children.size());
  auto* groupObject = static_cast<COPCGroupTreeObject*>(*server->m_children.begin());
  CGroupItemViewModel::Node* groupNode = m_tree.FindObjectItem(groupObject);
  ASSERT_NE(nullptr, groupNode);
  EXPECT_EQ(CString(L"Plant"), groupNode->m_strText);
  EXPECT_TRUE(groupNode->m_pParent->m_bExpanded);
  EXPECT_EQ(m_tree.FindObjectItem(server), groupNode->m_pParent);

  Select(groupObject);
  EXPECT_EQ(CGroupItemViewModel::RightViewGroupFeatures, m_frame.m_views.back());
  EXPECT_EQ(groupObject->m_dwKey, m_features.GetGroupKey());
  EXPECT_EQ(CString(L"Properties of the OPC Group 'Plant'"), m_features.GetBannerText());
  EXPECT_EQ(1000u, m_features.GetFields().m_dwUpdateRate);
  EXPECT_TRUE(m_features.GetFields().m_bActive);
  EXPECT_EQ(CString(L"00000800"), m_features.GetFields().m_strLocaleId);
  EXPECT_EQ(CString(L"0 item(s)"), m_features.GetFields().m_strItemCount);
  EXPECT_EQ(CString(L"DataChange Events"), m_features.GetCounterRows()[0].m_strName);
  EXPECT_EQ(0, m_features.GetItems().GetRowCount());

  std::vector<CString> ids = m_net.NvItemIds();
  ids.resize(3);
  std::vector<HRESULT> errors;
  m_opc.AddItems(group, ids, &errors);
  ASSERT_EQ((std::vector<HRESULT>{S_OK, S_OK, S_OK}), errors);
  m_features.GetItems().SetSort(0, false);  // re-sorted after the rows come
  Tick();
  ASSERT_EQ(3, m_features.GetItems().GetRowCount());
  // Sorted by "Item ID" descending: the record names the item by its ID and NV name.
  std::vector<std::wstring> shown, expected;
  for (int row = 0; row < 3; ++row) shown.push_back(m_features.GetItems().GetCellText(row, 0).GetString());
  for (const CString& id : ids) expected.push_back(id.GetString());
  std::sort(expected.begin(), expected.end(), std::greater<>());
  for (int row = 0; row < 3; ++row) EXPECT_EQ(0u, shown[row].find(expected[row] + L" ")) << shown[row];

  // The first selected row's item fills the properties pane; with none, the group.
  m_features.SetSelectedRow(1);
  CPropertyList rows;
  m_features.GetProperties(rows);
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(shown[1], rows[0]->FindChild(L"Name")->m_value.bstrVal);
  m_features.SetSelectedRow(-1);
  rows.clear();
  m_features.GetProperties(rows);
  EXPECT_NE(nullptr, rows[0]->FindChild(L"Items count"));
}

// The form of an inactive group (which raises no update events) shows the items a client adds
// and its subscription within one tick, as the properties pane does.
TEST_F(DiagnosticsViewsTest, TheFormFollowsItemsAndSubscriptionOfAnInactiveGroupWithinOneTick) {
  CTestDocHost host;  // its main window counts the properties pane's refreshes
  SetDocHost(&host);
  QueryAs<IOPCCommon>(m_opc.Server())->SetClientName(m_strClientName.GetString());
  CComPtr<IOPCItemMgt> group = m_opc.AddGroup(L"Idle", FALSE, 1000, 1);
  Pump();
  auto* groupObject = static_cast<COPCGroupTreeObject*>(*ServerObject()->m_children.begin());
  Select(groupObject);
  EXPECT_EQ(CString(L"0 item(s)"), m_features.GetFields().m_strItemCount);
  EXPECT_FALSE(m_features.GetFields().m_bSubscribed);
  std::vector<CString> ids = m_net.NvItemIds();
  ids.resize(4);
  m_opc.AddItems(group, ids);
  DWORD cookie = 0;
  auto sink = m_opc.Subscribe(group, &cookie);
  host.m_propertyRefreshes.clear();
  Tick();
  // The pane follows the group's new state at the same tick, and only once.
  EXPECT_EQ(std::vector<WPARAM>{2}, host.m_propertyRefreshes);
  EXPECT_EQ(CString(L"4 item(s)"), m_features.GetFields().m_strItemCount);
  EXPECT_TRUE(m_features.GetFields().m_bSubscribed);
  EXPECT_EQ(4, m_features.GetItems().GetRowCount());
  CPropertyList rows;
  m_features.GetProperties(rows);
  ASSERT_FALSE(rows.empty());
  CPropertyRow* count = rows[0]->FindChild(L"Items count");
  ASSERT_NE(nullptr, count);
  EXPECT_EQ(4, count->m_value.lVal);
  Tick();
  EXPECT_EQ(1u, host.m_propertyRefreshes.size()) << "nothing changed";
  SetDocHost(nullptr);
}

TEST_F(DiagnosticsViewsTest, ARenameReachesTheTreeAndTheBannerAtTheNextTick) {
  CComPtr<IOPCItemMgt> group = AddNamedClientGroup(L"Before");
  Pump();
  auto* groupObject = static_cast<COPCGroupTreeObject*>(*ServerObject()->m_children.begin());
  Select(groupObject);
  EXPECT_EQ(CString(L"Properties of the OPC Group 'Before'"), m_features.GetBannerText());
  ASSERT_EQ(S_OK, QueryAs<IOPCGroupStateMgt>(group.p)->SetName(L"After"));
  Pump();
  EXPECT_EQ(CString(L"After"), m_tree.FindObjectItem(groupObject)->m_strText);
  Tick();
  EXPECT_EQ(CString(L"Properties of the OPC Group 'After'"), m_features.GetBannerText());
}

TEST_F(DiagnosticsViewsTest, ARemovedGroupLeavesItsLastValuesUntilAnotherSelection) {
  OPCHANDLE hGroup = 0;
  QueryAs<IOPCCommon>(m_opc.Server())->SetClientName(m_strClientName.GetString());
  CComPtr<IOPCItemMgt> group = m_opc.AddGroup(L"Doomed", TRUE, 1000, 1, &hGroup);
  std::vector<CString> ids = m_net.NvItemIds();
  ids.resize(2);
  m_opc.AddItems(group, ids);
  Pump();
  COPCServerTreeObject* server = ServerObject();
  auto* groupObject = static_cast<COPCGroupTreeObject*>(*server->m_children.begin());
  Select(groupObject);
  ASSERT_EQ(2, m_features.GetItems().GetRowCount());
  m_features.SetSelectedRow(0);

  group.Release();
  ASSERT_EQ(S_OK, m_opc.Server()->RemoveGroup(hGroup, TRUE));
  Pump();
  EXPECT_TRUE(server->m_children.empty());
  EXPECT_TRUE(m_tree.FindObjectItem(server)->m_children.empty());
  Tick();
  EXPECT_EQ(2, m_features.GetItems().GetRowCount()) << "the last values stay";
  EXPECT_EQ(CString(L"Properties of the OPC Group 'Doomed'"), m_features.GetBannerText());
  CPropertyList rows;
  m_features.GetProperties(rows);  // the selected item's own copy
  EXPECT_FALSE(rows.empty());

  Select(server);
  EXPECT_EQ(CGroupItemViewModel::RightViewClient, m_frame.m_views.back());
  EXPECT_EQ(0, m_features.GetItems().GetRowCount());
  EXPECT_EQ(0u, m_features.GetGroupKey());
  rows.clear();
  m_features.GetProperties(rows);
  EXPECT_TRUE(rows.empty());
}

TEST_F(DiagnosticsViewsTest, TheClientViewShowsTheRootAndServersAndIgnoresOtherSenders) {
  CComPtr<IOPCItemMgt> group = AddNamedClientGroup(L"G");
  Pump();
  COPCServerTreeObject* server = ServerObject();
  ASSERT_NE(nullptr, server);

  Select(&m_doc->m_opcRoot);
  ASSERT_EQ(3u, m_client.GetRows().size());
  EXPECT_EQ(CString(L"Servers count"), m_client.GetRows()[1].m_strName);
  EXPECT_EQ(FormatDiagBanner(), m_client.GetRows()[0].m_strValue);
  const int rootGeneration = m_client.GetRowsGeneration();

  Select(server);
  ASSERT_EQ(4u, m_client.GetRows().size());
  EXPECT_EQ(rootGeneration + 1, m_client.GetRowsGeneration()) << "another type: rows made anew";
  EXPECT_EQ(m_strClientName, m_client.GetRows()[0].m_strValue);
  EXPECT_EQ(CString(L"1"), m_client.GetRows()[3].m_strValue);

  // A second server object keeps the rows and changes the values.
  COpcTestClient second;
  QueryAs<IOPCCommon>(second.Server())->SetClientName(L"Second");
  Pump();
  CTreeObject* secondObject = nullptr;
  for (CTreeObject* child : m_doc->m_opcRoot.m_children)
    if (child->GetName() == CString(L"Second")) secondObject = child;
  ASSERT_NE(nullptr, secondObject);
  const int serverGeneration = m_client.GetRowsGeneration();
  Select(secondObject);
  EXPECT_EQ(serverGeneration, m_client.GetRowsGeneration());
  EXPECT_EQ(CString(L"Second"), m_client.GetRows()[0].m_strValue);
  EXPECT_EQ(CString(L"0"), m_client.GetRows()[3].m_strValue);

  // Another view's selection is none of the client view's business.
  CDefaultObject stranger(L"Device", TreeObjectNode);
  m_doc->UpdateAllViews(&m_other, HintSelectionChanged, &stranger);
  EXPECT_EQ(TreeObjectOpcServer, m_client.GetShownType());
  EXPECT_EQ(CString(L"Second"), m_client.GetRows()[0].m_strValue);
  EXPECT_EQ(0u, m_features.GetGroupKey());

  // A client that went keeps its last values at the next ticks until the tree removes it.
  second.Release();
  Tick();
  EXPECT_EQ(CString(L"Second"), m_client.GetRows()[0].m_strValue);
  EXPECT_EQ(nullptr, m_tree.GetSelection()) << "its node went with it";

  Select(*server->m_children.begin());
  EXPECT_EQ(CGroupItemViewModel::RightViewGroupFeatures, m_frame.m_views.back());
  EXPECT_EQ(TreeObjectOpcGroup, m_client.GetShownType());
  EXPECT_TRUE(m_client.GetRows().empty()) << "no rows for another type";
}

TEST_F(DiagnosticsViewsTest, ReconnectingEmptiesTheTreeBeforeItsObjectsGo) {
  CComPtr<IOPCItemMgt> group = AddNamedClientGroup(L"G");
  Pump();
  COPCServerTreeObject* server = ServerObject();
  Select(server);
  ASSERT_NE(nullptr, m_tree.GetSelection());
  m_doc->Reconnect();
  EXPECT_TRUE(m_tree.GetRoots().empty());
  EXPECT_EQ(nullptr, m_tree.GetSelection());
  CPropertyList rows;
  m_tree.GetProperties(rows);
  EXPECT_TRUE(rows.empty());
  m_tree.OnUpdate(nullptr, HintAll, nullptr);
  ASSERT_EQ(1u, m_tree.GetRoots().size());
  EXPECT_TRUE(m_tree.GetRoots()[0]->m_children.empty());
}

// A tick reads the item keys only when items came or went: those that go lose their rows, those
// that come get theirs, and ticks in between keep the rows.
TEST_F(DiagnosticsViewsTest, ItemsThatComeOrGoChangeTheRowsAtTheNextTick) {
  CComPtr<IOPCItemMgt> group = AddNamedClientGroup(L"G");
  std::vector<CString> ids = m_net.NvItemIds();
  ids.resize(3);
  std::vector<OPCHANDLE> handles = m_opc.AddItems(group, {ids[0], ids[1]});
  Pump();
  Select(*ServerObject()->m_children.begin());
  ASSERT_EQ(2, m_features.GetItems().GetRowCount());
  Tick();
  EXPECT_EQ(2, m_features.GetItems().GetRowCount());

  HRESULT* errors = nullptr;
  ASSERT_EQ(S_OK, group->RemoveItems(1, &handles[0], &errors));
  CoTaskMemFree(errors);
  Tick();
  ASSERT_EQ(1, m_features.GetItems().GetRowCount());
  EXPECT_EQ(0, m_features.GetItems().GetCellText(0, 0).Find(ids[1] + L" "));

  m_opc.AddItems(group, {ids[2]});
  Tick();
  EXPECT_EQ(2, m_features.GetItems().GetRowCount());
  Tick();
  EXPECT_EQ(2, m_features.GetItems().GetRowCount());
}

TEST_F(DiagnosticsViewsTest, TheColumnSettingReplacesTheRowsOnlyWhenItChanged) {
  CComPtr<IOPCItemMgt> group = AddNamedClientGroup(L"G");
  std::vector<CString> ids = m_net.NvItemIds();
  ids.resize(2);
  m_opc.AddItems(group, ids);
  Pump();
  Select(*ServerObject()->m_children.begin());
  ASSERT_EQ(2, m_features.GetItems().GetRowCount());
  m_doc->UpdateAllViews(nullptr, HintOpcItemsColumns);
  EXPECT_EQ(4095, m_features.GetItems().GetColumnMask());
  m_doc->m_settings.OpcItemsTable = 0x21;  // "Item ID" and "Value"
  m_doc->UpdateAllViews(nullptr, HintOpcItemsColumns);
  EXPECT_EQ((std::vector<int>{0, 5}), m_features.GetItems().GetColumnIds());
  EXPECT_EQ(2, m_features.GetItems().GetRowCount()) << "deleted and read again at once";
}
