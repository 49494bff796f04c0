#include "lon/PropertyRow.h"

#include "lon/DataTypeNames.h"
#include "platform/com/Bstr.h"

CPropertyRow* CPropertyRow::FindChild(const wchar_t* name) const {
  for (const auto& child : m_children)
    if (child->m_strName == name) return child.get();
  return nullptr;
}

CPropertyRow* AddPropertyGroup(CPropertyList& list, const wchar_t* name) {
  auto group = std::make_unique<CPropertyRow>();
  group->m_strName = name;
  group->m_bGroup = true;
  list.push_back(std::move(group));
  return list.back().get();
}

CPropertyRow* AddReadOnlyProperty(CPropertyRow* group, const wchar_t* name, VARIANT& value, const wchar_t* description) {
  auto row = std::make_unique<CPropertyRow>();
  row->m_strName = name;
  row->m_value = value;
  row->m_strDescription = description;
  row->m_bEditable = false;
  row->m_bEnabled = value.vt != VT_BOOL;
  VariantClear(&value);
  group->m_children.push_back(std::move(row));
  return group->m_children.back().get();
}

CPropertyRow* AddEditableProperty(CPropertyRow* group, const wchar_t* name, const wchar_t* description, int id,
                                  const VARIANT& value) {
  auto row = std::make_unique<CPropertyRow>();
  row->m_strName = name;
  row->m_value = value;
  row->m_strDescription = description;
  row->m_nDataId = id;
  row->m_bEditable = true;
  group->m_children.push_back(std::move(row));
  return group->m_children.back().get();
}

CPropertyRow* AddDataTypeProperty(CPropertyRow* group, int id, const CString& current,
                                  const std::vector<CString>& names) {
  CPropertyRow* row =
      AddEditableProperty(group, L"Datatype", L"Canonical type of the value", id, MakeTextValue(current));
  row->m_options = names;
  return row;
}

CPropertyRow* AddDataTypeListProperty(CPropertyRow* group, int id, const CString& current) {
  return AddDataTypeProperty(group, id, current, GetDataTypeNameList());
}

COleVariant MakeTextValue(const CString& text) { return COleVariant(text.GetString()); }

COleVariant MakeBoolValue(bool value) {
  COleVariant v;
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

COleVariant MakeLongValue(LONG value) {
  COleVariant v;
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}
