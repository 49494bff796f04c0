// The server over the demo network of the simulated control, as an OPC client sees it: items by
// the item IDs of the address space, reads from the control's cache and from the devices,
// writes that reach the devices, and data changes after a device changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <list>

#include "lon/OPCTag.h"
#include "lon/OPCTagsBranch.h"
#include "opcserver/OpcTagsManager.h"
#include "opcserver/testing/OpcTestClient.h"
#include "opcserver/testing/demo/OpcDemoNetwork.h"
#include "platform/com/ComVariant.h"
#include "platform/com/Memory.h"
#include "platform/com/Variant.h"
#include "platform/win32/Time.h"

namespace {

// Device 0 is a room controller at 4B.1.1, devices 1 and 2 lamp actuators, device 3 a device
// with functional blocks at 4B.1.4.
const wchar_t kSetpoint[] = L"4B.1.1.0";      // nviSetpoint, SNVT_temp_p input, 21.5
const wchar_t kSpaceTemp[] = L"4B.1.1.1";     // nvoSpaceTemp, output
const wchar_t kOccupancy[] = L"4B.1.1.3";     // nviOccupancy, SNVT_switch input "0.0 0"
const wchar_t kFanSpeed[] = L"4B.1.1.6";      // nviFanSpeed, SNVT_lev_percent input, 50
const wchar_t kNodeCp[] = L"4B.1.1.11";       // nciMaxSendTime, node CP after the 10 NVs, 60.0
const wchar_t kNvCp[] = L"4B.1.1.1.0";        // nciMinSendTime of nvoSpaceTemp, 1.0
const wchar_t kBlockCp[] = L"4B.1.4.O0.1";    // nciName of block "Lamp", "lamp"
const wchar_t kRoomController[] = L"040000000001";

constexpr WORD kGood = 0xC0;

ULONGLONG Stamp(const FILETIME& ft) { return tessaly::win32::FileTimeToUInt64(ft); }
constexpr ULONGLONG kTicksPerMs = 10000;

class DemoNetworkTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(net.IsOpen()); }
  void TearDown() override { FreeErrors(); }
  void FreeErrors() {
    CoTaskMemFree(errors);
    errors = nullptr;
  }

  struct ReadResult {
    HRESULT error;
    WORD quality;
    CComVariant value;
    ULONGLONG stamp;
  };
  std::vector<ReadResult> Read(IOPCItemMgt* group, OPCDATASOURCE source, const std::vector<OPCHANDLE>& handles) {
    OPCITEMSTATE* states = nullptr;
    HRESULT* errs = nullptr;
    std::vector<ReadResult> out;
    HRESULT hr = QueryAs<IOPCSyncIO>(group)->Read(source, static_cast<DWORD>(handles.size()),
                                                  const_cast<OPCHANDLE*>(handles.data()), &states, &errs);
    if (FAILED(hr)) return out;
    for (size_t i = 0; i < handles.size(); ++i) {
      ReadResult r{errs[i], states[i].wQuality, CComVariant(), Stamp(states[i].ftTimeStamp)};
      r.value.Attach(&states[i].vDataValue);
      out.push_back(std::move(r));
    }
    CoTaskMemFree(states);
    CoTaskMemFree(errs);
    return out;
  }
  CComVariant Device(const wchar_t* itemId, short field = -1) {
    CComVariant v;
    EXPECT_EQ(S_OK, net.Simulation()->GetDeviceValue(itemId, field, &v)) << itemId;
    return v;
  }
  void SetDevice(const wchar_t* itemId, const CComVariant& value, short field = -1) {
    ASSERT_EQ(S_OK, net.Simulation()->SetDeviceValue(itemId, field, &value)) << itemId;
  }
  static double AsDouble(const VARIANT& v) {
    CComVariant d;
    return SUCCEEDED(VariantChangeType(&d, &v, 0, VT_R8)) ? d.dblVal : NAN;
  }
  static std::wstring AsText(const VARIANT& v) {
    CComVariant t;
    return SUCCEEDED(VariantChangeType(&t, &v, 0, VT_BSTR)) && t.bstrVal ? std::wstring(t.bstrVal) : L"?";
  }

  COpcDemoNetwork net;  // outlives the client, whose server holds tags on the network's NVs
  CCycleWatcher cycles;
  COpcTestClient client;
  HRESULT* errors = nullptr;
};

TEST_F(DemoNetworkTest, ItemsAreAddedByTheItemIdsOfTheAddressSpace) {
  struct Case {
    const wchar_t* id;
    HRESULT error;
    VARTYPE canonical;
    DWORD rights;
  } cases[] = {
      {kSetpoint, S_OK, VT_R8, 3},
      {L"4B.1.1.0 nviSetpoint", S_OK, VT_R8, 3},  // as the address space lists it
      {kSpaceTemp, S_OK, VT_R8, 1},               // an output is read-only
      {kOccupancy, S_OK, VT_BSTR, 3},             // a structure as a whole is text
      {L"4B.1.1.3__value", S_OK, VT_R8, 3},
      {L"4B.1.1.3__state", S_OK, VT_I2, 3},
      {kNodeCp, S_OK, VT_R8, 3},
      {kNvCp, S_OK, VT_R8, 3},
      {kBlockCp, S_OK, VT_BSTR, 3},
      {L"4B.1.1.99", OPC_E_INVALIDITEMID, VT_EMPTY, 0},      // no such NV or CP
      {L"4B.1.1.3__nothing", OPC_E_INVALIDITEMID, VT_EMPTY, 0},  // no such member
      {L"4B.9.9.0", OPC_E_INVALIDITEMID, VT_EMPTY, 0},       // no such device
      {L"Root", OPC_E_INVALIDITEMID, VT_EMPTY, 0},
  };
  const DWORD n = sizeof(cases) / sizeof(cases[0]);
  auto group = client.AddGroup(L"G", FALSE, 1000, 1);
  std::vector<OPCITEMDEF> defs(n);
  for (DWORD i = 0; i < n; ++i) {
    defs[i] = OPCITEMDEF{};
    defs[i].szItemID = const_cast<LPWSTR>(cases[i].id);
    defs[i].hClient = i + 1;
  }
  OPCITEMRESULT* results = nullptr;
  ASSERT_EQ(S_FALSE, group->AddItems(n, defs.data(), &results, &errors));
  for (DWORD i = 0; i < n; ++i) {
    SCOPED_TRACE(::testing::Message() << "item " << ::testing::PrintToString(std::wstring(cases[i].id)));
    EXPECT_EQ(cases[i].error, errors[i]);
    EXPECT_EQ(cases[i].canonical, results[i].vtCanonicalDataType);
    EXPECT_EQ(cases[i].rights, results[i].dwAccessRights);
    EXPECT_EQ(cases[i].error == S_OK, results[i].hServer != 0);
  }
  CoTaskMemFree(results);
  FreeErrors();

  // Validation knows the same IDs and calls an unknown one unknown.
  OPCITEMDEF check[2] = {};
  check[0].szItemID = const_cast<LPWSTR>(kBlockCp);
  check[1].szItemID = const_cast<LPWSTR>(L"4B.1.1.99");
  ASSERT_EQ(S_FALSE, group->ValidateItems(2, check, FALSE, &results, &errors));
  EXPECT_EQ(S_OK, errors[0]);
  EXPECT_EQ(VT_BSTR, results[0].vtCanonicalDataType);
  EXPECT_EQ(OPC_E_UNKNOWNITEMID, errors[1]);
  CoTaskMemFree(results);
}

TEST_F(DemoNetworkTest, TheRootBranchIsTheNetworksAddressSpaceAndItsIdsAddItems) {
  COPCTagsBranch* root = g_pOpcTagsManager->GetRootBranch();
  ASSERT_NE(nullptr, root);
  COPCTagsBranch* subnet = root->FindBranchByPath(L"Root;Tessaly;Domain: '4B';Subnet: 4B.1");
  ASSERT_NE(nullptr, subnet);
  std::list<COPCTag*> tags;
  subnet->ListTags(tags, 3);  // flat: every device of the subnet
  std::vector<CString> ids;
  for (COPCTag* tag : tags) ids.push_back(tag->GetItemID());
  ASSERT_FALSE(ids.empty());
  EXPECT_NE(ids.end(), std::find(ids.begin(), ids.end(), CString(L"4B.1.1.0 nviSetpoint")));
  EXPECT_NE(ids.end(), std::find(ids.begin(), ids.end(), CString(L"4B.1.1.3 nviOccupancy__state")));

  auto group = client.AddGroup(L"G", FALSE, 1000, 1);
  std::vector<HRESULT> errs;
  auto h = client.AddItems(group, ids, &errs);
  for (size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(S_OK, errs[i]) << CStringToUtf8(ids[i]);
}

TEST_F(DemoNetworkTest, AStructuredCpAndItsMembersAreItemsThatReadAndWrite) {
  const wchar_t kState[] = L"4B.1.4.O1.1";  // nciDefaultState of block "Sensor", SNVT_switch
  auto group = client.AddGroup(L"G", TRUE, 100000, 1);
  std::vector<HRESULT> added;
  auto h = client.AddItems(group, {kState, L"4B.1.4.O1.1__value", L"4B.1.4.O1.1 nciDefaultState__state"}, &added);
  ASSERT_EQ(std::vector<HRESULT>(3, S_OK), added);
  auto before = Read(group, OPC_DS_DEVICE, h);
  ASSERT_EQ(3u, before.size());
  EXPECT_EQ(L"50.0 1", AsText(before[0].value));
  EXPECT_EQ(50.0, AsDouble(before[1].value));
  EXPECT_EQ(VT_I2, before[2].value.vt);
  EXPECT_EQ(1.0, AsDouble(before[2].value));

  VARIANT v;
  VariantInit(&v);
  v.vt = VT_R8;
  v.dblVal = 75.0;
  ASSERT_EQ(S_OK, QueryAs<IOPCSyncIO>(group.p)->Write(1, &h[1], &v, &errors));
  EXPECT_EQ(S_OK, errors[0]);
  FreeErrors();
  EXPECT_EQ(75.0, AsDouble(Device(kState, 0)));
  auto after = Read(group, OPC_DS_DEVICE, h);
  ASSERT_EQ(3u, after.size());
  EXPECT_EQ(L"75.0 1", AsText(after[0].value));
  EXPECT_EQ(75.0, AsDouble(after[1].value));
}

TEST_F(DemoNetworkTest, CacheReadsKeepTheControlsCacheUntilItAgesAndDeviceReadsAskTheDevice) {
  // CPs are not monitored, so the control's cache of them moves only by reads and time.
  auto group = client.AddGroup(L"G", TRUE, 100000, 1);
  auto h = client.AddItems(group, {kSetpoint, L"4B.1.1.3__value", kNodeCp, kBlockCp});
  auto first = Read(group, OPC_DS_CACHE, h);
  ASSERT_EQ(4u, first.size());
  struct Expect {
    double number;
    const wchar_t* text;
  } expected[] = {{21.5, nullptr}, {0.0, nullptr}, {60.0, nullptr}, {NAN, L"lamp"}};
  for (size_t i = 0; i < first.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(S_OK, first[i].error);
    EXPECT_EQ(kGood, first[i].quality);
    if (expected[i].text)
      EXPECT_EQ(expected[i].text, AsText(first[i].value));
    else
      EXPECT_EQ(expected[i].number, AsDouble(first[i].value));
    EXPECT_EQ(kestrum::testing::kFixedClock, first[i].stamp);  // the control's time of the value
  }

  SetDevice(kNodeCp, CComVariant(90.0));
  SetDevice(kBlockCp, CComVariant(L"hall"));
  std::vector<OPCHANDLE> cps = {h[2], h[3]};
  struct Step {
    const char* what;
    OPCDATASOURCE source;
    ULONG advanceMs;  // before the read
    double nodeCp;
    const wchar_t* blockCp;
    ULONGLONG stampMs;  // after the fixed clock
  } steps[] = {
      {"cache, still fresh", OPC_DS_CACHE, 0, 60.0, L"lamp", 0},
      {"device", OPC_DS_DEVICE, 0, 90.0, L"hall", 0},
      {"cache, from the device read", OPC_DS_CACHE, 1000, 90.0, L"hall", 0},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    if (s.advanceMs) net.AdvanceClock(s.advanceMs);
    auto r = Read(group, s.source, cps);
    ASSERT_EQ(2u, r.size());
    EXPECT_EQ(kGood, r[0].quality);
    EXPECT_EQ(s.nodeCp, AsDouble(r[0].value));
    EXPECT_EQ(s.blockCp, AsText(r[1].value));
    EXPECT_EQ(kestrum::testing::kFixedClock + s.stampMs * kTicksPerMs, r[0].stamp);
  }

  // Past the cache timeout (5 s) a cache read goes to the device again.
  SetDevice(kNodeCp, CComVariant(120.0));
  net.AdvanceClock(5000);
  auto aged = Read(group, OPC_DS_CACHE, cps);
  ASSERT_EQ(2u, aged.size());
  EXPECT_EQ(120.0, AsDouble(aged[0].value));
  EXPECT_EQ(kestrum::testing::kFixedClock + 6000 * kTicksPerMs, aged[0].stamp);
}

TEST_F(DemoNetworkTest, AnOfflineDeviceGivesBadQualityAndComesBack) {
  auto group = client.AddGroup(L"G", TRUE, 100000, 1);
  auto h = client.AddItems(group, {kSetpoint, kNodeCp, L"4B.1.2.0"});  // the last on another device
  auto before = Read(group, OPC_DS_DEVICE, h);
  ASSERT_EQ(3u, before.size());
  for (const auto& r : before) EXPECT_EQ(kGood, r.quality);

  ASSERT_EQ(S_OK, net.Simulation()->SetDeviceOnline(kRoomController, FALSE));
  struct Case {
    const char* what;
    OPCDATASOURCE source;
    ULONG advanceMs;
    bool roomControllerGood;
  } cases[] = {
      {"cache, still fresh", OPC_DS_CACHE, 0, true},
      {"device", OPC_DS_DEVICE, 0, false},
      {"cache, aged", OPC_DS_CACHE, 6000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.advanceMs) net.AdvanceClock(c.advanceMs);
    auto r = Read(group, c.source, h);
    ASSERT_EQ(3u, r.size());
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(S_OK, r[i].error);  // the item is there; its quality tells
      if (c.roomControllerGood)
        EXPECT_EQ(kGood, r[i].quality);
      else
        EXPECT_EQ(0, r[i].quality & 0xC0) << std::hex << r[i].quality;  // bad
    }
    EXPECT_EQ(kGood, r[2].quality);
  }

  ASSERT_EQ(S_OK, net.Simulation()->SetDeviceOnline(kRoomController, TRUE));
  auto after = Read(group, OPC_DS_DEVICE, h);
  ASSERT_EQ(3u, after.size());
  for (const auto& r : after) EXPECT_EQ(kGood, r.quality);
  EXPECT_EQ(21.5, AsDouble(after[0].value));
}

TEST_F(DemoNetworkTest, WritesReachTheDevices) {
  auto group = client.AddGroup(L"G", TRUE, 100000, 1);
  auto h = client.AddItems(group, {kSetpoint, L"4B.1.1.3__value", kBlockCp, kNodeCp, kSpaceTemp, L"4B.1.2.0"});
  ASSERT_EQ(S_OK, net.Simulation()->SetDeviceOnline(L"040000000002", FALSE));  // the device of 4B.1.2.0
  struct Case {
    CComVariant value;
    HRESULT error;
  } cases[] = {
      {CComVariant(23.5), S_OK},
      {CComVariant(L"100"), S_OK},  // converted to the field's type
      {CComVariant(L"hall"), S_OK},
      {CComVariant(120), S_OK},
      {CComVariant(30.0), OPC_E_BADRIGHTS},  // an output
      {CComVariant(L"1.0 1"), E_FAIL},      // the device does not answer
  };
  const DWORD n = sizeof(cases) / sizeof(cases[0]);
  VARIANT values[n];
  for (DWORD i = 0; i < n; ++i) {
    VariantInit(&values[i]);
    VariantCopy(&values[i], &cases[i].value);
  }
  ASSERT_EQ(S_FALSE, QueryAs<IOPCSyncIO>(group.p)->Write(n, h.data(), values, &errors));
  for (DWORD i = 0; i < n; ++i) {
    EXPECT_EQ(cases[i].error, errors[i]) << i;
    VariantClear(&values[i]);
  }
  EXPECT_EQ(23.5, AsDouble(Device(kSetpoint)));
  EXPECT_EQ(100.0, AsDouble(Device(kOccupancy, 0)));
  EXPECT_EQ(L"hall", AsText(Device(kBlockCp)));
  EXPECT_EQ(120.0, AsDouble(Device(kNodeCp)));
  EXPECT_EQ(L"0.0 0", AsText(Device(L"4B.1.2.0")));

  // The written values are what the items read back from the cache.
  auto r = Read(group, OPC_DS_CACHE, {h[0], h[2]});
  ASSERT_EQ(2u, r.size());
  EXPECT_EQ(23.5, AsDouble(r[0].value));
  EXPECT_EQ(L"hall", AsText(r[1].value));
}

TEST_F(DemoNetworkTest, ADeviceChangeReachesTheDataCallback) {
  auto group = client.AddGroup(L"G", TRUE, 100, 7);
  auto sink = client.Subscribe(group);
  auto h = client.AddItems(group, {kSetpoint, kFanSpeed});
  ASSERT_TRUE(sink->WaitForCalls(1));
  auto first = sink->Calls()[0];
  ASSERT_EQ(2u, first.clients.size());
  EXPECT_EQ(0u, first.transaction);
  EXPECT_EQ(7u, first.hGroup);
  EXPECT_EQ(21.5, first.values[0]);
  EXPECT_EQ(50.0, first.values[1]);
  EXPECT_EQ(S_OK, first.masterQuality);

  // Time passes, the devices stay as they are: cycles go by without a call.
  net.AdvanceClock(6000);
  cycles.Mark(7);
  ASSERT_TRUE(cycles.WaitForMoreCycles(7, 3));
  EXPECT_EQ(1u, sink->CallCount());

  // The device changes and the clock moves: the next cycle delivers that item alone.
  SetDevice(kSetpoint, CComVariant(24.0));
  net.AdvanceClock(1000);
  ASSERT_TRUE(sink->WaitForCalls(2));
  auto second = sink->Calls()[1];
  ASSERT_EQ(1u, second.clients.size());
  EXPECT_EQ(1u, second.clients[0]);
  EXPECT_EQ(24.0, second.values[0]);
  EXPECT_EQ(kGood, second.qualities[0]);
  EXPECT_EQ(S_OK, second.masterQuality);
  net.Pump();  // the control's reports of the monitored NV go to the device model
  EXPECT_EQ(2u, sink->CallCount());
}

}  // namespace
