#include "app/shell/PropertiesWndModel.h"

bool CPropertiesWndModel::RefreshFromActiveView() {
  if (m_bEditing) {
    m_bRefreshPending = true;
    return false;
  }
  m_bRefreshPending = false;
  CViewItemProperties* view = m_activeView ? m_activeView() : nullptr;
  if (view == nullptr) return false;
  CPropertyList rows;
  view->GetProperties(rows);
  m_rows = std::move(rows);
  m_pSource = view;
  ++m_nGeneration;
  return true;
}

bool CPropertiesWndModel::EndEdit() {
  m_bEditing = false;
  return m_bRefreshPending && RefreshFromActiveView();
}

BOOL CPropertiesWndModel::OnPropertyChanged(unsigned generation, CPropertyRow* row, const VARIANT& value) {
  if (row == nullptr || generation != m_nGeneration || m_pSource == nullptr) return FALSE;
  CViewItemProperties* active = m_activeView ? m_activeView() : nullptr;
  if (active != m_pSource) return FALSE;
  row->m_value = value;
  return m_pSource->OnPropertyChanged(row);
}

CString CPropertiesWndModel::MakeRowName(const CString& parentName, const CString& label, std::set<CString>& used) {
  const CString base = parentName.IsEmpty() ? label : parentName + L"/" + label;
  CString name = base;
  for (int n = 2; used.count(name) != 0; ++n) name = FormatString(L"%s#%d", base.GetString(), n);
  used.insert(name);
  return name;
}
