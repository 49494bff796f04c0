// IOPCServer and IOPCCommon.
#include <mutex>

#include "interfaces/opc/rpc/OpcMarshalers.h"
#include "interfaces/opc/rpc/OpcWire.h"
#include "platform/rpc/InterfaceRegistry.h"
#include "platform/rpc/Proxy.h"

namespace tessaly::rpc {

namespace {

using opcwire::OpcCommon;
using opcwire::OpcServer;

class COpcServerProxy : public CProxy<IOPCServer, OpcServer> {
 public:
  using CProxy::CProxy;
  // An out interface pointer of a response, imported into *ppUnk when the call succeeded.
  HRESULT Take(HRESULT hr, bool has, kj::Function<wire::Unknown::Client()> get, REFIID iid, LPUNKNOWN* ppUnk) {
    if (!ppUnk || FAILED(hr) || !has) return hr;
    HRESULT imported = Import(iid, get(), reinterpret_cast<void**>(ppUnk));
    return FAILED(imported) ? imported : hr;
  }

  HRESULT AddGroup(LPCWSTR szName, BOOL bActive, DWORD dwRequestedUpdateRate, OPCHANDLE hClientGroup, LONG* pTimeBias,
                   FLOAT* pPercentDeadband, DWORD dwLCID, OPCHANDLE* phServerGroup, DWORD* pRevisedUpdateRate,
                   REFIID riid, LPUNKNOWN* ppUnk) override {
    if (ppUnk) *ppUnk = nullptr;
    if (ppUnk && !FindMarshaler(riid)) return E_NOINTERFACE;
    return Call([&](OpcServer::Client& cap) {
      auto request = cap.addGroupRequest();
      if (szName) request.setName(TextToWire(szName));
      request.setActive(bActive != FALSE);
      request.setRequestedUpdateRate(dwRequestedUpdateRate);
      request.setClientGroup(hClientGroup);
      request.setHasTimeBias(pTimeBias != nullptr);
      if (pTimeBias) request.setTimeBias(*pTimeBias);
      request.setHasDeadband(pPercentDeadband != nullptr);
      if (pPercentDeadband) request.setDeadband(*pPercentDeadband);
      request.setLcid(dwLCID);
      EncodeGuid(request.initIid(), riid);
      request.setOuts((phServerGroup ? 1 : 0) | (pRevisedUpdateRate ? 2 : 0) | (ppUnk ? 4 : 0));
      return request.send().then([=, this, &riid](auto response) -> HRESULT {
        HRESULT hr = response.getHr();
        if (phServerGroup) *phServerGroup = response.getServerGroup();
        if (pRevisedUpdateRate) *pRevisedUpdateRate = response.getRevisedUpdateRate();
        return Take(hr, response.hasGroup(), [&] { return response.getGroup(); }, riid, ppUnk);
      });
    });
  }
  HRESULT GetErrorString(HRESULT dwError, LCID dwLocale, LPWSTR* ppString) override {
    if (ppString) *ppString = nullptr;
    return Call([&](OpcServer::Client& cap) {
      auto request = cap.getErrorStringRequest();
      request.setError(dwError);
      request.setLocale(dwLocale);
      request.setWant(ppString != nullptr);
      return request.send().then(
          [ppString](auto response) -> HRESULT { return TakeText(response.getHr(), response, ppString); });
    });
  }
  HRESULT GetGroupByName(LPCWSTR szName, REFIID riid, LPUNKNOWN* ppUnk) override {
    if (ppUnk) *ppUnk = nullptr;
    if (ppUnk && !FindMarshaler(riid)) return E_NOINTERFACE;
    return Call([&](OpcServer::Client& cap) {
      auto request = cap.getGroupByNameRequest();
      if (szName) request.setName(TextToWire(szName));
      EncodeGuid(request.initIid(), riid);
      request.setWant(ppUnk != nullptr);
      return request.send().then([this, &riid, ppUnk](auto response) -> HRESULT {
        return Take(response.getHr(), response.hasGroup(), [&] { return response.getGroup(); }, riid, ppUnk);
      });
    });
  }
  HRESULT GetStatus(OPCSERVERSTATUS** ppServerStatus) override {
    if (ppServerStatus) *ppServerStatus = nullptr;
    return Call([&](OpcServer::Client& cap) {
      auto request = cap.getStatusRequest();
      request.setWant(ppServerStatus != nullptr);
      return request.send().then([ppServerStatus](auto response) -> HRESULT {
        HRESULT hr = response.getHr();
        if (ppServerStatus && SUCCEEDED(hr) && response.hasStatus()) *ppServerStatus = DecodeStatus(response.getStatus());
        return hr;
      });
    });
  }
  HRESULT RemoveGroup(OPCHANDLE hServerGroup, BOOL bForce) override {
    return Call([&](OpcServer::Client& cap) {
      auto request = cap.removeGroupRequest();
      request.setServerGroup(hServerGroup);
      request.setForce(bForce != FALSE);
      return request.send().then([](auto response) -> HRESULT { return response.getHr(); });
    });
  }
  HRESULT CreateGroupEnumerator(OPCENUMSCOPE dwScope, REFIID riid, LPUNKNOWN* ppUnk) override {
    if (ppUnk) *ppUnk = nullptr;
    if (ppUnk && riid != IID_IUnknown && !FindMarshaler(riid)) return E_NOINTERFACE;
    return Call([&](OpcServer::Client& cap) {
      auto request = cap.createGroupEnumeratorRequest();
      request.setScope(dwScope);
      EncodeGuid(request.initIid(), riid);
      request.setWant(ppUnk != nullptr);
      return request.send().then([this, &riid, ppUnk](auto response) -> HRESULT {
        return Take(response.getHr(), response.hasEnum(), [&] { return response.getEnum(); }, riid, ppUnk);
      });
    });
  }
};

class COpcServerStub : public CStub<OpcServer, IOPCServer> {
 public:
  using CStub::CStub;

  struct ObjectOut {
    HRESULT hr = S_OK;
    StubRefPtr ref;
  };

  kj::Promise<void> addGroup(AddGroupContext context) override {
    struct In {
      std::wstring name;
      bool hasName;
      BOOL active;
      DWORD rate;
      OPCHANDLE client;
      LONG bias;
      bool hasBias;
      FLOAT deadband;
      bool hasDeadband;
      DWORD lcid;
      IID iid;
      uint8_t outs;
    };
    auto p = context.getParams();
    In in = Decode([&] {
      return In{p.hasName() ? TextFromWire(p.getName()) : std::wstring(), p.hasName(), p.getActive() ? TRUE : FALSE,
                p.getRequestedUpdateRate(), p.getClientGroup(), p.getTimeBias(), p.getHasTimeBias(), p.getDeadband(),
                p.getHasDeadband(), p.getLcid(), DecodeGuid(p.getIid()), p.getOuts()};
    });
    struct Out {
      HRESULT hr;
      OPCHANDLE server = 0;
      DWORD revised = 0;
      StubRefPtr ref;
    };
    return Invoke([in](IOPCServer* server) mutable {
             Out out{S_OK, 0, 0, nullptr};
             IUnknown* group = nullptr;
             bool wantGroup = in.outs & 4;
             if (wantGroup && !FindMarshaler(in.iid)) {
               out.hr = E_NOINTERFACE;
               return out;
             }
             out.hr = server->AddGroup(in.hasName ? in.name.c_str() : nullptr, in.active, in.rate, in.client,
                                       in.hasBias ? &in.bias : nullptr, in.hasDeadband ? &in.deadband : nullptr,
                                       in.lcid, (in.outs & 1) ? &out.server : nullptr,
                                       (in.outs & 2) ? &out.revised : nullptr, in.iid,
                                       wantGroup ? &group : nullptr);
             out.ref = AdoptOut(group);
             return out;
           })
        .then([this, context, in](Out out) mutable {
          auto results = context.getResults();
          results.setHr(out.hr);
          results.setServerGroup(out.server);
          results.setRevisedUpdateRate(out.revised);
          KJ_IF_MAYBE(cap, Export(in.iid, std::move(out.ref))) { results.setGroup(*cap); }
        });
  }
  kj::Promise<void> getErrorString(GetErrorStringContext context) override {
    auto p = context.getParams();
    HRESULT error = p.getError();
    LCID locale = p.getLocale();
    bool want = p.getWant();
    struct Out {
      HRESULT hr;
      CoTaskPtr<wchar_t> text;
    };
    return Invoke([=](IOPCServer* server) {
             LPWSTR text = nullptr;
             Out out{server->GetErrorString(error, locale, want ? &text : nullptr), CoTaskPtr<wchar_t>(text)};
             return out;
           })
        .then([context](Out out) mutable {
          context.getResults().setHr(out.hr);
          if (out.text) context.getResults().setText(TextToWire(out.text.get()));
        });
  }
  kj::Promise<void> getGroupByName(GetGroupByNameContext context) override {
    auto p = context.getParams();
    auto name = std::make_shared<std::wstring>();
    bool hasName = p.hasName();
    Decode([&] {
      if (hasName) *name = TextFromWire(p.getName());
      return 0;
    });
    IID iid = DecodeGuid(p.getIid());
    bool want = p.getWant();
    return Invoke([=](IOPCServer* server) {
             ObjectOut out;
             if (want && !FindMarshaler(iid)) {
               out.hr = E_NOINTERFACE;
               return out;
             }
             IUnknown* group = nullptr;
             out.hr = server->GetGroupByName(hasName ? name->c_str() : nullptr, iid, want ? &group : nullptr);
             out.ref = AdoptOut(group);
             return out;
           })
        .then([this, context, iid](ObjectOut out) mutable {
          context.getResults().setHr(out.hr);
          KJ_IF_MAYBE(cap, Export(iid, std::move(out.ref))) { context.getResults().setGroup(*cap); }
        });
  }
  kj::Promise<void> getStatus(GetStatusContext context) override {
    bool want = context.getParams().getWant();
    struct Out {
      HRESULT hr;
      CoTaskPtr<OPCSERVERSTATUS> status;
    };
    return Invoke([want](IOPCServer* server) {
             OPCSERVERSTATUS* status = nullptr;
             Out out{server->GetStatus(want ? &status : nullptr), CoTaskPtr<OPCSERVERSTATUS>(status)};
             return out;
           })
        .then([context](Out out) mutable {
          context.getResults().setHr(out.hr);
          if (out.status) {
            EncodeStatus(context.getResults().initStatus(), *out.status);
            CoTaskMemFree(out.status->szVendorInfo);
          }
        });
  }
  kj::Promise<void> removeGroup(RemoveGroupContext context) override {
    OPCHANDLE handle = context.getParams().getServerGroup();
    BOOL force = context.getParams().getForce() ? TRUE : FALSE;
    return Invoke([=](IOPCServer* server) { return server->RemoveGroup(handle, force); })
        .then([context](HRESULT hr) mutable { context.getResults().setHr(hr); });
  }
  kj::Promise<void> createGroupEnumerator(CreateGroupEnumeratorContext context) override {
    auto p = context.getParams();
    auto scope = static_cast<OPCENUMSCOPE>(p.getScope());
    IID iid = DecodeGuid(p.getIid());
    bool want = p.getWant();
    return Invoke([=](IOPCServer* server) {
             ObjectOut out;
             if (want && iid != IID_IUnknown && !FindMarshaler(iid)) {
               out.hr = E_NOINTERFACE;
               return out;
             }
             IUnknown* e = nullptr;
             out.hr = server->CreateGroupEnumerator(scope, iid, want ? &e : nullptr);
             out.ref = AdoptOut(e);
             return out;
           })
        .then([this, context, iid](ObjectOut out) mutable {
          context.getResults().setHr(out.hr);
          KJ_IF_MAYBE(cap, Export(iid, std::move(out.ref))) { context.getResults().setEnum(*cap); }
        });
  }
};

class COpcCommonProxy : public CProxy<IOPCCommon, OpcCommon> {
 public:
  using CProxy::CProxy;
  HRESULT SetLocaleID(LCID dwLcid) override {
    return Call([&](OpcCommon::Client& cap) {
      auto request = cap.setLocaleIdRequest();
      request.setLcid(dwLcid);
      return request.send().then([](auto response) -> HRESULT { return response.getHr(); });
    });
  }
  HRESULT GetLocaleID(LCID* pdwLcid) override {
    return Call([&](OpcCommon::Client& cap) {
      auto request = cap.getLocaleIdRequest();
      request.setWant(pdwLcid != nullptr);
      return request.send().then([pdwLcid](auto response) -> HRESULT {
        if (pdwLcid && SUCCEEDED(response.getHr())) *pdwLcid = response.getLcid();
        return response.getHr();
      });
    });
  }
  HRESULT QueryAvailableLocaleIDs(DWORD* pdwCount, LCID** pdwLcid) override {
    if (pdwLcid) *pdwLcid = nullptr;
    return Call([&](OpcCommon::Client& cap) {
      auto request = cap.queryAvailableLocaleIdsRequest();
      request.setOuts((pdwCount ? 1 : 0) | (pdwLcid ? 2 : 0));
      return request.send().then([pdwCount, pdwLcid](auto response) -> HRESULT {
        HRESULT hr = response.getHr();
        if (FAILED(hr)) return hr;
        auto list = response.getLcids();
        if (list.size() > kMaxListItems) return RPC_E_INVALID_DATAPACKET;
        if (pdwCount) *pdwCount = list.size();
        if (pdwLcid && !DecodeNumbers(response.hasLcids(), list, list.size(), pdwLcid)) return RPC_E_INVALID_DATAPACKET;
        return hr;
      });
    });
  }
  HRESULT GetErrorString(HRESULT dwError, LPWSTR* ppString) override {
    if (ppString) *ppString = nullptr;
    return Call([&](OpcCommon::Client& cap) {
      auto request = cap.getErrorStringRequest();
      request.setError(dwError);
      request.setWant(ppString != nullptr);
      return request.send().then(
          [ppString](auto response) -> HRESULT { return TakeText(response.getHr(), response, ppString); });
    });
  }
  HRESULT SetClientName(LPCWSTR szName) override {
    return Call([&](OpcCommon::Client& cap) {
      auto request = cap.setClientNameRequest();
      if (szName) request.setName(TextToWire(szName));
      return request.send().then([](auto response) -> HRESULT { return response.getHr(); });
    });
  }
};

class COpcCommonStub : public CStub<OpcCommon, IOPCCommon> {
 public:
  using CStub::CStub;
  kj::Promise<void> setLocaleId(SetLocaleIdContext context) override {
    LCID lcid = context.getParams().getLcid();
    return Invoke([lcid](IOPCCommon* c) { return c->SetLocaleID(lcid); })
        .then([context](HRESULT hr) mutable { context.getResults().setHr(hr); });
  }
  kj::Promise<void> getLocaleId(GetLocaleIdContext context) override {
    bool want = context.getParams().getWant();
    struct Out {
      HRESULT hr;
      LCID lcid;
    };
    return Invoke([want](IOPCCommon* c) {
             Out out{S_OK, 0};
             out.hr = c->GetLocaleID(want ? &out.lcid : nullptr);
             return out;
           })
        .then([context](Out out) mutable {
          context.getResults().setHr(out.hr);
          context.getResults().setLcid(out.lcid);
        });
  }
  kj::Promise<void> queryAvailableLocaleIds(QueryAvailableLocaleIdsContext context) override {
    uint8_t outs = context.getParams().getOuts();
    struct Out {
      HRESULT hr;
      DWORD count = 0;
      CoTaskPtr<LCID> lcids;
    };
    return Invoke([outs](IOPCCommon* c) {
             Out out{S_OK, 0, nullptr};
             LCID* lcids = nullptr;
             out.hr = c->QueryAvailableLocaleIDs((outs & 1) ? &out.count : nullptr, (outs & 2) ? &lcids : nullptr);
             out.lcids.reset(lcids);
             return out;
           })
        .then([context](Out out) mutable {
          auto results = context.getResults();
          results.setHr(out.hr);
          if (SUCCEEDED(out.hr) && out.lcids && out.count <= kMaxListItems)
            EncodeNumbers(results.initLcids(out.count), out.lcids.get());
        });
  }
  kj::Promise<void> getErrorString(GetErrorStringContext context) override {
    HRESULT error = context.getParams().getError();
    bool want = context.getParams().getWant();
    struct Out {
      HRESULT hr;
      CoTaskPtr<wchar_t> text;
    };
    return Invoke([=](IOPCCommon* c) {
             LPWSTR text = nullptr;
             Out out{c->GetErrorString(error, want ? &text : nullptr), CoTaskPtr<wchar_t>(text)};
             return out;
           })
        .then([context](Out out) mutable {
          context.getResults().setHr(out.hr);
          if (out.text) context.getResults().setText(TextToWire(out.text.get()));
        });
  }
  kj::Promise<void> setClientName(SetClientNameContext context) override {
    auto p = context.getParams();
    bool has = p.hasName();
    auto name = std::make_shared<std::wstring>(Decode([&] { return has ? TextFromWire(p.getName()) : std::wstring(); }));
    return Invoke([=](IOPCCommon* c) { return c->SetClientName(has ? name->c_str() : nullptr); })
        .then([context](HRESULT hr) mutable { context.getResults().setHr(hr); });
  }
};

}  // namespace

void RegisterOpcServerMarshalers() {
  RegisterMarshaler(MakeMarshaler<OpcServer, COpcServerProxy, COpcServerStub>(IID_IOPCServer));
  RegisterMarshaler(MakeMarshaler<OpcCommon, COpcCommonProxy, COpcCommonStub>(IID_IOPCCommon));
}

void RegisterOpcMarshalers() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterComMarshalers();
    RegisterOpcServerMarshalers();
    RegisterOpcAddressSpaceMarshalers();
    RegisterOpcGroupMarshalers();
    RegisterOpcSinkMarshalers();
  });
}

}  // namespace tessaly::rpc
