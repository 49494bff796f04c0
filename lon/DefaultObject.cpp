#include "lon/DefaultObject.h"

#include "lon/LonGuiLinks.h"

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
