// The simulated network's records: nodes with their NVs, CPs and blocks, as loaded from the
// network database. All of it is guarded by the network's lock (CSimNetwork).
#pragma once

#include <atomic>

#include "interfaces/kestrum/KestrumSimulation.h"
#include "standins/kestrum/LonType.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestrum::sim {

struct SimNode;

// A status object's counters, by the DISPIDs of namespace status (index = DISPID).
struct StatusCounters {
  std::array<ULONG, 11> numbers{};
  std::wstring errorLog = L"no error";
  std::wstring modelNumber = L"0";
  std::wstring resetCause = L"power-up";
  std::wstring nodeState = L"configured, online";
};

struct ValueCache {
  std::vector<BYTE> bytes;
  ULONGLONG time = 0;  // FILETIME; valid only with `valid`
  bool valid = false;
  LONG status = kStatusUncertain;
};

// What NVs and CPs share: the value on the device and its cached copy.
struct SimPoint {
  LONG rowId = 0;
  short index = 0;
  std::wstring name;
  std::wstring description;
  const CLonType* type = nullptr;
  LONG cacheTimeout = 5000;
  bool alwaysUseCache = false;
  // Canonical VARTYPE per field, [0] the whole value; VT_EMPTY = the type's own.
  std::vector<VARTYPE> fieldTypes;
  std::vector<BYTE> device;
  ValueCache cache;
  ULONG cookie = 0;
  LONG forcedStatus = -1;
  std::wstring itemId;
  SimNode* node = nullptr;
  bool isNv = false;
  uint32_t callKey = UINT32_MAX;  // the network's interned itemId, checked before use

  VARTYPE FieldType(short field) const {
    size_t i = static_cast<size_t>(field + 1);
    if (i < fieldTypes.size() && fieldTypes[i] != VT_EMPTY) return fieldTypes[i];
    return type->CanonicalType(field);
  }
};

struct SimCp : SimPoint {};

struct SimNv : SimPoint {
  SimNv() { isNv = true; }
  bool isOutput = false;
  bool monitored = true;  // the project's monitor flag (nv::kMonitored)
  LONG behaviour = kBehaviourConstant;
  double step = 0, low = 0, high = 0;
  ULONGLONG behaviourTime = 0;  // FILETIME up to which the behaviour has been applied
  uint64_t walkState = 0;
  LONG monitorCookie = 0;
  std::vector<BYTE> lastReported;
  bool reportedError = false;
  std::vector<std::unique_ptr<SimCp>> cps;
};

struct SimBlock {
  LONG rowId = 0;
  short index = 0;
  std::wstring name;
  std::vector<std::unique_ptr<SimCp>> cps;
};

struct SimDomain {
  std::vector<BYTE> id;  // 0, 1, 3 or 6 bytes
  BYTE subnet = 1;
  BYTE node = 1;
  bool inUse = true;
};

struct SimNode : std::enable_shared_from_this<SimNode> {
  LONG rowId = 0;
  std::wstring neuronId;
  std::wstring programId;
  std::wstring name;
  std::wstring location;
  bool isRouter = false;
  bool active = true;
  bool online = true;
  bool inverts = false;
  bool uploaded = true;
  // Deleted, or its database closed: its objects stop answering. Set under the network's
  // lock, read by every call without it.
  std::atomic<bool> gone{false};
  uint32_t callKey = UINT32_MAX;  // the network's interned neuronId, checked before use
  std::array<SimDomain, 2> domains;
  StatusCounters status, nearSide, farSide;
  std::vector<std::unique_ptr<SimNv>> nvs;
  std::vector<std::unique_ptr<SimCp>> cps;
  std::vector<std::unique_ptr<SimBlock>> blocks;
};

struct SimInterface {
  std::wstring name;
  std::wstring channel;
  std::wstring port;
};

// Hex text of bytes, upper case.
std::wstring HexText(const std::vector<BYTE>& bytes);
// Bytes of hex text (an odd count gets a leading 0); false on a non-hex character.
bool HexBytes(const std::wstring& text, std::vector<BYTE>* out);
// "%s.%d.%d" of a node's first domain: the stem of its item IDs.
std::wstring ItemIdStem(const SimNode& node);

}  // namespace kestrum::sim
