#include "platform/com/ComObject.h"

#include <gtest/gtest.h>

#include "platform/com/tests/atl/TestInterfaces.h"

namespace {

struct Trace {
  int finalConstructs = 0;
  int finalReleases = 0;
  int destroyed = 0;
  HRESULT constructResult = S_OK;
};

class CFooBar : public CComObjectRootEx<CComMultiThreadModel>, public ITestFoo, public ITestBar {
 public:
  explicit CFooBar(Trace* trace) : m_trace(trace) {}
  ~CFooBar() { ++m_trace->destroyed; }

  BEGIN_COM_MAP(CFooBar)
    COM_INTERFACE_ENTRY(ITestFoo)
    COM_INTERFACE_ENTRY(ITestBar)
  END_COM_MAP()

  HRESULT FinalConstruct() {
    ++m_trace->finalConstructs;
    return m_trace->constructResult;
  }
  void FinalRelease() {
    // A reference taken and dropped here must not destroy the object a second time.
    GetUnknown()->AddRef();
    GetUnknown()->Release();
    ++m_trace->finalReleases;
  }

  int Foo() override { return 1; }
  int Bar() override { return 2; }

 private:
  Trace* m_trace;
};

// A derived class that adds an interface and chains to its base's map.
class CFooBarOther : public CFooBar, public ITestOther {
 public:
  using CFooBar::CFooBar;
  BEGIN_COM_MAP(CFooBarOther)
    COM_INTERFACE_ENTRY(ITestOther)
    COM_INTERFACE_ENTRY_CHAIN(CFooBar)
  END_COM_MAP()
  HRESULT OnOther() override { return S_OK; }
};

TEST(ComObject, QueryInterfaceThroughTheMapKeepsIdentity) {
  Trace trace;
  CComPtr<ITestFoo> foo;
  ASSERT_EQ(S_OK, CreateComObject<CFooBar>(&foo, &trace));
  EXPECT_EQ(1, foo->Foo());

  CComPtr<ITestBar> bar;
  ASSERT_EQ(S_OK, foo.QueryInterface(&bar));
  EXPECT_EQ(2, bar->Bar());

  CComPtr<IUnknown> unkFromFoo, unkFromBar;
  ASSERT_EQ(S_OK, foo.QueryInterface(&unkFromFoo));
  ASSERT_EQ(S_OK, bar.QueryInterface(&unkFromBar));
  EXPECT_EQ(unkFromFoo.p, unkFromBar.p);
  EXPECT_TRUE(foo.IsEqualObject(bar));

  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, foo->QueryInterface(IID_ITestOther, &p));
  EXPECT_EQ(nullptr, p);
  EXPECT_EQ(E_POINTER, foo->QueryInterface(IID_ITestBar, nullptr));
}

TEST(ComObject, ChainedMapAnswersBaseInterfacesWithOneIdentity) {
  Trace trace;
  CComPtr<ITestOther> other;
  ASSERT_EQ(S_OK, CreateComObject<CFooBarOther>(&other, &trace));
  CComQIPtr<ITestBar> bar(other);
  ASSERT_TRUE(bar);
  EXPECT_EQ(2, bar->Bar());
  EXPECT_TRUE(bar.IsEqualObject(other));
  CComQIPtr<IUnknown> unk(other);
  EXPECT_EQ(static_cast<IUnknown*>(other.p), unk.p);  // the first entry is the identity
}

TEST(ComObject, ReferenceCountingAndFinalRelease) {
  Trace trace;
  LONG moduleBefore = GetModuleLockCount();
  {
    CComPtr<ITestFoo> foo;
    ASSERT_EQ(S_OK, CreateComObject<CFooBar>(&foo, &trace));
    EXPECT_EQ(moduleBefore + 1, GetModuleLockCount());
    EXPECT_EQ(1, trace.finalConstructs);
    EXPECT_EQ(2u, foo->AddRef());
    EXPECT_EQ(1u, foo->Release());
    CComPtr<ITestFoo> copy = foo;
    foo.Release();
    EXPECT_EQ(0, trace.destroyed);
  }
  EXPECT_EQ(1, trace.finalReleases);
  EXPECT_EQ(1, trace.destroyed);
  EXPECT_EQ(moduleBefore, GetModuleLockCount());
}

TEST(ComObject, FailedFinalConstructDestroysTheObject) {
  Trace trace;
  trace.constructResult = E_OUTOFMEMORY;
  CComObject<CFooBar>* p = reinterpret_cast<CComObject<CFooBar>*>(1);
  LONG moduleBefore = GetModuleLockCount();
  EXPECT_EQ(E_OUTOFMEMORY, CComObject<CFooBar>::CreateInstance(&p, &trace));
  EXPECT_EQ(nullptr, p);
  EXPECT_EQ(1, trace.destroyed);
  EXPECT_EQ(moduleBefore, GetModuleLockCount());
}

TEST(ComObject, CreateForMissingInterfaceLeavesNothingAlive) {
  Trace trace;
  ITestOther* other = nullptr;
  EXPECT_EQ(E_NOINTERFACE, CreateComObject<CFooBar>(&other, &trace));
  EXPECT_EQ(nullptr, other);
  EXPECT_EQ(1, trace.destroyed);
}

class CCreatable : public CComObjectRootEx<CComMultiThreadModel>,
                   public CComCoClass<CCreatable>,
                   public ITestFoo {
 public:
  BEGIN_COM_MAP(CCreatable)
    COM_INTERFACE_ENTRY(ITestFoo)
  END_COM_MAP()
  int Foo() override { return 7; }
};

TEST(ComObject, ClassFactoryCreatesAndLocksTheModule) {
  LONG before = GetModuleLockCount();
  CComPtr<IClassFactory> factory;
  ASSERT_EQ(S_OK, CCreatable::CreateClassFactory(IID_IClassFactory, reinterpret_cast<void**>(&factory)));
  EXPECT_EQ(before + 1, GetModuleLockCount());

  CComPtr<ITestFoo> foo;
  ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_ITestFoo, reinterpret_cast<void**>(&foo)));
  EXPECT_EQ(7, foo->Foo());

  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(foo, IID_ITestFoo, &p));
  EXPECT_EQ(nullptr, p);

  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  foo.Release();
  factory.Release();
  EXPECT_EQ(before + 1, GetModuleLockCount());
  EXPECT_EQ(0, ModuleUnlock() - before);
}

TEST(ComObject, UnlockedFactoryDoesNotHoldTheModule) {
  LONG before = GetModuleLockCount();
  CComPtr<IClassFactory> factory;
  ASSERT_EQ(S_OK, CCreatable::CreateClassFactory(IID_IClassFactory, reinterpret_cast<void**>(&factory), false));
  EXPECT_EQ(before, GetModuleLockCount());
}

TEST(Module, IdleHandlerRunsWhenTheLastLockGoes) {
  struct Seen {
    int calls = 0;
  } seen;
  ASSERT_EQ(0, GetModuleLockCount());
  SetModuleIdleHandler([](void* c) { ++static_cast<Seen*>(c)->calls; }, &seen);
  ModuleLock();
  ModuleLock();
  ModuleUnlock();
  EXPECT_EQ(0, seen.calls);
  ModuleUnlock();
  EXPECT_EQ(1, seen.calls);
  SetModuleIdleHandler(nullptr, nullptr);
}

}  // namespace
