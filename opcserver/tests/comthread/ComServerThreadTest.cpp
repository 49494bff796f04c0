// The COM server thread: the class object of an instance is there while it runs, and its end
// shuts the connected clients down: politely first, then by cutting them off. Every stop is
// a join.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "opcserver/ComServerThread.h"
#include "opcserver/MyOPCServer.h"
#include "opcserver/OPCToolkitCtrl.h"
#include "opcserver/OpcServerInstances.h"
#include "opcserver/OpcServerPropertiesManager.h"
#include "opcserver/testing/FakeTagsManager.h"
#include "opcserver/testing/OpcTestClient.h"
#include "platform/com/Activation.h"
#include "platform/com/Memory.h"
#include "platform/win32/Thread.h"

namespace {

constexpr int kInstance = 3;

class CCountingProperties : public COpcServerPropertiesManager {
 public:
  CCountingProperties() { g_pOpcServerProperties = this; }
  ~CCountingProperties() override { g_pOpcServerProperties = nullptr; }
  void CloseServerApplication() override { ++m_nClosed; }
  std::atomic<int> m_nClosed{0};
};

// Calls the server's sink interface back with whatever the test wants done inside the request.
class CShutdownSink : public CComObjectRootEx<CComMultiThreadModel>, public IOPCShutdown {
 public:
  BEGIN_COM_MAP(CShutdownSink)
    COM_INTERFACE_ENTRY(IOPCShutdown)
  END_COM_MAP()
  HRESULT ShutdownRequest(LPCWSTR szReason) override {
    m_reason = szReason ? szReason : L"";
    ++m_nCalls;
    if (m_onRequest) m_onRequest();
    return S_OK;
  }
  std::wstring m_reason;
  std::atomic<int> m_nCalls{0};
  std::function<void()> m_onRequest;
};

const CLSID& InstanceClsid() { return GetOpcServerInstanceCLSID(kInstance); }

// Waits (10 s at most) until the thread has registered its class object.
CComPtr<IClassFactory> WaitForClassObject() {
  CComPtr<IClassFactory> factory;
  for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10); std::chrono::steady_clock::now() < end;) {
    if (SUCCEEDED(CoGetClassObject(InstanceClsid(), CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                                   reinterpret_cast<void**>(&factory))))
      return factory;
    std::this_thread::yield();
  }
  return factory;
}

class ComServerThreadTest : public ::testing::Test {
 protected:
  void TearDown() override { StopComServerThread(properties); }

  // Starts the thread and connects a client to it, with a shutdown sink when asked for.
  CComPtr<IOPCServer> StartAndConnect(bool withSink) {
    CComPtr<IOPCServer> server;
    EXPECT_TRUE(StartComServerThread(properties, kInstance));
    EXPECT_NE(nullptr, WaitForClassObject().p);
    EXPECT_EQ(S_OK, CoCreateInstance(InstanceClsid(), nullptr, CLSCTX_LOCAL_SERVER, IID_IOPCServer,
                                     reinterpret_cast<void**>(&server)));
    if (!server || !withSink) return server;
    CComObject<CShutdownSink>* raw = nullptr;
    CComObject<CShutdownSink>::CreateInstance(&raw);
    sink = raw;
    auto container = QueryAs<IConnectionPointContainer>(server.p);
    CComPtr<IConnectionPoint> point;
    EXPECT_EQ(S_OK, container->FindConnectionPoint(IID_IOPCShutdown, &point));
    DWORD cookie = 0;
    EXPECT_EQ(S_OK, point->Advise(static_cast<IOPCShutdown*>(raw), &cookie));
    return server;
  }

  CFakeTagsManager tags;
  CCountingProperties properties;
  CComPtr<CComObject<CShutdownSink>> sink;
};

TEST_F(ComServerThreadTest, OwnsTheClassObjectWhileItRuns) {
  ASSERT_FALSE(StartComServerThread(properties, kOpcServerInstanceCount));
  for (int round = 0; round < 2; ++round) {  // the application starts a new one after a stop
    ASSERT_TRUE(StartComServerThread(properties, kInstance));
    EXPECT_FALSE(StartComServerThread(properties, kInstance));  // one at a time
    EXPECT_NE(nullptr, properties.m_hComServerThread);
    EXPECT_NE(0u, properties.m_dwComServerThreadId);
    CComPtr<IClassFactory> factory = WaitForClassObject();
    ASSERT_NE(nullptr, factory.p);

    // With no client the thread just ends, and is joined.
    EXPECT_EQ(0u, StopComServerThread(properties));
    EXPECT_EQ(nullptr, properties.m_hComServerThread);
    EXPECT_EQ(0u, properties.m_dwComServerThreadId);
    CComPtr<IOPCServer> late;
    EXPECT_TRUE(FAILED(CoCreateInstance(InstanceClsid(), nullptr, CLSCTX_LOCAL_SERVER, IID_IOPCServer,
                                        reinterpret_cast<void**>(&late))));
    // A client that kept the class object gets no new server either.
    EXPECT_EQ(CO_E_SERVER_STOPPING, factory->CreateInstance(nullptr, IID_IOPCServer, reinterpret_cast<void**>(&late)));
    EXPECT_EQ(nullptr, late.p);
  }
  EXPECT_EQ(0u, StopComServerThread(properties));  // nothing left to stop
  EXPECT_EQ(0, properties.m_nClosed.load());
}

TEST_F(ComServerThreadTest, ClientThatIgnoresTheRequestIsCutOff) {
  CComPtr<IOPCServer> server = StartAndConnect(true);
  ASSERT_NE(nullptr, server.p);
  OPCHANDLE hGroup = 0;
  DWORD revised = 0;
  CComPtr<IOPCGroupStateMgt> group;
  ASSERT_EQ(S_OK, server->AddGroup(L"G", TRUE, 1000, 1, nullptr, nullptr, 0, &hGroup, &revised,
                                   IID_IOPCGroupStateMgt, reinterpret_cast<LPUNKNOWN*>(&group)));
  EXPECT_EQ(1, g_nConnectedClients.load());

  EXPECT_EQ(0u, StopComServerThread(properties));
  EXPECT_EQ(1, sink->m_nCalls.load());
  EXPECT_EQ(L"Exiting Server", sink->m_reason);
  // Logged off as by a last release: the list is empty and the application was told once.
  EXPECT_TRUE(GetOPCToolkitCtrl().IsEmpty());
  EXPECT_EQ(0, g_nConnectedClients.load());
  EXPECT_EQ(1, properties.m_nClosed.load());

  // The client's next calls fail; its references still go the usual way.
  OPCSERVERSTATUS* status = nullptr;
  EXPECT_EQ(RPC_E_DISCONNECTED, server->GetStatus(&status));
  EXPECT_EQ(nullptr, status);
  EXPECT_EQ(RPC_E_DISCONNECTED, server->RemoveGroup(hGroup, FALSE));
  EXPECT_EQ(RPC_E_DISCONNECTED, QueryAs<IOPCBrowseServerAddressSpace>(server.p)->QueryOrganization(nullptr));
  EXPECT_TRUE(FAILED(group->SetName(L"H")));
  group.Release();
  server.Release();
  EXPECT_EQ(1, properties.m_nClosed.load());
}

TEST_F(ComServerThreadTest, SnapshotsHoldOnlyServersWhoseMakingIsOver) {
  // One still in the hands of its maker (its count may yet pass through the maker's own
  // references), one made.
  CComObject<CMyOPCServer>* raw = nullptr;
  ASSERT_EQ(S_OK, CComObject<CMyOPCServer>::CreateInstance(&raw));
  CComPtr<IOPCServer> inMaking(raw);
  CComPtr<IOPCServer> made;
  ASSERT_EQ(S_OK, CMyOPCServer::CreateInstance(IID_IOPCServer, reinterpret_cast<void**>(&made)));
  EXPECT_EQ(2u, GetOPCToolkitCtrl().Snapshot().size());
  auto snapshot = GetOPCToolkitCtrl().ReferencedSnapshot();
  ASSERT_EQ(1u, snapshot.size());
  EXPECT_EQ(made.p, snapshot[0].p);
}

using ComServerThreadConcurrentTest = ComServerThreadTest;

TEST_F(ComServerThreadConcurrentTest, ClientThatReleasesInsideTheRequest) {
  CComPtr<IOPCServer> server = StartAndConnect(true);
  ASSERT_NE(nullptr, server.p);
  sink->m_onRequest = [&] { server.Release(); };  // on the COM server thread

  EXPECT_EQ(0u, StopComServerThread(properties));
  EXPECT_EQ(1, sink->m_nCalls.load());
  EXPECT_EQ(nullptr, server.p);
  EXPECT_TRUE(GetOPCToolkitCtrl().IsEmpty());
  EXPECT_EQ(0, g_nConnectedClients.load());
  EXPECT_EQ(1, properties.m_nClosed.load());
}

TEST_F(ComServerThreadConcurrentTest, CallsInFlightWhileTheClientIsCutOff) {
  CComPtr<IOPCServer> server = StartAndConnect(false);
  ASSERT_NE(nullptr, server.p);
  std::atomic<bool> started{false};
  std::atomic<bool> cutOff{false};
  // A client busy with its groups until the server stops answering (10 s at most).
  std::thread busy([&] {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int n = 0; std::chrono::steady_clock::now() < end; ++n) {
      CString name;
      name.Format(L"G%d", n);
      OPCHANDLE h = 0;
      DWORD revised = 0;
      CComPtr<IUnknown> group;
      HRESULT hr = server->AddGroup(name.GetString(), TRUE, 100, 1, nullptr, nullptr, 0, &h, &revised, IID_IUnknown,
                                    &group);
      started = true;
      if (hr == RPC_E_DISCONNECTED) {
        cutOff = true;
        return;
      }
      group.Release();
      OPCSERVERSTATUS* status = nullptr;
      if (SUCCEEDED(server->GetStatus(&status))) {
        CoTaskMemFree(status->szVendorInfo);
        CoTaskMemFree(status);
      }
      if (n >= 3) server->RemoveGroup(h, FALSE);  // the first three stay for the cut
    }
  });
  while (!started) std::this_thread::yield();
  EXPECT_EQ(0u, StopComServerThread(properties));
  busy.join();
  EXPECT_TRUE(cutOff);
  EXPECT_TRUE(GetOPCToolkitCtrl().IsEmpty());
  EXPECT_EQ(1, properties.m_nClosed.load());
  server.Release();
}

}  // namespace
