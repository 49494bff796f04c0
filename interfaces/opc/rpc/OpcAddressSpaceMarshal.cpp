// The server's address space: IOPCBrowseServerAddressSpace and IOPCItemProperties.
#include "interfaces/opc/rpc/OpcMarshalers.h"
#include "interfaces/opc/rpc/OpcWire.h"
#include "platform/com/Variant.h"
#include "platform/rpc/InterfaceRegistry.h"
#include "platform/rpc/Proxy.h"

namespace tessaly::rpc {

namespace {

using opcwire::OpcBrowseServerAddressSpace;
using opcwire::OpcItemProperties;

// An optional text parameter on the server side: the string and whether it was a null pointer.
struct OptionalText {
  bool present = false;
  std::wstring text;
  LPWSTR Data() { return present ? text.data() : nullptr; }
};
template <class Params, class Has, class Get>
OptionalText TakeText(Params p, Has has, Get get) {
  OptionalText t;
  t.present = (p.*has)();
  if (t.present) t.text = TextFromWire((p.*get)());
  return t;
}

class CBrowseProxy : public CProxy<IOPCBrowseServerAddressSpace, OpcBrowseServerAddressSpace> {
 public:
  using CProxy::CProxy;
  HRESULT QueryOrganization(OPCNAMESPACETYPE* pNameSpaceType) override {
    return Call([&](OpcBrowseServerAddressSpace::Client& cap) {
      auto request = cap.queryOrganizationRequest();
      request.setWant(pNameSpaceType != nullptr);
      return request.send().then([pNameSpaceType](auto r) -> HRESULT {
        if (pNameSpaceType && SUCCEEDED(r.getHr())) *pNameSpaceType = static_cast<OPCNAMESPACETYPE>(r.getOrganization());
        return r.getHr();
      });
    });
  }
  HRESULT ChangeBrowsePosition(OPCBROWSEDIRECTION dwBrowseDirection, LPCWSTR szString) override {
    return Call([&](OpcBrowseServerAddressSpace::Client& cap) {
      auto request = cap.changeBrowsePositionRequest();
      request.setDirection(dwBrowseDirection);
      if (szString) request.setPosition(TextToWire(szString));
      return request.send().then([](auto r) -> HRESULT { return r.getHr(); });
    });
  }
  HRESULT BrowseOPCItemIDs(OPCBROWSETYPE dwBrowseFilterType, LPCWSTR szFilterCriteria, VARTYPE vtDataTypeFilter,
                           DWORD dwAccessRightsFilter, LPENUMSTRING* ppIEnumString) override {
    if (ppIEnumString) *ppIEnumString = nullptr;
    return Call([&](OpcBrowseServerAddressSpace::Client& cap) {
      auto request = cap.browseOpcItemIdsRequest();
      request.setFilterType(dwBrowseFilterType);
      if (szFilterCriteria) request.setFilter(TextToWire(szFilterCriteria));
      request.setDataType(vtDataTypeFilter);
      request.setAccessRights(dwAccessRightsFilter);
      request.setWant(ppIEnumString != nullptr);
      return request.send().then([this, ppIEnumString](auto r) -> HRESULT { return TakeEnum(r, ppIEnumString); });
    });
  }
  HRESULT GetItemID(LPWSTR szItemDataID, LPWSTR* szItemID) override {
    return Call([&](OpcBrowseServerAddressSpace::Client& cap) {
      auto request = cap.getItemIdRequest();
      if (szItemDataID) request.setDataId(TextToWire(szItemDataID));
      request.setWant(szItemID != nullptr);
      return request.send().then([szItemID](auto r) -> HRESULT {
        HRESULT hr = r.getHr();
        if (szItemID && SUCCEEDED(hr)) {
          *szItemID = r.hasItemId() ? CoTaskTextFromWire(r.getItemId()) : nullptr;
          if (r.hasItemId() && !*szItemID) return E_OUTOFMEMORY;
        }
        return hr;
      });
    });
  }
  HRESULT BrowseAccessPaths(LPCWSTR szItemID, LPENUMSTRING* ppIEnumString) override {
    if (ppIEnumString) *ppIEnumString = nullptr;
    return Call([&](OpcBrowseServerAddressSpace::Client& cap) {
      auto request = cap.browseAccessPathsRequest();
      if (szItemID) request.setItemId(TextToWire(szItemID));
      request.setWant(ppIEnumString != nullptr);
      return request.send().then([this, ppIEnumString](auto r) -> HRESULT { return TakeEnum(r, ppIEnumString); });
    });
  }

 private:
  template <class Response>
  HRESULT TakeEnum(Response& r, LPENUMSTRING* out) {
    HRESULT hr = r.getHr();
    if (!out || FAILED(hr) || !r.hasEnum()) return hr;
    HRESULT imported = Import(IID_IEnumString, r.getEnum(), reinterpret_cast<void**>(out));
    return FAILED(imported) ? imported : hr;
  }
};

class CBrowseStub : public CStub<OpcBrowseServerAddressSpace, IOPCBrowseServerAddressSpace> {
 public:
  using CStub::CStub;
  kj::Promise<void> queryOrganization(QueryOrganizationContext context) override {
    bool want = context.getParams().getWant();
    struct Out {
      HRESULT hr;
      OPCNAMESPACETYPE type;
    };
    return Invoke([want](IOPCBrowseServerAddressSpace* b) {
             Out o{S_OK, OPC_NS_FLAT};
             o.hr = b->QueryOrganization(want ? &o.type : nullptr);
             return o;
           })
        .then([context](Out o) mutable {
          context.getResults().setHr(o.hr);
          context.getResults().setOrganization(o.type);
        });
  }
  kj::Promise<void> changeBrowsePosition(ChangeBrowsePositionContext context) override {
    auto p = context.getParams();
    auto direction = static_cast<OPCBROWSEDIRECTION>(p.getDirection());
    auto position = std::make_shared<OptionalText>(Decode([&] {
      return TakeText(p, &decltype(p)::hasPosition, &decltype(p)::getPosition);
    }));
    return Invoke([=](IOPCBrowseServerAddressSpace* b) { return b->ChangeBrowsePosition(direction, position->Data()); })
        .then([context](HRESULT hr) mutable { context.getResults().setHr(hr); });
  }
  kj::Promise<void> browseOpcItemIds(BrowseOpcItemIdsContext context) override {
    auto p = context.getParams();
    auto type = static_cast<OPCBROWSETYPE>(p.getFilterType());
    VARTYPE vt = p.getDataType();
    DWORD rights = p.getAccessRights();
    bool want = p.getWant();
    auto filter = std::make_shared<OptionalText>(Decode([&] {
      return TakeText(p, &decltype(p)::hasFilter, &decltype(p)::getFilter);
    }));
    return EnumCall(context, [=](IOPCBrowseServerAddressSpace* b, LPENUMSTRING* e) {
      return b->BrowseOPCItemIDs(type, filter->Data(), vt, rights, want ? e : nullptr);
    });
  }
  kj::Promise<void> getItemId(GetItemIdContext context) override {
    auto p = context.getParams();
    bool want = p.getWant();
    auto id = std::make_shared<OptionalText>(Decode([&] { return TakeText(p, &decltype(p)::hasDataId, &decltype(p)::getDataId); }));
    struct Out {
      HRESULT hr;
      CoTaskPtr<wchar_t> id;
    };
    return Invoke([=](IOPCBrowseServerAddressSpace* b) {
             LPWSTR result = nullptr;
             Out o{b->GetItemID(id->Data(), want ? &result : nullptr), CoTaskPtr<wchar_t>(result)};
             return o;
           })
        .then([context](Out o) mutable {
          context.getResults().setHr(o.hr);
          if (o.id) context.getResults().setItemId(TextToWire(o.id.get()));
        });
  }
  kj::Promise<void> browseAccessPaths(BrowseAccessPathsContext context) override {
    auto p = context.getParams();
    bool want = p.getWant();
    auto id = std::make_shared<OptionalText>(Decode([&] { return TakeText(p, &decltype(p)::hasItemId, &decltype(p)::getItemId); }));
    return EnumCall(context, [=](IOPCBrowseServerAddressSpace* b, LPENUMSTRING* e) {
      return b->BrowseAccessPaths(id->Data(), want ? e : nullptr);
    });
  }

 private:
  template <class Context, class F>
  kj::Promise<void> EnumCall(Context& context, F call) {
    struct Out {
      HRESULT hr;
      StubRefPtr ref;
    };
    return Invoke([call](IOPCBrowseServerAddressSpace* b) {
             LPENUMSTRING e = nullptr;
             Out o{call(b, &e), nullptr};
             o.ref = AdoptOut(e);
             return o;
           })
        .then([this, context](Out o) mutable {
          context.getResults().setHr(o.hr);
          KJ_IF_MAYBE(cap, Export(IID_IEnumString, std::move(o.ref))) {
            context.getResults().setEnum(cap->template castAs<wire::EnumString>());
          }
        });
  }
};

class CItemPropertiesProxy : public CProxy<IOPCItemProperties, OpcItemProperties> {
 public:
  using CProxy::CProxy;
  HRESULT QueryAvailableProperties(LPWSTR szItemID, DWORD* pdwCount, DWORD** ppPropertyIDs, LPWSTR** ppDescriptions,
                                   VARTYPE** ppvtDataTypes) override {
    return Call([&](OpcItemProperties::Client& cap) {
      auto request = cap.queryAvailablePropertiesRequest();
      if (szItemID) request.setItemId(TextToWire(szItemID));
      request.setOuts((pdwCount ? 1 : 0) | (ppPropertyIDs ? 2 : 0) | (ppDescriptions ? 4 : 0) | (ppvtDataTypes ? 8 : 0));
      return request.send().then([=](auto r) -> HRESULT {
        HRESULT hr = r.getHr();
        if (FAILED(hr)) return hr;
        uint32_t n = r.getCount();
        if (n > kMaxListItems) return RPC_E_INVALID_DATAPACKET;
        DWORD* ids = nullptr;
        VARTYPE* types = nullptr;
        LPWSTR* texts = nullptr;
        if ((ppPropertyIDs && !DecodeNumbers(r.hasIds(), r.getIds(), n, &ids)) ||
            (ppvtDataTypes && !DecodeNumbers(r.hasTypes(), r.getTypes(), n, &types)) ||
            (ppDescriptions && r.hasDescriptions() && r.getDescriptions().size() != n)) {
          CoTaskMemFree(ids);
          CoTaskMemFree(types);
          return RPC_E_INVALID_DATAPACKET;
        }
        if (ppDescriptions && r.hasDescriptions()) {
          texts = CoTaskArray<LPWSTR>(n);
          for (uint32_t i = 0; texts && i < n; ++i) texts[i] = CoTaskTextFromWire(r.getDescriptions()[i]);
        }
        if (pdwCount) *pdwCount = n;
        if (ppPropertyIDs) *ppPropertyIDs = ids;
        if (ppvtDataTypes) *ppvtDataTypes = types;
        if (ppDescriptions) *ppDescriptions = texts;
        return hr;
      });
    });
  }
  HRESULT GetItemProperties(LPWSTR szItemID, DWORD dwCount, DWORD* pdwPropertyIDs, VARIANT** ppvData,
                            HRESULT** ppErrors) override {
    if (dwCount > kMaxListItems) return E_INVALIDARG;
    return Call([&](OpcItemProperties::Client& cap) {
      auto request = cap.getItemPropertiesRequest();
      FillIds(request, szItemID, dwCount, pdwPropertyIDs, ppvData != nullptr, ppErrors != nullptr);
      return request.send().then([=](auto r) -> HRESULT {
        HRESULT hr = r.getHr();
        if (FAILED(hr)) return hr;
        VariantsOwner values;
        if (ppvData && r.hasValues()) {
          if (r.getValues().size() != dwCount) return RPC_E_INVALID_DATAPACKET;
          values.p = CoTaskArray<VARIANT>(dwCount);
          if (!values.p) return E_OUTOFMEMORY;
          values.count = dwCount;
          for (DWORD i = 0; i < dwCount; ++i) DecodeVariant(r.getValues()[i], &values.p[i]);
        }
        HRESULT* errors = nullptr;
        if (ppErrors && !DecodeNumbers(r.hasErrors(), r.getErrors(), dwCount, &errors)) return RPC_E_INVALID_DATAPACKET;
        if (ppvData) {
          *ppvData = values.p;
          values.p = nullptr;
        }
        if (ppErrors) *ppErrors = errors;
        return hr;
      });
    });
  }
  HRESULT LookupItemIDs(LPWSTR szItemID, DWORD dwCount, DWORD* pdwPropertyIDs, LPWSTR** ppszNewItemIDs,
                        HRESULT** ppErrors) override {
    if (dwCount > kMaxListItems) return E_INVALIDARG;
    return Call([&](OpcItemProperties::Client& cap) {
      auto request = cap.lookupItemIdsRequest();
      FillIds(request, szItemID, dwCount, pdwPropertyIDs, ppszNewItemIDs != nullptr, ppErrors != nullptr);
      return request.send().then([=](auto r) -> HRESULT {
        HRESULT hr = r.getHr();
        if (FAILED(hr)) return hr;
        HRESULT* errors = nullptr;
        if ((ppszNewItemIDs && r.hasItemIds() && r.getItemIds().size() != dwCount) ||
            (ppErrors && !DecodeNumbers(r.hasErrors(), r.getErrors(), dwCount, &errors)))
          return RPC_E_INVALID_DATAPACKET;
        LPWSTR* ids = nullptr;
        if (ppszNewItemIDs && r.hasItemIds()) {
          ids = CoTaskArray<LPWSTR>(dwCount);
          for (DWORD i = 0; ids && i < dwCount; ++i)
            ids[i] = r.getItemIds()[i].size() ? CoTaskTextFromWire(r.getItemIds()[i]) : nullptr;
        }
        if (ppszNewItemIDs) *ppszNewItemIDs = ids;
        if (ppErrors) *ppErrors = errors;
        return hr;
      });
    });
  }

 private:
  template <class Request>
  static void FillIds(Request& request, LPWSTR item, DWORD count, DWORD* ids, bool wantFirst, bool wantErrors) {
    if (item) request.setItemId(TextToWire(item));
    request.setCount(count);
    if (ids) EncodeNumbers(request.initIds(count), ids);
    request.setIns(ids ? 1 : 0);
    request.setOuts((wantFirst ? 1 : 0) | (wantErrors ? 2 : 0));
  }
};

class CItemPropertiesStub : public CStub<OpcItemProperties, IOPCItemProperties> {
 public:
  using CStub::CStub;
  kj::Promise<void> queryAvailableProperties(QueryAvailablePropertiesContext context) override {
    auto p = context.getParams();
    uint8_t outs = p.getOuts();
    auto id = std::make_shared<OptionalText>(Decode([&] { return TakeText(p, &decltype(p)::hasItemId, &decltype(p)::getItemId); }));
    struct Out {
      HRESULT hr = S_OK;
      DWORD count = 0;
      CoTaskPtr<DWORD> ids;
      LPWSTR* texts = nullptr;
      CoTaskPtr<VARTYPE> types;
      Out() = default;
      Out(Out&& o) noexcept : hr(o.hr), count(o.count), ids(std::move(o.ids)), texts(o.texts), types(std::move(o.types)) {
        o.texts = nullptr;
      }
      ~Out() {
        for (DWORD i = 0; texts && i < count; ++i) CoTaskMemFree(texts[i]);
        CoTaskMemFree(texts);
      }
    };
    return Invoke([=](IOPCItemProperties* props) {
             Out o;
             DWORD* ids = nullptr;
             VARTYPE* types = nullptr;
             o.hr = props->QueryAvailableProperties(id->Data(), (outs & 1) ? &o.count : nullptr, (outs & 2) ? &ids : nullptr,
                                                    (outs & 4) ? &o.texts : nullptr, (outs & 8) ? &types : nullptr);
             o.ids.reset(ids);
             o.types.reset(types);
             return o;
           })
        .then([context](Out o) mutable {
          auto r = context.getResults();
          r.setHr(o.hr);
          if (FAILED(o.hr) || o.count > kMaxListItems) return;
          r.setCount(o.count);
          if (o.ids) EncodeNumbers(r.initIds(o.count), o.ids.get());
          if (o.types) EncodeNumbers(r.initTypes(o.count), o.types.get());
          if (o.texts) {
            auto list = r.initDescriptions(o.count);
            for (DWORD i = 0; i < o.count; ++i) list.set(i, TextToWire(o.texts[i]));
          }
        });
  }
  kj::Promise<void> getItemProperties(GetItemPropertiesContext context) override {
    auto p = context.getParams();
    auto in = std::make_shared<IdsIn>(DecodeIds(p));
    struct Out {
      HRESULT hr = S_OK;
      VariantsOwner values;
      CoTaskPtr<HRESULT> errors;
    };
    return Invoke([in](IOPCItemProperties* props) {
             Out o;
             HRESULT* errors = nullptr;
             o.values.count = in->count;
             o.hr = props->GetItemProperties(in->item.Data(), in->count, in->ids.Data(),
                                             (in->outs & 1) ? &o.values.p : nullptr, (in->outs & 2) ? &errors : nullptr);
             o.errors.reset(errors);
             return o;
           })
        .then([context](Out o) mutable {
          auto r = context.getResults();
          r.setHr(o.hr);
          if (FAILED(o.hr)) return;
          uint32_t n = static_cast<uint32_t>(o.values.count);
          if (o.values.p) {
            auto list = r.initValues(n);
            for (uint32_t i = 0; i < n; ++i)
              if (FAILED(EncodeVariant(list[i], o.values.p[i]))) list[i].setEmpty();
          }
          if (o.errors) EncodeNumbers(r.initErrors(n), o.errors.get());
        });
  }
  kj::Promise<void> lookupItemIds(LookupItemIdsContext context) override {
    auto p = context.getParams();
    auto in = std::make_shared<IdsIn>(DecodeIds(p));
    struct Out {
      HRESULT hr = S_OK;
      StringsOwner ids;
      CoTaskPtr<HRESULT> errors;
    };
    return Invoke([in](IOPCItemProperties* props) {
             Out o;
             HRESULT* errors = nullptr;
             o.ids.count = in->count;
             o.hr = props->LookupItemIDs(in->item.Data(), in->count, in->ids.Data(), (in->outs & 1) ? &o.ids.p : nullptr,
                                         (in->outs & 2) ? &errors : nullptr);
             o.errors.reset(errors);
             return o;
           })
        .then([context](Out o) mutable {
          auto r = context.getResults();
          r.setHr(o.hr);
          if (FAILED(o.hr)) return;
          uint32_t n = static_cast<uint32_t>(o.ids.count);
          if (o.ids.p) {
            auto list = r.initItemIds(n);
            for (uint32_t i = 0; i < n; ++i) list.set(i, TextToWire(o.ids.p[i]));
          }
          if (o.errors) EncodeNumbers(r.initErrors(n), o.errors.get());
        });
  }

 private:
  struct IdsIn {
    OptionalText item;
    uint32_t count = 0;
    DecodedHandles ids;
    uint8_t outs = 0;
  };
  template <class Params>
  IdsIn DecodeIds(Params p) {
    return Decode([&] {
      IdsIn in;
      in.item = TakeText(p, &Params::hasItemId, &Params::getItemId);
      in.count = p.getCount();
      in.ids = DecodeHandles(p.getIns() & 1, p.getIds(), in.count);
      in.outs = p.getOuts();
      return in;
    });
  }
};

}  // namespace

void RegisterOpcAddressSpaceMarshalers() {
  RegisterMarshaler(MakeMarshaler<OpcBrowseServerAddressSpace, CBrowseProxy, CBrowseStub>(IID_IOPCBrowseServerAddressSpace));
  RegisterMarshaler(MakeMarshaler<OpcItemProperties, CItemPropertiesProxy, CItemPropertiesStub>(IID_IOPCItemProperties));
}

}  // namespace tessaly::rpc
