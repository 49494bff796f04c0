// The proxy of one network variable (NV) of a device, with its own CPs.
#pragma once

#include <atomic>
#include <deque>

#include "foundation/shared/MyCriticalSection.h"
#include "lon/ConfigProperty.h"
#include "lon/DataPointLink.h"
#include "lon/ConnectedOPCItemsCounter.h"
#include "platform/com/DispatchDriver.h"
#include "platform/win32/CString.h"

class CLonNode;

class CNetworkVariable : public CConnectedOPCItemsCounter {
 public:
  // Writes its cookie into the control's NV object, builds its item ID and its CPs.
  CNetworkVariable(const COleDispatchDriver& nv, CLonNode* node);
  CNetworkVariable(const CNetworkVariable&) = delete;
  CNetworkVariable& operator=(const CNetworkVariable&) = delete;
  ~CNetworkVariable();

  // The live proxy of a cookie the control gave back, or null.
  static CNetworkVariable* FromCookie(DWORD cookie);
  DWORD GetCookie() const { return m_dwCookie; }

  CString GetDescription();
  // A failing put is shown with its message box; false then.
  bool SetDescription(const CString& text);
  CString GetName();
  CString GetTypeName();
  CString GetItemID() const { return m_strItemId; }
  CString GetValueText(short field = -1);
  VARIANT GetFieldValue(VARTYPE vt, short field);
  CString GetMemberName(short field);
  void SetFieldType(short field, VARTYPE vt);
  USHORT GetFieldCount();
  bool IsWritable();
  CString GetDisplayName();
  bool WriteValue(const VARIANT& value, short field);
  bool Write();

  // Monitoring at the control is switched on at the first request and off after the last one;
  // the count and the switch change together under the NV's lock. A failing switch leaves the
  // count as it was and throws.
  void AddMonitorRequest();
  // False when no request was counted.
  bool ReleaseMonitorRequest();
  int GetMonitorCount() const { return m_nMonitorCount.load(); }

  // What the NV's tags hold instead of the proxy itself.
  std::shared_ptr<CDataPointLink<CNetworkVariable>> GetLink() const { return m_pLink; }
  // Empties the links of the NV and its CPs, waiting for their tags' calls in progress.
  void DetachLinks();

  COleDispatchDriver m_dispatch;
  CString m_strItemId;
  std::deque<CConfigProperty*> m_cps;
  CLonNode* m_pNode;
  std::atomic<int> m_nMonitorCount{0};

 private:
  DWORD m_dwCookie = 0;
  CMyCriticalSection m_monitorLock;
  std::shared_ptr<CDataPointLink<CNetworkVariable>> m_pLink;
};
