// The device tree object of an NV (type 8).
#pragma once

#include "lon/DefaultObject.h"
#include "lon/NetworkVariable.h"

class CNvTreeObject : public CDefaultObject {
 public:
  explicit CNvTreeObject(CNetworkVariable* nv);
  static CNvTreeObject* FromObject(CTreeObject* object);
  CString GetValueText();
  CString GetTypeName() { return m_pNV->GetTypeName(); }
  FILETIME GetTimestamp();
  CString GetDescription() { return m_pNV->GetDescription(); }
  CString GetNvName() { return m_pNV->GetName(); }
  void FillProperties(CPropertyList& list) override;
  bool OnPropertyChanged(int id, const COleVariant& value) override;
  int ShowProperties() override;
  // The rows of the NV's settings (cache timeout, always use cache, monitor, data type), which
  // a selection of NVs shares.
  static void AddSettingRows(CPropertyRow* group, CNetworkVariable& nv);

  CNetworkVariable* m_pNV;
};
