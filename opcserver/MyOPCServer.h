// The OPC server object, one per client connection: creates and owns the client's groups,
// answers IOPCServer and IOPCCommon, and offers an IOPCShutdown connection point.
//
// Lock order (outermost first): server lock, group lock, statistics lock. Groups are taken out
// of the server's maps under the server lock and released after it is left; a group stamps the
// server's last update time only after releasing its own lock.
#pragma once

#include <atomic>
#include <map>

#include "foundation/shared/MyCriticalSection.h"
#include "interfaces/opc/OpcDa.h"
#include "interfaces/opc/OpcError.h"
#include "opcserver/SpyObjects.h"
#include "platform/com/ConnectionPoint.h"

class CMyOPCGroup;
class COPCTagsBranch;

// Live server objects, and connections made since start (the first is 1).
extern std::atomic<int> g_nConnectedClients;
extern std::atomic<unsigned short> g_nServersCreated;

class CMyOPCServer : public CComObjectRootEx<CComMultiThreadModel>,
                     public IOPCServer,
                     public IOPCCommon,
                     public IConnectionPointContainerImpl<CMyOPCServer>,
                     public IConnectionPointImpl<CMyOPCServer, &IID_IOPCShutdown> {
 public:
  CMyOPCServer();
  virtual ~CMyOPCServer();

  BEGIN_COM_MAP(CMyOPCServer)
    COM_INTERFACE_ENTRY(IOPCServer)
    COM_INTERFACE_ENTRY(IOPCCommon)
    COM_INTERFACE_ENTRY(IConnectionPointContainer)
    COM_INTERFACE_ENTRY(IConnectionPoint)
  END_COM_MAP()

  BEGIN_CONNECTION_POINT_MAP(CMyOPCServer)
    CONNECTION_POINT_ENTRY(IID_IOPCShutdown)
  END_CONNECTION_POINT_MAP()

  HRESULT FinalConstruct();
  void FinalRelease();

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

 private:
  CMyCriticalSection m_lock;
  CSpyOPCServer m_spy;
  unsigned short m_nServerNumber;
  std::map<OPCHANDLE, CMyOPCGroup*> m_groups;
  std::map<OPCHANDLE, CMyOPCGroup*> m_removedGroups;
  DWORD m_dwLCID = LOCALE_SYSTEM_DEFAULT;
  CString m_strClientName;
  FILETIME m_ftLastUpdate{0, 0};
  COPCTagsBranch* m_pBrowsePosition = nullptr;
  [[maybe_unused]] DWORD m_dwLastBrowseType = 1;  // kept with the server's state; nothing reads it
};
