#include "app/wx/PrtcOptionsPage7.h"

#include <algorithm>
#include <initializer_list>

#include <wx/artprov.h>
#include <wx/textdlg.h>

#include "app/shell/OptionsPageRules.h"
#include "app/shell/ShellResources.h"
#include "lon/TmSettings.h"
#include "platform/win32/MessageBox.h"
#include "project/Doc.h"
#include "project/ProjectResource.h"

CPrtcOptionsPage7::CPrtcOptionsPage7(wxWindow* parent, int mode, bool connected)
    : COptionsPage(parent, "Timing", mode, connected), CStateEnabled(mode == 1) {
  auto* sizer = new wxBoxSizer(wxHORIZONTAL);
  auto* left = new wxBoxSizer(wxVERTICAL);
  m_list = new wxListBox(this, 1239, wxDefaultPosition, wxSize(140, 160));
  left->Add(m_list, 1, wxEXPAND | wxBOTTOM, 6);
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  m_new = new wxButton(this, 1218, "New");
  m_delete = new wxButton(this, 1238, "Delete");
  buttons->Add(m_new, 0, wxRIGHT, 4);
  buttons->Add(m_delete);
  left->Add(buttons);
  sizer->Add(left, 0, wxEXPAND | wxRIGHT, 10);

  auto* right = new wxBoxSizer(wxVERTICAL);
  auto* grid = Grid();
  m_actual = new wxTextCtrl(this, 1241, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxTE_READONLY);
  Row(grid, this, "Actual timing setting", m_actual);
  m_repeat = new wxChoice(this, 1248);
  m_tx = new wxChoice(this, 1247);
  for (int value : options::kTimerValues) {
    m_repeat->Append(wxString::Format("%d", value));
    m_tx->Append(wxString::Format("%d", value));
  }
  Row(grid, this, "Repeat timer (ms)", m_repeat);
  Row(grid, this, "TxTimer (ms)", m_tx);
  m_retry = new wxChoice(this, 1237);
  for (int i = 0; i <= 15; ++i) m_retry->Append(wxString::Format("%d", i));
  Row(grid, this, "Retry", m_retry);
  m_parallel = new wxChoice(this, 1005);
  for (int i = 1; i <= 16; ++i) m_parallel->Append(wxString::Format("%d", i));
  Row(grid, this, "Parallel transactions", m_parallel);
  m_throttle = new wxTextCtrl(this, 1004);
  Row(grid, this, "Throttle interval (ms)", m_throttle);
  right->Add(grid, 0, wxEXPAND | wxBOTTOM, 8);
  auto* warning = new wxBoxSizer(wxHORIZONTAL);
  m_icon = new wxStaticBitmap(this, 1026, wxArtProvider::GetBitmap(wxART_WARNING, wxART_BUTTON));
  m_warning = new wxStaticText(this, 1027, "TxTimer too short!");
  warning->Add(m_icon, 0, wxRIGHT, 4);
  warning->Add(m_warning, 0, wxALIGN_CENTER_VERTICAL);
  right->Add(warning, 0, wxBOTTOM, 8);
  auto* actions = new wxBoxSizer(wxHORIZONTAL);
  m_setActual = new wxButton(this, 1240, "Set As Actual");
  m_update = new wxButton(this, 1242, "Update");
  actions->Add(m_setActual, 0, wxRIGHT, 4);
  actions->Add(m_update);
  right->Add(actions);
  sizer->Add(right, 1, wxEXPAND);
  Finish(this, sizer);

  // The project's setting, or the built-in one when the list lacks it (or no project is open).
  m_actualName = L"FTT-10";
  if (CDoc::GetDoc() != nullptr && m_settings.Find(CDoc::GetTimersCfgSetting().GetString()) != nullptr) {
    m_actualName = CDoc::GetTimersCfgSetting();
  }
  m_actual->SetValue(ToWx(m_actualName));
  for (CTmSetting* setting : m_settings.m_settings) m_list->Append(ToWx(setting->Name));
  const int actual = m_list->FindString(ToWx(m_actualName), true);
  m_list->SetSelection(actual == wxNOT_FOUND ? 0 : actual);
  Load();

  m_list->Bind(wxEVT_LISTBOX, [this](wxCommandEvent&) { Load(); });
  for (wxChoice* choice : {m_repeat, m_tx, m_retry, m_parallel}) choice->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { Changed(); });
  m_throttle->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { Changed(); });
  m_new->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnNew(); });
  m_delete->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnDelete(); });
  m_setActual->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    if (CTmSetting* setting = Selected()) {
      m_actualName = setting->Name;
      m_actual->SetValue(ToWx(m_actualName));
      CDoc::SelectTimingSettings(*setting);
    }
    Enable();
  });
  m_update->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnUpdate(); });
}

CTmSetting* CPrtcOptionsPage7::Selected() {
  const int index = m_list->GetSelection();
  if (index == wxNOT_FOUND) return nullptr;
  return m_settings.Find(m_list->GetString(static_cast<unsigned>(index)).wc_str());
}

void CPrtcOptionsPage7::Load() {
  m_bLoading = true;
  if (CTmSetting* setting = Selected()) {
    m_repeat->SetSelection(std::min<int>(setting->RepeatTimer, 15));
    m_tx->SetSelection(std::min<int>(setting->TxTimer, 15));
    m_retry->SetSelection(std::min<int>(setting->Retry, 15));
    m_parallel->SetSelection(std::clamp<int>(setting->ParallelTransCount, 1, 16) - 1);
    m_throttle->ChangeValue(wxString::Format("%d", setting->Throttle));
  }
  m_bLoading = false;
  m_update->Enable(false);
  Enable();
  CheckTxTimer();
}

void CPrtcOptionsPage7::Changed() {
  if (m_bLoading) return;
  m_update->Enable(IsUpdateEnabledByChange());
  CheckTxTimer();
}

void CPrtcOptionsPage7::CheckTxTimer() {
  int throttle = 0;
  options::ParseRangedInt(CString(m_throttle->GetValue().wc_str()), 0, 30000, throttle);
  const bool tooShort = options::IsTxTimerTooShort(m_parallel->GetSelection() + 1, m_tx->GetSelection(), throttle);
  m_icon->Show(tooShort);
  m_warning->Show(tooShort);
  Layout();
}

void CPrtcOptionsPage7::Enable() {
  CTmSetting* setting = Selected();
  const CControls controls =
      GetControls(setting != nullptr ? &setting->Name : nullptr, m_actualName, m_settings.m_settings.size());
  m_delete->Enable(controls.bDelete);
  m_new->Enable(controls.bNew);
  for (wxWindow* control : std::initializer_list<wxWindow*>{m_setActual, m_repeat, m_tx, m_retry, m_parallel}) {
    control->Enable(controls.bEdit);
  }
  m_throttle->SetEditable(controls.bThrottleEditable);
}

void CPrtcOptionsPage7::Save() {
  if (!m_settings.Save()) AfxMessageBox(L"The timing settings could not be saved.", MB_OK | MB_ICONERROR);
}

void CPrtcOptionsPage7::OnNew() {
  CString proposal;
  proposal.LoadString(IDS_NEW_TIMING_NAME);
  wxTextEntryDialog dialog(this, "Name", "New timing setting", ToWx(proposal));
  if (dialog.ShowModal() != wxID_OK || dialog.GetValue().empty()) return;
  const CString name(dialog.GetValue().wc_str());
  if (m_settings.Find(name.GetString()) != nullptr) {
    AfxMessageBox(IDS_TIMING_NAME_EXISTS);
    return;
  }
  m_settings.Add(name);
  m_list->SetSelection(m_list->Append(ToWx(name)));
  Load();
  Save();
}

void CPrtcOptionsPage7::OnDelete() {
  CTmSetting* setting = Selected();
  if (setting == nullptr) return;
  const int index = m_list->GetSelection();
  m_settings.RemoveUnlessBuiltIn(setting->Name.GetString());
  m_list->Delete(static_cast<unsigned>(index));
  m_list->SetSelection(std::min<int>(index, static_cast<int>(m_list->GetCount()) - 1));
  Load();
  // A deletion that waited for the next New or Update would be lost with the sheet.
  Save();
}

void CPrtcOptionsPage7::OnUpdate() {
  CTmSetting* setting = Selected();
  int throttle = 0;
  if (setting == nullptr) return;
  if (!options::ParseRangedInt(CString(m_throttle->GetValue().wc_str()), 0, 30000, throttle)) {
    AfxMessageBox(L"Throttle interval: enter a number from 0 to 30000.", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  setting->RepeatTimer = static_cast<BYTE>(m_repeat->GetSelection());
  setting->TxTimer = static_cast<BYTE>(m_tx->GetSelection());
  setting->Retry = static_cast<BYTE>(m_retry->GetSelection());
  setting->ParallelTransCount = static_cast<USHORT>(m_parallel->GetSelection() + 1);
  setting->Throttle = throttle;
  Save();
  if (setting->Name == m_actualName) CDoc::SelectTimingSettings(*setting);
  m_update->Enable(false);
}
