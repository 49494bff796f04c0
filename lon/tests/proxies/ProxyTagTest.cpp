#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "lon/CPTag.h"
#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonNode.h"
#include "lon/MonitorThread.h"
#include "lon/NVTag.h"
#include "lon/NvTreeObject.h"
#include "lon/testing/FakeLonObject.h"

namespace {

// A collection object over fakes.
struct FakeCollection {
  CFakeLonObject object;
  std::vector<CFakeLonObject*> items;
  void Publish() {
    object.SetProp(kestrum::coll::kCount, FakeShort(static_cast<short>(items.size())));
    object.SetIndexedGet(kestrum::coll::kItem, 1, [this](CDispatchCall& call) {
      VARIANT index;
      VariantInit(&index);
      VariantChangeType(&index, &call.Arg(0), 0, VT_I2);
      return FakeObject(items.at(static_cast<size_t>(index.iVal)));
    });
  }
};

struct FakeNv : CFakeLonObject {
  explicit FakeNv(short index) {
    SetProp(kestrum::nv::kDescription, FakeText(L""));
    SetProp(kestrum::nv::kCookie, FakeLong(0));
    SetProp(kestrum::nv::kIndex, FakeShort(index));
    SetProp(kestrum::nv::kName, FakeText(L"nvoTemp"));
    SetProp(kestrum::nv::kIsOutput, FakeBool(true));
    SetProp(kestrum::nv::kMonitored, FakeBool(true));
    SetProp(kestrum::nv::kMonitorCookie, FakeLong(0));
    SetProp(kestrum::nv::kStatus, FakeLong(0));
    SetProp(kestrum::nv::kCps, FakeObject(&cps.object));
    cps.Publish();
    SetMethod(kestrum::nv::kReadCache, 0, [this](CDispatchCall& call) {
      call.Result() = FakeBool(readOk);
      return readFails ? call.Fail(L"device gone") : S_OK;
    });
    SetMethod(kestrum::nv::kReadDevice, 0, [this](CDispatchCall& call) {
      call.Result() = FakeBool(readOk);
      return S_OK;
    });
    SetIndexedGet(kestrum::nv::kMemberName, 1, [](CDispatchCall&) { return FakeText(L"temp"); });
  }
  ~FakeNv() override { ClearProps(); }
  FakeCollection cps;
  bool readOk = true;
  bool readFails = false;
};

struct FakeCp : CFakeLonObject {
  explicit FakeCp(short index) {
    SetProp(kestrum::cp::kIndex, FakeShort(index));
    SetProp(kestrum::cp::kCookie, FakeLong(0));
    SetProp(kestrum::cp::kName, FakeText(L"cpDelay"));
    SetProp(kestrum::cp::kDescription, FakeText(L""));
  }
};

}  // namespace


namespace {

struct FakeNode : CFakeLonObject {
  explicit FakeNode(int nvCount, bool inverts = false, const wchar_t* domainId = L"1A2B3C") {
    domain.SetProp(kestrum::domain::kId, FakeText(domainId));
    domain.SetProp(kestrum::domain::kSubnet, FakeShort(2));
    domain.SetProp(kestrum::domain::kNode, FakeShort(7));
    domain.SetProp(kestrum::domain::kInUse, FakeBool(true));
    SetIndexedGet(kestrum::node::kDomain, 1, [this](CDispatchCall&) { return FakeObject(&domain); });
    SetProp(kestrum::node::kNeuronId, FakeText(L"000102030405"));
    SetProp(kestrum::node::kInvertsDirection, FakeBool(inverts));
    for (int i = 0; i < nvCount; ++i) nvObjects.push_back(std::make_unique<FakeNv>(static_cast<short>(i)));
    for (auto& nv : nvObjects) nvs.items.push_back(nv.get());
    nodeCp = std::make_unique<FakeCp>(2);
    cps.items.push_back(nodeCp.get());
    blockCp = std::make_unique<FakeCp>(0);
    block.SetProp(kestrum::block::kName, FakeText(L"Sensor"));
    block.SetProp(kestrum::block::kIndex, FakeShort(3));
    blockCps.items.push_back(blockCp.get());
    blockCps.Publish();
    block.SetProp(kestrum::block::kCps, FakeObject(&blockCps.object));
    blocks.items.push_back(&block);
    nvs.Publish();
    cps.Publish();
    blocks.Publish();
    SetProp(kestrum::node::kNvs, FakeObject(&nvs.object));
    SetProp(kestrum::node::kCps, FakeObject(&cps.object));
    SetProp(kestrum::node::kBlocks, FakeObject(&blocks.object));
  }
  ~FakeNode() override {
    ClearProps();
    block.ClearProps();
  }
  CFakeLonObject domain;
  std::vector<std::unique_ptr<FakeNv>> nvObjects;
  std::unique_ptr<FakeCp> nodeCp, blockCp;
  CFakeLonObject block;
  FakeCollection nvs, cps, blocks, blockCps;
};

std::unique_ptr<CLonNode> MakeNode(FakeNode& fake) {
  return std::unique_ptr<CLonNode>(CLonNode::Create(COleDispatchDriver(fake.GetIDispatch(TRUE), TRUE)));
}

TEST(ProxyTest, ItemIdsOfAllFourForms) {
  FakeNode fake(5);
  auto node = MakeNode(fake);
  ASSERT_EQ(node->m_nvs.size(), 5u);
  EXPECT_EQ(node->m_nvs[1]->GetItemID(), L"1A2B3C.2.7.1");
  EXPECT_EQ(node->m_cps.at(0)->GetItemID(), L"1A2B3C.2.7.7");  // numbered after the 5 NVs
  EXPECT_EQ(node->m_blocks.at(0)->m_cps.at(0)->GetItemID(), L"1A2B3C.2.7.O3.0");
  EXPECT_EQ(node->m_blocks.at(0)->m_strName, L"Sensor");
}

TEST(ProxyTest, EmptyDomainGivesLeadingDot) {
  FakeNode fake(1, false, L"");
  auto node = MakeNode(fake);
  EXPECT_EQ(node->m_nvs[0]->GetItemID(), L".2.7.0");
}

TEST(ProxyTest, CookiesAreHandlesOfLiveProxies) {
  FakeNode fake(1);
  DWORD cookie = 0;
  {
    auto node = MakeNode(fake);
    CNetworkVariable* nv = node->m_nvs[0];
    cookie = static_cast<DWORD>(fake.nvObjects[0]->GetProp(kestrum::nv::kCookie).lVal);
    EXPECT_NE(cookie, 0u);
    EXPECT_EQ(CNetworkVariable::FromCookie(cookie), nv);
    EXPECT_EQ(CConfigProperty::FromCookie(cookie), nullptr);  // another kind's table
  }
  EXPECT_EQ(CNetworkVariable::FromCookie(cookie), nullptr);
  EXPECT_EQ(CNetworkVariable::FromCookie(0), nullptr);
}

TEST(ProxyTest, WritableAndAccessRightsByDirection) {
  struct Case {
    bool output, inverts;
    bool writable;
    DWORD rights;
  } cases[] = {{true, false, false, 1}, {false, false, true, 3}, {true, true, true, 3}, {false, true, false, 1}};
  for (const Case& c : cases) {
    FakeNode fake(1, c.inverts);
    fake.nvObjects[0]->SetProp(kestrum::nv::kIsOutput, FakeBool(c.output));
    auto node = MakeNode(fake);
    CNVTag tag(node->m_nvs[0], -1);
    EXPECT_EQ(node->m_nvs[0]->IsWritable(), c.writable) << c.output << c.inverts;
    EXPECT_EQ(tag.GetAccessRights(), c.rights) << c.output << c.inverts;
  }
}

TEST(NvTagTest, RefreshMapsStatusToQuality) {
  struct Case {
    bool readOk;
    LONG status;
    bool result;
    WORD quality;
  } cases[] = {{true, 0, true, 0xC0}, {true, 2, true, 0x40}, {true, 1, false, 0x1C}, {true, 3, false, 0x1C},
               {false, 0, false, 0x1C}};
  for (const Case& c : cases) {
    FakeNode fake(1);
    auto node = MakeNode(fake);
    CNVTag tag(node->m_nvs[0], -1);
    EXPECT_EQ(tag.GetQuality(), 0x40);
    fake.nvObjects[0]->readOk = c.readOk;
    fake.nvObjects[0]->SetProp(kestrum::nv::kStatus, FakeLong(c.status));
    EXPECT_EQ(tag.Refresh(1), c.result);
    EXPECT_EQ(tag.GetQuality(), c.quality);
  }
}

TEST(NvTagTest, ItemIdFromDescriptionOrGeneratedForm) {
  FakeNode fake(1);
  auto node = MakeNode(fake);
  CNVTag whole(node->m_nvs[0], -1), field(node->m_nvs[0], 0);
  EXPECT_EQ(whole.GetItemID(), L"1A2B3C.2.7.0 nvoTemp");
  EXPECT_EQ(field.GetItemID(), L"1A2B3C.2.7.0 nvoTemp__temp");
  fake.nvObjects[0]->SetProp(kestrum::nv::kDescription, FakeText(L"Hall"));
  EXPECT_EQ(whole.GetItemID(), L"Hall");
  EXPECT_EQ(field.GetItemID(), L"Hall__temp");
}

TEST(NvTagTest, ActivationCountsDatapointsOnceAndOwnedDeactivationsOnly) {
  FakeNode fake(1);
  auto node = MakeNode(fake);
  int before = g_nMonitoredDatapoints.load();
  CNVTag a(node->m_nvs[0], -1), b(node->m_nvs[0], 0);
  a.Activate();
  b.Activate();
  EXPECT_EQ(g_nMonitoredDatapoints.load(), before + 1);
  a.Deactivate();
  a.Deactivate();  // not owed: b still holds the NV
  EXPECT_EQ(node->m_nvs[0]->m_nCount.load(), 1);
  EXPECT_EQ(g_nMonitoredDatapoints.load(), before + 1);
  b.Deactivate();
  EXPECT_EQ(g_nMonitoredDatapoints.load(), before);
  EXPECT_EQ(node->m_nvs[0]->m_nCount.load(), 0);
}

TEST(NvTagTest, MonitoringSwitchesOnlyAtFirstAndLast) {
  FakeNode fake(1);
  auto node = MakeNode(fake);
  FakeNv& nvObject = *fake.nvObjects[0];
  CNetworkVariable* nv = node->m_nvs[0];
  CNVTag a(nv, -1), b(nv, -1);
  a.StartMonitoring();
  a.StartMonitoring();  // already on for this tag
  b.StartMonitoring();
  EXPECT_EQ(nv->GetMonitorCount(), 2);
  EXPECT_EQ(nvObject.Puts(kestrum::nv::kMonitorCookie), 1);
  EXPECT_EQ(static_cast<DWORD>(nvObject.GetProp(kestrum::nv::kMonitorCookie).lVal), nv->GetCookie());
  a.StopMonitoring();
  EXPECT_EQ(nvObject.Puts(kestrum::nv::kMonitorCookie), 1);
  b.StopMonitoring();
  b.StopMonitoring();
  EXPECT_EQ(nvObject.Puts(kestrum::nv::kMonitorCookie), 2);
  EXPECT_EQ(nvObject.GetProp(kestrum::nv::kMonitorCookie).lVal, 0);
  EXPECT_EQ(nv->GetMonitorCount(), 0);
}

TEST(MonitorThreadTest, SharedCountWithTagsAndDuplicateAdds) {
  FakeNode fake(1);
  auto node = MakeNode(fake);
  CNetworkVariable* nv = node->m_nvs[0];
  FakeNv& nvObject = *fake.nvObjects[0];
  CNVTag tag(nv, -1);
  tag.StartMonitoring();
  auto* object = new CNvTreeObject(nv);
  CDefaultObject parent(L"node");
  parent.AddChild(object);
  CMonitorThread monitor;
  monitor.AddObjects(parent.m_children);
  monitor.AddObjects(parent.m_children);
  EXPECT_EQ(monitor.GetNvCount(), 2u);
  EXPECT_EQ(nv->GetMonitorCount(), 3);
  EXPECT_EQ(nvObject.Puts(kestrum::nv::kMonitorCookie), 1);
  monitor.Clear();
  EXPECT_EQ(nv->GetMonitorCount(), 1);
  EXPECT_NE(nvObject.GetProp(kestrum::nv::kMonitorCookie).lVal, 0);  // the tag still wants it
  tag.StopMonitoring();
  EXPECT_EQ(nvObject.GetProp(kestrum::nv::kMonitorCookie).lVal, 0);
}

// Runs the cycles on the test's thread with a hand-moved clock.
class CManualMonitor : public CMonitorThread {
 public:
  using CMonitorThread::PollOnce;
};

TEST(MonitorThreadTest, FailingPollIsCaughtAndTheRoundGoesOn) {
  FakeNode fake(2);
  auto node = MakeNode(fake);
  fake.nvObjects[0]->readFails = true;
  CDefaultObject parent(L"node");
  parent.AddChild(new CNvTreeObject(node->m_nvs[0]));
  parent.AddChild(new CNvTreeObject(node->m_nvs[1]));
  CManualMonitor monitor;
  monitor.AddObjects(parent.m_children);
  EXPECT_TRUE(monitor.PollOnce());
  EXPECT_EQ(monitor.GetFailedPolls(), 1);
  EXPECT_EQ(fake.nvObjects[0]->Calls(kestrum::nv::kReadCache), 1);
  EXPECT_EQ(fake.nvObjects[1]->Calls(kestrum::nv::kReadCache), 1);
  monitor.Clear();
}

TEST(MonitorThreadTest, WaitsTheRestOfFiveHundredMillisecondsAndStops) {
  CMonitorThread monitor;
  DWORD now = 1000;
  std::mutex m;
  std::condition_variable cv;
  std::vector<DWORD> waits;
  // Each cycle "takes" 120 ms, except the third, which overruns.
  int tick = 0;
  monitor.m_tick = [&] {
    ++tick;
    if (tick % 2 == 0) now += (tick == 6 ? 700 : 120);
    return now;
  };
  monitor.m_onWait = [&](DWORD ms) {
    std::lock_guard<std::mutex> lock(m);
    waits.push_back(ms);
    cv.notify_all();
  };
  ASSERT_EQ(monitor.Start(), 1);
  {
    std::unique_lock<std::mutex> lock(m);
    ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(30), [&] { return waits.size() >= 1; }));
  }
  monitor.Stop();
  EXPECT_FALSE(monitor.IsRunning());
  ASSERT_GE(waits.size(), 1u);
  EXPECT_EQ(waits[0], 380u);
}

}  // namespace
