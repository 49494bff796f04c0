// The OPC group object: the client's items, the group state, one update thread that refreshes
// the active items from the cache at the update rate and delivers data changes to the
// connected IOPCDataCallback sinks and the OPC 1.0 advise sinks of its data object. One
// asynchronous worker, started on the first request, carries out the queued transactions and
// sends their completions.
//
// Stopping either thread waits for it 5000 ms at most: a thread held up in a client's call-back
// is then left to end on its own when the call-back returns. Such a thread reaches the group
// only through a reference it takes while the group lives, and keeps everything else it uses
// (its event, the transaction list) in a link it shares with the group, so nothing it touches
// is freed before it is done.
//
// Locks: the group lock guards the item map and every call on an item (tags are called with it
// held); the statistics lock is taken inside it. The sink list has the object's lock, taken
// only for snapshots. No client call-back is made with any lock held, and the server lock is
// never taken while the group lock is held.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "foundation/shared/MyCriticalSection.h"
#include "interfaces/opc/OpcDa.h"
#include "interfaces/opc/OpcError.h"
#include "opcserver/SpyObjects.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ConnectionPoint.h"

class COPCItem;
class COPCTransaction;
namespace opc_calls {
struct CItemValues;
}
class COPCTag;
class CMyOPCServer;

class CMyOPCGroup : public CComObjectRootEx<CComMultiThreadModel>,
                    public IOPCGroupStateMgt,
                    public IOPCItemMgt,
                    public IOPCSyncIO,
                    public IOPCAsyncIO,
                    public IDataObject,
                    public IOPCAsyncIO2,
                    public IConnectionPointContainerImpl<CMyOPCGroup>,
                    public IConnectionPointImpl<CMyOPCGroup, &IID_IOPCDataCallback, CComDynamicUnkArray> {
 public:
  CMyOPCGroup();
  virtual ~CMyOPCGroup();

  BEGIN_COM_MAP(CMyOPCGroup)
    COM_INTERFACE_ENTRY(IOPCGroupStateMgt)
    COM_INTERFACE_ENTRY(IOPCItemMgt)
    COM_INTERFACE_ENTRY(IOPCSyncIO)
    COM_INTERFACE_ENTRY(IOPCAsyncIO)
    COM_INTERFACE_ENTRY(IDataObject)
    COM_INTERFACE_ENTRY(IOPCAsyncIO2)
    COM_INTERFACE_ENTRY(IConnectionPointContainer)
  END_COM_MAP()

  BEGIN_CONNECTION_POINT_MAP(CMyOPCGroup)
    CONNECTION_POINT_ENTRY(IID_IOPCDataCallback)
  END_CONNECTION_POINT_MAP()

  // ---- IOPCGroupStateMgt ----
  HRESULT GetState(DWORD* pUpdateRate, BOOL* pActive, LPWSTR* ppName, LONG* pTimeBias, FLOAT* pPercentDeadband,
                   DWORD* pLCID, OPCHANDLE* phClientGroup, OPCHANDLE* phServerGroup) override;
  HRESULT SetState(DWORD* pRequestedUpdateRate, DWORD* pRevisedUpdateRate, BOOL* pActive, LONG* pTimeBias,
                   FLOAT* pPercentDeadband, DWORD* pLCID, OPCHANDLE* phClientGroup) override;
  HRESULT SetName(LPCWSTR szName) override;
  HRESULT CloneGroup(LPCWSTR szName, REFIID riid, LPUNKNOWN* ppUnk) override;

  // ---- IOPCItemMgt ----
  HRESULT AddItems(DWORD dwCount, OPCITEMDEF* pItemArray, OPCITEMRESULT** ppAddResults, HRESULT** ppErrors) override;
  HRESULT ValidateItems(DWORD dwCount, OPCITEMDEF* pItemArray, BOOL bBlobUpdate, OPCITEMRESULT** ppValidationResults,
                        HRESULT** ppErrors) override;
  HRESULT RemoveItems(DWORD dwCount, OPCHANDLE* phServer, HRESULT** ppErrors) override;
  HRESULT SetActiveState(DWORD dwCount, OPCHANDLE* phServer, BOOL bActive, HRESULT** ppErrors) override;
  HRESULT SetClientHandles(DWORD dwCount, OPCHANDLE* phServer, OPCHANDLE* phClient, HRESULT** ppErrors) override;
  HRESULT SetDatatypes(DWORD dwCount, OPCHANDLE* phServer, VARTYPE* pRequestedDatatypes, HRESULT** ppErrors) override;
  HRESULT CreateEnumerator(REFIID riid, LPUNKNOWN* ppUnk) override;

  // ---- IOPCSyncIO ----
  HRESULT Read(OPCDATASOURCE dwSource, DWORD dwCount, OPCHANDLE* phServer, OPCITEMSTATE** ppItemValues,
               HRESULT** ppErrors) override;
  HRESULT Write(DWORD dwCount, OPCHANDLE* phServer, VARIANT* pItemValues, HRESULT** ppErrors) override;

  // ---- IOPCAsyncIO ----
  HRESULT Read(DWORD dwConnection, OPCDATASOURCE dwSource, DWORD dwCount, OPCHANDLE* phServer,
               DWORD* pTransactionID, HRESULT** ppErrors) override;
  HRESULT Write(DWORD dwConnection, DWORD dwCount, OPCHANDLE* phServer, VARIANT* pItemValues,
                DWORD* pTransactionID, HRESULT** ppErrors) override;
  HRESULT Refresh(DWORD dwConnection, OPCDATASOURCE dwSource, DWORD* pTransactionID) override;
  HRESULT Cancel(DWORD dwTransactionID) override;

  // ---- IDataObject ----
  HRESULT GetData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) override;
  HRESULT GetDataHere(FORMATETC* pformatetc, STGMEDIUM* pmedium) override;
  HRESULT QueryGetData(FORMATETC* pformatetc) override;
  HRESULT GetCanonicalFormatEtc(FORMATETC* pformatectIn, FORMATETC* pformatetcOut) override;
  HRESULT SetData(FORMATETC* pformatetc, STGMEDIUM* pmedium, BOOL fRelease) override;
  HRESULT EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppenumFormatEtc) override;
  HRESULT DAdvise(FORMATETC* pformatetc, DWORD advf, IAdviseSink* pAdvSink, DWORD* pdwConnection) override;
  HRESULT DUnadvise(DWORD dwConnection) override;
  HRESULT EnumDAdvise(IEnumSTATDATA** ppenumAdvise) override;

  // ---- IConnectionPoint (IOPCDataCallback): the statistics record follows the sinks ----
  HRESULT Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
  HRESULT Unadvise(DWORD dwCookie) override;

  // ---- IOPCAsyncIO2 ----
  HRESULT Read(DWORD dwCount, OPCHANDLE* phServer, DWORD dwTransactionID, DWORD* pdwCancelID,
               HRESULT** ppErrors) override;
  HRESULT Write(DWORD dwCount, OPCHANDLE* phServer, VARIANT* pItemValues, DWORD dwTransactionID,
                DWORD* pdwCancelID, HRESULT** ppErrors) override;
  HRESULT Refresh2(OPCDATASOURCE dwSource, DWORD dwTransactionID, DWORD* pdwCancelID) override;
  HRESULT Cancel2(DWORD dwCancelID) override;
  HRESULT SetEnable(BOOL bEnable) override;
  HRESULT GetEnable(BOOL* pbEnable) override;

  // ---- the group's own operations ----
  // Stores the state and starts the update thread. pTimeBias null: the time zone's bias.
  HRESULT Init(const CString& name, BOOL active, DWORD requestedRate, OPCHANDLE hClient, const LONG* pTimeBias,
               const FLOAT* pDeadband, DWORD lcid, CMyOPCServer* server);
  HRESULT SendDataChange(bool onlyChanged);
  // The "OPCSTMFORMATDATA" / "OPCSTMFORMATDATATIME" stream of the active items marked changed,
  // in handle order; the changed flags stay.
  HRESULT BuildStreamData(STGMEDIUM* pmedium, DWORD transaction);
  HRESULT BuildStreamDataTime(STGMEDIUM* pmedium, DWORD transaction);
  // The completion of a finished transaction: OPC 1.0 through the advise sink of its format,
  // OPC 2.0 through the connected IOPCDataCallback sinks. Called with no lock held.
  HRESULT CompleteAsync10(COPCTransaction& record);
  HRESULT CompleteAsync20(COPCTransaction& record);
  // 100 ms or less becomes 100 ms; returns the stored rate.
  DWORD SetUpdateRate(DWORD rate);
  void ApplyActiveStateToItems();
  HRESULT SyncReadItems(DWORD source, DWORD count, const OPCHANDLE* handles, OPCITEMSTATE* states, HRESULT* errors);
  HRESULT SyncWriteItems(DWORD count, const OPCHANDLE* handles, const VARIANT* values, HRESULT* errors);
  bool UpdateItems();
  HRESULT AddItemsInternal(DWORD count, const OPCITEMDEF* defs, OPCITEMRESULT* results, HRESULT* errors);
  HRESULT ValidateItemsInternal(DWORD count, const OPCITEMDEF* defs, OPCITEMRESULT* results, HRESULT* errors);
  HRESULT RemoveItemsInternal(DWORD count, const OPCHANDLE* handles, HRESULT* errors);
  HRESULT SetActiveStateInternal(DWORD count, const OPCHANDLE* handles, BOOL active, HRESULT* errors);
  HRESULT SetClientHandlesInternal(DWORD count, const OPCHANDLE* handles, const OPCHANDLE* clients, HRESULT* errors);
  HRESULT SetDatatypesInternal(DWORD count, const OPCHANDLE* handles, const VARTYPE* types, HRESULT* errors);
  bool IsValidItem(OPCHANDLE handle);
  HRESULT CloneInto(const CString& name);
  HRESULT CreateItem(COPCTag* tag, COPCItem** out);
  // m_items in handle order, in one block (group lock held; valid until items come or go).
  const std::vector<std::pair<OPCHANDLE, COPCItem*>>& ItemsInOrder();
  HRESULT CreateEnumeratorInternal(REFIID riid, LPUNKNOWN* ppUnk);
  // Calls visit, under the group lock, for at most `max` items whose server handle is above
  // `after`, in handle order (what the item enumerator walks).
  void VisitItemsAfter(OPCHANDLE after, ULONG max, const std::function<void(COPCItem&)>& visit);

  // The server starts removing the group: every call fails from now on, the items go.
  void BeginRemove();
  // The server goes while a client still holds the group: the group stops its thread, forgets
  // the server and lives on, failing every call, until the client lets go.
  void Orphan();
  void NotifyEvent(int code, const CString& text = CString());
  // Copies the group's state into its statistics record (takes the statistics lock).
  void UpdateSpy();

  OPCHANDLE GetServerHandle() const { return m_hServerGroup; }
  CString GetName();
  BOOL IsActive() const { return m_bActive.load(); }
  bool IsRemoved() const { return m_bRemoved.load(); }
  DWORD GetUpdateRate() const { return m_dwUpdateRate.load(); }
  CSpyOPCGroup& GetSpy() { return m_spy; }
  // Whether the caller runs on this group's update thread.
  bool IsUpdateThread() const;
  // The server with a reference of the caller's, or null once it is going.
  CMyOPCServer* AcquireServer();
  // References held by others than the update thread's cycle and the asynchronous worker.
  LONG GetHeldRefCount() const;

  // How long a stop waits for the update thread or the asynchronous worker.
  static constexpr DWORD kThreadStopWaitMs = 5000;

  // Test hook: called at the end of every update cycle with the group's client handle; set for
  // the installer's lifetime (the one before it is put back).
  typedef void (*CycleHook)(OPCHANDLE hClientGroup, DWORD cycle);
  class CScopedCycleHookForTesting {
   public:
    explicit CScopedCycleHookForTesting(CycleHook hook);
    ~CScopedCycleHookForTesting();
    CScopedCycleHookForTesting(const CScopedCycleHookForTesting&) = delete;
    CScopedCycleHookForTesting& operator=(const CScopedCycleHookForTesting&) = delete;

   private:

    CycleHook m_previous;
  };

 private:
  using DataCallbackPoint = IConnectionPointImpl<CMyOPCGroup, &IID_IOPCDataCallback, CComDynamicUnkArray>;
  struct Collected {
    COPCItem* item;
    unsigned seq;
    OPCHANDLE handle;  // looked up again before the item is touched: it may be gone
  };
  // What the group's threads share with it; see the top of this file.
  struct CThreadLink {
    explicit CThreadLink(CMyOPCGroup* owner);
    ~CThreadLink();
    CThreadLink(const CThreadLink&) = delete;
    CThreadLink& operator=(const CThreadLink&) = delete;
    // The group with a reference for a thread, marked as that thread's, or null once it is
    // going. Reference and mark come and go together under the link's lock, so
    // GetHeldRefCount never counts the one without the other.
    CMyOPCGroup* Acquire(std::atomic<bool> CMyOPCGroup::*mark);
    // Gives the reference back; the last one frees the group, on the caller's thread.
    void Release(CMyOPCGroup* held, std::atomic<bool> CMyOPCGroup::*mark);
    // Called first by the group's destructor: Acquire gives null from then on.
    void Cut();
    bool IsCut();

    std::mutex groupMutex;
    CMyOPCGroup* group;  // guarded by groupMutex
    std::atomic<bool> running{true};
    HANDLE updateEvent = nullptr;  // closed with the link
    // The transaction lock: guards the records, their flags and the worker's start and stop.
    std::mutex transactionLock;
    std::condition_variable transactionsChanged;
    std::list<std::unique_ptr<COPCTransaction>> transactions;
    bool asyncStopped = false;
    bool workerEnded = false;
  };
  // Where the update thread is in its period between two visits to the group.
  struct CUpdatePhase {
    bool waiting = false;  // the cycle ran; waiting for the rest of the period
    DWORD t0 = 0;
    DWORD sent = 0;  // m_dwLastSendTick when the wait began
  };
  static DWORD UpdateThreadProc(LPVOID param);
  // One step of the update thread: a cycle, or the end of a wait. The time to wait before the
  // next step (0: yield only).
  DWORD UpdateStep(CUpdatePhase& phase);
  void StopUpdateThread();
  bool TryAddRef();
  COPCItem* FindItem(OPCHANDLE handle);
  void DeleteItem(COPCItem* item);
  // The values to every connected IOPCDataCallback sink's OnDataChange.
  HRESULT FireOnDataChange(DWORD transaction, opc_calls::CItemValues& values);

  // ---- asynchronous requests and OPC 1.0 advise ----
  enum AdviseSlot { AdviseData, AdviseDataTime, AdviseWriteComplete, AdviseCount };
  // The slot of a registered format number; AdviseCount for any other.
  static AdviseSlot SlotOfFormat(DWORD format);
  // The sink held for a slot, with a reference of the caller's, or null.
  CComPtr<IAdviseSink> GetAdviseSink(AdviseSlot slot);
  void ReleaseAdviseSinks();
  // Hands a stream to a sink (which the caller holds) and frees it.
  void SendStream(IAdviseSink* sink, DWORD format, HGLOBAL block);
  // The data stream of values to the sink of a data slot, when one is held.
  HRESULT SendDataStream(AdviseSlot slot, DWORD transaction, const opc_calls::CItemValues& values);
  HRESULT BuildStream(bool withTime, STGMEDIUM* pmedium, DWORD transaction);
  // Copies the state of the active items (with onlyChanged only those marked changed since
  // their first refresh) under the group lock, in handle order; taken gets what was copied.
  void CollectActiveItems(bool onlyChanged, opc_calls::CItemValues& values, std::vector<Collected>* taken = nullptr);
  // Writes the client handles of the handles into clients and OPC_E_INVALIDHANDLE into errors
  // for every handle the group does not hold; S_FALSE when there was one.
  HRESULT CheckHandles(DWORD count, const OPCHANDLE* handles, OPCHANDLE* clients, HRESULT* errors);
  // The common tail of every request: handles checked, the id taken, the record queued. On
  // success the id goes to *pId and the error array (when asked for) to *ppErrors; on failure
  // both stay null/0 and no record is left.
  HRESULT QueueRequest(std::unique_ptr<COPCTransaction> record, DWORD* pId, HRESULT** ppErrors);
  // Ids are unique within the group, never 0; the first is 3.
  DWORD NextTransactionId();
  // E_FAIL when a refresh has nothing to do: the group inactive, or no item of it active.
  HRESULT RefuseRefresh();
  // Raises the request's counter and logs its event.
  void NoteRequest(CGroupInfo::Counter counter, int event);
  // Makes the record of a request whose arguments were checked and queues it; an accepted read
  // or write is counted and logged.
  HRESULT SubmitRequest(DWORD type, DWORD count, const OPCHANDLE* handles, const VARIANT* values, DWORD connection,
                        DWORD source, DWORD transaction, DWORD* pId, HRESULT** ppErrors);
  HRESULT CancelTransaction(bool opc20, DWORD id);
  static void RunAsyncWorker(const std::shared_ptr<CThreadLink>& link);
  void ExecuteTransaction(COPCTransaction& record);
  // Every active item brought up to date from the source (device or cache).
  void RefreshActiveItems(DWORD source);
  // Stops the worker (waited for unless it is the caller, 5000 ms at most) and drops the
  // records not yet started.
  void StopAsyncWorker();

  std::shared_ptr<CThreadLink> m_link;
  // Set by the creating thread while the update thread already runs, read by both.
  std::atomic<HANDLE> m_hThread{nullptr};
  std::atomic<DWORD> m_dwThreadId{0};
  std::atomic<bool>& m_bRunning;
  CMyCriticalSection m_csGroup;
  // In the link: the worker may outlive the group.
  std::mutex& m_csTransactions;
  std::condition_variable& m_cvTransactions;
  std::list<std::unique_ptr<COPCTransaction>>& m_transactions;
  std::thread m_asyncWorker;
  bool& m_bAsyncStopped;
  // Guarded by the object's lock; each called with a reference of the caller's.
  CComPtr<IAdviseSink> m_adviseSinks[AdviseCount];
  HANDLE m_hUpdateEvent = nullptr;  // the link's
  std::atomic<BOOL> m_bEnabled{TRUE};
  // Cleared by the server (Orphan) while clients may still call in.
  std::atomic<CMyOPCServer*> m_pServer{nullptr};
  CString m_strName;
  std::atomic<BOOL> m_bActive{FALSE};
  std::atomic<DWORD> m_dwUpdateRate{1000};
  // Written under the group lock; the update thread's test hook reads it without.
  std::atomic<OPCHANDLE> m_hClientGroup{0};
  LONG m_lTimeBias = 0;
  FLOAT m_fDeadband = 0.0f;
  DWORD m_dwLCID = 0;
  std::atomic<bool> m_bRemoved{false};
  // In handle order (the order deliveries list items in), and indexed for the I/O paths.
  std::map<OPCHANDLE, COPCItem*> m_items;
  // m_items in one block for the walks of every cycle (the map's nodes lie all over the heap);
  // rebuilt by the first walk after item management changed m_items. Under the group lock.
  std::vector<std::pair<OPCHANDLE, COPCItem*>> m_walk;
  bool m_walkStale = false;
  std::unordered_map<OPCHANDLE, COPCItem*> m_index;
  std::atomic<DWORD> m_dwTransactionCounter{2};
  std::atomic<DWORD> m_dwLastSendTick{0};
  CSpyOPCGroup m_spy;
  std::atomic<DWORD> m_dwLastCycle{0};
  std::atomic<DWORD> m_nCycles{0};
  std::atomic<bool> m_bCycleRef{false};
  std::atomic<bool> m_bWorkerRef{false};
  OPCHANDLE m_hServerGroup;
};
