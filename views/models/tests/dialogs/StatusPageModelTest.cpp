#include <gtest/gtest.h>

#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonDispatch.h"
#include "lon/NodeTreeObject.h"
#include "lon/testing/FakeLonObject.h"
#include "views/models/NodeStatisticModel.h"
#include "views/models/StatusPageModel.h"
#include "views/models/VniStatisticsModel.h"
#include "views/models/tests/ConfigFixture.h"

namespace {

class StatusPageModelTest : public ConfigFixture {
 protected:
  CLonNode* Node(int type) {
    auto* object = CNodeTreeObject::FromObject(Find(type));
    return object != nullptr ? object->m_pNode : nullptr;
  }
  CString Value(const CStatusRows& rows, const wchar_t* name) {
    for (const auto& [row, value] : rows)
      if (row == name) return value;
    return L"<none>";
  }
};

TEST_F(StatusPageModelTest, ANodesCountersShowUnsignedAndAClearReadsThemAgain) {
  Start();
  CLonNode* node = Node(TreeObjectNode);
  ASSERT_NE(nullptr, node);
  const CString id = node->GetNeuronId();
  m_simulation->SetCounter(kestrum::kObjStatus, id.GetString(), kestrum::status::kLostMessages, 0x80000001u);
  CNodeStatusPageModel page(node->m_dispatch.m_lpDispatch);
  page.Show();
  ASSERT_EQ(10u, page.Rows().size());
  EXPECT_EQ(CString(L"xmit_errors"), page.Rows()[0].first);
  EXPECT_EQ(CString(L"model_number"), page.Rows()[9].first);
  EXPECT_EQ(CString(L"2147483649"), Value(page.Rows(), L"lost_msgs"));

  page.OnClearStatus();
  EXPECT_EQ(CString(L"0"), Value(page.Rows(), L"lost_msgs"));

  // An offline device gives no status object.
  m_simulation->SetDeviceOnline(id.GetString(), FALSE);
  page.OnQueryStatus();
  ASSERT_EQ(1u, page.Rows().size());
  EXPECT_EQ(CString(L"Query status failed"), page.Rows()[0].first);
}

// The interface's page on the started network: the host's counters, cleared and read again.
TEST_F(StatusPageModelTest, TheInterfacePageShowsTheHostsCountersAndAClearReadsThemAgain) {
  Start();
  COleDispatchDriver config = lon_dispatch::GetObject(m_doc->m_control, kestrum::ctl::kHostConfig);
  ASSERT_NE(nullptr, config.m_lpDispatch);
  CNIStatusPageModel page(config.m_lpDispatch);
  page.Show();
  ASSERT_EQ(10u, page.Rows().size());
  EXPECT_EQ(CString(L"xmit_errors"), page.Rows()[0].first);
  EXPECT_EQ(CString(L"model_number"), page.Rows()[9].first);
  const CString transmitErrors = Value(page.Rows(), L"xmit_errors");
  EXPECT_NE(CString(L"<none>"), transmitErrors);
  page.OnClearStatus();
  ASSERT_EQ(10u, page.Rows().size()) << "a clear always reads the counters again";
  EXPECT_EQ(CString(L"0"), Value(page.Rows(), L"xmit_errors"));
}

TEST_F(StatusPageModelTest, ARefusedOrFailingRouterSideClearShowsClearStatusFailed) {
  CFakeLonObject status;
  for (DISPID id : {1, 4, 6, 7}) status.SetProp(id, FakeText(L"x"));
  for (DISPID id : {2, 3, 5, 8, 9, 10}) status.SetProp(id, FakeLong(1));
  CFakeLonObject side;
  side.SetProp(kestrum::side::kStatus, FakeObject(status.GetIDispatch(FALSE)));
  bool refuse = false;
  side.SetMethod(kestrum::side::kClearStatus, 0, [&](CDispatchCall& call) {
    if (refuse) return call.Fail(L"refused");
    call.Result() = FakeBool(false);
    return S_OK;
  });
  CRouterSideStatusPageModel page(side.GetIDispatch(FALSE));
  page.Show();
  EXPECT_EQ(10u, page.Rows().size());
  for (bool failing : {false, true}) {
    refuse = failing;
    page.OnClearStatus();
    ASSERT_EQ(1u, page.Rows().size());
    EXPECT_EQ(CString(L"Clear status failed"), page.Rows()[0].first);
  }
  EXPECT_EQ(std::vector<CString>{L"refused"}, m_boxes->Texts());
  side.ClearProps();
}

TEST_F(StatusPageModelTest, InterfaceStatisticsAreUnsignedAndTheVniDialogResetsOnlyItsCounter) {
  Start();
  COleDispatchDriver config = lon_dispatch::GetObject(m_doc->m_control, kestrum::ctl::kHostConfig);
  m_simulation->SetCounter(kestrum::kObjStatistics, L"", kestrum::stats::kCollisions, 3000000000u);
  CNodeStatisticModel statistics(config.m_lpDispatch);
  statistics.Read();
  ASSERT_EQ(13u, statistics.Rows().size());
  EXPECT_EQ(CString(L"Collisions"), statistics.Rows()[11].first);
  EXPECT_EQ(CString(L"3000000000"), statistics.Rows()[11].second);
  EXPECT_EQ(CString(L"Eeprom Locks"), statistics.Rows()[12].first);

  m_simulation->SetCounter(kestrum::kObjInterfaceStatistics, L"", kestrum::vni::kInvalidResponses, 7);
  CVniStatisticsModel vni(m_doc.get());
  vni.OnInitDialog();
  EXPECT_EQ(7, vni.m_nInvalidResponses);
  const unsigned parallel = vni.m_nParallelTransactions;
  EXPECT_GT(parallel, 0u);
  vni.OnReset();
  EXPECT_EQ(0, vni.m_nInvalidResponses);

  CVniStatisticsModel without(nullptr);
  without.OnInitDialog();
  EXPECT_EQ(0, without.m_nInvalidResponses);
  EXPECT_EQ(0u, without.m_nParallelTransactions);
}

}  // namespace
