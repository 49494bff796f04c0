// Items whose device is deleted, or whose network is closed or reconnected, while a client holds
// them: they lose their data point (bad quality, configuration error, and an error per item),
// nothing reads freed memory, and the other items keep working.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "lon/DeviceTreeObjects.h"
#include "lon/OPCTag.h"
#include "opcserver/testing/OpcTestClient.h"
#include "opcserver/testing/demo/OpcDemoNetwork.h"
#include "platform/com/ComVariant.h"
#include "platform/com/Memory.h"
#include "platform/com/Variant.h"

namespace {

const wchar_t kSetpoint[] = L"4B.1.1.0";          // room controller (040000000001), writable
const wchar_t kNodeCp[] = L"4B.1.1.11";           // its node CP
const wchar_t kLampValue[] = L"4B.1.2.0__value";  // lamp actuator (040000000002), writable
const wchar_t kLampLevel[] = L"4B.1.2.9";         // its output
const wchar_t kRoomController[] = L"040000000001";

constexpr WORD kNoDataPoint = OPC_QUALITY_BAD | OPC_QUALITY_CONFIG_ERROR;

struct State {
  HRESULT error;
  WORD quality;
  VARTYPE vt;
};

std::vector<State> Read(IOPCItemMgt* group, OPCDATASOURCE source, std::vector<OPCHANDLE> handles) {
  OPCITEMSTATE* states = nullptr;
  HRESULT* errors = nullptr;
  std::vector<State> out;
  if (FAILED(QueryAs<IOPCSyncIO>(group)->Read(source, static_cast<DWORD>(handles.size()), handles.data(), &states,
                                              &errors)))
    return out;
  for (size_t i = 0; i < handles.size(); ++i) {
    out.push_back({errors[i], states[i].wQuality, states[i].vDataValue.vt});
    VariantClear(&states[i].vDataValue);
  }
  CoTaskMemFree(states);
  CoTaskMemFree(errors);
  return out;
}

std::vector<HRESULT> Write(IOPCItemMgt* group, std::vector<OPCHANDLE> handles, double value) {
  std::vector<VARIANT> values(handles.size());
  for (VARIANT& v : values) {
    VariantInit(&v);
    v.vt = VT_R8;
    v.dblVal = value;
  }
  HRESULT* errors = nullptr;
  std::vector<HRESULT> out;
  if (SUCCEEDED(QueryAs<IOPCSyncIO>(group)->Write(static_cast<DWORD>(handles.size()), handles.data(), values.data(),
                                                  &errors)))
    out.assign(errors, errors + handles.size());
  CoTaskMemFree(errors);
  return out;
}

// The per-item errors of a call that fills an error array.
template <class Call>
std::vector<HRESULT> ErrorsOf(size_t n, Call call) {
  HRESULT* errors = nullptr;
  std::vector<HRESULT> out;
  if (SUCCEEDED(call(&errors))) out.assign(errors, errors + n);
  CoTaskMemFree(errors);
  return out;
}

class DeletedDeviceTest : public ::testing::Test {
 protected:
  DeletedDeviceTest() : net(4, 0), tree(L"Network") {}
  void SetUp() override {
    ASSERT_TRUE(net.IsOpen());
    net.Manager().BuildDeviceTree(&tree, 1);
    group = client.AddGroup(L"G", TRUE, 100, 7);
    handles = client.AddItems(group, {kSetpoint, kNodeCp, kLampValue, kLampLevel});
    for (OPCHANDLE h : handles) ASSERT_NE(0u, h);
  }
  // Items 0 and 1 are on the room controller, 2 and 3 on the lamp actuator.
  void ExpectGoneAndKept(const std::vector<State>& states, size_t gone) {
    ASSERT_EQ(handles.size(), states.size());
    for (size_t i = 0; i < states.size(); ++i) {
      SCOPED_TRACE(i);
      if (i < gone) {
        EXPECT_EQ(OPC_E_UNKNOWNITEMID, states[i].error);
        EXPECT_EQ(kNoDataPoint, states[i].quality);
        EXPECT_EQ(VT_EMPTY, states[i].vt);
      } else {
        EXPECT_EQ(S_OK, states[i].error);
        EXPECT_EQ(OPC_QUALITY_GOOD, states[i].quality);
      }
    }
  }

  COpcDemoNetwork net;
  CDefaultObject tree;
  CCycleWatcher cycles;
  COpcTestClient client;
  CComPtr<IOPCItemMgt> group;
  std::vector<OPCHANDLE> handles;
};

TEST_F(DeletedDeviceTest, ItemsOfADeletedDeviceHaveNoDataPointAndTheOthersKeepWorking) {
  // No wait for a first call: the group's first cycle may run before the advise and find
  // nothing changed after it.
  auto sink = client.Subscribe(group);
  int monitored = g_nMonitoredDatapoints.load();

  CNodeTreeObject* room = FindNodeObject(&tree, kRoomController);
  ASSERT_NE(nullptr, room);
  size_t before = sink->CallCount();
  ASSERT_TRUE(net.Manager().DeleteNode(room));
  // The two data points of the deleted device no longer count as monitored.
  EXPECT_EQ(monitored - 2, g_nMonitoredDatapoints.load());

  for (OPCDATASOURCE source : {OPC_DS_DEVICE, OPC_DS_CACHE}) {
    SCOPED_TRACE(source);
    ExpectGoneAndKept(Read(group, source, handles), 2);
  }

  EXPECT_EQ((std::vector<HRESULT>{OPC_E_UNKNOWNITEMID, OPC_E_UNKNOWNITEMID, S_OK, OPC_E_BADRIGHTS}),
            Write(group, handles, 42.0));
  CComVariant lamp;
  ASSERT_EQ(S_OK, net.Simulation()->GetDeviceValue(L"4B.1.2.0", 0, &lamp));
  EXPECT_EQ(42.0, lamp.dblVal);

  // The update thread delivers the change of quality with the error.
  bool delivered = false;
  for (size_t n = before + 1; !delivered && n <= before + 10 && sink->WaitForCalls(n); ++n) {
    DataChangeCall call = sink->Calls()[n - 1];
    for (size_t i = 0; i < call.clients.size(); ++i)
      if (call.clients[i] == 1 && call.qualities[i] == kNoDataPoint) {
        EXPECT_EQ(OPC_E_UNKNOWNITEMID, call.errors[i]);
        EXPECT_EQ(S_FALSE, call.masterError);
        delivered = true;
      }
  }
  EXPECT_TRUE(delivered);

  // Activation, a new client handle and removal still work on them.
  const std::vector<HRESULT> allOk(4, S_OK);
  for (BOOL active : {FALSE, TRUE})
    EXPECT_EQ(allOk, ErrorsOf(4, [&](HRESULT** e) { return group->SetActiveState(4, handles.data(), active, e); }));
  OPCHANDLE clients[4] = {11, 12, 13, 14};
  EXPECT_EQ(allOk, ErrorsOf(4, [&](HRESULT** e) { return group->SetClientHandles(4, handles.data(), clients, e); }));
  EXPECT_EQ(allOk, ErrorsOf(4, [&](HRESULT** e) { return group->RemoveItems(4, handles.data(), e); }));
  EXPECT_EQ(monitored - 4, g_nMonitoredDatapoints.load());

  // The deleted device's IDs name nothing any more; the others add as before.
  std::vector<HRESULT> added;
  client.AddItems(group, {kSetpoint, kLampLevel}, &added);
  EXPECT_EQ((std::vector<HRESULT>{OPC_E_INVALIDITEMID, S_OK}), added);
}

struct StopCase {
  const char* name;
  std::function<void(CLonDatabaseManager&)> stop;
};

class StoppedNetworkTest : public DeletedDeviceTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StoppedNetworkTest, EveryItemLosesItsDataPoint) {
  GetParam().stop(net.Manager());
  ExpectGoneAndKept(Read(group, OPC_DS_DEVICE, handles), handles.size());
  EXPECT_EQ(std::vector<HRESULT>(4, OPC_E_UNKNOWNITEMID), Write(group, handles, 1.0));
  // The update thread goes on with items that have nothing to read.
  cycles.Mark(7);
  EXPECT_TRUE(cycles.WaitForMoreCycles(7, 2));
  EXPECT_EQ(std::vector<HRESULT>(4, S_OK),
            ErrorsOf(4, [&](HRESULT** e) { return group->RemoveItems(4, handles.data(), e); }));
}

INSTANTIATE_TEST_SUITE_P(Stops, StoppedNetworkTest,
                         ::testing::Values(StopCase{"ClearNodes", [](CLonDatabaseManager& m) { m.ClearNodes(); }},
                                           StopCase{"Connect",
                                                    [](CLonDatabaseManager& m) { ASSERT_TRUE(m.Connect()); }}),
                         [](const auto& info) { return std::string(info.param.name); });

// Devices go one after another, then the whole network, while several groups update and a client
// reads, writes and activates: run under ThreadSanitizer.
TEST(DeletedDeviceStressTest, DevicesAreDeletedWhileGroupsUpdate) {
  constexpr int kDevices = 8;
  COpcDemoNetwork net(kDevices, 0);
  ASSERT_TRUE(net.IsOpen());
  CDefaultObject tree(L"Network");
  net.Manager().BuildDeviceTree(&tree, 1);
  std::vector<CString> neuronIds;
  for (CLonNode* node : net.Manager().GetNodes()) neuronIds.push_back(node->GetNeuronId());
  std::vector<CString> ids = net.NvItemIds();
  const size_t lastDeviceNvs = net.Manager().GetNodes().back()->m_nvs.size();

  CCycleWatcher cycles;
  COpcTestClient client;
  constexpr int kGroups = 3;
  std::vector<CComPtr<IOPCItemMgt>> groups;
  std::vector<std::vector<OPCHANDLE>> handles;
  for (int g = 0; g < kGroups; ++g) {
    groups.push_back(client.AddGroup(L"", TRUE, 100, 100 + g));
    client.Subscribe(groups.back());
    handles.push_back(client.AddItems(groups.back(), ids));
  }

  std::atomic<bool> done{false};
  std::thread io([&] {
    for (int round = 0; !done; ++round) {
      IOPCItemMgt* group = groups[round % kGroups];
      std::vector<OPCHANDLE>& hs = handles[round % kGroups];
      Read(group, round % 2 ? OPC_DS_CACHE : OPC_DS_DEVICE, hs);
      Write(group, {hs[round % hs.size()]}, round);
      BOOL active = round % 3 != 0;
      HRESULT* errors = nullptr;
      if (SUCCEEDED(group->SetActiveState(1, &hs[(round * 7) % hs.size()], active, &errors))) CoTaskMemFree(errors);
    }
  });

  // All but the last device go, each while every group keeps cycling.
  for (int d = 0; d < kDevices - 1; ++d) {
    for (int g = 0; g < kGroups; ++g) cycles.Mark(100 + g);
    CNodeTreeObject* node = FindNodeObject(&tree, neuronIds[d]);
    ASSERT_NE(nullptr, node);
    ASSERT_TRUE(net.Manager().DeleteNode(node));
    for (int g = 0; g < kGroups; ++g) EXPECT_TRUE(cycles.WaitForMoreCycles(100 + g, 1));
  }
  // Whatever happened meanwhile, each item now knows whether its device is there.
  auto expectStates = [&](size_t kept) {
    for (int g = 0; g < kGroups; ++g) {
      std::vector<State> states = Read(groups[g], OPC_DS_DEVICE, handles[g]);
      ASSERT_EQ(ids.size(), states.size());
      for (size_t i = 0; i < ids.size(); ++i)
        EXPECT_EQ(i >= ids.size() - kept ? OPC_QUALITY_GOOD : kNoDataPoint, states[i].quality) << ids[i].GetString();
    }
  };
  expectStates(lastDeviceNvs);

  // Then the network closes while the groups still update and the client still reads.
  for (int g = 0; g < kGroups; ++g) cycles.Mark(100 + g);
  net.Manager().ClearNodes();
  for (int g = 0; g < kGroups; ++g) EXPECT_TRUE(cycles.WaitForMoreCycles(100 + g, 1));
  done = true;
  io.join();
  expectStates(0);
  for (int g = 0; g < kGroups; ++g) {
    HRESULT* errors = nullptr;
    if (SUCCEEDED(groups[g]->RemoveItems(static_cast<DWORD>(handles[g].size()), handles[g].data(), &errors)))
      CoTaskMemFree(errors);
  }
}

}  // namespace
