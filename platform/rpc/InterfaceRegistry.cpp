#include "platform/rpc/InterfaceRegistry.h"

#include <mutex>
#include <unordered_map>

#include "platform/com/ComErrors.h"
#include "platform/rpc/Proxy.h"

namespace tessaly::rpc {

namespace {
struct Registry {
  std::mutex mutex;
  std::unordered_map<GUID, Marshaler> byIid;
};
Registry& TheRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}
}  // namespace

void RegisterMarshaler(const Marshaler& marshaler) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.byIid[marshaler.iid] = marshaler;
}

const Marshaler* FindMarshaler(REFIID iid) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.byIid.find(iid);
  return it == r.byIid.end() ? nullptr : &it->second;  // entries are never removed
}

HRESULT ImportInterface(REFIID iid, wire::Unknown::Client cap, const ConnectionPtr& connection, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  const Marshaler* m = FindMarshaler(iid);
  if (!m) return E_NOINTERFACE;
  *ppv = m->makeProxy(kj::mv(cap), connection);
  return S_OK;
}

std::chrono::milliseconds CallTimeoutFor(REFIID iid, const ConnectionPtr& connection) {
  const Marshaler* m = FindMarshaler(iid);
  CRpcRuntime* runtime = CRpcRuntime::Current();
  if (!runtime || !((m && m->callback) || (connection && connection->Inbound()))) return std::chrono::milliseconds(0);
  return runtime->Options().callbackTimeout;
}

kj::Promise<void> SendRelease(wire::Unknown::Client cap, std::chrono::milliseconds timeout) {
  if (timeout.count() == 0) timeout = std::chrono::seconds(30);
  auto sent = cap.releaseRequest().send().ignoreResult();
  return sent.exclusiveJoin(CRpcRuntime::Current()->Io().provider->getTimer().afterDelay(timeout.count() * kj::MILLISECONDS))
      .catch_([](kj::Exception&&) {});
}

}  // namespace tessaly::rpc
