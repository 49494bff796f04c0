// Smart interface pointers: CComPtr<T> holds one reference, CComQIPtr<T> fills itself by
// QueryInterface from any interface.
#pragma once

#include "platform/com/ComTypes.h"

#include <cassert>
#include <cstddef>
#include <memory>
#include <utility>

template <class T>
class CComPtr {
 public:
  CComPtr() noexcept = default;
  CComPtr(std::nullptr_t) noexcept {}
  CComPtr(T* p) noexcept : p(p) {
    if (p) p->AddRef();
  }
  CComPtr(const CComPtr& other) noexcept : CComPtr(other.p) {}
  CComPtr(CComPtr&& other) noexcept : p(other.p) { other.p = nullptr; }
  template <class U>
    requires std::is_convertible_v<U*, T*>
  CComPtr(const CComPtr<U>& other) noexcept : CComPtr(static_cast<T*>(other.p)) {}
  ~CComPtr() { Release(); }

  CComPtr& operator=(T* other) noexcept {
    if (p != other) {
      if (other) other->AddRef();
      T* old = p;
      p = other;
      if (old) old->Release();
    }
    return *this;
  }
  CComPtr& operator=(const CComPtr& other) noexcept { return *this = other.p; }
  CComPtr& operator=(CComPtr&& other) noexcept {
    if (this != std::addressof(other)) {
      T* old = p;
      p = other.p;
      other.p = nullptr;
      if (old) old->Release();
    }
    return *this;
  }
  CComPtr& operator=(std::nullptr_t) noexcept {
    Release();
    return *this;
  }

  operator T*() const noexcept { return p; }
  T& operator*() const noexcept { return *p; }
  T* operator->() const noexcept {
    assert(p != nullptr);
    return p;
  }
  // For out parameters: the pointer must be empty, so nothing leaks.
  T** operator&() noexcept {
    assert(p == nullptr);
    return &p;
  }
  bool operator!() const noexcept { return p == nullptr; }
  bool operator==(const T* other) const noexcept { return p == other; }
  bool operator==(std::nullptr_t) const noexcept { return p == nullptr; }
  bool operator<(const T* other) const noexcept { return p < other; }

  T* Get() const noexcept { return p; }

  // Drops the reference (ATL's Release on the smart pointer).
  void Release() noexcept {
    T* old = p;
    if (old) {
      p = nullptr;
      old->Release();
    }
  }
  void reset() noexcept { Release(); }

  // Takes over a reference the caller owns.
  void Attach(T* other) noexcept {
    if (p) p->Release();
    p = other;
  }
  // Hands the reference to the caller.
  T* Detach() noexcept {
    T* old = p;
    p = nullptr;
    return old;
  }
  HRESULT CopyTo(T** out) const noexcept {
    if (!out) return E_POINTER;
    *out = p;
    if (p) p->AddRef();
    return S_OK;
  }
  template <class Q>
  HRESULT QueryInterface(Q** out) const noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!p) return E_POINTER;
    return p->QueryInterface(uuidof<Q>(), reinterpret_cast<void**>(out));
  }
  // True when both point at the same COM object (compared by their IUnknown).
  bool IsEqualObject(IUnknown* other) const noexcept {
    if (!p && !other) return true;
    if (!p || !other) return false;
    IUnknown* a = nullptr;
    IUnknown* b = nullptr;
    p->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a));
    other->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b));
    bool same = a != nullptr && a == b;
    if (a) a->Release();
    if (b) b->Release();
    return same;
  }

  T* p = nullptr;
};

template <class T, const IID* piid = nullptr>
class CComQIPtr : public CComPtr<T> {
 public:
  CComQIPtr() noexcept = default;
  CComQIPtr(std::nullptr_t) noexcept {}
  CComQIPtr(T* other) noexcept : CComPtr<T>(other) {}
  CComQIPtr(const CComQIPtr& other) noexcept : CComPtr<T>(other.p) {}
  CComQIPtr(IUnknown* unk) noexcept { Query(unk); }
  template <class U>
    requires(!std::is_convertible_v<U*, T*>)
  CComQIPtr(const CComPtr<U>& other) noexcept {
    Query(other.p);
  }

  CComQIPtr& operator=(T* other) noexcept {
    CComPtr<T>::operator=(other);
    return *this;
  }
  CComQIPtr& operator=(const CComQIPtr& other) noexcept {
    CComPtr<T>::operator=(other.p);
    return *this;
  }
  CComQIPtr& operator=(IUnknown* unk) noexcept {
    CComQIPtr fresh(unk);
    std::swap(this->p, fresh.p);
    return *this;
  }

 private:
  static const IID& Iid() {
    if constexpr (piid != nullptr) return *piid;
    else return uuidof<T>();
  }
  void Query(IUnknown* unk) noexcept {
    if (unk) unk->QueryInterface(Iid(), reinterpret_cast<void**>(&this->p));
  }
};

// CComQIPtr<IUnknown> is a plain QueryInterface for the object's identity.
template <>
class CComQIPtr<IUnknown, nullptr> : public CComPtr<IUnknown> {
 public:
  CComQIPtr() noexcept = default;
  CComQIPtr(IUnknown* unk) noexcept {
    if (unk) unk->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&p));
  }
};
