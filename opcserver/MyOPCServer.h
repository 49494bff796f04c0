// The OPC server object, one per client connection: creates and owns the client's groups,
// answers IOPCServer and IOPCCommon, browses the address space, gives item properties, and
// offers an IOPCShutdown connection point. Its methods live in one file per interface set:
// MyOPCServer.cpp (object, IOPCServer, IOPCCommon), MyOPCServerBrowse.cpp,
// MyOPCServerItemProperties.cpp, and EnumGroupIDs.cpp for the group enumerator.
//
// Lock order (outermost first): server lock, group lock, statistics lock. Groups are taken out
// of the server's maps under the server lock and released after it is left; a group stamps the
// server's last update time only after releasing its own lock.
#pragma once

#include <atomic>
#include <map>
#include <mutex>

#include "foundation/shared/MyCriticalSection.h"
#include "interfaces/opc/OpcDa.h"
#include "interfaces/opc/OpcError.h"
#include "opcserver/OpcBrowsePosition.h"
#include "opcserver/OpcTagsManager.h"
#include "opcserver/SpyObjects.h"
#include "platform/com/ConnectionPoint.h"

class CMyOPCGroup;

// Live server objects, and connections made since start (the first is 1).
extern std::atomic<int> g_nConnectedClients;
extern std::atomic<unsigned short> g_nServersCreated;

class CMyOPCServer : public CComObjectRootEx<CComMultiThreadModel>,
                     public IOPCServer,
                     public IOPCCommon,
                     public IOPCBrowseServerAddressSpace,
                     public IOPCItemProperties,
                     public IConnectionPointContainerImpl<CMyOPCServer>,
                     public IConnectionPointImpl<CMyOPCServer, &IID_IOPCShutdown> {
 public:
  CMyOPCServer();
  virtual ~CMyOPCServer();

  BEGIN_COM_MAP(CMyOPCServer)
    COM_INTERFACE_ENTRY(IOPCServer)
    COM_INTERFACE_ENTRY(IOPCCommon)
    COM_INTERFACE_ENTRY(IOPCBrowseServerAddressSpace)
    COM_INTERFACE_ENTRY(IOPCItemProperties)
    COM_INTERFACE_ENTRY(IConnectionPointContainer)
    COM_INTERFACE_ENTRY(IConnectionPoint)
  END_COM_MAP()

  BEGIN_CONNECTION_POINT_MAP(CMyOPCServer)
    CONNECTION_POINT_ENTRY(IID_IOPCShutdown)
  END_CONNECTION_POINT_MAP()

  HRESULT FinalConstruct();
  void FinalRelease();

  // A new server object queried for riid; the way clients' servers are made. The object joins
  // the shutdown's snapshots only once its making is over, so a reference a snapshot takes can
  // never be the last one while the maker still uses the object.
  static HRESULT CreateInstance(REFIID riid, void** ppv);
  bool IsMade() const { return m_bMade; }

  // ---- IOPCServer ----
  HRESULT AddGroup(LPCWSTR szName, BOOL bActive, DWORD dwRequestedUpdateRate, OPCHANDLE hClientGroup, LONG* pTimeBias,
                   FLOAT* pPercentDeadband, DWORD dwLCID, OPCHANDLE* phServerGroup, DWORD* pRevisedUpdateRate,
                   REFIID riid, LPUNKNOWN* ppUnk) override;
  HRESULT GetErrorString(HRESULT dwError, LCID dwLocale, LPWSTR* ppString) override;
  HRESULT GetGroupByName(LPCWSTR szName, REFIID riid, LPUNKNOWN* ppUnk) override;
  HRESULT GetStatus(OPCSERVERSTATUS** ppServerStatus) override;
  HRESULT RemoveGroup(OPCHANDLE hServerGroup, BOOL bForce) override;
  HRESULT CreateGroupEnumerator(OPCENUMSCOPE dwScope, REFIID riid, LPUNKNOWN* ppUnk) override;

  // ---- IOPCCommon ----
  HRESULT SetLocaleID(LCID dwLcid) override;
  HRESULT GetLocaleID(LCID* pdwLcid) override;
  HRESULT QueryAvailableLocaleIDs(DWORD* pdwCount, LCID** pdwLcid) override;
  HRESULT GetErrorString(HRESULT dwError, LPWSTR* ppString) override;
  HRESULT SetClientName(LPCWSTR szName) override;

  // ---- IOPCBrowseServerAddressSpace ----
  HRESULT QueryOrganization(OPCNAMESPACETYPE* pNameSpaceType) override;
  HRESULT ChangeBrowsePosition(OPCBROWSEDIRECTION dwBrowseDirection, LPCWSTR szString) override;
  HRESULT BrowseOPCItemIDs(OPCBROWSETYPE dwBrowseFilterType, LPCWSTR szFilterCriteria, VARTYPE vtDataTypeFilter,
                           DWORD dwAccessRightsFilter, LPENUMSTRING* ppIEnumString) override;
  HRESULT GetItemID(LPWSTR szItemDataID, LPWSTR* szItemID) override;
  HRESULT BrowseAccessPaths(LPCWSTR szItemID, LPENUMSTRING* ppIEnumString) override;

  // ---- IOPCItemProperties ----
  HRESULT QueryAvailableProperties(LPWSTR szItemID, DWORD* pdwCount, DWORD** ppPropertyIDs, LPWSTR** ppDescriptions,
                                   VARTYPE** ppvtDataTypes) override;
  HRESULT GetItemProperties(LPWSTR szItemID, DWORD dwCount, DWORD* pdwPropertyIDs, VARIANT** ppvData,
                            HRESULT** ppErrors) override;
  HRESULT LookupItemIDs(LPWSTR szItemID, DWORD dwCount, DWORD* pdwPropertyIDs, LPWSTR** ppszNewItemIDs,
                        HRESULT** ppErrors) override;

  // ---- own operations ----
  void FillStatus(OPCSERVERSTATUS* status);
  void FormatSystemMessage(HRESULT code, LCID locale, CString& text);
  // A new, initialised group, or null.
  CMyOPCGroup* CreateGroup(const CString& name, BOOL active, DWORD rate, OPCHANDLE hClient, const LONG* pTimeBias,
                           const FLOAT* pDeadband, DWORD lcid);
  CMyOPCGroup* FindGroupByName(const CString& name);
  CMyOPCGroup* FindGroupByHandle(OPCHANDLE handle);
  void SetLastUpdateTime();
  void UpdateSpy();
  void NotifyEvent(int kind, const CString& text = CString());
  CString GetClientDisplayName();
  CMyCriticalSection& GetLock() { return m_lock; }
  // A reference unless the object is already going (its count reached 0).
  bool TryAddRef();
  CSpyOPCServer& GetSpy() { return m_spy; }

  // Cuts the object off from its client (the COM server thread's shutdown): every later call
  // fails with RPC_E_DISCONNECTED, the client is logged off as by a last release, and the groups
  // are disconnected and let go. The memory goes with the last reference, as always.
  void Disconnect();
  bool IsDisconnected() const { return m_bDisconnected; }

  // Under the server lock, calls visit(handle, group) for the live group with the smallest
  // handle above `after`; false when there is none.
  template <class F>
  bool VisitGroupAfter(OPCHANDLE after, F visit) {
    CMyCriticalSectionLock lock(m_lock);
    auto it = m_groups.upper_bound(after);
    if (it == m_groups.end()) return false;
    visit(it->first, it->second);
    return true;
  }

  HRESULT CreateGroupEnumeratorInternal(DWORD dwScope, REFIID riid, LPUNKNOWN* ppUnk);

 private:
  // The steps of a last release that tell the world the client left; run once, by the last
  // release or by Disconnect, whichever comes first.
  void LeaveClients();
  // Takes every group out of the maps, cuts it off from its clients and lets it go.
  void ReleaseAllGroups();
  // Runs visit with the address space held still (an empty one without a tags manager).
  void WithAddressSpace(const COpcTagsManager::AddressSpaceVisitor& visit);

  HRESULT ChangeBrowsePositionInternal(DWORD direction, const CString& text);
  HRESULT GetItemIDInternal(const CString& itemDataId, CString& itemId);

  CMyCriticalSection m_lock;
  CSpyOPCServer m_spy;
  unsigned short m_nServerNumber;
  std::map<OPCHANDLE, CMyOPCGroup*> m_groups;
  std::map<OPCHANDLE, CMyOPCGroup*> m_removedGroups;
  DWORD m_dwLCID = LOCALE_SYSTEM_DEFAULT;
  CString m_strClientName;
  FILETIME m_ftLastUpdate{0, 0};
  std::atomic<bool> m_bMade{false};
  std::atomic<bool> m_bDisconnected{false};
  std::atomic<bool> m_bLeft{false};
  // Browsing state, guarded by its own lock, which is taken before the address space's and
  // never together with the server lock.
  std::mutex m_browseMutex;
  COpcBrowsePosition m_browsePosition;
  DWORD m_dwLastBrowseType = OPC_BRANCH;
};
