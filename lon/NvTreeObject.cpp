#include "lon/NvTreeObject.h"

#include "foundation/Conversions.h"
#include "lon/DataTypeNames.h"
#include "lon/DeviceTreeObjects.h"
#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonDispatch.h"
#include "lon/LonGuiLinks.h"
#include "lon/NVTag.h"

bool VarTypeFromEdit(const COleVariant& value, VARTYPE& vt) {
  if (value.vt != VT_BSTR) return false;
  std::wstring name = tessaly::BstrToString(value.bstrVal);
  const DataTypeName* entry = FindVarTypeByName(name.c_str());
  vt = entry != nullptr ? static_cast<VARTYPE>(entry->vt) : static_cast<VARTYPE>(0xFFFF);
  return true;
}

namespace {
FILETIME ReadTimestamp(COleDispatchDriver& object, DISPID method) {
  LONGLONG stamp = -1;
  VARIANT ref;
  VariantInit(&ref);
  ref.vt = VT_BYREF | VT_I8;
  ref.pllVal = &stamp;
  object.InvokeMethod(method, ref);
  auto bits = static_cast<ULONGLONG>(stamp);
  return FILETIME{static_cast<DWORD>(bits & 0xFFFFFFFFu), static_cast<DWORD>(bits >> 32)};
}
}  // namespace

FILETIME ReadLonTimestamp(COleDispatchDriver& object, DISPID method) { return ReadTimestamp(object, method); }

CNvTreeObject::CNvTreeObject(CNetworkVariable* nv) : m_pNV(nv) {
  m_nType = TreeObjectNV;
  SetName(nv->GetItemID().GetString());
}

CNvTreeObject* CNvTreeObject::FromObject(CTreeObject* object) {
  auto* typed = dynamic_cast<CDefaultObject*>(object);
  return typed != nullptr && typed->GetType() == TreeObjectNV ? dynamic_cast<CNvTreeObject*>(typed) : nullptr;
}

CString CNvTreeObject::GetValueText() {
  LONG status = lon_dispatch::GetLong(m_pNV->m_dispatch, kestrum::nv::kStatus);
  if (status == 0) return m_pNV->GetValueText(-1);
  return status == 2 ? CString(L"Uncertain") : CString(L"Bad");
}

FILETIME CNvTreeObject::GetTimestamp() { return ReadTimestamp(m_pNV->m_dispatch, kestrum::nv::kGetTimestamp); }

void CNvTreeObject::FillProperties(CPropertyList& list) {
  COleDispatchDriver& nv = m_pNV->m_dispatch;
  CPropertyRow* misc = AddPropertyGroup(list, L"Misc");
  COleVariant v = MakeTextValue(m_pNV->GetItemID());
  AddReadOnlyProperty(misc, L"Address", v, L"Address of the network variable");
  v = MakeTextValue(m_pNV->GetName());
  AddReadOnlyProperty(misc, L"NV Name", v, L"Name of the network variable");
  v = MakeTextValue(lon_dispatch::GetBool(nv, kestrum::nv::kIsOutput) ? CString(L"Output") : CString(L"Input"));
  AddReadOnlyProperty(misc, L"Direction", v, L"Direction of the network variable");
  v = MakeTextValue(m_pNV->GetTypeName());
  AddReadOnlyProperty(misc, L"Type", v, L"Type name");
  v = MakeTextValue(FormatTimeStamp(GetTimestamp()));
  AddReadOnlyProperty(misc, L"Timestamp", v, L"Timestamp");
  AddEditableProperty(misc, L"Description", L"Description", 1, MakeTextValue(m_pNV->GetDescription()));
  AddSettingRows(misc, *m_pNV);
  CNVTag tag(m_pNV, -1);
  AddEditableProperty(misc, L"OPC unique ID", L"OPC unique ID", 0, MakeTextValue(tag.GetItemID()));
}

bool CNvTreeObject::OnPropertyChanged(int id, const COleVariant& value) {
  COleDispatchDriver& nv = m_pNV->m_dispatch;
  switch (id) {
    case 0:
      if (value.vt != VT_I4) return false;
      nv.SetProperty(kestrum::nv::kCacheTimeout, VT_I4, value.lVal);
      return true;
    case 1:
      if (value.vt != VT_BSTR) return false;
      m_pNV->SetDescription(CString(tessaly::BstrToString(value.bstrVal).c_str()));
      return true;
    case 2:
      if (value.vt != VT_BOOL) return false;
      nv.SetProperty(kestrum::nv::kAlwaysUseCache, VT_BOOL, value.boolVal != VARIANT_FALSE);
      return true;
    case 3:
      if (value.vt != VT_BOOL) return false;
      nv.SetProperty(kestrum::nv::kMonitored, VT_BOOL, value.boolVal != VARIANT_FALSE);
      return true;
    case 4: {
      VARTYPE vt = VT_EMPTY;
      if (!VarTypeFromEdit(value, vt)) return false;
      m_pNV->SetFieldType(-1, vt);
      return true;
    }
    default:
      return false;
  }
}

void CNvTreeObject::AddSettingRows(CPropertyRow* group, CNetworkVariable& nv) {
  COleDispatchDriver& object = nv.m_dispatch;
  AddEditableProperty(group, L"Cache timeout", L"Cache timeout in miliseconds", 0,
                      MakeLongValue(lon_dispatch::GetLong(object, kestrum::nv::kCacheTimeout)));
  AddEditableProperty(group, L"Always use cache", L"Always use cache", 2,
                      MakeBoolValue(lon_dispatch::GetBool(object, kestrum::nv::kAlwaysUseCache)));
  AddEditableProperty(group, L"Monitor", L"Monitor the network variable", 3,
                      MakeBoolValue(lon_dispatch::GetBool(object, kestrum::nv::kMonitored)));
  AddDataTypeListProperty(group, 4,
                          LookupDataTypeName(object.GetPropertyWithParams<USHORT>(kestrum::nv::kFieldType, short(-1))));
}

int CNvTreeObject::ShowProperties() {
  CLonGuiLinks* links = GetLonGuiLinks();
  if (links == nullptr) return IDCANCEL;
  COleDispatchDriver& nv = m_pNV->m_dispatch;
  CTagProperties record;
  record.m_strItemId = m_pNV->GetItemID();
  record.m_strDescription = m_pNV->GetDescription();
  record.m_bAlwaysUseCache = lon_dispatch::GetBool(nv, kestrum::nv::kAlwaysUseCache);
  record.m_vtCanonical = nv.GetPropertyWithParams<USHORT>(kestrum::nv::kFieldType, short(-1));
  record.m_nCacheTimeout = lon_dispatch::GetLong(nv, kestrum::nv::kCacheTimeout);
  CTagProperties edited = record;
  int result = links->RunTagDialog(edited);
  if (result == IDOK && !(edited == record)) {
    nv.SetProperty(kestrum::nv::kCacheTimeout, VT_I4, edited.m_nCacheTimeout);
    m_pNV->SetDescription(edited.m_strDescription);
    m_pNV->SetFieldType(-1, edited.m_vtCanonical);
    nv.SetProperty(kestrum::nv::kAlwaysUseCache, VT_BOOL, edited.m_bAlwaysUseCache);
  }
  return result;
}
