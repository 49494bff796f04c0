// The OPC tag of an NV, for the whole value (field -1) or one field of a structured value. It
// reaches the NV through its link; once the NV's device is gone it answers without a data point.
#pragma once

#include <atomic>

#include "lon/NetworkVariable.h"
#include "lon/OPCTag.h"

class CNVTag : public COPCTag {
 public:
  CNVTag(CNetworkVariable* nv, short field);
  ~CNVTag() override;

  VARTYPE GetCanonicalType() override;
  DWORD GetAccessRights() override;
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
  void StartMonitoring() override;
  void StopMonitoring() override;
  bool HasDataPoint() override { return m_pLink->IsAttached(); }

  short m_nField;
  std::atomic<WORD> m_wQuality{OPC_QUALITY_UNCERTAIN};
  bool m_bMonitored = false;

  static std::atomic<bool> s_bBrowseSubfields;

 private:
  using CNvUse = CDataPointLink<CNetworkVariable>::CUse;
  // With "selected" monitoring, an NV not marked for monitoring is out of reach.
  static bool IsBlockedBySelection(CNetworkVariable& nv);

  std::shared_ptr<CDataPointLink<CNetworkVariable>> m_pLink;
};

// Sets the subfield-browsing switch of NV and CP tags together.
void SetBrowseSubfields(bool on);
