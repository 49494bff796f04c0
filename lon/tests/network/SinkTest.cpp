// The event sink fed by the simulated control: protocol texts by the Protocol mask, the scan
// window, observers.
#include "lon/KestrumSink.h"
#include "platform/com/ComVariant.h"
#include "lon/NetworkVariable.h"
#include "lon/tests/network/LonNetworkFixture.h"

namespace lon_network_testing {
namespace {

class RecordingObserver : public CKestrumSinkObserver {
 public:
  void OnNewNvValue(CNetworkVariable* nv, const VARIANT&) override { values.push_back(nv); }
  void OnNewNvError(CNetworkVariable* nv) override { errors.push_back(nv); }
  void OnScanFinished() override { ++finished; }
  std::vector<CNetworkVariable*> values, errors;
  int finished = 0;
};

// Calls the sink as the control does, for events the simulated network never raises itself.
void Raise(CKestrumSink* sink, DISPID id, std::vector<CComVariant> argsInOrder) {
  std::vector<VARIANT> reversed(argsInOrder.rbegin(), argsInOrder.rend());
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  ASSERT_EQ(S_OK, sink->GetIDispatch(FALSE)->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr));
}

struct MaskCase {
  DWORD mask;
  bool scanTexts;
  bool nvTexts;
};

class SinkMaskTest : public LonNetworkTest, public ::testing::WithParamInterface<MaskCase> {};

TEST_P(SinkMaskTest, TextsFollowTheMaskButInfoIsAlwaysLogged) {
  host.mask = GetParam().mask;
  ASSERT_TRUE(manager->Open(LonModeUploadNew, env.DatabasePath().c_str(), L"LON1", L""));
  CNetworkVariable* nv = manager->GetNodes().front()->m_nvs.front();
  nv->AddMonitorRequest();
  VARIANT_BOOL on = VARIANT_TRUE;
  manager->m_control.SetProperty(kestrum::ctl::kServicePinReporting, VT_BOOL, on);
  CComVariant value(22.0);
  ASSERT_EQ(S_OK, sim->SetDeviceValue(kSetpoint, -1, &value));
  ASSERT_EQ(S_OK, sim->PressServicePin(kRoomController));
  ASSERT_EQ(S_OK, sim->RaiseInfo(0, L"040000000003", L"ignored"));
  ASSERT_EQ(S_OK, sim->RaiseInfo(2, L"ignored", L"Free text"));
  ASSERT_EQ(S_OK, sim->RaiseInfo(1, L"kind one", L"logs nothing"));
  texts.Take();  // what the open itself logged is checked below
  Pump();
  std::vector<CString> logged = texts.Take();
  auto has = [&](const CString& prefix) {
    for (const CString& t : logged)
      if (t.Left(prefix.GetLength()) == prefix) return true;
    return false;
  };
  EXPECT_EQ(GetParam().scanTexts, has(L"Neuron ID: 040000000005    Node 1 of 2"));
  EXPECT_EQ(GetParam().scanTexts, has(L"Scanning finished"));
  EXPECT_EQ(GetParam().nvTexts, has(L"New NV value event. NV: 4B.1.1.0, Neuron ID: 040000000001, value = '22"));
  EXPECT_EQ(GetParam().nvTexts, has(L"Service pin received. Neuron ID: 040000000001, Program ID: "));
  EXPECT_TRUE(has(L"Lifecheck event -> node: 040000000003"));
  EXPECT_TRUE(has(L"Free text"));
  EXPECT_FALSE(has(L"logs nothing"));
  EXPECT_FALSE(has(L"kind one"));
  nv->ReleaseMonitorRequest();
}

INSTANTIATE_TEST_SUITE_P(Masks, SinkMaskTest,
                         ::testing::Values(MaskCase{0x80, true, false}, MaskCase{0x100, false, true},
                                           MaskCase{0, false, false}, MaskCase{0x3FF, true, true}),
                         [](const auto& info) { return "Mask" + std::to_string(info.param.mask); });

TEST_F(LonNetworkTest, CookieZeroReachesObserversWithoutText) {
  ASSERT_TRUE(OpenSimulated());
  RecordingObserver observer;
  manager->GetSink()->Attach(&observer);
  CNetworkVariable* nv = manager->GetNodes().front()->m_nvs.front();
  nv->AddMonitorRequest();
  ASSERT_EQ(S_OK, sim->SetDeviceOnline(kRoomController, FALSE));
  ASSERT_EQ(S_OK, sim->AdvanceClock(1000));  // a monitoring round finds the device silent
  Pump();
  texts.Take();
  Raise(manager->GetSink(), kestrum::evt::kNewNvValue, {CComVariant(LONG(0)), CComVariant(1.0)});
  Raise(manager->GetSink(), kestrum::evt::kNewNvError, {CComVariant(LONG(0))});
  EXPECT_EQ(std::vector<CString>{}, texts.Take());
  ASSERT_FALSE(observer.values.empty());
  EXPECT_EQ(nullptr, observer.values.back());
  ASSERT_GE(observer.errors.size(), 2u);
  EXPECT_EQ(nv, observer.errors.front());
  EXPECT_EQ(nullptr, observer.errors.back());
  manager->GetSink()->Detach(&observer);
  nv->ReleaseMonitorRequest();
}

TEST_F(LonNetworkTest, ScanWindowLivesFromTheFirstScanEventToItsEnd) {
  RecordingObserver observer;
  manager->GetSink()->Attach(&observer);
  // No scan yet: the end only notifies and logs.
  Raise(manager->GetSink(), kestrum::evt::kScanFinished, {});
  EXPECT_EQ(std::vector<CString>{}, gui.log);
  EXPECT_EQ(1, observer.finished);
  EXPECT_EQ(std::vector<CString>{L"Scanning finished"}, texts.Take());

  ASSERT_TRUE(manager->Open(LonModeUploadNew, env.DatabasePath().c_str(), L"LON1", L""));
  Pump();
  ASSERT_FALSE(gui.log.empty());
  EXPECT_EQ(CString(L"create"), gui.log.front());
  EXPECT_EQ(CString(L"close"), gui.log.back());
  EXPECT_FALSE(manager->GetSink()->HasScanWindow());
  // A later scan makes a new window.
  gui.log.clear();
  texts.Take();
  Raise(manager->GetSink(), kestrum::evt::kScanning, {CComVariant(L"")});
  EXPECT_EQ((std::vector<CString>{L"create", L"domain "}), gui.log);
  EXPECT_EQ(std::vector<CString>{L"Domain: <empty>"}, texts.Take());
  manager->GetSink()->Detach(&observer);
}

}  // namespace
}  // namespace lon_network_testing
