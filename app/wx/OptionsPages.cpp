#include "app/wx/OptionsPages.h"

#include <array>
#include <memory>

#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/artprov.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/filepicker.h>
#include <wx/listbox.h>
#include <wx/radiobox.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/textdlg.h>

#include "app/shell/OptionsPageRules.h"
#include "app/shell/ShellResources.h"
#include "foundation/Conversions.h"
#include "lon/TimingSettings.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Time.h"

namespace {

wxString W(const CString& text) { return wxString(text.GetString()); }

// Label and control in one row of a two-column grid.
wxFlexGridSizer* Grid() {
  auto* grid = new wxFlexGridSizer(2, 6, 8);
  grid->AddGrowableCol(1);
  return grid;
}

void Row(wxFlexGridSizer* grid, wxWindow* parent, const wxString& label, wxWindow* control) {
  grid->Add(new wxStaticText(parent, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(control, 1, wxEXPAND);
}

// A check box of a page, in a column.
wxCheckBox* AddCheck(wxWindow* page, wxSizer* sizer, int id, const char* text, bool checked, bool enabled) {
  auto* check = new wxCheckBox(page, id, text);
  check->SetValue(checked);
  check->Enable(enabled);
  sizer->Add(check, 0, wxBOTTOM, 6);
  return check;
}

void Finish(wxPanel* page, wxSizer* content) {
  auto* outer = new wxBoxSizer(wxVERTICAL);
  outer->Add(content, 1, wxEXPAND | wxALL, 10);
  page->SetSizer(outer);
}

class CPrtcOptionsPage6 : public COptionsPage {  // General
 public:
  CPrtcOptionsPage6(wxWindow* parent, int mode, bool connected) : COptionsPage(parent, "General", mode, connected) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* grid = Grid();
    m_time = new wxChoice(this, 1228);
    SYSTEMTIME now;
    GetSystemTime(&now);
    for (int style = 0; style < 6; ++style) m_time->Append(W(SystemTimeToString(now, style)));
    m_time->SetSelection(0);
    Row(grid, this, "Time format", m_time);
    sizer->Add(grid, 0, wxEXPAND | wxBOTTOM, 8);
    const wxString monitor[] = {"All", "Selected"};
    m_monitor = new wxRadioBox(this, 1243, "Monitor Network Variables", wxDefaultPosition, wxDefaultSize, 2, monitor);
    m_monitor->Enable(IsInteractive());
    sizer->Add(m_monitor, 0, wxEXPAND | wxBOTTOM, 8);
    m_disabling = new wxCheckBox(this, 1220, "Automatic disabling of the nodes");
    m_disabling->SetValue(true);
    sizer->Add(m_disabling, 0, wxBOTTOM, 6);
    auto* edits = Grid();
    m_offset = new wxTextCtrl(this, 1250, "60");
    m_retry = new wxTextCtrl(this, 1237, "3");
    Row(edits, this, "Time offset (s)", m_offset);
    Row(edits, this, "Retry", m_retry);
    sizer->Add(edits, 0, wxEXPAND | wxBOTTOM, 8);
    sizer->Add(new wxStaticText(this, wxID_ANY,
                                "If these options are changed, the changes will not be reflected until the project is "
                                "stopped and re-started."),
               0, wxEXPAND);
    m_disabling->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { Follow(); });
    Follow();
    Finish(this, sizer);
  }
  CString Check() override {
    int value = 0;
    if (!options::ParseRangedInt(CString(m_offset->GetValue().wc_str()), 0, 86400, value)) return L"Time offset: enter a number of seconds from 0 to 86400.";
    if (!options::ParseRangedInt(CString(m_retry->GetValue().wc_str()), 0, 255, value)) return L"Retry: enter a number from 0 to 255.";
    return CString();
  }

 private:
  void Follow() {
    m_offset->Enable(m_disabling->GetValue());
    m_retry->Enable(m_disabling->GetValue());
  }
  wxChoice* m_time;
  wxRadioBox* m_monitor;
  wxCheckBox* m_disabling;
  wxTextCtrl* m_offset;
  wxTextCtrl* m_retry;
};

class CPrtcOptionsPage8 : public COptionsPage {  // Project
 public:
  CPrtcOptionsPage8(wxWindow* parent, int mode, bool connected) : COptionsPage(parent, "Project", mode, connected) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* grid = Grid();
    const bool setup = IsInteractive() && !IsConnected();
    auto* lon = new wxChoice(this, 1147);
    lon->Append("< none >");
    lon->SetSelection(0);
    lon->Enable(setup);
    Row(grid, this, "&LON interface:", lon);
    auto* dbMode = new wxChoice(this, 1155);
    for (const char* name : {"Auto", "Simulate", "Upload all", "Upload new"}) dbMode->Append(name);
    dbMode->SetSelection(1);
    dbMode->Enable(setup);
    Row(grid, this, "&Mode:", dbMode);
    auto* db = new wxFilePickerCtrl(this, 1157, wxEmptyString, "Database", "Microsoft Access Database (*.mdb)|*.mdb");
    db->Enable(setup);
    Row(grid, this, "&Database:", db);
    sizer->Add(grid, 0, wxEXPAND | wxBOTTOM, 8);
    struct Box {
      int id;
      const char* text;
      bool enabled;
    };
    for (const Box& box : {Box{1179, "&Use NV Selfdocumentation as NV name", setup},
                           Box{1177, "Debug &trace", IsInteractive()},
                           Box{1178, "&Hide main window if started from client", IsInteractive()},
                           Box{1000, "Use authentication", IsInteractive() && IsConnected()},
                           Box{1002, "Use subnet/node addressing", IsInteractive() && IsConnected()}}) {
      AddCheck(this, sizer, box.id, box.text, false, box.enabled);
    }
    Finish(this, sizer);
  }
};

class CPrtcOptionsPage10 : public COptionsPage {  // Host Application
 public:
  CPrtcOptionsPage10(wxWindow* parent, int mode, bool connected) : COptionsPage(parent, "Host Application", mode, connected) {
    auto* grid = Grid();
    auto* lon = new wxChoice(this, 1019);
    lon->Append("< none >");
    lon->SetSelection(0);
    lon->Enable(IsInteractive() && !IsConnected());
    Row(grid, this, "LON interface:", lon);
    Finish(this, grid);
  }
};

// "Timing": edits timing.xml itself; its buttons act at once.
class CPrtcOptionsPage7 : public COptionsPage {
 public:
  CPrtcOptionsPage7(wxWindow* parent, int mode, bool connected) : COptionsPage(parent, "Timing", mode, connected) {
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

    // Without a project the actual setting is the built-in one.
    m_actualName = L"FTT-10";
    m_actual->SetValue(W(m_actualName));
    for (CTmSetting* setting : m_settings.m_settings) m_list->Append(W(setting->Name));
    const int actual = m_list->FindString(W(m_actualName), true);
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
        m_actual->SetValue(W(m_actualName));
      }
      Enable();
    });
    m_update->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnUpdate(); });
  }

 private:
  CTmSetting* Selected() {
    const int index = m_list->GetSelection();
    if (index == wxNOT_FOUND) return nullptr;
    return m_settings.Find(m_list->GetString(static_cast<unsigned>(index)).wc_str());
  }
  void Load() {
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
  void Changed() {
    if (m_bLoading) return;
    m_update->Enable(IsInteractive());
    CheckTxTimer();
  }
  void CheckTxTimer() {
    int throttle = 0;
    options::ParseRangedInt(CString(m_throttle->GetValue().wc_str()), 0, 30000, throttle);
    const bool tooShort = options::IsTxTimerTooShort(m_parallel->GetSelection() + 1, m_tx->GetSelection(), throttle);
    m_icon->Show(tooShort);
    m_warning->Show(tooShort);
    Layout();
  }
  void Enable() {
    CTmSetting* setting = Selected();
    const bool edit = IsInteractive() && setting != nullptr;
    m_delete->Enable(setting != nullptr &&
                     options::CanDeleteTimingSetting(IsInteractive(), setting->Name, m_actualName, m_settings.m_settings.size()));
    m_new->Enable(IsInteractive());
    for (wxWindow* control : std::initializer_list<wxWindow*>{m_setActual, m_repeat, m_tx, m_retry, m_parallel}) control->Enable(edit);
    m_throttle->SetEditable(edit);
  }
  void Save() {
    if (!m_settings.Save()) AfxMessageBox(L"The timing settings could not be saved.", MB_OK | MB_ICONERROR);
  }
  void OnNew() {
    CString proposal;
    proposal.LoadString(IDS_NEW_TIMING_NAME);
    wxTextEntryDialog dialog(this, "Name", "New timing setting", W(proposal));
    if (dialog.ShowModal() != wxID_OK || dialog.GetValue().empty()) return;
    const CString name(dialog.GetValue().wc_str());
    if (m_settings.Find(name.GetString()) != nullptr) {
      AfxMessageBox(IDS_TIMING_NAME_EXISTS);
      return;
    }
    m_settings.Add(name);
    m_list->SetSelection(m_list->Append(W(name)));
    Load();
    Save();
  }
  void OnDelete() {
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
  void OnUpdate() {
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
    m_update->Enable(false);
  }

  CTimingSettings m_settings;
  CString m_actualName;
  bool m_bLoading = false;
  wxListBox* m_list;
  wxButton* m_new;
  wxButton* m_delete;
  wxTextCtrl* m_actual;
  wxChoice* m_repeat;
  wxChoice* m_tx;
  wxChoice* m_retry;
  wxChoice* m_parallel;
  wxTextCtrl* m_throttle;
  wxStaticBitmap* m_icon;
  wxStaticText* m_warning;
  wxButton* m_setActual;
  wxButton* m_update;
};

class CBrowsePage : public COptionsPage {
 public:
  CBrowsePage(wxWindow* parent, int mode, bool connected) : COptionsPage(parent, "Browsing", mode, connected) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* check = new wxCheckBox(this, 1219, "Show subfields by OPC Client Browsing");
    check->SetValue(true);
    sizer->Add(check);
    Finish(this, sizer);
  }
};

class CPrtcOptionsPage9 : public COptionsPage {  // Back Compatibility
 public:
  CPrtcOptionsPage9(wxWindow* parent, int mode, bool connected) : COptionsPage(parent, "Back Compatibility", mode, connected) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    const wxString versions[] = {"Version 2.08", "Version 2.12", "Version 2.2x and higher"};
    auto* radios = new wxRadioBox(this, 1244, "Name compatibility", wxDefaultPosition, wxDefaultSize, 3, versions, 1,
                                  wxRA_SPECIFY_COLS);
    radios->SetSelection(2);
    auto* types = new wxCheckBox(this, 1219, "Back Type Compatibility");
    radios->Enable(IsInteractive() && !IsConnected());
    types->Enable(IsInteractive() && !IsConnected());
    sizer->Add(radios, 0, wxEXPAND | wxBOTTOM, 8);
    sizer->Add(types);
    Finish(this, sizer);
  }
};

class CPrtcOptionsPage4 : public COptionsPage {  // Protocol window
 public:
  CPrtcOptionsPage4(wxWindow* parent, int mode, bool connected) : COptionsPage(parent, "Protocol window", mode, connected) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* grid = Grid();
    m_max = new wxSpinCtrl(this, 1213, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS, 2000, 10000, 3000);
    m_opt = new wxSpinCtrl(this, 1214, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS, 1000,
                           options::OptimumUpperBound(3000), 2000);
    Row(grid, this, "Maximum count of lines", m_max);
    Row(grid, this, "Optimum count of lines", m_opt);
    sizer->Add(grid, 0, wxEXPAND | wxBOTTOM, 8);
    m_save = new wxCheckBox(this, 1222, "Save removed lines");
    sizer->Add(m_save, 0, wxBOTTOM, 6);
    m_path = new wxFilePickerCtrl(this, 1221, wxEmptyString, "Log file", "Log files (*.log)|*.log", wxDefaultPosition,
                                  wxDefaultSize, wxFLP_SAVE | wxFLP_USE_TEXTCTRL);
    sizer->Add(m_path, 0, wxEXPAND);
    m_path->Enable(false);
    m_save->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { m_path->Enable(m_save->GetValue()); });
    m_max->Bind(wxEVT_SPINCTRL, [this](wxSpinEvent&) {
      m_opt->SetRange(1000, options::OptimumUpperBound(m_max->GetValue()));
    });
    m_opt->Bind(wxEVT_SPINCTRL, [this](wxSpinEvent&) {
      m_max->SetRange(options::MaximumLowerBound(m_opt->GetValue()), 10000);
    });
    Finish(this, sizer);
  }
  CString Check() override {
    return options::CheckProtocolWindow(m_max->GetValue(), m_opt->GetValue(), m_save->GetValue(),
                                        CString(m_path->GetPath().wc_str()));
  }

 private:
  wxSpinCtrl* m_max;
  wxSpinCtrl* m_opt;
  wxCheckBox* m_save;
  wxFilePickerCtrl* m_path;
};

class CChecksPage : public COptionsPage {
 public:
  struct Box {
    int id;
    const char* text;
    bool enabled;
  };
  CChecksPage(wxWindow* parent, const wxString& caption, int mode, bool connected, std::initializer_list<Box> boxes)
      : COptionsPage(parent, caption, mode, connected) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    for (const Box& box : boxes) AddCheck(this, sizer, box.id, box.text, true, box.enabled);
    Finish(this, sizer);
  }
};

class CPrtcOptionsPage2 : public COptionsPage {  // LonWorks Events
 public:
  CPrtcOptionsPage2(wxWindow* parent, int mode, bool connected) : COptionsPage(parent, "LonWorks Events", mode, connected) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto add = [&](int id, const char* text, bool enabled) { return AddCheck(this, sizer, id, text, true, enabled); };
    add(1197, "Datachange by Watcher", false);
    add(1195, "Scan / Upload", true);
    m_network = add(1196, "Datachange by LonWorks Network", true);
    m_changesOnly = new wxCheckBox(this, 1199, "Report changes only");
    sizer->Add(m_changesOnly, 0, wxLEFT | wxBOTTOM, 16);
    add(1198, "Datachange by Host Application", true);
    m_network->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { m_changesOnly->Enable(m_network->GetValue()); });
    Finish(this, sizer);
  }

 private:
  wxCheckBox* m_network;
  wxCheckBox* m_changesOnly;
};

class CPrtcOptionsPage5 : public COptionsPage {  // Archive
 public:
  CPrtcOptionsPage5(wxWindow* parent, int mode, bool connected) : COptionsPage(parent, "Archive", mode, connected) {
    auto* grid = Grid();
    m_space = new wxTextCtrl(this, 1224, "50");
    Row(grid, this, "Minimal disk space (MB)", m_space);
    Finish(this, grid);
  }
  CString Check() override {
    int value = 0;
    if (!options::ParseRangedInt(CString(m_space->GetValue().wc_str()), 0, 1000000, value)) {
      return L"Minimal disk space: enter a number of MB from 0 to 1000000.";
    }
    return CString();
  }

 private:
  wxTextCtrl* m_space;
};

}  // namespace

COptionsPage* CreateOptionsPage(int index, wxWindow* parent, int mode, bool connected) {
  switch (index) {
    case 0:
      return new CPrtcOptionsPage6(parent, mode, connected);
    case 1:
      return new CPrtcOptionsPage8(parent, mode, connected);
    case 2:
      return new CPrtcOptionsPage10(parent, mode, connected);
    case 3:
      return new CPrtcOptionsPage7(parent, mode, connected);
    case 4:
      return new CBrowsePage(parent, mode, connected);
    case 5:
      return new CPrtcOptionsPage9(parent, mode, connected);
    case 6:
      return new CPrtcOptionsPage4(parent, mode, connected);
    case 7:
      return new CChecksPage(parent, "OPC Events", mode, connected,
                             {{1193, "Management", true}, {1194, "Datachange", true}});
    case 8:
      return new CPrtcOptionsPage2(parent, mode, connected);
    case 9:
      return new CPrtcOptionsPage5(parent, mode, connected);
    default:
      return new CChecksPage(parent, "Show/hide columns", mode, connected,
                             {{1201, "Item ID", true},      {1202, "R/W", true},         {1203, "Canonical DT", true},
                              {1204, "Requsted DT", true},  {1205, "Client handle", true}, {1206, "Value", true},
                              {1207, "Timestamp", true},    {1208, "Quality", true},     {1209, "Reads", true},
                              {1210, "Writes", true},       {1211, "Polls", true},       {1212, "Updates", true}});
  }
}
