// Tags, trees and node deletion against the simulated control.
#include <atomic>
#include <thread>

#include "lon/CPTag.h"
#include "lon/DefaultObject.h"
#include "lon/LonTagsGroup.h"
#include "lon/NVTag.h"
#include "lon/NodeTreeObject.h"
#include "platform/com/ComVariant.h"
#include "lon/tests/network/LonNetworkFixture.h"

namespace lon_network_testing {
namespace {

CLonTagsGroup* Child(COPCTagsBranch* branch, const wchar_t* name) {
  return branch ? dynamic_cast<CLonTagsGroup*>(branch->FindChildBranch(name)) : nullptr;
}
size_t Branches(COPCTagsBranch* branch) {
  std::list<COPCTagsBranch*> list;
  branch->ListChildBranches(list);
  return list.size();
}

struct FactoryCase {
  const wchar_t* itemId;
  bool nv;     // else a CP tag
  short field;
  bool made;
};

class TagFactoryTest : public LonNetworkTest, public ::testing::WithParamInterface<FactoryCase> {};

TEST_P(TagFactoryTest, MakesTheTagTheIdNames) {
  ASSERT_TRUE(OpenSimulated());
  const FactoryCase& c = GetParam();
  std::unique_ptr<COPCTag> tag(manager->CreateTagFromItemID(c.itemId));
  ASSERT_EQ(c.made, tag != nullptr);
  if (!tag) return;
  if (c.nv) {
    auto* nvTag = dynamic_cast<CNVTag*>(tag.get());
    ASSERT_NE(nullptr, nvTag);
    EXPECT_EQ(c.field, nvTag->m_nField);
  } else {
    auto* cpTag = dynamic_cast<CCPTag*>(tag.get());
    ASSERT_NE(nullptr, cpTag);
    EXPECT_EQ(c.field, cpTag->m_nField);
  }
}

INSTANTIATE_TEST_SUITE_P(Ids, TagFactoryTest,
                         ::testing::Values(FactoryCase{L"4B.1.1.0", true, -1, true},
                                           FactoryCase{L"4B.1.1.0 nviSetpoint", true, -1, true},
                                           FactoryCase{L"4B.1.1.3__state", true, 1, true},
                                           FactoryCase{L"4B.1.1.3 nviOccupancy__value", true, 0, true},
                                           FactoryCase{L"4B.1.1.3__nosuch", true, 0, false},
                                           FactoryCase{L"4B.1.1.11", false, -1, true},
                                           FactoryCase{L"4B.1.1.1.0", false, -1, true},
                                           FactoryCase{L"4B.1.4.O0.1", false, -1, true},
                                           FactoryCase{L"4B.9.9.9", true, -1, false},
                                           FactoryCase{L"", true, -1, false}));

TEST_F(LonNetworkTest, AMemberNoNvHasIsTriedAsACp) {
  ASSERT_TRUE(OpenSimulated());
  sim->ResetCalls();
  std::unique_ptr<COPCTag> tag(manager->CreateTagFromItemID(L"4B.1.1.11__bogus"));
  EXPECT_EQ(nullptr, tag);
  LONG cpLookups = Calls(kestrum::kObjNetwork, L"", kestrum::net::kCpByItemId);
  EXPECT_EQ(1, cpLookups);
}

struct NamingCase {
  int mode;
  const wchar_t* subnet;
  bool nodeStartsWithAddress;
};

class TagTreeTest : public LonNetworkTest, public ::testing::WithParamInterface<NamingCase> {};

TEST_P(TagTreeTest, NamesLevelsByModeAndSharesDomainAndSubnet) {
  ASSERT_TRUE(OpenSimulated());
  std::unique_ptr<CLonTagsGroup> root(manager->BuildTagTree(GetParam().mode, L"Project"));
  ASSERT_NE(nullptr, root);
  CLonTagsGroup* project = Child(root.get(), L"Project");
  ASSERT_NE(nullptr, project);
  ASSERT_EQ(1u, Branches(project));  // all four devices in one domain
  CLonTagsGroup* domain = Child(project, L"Domain: '4B'");
  ASSERT_NE(nullptr, domain);
  ASSERT_EQ(1u, Branches(domain));
  CLonTagsGroup* subnet = Child(domain, GetParam().subnet);
  ASSERT_NE(nullptr, subnet);
  ASSERT_EQ(4u, Branches(subnet));
  CLonNode* first = manager->GetNodes().front();
  CString label = GetParam().mode == 0 ? first->GetProgramId() : first->GetName();
  CString expected = (GetParam().nodeStartsWithAddress ? CString(L"4B.1.") : CString()) + label + L" (1) [" +
                     first->GetLocation() + L"]";
  EXPECT_NE(nullptr, Child(subnet, expected.GetString())) << expected.GetString();
}

INSTANTIATE_TEST_SUITE_P(Modes, TagTreeTest,
                         ::testing::Values(NamingCase{0, L"Subnet: 4B.1", true}, NamingCase{1, L"Subnet: 4B.1", true},
                                           NamingCase{2, L"Subnet: 1", false}));

TEST_F(LonNetworkTest, DeleteNodeRemovesTheDeviceEverywhere) {
  ASSERT_TRUE(OpenSimulated());
  CDefaultObject root(L"Network");
  manager->BuildDeviceTree(&root, 1);
  ASSERT_EQ(1u, root.m_children.size());
  CTreeObject* subnet = *(*root.m_children.begin())->m_children.begin();
  ASSERT_EQ(4u, subnet->m_children.size());
  CDefaultObject* nodeObject = nullptr;
  for (CTreeObject* child : subnet->m_children) {
    CNodeTreeObject* object = CNodeTreeObject::FromObject(static_cast<CDefaultObject*>(child));
    if (object != nullptr && object->m_pNode->GetNeuronId() == kRoomController) nodeObject = object;
  }
  ASSERT_NE(nullptr, nodeObject);
  EXPECT_FALSE(nodeObject->m_children.empty());  // its NVs
  ASSERT_NE(nullptr, manager->GetTagTree(1, L"Project"));
  unsigned generation = manager->GetTagTreeGeneration();

  // A failing control call leaves all as it was.
  ASSERT_EQ(S_OK, sim->FailCall(kestrum::kObjControl, L"", kestrum::ctl::kDeleteNode, L"Device busy", 1));
  EXPECT_FALSE(manager->DeleteNode(nodeObject));
  EXPECT_EQ(std::vector<CString>{L"Device busy"}, env.Prompts().Texts());
  EXPECT_EQ(4u, manager->GetNodes().size());

  EXPECT_TRUE(manager->DeleteNode(nodeObject));
  EXPECT_EQ(3u, subnet->m_children.size());
  EXPECT_EQ(3u, manager->GetNodes().size());
  EXPECT_EQ(3, manager->m_network.GetProperty<short>(kestrum::net::kNodeCount));
  EXPECT_NE(generation, manager->GetTagTreeGeneration());
  std::unique_ptr<COPCTag> gone(manager->CreateTagFromItemID(kSetpoint));
  EXPECT_EQ(nullptr, gone);
}

struct QualityCase {
  LONG status;  // -1: the device is offline
  WORD quality;
  bool refreshed;
};

class TagQualityTest : public LonNetworkTest, public ::testing::WithParamInterface<QualityCase> {};

TEST_P(TagQualityTest, RefreshMapsTheStatusForNvAndCp) {
  ASSERT_TRUE(OpenSimulated());
  for (const wchar_t* id : {kSetpoint, kNodeCp}) {
    std::unique_ptr<COPCTag> tag(manager->CreateTagFromItemID(id));
    ASSERT_NE(nullptr, tag);
    if (GetParam().status < 0)
      ASSERT_EQ(S_OK, sim->SetDeviceOnline(kRoomController, FALSE));
    else
      ASSERT_EQ(S_OK, sim->SetValueStatus(id, GetParam().status));
    for (DWORD source : {DWORD(OPC_DS_CACHE), DWORD(OPC_DS_DEVICE)}) {
      EXPECT_EQ(GetParam().refreshed, tag->Refresh(source)) << id << " source " << source;
      EXPECT_EQ(GetParam().quality, tag->GetQuality()) << id << " source " << source;
    }
    ASSERT_EQ(S_OK, sim->SetDeviceOnline(kRoomController, TRUE));
    ASSERT_EQ(S_OK, sim->SetValueStatus(id, -1));
  }
}

INSTANTIATE_TEST_SUITE_P(Statuses, TagQualityTest,
                         ::testing::Values(QualityCase{kestrum::kStatusGood, OPC_QUALITY_GOOD, true},
                                           QualityCase{kestrum::kStatusUncertain, OPC_QUALITY_UNCERTAIN, true},
                                           QualityCase{kestrum::kStatusOffline, OPC_QUALITY_OUT_OF_SERVICE, false},
                                           QualityCase{kestrum::kStatusInactive, OPC_QUALITY_OUT_OF_SERVICE, false},
                                           QualityCase{-1, OPC_QUALITY_OUT_OF_SERVICE, false}));

TEST_F(LonNetworkTest, TimeStampsComeFromTheControlsClock) {
  ASSERT_TRUE(OpenSimulated());
  for (const wchar_t* id : {kSetpoint, kNodeCp}) {
    std::unique_ptr<COPCTag> tag(manager->CreateTagFromItemID(id));
    ASSERT_NE(nullptr, tag);
    ULONGLONG start = 0;
    ASSERT_EQ(S_OK, sim->GetClock(&start));
    FILETIME ft{};
    tag->GetTimestamp(&ft);
    EXPECT_EQ(0xFFFFFFFFu, ft.dwLowDateTime) << id;  // never read: none
    EXPECT_EQ(0xFFFFFFFFu, ft.dwHighDateTime) << id;
    ASSERT_TRUE(tag->Refresh(2));
    tag->GetTimestamp(&ft);
    EXPECT_EQ(start, tessaly::win32::FileTimeToUInt64(ft)) << id;
    ASSERT_EQ(S_OK, sim->AdvanceClock(1500));
    ASSERT_TRUE(tag->Refresh(2));
    tag->GetTimestamp(&ft);
    EXPECT_EQ(start + 15000000, tessaly::win32::FileTimeToUInt64(ft)) << id;
  }
  std::unique_ptr<COPCTag> tag(manager->CreateTagFromItemID(kSetpoint));
  ASSERT_TRUE(tag->Refresh(OPC_DS_CACHE));
  CComVariant value;
  EXPECT_EQ(S_OK, tag->ReadValue(&value, VT_R8));
  EXPECT_DOUBLE_EQ(21.5, value.dblVal);
}

TEST_F(LonNetworkTest, WritesReachTheDeviceAndAreLogged) {
  ASSERT_TRUE(OpenSimulated());
  std::unique_ptr<COPCTag> nvTag(manager->CreateTagFromItemID(kSetpoint));
  CComVariant value(23.25);
  texts.Take();
  EXPECT_TRUE(nvTag->WriteValue(&value));
  CComVariant device;
  ASSERT_EQ(S_OK, sim->GetDeviceValue(kSetpoint, -1, &device));
  EXPECT_DOUBLE_EQ(23.25, device.dblVal);
  EXPECT_EQ(std::vector<CString>{L"Write value succeeded. NV: 4B.1.1.0, Neuron ID: 040000000001"}, texts.Take());

  ASSERT_EQ(S_OK, sim->FailCall(kestrum::kObjNv, kSetpoint, kestrum::nv::kWriteValue, L"No answer", 1));
  EXPECT_FALSE(nvTag->WriteValue(&value));
  std::vector<CString> failed = texts.Take();
  ASSERT_EQ(1u, failed.size());
  EXPECT_NE(-1, failed[0].Find(L"No answer")) << failed[0].GetString();

  host.mask = 0;
  EXPECT_TRUE(nvTag->WriteValue(&value));
  EXPECT_TRUE(texts.Take().empty());

  std::unique_ptr<COPCTag> cpTag(manager->CreateTagFromItemID(kNodeCp));
  CComVariant seconds(30.0);
  EXPECT_TRUE(cpTag->WriteValue(&seconds));
  ASSERT_EQ(S_OK, sim->GetDeviceValue(kNodeCp, -1, &device));
  ASSERT_EQ(S_OK, device.ChangeType(VT_R8));
  EXPECT_DOUBLE_EQ(30.0, device.dblVal);
}

TEST_F(LonNetworkTest, TheValuePromptOfAnNvWritesWhatTheUserAnswers) {
  ASSERT_TRUE(OpenSimulated());
  CNetworkVariable* nv = nullptr;
  for (CLonNode* node : manager->GetNodes())
    for (CNetworkVariable* candidate : node->m_nvs)
      if (candidate->GetItemID() == kSetpoint) nv = candidate;
  ASSERT_NE(nullptr, nv);
  struct Case {
    const char* what;
    const wchar_t* answer;  // null: the user cancels
    const wchar_t* failure;  // the control's call fails with this
    bool written;
    double device;
    std::vector<CString> texts;
    size_t boxes;
  } cases[] = {
      {"answered", L"19.5", nullptr, true, 19.5, {L"Write value succeeded. NV: 4B.1.1.0, Neuron ID: 040000000001"}, 0},
      {"cancelled", nullptr, nullptr, false, 19.5, {}, 0},
      {"failing", nullptr, L"Device busy", false, 19.5,
       {L"Write value failed. NV: 4B.1.1.0, Neuron ID: 040000000001. (Cause: Device busy)"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    texts.Take();
    if (c.answer) {
      ASSERT_EQ(S_OK, sim->QueuePromptAnswer(c.answer));
    }
    if (c.failure) {
      ASSERT_EQ(S_OK, sim->FailCall(kestrum::kObjNv, kSetpoint, kestrum::nv::kWrite, c.failure, 1));
    }
    EXPECT_EQ(c.written, nv->Write());
    CComVariant device;
    ASSERT_EQ(S_OK, sim->GetDeviceValue(kSetpoint, -1, &device));
    EXPECT_DOUBLE_EQ(c.device, device.dblVal);
    EXPECT_EQ(c.texts, texts.Take());
    EXPECT_EQ(c.boxes, env.Prompts().Texts().size());
  }
}

TEST_F(LonNetworkTest, WithSelectedMonitoringAnNvNotMarkedIsOutOfReach) {
  ASSERT_TRUE(OpenSimulated());
  host.monitorNVs = 0;  // "selected"
  std::unique_ptr<COPCTag> tag(manager->CreateTagFromItemID(kSetpoint));
  ASSERT_NE(nullptr, tag);
  COleDispatchDriver nv(manager->m_network.InvokeMethod<CComPtr<IDispatch>>(kestrum::net::kNvByItemId,
                                                                             std::wstring(kSetpoint)).Detach());
  nv.SetProperty(kestrum::nv::kMonitored, VT_BOOL, false);
  ASSERT_EQ(S_OK, sim->ResetCalls());
  EXPECT_FALSE(tag->Refresh(OPC_DS_DEVICE));
  EXPECT_EQ(OPC_QUALITY_OUT_OF_SERVICE, tag->GetQuality());
  EXPECT_EQ(0, Calls(kestrum::kObjNv, kSetpoint, kestrum::nv::kReadDevice));
  CComVariant value(20.0);
  EXPECT_FALSE(tag->WriteValue(&value));
  tag->StartMonitoring();
  EXPECT_EQ(0, nv.GetProperty<LONG>(kestrum::nv::kMonitorCookie));
  // Marked again, or with "all", the NV is read.
  nv.SetProperty(kestrum::nv::kMonitored, VT_BOOL, true);
  EXPECT_TRUE(tag->Refresh(OPC_DS_DEVICE));
  EXPECT_EQ(OPC_QUALITY_GOOD, tag->GetQuality());
  host.monitorNVs = 1;
  nv.SetProperty(kestrum::nv::kMonitored, VT_BOOL, false);
  EXPECT_TRUE(tag->Refresh(OPC_DS_CACHE));
}

// OPC threads read tags and the address space under the manager's lock while the GUI thread
// restarts the network; no thread may reach a proxy that a restart freed.
TEST_F(LonNetworkTest, ConcurrentReadsWhileTheNetworkRestarts) {
  ASSERT_TRUE(OpenSimulated());
  std::atomic<bool> stop{false};
  std::atomic<int> reads{0};
  auto reader = [&](int which) {
    while (!stop.load()) {
      CMyCriticalSectionLock lock(manager->GetLock());
      try {
        if (CLonTagsGroup* tree = manager->GetTagTree(which % 3, L"Project")) {
          (void)Child(tree, L"Project");
        }
        std::unique_ptr<COPCTag> tag(manager->CreateTagFromItemID(which % 2 ? kSetpoint : kNodeCp));
        if (tag) {
          tag->Refresh(OPC_DS_CACHE);
          CComVariant v;
          tag->ReadValue(&v, VT_BSTR);
          ++reads;
        }
      } catch (const COleDispatchException&) {
        // the control closed the database under us: a failed read, never a crash
      }
    }
  };
  std::vector<std::thread> threads;
  for (int i = 0; i < 3; ++i) threads.emplace_back(reader, i);
  for (int round = 0; round < 5; ++round) {
    Reconnect();
    ASSERT_TRUE(OpenSimulated());
    Pump();
    manager->ClearNodes();
    manager->RefreshNodes();
  }
  stop = true;
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(4u, manager->GetNodes().size());
}

}  // namespace
}  // namespace lon_network_testing
