#include "standins/kestrum/SimNetwork.h"

#include <charconv>

#include "platform/win32/Time.h"

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <set>

namespace kestrum::sim {

namespace {

constexpr ULONGLONG kTicksPerMs = 10000;
constexpr ULONGLONG kPollPeriodMs = 500;
constexpr size_t kCallLogLimit = 10000;

std::vector<SimInterface> DefaultInterfaces() {
  return {{L"LON1", L"FTT-10", L"LON1"}, {L"LON2", L"TP/XF-1250", L"LON2"}};
}

const wchar_t* KindName(LONG kind) {
  static const wchar_t* const kNames[] = {L"control", L"interfaces", L"interface", L"host", L"domain", L"status",
                                          L"statistics", L"vni", L"network", L"node", L"router", L"side",
                                          L"block", L"nv", L"cp", L"collection", L"type", L"multisetting"};
  return kind >= 0 && kind < static_cast<LONG>(std::size(kNames)) ? kNames[kind] : L"?";
}

uint64_t Mix(uint64_t x) {
  x ^= x >> 33;
  x *= 0xff51afd7ed558ccdULL;
  x ^= x >> 33;
  x *= 0xc4ceb3f97ed1a96bULL;
  x ^= x >> 33;
  return x;
}

}  // namespace

void Fail(const std::wstring& message, SCODE scode) { throw CDispatchError(message, scode, kProgId); }

CSimNetwork::CSimNetwork() : m_interfaces(DefaultInterfaces()) {
  ClearCallsLocked();
  m_hostDomains[0].id = {0x4B};
  m_hostDomains[0].subnet = 1;
  m_hostDomains[0].node = 127;
  m_hostDomains[1].inUse = false;
}

CSimNetwork::~CSimNetwork() = default;

CSimNetwork::Guard::~Guard() {
  if (!m_lock.owns_lock()) return;
  m_lock.unlock();
  m_net->AfterUnlock();
}

namespace {
// Counts a thread that may write queued rows out, from before it takes the rows until they
// are written.
class CDbWriter {
 public:
  explicit CDbWriter(std::atomic<int>& writers) : m_writers(writers) { ++m_writers; }
  ~CDbWriter() { --m_writers; }
  CDbWriter(const CDbWriter&) = delete;
  CDbWriter& operator=(const CDbWriter&) = delete;

 private:
  std::atomic<int>& m_writers;
};
}  // namespace

void CSimNetwork::AfterUnlock() {
  // A load first: most calls queue no event, and the exchange would cost every call.
  if (m_eventsQueued.load() && m_eventsQueued.exchange(false) && m_wake) m_wake();
  // Rows this thread queued are either still flagged or being written by a writer it waits
  // for below, so they are in the database when the call returns.
  if (!m_dbQueued.load() && m_dbWriters.load() == 0) return;
  CDbWriter writer(m_dbWriters);
  std::lock_guard<std::mutex> db(m_dbMutex);
  std::vector<DbWrite> writes;
  CNetworkDatabase* target = nullptr;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    writes.swap(m_dbQueue);
    m_dbQueued = false;
    target = m_db.get();
  }
  // m_db only changes under m_dbMutex (Open, Close), so it stays valid here.
  if (target)
    for (const DbWrite& w : writes) target->Apply(w);
}

void CSimNetwork::SetWakeHandler(std::function<void()> wake) { m_wake = std::move(wake); }

ULONGLONG CSimNetwork::NowLocked() const {
  if (m_fixedClock) return *m_fixedClock;
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  return tessaly::win32::FileTimeToUInt64(ft);
}

std::wstring CSimNetwork::KeyLocked(const ObjRef& ref) const {
  switch (ref.kind) {
    case kObjNode:
    case kObjRouter:
      return ref.node ? ref.node->neuronId : std::wstring();
    case kObjRouterSide:
      return (ref.which ? L"far:" : L"near:") + (ref.node ? ref.node->neuronId : std::wstring());
    case kObjStatus:
      if (ref.statusOf == kObjNode) return ref.node->neuronId;
      if (ref.statusOf == kObjRouterSide) return (ref.which ? L"far:" : L"near:") + ref.node->neuronId;
      return {};
    case kObjBlock:
      return ref.node->neuronId + L"/" + std::to_wstring(ref.block->index);
    case kObjNv:
    case kObjType:
      return ref.nv ? ref.nv->itemId : std::wstring();
    case kObjCp:
      return ref.cp->itemId;
    case kObjInterface:
      return ref.which >= 0 && ref.which < static_cast<int>(m_interfaces.size()) ? m_interfaces[ref.which].name
                                                                               : std::wstring();
    default:
      return {};
  }
}

// ---- values ---------------------------------------------------------------------------------

void CSimNetwork::ApplyBehaviourLocked(SimNv& nv, ULONGLONG now) {
  if (nv.behaviour == kBehaviourConstant || !nv.type->IsNumeric()) {
    nv.behaviourTime = now;
    return;
  }
  if (nv.behaviourTime == 0 || now < nv.behaviourTime) {
    nv.behaviourTime = now;
    return;
  }
  ULONGLONG seconds = (now - nv.behaviourTime) / (1000 * kTicksPerMs);
  if (seconds == 0) return;
  nv.behaviourTime += seconds * 1000 * kTicksPerMs;
  double v = nv.type->Number(nv.device);
  double span = nv.high - nv.low;
  if (nv.behaviour == kBehaviourRamp) {
    if (span > 0) {
      v = nv.low + std::fmod(v - nv.low + nv.step * static_cast<double>(seconds), span);
      if (v < nv.low) v += span;
    }
  } else {
    // A repeatable walk: each second's direction comes from the NV's own counter.
    ULONGLONG n = std::min<ULONGLONG>(seconds, 100000);
    for (ULONGLONG i = 0; i < n; ++i) {
      nv.walkState = Mix(nv.walkState + static_cast<uint64_t>(nv.rowId) * 0x9E3779B97F4A7C15ULL + 1);
      v += (nv.walkState & 1) ? nv.step : -nv.step;
      v = std::min(std::max(v, nv.low), nv.high);
    }
  }
  nv.type->SetNumber(nv.device, v);
}

const std::vector<BYTE>& CSimNetwork::DeviceLocked(SimPoint& point) {
  if (point.isNv) ApplyBehaviourLocked(static_cast<SimNv&>(point), NowLocked());
  return point.device;
}

void CSimNetwork::RefreshFromDeviceLocked(SimPoint& point, bool ok) {
  if (!ok) return;
  point.cache.bytes = DeviceLocked(point);
  point.cache.time = NowLocked();
  point.cache.valid = true;
  point.cache.status = point.forcedStatus >= 0 ? point.forcedStatus : kStatusGood;
}

bool CSimNetwork::ReadDeviceLocked(SimPoint& point) {
  SimNode& node = *point.node;
  if (!node.active) {
    point.cache.status = kStatusInactive;
    return false;
  }
  if (!node.online) {
    point.cache.status = kStatusOffline;
    return false;
  }
  RefreshFromDeviceLocked(point, true);
  return point.cache.status == kStatusGood || point.cache.status == kStatusUncertain;
}

bool CSimNetwork::ReadCacheLocked(SimPoint& point) {
  if (point.alwaysUseCache) return true;
  ULONGLONG now = NowLocked();
  ULONGLONG timeout = static_cast<ULONGLONG>(std::max<LONG>(point.cacheTimeout, 0)) * kTicksPerMs;
  // Fresh enough: younger than the timeout (a timeout of 0 always asks the device).
  if (point.cache.valid && now >= point.cache.time && now - point.cache.time < timeout) return true;
  return ReadDeviceLocked(point);
}

void CSimNetwork::WriteLocked(SimPoint& point, const std::vector<BYTE>& bytes) {
  SimNode& node = *point.node;
  if (!node.active) Fail(L"The device is inactive.");
  if (!node.online) Fail(L"The device does not answer.");
  bool nv = point.isNv;
  if (nv) ApplyBehaviourLocked(static_cast<SimNv&>(point), NowLocked());
  point.device = bytes;
  RefreshFromDeviceLocked(point, true);
  if (nv) ReportLocked(static_cast<SimNv&>(point), false);
}

CComVariant CSimNetwork::EventValueLocked(SimNv& nv) {
  CComVariant v = nv.type->Decode(nv.cache.valid ? nv.cache.bytes : nv.device, -1);
  VARTYPE vt = nv.FieldType(-1);
  if (vt != v.vt) {
    CComVariant converted;
    if (SUCCEEDED(VariantChangeType(&converted, &v, 0, vt))) return converted;
  }
  return v;
}

// A monitored NV reports a changed value (or, on a poll with "report changes only" off, any
// value) with its cookie.
void CSimNetwork::ReportLocked(SimNv& nv, bool poll) {
  if (nv.monitorCookie == 0) return;
  bool changed = nv.cache.bytes != nv.lastReported || nv.reportedError;
  if (!changed && (!poll || m_reportChangesOnly)) return;
  nv.lastReported = nv.cache.bytes;
  nv.reportedError = false;
  QueueEventLocked(evt::kNewNvValue, {CComVariant(static_cast<int>(nv.monitorCookie)), EventValueLocked(nv)});
}

void CSimNetwork::SetMonitorCookieLocked(SimNv& nv, LONG cookie) {
  if (nv.monitorCookie == 0 && cookie != 0) {
    // Reports start from what the device holds now: no event for the value already known.
    nv.lastReported = DeviceLocked(nv);
    nv.reportedError = false;
  }
  nv.monitorCookie = cookie;
}

void CSimNetwork::PollLocked() {
  m_lastPoll = NowLocked();
  for (const auto& node : m_nodes) {
    for (const auto& nv : node->nvs) {
      if (nv->monitorCookie == 0) continue;
      if (!ReadDeviceLocked(*nv)) {
        if (!nv->reportedError || !m_reportChangesOnly)
          QueueEventLocked(evt::kNewNvError, {CComVariant(static_cast<int>(nv->monitorCookie))});
        nv->reportedError = true;
        continue;
      }
      ReportLocked(*nv, true);
    }
  }
}

void CSimNetwork::PollIfDue() {
  auto guard = Lock();
  if (m_fixedClock || !m_open) return;
  ULONGLONG now = NowLocked();
  if (now >= m_lastPoll && now - m_lastPoll < kPollPeriodMs * kTicksPerMs) return;
  PollLocked();
}

void CSimNetwork::QueueEventLocked(DISPID id, std::vector<CComVariant> args) {
  if (!m_fireEvents) return;
  m_events.push_back({id, std::move(args)});
  m_eventsQueued = true;
}

std::vector<SimEvent> CSimNetwork::TakeEvents() {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<SimEvent> events;
  events.swap(m_events);
  return events;
}

void CSimNetwork::QueueDbLocked(DbWrite write) {
  if (!m_db) return;
  m_dbQueue.push_back(std::move(write));
  m_dbQueued = true;
}

std::optional<std::wstring> CSimNetwork::TakePromptAnswerLocked() {
  if (m_prompts.empty()) return std::nullopt;
  auto answer = std::move(m_prompts.front());
  m_prompts.pop_front();
  return answer;
}

// ---- lookups ---------------------------------------------------------------------------------

SimNode* CSimNetwork::FindNodeLocked(const std::wstring& neuronId, bool includeNew) {
  auto same = [&](const std::shared_ptr<SimNode>& n) {
    if (n->neuronId.size() != neuronId.size()) return false;
    for (size_t i = 0; i < neuronId.size(); ++i)
      if (std::towupper(n->neuronId[i]) != std::towupper(neuronId[i])) return false;
    return true;
  };
  for (const auto& n : m_nodes)
    if (same(n)) return n.get();
  if (includeNew)
    for (const auto& n : m_newNodes)
      if (same(n)) return n.get();
  return nullptr;
}

SimPoint* CSimNetwork::FindPointLocked(const std::wstring& itemId, bool* isNv) {
  auto nv = m_nvById.find(itemId);
  if (nv != m_nvById.end()) {
    *isNv = true;
    return nv->second;
  }
  auto cp = m_cpById.find(itemId);
  if (cp != m_cpById.end()) {
    *isNv = false;
    return cp->second;
  }
  return nullptr;
}

namespace {
// text + the decimal number, without the cost of a wide printf per item ID.
std::wstring WithNumber(const std::wstring& text, long number) {
  char digits[24];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, number);
  std::wstring out;
  out.reserve(text.size() + static_cast<size_t>(end - digits));
  out = text;
  out.append(digits, end);
  return out;
}
}  // namespace

void CSimNetwork::RebuildIndexLocked() {
  m_nvById.clear();
  m_cpById.clear();
  size_t nvCount = 0;
  for (const auto& n : m_nodes) nvCount += n->nvs.size();
  m_nvById.reserve(nvCount);
  for (const auto& n : m_nodes) {
    std::wstring stem = ItemIdStem(*n) + L".";
    for (const auto& nv : n->nvs) {
      nv->itemId = WithNumber(stem, nv->index);
      m_nvById.emplace(nv->itemId, nv.get());
      for (const auto& cp : nv->cps) {
        cp->itemId = WithNumber(nv->itemId + L".", cp->index);
        m_cpById.emplace(cp->itemId, cp.get());
      }
    }
    // Node CPs share the NVs' number space, after them.
    for (const auto& cp : n->cps) {
      cp->itemId = WithNumber(stem, static_cast<long>(n->nvs.size()) + cp->index);
      m_cpById.emplace(cp->itemId, cp.get());
    }
    for (const auto& b : n->blocks)
      for (const auto& cp : b->cps) {
        cp->itemId = WithNumber(WithNumber(stem + L"O", b->index) + L".", cp->index);
        m_cpById.emplace(cp->itemId, cp.get());
      }
  }
}

// ---- database ----------------------------------------------------------------------------------

SCODE CSimNetwork::CreateDatabase(const std::wstring& path) {
  std::wstring error;
  return CNetworkDatabase::Create(path, &error) ? S_OK : E_FAIL;
}

LONG CSimNetwork::Open(LONG mode, const std::wstring& path) {
  if (mode < kModeAuto || mode > kModeUploadNew) return 2;
  NetworkContents contents;
  std::unique_ptr<CNetworkDatabase> db;
  if (!path.empty()) {
    std::wstring error;
    db = CNetworkDatabase::Open(path, &error);
    if (!db) return 1;
    if (!db->Load(&contents, &error)) return 3;
  }
  Close();
  {
  std::lock_guard<std::mutex> dbLock(m_dbMutex);
  std::lock_guard<std::mutex> lock(m_mutex);
  m_db = std::move(db);
  for (const SimInterface& item : contents.interfaces) {
    bool known = std::any_of(m_interfaces.begin(), m_interfaces.end(),
                             [&](const SimInterface& i) { return i.name == item.name; });
    if (!known) m_interfaces.push_back(item);
  }
  if (!path.empty()) m_hostDomains = contents.hostDomains;
  std::vector<std::shared_ptr<SimNode>> loaded;
  for (auto& n : contents.nodes) {
    bool take = n->uploaded || mode == kModeUploadAll || mode == kModeUploadNew;
    if (take && !n->uploaded) {
      n->uploaded = true;
      QueueDbLocked({DbWrite::NodeUploaded, n->rowId, 1});
      loaded.push_back(n);
    } else if (take && mode == kModeUploadAll) {
      loaded.push_back(n);
    }
    (take ? m_nodes : m_newNodes).push_back(n);
    for (auto& nv : n->nvs) {
      nv->cache.bytes = nv->device;
      nv->walkState = static_cast<uint64_t>(nv->rowId);
    }
    for (auto& cp : n->cps) cp->cache.bytes = cp->device;
    for (auto& b : n->blocks)
      for (auto& cp : b->cps) cp->cache.bytes = cp->device;
    for (auto& nv : n->nvs)
      for (auto& cp : nv->cps) cp->cache.bytes = cp->device;
  }
  RebuildIndexLocked();
  m_open = true;
  m_lastPoll = NowLocked();
  if (mode == kModeUploadAll || mode == kModeUploadNew) {
    std::set<std::wstring> domains;
    for (const auto& n : loaded) domains.insert(HexText(n->domains[0].id));
    if (domains.empty()) domains.insert(HexText(m_hostDomains[0].id));
    for (const auto& d : domains) QueueEventLocked(evt::kScanning, {CComVariant(d.c_str())});
    short count = static_cast<short>(std::min<size_t>(loaded.size(), 32767));
    for (short i = 0; i < count; ++i)
      QueueEventLocked(evt::kLoading, {CComVariant(loaded[static_cast<size_t>(i)]->neuronId.c_str()),
                                       CComVariant(static_cast<short>(i + 1)), CComVariant(count)});
    QueueEventLocked(evt::kScanFinished, {});
  }
  }
  AfterUnlock();
  return 0;
}

void CSimNetwork::Close() {
  CDbWriter writer(m_dbWriters);
  std::lock_guard<std::mutex> dbLock(m_dbMutex);
  std::unique_ptr<CNetworkDatabase> closing;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    // Rows still queued go out before the database closes.
    std::vector<DbWrite> writes;
    writes.swap(m_dbQueue);
    m_dbQueued = false;
    if (m_db)
      for (const DbWrite& w : writes) m_db->Apply(w);
    for (auto& n : m_nodes) n->gone = true;
    for (auto& n : m_newNodes) n->gone = true;
    m_nodes.clear();
    m_newNodes.clear();
    m_nvById.clear();
    m_cpById.clear();
    m_open = false;
    closing = std::move(m_db);
  }
}

// ---- multi-setting ------------------------------------------------------------------------------

bool CSimNetwork::ApplyLocked(const MultiSetting& ms) {
  if (!ms.allTags && !ms.typeIndex && !ms.nvName) return false;
  for (const auto& n : m_nodes) {
    if (ms.node && ms.node.get() != n.get()) continue;
    if (!ms.node && ms.programId && n->programId != *ms.programId) continue;
    if (!ms.node && ms.location && n->location != *ms.location) continue;
    for (const auto& nv : n->nvs) {
      if (!ms.allTags) {
        if (ms.typeIndex && nv->type->Index() != *ms.typeIndex) continue;
        if (ms.nvName && nv->name != *ms.nvName) continue;
      }
      if (ms.dataType) {
        if (nv->fieldTypes.empty()) nv->fieldTypes.resize(1, VT_EMPTY);
        nv->fieldTypes[0] = *ms.dataType < 0 ? static_cast<VARTYPE>(VT_EMPTY) : static_cast<VARTYPE>(*ms.dataType);
        QueueDbLocked({DbWrite::NvFieldTypes, nv->rowId, 0, CNetworkDatabase::FieldTypesText(nv->fieldTypes)});
      }
      if (ms.cacheTimeout) {
        nv->cacheTimeout = std::max<LONG>(*ms.cacheTimeout, 0);
        QueueDbLocked({DbWrite::NvCacheTimeout, nv->rowId, nv->cacheTimeout});
      }
      if (ms.alwaysUseCache) {
        nv->alwaysUseCache = *ms.alwaysUseCache;
        QueueDbLocked({DbWrite::NvAlwaysUseCache, nv->rowId, nv->alwaysUseCache ? 1 : 0});
      }
      if (ms.monitored) {
        nv->monitored = *ms.monitored;
        QueueDbLocked({DbWrite::NvMonitored, nv->rowId, nv->monitored ? 1 : 0});
      }
    }
  }
  return true;
}

void CSimNetwork::SetAllCacheTimeoutsLocked(LONG timeout) {
  for (const auto& n : m_nodes)
    for (const auto& nv : n->nvs) {
      nv->cacheTimeout = timeout;
      QueueDbLocked({DbWrite::NvCacheTimeout, nv->rowId, timeout});
    }
}

// ---- calls and failures --------------------------------------------------------------------------

size_t CSimNetwork::CallSlotHash::operator()(const CallSlot& s) const {
  return static_cast<size_t>(Mix((static_cast<uint64_t>(s.key) << 32 | static_cast<uint32_t>(s.id)) ^
                                 (static_cast<uint64_t>(static_cast<uint32_t>(s.kind)) << 56)));
}

uint32_t CSimNetwork::InternKeyLocked(std::wstring_view key) {
  if (key.empty()) return 0;
  auto it = m_callKeyIds.find(key);
  if (it != m_callKeyIds.end()) return it->second;
  auto id = static_cast<uint32_t>(m_callKeys.size());
  auto added = m_callKeyIds.emplace(std::wstring(key), id).first;
  m_callKeys.push_back(&added->first);
  return id;
}

// The object's key as it is now (keys change when a node is readdressed or renamed); the
// id cached on the model is only a hint, checked against the interned text.
uint32_t CSimNetwork::CallKeyLocked(const ObjRef& ref) {
  auto cached = [this](uint32_t& hint, const std::wstring& key) {
    if (hint >= m_callKeys.size() || *m_callKeys[hint] != key) hint = InternKeyLocked(key);
    return hint;
  };
  switch (ref.kind) {
    case kObjNode:
    case kObjRouter:
      return ref.node ? cached(ref.node->callKey, ref.node->neuronId) : 0;
    case kObjStatus:
      if (ref.statusOf == kObjNode) return cached(ref.node->callKey, ref.node->neuronId);
      break;
    case kObjNv:
    case kObjType:
      return ref.nv ? cached(ref.nv->callKey, ref.nv->itemId) : 0;
    case kObjCp:
      return cached(ref.cp->callKey, ref.cp->itemId);
    default:
      break;
  }
  return InternKeyLocked(KeyLocked(ref));
}

void CSimNetwork::ClearCallsLocked() {
  m_calls.clear();
  m_callsByKind.clear();
  m_callLog.clear();
  m_callLogStart = 0;
  m_callKeyIds.clear();
  m_callKeys.clear();
  m_callKeys.push_back(&m_callKeyIds.emplace(std::wstring(), 0).first->first);
}

bool CSimNetwork::RecordCall(const ObjRef& ref, DISPID id, WORD flags, std::wstring* message) {
  if (!m_recordCalls.load() && !m_hasFailures.load()) return false;
  // Queues nothing, so it needs none of Guard's work on release.
  std::lock_guard<std::mutex> lock(m_mutex);
  uint32_t key = 0;
  bool keyed = false;
  if (m_recordCalls.load()) {
    key = CallKeyLocked(ref);
    keyed = true;
    ++m_calls[CallSlot{ref.kind, id, key}];
    ++m_callsByKind[CallSlot{ref.kind, id, 0}];
    BYTE how = (flags & DISPATCH_PROPERTYPUT) || (flags & DISPATCH_PROPERTYPUTREF) ? 1 : (flags & DISPATCH_METHOD) ? 2 : 0;
    LoggedCall entry{key, id, ref.kind, how};
    if (m_callLog.size() < kCallLogLimit) {
      m_callLog.push_back(entry);
    } else {
      m_callLog[m_callLogStart] = entry;
      m_callLogStart = (m_callLogStart + 1) % m_callLog.size();
    }
  }
  if (m_failures.empty()) return false;
  const std::wstring text = keyed ? *m_callKeys[key] : KeyLocked(ref);
  for (const CallKey& k : {CallKey{ref.kind, id, text}, CallKey{ref.kind, id, std::wstring()}}) {
    auto it = m_failures.find(k);
    if (it == m_failures.end()) continue;
    *message = it->second.message;
    if (it->second.times > 0 && --it->second.times == 0) m_failures.erase(it);
    m_hasFailures = !m_failures.empty();
    return true;
  }
  return false;
}

void CSimNetwork::SetRecordCalls(bool record) {
  auto guard = Lock();
  m_recordCalls = record;
}

void CSimNetwork::FailCall(LONG kind, const std::wstring& key, DISPID id, const std::wstring& message, LONG times) {
  auto guard = Lock();
  if (times == 0) {
    m_failures.erase(CallKey{kind, id, key});
    m_hasFailures = !m_failures.empty();
    return;
  }
  m_failures[CallKey{kind, id, key}] = Failure{message, times < 0 ? -1 : times};
  m_hasFailures = true;
}

void CSimNetwork::ClearFailures() {
  auto guard = Lock();
  m_failures.clear();
  m_hasFailures = false;
}

LONG CSimNetwork::CallCount(LONG kind, const std::wstring& key, DISPID id) {
  auto guard = Lock();
  uint32_t slot = 0;
  if (!key.empty()) {
    auto known = m_callKeyIds.find(key);
    if (known == m_callKeyIds.end()) return 0;
    slot = known->second;
  }
  const auto& table = key.empty() ? m_callsByKind : m_calls;
  auto it = table.find(CallSlot{kind, id, slot});
  return it == table.end() ? 0 : it->second;
}

std::wstring CSimNetwork::CallLog() {
  static const wchar_t* const kHow[] = {L"get", L"put", L"method"};
  auto guard = Lock();
  std::wstring log;
  for (size_t i = 0; i < m_callLog.size(); ++i) {
    const LoggedCall& c = m_callLog[(m_callLogStart + i) % m_callLog.size()];
    log += KindName(c.kind);
    log += L' ';
    log += *m_callKeys[c.key];
    log += L' ';
    log += kHow[c.how];
    log += L' ';
    log += std::to_wstring(c.id);
    log += L'\n';
  }
  return log;
}

void CSimNetwork::ResetCalls() {
  auto guard = Lock();
  ClearCallsLocked();
}

void CSimNetwork::QueuePromptAnswer(std::optional<std::wstring> answer) {
  auto guard = Lock();
  m_prompts.push_back(std::move(answer));
}

// ---- clock ----------------------------------------------------------------------------------------

void CSimNetwork::SetClock(ULONGLONG fileTime) {
  auto guard = Lock();
  m_fixedClock = fileTime;
}

void CSimNetwork::AdvanceClock(ULONG milliseconds) {
  auto guard = Lock();
  m_fixedClock = NowLocked() + static_cast<ULONGLONG>(milliseconds) * kTicksPerMs;
  if (m_open) PollLocked();
}

ULONGLONG CSimNetwork::GetClock() {
  auto guard = Lock();
  return NowLocked();
}

}  // namespace kestrum::sim
