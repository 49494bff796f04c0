// One item of an OPC group: the client's view of a data point (client handle, requested type,
// active state) over a tag of its own. The item keeps the last value, quality and time stamp it
// took from the tag and decides whether they changed. It has no lock of its own: its group calls
// it with the group lock held.
//
// A call into the network control that fails throws out of the tag; the item stops it here and
// reports E_FAIL for itself alone, so one broken data point never takes its group's call or the
// update thread down with it.
#pragma once

#include <atomic>

#include "interfaces/opc/OpcDa.h"
#include "lon/OPCTag.h"
#include "opcserver/SpyObjects.h"

class CMyOPCGroup;

class COPCItem {
 public:
  // Takes ownership of tag. The item starts inactive, with the tag's state read once. When the
  // control fails meanwhile, GetInitResult says E_FAIL and the item is only fit to be deleted.
  COPCItem(COPCTag* tag, CMyOPCGroup* group, OPCHANDLE hServer);
  COPCItem(const COPCItem&) = delete;
  COPCItem& operator=(const COPCItem&) = delete;
  virtual ~COPCItem();

  virtual FILETIME GetTimestamp();
  // The value in the requested type into an initialised out.
  virtual HRESULT GetValue(VARIANT* out);
  virtual WORD GetQuality();
  // Consumes value (cleared before returning). E_FAIL when the tag or the control refused it,
  // OPC_E_UNKNOWNITEMID when the data point is gone; a write that reached the device is S_OK
  // even if reading the item's state back fails.
  virtual HRESULT Write(VARIANT value);
  // VT_EMPTY stands for the canonical type. False (nothing changed) when the tag refuses vt.
  virtual bool SetRequestedType(VARTYPE vt, bool notify);
  virtual VARTYPE GetCanonicalType();
  virtual DWORD GetAccessRights();
  // What the tag said when last asked, without asking it again (each ask is a call to the
  // network control).
  DWORD GetLastAccessRights() const { return m_dwAccessRights; }
  virtual CString GetName();
  // E_FAIL when the control would not start monitoring: the item then stays inactive.
  virtual HRESULT SetActive(BOOL active);
  virtual bool IsChanged();

  HRESULT GetInitResult() const { return m_hrInit; }
  // Has the tag bring its value up to date from source (cache or device) and marks the item
  // refreshed. E_FAIL when the control failed: until a later refresh succeeds, Update leaves
  // the tag alone and keeps the quality bad.
  HRESULT Refresh(DWORD source);
  // Takes the tag's state (refreshed before) into the item. E_FAIL when the control failed
  // (now or in the last refresh): the quality is then bad, out of service. OPC_E_UNKNOWNITEMID
  // once the data point is gone: the quality is then bad, configuration error.
  HRESULT Update(float percentDeadband);
  // Raises or lowers the tag's monitoring by the item's and group's active states. E_FAIL when
  // the control would not start it (the item stays unmonitored and a later call tries again);
  // lowering always succeeds.
  HRESULT ApplyActiveState();
  void NotifyEvent(int code);
  CString GetValueText();
  bool PassesDeadband(const VARIANT& oldValue, const VARIANT& newValue, float percent);

  OPCHANDLE GetServerHandle() const { return m_hServer; }
  OPCHANDLE GetClientHandle() const { return m_hClient; }
  void SetClientHandle(OPCHANDLE h) {
    if (h == m_hClient) return;
    m_hClient = h;
    m_bSpyDirty = true;
  }
  VARTYPE GetRequestedType() const { return m_vtRequested; }
  BOOL IsActive() const { return m_bActive; }
  COPCTag* GetTag() const { return m_pTag; }
  CSpyOPCItem& GetSpy() { return m_spy; }
  // Called by the group (under its lock) when it is going away without this item.
  void DetachGroup() { m_pGroup = nullptr; }

  void MarkChanged() {
    m_bChanged = true;
    m_bSpyDirty = true;
    ++m_nChangeSeq;
  }
  // Whether the group has refreshed the tag since the item was made: before that the tag's
  // state is not worth delivering.
  void MarkRefreshed() { m_bRefreshed = true; }
  bool WasRefreshed() const { return m_bRefreshed; }
  // Each mark raises the sequence, so a delivery clears only what it saw.
  unsigned GetChangeSeq() const { return m_nChangeSeq; }
  void ClearChangedIfUnchanged(unsigned seq) {
    if (m_nChangeSeq == seq) m_bChanged = false;
  }
  void ClearChanged() { m_bChanged = false; }

  // Copies the item's state into its statistics record (takes the statistics lock). Every
  // change of what the record shows marks it dirty; events bring a dirty record up to date.
  void UpdateSpy();

 private:
  VARTYPE ReadType() const { return m_vtRequested != VT_EMPTY ? m_vtRequested : m_vtCanonical; }
  void SetQuality(WORD quality);
  HRESULT WriteConverted(const VARIANT& value, VARIANT* copy);
  // Drops the item's part in the tag's monitoring; never throws.
  void ReleaseMonitoring();

  BOOL m_bActive = FALSE;
  OPCHANDLE m_hClient = 0;
  VARTYPE m_vtRequested = VT_EMPTY;
  VARIANT m_value;
  WORD m_wQuality = OPC_QUALITY_UNCERTAIN;
  FILETIME m_ftTimestamp;
  bool m_bChanged = true;
  bool m_bRefreshed = false;
  // The statistics record is behind the item's state (a delivery clears m_bChanged, not this).
  bool m_bSpyDirty = true;
  unsigned m_nChangeSeq = 0;
  CSpyOPCItem m_spy;
  CMyOPCGroup* m_pGroup;
  COPCTag* m_pTag;
  OPCHANDLE m_hServer;
  // Read once from the tag, as is the name (kept in the statistics record): neither changes
  // while the tag lives.
  VARTYPE m_vtCanonical = VT_EMPTY;
  DWORD m_dwAccessRights = 0;
  // Whether this item counts in the tag's monitoring count.
  bool m_bMonitoring = false;
  // Whether the item owes the tag a Deactivate.
  bool m_bTagActivated = false;
  // The last refresh failed in the control: the tag's state is not worth taking.
  bool m_bRefreshFailed = false;
  // The tag's data point is gone (its device deleted, its network closed): the quality is
  // OPC_TAG_QUALITY_NO_DATA_POINT and reads, writes and deliveries give OPC_E_UNKNOWNITEMID.
  bool m_bNoDataPoint = false;
  HRESULT m_hrInit = S_OK;
};

// Same type and value; VT_I1, VT_UI2, VT_UI4 and VT_UINT by their bits, the rest by value.
bool VariantsEqual(const VARIANT& a, const VARIANT& b);
// Numeric types a percent deadband applies to.
bool IsDeadbandType(VARTYPE vt);
