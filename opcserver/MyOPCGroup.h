// The OPC group object: the client's items, the group state, one update thread that refreshes
// the active items from the cache at the update rate and delivers data changes to the
// connected IOPCDataCallback sinks.
//
// Locks: the group lock guards the item map and every call on an item (tags are called with it
// held); the statistics lock is taken inside it. The sink list has the object's lock, taken
// only for snapshots. No client call-back is made with any lock held, and the server lock is
// never taken while the group lock is held.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <unordered_map>
#include <vector>

#include "foundation/shared/MyCriticalSection.h"
#include "interfaces/opc/OpcDa.h"
#include "interfaces/opc/OpcError.h"
#include "opcserver/SpyObjects.h"
#include "platform/com/ConnectionPoint.h"

class COPCItem;
class COPCTag;
class CMyOPCServer;

class CMyOPCGroup : public CComObjectRootEx<CComMultiThreadModel>,
                    public IOPCGroupStateMgt,
                    public IOPCItemMgt,
                    public IOPCSyncIO,
                    public IConnectionPointContainerImpl<CMyOPCGroup>,
                    public IConnectionPointImpl<CMyOPCGroup, &IID_IOPCDataCallback, CComDynamicUnkArray> {
 public:
  CMyOPCGroup();
  virtual ~CMyOPCGroup();

  BEGIN_COM_MAP(CMyOPCGroup)
    COM_INTERFACE_ENTRY(IOPCGroupStateMgt)
    COM_INTERFACE_ENTRY(IOPCItemMgt)
    COM_INTERFACE_ENTRY(IOPCSyncIO)
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

  // ---- the group's own operations ----
  // Stores the state and starts the update thread. pTimeBias null: the time zone's bias.
  HRESULT Init(const CString& name, BOOL active, DWORD requestedRate, OPCHANDLE hClient, const LONG* pTimeBias,
               const FLOAT* pDeadband, DWORD lcid, CMyOPCServer* server);
  HRESULT SendDataChange(bool onlyChanged);
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
  void RefreshActiveTags();
  HRESULT CreateItem(COPCTag* tag, COPCItem** out);
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
  // References held by others than the update thread's own cycle.
  LONG GetHeldRefCount() const { return GetRefCount() - (m_bCycleRef ? 1 : 0); }

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
  struct Collected {
    COPCItem* item;
    unsigned seq;
    OPCHANDLE handle;  // looked up again before the item is touched: it may be gone
  };
  static DWORD UpdateThreadProc(LPVOID param);
  void RunUpdateThread();
  void StopUpdateThread();
  bool TryAddRef();
  COPCItem* FindItem(OPCHANDLE handle);
  void DeleteItem(COPCItem* item);
  HRESULT FireOnDataChange(DWORD transaction, DWORD count, OPCHANDLE* clients, VARIANT* values, WORD* qualities,
                           FILETIME* times, HRESULT* errors);

  // Set by the creating thread while the update thread already runs, read by both.
  std::atomic<HANDLE> m_hThread{nullptr};
  std::atomic<DWORD> m_dwThreadId{0};
  std::atomic<bool> m_bRunning{true};
  CMyCriticalSection m_csGroup;
  CMyCriticalSection m_csTransactions;
  HANDLE m_hUpdateEvent = nullptr;
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
  std::unordered_map<OPCHANDLE, COPCItem*> m_index;
  DWORD m_dwTransactionCounter = 2;
  std::atomic<DWORD> m_dwLastSendTick{0};
  CSpyOPCGroup m_spy;
  std::atomic<DWORD> m_dwLastCycle{0};
  std::atomic<DWORD> m_nCycles{0};
  std::atomic<bool> m_bCycleRef{false};
  OPCHANDLE m_hServerGroup;
};
