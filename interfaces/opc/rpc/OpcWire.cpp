#include "interfaces/opc/rpc/OpcWire.h"

#include <cstring>

#include "platform/com/Variant.h"

namespace tessaly::rpc {

namespace {
capnp::Data::Reader BlobOf(DWORD size, const BYTE* blob) {
  return blob ? capnp::Data::Reader(blob, size) : capnp::Data::Reader();
}
BYTE* CoTaskBlob(capnp::Data::Reader data, DWORD* size) {
  *size = 0;
  if (data.size() == 0) return nullptr;
  if (data.size() > kMaxTextBytes) throw CMalformed("blob beyond its bound");
  BYTE* blob = CoTaskArray<BYTE>(data.size());
  if (!blob) throw std::bad_alloc();
  std::memcpy(blob, data.begin(), data.size());
  *size = static_cast<DWORD>(data.size());
  return blob;
}
}  // namespace

void EncodeItemDefs(capnp::List<opcwire::ItemDef>::Builder list, const OPCITEMDEF* defs) {
  for (unsigned i = 0; i < list.size(); ++i) {
    const OPCITEMDEF& d = defs[i];
    auto b = list[i];
    if (d.szAccessPath) b.setAccessPath(TextToWire(d.szAccessPath));
    if (d.szItemID) b.setItemId(TextToWire(d.szItemID));
    b.setActive(d.bActive != FALSE);
    b.setClient(d.hClient);
    if (d.pBlob && d.dwBlobSize) b.setBlob(BlobOf(d.dwBlobSize, d.pBlob));
    b.setRequestedType(d.vtRequestedDataType);
  }
}

DecodedItemDefs DecodeItemDefs(bool has, capnp::List<opcwire::ItemDef>::Reader list, uint32_t count) {
  CheckBound(count, "item definitions");
  DecodedItemDefs out;
  out.present = has;
  if (!has) return out;
  CheckCount(list.size(), count, "item definitions");
  out.paths.resize(count);
  out.ids.resize(count);
  out.blobs.resize(count);
  out.defs.resize(count);
  for (unsigned i = 0; i < count; ++i) {
    auto r = list[i];
    OPCITEMDEF& d = out.defs[i];
    d = OPCITEMDEF{};
    if (r.hasAccessPath()) {
      out.paths[i] = TextFromWire(r.getAccessPath());
      d.szAccessPath = out.paths[i].data();
    }
    if (r.hasItemId()) {
      out.ids[i] = TextFromWire(r.getItemId());
      d.szItemID = out.ids[i].data();
    }
    d.bActive = r.getActive() ? TRUE : FALSE;
    d.hClient = r.getClient();
    auto blob = r.getBlob();
    if (blob.size() > kMaxTextBytes) throw CMalformed("blob beyond its bound");
    if (blob.size()) {
      out.blobs[i].assign(blob.begin(), blob.end());
      d.pBlob = out.blobs[i].data();
      d.dwBlobSize = static_cast<DWORD>(blob.size());
    }
    d.vtRequestedDataType = r.getRequestedType();
  }
  return out;
}

DecodedHandles DecodeHandles(bool has, capnp::List<uint32_t>::Reader list, uint32_t count) {
  CheckBound(count, "handles");
  DecodedHandles out;
  out.present = has;
  if (!has) return out;
  CheckCount(list.size(), count, "handles");
  out.values.resize(count);
  for (unsigned i = 0; i < count; ++i) out.values[i] = list[i];
  return out;
}

void FreeItemResults(OPCITEMRESULT* results, size_t count) {
  if (!results) return;
  for (size_t i = 0; i < count; ++i) CoTaskMemFree(results[i].pBlob);
  CoTaskMemFree(results);
}

void EncodeItemResults(capnp::List<opcwire::ItemResult>::Builder list, const OPCITEMRESULT* results) {
  for (unsigned i = 0; i < list.size(); ++i) {
    const OPCITEMRESULT& r = results[i];
    auto b = list[i];
    b.setServer(r.hServer);
    b.setCanonicalType(r.vtCanonicalDataType);
    b.setAccessRights(r.dwAccessRights);
    if (r.pBlob && r.dwBlobSize) b.setBlob(BlobOf(r.dwBlobSize, r.pBlob));
  }
}

bool DecodeItemResults(capnp::List<opcwire::ItemResult>::Reader list, uint32_t count, OPCITEMRESULT** out) {
  *out = nullptr;
  if (list.size() != count) return false;
  OPCITEMRESULT* results = CoTaskArray<OPCITEMRESULT>(count);
  if (!results) throw std::bad_alloc();
  try {
    for (unsigned i = 0; i < count; ++i) {
      auto r = list[i];
      results[i].hServer = r.getServer();
      results[i].vtCanonicalDataType = r.getCanonicalType();
      results[i].dwAccessRights = r.getAccessRights();
      results[i].pBlob = CoTaskBlob(r.getBlob(), &results[i].dwBlobSize);
    }
  } catch (...) {
    FreeItemResults(results, count);
    throw;
  }
  *out = results;
  return true;
}

void FreeItemStates(OPCITEMSTATE* states, size_t count) {
  if (!states) return;
  for (size_t i = 0; i < count; ++i) VariantClear(&states[i].vDataValue);
  CoTaskMemFree(states);
}

void EncodeItemStates(capnp::List<opcwire::ItemState>::Builder list, const OPCITEMSTATE* states) {
  for (unsigned i = 0; i < list.size(); ++i) {
    const OPCITEMSTATE& s = states[i];
    auto b = list[i];
    b.setClient(s.hClient);
    b.setTimeStamp(FileTimeToWire(s.ftTimeStamp));
    b.setQuality(s.wQuality);
    if (FAILED(EncodeVariant(b.initValue(), s.vDataValue))) {
      // A value that cannot travel arrives empty; its quality says what the server knew.
      b.getValue().setVt(VT_EMPTY);
      b.getValue().setEmpty();
    }
  }
}

uint64_t ItemStatesWords(const OPCITEMSTATE* states, uint32_t count) {
  constexpr auto size = capnp::_::structSize<opcwire::ItemState>();
  return 1 + static_cast<uint64_t>(count) * (size.data + size.pointers) +
         (count ? VariantListWords(&states[0].vDataValue, count, sizeof(OPCITEMSTATE)) : 0);
}

bool DecodeItemStates(capnp::List<opcwire::ItemState>::Reader list, uint32_t count, OPCITEMSTATE** out) {
  *out = nullptr;
  if (list.size() != count) return false;
  OPCITEMSTATE* states = CoTaskArray<OPCITEMSTATE>(count);
  if (!states) throw std::bad_alloc();
  try {
    for (unsigned i = 0; i < count; ++i) {
      auto r = list[i];
      states[i].hClient = r.getClient();
      states[i].ftTimeStamp = FileTimeFromWire(r.getTimeStamp());
      states[i].wQuality = r.getQuality();
      DecodeVariant(r.getValue(), &states[i].vDataValue);
    }
  } catch (...) {
    FreeItemStates(states, count);
    throw;
  }
  *out = states;
  return true;
}

void FreeVariants(VARIANT* values, size_t count) {
  if (!values) return;
  for (size_t i = 0; i < count; ++i) VariantClear(&values[i]);
  CoTaskMemFree(values);
}

void FreeStrings(LPWSTR* strings, size_t count) {
  if (!strings) return;
  for (size_t i = 0; i < count; ++i) CoTaskMemFree(strings[i]);
  CoTaskMemFree(strings);
}

HRESULT EncodeVariants(capnp::List<wire::Variant>::Builder list, const VARIANT* values) {
  for (unsigned i = 0; i < list.size(); ++i) {
    HRESULT hr = EncodeVariant(list[i], values[i]);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

DecodedVariants::~DecodedVariants() {
  for (VARIANT& v : values) VariantClear(&v);
}

DecodedVariants DecodeVariants(bool has, capnp::List<wire::Variant>::Reader list, uint32_t count) {
  CheckBound(count, "values");
  DecodedVariants out;
  out.present = has;
  if (!has) return out;
  CheckCount(list.size(), count, "values");
  out.values.resize(count);
  for (VARIANT& v : out.values) VariantInit(&v);
  for (unsigned i = 0; i < count; ++i) DecodeVariant(list[i], &out.values[i]);
  return out;
}

void EncodeStatus(opcwire::ServerStatus::Builder b, const OPCSERVERSTATUS& s) {
  b.setStartTime(FileTimeToWire(s.ftStartTime));
  b.setCurrentTime(FileTimeToWire(s.ftCurrentTime));
  b.setLastUpdateTime(FileTimeToWire(s.ftLastUpdateTime));
  b.setServerState(s.dwServerState);
  b.setGroupCount(s.dwGroupCount);
  b.setBandWidth(s.dwBandWidth);
  b.setMajorVersion(s.wMajorVersion);
  b.setMinorVersion(s.wMinorVersion);
  b.setBuildNumber(s.wBuildNumber);
  if (s.szVendorInfo) b.setVendorInfo(TextToWire(s.szVendorInfo));
}

OPCSERVERSTATUS* DecodeStatus(opcwire::ServerStatus::Reader r) {
  OPCSERVERSTATUS* s = CoTaskArray<OPCSERVERSTATUS>(1);
  if (!s) throw std::bad_alloc();
  s->ftStartTime = FileTimeFromWire(r.getStartTime());
  s->ftCurrentTime = FileTimeFromWire(r.getCurrentTime());
  s->ftLastUpdateTime = FileTimeFromWire(r.getLastUpdateTime());
  s->dwServerState = static_cast<OPCSERVERSTATE>(r.getServerState());
  s->dwGroupCount = r.getGroupCount();
  s->dwBandWidth = r.getBandWidth();
  s->wMajorVersion = r.getMajorVersion();
  s->wMinorVersion = r.getMinorVersion();
  s->wBuildNumber = r.getBuildNumber();
  if (r.hasVendorInfo()) {
    try {
      s->szVendorInfo = CoTaskTextFromWire(r.getVendorInfo());
    } catch (...) {
      CoTaskMemFree(s);
      throw;
    }
  }
  return s;
}

}  // namespace tessaly::rpc
