// Helpers the OPC group's COM methods share: CoTaskMem arrays, the guard no exception crosses,
// per-handle error loops and a server reference held across a call.
#pragma once

#include <cstring>
#include <new>
#include <stdexcept>
#include <type_traits>

#include "interfaces/opc/OpcDa.h"
#include "interfaces/opc/OpcError.h"
#include "opcserver/MyOPCServer.h"
#include "opcserver/OPCItem.h"
#include "platform/com/Memory.h"
#include "platform/com/Variant.h"
#include "platform/win32/CString.h"

namespace opc_calls {
// Holds the server for a call made on a client's thread; let go after every lock is released.
class CServerRef {
 public:
  explicit CServerRef(CMyOPCServer* server) : m_p(server) {}
  ~CServerRef() {
    if (m_p) static_cast<IOPCServer*>(m_p)->Release();
  }
  CServerRef(const CServerRef&) = delete;
  CServerRef& operator=(const CServerRef&) = delete;
  explicit operator bool() const { return m_p != nullptr; }
  CMyOPCServer* operator->() const { return m_p; }

 private:
  CMyOPCServer* m_p;
};

// A percent deadband is a percentage: 0 to 100, and a number. None given is valid.
inline bool IsValidPercentDeadband(const FLOAT* deadband) {
  return deadband == nullptr || (*deadband >= 0.0f && *deadband <= 100.0f);
}

// A copy in CoTaskMem; an empty text gives null.
inline LPWSTR CoTaskStrDupOrNull(const CString& s) {
  if (s.IsEmpty()) return nullptr;
  size_t bytes = (static_cast<size_t>(s.GetLength()) + 1) * sizeof(wchar_t);
  auto* p = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (p) std::memcpy(p, s.GetString(), bytes);
  return p;
}

template <class T>
inline T* AllocZeroed(DWORD count) {
  size_t bytes = sizeof(T) * count;
  auto* p = static_cast<T*>(CoTaskMemAlloc(bytes));
  if (p) std::memset(static_cast<void*>(p), 0, bytes);
  return p;
}

// The last guard of a COM method: nothing thrown may cross it. Failing control calls are
// stopped per item further in; what arrives here is out of memory or a fault of ours.
template <class Op>
HRESULT Guarded(Op op) {
  try {
    return op();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::exception&) {
    return E_FAIL;
  }
}

// Gives each handle's error: OPC_E_INVALIDHANDLE where find has no item, else op's result for
// the item and its index. S_FALSE when any of them failed. The caller holds the group lock.
template <class Find, class Op>
HRESULT ForEachHandle(DWORD count, const OPCHANDLE* handles, HRESULT* errors, Find find, Op op) {
  HRESULT result = S_OK;
  for (DWORD i = 0; i < count; ++i) {
    COPCItem* item = find(handles[i]);
    errors[i] = item ? op(item, i) : OPC_E_INVALIDHANDLE;
    if (FAILED(errors[i])) result = S_FALSE;
  }
  return result;
}

// Allocates the result and error arrays, runs op, frees both (and any values in them) on a
// failing result.
template <class R, class Op>
HRESULT WithResults(DWORD count, R** ppResults, HRESULT** ppErrors, Op op) {
  *ppResults = nullptr;
  *ppErrors = nullptr;
  R* results = AllocZeroed<R>(count);
  HRESULT* errors = AllocZeroed<HRESULT>(count);
  if (!results || !errors) {
    CoTaskMemFree(results);
    CoTaskMemFree(errors);
    return E_OUTOFMEMORY;
  }
  HRESULT hr = Guarded([&] { return op(results, errors); });
  if (FAILED(hr)) {
    if constexpr (std::is_same_v<R, OPCITEMSTATE>) {
      for (DWORD i = 0; i < count; ++i) VariantClear(&results[i].vDataValue);
    }
    CoTaskMemFree(results);
    CoTaskMemFree(errors);
    return hr;
  }
  *ppResults = results;
  *ppErrors = errors;
  return hr;
}

template <class Op>
HRESULT WithErrors(DWORD count, HRESULT** ppErrors, Op op) {
  *ppErrors = nullptr;
  HRESULT* errors = AllocZeroed<HRESULT>(count);
  if (!errors) return E_OUTOFMEMORY;
  HRESULT hr = Guarded([&] { return op(errors); });
  if (FAILED(hr)) {
    CoTaskMemFree(errors);
    return hr;
  }
  *ppErrors = errors;
  return hr;
}
}  // namespace opc_calls
