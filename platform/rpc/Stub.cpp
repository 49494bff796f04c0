#include "platform/rpc/Stub.h"

#include <kj/debug.h>

#include <map>
#include <vector>

#include "platform/com/ComErrors.h"
#include "platform/rpc/InterfaceRegistry.h"

namespace tessaly::rpc {

namespace {

// Every live stub reference by its object's identity, so CoDisconnectObject finds them all.
struct Identities {
  std::mutex mutex;
  std::multimap<IUnknown*, std::weak_ptr<CStubRef>> refs;
};
Identities& AllIdentities() {
  static Identities* identities = new Identities;
  return *identities;
}

IUnknown* IdentityOf(IUnknown* itf) {
  IUnknown* identity = nullptr;
  if (FAILED(itf->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity))) || !identity) return itf;
  identity->Release();  // a key only; the stub reference keeps the object alive
  return identity;
}

}  // namespace

CConnectionContext::CConnectionContext(kj::Own<kj::PromiseFulfiller<void>> abort, bool inbound)
    : m_abort(kj::mv(abort)), m_inbound(inbound) {
  // A client's calls share the workers under limits; a server's call-backs to us are not held back.
  if (CRpcRuntime* runtime = CRpcRuntime::Current()) m_lane = runtime->Workers().NewLane(inbound);
}

void CConnectionContext::Abort() {
  if (m_abort->isWaiting()) m_abort->fulfill();
}

std::shared_ptr<CStubRef> CStubRef::Create(IUnknown* itf) {
  itf->AddRef();
  return Adopt(itf);
}

std::shared_ptr<CStubRef> CStubRef::Adopt(IUnknown* itf) {
  std::shared_ptr<CStubRef> ref(new CStubRef(itf, IdentityOf(itf)));
  ref->Register(ref);
  return ref;
}

void CStubRef::Register(const std::shared_ptr<CStubRef>& self) {
  Identities& ids = AllIdentities();
  std::lock_guard<std::mutex> lock(ids.mutex);
  ids.refs.emplace(m_identity, self);
}

CStubRef::~CStubRef() {
  {
    Identities& ids = AllIdentities();
    std::lock_guard<std::mutex> lock(ids.mutex);
    auto range = ids.refs.equal_range(m_identity);
    for (auto it = range.first; it != range.second;) {
      if (it->second.expired()) it = ids.refs.erase(it);
      else ++it;
    }
  }
  Release();
}

CComPtr<IUnknown> CStubRef::Acquire() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return CComPtr<IUnknown>(m_itf);
}

void CStubRef::Release() {
  IUnknown* itf;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    itf = m_itf;
    m_itf = nullptr;
  }
  if (itf) itf->Release();
}

bool CStubRef::CutObject(IUnknown* object) {
  IUnknown* identity = IdentityOf(object);
  std::vector<std::shared_ptr<CStubRef>> cut;
  {
    Identities& ids = AllIdentities();
    std::lock_guard<std::mutex> lock(ids.mutex);
    auto range = ids.refs.equal_range(identity);
    for (auto it = range.first; it != range.second; ++it)
      if (auto ref = it->second.lock()) cut.push_back(std::move(ref));
    ids.refs.erase(range.first, range.second);
  }
  for (auto& ref : cut) ref->Release();
  bool any = !cut.empty();
  // The last holder may be here now; its release runs on this (a COM) thread, which is fine.
  cut.clear();
  return any;
}

wire::Unknown::Client ExportInterface(REFIID iid, StubRefPtr ref, const ConnectionPtr& connection) {
  const Marshaler* m = FindMarshaler(iid);
  if (!m) throw KJ_EXCEPTION(FAILED, "interface cannot cross a process");
  return m->makeStub(std::move(ref), connection).castAs<wire::Unknown>();
}

HRESULT QueryForExport(IUnknown* object, REFIID iid, StubRefPtr* out) {
  out->reset();
  if (!FindMarshaler(iid)) return E_NOINTERFACE;
  IUnknown* itf = nullptr;
  HRESULT hr = object->QueryInterface(iid, reinterpret_cast<void**>(&itf));
  if (FAILED(hr) || !itf) return FAILED(hr) ? hr : E_NOINTERFACE;
  *out = CStubRef::Adopt(itf);
  return hr;
}

void ReleaseStubRefOnWorker(StubRefPtr ref, const ConnectionPtr& connection) {
  if (!ref) return;
  CRpcRuntime* runtime = CRpcRuntime::Current();
  if (!runtime || ref.use_count() > 1) return;  // someone else lets go later
  // In the connection's lane: releases that call back a silent client hold only its workers.
  runtime->Workers().Post(
      connection ? connection->Lane() : nullptr, [ref = std::move(ref)]() mutable { ref.reset(); }, true);
}

void ThrowDisconnected() { throw KJ_EXCEPTION(DISCONNECTED, "the object was disconnected from its clients"); }

}  // namespace tessaly::rpc
