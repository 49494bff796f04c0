// The server side of a connection. A stub is the capability the far end holds for one interface
// of one of our objects; it calls the object on a worker thread and answers on the loop.
//
// A stub owns its interface reference through a CStubRef. CoDisconnectObject cuts every CStubRef
// of the object (all connections): the references are released at once, later calls fail as
// disconnected. A stub that goes (its capability dropped, its connection lost) lets go of its
// reference on a worker, never on the loop thread: a final release may join threads that wait
// for the loop.
#pragma once

#include <capnp/capability.h>
#include <kj/async.h>
#include <kj/debug.h>

#include <memory>
#include <mutex>
#include <type_traits>

#include "platform/com/ComPtr.h"
#include "platform/com/ComTypes.h"
#include "platform/rpc/Com.capnp.h"
#include "platform/rpc/Marshal.h"
#include "platform/rpc/RpcRuntime.h"

namespace tessaly::rpc {

// What the stubs of one connection share (loop thread only).
class CConnectionContext {
 public:
  // inbound: a client's connection to this process (every call back to it is time-limited).
  CConnectionContext(kj::Own<kj::PromiseFulfiller<void>> abort, bool inbound);
  // Closes the connection (after the current event): a malformed message from the far end.
  void Abort();
  bool Inbound() const { return m_inbound; }
  // The workers' lane of this connection's calls.
  const CWorkerPool::LanePtr& Lane() const { return m_lane; }

 private:
  kj::Own<kj::PromiseFulfiller<void>> m_abort;
  bool m_inbound;
  CWorkerPool::LanePtr m_lane;
};
using ConnectionPtr = std::shared_ptr<CConnectionContext>;

class CStubRef {
 public:
  // Takes a reference of its own on itf (any thread but the loop's: asks itf for its identity).
  static std::shared_ptr<CStubRef> Create(IUnknown* itf);
  // Adopts the caller's reference.
  static std::shared_ptr<CStubRef> Adopt(IUnknown* itf);
  ~CStubRef();
  CStubRef(const CStubRef&) = delete;
  CStubRef& operator=(const CStubRef&) = delete;

  // The interface with a reference for one call; null once cut or released.
  CComPtr<IUnknown> Acquire();
  // Lets go of the reference now (the caller's thread).
  void Release();
  // Cuts every reference to the object that identity belongs to; false when none was held.
  static bool CutObject(IUnknown* identity);

 private:
  CStubRef(IUnknown* itf, IUnknown* identity) : m_itf(itf), m_identity(identity) {}
  void Register(const std::shared_ptr<CStubRef>& self);

  std::mutex m_mutex;
  IUnknown* m_itf;       // owned reference
  IUnknown* m_identity;  // no reference: only a key
};
using StubRefPtr = std::shared_ptr<CStubRef>;

// A capability for ref's interface iid (loop thread); throws when iid has no marshaler.
wire::Unknown::Client ExportInterface(REFIID iid, StubRefPtr ref, const ConnectionPtr& connection);

// Runs f() -> R on a worker in connection's lane; the promise resolves on the loop thread. A
// connection with too many calls queued has this one refused (OVERLOADED), unless it must run.
template <class R, class F>
kj::Promise<R> RunOnWorker(const ConnectionPtr& connection, F&& f, bool mustRun = false) {
  auto paf = kj::newPromiseAndCrossThreadFulfiller<R>();
  struct Shared {
    kj::Own<kj::CrossThreadPromiseFulfiller<R>> fulfiller;
  };
  auto shared = std::make_shared<Shared>(Shared{kj::mv(paf.fulfiller)});
  bool taken = CRpcRuntime::Current()->Workers().Post(connection ? connection->Lane() : nullptr, [shared, f = std::forward<F>(f)]() mutable {
    try {
      if constexpr (std::is_void_v<R>) {
        f();
        shared->fulfiller->fulfill();
      } else {
        shared->fulfiller->fulfill(f());
      }
    } catch (kj::Exception& e) {
      shared->fulfiller->reject(kj::mv(e));
    } catch (...) {
      shared->fulfiller->reject(KJ_EXCEPTION(FAILED, "the object's call failed"));
    }
  }, mustRun);
  if (!taken) return KJ_EXCEPTION(OVERLOADED, "too many calls under way on this connection");
  return kj::mv(paf.promise);
}

[[noreturn]] void ThrowDisconnected();

// Releases ref's last holder on a worker of connection's lane (or here, when the runtime is gone).
void ReleaseStubRefOnWorker(StubRefPtr ref, const ConnectionPtr& connection);

// The part every stub has: QueryInterface, the final release, calls on a worker.
template <class Schema, class Itf>
class CStub : public Schema::Server {
 public:
  CStub(StubRefPtr ref, ConnectionPtr connection) : m_ref(std::move(ref)), m_connection(std::move(connection)) {}
  ~CStub() noexcept(false) { ReleaseStubRefOnWorker(std::move(m_ref), m_connection); }

  kj::Promise<void> queryInterface(typename wire::Unknown::Server::QueryInterfaceContext context) override {
    IID iid = DecodeGuid(context.getParams().getIid());
    struct Out {
      HRESULT hr = E_NOINTERFACE;
      StubRefPtr ref;
    };
    return Invoke([iid](Itf* itf) {
             Out out;
             out.hr = QueryForExport(itf, iid, &out.ref);
             return out;
           })
        .then([this, context, iid](Out out) mutable {
          auto results = context.getResults();
          results.setHr(out.hr);
          if (out.ref) results.setObject(ExportInterface(iid, std::move(out.ref), m_connection));
        });
  }
  kj::Promise<void> release(typename wire::Unknown::Server::ReleaseContext) override {
    StubRefPtr ref = m_ref;
    return RunOnWorker<void>(m_connection, [ref] { ref->Release(); }, true);
  }

 protected:
  // Runs work(Itf*) on a worker; a cut object fails the call as disconnected.
  template <class F>
  auto Invoke(F&& work) -> kj::Promise<decltype(work(static_cast<Itf*>(nullptr)))> {
    using R = decltype(work(static_cast<Itf*>(nullptr)));
    StubRefPtr ref = m_ref;
    return RunOnWorker<R>(m_connection, [ref, work = std::forward<F>(work)]() mutable -> R {
      CComPtr<IUnknown> object = ref->Acquire();
      if (!object) ThrowDisconnected();
      return work(static_cast<Itf*>(static_cast<IUnknown*>(object.p)));
    });
  }
  // Runs work(Itf*) here, on the loop thread: only for calls that never call out, never wait and
  // take microseconds (small cache reads), which skip two thread switches this way.
  template <class F>
  auto InvokeHere(F&& work) -> kj::Promise<decltype(work(static_cast<Itf*>(nullptr)))> {
    CComPtr<IUnknown> object = m_ref->Acquire();
    if (!object) ThrowDisconnected();
    return work(static_cast<Itf*>(static_cast<IUnknown*>(object.p)));
  }
  // Decodes the parameters with decode(); a malformed message closes the connection.
  template <class F>
  auto Decode(F&& decode) -> decltype(decode()) {
    try {
      return decode();
    } catch (const CMalformed& e) {
      m_connection->Abort();
      throw KJ_EXCEPTION(FAILED, "malformed message", e.what());
    } catch (const kj::Exception& e) {
      m_connection->Abort();
      throw KJ_EXCEPTION(FAILED, "malformed message", e.getDescription());
    }
  }
  const ConnectionPtr& Connection() const { return m_connection; }
  // A capability for an interface pointer a worker got (null pointer: none).
  kj::Maybe<wire::Unknown::Client> Export(REFIID iid, StubRefPtr ref) {
    if (!ref) return nullptr;
    return ExportInterface(iid, std::move(ref), m_connection);
  }

 private:
  StubRefPtr m_ref;
  ConnectionPtr m_connection;
};


// QueryInterface on a worker for an interface that will be exported: E_NOINTERFACE when no
// marshaler knows iid (the object's reference is not taken then).
HRESULT QueryForExport(IUnknown* object, REFIID iid, StubRefPtr* out);

// For out parameters: a stub reference adopting *pp (null stays null).
inline StubRefPtr AdoptOut(IUnknown* p) { return p ? CStubRef::Adopt(p) : nullptr; }

}  // namespace tessaly::rpc
