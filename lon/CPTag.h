// The OPC tag of a CP, for the whole value (field -1) or one field of a structured value. It
// reaches the CP through its link; once the CP's device is gone it answers without a data point.
#pragma once

#include <atomic>

#include "lon/ConfigProperty.h"
#include "lon/OPCTag.h"

class CCPTag : public COPCTag {
 public:
  CCPTag(CConfigProperty* cp, short field);
  ~CCPTag() override;

  VARTYPE GetCanonicalType() override;
  DWORD GetAccessRights() override { return OPC_READABLE | OPC_WRITEABLE; }
  CString GetItemID() override;
  CString GetName() override { return GetItemID(); }
  HRESULT ReadValue(VARIANT* out, VARTYPE type) override;
  WORD GetQuality() override { return m_wQuality.load(); }
  CString GetDescription() override;
  void GetTimestamp(FILETIME* out) override;
  bool Refresh(DWORD source) override;
  bool WriteValue(const VARIANT* value) override;
  bool IsBrowseVisible() override;
  bool GetValueRange(double* low, double* high) override;
  void Activate() override;
  void Deactivate() override;
  bool HasDataPoint() override { return m_pLink->IsAttached(); }

  short m_nField;
  std::atomic<WORD> m_wQuality{OPC_QUALITY_UNCERTAIN};

  static std::atomic<bool> s_bBrowseSubfields;

 private:
  using CCpUse = CDataPointLink<CConfigProperty>::CUse;
  std::shared_ptr<CDataPointLink<CConfigProperty>> m_pLink;
};

// The OPC quality of a status the control reports: 0 good, 2 uncertain, anything else bad.
WORD QualityFromLonStatus(LONG status);

// What NV and CP tags share; they differ only in the data point and its DISPIDs.

// The item ID of a data point's tag: its description, else "<item ID> <name>"; a field tag
// adds "__<member name>".
template <class Point>
CString LonTagItemID(Point& point, short field) {
  CString id = point.GetDescription();
  if (id.IsEmpty()) id = point.GetItemID() + L" " + point.GetName();
  if (field >= 0) id += L"__" + point.GetMemberName(field);
  return id;
}

// The cached value of the field, converted to `type`.
HRESULT ReadLonFieldValue(COleDispatchDriver& point, DISPID valueId, short field, VARIANT* out, VARTYPE type);
// The time stamp the control keeps for the point's cache.
void GetLonTimestamp(COleDispatchDriver& point, DISPID timestampId, FILETIME* out);
// Asks the control to read (readId) and gives the quality of its status (statusId); bad out of
// service when the read fails.
WORD RefreshLonQuality(COleDispatchDriver& point, DISPID readId, DISPID statusId);
