// The component library as the program reaches it: registered by regsvr, created by its
// ProgID through the registry, its events delivered on this thread.
#include "platform/com/Activation.h"
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
  // The library's message layer is its own, so this thread's queue does not carry its
  // events; the program asks for them on the creating thread.
  EXPECT_EQ(4, byProgId.InvokeMethod<LONG>(ctl::kPumpEvents));
  EXPECT_EQ(4u, sink.events.size());
  sink.events.clear();
  EXPECT_EQ(0, byProgId.InvokeMethod<LONG>(ctl::kPumpEvents));

  CComPtr<IKestrumSimulation> sim;
  EXPECT_EQ(S_OK, byProgId.m_lpDispatch->QueryInterface(IID_IKestrumSimulation, reinterpret_cast<void**>(&sim)));
  EXPECT_TRUE(AfxConnectionUnadvise(byProgId.m_lpDispatch, DIID_KestrumEvents, &sink, FALSE, cookie));
  cookie = 0;
  sim.Release();
  byProgId.ReleaseDispatch();

  ASSERT_EQ(0, Regsvr(std::string("/u \"") + TESSALY_KESTRUM_MODULE + "\""));
  EXPECT_FALSE(byProgId.CreateDispatch(kProgId));
}

}  // namespace
}  // namespace kestrum::testing
