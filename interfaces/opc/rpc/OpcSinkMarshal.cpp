// The client's sinks: IOPCDataCallback and IOPCShutdown. Their proxies live in the server and
// time out when the client does not answer.
#include "interfaces/opc/rpc/OpcMarshalers.h"
#include "interfaces/opc/rpc/OpcWire.h"
#include "platform/com/Variant.h"
#include "platform/rpc/InterfaceRegistry.h"
#include "platform/rpc/Proxy.h"

namespace tessaly::rpc {

namespace {

using opcwire::OpcDataCallback;
using opcwire::OpcShutdown;

class CDataCallbackProxy : public CProxy<IOPCDataCallback, OpcDataCallback> {
 public:
  using CProxy::CProxy;
  HRESULT OnDataChange(DWORD dwTransid, OPCHANDLE hGroup, HRESULT hrMasterquality, HRESULT hrMastererror, DWORD dwCount,
                       OPCHANDLE* phClientItems, VARIANT* pvValues, WORD* pwQualities, FILETIME* pftTimeStamps,
                       HRESULT* pErrors) override {
    return Values(false, dwTransid, hGroup, hrMasterquality, hrMastererror, dwCount, phClientItems, pvValues,
                  pwQualities, pftTimeStamps, pErrors);
  }
  HRESULT OnReadComplete(DWORD dwTransid, OPCHANDLE hGroup, HRESULT hrMasterquality, HRESULT hrMastererror,
                         DWORD dwCount, OPCHANDLE* phClientItems, VARIANT* pvValues, WORD* pwQualities,
                         FILETIME* pftTimeStamps, HRESULT* pErrors) override {
    return Values(true, dwTransid, hGroup, hrMasterquality, hrMastererror, dwCount, phClientItems, pvValues,
                  pwQualities, pftTimeStamps, pErrors);
  }
  HRESULT OnWriteComplete(DWORD dwTransid, OPCHANDLE hGroup, HRESULT hrMastererr, DWORD dwCount,
                          OPCHANDLE* pClienthandles, HRESULT* pErrors) override {
    if (dwCount > kMaxListItems) return E_INVALIDARG;
    return Call([&](OpcDataCallback::Client& cap) {
      auto request = cap.onWriteCompleteRequest();
      request.setTransaction(dwTransid);
      request.setGroup(hGroup);
      request.setMasterError(hrMastererr);
      request.setCount(dwCount);
      if (pClienthandles) EncodeNumbers(request.initClients(dwCount), pClienthandles);
      if (pErrors) EncodeNumbers(request.initErrors(dwCount), pErrors);
      return request.send().then([](auto r) -> HRESULT { return r.getHr(); });
    });
  }
  HRESULT OnCancelComplete(DWORD dwTransid, OPCHANDLE hGroup) override {
    return Call([&](OpcDataCallback::Client& cap) {
      auto request = cap.onCancelCompleteRequest();
      request.setTransaction(dwTransid);
      request.setGroup(hGroup);
      return request.send().then([](auto r) -> HRESULT { return r.getHr(); });
    });
  }

 private:
  HRESULT Values(bool readComplete, DWORD transaction, OPCHANDLE group, HRESULT quality, HRESULT error, DWORD count,
                 OPCHANDLE* clients, VARIANT* values, WORD* qualities, FILETIME* times, HRESULT* errors) {
    if (count > kMaxListItems) return E_INVALIDARG;
    auto fill = [&](auto& request) -> HRESULT {
      request.setTransaction(transaction);
      request.setGroup(group);
      request.setMasterQuality(quality);
      request.setMasterError(error);
      request.setCount(count);
      if (clients) EncodeNumbers(request.initClients(count), clients);
      if (values) {
        auto list = request.initValues(count);
        for (unsigned i = 0; i < count; ++i) {
          if (FAILED(EncodeVariant(list[i], values[i]))) {
            list[i].setVt(VT_EMPTY);
            list[i].setEmpty();
          }
        }
      }
      if (qualities) EncodeNumbers(request.initQualities(count), qualities);
      if (times) {
        auto list = request.initTimeStamps(count);
        for (unsigned i = 0; i < count; ++i) list.set(i, FileTimeToWire(times[i]));
      }
      if (errors) EncodeNumbers(request.initErrors(count), errors);
      return S_OK;
    };
    // Sized first: a large delivery is built, sent and read as one segment.
    uint64_t words = kMessageOverheadWords;
    if (clients) words += 1 + ListWords(count, 32);
    if (values) words += VariantListWords(values, count);
    if (qualities) words += 1 + ListWords(count, 16);
    if (times) words += 1 + ListWords(count, 64);
    if (errors) words += 1 + ListWords(count, 32);
    const capnp::MessageSize size{words, 0};
    return Call([&](OpcDataCallback::Client& cap) -> kj::Promise<HRESULT> {
      if (readComplete) {
        auto request = cap.onReadCompleteRequest(size);
        fill(request);
        return request.send().then([](auto r) -> HRESULT { return r.getHr(); });
      }
      auto request = cap.onDataChangeRequest(size);
      fill(request);
      return request.send().then([](auto r) -> HRESULT { return r.getHr(); });
    });
  }
};

class CDataCallbackStub : public CStub<OpcDataCallback, IOPCDataCallback> {
 public:
  using CStub::CStub;
  kj::Promise<void> onDataChange(OnDataChangeContext context) override { return Values(context, false); }
  kj::Promise<void> onReadComplete(OnReadCompleteContext context) override { return Values(context, true); }
  kj::Promise<void> onWriteComplete(OnWriteCompleteContext context) override {
    auto p = context.getParams();
    struct In {
      DWORD transaction;
      OPCHANDLE group;
      HRESULT error;
      uint32_t count;
      DecodedHandles clients;
      std::vector<HRESULT> errors;
      bool hasErrors;
    };
    auto in = std::make_shared<In>(Decode([&] {
      In i{p.getTransaction(), p.getGroup(), p.getMasterError(), p.getCount(), {}, {}, p.hasErrors()};
      CheckBound(i.count, "items");
      i.clients = DecodeHandles(p.hasClients(), p.getClients(), i.count);
      if (i.hasErrors) {
        CheckCount(p.getErrors().size(), i.count, "errors");
        for (auto e : p.getErrors()) i.errors.push_back(e);
      }
      return i;
    }));
    return Invoke([in](IOPCDataCallback* sink) {
             return sink->OnWriteComplete(in->transaction, in->group, in->error, in->count, in->clients.Data(),
                                          in->hasErrors ? in->errors.data() : nullptr);
           })
        .then([context](HRESULT hr) mutable { context.getResults().setHr(hr); });
  }
  kj::Promise<void> onCancelComplete(OnCancelCompleteContext context) override {
    DWORD transaction = context.getParams().getTransaction();
    OPCHANDLE group = context.getParams().getGroup();
    return Invoke([=](IOPCDataCallback* sink) { return sink->OnCancelComplete(transaction, group); })
        .then([context](HRESULT hr) mutable { context.getResults().setHr(hr); });
  }

 private:
  struct ValuesIn {
    DWORD transaction = 0;
    OPCHANDLE group = 0;
    HRESULT quality = S_OK, error = S_OK;
    uint32_t count = 0;
    DecodedHandles clients;
    DecodedVariants values;
    std::vector<WORD> qualities;
    std::vector<FILETIME> times;
    std::vector<HRESULT> errors;
    bool hasQualities = false, hasTimes = false, hasErrors = false;
  };
  template <class Context>
  kj::Promise<void> Values(Context& context, bool readComplete) {
    auto p = context.getParams();
    auto in = std::make_shared<ValuesIn>();
    Decode([&] {
      in->transaction = p.getTransaction();
      in->group = p.getGroup();
      in->quality = p.getMasterQuality();
      in->error = p.getMasterError();
      in->count = p.getCount();
      CheckBound(in->count, "items");
      in->clients = DecodeHandles(p.hasClients(), p.getClients(), in->count);
      in->values = DecodeVariants(p.hasValues(), p.getValues(), in->count);
      if ((in->hasQualities = p.hasQualities())) {
        CheckCount(p.getQualities().size(), in->count, "qualities");
        for (auto q : p.getQualities()) in->qualities.push_back(q);
      }
      if ((in->hasTimes = p.hasTimeStamps())) {
        CheckCount(p.getTimeStamps().size(), in->count, "time stamps");
        for (auto t : p.getTimeStamps()) in->times.push_back(FileTimeFromWire(t));
      }
      if ((in->hasErrors = p.hasErrors())) {
        CheckCount(p.getErrors().size(), in->count, "errors");
        for (auto e : p.getErrors()) in->errors.push_back(e);
      }
      return 0;
    });
    return Invoke([in, readComplete](IOPCDataCallback* sink) {
             auto call = readComplete ? &IOPCDataCallback::OnReadComplete : &IOPCDataCallback::OnDataChange;
             return (sink->*call)(in->transaction, in->group, in->quality, in->error, in->count, in->clients.Data(),
                                  in->values.Data(), in->hasQualities ? in->qualities.data() : nullptr,
                                  in->hasTimes ? in->times.data() : nullptr, in->hasErrors ? in->errors.data() : nullptr);
           })
        .then([context](HRESULT hr) mutable { context.getResults().setHr(hr); });
  }
};

class CShutdownProxy : public CProxy<IOPCShutdown, OpcShutdown> {
 public:
  using CProxy::CProxy;
  HRESULT ShutdownRequest(LPCWSTR szReason) override {
    return Call([&](OpcShutdown::Client& cap) {
      auto request = cap.shutdownRequestRequest();
      if (szReason) request.setReason(TextToWire(szReason));
      return request.send().then([](auto r) -> HRESULT { return r.getHr(); });
    });
  }
};

class CShutdownStub : public CStub<OpcShutdown, IOPCShutdown> {
 public:
  using CStub::CStub;
  kj::Promise<void> shutdownRequest(ShutdownRequestContext context) override {
    auto p = context.getParams();
    bool has = p.hasReason();
    auto reason = std::make_shared<std::wstring>(Decode([&] { return has ? TextFromWire(p.getReason()) : std::wstring(); }));
    return Invoke([=](IOPCShutdown* sink) { return sink->ShutdownRequest(has ? reason->c_str() : nullptr); })
        .then([context](HRESULT hr) mutable { context.getResults().setHr(hr); });
  }
};

}  // namespace

void RegisterOpcSinkMarshalers() {
  RegisterMarshaler(MakeMarshaler<OpcDataCallback, CDataCallbackProxy, CDataCallbackStub>(IID_IOPCDataCallback, true));
  RegisterMarshaler(MakeMarshaler<OpcShutdown, CShutdownProxy, CShutdownStub>(IID_IOPCShutdown, true));
}

}  // namespace tessaly::rpc
