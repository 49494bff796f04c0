// Helpers the OPC group's and server's COM methods share: CoTaskMem arrays, the guard no
// exception crosses, per-handle error loops, a server reference held across a call, the values
// of a call-back and the fan-out to the data callback sinks.
#pragma once

#include <cstring>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <vector>

#include "interfaces/opc/OpcDa.h"
#include "interfaces/opc/OpcError.h"
#include "opcserver/MyOPCGroup.h"
#include "opcserver/MyOPCServer.h"
#include "opcserver/OPCItem.h"
#include "opcserver/OPCToolkitManager.h"
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

// A copy in CoTaskMem (an empty text too); null when out of memory.
inline LPWSTR CoTaskStrDup(const CString& s) {
  size_t bytes = (static_cast<size_t>(s.GetLength()) + 1) * sizeof(wchar_t);
  auto* p = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (p) std::memcpy(p, s.GetString(), bytes);
  return p;
}

// A percent deadband is a percentage: 0 to 100, and a number. None given is valid.
inline bool IsValidPercentDeadband(const FLOAT* deadband) {
  return deadband == nullptr || (*deadband >= 0.0f && *deadband <= 100.0f);
}

// A copy in CoTaskMem; an empty text gives null.
inline LPWSTR CoTaskStrDupOrNull(const CString& s) { return s.IsEmpty() ? nullptr : CoTaskStrDup(s); }

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
  } catch (...) {
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
    } else if constexpr (std::is_same_v<R, VARIANT>) {
      for (DWORD i = 0; i < count; ++i) VariantClear(&results[i]);
    } else if constexpr (std::is_same_v<R, LPWSTR>) {
      for (DWORD i = 0; i < count; ++i) CoTaskMemFree(results[i]);
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

// S_FALSE when any quality is not good by its quality bits (limit and substatus bits aside).
inline HRESULT MasterQuality(DWORD count, const WORD* qualities) {
  for (DWORD i = 0; i < count; ++i)
    if ((qualities[i] & OPC_QUALITY_MASK) != OPC_QUALITY_GOOD) return S_FALSE;
  return S_OK;
}

// S_FALSE when any error is not S_OK.
inline HRESULT MasterError(DWORD count, const HRESULT* errors) {
  for (DWORD i = 0; i < count; ++i)
    if (errors[i] != S_OK) return S_FALSE;
  return S_OK;
}

// The arrays of a data call-back or stream, copied from items under the group lock and used
// after it is released. Owns its values.
struct CItemValues {
  CItemValues() = default;
  CItemValues(const CItemValues&) = delete;
  CItemValues& operator=(const CItemValues&) = delete;
  ~CItemValues() {
    for (VARIANT& v : values) VariantClear(&v);
  }
  DWORD Count() const { return static_cast<DWORD>(clients.size()); }
  // Client handle, quality, time stamp and value (its HRESULT the item's error). The caller
  // holds the group lock.
  void Add(COPCItem& item) {
    VARIANT v;
    VariantInit(&v);
    HRESULT error = item.GetValue(&v);
    Push(item.GetClientHandle(), v, item.GetQuality(), item.GetTimestamp(), error);
  }
  // Takes the state's value over (the state is left empty).
  void Add(OPCHANDLE client, OPCITEMSTATE& state, HRESULT error) {
    Push(client, state.vDataValue, state.wQuality, state.ftTimeStamp, error);
    VariantInit(&state.vDataValue);
  }
  HRESULT GetMasterQuality() const { return MasterQuality(Count(), qualities.data()); }
  HRESULT GetMasterError() const { return MasterError(Count(), errors.data()); }

  std::vector<OPCHANDLE> clients;
  std::vector<VARIANT> values;
  std::vector<WORD> qualities;
  std::vector<FILETIME> times;
  std::vector<HRESULT> errors;

 private:
  void Push(OPCHANDLE client, const VARIANT& value, WORD quality, const FILETIME& time, HRESULT error) {
    values.push_back(value);  // owned from here on
    clients.push_back(client);
    qualities.push_back(quality);
    times.push_back(time);
    errors.push_back(error);
  }
};

// Calls every connected IOPCDataCallback sink (a snapshot, called with no lock held), each
// whatever the previous one answered; after each call the counter is raised and the event
// logged. The last sink's result; E_FAIL when none is connected.
template <class Call>
HRESULT FireToDataCallbacks(CMyOPCGroup& group, CGroupInfo::Counter counter, int event, Call call) {
  HRESULT result = E_FAIL;
  for (const CComPtr<IOPCDataCallback>& sink : group.GetSinks<IOPCDataCallback>()) {
    result = call(sink.p);
    {
      CSpyLock lock;
      group.GetSpy().m_info.m_counters[counter].Raise();
    }
    group.NotifyEvent(event);
  }
  return result;
}
}  // namespace opc_calls
