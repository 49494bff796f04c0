// The simulated network behind one control: its devices and their values, the host's
// settings, the clock, the events waiting for delivery, the call record and the injected
// failures. One lock guards all of it; it is the innermost lock of the program and is held
// only for short work: no call leaves this class with it held, the database is written after
// it is released, and events are only queued (the control delivers them on its own thread).
#pragma once

#include "platform/com/ComVariant.h"
#include "platform/com/DispatchTable.h"
#include "standins/kestrum/NetworkDatabase.h"

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace kestrum::sim {

struct SimEvent {
  DISPID id;
  std::vector<CComVariant> args;  // left to right
};

// What a multi-setting object collects before the control applies it.
struct MultiSetting {
  std::optional<short> dataType;
  std::optional<LONG> cacheTimeout;
  std::optional<bool> alwaysUseCache;
  std::optional<bool> monitored;
  bool allTags = false;
  std::optional<short> typeIndex;
  std::optional<std::wstring> nvName;
  std::shared_ptr<SimNode> node;
  std::optional<std::wstring> programId;
  std::optional<std::wstring> location;
};

// Which object a dispatch object stands for.
struct ObjRef {
  ObjectKind kind = kObjControl;
  std::shared_ptr<SimNode> node;
  SimNv* nv = nullptr;
  SimCp* cp = nullptr;
  SimBlock* block = nullptr;
  int which = 0;  // router side 0 near, 1 far; interface index; collection kind
  std::shared_ptr<SimDomain> domain;
  std::shared_ptr<MultiSetting> ms;
  ObjectKind statusOf = kObjHost;  // kObjStatus: kObjNode, kObjRouterSide or kObjHost
};

enum CollectionKind { kCollNvs, kCollNodeCps, kCollNvCps, kCollBlocks, kCollBlockCps };

class CSimNetwork : public std::enable_shared_from_this<CSimNetwork> {
 public:
  CSimNetwork();
  ~CSimNetwork();
  CSimNetwork(const CSimNetwork&) = delete;
  CSimNetwork& operator=(const CSimNetwork&) = delete;

  // Holds the lock; on release, announces queued events and writes queued database rows.
  class Guard {
   public:
    explicit Guard(CSimNetwork& net) : m_net(&net), m_lock(net.m_mutex) {}
    Guard(Guard&& other) noexcept = default;
    ~Guard();

   private:
    CSimNetwork* m_net;
    std::unique_lock<std::mutex> m_lock;
  };
  Guard Lock() { return Guard(*this); }

  // ---- with the lock held -----------------------------------------------------------
  ULONGLONG NowLocked() const;
  // Whether the object is still there (its node not deleted, its database not closed).
  bool AliveLocked(const ObjRef& ref) const { return Alive(ref); }
  bool Alive(const ObjRef& ref) const { return !ref.node || !ref.node->gone.load(); }
  std::wstring KeyLocked(const ObjRef& ref) const;

  bool ReadDeviceLocked(SimPoint& point);
  bool ReadCacheLocked(SimPoint& point);
  // Writes the device and the cache; throws CDispatchError when the device does not answer.
  void WriteLocked(SimPoint& point, const std::vector<BYTE>& bytes);
  // The device value now (behaviours applied up to the clock).
  const std::vector<BYTE>& DeviceLocked(SimPoint& point);
  void SetMonitorCookieLocked(SimNv& nv, LONG cookie);
  void QueueEventLocked(DISPID id, std::vector<CComVariant> args);
  void QueueDbLocked(DbWrite write);
  SimNode* FindNodeLocked(const std::wstring& neuronId, bool includeNew);
  SimPoint* FindPointLocked(const std::wstring& itemId, bool* isNv);
  void RebuildIndexLocked();
  // One monitoring round at the clock's time.
  void PollLocked();
  // Applies a multi-setting; false when it names no NVs.
  bool ApplyLocked(const MultiSetting& ms);
  void SetAllCacheTimeoutsLocked(LONG timeout);
  // The NV's value as events carry it: whole value, canonical type.
  CComVariant EventValueLocked(SimNv& nv);
  std::optional<std::wstring> TakePromptAnswerLocked();

  // ---- taking the lock itself -----------------------------------------------------------
  // ctl::kOpen and ctl::kCreateDatabase.
  LONG Open(LONG mode, const std::wstring& path);
  SCODE CreateDatabase(const std::wstring& path);
  void Close();
  // Counts the call (while calls are recorded) and tells whether an injected failure takes it
  // (then *message is set). Without either it takes no lock.
  bool RecordCall(const ObjRef& ref, DISPID id, WORD flags, std::wstring* message);
  std::vector<SimEvent> TakeEvents();
  // Called (without the lock) whenever events were queued; the control posts to its thread.
  void SetWakeHandler(std::function<void()> wake);
  // Real time: a monitoring round when one is due (every 500 ms); a fixed clock: nothing.
  void PollIfDue();

  // ---- the simulation interface (SimNetworkSimulation.cpp) ---------------------------------
  HRESULT SimSetDeviceValue(const std::wstring& itemId, short field, const VARIANT& value);
  HRESULT SimGetDeviceValue(const std::wstring& itemId, short field, VARIANT* value);
  HRESULT SimSetBehaviour(const std::wstring& itemId, LONG behaviour, double step, double low, double high);
  HRESULT SimSetValueStatus(const std::wstring& itemId, LONG status);
  HRESULT SimSetDeviceOnline(const std::wstring& neuronId, bool online);
  HRESULT SimSetCounter(LONG kind, const std::wstring& key, DISPID counter, ULONG value);
  HRESULT SimAddLateAcknowledgements(ULONG count);
  HRESULT SimAddNetworkInterface(const std::wstring& name, const std::wstring& channel, const std::wstring& port);
  HRESULT SimPressServicePin(const std::wstring& neuronId);
  HRESULT SimRaiseInfo(LONG kind, const std::wstring& text1, const std::wstring& text2);
  HRESULT SimRaiseInform2(LONG code, const std::wstring* neuronId, const std::wstring& text);
  void SetClock(ULONGLONG fileTime);
  void AdvanceClock(ULONG milliseconds);
  ULONGLONG GetClock();
  void FailCall(LONG kind, const std::wstring& key, DISPID id, const std::wstring& message, LONG times);
  void ClearFailures();
  LONG CallCount(LONG kind, const std::wstring& key, DISPID id);
  std::wstring CallLog();
  void ResetCalls();
  void SetRecordCalls(bool record);
  void QueuePromptAnswer(std::optional<std::wstring> answer);

  // ---- the model, guarded by the lock ----------------------------------------------------
  std::vector<std::shared_ptr<SimNode>> m_nodes;     // the open database's devices, in order
  std::vector<std::shared_ptr<SimNode>> m_newNodes;  // on the wire, not uploaded yet
  // Keyed by views of the points' own item IDs: rebuilt (RebuildIndexLocked) whenever points
  // come or go, before any of them is freed.
  std::unordered_map<std::wstring_view, SimNv*> m_nvById;
  std::unordered_map<std::wstring_view, SimCp*> m_cpById;
  std::vector<SimInterface> m_interfaces;
  std::array<SimDomain, 2> m_hostDomains;
  int m_selectedInterface = -1;
  int m_hostAppInterface = -1;
  bool m_disablingNodes = false;
  ULONG m_disablingTimeOffset = 60;
  USHORT m_disablingRetry = 3;
  StatusCounters m_interfaceStatus;
  std::array<ULONG, 14> m_statistics{};
  LONG m_invalidResponses = 0;
  LONG m_defaultCacheTimeout = 5000;
  bool m_debugTrace = false;
  bool m_backTypeCompatibility = false;
  bool m_fireEvents = true;
  std::map<std::wstring, LONG> m_options;
  bool m_useAuthentication = false;
  BYTE m_serverInstance = 0;
  BYTE m_txTimer = 4, m_retry = 3, m_repeatTimer = 4;
  bool m_subnetNodeAddressing = true;
  BYTE m_parallelTransactions = 16;
  ULONG m_throttle = 10;
  bool m_servicePinReporting = false;
  bool m_reportChangesOnly = true;
  bool m_open = false;

 private:
  void AfterUnlock();
  void ApplyBehaviourLocked(SimNv& nv, ULONGLONG now);
  void ReportLocked(SimNv& nv, bool poll);
  void RefreshFromDeviceLocked(SimPoint& point, bool ok);
  uint32_t InternKeyLocked(std::wstring_view key);
  uint32_t CallKeyLocked(const ObjRef& ref);
  void ClearCallsLocked();

  struct CallKey {
    LONG kind;
    DISPID id;
    std::wstring key;
    bool operator==(const CallKey&) const = default;
  };
  struct CallKeyHash {
    size_t operator()(const CallKey& k) const {
      return std::hash<std::wstring>()(k.key) ^ (static_cast<size_t>(k.kind) * 0x9E3779B1u) ^ static_cast<size_t>(k.id);
    }
  };
  // Calls are counted and logged by interned key, so that a call costs no text; the log
  // is written out only when asked for.
  struct CallSlot {
    LONG kind;
    DISPID id;
    uint32_t key;  // index into m_callKeys; 0 is ""
    bool operator==(const CallSlot&) const = default;
  };
  struct CallSlotHash {
    size_t operator()(const CallSlot& s) const;
  };
  struct LoggedCall {
    uint32_t key;
    DISPID id;
    LONG kind;
    BYTE how;  // 0 get, 1 put, 2 method
  };
  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::wstring_view text) const { return std::hash<std::wstring_view>()(text); }
  };
  struct Failure {
    std::wstring message;
    LONG times;
  };

  std::mutex m_mutex;
  std::mutex m_dbMutex;  // taken before m_mutex, only to write the queued rows in order
  std::unique_ptr<CNetworkDatabase> m_db;
  std::vector<DbWrite> m_dbQueue;
  // Whether m_dbQueue holds rows, and how many threads are writing rows out: a call that
  // queued nothing and sees no writer skips both database locks.
  std::atomic<bool> m_dbQueued{false};
  std::atomic<int> m_dbWriters{0};
  std::vector<SimEvent> m_events;
  std::atomic<bool> m_eventsQueued{false};
  std::function<void()> m_wake;
  std::optional<ULONGLONG> m_fixedClock;
  ULONGLONG m_lastPoll = 0;
  std::deque<std::optional<std::wstring>> m_prompts;
  std::unordered_map<std::wstring, uint32_t, TextHash, std::equal_to<>> m_callKeyIds;
  std::vector<const std::wstring*> m_callKeys;  // by id; the strings live in m_callKeyIds
  std::unordered_map<CallSlot, LONG, CallSlotHash> m_calls;
  std::unordered_map<CallSlot, LONG, CallSlotHash> m_callsByKind;  // key 0
  std::vector<LoggedCall> m_callLog;  // a ring of the latest calls, oldest at m_callLogStart
  size_t m_callLogStart = 0;
  std::unordered_map<CallKey, Failure, CallKeyHash> m_failures;
  // Read by every call without the lock; changed under it.
  std::atomic<bool> m_recordCalls{false};
  std::atomic<bool> m_hasFailures{false};
};

// Throws the dispatch error callers see as DISP_E_EXCEPTION with this text.
[[noreturn]] void Fail(const std::wstring& message, SCODE scode = E_FAIL);

}  // namespace kestrum::sim
