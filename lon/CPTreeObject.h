// The device tree object of a CP (type 9).
#pragma once

#include "lon/ConfigProperty.h"
#include "lon/DefaultObject.h"

class CCPTreeObject : public CDefaultObject {
 public:
  explicit CCPTreeObject(CConfigProperty* cp);
  static CCPTreeObject* FromObject(CTreeObject* object);
  CString GetValueText();
  CString GetTypeName() { return m_pCP->GetTypeName(); }
  FILETIME GetTimestamp();
  CString GetDescription() { return m_pCP->GetDescription(); }
  CString GetCpName() { return m_pCP->GetName(); }
  void FillProperties(CPropertyList& list) override;
  bool OnPropertyChanged(int id, const COleVariant& value) override;
  // The rows of the CP's settings (cache timeout, data type), which a selection of CPs shares.
  static void AddSettingRows(CPropertyRow* group, CConfigProperty& cp);

  CConfigProperty* m_pCP;
};
