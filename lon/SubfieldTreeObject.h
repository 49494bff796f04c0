// The device tree object of one field of a structured NV or CP (type 10).
#pragma once

#include "lon/ConfigProperty.h"
#include "lon/DefaultObject.h"
#include "lon/NetworkVariable.h"

class CSubfieldTreeObject : public CDefaultObject {
 public:
  // Null for a null proxy or an index with bit 0x8000 set.
  static CSubfieldTreeObject* Create(CNetworkVariable* nv, short field);
  static CSubfieldTreeObject* Create(CConfigProperty* cp, short field);
  CString GetValueText();
  void FillProperties(CPropertyList& list) override;
  bool OnPropertyChanged(int id, const COleVariant& value) override;

  short m_nField = 0;
  CNetworkVariable* m_pNV = nullptr;
  CConfigProperty* m_pCP = nullptr;
};
