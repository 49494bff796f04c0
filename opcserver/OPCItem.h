// One item of an OPC group: the client's view of a data point (client handle, requested type,
// active state) over a tag of its own. The item keeps the last value, quality and time stamp it
// took from the tag and decides whether they changed. It has no lock of its own: its group calls
// it with the group lock held.
#pragma once

#include <atomic>

#include "interfaces/opc/OpcDa.h"
#include "opcserver/OPCTagLink.h"
#include "opcserver/SpyObjects.h"

class CMyOPCGroup;

class COPCItem {
 public:
  // Takes ownership of tag. The item starts inactive, with the tag's state read once.
  COPCItem(COPCTag* tag, CMyOPCGroup* group, OPCHANDLE hServer);
  COPCItem(const COPCItem&) = delete;
  COPCItem& operator=(const COPCItem&) = delete;
  virtual ~COPCItem();

  virtual FILETIME GetTimestamp();
  // The value in the requested type into an initialised out.
  virtual HRESULT GetValue(VARIANT* out);
  virtual WORD GetQuality();
  // Consumes value (cleared before returning).
  virtual HRESULT Write(VARIANT value);
  // VT_EMPTY stands for the canonical type. False (nothing changed) when the tag refuses vt.
  virtual bool SetRequestedType(VARTYPE vt, bool notify);
  virtual VARTYPE GetCanonicalType();
  virtual DWORD GetAccessRights();
  // What the tag said when last asked, without asking it again (each ask is a call to the
  // network control).
  DWORD GetLastAccessRights() const { return m_dwAccessRights; }
  virtual CString GetName();
  virtual void SetActive(BOOL active);
  virtual bool IsChanged();

  // Takes the tag's state (refreshed before) into the item.
  void Update(float percentDeadband);
  // Raises or lowers the tag's monitoring by the item's and group's active states.
  void ApplyActiveState();
  void NotifyEvent(int code);
  CString GetValueText();
  bool PassesDeadband(const VARIANT& oldValue, const VARIANT& newValue, float percent);

  OPCHANDLE GetServerHandle() const { return m_hServer; }
  OPCHANDLE GetClientHandle() const { return m_hClient; }
  void SetClientHandle(OPCHANDLE h) { m_hClient = h; }
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

  // Copies the item's state into its statistics record (takes the statistics lock).
  void UpdateSpy();

 private:
  VARTYPE ReadType() const { return m_vtRequested != VT_EMPTY ? m_vtRequested : m_vtCanonical; }
  void SetQuality(WORD quality);

  BOOL m_bActive = FALSE;
  OPCHANDLE m_hClient = 0;
  VARTYPE m_vtRequested = VT_EMPTY;
  VARIANT m_value;
  WORD m_wQuality = 0x40;
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
  // Read once from the tag: neither changes while the tag lives.
  VARTYPE m_vtCanonical = VT_EMPTY;
  CString m_strName;
  DWORD m_dwAccessRights = 0;
  // Whether this item counts in the tag's monitoring count.
  bool m_bMonitoring = false;
};

// Same type and value; VT_I1, VT_UI2, VT_UI4 and VT_UINT by their bits, the rest by value.
bool VariantsEqual(const VARIANT& a, const VARIANT& b);
// Numeric types a percent deadband applies to.
bool IsDeadbandType(VARTYPE vt);
