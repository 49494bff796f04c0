// The main window's menus, bars and panes under Xvfb, checked as a user sees them: the View
// submenus open, a closed pane comes back from them, each look colours the docking art, the
// tool bars show the buttons the user kept, the Output pane's tools are live, the status panes
// hold their text, the Properties pane shows the selected device and tag, and the Options sheet
// names its page and shows the project's database. A screenshot per step goes into the folder
// given as the first argument. Each step waits for what it needs to see, never for time.
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/aui/auibar.h>
#include <wx/aui/dockart.h>
#include <wx/bookctrl.h>
#include <wx/checklst.h>
#include <wx/choicdlg.h>
#include <wx/dcmemory.h>
#include <wx/dialog.h>
#include <wx/generic/prntdlgg.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/utils.h>

#include "app/shell/AppLook.h"
#include "app/shell/ShellCommands.h"
#include "app/wx/CommandIds.h"
#include "app/wx/FileBrowseCtrl.h"
#include "app/wx/MainFrame.h"
#include "app/wx/OptionsDlg.h"
#include "app/wx/OutputWnd.h"
#include "app/wx/PropertiesWnd.h"
#include "app/wx/ProtocolPrintout.h"
#include "app/wx/SplitChildFrame.h"
#include "app/wx/TessalyWxApp.h"
#include "app/wx/tests/WindowTestSteps.h"
#include "lon/NvTreeObject.h"
#include "platform/afx/FrameWnd.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Profile.h"
#include "project/Doc.h"
#include "standins/kestrum/testing/KestrumEnvironment.h"
#include "views/models/DeviceViewModel.h"
#include "views/models/TagViewModel.h"

#include <chrono>
#include <thread>

namespace {

using namespace window_test;

std::vector<std::string> g_asserts;
std::unique_ptr<kestrum::testing::CKestrumEnvironment> g_env;

// The menu bar's items as the frame's update handlers leave them.
wxMenu* ViewMenu(CMainFrame* frame) {
  wxMenuBar* bar = frame->GetMenuBar();
  bar->UpdateMenus();
  return bar->GetMenu(static_cast<size_t>(bar->FindMenu("View")));
}

wxMenuItem* ItemOf(wxMenu* menu, const wxString& label) {
  for (wxMenuItem* item : menu->GetMenuItems()) {
    if (item->GetItemLabelText() == label) return item;
  }
  return nullptr;
}

// What the user's click on a menu item sends.
void Click(CMainFrame* frame, int wxId) {
  wxCommandEvent event(wxEVT_MENU, wxId);
  event.SetEventObject(frame);
  frame->ProcessWindowEvent(event);
}

wxColour Colour(std::uint32_t rgb) { return wxColour((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

void Step(CTessalyWxApp& app, int step);
void Next(CTessalyWxApp& app, int step) {
  wxTheApp->CallAfter([&app, step] { Step(app, step); });
}

void Step(CTessalyWxApp& app, int step) {
  CMainFrame* frame = app.GetMainFrame();
  wxAuiManager& aui = frame->GetAuiManager();
  switch (step) {
    case 0: {
      // The View menu's two submenus open; their entries show what is shown.
      wxMenu* view = ViewMenu(frame);
      wxMenuItem* bars = ItemOf(view, "Toolbars and Docking Windows");
      wxMenuItem* looks = ItemOf(view, "Application Look");
      Expect(bars != nullptr && bars->IsSubMenu() && bars->IsEnabled(), "the Toolbars and Docking Windows submenu is enabled");
      Expect(looks != nullptr && looks->IsSubMenu() && looks->IsEnabled(), "the Application Look submenu is enabled");
      if (bars == nullptr || looks == nullptr) break;
      for (const char* label : {"Standard", "OPC Server", "Shortcuts", "Output", "Properties"}) {
        wxMenuItem* item = ItemOf(bars->GetSubMenu(), label);
        Expect(item != nullptr && item->IsEnabled() && item->IsChecked(), std::string(label) + " is listed, checked");
      }
      wxMenuItem* customize = ItemOf(bars->GetSubMenu(), "Customize...");
      Expect(customize != nullptr && customize->IsEnabled(), "Customize... is offered");
      // The Output pane closed with its X comes back from the submenu.
      aui.ClosePane(aui.GetPane("Output"));
      Expect(!aui.GetPane("Output").IsShown(), "the X closes the Output pane");
      wxMenuItem* output = ItemOf(ViewMenu(frame)->FindItem(bars->GetId())->GetSubMenu(), "Output");
      Expect(output != nullptr && !output->IsChecked(), "its entry is unchecked");
      if (output != nullptr) Click(frame, output->GetId());
      Expect(aui.GetPane("Output").IsShown() && frame->GetOutputWnd()->IsShownOnScreen(), "the entry brings it back");
      // The status bar's entry hides and shows it.
      wxMenuItem* statusBar = ItemOf(ViewMenu(frame), "Status Bar");
      Expect(statusBar != nullptr && statusBar->IsChecked(), "the Status Bar entry is checked");
      if (statusBar != nullptr) {
        Click(frame, statusBar->GetId());
        Expect(!frame->GetStatusBar()->IsShown() && !ItemOf(ViewMenu(frame), "Status Bar")->IsChecked(),
               "it hides the status bar");
        Click(frame, statusBar->GetId());
        Expect(frame->GetStatusBar()->IsShown(), "and shows it again");
      }
      // Icons: the frame's and the panes' 166 and 168.
      Expect(frame->GetIcons().GetIconCount() >= 2, "the frame has its icon");
      Expect(aui.GetPane("Output").icon.IsOk() && aui.GetPane("Properties").icon.IsOk(), "the panes have their icons");
      // Each look colours the docking art and carries the radio mark; the profile keeps it.
      for (int id = CAppLook::kFirst; id <= CAppLook::kLast; ++id) {
        Click(frame, WxIdOfCommand(id));
        const CAppLook& look = CAppLook::ForId(id);
        wxAuiDockArt* art = aui.GetArtProvider();
        Expect(art->GetColour(wxAUI_DOCKART_ACTIVE_CAPTION_COLOUR) == Colour(look.m_activeCaption) &&
                   art->GetColour(wxAUI_DOCKART_BACKGROUND_COLOUR) == Colour(look.m_background) &&
                   art->GetMetric(wxAUI_DOCKART_GRADIENT_TYPE) == static_cast<int>(look.m_gradient),
               "look " + std::to_string(id) + " colours the docking art");
        wxMenuItem* mark = ViewMenu(frame)->FindItem(WxIdOfCommand(id));
        Expect(mark != nullptr && mark->IsChecked(), "look " + std::to_string(id) + " has the radio mark");
        Expect(static_cast<int>(AfxGetRegistryProfile()->GetProfileInt(CTessalyApp::kWorkspaceSection, L"ApplicationLook", 0)) == id,
               "look " + std::to_string(id) + " is stored");
      }
      Click(frame, WxIdOfCommand(216));
      WhenPainted(frame->GetPropertiesWnd()->GetGrid(), [&app, frame] {
        Shot(frame, "01-black-look");
        Click(frame, WxIdOfCommand(214));
        Next(app, 1);
      });
      break;
    }
    case 1: {
      // The customisation of the last run is back: About is hidden.
      auto* standard = dynamic_cast<wxAuiToolBar*>(aui.GetPane("Standard").window);
      Expect(standard != nullptr && standard->FindTool(WxIdOfCommand(ID_APP_ABOUT)) == nullptr &&
                 standard->FindTool(WxIdOfCommand(ID_FILE_NEW)) != nullptr,
             "the Standard bar comes back without About, as left");
      frame->SetHiddenTools("Standard", {});
      // Customize...: unchecking Print hides it on the Standard bar, in the profile too.
      ShootDialog("02-customize", [](wxDialog* dialog) {
        auto* choice = dynamic_cast<wxMultiChoiceDialog*>(dialog);
        Expect(choice != nullptr, "Customize... shows the buttons");
        if (choice == nullptr) {
          dialog->EndModal(wxID_CANCEL);
          return;
        }
        wxCheckListBox* list = nullptr;
        for (wxWindow* child : dialog->GetChildren()) {
          if (auto* found = dynamic_cast<wxCheckListBox*>(child)) list = found;
        }
        Expect(list != nullptr && list->GetCount() == 15 && list->GetString(6) == "Standard: Print" && list->IsChecked(6),
               "one checked box per button, Print among them");
        if (list != nullptr) list->Check(6, false);
        // The OK button: the dialog takes its check boxes, then ends.
        wxCommandEvent ok(wxEVT_BUTTON, wxID_OK);
        ok.SetEventObject(dialog);
        dialog->ProcessWindowEvent(ok);
      });
      frame->ShowCustomizeDialog();
      Expect(standard != nullptr && standard->FindTool(WxIdOfCommand(ID_FILE_PRINT)) == nullptr &&
                 standard->FindTool(WxIdOfCommand(ID_FILE_SAVE)) != nullptr,
             "Print is gone from the Standard bar, Save stays");
      Expect(AfxGetRegistryProfile()->GetProfileString(L"ToolBarCustomization", L"Standard", L"") == L"57607",
             "the profile keeps it");
      frame->SetHiddenTools("Standard", {});
      Expect(standard != nullptr && standard->FindTool(WxIdOfCommand(ID_FILE_PRINT)) != nullptr, "shown again");
      Next(app, 2);
      break;
    }
    case 2: {
      // The Output pane's tool bar is live: its tools follow the text.
      COutputWnd* output = frame->GetOutputWnd();
      Expect(output->IsCommandEnabled(ID_OUTPUT_CLEAR_ALL) && output->GetToolBar()->IsEnabled(), "Clear all is enabled");
      Expect(output->IsCommandEnabled(ID_OUTPUT_SAVE) && output->IsCommandEnabled(ID_FILE_PRINT), "Save and Print are enabled");
      Expect(output->IsCommandEnabled(ID_OUTPUT_PROTOCOLING), "Protocoling is enabled");
      Expect(!output->IsCommandEnabled(ID_EDIT_COPY), "Copy waits for a selection");
      for (int command : {ID_OUTPUT_CLEAR_ALL, ID_EDIT_COPY, ID_FILE_PRINT, ID_OUTPUT_SAVE, ID_OUTPUT_PROTOCOLING}) {
        const wxRect rect = output->GetToolBar()->GetCommandRect(command);
        Expect(!rect.IsEmpty() && output->GetToolBar()->GetClientRect().Contains(rect.GetPosition()),
               "tool " + std::to_string(command) + " shows on the Output pane's bar");
      }
      Expect(output->GetToolBar()->IsCommandChecked(ID_OUTPUT_PROTOCOLING), "Protocoling is checked while it runs");
      output->GetTextCtrl()->SelectAll();
      Expect(output->IsCommandEnabled(ID_EDIT_COPY), "a selection enables Copy");
      // Save writes the pane's text as UTF-16 without a byte-order mark.
      const std::string path = g_shots + "/output.txt";
      output->RunCommand(ID_OUTPUT_SAVE, wxString(path));
      std::ifstream saved(path, std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
      Expect(bytes.size() > 4 && bytes[0] == 'T' && bytes[1] == '\0', "Save writes the text as UTF-16");
      // Print: the text's lines on pages of a printer's size.
      std::vector<wxString> lines(300, wxString("00:00:00.000 01/01/24\tA line of the protocol"));
      CProtocolPrintout printout(lines);
      wxBitmap page(850, 1100);
      wxMemoryDC dc(page);
      printout.SetDC(&dc);
      printout.SetPageSizePixels(850, 1100);
      printout.SetPaperRectPixels(wxRect(0, 0, 850, 1100));
      printout.SetPPIScreen(96, 96);
      printout.SetPPIPrinter(96, 96);
      printout.SetPageSizeMM(216, 279);
      printout.OnPreparePrinting();
      Expect(printout.GetPageCount() > 1 && printout.HasPage(printout.GetPageCount()) &&
                 !printout.HasPage(printout.GetPageCount() + 1),
             "300 lines print on " + std::to_string(printout.GetPageCount()) + " pages");
      Expect(printout.OnPrintPage(1), "the first page prints");
      dc.SelectObject(wxNullBitmap);
      // Print asks in wx's print dialog; Cancel prints nothing and says nothing.
      bool asked = false;
      ShootDialog("03-print", [&asked](wxDialog* dialog) {
        asked = dynamic_cast<wxGenericPrintDialog*>(dialog) != nullptr;
        dialog->EndModal(wxID_CANCEL);
      });
      const size_t boxes = g_env->Prompts().Texts().size();
      output->RunCommand(ID_FILE_PRINT);
      Expect(asked && g_env->Prompts().Texts().size() == boxes, "Print shows the print dialog; Cancel says nothing");
      // To a file: the pages as PostScript.
      const std::string ps = g_shots + "/output.ps";
      std::remove(ps.c_str());
      output->RunCommand(ID_FILE_PRINT, wxString(ps));
      std::ifstream printed(ps, std::ios::binary);
      std::string head(4, '\0');
      printed.read(head.data(), 4);
      Expect(head == "%!PS", "Print to a file writes PostScript");
      output->RunCommand(ID_OUTPUT_CLEAR_ALL);
      Expect(output->GetModel().GetLines().size() == 1 && output->GetTextCtrl()->GetValue().StartsWith("Output window cleared."),
             "Clear all leaves its one line");
      WhenPainted(frame->GetPropertiesWnd()->GetGrid(), [&app, frame] {
        Shot(frame, "03-output-tools");
        Next(app, 3);
      });
      break;
    }
    case 3: {
      // The network started: the status panes hold their texts whole.
      CDoc* doc = CDoc::GetDoc();
      Expect(doc != nullptr, "Run opened a project");
      if (doc == nullptr) break;
      doc->m_settings.dbpath = g_env->DatabasePath().c_str();
      doc->SelectNetworkInterface(L"LON1");
      Click(frame, WxIdOfCommand(ID_CONTROL_START));
      Expect(doc->IsConnected(), "Start connects the network");
      frame->UpdateStatusPanes();
      wxStatusBar* status = frame->GetStatusBar();
      for (int i = 1; i < status->GetFieldsCount(); ++i) {
        wxRect field;
        status->GetFieldRect(i, field);
        const wxString text = status->GetStatusText(i);
        Expect(field.GetWidth() > status->GetTextExtent(text).GetWidth(),
               "status pane " + std::to_string(i) + " holds \"" + text.ToStdString() + "\"");
      }
      Expect(status->GetStatusText(3).StartsWith("Late ack's"), "the transmit-timer pane shows");
      Next(app, 4);
      break;
    }
    case 4: {
      // A device selected in the configuration workspace fills the Properties pane.
      CSplitChildFrame* config = frame->ShowWorkspace(IDR_CONFIGURATION);
      CDoc* doc = CDoc::GetDoc();
      auto* devices = config != nullptr ? config->m_pFrameWnd->FindView<CDeviceViewModel>() : nullptr;
      auto* tags = config != nullptr ? config->m_pFrameWnd->FindView<CTagViewModel>() : nullptr;
      Expect(devices != nullptr && tags != nullptr, "the configuration workspace has its views");
      if (devices == nullptr || tags == nullptr || doc == nullptr) break;
      const DeviceAndNv found = FindDeviceWithAnNv(doc->m_pDeviceTree);
      CDefaultObject* node = found.device;
      CDefaultObject* nv = found.nv;
      Expect(node != nullptr, "the demo network has a device with an NV of its own");
      if (node == nullptr) break;
      devices->SelectItem(devices->FindObjectItem(node));
      CPropertiesWnd* properties = frame->GetPropertiesWnd();
      for (const char* domain : {"Domain 0", "Domain 1"}) {
        for (const char* row : {"ID", "Subnet", "Node"}) {
          Expect(properties->FindRow({domain, row}) != nullptr, std::string("the pane shows ") + domain + " / " + row);
        }
      }
      Expect(properties->FindRow({"Misc", "Neuron ID"}) != nullptr, "and the device's Neuron ID");
      Expect(g_asserts.empty(), "without a toolkit assertion");
      Expect(properties->GetManager()->HasFlag(wxPG_DESCRIPTION) && properties->GetManager()->GetDescBoxHeight() > 0 &&
                 properties->GetManager()->GetDescBoxHeight() < properties->GetManager()->GetSize().GetHeight() / 3,
             "the description area shows below a grid that keeps most of the pane");
      // An edit in the grid reaches the device: "Is active" off, then on again.
      for (const bool value : {false, true}) {
        wxPGProperty* active = properties->FindRow({"OPC Specifics", "Is active"});
        Expect(active != nullptr && active->GetValue().GetBool() != value, "the device's Is active row");
        if (active == nullptr) break;
        properties->GetGrid()->ChangePropertyValue(active, value);
        devices->SelectItem(nullptr);
        devices->SelectItem(devices->FindObjectItem(node));
        active = properties->FindRow({"OPC Specifics", "Is active"});
        Expect(active != nullptr && active->GetValue().GetBool() == value,
               std::string("the edit reached the device: Is active ") + (value ? "on" : "off"));
      }
      // The tag view's selection takes over the pane.
      CSuperGridModel::CTreeItem* item = nv != nullptr ? tags->GetList().FindItem(nv) : nullptr;
      Expect(item != nullptr, "an NV of the device is listed");
      if (item == nullptr) break;
      tags->OnItemSelected(item->GetRow());
      Expect(config->m_pFrameWnd->GetActiveView() == tags, "the tag view is the active one");
      Expect(properties->FindRow({"Domain 0"}) == nullptr && !properties->GetModel().GetRows().empty(),
             "the pane shows the NV instead");
      // Sort and Expand all.
      properties->RunCommand(ID_PROPERTIES_SORT);
      Expect(properties->IsAlphabetic() &&
                 properties->GetToolBar()->IsCommandChecked(ID_PROPERTIES_SORT),
             "Sort is checked in alphabetic order");
      properties->RunCommand(ID_PROPERTIES_SORT);
      devices->SelectItem(devices->FindObjectItem(node));
      WhenPainted(properties->GetGrid(), [&app, frame] {
        Shot(frame, "04-device-properties");
        Next(app, 5);
      });
      break;
    }
    case 5: {
      // The Options sheet names its page above it; the Project page shows the database.
      ShootDialog("05-options-project", [](wxDialog* dialog) {
        auto* sheet = dynamic_cast<COptionsDlg*>(dialog);
        Expect(sheet != nullptr, "the Options sheet opens");
        if (sheet == nullptr) {
          dialog->EndModal(wxID_CANCEL);
          return;
        }
        Expect(sheet->GetPageHeader() != nullptr && sheet->GetPageHeader()->IsShownOnScreen() &&
                   sheet->GetPageHeaderText() == "Project",
               "the page header names the Project page");
        auto* database = dynamic_cast<CFileBrowseCtrl*>(sheet->GetBookCtrl()->GetPage(1)->FindWindow(1157));
        Expect(database != nullptr && database->GetTextCtrl()->GetValue() == wxString(g_env->DatabasePath()) &&
                   database->GetBrowseButton() != nullptr,
               "Database: shows the project's database, with Browse");
        sheet->GetBookCtrl()->SetSelection(7);
        Expect(sheet->GetPageHeaderText() == "OPC Events", "and follows the page");
        dialog->EndModal(wxID_CANCEL);
      });
      frame->ShowOptions(1);
      Next(app, 6);
      break;
    }
    case 6:
      frame->Close(true);
      break;
  }
}

}  // namespace

int main(int argc, char** argv) {
  g_shots = argc > 1 ? argv[1] : ".";
  g_env = std::make_unique<kestrum::testing::CKestrumEnvironment>();
  {
    // A customisation left by an earlier run: About hidden on the Standard bar.
    CRegistryProfile profile(L"Tessaly");
    profile.SetRegistryKey(L"Norvane GmbH\\Tessaly");
    profile.WriteProfileString(L"ToolBarCustomization", L"Standard", L"57664");
  }
  // Not saving the changed project at the end.
  g_env->Prompts().Answer({IDNO, IDNO});
  wxSetAssertHandler([](const wxString& file, int line, const wxString& func, const wxString& cond, const wxString& msg) {
    g_asserts.push_back((file + ":" + std::to_string(line) + " " + func + ": " + cond + " " + msg).ToStdString());
    std::printf("assert %s\n", g_asserts.back().c_str());
  });
  RunTheProgram(argv[0], [](CTessalyWxApp& started) { Step(started, 0); });
  g_env.reset();
  Expect(g_asserts.empty(), "no toolkit assertion in the whole run");
  std::printf("%zu failure(s)\n", g_failures.size());
  return g_failures.empty() ? 0 : 1;
}
