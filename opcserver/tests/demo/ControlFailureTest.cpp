// A call of the network control that fails on one item's NV fails that item alone: the other
// item of the same call gets through, nothing of the failed item is left behind, and the
// server goes on working once the control answers again.
#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "lon/OPCTag.h"
#include "opcserver/OPCToolkitManager.h"
#include "opcserver/testing/OpcTestClient.h"
#include "opcserver/testing/demo/OpcDemoNetwork.h"
#include "platform/com/ComVariant.h"
#include "platform/com/Memory.h"
#include "platform/com/Variant.h"

namespace {

namespace nv = kestrum::nv;

// Two inputs of the room controller: the failure is injected on the first only.
const wchar_t kBroken[] = L"4B.1.1.0";  // nviSetpoint, 21.5
const wchar_t kSound[] = L"4B.1.1.6";   // nviFanSpeed, 50

constexpr WORD kGood = 0xC0;
constexpr WORD kBadOutOfService = 0x1C;

struct Outcome {
  HRESULT error = E_UNEXPECTED;
  WORD quality = 0;
};

double AsDouble(const VARIANT& v) {
  CComVariant d;
  return SUCCEEDED(VariantChangeType(&d, &v, 0, VT_R8)) ? d.dblVal : -1.0;
}

class ControlFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(net.IsOpen());
    ASSERT_EQ(S_OK, net.Simulation()->RecordCalls(TRUE));  // the tests count calls on the broken NV
  }

  // Groups stay with the server after the client lets go, so every one gets a name of its own.
  CComPtr<IOPCItemMgt> NewGroup(BOOL active, DWORD rate, OPCHANDLE hClient, OPCHANDLE* phServer = nullptr) {
    CString name;
    name.Format(L"G%d", ++m_nGroups);
    OPCHANDLE h = 0;
    auto group = client.AddGroup(name.GetString(), active, rate, hClient, &h);
    EXPECT_NE(nullptr, group.p);
    if (phServer) *phServer = h;
    m_groups.push_back(h);
    return group;
  }
  // Removes the groups made so far, with their items; the client has let go of them.
  void RemoveGroups() {
    for (OPCHANDLE h : m_groups) client.Server()->RemoveGroup(h, FALSE);
    m_groups.clear();
  }
  void FailAlways(DISPID dispid) {
    ASSERT_EQ(S_OK, net.Simulation()->FailCall(kestrum::kObjNv, kBroken, dispid, L"Device busy", -1));
  }
  LONG CallsOnBroken(DISPID dispid) {
    LONG count = 0;
    EXPECT_EQ(S_OK, net.Simulation()->GetCallCount(kestrum::kObjNv, kBroken, dispid, &count));
    return count;
  }
  // Statistics records of items, over every live server and group.
  static size_t ItemRecords() {
    COPCToolkitManager& manager = GetOPCToolkitManager();
    std::deque<DWORD> servers, groups, items;
    manager.ListServers(servers);
    for (DWORD s : servers) manager.ListGroups(s, groups);
    for (DWORD g : groups) manager.ListItems(g, items);
    return items.size();
  }

  std::vector<Outcome> Read(IOPCItemMgt* group, OPCDATASOURCE source, const std::vector<OPCHANDLE>& handles,
                            std::vector<double>* values = nullptr) {
    OPCITEMSTATE* states = nullptr;
    HRESULT* errs = nullptr;
    std::vector<Outcome> out;
    HRESULT hr = QueryAs<IOPCSyncIO>(group)->Read(source, static_cast<DWORD>(handles.size()),
                                                  const_cast<OPCHANDLE*>(handles.data()), &states, &errs);
    EXPECT_EQ(SUCCEEDED(hr), states != nullptr);
    if (FAILED(hr)) return out;
    for (size_t i = 0; i < handles.size(); ++i) {
      out.push_back({errs[i], states[i].wQuality});
      if (values) values->push_back(AsDouble(states[i].vDataValue));
      VariantClear(&states[i].vDataValue);
    }
    CoTaskMemFree(states);
    CoTaskMemFree(errs);
    return out;
  }

  // ---- the operations, each on the broken item and the sound one in one call ----

  std::vector<Outcome> Add() {
    int monitoredBefore = g_nMonitoredDatapoints.load();
    size_t recordsBefore = ItemRecords();
    auto group = NewGroup(TRUE, 100000, 1);
    std::vector<HRESULT> errs;
    auto h = client.AddItems(group, {kBroken, kSound}, &errs);
    std::vector<Outcome> out;
    for (size_t i = 0; i < errs.size(); ++i) out.push_back({errs[i], 0});
    // Nothing of the failed item is left: no handle, no record, no hold on its NV.
    EXPECT_EQ(0u, h[0]);
    EXPECT_NE(0u, h[1]);
    EXPECT_EQ(recordsBefore + 1, ItemRecords());
    EXPECT_EQ(monitoredBefore + 1, g_nMonitoredDatapoints.load());
    return out;
  }

  std::vector<Outcome> Validate() {
    auto group = NewGroup(FALSE, 1000, 1);
    OPCITEMDEF defs[2] = {};
    defs[0].szItemID = const_cast<LPWSTR>(kBroken);
    defs[1].szItemID = const_cast<LPWSTR>(kSound);
    OPCITEMRESULT* results = nullptr;
    HRESULT* errs = nullptr;
    std::vector<Outcome> out;
    EXPECT_EQ(S_FALSE, group->ValidateItems(2, defs, FALSE, &results, &errs));
    if (!errs) return out;
    out = {{errs[0], 0}, {errs[1], 0}};
    EXPECT_EQ(VT_R8, results[1].vtCanonicalDataType);
    EXPECT_EQ(3u, results[1].dwAccessRights);
    CoTaskMemFree(results);
    CoTaskMemFree(errs);
    return out;
  }

  std::vector<Outcome> ReadFrom(OPCDATASOURCE source, DISPID dispid) {
    auto group = NewGroup(TRUE, 100000, 1);
    auto h = client.AddItems(group, {kBroken, kSound});
    FailAlways(dispid);
    std::vector<double> values;
    auto out = Read(group, source, h, &values);
    EXPECT_EQ(2u, values.size());
    if (values.size() == 2) {
      EXPECT_EQ(50.0, values[1]);
    }
    return out;
  }

  std::vector<Outcome> Write(DISPID dispid) {
    auto group = NewGroup(TRUE, 100000, 1);
    auto h = client.AddItems(group, {kBroken, kSound});
    FailAlways(dispid);
    VARIANT values[2];
    VariantInit(&values[0]);
    VariantInit(&values[1]);
    values[0].vt = VT_R8;
    values[0].dblVal = 23.5;
    values[1].vt = VT_R8;
    values[1].dblVal = 60.0;
    HRESULT* errs = nullptr;
    std::vector<Outcome> out;
    HRESULT hr = QueryAs<IOPCSyncIO>(group.p)->Write(2, h.data(), values, &errs);
    if (errs) {
      out = {{errs[0], 0}, {errs[1], 0}};
      EXPECT_EQ(errs[0] == S_OK ? S_OK : S_FALSE, hr);
    }
    CoTaskMemFree(errs);
    CComVariant device;
    EXPECT_EQ(S_OK, net.Simulation()->GetDeviceValue(kSound, -1, &device));
    EXPECT_EQ(60.0, AsDouble(device));
    return out;
  }

  // One update cycle in which the broken item's refresh fails: both items were marked by the
  // group's activation, so that first cycle delivers both in one call.
  std::vector<Outcome> Cycle() {
    auto group = NewGroup(FALSE, 100, 7);
    auto sink = client.Subscribe(group);
    auto h = client.AddItems(group, {kBroken, kSound});
    FailAlways(nv::kReadCache);
    Activate(group, TRUE);
    std::vector<Outcome> out;
    if (!sink->WaitForCalls(1)) return out;
    DataChangeCall first = sink->Calls()[0];
    EXPECT_EQ(S_FALSE, first.masterQuality);
    for (OPCHANDLE client : {1u, 2u}) {
      Outcome o;
      for (size_t i = 0; i < first.clients.size(); ++i)
        if (first.clients[i] == client) o = {S_OK, first.qualities[i]};  // delivered
      out.push_back(o);
    }
    for (size_t i = 0; i < first.clients.size(); ++i)
      if (first.clients[i] == 2) {
        EXPECT_EQ(50.0, first.values[i]);
      }

    // The control answers again: the next cycles bring the item back.
    EXPECT_EQ(S_OK, net.Simulation()->ClearFailures());
    bool recovered = false;
    for (size_t n = 2; !recovered && sink->WaitForCalls(n); ++n) {
      DataChangeCall call = sink->Calls()[n - 1];
      for (size_t i = 0; i < call.clients.size(); ++i)
        if (call.clients[i] == 1 && call.qualities[i] == kGood && call.values[i] == 21.5) recovered = true;
    }
    EXPECT_TRUE(recovered);
    return out;
  }

  static void Activate(IOPCItemMgt* group, BOOL active) {
    DWORD revised = 0;
    ASSERT_EQ(S_OK, QueryAs<IOPCGroupStateMgt>(group)->SetState(nullptr, &revised, &active, nullptr, nullptr,
                                                                 nullptr, nullptr));
  }

  // Both items added, read from the devices and good; the broken one with `value`.
  void ExpectWorking(double value) {
    auto group = NewGroup(TRUE, 100000, 2);
    std::vector<HRESULT> errs;
    auto h = client.AddItems(group, {kBroken, kSound}, &errs);
    ASSERT_EQ((std::vector<HRESULT>{S_OK, S_OK}), errs);
    std::vector<double> values;
    auto r = Read(group, OPC_DS_DEVICE, h, &values);
    ASSERT_EQ(2u, r.size());
    for (const Outcome& o : r) {
      EXPECT_EQ(S_OK, o.error);
      EXPECT_EQ(kGood, o.quality);
    }
    EXPECT_EQ(value, values[0]);
  }

  COpcDemoNetwork net;  // outlives the client, whose server holds tags on the network's NVs
  COpcTestClient client;
  int m_nGroups = 0;
  std::vector<OPCHANDLE> m_groups;
};

TEST_F(ControlFailureTest, AFailingControlCallFailsOnlyItsItem) {
  enum class Op { Add, Validate, CacheRead, DeviceRead, Write, Cycle };
  struct Case {
    const char* what;
    Op op;
    DISPID dispid;
    HRESULT brokenError;
    WORD brokenQuality;  // 0: the operation gives none
    double brokenAfter;  // the broken NV's device value afterwards
  } cases[] = {
      {"add: the type", Op::Add, nv::kFieldType, E_FAIL, 0, 21.5},
      {"add: the time stamp", Op::Add, nv::kGetTimestamp, E_FAIL, 0, 21.5},
      {"add: monitoring", Op::Add, nv::kMonitorCookie, E_FAIL, 0, 21.5},
      {"validate", Op::Validate, nv::kIsOutput, E_FAIL, 0, 21.5},
      {"cache read", Op::CacheRead, nv::kReadCache, E_FAIL, kBadOutOfService, 21.5},
      {"cache read: the value", Op::CacheRead, nv::kFieldValue, E_FAIL, kBadOutOfService, 21.5},
      {"device read", Op::DeviceRead, nv::kReadDevice, E_FAIL, kBadOutOfService, 21.5},
      {"write: the access rights", Op::Write, nv::kIsOutput, E_FAIL, 0, 21.5},
      // The value reached the device; only reading the item's state back failed.
      {"write: the read-back", Op::Write, nv::kGetTimestamp, S_OK, 0, 23.5},
      {"update cycle", Op::Cycle, nv::kReadCache, S_OK, kBadOutOfService, 21.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(S_OK, net.Simulation()->ResetCalls());
    std::vector<Outcome> out;
    switch (c.op) {
      case Op::Add:
        FailAlways(c.dispid);
        out = Add();
        break;
      case Op::Validate:
        FailAlways(c.dispid);
        out = Validate();
        break;
      case Op::CacheRead: out = ReadFrom(OPC_DS_CACHE, c.dispid); break;
      case Op::DeviceRead: out = ReadFrom(OPC_DS_DEVICE, c.dispid); break;
      case Op::Write: out = Write(c.dispid); break;
      case Op::Cycle: out = Cycle(); break;
    }
    EXPECT_GT(CallsOnBroken(c.dispid), 0);  // the failure was met
    ASSERT_EQ(2u, out.size());
    EXPECT_EQ(c.brokenError, out[0].error);
    EXPECT_EQ(c.brokenQuality, out[0].quality);
    EXPECT_EQ(S_OK, out[1].error);
    EXPECT_EQ(c.brokenQuality ? kGood : 0, out[1].quality);

    ASSERT_EQ(S_OK, net.Simulation()->ClearFailures());
    ExpectWorking(c.brokenAfter);
    // The next case starts as this one did.
    RemoveGroups();
    CComVariant setpoint(21.5), fanSpeed(50.0);
    ASSERT_EQ(S_OK, net.Simulation()->SetDeviceValue(kBroken, -1, &setpoint));
    ASSERT_EQ(S_OK, net.Simulation()->SetDeviceValue(kSound, -1, &fanSpeed));
    net.AdvanceClock(6000);  // past the control's cache timeout
  }
}

TEST_F(ControlFailureTest, MonitoringAndItemDestructionNeverThrowOut) {
  int monitoredBefore = g_nMonitoredDatapoints.load();
  OPCHANDLE hGroup = 0;
  auto group = NewGroup(TRUE, 100000, 1, &hGroup);
  auto h = client.AddItems(group, {kBroken, kSound});
  ASSERT_NE(0u, h[0]);
  HRESULT* errs = nullptr;
  auto setActive = [&](BOOL active) {
    std::vector<HRESULT> out;
    HRESULT hr = group->SetActiveState(2, h.data(), active, &errs);
    if (errs) out = {errs[0], errs[1]};
    CoTaskMemFree(errs);
    errs = nullptr;
    EXPECT_EQ(out == (std::vector<HRESULT>{S_OK, S_OK}) ? S_OK : S_FALSE, hr);
    return out;
  };

  FailAlways(nv::kMonitorCookie);
  // Stopping cannot be refused: the items go inactive.
  EXPECT_EQ((std::vector<HRESULT>{S_OK, S_OK}), setActive(FALSE));
  // Starting can: the broken item stays inactive, so a cache read calls it out of service.
  EXPECT_EQ((std::vector<HRESULT>{E_FAIL, S_OK}), setActive(TRUE));
  auto r = Read(group, OPC_DS_CACHE, h);
  ASSERT_EQ(2u, r.size());
  EXPECT_EQ(kBadOutOfService, r[0].quality);
  EXPECT_EQ(kGood, r[1].quality);
  EXPECT_GT(CallsOnBroken(nv::kMonitorCookie), 0);

  ASSERT_EQ(S_OK, net.Simulation()->ClearFailures());
  EXPECT_EQ((std::vector<HRESULT>{S_OK, S_OK}), setActive(TRUE));
  // The group's own state goes through every item: its stop is refused, its start is not.
  FailAlways(nv::kMonitorCookie);
  Activate(group, FALSE);
  ASSERT_EQ(S_OK, net.Simulation()->ClearFailures());
  Activate(group, TRUE);
  r = Read(group, OPC_DS_CACHE, h);
  ASSERT_EQ(2u, r.size());
  EXPECT_EQ(kGood, r[0].quality);

  // The items' destruction stops their monitoring with the control refusing.
  FailAlways(nv::kMonitorCookie);
  ASSERT_EQ(S_OK, net.Simulation()->ResetCalls());
  group.Release();
  EXPECT_TRUE(SUCCEEDED(client.Server()->RemoveGroup(hGroup, FALSE)));
  EXPECT_GT(CallsOnBroken(nv::kMonitorCookie), 0);
  EXPECT_EQ(monitoredBefore, g_nMonitoredDatapoints.load());

  ASSERT_EQ(S_OK, net.Simulation()->ClearFailures());
  ExpectWorking(21.5);
}

}  // namespace
