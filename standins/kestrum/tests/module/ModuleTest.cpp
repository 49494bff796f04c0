// The component library as the program reaches it: registered by regsvr, created by its
// ProgID through the registry, its events delivered on this thread.
#include "platform/com/Activation.h"
#include "platform/win32/Time.h"
#include "standins/kestrum/tests/control/KestrumFixture.h"

#include <cstdlib>

namespace kestrum::testing {
namespace {

int Regsvr(const std::string& args) {
  std::string command = std::string(TESSALY_REGSVR) + " " + args + " > /dev/null 2>&1";
  return std::system(command.c_str());
}

TEST_F(KestrumTest, TheRegisteredLibraryIsCreatedByItsProgId) {
  COleDispatchDriver byProgId;
  EXPECT_FALSE(byProgId.CreateDispatch(kProgId));  // not registered yet
  ASSERT_EQ(0, Regsvr(std::string("\"") + TESSALY_KESTRUM_MODULE + "\""));
  HRESULT hr = S_OK;
  ASSERT_TRUE(byProgId.CreateDispatch(kProgId, &hr)) << std::hex << hr;
  ASSERT_TRUE(AfxConnectionAdvise(byProgId.m_lpDispatch, DIID_KestrumEvents, &sink, FALSE, &cookie));

  ASSERT_EQ(0, byProgId.InvokeMethod<LONG>(ctl::kOpen, kModeUploadNew, dbPath));
  // The library shares the process's message layer: its events wait in this thread's queue
  // and the program's own loop delivers them.
  EXPECT_TRUE(sink.events.empty());
  EXPECT_EQ(4u, Pump().size());
  EXPECT_TRUE(Pump().empty());
  EXPECT_EQ(0, byProgId.InvokeMethod<LONG>(ctl::kPumpEvents));  // nothing left, and still answered

  CComPtr<IKestrumSimulation> sim;
  ASSERT_EQ(S_OK, byProgId.m_lpDispatch->QueryInterface(IID_IKestrumSimulation, reinterpret_cast<void**>(&sim)));
  // An event raised later arrives the same way; the old pump method still hands it over too.
  EXPECT_EQ(S_OK, sim->RaiseInfo(1, L"first", L"x"));
  EXPECT_EQ((std::vector<std::wstring>{L"Info 1 first x"}), Pump());
  EXPECT_EQ(S_OK, sim->RaiseInfo(2, L"second", L"y"));
  EXPECT_EQ(1, byProgId.InvokeMethod<LONG>(ctl::kPumpEvents));
  EXPECT_EQ((std::vector<std::wstring>{L"Info 2 second y"}), sink.events);
  sink.events.clear();

  // The library reads the process's one clock.
  tessaly::win32::ManualClock clock(133485408000000000ULL, 5000);  // 2024-01-01
  {
    tessaly::win32::ScopedClockForTesting useClock(clock);
    ULONGLONG now = 0;
    EXPECT_EQ(S_OK, sim->GetClock(&now));
    EXPECT_EQ(133485408000000000ULL, now);
  }
  EXPECT_TRUE(AfxConnectionUnadvise(byProgId.m_lpDispatch, DIID_KestrumEvents, &sink, FALSE, cookie));
  cookie = 0;
  sim.Release();
  byProgId.ReleaseDispatch();

  ASSERT_EQ(0, Regsvr(std::string("/u \"") + TESSALY_KESTRUM_MODULE + "\""));
  EXPECT_FALSE(byProgId.CreateDispatch(kProgId));
}

}  // namespace
}  // namespace kestrum::testing
