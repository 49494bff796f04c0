// The dispatch tables of every object kind of the simulated control. Handlers run with the
// call's context (Current()) and take the network's lock for their own short work.
#include "platform/com/SafeArray.h"
#include "standins/kestrum/SimObject.h"

#include <algorithm>
#include <cwctype>

namespace kestrum::sim {

namespace {

CSimNetwork& Net() { return *Current().net; }
ObjRef& Ref() { return *Current().ref; }
CComPtr<IDispatch> Make(ObjRef r) { return CSimObject::Create(Net().shared_from_this(), std::move(r)); }

ObjRef RefTo(ObjectKind kind, const std::shared_ptr<SimNode>& node = {}) {
  ObjRef r;
  r.kind = kind;
  r.node = node;
  return r;
}

SimPoint& Point() {
  ObjRef& r = Ref();
  return r.nv ? static_cast<SimPoint&>(*r.nv) : static_cast<SimPoint&>(*r.cp);
}

void CheckField(const SimPoint& p, short field) {
  if (!p.type->IsField(field)) Fail(L"The value has no field " + std::to_wstring(field) + L".", DISP_E_BADINDEX);
}

[[noreturn]] void FailValue(HRESULT hr) {
  Fail(hr == DISP_E_OVERFLOW ? L"The value is out of range." : L"The value does not fit the type.", hr);
}

size_t IndexOf(const VARIANT& index, size_t count) {
  CComVariant i;
  if (FAILED(VariantChangeType(&i, &index, 0, VT_I4))) Fail(L"The index is not a number.", DISP_E_TYPEMISMATCH);
  if (i.lVal < 0 || static_cast<size_t>(i.lVal) >= count)
    Fail(L"Index " + std::to_wstring(i.lVal) + L" is out of range.", DISP_E_BADINDEX);
  return static_cast<size_t>(i.lVal);
}

bool IsText(const VARIANT& v) { return v.vt == VT_BSTR || v.vt == (VT_BYREF | VT_BSTR); }

std::wstring TextOf(const VARIANT& v) {
  return tessaly::BstrToString(v.vt == VT_BSTR ? v.bstrVal : v.pbstrVal ? *v.pbstrVal : nullptr);
}

bool SameTextIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return std::towupper(x) == std::towupper(y); });
}

bool IsSupportedFieldType(VARTYPE vt) {
  switch (vt) {
    case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8:
    case VT_INT: case VT_UINT: case VT_R4: case VT_R8: case VT_CY: case VT_DATE: case VT_BSTR: case VT_BOOL:
      return true;
    default:
      return false;
  }
}

// The value of a field in the VARTYPE asked for (VT_EMPTY: the field's canonical type).
CComVariant ValueOf(const SimPoint& p, const std::vector<BYTE>& bytes, VARTYPE vt, short field) {
  CheckField(p, field);
  VARTYPE want = vt == VT_EMPTY ? p.FieldType(field) : vt;
  if (want == VT_BSTR) return CComVariant(p.type->Text(bytes, field).c_str());
  CComVariant v = p.type->Decode(bytes, field);
  if (v.vt == want) return v;
  CComVariant out;
  HRESULT hr = VariantChangeType(&out, &v, 0, want);
  if (FAILED(hr)) Fail(L"The value cannot be given in that type.", hr);
  return out;
}

const std::vector<BYTE>& CachedBytes(SimPoint& p) { return p.cache.valid ? p.cache.bytes : p.cache.bytes.empty() ? p.device : p.cache.bytes; }

void Timestamp(const VARIANT& out, std::optional<LONG> size) {
  ULONGLONG time = 0;
  bool known = false;
  {
    auto g = Net().Lock();
    SimPoint& p = Point();
    known = p.cache.valid;
    time = p.cache.time;
  }
  switch (out.vt) {
    case VT_BYREF | VT_UI8:
    case VT_BYREF | VT_I8:
      if (!out.byref) Fail(L"No buffer for the time stamp.", E_POINTER);
      if (known) *static_cast<ULONGLONG*>(out.byref) = time;
      return;
    case VT_BYREF | VT_I4:
    case VT_BYREF | VT_UI4:
      if (!size) Fail(L"The time stamp buffer needs its size in bytes.", DISP_E_BADPARAMCOUNT);
      if (*size < 8 || !out.byref) Fail(L"The time stamp buffer is too small.", DISP_E_TYPEMISMATCH);
      if (known) {
        auto* halves = static_cast<DWORD*>(out.byref);
        halves[0] = static_cast<DWORD>(time & 0xFFFFFFFFu);
        halves[1] = static_cast<DWORD>(time >> 32);
      }
      return;
    default:
      Fail(L"The time stamp goes into a VT_UI8 or VT_I8 by reference.", DISP_E_TYPEMISMATCH);
  }
}

bool ValueRange(short field, double* low, double* high) {
  if (!low || !high) Fail(L"No place for the range.", E_POINTER);
  auto g = Net().Lock();
  SimPoint& p = Point();
  CheckField(p, field);
  return p.type->Range(field, low, high);
}

USHORT GetFieldType(short field) {
  auto g = Net().Lock();
  SimPoint& p = Point();
  CheckField(p, field);
  return p.FieldType(field);
}

void PutFieldType(short field, USHORT vt) {
  auto g = Net().Lock();
  SimPoint& p = Point();
  CheckField(p, field);
  VARTYPE stored = vt == 0xFFFF ? static_cast<VARTYPE>(VT_EMPTY) : vt;
  if (stored != VT_EMPTY && !IsSupportedFieldType(stored))
    Fail(L"The data type " + std::to_wstring(vt) + L" is not supported.", DISP_E_BADVARTYPE);
  size_t i = static_cast<size_t>(field + 1);
  if (p.fieldTypes.size() <= i) p.fieldTypes.resize(i + 1, VT_EMPTY);
  p.fieldTypes[i] = stored;
  Net().QueueDbLocked({p.isNv ? DbWrite::NvFieldTypes : DbWrite::CpFieldTypes, p.rowId, 0,
                       CNetworkDatabase::FieldTypesText(p.fieldTypes)});
}

std::wstring MemberName(short field) {
  auto g = Net().Lock();
  SimPoint& p = Point();
  CheckField(p, field);
  return p.type->MemberName(field);
}

VARIANT FieldValue(USHORT vt, short field) {
  auto g = Net().Lock();
  SimPoint& p = Point();
  CComVariant v = ValueOf(p, CachedBytes(p), vt, field);
  VARIANT out;
  VariantInit(&out);
  v.Detach(&out);
  return out;
}

// Points of a field that the caller writes: the whole value or one field.
std::vector<BYTE> WithField(const SimPoint& p, const std::vector<BYTE>& base, short field, const VARIANT& value) {
  CheckField(p, field);
  std::vector<BYTE> bytes = base;
  HRESULT hr = p.type->Encode(bytes, field, value);
  if (FAILED(hr)) FailValue(hr);
  return bytes;
}

// ---- tables ------------------------------------------------------------------------------------

void AddPointCommon(CDispatchTable& t, DISPID description, DISPID cacheTimeout, DISPID typeName, DISPID cookie,
                    DISPID timestamp, DISPID readCache, DISPID readDevice, DISPID range, DISPID fieldType,
                    DISPID member, DISPID fieldValue, DISPID statusId, DISPID index, DISPID name) {
  t.AddGet(L"Description", description, [] {
    auto g = Net().Lock();
    return Point().description;
  });
  t.AddPut(L"Description", description, [](const std::wstring& text) {
    auto g = Net().Lock();
    SimPoint& p = Point();
    p.description = text;
    Net().QueueDbLocked({p.isNv ? DbWrite::NvDescription : DbWrite::CpDescription, p.rowId, 0, text});
  });
  t.AddGet(L"CacheTimeout", cacheTimeout, []() -> LONG {
    auto g = Net().Lock();
    return Point().cacheTimeout;
  });
  t.AddPut(L"CacheTimeout", cacheTimeout, [](LONG ms) {
    if (ms < 0) Fail(L"A cache timeout cannot be negative.", E_INVALIDARG);
    auto g = Net().Lock();
    SimPoint& p = Point();
    p.cacheTimeout = ms;
    Net().QueueDbLocked({p.isNv ? DbWrite::NvCacheTimeout : DbWrite::CpCacheTimeout, p.rowId, ms});
  });
  t.AddGet(L"TypeName", typeName, [] {
    auto g = Net().Lock();
    return Point().type->Name();
  });
  t.AddGet(L"Cookie", cookie, []() -> ULONG {
    auto g = Net().Lock();
    return Point().cookie;
  });
  t.AddPut(L"Cookie", cookie, [](ULONG value) {
    auto g = Net().Lock();
    Point().cookie = value;
  });
  t.AddMethod(L"GetTimestamp", timestamp, [](const VARIANT& out, std::optional<LONG> size) { Timestamp(out, size); });
  t.AddMethod(L"ReadCache", readCache, []() -> bool {
    auto g = Net().Lock();
    return Net().ReadCacheLocked(Point());
  });
  t.AddMethod(L"ReadDevice", readDevice, []() -> bool {
    auto g = Net().Lock();
    return Net().ReadDeviceLocked(Point());
  });
  t.AddMethod(L"GetValueRange", range, [](short field, double* low, double* high) { return ValueRange(field, low, high); });
  t.AddGet(L"FieldType", fieldType, [](short field) { return GetFieldType(field); });
  t.AddPut(L"FieldType", fieldType, [](short field, USHORT vt) { PutFieldType(field, vt); });
  t.AddGet(L"MemberName", member, [](short field) { return MemberName(field); });
  t.AddGet(L"FieldValue", fieldValue, [](USHORT vt, short field) { return FieldValue(vt, field); });
  t.AddGet(L"Status", statusId, []() -> LONG {
    auto g = Net().Lock();
    return Point().cache.status;
  });
  t.AddGet(L"Index", index, []() -> short {
    auto g = Net().Lock();
    return Point().index;
  });
  t.AddGet(L"Name", name, [] {
    auto g = Net().Lock();
    return Point().name;
  });
}

CDispatchTable BuildNv() {
  CDispatchTable t(kProgId);
  AddPointCommon(t, nv::kDescription, nv::kCacheTimeout, nv::kTypeName, nv::kCookie, nv::kGetTimestamp,
                 nv::kReadCache, nv::kReadDevice, nv::kGetValueRange, nv::kFieldType, nv::kMemberName,
                 nv::kFieldValue, nv::kStatus, nv::kIndex, nv::kName);
  t.AddGet(L"ValueText", nv::kValueText, [] {
    auto g = Net().Lock();
    SimPoint& p = Point();
    return p.type->Text(CachedBytes(p), -1);
  });
  t.AddGet(L"IsOutput", nv::kIsOutput, [] {
    auto g = Net().Lock();
    return Ref().nv->isOutput;
  });
  t.AddGet(L"TypeIndex", nv::kTypeIndex, [] {
    auto g = Net().Lock();
    return Ref().nv->type->Index();
  });
  t.AddGet(L"AlwaysUseCache", nv::kAlwaysUseCache, [] {
    auto g = Net().Lock();
    return Ref().nv->alwaysUseCache;
  });
  t.AddPut(L"AlwaysUseCache", nv::kAlwaysUseCache, [](bool on) {
    auto g = Net().Lock();
    SimNv& v = *Ref().nv;
    v.alwaysUseCache = on;
    Net().QueueDbLocked({DbWrite::NvAlwaysUseCache, v.rowId, on ? 1 : 0});
  });
  t.AddGet(L"Monitored", nv::kMonitored, [] {
    auto g = Net().Lock();
    return Ref().nv->monitored;
  });
  t.AddPut(L"Monitored", nv::kMonitored, [](bool on) {
    auto g = Net().Lock();
    SimNv& v = *Ref().nv;
    v.monitored = on;
    Net().QueueDbLocked({DbWrite::NvMonitored, v.rowId, on ? 1 : 0});
  });
  t.AddGet(L"Cps", nv::kCps, [] {
    ObjRef r = RefTo(kObjCollection, Ref().node);
    r.which = kCollNvCps;
    r.nv = Ref().nv;
    return Make(std::move(r));
  });
  t.AddGet(L"MonitorCookie", nv::kMonitorCookie, []() -> LONG {
    auto g = Net().Lock();
    return Ref().nv->monitorCookie;
  });
  t.AddPut(L"MonitorCookie", nv::kMonitorCookie, [](LONG cookie) {
    auto g = Net().Lock();
    Net().SetMonitorCookieLocked(*Ref().nv, cookie);
  });
  t.AddGet(L"Type", nv::kType, [] {
    ObjRef r = RefTo(kObjType, Ref().node);
    r.nv = Ref().nv;
    return Make(std::move(r));
  });
  t.AddMethod(L"Write", nv::kWrite, [](short field) -> LONG {
    auto g = Net().Lock();
    SimNv& v = *Ref().nv;
    CheckField(v, field);
    auto answer = Net().TakePromptAnswerLocked();
    if (!answer) return 1;  // the user cancelled
    std::vector<BYTE> bytes = Net().DeviceLocked(v);
    HRESULT hr = v.type->Parse(bytes, field, *answer);
    if (FAILED(hr)) FailValue(hr);
    Net().WriteLocked(v, bytes);
    return 0;
  });
  t.AddMethod(L"WriteValue", nv::kWriteValue, [](const VARIANT& value, short field) -> short {
    auto g = Net().Lock();
    SimNv& v = *Ref().nv;
    Net().WriteLocked(v, WithField(v, Net().DeviceLocked(v), field, value));
    return 0;
  });
  return t;
}

CDispatchTable BuildCp() {
  CDispatchTable t(kProgId);
  AddPointCommon(t, cp::kDescription, cp::kCacheTimeout, cp::kTypeName, cp::kCookie, cp::kGetTimestamp,
                 cp::kReadCache, cp::kReadDevice, cp::kGetValueRange, cp::kFieldType, cp::kMemberName,
                 cp::kFieldValue, cp::kStatus, cp::kIndex, cp::kName);
  t.AddGet(L"ValueText", cp::kValueText, [] {
    auto g = Net().Lock();
    SimPoint& p = Point();
    return p.type->Text(CachedBytes(p), -1);
  });
  t.AddPut(L"ValueText", cp::kValueText, [](const std::wstring& text) {
    auto g = Net().Lock();
    SimPoint& p = Point();
    std::vector<BYTE> bytes = Net().DeviceLocked(p);
    HRESULT hr = p.type->Parse(bytes, -1, text);
    if (FAILED(hr)) FailValue(hr);
    Net().WriteLocked(p, bytes);
  });
  t.AddGet(L"RawValue", cp::kRawValue, [] {
    std::vector<BYTE> bytes;
    {
      auto g = Net().Lock();
      bytes = CachedBytes(Point());
    }
    SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    if (!sa) throw std::bad_alloc();
    void* data = nullptr;
    SafeArrayAccessData(sa, &data);
    if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(sa);
    VARIANT v;
    v.vt = VT_ARRAY | VT_UI1;
    v.parray = sa;
    return v;
  });
  t.AddPut(L"RawValue", cp::kRawValue, [](const VARIANT& raw) {
    std::vector<BYTE> bytes;
    const VARIANT& r = raw.vt == (VT_BYREF | VT_VARIANT) ? *raw.pvarVal : raw;
    if (r.vt != (VT_ARRAY | VT_UI1) || !r.parray) Fail(L"The raw value is an array of bytes.", DISP_E_TYPEMISMATCH);
    LONG lo = 0, hi = -1;
    SafeArrayGetLBound(r.parray, 1, &lo);
    SafeArrayGetUBound(r.parray, 1, &hi);
    void* data = nullptr;
    SafeArrayAccessData(r.parray, &data);
    bytes.assign(static_cast<BYTE*>(data), static_cast<BYTE*>(data) + (hi - lo + 1));
    SafeArrayUnaccessData(r.parray);
    auto g = Net().Lock();
    SimPoint& p = Point();
    if (bytes.size() != p.type->Size()) Fail(L"The raw value has the wrong size.", DISP_E_TYPEMISMATCH);
    Net().WriteLocked(p, bytes);
  });
  t.AddGet(L"FieldCount", cp::kFieldCount, []() -> short {
    auto g = Net().Lock();
    return static_cast<short>(Point().type->FieldCount());
  });
  t.AddMethod(L"PromptValue", cp::kPromptValue, [](USHORT vt, VARIANT* value, short field) -> LONG {
    std::optional<std::wstring> answer;
    {
      auto g = Net().Lock();
      CheckField(Point(), field);
      answer = Net().TakePromptAnswerLocked();
    }
    if (!answer) return 0;
    CComVariant text(answer->c_str());
    CComVariant out;
    if (FAILED(VariantChangeType(&out, &text, 0, vt == VT_EMPTY ? static_cast<VARTYPE>(VT_BSTR) : vt)))
      Fail(L"The answer does not fit the type.", DISP_E_TYPEMISMATCH);
    VariantClear(value);
    out.Detach(value);
    return 1;
  });
  t.AddMethod(L"WriteField", cp::kWriteField, [](VARIANT* raw, const VARIANT& value, short field) -> bool {
    if (!raw || raw->vt != (VT_ARRAY | VT_UI1) || !raw->parray) return false;
    LONG lo = 0, hi = -1;
    SafeArrayGetLBound(raw->parray, 1, &lo);
    SafeArrayGetUBound(raw->parray, 1, &hi);
    void* data = nullptr;
    SafeArrayAccessData(raw->parray, &data);
    std::vector<BYTE> bytes(static_cast<BYTE*>(data), static_cast<BYTE*>(data) + (hi - lo + 1));
    SafeArrayUnaccessData(raw->parray);
    {
      auto g = Net().Lock();
      SimPoint& p = Point();
      if (bytes.size() != p.type->Size() || !p.type->IsField(field)) return false;
      if (FAILED(p.type->Encode(bytes, field, value))) return false;
    }
    SafeArrayAccessData(raw->parray, &data);
    std::memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(raw->parray);
    return true;
  });
  return t;
}

CDispatchTable BuildType() {
  CDispatchTable t(kProgId);
  t.AddGet(L"Name", type::kName, [] { return Ref().nv->type->Name(); });
  t.AddGet(L"FieldCount", type::kFieldCount, [] { return static_cast<USHORT>(Ref().nv->type->FieldCount()); });
  t.AddGet(L"Index", type::kIndex, [] { return Ref().nv->type->Index(); });
  t.AddGet(L"Size", type::kSize, [] { return static_cast<short>(Ref().nv->type->Size()); });
  return t;
}

CDispatchTable BuildCollection() {
  CDispatchTable t(kProgId);
  t.AddGet(L"Count", coll::kCount, []() -> short {
    auto g = Net().Lock();
    ObjRef& r = Ref();
    size_t n = 0;
    switch (r.which) {
      case kCollNvs: n = r.node->nvs.size(); break;
      case kCollNodeCps: n = r.node->cps.size(); break;
      case kCollNvCps: n = r.nv->cps.size(); break;
      case kCollBlocks: n = r.node->blocks.size(); break;
      case kCollBlockCps: n = r.block->cps.size(); break;
    }
    return static_cast<short>(std::min<size_t>(n, 32767));
  });
  t.AddGet(L"Item", coll::kItem, [](const VARIANT& index) {
    ObjRef item;
    {
      auto g = Net().Lock();
      ObjRef& r = Ref();
      item.node = r.node;
      if (r.which == kCollNvs && IsText(index)) {
        // By name: a miss is an empty answer.
        std::wstring name = TextOf(index);
        for (const auto& v : r.node->nvs)
          if (v->name == name) item.nv = v.get();
        if (!item.nv) return CComPtr<IDispatch>();
        item.kind = kObjNv;
      } else {
        switch (r.which) {
          case kCollNvs: item.kind = kObjNv; item.nv = r.node->nvs[IndexOf(index, r.node->nvs.size())].get(); break;
          case kCollNodeCps: item.kind = kObjCp; item.cp = r.node->cps[IndexOf(index, r.node->cps.size())].get(); break;
          case kCollNvCps: item.kind = kObjCp; item.cp = r.nv->cps[IndexOf(index, r.nv->cps.size())].get(); break;
          case kCollBlocks:
            item.kind = kObjBlock;
            item.block = r.node->blocks[IndexOf(index, r.node->blocks.size())].get();
            break;
          case kCollBlockCps: item.kind = kObjCp; item.cp = r.block->cps[IndexOf(index, r.block->cps.size())].get(); break;
        }
      }
    }
    return Make(std::move(item));
  });
  return t;
}

CDispatchTable BuildBlock() {
  CDispatchTable t(kProgId);
  t.AddGet(L"Name", block::kName, [] {
    auto g = Net().Lock();
    return Ref().block->name;
  });
  t.AddGet(L"Index", block::kIndex, [] {
    auto g = Net().Lock();
    return Ref().block->index;
  });
  t.AddGet(L"Cps", block::kCps, [] {
    ObjRef r = RefTo(kObjCollection, Ref().node);
    r.which = kCollBlockCps;
    r.block = Ref().block;
    return Make(std::move(r));
  });
  return t;
}

StatusCounters& StatusOf(ObjRef& r) {
  if (r.statusOf == kObjNode) return r.node->status;
  if (r.statusOf == kObjRouterSide) return r.which ? r.node->farSide : r.node->nearSide;
  return Net().m_interfaceStatus;
}

CDispatchTable BuildStatus() {
  CDispatchTable t(kProgId);
  auto text = [](std::wstring StatusCounters::*member) {
    return [member] {
      auto g = Net().Lock();
      return StatusOf(Ref()).*member;
    };
  };
  t.AddGet(L"ErrorLog", status::kErrorLog, text(&StatusCounters::errorLog));
  t.AddGet(L"ModelNumber", status::kModelNumber, text(&StatusCounters::modelNumber));
  t.AddGet(L"ResetCause", status::kResetCause, text(&StatusCounters::resetCause));
  t.AddGet(L"NodeState", status::kNodeState, text(&StatusCounters::nodeState));
  for (DISPID id : {status::kLostMessages, status::kMissedMessages, status::kRcvTransactionFull,
                    status::kTransactionTimeouts, status::kVersionNumber, status::kTransmitErrors}) {
    t.AddGet(L"Counter" + std::to_wstring(id), id, [id]() -> LONG {
      auto g = Net().Lock();
      return static_cast<LONG>(StatusOf(Ref()).numbers[static_cast<size_t>(id)]);
    });
  }
  return t;
}

CDispatchTable BuildStatistics() {
  CDispatchTable t(kProgId);
  for (DISPID id = stats::kTransmissionErrors; id <= stats::kCollisions; ++id) {
    t.AddGet(L"Counter" + std::to_wstring(id), id, [id]() -> ULONG {
      auto g = Net().Lock();
      return Net().m_statistics[static_cast<size_t>(id)];
    });
  }
  t.AddGet(L"EepromLocks", stats::kEepromLocks, []() -> USHORT {
    auto g = Net().Lock();
    return static_cast<USHORT>(Net().m_statistics[stats::kEepromLocks]);
  });
  return t;
}

CDispatchTable BuildVni() {
  CDispatchTable t(kProgId);
  t.AddGet(L"InvalidResponses", vni::kInvalidResponses, []() -> LONG {
    auto g = Net().Lock();
    return Net().m_invalidResponses;
  });
  t.AddMethod(L"Reset", vni::kReset, [] {
    auto g = Net().Lock();
    Net().m_invalidResponses = 0;
  });
  return t;
}

CDispatchTable BuildSide() {
  CDispatchTable t(kProgId);
  t.AddGet(L"Status", side::kStatus, [] {
    ObjRef r = RefTo(kObjStatus, Ref().node);
    r.statusOf = kObjRouterSide;
    r.which = Ref().which;
    return Make(std::move(r));
  });
  t.AddMethod(L"ClearStatus", side::kClearStatus, [] {
    auto g = Net().Lock();
    ObjRef& r = Ref();
    if (!r.node->online) return false;
    (r.which ? r.node->farSide : r.node->nearSide).numbers.fill(0);
    return true;
  });
  return t;
}

CDispatchTable BuildRouter() {
  CDispatchTable t(kProgId);
  for (int which : {0, 1}) {
    t.AddGet(which ? L"FarSide" : L"NearSide", which ? router::kFarSide : router::kNearSide, [which] {
      ObjRef r = RefTo(kObjRouterSide, Ref().node);
      r.which = which;
      return Make(std::move(r));
    });
  }
  return t;
}

CDispatchTable BuildDomain() {
  CDispatchTable t(kProgId);
  t.AddGet(L"Id", domain::kId, [] {
    auto g = Net().Lock();
    return HexText(Ref().domain->id);
  });
  t.AddPut(L"Id", domain::kId, [](const std::wstring& text) {
    std::vector<BYTE> bytes;
    if (!HexBytes(text, &bytes) || (bytes.size() != 0 && bytes.size() != 1 && bytes.size() != 3 && bytes.size() != 6))
      Fail(L"A domain ID is hex text of 0, 1, 3 or 6 bytes.", E_INVALIDARG);
    auto g = Net().Lock();
    Ref().domain->id = bytes;
  });
  t.AddGet(L"Subnet", domain::kSubnet, [] {
    auto g = Net().Lock();
    return static_cast<short>(Ref().domain->subnet);
  });
  t.AddPut(L"Subnet", domain::kSubnet, [](short subnet) {
    if (subnet < 1 || subnet > 255) Fail(L"A subnet is 1 to 255.", E_INVALIDARG);
    auto g = Net().Lock();
    Ref().domain->subnet = static_cast<BYTE>(subnet);
  });
  t.AddGet(L"Node", domain::kNode, [] {
    auto g = Net().Lock();
    return static_cast<short>(Ref().domain->node);
  });
  t.AddPut(L"Node", domain::kNode, [](short node) {
    if (node < 1 || node > 127) Fail(L"A node number is 1 to 127.", E_INVALIDARG);
    auto g = Net().Lock();
    Ref().domain->node = static_cast<BYTE>(node);
  });
  t.AddGet(L"InUse", domain::kInUse, [] {
    auto g = Net().Lock();
    return Ref().domain->inUse;
  });
  t.AddPut(L"InUse", domain::kInUse, [](bool on) {
    auto g = Net().Lock();
    Ref().domain->inUse = on;
  });
  return t;
}

CComPtr<IDispatch> DomainCopy(const SimDomain& d) {
  ObjRef r = RefTo(kObjDomain);
  r.domain = std::make_shared<SimDomain>(d);
  return Make(std::move(r));
}

size_t DomainIndex(short index) {
  if (index != 0 && index != 1) Fail(L"The domain index is 0 or 1.", DISP_E_BADINDEX);
  return static_cast<size_t>(index);
}

CDispatchTable BuildNode() {
  CDispatchTable t(kProgId);
  auto text = [](std::wstring SimNode::*member) {
    return [member] {
      auto g = Net().Lock();
      return (*Ref().node).*member;
    };
  };
  t.AddGet(L"Location", node::kLocation, text(&SimNode::location));
  t.AddGet(L"Name", node::kName, text(&SimNode::name));
  t.AddGet(L"NeuronId", node::kNeuronId, text(&SimNode::neuronId));
  t.AddGet(L"ProgramId", node::kProgramId, text(&SimNode::programId));
  t.AddGet(L"Nvs", node::kNvs, [] {
    ObjRef r = RefTo(kObjCollection, Ref().node);
    r.which = kCollNvs;
    return Make(std::move(r));
  });
  t.AddGet(L"Cps", node::kCps, [] {
    ObjRef r = RefTo(kObjCollection, Ref().node);
    r.which = kCollNodeCps;
    return Make(std::move(r));
  });
  t.AddGet(L"Blocks", node::kBlocks, [] {
    ObjRef r = RefTo(kObjCollection, Ref().node);
    r.which = kCollBlocks;
    return Make(std::move(r));
  });
  t.AddGet(L"Active", node::kActive, [] {
    auto g = Net().Lock();
    return Ref().node->active;
  });
  t.AddPut(L"Active", node::kActive, [](bool on) {
    auto g = Net().Lock();
    SimNode& n = *Ref().node;
    n.active = on;
    Net().QueueDbLocked({DbWrite::NodeActive, n.rowId, on ? 1 : 0});
  });
  t.AddGet(L"IsRouter", node::kIsRouter, [] {
    auto g = Net().Lock();
    return Ref().node->isRouter;
  });
  t.AddGet(L"Router", node::kRouter, [] {
    bool router;
    {
      auto g = Net().Lock();
      router = Ref().node->isRouter;
    }
    return router ? Make(RefTo(kObjRouter, Ref().node)) : CComPtr<IDispatch>();
  });
  t.AddMethod(L"ClearStatus", node::kClearStatus, [] {
    auto g = Net().Lock();
    Ref().node->status.numbers.fill(0);
    return true;
  });
  t.AddMethod(L"Replace", node::kReplace, [](const std::wstring& neuronId) -> short {
    std::vector<BYTE> bytes;
    if (neuronId.size() != 12 || !HexBytes(neuronId, &bytes)) Fail(L"A Neuron ID is 12 hex digits.", E_INVALIDARG);
    std::wstring upper = HexText(bytes);
    auto g = Net().Lock();
    SimNode& n = *Ref().node;
    SimNode* other = Net().FindNodeLocked(upper, true);
    if (other && other != &n) Fail(L"The Neuron ID " + upper + L" belongs to another device.", E_INVALIDARG);
    n.neuronId = upper;
    n.online = true;
    Net().QueueDbLocked({DbWrite::NodeNeuronId, n.rowId, 0, upper});
    return 0;
  });
  t.AddGet(L"Domain", node::kDomain, [](short index) {
    SimDomain d;
    {
      auto g = Net().Lock();
      d = Ref().node->domains[DomainIndex(index)];
    }
    return DomainCopy(d);
  });
  t.AddGet(L"Status", node::kStatus, [] {
    bool online;
    {
      auto g = Net().Lock();
      online = Ref().node->online;
    }
    if (!online) return CComPtr<IDispatch>();
    ObjRef r = RefTo(kObjStatus, Ref().node);
    r.statusOf = kObjNode;
    return Make(std::move(r));
  });
  t.AddGet(L"InvertsDirection", node::kInvertsDirection, [] {
    auto g = Net().Lock();
    return Ref().node->inverts;
  });
  return t;
}

CDispatchTable BuildNetwork() {
  CDispatchTable t(kProgId);
  t.AddGet(L"NodeCount", net::kNodeCount, []() -> short {
    auto g = Net().Lock();
    return static_cast<short>(std::min<size_t>(Net().m_nodes.size(), 32767));
  });
  t.AddGet(L"Node", net::kNode, [](const VARIANT& index) {
    std::shared_ptr<SimNode> node;
    {
      auto g = Net().Lock();
      node = Net().m_nodes[IndexOf(index, Net().m_nodes.size())];
    }
    return Make(RefTo(kObjNode, node));
  });
  t.AddMethod(L"NvByItemId", net::kNvByItemId, [](const std::wstring& id) {
    ObjRef r;
    {
      auto g = Net().Lock();
      auto it = Net().m_nvById.find(id);
      if (it == Net().m_nvById.end()) return CComPtr<IDispatch>();
      r = RefTo(kObjNv, it->second->node->shared_from_this());
      r.nv = it->second;
    }
    return Make(std::move(r));
  });
  t.AddMethod(L"CpByItemId", net::kCpByItemId, [](const std::wstring& id) {
    ObjRef r;
    {
      auto g = Net().Lock();
      auto it = Net().m_cpById.find(id);
      if (it == Net().m_cpById.end()) return CComPtr<IDispatch>();
      r = RefTo(kObjCp, it->second->node->shared_from_this());
      r.cp = it->second;
    }
    return Make(std::move(r));
  });
  return t;
}

CDispatchTable BuildInterfaces() {
  CDispatchTable t(kProgId);
  t.AddGet(L"Count", coll::kCount, []() -> short {
    auto g = Net().Lock();
    return static_cast<short>(Net().m_interfaces.size());
  });
  t.AddGet(L"Item", coll::kItem, [](const VARIANT& index) {
    ObjRef r = RefTo(kObjInterface);
    {
      auto g = Net().Lock();
      auto& list = Net().m_interfaces;
      if (IsText(index)) {
        std::wstring name = TextOf(index);
        auto it = std::find_if(list.begin(), list.end(),
                               [&](const SimInterface& i) { return SameTextIgnoringCase(i.name, name); });
        if (it == list.end()) return CComPtr<IDispatch>();
        r.which = static_cast<int>(it - list.begin());
      } else {
        r.which = static_cast<int>(IndexOf(index, list.size()));
      }
    }
    return Make(std::move(r));
  });
  return t;
}

CDispatchTable BuildInterface() {
  CDispatchTable t(kProgId);
  auto text = [](std::wstring SimInterface::*member) {
    return [member] {
      auto g = Net().Lock();
      return Net().m_interfaces[static_cast<size_t>(Ref().which)].*member;
    };
  };
  t.AddGet(L"Name", ifc::kName, text(&SimInterface::name));
  t.AddGet(L"Channel", ifc::kChannel, text(&SimInterface::channel));
  t.AddGet(L"Port", ifc::kPort, text(&SimInterface::port));
  return t;
}

// The interface index of an interface item of this control, -1 for null; fails for others.
int InterfaceIndexOf(IDispatch* item) {
  if (!item) return -1;
  ObjRef* r = CSimObject::RefOf(item, &Net());
  if (!r || r->kind != kObjInterface) Fail(L"That is not a network interface of this control.", E_INVALIDARG);
  return r->which;
}

CDispatchTable BuildHost() {
  CDispatchTable t(kProgId);
  t.AddGet(L"Name", host::kName, [] {
    auto g = Net().Lock();
    int i = Net().m_selectedInterface;
    return i >= 0 ? Net().m_interfaces[static_cast<size_t>(i)].name : std::wstring();
  });
  t.AddGet(L"Domain", host::kDomain, [](short index) {
    SimDomain d;
    {
      auto g = Net().Lock();
      d = Net().m_hostDomains[DomainIndex(index)];
    }
    return DomainCopy(d);
  });
  t.AddPut(L"Domain", host::kDomain, [](short index, IDispatch* value) {
    ObjRef* r = CSimObject::RefOf(value, &Net());
    if (!r || r->kind != kObjDomain) Fail(L"That is not a domain object of this control.", E_INVALIDARG);
    auto g = Net().Lock();
    size_t i = DomainIndex(index);
    Net().m_hostDomains[i] = *r->domain;
    Net().QueueDbLocked({DbWrite::HostDomain, static_cast<LONG>(i), 0, {}, *r->domain});
  });
  t.AddGet(L"NetworkInterface", host::kNetworkInterface, [] {
    int i;
    {
      auto g = Net().Lock();
      i = Net().m_selectedInterface;
    }
    if (i < 0) return CComPtr<IDispatch>();
    ObjRef r = RefTo(kObjInterface);
    r.which = i;
    return Make(std::move(r));
  });
  t.AddPut(L"NetworkInterface", host::kNetworkInterface, [](IDispatch* item) {
    int i = InterfaceIndexOf(item);
    auto g = Net().Lock();
    Net().m_selectedInterface = i;
  });
  t.AddGet(L"DisablingNodes", host::kDisablingNodes, [] {
    auto g = Net().Lock();
    return Net().m_disablingNodes;
  });
  t.AddPut(L"DisablingNodes", host::kDisablingNodes, [](bool on) {
    auto g = Net().Lock();
    Net().m_disablingNodes = on;
  });
  t.AddGet(L"DisablingTimeOffset", host::kDisablingTimeOffset, [] {
    auto g = Net().Lock();
    return Net().m_disablingTimeOffset;
  });
  t.AddPut(L"DisablingTimeOffset", host::kDisablingTimeOffset, [](ULONG s) {
    auto g = Net().Lock();
    Net().m_disablingTimeOffset = s;
  });
  t.AddGet(L"DisablingRetry", host::kDisablingRetry, [] {
    auto g = Net().Lock();
    return Net().m_disablingRetry;
  });
  t.AddPut(L"DisablingRetry", host::kDisablingRetry, [](USHORT n) {
    auto g = Net().Lock();
    Net().m_disablingRetry = n;
  });
  t.AddGet(L"Status", host::kStatus, [] {
    bool selected;
    {
      auto g = Net().Lock();
      selected = Net().m_selectedInterface >= 0;
    }
    if (!selected) return CComPtr<IDispatch>();
    ObjRef r = RefTo(kObjStatus);
    r.statusOf = kObjHost;
    return Make(std::move(r));
  });
  t.AddMethod(L"ClearStatus", host::kClearStatus, [] {
    auto g = Net().Lock();
    Net().m_interfaceStatus.numbers.fill(0);
    return true;
  });
  t.AddGet(L"Statistics", host::kStatistics, [] { return Make(RefTo(kObjStatistics)); });
  return t;
}

CDispatchTable BuildMultiSetting() {
  CDispatchTable t(kProgId);
  auto setting = [] { return Ref().ms.get(); };
  t.AddPut(L"DataType", ms::kDataType, [setting](short vt) {
    if (vt >= 0 && !IsSupportedFieldType(static_cast<VARTYPE>(vt)))
      Fail(L"The data type " + std::to_wstring(vt) + L" is not supported.", DISP_E_BADVARTYPE);
    auto g = Net().Lock();
    setting()->dataType = vt;
  });
  t.AddPut(L"CacheTimeout", ms::kCacheTimeout, [setting](LONG v) {
    if (v < 0) Fail(L"A cache timeout cannot be negative.", E_INVALIDARG);
    auto g = Net().Lock();
    setting()->cacheTimeout = v;
  });
  t.AddPut(L"AlwaysUseCache", ms::kAlwaysUseCache, [setting](bool v) {
    auto g = Net().Lock();
    setting()->alwaysUseCache = v;
  });
  t.AddPut(L"Monitored", ms::kMonitored, [setting](bool v) {
    auto g = Net().Lock();
    setting()->monitored = v;
  });
  t.AddMethod(L"AllTags", ms::kAllTags, [setting] {
    auto g = Net().Lock();
    setting()->allTags = true;
  });
  t.AddPut(L"TypeIndexScope", ms::kTypeIndexScope, [setting](short v) {
    auto g = Net().Lock();
    setting()->typeIndex = v;
  });
  t.AddPut(L"NameScope", ms::kNameScope, [setting](const std::wstring& v) {
    auto g = Net().Lock();
    setting()->nvName = v;
  });
  t.AddPut(L"Node", ms::kNode, [setting](IDispatch* node) {
    ObjRef* r = CSimObject::RefOf(node, &Net());
    if (node && (!r || r->kind != kObjNode)) Fail(L"That is not a node of this control.", E_INVALIDARG);
    auto g = Net().Lock();
    setting()->node = r ? r->node : nullptr;
  });
  t.AddPut(L"ProgramIdScope", ms::kProgramIdScope, [setting](const std::wstring& v) {
    auto g = Net().Lock();
    setting()->programId = v;
  });
  t.AddPut(L"LocationScope", ms::kLocationScope, [setting](const std::wstring& v) {
    auto g = Net().Lock();
    setting()->location = v;
  });
  return t;
}

template <class T>
void BoolProperty(CDispatchTable& t, const wchar_t* name, DISPID id, T CSimNetwork::*member) {
  t.AddGet(name, id, [member] {
    auto g = Net().Lock();
    return static_cast<bool>(Net().*member);
  });
  t.AddPut(name, id, [member](bool on) {
    auto g = Net().Lock();
    Net().*member = on;
  });
}

BYTE TimerIndex(BYTE v, const wchar_t* what) {
  if (v > 15) Fail(std::wstring(what) + L" is an index 0 to 15.", E_INVALIDARG);
  return v;
}

CDispatchTable BuildControl() {
  CDispatchTable t(kProgId);
  t.AddPut(L"HostInterface", ctl::kHostInterface, [](IDispatch* item) {
    int i = InterfaceIndexOf(item);
    auto g = Net().Lock();
    Net().m_hostAppInterface = i;
  });
  t.AddGet(L"Network", ctl::kNetwork, [] { return Make(RefTo(kObjNetwork)); });
  t.AddGet(L"DefaultCacheTimeout", ctl::kDefaultCacheTimeout, []() -> LONG {
    auto g = Net().Lock();
    return Net().m_defaultCacheTimeout;
  });
  t.AddPut(L"DefaultCacheTimeout", ctl::kDefaultCacheTimeout, [](LONG ms) {
    if (ms < 0) Fail(L"A cache timeout cannot be negative.", E_INVALIDARG);
    auto g = Net().Lock();
    Net().m_defaultCacheTimeout = ms;
    Net().SetAllCacheTimeoutsLocked(ms);
  });
  BoolProperty(t, L"DebugTrace", ctl::kDebugTrace, &CSimNetwork::m_debugTrace);
  BoolProperty(t, L"BackTypeCompatibility", ctl::kBackTypeCompatibility, &CSimNetwork::m_backTypeCompatibility);
  BoolProperty(t, L"FireEvents", ctl::kFireEvents, &CSimNetwork::m_fireEvents);
  BoolProperty(t, L"UseAuthentication", ctl::kUseAuthentication, &CSimNetwork::m_useAuthentication);
  BoolProperty(t, L"SubnetNodeAddressing", ctl::kSubnetNodeAddressing, &CSimNetwork::m_subnetNodeAddressing);
  BoolProperty(t, L"ServicePinReporting", ctl::kServicePinReporting, &CSimNetwork::m_servicePinReporting);
  BoolProperty(t, L"ReportChangesOnly", ctl::kReportChangesOnly, &CSimNetwork::m_reportChangesOnly);
  t.AddMethod(L"Open", ctl::kOpen, [](LONG mode, const std::wstring& path) { return Net().Open(mode, path); });
  t.AddMethod(L"DeleteNode", ctl::kDeleteNode, [](const std::wstring& neuronId) {
    std::shared_ptr<SimNode> removed;
    {
      auto g = Net().Lock();
      auto& nodes = Net().m_nodes;
      SimNode* n = Net().FindNodeLocked(neuronId, false);
      if (!n) Fail(L"No device with the Neuron ID " + neuronId + L".", E_INVALIDARG);
      auto it = std::find_if(nodes.begin(), nodes.end(), [&](const auto& p) { return p.get() == n; });
      removed = *it;
      nodes.erase(it);
      removed->gone = true;
      Net().RebuildIndexLocked();
      Net().QueueDbLocked({DbWrite::NodeDelete, removed->rowId});
    }
  });
  t.AddMethod(L"Close", ctl::kClose, []() -> LONG {
    Net().Close();
    return 0;
  });
  t.AddGet(L"HostConfig", ctl::kHostConfig, [] { return Make(RefTo(kObjHost)); });
  t.AddGet(L"Interfaces", ctl::kInterfaces, [] { return Make(RefTo(kObjInterfaces)); });
  t.AddGet(L"Option", ctl::kOption, [](const std::wstring& name) -> LONG {
    auto g = Net().Lock();
    auto it = Net().m_options.find(name);
    return it == Net().m_options.end() ? 0 : it->second;
  });
  t.AddPut(L"Option", ctl::kOption, [](const std::wstring& name, LONG value) {
    auto g = Net().Lock();
    Net().m_options[name] = value;
  });
  t.AddGet(L"ServerInstance", ctl::kServerInstance, [] {
    auto g = Net().Lock();
    return Net().m_serverInstance;
  });
  t.AddPut(L"ServerInstance", ctl::kServerInstance, [](BYTE n) {
    if (n > 16) Fail(L"The server instance is 0 to 16.", E_INVALIDARG);
    auto g = Net().Lock();
    Net().m_serverInstance = n;
  });
  t.AddGet(L"TxTimer", ctl::kTxTimer, [] {
    auto g = Net().Lock();
    return Net().m_txTimer;
  });
  t.AddGet(L"RetryCount", ctl::kRetryCount, [] {
    auto g = Net().Lock();
    return Net().m_retry;
  });
  t.AddGet(L"RepeatTimer", ctl::kRepeatTimer, [] {
    auto g = Net().Lock();
    return Net().m_repeatTimer;
  });
  t.AddGet(L"ParallelTransactions", ctl::kParallelTransactions, [] {
    auto g = Net().Lock();
    return Net().m_parallelTransactions;
  });
  t.AddPut(L"ParallelTransactions", ctl::kParallelTransactions, [](BYTE n) {
    if (n == 0) Fail(L"At least one transaction runs at a time.", E_INVALIDARG);
    auto g = Net().Lock();
    Net().m_parallelTransactions = n;
  });
  t.AddGet(L"Throttle", ctl::kThrottle, [] {
    auto g = Net().Lock();
    return Net().m_throttle;
  });
  t.AddPut(L"Throttle", ctl::kThrottle, [](ULONG ms) {
    auto g = Net().Lock();
    Net().m_throttle = ms;
  });
  t.AddMethod(L"SetTimers", ctl::kSetTimers, [](BYTE repeat, BYTE retry, BYTE tx) {
    BYTE r = TimerIndex(repeat, L"The repeat timer"), n = TimerIndex(retry, L"The retry count"),
         x = TimerIndex(tx, L"The transmit timer");
    auto g = Net().Lock();
    Net().m_repeatTimer = r;
    Net().m_retry = n;
    Net().m_txTimer = x;
  });
  t.AddMethod(L"CreateDatabase", ctl::kCreateDatabase, [](const std::wstring& path) {
    VARIANT v;
    v.vt = VT_ERROR;
    v.scode = Net().CreateDatabase(path);
    return v;
  });
  t.AddGet(L"MultiSetting", ctl::kMultiSetting, [] {
    ObjRef r = RefTo(kObjMultiSetting);
    r.ms = std::make_shared<MultiSetting>();
    return Make(std::move(r));
  });
  t.AddMethod(L"ApplyMultiSetting", ctl::kApplyMultiSetting, [](IDispatch* setting) {
    ObjRef* r = CSimObject::RefOf(setting, &Net());
    if (!r || r->kind != kObjMultiSetting) Fail(L"That is not a multi-setting object of this control.", E_INVALIDARG);
    auto g = Net().Lock();
    return Net().ApplyLocked(*r->ms);
  });
  t.AddGet(L"InterfaceStatistics", ctl::kInterfaceStatistics, [] { return Make(RefTo(kObjInterfaceStatistics)); });
  t.AddMethod(L"AboutBox", ctl::kAboutBox, [] {});
  return t;
}

}  // namespace

const CDispatchTable& TableFor(ObjectKind kind) {
  static const CDispatchTable tables[] = {
      BuildControl(),    BuildInterfaces(), BuildInterface(),  BuildHost(),       BuildDomain(), BuildStatus(),
      BuildStatistics(), BuildVni(),        BuildNetwork(),    BuildNode(),       BuildRouter(), BuildSide(),
      BuildBlock(),      BuildNv(),         BuildCp(),         BuildCollection(), BuildType(),   BuildMultiSetting(),
  };
  static const CDispatchTable empty(kProgId);
  return kind >= 0 && static_cast<size_t>(kind) < std::size(tables) ? tables[kind] : empty;
}

}  // namespace kestrum::sim
