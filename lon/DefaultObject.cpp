#include "lon/DefaultObject.h"

#include "lon/CPTreeObject.h"
#include "lon/LonGuiLinks.h"
#include "lon/NvTreeObject.h"

namespace {
struct EmptyRow {
  const wchar_t* name;
  const wchar_t* description;
};

void AddEmptyRows(CPropertyRow* group, std::initializer_list<EmptyRow> rows) {
  for (const EmptyRow& row : rows) {
    COleVariant empty = MakeTextValue(CString());
    AddReadOnlyProperty(group, row.name, empty, row.description);
  }
}
}  // namespace

CDefaultObject::CDefaultObject(const wchar_t* name, int type) : m_nType(type) { SetName(name); }

void CDefaultObject::FillProperties(CPropertyList& list) {
  CPropertyRow* group = AddPropertyGroup(list, L"Misc");
  COleVariant name = MakeTextValue(GetName());
  AddReadOnlyProperty(group, L"Name", name, L"Name");
}

bool CDefaultObject::OnPropertyChanged(int, const COleVariant&) { return false; }

int CDefaultObject::ShowProperties() {
  if (CLonGuiLinks* links = GetLonGuiLinks()) links->ShowPropertiesPane();
  return 2;
}

void FillSelectionProperties(const std::vector<CTreeObject*>& selection, CPropertyList& list) {
  if (selection.empty()) return;
  int type = -1;
  for (CTreeObject* object : selection) {
    auto* typed = dynamic_cast<CDefaultObject*>(object);
    int t = typed != nullptr ? typed->GetType() : -1;
    if (type != -1 && t != type) return;  // mixed types share no rows
    type = t;
  }
  CTreeObject* first = selection.front();
  if (CNvTreeObject* nv = CNvTreeObject::FromObject(first)) {
    CPropertyRow* misc = AddPropertyGroup(list, L"Misc");
    AddEmptyRows(misc, {{L"Address", L"Address of the network variable"},
                        {L"NV Name", L"Name of the network variable"},
                        {L"Direction", L"Direction of the network variable"},
                        {L"Type", L"Type name"},
                        {L"Timestamp", L"Timestamp"},
                        {L"Description", L"Description"}});
    CNvTreeObject::AddSettingRows(misc, *nv->m_pNV);
  } else if (CCPTreeObject* cp = CCPTreeObject::FromObject(first)) {
    CPropertyRow* misc = AddPropertyGroup(list, L"Misc");
    AddEmptyRows(misc, {{L"Address", L"Address of the config property"},
                        {L"Name", L"Name of the config property"},
                        {L"Type", L"Type name"},
                        {L"Timestamp", L"Timestamp"},
                        {L"Description", L"Description"}});
    CCPTreeObject::AddSettingRows(misc, *cp->m_pCP);
  }
}
