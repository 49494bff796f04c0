#include "KestrumFixture.h"

#include <fstream>
#include <thread>

namespace kestrum::testing {
namespace {

TEST_F(KestrumTest, OpenAnswersEachModeAndItsFailures) {
  std::ofstream(root.Path() + "/garbage.db") << "not a database";
  struct Case {
    LONG mode;
    std::wstring path;
    bool zero;
    short nodes;
  } cases[] = {
      {kModeAuto, dbPath, true, 4},  // the routers come only with 50 devices
      {kModeSimulate, dbPath, true, 4},
      {kModeSimulate, root.PathW() + L"/missing.db", false, 0},
      {kModeSimulate, root.PathW() + L"/garbage.db", false, 0},
      {7, dbPath, false, 0},
      {kModeSimulate, L"", true, 0},  // no database: an empty network
  };
  for (const Case& c : cases) {
    COleDispatchDriver fresh;
    CComPtr<IKestrumSimulation> sim;
    Create(fresh, sim);
    LONG result = fresh.InvokeMethod<LONG>(ctl::kOpen, c.mode, c.path);
    EXPECT_EQ(c.zero, result == 0) << c.mode;
    COleDispatchDriver network(fresh.GetProperty<CComPtr<IDispatch>>(ctl::kNetwork).Detach());
    EXPECT_EQ(c.nodes, network.GetProperty<short>(net::kNodeCount)) << c.mode;
  }
}

TEST_F(KestrumTest, UploadsRaiseScanEventsAndKeepTheNewDevices) {
  Advise();
  ASSERT_EQ(0, Open(kModeUploadNew));
  EXPECT_EQ((std::vector<std::wstring>{L"Scanning 4B", L"Loading 040000000005 1/2", L"Loading 040000000006 2/2",
                                       L"ScanFinished"}),
            Pump());
  EXPECT_EQ(6, Network().GetProperty<short>(net::kNodeCount));

  // Uploaded devices are kept in the database: a plain open now has all six, without a scan.
  COleDispatchDriver again;
  CComPtr<IKestrumSimulation> sim;
  Create(again, sim);
  ASSERT_EQ(0, again.InvokeMethod<LONG>(ctl::kOpen, kModeAuto, dbPath));
  COleDispatchDriver network(again.GetProperty<CComPtr<IDispatch>>(ctl::kNetwork).Detach());
  EXPECT_EQ(6, network.GetProperty<short>(net::kNodeCount));
  EXPECT_TRUE(Pump().empty());

  ASSERT_EQ(0, Open(kModeUploadAll));
  auto events = Pump();
  ASSERT_EQ(8u, events.size());
  EXPECT_EQ(L"Loading 040000000001 1/6", events[1]);
  EXPECT_EQ(L"ScanFinished", events.back());
}

TEST_F(KestrumTest, CreateDatabaseMakesAnEmptyOneAndNeverOverwrites) {
  std::wstring path = root.PathW() + L"/new.db";
  SCODE created = E_UNEXPECTED, again = S_OK;
  control.InvokeHelper(ctl::kCreateDatabase, DISPATCH_METHOD, VT_ERROR, &created, path);
  control.InvokeHelper(ctl::kCreateDatabase, DISPATCH_METHOD, VT_ERROR, &again, dbPath);
  EXPECT_EQ(S_OK, created);
  EXPECT_NE(S_OK, again);
  ASSERT_EQ(0, control.InvokeMethod<LONG>(ctl::kOpen, kModeAuto, path));
  EXPECT_EQ(0, Network().GetProperty<short>(net::kNodeCount));
  ASSERT_EQ(0, Open(kModeAuto));  // the existing database is intact
  EXPECT_EQ(4, Network().GetProperty<short>(net::kNodeCount));
}

TEST_F(KestrumTest, WalksNodesNvsCpsAndBlocksAsTheItemIdsName) {
  ASSERT_EQ(0, Open(kModeSimulate));
  COleDispatchDriver network = Network();
  COleDispatchDriver node(network.GetPropertyWithParams<CComPtr<IDispatch>>(net::kNode, short{3}).Detach());
  EXPECT_EQ(L"BD-00004", node.GetProperty<std::wstring>(node::kName));
  COleDispatchDriver domain(node.GetPropertyWithParams<CComPtr<IDispatch>>(node::kDomain, short{0}).Detach());
  EXPECT_EQ(L"4B", domain.GetProperty<std::wstring>(domain::kId));
  EXPECT_EQ(1, domain.GetProperty<short>(domain::kSubnet));
  EXPECT_EQ(4, domain.GetProperty<short>(domain::kNode));

  COleDispatchDriver blocks(node.GetProperty<CComPtr<IDispatch>>(node::kBlocks).Detach());
  ASSERT_EQ(3, blocks.GetProperty<short>(coll::kCount));
  COleDispatchDriver lamp(blocks.GetPropertyWithParams<CComPtr<IDispatch>>(coll::kItem, LONG{1}).Detach());
  EXPECT_EQ(L"Lamp", lamp.GetProperty<std::wstring>(block::kName));
  EXPECT_EQ(0, lamp.GetProperty<short>(block::kIndex));
  COleDispatchDriver lampCps(lamp.GetProperty<CComPtr<IDispatch>>(block::kCps).Detach());
  COleDispatchDriver name(lampCps.GetPropertyWithParams<CComPtr<IDispatch>>(coll::kItem, short{1}).Detach());
  EXPECT_EQ(L"nciName", name.GetProperty<std::wstring>(cp::kName));

  // Every item ID form is a hash lookup of the network object; a miss is an empty answer.
  EXPECT_EQ(L"nviSetpoint", Nv(kSetpoint).GetProperty<std::wstring>(nv::kName));
  EXPECT_EQ(L"nciMaxSendTime", Cp(kNodeCp).GetProperty<std::wstring>(cp::kName));
  EXPECT_EQ(L"nciMinSendTime", Cp(kNvCp).GetProperty<std::wstring>(cp::kName));
  EXPECT_EQ(L"nciName", Cp(kBlockCp).GetProperty<std::wstring>(cp::kName));
  EXPECT_EQ(nullptr, Nv(L"4B.1.1.99").m_lpDispatch);
  EXPECT_EQ(nullptr, Cp(kSetpoint).m_lpDispatch);

  // Index types: VT_I2, VT_I4 and, for interfaces, a name (a miss is empty, not a failure).
  COleDispatchDriver interfaces(control.GetProperty<CComPtr<IDispatch>>(ctl::kInterfaces).Detach());
  COleDispatchDriver lon1(interfaces.GetPropertyWithParams<CComPtr<IDispatch>>(coll::kItem, std::wstring(L"lon1")).Detach());
  EXPECT_EQ(L"FTT-10", lon1.GetProperty<std::wstring>(ifc::kChannel));
  EXPECT_EQ(nullptr, interfaces.GetPropertyWithParams<CComPtr<IDispatch>>(coll::kItem, std::wstring(L"none")).p);
  EXPECT_THROW(network.GetPropertyWithParams<CComPtr<IDispatch>>(net::kNode, LONG{4}), COleDispatchException);
}

TEST_F(KestrumTest, ReadsAndWritesWholeValuesAndFields) {
  ASSERT_EQ(0, Open(kModeSimulate));
  COleDispatchDriver occupancy = Nv(kOccupancy);
  COleDispatchDriver type(occupancy.GetProperty<CComPtr<IDispatch>>(nv::kType).Detach());
  EXPECT_EQ(2, type.GetProperty<USHORT>(type::kFieldCount));
  EXPECT_EQ(L"state", occupancy.GetPropertyWithParams<std::wstring>(nv::kMemberName, short{1}));

  occupancy.InvokeMethod<short>(nv::kWriteValue, std::wstring(L"50.0 1"), short{-1});
  EXPECT_EQ(L"50.0 1", occupancy.GetProperty<std::wstring>(nv::kValueText));
  occupancy.InvokeMethod<short>(nv::kWriteValue, 75.5, short{0});
  CComVariant value = Owned(occupancy.GetPropertyWithParams<VARIANT>(nv::kFieldValue, USHORT{VT_EMPTY}, short{0}));
  EXPECT_EQ(VT_R8, value.vt);
  EXPECT_DOUBLE_EQ(75.5, value.dblVal);
  CComVariant text = Owned(occupancy.GetPropertyWithParams<VARIANT>(nv::kFieldValue, USHORT{VT_BSTR}, short{1}));
  EXPECT_EQ(L"1", tessaly::BstrToString(text.bstrVal));

  // Out of range, wrong field, not a number: a dispatch exception with a reason; nothing changes.
  const std::pair<CComVariant, short> bad[] = {{CComVariant(101.0), 0}, {CComVariant(1.0), 2}, {CComVariant(L"x y"), -1}};
  for (const auto& [v, field] : bad) {
    try {
      occupancy.InvokeMethod<short>(nv::kWriteValue, static_cast<const VARIANT&>(v), field);
      ADD_FAILURE() << "write of field " << field << " went through";
    } catch (const COleDispatchException& e) {
      EXPECT_FALSE(e.m_strDescription.IsEmpty());
    }
  }
  EXPECT_EQ(L"75.5 1", occupancy.GetProperty<std::wstring>(nv::kValueText));

  // A field's canonical type can be changed, and restored with 0xFFFF.
  occupancy.SetPropertyWithParams(nv::kFieldType, short{0}, USHORT{VT_I4});
  CComVariant asInt = Owned(occupancy.GetPropertyWithParams<VARIANT>(nv::kFieldValue, USHORT{VT_EMPTY}, short{0}));
  EXPECT_EQ(VT_I4, asInt.vt);
  occupancy.SetPropertyWithParams(nv::kFieldType, short{0}, USHORT{0xFFFF});
  EXPECT_EQ(VT_R8, occupancy.GetPropertyWithParams<USHORT>(nv::kFieldType, short{0}));

  double low = 0, high = 0;
  EXPECT_TRUE(Nv(kSetpoint).InvokeMethod<bool>(nv::kGetValueRange, short{-1}, &low, &high));
  EXPECT_DOUBLE_EQ(-273.17, low);
  EXPECT_FALSE(Nv(kRoomName).InvokeMethod<bool>(nv::kGetValueRange, short{-1}, &low, &high));
}

TEST_F(KestrumTest, ConfigurationPropertiesChangeThroughTheirRawValue) {
  ASSERT_EQ(0, Open(kModeSimulate));
  COleDispatchDriver cp = Cp(kNodeCp);
  EXPECT_EQ(L"60.0", cp.GetProperty<std::wstring>(cp::kValueText));
  CComVariant raw = Owned(cp.GetProperty<VARIANT>(cp::kRawValue));
  ASSERT_EQ(VT_ARRAY | VT_UI1, raw.vt);
  EXPECT_TRUE(cp.InvokeMethod<bool>(cp::kWriteField, static_cast<VARIANT*>(&raw), 12.5, short{-1}));
  EXPECT_FALSE(cp.InvokeMethod<bool>(cp::kWriteField, static_cast<VARIANT*>(&raw), -1.0, short{-1}));
  EXPECT_EQ(L"60.0", cp.GetProperty<std::wstring>(cp::kValueText));  // nothing written yet
  cp.SetProperty(cp::kRawValue, VT_VARIANT, static_cast<VARIANT&>(raw));
  EXPECT_EQ(L"12.5", cp.GetProperty<std::wstring>(cp::kValueText));
  cp.SetProperty(cp::kValueText, VT_BSTR, std::wstring(L"3.0"));
  EXPECT_EQ(L"3.0", cp.GetProperty<std::wstring>(cp::kValueText));
}

TEST_F(KestrumTest, CacheReadsRefreshOnlyWhenOlderThanTheTimeout) {
  FixClock();
  ASSERT_EQ(0, Open(kModeSimulate));
  COleDispatchDriver nv = Nv(kSetpoint);
  nv.SetProperty(nv::kCacheTimeout, VT_I4, LONG{1000});
  ASSERT_TRUE(nv.InvokeMethod<bool>(nv::kReadCache));  // empty cache: from the device
  EXPECT_EQ(kStatusGood, nv.GetProperty<LONG>(nv::kStatus));
  CComVariant v(23.0);
  ASSERT_EQ(S_OK, simulation->SetDeviceValue(kSetpoint.c_str(), -1, &v));

  struct Step {
    ULONG advanceMs;
    DISPID read;
    const wchar_t* seen;
  } steps[] = {
      {999, nv::kReadCache, L"21.50"},   // still fresh
      {0, nv::kReadDevice, L"23.00"},    // a device read always asks
      {1000, nv::kReadCache, L"23.00"},  // stale: refreshed
  };
  for (const Step& s : steps) {
    simulation->AdvanceClock(s.advanceMs);
    EXPECT_TRUE(nv.InvokeMethod<bool>(s.read));
    EXPECT_EQ(s.seen, nv.GetProperty<std::wstring>(nv::kValueText));
  }

  // Always use the cache: never refreshed, however old.
  nv.SetProperty(nv::kAlwaysUseCache, VT_BOOL, true);
  CComVariant w(19.0);
  simulation->SetDeviceValue(kSetpoint.c_str(), -1, &w);
  simulation->AdvanceClock(60000);
  EXPECT_TRUE(nv.InvokeMethod<bool>(nv::kReadCache));
  EXPECT_EQ(L"23.00", nv.GetProperty<std::wstring>(nv::kValueText));
}

TEST_F(KestrumTest, SilentOrInactiveDevicesFailReadsWithABadStatus) {
  FixClock();
  ASSERT_EQ(0, Open(kModeSimulate));
  COleDispatchDriver nv = Nv(kSetpoint);
  ASSERT_EQ(S_OK, simulation->SetDeviceOnline(kRoomController.c_str(), FALSE));
  EXPECT_FALSE(nv.InvokeMethod<bool>(nv::kReadDevice));
  EXPECT_EQ(kStatusOffline, nv.GetProperty<LONG>(nv::kStatus));
  EXPECT_THROW(nv.InvokeMethod<short>(nv::kWriteValue, 20.0, short{-1}), COleDispatchException);
  simulation->SetDeviceOnline(kRoomController.c_str(), TRUE);

  COleDispatchDriver node(Network().GetPropertyWithParams<CComPtr<IDispatch>>(net::kNode, short{0}).Detach());
  node.SetProperty(node::kActive, VT_BOOL, false);
  EXPECT_FALSE(nv.InvokeMethod<bool>(nv::kReadDevice));
  EXPECT_EQ(kStatusInactive, nv.GetProperty<LONG>(nv::kStatus));
  node.SetProperty(node::kActive, VT_BOOL, true);
  EXPECT_TRUE(nv.InvokeMethod<bool>(nv::kReadDevice));
  simulation->SetValueStatus(kSetpoint.c_str(), kStatusUncertain);
  EXPECT_TRUE(nv.InvokeMethod<bool>(nv::kReadDevice));
  EXPECT_EQ(kStatusUncertain, nv.GetProperty<LONG>(nv::kStatus));
}

TEST_F(KestrumTest, TimeStampsComeBackThroughATypedOutParameter) {
  FixClock();
  ASSERT_EQ(0, Open(kModeSimulate));
  COleDispatchDriver nv = Nv(kSetpoint);
  FILETIME preset{0xFFFFFFFF, 0xFFFFFFFF};
  VARIANT legacy{};
  legacy.vt = VT_BYREF | VT_I4;
  legacy.plVal = reinterpret_cast<LONG*>(&preset);
  nv.InvokeMethod(nv::kGetTimestamp, legacy, LONG{sizeof(FILETIME)});
  EXPECT_EQ(0xFFFFFFFFu, preset.dwHighDateTime);  // never read: untouched

  nv.InvokeMethod<bool>(nv::kReadDevice);
  ULONGLONG stamp = 0;
  VARIANT typed{};
  typed.vt = VT_BYREF | VT_UI8;
  typed.pullVal = &stamp;
  nv.InvokeMethod(nv::kGetTimestamp, typed);
  EXPECT_EQ(133485408000000000ULL, stamp);
  nv.InvokeMethod(nv::kGetTimestamp, legacy, LONG{sizeof(FILETIME)});
  EXPECT_EQ(stamp, (ULONGLONG{preset.dwHighDateTime} << 32) | preset.dwLowDateTime);

  // A pointer alone does not say how much may be written: refused, nothing written.
  FILETIME untouched{1, 2};
  legacy.plVal = reinterpret_cast<LONG*>(&untouched);
  EXPECT_THROW(nv.InvokeMethod(nv::kGetTimestamp, legacy), COleDispatchException);
  EXPECT_THROW(nv.InvokeMethod(nv::kGetTimestamp, legacy, LONG{4}), COleDispatchException);
  EXPECT_EQ(1u, untouched.dwLowDateTime);
  EXPECT_EQ(2u, untouched.dwHighDateTime);
}

TEST_F(KestrumTest, MonitoredNvsReportChangesAndErrorsThroughTheQueue) {
  FixClock();
  Advise();
  ASSERT_EQ(0, Open(kModeSimulate));
  COleDispatchDriver nv = Nv(kSetpoint);
  nv.SetProperty(nv::kMonitorCookie, VT_I4, LONG{77});
  CComVariant v(22.0);
  simulation->SetDeviceValue(kSetpoint.c_str(), -1, &v);
  EXPECT_TRUE(sink.events.empty());  // nothing is raised inside the call
  EXPECT_EQ(std::vector<std::wstring>{L"NewNvValue 77 22"}, Pump());

  simulation->AdvanceClock(1000);  // reporting changes only: no change, no event
  EXPECT_TRUE(Pump().empty());
  control.SetProperty(ctl::kReportChangesOnly, VT_BOOL, false);
  simulation->AdvanceClock(1000);
  EXPECT_EQ(std::vector<std::wstring>{L"NewNvValue 77 22"}, Pump());
  control.SetProperty(ctl::kReportChangesOnly, VT_BOOL, true);

  simulation->SetDeviceOnline(kRoomController.c_str(), FALSE);
  simulation->AdvanceClock(1000);
  simulation->AdvanceClock(1000);
  EXPECT_EQ(std::vector<std::wstring>{L"NewNvError 77"}, Pump());  // once, not every round
  simulation->SetDeviceOnline(kRoomController.c_str(), TRUE);
  simulation->AdvanceClock(1000);
  EXPECT_EQ(std::vector<std::wstring>{L"NewNvValue 77 22"}, Pump());

  nv.SetProperty(nv::kMonitorCookie, VT_I4, LONG{0});
  simulation->SetDeviceValue(kSetpoint.c_str(), -1, &v);
  CComVariant w(25.0);
  simulation->SetDeviceValue(kSetpoint.c_str(), -1, &w);
  EXPECT_TRUE(Pump().empty());
}

TEST_F(KestrumTest, InputsMoveWithTheClock) {
  FixClock();
  Advise();
  ASSERT_EQ(0, Open(kModeSimulate));
  COleDispatchDriver valve = Nv(L"4B.1.1.2");  // ramp of 1 % per second from 0
  valve.SetProperty(nv::kMonitorCookie, VT_I4, LONG{5});
  simulation->AdvanceClock(3000);
  EXPECT_EQ(std::vector<std::wstring>{L"NewNvValue 5 3"}, Pump());
  simulation->AdvanceClock(500);  // within the second: unchanged
  EXPECT_TRUE(Pump().empty());
}

TEST_F(KestrumTest, AnInjectedFailureReachesTheCallerWithItsMessage) {
  ASSERT_EQ(0, Open(kModeSimulate));
  ASSERT_EQ(S_OK, simulation->RecordCalls(TRUE));
  COleDispatchDriver nv = Nv(kSetpoint);
  simulation->FailCall(kObjNv, kSetpoint.c_str(), nv::kReadDevice, L"Transaction timed out", 1);
  try {
    nv.InvokeMethod<bool>(nv::kReadDevice);
    ADD_FAILURE() << "no exception";
  } catch (const COleDispatchException& e) {
    EXPECT_EQ(CString(L"Transaction timed out"), e.m_strDescription);
  }
  EXPECT_TRUE(nv.InvokeMethod<bool>(nv::kReadDevice));  // once only

  simulation->FailCall(kObjNv, nullptr, nv::kName, L"down", -1);
  EXPECT_THROW(Nv(kRoomName).GetProperty<std::wstring>(nv::kName), COleDispatchException);
  EXPECT_THROW(nv.GetProperty<std::wstring>(nv::kName), COleDispatchException);
  simulation->ClearFailures();
  EXPECT_EQ(L"nviSetpoint", nv.GetProperty<std::wstring>(nv::kName));

  LONG count = 0;
  simulation->GetCallCount(kObjNv, kSetpoint.c_str(), nv::kReadDevice, &count);
  EXPECT_EQ(2, count);
  simulation->GetCallCount(kObjNv, nullptr, nv::kName, &count);
  EXPECT_EQ(3, count);
  CComBSTR log;
  simulation->GetCallLog(&log);
  EXPECT_NE(std::wstring::npos, tessaly::BstrToString(log).find(L"nv 4B.1.1.0 method 22"));
}

TEST_F(KestrumTest, ChangesAreKeptInTheDatabase) {
  ASSERT_EQ(0, Open(kModeSimulate));
  {
    COleDispatchDriver nv = Nv(kSetpoint);
    nv.SetProperty(nv::kDescription, VT_BSTR, std::wstring(L"Room setpoint"));
    nv.SetProperty(nv::kCacheTimeout, VT_I4, LONG{2500});
    nv.SetProperty(nv::kAlwaysUseCache, VT_BOOL, true);
    nv.SetProperty(nv::kMonitored, VT_BOOL, false);
    nv.SetPropertyWithParams(nv::kFieldType, short{-1}, USHORT{VT_R4});
    Cp(kNodeCp).SetProperty(cp::kDescription, VT_BSTR, std::wstring(L"send time"));
    COleDispatchDriver node(Network().GetPropertyWithParams<CComPtr<IDispatch>>(net::kNode, short{1}).Detach());
    node.InvokeMethod<short>(node::kReplace, std::wstring(L"0400000000aa"));
    control.InvokeMethod(ctl::kDeleteNode, std::wstring(L"040000000003"));
    EXPECT_THROW(node.InvokeMethod(ctl::kDeleteNode, std::wstring(L"040000000003")), COleDispatchException);
  }
  COleDispatchDriver again;
  CComPtr<IKestrumSimulation> sim;
  Create(again, sim);
  ASSERT_EQ(0, again.InvokeMethod<LONG>(ctl::kOpen, kModeSimulate, dbPath));
  COleDispatchDriver network(again.GetProperty<CComPtr<IDispatch>>(ctl::kNetwork).Detach());
  ASSERT_EQ(3, network.GetProperty<short>(net::kNodeCount));
  COleDispatchDriver node(network.GetPropertyWithParams<CComPtr<IDispatch>>(net::kNode, short{1}).Detach());
  EXPECT_EQ(L"0400000000AA", node.GetProperty<std::wstring>(node::kNeuronId));
  COleDispatchDriver nv(network.InvokeMethod<CComPtr<IDispatch>>(net::kNvByItemId, kSetpoint).Detach());
  EXPECT_EQ(L"Room setpoint", nv.GetProperty<std::wstring>(nv::kDescription));
  EXPECT_EQ(2500, nv.GetProperty<LONG>(nv::kCacheTimeout));
  EXPECT_TRUE(nv.GetProperty<bool>(nv::kAlwaysUseCache));
  EXPECT_FALSE(nv.GetProperty<bool>(nv::kMonitored));
  EXPECT_EQ(VT_R4, nv.GetPropertyWithParams<USHORT>(nv::kFieldType, short{-1}));
  COleDispatchDriver cp(network.InvokeMethod<CComPtr<IDispatch>>(net::kCpByItemId, kNodeCp).Detach());
  EXPECT_EQ(L"send time", cp.GetProperty<std::wstring>(cp::kDescription));
}

TEST_F(KestrumTest, ObjectsOfADeletedDeviceStopAnswering) {
  ASSERT_EQ(0, Open(kModeSimulate));
  COleDispatchDriver nv = Nv(kSetpoint);
  control.InvokeMethod(ctl::kDeleteNode, kRoomController);
  EXPECT_THROW(nv.GetProperty<std::wstring>(nv::kName), COleDispatchException);
  EXPECT_EQ(nullptr, Nv(kSetpoint).m_lpDispatch);
}

TEST_F(KestrumTest, PeopleAndTheNetworkRaiseTheirEvents) {
  Advise();
  ASSERT_EQ(0, Open(kModeSimulate));
  EXPECT_EQ(S_FALSE, simulation->PressServicePin(kRoomController.c_str()));  // reporting off
  control.SetProperty(ctl::kServicePinReporting, VT_BOOL, true);
  EXPECT_EQ(S_OK, simulation->PressServicePin(L"040000000006"));  // a device not uploaded yet
  simulation->RaiseInfo(0, L"040000000001", L"");
  simulation->RaiseInform2(3, kRoomController.c_str(), L"text");
  EXPECT_EQ((std::vector<std::wstring>{L"ServicePin 040000000006 9FFFFF0502030B01", L"Info 0 040000000001 ",
                                       L"Inform2 3 object text"}),
            Pump());

  simulation->AddLateAcknowledgements(3);
  COleDispatchDriver host(control.GetProperty<CComPtr<IDispatch>>(ctl::kHostConfig).Detach());
  COleDispatchDriver stats(host.GetProperty<CComPtr<IDispatch>>(host::kStatistics).Detach());
  EXPECT_EQ(3u, stats.GetProperty<ULONG>(stats::kLateAcknowledgements));

  // The value prompt: an answer is written, no answer is a cancel.
  COleDispatchDriver nv = Nv(kSetpoint);
  simulation->QueuePromptAnswer(L"24.25");
  EXPECT_EQ(0, nv.InvokeMethod<LONG>(nv::kWrite, short{-1}));
  EXPECT_EQ(L"24.25", nv.GetProperty<std::wstring>(nv::kValueText));
  EXPECT_NE(0, nv.InvokeMethod<LONG>(nv::kWrite, short{-1}));
  simulation->QueuePromptAnswer(L"8.0");
  CComVariant answer;
  EXPECT_NE(0, Cp(kNodeCp).InvokeMethod<LONG>(cp::kPromptValue, USHORT{VT_BSTR}, static_cast<VARIANT*>(&answer), short{-1}));
  EXPECT_EQ(L"8.0", tessaly::BstrToString(answer.bstrVal));
}

TEST_F(KestrumTest, HostSettingsTakeOverDomainsAndInterfaces) {
  COleDispatchDriver host(control.GetProperty<CComPtr<IDispatch>>(ctl::kHostConfig).Detach());
  EXPECT_EQ(nullptr, host.GetProperty<CComPtr<IDispatch>>(host::kStatus).p);  // no interface yet
  COleDispatchDriver interfaces(control.GetProperty<CComPtr<IDispatch>>(ctl::kInterfaces).Detach());
  CComPtr<IDispatch> lon1 = interfaces.GetPropertyWithParams<CComPtr<IDispatch>>(coll::kItem, std::wstring(L"LON1"));
  host.SetProperty(host::kNetworkInterface, VT_DISPATCH, static_cast<IDispatch*>(lon1.p));
  EXPECT_EQ(L"LON1", host.GetProperty<std::wstring>(host::kName));
  EXPECT_NE(nullptr, host.GetProperty<CComPtr<IDispatch>>(host::kStatus).p);

  COleDispatchDriver domain(host.GetPropertyWithParams<CComPtr<IDispatch>>(host::kDomain, short{1}).Detach());
  domain.SetProperty(domain::kId, VT_BSTR, std::wstring(L"A1B2C3"));
  domain.SetProperty(domain::kSubnet, VT_I2, short{255});
  EXPECT_THROW(domain.SetProperty(domain::kNode, VT_I2, short{128}), COleDispatchException);
  EXPECT_THROW(domain.SetProperty(domain::kId, VT_BSTR, std::wstring(L"A1B2")), COleDispatchException);
  host.SetPropertyWithParams(host::kDomain, short{1}, static_cast<IDispatch*>(domain.m_lpDispatch));
  COleDispatchDriver taken(host.GetPropertyWithParams<CComPtr<IDispatch>>(host::kDomain, short{1}).Detach());
  EXPECT_EQ(L"A1B2C3", taken.GetProperty<std::wstring>(domain::kId));
  EXPECT_EQ(255, taken.GetProperty<short>(domain::kSubnet));

  control.InvokeMethod(ctl::kSetTimers, BYTE{8}, BYTE{3}, BYTE{12});
  EXPECT_EQ(12, control.GetProperty<BYTE>(ctl::kTxTimer));
  EXPECT_EQ(8, control.GetProperty<BYTE>(ctl::kRepeatTimer));
  EXPECT_THROW(control.InvokeMethod(ctl::kSetTimers, BYTE{8}, BYTE{3}, BYTE{16}), COleDispatchException);
}

TEST_F(KestrumTest, AMultiSettingChangesTheNvsInItsScope) {
  ASSERT_EQ(0, Open(kModeSimulate));
  COleDispatchDriver ms(control.GetProperty<CComPtr<IDispatch>>(ctl::kMultiSetting).Detach());
  ms.SetProperty(ms::kCacheTimeout, VT_I4, LONG{1234});
  ms.SetProperty(ms::kTypeIndexScope, VT_I2, short{95});  // every SNVT_switch
  ms.SetProperty(ms::kProgramIdScope, VT_BSTR, std::wstring(L"9FFFFF0502030B01"));  // of lamp actuators
  EXPECT_TRUE(control.InvokeMethod<bool>(ctl::kApplyMultiSetting, static_cast<IDispatch*>(ms.m_lpDispatch)));
  EXPECT_EQ(1234, Nv(L"4B.1.2.0").GetProperty<LONG>(nv::kCacheTimeout));
  EXPECT_NE(1234, Nv(L"4B.1.2.8").GetProperty<LONG>(nv::kCacheTimeout));  // a count
  EXPECT_NE(1234, Nv(kOccupancy).GetProperty<LONG>(nv::kCacheTimeout));   // another device

  COleDispatchDriver none(control.GetProperty<CComPtr<IDispatch>>(ctl::kMultiSetting).Detach());
  EXPECT_FALSE(control.InvokeMethod<bool>(ctl::kApplyMultiSetting, static_cast<IDispatch*>(none.m_lpDispatch)));
}

TEST_F(KestrumTest, ConcurrentReadersAndWritersShareTheNetwork) {
  FixClock();
  Advise();
  ASSERT_EQ(0, Open(kModeSimulate));
  std::vector<COleDispatchDriver> nvs;
  for (const std::wstring& id : {kSetpoint, kSpaceTemp, kOccupancy, kRoomName}) nvs.push_back(Nv(id));
  nvs[0].SetProperty(nv::kMonitorCookie, VT_I4, LONG{9});
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        COleDispatchDriver& nv = nvs[static_cast<size_t>((t + i) % 4)];
        nv.InvokeMethod<bool>(i % 2 ? nv::kReadCache : nv::kReadDevice);
        nv.GetProperty<std::wstring>(nv::kValueText);
        if (t == 0) nvs[0].InvokeMethod<short>(nv::kWriteValue, 20.0 + i % 3, short{-1});
        if (t == 1) simulation->AdvanceClock(10);
      }
    });
  }
  for (auto& th : threads) th.join();
  Pump();
  EXPECT_EQ(L"21.00", nvs[0].GetProperty<std::wstring>(nv::kValueText));  // 199 % 3 == 1
}

}  // namespace
}  // namespace kestrum::testing
