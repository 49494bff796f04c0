// Proxy and stub of an IEnumXXX interface, the same for every enumerator but for how one item
// travels. A codec gives:
//   Item                       what Next hands out (LPOLESTR, IUnknown*, CONNECTDATA, ...)
//   Prepared                   an item made ready on the worker (strings copied, references wrapped)
//   Prepare(Item&) -> Prepared on the worker; the item is used up
//   ToWire(items builder, index, Prepared&, connection)   on the loop
//   FromWire(items reader, index, Item*, connection)      on the loop, caller's process
//   Destroy(Item*)             undoes a FromWire (when a later item fails)
#pragma once

#include <vector>

#include "platform/rpc/Proxy.h"
#include "platform/rpc/Stub.h"

namespace tessaly::rpc {

template <class IEnum, class W, class Codec>
class CEnumProxy : public CProxy<IEnum, W> {
 public:
  using Item = typename Codec::Item;
  using CProxy<IEnum, W>::CProxy;

  HRESULT Next(ULONG celt, Item* rgelt, ULONG* pceltFetched) override {
    if (pceltFetched) *pceltFetched = 0;
    if (!rgelt || (celt != 1 && !pceltFetched)) return rgelt ? E_INVALIDARG : E_POINTER;
    return this->Call([&](typename W::Client& cap) {
      auto request = cap.nextRequest();
      request.setCount(celt);
      return request.send().then([this, celt, rgelt, pceltFetched](auto response) -> HRESULT {
        auto items = response.getItems();
        HRESULT hr = response.getHr();
        if (FAILED(hr)) return hr;
        if (items.size() > celt) return RPC_E_INVALID_DATAPACKET;
        auto connection = this->Connection();
        for (unsigned i = 0; i < items.size(); ++i) {
          HRESULT itemHr = Codec::FromWire(items, i, &rgelt[i], connection);
          if (FAILED(itemHr)) {
            for (unsigned j = 0; j < i; ++j) Codec::Destroy(&rgelt[j]);
            return itemHr;
          }
        }
        if (pceltFetched) *pceltFetched = items.size();
        return hr;
      });
    });
  }
  HRESULT Skip(ULONG celt) override {
    return this->Call([&](typename W::Client& cap) {
      auto request = cap.skipRequest();
      request.setCount(celt);
      return request.send().then([](auto response) -> HRESULT { return response.getHr(); });
    });
  }
  HRESULT Reset() override {
    return this->Call([&](typename W::Client& cap) {
      return cap.resetRequest().send().then([](auto response) -> HRESULT { return response.getHr(); });
    });
  }
  HRESULT Clone(IEnum** ppenum) override {
    if (!ppenum) return E_POINTER;
    *ppenum = nullptr;
    return this->Call([&](typename W::Client& cap) {
      return cap.cloneRequest().send().then([this, ppenum](auto response) -> HRESULT {
        HRESULT hr = response.getHr();
        if (FAILED(hr) || !response.hasEnum()) return FAILED(hr) ? hr : E_UNEXPECTED;
        return this->Import(uuidof<IEnum>(), response.getEnum(), reinterpret_cast<void**>(ppenum));
      });
    });
  }
};

template <class IEnum, class W, class Codec>
class CEnumStub : public CStub<W, IEnum> {
 public:
  using Item = typename Codec::Item;
  using Prepared = typename Codec::Prepared;
  using CStub<W, IEnum>::CStub;

  kj::Promise<void> next(typename W::Server::NextContext context) override {
    uint32_t count = this->Decode([&] {
      uint32_t n = context.getParams().getCount();
      CheckBound(n, "enumerator count");
      return n;
    });
    struct Out {
      HRESULT hr = S_OK;
      std::vector<Prepared> items;
    };
    return this->Invoke([count](IEnum* e) {
             Out out;
             std::vector<Item> raw(count == 0 ? 1 : count);
             ULONG fetched = 0;
             out.hr = e->Next(count, raw.data(), &fetched);
             if (SUCCEEDED(out.hr)) {
               if (fetched > count) fetched = count;
               out.items.reserve(fetched);
               for (ULONG i = 0; i < fetched; ++i) out.items.push_back(Codec::Prepare(raw[i]));
             }
             return out;
           })
        .then([this, context](Out out) mutable {
          auto results = context.getResults();
          results.setHr(out.hr);
          auto items = results.initItems(static_cast<unsigned>(out.items.size()));
          for (unsigned i = 0; i < out.items.size(); ++i) Codec::ToWire(items, i, out.items[i], this->Connection());
        });
  }
  kj::Promise<void> skip(typename W::Server::SkipContext context) override {
    uint32_t count = context.getParams().getCount();
    return this->Invoke([count](IEnum* e) { return e->Skip(count); }).then([context](HRESULT hr) mutable {
      context.getResults().setHr(hr);
    });
  }
  kj::Promise<void> reset(typename W::Server::ResetContext context) override {
    return this->Invoke([](IEnum* e) { return e->Reset(); }).then([context](HRESULT hr) mutable {
      context.getResults().setHr(hr);
    });
  }
  kj::Promise<void> clone(typename W::Server::CloneContext context) override {
    struct Out {
      HRESULT hr;
      StubRefPtr ref;
    };
    return this->Invoke([](IEnum* e) {
             IEnum* copy = nullptr;
             Out out{e->Clone(&copy), nullptr};
             if (SUCCEEDED(out.hr) && copy) out.ref = CStubRef::Adopt(copy);
             return out;
           })
        .then([this, context](Out out) mutable {
          auto results = context.getResults();
          results.setHr(out.hr);
          if (out.ref)
            results.setEnum(ExportInterface(uuidof<IEnum>(), std::move(out.ref), this->Connection()).template castAs<W>());
        });
  }
};

template <class IEnum, class W, class Codec>
Marshaler MakeEnumMarshaler() {
  return MakeMarshaler<W, CEnumProxy<IEnum, W, Codec>, CEnumStub<IEnum, W, Codec>>(uuidof<IEnum>());
}

}  // namespace tessaly::rpc
