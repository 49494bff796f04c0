#include "platform/com/InprocServer.h"

#include "platform/com/ComErrors.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Guid.h"
#include "platform/com/Memory.h"
#include "platform/com/testcomponent/TestAdder.h"
#include "platform/win32/TextConv.h"
#include "platform/win32/testing/TempMachineRoot.h"
#include "platform/com/tests/activation/RegistryProbe.h"

#include <dlfcn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

typedef HRESULT (*ExportFunc)();
typedef HRESULT (*GetClassObjectFunc)(REFCLSID, REFIID, LPVOID*);

// The test component, opened the way the runtime opens it (the same handle, never closed).
struct Component {
  Component() {
    handle = ::dlopen(TESSALY_TEST_COMPONENT, RTLD_NOW | RTLD_LOCAL);
    if (!handle) return;
    reg = reinterpret_cast<ExportFunc>(::dlsym(handle, "DllRegisterServer"));
    unreg = reinterpret_cast<ExportFunc>(::dlsym(handle, "DllUnregisterServer"));
    canUnload = reinterpret_cast<ExportFunc>(::dlsym(handle, "DllCanUnloadNow"));
    getClassObject = reinterpret_cast<GetClassObjectFunc>(::dlsym(handle, "DllGetClassObject"));
  }
  void* handle = nullptr;
  ExportFunc reg = nullptr, unreg = nullptr, canUnload = nullptr;
  GetClassObjectFunc getClassObject = nullptr;
};

const std::wstring kClassKey = L"CLSID\\" + tessaly::GuidToString(CLSID_TestAdder);

int RunRegsvr(const std::string& args) {
  std::string command = std::string(TESSALY_REGSVR) + " " + args + " > /dev/null 2>&1";
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class InprocServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(c.handle, nullptr) << ::dlerror();
    ASSERT_TRUE(c.reg && c.unreg && c.canUnload && c.getClassObject);
  }
  tessaly::testing::TempMachineRoot root;
  Component c;
};

void ExpectAdderWorks(REFCLSID clsid) {
  CComPtr<ITestAdder> adder;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, &adder.p), S_OK);
  LONG sum = 0;
  EXPECT_EQ(adder->Add(20, 22, &sum), S_OK);
  EXPECT_EQ(sum, 42);
}

TEST_F(InprocServerTest, RegisteredLibraryIsCreatedByProgIdThroughTheRegistry) {
  IUnknown* out = nullptr;
  EXPECT_EQ(CoCreateInstance(CLSID_TestAdder, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&out)),
            REGDB_E_CLASSNOTREG);
  ASSERT_EQ(c.reg(), S_OK);

  char resolved[PATH_MAX];
  ASSERT_NE(::realpath(TESSALY_TEST_COMPONENT, resolved), nullptr);
  EXPECT_EQ(probe::String(HKEY_CLASSES_ROOT, kClassKey + L"\\InprocServer32"), Utf8ToWide(resolved));
  EXPECT_EQ(probe::String(HKEY_CLASSES_ROOT, kClassKey + L"\\InprocServer32", L"ThreadingModel"), L"Both");

  CLSID clsid = GUID_NULL;
  ASSERT_EQ(CLSIDFromProgID(TEST_ADDER_VI_PROGID, &clsid), S_OK);  // through CurVer
  EXPECT_EQ(clsid, CLSID_TestAdder);
  ExpectAdderWorks(clsid);

  LPOLESTR progId = nullptr;
  ASSERT_EQ(ProgIDFromCLSID(CLSID_TestAdder, &progId), S_OK);
  EXPECT_STREQ(progId, TEST_ADDER_PROGID);
  CoTaskMemFree(progId);

  ASSERT_EQ(c.unreg(), S_OK);
  EXPECT_FALSE(probe::KeyExists(HKEY_CLASSES_ROOT, kClassKey));
  EXPECT_FALSE(probe::KeyExists(HKEY_CLASSES_ROOT, TEST_ADDER_VI_PROGID));
  EXPECT_FALSE(probe::KeyExists(HKEY_CLASSES_ROOT, TEST_ADDER_PROGID));
  EXPECT_TRUE(probe::KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
  EXPECT_EQ(CLSIDFromProgID(TEST_ADDER_VI_PROGID, &clsid), CO_E_CLASSSTRING);
}

TEST_F(InprocServerTest, CanUnloadOnlyWhenNothingHoldsTheLibrary) {
  ASSERT_EQ(c.reg(), S_OK);
  EXPECT_EQ(c.canUnload(), S_OK);
  CComPtr<IClassFactory> factory;
  ASSERT_EQ(CoGetClassObject(CLSID_TestAdder, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory.p)),
            S_OK);
  EXPECT_EQ(c.canUnload(), S_FALSE);  // a live factory
  CComPtr<ITestAdder> adder;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_ITestAdder, reinterpret_cast<void**>(&adder.p)), S_OK);
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Release();
  EXPECT_EQ(c.canUnload(), S_FALSE);  // the object and the lock
  adder.Release();
  EXPECT_EQ(c.canUnload(), S_FALSE);  // the lock
  ASSERT_EQ(CoGetClassObject(CLSID_TestAdder, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory.p)),
            S_OK);
  factory->LockServer(FALSE);
  factory.Release();
  EXPECT_EQ(c.canUnload(), S_OK);
}

TEST_F(InprocServerTest, ExportsAnswerErrorsWithoutThrowing) {
  IUnknown* out = nullptr;
  EXPECT_EQ(c.getClassObject(CLSID_NULL, IID_IClassFactory, reinterpret_cast<void**>(&out)), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(c.getClassObject(CLSID_TestAdder, IID_IClassFactory, nullptr), E_POINTER);
  EXPECT_EQ(c.getClassObject(CLSID_TestAdder, IID_IDispatch, reinterpret_cast<void**>(&out)), E_NOINTERFACE);

  // The class id is registered to this library, which does not make that class.
  constexpr CLSID CLSID_Other = tessaly::GuidFromText("5D0A4E69-3B2C-4F1A-9E51-7C2011A46B01");
  char resolved[PATH_MAX];
  ASSERT_NE(::realpath(TESSALY_TEST_COMPONENT, resolved), nullptr);
  probe::SetString(HKEY_CLASSES_ROOT, L"CLSID\\" + tessaly::GuidToString(CLSID_Other) + L"\\InprocServer32", nullptr,
                   Utf8ToWide(resolved));
  EXPECT_EQ(CoCreateInstance(CLSID_Other, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&out)),
            CLASS_E_CLASSNOTAVAILABLE);

  ASSERT_EQ(c.reg(), S_OK);
  CComPtr<ITestAdder> adder;
  ASSERT_EQ(CoCreateInstance(CLSID_TestAdder, nullptr, CLSCTX_INPROC_SERVER, &adder.p), S_OK);
  EXPECT_EQ(adder->Throw(), E_FAIL);
  // Aggregation is not offered by the library's classes.
  EXPECT_EQ(CoCreateInstance(CLSID_TestAdder, adder, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&out)),
            CLASS_E_NOAGGREGATION);
}

TEST_F(InprocServerTest, RegsvrToolRegistersAndUnregisters) {
  EXPECT_EQ(RunRegsvr(std::string("-s ") + TESSALY_TEST_COMPONENT), 0);
  ExpectAdderWorks(CLSID_TestAdder);
  EXPECT_EQ(RunRegsvr(std::string("-u -s ") + TESSALY_TEST_COMPONENT), 0);
  EXPECT_FALSE(probe::KeyExists(HKEY_CLASSES_ROOT, kClassKey));

  struct Case {
    std::string args;
    int exitCode;
  };
  const Case cases[] = {
      {"", 1},
      {"-x lib.so", 1},
      {root.Path() + "/missing.so", 2},
      {"/bin/sh", 2},  // an executable, not a library
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.args);
    EXPECT_EQ(RunRegsvr(k.args), k.exitCode);
  }
}

}  // namespace
