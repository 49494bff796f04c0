// A client of the test server that writes its own messages over the Unix socket (to send what a
// well-behaved proxy never would) and runs its event loop only when the test pumps it.
#pragma once

#include <capnp/rpc-twoparty.h>
#include <kj/async-io.h>

#include <chrono>

#include "interfaces/opc/OpcDa.h"
#include "interfaces/opc/rpc/Opc.capnp.h"
#include "opcserver/testing/OpcTestClient.h"
#include "platform/rpc/LocalServer.h"
#include "platform/rpc/Marshal.h"
#include "platform/rpc/RpcRuntime.h"

class CRawClient {
 public:
  // To the server of clsid (the test server of this process unless told).
  explicit CRawClient(REFCLSID clsid = CLSID_TessalyTestServer) : m_io(kj::setupAsyncIo()) {
    int fd = tessaly::rpc::ConnectUnixSocket(tessaly::rpc::InstanceSocketPath(clsid));
    m_stream = m_io.lowLevelProvider->wrapSocketFd(fd, kj::LowLevelAsyncIoProvider::TAKE_OWNERSHIP);
    m_client = kj::heap<capnp::TwoPartyClient>(*m_stream);
    auto host = m_client->bootstrap().castAs<tessaly::rpc::wire::Host>();
    auto request = host.getClassObjectRequest();
    tessaly::rpc::EncodeGuid(request.initClsid(), clsid);
    tessaly::rpc::EncodeGuid(request.initIid(), IID_IClassFactory);
    auto factory = request.send().wait(m_io.waitScope).getObject().castAs<tessaly::rpc::wire::ClassFactory>();
    auto create = factory.createInstanceRequest();
    tessaly::rpc::EncodeGuid(create.initIid(), IID_IOPCServer);
    server = create.send().wait(m_io.waitScope).getObject().castAs<tessaly::rpc::opcwire::OpcServer>();
  }
  ~CRawClient() {
    // Capabilities and the connection go before their event loop.
    server = nullptr;
    m_client = nullptr;
    m_stream = nullptr;
    m_io.waitScope.poll();
  }
  kj::WaitScope& Wait() { return m_io.waitScope; }
  // Runs this client's event loop until done() holds (false after the guard).
  template <class F>
  bool PumpUntil(F done, std::chrono::milliseconds guard = std::chrono::seconds(30)) {
    auto deadline = std::chrono::steady_clock::now() + guard;
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      m_io.provider->getTimer().afterDelay(2 * kj::MILLISECONDS).wait(m_io.waitScope);
    }
    return true;
  }
  // The data-callback connection point of a group.
  tessaly::rpc::wire::ConnectionPoint::Client DataCallbackPoint(tessaly::rpc::wire::Unknown::Client group) {
    auto qi = group.queryInterfaceRequest();
    tessaly::rpc::EncodeGuid(qi.initIid(), IID_IConnectionPointContainer);
    auto container = qi.send().wait(m_io.waitScope).getObject().castAs<tessaly::rpc::wire::ConnectionPointContainer>();
    auto find = container.findConnectionPointRequest();
    tessaly::rpc::EncodeGuid(find.initIid(), IID_IOPCDataCallback);
    return find.send().wait(m_io.waitScope).getPoint();
  }
  tessaly::rpc::opcwire::OpcSyncIO::Client AddGroup() {
    auto request = server.addGroupRequest();
    request.setName("Raw");
    request.setRequestedUpdateRate(1000);
    tessaly::rpc::EncodeGuid(request.initIid(), IID_IOPCSyncIO);
    request.setOuts(7);
    return request.send().wait(m_io.waitScope).getGroup().castAs<tessaly::rpc::opcwire::OpcSyncIO>();
  }
  bool Connected() {
    try {
      server.getStatusRequest().send().wait(m_io.waitScope);
      return true;
    } catch (const kj::Exception&) {
      return false;
    }
  }

  tessaly::rpc::opcwire::OpcServer::Client server = nullptr;

 private:
  kj::AsyncIoContext m_io;
  kj::Own<kj::AsyncIoStream> m_stream;
  kj::Own<capnp::TwoPartyClient> m_client;
};

