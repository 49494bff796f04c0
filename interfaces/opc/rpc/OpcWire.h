// The OPC structures on the wire, and the CoTaskMem arrays they turn into on each side.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "interfaces/opc/OpcDa.h"
#include "interfaces/opc/rpc/Opc.capnp.h"
#include "platform/com/Memory.h"
#include "platform/rpc/Marshal.h"

namespace tessaly::rpc {

struct CoTaskFree {
  void operator()(void* p) const { CoTaskMemFree(p); }
};
template <class T>
using CoTaskPtr = std::unique_ptr<T, CoTaskFree>;

// n zeroed elements from the task allocator (n may be 0); null when out of memory.
template <class T>
T* CoTaskArray(size_t n) {
  size_t bytes = (n == 0 ? 1 : n) * sizeof(T);
  auto* p = static_cast<T*>(CoTaskMemAlloc(bytes));
  if (p) std::memset(static_cast<void*>(p), 0, bytes);
  return p;
}

// A CoTaskMem array of count elements that frees them (and itself) with Free; move-only, so a
// worker's result can carry it to the loop thread.
template <class T, void (*Free)(T*, size_t)>
class CoTaskArrayOwner {
 public:
  CoTaskArrayOwner() = default;
  CoTaskArrayOwner(CoTaskArrayOwner&& o) noexcept : p(o.p), count(o.count) { o.p = nullptr; }
  CoTaskArrayOwner& operator=(CoTaskArrayOwner&& o) noexcept {
    std::swap(p, o.p);
    std::swap(count, o.count);
    return *this;
  }
  ~CoTaskArrayOwner() { Free(p, count); }
  T* p = nullptr;
  size_t count = 0;
};

// Item definitions decoded on the server: the OPCITEMDEFs point into the strings and blobs kept here.
struct DecodedItemDefs {
  std::vector<std::wstring> paths, ids;
  std::vector<std::vector<BYTE>> blobs;
  std::vector<OPCITEMDEF> defs;
  bool present = false;
  OPCITEMDEF none{};  // a present array of no items is still not a null pointer
  OPCITEMDEF* Data() { return !present ? nullptr : defs.empty() ? &none : defs.data(); }
};
void EncodeItemDefs(capnp::List<opcwire::ItemDef>::Builder list, const OPCITEMDEF* defs);
DecodedItemDefs DecodeItemDefs(bool has, capnp::List<opcwire::ItemDef>::Reader list, uint32_t count);

// Handles, types and HRESULT lists (server side: into a vector; null pointer when absent). Every
// decoder checks the count against kMaxListItems, present array or not.
struct DecodedHandles {
  std::vector<OPCHANDLE> values;
  bool present = false;
  OPCHANDLE none = 0;
  OPCHANDLE* Data() { return !present ? nullptr : values.empty() ? &none : values.data(); }
};
DecodedHandles DecodeHandles(bool has, capnp::List<uint32_t>::Reader list, uint32_t count);

template <class T, class List>
void EncodeNumbers(List list, const T* values) {
  for (unsigned i = 0; i < list.size(); ++i) list.set(i, values[i]);
}

// Client side: a CoTaskMem array of count values from a response list (null when absent);
// false when the list does not have count entries.
template <class T, class Reader>
bool DecodeNumbers(bool has, Reader list, uint32_t count, T** out) {
  *out = nullptr;
  if (!has) return true;
  if (list.size() != count) return false;
  T* values = CoTaskArray<T>(count);
  if (!values) throw std::bad_alloc();
  for (unsigned i = 0; i < count; ++i) values[i] = static_cast<T>(list[i]);
  *out = values;
  return true;
}

// A response's text into a CoTaskMem string when the call succeeded and the caller wants it.
template <class Response>
HRESULT TakeText(HRESULT hr, const Response& response, LPWSTR* out) {
  if (!out || FAILED(hr) || !response.hasText()) return hr;
  *out = CoTaskTextFromWire(response.getText());
  return *out ? hr : E_OUTOFMEMORY;
}

// Frees an OPCITEMRESULT array with its blobs.
void FreeItemResults(OPCITEMRESULT* results, size_t count);
void EncodeItemResults(capnp::List<opcwire::ItemResult>::Builder list, const OPCITEMRESULT* results);
// Null and false when the list does not have count entries.
bool DecodeItemResults(capnp::List<opcwire::ItemResult>::Reader list, uint32_t count, OPCITEMRESULT** out);

// Frees an OPCITEMSTATE array with its values.
void FreeItemStates(OPCITEMSTATE* states, size_t count);
// Frees a VARIANT array with its values, and an array of CoTaskMem strings with them.
void FreeVariants(VARIANT* values, size_t count);
void FreeStrings(LPWSTR* strings, size_t count);
using ItemResultsOwner = CoTaskArrayOwner<OPCITEMRESULT, FreeItemResults>;
using ItemStatesOwner = CoTaskArrayOwner<OPCITEMSTATE, FreeItemStates>;
using VariantsOwner = CoTaskArrayOwner<VARIANT, FreeVariants>;
using StringsOwner = CoTaskArrayOwner<LPWSTR, FreeStrings>;
void EncodeItemStates(capnp::List<opcwire::ItemState>::Builder list, const OPCITEMSTATE* states);
// The words EncodeItemStates takes for count states, their values included.
uint64_t ItemStatesWords(const OPCITEMSTATE* states, uint32_t count);
// Room for a message's own words and the RPC envelope around its lists.
constexpr uint64_t kMessageOverheadWords = 32;
bool DecodeItemStates(capnp::List<opcwire::ItemState>::Reader list, uint32_t count, OPCITEMSTATE** out);

// VARIANT arrays: encode fails with the first value that cannot travel.
HRESULT EncodeVariants(capnp::List<wire::Variant>::Builder list, const VARIANT* values);
struct DecodedVariants {
  std::vector<VARIANT> values;
  bool present = false;
  DecodedVariants() = default;
  DecodedVariants(DecodedVariants&& other) noexcept : values(std::move(other.values)), present(other.present) {
    other.values.clear();
  }
  DecodedVariants& operator=(DecodedVariants&& other) noexcept {
    std::swap(values, other.values);
    present = other.present;
    return *this;
  }
  DecodedVariants(const DecodedVariants&) = delete;
  DecodedVariants& operator=(const DecodedVariants&) = delete;
  ~DecodedVariants();
  VARIANT none{};
  VARIANT* Data() { return !present ? nullptr : values.empty() ? &none : values.data(); }
};
DecodedVariants DecodeVariants(bool has, capnp::List<wire::Variant>::Reader list, uint32_t count);

void EncodeStatus(opcwire::ServerStatus::Builder b, const OPCSERVERSTATUS& s);
// A CoTaskMem status with its vendor text.
OPCSERVERSTATUS* DecodeStatus(opcwire::ServerStatus::Reader r);

}  // namespace tessaly::rpc
