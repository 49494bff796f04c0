#include "platform/com/Activation.h"

#include "platform/com/ComErrors.h"
#include "platform/com/ComObject.h"
#include "platform/com/Guid.h"
#include "platform/com/Memory.h"
#include "platform/win32/Time.h"
#include "platform/win32/testing/TempMachineRoot.h"
#include "platform/com/tests/activation/RegistryProbe.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

namespace {

DEFINE_GUID_TEXT(CLSID_Counter, "7A1D2C30-5E6F-4A8B-9C0D-1E2F3A4B5C6D");
DEFINE_GUID_TEXT(CLSID_Nowhere, "7A1D2C31-5E6F-4A8B-9C0D-1E2F3A4B5C6D");

// A class object that counts the objects it made; the objects are plain IUnknowns.
class CCounterObject : public CComObjectRootEx<CComMultiThreadModel>, public IDispatch {
 public:
  BEGIN_COM_MAP(CCounterObject)
    COM_INTERFACE_ENTRY(IDispatch)
  END_COM_MAP()
  HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }
};

class CCounterFactory : public CComObjectRootEx<CComMultiThreadModel>, public IClassFactory {
 public:
  BEGIN_COM_MAP(CCounterFactory)
    COM_INTERFACE_ENTRY(IClassFactory)
  END_COM_MAP()
  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (throws) throw std::runtime_error("factory fault");
    if (outer) return CLASS_E_NOAGGREGATION;
    ++created;
    return CComObject<CCounterObject>::CreateInstance(riid, ppv);
  }
  HRESULT LockServer(BOOL) override { return S_OK; }
  int created = 0;
  bool throws = false;
};

class ActivationTest : public ::testing::Test {
 protected:
  ActivationTest() {
    CComObject<CCounterFactory>::CreateInstance(&factory);
    factory->AddRef();
  }
  ~ActivationTest() override { factory->Release(); }

  tessaly::testing::TempMachineRoot root;
  CComObject<CCounterFactory>* factory = nullptr;
};

TEST_F(ActivationTest, RegisteredClassIsCreatedInEveryContextUntilRevoked) {
  DWORD cookie = 0;
  ASSERT_EQ(CoRegisterClassObject(CLSID_Counter, factory, CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                                  REGCLS_MULTIPLEUSE, &cookie),
            S_OK);
  EXPECT_NE(cookie, 0u);
  for (DWORD ctx : {CLSCTX_LOCAL_SERVER, CLSCTX_INPROC_SERVER, CLSCTX_ALL, CLSCTX_SERVER}) {
    SCOPED_TRACE(ctx);
    IDispatch* obj = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_Counter, nullptr, ctx, &obj), S_OK);
    obj->Release();
  }
  EXPECT_EQ(factory->created, 4);
  IClassFactory* cf = nullptr;
  ASSERT_EQ(CoGetClassObject(CLSID_Counter, CLSCTX_ALL, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&cf)),
            S_OK);
  EXPECT_EQ(cf, static_cast<IClassFactory*>(factory));
  cf->Release();

  EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
  EXPECT_EQ(CoRevokeClassObject(cookie), CO_E_OBJNOTREG);
  IUnknown* obj = reinterpret_cast<IUnknown*>(0x1);
  EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&obj)),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(factory->GetRefCount(), 1);  // the table let its reference go
}

TEST_F(ActivationTest, CreateInstanceExAnswersEachInterfaceOnItsOwn) {
  DWORD cookie = 0;
  ASSERT_EQ(CoRegisterClassObject(CLSID_Counter, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
  MULTI_QI qi[3] = {{&IID_IDispatch, nullptr, S_OK}, {&IID_IUnknown, nullptr, S_OK}, {&IID_IClassFactory, nullptr, S_OK}};
  EXPECT_EQ(CO_S_NOTALLINTERFACES, CoCreateInstanceEx(CLSID_Counter, nullptr, CLSCTX_LOCAL_SERVER, nullptr, 3, qi));
  EXPECT_EQ(S_OK, qi[0].hr);
  EXPECT_EQ(S_OK, qi[1].hr);
  EXPECT_EQ(E_NOINTERFACE, qi[2].hr);
  EXPECT_EQ(nullptr, qi[2].pItf);
  qi[0].pItf->Release();
  qi[1].pItf->Release();
  // A named machine is never served from this process's table.
  wchar_t host[] = L"elsewhere";
  COSERVERINFO info{0, host, nullptr, 0};
  EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstanceEx(CLSID_Counter, nullptr, CLSCTX_SERVER, &info, 1, qi));
  EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
}

TEST_F(ActivationTest, OutOfProcessHooksHearOfRegistrationsAndAnswerWhatTheTableCannot) {
  std::vector<std::pair<DWORD, bool>> heard;
  SetClassRegistrationHook([&](REFCLSID clsid, DWORD context, bool registered) {
    if (clsid == CLSID_Counter) heard.emplace_back(context, registered);
  });
  SetOutOfProcessActivationHook([&](REFCLSID, DWORD context, COSERVERINFO*, REFIID riid, LPVOID* ppv) -> HRESULT {
    if (!(context & CLSCTX_LOCAL_SERVER)) return REGDB_E_CLASSNOTREG;
    return factory->QueryInterface(riid, ppv);
  });
  DWORD cookie = 0, inproc = 0;
  ASSERT_EQ(CoRegisterClassObject(CLSID_Counter, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &inproc), S_OK);
  ASSERT_EQ(CoRevokeClassObject(inproc), S_OK);
  ASSERT_EQ(CoRegisterClassObject(CLSID_Counter, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
  ASSERT_EQ(CoRevokeClassObject(cookie), S_OK);
  EXPECT_EQ((std::vector<std::pair<DWORD, bool>>{{CLSCTX_LOCAL_SERVER, true}, {CLSCTX_LOCAL_SERVER, false}}), heard);
  IDispatch* obj = nullptr;
  EXPECT_EQ(S_OK, CoCreateInstance(CLSID_Nowhere, nullptr, CLSCTX_ALL, &obj));  // no in-process server: local
  obj->Release();
  EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(CLSID_Nowhere, nullptr, CLSCTX_INPROC_SERVER, &obj));
  SetClassRegistrationHook(nullptr);
  SetOutOfProcessActivationHook(nullptr);
}

TEST_F(ActivationTest, SingleUseRegistrationServesOnceAndStillRevokes) {
  DWORD cookie = 0;
  ASSERT_EQ(CoRegisterClassObject(CLSID_Counter, factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &cookie), S_OK);
  IUnknown* obj = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, reinterpret_cast<void**>(&obj)),
            S_OK);
  obj->Release();
  EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, reinterpret_cast<void**>(&obj)),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(factory->created, 1);
  EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);  // the server's paired revoke still succeeds
}

TEST_F(ActivationTest, CreationErrorsAreReportedAndNothingIsHandedOut) {
  DWORD cookie = 0;
  ASSERT_EQ(CoRegisterClassObject(CLSID_Counter, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
  IUnknown* out = nullptr;
  IUnknown* outer = factory;
  EXPECT_EQ(CoCreateInstance(CLSID_Counter, outer, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&out)),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_ALL, IID_IClassFactory, reinterpret_cast<void**>(&out)),
            E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  factory->throws = true;  // an exception never crosses the call
  EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&out)),
            E_FAIL);
  EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_ALL, IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, 0, IID_IUnknown, reinterpret_cast<void**>(&out)), E_INVALIDARG);
  EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);

  EXPECT_EQ(CoRegisterClassObject(CLSID_Counter, nullptr, CLSCTX_ALL, REGCLS_MULTIPLEUSE, &cookie), E_INVALIDARG);
  EXPECT_EQ(CoRegisterClassObject(CLSID_Counter, factory, CLSCTX_ALL, REGCLS_MULTIPLEUSE, nullptr), E_POINTER);
}

TEST_F(ActivationTest, UnknownClassIsNotRegistered) {
  IUnknown* out = nullptr;
  EXPECT_EQ(CoCreateInstance(CLSID_Nowhere, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&out)),
            REGDB_E_CLASSNOTREG);
  // A class key without InprocServer32 (an out-of-process server) is not loadable in-process.
  probe::SetString(HKEY_CLASSES_ROOT, L"CLSID\\" + tessaly::GuidToString(CLSID_Nowhere) + L"\\LocalServer32", nullptr,
                   L"/usr/bin/server");
  EXPECT_EQ(CoCreateInstance(CLSID_Nowhere, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&out)),
            REGDB_E_CLASSNOTREG);
}

TEST_F(ActivationTest, LibraryLoadFailures) {
  const std::wstring inproc = L"CLSID\\" + tessaly::GuidToString(CLSID_Nowhere) + L"\\InprocServer32";
  struct Case {
    std::string path;
    HRESULT expected;
  };
  std::string notALibrary = root.Path() + "/not-a-library.so";
  FILE* f = std::fopen(notALibrary.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("plain text", f);
  std::fclose(f);
  const Case cases[] = {
      {root.Path() + "/missing.so", CO_E_DLLNOTFOUND},
      {notALibrary, CO_E_ERRORINDLL},
      {"libc.so.6", CO_E_DLLNOTFOUND},  // a bare name is no path to a file here
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    probe::SetString(HKEY_CLASSES_ROOT, inproc, nullptr, std::wstring(c.path.begin(), c.path.end()));
    IUnknown* out = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_Nowhere, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&out)),
              c.expected);
    // Not asked for in-process: the registry entry is not looked at.
    EXPECT_EQ(CoCreateInstance(CLSID_Nowhere, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&out)),
              REGDB_E_CLASSNOTREG);
  }
}

TEST_F(ActivationTest, ProgIdsFollowCurVerAndMapBack) {
  const std::wstring clsid = tessaly::GuidToString(CLSID_Counter);
  probe::SetString(HKEY_CLASSES_ROOT, L"Acme.Counter.2\\CLSID", nullptr, clsid);
  probe::SetString(HKEY_CLASSES_ROOT, L"Acme.Counter\\CurVer", nullptr, L"Acme.Counter.2");
  probe::SetString(HKEY_CLASSES_ROOT, L"Acme.Counter\\CLSID", nullptr, tessaly::GuidToString(CLSID_Nowhere));
  probe::SetString(HKEY_CLASSES_ROOT, L"Acme.Loop\\CurVer", nullptr, L"Acme.Loop2");
  probe::SetString(HKEY_CLASSES_ROOT, L"Acme.Loop2\\CurVer", nullptr, L"Acme.Loop");
  probe::SetString(HKEY_CLASSES_ROOT, L"Acme.Bad\\CLSID", nullptr, L"not a guid");
  probe::SetString(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid + L"\\ProgID", nullptr, L"Acme.Counter.2");

  struct Case {
    const wchar_t* progId;
    HRESULT hr;
    CLSID expected;
  };
  const Case cases[] = {
      {L"Acme.Counter", S_OK, CLSID_Counter},  // the current version wins over a stale CLSID
      {L"acme.counter.2", S_OK, CLSID_Counter},
      {L"{7A1D2C30-5E6F-4A8B-9C0D-1E2F3A4B5C6D}", S_OK, CLSID_Counter},
      {L"{7A1D2C30-nonsense}", CO_E_CLASSSTRING, GUID_NULL},
      {L"Acme.Unknown", CO_E_CLASSSTRING, GUID_NULL},
      {L"Acme.Loop", CO_E_CLASSSTRING, GUID_NULL},
      {L"Acme.Bad", CO_E_CLASSSTRING, GUID_NULL},
      {L"", CO_E_CLASSSTRING, GUID_NULL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.progId);
    CLSID got = GUID_NULL;
    EXPECT_EQ(CLSIDFromProgID(c.progId, &got), c.hr);
    if (c.hr == S_OK) {
      EXPECT_EQ(got, c.expected);
    }
  }

  LPOLESTR progId = nullptr;
  ASSERT_EQ(ProgIDFromCLSID(CLSID_Counter, &progId), S_OK);
  EXPECT_STREQ(progId, L"Acme.Counter.2");
  CoTaskMemFree(progId);
  EXPECT_EQ(ProgIDFromCLSID(CLSID_Nowhere, &progId), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(progId, nullptr);
}

TEST(Apartments, CountPerThreadAndRefuseAModeChange) {
  std::thread([] {
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    EXPECT_EQ(CoInitialize(nullptr), RPC_E_CHANGED_MODE);
    EXPECT_EQ(OleInitialize(nullptr), RPC_E_CHANGED_MODE);
    CoUninitialize();
    CoUninitialize();
    // Fully uninitialised: a new mode may be chosen.
    EXPECT_EQ(OleInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    CoUninitialize();
    OleUninitialize();
    OleUninitialize();  // unpaired: harmless
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    CoUninitialize();
  }).join();
}

TEST(Clipboard, FormatsAreProcessWideAndIgnoreCase) {
  UINT data = RegisterClipboardFormatW(L"TestFormatData");
  UINT time = RegisterClipboardFormat(L"TestFormatDataTime");
  EXPECT_GE(data, 0xC000u);
  EXPECT_LE(data, 0xFFFFu);
  EXPECT_NE(data, time);
  EXPECT_EQ(RegisterClipboardFormatW(L"TESTFORMATDATA"), data);
  UINT fromThread = 0;
  std::thread([&] { fromThread = RegisterClipboardFormatW(L"testformatdatatime"); }).join();
  EXPECT_EQ(fromThread, time);
  EXPECT_EQ(RegisterClipboardFormatW(L""), 0u);
  EXPECT_EQ(RegisterClipboardFormatW(nullptr), 0u);
}

TEST(CoFileTime, ComesFromTheInjectedClock) {
  tessaly::win32::ManualClock clock(0x01D0000000000000ull, 0);
  tessaly::win32::ScopedClockForTesting scoped(clock);
  FILETIME ft{};
  ASSERT_EQ(CoFileTimeNow(&ft), S_OK);
  EXPECT_EQ(tessaly::win32::FileTimeToUInt64(ft), 0x01D0000000000000ull);
  EXPECT_EQ(CoFileTimeNow(nullptr), E_INVALIDARG);
}

TEST(Disconnect, NoOpUntilAHookIsInstalled) {
  CComObject<CCounterObject>* obj = nullptr;
  ASSERT_EQ(CComObject<CCounterObject>::CreateInstance(&obj), S_OK);
  obj->AddRef();
  EXPECT_EQ(CoDisconnectObject(obj, 0), S_OK);
  IUnknown* seen = nullptr;
  SetCoDisconnectObjectHook([&](IUnknown* unk, DWORD) {
    seen = unk;
    return RPC_E_DISCONNECTED;
  });
  EXPECT_EQ(CoDisconnectObject(obj, 0), RPC_E_DISCONNECTED);
  EXPECT_EQ(seen, static_cast<IUnknown*>(obj));
  SetCoDisconnectObjectHook([](IUnknown*, DWORD) -> HRESULT { throw std::bad_alloc(); });
  EXPECT_EQ(CoDisconnectObject(obj, 0), E_OUTOFMEMORY);
  SetCoDisconnectObjectHook(nullptr);
  EXPECT_EQ(CoDisconnectObject(obj, 0), S_OK);
  EXPECT_EQ(CoDisconnectObject(nullptr, 0), E_INVALIDARG);
  EXPECT_EQ(CoLockObjectExternal(obj, TRUE, TRUE), S_OK);
  obj->Release();
}

TEST(ComTry, TurnsExceptionsIntoResults) {
  auto body = [](int kind) -> HRESULT {
    COM_TRY
    if (kind == 1) throw std::bad_alloc();
    if (kind == 2) throw std::runtime_error("x");
    if (kind == 3) throw 42;
    return S_OK;
    COM_CATCH
  };
  EXPECT_EQ(body(0), S_OK);
  EXPECT_EQ(body(1), E_OUTOFMEMORY);
  EXPECT_EQ(body(2), E_FAIL);
  EXPECT_EQ(body(3), E_FAIL);
}

}  // namespace
