// The data point an OPC item reads, writes, activates and deactivates. The OPC server works only
// through this interface; the NV and CP tags implement it over the network control.
#pragma once

#include <atomic>

#include "interfaces/opc/OpcDa.h"
#include "platform/com/ComTypes.h"
#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

// The quality of a tag whose data point is gone (its device deleted, its network closed).
constexpr WORD OPC_TAG_QUALITY_NO_DATA_POINT = OPC_QUALITY_BAD | OPC_QUALITY_CONFIG_ERROR;

class COPCTag {
 public:
  COPCTag() = default;
  COPCTag(const COPCTag&) = delete;
  COPCTag& operator=(const COPCTag&) = delete;
  virtual ~COPCTag() = default;

  virtual VARTYPE GetCanonicalType() = 0;
  // OPC_READABLE, with OPC_WRITEABLE for a writable data point.
  virtual DWORD GetAccessRights() = 0;
  // Item properties 1 to 6 and 101; OPC_E_INVALID_PID for any other id, `out` untouched.
  virtual HRESULT GetItemProperty(DWORD id, VARIANT* out);
  virtual DWORD GetItemPropertyCount() { return 7; }
  virtual CString GetItemID() = 0;
  virtual CString GetName() = 0;
  // The value converted to `type`; the result is that of the conversion.
  virtual HRESULT ReadValue(VARIANT* out, VARTYPE type) = 0;
  virtual WORD GetQuality() = 0;
  virtual CString GetDescription() { return CString(); }
  // The control's time stamp of the value; {0xFFFFFFFF, 0xFFFFFFFF} when it gives none.
  virtual void GetTimestamp(FILETIME* out) = 0;
  // Asks the control to bring the value up to date (OPC_DS_CACHE: its cache; any other source:
  // the device) and maps its status to the quality; false when the value is not good or
  // uncertain.
  virtual bool Refresh(DWORD source) = 0;
  virtual bool WriteValue(const VARIANT* value) = 0;
  // Field tags are shown to browsing clients only while subfield browsing is on.
  virtual bool IsBrowseVisible() { return true; }
  // Fills the first min(count, 7) entries of the fixed list; descriptions are
  // CoTaskMemAlloc'd and pass to the caller (null for an empty text).
  virtual void QueryAvailableProperties(DWORD count, DWORD* ids, LPWSTR* descriptions, VARTYPE* types);
  // E_FAIL for 101, 5000 and 5001; OPC_E_INVALID_PID for every other id.
  virtual HRESULT LookupItemID(DWORD id);
  virtual bool GetValueRange(double* low, double* high) = 0;
  virtual bool IsSupportedType(VARTYPE type);
  virtual void Activate();
  virtual void Deactivate();
  virtual void StartMonitoring() {}
  virtual void StopMonitoring() {}
  // False once the data point is gone: the tag then reads nothing, writes nothing and its
  // quality is OPC_TAG_QUALITY_NO_DATA_POINT.
  virtual bool HasDataPoint() { return true; }

  // Number of OPC items on this tag; never below 0.
  std::atomic<int> m_nActiveCount{0};
  // Number of items on this tag that are active in an active group; kept by the OPC item, which
  // calls StartMonitoring at its 0-to-1 step and StopMonitoring at 1-to-0.
  std::atomic<int> m_nActiveItemRefs{0};

 protected:
  // Lowers m_nActiveCount unless it is 0; true when it was lowered.
  bool DecrementActiveCount();
};

// The number of NVs and CPs that at least one active tag uses.
extern std::atomic<int> g_nMonitoredDatapoints;
