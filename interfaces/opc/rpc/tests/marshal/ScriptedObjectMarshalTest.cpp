// Browsing, item properties, asynchronous I/O and the OPC 1.0 data object across the boundary,
// against a scripted object: every argument arrives, every result comes back into the caller's
// CoTaskMem arrays and HGLOBALs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "interfaces/opc/OpcDa.h"
#include "interfaces/opc/OpcError.h"
#include "interfaces/opc/rpc/OpcMarshalers.h"
#include "platform/com/Activation.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComErrors.h"
#include "platform/com/Enumerators.h"
#include "platform/com/Memory.h"
#include "platform/com/Variant.h"
#include "platform/rpc/RpcRuntime.h"
#include "platform/win32/MachineRoot.h"

namespace {

constexpr CLSID kScripted = {0x5A1E7C10, 0x2B3D, 0x4C8E, {0x9F, 0x11, 0x6A, 0x0B, 0x3C, 0x44, 0x40, 0x01}};

LPWSTR Dup(const wchar_t* s) {
  size_t bytes = (std::wcslen(s) + 1) * sizeof(wchar_t);
  auto* p = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  std::memcpy(p, s, bytes);
  return p;
}

class CScripted : public CComObjectRootEx<CComMultiThreadModel>,
                  public IOPCBrowseServerAddressSpace,
                  public IOPCItemProperties,
                  public IOPCAsyncIO2,
                  public IOPCAsyncIO,
                  public IDataObject {
 public:
  BEGIN_COM_MAP(CScripted)
    COM_INTERFACE_ENTRY(IOPCBrowseServerAddressSpace)
    COM_INTERFACE_ENTRY(IOPCItemProperties)
    COM_INTERFACE_ENTRY(IOPCAsyncIO2)
    COM_INTERFACE_ENTRY(IOPCAsyncIO)
    COM_INTERFACE_ENTRY(IDataObject)
  END_COM_MAP()

  // ---- IOPCAsyncIO ----
  HRESULT Read(DWORD connection, OPCDATASOURCE, DWORD count, OPCHANDLE*, DWORD* transaction, HRESULT** errors) override {
    *transaction = connection * 10;
    *errors = static_cast<HRESULT*>(CoTaskMemAlloc(count * sizeof(HRESULT)));
    for (DWORD i = 0; i < count; ++i) (*errors)[i] = S_OK;
    return S_OK;
  }
  HRESULT Write(DWORD, DWORD, OPCHANDLE*, VARIANT*, DWORD*, HRESULT**) override { return E_NOTIMPL; }
  HRESULT Refresh(DWORD connection, OPCDATASOURCE, DWORD* transaction) override {
    *transaction = connection + 1;
    return S_OK;
  }
  HRESULT Cancel(DWORD) override { return E_FAIL; }

  // ---- IDataObject: one stream format; an advise sink gets one change at once ----
  static HGLOBAL Stream(BYTE fill) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 24);
    std::memset(GlobalLock(h), fill, 24);
    GlobalUnlock(h);
    return h;
  }
  HRESULT GetData(FORMATETC* f, STGMEDIUM* m) override {
    if (f->cfFormat != RegisterClipboardFormatW(OPCSTMFORMATDATATIME)) return DV_E_FORMATETC;
    m->tymed = TYMED_HGLOBAL;
    m->hGlobal = Stream(0x5A);
    m->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT QueryGetData(FORMATETC* f) override {
    return f->cfFormat == RegisterClipboardFormatW(OPCSTMFORMATDATATIME) ? S_OK : DV_E_FORMATETC;
  }
  HRESULT GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  HRESULT SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT DAdvise(FORMATETC* f, DWORD, IAdviseSink* sink, DWORD* connection) override {
    *connection = 3;
    STGMEDIUM m{};
    m.tymed = TYMED_HGLOBAL;
    m.hGlobal = Stream(0x11);
    sink->OnDataChange(f, &m);
    ReleaseStgMedium(&m);
    return S_OK;
  }
  HRESULT DUnadvise(DWORD connection) override { return connection == 3 ? S_OK : OLE_E_NOCONNECTION; }
  HRESULT EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

  HRESULT QueryOrganization(OPCNAMESPACETYPE* p) override {
    *p = OPC_NS_HIERARCHIAL;
    return S_OK;
  }
  HRESULT ChangeBrowsePosition(OPCBROWSEDIRECTION d, LPCWSTR s) override {
    return d == OPC_BROWSE_DOWN && s && std::wstring(s) == L"Dev" ? S_OK : E_INVALIDARG;
  }
  HRESULT BrowseOPCItemIDs(OPCBROWSETYPE type, LPCWSTR filter, VARTYPE, DWORD, LPENUMSTRING* e) override {
    if (!e) return E_POINTER;
    if (type != OPC_FLAT) return S_FALSE;
    return CreateEnumString({L"Dev.A", std::wstring(L"Dev.") + (filter ? filter : L"?")}, e);
  }
  HRESULT GetItemID(LPWSTR data, LPWSTR* id) override {
    *id = Dup((std::wstring(L"Dev.") + data).c_str());
    return S_OK;
  }
  HRESULT BrowseAccessPaths(LPCWSTR, LPENUMSTRING*) override { return E_NOTIMPL; }

  HRESULT QueryAvailableProperties(LPWSTR, DWORD* count, DWORD** ids, LPWSTR** texts, VARTYPE** types) override {
    *count = 2;
    *ids = static_cast<DWORD*>(CoTaskMemAlloc(2 * sizeof(DWORD)));
    (*ids)[0] = 1;
    (*ids)[1] = 5000;
    *texts = static_cast<LPWSTR*>(CoTaskMemAlloc(2 * sizeof(LPWSTR)));
    (*texts)[0] = Dup(L"Item Canonical DataType");
    (*texts)[1] = Dup(L"Vendor");
    *types = static_cast<VARTYPE*>(CoTaskMemAlloc(2 * sizeof(VARTYPE)));
    (*types)[0] = VT_I2;
    (*types)[1] = VT_BSTR;
    return S_OK;
  }
  HRESULT GetItemProperties(LPWSTR, DWORD count, DWORD* ids, VARIANT** values, HRESULT** errors) override {
    *values = static_cast<VARIANT*>(CoTaskMemAlloc(count * sizeof(VARIANT)));
    *errors = static_cast<HRESULT*>(CoTaskMemAlloc(count * sizeof(HRESULT)));
    for (DWORD i = 0; i < count; ++i) {
      VariantInit(&(*values)[i]);
      (*values)[i].vt = VT_I4;
      (*values)[i].lVal = static_cast<LONG>(ids[i] * 2);
      (*errors)[i] = ids[i] == 7 ? OPC_E_INVALID_PID : S_OK;
    }
    return ids[count - 1] == 7 ? S_FALSE : S_OK;
  }
  HRESULT LookupItemIDs(LPWSTR item, DWORD count, DWORD*, LPWSTR** newIds, HRESULT** errors) override {
    *newIds = static_cast<LPWSTR*>(CoTaskMemAlloc(count * sizeof(LPWSTR)));
    *errors = static_cast<HRESULT*>(CoTaskMemAlloc(count * sizeof(HRESULT)));
    for (DWORD i = 0; i < count; ++i) {
      (*newIds)[i] = Dup((std::wstring(item) + L".p").c_str());
      (*errors)[i] = S_OK;
    }
    return S_OK;
  }

  HRESULT Read(DWORD count, OPCHANDLE* h, DWORD transaction, DWORD* cancel, HRESULT** errors) override {
    *cancel = transaction + 100;
    *errors = static_cast<HRESULT*>(CoTaskMemAlloc(count * sizeof(HRESULT)));
    for (DWORD i = 0; i < count; ++i) (*errors)[i] = h[i] == 0 ? OPC_E_INVALIDHANDLE : S_OK;
    return S_FALSE;
  }
  HRESULT Write(DWORD, OPCHANDLE*, VARIANT*, DWORD, DWORD*, HRESULT**) override { return E_NOTIMPL; }
  HRESULT Refresh2(OPCDATASOURCE source, DWORD transaction, DWORD* cancel) override {
    *cancel = transaction + source;
    return S_OK;
  }
  HRESULT Cancel2(DWORD) override { return E_FAIL; }
  HRESULT SetEnable(BOOL b) override {
    m_enabled = b;
    return S_OK;
  }
  HRESULT GetEnable(BOOL* b) override {
    *b = m_enabled;
    return S_OK;
  }

 private:
  BOOL m_enabled = TRUE;
};

HRESULT CreateScripted(IUnknown*, REFIID riid, void** ppv) { return CComObject<CScripted>::CreateInstance(riid, ppv); }

class ScriptedObjectMarshalTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string dir = tessaly::win32::GetMachineRoot() + "/rpc-" + std::to_string(::getpid());
    ::setenv("TESSALY_RPC_DIRECTORY", dir.c_str(), 1);
    s_rpc = new tessaly::rpc::CRpcRuntime();
    tessaly::rpc::RegisterOpcMarshalers();
    IUnknown* factory = nullptr;
    CComClassFactory::Create(&CreateScripted, IID_IUnknown, reinterpret_cast<void**>(&factory), false);
    CoRegisterClassObject(kScripted, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &s_cookie);
    factory->Release();
  }
  static void TearDownTestSuite() {
    CoRevokeClassObject(s_cookie);
    delete s_rpc;
  }
  void SetUp() override {
    CComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, s_rpc->GetClassObjectAt(tessaly::rpc::InstanceSocketPath(kScripted), kScripted, IID_IClassFactory,
                                            reinterpret_cast<void**>(&factory.p)));
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IOPCBrowseServerAddressSpace, reinterpret_cast<void**>(&browse.p)));
  }
  template <class I>
  CComPtr<I> As() {
    CComPtr<I> out;
    browse->QueryInterface(uuidof<I>(), reinterpret_cast<void**>(&out.p));
    return out;
  }

  static tessaly::rpc::CRpcRuntime* s_rpc;
  static DWORD s_cookie;
  CComPtr<IOPCBrowseServerAddressSpace> browse;
};
tessaly::rpc::CRpcRuntime* ScriptedObjectMarshalTest::s_rpc = nullptr;
DWORD ScriptedObjectMarshalTest::s_cookie = 0;

TEST_F(ScriptedObjectMarshalTest, Browsing) {
  OPCNAMESPACETYPE type = OPC_NS_FLAT;
  EXPECT_EQ(S_OK, browse->QueryOrganization(&type));
  EXPECT_EQ(OPC_NS_HIERARCHIAL, type);
  EXPECT_EQ(S_OK, browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, L"Dev"));
  EXPECT_EQ(E_INVALIDARG, browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, nullptr));
  CComPtr<IEnumString> names;
  ASSERT_EQ(S_OK, browse->BrowseOPCItemIDs(OPC_FLAT, L"B*", VT_EMPTY, 0, &names.p));
  LPOLESTR got[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(S_FALSE, names->Next(3, got, &fetched));
  ASSERT_EQ(2u, fetched);
  EXPECT_EQ(std::wstring(L"Dev.A"), got[0]);
  EXPECT_EQ(std::wstring(L"Dev.B*"), got[1]);
  CoTaskMemFree(got[0]);
  CoTaskMemFree(got[1]);
  CComPtr<IEnumString> none;
  EXPECT_EQ(S_FALSE, browse->BrowseOPCItemIDs(OPC_LEAF, nullptr, VT_EMPTY, 0, &none.p));
  LPWSTR id = nullptr;
  wchar_t leaf[] = L"A";
  EXPECT_EQ(S_OK, browse->GetItemID(leaf, &id));
  EXPECT_EQ(std::wstring(L"Dev.A"), id);
  CoTaskMemFree(id);
  EXPECT_EQ(E_NOTIMPL, browse->BrowseAccessPaths(L"Dev.A", &none.p));
}

TEST_F(ScriptedObjectMarshalTest, ItemProperties) {
  auto props = As<IOPCItemProperties>();
  ASSERT_TRUE(props);
  wchar_t item[] = L"Dev.A";
  DWORD count = 0;
  DWORD* ids = nullptr;
  LPWSTR* texts = nullptr;
  VARTYPE* types = nullptr;
  ASSERT_EQ(S_OK, props->QueryAvailableProperties(item, &count, &ids, &texts, &types));
  ASSERT_EQ(2u, count);
  EXPECT_EQ(5000u, ids[1]);
  EXPECT_EQ(std::wstring(L"Vendor"), texts[1]);
  EXPECT_EQ(VT_BSTR, types[1]);
  for (DWORD i = 0; i < count; ++i) CoTaskMemFree(texts[i]);
  CoTaskMemFree(ids);
  CoTaskMemFree(texts);
  CoTaskMemFree(types);

  DWORD wanted[] = {1, 7};
  VARIANT* values = nullptr;
  HRESULT* errors = nullptr;
  EXPECT_EQ(S_FALSE, props->GetItemProperties(item, 2, wanted, &values, &errors));
  EXPECT_EQ(VT_I4, values[0].vt);
  EXPECT_EQ(2, values[0].lVal);
  EXPECT_EQ(OPC_E_INVALID_PID, errors[1]);
  CoTaskMemFree(values);
  CoTaskMemFree(errors);

  LPWSTR* newIds = nullptr;
  EXPECT_EQ(S_OK, props->LookupItemIDs(item, 1, wanted, &newIds, &errors));
  EXPECT_EQ(std::wstring(L"Dev.A.p"), newIds[0]);
  CoTaskMemFree(newIds[0]);
  CoTaskMemFree(newIds);
  CoTaskMemFree(errors);
}

TEST_F(ScriptedObjectMarshalTest, AsynchronousIO) {
  auto io = As<IOPCAsyncIO2>();
  ASSERT_TRUE(io);
  OPCHANDLE handles[] = {4, 0};
  DWORD cancel = 0;
  HRESULT* errors = nullptr;
  EXPECT_EQ(S_FALSE, io->Read(2, handles, 7, &cancel, &errors));
  EXPECT_EQ(107u, cancel);
  EXPECT_EQ(S_OK, errors[0]);
  EXPECT_EQ(OPC_E_INVALIDHANDLE, errors[1]);
  CoTaskMemFree(errors);
  EXPECT_EQ(S_OK, io->Refresh2(OPC_DS_DEVICE, 40, &cancel));
  EXPECT_EQ(42u, cancel);
  EXPECT_EQ(E_FAIL, io->Cancel2(1));
  EXPECT_EQ(S_OK, io->SetEnable(FALSE));
  BOOL enabled = TRUE;
  EXPECT_EQ(S_OK, io->GetEnable(&enabled));
  EXPECT_FALSE(enabled);
}

class CRecordingSink : public CComObjectRootEx<CComMultiThreadModel>, public IAdviseSink {
 public:
  BEGIN_COM_MAP(CRecordingSink)
    COM_INTERFACE_ENTRY(IAdviseSink)
  END_COM_MAP()
  void OnDataChange(FORMATETC* f, STGMEDIUM* m) override {
    format = f->cfFormat;
    size = GlobalSize(m->hGlobal);
    first = *static_cast<BYTE*>(GlobalLock(m->hGlobal));
    GlobalUnlock(m->hGlobal);
  }
  void OnViewChange(DWORD, LONG) override {}
  void OnRename(IMoniker*) override {}
  void OnSave() override {}
  void OnClose() override {}
  CLIPFORMAT format = 0;
  SIZE_T size = 0;
  BYTE first = 0;
};

TEST_F(ScriptedObjectMarshalTest, DataObjectStreamsAndAdviseSinks) {
  auto data = As<IDataObject>();
  ASSERT_TRUE(data);
  FORMATETC format{static_cast<CLIPFORMAT>(RegisterClipboardFormatW(OPCSTMFORMATDATATIME)), nullptr, DVASPECT_CONTENT,
                   -1, TYMED_HGLOBAL};
  EXPECT_EQ(S_OK, data->QueryGetData(&format));
  STGMEDIUM medium{};
  ASSERT_EQ(S_OK, data->GetData(&format, &medium));
  EXPECT_EQ(TYMED_HGLOBAL, medium.tymed);
  EXPECT_EQ(24u, GlobalSize(medium.hGlobal));
  EXPECT_EQ(0x5A, *static_cast<BYTE*>(GlobalLock(medium.hGlobal)));
  GlobalUnlock(medium.hGlobal);
  ReleaseStgMedium(&medium);
  FORMATETC other = format;
  other.cfFormat = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(OPCSTMFORMATWRITECOMPLETE));
  EXPECT_EQ(DV_E_FORMATETC, data->GetData(&other, &medium));

  CComObject<CRecordingSink>* sink = nullptr;
  CComObject<CRecordingSink>::CreateInstance(&sink);
  CComPtr<IAdviseSink> held(sink);
  DWORD connection = 0;
  ASSERT_EQ(S_OK, data->DAdvise(&format, 0, sink, &connection));
  EXPECT_EQ(3u, connection);
  EXPECT_EQ(format.cfFormat, sink->format);  // the format travelled by its name
  EXPECT_EQ(24u, sink->size);
  EXPECT_EQ(0x11, sink->first);
  EXPECT_EQ(S_OK, data->DUnadvise(connection));
  EXPECT_EQ(OLE_E_NOCONNECTION, data->DUnadvise(9));

  auto io = As<IOPCAsyncIO>();
  ASSERT_TRUE(io);
  OPCHANDLE h = 1;
  DWORD transaction = 0;
  HRESULT* errors = nullptr;
  EXPECT_EQ(S_OK, io->Read(connection, OPC_DS_CACHE, 1, &h, &transaction, &errors));
  EXPECT_EQ(30u, transaction);
  CoTaskMemFree(errors);
  EXPECT_EQ(S_OK, io->Refresh(connection, OPC_DS_CACHE, &transaction));
  EXPECT_EQ(4u, transaction);
}

}  // namespace
