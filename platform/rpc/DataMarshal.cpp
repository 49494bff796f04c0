// IDataObject and IAdviseSink across a process. Media travel as the bytes of their HGLOBAL, made
// anew in the receiving process; other media, target devices and the format and advise
// enumerators do not cross (E_NOTIMPL, DV_E_TYMED).
#include <mutex>

#include "platform/com/Activation.h"
#include "platform/com/Memory.h"
#include "platform/rpc/InterfaceRegistry.h"
#include "platform/rpc/Proxy.h"

namespace tessaly::rpc {

namespace {

void EncodeFormat(wire::FormatEtc::Builder b, const FORMATETC& f) {
  b.setFormat(f.cfFormat);
  wchar_t name[256];
  if (GetClipboardFormatNameW(f.cfFormat, name, 256) > 0) b.setFormatName(TextToWire(name));
  b.setAspect(f.dwAspect);
  b.setIndex(f.lindex);
  b.setTymed(f.tymed);
}

FORMATETC DecodeFormat(wire::FormatEtc::Reader r) {
  FORMATETC f{};
  f.cfFormat = r.getFormat();
  if (r.hasFormatName()) f.cfFormat = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(TextFromWire(r.getFormatName()).c_str()));
  f.ptd = nullptr;
  f.dwAspect = r.getAspect();
  f.lindex = r.getIndex();
  f.tymed = r.getTymed();
  return f;
}

// The medium's bytes; DV_E_TYMED for a medium that cannot travel.
HRESULT EncodeMedium(wire::Medium::Builder b, const STGMEDIUM& m) {
  b.setTymed(m.tymed);
  if (m.tymed == TYMED_NULL) return S_OK;
  if (m.tymed != TYMED_HGLOBAL) return DV_E_TYMED;
  SIZE_T size = GlobalSize(m.hGlobal);
  if (size > kMaxListItems * 8) return E_INVALIDARG;
  void* data = GlobalLock(m.hGlobal);
  if (!data && size) return DV_E_STGMEDIUM;
  b.setData(capnp::Data::Reader(static_cast<const kj::byte*>(data), size));
  GlobalUnlock(m.hGlobal);
  return S_OK;
}

// A medium of this process's own (the receiver releases it with ReleaseStgMedium).
STGMEDIUM DecodeMedium(wire::Medium::Reader r) {
  STGMEDIUM m{};
  m.tymed = r.getTymed();
  if (m.tymed == TYMED_NULL) return m;
  if (m.tymed != TYMED_HGLOBAL) throw CMalformed("a medium that cannot travel");
  auto data = r.getData();
  m.hGlobal = GlobalAlloc(GMEM_MOVEABLE, data.size());
  if (!m.hGlobal) throw std::bad_alloc();
  if (data.size()) {
    std::memcpy(GlobalLock(m.hGlobal), data.begin(), data.size());
    GlobalUnlock(m.hGlobal);
  }
  return m;
}

// A decoded medium owned by a stub for the call.
struct OwnedMedium {
  STGMEDIUM medium{};
  bool owned = true;
  OwnedMedium() = default;
  explicit OwnedMedium(STGMEDIUM m) : medium(m) {}
  OwnedMedium(OwnedMedium&& o) noexcept : medium(o.medium), owned(o.owned) { o.owned = false; }
  OwnedMedium& operator=(OwnedMedium&&) = delete;
  ~OwnedMedium() {
    if (owned) ReleaseStgMedium(&medium);
  }
};

class CDataObjectProxy : public CProxy<IDataObject, wire::DataObject> {
 public:
  using CProxy::CProxy;
  HRESULT GetData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) override {
    if (!pformatetcIn || !pmedium) return E_INVALIDARG;
    return Call([&](wire::DataObject::Client& cap) {
      auto request = cap.getDataRequest();
      EncodeFormat(request.initFormat(), *pformatetcIn);
      return request.send().then([pmedium](auto r) -> HRESULT {
        HRESULT hr = r.getHr();
        if (SUCCEEDED(hr)) *pmedium = DecodeMedium(r.getMedium());
        return hr;
      });
    });
  }
  HRESULT GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT QueryGetData(FORMATETC* pformatetc) override {
    if (!pformatetc) return E_INVALIDARG;
    return Call([&](wire::DataObject::Client& cap) {
      auto request = cap.queryGetDataRequest();
      EncodeFormat(request.initFormat(), *pformatetc);
      return request.send().then([](auto r) -> HRESULT { return r.getHr(); });
    });
  }
  HRESULT GetCanonicalFormatEtc(FORMATETC* pformatectIn, FORMATETC* pformatetcOut) override {
    if (!pformatectIn || !pformatetcOut) return E_INVALIDARG;
    return Call([&](wire::DataObject::Client& cap) {
      auto request = cap.getCanonicalFormatEtcRequest();
      EncodeFormat(request.initFormat(), *pformatectIn);
      return request.send().then([pformatetcOut](auto r) -> HRESULT {
        if (SUCCEEDED(r.getHr())) *pformatetcOut = DecodeFormat(r.getCanonical());
        return r.getHr();
      });
    });
  }
  HRESULT SetData(FORMATETC* pformatetc, STGMEDIUM* pmedium, BOOL fRelease) override {
    if (!pformatetc || !pmedium) return E_INVALIDARG;
    HRESULT hr = Call([&](wire::DataObject::Client& cap) -> kj::Promise<HRESULT> {
      auto request = cap.setDataRequest();
      EncodeFormat(request.initFormat(), *pformatetc);
      HRESULT encoded = EncodeMedium(request.initMedium(), *pmedium);
      if (FAILED(encoded)) return encoded;
      request.setRelease(fRelease != FALSE);
      return request.send().then([](auto r) -> HRESULT { return r.getHr(); });
    });
    // The far end took over its copy; this process's medium was the callee's to free.
    if (SUCCEEDED(hr) && fRelease) ReleaseStgMedium(pmedium);
    return hr;
  }
  HRESULT EnumFormatEtc(DWORD, IEnumFORMATETC** ppenumFormatEtc) override {
    if (ppenumFormatEtc) *ppenumFormatEtc = nullptr;
    return E_NOTIMPL;
  }
  HRESULT DAdvise(FORMATETC* pformatetc, DWORD advf, IAdviseSink* pAdvSink, DWORD* pdwConnection) override {
    if (pdwConnection) *pdwConnection = 0;
    if (!pformatetc || !pAdvSink || !pdwConnection) return E_INVALIDARG;
    StubRefPtr sink = CStubRef::Create(pAdvSink);
    HRESULT hr = Call([&](wire::DataObject::Client& cap) -> kj::Promise<HRESULT> {
      auto request = cap.dAdviseRequest();
      EncodeFormat(request.initFormat(), *pformatetc);
      request.setAdvf(advf);
      KJ_IF_MAYBE(exported, Export(IID_IAdviseSink, sink)) { request.setSink(*exported); }
      else return RPC_E_DISCONNECTED;
      return request.send().then([pdwConnection](auto r) -> HRESULT {
        if (SUCCEEDED(r.getHr())) *pdwConnection = r.getConnection();
        return r.getHr();
      });
    });
    ReleaseStubRefOnWorker(std::move(sink), nullptr);
    return hr;
  }
  HRESULT DUnadvise(DWORD dwConnection) override {
    return Call([&](wire::DataObject::Client& cap) {
      auto request = cap.dUnadviseRequest();
      request.setConnection(dwConnection);
      return request.send().then([](auto r) -> HRESULT { return r.getHr(); });
    });
  }
  HRESULT EnumDAdvise(IEnumSTATDATA** ppenumAdvise) override {
    if (ppenumAdvise) *ppenumAdvise = nullptr;
    return E_NOTIMPL;
  }
};

class CDataObjectStub : public CStub<wire::DataObject, IDataObject> {
 public:
  using CStub::CStub;
  kj::Promise<void> getData(GetDataContext context) override {
    FORMATETC format = Decode([&] { return DecodeFormat(context.getParams().getFormat()); });
    struct Out {
      HRESULT hr = S_OK;
      OwnedMedium medium;
    };
    return Invoke([format](IDataObject* d) mutable {
             Out o;
             o.hr = d->GetData(&format, &o.medium.medium);
             o.medium.owned = SUCCEEDED(o.hr);
             return o;
           })
        .then([context](Out o) mutable {
          HRESULT hr = o.hr;
          if (SUCCEEDED(hr)) hr = EncodeMedium(context.getResults().initMedium(), o.medium.medium);
          context.getResults().setHr(hr);
        });
  }
  kj::Promise<void> queryGetData(QueryGetDataContext context) override {
    FORMATETC format = Decode([&] { return DecodeFormat(context.getParams().getFormat()); });
    return Invoke([format](IDataObject* d) mutable { return d->QueryGetData(&format); })
        .then([context](HRESULT hr) mutable { context.getResults().setHr(hr); });
  }
  kj::Promise<void> getCanonicalFormatEtc(GetCanonicalFormatEtcContext context) override {
    FORMATETC format = Decode([&] { return DecodeFormat(context.getParams().getFormat()); });
    struct Out {
      HRESULT hr;
      FORMATETC canonical;
    };
    return Invoke([format](IDataObject* d) mutable {
             Out o{S_OK, FORMATETC{}};
             o.hr = d->GetCanonicalFormatEtc(&format, &o.canonical);
             return o;
           })
        .then([context](Out o) mutable {
          context.getResults().setHr(o.hr);
          EncodeFormat(context.getResults().initCanonical(), o.canonical);
        });
  }
  kj::Promise<void> setData(SetDataContext context) override {
    auto p = context.getParams();
    FORMATETC format = Decode([&] { return DecodeFormat(p.getFormat()); });
    auto medium = std::make_shared<OwnedMedium>(Decode([&] { return DecodeMedium(p.getMedium()); }));
    bool release = p.getRelease();
    return Invoke([format, medium, release](IDataObject* d) mutable {
             HRESULT hr = d->SetData(&format, &medium->medium, release ? TRUE : FALSE);
             if (SUCCEEDED(hr) && release) medium->owned = false;  // the object took it
             return hr;
           })
        .then([context](HRESULT hr) mutable { context.getResults().setHr(hr); });
  }
  kj::Promise<void> dAdvise(DAdviseContext context) override {
    auto p = context.getParams();
    FORMATETC format = Decode([&] { return DecodeFormat(p.getFormat()); });
    DWORD advf = p.getAdvf();
    CComPtr<IAdviseSink> sink;  // held by the call: a refused call lets go of it too
    if (p.hasSink()) ImportInterface(IID_IAdviseSink, p.getSink(), Connection(), reinterpret_cast<void**>(&sink.p));
    struct Out {
      HRESULT hr;
      DWORD connection;
    };
    return Invoke([format, advf, sink](IDataObject* d) mutable {
             Out o{S_OK, 0};
             o.hr = d->DAdvise(&format, advf, sink.p, &o.connection);
             return o;
           })
        .then([context](Out o) mutable {
          context.getResults().setHr(o.hr);
          context.getResults().setConnection(o.connection);
        });
  }
  kj::Promise<void> dUnadvise(DUnadviseContext context) override {
    DWORD connection = context.getParams().getConnection();
    return Invoke([connection](IDataObject* d) { return d->DUnadvise(connection); })
        .then([context](HRESULT hr) mutable { context.getResults().setHr(hr); });
  }
};

class CAdviseSinkProxy : public CProxy<IAdviseSink, wire::AdviseSink> {
 public:
  using CProxy::CProxy;
  void OnDataChange(FORMATETC* pFormatetc, STGMEDIUM* pStgmed) override {
    if (!pFormatetc || !pStgmed) return;
    Call([&](wire::AdviseSink::Client& cap) -> kj::Promise<HRESULT> {
      auto request = cap.onDataChangeRequest();
      EncodeFormat(request.initFormat(), *pFormatetc);
      HRESULT hr = EncodeMedium(request.initMedium(), *pStgmed);
      if (FAILED(hr)) return hr;
      return request.send().then([](auto) -> HRESULT { return S_OK; });
    });
  }
  void OnViewChange(DWORD dwAspect, LONG lindex) override {
    Call([&](wire::AdviseSink::Client& cap) {
      auto request = cap.onViewChangeRequest();
      request.setAspect(dwAspect);
      request.setIndex(lindex);
      return request.send().then([](auto) -> HRESULT { return S_OK; });
    });
  }
  void OnRename(IMoniker*) override {
    Call([&](wire::AdviseSink::Client& cap) {
      return cap.onRenameRequest().send().then([](auto) -> HRESULT { return S_OK; });
    });
  }
  void OnSave() override {
    Call([&](wire::AdviseSink::Client& cap) {
      return cap.onSaveRequest().send().then([](auto) -> HRESULT { return S_OK; });
    });
  }
  void OnClose() override {
    Call([&](wire::AdviseSink::Client& cap) {
      return cap.onCloseRequest().send().then([](auto) -> HRESULT { return S_OK; });
    });
  }
};

class CAdviseSinkStub : public CStub<wire::AdviseSink, IAdviseSink> {
 public:
  using CStub::CStub;
  kj::Promise<void> onDataChange(OnDataChangeContext context) override {
    auto p = context.getParams();
    FORMATETC format = Decode([&] { return DecodeFormat(p.getFormat()); });
    auto medium = std::make_shared<OwnedMedium>(Decode([&] { return DecodeMedium(p.getMedium()); }));
    return Invoke([format, medium](IAdviseSink* sink) mutable { sink->OnDataChange(&format, &medium->medium); });
  }
  kj::Promise<void> onViewChange(OnViewChangeContext context) override {
    DWORD aspect = context.getParams().getAspect();
    LONG index = context.getParams().getIndex();
    return Invoke([=](IAdviseSink* sink) { sink->OnViewChange(aspect, index); });
  }
  kj::Promise<void> onRename(OnRenameContext) override {
    return Invoke([](IAdviseSink* sink) { sink->OnRename(nullptr); });
  }
  kj::Promise<void> onSave(OnSaveContext) override {
    return Invoke([](IAdviseSink* sink) { sink->OnSave(); });
  }
  kj::Promise<void> onClose(OnCloseContext) override {
    return Invoke([](IAdviseSink* sink) { sink->OnClose(); });
  }
};

}  // namespace

void RegisterDataMarshalers() {
  RegisterMarshaler(MakeMarshaler<wire::DataObject, CDataObjectProxy, CDataObjectStub>(IID_IDataObject));
  RegisterMarshaler(MakeMarshaler<wire::AdviseSink, CAdviseSinkProxy, CAdviseSinkStub>(IID_IAdviseSink, true));
}

}  // namespace tessaly::rpc
