// The environment gives the same control, reached the same way, whichever activation it uses.
#include "standins/kestrum/testing/KestrumEnvironment.h"

#include <gtest/gtest.h>

#include "platform/com/Activation.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/DispatchTable.h"

namespace kestrum::testing {
namespace {

class CountingSink : public CCmdTarget {
 public:
  CountingSink() : CCmdTarget(DIID_KestrumEvents) {
    m_dispatchMap.AddMethod(L"Loading", evt::kLoading, [this](const std::wstring&, short, short) { ++loading; });
    m_dispatchMap.AddMethod(L"Info", evt::kInfo,
                            [this](LONG, const std::wstring& a, const std::wstring&) { infos.push_back(a); });
  }
  int loading = 0;
  std::vector<std::wstring> infos;
};

class KestrumEnvironmentTest : public ::testing::TestWithParam<Activation> {};

TEST_P(KestrumEnvironmentTest, TheProgIdGivesAControlWhoseEventsThePumpDelivers) {
  EnvironmentOptions options;
  options.activation = GetParam();
  CKestrumEnvironment env(options);
  EXPECT_EQ(GetParam(), env.ActivationInUse());

  COleDispatchDriver control;
  HRESULT hr = S_OK;
  ASSERT_TRUE(control.CreateDispatch(kProgId, &hr)) << std::hex << hr;
  CComPtr<IKestrumSimulation> sim = env.Simulation(control.m_lpDispatch);
  ASSERT_TRUE(sim);
  ULONGLONG now = 0;
  EXPECT_EQ(S_OK, sim->GetClock(&now));
  EXPECT_EQ(kFixedClock, now);

  CountingSink sink;
  DWORD cookie = 0;
  ASSERT_TRUE(AfxConnectionAdvise(control.m_lpDispatch, DIID_KestrumEvents, sink.GetIDispatch(FALSE), FALSE, &cookie));
  EXPECT_EQ(0, control.InvokeMethod<LONG>(ctl::kOpen, kModeUploadNew, env.DatabasePath()));
  EXPECT_EQ(0, sink.loading);  // nothing arrives before the pump
  CKestrumEnvironment::Pump(control.m_lpDispatch);
  EXPECT_EQ(2, sink.loading);  // the two new devices
  ASSERT_EQ(S_OK, sim->RaiseInfo(0, L"hello", L""));
  CKestrumEnvironment::Pump(control.m_lpDispatch);
  EXPECT_EQ(std::vector<std::wstring>{L"hello"}, sink.infos);
  EXPECT_EQ(0, CKestrumEnvironment::Pump(control.m_lpDispatch));

  EXPECT_TRUE(AfxConnectionUnadvise(control.m_lpDispatch, DIID_KestrumEvents, sink.GetIDispatch(FALSE), FALSE, cookie));
  sim.Release();
  control.ReleaseDispatch();
}

TEST(KestrumEnvironmentAlone, PromptsAndClockAreScopedToTheEnvironment) {
  {
    CKestrumEnvironment env;
    env.Prompts().Answer(IDNO);
    EXPECT_EQ(IDNO, AfxMessageBox(L"Go on?", MB_YESNO));
    EXPECT_EQ(std::vector<CString>{L"Go on?"}, env.Prompts().Texts());
    FILETIME ft{};
    GetSystemTimeAsFileTime(&ft);
    EXPECT_EQ(kFixedClock, tessaly::win32::FileTimeToUInt64(ft));
  }
  // Nothing of it is left registered.
  CLSID clsid{};
  EXPECT_TRUE(FAILED(CLSIDFromProgID(kProgId, &clsid)));
}

INSTANTIATE_TEST_SUITE_P(Activations, KestrumEnvironmentTest,
                         ::testing::Values(Activation::kClassObject, Activation::kLibrary),
                         [](const auto& info) { return info.param == Activation::kLibrary ? "Library" : "ClassObject"; });

}  // namespace
}  // namespace kestrum::testing
