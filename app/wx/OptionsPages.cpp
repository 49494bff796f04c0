#include "app/wx/OptionsPages.h"

#include <array>
#include <memory>

#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/artprov.h>
#include <wx/checkbox.h>
#include <wx/filedlg.h>
#include <wx/choice.h>
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
#include "app/wx/FileBrowseCtrl.h"
#include "foundation/Conversions.h"
#include "project/ProjectResource.h"
#include "lon/TimingSettings.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Time.h"
#include "lon/NVTag.h"
#include "lon/TmSettings.h"
#include "interfaces/kestrum/KestrumDispIds.h"
#include "project/Doc.h"

namespace {

wxString W(const CString& text) { return wxString(text.GetString()); }
CString C(const wxString& text) { return CString(text.wc_str()); }

// A setting of the project that marks the document modified when it changes.
template <class T, class V>
void SetMarked(CDoc* doc, T& field, V value) {
  if (field == static_cast<T>(value)) return;
  field = static_cast<T>(value);
  doc->SetModifiedFlag(TRUE);
}

// A switch of the network control; unchecked without a project or when the control cannot say.
bool ControlSwitch(CDoc* doc, DISPID id) {
  if (doc == nullptr || doc->m_control.m_lpDispatch == nullptr) return false;
  try {
    return doc->m_control.GetProperty<bool>(id);
  } catch (const COleDispatchException&) {
    return false;
  }
}

// "< none >" and the control's interfaces, the current one selected (else the first).
void FillInterfaces(wxChoice* choice, CDoc* doc, const CString& current) {
  choice->Append("< none >");
  if (doc != nullptr) {
    std::vector<CString> names;
    doc->GetNetworkInterfaces(names);
    for (const CString& name : names) choice->Append(W(name));
  }
  const int index = current.IsEmpty() ? wxNOT_FOUND : choice->FindString(W(current), true);
  choice->SetSelection(index == wxNOT_FOUND ? 0 : index);
}

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
    CDoc* doc = CDoc::GetDoc();
    m_time->SetSelection(doc != nullptr ? std::clamp(doc->m_settings.TimeTextStyle, 0, 5) : 0);
    Row(grid, this, "Time format", m_time);
    sizer->Add(grid, 0, wxEXPAND | wxBOTTOM, 8);
    const wxString monitor[] = {"All", "Selected"};
    m_monitor = new wxRadioBox(this, 1243, "Monitor Network Variables", wxDefaultPosition, wxDefaultSize, 2, monitor);
    m_monitor->SetSelection(doc != nullptr && doc->m_settings.monitorNVs.load() == 0 ? 1 : 0);
    m_monitor->Enable(IsInteractive());
    sizer->Add(m_monitor, 0, wxEXPAND | wxBOTTOM, 8);
    m_disabling = new wxCheckBox(this, 1220, "Automatic disabling of the nodes");
    m_disabling->SetValue(doc == nullptr || doc->m_settings.disablingNodesOn != 0);
    sizer->Add(m_disabling, 0, wxBOTTOM, 6);
    auto* edits = Grid();
    m_offset = new wxTextCtrl(this, 1250, wxString::Format("%d", doc != nullptr ? doc->m_settings.timeOffset : 60));
    m_retry = new wxTextCtrl(this, 1237, wxString::Format("%d", doc != nullptr ? doc->m_settings.retry : 3));
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
  void Apply() override {
    CDoc* doc = CDoc::GetDoc();
    if (doc == nullptr) return;
    int offset = 60, retry = 3;
    options::ParseRangedInt(C(m_offset->GetValue()), 0, 86400, offset);
    options::ParseRangedInt(C(m_retry->GetValue()), 0, 255, retry);
    doc->m_settings.TimeTextStyle = m_time->GetSelection();
    const int monitor = m_monitor->GetSelection() == 0 ? 1 : 0;
    if (doc->m_settings.monitorNVs.exchange(monitor) != monitor) doc->SetModifiedFlag(TRUE);
    doc->UpdateAllViews(nullptr, 8);
    CDoc::SetDisablingNodes(offset, retry, m_disabling->GetValue());
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
    CDoc* doc = CDoc::GetDoc();
    m_lon = new wxChoice(this, 1147);
    FillInterfaces(m_lon, doc, doc != nullptr ? doc->GetNetworkInterfaceName() : CString());
    m_lon->Enable(setup);
    Row(grid, this, "&LON interface:", m_lon);
    m_mode = new wxChoice(this, 1155);
    for (const char* name : {"Auto", "Simulate", "Upload all", "Upload new"}) m_mode->Append(name);
    m_mode->SetSelection(doc != nullptr ? std::clamp(doc->m_settings.dbmode, 0, 3) : 1);
    m_mode->Enable(setup);
    Row(grid, this, "&Mode:", m_mode);
    m_db = new CFileBrowseCtrl(this, 1157, doc != nullptr ? W(doc->m_settings.GetDbPath()) : wxString(), "Database",
                               "Microsoft Access Database (*.mdb)|*.mdb", "mdb", wxFD_OPEN);
    m_db->Enable(setup);
    Row(grid, this, "&Database:", m_db);
    sizer->Add(grid, 0, wxEXPAND | wxBOTTOM, 8);
    struct Box {
      int id;
      const char* text;
      bool enabled;
    };
    (void)sizeof(Box);
    m_selfdoc = AddCheck(this, sizer, 1179, "&Use NV Selfdocumentation as NV name",
                         doc != nullptr && doc->m_settings.useNvSelfdoc != 0, setup);
    m_trace = AddCheck(this, sizer, 1177, "Debug &trace", doc != nullptr && doc->m_settings.debugTrace != 0, IsInteractive());
    m_hide = AddCheck(this, sizer, 1178, "&Hide main window if started from client",
                      doc != nullptr && doc->m_settings.hideWindow != 0, IsInteractive());
    const bool connectedSetup = IsInteractive() && IsConnected();
    m_auth = AddCheck(this, sizer, 1000, "Use authentication", ControlSwitch(doc, kestrum::ctl::kUseAuthentication),
                      connectedSetup);
    m_subnet = AddCheck(this, sizer, 1002, "Use subnet/node addressing",
                        ControlSwitch(doc, kestrum::ctl::kSubnetNodeAddressing), connectedSetup);
    Finish(this, sizer);
  }
  void Apply() override {
    CDoc* doc = CDoc::GetDoc();
    if (doc == nullptr) return;
    doc->SelectNetworkInterface(C(m_lon->GetStringSelection()));
    SetMarked(doc, doc->m_settings.dbmode, m_mode->GetSelection());
    doc->m_settings.SetString(doc->m_settings.dbpath, C(m_db->GetPath()));
    SetMarked(doc, doc->m_settings.useNvSelfdoc, m_selfdoc->GetValue() ? 1 : 0);
    SetMarked(doc, doc->m_settings.hideWindow, m_hide->GetValue() ? 1 : 0);
    CDoc::SetLogging(m_trace->GetValue());
    if (doc->m_control.m_lpDispatch == nullptr) return;
    doc->m_control.SetPropertyWithParams(kestrum::ctl::kOption, CString(L"UseSelfDoc"),
                                         static_cast<LONG>(m_selfdoc->GetValue() ? 1 : 0));
    doc->m_control.SetProperty(kestrum::ctl::kUseAuthentication, VT_BOOL, m_auth->GetValue());
    doc->m_control.SetProperty(kestrum::ctl::kSubnetNodeAddressing, VT_BOOL, m_subnet->GetValue());
  }

 private:
  wxChoice* m_lon;
  wxChoice* m_mode;
  CFileBrowseCtrl* m_db;
  wxCheckBox* m_selfdoc;
  wxCheckBox* m_trace;
  wxCheckBox* m_hide;
  wxCheckBox* m_auth;
  wxCheckBox* m_subnet;
};

class CPrtcOptionsPage10 : public COptionsPage {  // Host Application
 public:
  CPrtcOptionsPage10(wxWindow* parent, int mode, bool connected) : COptionsPage(parent, "Host Application", mode, connected) {
    auto* grid = Grid();
    CDoc* doc = CDoc::GetDoc();
    m_lon = new wxChoice(this, 1019);
    FillInterfaces(m_lon, doc, doc != nullptr ? doc->GetHostNodeInterfaceName() : CString());
    m_lon->Enable(IsInteractive() && !IsConnected());
    Row(grid, this, "LON interface:", m_lon);
    Finish(this, grid);
  }
  void Apply() override {
    if (CDoc* doc = CDoc::GetDoc()) doc->SelectHostNodeInterface(m_lon->GetSelection() <= 0 ? CString() : C(m_lon->GetStringSelection()));
  }

 private:
  wxChoice* m_lon;
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

    // The project's setting, or the built-in one when the list lacks it (or no project is open).
    m_actualName = L"FTT-10";
    if (CDoc::GetDoc() != nullptr && m_settings.Find(CDoc::GetTimersCfgSetting().GetString()) != nullptr) {
      m_actualName = CDoc::GetTimersCfgSetting();
    }
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
        CDoc::SelectTimingSettings(*setting);
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
    if (setting->Name == m_actualName) CDoc::SelectTimingSettings(*setting);
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
    CDoc* doc = CDoc::GetDoc();
    m_check = AddCheck(this, sizer, 1219, "Show subfields by OPC Client Browsing",
                       doc == nullptr || doc->m_settings.BrowseSubfields != 0, true);
    Finish(this, sizer);
  }
  void Apply() override {
    CDoc* doc = CDoc::GetDoc();
    if (doc == nullptr) return;
    doc->m_settings.BrowseSubfields = m_check->GetValue() ? 1 : 0;
    SetBrowseSubfields(m_check->GetValue());
  }

 private:
  wxCheckBox* m_check;
};

class CPrtcOptionsPage9 : public COptionsPage {  // Back Compatibility
 public:
  CPrtcOptionsPage9(wxWindow* parent, int mode, bool connected) : COptionsPage(parent, "Back Compatibility", mode, connected) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    const wxString versions[] = {"Version 2.08", "Version 2.12", "Version 2.2x and higher"};
    auto* radios = new wxRadioBox(this, 1244, "Name compatibility", wxDefaultPosition, wxDefaultSize, 3, versions, 1,
                                  wxRA_SPECIFY_COLS);
    CDoc* doc = CDoc::GetDoc();
    radios->SetSelection(doc != nullptr ? std::clamp(doc->m_settings.backNameComp, 0, 2) : 2);
    radios->Enable(IsInteractive() && !IsConnected());
    sizer->Add(radios, 0, wxEXPAND | wxBOTTOM, 8);
    m_radios = radios;
    m_types = AddCheck(this, sizer, 1219, "Back Type Compatibility", doc != nullptr && doc->m_settings.backTypeComp != 0,
                       IsInteractive() && !IsConnected());
    Finish(this, sizer);
  }
  void Apply() override {
    CDoc* doc = CDoc::GetDoc();
    if (doc == nullptr) return;
    SetMarked(doc, doc->m_settings.backTypeComp, m_types->GetValue() ? 1 : 0);
    if (doc->m_control.m_lpDispatch != nullptr) {
      doc->m_control.SetProperty(kestrum::ctl::kBackTypeCompatibility, VT_BOOL, m_types->GetValue());
    }
    SetMarked(doc, doc->m_settings.backNameComp, m_radios->GetSelection());
  }

 private:
  wxRadioBox* m_radios;
  wxCheckBox* m_types;
};

class CPrtcOptionsPage4 : public COptionsPage {  // Protocol window
 public:
  CPrtcOptionsPage4(wxWindow* parent, int mode, bool connected) : COptionsPage(parent, "Protocol window", mode, connected) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* grid = Grid();
    CDoc* doc = CDoc::GetDoc();
    const int max = doc != nullptr ? std::clamp(doc->m_settings.ProtocolLinesMax, 2000, 10000) : 3000;
    const int opt = doc != nullptr ? std::clamp(doc->m_settings.ProtocolLinesMax - doc->m_settings.ProtocolLinesDiff, 1000,
                                                options::OptimumUpperBound(max))
                                   : 2000;
    m_max = new wxSpinCtrl(this, 1213, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS, 2000, 10000, max);
    m_opt = new wxSpinCtrl(this, 1214, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS, 1000,
                           options::OptimumUpperBound(max), opt);
    Row(grid, this, "Maximum count of lines", m_max);
    Row(grid, this, "Optimum count of lines", m_opt);
    sizer->Add(grid, 0, wxEXPAND | wxBOTTOM, 8);
    m_save = AddCheck(this, sizer, 1222, "Save removed lines", doc != nullptr && doc->m_settings.saveLog, true);
    m_path = new CFileBrowseCtrl(this, 1221, doc != nullptr ? W(doc->m_settings.GetSaveLogPath()) : wxString(), "Log file",
                                 "Log files (*.log)|*.log", "log", wxFD_SAVE);
    sizer->Add(m_path, 0, wxEXPAND);
    m_path->Enable(m_save->GetValue());
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
  void Apply() override {
    CDoc* doc = CDoc::GetDoc();
    if (doc == nullptr) return;
    SetMarked(doc, doc->m_settings.saveLog, m_save->GetValue());
    doc->m_settings.ProtocolLinesMax = m_max->GetValue();
    doc->m_settings.ProtocolLinesDiff = m_max->GetValue() - m_opt->GetValue();
    doc->m_settings.SetString(doc->m_settings.saveLogPath, C(m_path->GetPath()));
  }

 private:
  wxSpinCtrl* m_max;
  wxSpinCtrl* m_opt;
  wxCheckBox* m_save;
  CFileBrowseCtrl* m_path;
};

// The bits of the boxes, and those of them that are checked.
void CollectBits(const std::vector<std::pair<wxCheckBox*, int>>& boxes, int& bits, int& checked) {
  for (const auto& [check, bit] : boxes) {
    bits |= 1 << bit;
    if (check->GetValue()) checked |= 1 << bit;
  }
}

// A page of check boxes, one per bit of a mask of the project's settings; without a project all
// start checked and Apply changes nothing.
class CMaskPage : public COptionsPage {
 public:
  struct Box {
    int id;
    const char* text;
    int bit;
  };
  using Read = std::function<int(CDoc&)>;
  // bits: the page's bits; checked: those of them that are checked.
  using Write = std::function<void(CDoc&, int bits, int checked)>;
  CMaskPage(wxWindow* parent, const wxString& caption, int mode, bool connected, std::initializer_list<Box> boxes,
            Read read, Write write)
      : COptionsPage(parent, caption, mode, connected), m_write(std::move(write)) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    CDoc* doc = CDoc::GetDoc();
    const int mask = doc != nullptr ? read(*doc) : ~0;
    for (const Box& box : boxes) {
      m_boxes.emplace_back(AddCheck(this, sizer, box.id, box.text, (mask >> box.bit) & 1, true), box.bit);
    }
    Finish(this, sizer);
  }
  void Apply() override {
    CDoc* doc = CDoc::GetDoc();
    if (doc == nullptr) return;
    int bits = 0, checked = 0;
    CollectBits(m_boxes, bits, checked);
    m_write(*doc, bits, checked);
  }

 private:
  Write m_write;
  std::vector<std::pair<wxCheckBox*, int>> m_boxes;
};

// The "Protocol" bits of a page: the page's bits set or cleared, the others kept.
void WriteProtocolBits(CDoc& doc, int bits, int checked) {
  doc.m_settings.Protocol = options::ApplyProtocolBits(doc.m_settings.Protocol.load(), bits, checked);
}

class CPrtcOptionsPage2 : public COptionsPage {  // LonWorks Events
 public:
  CPrtcOptionsPage2(wxWindow* parent, int mode, bool connected) : COptionsPage(parent, "LonWorks Events", mode, connected) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    CDoc* doc = CDoc::GetDoc();
    const int mask = doc != nullptr ? doc->m_settings.Protocol.load() : ~0;
    auto add = [&](int id, const char* text, int bit, bool enabled) {
      wxCheckBox* check = AddCheck(this, sizer, id, text, (mask >> bit) & 1, enabled);
      m_bits.emplace_back(check, bit);
      return check;
    };
    add(1197, "Datachange by Watcher", 6, false);
    add(1195, "Scan / Upload", 7, true);
    m_network = add(1196, "Datachange by LonWorks Network", 8, true);
    m_changesOnly = new wxCheckBox(this, 1199, "Report changes only");
    m_changesOnly->SetValue(ControlSwitch(doc, kestrum::ctl::kReportChangesOnly));
    m_changesOnly->Enable(m_network->GetValue());
    sizer->Add(m_changesOnly, 0, wxLEFT | wxBOTTOM, 16);
    m_network->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { m_changesOnly->Enable(m_network->GetValue()); });
    add(1198, "Datachange by Host Application", 9, true);
    Finish(this, sizer);
  }
  void Apply() override {
    CDoc* doc = CDoc::GetDoc();
    if (doc == nullptr) return;
    int bits = 0, checked = 0;
    CollectBits(m_bits, bits, checked);
    WriteProtocolBits(*doc, bits, checked);
    if (doc->m_control.m_lpDispatch != nullptr) {
      doc->m_control.SetProperty(kestrum::ctl::kReportChangesOnly, VT_BOOL, m_changesOnly->GetValue());
    }
  }

 private:
  wxCheckBox* m_network;
  wxCheckBox* m_changesOnly;
  std::vector<std::pair<wxCheckBox*, int>> m_bits;
};

class CPrtcOptionsPage5 : public COptionsPage {  // Archive
 public:
  CPrtcOptionsPage5(wxWindow* parent, int mode, bool connected) : COptionsPage(parent, "Archive", mode, connected) {
    auto* grid = Grid();
    CDoc* doc = CDoc::GetDoc();
    m_space = new wxTextCtrl(this, 1224, wxString::Format("%d", doc != nullptr ? doc->m_settings.MinDiskSpace : 50));
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
  void Apply() override {
    CDoc* doc = CDoc::GetDoc();
    int value = 50;
    if (doc != nullptr && options::ParseRangedInt(C(m_space->GetValue()), 0, 1000000, value)) {
      doc->m_settings.MinDiskSpace = value;
    }
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
      return new CMaskPage(parent, "OPC Events", mode, connected, {{1193, "Management", 0}, {1194, "Datachange", 1}},
                           [](CDoc& doc) { return doc.m_settings.Protocol.load(); }, &WriteProtocolBits);
    case 8:
      return new CPrtcOptionsPage2(parent, mode, connected);
    case 9:
      return new CPrtcOptionsPage5(parent, mode, connected);
    default:
      return new CMaskPage(parent, "Show/hide columns", mode, connected,
                           {{1201, "Item ID", 0},      {1202, "R/W", 1},        {1203, "Canonical DT", 2},
                            {1204, "Requsted DT", 3},  {1205, "Client handle", 4}, {1206, "Value", 5},
                            {1207, "Timestamp", 6},    {1208, "Quality", 7},    {1209, "Reads", 8},
                            {1210, "Writes", 9},       {1211, "Polls", 10},     {1212, "Updates", 11}},
                           [](CDoc& doc) { return doc.m_settings.OpcItemsTable; },
                           [](CDoc& doc, int, int checked) {
                             const int mask = checked;
                             if (mask == doc.m_settings.OpcItemsTable) return;
                             doc.m_settings.OpcItemsTable = mask;
                             doc.UpdateAllViews(nullptr, HintOpcItemsColumns);
                           });
  }
}
