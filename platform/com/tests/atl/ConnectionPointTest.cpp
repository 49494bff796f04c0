#include "platform/com/ConnectionPoint.h"

#include <gtest/gtest.h>

#include <functional>

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

  std::vector<HRESULT> Fire(int value) {
    std::vector<HRESULT> results;
    ForEachSink<ITestEvents>([&](ITestEvents* sink) { results.push_back(sink->OnEvent(value)); });
    return results;
  }
};

// A source with two points, found only through the container.
class CTwoPointSource : public CComObjectRootEx<CComMultiThreadModel>,
                        public IConnectionPointContainerImpl<CTwoPointSource>,
                        public IConnectionPointImpl<CTwoPointSource, &IID_ITestEvents>,
                        public IConnectionPointImpl<CTwoPointSource, &IID_ITestOther> {
 public:
  BEGIN_COM_MAP(CTwoPointSource)
    COM_INTERFACE_ENTRY(IConnectionPointContainer)
  END_COM_MAP()
  BEGIN_CONNECTION_POINT_MAP(CTwoPointSource)
    CONNECTION_POINT_ENTRY(IID_ITestEvents)
    CONNECTION_POINT_ENTRY(IID_ITestOther)
  END_CONNECTION_POINT_MAP()
};

class CSink : public CComObjectRootEx<CComMultiThreadModel>, public ITestEvents {
 public:
  BEGIN_COM_MAP(CSink)
    COM_INTERFACE_ENTRY(ITestEvents)
  END_COM_MAP()
  HRESULT OnEvent(int value) override {
    received.push_back(value);
    if (onEvent) onEvent();
    return S_OK;
  }
  std::vector<int> received;
  std::function<void()> onEvent;
};

class COtherSink : public CComObjectRootEx<CComMultiThreadModel>, public ITestOther {
 public:
  BEGIN_COM_MAP(COtherSink)
    COM_INTERFACE_ENTRY(ITestOther)
  END_COM_MAP()
  HRESULT OnOther() override { return S_OK; }
};

template <class T>
CComPtr<CComObject<T>> Make() {
  CComObject<T>* p = nullptr;
  EXPECT_EQ(S_OK, CComObject<T>::CreateInstance(&p));
  return CComPtr<CComObject<T>>(p);
}

class ConnectionPointTest : public ::testing::Test {
 protected:
  CComPtr<CComObject<CSource>> source = Make<CSource>();
  CComPtr<IConnectionPoint> point;
  void SetUp() override {
    CComQIPtr<IConnectionPointContainer> container(static_cast<IConnectionPointContainer*>(source.p));
    ASSERT_EQ(S_OK, container->FindConnectionPoint(IID_ITestEvents, &point));
  }
  DWORD Advise(IUnknown* sink) {
    DWORD cookie = 0;
    EXPECT_EQ(S_OK, point->Advise(sink, &cookie));
    return cookie;
  }
};

TEST_F(ConnectionPointTest, AdviseGivesDistinctNonZeroCookiesAndUnadviseLeavesOthers) {
  auto a = Make<CSink>(), b = Make<CSink>(), c = Make<CSink>();
  DWORD ca = Advise(static_cast<ITestEvents*>(a)), cb = Advise(static_cast<ITestEvents*>(b)),
        cc = Advise(static_cast<ITestEvents*>(c));
  EXPECT_NE(0u, ca);
  EXPECT_NE(ca, cb);
  EXPECT_NE(cb, cc);
  EXPECT_EQ(2, a->GetRefCount());  // the point holds one

  EXPECT_EQ(S_OK, point->Unadvise(cb));
  EXPECT_EQ(1, b->GetRefCount());
  EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(cb));
  EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(0));

  // A new connection never takes a cookie given before.
  DWORD cd = Advise(static_cast<ITestEvents*>(b));
  EXPECT_NE(cb, cd);

  source->Fire(5);
  EXPECT_EQ(std::vector<int>{5}, a->received);
  EXPECT_EQ(std::vector<int>{5}, b->received);
  EXPECT_EQ(std::vector<int>{5}, c->received);

  // The remaining cookies still work.
  EXPECT_EQ(S_OK, point->Unadvise(ca));
  EXPECT_EQ(S_OK, point->Unadvise(cc));
  EXPECT_EQ(S_OK, point->Unadvise(cd));
  EXPECT_EQ(0u, source->GetConnectionCount());
}

TEST_F(ConnectionPointTest, AdviseRefusals) {
  auto other = Make<COtherSink>();
  DWORD cookie = 99;
  EXPECT_EQ(CONNECT_E_CANNOTCONNECT, point->Advise(static_cast<ITestOther*>(other), &cookie));
  EXPECT_EQ(0u, cookie);
  EXPECT_EQ(1, other->GetRefCount());
  EXPECT_EQ(E_POINTER, point->Advise(nullptr, &cookie));
  auto sink = Make<CSink>();
  EXPECT_EQ(E_POINTER, point->Advise(static_cast<ITestEvents*>(sink), nullptr));
  EXPECT_EQ(0u, source->GetConnectionCount());
}

TEST_F(ConnectionPointTest, AdviseLimitForSingleSinkPoints) {
  source->SetAdviseLimit(1);
  auto a = Make<CSink>(), b = Make<CSink>();
  DWORD ca = Advise(static_cast<ITestEvents*>(a));
  DWORD cookie = 99;
  EXPECT_EQ(CONNECT_E_ADVISELIMIT, point->Advise(static_cast<ITestEvents*>(b), &cookie));
  EXPECT_EQ(0u, cookie);
  EXPECT_EQ(1, b->GetRefCount());
  EXPECT_EQ(S_OK, point->Unadvise(ca));
  EXPECT_NE(0u, Advise(static_cast<ITestEvents*>(b)));
}

TEST_F(ConnectionPointTest, SinkMayUnadviseItselfAndOthersDuringTheWalk) {
  auto a = Make<CSink>(), b = Make<CSink>(), c = Make<CSink>();
  DWORD ca = Advise(static_cast<ITestEvents*>(a));
  DWORD cb = Advise(static_cast<ITestEvents*>(b));
  Advise(static_cast<ITestEvents*>(c));
  // a drops itself and b on its first event; the walk already in progress still reaches b.
  a->onEvent = [&] {
    point->Unadvise(ca);
    point->Unadvise(cb);
    a->onEvent = nullptr;
  };
  auto results = source->Fire(1);
  EXPECT_EQ(3u, results.size());
  EXPECT_EQ(std::vector<int>{1}, b->received);
  source->Fire(2);
  EXPECT_EQ(std::vector<int>{1}, a->received);
  EXPECT_EQ(std::vector<int>{1}, b->received);
  EXPECT_EQ((std::vector<int>{1, 2}), c->received);
  EXPECT_EQ(1, a->GetRefCount());
  EXPECT_EQ(1, b->GetRefCount());
}

TEST_F(ConnectionPointTest, EnumConnectionsHandsOutReferencedSinks) {
  auto a = Make<CSink>(), b = Make<CSink>();
  DWORD ca = Advise(static_cast<ITestEvents*>(a));
  DWORD cb = Advise(static_cast<ITestEvents*>(b));
  CComPtr<IEnumConnections> connections;
  ASSERT_EQ(S_OK, point->EnumConnections(&connections));
  CONNECTDATA data[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(S_FALSE, connections->Next(3, data, &fetched));
  ASSERT_EQ(2u, fetched);
  EXPECT_EQ(ca, data[0].dwCookie);
  EXPECT_EQ(cb, data[1].dwCookie);
  EXPECT_EQ(static_cast<IUnknown*>(static_cast<ITestEvents*>(a)), data[0].pUnk);
  data[0].pUnk->Release();
  data[1].pUnk->Release();
  connections.Release();
  EXPECT_EQ(2, a->GetRefCount());  // ours and the point's: the enumeration kept nothing
}

TEST_F(ConnectionPointTest, ContainerAndPointFindEachOther) {
  CComPtr<IConnectionPoint> missing;
  CComQIPtr<IConnectionPointContainer> container(static_cast<IConnectionPointContainer*>(source.p));
  EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(IID_ITestOther, &missing));
  EXPECT_EQ(nullptr, missing.p);

  CComPtr<IConnectionPointContainer> back;
  ASSERT_EQ(S_OK, point->GetConnectionPointContainer(&back));
  EXPECT_EQ(container.p, back.p);
  IID iid{};
  EXPECT_EQ(S_OK, point->GetConnectionInterface(&iid));
  EXPECT_EQ(IID_ITestEvents, iid);
}

TEST(ConnectionPointContainer, SeveralPointsAreFoundAndEnumerated) {
  auto source = Make<CTwoPointSource>();
  CComQIPtr<IConnectionPointContainer> container(static_cast<IConnectionPointContainer*>(source.p));
  for (const IID* iid : {&IID_ITestEvents, &IID_ITestOther}) {
    CComPtr<IConnectionPoint> point;
    ASSERT_EQ(S_OK, container->FindConnectionPoint(*iid, &point));
    IID got{};
    point->GetConnectionInterface(&got);
    EXPECT_EQ(*iid, got);
  }
  CComPtr<IEnumConnectionPoints> points;
  ASSERT_EQ(S_OK, container->EnumConnectionPoints(&points));
  IConnectionPoint* got[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(S_OK, points->Next(2, got, &fetched));
  EXPECT_EQ(2u, fetched);
  for (IConnectionPoint* p : got) p->Release();

  // Each point keeps its own sinks.
  auto other = Make<COtherSink>();
  CComPtr<IConnectionPoint> otherPoint;
  container->FindConnectionPoint(IID_ITestOther, &otherPoint);
  DWORD cookie = 0;
  EXPECT_EQ(S_OK, otherPoint->Advise(static_cast<ITestOther*>(other), &cookie));
  using EventsPoint = IConnectionPointImpl<CTwoPointSource, &IID_ITestEvents>;
  using OtherPoint = IConnectionPointImpl<CTwoPointSource, &IID_ITestOther>;
  EXPECT_EQ(0u, static_cast<EventsPoint*>(source.p)->GetConnectionCount());
  EXPECT_EQ(1u, static_cast<OtherPoint*>(source.p)->GetConnectionCount());
}

TEST(ConnectionPoint, SourceDiesWithSinksStillAdvised) {
  auto sink = Make<CSink>();
  {
    auto source = Make<CSource>();
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, source->Advise(static_cast<ITestEvents*>(sink), &cookie));
    EXPECT_EQ(2, sink->GetRefCount());
  }
  EXPECT_EQ(1, sink->GetRefCount());
}

}  // namespace
