// Implementing COM objects in a few lines: an object root (reference count, object lock,
// FinalConstruct/FinalRelease), an interface map that QueryInterface walks, CComObject<T>
// that supplies IUnknown, and a class-factory creator.
//
//   class CThing : public CComObjectRootEx<CComMultiThreadModel>, public IFoo, public IBar {
//    public:
//     BEGIN_COM_MAP(CThing)
//       COM_INTERFACE_ENTRY(IFoo)
//       COM_INTERFACE_ENTRY(IBar)
//     END_COM_MAP()
//     ...IFoo and IBar methods...
//   };
//   CComObject<CThing>* p; CComObject<CThing>::CreateInstance(&p);
//
// The first entry of the map is the object's IUnknown identity. QueryInterface is a table
// walk with static casts, so it works across shared libraries without RTTI.
#pragma once

#include "platform/com/ComErrors.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Module.h"
#include "platform/com/ObjIdl.h"

#include <atomic>
#include <climits>
#include <mutex>
#include <new>
#include <utility>

// ---- interface maps --------------------------------------------------------------------
struct COM_INTMAP_ENTRY {
  const IID* piid;                          // null on a chain entry and on the terminator
  void* (*cast)(void* pThis);               // from the map's class to the interface (or base)
  const COM_INTMAP_ENTRY* (*chain)();       // a base class's map, for COM_INTERFACE_ENTRY_CHAIN
};

// The object's IUnknown (its first map entry, following chains), without a reference.
inline IUnknown* ComIdentity(void* pThis, const COM_INTMAP_ENTRY* entries) {
  while (entries->piid == nullptr && entries->chain) {
    pThis = entries->cast(pThis);
    entries = entries->chain();
  }
  return entries->cast ? static_cast<IUnknown*>(entries->cast(pThis)) : nullptr;
}

// Finds iid in the map of the object at pThis (a pointer to the map's class); AddRefs the result.
inline HRESULT ComInternalQueryInterface(void* pThis, const COM_INTMAP_ENTRY* entries, REFIID iid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (iid == IID_IUnknown) {
    // Identity: the same pointer whatever interface is asked through.
    IUnknown* unk = ComIdentity(pThis, entries);
    if (!unk) return E_NOINTERFACE;
    unk->AddRef();
    *ppv = unk;
    return S_OK;
  }
  for (const COM_INTMAP_ENTRY* e = entries; e->cast; ++e) {
    if (e->piid == nullptr) {
      if (e->chain && SUCCEEDED(ComInternalQueryInterface(e->cast(pThis), e->chain(), iid, ppv))) return S_OK;
      continue;
    }
    if (*e->piid == iid) {
      // Every interface derives singly from IUnknown, so its pointer is its IUnknown's too.
      auto* itf = static_cast<IUnknown*>(e->cast(pThis));
      itf->AddRef();
      *ppv = itf;
      return S_OK;
    }
  }
  return E_NOINTERFACE;
}

#define BEGIN_COM_MAP(x)                                     \
 public:                                                     \
  typedef x _ComMapClass;                                    \
  static const ::COM_INTMAP_ENTRY* _GetEntries() {           \
    static const ::COM_INTMAP_ENTRY _entries[] = {

// An interface the class derives from once.
#define COM_INTERFACE_ENTRY(I)                                                                           \
  {&::uuidof<I>(), [](void* p) -> void* { return static_cast<::IUnknown*>(static_cast<I*>(static_cast<_ComMapClass*>(p))); }, \
   nullptr},
// An interface reached through one of several bases (IDispatch through IFoo).
#define COM_INTERFACE_ENTRY2(I, Via)                                                                          \
  {&::uuidof<I>(),                                                                                           \
   [](void* p) -> void* { return static_cast<::IUnknown*>(static_cast<I*>(static_cast<Via*>(static_cast<_ComMapClass*>(p)))); }, \
   nullptr},
// Another IID answered by the interface I (an event interface served by IDispatch).
#define COM_INTERFACE_ENTRY_IID(iid, I)                                                                  \
  {&(iid), [](void* p) -> void* { return static_cast<::IUnknown*>(static_cast<I*>(static_cast<_ComMapClass*>(p))); }, \
   nullptr},
// The whole map of a base class that has one of its own.
#define COM_INTERFACE_ENTRY_CHAIN(Base)                                                                \
  {nullptr, [](void* p) -> void* { return static_cast<Base*>(static_cast<_ComMapClass*>(p)); }, &Base::_GetEntries},

#define END_COM_MAP()                                                                              \
  {nullptr, nullptr, nullptr}                                                                      \
  }                                                                                                \
  ;                                                                                                \
  return _entries;                                                                                 \
  }                                                                                                \
  HRESULT _InternalQueryInterface(REFIID iid, void** ppv) {                                        \
    return ::ComInternalQueryInterface(static_cast<void*>(this), _GetEntries(), iid, ppv);         \
  }                                                                                                \
  /* The object's identity, without a reference; safe in constructors. */                       \
  ::IUnknown* GetUnknown() { return ::ComIdentity(static_cast<void*>(this), _GetEntries()); }

// ---- the object root -----------------------------------------------------------------------
// Both models count atomically and lock with a recursive mutex: the apartment rules do not hold
// here, so every object is safe to call from any thread.
struct CComMultiThreadModel {};
struct CComSingleThreadModel {};

class CComObjectRootBase {
 public:
  CComObjectRootBase() = default;
  CComObjectRootBase(const CComObjectRootBase&) = delete;
  CComObjectRootBase& operator=(const CComObjectRootBase&) = delete;

  // Called once after construction (a failure destroys the object) and before destruction.
  HRESULT FinalConstruct() { return S_OK; }
  void FinalRelease() {}

  LONG InternalAddRef() { return ++m_dwRef; }
  LONG InternalRelease() { return --m_dwRef; }
  LONG GetRefCount() const { return m_dwRef.load(); }

  // The object lock (recursive).
  void Lock() { m_lock.lock(); }
  void Unlock() { m_lock.unlock(); }
  std::recursive_mutex& GetObjectMutex() { return m_lock; }

  class ObjectLock {
   public:
    explicit ObjectLock(CComObjectRootBase* p) : m_p(p) { m_p->Lock(); }
    ~ObjectLock() { m_p->Unlock(); }
    ObjectLock(const ObjectLock&) = delete;
    ObjectLock& operator=(const ObjectLock&) = delete;

   private:
    CComObjectRootBase* m_p;
  };

 protected:
  ~CComObjectRootBase() = default;

  std::atomic<LONG> m_dwRef{0};

 private:
  std::recursive_mutex m_lock;
};

template <class ThreadModel>
class CComObjectRootEx : public CComObjectRootBase {
 public:
  typedef ThreadModel _ThreadModel;
};
typedef CComObjectRootEx<CComMultiThreadModel> CComObjectRoot;

// ---- CComObject -----------------------------------------------------------------------------
// Supplies IUnknown for Base; holds the module lock unless bModuleLock is false (class
// factories of an out-of-process server, which must not keep the server running).
template <class Base, bool bModuleLock = true>
class CComObjectT : public Base {
 public:
  template <class... Args>
  explicit CComObjectT(Args&&... args) : Base(std::forward<Args>(args)...) {
    if constexpr (bModuleLock) ModuleLock();
  }
  virtual ~CComObjectT() {
    // Keeps AddRef/Release pairs made during FinalRelease from deleting twice.
    this->m_dwRef = INT32_MAX / 2;
    this->FinalRelease();
    if constexpr (bModuleLock) ModuleUnlock();
  }

  HRESULT QueryInterface(REFIID iid, void** ppv) override { return this->_InternalQueryInterface(iid, ppv); }
  ULONG AddRef() override { return static_cast<ULONG>(this->InternalAddRef()); }
  ULONG Release() override {
    LONG count = this->InternalRelease();
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
  }

  // A new object with a reference count of 0 (the first QueryInterface or AddRef takes one).
  template <class... Args>
  static HRESULT CreateInstance(CComObjectT** pp, Args&&... args) {
    if (!pp) return E_POINTER;
    *pp = nullptr;
    auto* p = new (std::nothrow) CComObjectT(std::forward<Args>(args)...);
    if (!p) return E_OUTOFMEMORY;
    // A reference during FinalConstruct, so code there may hand the object out and back.
    p->InternalAddRef();
    HRESULT hr = p->FinalConstruct();
    p->InternalRelease();
    if (FAILED(hr)) {
      delete p;
      return hr;
    }
    *pp = p;
    return S_OK;
  }

  // A new object, queried for iid (the object dies again if it lacks iid).
  template <class... Args>
  static HRESULT CreateInstance(REFIID iid, void** ppv, Args&&... args) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    CComObjectT* p = nullptr;
    HRESULT hr = CreateInstance(&p, std::forward<Args>(args)...);
    if (FAILED(hr)) return hr;
    p->AddRef();
    hr = p->QueryInterface(iid, ppv);
    p->Release();
    return hr;
  }
};

template <class Base>
using CComObject = CComObjectT<Base, true>;
template <class Base>
using CComObjectNoLock = CComObjectT<Base, false>;

// Creates a CComObject<T> and returns it as I with one reference.
template <class T, class I, class... Args>
HRESULT CreateComObject(I** ppv, Args&&... args) {
  return CComObject<T>::CreateInstance(uuidof<I>(), reinterpret_cast<void**>(ppv), std::forward<Args>(args)...);
}

// ---- class factories -------------------------------------------------------------------------
typedef HRESULT (*ComCreatorFunc)(IUnknown* pUnkOuter, REFIID riid, void** ppv);

class CComClassFactory : public CComObjectRootEx<CComMultiThreadModel>, public IClassFactory {
 public:
  explicit CComClassFactory(ComCreatorFunc creator) : m_creator(creator) {}

  BEGIN_COM_MAP(CComClassFactory)
    COM_INTERFACE_ENTRY(IClassFactory)
  END_COM_MAP()

  HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    return m_creator(nullptr, riid, ppvObject);
  }
  HRESULT LockServer(BOOL fLock) override {
    if (fLock) ModuleLock();
    else ModuleUnlock();
    return S_OK;
  }

  // A factory queried for riid. holdsModule: whether the factory object itself keeps the
  // module (true for in-process libraries, false for a registered out-of-process factory).
  static HRESULT Create(ComCreatorFunc creator, REFIID riid, void** ppv, bool holdsModule = true) {
    if (holdsModule) return CComObject<CComClassFactory>::CreateInstance(riid, ppv, creator);
    return CComObjectNoLock<CComClassFactory>::CreateInstance(riid, ppv, creator);
  }

 private:
  ComCreatorFunc m_creator;
};

// Mixin for a creatable class: gives its creator (for a class factory) and its CLSID.
// Aggregation is not offered.
template <class T, const CLSID* pclsid = &CLSID_NULL>
class CComCoClass {
 public:
  static const CLSID& GetObjectCLSID() { return *pclsid; }

  static HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    return CComObject<T>::CreateInstance(riid, ppv);
  }
  static HRESULT CreateClassFactory(REFIID riid, void** ppv, bool holdsModule = true) {
    return CComClassFactory::Create(&CComCoClass::CreateInstance, riid, ppv, holdsModule);
  }
};
