// The OPC tag of a CP, for the whole value (field -1) or one field of a structured value.
#pragma once

#include <atomic>

#include "lon/ConfigProperty.h"
#include "lon/OPCTag.h"

class CCPTag : public COPCTag {
 public:
  CCPTag(CConfigProperty* cp, short field);
  ~CCPTag() override;

  VARTYPE GetCanonicalType() override;
  DWORD GetAccessRights() override { return 3; }
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

  CConfigProperty* m_pCP;
  short m_nField;
  std::atomic<WORD> m_wQuality{OPC_TAG_QUALITY_UNCERTAIN};

  static std::atomic<bool> s_bBrowseSubfields;
};

// The OPC quality of a status the control reports: 0 good, 2 uncertain, anything else bad.
WORD QualityFromLonStatus(LONG status);
