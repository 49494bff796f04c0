#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/com/ConnectionPoint.h"
#include "platform/com/tests/atl/TestInterfaces.h"

namespace {

class CSource : public CComObjectRootEx<CComMultiThreadModel>,
                public IConnectionPointContainerImpl<CSource>,
                public IConnectionPointImpl<CSource, &IID_ITestEvents> {
 public:
  BEGIN_COM_MAP(CSource)
    COM_INTERFACE_ENTRY(IConnectionPointContainer)
    COM_INTERFACE_ENTRY(IConnectionPoint)
  END_COM_MAP()
  BEGIN_CONNECTION_POINT_MAP(CSource)
    CONNECTION_POINT_ENTRY(IID_ITestEvents)
  END_CONNECTION_POINT_MAP()
};

class CCountingSink : public CComObjectRootEx<CComMultiThreadModel>, public ITestEvents {
 public:
  BEGIN_COM_MAP(CCountingSink)
    COM_INTERFACE_ENTRY(ITestEvents)
  END_COM_MAP()
  HRESULT OnEvent(int) override {
    ++calls;
    return S_OK;
  }
  std::atomic<int> calls{0};
};

// Clients connect and disconnect while the source fires: every walk sees whole entries and
// no sink is called after its last reference went.
TEST(ConnectionPointConcurrent, AdviseUnadviseWhileFiring) {
  CComObject<CSource>* source = nullptr;
  ASSERT_EQ(S_OK, CComObject<CSource>::CreateInstance(&source));
  CComPtr<IConnectionPoint> point(static_cast<IConnectionPoint*>(source));
  std::atomic<bool> done{false};

  std::vector<std::thread> clients;
  for (int t = 0; t < 4; ++t) {
    clients.emplace_back([&] {
      for (int i = 0; i < 200; ++i) {
        CComObject<CCountingSink>* sink = nullptr;
        CComObject<CCountingSink>::CreateInstance(&sink);
        CComPtr<ITestEvents> hold(sink);
        DWORD cookie = 0;
        EXPECT_EQ(S_OK, point->Advise(hold, &cookie));
        EXPECT_EQ(S_OK, point->Unadvise(cookie));
      }
    });
  }
  std::thread firer([&] {
    while (!done.load()) source->ForEachSink<ITestEvents>([](ITestEvents* s) { s->OnEvent(1); });
  });
  for (auto& c : clients) c.join();
  done = true;
  firer.join();
  EXPECT_EQ(0u, source->GetConnectionCount());
}

}  // namespace
