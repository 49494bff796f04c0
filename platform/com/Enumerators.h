// IEnumXXX over a copy of the items, taken when the enumerator is made. A copy policy says how
// items are kept and handed out:
//   stored type  | handed out as
//   std::wstring | LPOLESTR copied with CoTaskMemAlloc (CopyPolicyString)
//   CComPtr<I>   | I* with a reference (CopyPolicyInterface<I>)
//   T            | T by plain copy (CopyPolicyValue<T>, for FORMATETC, GUID, ...)
// Next follows the COM rules: S_OK when celt items were fetched, S_FALSE with the number fetched
// when fewer remained; pceltFetched may be null only when celt is 1.
#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/Memory.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

template <class T>
struct CopyPolicyValue {
  typedef T Item;
  typedef T Stored;
  static HRESULT copy(Item* out, const Stored& in) {
    *out = in;
    return S_OK;
  }
  static void destroy(Item*) {}
};

struct CopyPolicyString {
  typedef LPOLESTR Item;
  typedef std::wstring Stored;
  static HRESULT copy(Item* out, const Stored& in) {
    size_t bytes = (in.size() + 1) * sizeof(OLECHAR);
    auto* p = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (!p) return E_OUTOFMEMORY;
    std::memcpy(p, in.c_str(), bytes);
    *out = p;
    return S_OK;
  }
  static void destroy(Item* p) {
    CoTaskMemFree(*p);
    *p = nullptr;
  }
};

template <class I>
struct CopyPolicyInterface {
  typedef I* Item;
  typedef CComPtr<I> Stored;
  static HRESULT copy(Item* out, const Stored& in) {
    *out = in.p;
    if (in.p) in.p->AddRef();
    return S_OK;
  }
  static void destroy(Item* p) {
    if (*p) (*p)->Release();
    *p = nullptr;
  }
};

// The connection's sink keeps a reference in the copy handed out.
struct CopyPolicyConnectData {
  struct StoredConnection {
    CComPtr<IUnknown> pUnk;
    DWORD dwCookie;
  };
  typedef CONNECTDATA Item;
  typedef StoredConnection Stored;
  static HRESULT copy(Item* out, const Stored& in) {
    out->pUnk = in.pUnk.p;
    if (in.pUnk.p) in.pUnk.p->AddRef();
    out->dwCookie = in.dwCookie;
    return S_OK;
  }
  static void destroy(Item* p) {
    if (p->pUnk) p->pUnk->Release();
    p->pUnk = nullptr;
  }
};

// The enumerator object for interface Base (IEnumString, ...) with the given copy policy.
template <class Base, class Copy>
class CComEnumOnVector : public CComObjectRootEx<CComMultiThreadModel>, public Base {
 public:
  typedef typename Copy::Item Item;
  typedef typename Copy::Stored Stored;
  typedef std::vector<Stored> Items;

  CComEnumOnVector(std::shared_ptr<const Items> items, size_t pos) : m_items(std::move(items)), m_pos(pos) {}

  BEGIN_COM_MAP(CComEnumOnVector)
    COM_INTERFACE_ENTRY(Base)
  END_COM_MAP()

  HRESULT Next(ULONG celt, Item* rgelt, ULONG* pceltFetched) override {
    if (pceltFetched) *pceltFetched = 0;
    if (!rgelt || (celt != 1 && !pceltFetched)) return rgelt ? E_INVALIDARG : E_POINTER;
    ObjectLock lock(this);
    size_t remaining = m_items->size() - m_pos;
    ULONG take = celt < remaining ? celt : static_cast<ULONG>(remaining);
    for (ULONG i = 0; i < take; ++i) {
      HRESULT hr = Copy::copy(&rgelt[i], (*m_items)[m_pos + i]);
      if (FAILED(hr)) {
        // Nothing half handed out: undo the copies made so far.
        for (ULONG j = 0; j < i; ++j) Copy::destroy(&rgelt[j]);
        return hr;
      }
    }
    m_pos += take;
    if (pceltFetched) *pceltFetched = take;
    return take == celt ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG celt) override {
    ObjectLock lock(this);
    size_t remaining = m_items->size() - m_pos;
    if (celt > remaining) {
      m_pos = m_items->size();
      return S_FALSE;
    }
    m_pos += celt;
    return S_OK;
  }
  HRESULT Reset() override {
    ObjectLock lock(this);
    m_pos = 0;
    return S_OK;
  }
  HRESULT Clone(Base** ppenum) override {
    if (!ppenum) return E_POINTER;
    size_t pos;
    {
      ObjectLock lock(this);
      pos = m_pos;
    }
    return CComObject<CComEnumOnVector>::CreateInstance(uuidof<Base>(), reinterpret_cast<void**>(ppenum), m_items,
                                                        pos);
  }

 private:
  std::shared_ptr<const Items> m_items;  // shared by clones, never changed
  size_t m_pos;
};

// Makes an enumerator over a copy of items; *ppenum gets one reference.
template <class Base, class Copy>
HRESULT CreateEnumerator(std::vector<typename Copy::Stored> items, Base** ppenum) {
  if (!ppenum) return E_POINTER;
  *ppenum = nullptr;
  auto shared = std::make_shared<const std::vector<typename Copy::Stored>>(std::move(items));
  return CComObject<CComEnumOnVector<Base, Copy>>::CreateInstance(uuidof<Base>(), reinterpret_cast<void**>(ppenum),
                                                                 std::move(shared), size_t{0});
}

typedef CComEnumOnVector<IEnumString, CopyPolicyString> CEnumString;
typedef CComEnumOnVector<IEnumUnknown, CopyPolicyInterface<IUnknown>> CEnumUnknown;

inline HRESULT CreateEnumString(std::vector<std::wstring> items, IEnumString** ppenum) {
  return CreateEnumerator<IEnumString, CopyPolicyString>(std::move(items), ppenum);
}
inline HRESULT CreateEnumUnknown(std::vector<CComPtr<IUnknown>> items, IEnumUnknown** ppenum) {
  return CreateEnumerator<IEnumUnknown, CopyPolicyInterface<IUnknown>>(std::move(items), ppenum);
}
