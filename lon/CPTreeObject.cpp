#include "lon/CPTreeObject.h"

#include "foundation/Conversions.h"
#include "lon/CPTag.h"
#include "lon/DataTypeNames.h"
#include "lon/DeviceTreeObjects.h"
#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonDispatch.h"

FILETIME ReadLonTimestamp(COleDispatchDriver& object, DISPID method);

CCPTreeObject::CCPTreeObject(CConfigProperty* cp) : m_pCP(cp) {
  m_nType = TreeObjectCP;
  SetName(cp->GetItemID().GetString());
}

CCPTreeObject* CCPTreeObject::FromObject(CTreeObject* object) {
  auto* typed = dynamic_cast<CDefaultObject*>(object);
  return typed != nullptr && typed->GetType() == TreeObjectCP ? dynamic_cast<CCPTreeObject*>(typed) : nullptr;
}

CString CCPTreeObject::GetValueText() {
  LONG status = lon_dispatch::GetLong(m_pCP->m_dispatch, kestrum::cp::kStatus);
  if (status == 0) return m_pCP->GetFieldText(-1);
  return status == 2 ? CString(L"Uncertain") : CString(L"Bad");
}

FILETIME CCPTreeObject::GetTimestamp() { return ReadLonTimestamp(m_pCP->m_dispatch, kestrum::cp::kGetTimestamp); }

void CCPTreeObject::FillProperties(CPropertyList& list) {
  CPropertyRow* misc = AddPropertyGroup(list, L"Misc");
  COleVariant v = MakeTextValue(m_pCP->GetItemID());
  AddReadOnlyProperty(misc, L"Address", v, L"Address of the config property");
  v = MakeTextValue(m_pCP->GetName());
  AddReadOnlyProperty(misc, L"Name", v, L"Name of the config property");
  v = MakeTextValue(m_pCP->GetTypeName());
  AddReadOnlyProperty(misc, L"Type", v, L"Type name");
  v = MakeTextValue(FormatTimeStamp(GetTimestamp()));
  AddReadOnlyProperty(misc, L"Timestamp", v, L"Timestamp");
  AddEditableProperty(misc, L"Description", L"Description", 5, MakeTextValue(m_pCP->GetDescription()));
  AddSettingRows(misc, *m_pCP);
  CCPTag tag(m_pCP, -1);
  AddEditableProperty(misc, L"OPC unique ID", L"OPC unique ID", 0, MakeTextValue(tag.GetItemID()));
}

void CCPTreeObject::AddSettingRows(CPropertyRow* group, CConfigProperty& cp) {
  COleDispatchDriver& object = cp.m_dispatch;
  AddEditableProperty(group, L"Cache timeout", L"Cache timeout in miliseconds", 6,
                      MakeLongValue(lon_dispatch::GetLong(object, kestrum::cp::kCacheTimeout)));
  AddDataTypeListProperty(group, 7,
                          LookupDataTypeName(object.GetPropertyWithParams<USHORT>(kestrum::cp::kFieldType, short(-1))));
}

bool CCPTreeObject::OnPropertyChanged(int id, const COleVariant& value) {
  switch (id) {
    case 5:
      if (value.vt != VT_BSTR) return false;
      m_pCP->SetDescription(CString(tessaly::BstrToString(value.bstrVal).c_str()));
      return true;
    case 6:
      if (value.vt != VT_I4) return false;
      m_pCP->m_dispatch.SetProperty(kestrum::cp::kCacheTimeout, VT_I4, value.lVal);
      return true;
    case 7: {
      VARTYPE vt = VT_EMPTY;
      if (!VarTypeFromEdit(value, vt)) return false;
      m_pCP->m_dispatch.SetPropertyWithParams(kestrum::cp::kFieldType, short(-1), static_cast<USHORT>(vt));
      return true;
    }
    default:
      return false;
  }
}
