#include "app/wx/PropertiesWnd.h"

#include <wx/artprov.h>
#include <wx/propgrid/advprops.h>
#include <wx/sizer.h>

#include "app/shell/ShellCommands.h"
#include "platform/com/Bstr.h"
#include "platform/com/Variant.h"

namespace {

wxString VariantText(const VARIANT& value) {
  COleVariant text;
  if (FAILED(VariantChangeType(&text, &value, 0, VT_BSTR)) || text.bstrVal == nullptr) return wxEmptyString;
  return wxString(text.bstrVal);
}

wxPGProperty* MakeProperty(const CPropertyRow& row) {
  const wxString name(row.m_strName.GetString());
  const wxString label = name;
  wxPGProperty* property = nullptr;
  if (row.m_bGroup) {
    property = new wxPropertyCategory(label, wxPG_LABEL);
  } else if (!row.m_options.empty()) {
    wxPGChoices choices;
    for (const CString& option : row.m_options) choices.Add(wxString(option.GetString()));
    const int index = choices.Index(VariantText(row.m_value));
    property = new wxEnumProperty(label, wxPG_LABEL, choices, index < 0 ? 0 : choices.GetValue(index));
  } else if (row.m_value.vt == VT_BOOL) {
    property = new wxBoolProperty(label, wxPG_LABEL, row.m_value.boolVal != VARIANT_FALSE);
  } else {
    property = new wxStringProperty(label, wxPG_LABEL, VariantText(row.m_value));
  }
  property->SetHelpString(wxString(row.m_strDescription.GetString()));
  property->SetClientData(const_cast<CPropertyRow*>(&row));
  if (!row.m_bGroup && !row.m_bEditable) property->ChangeFlag(wxPG_PROP_READONLY, true);
  if (!row.m_bEnabled) property->Enable(false);
  return property;
}

// A category takes its rows only once it is in the grid (AppendChild refuses categories).
void AppendRow(wxPropertyGrid* grid, wxPGProperty* parent, const CPropertyRow& row) {
  wxPGProperty* property = MakeProperty(row);
  wxPGProperty* added = parent != nullptr ? grid->AppendIn(parent, property) : grid->Append(property);
  for (const auto& child : row.m_children) AppendRow(grid, added, *child);
}

}  // namespace

CPropertiesWnd::CPropertiesWnd(wxWindow* parent, CPropertiesWndModel::ActiveViewSource activeView)
    : wxPanel(parent, wxID_ANY), m_model(std::move(activeView)) {
  m_toolBase = wxWindow::NewControlId(2);
  m_pToolBar = new wxToolBar(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTB_FLAT | wxTB_HORIZONTAL | wxTB_NODIVIDER);
  const wxSize size(16, 16);
  m_pToolBar->AddTool(m_toolBase, "Expand all", wxArtProvider::GetBitmap(wxART_PLUS, wxART_TOOLBAR, size), "Expand all");
  m_pToolBar->AddCheckTool(m_toolBase + 1, "Sort", wxArtProvider::GetBitmap(wxART_LIST_VIEW, wxART_TOOLBAR, size),
                           wxNullBitmap, "Sort");
  m_pToolBar->Realize();
  m_pToolBar->Bind(wxEVT_TOOL, &CPropertiesWnd::OnTool, this);
  m_pGrid = new wxPropertyGrid(this, 2, wxDefaultPosition, wxDefaultSize,
                               wxPG_SPLITTER_AUTO_CENTER | wxPG_BOLD_MODIFIED | wxPG_DESCRIPTION);
  m_pGrid->Bind(wxEVT_PG_CHANGED, &CPropertiesWnd::OnChanged, this);
  m_pGrid->Bind(wxEVT_PG_SELECTED, &CPropertiesWnd::OnEditorDone, this);
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(m_pToolBar, 0, wxEXPAND);
  sizer->Add(m_pGrid, 1, wxEXPAND);
  SetSizer(sizer);
}

void CPropertiesWnd::RefreshFromActiveView() {
  // With no editor and no focus the grid still calls its editor focused.
  if (m_pGrid->GetEditorControl() != nullptr && m_pGrid->IsEditorFocused()) m_model.BeginEdit();
  if (m_model.RefreshFromActiveView()) Rebuild();
}

void CPropertiesWnd::Rebuild() {
  m_pGrid->Freeze();
  m_pGrid->Clear();
  for (const auto& row : m_model.GetRows()) AppendRow(m_pGrid, nullptr, *row);
  if (m_bAlphabetic) m_pGrid->Sort();
  m_pGrid->Thaw();
}

void CPropertiesWnd::OnChanged(wxPropertyGridEvent& event) {
  wxPGProperty* property = event.GetProperty();
  auto* row = property != nullptr ? static_cast<CPropertyRow*>(property->GetClientData()) : nullptr;
  if (row != nullptr) {
    COleVariant value;
    const wxVariant changed = property->GetValue();
    if (row->m_value.vt == VT_BOOL && row->m_options.empty()) {
      value = MakeBoolValue(changed.GetBool());
    } else {
      value = MakeTextValue(CString(property->GetValueAsString().wc_str()));
    }
    m_model.OnPropertyChanged(m_model.GetGeneration(), row, value);
  }
  OnEditorDone(event);
}

void CPropertiesWnd::OnEditorDone(wxPropertyGridEvent&) {
  // The refresh that waited for the editor; the grid is rebuilt after this event is done with it.
  if (m_model.IsRefreshPending()) CallAfter([this] {
      if (m_model.EndEdit()) Rebuild();
    });
}

void CPropertiesWnd::OnTool(wxCommandEvent& event) {
  if (event.GetId() == m_toolBase) {
    m_pGrid->ExpandAll();
  } else {
    m_bAlphabetic = !m_bAlphabetic;
    m_pToolBar->ToggleTool(m_toolBase + 1, m_bAlphabetic);
    Rebuild();
  }
}
