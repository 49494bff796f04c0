// The client side of a connection. A proxy implements one of our C++ interfaces over a
// capability, so client code cannot tell it from the object. Its calls run on the loop thread
// while the caller waits; out-arrays are CoTaskMemAlloc'd here, in the caller's process. A lost
// connection or a disconnected object fails calls with RPC_E_DISCONNECTED; a sink that does not
// answer within the callback time-out fails them with RPC_E_TIMEOUT.
//
// QueryInterface for another interface asks the far end and gives a new proxy; identities are
// per proxy (IUnknown answers the proxy itself).
#pragma once

#include <capnp/capability.h>
#include <kj/async.h>

#include <atomic>
#include <memory>

#include "platform/com/ComErrors.h"
#include "platform/com/ComTypes.h"
#include "platform/rpc/Com.capnp.h"
#include "platform/rpc/Marshal.h"
#include "platform/rpc/RpcRuntime.h"
#include "platform/rpc/InterfaceRegistry.h"
#include "platform/rpc/Stub.h"

namespace tessaly::rpc {

// Loop thread: a proxy for cap as interface iid into *ppv (E_NOINTERFACE when iid cannot cross).
HRESULT ImportInterface(REFIID iid, wire::Unknown::Client cap, const ConnectionPtr& connection, void** ppv);

// Runs call (returning kj::Promise<HRESULT>) on the loop and waits, the time-out applied when
// not zero; every failure becomes an HRESULT.
template <class F>
HRESULT CallOnLoop(std::chrono::milliseconds timeout, F&& call) noexcept;

// The time-out for proxies of interface iid: the callback time-out for sinks and for every proxy
// on a client's connection to this process (a server never waits on a client for longer), else none.
std::chrono::milliseconds CallTimeoutFor(REFIID iid, const ConnectionPtr& connection);

// Loop thread: asks the far end to release the object behind cap and drops cap.
kj::Promise<void> SendRelease(wire::Unknown::Client cap, std::chrono::milliseconds timeout);

// Any thread: releases the far object (waiting for its answer, as COM's Release does, unless
// called on the loop) and drops the capability on the loop. Once the loop is gone the capability
// cannot be freed and is left.
template <class C>
void ReleaseCapability(kj::Own<C> cap, std::chrono::milliseconds timeout) {
  CRpcRuntime* runtime = CRpcRuntime::Current();
  auto release = [&]() -> kj::Promise<void> {
    auto base = cap->template castAs<wire::Unknown>();
    cap = nullptr;
    return SendRelease(kj::mv(base), timeout);
  };
  if (runtime && runtime->IsLoopThread()) {
    runtime->AddTask(release());
    return;
  }
  try {
    if (runtime) runtime->OnLoop(release);
  } catch (...) {
  }
  if (cap) new kj::Own<C>(kj::mv(cap));
}

template <class Itf, class Schema>
class CProxy : public Itf {
 public:
  using Client = typename Schema::Client;

  CProxy(Client cap, const ConnectionPtr& connection)
      : m_cap(kj::heap<Client>(kj::mv(cap))), m_connection(connection), m_timeout(CallTimeoutFor(uuidof<Itf>(), connection)) {}
  virtual ~CProxy() { ReleaseCapability(kj::mv(m_cap), m_timeout); }
  CProxy(const CProxy&) = delete;
  CProxy& operator=(const CProxy&) = delete;

  HRESULT QueryInterface(REFIID iid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (iid == IID_IUnknown || iid == uuidof<Itf>()) {
      AddRef();
      *ppv = static_cast<Itf*>(this);
      return S_OK;
    }
    if (!FindMarshaler(iid)) return E_NOINTERFACE;
    return Call([&](Client& cap) {
      auto request = cap.queryInterfaceRequest();
      EncodeGuid(request.initIid(), iid);
      return request.send().then([&](auto response) -> HRESULT {
        HRESULT hr = response.getHr();
        if (FAILED(hr)) return hr;
        if (!response.hasObject()) return E_NOINTERFACE;
        return ImportInterface(iid, response.getObject(), m_connection.lock(), ppv);
      });
    });
  }
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override {
    ULONG n = --m_refs;
    if (n == 0) delete this;
    return n;
  }

 protected:
  // call(Client&) -> kj::Promise<HRESULT>, on the loop thread.
  template <class F>
  HRESULT Call(F&& call) noexcept {
    return CallOnLoop(m_timeout, [&]() { return call(*m_cap); });
  }
  // Loop thread: the connection's context (null once it ended).
  ConnectionPtr Connection() const { return m_connection.lock(); }
  // Loop thread: a proxy for an interface pointer in a response.
  HRESULT Import(REFIID iid, wire::Unknown::Client cap, void** ppv) {
    return ImportInterface(iid, kj::mv(cap), m_connection.lock(), ppv);
  }
  // Loop thread: a capability for an interface pointer of the caller's (exported as iid).
  kj::Maybe<wire::Unknown::Client> Export(REFIID iid, const StubRefPtr& ref) {
    ConnectionPtr connection = m_connection.lock();
    if (!connection || !ref) return nullptr;
    return ExportInterface(iid, ref, connection);
  }

 private:
  kj::Own<Client> m_cap;  // made, used and dropped on the loop thread
  // Weak: a proxy may die on any thread, the context only on the loop's.
  std::weak_ptr<CConnectionContext> m_connection;
  std::chrono::milliseconds m_timeout;
  std::atomic<ULONG> m_refs{1};
};

template <class F>
HRESULT CallOnLoop(std::chrono::milliseconds timeout, F&& call) noexcept {
  CRpcRuntime* runtime = CRpcRuntime::Current();
  if (!runtime) return RPC_E_DISCONNECTED;
  try {
    return runtime->OnLoop([&]() -> kj::Promise<HRESULT> {
      kj::Promise<HRESULT> promise = call();
      if (timeout.count() > 0) {
        promise = promise.exclusiveJoin(
            runtime->Io().provider->getTimer().afterDelay(timeout.count() * kj::MILLISECONDS).then([]() -> HRESULT {
              return RPC_E_TIMEOUT;
            }));
      }
      return promise;
    });
  } catch (const kj::Exception& e) {
    return HresultFromException(e);
  } catch (const CMalformed&) {
    return RPC_E_INVALID_DATAPACKET;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace tessaly::rpc
