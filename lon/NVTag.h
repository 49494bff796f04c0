// The OPC tag of an NV, for the whole value (field -1) or one field of a structured value.
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

  CNetworkVariable* m_pNV;
  short m_nField;
  std::atomic<WORD> m_wQuality{OPC_TAG_QUALITY_UNCERTAIN};
  bool m_bMonitored = false;

  static std::atomic<bool> s_bBrowseSubfields;

 private:
  // With "selected" monitoring, an NV not marked for monitoring is out of reach.
  bool IsBlockedBySelection();
  CMyCriticalSection m_lock;  // StartMonitoring/StopMonitoring of this tag
};

// Sets the subfield-browsing switch of NV and CP tags together.
void SetBrowseSubfields(bool on);
