// IUnknown, IClassFactory, the connection points and the platform's enumerators across a process.
#include <mutex>

#include "platform/com/Memory.h"
#include "platform/rpc/EnumMarshal.h"
#include "platform/rpc/InterfaceRegistry.h"

namespace tessaly::rpc {

namespace {

// ---- IUnknown --------------------------------------------------------------------------------
using CUnknownProxy = CProxy<IUnknown, wire::Unknown>;
using CUnknownStub = CStub<wire::Unknown, IUnknown>;

// ---- IClassFactory -------------------------------------------------------------------------------
class CClassFactoryProxy : public CProxy<IClassFactory, wire::ClassFactory> {
 public:
  using CProxy::CProxy;
  HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    if (!FindMarshaler(riid)) return E_NOINTERFACE;
    return Call([&](wire::ClassFactory::Client& cap) {
      auto request = cap.createInstanceRequest();
      EncodeGuid(request.initIid(), riid);
      return request.send().then([this, &riid, ppvObject](auto response) -> HRESULT {
        HRESULT hr = response.getHr();
        if (FAILED(hr)) return hr;
        if (!response.hasObject()) return E_UNEXPECTED;
        HRESULT imported = Import(riid, response.getObject(), ppvObject);
        return FAILED(imported) ? imported : hr;
      });
    });
  }
  HRESULT LockServer(BOOL fLock) override {
    return Call([&](wire::ClassFactory::Client& cap) {
      auto request = cap.lockServerRequest();
      request.setLock(fLock != FALSE);
      return request.send().then([](auto response) -> HRESULT { return response.getHr(); });
    });
  }
};

class CClassFactoryStub : public CStub<wire::ClassFactory, IClassFactory> {
 public:
  using CStub::CStub;
  kj::Promise<void> createInstance(CreateInstanceContext context) override {
    IID iid = DecodeGuid(context.getParams().getIid());
    struct Out {
      HRESULT hr = E_NOINTERFACE;
      StubRefPtr ref;
    };
    return Invoke([iid](IClassFactory* factory) {
             Out out;
             if (!FindMarshaler(iid)) return out;
             IUnknown* object = nullptr;
             out.hr = factory->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&object));
             if (SUCCEEDED(out.hr) && object) out.ref = CStubRef::Adopt(object);
             return out;
           })
        .then([this, context, iid](Out out) mutable {
          auto results = context.getResults();
          results.setHr(out.hr);
          KJ_IF_MAYBE(cap, Export(iid, std::move(out.ref))) { results.setObject(*cap); }
        });
  }
  kj::Promise<void> lockServer(LockServerContext context) override {
    bool lock = context.getParams().getLock();
    return Invoke([lock](IClassFactory* factory) { return factory->LockServer(lock ? TRUE : FALSE); })
        .then([context](HRESULT hr) mutable { context.getResults().setHr(hr); });
  }
};

// ---- enumerator items ------------------------------------------------------------------------------
struct StringCodec {
  using Item = LPOLESTR;
  using Prepared = std::string;
  static Prepared Prepare(Item& item) {
    std::string text = TextToWire(item);
    CoTaskMemFree(item);
    item = nullptr;
    return text;
  }
  template <class List>
  static void ToWire(List items, unsigned i, Prepared& p, const ConnectionPtr&) {
    items.set(i, p);
  }
  template <class List>
  static HRESULT FromWire(List items, unsigned i, Item* out, const ConnectionPtr&) {
    *out = CoTaskTextFromWire(items[i]);
    return *out ? S_OK : E_OUTOFMEMORY;
  }
  static void Destroy(Item* item) {
    CoTaskMemFree(*item);
    *item = nullptr;
  }
};

// An interface item (IUnknown*, IConnectionPoint*) travels as a capability.
template <class I, class W>
struct InterfaceCodec {
  using Item = I*;
  using Prepared = StubRefPtr;
  static Prepared Prepare(Item& item) {
    StubRefPtr ref = item ? CStubRef::Adopt(item) : nullptr;
    item = nullptr;
    return ref;
  }
  template <class List>
  static void ToWire(List items, unsigned i, Prepared& p, const ConnectionPtr& connection) {
    if (p) items.set(i, ExportInterface(uuidof<I>(), std::move(p), connection).template castAs<W>());
  }
  template <class List>
  static HRESULT FromWire(List items, unsigned i, Item* out, const ConnectionPtr& connection) {
    return ImportInterface(uuidof<I>(), items[i], connection, reinterpret_cast<void**>(out));
  }
  static void Destroy(Item* item) {
    if (*item) (*item)->Release();
    *item = nullptr;
  }
};

struct ConnectDataCodec {
  using Item = CONNECTDATA;
  struct Prepared {
    StubRefPtr sink;
    DWORD cookie;
  };
  static Prepared Prepare(Item& item) {
    Prepared p{item.pUnk ? CStubRef::Adopt(item.pUnk) : nullptr, item.dwCookie};
    item.pUnk = nullptr;
    return p;
  }
  template <class List>
  static void ToWire(List items, unsigned i, Prepared& p, const ConnectionPtr& connection) {
    items[i].setCookie(p.cookie);
    if (p.sink) items[i].getSink().setObject(ExportInterface(IID_IUnknown, std::move(p.sink), connection));
  }
  template <class List>
  static HRESULT FromWire(List items, unsigned i, Item* out, const ConnectionPtr& connection) {
    out->dwCookie = items[i].getCookie();
    out->pUnk = nullptr;
    auto sink = items[i].getSink();
    if (!sink.isObject()) return S_OK;
    return ImportInterface(IID_IUnknown, sink.getObject(), connection, reinterpret_cast<void**>(&out->pUnk));
  }
  static void Destroy(Item* item) {
    if (item->pUnk) item->pUnk->Release();
    item->pUnk = nullptr;
  }
};

// ---- connection points ------------------------------------------------------------------------------
class CConnectionPointProxy : public CProxy<IConnectionPoint, wire::ConnectionPoint> {
 public:
  using CProxy::CProxy;
  HRESULT GetConnectionInterface(IID* pIID) override {
    if (!pIID) return E_POINTER;
    return Call([&](wire::ConnectionPoint::Client& cap) {
      return cap.getConnectionInterfaceRequest().send().then([pIID](auto response) -> HRESULT {
        if (SUCCEEDED(response.getHr())) *pIID = DecodeGuid(response.getIid());
        return response.getHr();
      });
    });
  }
  HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override {
    if (!ppCPC) return E_POINTER;
    *ppCPC = nullptr;
    return Call([&](wire::ConnectionPoint::Client& cap) {
      return cap.getConnectionPointContainerRequest().send().then([this, ppCPC](auto response) -> HRESULT {
        HRESULT hr = response.getHr();
        if (FAILED(hr) || !response.hasContainer()) return FAILED(hr) ? hr : E_UNEXPECTED;
        return Import(IID_IConnectionPointContainer, response.getContainer(), reinterpret_cast<void**>(ppCPC));
      });
    });
  }
  HRESULT Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override {
    if (pdwCookie) *pdwCookie = 0;
    if (!pUnkSink || !pdwCookie) return E_POINTER;
    // The sink goes as a plain IUnknown; the point asks it for its interface over the wire.
    StubRefPtr sink = CStubRef::Create(pUnkSink);
    HRESULT hr = Call([&](wire::ConnectionPoint::Client& cap) -> kj::Promise<HRESULT> {
      auto request = cap.adviseRequest();
      KJ_IF_MAYBE(exported, Export(IID_IUnknown, sink)) { request.setSink(*exported); }
      else return RPC_E_DISCONNECTED;
      return request.send().then([pdwCookie](auto response) -> HRESULT {
        if (SUCCEEDED(response.getHr())) *pdwCookie = response.getCookie();
        return response.getHr();
      });
    });
    ReleaseStubRefOnWorker(std::move(sink), nullptr);
    return hr;
  }
  HRESULT Unadvise(DWORD dwCookie) override {
    return Call([&](wire::ConnectionPoint::Client& cap) {
      auto request = cap.unadviseRequest();
      request.setCookie(dwCookie);
      return request.send().then([](auto response) -> HRESULT { return response.getHr(); });
    });
  }
  HRESULT EnumConnections(IEnumConnections** ppEnum) override {
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    return Call([&](wire::ConnectionPoint::Client& cap) {
      return cap.enumConnectionsRequest().send().then([this, ppEnum](auto response) -> HRESULT {
        HRESULT hr = response.getHr();
        if (FAILED(hr) || !response.hasEnum()) return FAILED(hr) ? hr : E_UNEXPECTED;
        return Import(IID_IEnumConnections, response.getEnum(), reinterpret_cast<void**>(ppEnum));
      });
    });
  }
};

class CConnectionPointStub : public CStub<wire::ConnectionPoint, IConnectionPoint> {
 public:
  using CStub::CStub;
  kj::Promise<void> getConnectionInterface(GetConnectionInterfaceContext context) override {
    struct Out {
      HRESULT hr;
      IID iid;
    };
    return Invoke([](IConnectionPoint* point) {
             Out out{S_OK, GUID_NULL};
             out.hr = point->GetConnectionInterface(&out.iid);
             return out;
           })
        .then([context](Out out) mutable {
          context.getResults().setHr(out.hr);
          EncodeGuid(context.getResults().initIid(), out.iid);
        });
  }
  kj::Promise<void> getConnectionPointContainer(GetConnectionPointContainerContext context) override {
    return ExportResult<IConnectionPointContainer>(
        [](IConnectionPoint* point, IConnectionPointContainer** out) { return point->GetConnectionPointContainer(out); },
        [context](HRESULT hr, kj::Maybe<wire::Unknown::Client> cap) mutable {
          context.getResults().setHr(hr);
          KJ_IF_MAYBE(c, cap) { context.getResults().setContainer(c->castAs<wire::ConnectionPointContainer>()); }
        });
  }
  kj::Promise<void> advise(AdviseContext context) override {
    auto params = context.getParams();
    // Held by the call: a call refused (too many under way) lets go of it too.
    CComPtr<IUnknown> sink;
    if (params.hasSink()) ImportInterface(IID_IUnknown, params.getSink(), Connection(), reinterpret_cast<void**>(&sink.p));
    struct Out {
      HRESULT hr;
      DWORD cookie;
    };
    return Invoke([sink](IConnectionPoint* point) {
             Out out{S_OK, 0};
             out.hr = point->Advise(sink.p, &out.cookie);
             return out;
           })
        .then([context](Out out) mutable {
          context.getResults().setHr(out.hr);
          context.getResults().setCookie(out.cookie);
        });
  }
  kj::Promise<void> unadvise(UnadviseContext context) override {
    DWORD cookie = context.getParams().getCookie();
    return Invoke([cookie](IConnectionPoint* point) { return point->Unadvise(cookie); })
        .then([context](HRESULT hr) mutable { context.getResults().setHr(hr); });
  }
  kj::Promise<void> enumConnections(EnumConnectionsContext context) override {
    return ExportResult<IEnumConnections>(
        [](IConnectionPoint* point, IEnumConnections** out) { return point->EnumConnections(out); },
        [context](HRESULT hr, kj::Maybe<wire::Unknown::Client> cap) mutable {
          context.getResults().setHr(hr);
          KJ_IF_MAYBE(c, cap) { context.getResults().setEnum(c->castAs<wire::EnumConnections>()); }
        });
  }

 private:
  // A call with one interface pointer out: call(point, I**) on the worker, answer(hr, cap) on the loop.
  template <class I, class Call, class Answer>
  kj::Promise<void> ExportResult(Call call, Answer answer) {
    struct Out {
      HRESULT hr;
      StubRefPtr ref;
    };
    return Invoke([call](IConnectionPoint* point) {
             I* result = nullptr;
             Out out{call(point, &result), nullptr};
             if (result) out.ref = CStubRef::Adopt(result);
             return out;
           })
        .then([this, answer](Out out) mutable { answer(out.hr, Export(uuidof<I>(), std::move(out.ref))); });
  }
};

class CConnectionPointContainerProxy : public CProxy<IConnectionPointContainer, wire::ConnectionPointContainer> {
 public:
  using CProxy::CProxy;
  HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override {
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    return Call([&](wire::ConnectionPointContainer::Client& cap) {
      return cap.enumConnectionPointsRequest().send().then([this, ppEnum](auto response) -> HRESULT {
        HRESULT hr = response.getHr();
        if (FAILED(hr) || !response.hasEnum()) return FAILED(hr) ? hr : E_UNEXPECTED;
        return Import(IID_IEnumConnectionPoints, response.getEnum(), reinterpret_cast<void**>(ppEnum));
      });
    });
  }
  HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override {
    if (!ppCP) return E_POINTER;
    *ppCP = nullptr;
    return Call([&](wire::ConnectionPointContainer::Client& cap) {
      auto request = cap.findConnectionPointRequest();
      EncodeGuid(request.initIid(), riid);
      return request.send().then([this, ppCP](auto response) -> HRESULT {
        HRESULT hr = response.getHr();
        if (FAILED(hr) || !response.hasPoint()) return FAILED(hr) ? hr : E_UNEXPECTED;
        return Import(IID_IConnectionPoint, response.getPoint(), reinterpret_cast<void**>(ppCP));
      });
    });
  }
};

class CConnectionPointContainerStub : public CStub<wire::ConnectionPointContainer, IConnectionPointContainer> {
 public:
  using CStub::CStub;
  kj::Promise<void> enumConnectionPoints(EnumConnectionPointsContext context) override {
    struct Out {
      HRESULT hr;
      StubRefPtr ref;
    };
    return Invoke([](IConnectionPointContainer* c) {
             IEnumConnectionPoints* e = nullptr;
             Out out{c->EnumConnectionPoints(&e), nullptr};
             if (e) out.ref = CStubRef::Adopt(e);
             return out;
           })
        .then([this, context](Out out) mutable {
          context.getResults().setHr(out.hr);
          KJ_IF_MAYBE(cap, Export(IID_IEnumConnectionPoints, std::move(out.ref))) {
            context.getResults().setEnum(cap->castAs<wire::EnumConnectionPoints>());
          }
        });
  }
  kj::Promise<void> findConnectionPoint(FindConnectionPointContext context) override {
    IID iid = DecodeGuid(context.getParams().getIid());
    struct Out {
      HRESULT hr;
      StubRefPtr ref;
    };
    return Invoke([iid](IConnectionPointContainer* c) {
             IConnectionPoint* p = nullptr;
             Out out{c->FindConnectionPoint(iid, &p), nullptr};
             if (p) out.ref = CStubRef::Adopt(p);
             return out;
           })
        .then([this, context](Out out) mutable {
          context.getResults().setHr(out.hr);
          KJ_IF_MAYBE(cap, Export(IID_IConnectionPoint, std::move(out.ref))) {
            context.getResults().setPoint(cap->castAs<wire::ConnectionPoint>());
          }
        });
  }
};

}  // namespace

void RegisterComMarshalers() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterMarshaler(MakeMarshaler<wire::Unknown, CUnknownProxy, CUnknownStub>(IID_IUnknown));
    RegisterMarshaler(MakeMarshaler<wire::ClassFactory, CClassFactoryProxy, CClassFactoryStub>(IID_IClassFactory));
    RegisterMarshaler(
        MakeMarshaler<wire::ConnectionPoint, CConnectionPointProxy, CConnectionPointStub>(IID_IConnectionPoint));
    RegisterMarshaler(MakeMarshaler<wire::ConnectionPointContainer, CConnectionPointContainerProxy,
                                    CConnectionPointContainerStub>(IID_IConnectionPointContainer));
    RegisterMarshaler(MakeEnumMarshaler<IEnumString, wire::EnumString, StringCodec>());
    RegisterMarshaler(MakeEnumMarshaler<IEnumUnknown, wire::EnumUnknown, InterfaceCodec<IUnknown, wire::Unknown>>());
    RegisterMarshaler(MakeEnumMarshaler<IEnumConnectionPoints, wire::EnumConnectionPoints,
                                        InterfaceCodec<IConnectionPoint, wire::ConnectionPoint>>());
    RegisterMarshaler(MakeEnumMarshaler<IEnumConnections, wire::EnumConnections, ConnectDataCodec>());
    RegisterDataMarshalers();
  });
}

}  // namespace tessaly::rpc
