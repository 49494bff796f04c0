// The group's IOPCGroupStateMgt, IOPCItemMgt and IOPCSyncIO, and IEnumOPCItemAttributes.
#include "interfaces/opc/rpc/OpcMarshalers.h"
#include "interfaces/opc/rpc/OpcWire.h"
#include "platform/com/Variant.h"
#include "platform/rpc/InterfaceRegistry.h"
#include "platform/rpc/Proxy.h"

namespace tessaly::rpc {

namespace {

using opcwire::EnumOpcItemAttributes;
using opcwire::OpcGroupStateMgt;
using opcwire::OpcItemMgt;
using opcwire::OpcSyncIO;

constexpr uint32_t kInlineReadItems = 256;

// The per-item errors of a response into *ppErrors (when wanted and sent).
template <class Response>
HRESULT TakeErrors(HRESULT hr, const Response& response, DWORD count, HRESULT** ppErrors) {
  if (!ppErrors || FAILED(hr) || !response.hasErrors()) return hr;
  if (!DecodeNumbers(true, response.getErrors(), count, ppErrors)) return RPC_E_INVALID_DATAPACKET;
  return hr;
}

// A server-side result of a call with per-item errors.
struct ErrorsOut {
  HRESULT hr = S_OK;
  CoTaskPtr<HRESULT> errors;
};
template <class Results>
void PutErrors(Results results, ErrorsOut& out, uint32_t count) {
  results.setHr(out.hr);
  if (SUCCEEDED(out.hr) && out.errors) EncodeNumbers(results.initErrors(count), out.errors.get());
}

// ---- IOPCGroupStateMgt -----------------------------------------------------------------------------
class CGroupStateMgtProxy : public CProxy<IOPCGroupStateMgt, OpcGroupStateMgt> {
 public:
  using CProxy::CProxy;
  HRESULT GetState(DWORD* pUpdateRate, BOOL* pActive, LPWSTR* ppName, LONG* pTimeBias, FLOAT* pPercentDeadband,
                   DWORD* pLCID, OPCHANDLE* phClientGroup, OPCHANDLE* phServerGroup) override {
    if (ppName) *ppName = nullptr;
    return Call([&](OpcGroupStateMgt::Client& cap) {
      auto request = cap.getStateRequest();
      request.setOuts((pUpdateRate ? 1 : 0) | (pActive ? 2 : 0) | (ppName ? 4 : 0) | (pTimeBias ? 8 : 0) |
                      (pPercentDeadband ? 16 : 0) | (pLCID ? 32 : 0) | (phClientGroup ? 64 : 0) |
                      (phServerGroup ? 128 : 0));
      return request.send().then([&](auto r) -> HRESULT {
        HRESULT hr = r.getHr();
        if (FAILED(hr)) return hr;
        if (pUpdateRate) *pUpdateRate = r.getUpdateRate();
        if (pActive) *pActive = r.getActive() ? TRUE : FALSE;
        if (pTimeBias) *pTimeBias = r.getTimeBias();
        if (pPercentDeadband) *pPercentDeadband = r.getDeadband();
        if (pLCID) *pLCID = r.getLcid();
        if (phClientGroup) *phClientGroup = r.getClientGroup();
        if (phServerGroup) *phServerGroup = r.getServerGroup();
        if (ppName && r.hasName()) {
          *ppName = CoTaskTextFromWire(r.getName());
          if (!*ppName) return E_OUTOFMEMORY;
        }
        return hr;
      });
    });
  }
  HRESULT SetState(DWORD* pRequestedUpdateRate, DWORD* pRevisedUpdateRate, BOOL* pActive, LONG* pTimeBias,
                   FLOAT* pPercentDeadband, DWORD* pLCID, OPCHANDLE* phClientGroup) override {
    return Call([&](OpcGroupStateMgt::Client& cap) {
      auto request = cap.setStateRequest();
      request.setIns((pRequestedUpdateRate ? 1 : 0) | (pActive ? 2 : 0) | (pTimeBias ? 4 : 0) |
                     (pPercentDeadband ? 8 : 0) | (pLCID ? 16 : 0) | (phClientGroup ? 32 : 0));
      request.setWantRevised(pRevisedUpdateRate != nullptr);
      if (pRequestedUpdateRate) request.setRequestedUpdateRate(*pRequestedUpdateRate);
      if (pActive) request.setActive(*pActive != FALSE);
      if (pTimeBias) request.setTimeBias(*pTimeBias);
      if (pPercentDeadband) request.setDeadband(*pPercentDeadband);
      if (pLCID) request.setLcid(*pLCID);
      if (phClientGroup) request.setClientGroup(*phClientGroup);
      return request.send().then([pRevisedUpdateRate](auto r) -> HRESULT {
        if (pRevisedUpdateRate && SUCCEEDED(r.getHr())) *pRevisedUpdateRate = r.getRevisedUpdateRate();
        return r.getHr();
      });
    });
  }
  HRESULT SetName(LPCWSTR szName) override {
    return Call([&](OpcGroupStateMgt::Client& cap) {
      auto request = cap.setNameRequest();
      if (szName) request.setName(TextToWire(szName));
      return request.send().then([](auto r) -> HRESULT { return r.getHr(); });
    });
  }
  HRESULT CloneGroup(LPCWSTR szName, REFIID riid, LPUNKNOWN* ppUnk) override {
    if (ppUnk) *ppUnk = nullptr;
    if (ppUnk && !FindMarshaler(riid)) return E_NOINTERFACE;
    return Call([&](OpcGroupStateMgt::Client& cap) {
      auto request = cap.cloneGroupRequest();
      if (szName) request.setName(TextToWire(szName));
      EncodeGuid(request.initIid(), riid);
      request.setWant(ppUnk != nullptr);
      return request.send().then([this, &riid, ppUnk](auto r) -> HRESULT {
        HRESULT hr = r.getHr();
        if (!ppUnk || FAILED(hr) || !r.hasGroup()) return hr;
        HRESULT imported = Import(riid, r.getGroup(), reinterpret_cast<void**>(ppUnk));
        return FAILED(imported) ? imported : hr;
      });
    });
  }
};

class CGroupStateMgtStub : public CStub<OpcGroupStateMgt, IOPCGroupStateMgt> {
 public:
  using CStub::CStub;
  kj::Promise<void> getState(GetStateContext context) override {
    uint8_t outs = context.getParams().getOuts();
    struct Out {
      HRESULT hr = S_OK;
      DWORD rate = 0;
      BOOL active = FALSE;
      CoTaskPtr<wchar_t> name;
      LONG bias = 0;
      FLOAT deadband = 0;
      DWORD lcid = 0;
      OPCHANDLE client = 0, server = 0;
    };
    return Invoke([outs](IOPCGroupStateMgt* g) {
             Out o;
             LPWSTR name = nullptr;
             o.hr = g->GetState((outs & 1) ? &o.rate : nullptr, (outs & 2) ? &o.active : nullptr,
                                (outs & 4) ? &name : nullptr, (outs & 8) ? &o.bias : nullptr,
                                (outs & 16) ? &o.deadband : nullptr, (outs & 32) ? &o.lcid : nullptr,
                                (outs & 64) ? &o.client : nullptr, (outs & 128) ? &o.server : nullptr);
             o.name.reset(name);
             return o;
           })
        .then([context](Out o) mutable {
          auto r = context.getResults();
          r.setHr(o.hr);
          r.setUpdateRate(o.rate);
          r.setActive(o.active != FALSE);
          if (o.name) r.setName(TextToWire(o.name.get()));
          r.setTimeBias(o.bias);
          r.setDeadband(o.deadband);
          r.setLcid(o.lcid);
          r.setClientGroup(o.client);
          r.setServerGroup(o.server);
        });
  }
  kj::Promise<void> setState(SetStateContext context) override {
    auto p = context.getParams();
    struct In {
      uint8_t ins;
      bool wantRevised;
      DWORD rate;
      BOOL active;
      LONG bias;
      FLOAT deadband;
      DWORD lcid;
      OPCHANDLE client;
    } in{p.getIns(), p.getWantRevised(), p.getRequestedUpdateRate(), p.getActive() ? TRUE : FALSE,
         p.getTimeBias(), p.getDeadband(), p.getLcid(), p.getClientGroup()};
    struct Out {
      HRESULT hr;
      DWORD revised;
    };
    return Invoke([in](IOPCGroupStateMgt* g) mutable {
             Out o{S_OK, 0};
             o.hr = g->SetState((in.ins & 1) ? &in.rate : nullptr, in.wantRevised ? &o.revised : nullptr,
                                (in.ins & 2) ? &in.active : nullptr, (in.ins & 4) ? &in.bias : nullptr,
                                (in.ins & 8) ? &in.deadband : nullptr, (in.ins & 16) ? &in.lcid : nullptr,
                                (in.ins & 32) ? &in.client : nullptr);
             return o;
           })
        .then([context](Out o) mutable {
          context.getResults().setHr(o.hr);
          context.getResults().setRevisedUpdateRate(o.revised);
        });
  }
  kj::Promise<void> setName(SetNameContext context) override {
    auto p = context.getParams();
    bool has = p.hasName();
    auto name = std::make_shared<std::wstring>(Decode([&] { return has ? TextFromWire(p.getName()) : std::wstring(); }));
    return Invoke([=](IOPCGroupStateMgt* g) { return g->SetName(has ? name->c_str() : nullptr); })
        .then([context](HRESULT hr) mutable { context.getResults().setHr(hr); });
  }
  kj::Promise<void> cloneGroup(CloneGroupContext context) override {
    auto p = context.getParams();
    bool has = p.hasName();
    auto name = std::make_shared<std::wstring>(Decode([&] { return has ? TextFromWire(p.getName()) : std::wstring(); }));
    IID iid = DecodeGuid(p.getIid());
    bool want = p.getWant();
    struct Out {
      HRESULT hr;
      StubRefPtr ref;
    };
    return Invoke([=](IOPCGroupStateMgt* g) {
             Out o{E_NOINTERFACE, nullptr};
             if (want && !FindMarshaler(iid)) return o;
             IUnknown* clone = nullptr;
             o.hr = g->CloneGroup(has ? name->c_str() : nullptr, iid, want ? &clone : nullptr);
             o.ref = AdoptOut(clone);
             return o;
           })
        .then([this, context, iid](Out o) mutable {
          context.getResults().setHr(o.hr);
          KJ_IF_MAYBE(cap, Export(iid, std::move(o.ref))) { context.getResults().setGroup(*cap); }
        });
  }
};

// ---- IOPCItemMgt ---------------------------------------------------------------------------------------
class CItemMgtProxy : public CProxy<IOPCItemMgt, OpcItemMgt> {
 public:
  using CProxy::CProxy;
  HRESULT AddItems(DWORD dwCount, OPCITEMDEF* pItemArray, OPCITEMRESULT** ppAddResults, HRESULT** ppErrors) override {
    return ItemsCall(false, dwCount, pItemArray, FALSE, ppAddResults, ppErrors);
  }
  HRESULT ValidateItems(DWORD dwCount, OPCITEMDEF* pItemArray, BOOL bBlobUpdate, OPCITEMRESULT** ppValidationResults,
                        HRESULT** ppErrors) override {
    return ItemsCall(true, dwCount, pItemArray, bBlobUpdate, ppValidationResults, ppErrors);
  }
  HRESULT RemoveItems(DWORD dwCount, OPCHANDLE* phServer, HRESULT** ppErrors) override {
    return HandlesCall(dwCount, phServer, ppErrors, [](OpcItemMgt::Client& cap) { return cap.removeItemsRequest(); },
                       [](auto&) {});
  }
  HRESULT SetActiveState(DWORD dwCount, OPCHANDLE* phServer, BOOL bActive, HRESULT** ppErrors) override {
    return HandlesCall(dwCount, phServer, ppErrors, [](OpcItemMgt::Client& cap) { return cap.setActiveStateRequest(); },
                       [&](auto& request) { request.setActive(bActive != FALSE); });
  }
  HRESULT SetClientHandles(DWORD dwCount, OPCHANDLE* phServer, OPCHANDLE* phClient, HRESULT** ppErrors) override {
    return HandlesCall(dwCount, phServer, ppErrors,
                       [](OpcItemMgt::Client& cap) { return cap.setClientHandlesRequest(); }, [&](auto& request) {
                         if (phClient) EncodeNumbers(request.initClients(dwCount), phClient);
                         request.setIns(request.getIns() | (phClient ? 2 : 0));
                       });
  }
  HRESULT SetDatatypes(DWORD dwCount, OPCHANDLE* phServer, VARTYPE* pRequestedDatatypes, HRESULT** ppErrors) override {
    return HandlesCall(dwCount, phServer, ppErrors, [](OpcItemMgt::Client& cap) { return cap.setDatatypesRequest(); },
                       [&](auto& request) {
                         if (pRequestedDatatypes) EncodeNumbers(request.initTypes(dwCount), pRequestedDatatypes);
                         request.setIns(request.getIns() | (pRequestedDatatypes ? 2 : 0));
                       });
  }
  HRESULT CreateEnumerator(REFIID riid, LPUNKNOWN* ppUnk) override {
    if (ppUnk) *ppUnk = nullptr;
    if (ppUnk && !FindMarshaler(riid)) return E_NOINTERFACE;
    return Call([&](OpcItemMgt::Client& cap) {
      auto request = cap.createEnumeratorRequest();
      EncodeGuid(request.initIid(), riid);
      request.setWant(ppUnk != nullptr);
      return request.send().then([this, &riid, ppUnk](auto r) -> HRESULT {
        HRESULT hr = r.getHr();
        if (!ppUnk || FAILED(hr) || !r.hasEnum()) return hr;
        HRESULT imported = Import(riid, r.getEnum(), reinterpret_cast<void**>(ppUnk));
        return FAILED(imported) ? imported : hr;
      });
    });
  }

 private:
  HRESULT ItemsCall(bool validate, DWORD count, OPCITEMDEF* defs, BOOL blobUpdate, OPCITEMRESULT** ppResults,
                    HRESULT** ppErrors) {
    if (count > kMaxListItems) return E_INVALIDARG;
    auto finish = [=](auto r) -> HRESULT {
      HRESULT hr = r.getHr();
      if (FAILED(hr)) return hr;
      if (ppResults && r.hasResults() && !DecodeItemResults(r.getResults(), count, ppResults))
        return RPC_E_INVALID_DATAPACKET;
      hr = TakeErrors(hr, r, count, ppErrors);
      if (FAILED(hr) && ppResults) {
        FreeItemResults(*ppResults, count);
        *ppResults = nullptr;
      }
      return hr;
    };
    uint8_t outs = (ppResults ? 1 : 0) | (ppErrors ? 2 : 0);
    return Call([&](OpcItemMgt::Client& cap) -> kj::Promise<HRESULT> {
      if (validate) {
        auto request = cap.validateItemsRequest();
        request.setCount(count);
        if (defs) EncodeItemDefs(request.initItems(count), defs);
        request.setBlobUpdate(blobUpdate != FALSE);
        request.setIns(defs ? 1 : 0);
        request.setOuts(outs);
        return request.send().then(finish);
      }
      auto request = cap.addItemsRequest();
      request.setCount(count);
      if (defs) EncodeItemDefs(request.initItems(count), defs);
      request.setIns(defs ? 1 : 0);
      request.setOuts(outs);
      return request.send().then(finish);
    });
  }
  template <class MakeRequest, class Fill>
  HRESULT HandlesCall(DWORD count, OPCHANDLE* handles, HRESULT** ppErrors, MakeRequest make, Fill fill) {
    if (count > kMaxListItems) return E_INVALIDARG;
    return Call([&](OpcItemMgt::Client& cap) {
      auto request = make(cap);
      request.setCount(count);
      if (handles) EncodeNumbers(request.initServers(count), handles);
      request.setWant(ppErrors != nullptr);
      request.setIns(handles ? 1 : 0);
      fill(request);
      return request.send().then([=](auto r) -> HRESULT { return TakeErrors(r.getHr(), r, count, ppErrors); });
    });
  }
};

class CItemMgtStub : public CStub<OpcItemMgt, IOPCItemMgt> {
 public:
  using CStub::CStub;
  kj::Promise<void> addItems(AddItemsContext context) override { return Items(context, false); }
  kj::Promise<void> validateItems(ValidateItemsContext context) override { return Items(context, true); }
  kj::Promise<void> removeItems(RemoveItemsContext context) override {
    return Handles(context, [](IOPCItemMgt* g, DWORD n, OPCHANDLE* h, HRESULT** e) { return g->RemoveItems(n, h, e); });
  }
  kj::Promise<void> setActiveState(SetActiveStateContext context) override {
    BOOL active = context.getParams().getActive() ? TRUE : FALSE;
    return Handles(context, [active](IOPCItemMgt* g, DWORD n, OPCHANDLE* h, HRESULT** e) {
      return g->SetActiveState(n, h, active, e);
    });
  }
  kj::Promise<void> setClientHandles(SetClientHandlesContext context) override {
    auto p = context.getParams();
    auto clients = std::make_shared<DecodedHandles>(Decode([&] { return DecodeHandles(p.getIns() & 2, p.getClients(), p.getCount()); }));
    return Handles(context, [clients](IOPCItemMgt* g, DWORD n, OPCHANDLE* h, HRESULT** e) {
      return g->SetClientHandles(n, h, clients->Data(), e);
    });
  }
  kj::Promise<void> setDatatypes(SetDatatypesContext context) override {
    auto p = context.getParams();
    auto types = std::make_shared<std::vector<VARTYPE>>();
    bool has = p.getIns() & 2;
    Decode([&] {
      if (has) {
        CheckCount(p.getTypes().size(), p.getCount(), "types");
        for (auto t : p.getTypes()) types->push_back(t);
      }
      return 0;
    });
    return Handles(context, [types, has](IOPCItemMgt* g, DWORD n, OPCHANDLE* h, HRESULT** e) {
      VARTYPE none = VT_EMPTY;
      return g->SetDatatypes(n, h, !has ? nullptr : types->empty() ? &none : types->data(), e);
    });
  }
  kj::Promise<void> createEnumerator(CreateEnumeratorContext context) override {
    IID iid = DecodeGuid(context.getParams().getIid());
    bool want = context.getParams().getWant();
    struct Out {
      HRESULT hr;
      StubRefPtr ref;
    };
    return Invoke([=](IOPCItemMgt* g) {
             Out o{E_NOINTERFACE, nullptr};
             if (want && !FindMarshaler(iid)) return o;
             IUnknown* e = nullptr;
             o.hr = g->CreateEnumerator(iid, want ? &e : nullptr);
             o.ref = AdoptOut(e);
             return o;
           })
        .then([this, context, iid](Out o) mutable {
          context.getResults().setHr(o.hr);
          KJ_IF_MAYBE(cap, Export(iid, std::move(o.ref))) { context.getResults().setEnum(*cap); }
        });
  }

 private:
  template <class Context>
  kj::Promise<void> Items(Context& context, bool validate) {
    auto p = context.getParams();
    uint32_t count = p.getCount();
    uint8_t outs = p.getOuts();
    BOOL blobUpdate = FALSE;
    if constexpr (std::is_same_v<Context, ValidateItemsContext>) blobUpdate = p.getBlobUpdate() ? TRUE : FALSE;
    auto defs = std::make_shared<DecodedItemDefs>(Decode([&] { return DecodeItemDefs(p.getIns() & 1, p.getItems(), count); }));
    struct Out {
      HRESULT hr = S_OK;
      ItemResultsOwner results;
      CoTaskPtr<HRESULT> errors;
    };
    return Invoke([=](IOPCItemMgt* g) {
             Out o;
             HRESULT* errors = nullptr;
             o.results.count = count;
             OPCITEMRESULT** pr = (outs & 1) ? &o.results.p : nullptr;
             HRESULT** pe = (outs & 2) ? &errors : nullptr;
             o.hr = validate ? g->ValidateItems(count, defs->Data(), blobUpdate, pr, pe) : g->AddItems(count, defs->Data(), pr, pe);
             o.errors.reset(errors);
             return o;
           })
        .then([context, count](Out o) mutable {
          auto r = context.getResults();
          r.setHr(o.hr);
          if (FAILED(o.hr)) return;
          if (o.results.p) EncodeItemResults(r.initResults(count), o.results.p);
          if (o.errors) EncodeNumbers(r.initErrors(count), o.errors.get());
        });
  }
  template <class Context, class F>
  kj::Promise<void> Handles(Context& context, F call) {
    auto p = context.getParams();
    uint32_t count = p.getCount();
    bool want = p.getWant();
    auto handles = std::make_shared<DecodedHandles>(Decode([&] { return DecodeHandles(p.getIns() & 1, p.getServers(), count); }));
    return Invoke([=](IOPCItemMgt* g) {
             ErrorsOut o;
             HRESULT* errors = nullptr;
             o.hr = call(g, count, handles->Data(), want ? &errors : nullptr);
             o.errors.reset(errors);
             return o;
           })
        .then([context, count](ErrorsOut o) mutable { PutErrors(context.getResults(), o, count); });
  }
};

// ---- IOPCSyncIO ------------------------------------------------------------------------------------------
class CSyncIOProxy : public CProxy<IOPCSyncIO, OpcSyncIO> {
 public:
  using CProxy::CProxy;
  HRESULT Read(OPCDATASOURCE dwSource, DWORD dwCount, OPCHANDLE* phServer, OPCITEMSTATE** ppItemValues,
               HRESULT** ppErrors) override {
    if (dwCount > kMaxListItems) return E_INVALIDARG;
    return Call([&](OpcSyncIO::Client& cap) {
      auto request = cap.readRequest(capnp::MessageSize{kMessageOverheadWords + 1 + ListWords(dwCount, 32), 0});
      request.setIns(phServer ? 1 : 0);
      request.setSource(dwSource);
      request.setCount(dwCount);
      if (phServer) EncodeNumbers(request.initServers(dwCount), phServer);
      request.setOuts((ppItemValues ? 1 : 0) | (ppErrors ? 2 : 0));
      return request.send().then([=](auto r) -> HRESULT {
        HRESULT hr = r.getHr();
        if (FAILED(hr)) return hr;
        if (ppItemValues && r.hasValues() && !DecodeItemStates(r.getValues(), dwCount, ppItemValues))
          return RPC_E_INVALID_DATAPACKET;
        hr = TakeErrors(hr, r, dwCount, ppErrors);
        if (FAILED(hr) && ppItemValues) {
          FreeItemStates(*ppItemValues, dwCount);
          *ppItemValues = nullptr;
        }
        return hr;
      });
    });
  }
  HRESULT Write(DWORD dwCount, OPCHANDLE* phServer, VARIANT* pItemValues, HRESULT** ppErrors) override {
    if (dwCount > kMaxListItems) return E_INVALIDARG;
    return Call([&](OpcSyncIO::Client& cap) -> kj::Promise<HRESULT> {
      auto request = cap.writeRequest();
      request.setIns((phServer ? 1 : 0) | (pItemValues ? 2 : 0));
      request.setCount(dwCount);
      if (phServer) EncodeNumbers(request.initServers(dwCount), phServer);
      if (pItemValues) {
        HRESULT hr = EncodeVariants(request.initValues(dwCount), pItemValues);
        if (FAILED(hr)) return hr;
      }
      request.setWant(ppErrors != nullptr);
      return request.send().then([=](auto r) -> HRESULT { return TakeErrors(r.getHr(), r, dwCount, ppErrors); });
    });
  }
};

class CSyncIOStub : public CStub<OpcSyncIO, IOPCSyncIO> {
 public:
  using CStub::CStub;
  kj::Promise<void> read(ReadContext context) override {
    auto p = context.getParams();
    auto source = static_cast<OPCDATASOURCE>(p.getSource());
    uint32_t count = p.getCount();
    uint8_t outs = p.getOuts();
    auto handles = std::make_shared<DecodedHandles>(Decode([&] { return DecodeHandles(p.getIns() & 1, p.getServers(), count); }));
    struct Out {
      HRESULT hr = S_OK;
      ItemStatesOwner states;
      CoTaskPtr<HRESULT> errors;
    };
    auto call = [=](IOPCSyncIO* io) {
      Out o;
      HRESULT* errors = nullptr;
      o.states.count = count;
      o.hr = io->Read(source, count, handles->Data(), (outs & 1) ? &o.states.p : nullptr, (outs & 2) ? &errors : nullptr);
      o.errors.reset(errors);
      return o;
    };
    // A small cache read only copies values under the group lock: it runs on the loop.
    kj::Promise<Out> done = source == OPC_DS_CACHE && count <= kInlineReadItems ? InvokeHere(call) : Invoke(call);
    return done.then([context, count](Out o) mutable {
          // Sized first: a large reply is built, sent and read as one segment.
          uint64_t words = kMessageOverheadWords;
          if (SUCCEEDED(o.hr) && o.states.p) words += ItemStatesWords(o.states.p, count);
          if (SUCCEEDED(o.hr) && o.errors) words += 1 + ListWords(count, 32);
          auto r = context.getResults(capnp::MessageSize{words, 0});
          r.setHr(o.hr);
          if (FAILED(o.hr)) return;
          if (o.states.p) EncodeItemStates(r.initValues(count), o.states.p);
          if (o.errors) EncodeNumbers(r.initErrors(count), o.errors.get());
        });
  }
  kj::Promise<void> write(WriteContext context) override {
    auto p = context.getParams();
    uint32_t count = p.getCount();
    bool want = p.getWant();
    auto handles = std::make_shared<DecodedHandles>(Decode([&] { return DecodeHandles(p.getIns() & 1, p.getServers(), count); }));
    auto values = std::make_shared<DecodedVariants>(Decode([&] { return DecodeVariants(p.getIns() & 2, p.getValues(), count); }));
    return Invoke([=](IOPCSyncIO* io) {
             ErrorsOut o;
             HRESULT* errors = nullptr;
             o.hr = io->Write(count, handles->Data(), values->Data(), want ? &errors : nullptr);
             o.errors.reset(errors);
             return o;
           })
        .then([context, count](ErrorsOut o) mutable { PutErrors(context.getResults(), o, count); });
  }
};

// ---- IOPCAsyncIO2 (results come through the group's IOPCDataCallback) --------------------------------------
class CAsyncIO2Proxy : public CProxy<IOPCAsyncIO2, opcwire::OpcAsyncIO2> {
 public:
  using CProxy::CProxy;
  HRESULT Read(DWORD dwCount, OPCHANDLE* phServer, DWORD dwTransactionID, DWORD* pdwCancelID, HRESULT** ppErrors) override {
    if (dwCount > kMaxListItems) return E_INVALIDARG;
    return Call([&](opcwire::OpcAsyncIO2::Client& cap) {
      auto request = cap.readRequest();
      request.setCount(dwCount);
      if (phServer) EncodeNumbers(request.initServers(dwCount), phServer);
      request.setTransaction(dwTransactionID);
      request.setIns(phServer ? 1 : 0);
      request.setOuts((pdwCancelID ? 1 : 0) | (ppErrors ? 2 : 0));
      return request.send().then([=](auto r) -> HRESULT { return Finish(r, dwCount, pdwCancelID, ppErrors); });
    });
  }
  HRESULT Write(DWORD dwCount, OPCHANDLE* phServer, VARIANT* pItemValues, DWORD dwTransactionID, DWORD* pdwCancelID,
                HRESULT** ppErrors) override {
    if (dwCount > kMaxListItems) return E_INVALIDARG;
    return Call([&](opcwire::OpcAsyncIO2::Client& cap) -> kj::Promise<HRESULT> {
      auto request = cap.writeRequest();
      request.setCount(dwCount);
      if (phServer) EncodeNumbers(request.initServers(dwCount), phServer);
      if (pItemValues) {
        HRESULT hr = EncodeVariants(request.initValues(dwCount), pItemValues);
        if (FAILED(hr)) return hr;
      }
      request.setTransaction(dwTransactionID);
      request.setIns((phServer ? 1 : 0) | (pItemValues ? 2 : 0));
      request.setOuts((pdwCancelID ? 1 : 0) | (ppErrors ? 2 : 0));
      return request.send().then([=](auto r) -> HRESULT { return Finish(r, dwCount, pdwCancelID, ppErrors); });
    });
  }
  HRESULT Refresh2(OPCDATASOURCE dwSource, DWORD dwTransactionID, DWORD* pdwCancelID) override {
    return Call([&](opcwire::OpcAsyncIO2::Client& cap) {
      auto request = cap.refresh2Request();
      request.setSource(dwSource);
      request.setTransaction(dwTransactionID);
      request.setWant(pdwCancelID != nullptr);
      return request.send().then([pdwCancelID](auto r) -> HRESULT {
        if (pdwCancelID && SUCCEEDED(r.getHr())) *pdwCancelID = r.getCancelId();
        return r.getHr();
      });
    });
  }
  HRESULT Cancel2(DWORD dwCancelID) override {
    return Call([&](opcwire::OpcAsyncIO2::Client& cap) {
      auto request = cap.cancel2Request();
      request.setCancelId(dwCancelID);
      return request.send().then([](auto r) -> HRESULT { return r.getHr(); });
    });
  }
  HRESULT SetEnable(BOOL bEnable) override {
    return Call([&](opcwire::OpcAsyncIO2::Client& cap) {
      auto request = cap.setEnableRequest();
      request.setEnable(bEnable != FALSE);
      return request.send().then([](auto r) -> HRESULT { return r.getHr(); });
    });
  }
  HRESULT GetEnable(BOOL* pbEnable) override {
    return Call([&](opcwire::OpcAsyncIO2::Client& cap) {
      auto request = cap.getEnableRequest();
      request.setWant(pbEnable != nullptr);
      return request.send().then([pbEnable](auto r) -> HRESULT {
        if (pbEnable && SUCCEEDED(r.getHr())) *pbEnable = r.getEnable() ? TRUE : FALSE;
        return r.getHr();
      });
    });
  }

 private:
  template <class Response>
  static HRESULT Finish(Response& r, DWORD count, DWORD* pdwCancelID, HRESULT** ppErrors) {
    HRESULT hr = r.getHr();
    if (FAILED(hr)) return hr;
    if (pdwCancelID) *pdwCancelID = r.getCancelId();
    return TakeErrors(hr, r, count, ppErrors);
  }
};

class CAsyncIO2Stub : public CStub<opcwire::OpcAsyncIO2, IOPCAsyncIO2> {
 public:
  using CStub::CStub;
  struct Out {
    HRESULT hr = S_OK;
    DWORD cancel = 0;
    CoTaskPtr<HRESULT> errors;
  };
  kj::Promise<void> read(ReadContext context) override {
    auto p = context.getParams();
    uint32_t count = p.getCount();
    DWORD transaction = p.getTransaction();
    uint8_t outs = p.getOuts();
    auto handles = std::make_shared<DecodedHandles>(Decode([&] { return DecodeHandles(p.getIns() & 1, p.getServers(), count); }));
    return Invoke([=](IOPCAsyncIO2* io) {
             Out o;
             HRESULT* errors = nullptr;
             o.hr = io->Read(count, handles->Data(), transaction, (outs & 1) ? &o.cancel : nullptr,
                             (outs & 2) ? &errors : nullptr);
             o.errors.reset(errors);
             return o;
           })
        .then([context, count](Out o) mutable { Answer(context.getResults(), o, count); });
  }
  kj::Promise<void> write(WriteContext context) override {
    auto p = context.getParams();
    uint32_t count = p.getCount();
    DWORD transaction = p.getTransaction();
    uint8_t outs = p.getOuts();
    auto handles = std::make_shared<DecodedHandles>(Decode([&] { return DecodeHandles(p.getIns() & 1, p.getServers(), count); }));
    auto values = std::make_shared<DecodedVariants>(Decode([&] { return DecodeVariants(p.getIns() & 2, p.getValues(), count); }));
    return Invoke([=](IOPCAsyncIO2* io) {
             Out o;
             HRESULT* errors = nullptr;
             o.hr = io->Write(count, handles->Data(), values->Data(), transaction, (outs & 1) ? &o.cancel : nullptr,
                              (outs & 2) ? &errors : nullptr);
             o.errors.reset(errors);
             return o;
           })
        .then([context, count](Out o) mutable { Answer(context.getResults(), o, count); });
  }
  kj::Promise<void> refresh2(Refresh2Context context) override {
    auto p = context.getParams();
    auto source = static_cast<OPCDATASOURCE>(p.getSource());
    DWORD transaction = p.getTransaction();
    bool want = p.getWant();
    return Invoke([=](IOPCAsyncIO2* io) {
             Out o;
             o.hr = io->Refresh2(source, transaction, want ? &o.cancel : nullptr);
             return o;
           })
        .then([context](Out o) mutable {
          context.getResults().setHr(o.hr);
          context.getResults().setCancelId(o.cancel);
        });
  }
  kj::Promise<void> cancel2(Cancel2Context context) override {
    DWORD id = context.getParams().getCancelId();
    return Invoke([id](IOPCAsyncIO2* io) { return io->Cancel2(id); }).then([context](HRESULT hr) mutable {
      context.getResults().setHr(hr);
    });
  }
  kj::Promise<void> setEnable(SetEnableContext context) override {
    BOOL enable = context.getParams().getEnable() ? TRUE : FALSE;
    return Invoke([enable](IOPCAsyncIO2* io) { return io->SetEnable(enable); }).then([context](HRESULT hr) mutable {
      context.getResults().setHr(hr);
    });
  }
  kj::Promise<void> getEnable(GetEnableContext context) override {
    bool want = context.getParams().getWant();
    struct Enabled {
      HRESULT hr;
      BOOL enable;
    };
    return Invoke([want](IOPCAsyncIO2* io) {
             Enabled e{S_OK, FALSE};
             e.hr = io->GetEnable(want ? &e.enable : nullptr);
             return e;
           })
        .then([context](Enabled e) mutable {
          context.getResults().setHr(e.hr);
          context.getResults().setEnable(e.enable != FALSE);
        });
  }

 private:
  template <class Results>
  static void Answer(Results r, Out& o, uint32_t count) {
    r.setHr(o.hr);
    r.setCancelId(o.cancel);
    if (SUCCEEDED(o.hr) && o.errors) EncodeNumbers(r.initErrors(count), o.errors.get());
  }
};

// ---- IOPCAsyncIO (OPC 1.0; results through the group's IDataObject) --------------------------------------
class CAsyncIOProxy : public CProxy<IOPCAsyncIO, opcwire::OpcAsyncIO> {
 public:
  using CProxy::CProxy;
  HRESULT Read(DWORD dwConnection, OPCDATASOURCE dwSource, DWORD dwCount, OPCHANDLE* phServer, DWORD* pTransactionID,
               HRESULT** ppErrors) override {
    if (dwCount > kMaxListItems) return E_INVALIDARG;
    return Call([&](opcwire::OpcAsyncIO::Client& cap) {
      auto request = cap.readRequest();
      request.setConnection(dwConnection);
      request.setSource(dwSource);
      request.setCount(dwCount);
      if (phServer) EncodeNumbers(request.initServers(dwCount), phServer);
      request.setIns(phServer ? 1 : 0);
      request.setOuts((pTransactionID ? 1 : 0) | (ppErrors ? 2 : 0));
      return request.send().then([=](auto r) -> HRESULT { return Finish(r, dwCount, pTransactionID, ppErrors); });
    });
  }
  HRESULT Write(DWORD dwConnection, DWORD dwCount, OPCHANDLE* phServer, VARIANT* pItemValues, DWORD* pTransactionID,
                HRESULT** ppErrors) override {
    if (dwCount > kMaxListItems) return E_INVALIDARG;
    return Call([&](opcwire::OpcAsyncIO::Client& cap) -> kj::Promise<HRESULT> {
      auto request = cap.writeRequest();
      request.setConnection(dwConnection);
      request.setCount(dwCount);
      if (phServer) EncodeNumbers(request.initServers(dwCount), phServer);
      if (pItemValues) {
        HRESULT hr = EncodeVariants(request.initValues(dwCount), pItemValues);
        if (FAILED(hr)) return hr;
      }
      request.setIns((phServer ? 1 : 0) | (pItemValues ? 2 : 0));
      request.setOuts((pTransactionID ? 1 : 0) | (ppErrors ? 2 : 0));
      return request.send().then([=](auto r) -> HRESULT { return Finish(r, dwCount, pTransactionID, ppErrors); });
    });
  }
  HRESULT Refresh(DWORD dwConnection, OPCDATASOURCE dwSource, DWORD* pTransactionID) override {
    return Call([&](opcwire::OpcAsyncIO::Client& cap) {
      auto request = cap.refreshRequest();
      request.setConnection(dwConnection);
      request.setSource(dwSource);
      request.setWant(pTransactionID != nullptr);
      return request.send().then([pTransactionID](auto r) -> HRESULT {
        if (pTransactionID && SUCCEEDED(r.getHr())) *pTransactionID = r.getTransaction();
        return r.getHr();
      });
    });
  }
  HRESULT Cancel(DWORD dwTransactionID) override {
    return Call([&](opcwire::OpcAsyncIO::Client& cap) {
      auto request = cap.cancelRequest();
      request.setTransaction(dwTransactionID);
      return request.send().then([](auto r) -> HRESULT { return r.getHr(); });
    });
  }

 private:
  template <class Response>
  static HRESULT Finish(Response& r, DWORD count, DWORD* pTransactionID, HRESULT** ppErrors) {
    HRESULT hr = r.getHr();
    if (FAILED(hr)) return hr;
    if (pTransactionID) *pTransactionID = r.getTransaction();
    return TakeErrors(hr, r, count, ppErrors);
  }
};

class CAsyncIOStub : public CStub<opcwire::OpcAsyncIO, IOPCAsyncIO> {
 public:
  using CStub::CStub;
  struct Out {
    HRESULT hr = S_OK;
    DWORD transaction = 0;
    CoTaskPtr<HRESULT> errors;
  };
  kj::Promise<void> read(ReadContext context) override {
    auto p = context.getParams();
    DWORD connection = p.getConnection();
    auto source = static_cast<OPCDATASOURCE>(p.getSource());
    uint32_t count = p.getCount();
    uint8_t outs = p.getOuts();
    auto handles = std::make_shared<DecodedHandles>(Decode([&] { return DecodeHandles(p.getIns() & 1, p.getServers(), count); }));
    return Invoke([=](IOPCAsyncIO* io) {
             Out o;
             HRESULT* errors = nullptr;
             o.hr = io->Read(connection, source, count, handles->Data(), (outs & 1) ? &o.transaction : nullptr,
                             (outs & 2) ? &errors : nullptr);
             o.errors.reset(errors);
             return o;
           })
        .then([context, count](Out o) mutable { Answer(context.getResults(), o, count); });
  }
  kj::Promise<void> write(WriteContext context) override {
    auto p = context.getParams();
    DWORD connection = p.getConnection();
    uint32_t count = p.getCount();
    uint8_t outs = p.getOuts();
    auto handles = std::make_shared<DecodedHandles>(Decode([&] { return DecodeHandles(p.getIns() & 1, p.getServers(), count); }));
    auto values = std::make_shared<DecodedVariants>(Decode([&] { return DecodeVariants(p.getIns() & 2, p.getValues(), count); }));
    return Invoke([=](IOPCAsyncIO* io) {
             Out o;
             HRESULT* errors = nullptr;
             o.hr = io->Write(connection, count, handles->Data(), values->Data(), (outs & 1) ? &o.transaction : nullptr,
                              (outs & 2) ? &errors : nullptr);
             o.errors.reset(errors);
             return o;
           })
        .then([context, count](Out o) mutable { Answer(context.getResults(), o, count); });
  }
  kj::Promise<void> refresh(RefreshContext context) override {
    auto p = context.getParams();
    DWORD connection = p.getConnection();
    auto source = static_cast<OPCDATASOURCE>(p.getSource());
    bool want = p.getWant();
    return Invoke([=](IOPCAsyncIO* io) {
             Out o;
             o.hr = io->Refresh(connection, source, want ? &o.transaction : nullptr);
             return o;
           })
        .then([context](Out o) mutable {
          context.getResults().setHr(o.hr);
          context.getResults().setTransaction(o.transaction);
        });
  }
  kj::Promise<void> cancel(CancelContext context) override {
    DWORD id = context.getParams().getTransaction();
    return Invoke([id](IOPCAsyncIO* io) { return io->Cancel(id); }).then([context](HRESULT hr) mutable {
      context.getResults().setHr(hr);
    });
  }

 private:
  template <class Results>
  static void Answer(Results r, Out& o, uint32_t count) {
    r.setHr(o.hr);
    r.setTransaction(o.transaction);
    if (SUCCEEDED(o.hr) && o.errors) EncodeNumbers(r.initErrors(count), o.errors.get());
  }
};

// ---- IEnumOPCItemAttributes (Next hands out a CoTaskMem array) ---------------------------------------------
void FreeAttributes(OPCITEMATTRIBUTES* a, size_t n) {
  if (!a) return;
  for (size_t i = 0; i < n; ++i) {
    CoTaskMemFree(a[i].szAccessPath);
    CoTaskMemFree(a[i].szItemID);
    CoTaskMemFree(a[i].pBlob);
    VariantClear(&a[i].vEUInfo);
  }
  CoTaskMemFree(a);
}

class CEnumItemAttributesProxy : public CProxy<IEnumOPCItemAttributes, EnumOpcItemAttributes> {
 public:
  using CProxy::CProxy;
  HRESULT Next(ULONG celt, OPCITEMATTRIBUTES** ppItemArray, ULONG* pceltFetched) override {
    if (pceltFetched) *pceltFetched = 0;
    if (!ppItemArray || !pceltFetched) return E_POINTER;
    *ppItemArray = nullptr;
    return Call([&](EnumOpcItemAttributes::Client& cap) {
      auto request = cap.nextRequest();
      request.setCount(celt);
      return request.send().then([=](auto r) -> HRESULT {
        HRESULT hr = r.getHr();
        if (FAILED(hr)) return hr;
        auto items = r.getItems();
        if (items.size() > celt) return RPC_E_INVALID_DATAPACKET;
        OPCITEMATTRIBUTES* a = CoTaskArray<OPCITEMATTRIBUTES>(items.size());
        if (!a) return E_OUTOFMEMORY;
        try {
          for (unsigned i = 0; i < items.size(); ++i) {
            auto w = items[i];
            if (w.hasAccessPath()) a[i].szAccessPath = CoTaskTextFromWire(w.getAccessPath());
            if (w.hasItemId()) a[i].szItemID = CoTaskTextFromWire(w.getItemId());
            a[i].bActive = w.getActive() ? TRUE : FALSE;
            a[i].hClient = w.getClient();
            a[i].hServer = w.getServer();
            a[i].dwAccessRights = w.getAccessRights();
            auto blob = w.getBlob();
            if (blob.size()) {
              a[i].pBlob = CoTaskArray<BYTE>(blob.size());
              if (a[i].pBlob) std::memcpy(a[i].pBlob, blob.begin(), blob.size());
              a[i].dwBlobSize = static_cast<DWORD>(blob.size());
            }
            a[i].vtRequestedDataType = w.getRequestedType();
            a[i].vtCanonicalDataType = w.getCanonicalType();
            a[i].dwEUType = static_cast<OPCEUTYPE>(w.getEuType());
            DecodeVariant(w.getEuInfo(), &a[i].vEUInfo);
          }
        } catch (...) {
          FreeAttributes(a, items.size());
          throw;
        }
        *ppItemArray = a;
        *pceltFetched = items.size();
        return hr;
      });
    });
  }
  HRESULT Skip(ULONG celt) override {
    return Call([&](EnumOpcItemAttributes::Client& cap) {
      auto request = cap.skipRequest();
      request.setCount(celt);
      return request.send().then([](auto r) -> HRESULT { return r.getHr(); });
    });
  }
  HRESULT Reset() override {
    return Call([&](EnumOpcItemAttributes::Client& cap) {
      return cap.resetRequest().send().then([](auto r) -> HRESULT { return r.getHr(); });
    });
  }
  HRESULT Clone(IEnumOPCItemAttributes** ppEnum) override {
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    return Call([&](EnumOpcItemAttributes::Client& cap) {
      return cap.cloneRequest().send().then([this, ppEnum](auto r) -> HRESULT {
        HRESULT hr = r.getHr();
        if (FAILED(hr) || !r.hasEnum()) return FAILED(hr) ? hr : E_UNEXPECTED;
        return Import(IID_IEnumOPCItemAttributes, r.getEnum(), reinterpret_cast<void**>(ppEnum));
      });
    });
  }
};

class CEnumItemAttributesStub : public CStub<EnumOpcItemAttributes, IEnumOPCItemAttributes> {
 public:
  using CStub::CStub;
  kj::Promise<void> next(NextContext context) override {
    uint32_t count = Decode([&] {
      uint32_t n = context.getParams().getCount();
      CheckBound(n, "enumerator count");
      return n;
    });
    struct Out {
      HRESULT hr = S_OK;
      OPCITEMATTRIBUTES* items = nullptr;
      ULONG fetched = 0;
      Out() = default;
      Out(Out&& o) noexcept : hr(o.hr), items(o.items), fetched(o.fetched) { o.items = nullptr; }
      ~Out() { FreeAttributes(items, fetched); }
    };
    return Invoke([count](IEnumOPCItemAttributes* e) {
             Out o;
             o.hr = e->Next(count, &o.items, &o.fetched);
             if (o.fetched > count) o.fetched = count;
             return o;
           })
        .then([context](Out o) mutable {
          auto r = context.getResults();
          r.setHr(o.hr);
          if (FAILED(o.hr) || !o.items) return;
          auto list = r.initItems(o.fetched);
          for (unsigned i = 0; i < o.fetched; ++i) {
            const OPCITEMATTRIBUTES& a = o.items[i];
            auto w = list[i];
            if (a.szAccessPath) w.setAccessPath(TextToWire(a.szAccessPath));
            if (a.szItemID) w.setItemId(TextToWire(a.szItemID));
            w.setActive(a.bActive != FALSE);
            w.setClient(a.hClient);
            w.setServer(a.hServer);
            w.setAccessRights(a.dwAccessRights);
            if (a.pBlob && a.dwBlobSize) w.setBlob(capnp::Data::Reader(a.pBlob, a.dwBlobSize));
            w.setRequestedType(a.vtRequestedDataType);
            w.setCanonicalType(a.vtCanonicalDataType);
            w.setEuType(a.dwEUType);
            if (FAILED(EncodeVariant(w.initEuInfo(), a.vEUInfo))) w.getEuInfo().setEmpty();
          }
        });
  }
  kj::Promise<void> skip(SkipContext context) override {
    ULONG n = context.getParams().getCount();
    return Invoke([n](IEnumOPCItemAttributes* e) { return e->Skip(n); })
        .then([context](HRESULT hr) mutable { context.getResults().setHr(hr); });
  }
  kj::Promise<void> reset(ResetContext context) override {
    return Invoke([](IEnumOPCItemAttributes* e) { return e->Reset(); })
        .then([context](HRESULT hr) mutable { context.getResults().setHr(hr); });
  }
  kj::Promise<void> clone(CloneContext context) override {
    struct Out {
      HRESULT hr;
      StubRefPtr ref;
    };
    return Invoke([](IEnumOPCItemAttributes* e) {
             IEnumOPCItemAttributes* copy = nullptr;
             Out o{e->Clone(&copy), nullptr};
             o.ref = AdoptOut(copy);
             return o;
           })
        .then([this, context](Out o) mutable {
          context.getResults().setHr(o.hr);
          KJ_IF_MAYBE(cap, Export(IID_IEnumOPCItemAttributes, std::move(o.ref))) {
            context.getResults().setEnum(cap->castAs<EnumOpcItemAttributes>());
          }
        });
  }
};

}  // namespace

void RegisterOpcGroupMarshalers() {
  RegisterMarshaler(MakeMarshaler<OpcGroupStateMgt, CGroupStateMgtProxy, CGroupStateMgtStub>(IID_IOPCGroupStateMgt));
  RegisterMarshaler(MakeMarshaler<OpcItemMgt, CItemMgtProxy, CItemMgtStub>(IID_IOPCItemMgt));
  RegisterMarshaler(MakeMarshaler<OpcSyncIO, CSyncIOProxy, CSyncIOStub>(IID_IOPCSyncIO));
  RegisterMarshaler(MakeMarshaler<opcwire::OpcAsyncIO2, CAsyncIO2Proxy, CAsyncIO2Stub>(IID_IOPCAsyncIO2));
  RegisterMarshaler(MakeMarshaler<opcwire::OpcAsyncIO, CAsyncIOProxy, CAsyncIOStub>(IID_IOPCAsyncIO));
  RegisterMarshaler(MakeMarshaler<EnumOpcItemAttributes, CEnumItemAttributesProxy, CEnumItemAttributesStub>(
      IID_IEnumOPCItemAttributes));
}

}  // namespace tessaly::rpc
