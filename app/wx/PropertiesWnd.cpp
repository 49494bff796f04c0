#include "app/wx/PropertiesWnd.h"

#include <wx/artprov.h>
#include <wx/propgrid/advprops.h>
#include <algorithm>

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

wxPGProperty* MakeProperty(const CPropertyRow& row, const wxString& name) {
  const wxString label(row.m_strName.GetString());
  wxPGProperty* property = nullptr;
  if (row.m_bGroup) {
    property = new wxPropertyCategory(label, name);
  } else if (!row.m_options.empty()) {
    wxPGChoices choices;
    for (const CString& option : row.m_options) choices.Add(wxString(option.GetString()));
    const int index = choices.Index(VariantText(row.m_value));
    property = new wxEnumProperty(label, name, choices, index < 0 ? 0 : choices.GetValue(index));
  } else if (row.m_value.vt == VT_BOOL) {
    property = new wxBoolProperty(label, name, row.m_value.boolVal != VARIANT_FALSE);
  } else {
    property = new wxStringProperty(label, name, VariantText(row.m_value));
  }
  property->SetHelpString(wxString(row.m_strDescription.GetString()));
  property->SetClientData(const_cast<CPropertyRow*>(&row));
  if (!row.m_bGroup && !row.m_bEditable) property->ChangeFlag(wxPG_PROP_READONLY, true);
  if (!row.m_bEnabled) property->Enable(false);
  return property;
}

}  // namespace

CPropertiesWnd::CPropertiesWnd(wxWindow* parent, CPropertiesWndModel::ActiveViewSource activeView)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxSize(250, 300)), m_model(std::move(activeView)) {
  m_pToolBar = new CPropertiesToolBar(this);
  m_pToolBar->Bind(wxEVT_TOOL, &CPropertiesWnd::OnTool, this);
  // The description area comes once the grid has a size: laid out before, it would be given a
  // width below zero.
  m_pManager = new wxPropertyGridManager(this, 2, wxDefaultPosition, wxSize(250, 300),
                                         wxPG_SPLITTER_AUTO_CENTER | wxPG_BOLD_MODIFIED);
  m_pManager->AddPage();
  m_pManager->Bind(wxEVT_PG_CHANGED, &CPropertiesWnd::OnChanged, this);
  m_pManager->Bind(wxEVT_PG_SELECTED, &CPropertiesWnd::OnEditorDone, this);
  Bind(wxEVT_SIZE, [this](wxSizeEvent&) { AdjustLayout(); });
  AdjustLayout();
  m_pManager->SetWindowStyleFlag(m_pManager->GetWindowStyleFlag() | wxPG_DESCRIPTION);
  m_pManager->SetDescBoxHeight(kDescriptionHeight);
}

void CPropertiesWnd::AdjustLayout() {
  // The tool bar across the top at its own height, the grid below filling the rest. The grid
  // never gets less than a small size: its description area cannot be laid out in less (a pane
  // squeezed that far shows part of it).
  const wxSize client = GetClientSize();
  const int bar = m_pToolBar->GetBestSize().GetHeight();
  m_pToolBar->SetSize(0, 0, client.GetWidth(), bar);
  m_pManager->SetSize(0, bar, std::max(client.GetWidth(), 120), std::max(client.GetHeight() - bar, 120));
  // The description keeps its few lines; the grid takes what the pane gains.
  if (m_pManager->HasFlag(wxPG_DESCRIPTION)) m_pManager->SetDescBoxHeight(kDescriptionHeight);
}

void CPropertiesWnd::RefreshFromActiveView() {
  // With no editor and no focus the grid still calls its editor focused.
  if (GetGrid()->GetEditorControl() != nullptr && GetGrid()->IsEditorFocused()) m_model.BeginEdit();
  if (m_model.RefreshFromActiveView()) Rebuild();
}

void CPropertiesWnd::Rebuild() {
  m_pManager->Freeze();
  m_pManager->GetPage(0)->Clear();
  std::set<CString> used;
  for (const auto& row : m_model.GetRows()) AppendRow(nullptr, CString(), *row, used);
  if (m_bAlphabetic) m_pManager->GetPage(0)->Sort();
  m_pManager->Thaw();
}

// A category takes its rows only once it is in the grid (AppendChild refuses categories).
void CPropertiesWnd::AppendRow(wxPGProperty* parent, const CString& parentName, const CPropertyRow& row,
                               std::set<CString>& used) {
  const CString name = CPropertiesWndModel::MakeRowName(parentName, row.m_strName, used);
  wxPGProperty* property = MakeProperty(row, wxString(name.GetString()));
  wxPropertyGridPage* page = m_pManager->GetPage(0);
  wxPGProperty* added = parent != nullptr ? page->AppendIn(parent, property) : page->Append(property);
  for (const auto& child : row.m_children) AppendRow(added, name, *child, used);
}

wxPGProperty* CPropertiesWnd::FindRow(std::initializer_list<wxString> labels) {
  wxPGProperty* found = nullptr;
  for (const wxString& label : labels) {
    wxPGProperty* parent = found;
    found = nullptr;
    wxPropertyGridIterator it = m_pManager->GetPage(0)->GetIterator(wxPG_ITERATE_ALL);
    for (; !it.AtEnd(); ++it) {
      wxPGProperty* property = *it;
      const bool under = parent == nullptr ? property->GetParent()->IsRoot() : property->GetParent() == parent;
      if (under && property->GetLabel() == label) {
        found = property;
        break;
      }
    }
    if (found == nullptr) return nullptr;
  }
  return found;
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
  const int command = m_pToolBar->CommandOfTool(event.GetId());
  if (command == 0) {
    event.Skip();
    return;
  }
  RunCommand(command);
}

void CPropertiesWnd::RunCommand(int command) {
  if (command == ID_PROPERTIES_EXPAND_ALL) {
    m_pManager->ExpandAll();
  } else if (command == ID_PROPERTIES_SORT) {
    m_bAlphabetic = !m_bAlphabetic;
    m_pToolBar->ToggleTool(m_pToolBar->ToolOfCommand(ID_PROPERTIES_SORT), m_bAlphabetic);
    m_pToolBar->Refresh();
    Rebuild();
  }
}
