#include "app/wx/MainFrame.h"

#include <algorithm>

#include <wx/artprov.h>
#include <wx/aui/auibar.h>
#include <wx/aui/dockart.h>
#include <wx/choicdlg.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/filedlg.h>
#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>

#include "app/shell/AppLook.h"
#include "app/shell/ShellCommands.h"
#include "app/shell/ToolBarCustomization.h"
#include "app/wx/CommandIds.h"
#include "app/wx/ShellIcons.h"
#include "app/shell/ShellResources.h"
#include "app/shell/TessalyApp.h"
#include "app/wx/AboutDlg.h"
#include "app/wx/GroupItemChildFrame.h"
#include "app/wx/OpcMainChildFrame.h"
#include "views/models/ConfigViewResource.h"
#include "views/wx/LonGuiLinksWx.h"
#include "app/wx/OptionsDlg.h"
#include "app/wx/OutputWnd.h"
#include "app/wx/PropertiesWnd.h"
#include "opcserver/OPCToolkitCtrl.h"
#include "platform/afx/DocManager.h"
#include "platform/afx/FrameWnd.h"
#include "platform/afx/View.h"
#include "platform/win32/Messages.h"
#include "project/Doc.h"

namespace {

// Pane names of the AUI layout.
const char kPaneOutput[] = "Output";
const char kPaneProperties[] = "Properties";
const char kPaneShortcuts[] = "Shortcuts";
const char kPaneStandard[] = "Standard";
const char kPaneOpcServer[] = "OPC Server";

// View-menu toggles of the panes and bars: command ids of the frame's own.
enum : int {
  ID_VIEW_TOOLBAR_STANDARD = 59392,
  ID_VIEW_TOOLBAR_OPC = 59394,
  ID_VIEW_PANE_OUTPUT = 59395,
  ID_VIEW_PANE_PROPERTIES = 59396,
  ID_VIEW_PANE_SHORTCUTS = 59397,
};

const char* PaneOfToggle(int id) {
  switch (id) {
    case ID_VIEW_TOOLBAR_STANDARD:
      return kPaneStandard;
    case ID_VIEW_TOOLBAR_OPC:
      return kPaneOpcServer;
    case ID_VIEW_PANE_OUTPUT:
      return kPaneOutput;
    case ID_VIEW_PANE_PROPERTIES:
      return kPaneProperties;
    case ID_VIEW_PANE_SHORTCUTS:
      return kPaneShortcuts;
    default:
      return nullptr;
  }
}

wxString Text(UINT id) {
  CString text;
  text.LoadString(id);
  return wxString(text.GetString());
}

struct Tool {
  int command;  // 0: a separator
  const char* label;
  wxArtID art;
  wxItemKind kind = wxITEM_NORMAL;  // a check tool shows its command's check state pressed
};
const Tool kStandardTools[] = {
    {ID_FILE_NEW, "New", wxART_NEW},       {ID_FILE_OPEN, "Open", wxART_FILE_OPEN}, {ID_FILE_SAVE, "Save", wxART_FILE_SAVE},
    {0, nullptr, {}},                      {ID_EDIT_CUT, "Cut", wxART_CUT},         {ID_EDIT_COPY, "Copy", wxART_COPY},
    {ID_EDIT_PASTE, "Paste", wxART_PASTE}, {0, nullptr, {}},                        {ID_FILE_PRINT, "Print", wxART_PRINT},
    {ID_APP_ABOUT, "About", wxART_HELP}};
const Tool kOpcTools[] = {{ID_EDIT_PROPERTIES, "Properties", wxART_REPORT_VIEW},
                          {0, nullptr, {}},
                          {ID_CONTROL_START, "Start", wxART_GO_FORWARD},
                          {ID_CONTROL_STOP, "Stop", wxART_CROSS_MARK},
                          {0, nullptr, {}},
                          {ID_SCAN_UPLOAD_ALL, "Upload All", wxART_GO_DOWN},
                          {ID_SCAN_UPLOAD_NEW, "Upload New", wxART_GOTO_LAST},
                          {ID_DELETE_NODE, "Delete node", wxART_DELETE},
                          {0, nullptr, {}},
                          {ID_CONTROL_MONITOR, "Monitor", wxART_FIND, wxITEM_CHECK}};

struct ToolBarDef {
  const char* pane;
  const Tool* tools;
  size_t count;
};
const ToolBarDef kToolBars[] = {{kPaneStandard, kStandardTools, std::size(kStandardTools)},
                                {kPaneOpcServer, kOpcTools, std::size(kOpcTools)}};

const ToolBarDef* FindToolBar(const std::string& pane) {
  for (const ToolBarDef& bar : kToolBars) {
    if (pane == bar.pane) return &bar;
  }
  return nullptr;
}

std::set<int> CommandsOf(const ToolBarDef& bar) {
  std::set<int> commands;
  for (size_t i = 0; i < bar.count; ++i) {
    if (bar.tools[i].command != 0) commands.insert(bar.tools[i].command);
  }
  return commands;
}

wxColour Colour(std::uint32_t rgb) { return wxColour((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// The tool bars' background and highlight in the look's colours.
class CLookToolBarArt : public wxAuiGenericToolBarArt {
 public:
  CLookToolBarArt(const wxColour& base, const wxColour& highlight) {
    m_baseColour = base;
    m_highlightColour = highlight;
  }
  wxAuiToolBarArt* Clone() override {
    auto* art = new CLookToolBarArt(m_baseColour, m_highlightColour);
    art->SetFlags(m_flags);
    art->SetTextOrientation(m_textOrientation);
    return art;
  }
};

}  // namespace

CMainFrame::CMainFrame(CTessalyApp& app)
    : wxFrame(nullptr, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(1200, 800)), m_app(app), m_statusTimer(this) {
  m_mgr.SetManagedWindow(this);
  m_hWnd = CreateMessageWindow(&CMainFrame::WindowProc, this);
  m_app.m_hMainWnd = m_hWnd;
  m_handled = {ID_VIEW_NODE_TAG,        ID_VIEW_GROUP_ITEM_DIAGNOSIS, ID_APP_ABOUT,        ID_APP_EXIT,
               ID_VIEW_STATUS_BAR,      ID_VIEW_TOOLBAR_STANDARD,
               ID_VIEW_TOOLBAR_OPC,     ID_VIEW_PANE_OUTPUT,          ID_VIEW_PANE_PROPERTIES,
               ID_VIEW_PANE_SHORTCUTS,  ID_VIEW_CUSTOMIZE};
  for (int id = ID_VIEW_APPLOOK_FIRST; id <= ID_VIEW_APPLOOK_LAST; ++id) m_handled.insert(id);

  UpdateTitle();
  CreateMenus();
  CreateToolBars();
  CreateStatusBar(4);
  FitStatusPanes();
  SetIcons(CShellIcons::FrameIcons());
  CreatePanes();
  OnSetAppLook(m_app.m_nAppLook);
  m_mgr.Update();
  m_pGuiLinks = std::make_unique<CLonGuiLinksWx>(this);
  m_pGuiLinks->m_showPropertiesPane = [this] {
    m_mgr.GetPane(kPaneProperties).Show();
    m_mgr.Update();
  };
  m_pGuiLinksScope = std::make_unique<CScopedLonGuiLinks>(m_pGuiLinks.get());

  Bind(wxEVT_MENU, &CMainFrame::OnCommand, this);
  Bind(wxEVT_TOOL, &CMainFrame::OnCommand, this);
  Bind(wxEVT_BUTTON, &CMainFrame::OnCommand, this);
  Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateCommand, this);
  Bind(wxEVT_CLOSE_WINDOW, &CMainFrame::OnClose, this);
  Bind(wxEVT_MENU_OPEN, [this](wxMenuEvent& event) {
    UpdateRecentFileMenu();
    event.Skip();
  });
  // A project dropped on the window opens as File/Open would open it.
  DragAcceptFiles(true);
  Bind(wxEVT_DROP_FILES, &CMainFrame::OnDropFiles, this);
  Bind(wxEVT_TIMER, &CMainFrame::OnStatusTimer, this, m_statusTimer.GetId());
  UpdateStatusPanes();
  m_statusTimer.Start(500);
  SetDocHost(this);
}

CMainFrame::~CMainFrame() {
  m_pGuiLinksScope.reset();
  if (GetDocHost() == this) SetDocHost(nullptr);
  m_statusTimer.Stop();
  m_mgr.UnInit();
  if (m_app.m_hMainWnd == m_hWnd) m_app.m_hMainWnd = nullptr;
  DestroyWindow(m_hWnd);
}

void CMainFrame::CreateMenus() {
  auto* file = new wxMenu;
  file->Append(WxIdOfCommand(ID_FILE_NEW), "&New\tCtrl+N");
  file->Append(WxIdOfCommand(ID_FILE_OPEN), "&Open...\tCtrl+O");
  file->Append(WxIdOfCommand(ID_FILE_SAVE), "&Save\tCtrl+S");
  file->Append(WxIdOfCommand(ID_FILE_SAVE_AS), "Save &As...");
  file->Append(WxIdOfCommand(ID_FILE_IMPORT), "Import...");
  file->AppendSeparator();
  file->Append(WxIdOfCommand(ID_FILE_MRU_FILE1), "Recent File");
  file->AppendSeparator();
  m_pFileMenu = file;
  file->Append(WxIdOfCommand(ID_APP_EXIT), "E&xit");

  auto* edit = new wxMenu;
  edit->Append(WxIdOfCommand(ID_EDIT_UNDO), "&Undo\tCtrl+Z");
  edit->AppendSeparator();
  edit->Append(WxIdOfCommand(ID_EDIT_CUT), "Cu&t\tCtrl+X");
  edit->Append(WxIdOfCommand(ID_EDIT_COPY), "&Copy\tCtrl+C");
  edit->Append(WxIdOfCommand(ID_EDIT_PASTE), "&Paste\tCtrl+V");
  edit->AppendSeparator();
  edit->Append(WxIdOfCommand(ID_EDIT_PROPERTIES), "P&roperties\tCtrl+Enter");

  auto* scan = new wxMenu;
  scan->Append(WxIdOfCommand(ID_SCAN_UPLOAD_ALL), "Upload &All");
  scan->Append(WxIdOfCommand(ID_SCAN_UPLOAD_NEW), "Upload &New");
  auto* control = new wxMenu;
  control->Append(WxIdOfCommand(ID_CONTROL_START), "&Start\tF5");
  control->Append(WxIdOfCommand(ID_CONTROL_STOP), "S&top\tShift+F5");
  control->AppendCheckItem(WxIdOfCommand(ID_CONTROL_MONITOR), "&Monitor\tShift+F9");
  control->AppendSubMenu(scan, "S&can");
  control->AppendSeparator();
  control->Append(WxIdOfCommand(ID_CONTROL_OPTIONS), "&Options...");

  auto* diagnosis = new wxMenu;
  diagnosis->Append(WxIdOfCommand(ID_VIEW_NODE_TAG), "Node/Tag\tAlt+0");
  diagnosis->Append(WxIdOfCommand(ID_VIEW_GROUP_ITEM_DIAGNOSIS), "Group/Item Diagnosis\tAlt+1");
  diagnosis->AppendSeparator();
  diagnosis->Append(WxIdOfCommand(ID_NETWORK_INTERFACE_STATUS), "Network interface status");
  diagnosis->Append(WxIdOfCommand(ID_ALL_NODES_STATUS), "All nodes status");
  diagnosis->Append(WxIdOfCommand(ID_VNI_STATISTICS), "VniEngine Statistics");
  diagnosis->Append(WxIdOfCommand(ID_RESET_STATISTIC), "Reset Statistic");
  diagnosis->AppendSeparator();
  diagnosis->Append(WxIdOfCommand(ID_DIAGNOSIS_OPTIONS), "Options\tAlt+F7");

  auto* bars = new wxMenu;
  bars->AppendCheckItem(WxIdOfCommand(ID_VIEW_TOOLBAR_STANDARD), Text(IDS_TOOLBAR_STANDARD));
  bars->AppendCheckItem(WxIdOfCommand(ID_VIEW_TOOLBAR_OPC), "OPC Server");
  bars->AppendSeparator();
  bars->AppendCheckItem(WxIdOfCommand(ID_VIEW_PANE_SHORTCUTS), "Shortcuts");
  bars->AppendCheckItem(WxIdOfCommand(ID_VIEW_PANE_OUTPUT), Text(IDS_OUTPUT_WND));
  bars->AppendCheckItem(WxIdOfCommand(ID_VIEW_PANE_PROPERTIES), Text(IDS_PROPERTIES_WND));
  bars->AppendSeparator();
  bars->Append(WxIdOfCommand(ID_VIEW_CUSTOMIZE), Text(IDS_TOOLBAR_CUSTOMIZE));
  auto* looks = new wxMenu;
  for (int id = ID_VIEW_APPLOOK_FIRST; id <= ID_VIEW_APPLOOK_LAST; ++id) {
    looks->AppendRadioItem(WxIdOfCommand(id), wxString(CAppLook::ForId(id).m_pszName));
  }
  auto* view = new wxMenu;
  view->AppendSubMenu(bars, "&Toolbars and Docking Windows");
  view->AppendCheckItem(WxIdOfCommand(ID_VIEW_STATUS_BAR), "&Status Bar");
  view->AppendSubMenu(looks, "&Application Look");

  auto* help = new wxMenu;
  help->Append(WxIdOfCommand(ID_APP_ABOUT), "&About Tessaly...");
  help->Append(WxIdOfCommand(ID_HELP_ABOUT_KESTRUM), "About Kestrum");
  help->Append(WxIdOfCommand(ID_HELP_KURZREFERENZ), "Kurzreferenz");

  auto* bar = new wxMenuBar;
  bar->Append(file, "&File");
  bar->Append(edit, "&Edit");
  bar->Append(control, "&Control");
  bar->Append(diagnosis, "&Diagnosis");
  bar->Append(view, "&View");
  bar->Append(help, "&Help");
  SetMenuBar(bar);
  UpdateRecentFileMenu();
}

void CMainFrame::UpdateRecentFileMenu() {
  // The list's entries in place of the first entry's item, newest first; "Recent File",
  // disabled, while the list is empty.
  CDocManager* manager = AfxGetDocManager();
  CRecentFileList* list = manager != nullptr ? manager->GetRecentFileList() : nullptr;
  const int count = list != nullptr ? list->GetCount() : 0;
  size_t position = 0;
  if (m_pFileMenu->FindChildItem(WxIdOfCommand(ID_FILE_MRU_FILE1), &position) == nullptr) return;
  for (int i = 0; i < kRecentFiles; ++i) {
    if (m_pFileMenu->FindItem(WxIdOfCommand(ID_FILE_MRU_FILE1 + i)) != nullptr) m_pFileMenu->Delete(WxIdOfCommand(ID_FILE_MRU_FILE1 + i));
  }
  if (count == 0) {
    m_pFileMenu->Insert(position, WxIdOfCommand(ID_FILE_MRU_FILE1), "Recent File");
    return;
  }
  for (int i = 0; i < count && i < kRecentFiles; ++i) {
    // A path's own "&" is no mnemonic.
    wxString path((*list)[i].GetString());
    path.Replace("&", "&&");
    m_pFileMenu->Insert(position + static_cast<size_t>(i), WxIdOfCommand(ID_FILE_MRU_FILE1 + i),
                        wxString::Format("&%d %s", i + 1, path));
  }
}

void CMainFrame::OnDropFiles(wxDropFilesEvent& event) {
  std::vector<CString> paths;
  for (int i = 0; i < event.GetNumberOfFiles(); ++i) paths.emplace_back(event.GetFiles()[i].wc_str());
  if (m_app.OpenDroppedFiles(paths) != nullptr) SyncWorkspaces();
}

void CMainFrame::CreateToolBars() {
  CRegistryProfile* profile = AfxGetRegistryProfile();
  for (const ToolBarDef& def : kToolBars) {
    auto* bar = new wxAuiToolBar(this, def.tools == kOpcTools ? 311 : wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                 wxAUI_TB_DEFAULT_STYLE | wxAUI_TB_OVERFLOW);
    const wxString caption = def.tools == kOpcTools ? wxString("OPC Server") : Text(IDS_TOOLBAR_STANDARD);
    m_mgr.AddPane(bar, wxAuiPaneInfo().Name(def.pane).Caption(caption).ToolbarPane().Top().Row(0).Position(
                           def.tools == kOpcTools ? 1 : 0));
    if (profile != nullptr) m_hiddenTools[def.pane] = CToolBarCustomization::Load(*profile, wxString(def.pane).wc_str(), CommandsOf(def));
    PopulateToolBar(def.pane);
  }
}

void CMainFrame::PopulateToolBar(const std::string& pane) {
  const ToolBarDef* def = FindToolBar(pane);
  auto* bar = dynamic_cast<wxAuiToolBar*>(m_mgr.GetPane(pane).window);
  if (def == nullptr || bar == nullptr) return;
  const std::set<int>& hidden = m_hiddenTools[pane];
  bar->ClearTools();
  bool separator = false;
  for (size_t i = 0; i < def->count; ++i) {
    const Tool& tool = def->tools[i];
    if (tool.command == 0) {
      separator = bar->GetToolCount() > 0;
    } else if (hidden.count(tool.command) == 0) {
      if (separator) bar->AddSeparator();
      separator = false;
      bar->AddTool(WxIdOfCommand(tool.command), tool.label,
                   wxArtProvider::GetBitmap(tool.art, wxART_TOOLBAR, wxSize(16, 16)), tool.label, tool.kind);
    }
  }
  // The overflow menu offers the customisation too.
  wxAuiToolBarItemArray prepend, append;
  wxAuiToolBarItem customize;
  customize.SetKind(wxITEM_NORMAL);
  customize.SetId(WxIdOfCommand(ID_VIEW_CUSTOMIZE));
  customize.SetLabel(Text(IDS_TOOLBAR_CUSTOMIZE));
  append.Add(customize);
  bar->SetCustomOverflowItems(prepend, append);
  bar->Realize();
  m_mgr.GetPane(pane).BestSize(bar->GetBestSize()).MinSize(bar->GetMinSize());
}

void CMainFrame::SetHiddenTools(const std::string& bar, const std::set<int>& hidden) {
  const ToolBarDef* def = FindToolBar(bar);
  if (def == nullptr) return;
  std::set<int> kept;
  const std::set<int> commands = CommandsOf(*def);
  for (int command : hidden) {
    if (commands.count(command) != 0) kept.insert(command);
  }
  m_hiddenTools[bar] = kept;
  if (CRegistryProfile* profile = AfxGetRegistryProfile()) {
    CToolBarCustomization::Store(*profile, wxString(bar).wc_str(), kept);
  }
  PopulateToolBar(bar);
  m_mgr.Update();
}

void CMainFrame::ShowCustomizeDialog() {
  // One check box per button of both bars, checked while the button is shown.
  wxArrayString labels;
  std::vector<std::pair<std::string, int>> entries;
  wxArrayInt shown;
  for (const ToolBarDef& def : kToolBars) {
    const wxString caption = m_mgr.GetPane(def.pane).caption;
    for (size_t i = 0; i < def.count; ++i) {
      if (def.tools[i].command == 0) continue;
      if (m_hiddenTools[def.pane].count(def.tools[i].command) == 0) shown.Add(static_cast<int>(labels.size()));
      labels.Add(caption + ": " + def.tools[i].label);
      entries.emplace_back(def.pane, def.tools[i].command);
    }
  }
  wxMultiChoiceDialog dialog(this, "Buttons shown on the tool bars:", Text(IDS_TOOLBAR_CUSTOMIZE).BeforeFirst('.'),
                             labels);
  dialog.SetSelections(shown);
  // Every button in view at once.
  dialog.SetSize(FromDIP(wxSize(320, 520)));
  if (dialog.ShowModal() != wxID_OK) return;
  std::set<int> checked;
  for (int index : dialog.GetSelections()) checked.insert(index);
  std::map<std::string, std::set<int>> hidden;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (checked.count(static_cast<int>(i)) == 0) hidden[entries[i].first].insert(entries[i].second);
  }
  for (const ToolBarDef& def : kToolBars) SetHiddenTools(def.pane, hidden[def.pane]);
}

void CMainFrame::CreatePanes() {
  m_pNotebook = new wxAuiNotebook(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                  wxAUI_NB_TOP | wxAUI_NB_TAB_MOVE | wxAUI_NB_SCROLL_BUTTONS);
  m_mgr.AddPane(m_pNotebook, wxAuiPaneInfo().Name("Workspaces").CenterPane().PaneBorder(false));

  // The outlook bar: one page "Views" with the two workspaces.
  auto* shortcuts = new wxPanel(this, 315);
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(new wxStaticText(shortcuts, wxID_ANY, "Views"), 0, wxALL, 4);
  auto* configuration = new wxButton(shortcuts, WxIdOfCommand(ID_VIEW_NODE_TAG), "Configuration");
  configuration->SetBitmap(wxArtProvider::GetBitmap(wxART_EXECUTABLE_FILE, wxART_BUTTON, wxSize(32, 32)), wxTOP);
  auto* diagnostics = new wxButton(shortcuts, WxIdOfCommand(ID_VIEW_GROUP_ITEM_DIAGNOSIS), "OPC Dignostics");
  diagnostics->SetBitmap(wxArtProvider::GetBitmap(wxART_HARDDISK, wxART_BUTTON, wxSize(32, 32)), wxTOP);
  sizer->Add(configuration, 0, wxEXPAND | wxALL, 4);
  sizer->Add(diagnostics, 0, wxEXPAND | wxALL, 4);
  shortcuts->SetSizer(sizer);
  m_mgr.AddPane(shortcuts, wxAuiPaneInfo().Name(kPaneShortcuts).Caption("Shortcuts").Left().BestSize(150, 150).MinSize(150, 100));

  m_pOutput = new COutputWnd(this, []() -> std::optional<COutputSettings> {
    CDoc* doc = CDoc::GetDoc();
    if (doc == nullptr) return std::nullopt;
    COutputSettings settings;
    settings.nProtocolMask = doc->m_settings.Protocol.load();
    settings.nLinesMax = doc->m_settings.ProtocolLinesMax;
    settings.nLinesDiff = doc->m_settings.ProtocolLinesDiff;
    settings.bSaveLog = doc->m_settings.saveLog;
    if (settings.bSaveLog) settings.strSaveLogPath = CDoc::MakeDatedFileName();
    return settings;
  });
  const bool hiColor = m_app.m_bHiColorIcons != FALSE;
  m_mgr.AddPane(m_pOutput, wxAuiPaneInfo().Name(kPaneOutput).Caption(Text(IDS_OUTPUT_WND)).Bottom().BestSize(100, 180).MinSize(100, 100)
                               .Icon(CShellIcons::PaneIcon(hiColor ? CShellIcons::IDI_OUTPUT_WND_HC : CShellIcons::IDI_OUTPUT_WND)));
  m_pProperties = new CPropertiesWnd(this, [this]() -> CViewItemProperties* {
    // The diagnostics workspace knows which of its sides has the focus; the configuration
    // workspace's active view is its frame's.
    const int selection = m_pNotebook->GetSelection();
    if (selection != wxNOT_FOUND) {
      auto* page = dynamic_cast<CSplitChildFrame*>(m_pNotebook->GetPage(static_cast<size_t>(selection)));
      if (CViewItemProperties* properties = page != nullptr ? page->GetActiveViewProperties() : nullptr)
        return properties;
    }
    CFrameWnd* frame = GetActiveFrameWnd();
    return frame != nullptr ? dynamic_cast<CViewItemProperties*>(frame->GetActiveView()) : nullptr;
  });
  m_mgr.AddPane(m_pProperties,
                wxAuiPaneInfo().Name(kPaneProperties).Caption(Text(IDS_PROPERTIES_WND)).Right().BestSize(250, 200).MinSize(200, 200)
                    .Icon(CShellIcons::PaneIcon(hiColor ? CShellIcons::IDI_PROPERTIES_WND_HC : CShellIcons::IDI_PROPERTIES_WND)));
}

void CMainFrame::UpdateTitle() {
  const wxString title(m_app.GetMainFrameTitle().GetString());
  CDoc* doc = CDoc::GetDoc();
  SetTitle(doc == nullptr ? title : wxString(doc->GetTitle().GetString()) + " - " + title);
}

CFrameWnd* CMainFrame::GetActiveFrameWnd() {
  CDoc* doc = CDoc::GetDoc();
  const int selection = m_pNotebook->GetSelection();
  if (doc == nullptr || selection == wxNOT_FOUND) return nullptr;
  auto* page = dynamic_cast<CSplitChildFrame*>(m_pNotebook->GetPage(static_cast<size_t>(selection)));
  const std::vector<CFrameWnd*> frames = doc->GetFrames();
  if (page == nullptr || std::find(frames.begin(), frames.end(), page->m_pFrameWnd) == frames.end()) return nullptr;
  return page->m_pFrameWnd;
}

void CMainFrame::PrepareRoute() {
  CFrameWnd* frame = GetActiveFrameWnd();
  CView* view = frame != nullptr ? frame->GetActiveView() : nullptr;
  m_router.SetActiveView(view);
  m_router.SetFrame(frame);
  m_router.SetApplication(view == nullptr ? CDoc::GetDoc() : nullptr);
}

void CMainFrame::SyncWorkspaces() {
  CDoc* doc = CDoc::GetDoc();
  const std::vector<CFrameWnd*> frames = doc != nullptr ? doc->GetFrames() : std::vector<CFrameWnd*>();
  std::vector<CFrameWnd*> shown;
  for (size_t i = m_pNotebook->GetPageCount(); i-- > 0;) {
    auto* page = dynamic_cast<CSplitChildFrame*>(m_pNotebook->GetPage(i));
    if (page == nullptr) continue;
    if (std::find(frames.begin(), frames.end(), page->m_pFrameWnd) == frames.end()) {
      m_pNotebook->DeletePage(i);
    } else {
      shown.push_back(page->m_pFrameWnd);
    }
  }
  for (CFrameWnd* frame : frames) {
    if (std::find(shown.begin(), shown.end(), frame) != shown.end()) continue;
    CSplitChildFrame* page = nullptr;
    if (frame->GetResourceID() == IDR_DIAGNOSTICS) {
      page = new CGroupItemChildFrame(m_pNotebook);
    } else {
      page = new COpcMainChildFrame(m_pNotebook, frame);
    }
    page->m_pFrameWnd = frame;
    const size_t number = m_pNotebook->GetPageCount() + 1;
    m_pNotebook->AddPage(page, wxString(doc->GetTitle().GetString()) + wxString::Format(":%zu", number), true);
  }
  // A save under another name renames the pages.
  for (size_t i = 0; doc != nullptr && i < m_pNotebook->GetPageCount(); ++i) {
    const wxString text = m_pNotebook->GetPageText(i);
    const wxString number = text.AfterLast(':');
    if (text.Contains(":")) m_pNotebook->SetPageText(i, wxString(doc->GetTitle().GetString()) + ":" + number);
  }
  UpdateTitle();
  UpdateRecentFileMenu();
}

CSplitChildFrame* CMainFrame::SelectPage(const std::function<bool(CSplitChildFrame*)>& wanted) {
  for (size_t i = 0; i < m_pNotebook->GetPageCount(); ++i) {
    auto* page = dynamic_cast<CSplitChildFrame*>(m_pNotebook->GetPage(i));
    if (page != nullptr && wanted(page)) {
      m_pNotebook->SetSelection(i);
      return page;
    }
  }
  return nullptr;
}

CSplitChildFrame* CMainFrame::ShowWorkspace(int templateId) {
  CDoc* doc = CDoc::GetDoc();
  CDocManager* manager = AfxGetDocManager();
  if (doc == nullptr || manager == nullptr) return nullptr;
  SyncWorkspaces();
  if (CSplitChildFrame* page = SelectPage([templateId](CSplitChildFrame* p) { return p->GetTemplateId() == templateId; })) {
    return page;
  }
  CDocTemplate* docTemplate = manager->FindTemplate(static_cast<UINT>(templateId));
  CFrameWnd* frame = docTemplate != nullptr ? docTemplate->CreateNewFrame(doc) : nullptr;
  if (frame == nullptr) return nullptr;
  frame->InitialUpdateFrame();
  SyncWorkspaces();
  return SelectPage([frame](CSplitChildFrame* p) { return p->m_pFrameWnd == frame; });
}

void CMainFrame::OnSetAppLook(int look) {
  wxBusyCursor wait;
  ApplyLook(look);
  m_app.WriteAppLook(look);
  Refresh();
}

void CMainFrame::ApplyLook(int id) {
  const CAppLook& look = CAppLook::ForId(id);
  wxAuiDockArt* art = m_mgr.GetArtProvider();
  art->SetColour(wxAUI_DOCKART_BACKGROUND_COLOUR, Colour(look.m_background));
  art->SetColour(wxAUI_DOCKART_SASH_COLOUR, Colour(look.m_background));
  art->SetColour(wxAUI_DOCKART_ACTIVE_CAPTION_COLOUR, Colour(look.m_activeCaption));
  art->SetColour(wxAUI_DOCKART_ACTIVE_CAPTION_GRADIENT_COLOUR, Colour(look.m_activeCaptionGradient));
  art->SetColour(wxAUI_DOCKART_ACTIVE_CAPTION_TEXT_COLOUR, Colour(look.m_activeCaptionText));
  art->SetColour(wxAUI_DOCKART_INACTIVE_CAPTION_COLOUR, Colour(look.m_inactiveCaption));
  art->SetColour(wxAUI_DOCKART_INACTIVE_CAPTION_GRADIENT_COLOUR, Colour(look.m_inactiveCaptionGradient));
  art->SetColour(wxAUI_DOCKART_INACTIVE_CAPTION_TEXT_COLOUR, Colour(look.m_inactiveCaptionText));
  art->SetMetric(wxAUI_DOCKART_GRADIENT_TYPE, look.m_gradient == CAppLook::GradientNone       ? wxAUI_GRADIENT_NONE
                                              : look.m_gradient == CAppLook::GradientVertical ? wxAUI_GRADIENT_VERTICAL
                                                                                              : wxAUI_GRADIENT_HORIZONTAL);
  // Smart docking: the dragged pane's place shows as a transparent hint.
  unsigned int flags = m_mgr.GetFlags() & ~(wxAUI_MGR_TRANSPARENT_HINT | wxAUI_MGR_VENETIAN_BLINDS_HINT | wxAUI_MGR_RECTANGLE_HINT);
  m_mgr.SetFlags(flags | (look.m_bSmartDocking ? wxAUI_MGR_TRANSPARENT_HINT : wxAUI_MGR_RECTANGLE_HINT));
  auto* tabs = new wxAuiGenericTabArt;
  tabs->SetColour(Colour(look.m_background));
  tabs->SetActiveColour(Colour(look.m_activeCaptionGradient));
  m_pNotebook->SetArtProvider(tabs);
  for (const ToolBarDef& def : kToolBars) {
    if (auto* bar = dynamic_cast<wxAuiToolBar*>(m_mgr.GetPane(def.pane).window)) {
      bar->SetArtProvider(new CLookToolBarArt(Colour(look.m_background), Colour(look.m_highlight)));
      bar->Refresh();
    }
  }
  m_mgr.Update();
}

void CMainFrame::ShowOptions(int page) {
  CDoc* doc = CDoc::GetDoc();
  COptionsDlg dialog(this, page, m_app.m_nStartMode, doc != nullptr && doc->IsConnected());
  dialog.ShowModal();
}

void CMainFrame::ShowAbout() {
  CAboutDlg dialog(this);
  dialog.ShowModal();
}

void CMainFrame::UpdateStatusPanes() {
  SetStatusText(wxString(CTessalyApp::GetClientsPaneText().GetString()), 2);
  PrepareRoute();
  CCmdUI pane(ID_INDICATOR_TXTIMER);
  m_router.UpdateUI(pane);
  SetStatusText(wxString(pane.m_strText.GetString()), 3);
  FitStatusPanes();
}

void CMainFrame::FitStatusPanes() {
  // The system's widths at least; a pane grows to its longest text so far and never shrinks, so
  // the panes do not jump as the counters change.
  wxStatusBar* status = GetStatusBar();
  if (status == nullptr) return;
  static const int kWidths[] = {-1, 200, 300, 250};
  bool changed = false;
  std::vector<int> widths(std::begin(kWidths), std::end(kWidths));
  for (int i = 1; i < status->GetFieldsCount() && i < static_cast<int>(widths.size()); ++i) {
    const wxString text = status->GetStatusText(i);
    // The pane's border and the text's margins on both sides.
    const int wanted = text.empty() ? 0 : status->GetTextExtent(text).GetWidth() + 2 * status->GetBorderX() + 24;
    const int current = status->GetStatusWidth(i);
    widths[static_cast<size_t>(i)] = std::max({widths[static_cast<size_t>(i)], wanted, current > 0 ? current : 0});
    if (widths[static_cast<size_t>(i)] != current) changed = true;
  }
  if (changed) status->SetStatusWidths(static_cast<int>(widths.size()), widths.data());
}

void CMainFrame::OnStatusTimer(wxTimerEvent&) { UpdateStatusPanes(); }

bool CMainFrame::IsCommandEnabled(int id) {
  wxUpdateUIEvent state(WxIdOfCommand(id));
  OnUpdateCommand(state);
  return !state.GetSetEnabled() || state.GetEnabled();
}

void CMainFrame::OnCommand(wxCommandEvent& event) {
  const int id = CommandOfWxId(event.GetId());
  // A disabled command does nothing, however it came (a key pressed before the menus were updated).
  if (!IsCommandEnabled(id)) return;
  if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + kRecentFiles) {
    if (m_app.OpenRecentFile(id - ID_FILE_MRU_FILE1) != nullptr) SyncWorkspaces();
    UpdateRecentFileMenu();
    return;
  }
  if (id >= ID_VIEW_APPLOOK_FIRST && id <= ID_VIEW_APPLOOK_LAST) {
    OnSetAppLook(id);
    return;
  }
  if (const char* pane = PaneOfToggle(id)) {
    wxAuiPaneInfo& info = m_mgr.GetPane(pane);
    info.Show(!info.IsShown());
    m_mgr.Update();
    return;
  }
  switch (id) {
    case ID_VIEW_CUSTOMIZE:
      ShowCustomizeDialog();
      break;
    case ID_VIEW_NODE_TAG:
      ShowWorkspace(IDR_CONFIGURATION);
      break;
    case ID_VIEW_GROUP_ITEM_DIAGNOSIS:
      ShowWorkspace(IDR_DIAGNOSTICS);
      break;
    case ID_APP_ABOUT:
      ShowAbout();
      break;
    case ID_APP_EXIT:
      // The close box's questions, in its order (OnClose).
      Close(false);
      break;
    case ID_FILE_NEW:
      m_app.OnFileNew();
      SyncWorkspaces();
      break;
    case ID_FILE_OPEN:
      OnFileOpen();
      break;
    case ID_VIEW_STATUS_BAR:
      GetStatusBar()->Show(!GetStatusBar()->IsShown());
      SendSizeEvent();
      break;
    default:
      PrepareRoute();
      if (!m_router.Route(static_cast<UINT>(id))) {
        event.Skip();
        break;
      }
      SyncWorkspaces();
      break;
  }
}

void CMainFrame::OnFileOpen() {
  // The framework's file dialog (the toolkit's, through the presenter), then the one-project rule.
  m_app.OnFileOpen();
  SyncWorkspaces();
}

void CMainFrame::OnUpdateCommand(wxUpdateUIEvent& event) {
  const int id = CommandOfWxId(event.GetId());
  if (id == ID_FILE_NEW || id == ID_FILE_OPEN || (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + kRecentFiles)) {
    // The application's commands under the document's rule; the list's placeholder stays grey.
    CDocManager* manager = AfxGetDocManager();
    const bool listed = id < ID_FILE_MRU_FILE1 ||
                        (manager != nullptr && manager->GetRecentFileList() != nullptr &&
                         id - ID_FILE_MRU_FILE1 < manager->GetRecentFileList()->GetCount());
    event.Enable(listed && m_app.CanChangeProject());
    return;
  }
  if (m_handled.count(id) == 0) {
    // Menu and tool bar commands go the document's route; those without a handler stay disabled.
    // Other windows are not ours to judge.
    if (!IsCommandOfTheBars(id)) return;
    PrepareRoute();
    const CCmdUI state = m_router.UpdateUI(static_cast<UINT>(id));
    event.Enable(state.m_bEnabled);
    if (event.IsCheckable()) event.Check(state.m_nCheck == 1);
    return;
  }
  event.Enable(true);
  if (id >= ID_VIEW_APPLOOK_FIRST && id <= ID_VIEW_APPLOOK_LAST) event.Check(id == m_app.m_nAppLook);
  if (const char* pane = PaneOfToggle(id)) event.Check(m_mgr.GetPane(pane).IsShown());
  if (id == ID_VIEW_STATUS_BAR) event.Check(GetStatusBar()->IsShown());
  if ((id == ID_VIEW_NODE_TAG || id == ID_VIEW_GROUP_ITEM_DIAGNOSIS) && CDoc::GetDoc() == nullptr) event.Enable(false);
}

bool CMainFrame::IsCommandOfTheBars(int command) {
  const int id = WxIdOfCommand(command);
  // A submenu's entry is no command: it stays enabled so that its menu opens.
  if (wxMenuItem* item = GetMenuBar() != nullptr ? GetMenuBar()->FindItem(id) : nullptr) return !item->IsSubMenu();
  for (const char* bar : {kPaneStandard, kPaneOpcServer}) {
    auto* toolBar = dynamic_cast<wxAuiToolBar*>(m_mgr.GetPane(bar).window);
    if (toolBar != nullptr && toolBar->FindTool(id) != nullptr) return true;
  }
  return false;
}

void CMainFrame::OnClose(wxCloseEvent& event) {
  // The close box and Exit: the clients' question, then saving changes; either may keep the
  // program running. A close nobody answers for keeps the changes in recovery copies.
  if (event.CanVeto()) {
    if (!m_app.CanExit()) {
      event.Veto();
      return;
    }
  } else {
    m_app.SaveRecoveryCopies();
  }
  CDocManager* manager = AfxGetDocManager();
  if (manager != nullptr) {
    manager->CloseAllDocuments(FALSE);
    SyncWorkspaces();
  }
  Destroy();
}

void CMainFrame::CloseRequested() {
  // A modal dialog or message box open now ends first; the close runs once its loop has returned.
  for (wxWindow* window : wxTopLevelWindows) {
    if (auto* dialog = dynamic_cast<wxDialog*>(window); dialog != nullptr && dialog->IsModal()) {
      dialog->EndModal(wxID_CANCEL);
      CallAfter(&CMainFrame::CloseRequested);
      return;
    }
  }
  Close(true);
}

LRESULT CMainFrame::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<CMainFrame*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProc(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_CLOSE:
      if (!self->m_app.ShouldDropClose()) self->CloseRequested();
      return 0;
    case WM_UPDATE_PROPERTIES:
      self->m_pProperties->RefreshFromActiveView();
      return 1;
    case WM_TIMER:
      if (wParam == kTxTimerId) {
        if (CDoc* doc = CDoc::GetDoc()) doc->AutoAdjustTxTimer();
      }
      return 0;
    default:
      return DefWindowProc(hwnd, message, wParam, lParam);
  }
}

// ---- CDocHost ----
int CMainFrame::GetStartMode() { return m_app.m_nStartMode; }

bool CMainFrame::HasConnectedClients() { return !GetOPCToolkitCtrl().IsEmpty(); }

bool CMainFrame::CanClose() { return m_app.CanClose(); }

CLoggingFile* CMainFrame::GetLogFile() { return &m_app; }

int CMainFrame::GetServerInstance() { return m_app.m_nInstance; }

void CMainFrame::SetLastProjectPath(const CString& path) { m_app.SetLastProjectPath(path); }

int CMainFrame::RunDeviceDialog(CDeviceDialogRecord& record) { return CLonGuiLinksWx::RunDeviceDialog(this, record); }

void CMainFrame::ShowNiStatusSheet(const CString& title, IDispatch* configuration) {
  CLonGuiLinksWx::ShowNiStatusSheet(this, title, configuration);
}

void CMainFrame::ShowVniStatistics(CDoc* doc) { CLonGuiLinksWx::ShowVniStatistics(this, doc); }

// Menu 310: "Device", "Router" and "Tag", the commands enabled and named as the active view says.
void CMainFrame::ShowContextMenu(UINT menuId, int subMenu, POINT point) {
  if (menuId != IDR_TREE_CONTEXT_MENU) return;
  struct Entry {
    UINT command;
    const char* text;
  };
  static const Entry kDevice[] = {{ID_NODE_SHOW_STATUS, "Show status"}, {ID_NODE_ACTIVE, "Set active"},
                                  {ID_NODE_REPLACE, "Replace..."},       {ID_NODE_DELETE, "Delete"},
                                  {0, nullptr},                          {ID_EDIT_PROPERTIES, "Properties...\tCtrl+Enter"}};
  static const Entry kTag[] = {{ID_TAG_CHANGE_VALUE, "Change value..."}, {ID_TAG_MULTIPLE_SETTING, "Multiple setting"},
                               {0, nullptr}, {ID_EDIT_PROPERTIES, "Properties...\tCtrl+Enter"}};
  const Entry* entries = subMenu == 3 ? kTag : kDevice;
  const size_t count = subMenu == 3 ? std::size(kTag) : std::size(kDevice);
  if (subMenu < 1 || subMenu > 3) return;
  wxMenu menu;
  PrepareRoute();
  for (size_t i = 0; i < count; ++i) {
    if (entries[i].command == 0) {
      menu.AppendSeparator();
      continue;
    }
    const CCmdUI state = m_router.UpdateUI(entries[i].command);
    wxString text = state.m_bTextSet ? wxString(state.m_strText.GetString()) : wxString(entries[i].text);
    wxMenuItem* item = menu.Append(WxIdOfCommand(static_cast<int>(entries[i].command)), text);
    item->Enable(state.m_bEnabled);
  }
  PopupMenu(&menu, ScreenToClient(wxPoint(point.x, point.y)));
}
