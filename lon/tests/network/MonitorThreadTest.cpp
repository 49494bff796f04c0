// The monitor thread polling the simulated network. Every round ends in the thread's wait hook,
// which holds the thread there until the test lets the next round go, so the test reads the
// control's call counts between rounds; the round's length comes from an injected tick count.
#include <condition_variable>
#include <functional>
#include <mutex>

#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/CPTreeObject.h"
#include "lon/DefaultObject.h"
#include "lon/MonitorThread.h"
#include "lon/NodeTreeObject.h"
#include "lon/NvTreeObject.h"
#include "platform/com/ComVariant.h"
#include "lon/tests/network/LonNetworkFixture.h"

namespace lon_network_testing {
namespace {

constexpr auto kGuard = std::chrono::seconds(30);  // only a failure guard

// Hand-paced rounds: each round reports its wait and blocks until allowed on; the last one
// asks for the stop itself, so the thread never sleeps and never runs an extra round.
class PacedMonitor {
 public:
  PacedMonitor() {
    monitor.m_tick = [this] {
      std::lock_guard<std::mutex> lock(m_mutex);
      // The second reading of a round is its end.
      if (++m_ticks % 2 == 0) m_now += roundMs;
      if (stopAtTick == m_ticks) monitor.Stop();  // on the thread itself: only asks
      return m_now;
    };
    monitor.m_onWait = [this](DWORD ms) {
      std::unique_lock<std::mutex> lock(m_mutex);
      waits.push_back(ms);
      m_cv.notify_all();
      m_cv.wait(lock, [&] { return m_allowed > waits.size() || m_stop; });
      if (m_stop) monitor.Stop();
    };
  }
  ~PacedMonitor() { Finish(); }

  // Starts the thread and waits for its first round.
  bool Start() { return monitor.Start() == 1 && WaitRounds(1); }
  // Lets one more round run and waits for it.
  bool Next() {
    size_t target;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      target = ++m_allowed;
      m_cv.notify_all();
    }
    return WaitRounds(target);
  }
  bool WaitRounds(size_t n) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cv.wait_for(lock, kGuard, [&] { return waits.size() >= n; });
  }
  void Finish() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_stop = true;
      m_cv.notify_all();
    }
    monitor.Stop();
  }
  std::vector<DWORD> Waits() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return waits;
  }

  CMonitorThread monitor;
  DWORD roundMs = 500;  // set before Start; a round this long is followed at once by the next
  int stopAtTick = 0;   // the tick reading at which a stop is asked for, 0 for none
  DWORD m_now = 1000;

 private:
  std::mutex m_mutex;
  std::condition_variable m_cv;
  std::vector<DWORD> waits;
  size_t m_allowed = 1;
  int m_ticks = 0;
  bool m_stop = false;
};

class MonitorThreadTest : public LonNetworkTest {
 protected:
  void SetUp() override {
    LonNetworkTest::SetUp();
    ASSERT_TRUE(OpenSimulated());
  }
  void TearDown() override {
    paced.reset();  // joins the thread before the proxies go
    LonNetworkTest::TearDown();
  }
  CNetworkVariable* Nv(const wchar_t* id) {
    for (CLonNode* node : manager->GetNodes())
      for (CNetworkVariable* nv : node->m_nvs)
        if (nv->GetItemID() == id) return nv;
    return nullptr;
  }
  CConfigProperty* Cp(const wchar_t* id) {
    for (CLonNode* node : manager->GetNodes())
      for (CNetworkVariable* nv : node->m_nvs)
        for (CConfigProperty* cp : nv->m_cps)
          if (cp->GetItemID() == id) return cp;
    return nullptr;
  }
  // A tree parent whose children are what the tag view hands over.
  CNvTreeObject* AddNv(CDefaultObject& parent, const wchar_t* id) {
    CNetworkVariable* nv = Nv(id);
    EXPECT_NE(nullptr, nv) << id;
    auto* object = new CNvTreeObject(nv);
    parent.AddChild(object);
    return object;
  }
  CCPTreeObject* AddCp(CDefaultObject& parent, const wchar_t* id) {
    CConfigProperty* cp = Cp(id);
    EXPECT_NE(nullptr, cp) << id;
    auto* object = new CCPTreeObject(cp);
    parent.AddChild(object);
    return object;
  }
  LONG NvReads(const wchar_t* id) { return Calls(kestrum::kObjNv, id, kestrum::nv::kReadCache); }
  LONG CpReads(const wchar_t* id) { return Calls(kestrum::kObjCp, id, kestrum::cp::kReadCache); }
  LONG Cookie(const wchar_t* id) {
    return Nv(id)->m_dispatch.GetProperty<LONG>(kestrum::nv::kMonitorCookie);
  }

  std::unique_ptr<PacedMonitor> paced = std::make_unique<PacedMonitor>();
};

TEST_F(MonitorThreadTest, PollsEveryAddedNvAndCpOncePerRoundAndNothingElse) {
  CDefaultObject parent(L"4B.1.1");
  AddNv(parent, kSetpoint);
  AddNv(parent, kOccupancy);  // a structured NV: its fields add nothing
  AddCp(parent, kNvCp);
  CDefaultObject deviceParent(L"devices");
  deviceParent.AddChild(CNodeTreeObject::Create(manager->GetNodes().front()));  // a device object: nothing
  paced->monitor.AddObjects(parent.m_children);
  paced->monitor.AddObjects(deviceParent.m_children);
  EXPECT_EQ(2u, paced->monitor.GetNvCount());
  EXPECT_EQ(1u, paced->monitor.GetCpCount());
  EXPECT_NE(0, Cookie(kSetpoint));  // monitoring on at the control
  EXPECT_NE(0, Cookie(kOccupancy));
  ASSERT_EQ(S_OK, sim->ResetCalls());

  ASSERT_TRUE(paced->Start());
  EXPECT_EQ(1, NvReads(kSetpoint));
  EXPECT_EQ(1, NvReads(kOccupancy));
  EXPECT_EQ(1, CpReads(kNvCp));
  EXPECT_EQ(2, Calls(kestrum::kObjNv, L"", kestrum::nv::kReadCache));
  EXPECT_EQ(1, Calls(kestrum::kObjCp, L"", kestrum::cp::kReadCache));
  ASSERT_TRUE(paced->Next());
  ASSERT_TRUE(paced->Next());
  EXPECT_EQ(3, NvReads(kSetpoint));
  EXPECT_EQ(3, NvReads(kOccupancy));
  EXPECT_EQ(3, CpReads(kNvCp));
  EXPECT_EQ(6, Calls(kestrum::kObjNv, L"", kestrum::nv::kReadCache));
  EXPECT_EQ(3, Calls(kestrum::kObjCp, L"", kestrum::cp::kReadCache));

  paced->Finish();
  EXPECT_FALSE(paced->monitor.IsRunning());
  EXPECT_EQ(1u, paced->monitor.GetExitCode());
  paced->monitor.Clear();
  EXPECT_EQ(0, Cookie(kSetpoint));
  EXPECT_EQ(0, Cookie(kOccupancy));
}

TEST_F(MonitorThreadTest, DeviceChangesShowUpInWhatTheViewReads) {
  CDefaultObject parent(L"4B.1.1");
  CNvTreeObject* nvObject = AddNv(parent, kSetpoint);
  CCPTreeObject* cpObject = AddCp(parent, kNvCp);
  paced->monitor.AddObjects(parent.m_children);
  ASSERT_TRUE(paced->Start());  // the CP's cache is filled now
  const CString nvBefore = nvObject->GetValueText();
  const CString cpBefore = cpObject->GetValueText();

  CComVariant setpoint(23.25), sendTime(7.5);
  ASSERT_EQ(S_OK, sim->SetDeviceValue(kSetpoint, -1, &setpoint));
  ASSERT_EQ(S_OK, sim->SetDeviceValue(kNvCp, -1, &sendTime));
  ASSERT_EQ(S_OK, sim->AdvanceClock(6000));  // past the CP's cache timeout
  // The NV is monitored at the control, so it already has the device's value; the CP's cache
  // is stale until the monitor reads it.
  EXPECT_NE(nvBefore, nvObject->GetValueText());
  EXPECT_EQ(0, nvObject->GetValueText().Find(L"23.2")) << nvObject->GetValueText().GetString();
  EXPECT_EQ(cpBefore, cpObject->GetValueText());

  ASSERT_TRUE(paced->Next());
  EXPECT_EQ(0, cpObject->GetValueText().Find(L"7.5")) << cpObject->GetValueText().GetString();
  EXPECT_EQ(0, paced->monitor.GetFailedPolls());
}

TEST_F(MonitorThreadTest, AnNvLeftOutOfTheNewSelectionIsNoLongerPolled) {
  CDefaultObject both(L"4B.1.1");
  AddNv(both, kSetpoint);
  AddNv(both, kSpaceTemp);
  CDefaultObject one(L"4B.1.1 again");
  AddNv(one, kSpaceTemp);
  paced->monitor.AddObjects(both.m_children);
  ASSERT_EQ(S_OK, sim->ResetCalls());
  ASSERT_TRUE(paced->Start());

  // What the tag view does while running when the selection changes (the thread waits in
  // its hook, outside the queue lock).
  paced->monitor.Clear();
  paced->monitor.AddObjects(one.m_children);
  EXPECT_EQ(0, Cookie(kSetpoint));  // monitoring switched off
  EXPECT_NE(0, Cookie(kSpaceTemp));
  ASSERT_TRUE(paced->Next());
  ASSERT_TRUE(paced->Next());
  EXPECT_EQ(1, NvReads(kSetpoint));
  EXPECT_EQ(3, NvReads(kSpaceTemp));

  // Emptied altogether: rounds go on and poll nothing.
  paced->monitor.Clear();
  ASSERT_TRUE(paced->Next());
  EXPECT_EQ(1, NvReads(kSetpoint));
  EXPECT_EQ(3, NvReads(kSpaceTemp));
  EXPECT_EQ(0, Cookie(kSpaceTemp));
}

TEST_F(MonitorThreadTest, AnNvWhoseMonitoringTheControlRefusedIsPolledAndLeavesATagsRequestAlone) {
  CDefaultObject parent(L"4B.1.1");
  AddNv(parent, kSetpoint);
  ASSERT_EQ(S_OK, sim->FailCall(kestrum::kObjNv, kSetpoint, kestrum::nv::kMonitorCookie, L"refused", 1));
  paced->monitor.AddObjects(parent.m_children);
  CNetworkVariable* nv = Nv(kSetpoint);
  EXPECT_EQ(0, nv->GetMonitorCount());
  ASSERT_EQ(S_OK, sim->ResetCalls());
  ASSERT_TRUE(paced->Start());
  EXPECT_EQ(1, NvReads(kSetpoint));

  nv->AddMonitorRequest();  // a tag starts monitoring meanwhile
  paced->monitor.Clear();
  EXPECT_EQ(1, nv->GetMonitorCount());
  EXPECT_NE(0, Cookie(kSetpoint));
  nv->ReleaseMonitorRequest();
  EXPECT_EQ(0, Cookie(kSetpoint));
}

TEST_F(MonitorThreadTest, AStopAskedAsARoundBeginsEndsTheQueueAfterItsFirstPoll) {
  CDefaultObject parent(L"4B.1.1");
  AddNv(parent, kSetpoint);
  AddNv(parent, kSpaceTemp);
  AddNv(parent, kOccupancy);
  AddCp(parent, kNvCp);
  paced->monitor.AddObjects(parent.m_children);
  ASSERT_EQ(S_OK, sim->ResetCalls());
  paced->stopAtTick = 3;  // the start of the second round
  ASSERT_TRUE(paced->Start());
  ASSERT_TRUE(paced->Next());
  paced->Finish();
  EXPECT_FALSE(paced->monitor.IsRunning());
  EXPECT_EQ(1u, paced->monitor.GetExitCode());
  EXPECT_EQ(3 + 1, Calls(kestrum::kObjNv, L"", kestrum::nv::kReadCache));
  EXPECT_EQ(1, CpReads(kNvCp));  // the CP queue of the stopped round is not started
}

// The rest of 500 ms of the injected tick count is waited; a longer round is followed at once.
struct PaceCase {
  DWORD start;
  DWORD roundMs;
  DWORD wait;
};

class MonitorPaceTest : public MonitorThreadTest, public ::testing::WithParamInterface<PaceCase> {};

TEST_P(MonitorPaceTest, WaitsTheRestOfTheCycle) {
  CDefaultObject parent(L"4B.1.1");
  AddNv(parent, kSetpoint);
  paced->monitor.AddObjects(parent.m_children);
  paced->m_now = GetParam().start;
  paced->roundMs = GetParam().roundMs;
  ASSERT_TRUE(paced->Start());
  ASSERT_TRUE(paced->Next());
  paced->Finish();
  std::vector<DWORD> waits = paced->Waits();
  ASSERT_GE(waits.size(), 2u);
  EXPECT_EQ(GetParam().wait, waits[0]);
  EXPECT_EQ(GetParam().wait, waits[1]);
}

INSTANTIATE_TEST_SUITE_P(Rounds, MonitorPaceTest,
                         ::testing::Values(PaceCase{1000, 0, 500}, PaceCase{1000, 120, 380}, PaceCase{1000, 499, 1},
                                           PaceCase{1000, 500, 0}, PaceCase{1000, 900, 0},
                                           PaceCase{0xFFFFFFFFu - 50, 120, 380}),  // the tick count wraps
                         [](const auto& info) {
                           return "Round" + std::to_string(info.param.roundMs) + "From" +
                                  std::to_string(info.param.start);
                         });

TEST_F(MonitorThreadTest, DevicesBeingDeletedOrClearedLeaveTheQueues) {
  manager->AttachProxyUser(&paced->monitor);
  CDefaultObject parent(L"selection");
  AddNv(parent, kSetpoint);      // device 0
  AddNv(parent, L"4B.1.2.0");    // device 1
  AddCp(parent, kNvCp);          // device 0
  CConfigProperty* blockCp = nullptr;
  for (CLonNode* node : manager->GetNodes())
    for (CLonFunctionalBlock* block : node->m_blocks)
      for (CConfigProperty* cp : block->m_cps)
        if (cp->GetItemID() == kBlockCp) blockCp = cp;
  ASSERT_NE(nullptr, blockCp);
  parent.AddChild(new CCPTreeObject(blockCp));  // device 3
  paced->monitor.AddObjects(parent.m_children);
  ASSERT_TRUE(paced->Start());
  ASSERT_EQ(2u, paced->monitor.GetNvCount());
  ASSERT_EQ(2u, paced->monitor.GetCpCount());

  CDefaultObject tree(L"Network");
  manager->BuildDeviceTree(&tree, 1);
  CNodeTreeObject* room = nullptr;
  std::function<void(CTreeObject*)> find = [&](CTreeObject* object) {
    for (CTreeObject* child : object->m_children) {
      CNodeTreeObject* node = CNodeTreeObject::FromObject(static_cast<CDefaultObject*>(child));
      if (node && node->m_pNode->GetNeuronId() == kRoomController) room = node;
      find(child);
    }
  };
  find(&tree);
  ASSERT_NE(nullptr, room);
  ASSERT_TRUE(manager->DeleteNode(room));
  EXPECT_EQ(1u, paced->monitor.GetNvCount());
  EXPECT_EQ(1u, paced->monitor.GetCpCount());
  ASSERT_EQ(S_OK, sim->ResetCalls());
  ASSERT_TRUE(paced->Next());  // polls what is left, and nothing of the deleted device
  EXPECT_EQ(1, NvReads(L"4B.1.2.0"));
  EXPECT_EQ(1, Calls(kestrum::kObjNv, L"", kestrum::nv::kReadCache));
  EXPECT_EQ(1, Calls(kestrum::kObjCp, L"", kestrum::cp::kReadCache));

  manager->ClearNodes();
  EXPECT_EQ(0u, paced->monitor.GetNvCount());
  EXPECT_EQ(0u, paced->monitor.GetCpCount());
  ASSERT_TRUE(paced->Next());
  EXPECT_EQ(0, paced->monitor.GetFailedPolls());
  manager->DetachProxyUser(&paced->monitor);
}

}  // namespace
}  // namespace lon_network_testing
