#include "lon/SubfieldTreeObject.h"

#include "lon/CPTag.h"
#include "lon/DataTypeNames.h"
#include "lon/DeviceTreeObjects.h"
#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonDispatch.h"
#include "lon/NVTag.h"

CSubfieldTreeObject* CSubfieldTreeObject::Create(CNetworkVariable* nv, short field) {
  if (nv == nullptr || (static_cast<USHORT>(field) & 0x8000) != 0) return nullptr;
  auto* object = new CSubfieldTreeObject();
  object->m_nType = TreeObjectField;
  object->m_nField = field;
  object->m_pNV = nv;
  object->SetName(nv->GetMemberName(field).GetString());
  return object;
}

CSubfieldTreeObject* CSubfieldTreeObject::Create(CConfigProperty* cp, short field) {
  if (cp == nullptr || (static_cast<USHORT>(field) & 0x8000) != 0) return nullptr;
  auto* object = new CSubfieldTreeObject();
  object->m_nType = TreeObjectField;
  object->m_nField = field;
  object->m_pCP = cp;
  object->SetName(cp->GetMemberName(field).GetString());
  return object;
}

CString CSubfieldTreeObject::GetValueText() {
  if (m_pNV != nullptr) {
    LONG status = lon_dispatch::GetLong(m_pNV->m_dispatch, kestrum::nv::kStatus);
    if (status != 0) return status == 2 ? CString(L"VQ_UNCERTAIN") : CString(L"Bad");
    return m_pNV->GetValueText(m_nField);
  }
  if (m_pCP != nullptr) return m_pCP->GetFieldText(m_nField);
  return CString();
}

void CSubfieldTreeObject::FillProperties(CPropertyList& list) {
  CPropertyRow* misc = AddPropertyGroup(list, L"Misc");
  COleVariant v = MakeTextValue(GetName());
  AddReadOnlyProperty(misc, L"Name", v, L"Name of the subfield");
  CString id;
  if (m_pNV != nullptr) {
    AddDataTypeListProperty(misc, 4,
                            LookupDataTypeName(m_pNV->m_dispatch.GetPropertyWithParams<USHORT>(kestrum::nv::kFieldType, m_nField)));
    id = CNVTag(m_pNV, m_nField).GetItemID();
  } else if (m_pCP != nullptr) {
    v = MakeTextValue(LookupDataTypeName(m_pCP->m_dispatch.GetPropertyWithParams<USHORT>(kestrum::cp::kFieldType, m_nField)));
    AddReadOnlyProperty(misc, L"Datatype", v, L"Canonical type of the value");
    id = CCPTag(m_pCP, m_nField).GetItemID();
  }
  v = MakeTextValue(id);
  AddReadOnlyProperty(misc, L"OPC unique ID", v, L"OPC unique ID");
}

bool CSubfieldTreeObject::OnPropertyChanged(int id, const COleVariant& value) {
  if (id != 4) return false;
  VARTYPE vt = VT_EMPTY;
  if (!VarTypeFromEdit(value, vt)) return false;
  if (m_pNV != nullptr) {
    m_pNV->SetFieldType(m_nField, vt);
    return true;
  }
  if (m_pCP != nullptr) {
    m_pCP->m_dispatch.SetPropertyWithParams(kestrum::cp::kFieldType, m_nField, static_cast<USHORT>(vt));
    return true;
  }
  return false;
}
