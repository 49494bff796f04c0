#include "views/wx/GroupFeaturesView.h"

#include <wx/sizer.h>
#include <wx/toplevel.h>

#include "views/wx/OPCItemsListCtrl.h"

namespace {
wxString Text(const CString& text) { return wxString(text.GetString()); }
wxString Number(unsigned long value) { return wxString::Format("%lu", value); }
}  // namespace

CGroupFeaturesView::CGroupFeaturesView(wxWindow* parent, CGroupFeaturesViewModel& model)
    : CResizableFormView(parent), m_pModel(&model) {
  SetBackgroundColour(*wxWHITE);
  auto* column = new wxBoxSizer(wxVERTICAL);
  m_pBanner = new wxStaticText(this, wxID_ANY, Text(model.GetBannerText()));
  wxFont bold = m_pBanner->GetFont();
  bold.MakeBold().MakeLarger();
  m_pBanner->SetFont(bold);
  column->Add(m_pBanner, 0, wxEXPAND | wxALL, 6);

  auto* grid = new wxFlexGridSizer(4, wxSize(8, 4));
  m_pDeadband = AddField(grid, "DeadBand (%)");
  m_pTimeBias = AddField(grid, "TimeBias (min)");
  m_pUpdateRate = AddField(grid, "Update rate (ms)");
  m_pClientHandle = AddField(grid, "Client handle");
  m_pLocaleId = AddField(grid, "Locale ID");
  m_pServerHandle = AddField(grid, "Server handle");
  m_pLastUpdateRate = AddField(grid, "Last upd. rate (ms)");
  m_pActive = AddCheck(grid, "Active");
  m_pPublic = AddCheck(grid, "Public");
  m_pSubscribed = AddCheck(grid, "Subscribed");
  column->Add(grid, 0, wxLEFT | wxRIGHT, 6);
  m_pItemCount = new wxStaticText(this, wxID_ANY, wxEmptyString);
  column->Add(m_pItemCount, 0, wxALL, 6);

  m_pCounters = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, wxSize(-1, 170),
                               wxLC_REPORT | wxLC_NO_HEADER | wxLC_HRULES | wxLC_VRULES | wxLC_SINGLE_SEL);
  m_pCounters->InsertColumn(0, wxEmptyString, wxLIST_FORMAT_LEFT, 180);
  m_pCounters->InsertColumn(1, wxEmptyString, wxLIST_FORMAT_RIGHT, 80);
  m_pCounters->InsertColumn(2, wxEmptyString, wxLIST_FORMAT_LEFT, 300);
  for (int i = 0; i < CGroupInfo::CounterCount; ++i)
    m_pCounters->InsertItem(i, Text(model.GetCounterRows()[i].m_strName));
  column->Add(m_pCounters, 0, wxEXPAND | wxLEFT | wxRIGHT, 6);

  m_pItems = new COPCItemsListCtrl(this, model.GetItems());
  m_pItems->SetMinSize(wxSize(-1, 160));  // a few rows at least: a shorter view scrolls the form
  column->Add(m_pItems, 1, wxEXPAND | wxALL, 6);
  SetFormSizer(column);

  m_pItems->Bind(wxEVT_DATAVIEW_SELECTION_CHANGED, &CGroupFeaturesView::OnItemSelected, this);
  Bind(wxEVT_SET_FOCUS, &CGroupFeaturesView::OnFocus, this);
  m_pModel->SetSink(this);
  OnFieldsChanged();
}

CGroupFeaturesView::~CGroupFeaturesView() { DetachModel(); }

void CGroupFeaturesView::DetachModel() {
  if (m_pModel == nullptr) return;
  m_pModel->SetSink(nullptr);
  m_pItems->DetachModel();
  m_pModel = nullptr;
}

wxTextCtrl* CGroupFeaturesView::AddField(wxSizer* grid, const wxString& label) {
  grid->Add(new wxStaticText(this, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL);
  auto* field = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(110, -1), wxTE_READONLY);
  grid->Add(field, 0);
  return field;
}

wxCheckBox* CGroupFeaturesView::AddCheck(wxSizer* grid, const wxString& label) {
  grid->AddSpacer(0);
  auto* check = new wxCheckBox(this, wxID_ANY, label);
  // Shows the record's flag; a click changes nothing.
  check->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { OnFieldsChanged(); });
  grid->Add(check, 0);
  return check;
}

void CGroupFeaturesView::OnFieldsChanged() {
  if (m_pModel == nullptr) return;
  const CGroupFeaturesViewModel::Fields& f = m_pModel->GetFields();
  m_pDeadband->ChangeValue(wxString::Format("%g", static_cast<double>(f.m_fDeadband)));
  m_pTimeBias->ChangeValue(wxString::Format("%ld", static_cast<long>(f.m_lTimeBias)));
  m_pUpdateRate->ChangeValue(Number(f.m_dwUpdateRate));
  m_pClientHandle->ChangeValue(Number(f.m_hClient));
  m_pLocaleId->ChangeValue(Text(f.m_strLocaleId));
  m_pServerHandle->ChangeValue(Number(f.m_hServer));
  m_pLastUpdateRate->ChangeValue(Number(f.m_dwLastUpdateRate));
  m_pActive->SetValue(f.m_bActive);
  m_pPublic->SetValue(f.m_bPublic);
  m_pSubscribed->SetValue(f.m_bSubscribed);
  m_pItemCount->SetLabel(Text(f.m_strItemCount));
  for (int i = 0; i < CGroupInfo::CounterCount; ++i) {
    m_pCounters->SetItem(i, 1, Text(m_pModel->GetCounterRows()[i].m_strCount));
    m_pCounters->SetItem(i, 2, Text(m_pModel->GetCounterRows()[i].m_strTime));
  }
}

void CGroupFeaturesView::OnBannerChanged() {
  if (m_pModel == nullptr) return;
  m_pBanner->SetLabel(Text(m_pModel->GetBannerText()));
  m_pBanner->Refresh();
}

bool CGroupFeaturesView::IsMinimised() {
  auto* top = dynamic_cast<wxTopLevelWindow*>(wxGetTopLevelParent(this));
  return top != nullptr && top->IsIconized();
}

void CGroupFeaturesView::OnItemSelected(wxDataViewEvent& event) {
  const int row = m_pItems->GetFirstSelectedRow();
  if (m_pModel != nullptr) m_pModel->SetSelectedRow(row);
  if (m_pModel != nullptr && row >= 0) m_pModel->OnSelectionOrFocus();
  event.Skip();
}

void CGroupFeaturesView::OnFocus(wxFocusEvent& event) {
  if (m_pModel != nullptr) m_pModel->OnSelectionOrFocus();
  event.Skip();
}
