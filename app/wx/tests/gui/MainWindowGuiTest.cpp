// The main window as a user drives it: every command of the menu bar, of the "Standard" and "OPC
// Server" tool bars, of the Output pane's and of the Properties pane's tool bars, reached by a real
// click or key press, with what the user then sees: the file Save writes, the question Exit asks,
// a pane closed with its X brought back from the View menu, the Output pane emptied and saved, a
// disabled command doing nothing.
#include <csignal>
#include <cstdlib>
#include <fstream>

#include <algorithm>
#include <memory>

#include <wx/aui/aui.h>
#include <wx/checkbox.h>
#include <wx/dataview.h>
#include <wx/dialog.h>
#include <wx/dnd.h>
#include <wx/filefn.h>
#include <wx/listbook.h>
#include <wx/listctrl.h>
#include <wx/notebook.h>
#include <wx/propgrid/propgrid.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/treectrl.h>

#include "app/shell/ShellCommands.h"
#include "app/wx/FileBrowseCtrl.h"
#include "app/wx/MainFrame.h"
#include "app/wx/OptionsDlg.h"
#include "app/wx/OutputWnd.h"
#include "app/wx/PropertiesWnd.h"
#include "app/wx/SplitChildFrame.h"
#include "app/wx/tests/gui/GuiHarness.h"
#include "project/Doc.h"

using tessaly::gui::CGuiTest;

namespace {

int Count(const wxString& text, const wxString& part) {
  int n = 0;
  for (size_t at = text.find(part); at != wxString::npos; at = text.find(part, at + part.length())) ++n;
  return n;
}

// The text with its line ends as one kind and without a last one.
wxString Lines(wxString text) {
  text.Replace("\r\n", "\n");
  while (text.EndsWith("\n")) text.RemoveLast();
  return text;
}

}  // namespace

int main() {
  CGuiTest t("app_wx_gui_main_window");
  auto frame = [&t] { return t.Frame(); };
  auto pane = [&t](const char* name) -> wxWindow* { return t.Frame()->GetAuiManager().GetPane(name).window; };
  auto standard = [pane] { return pane("Standard"); };
  auto opc = [pane] { return pane("OPC Server"); };
  auto output = [&t] { return t.Frame()->GetOutputWnd()->GetTextCtrl()->GetValue(); };
  auto outputBar = [&t] { return CGuiTest::ToolBarIn(t.Frame()->GetOutputWnd()); };
  auto propertiesBar = [&t] { return CGuiTest::ToolBarIn(t.Frame()->GetPropertiesWnd()); };
  auto workspace = [&t]() -> int {
    wxAuiNotebook* book = t.Frame()->GetNotebook();
    const int selection = book->GetSelection();
    auto* page = selection < 0 ? nullptr : dynamic_cast<CSplitChildFrame*>(book->GetPage(static_cast<size_t>(selection)));
    return page != nullptr && CGuiTest::OnScreen(page) ? page->GetTemplateId() : 0;
  };
  auto devices = [&t]() -> wxTreeCtrl* {
    for (size_t i = 0; i < t.Frame()->GetNotebook()->GetPageCount(); ++i) {
      auto* page = dynamic_cast<CSplitChildFrame*>(t.Frame()->GetNotebook()->GetPage(i));
      if (page != nullptr && page->GetTemplateId() == IDR_CONFIGURATION) return CGuiTest::Find<wxTreeCtrl>(page);
    }
    return nullptr;
  };
  auto started = [&] {
    return !CGuiTest::ToolEnabled(opc(), "Start") && CGuiTest::ToolEnabled(opc(), "Stop");
  };
  auto stopped = [&] {
    return CGuiTest::ToolEnabled(opc(), "Start") && !CGuiTest::ToolEnabled(opc(), "Stop");
  };
  auto quiet = [&t] { return !t.AnyMenuShown() && !t.AnyDialogShown(); };
  auto monitoring = [] { return CDoc::GetDoc() != nullptr && CDoc::GetDoc()->m_bMonitoring != 0; };
  int startLines = 0;
  size_t treeItems = 0;

  // ---------------------------------------------------------------------------------------------
  t.Section("the program starts on the demo project");
  t.Step("started", nullptr, [&] { return CGuiTest::OnScreen(frame()) && frame()->GetTitle().StartsWith("demo.tdbx"); },
         "the main window titled with the project");
  t.Check("the network is not started", stopped);

  // ---------------------------------------------------------------------------------------------
  t.Section("Help");
  t.Keys("alt+h", 'H', wxMOD_ALT, [&t] { return t.MenuShown({"Help"}); }, "the Help menu on the screen");
  t.KeysHere("a: About Tessaly", 'A', 0, [&t] { return t.WxDialogReady("About Tarn OPC Server"); }, "the About box");
  t.KeysHere("enter closes it", WXK_RETURN, 0, quiet, "the About box closed");
  t.OpenMenu("look at the Help menu", {"Help"});
  t.Check("Kurzreferenz has no handler: disabled", [&t] { return !t.MenuItemEnabled({"Help", "Kurzreferenz"}); });
  t.CloseMenus("close the menu");
  t.ChooseMenu("About Kestrum", {"Help", "About Kestrum"}, quiet, "the menu closed (the control's own box is empty here)");
  t.ClickTool("Standard: About", standard, "About", [&t] { return t.WxDialogReady("About Tarn OPC Server"); },
              "the About box");
  t.ClickWxDialogButton("OK closes it", "OK", quiet, "the About box closed");

  // ---------------------------------------------------------------------------------------------
  t.Section("the Standard bar's commands without a handler are disabled and do nothing");
  for (const char* tool : {"Cut", "Copy", "Paste", "Print"}) {
    t.Check(std::string(tool) + " is disabled", [standard, tool] { return !CGuiTest::ToolEnabled(standard(), tool); });
  }
  for (const char* tool : {"Cut", "Copy", "Paste", "Print"}) {
    t.ClickTool(std::string("Standard: ") + tool, standard, tool, [&] { return quiet() && frame()->GetTitle().StartsWith("demo.tdbx"); },
                "nothing");
  }

  // ---------------------------------------------------------------------------------------------
  t.Section("Start and Stop by keys, tools and menu");
  t.Keys("F5 starts", WXK_F5, 0, [&] { return started() && output().Contains("Start time:"); },
         "Start disabled, Stop enabled, the start time in the Output pane");
  t.Check("the device tree shows the network", [&] {
    startLines = Count(output(), "Start time:");
    treeItems = devices() != nullptr ? devices()->GetCount() : 0;
    return CGuiTest::FindTreeItem(devices(), [](const wxString& s) { return s.StartsWith("Domain"); }).IsOk();
  });
  t.Keys("Shift+F5 stops", WXK_F5, wxMOD_SHIFT, stopped, "Start enabled, Stop disabled");
  t.ClickTool("OPC Server: Start", opc, "Start", started, "the network started");
  t.ClickTool("OPC Server: Stop", opc, "Stop", stopped, "the network stopped");
  t.ChooseMenu("Control: Start", {"Control", "Start"}, started, "the network started");
  t.ChooseMenu("Control: Stop", {"Control", "Stop"}, stopped, "the network stopped");
  t.Check("each start wrote its line", [&] { return Count(output(), "Start time:") == startLines + 2; });

  t.Section("a disabled command does nothing: F5 twice, before the window updates");
  t.Check("(count the start lines)", [&] { return (startLines = Count(output(), "Start time:")) > 0; });
  t.Focus("focus", [&t]() -> wxTopLevelWindow* { return t.Frame(); });
  t.KeysHere("F5 F5", WXK_F5, 0, started, "the network started");
  t.OpenMenu("look at the Control menu", {"Control"});
  t.Check("Start is disabled in the menu", [&t] { return !t.MenuItemEnabled({"Control", "Start"}); });
  t.CloseMenus("close the menu");
  t.Check("one start: one more start line", [&] { return Count(output(), "Start time:") == startLines + 1; });
  t.Check("one start: the device tree has not doubled", [&] { return devices()->GetCount() <= treeItems; });
  t.Keys("Shift+F5 stops", WXK_F5, wxMOD_SHIFT, stopped, "the network stopped");

  t.Section("a disabled command does nothing: the Start tool double-clicked");
  t.Check("(count the start lines)", [&] { return (startLines = Count(output(), "Start time:")) > 0; });
  t.Step("double-click Start", [&t, opc] {
    const wxRect r = CGuiTest::ToolScreenRect(opc(), "Start");
    t.Input().Click(wxPoint(r.x + r.width / 2, r.y + r.height / 2), 1, 2);
  }, started, "the network started");
  t.OpenMenu("look at the Control menu", {"Control"});
  t.CloseMenus("close the menu");
  t.Check("one start: one more start line", [&] { return Count(output(), "Start time:") == startLines + 1; });
  t.Check("one start: the device tree has not doubled", [&] { return devices()->GetCount() <= treeItems; });
  t.Keys("Shift+F5 stops", WXK_F5, wxMOD_SHIFT, stopped, "the network stopped");

  t.Section("New and Open are disabled while the network runs");
  t.Keys("F5 starts", WXK_F5, 0, started, "the network started");
  t.OpenMenu("look at the File menu", {"File"});
  t.Check("New is disabled", [&t] { return !t.MenuItemEnabled({"File", "New"}); });
  t.Check("Open... is disabled", [&t] { return !t.MenuItemEnabled({"File", "Open..."}); });
  t.CloseMenus("close the menu");
  t.Check("the Standard bar's New and Open are disabled", [&] {
    return !CGuiTest::ToolEnabled(standard(), "New") && !CGuiTest::ToolEnabled(standard(), "Open");
  });
  t.Keys("Shift+F5 stops", WXK_F5, wxMOD_SHIFT, stopped, "the network stopped");

  // ---------------------------------------------------------------------------------------------
  t.Section("the two workspaces by keys, menu and the Shortcuts pane");
  t.Keys("F5 starts", WXK_F5, 0, started, "the network started");
  t.Keys("Alt+1", '1', wxMOD_ALT, [&] { return workspace() == IDR_DIAGNOSTICS; }, "the diagnostics workspace shown");
  t.Keys("Alt+0", '0', wxMOD_ALT, [&] { return workspace() == IDR_CONFIGURATION; }, "the configuration workspace shown");
  t.ChooseMenu("Diagnosis: Group/Item Diagnosis", {"Diagnosis", "Group/Item Diagnosis"},
               [&] { return workspace() == IDR_DIAGNOSTICS; }, "the diagnostics workspace shown");
  t.ChooseMenu("Diagnosis: Node/Tag", {"Diagnosis", "Node/Tag"}, [&] { return workspace() == IDR_CONFIGURATION; },
               "the configuration workspace shown");
  t.ClickWindow("Shortcuts: OPC Dignostics", [&t] { return CGuiTest::FindByLabel(t.Frame(), "OPC Dignostics"); },
                [&] { return workspace() == IDR_DIAGNOSTICS; }, "the diagnostics workspace shown");
  t.ClickWindow("Shortcuts: Configuration", [&t] { return CGuiTest::FindByLabel(t.Frame(), "Configuration"); },
                [&] { return workspace() == IDR_CONFIGURATION; }, "the configuration workspace shown");

  // ---------------------------------------------------------------------------------------------
  t.Section("Properties by tool and menu: the network's dialog");
  auto treeItem = [devices](const wxString& prefix) {
    return CGuiTest::FindTreeItem(devices(), [prefix](const wxString& s) { return s.StartsWith(prefix); });
  };
  auto treeItemRect = [devices, treeItem](const wxString& prefix) { return CGuiTest::TreeItemScreenRect(devices(), treeItem(prefix)); };
  auto expand = [&](const wxString& prefix) {
    // Selected by a click, opened by the Right arrow key, as a keyboard user does.
    t.Step("click " + std::string(prefix.utf8_str()),
           [&t, treeItemRect, prefix] {
             const wxRect r = treeItemRect(prefix);
             t.Input().Click(wxPoint(r.x + r.width / 2, r.y + r.height / 2));
           },
           [devices, prefix] {
             return devices()->GetSelection().IsOk() && devices()->GetItemText(devices()->GetSelection()).StartsWith(prefix) &&
                    devices()->HasFocus();
           },
           std::string(prefix.utf8_str()) + " selected, the tree with the keyboard");
    t.KeysHere("Right opens " + std::string(prefix.utf8_str()), WXK_RIGHT, 0,
               [devices, treeItem, prefix] { return devices()->IsExpanded(treeItem(prefix)); },
               std::string(prefix.utf8_str()) + " expanded");
  };
  expand("Domain");
  expand("Subnet");
  auto clickItem = [&](const std::string& name, std::function<wxTreeItemId()> item) {
    auto chosen = std::make_shared<wxTreeItemId>();
    t.Step("click " + name,
           [&t, devices, item, chosen] {
             *chosen = item();
             const wxRect r = CGuiTest::TreeItemScreenRect(devices(), *chosen);
             t.Input().Click(wxPoint(r.x + r.width / 2, r.y + r.height / 2));
           },
           [devices, chosen] { return chosen->IsOk() && devices()->GetSelection() == *chosen && devices()->HasFocus(); },
           name + " selected, the tree with the keyboard");
  };
  auto firstDevice = [devices, treeItem] {
    wxTreeItemIdValue cookie;
    return devices()->GetFirstChild(treeItem("Subnet"), cookie);
  };
  // The network's own properties are a dialog; a device's are the Properties pane.
  clickItem("Demo plant", [treeItem] { return treeItem("Demo plant"); });
  t.ClickTool("OPC Server: Properties", opc, "Properties", [&t] { return t.WxDialogReady("Device Properties"); },
              "the Device Properties dialog");
  t.KeysHere("Escape closes it", WXK_ESCAPE, 0, quiet, "the dialog closed");
  t.ChooseMenu("Edit: Properties", {"Edit", "Properties"}, [&t] { return t.WxDialogReady("Device Properties"); },
               "the Device Properties dialog");
  t.KeysHere("Escape closes it", WXK_ESCAPE, 0, quiet, "the dialog closed");
  t.Step("close the Properties pane with its X",
         [&t] {
           const wxRect r = CGuiTest::PaneCloseButtonRect(t.Frame()->GetAuiManager(), "Properties");
           t.Input().Click(wxPoint(r.x + r.width / 2, r.y + r.height / 2));
         },
         [&t] { return !CGuiTest::OnScreen(t.Frame()->GetPropertiesWnd()); }, "the Properties pane gone");
  clickItem("the subnet's first device", firstDevice);

  t.Section("Ctrl+Enter on the selected device: its properties in the Properties pane");
  t.KeysHere("Ctrl+Enter: Properties", WXK_RETURN, wxMOD_CONTROL,
             [&t] { return CGuiTest::OnScreen(t.Frame()->GetPropertiesWnd()); }, "the Properties pane shown");

  t.Section("a tag's Properties: its dialog");
  auto tags = [&t]() -> wxDataViewCtrl* {
    for (size_t i = 0; i < t.Frame()->GetNotebook()->GetPageCount(); ++i) {
      auto* page = dynamic_cast<CSplitChildFrame*>(t.Frame()->GetNotebook()->GetPage(i));
      if (page != nullptr && page->GetTemplateId() == IDR_CONFIGURATION) return CGuiTest::Find<wxDataViewCtrl>(page);
    }
    return nullptr;
  };
  t.Step("click the first tag", [&t, tags] {
    const wxRect r = CGuiTest::DataViewRowScreenRect(tags(), 0);
    t.Input().Click(wxPoint(r.x + r.width / 4, r.y + r.height / 2));
  }, [tags] { return tags()->GetSelectedItemsCount() == 1 && tags()->HasFocus(); }, "the tag selected, with the keyboard");
  t.ClickTool("OPC Server: Properties", opc, "Properties", [&t] { return t.WxDialogReady("Tag Properties"); },
              "the Tag Properties dialog");
  t.KeysHere("Escape closes it", WXK_ESCAPE, 0, quiet, "the dialog closed");
  clickItem("the subnet's first device", firstDevice);

  t.Section("Delete node asks; No keeps the device");
  t.Check("(count the devices)", [&] { return (treeItems = devices()->GetCount()) > 0; });
  t.ClickTool("OPC Server: Delete node", opc, "Delete node",
              [&t] { return t.MessageBoxReady("Do you really want to delete the node?"); }, "the question");
  t.ClickDialogButton("No keeps it", "No", quiet, "the question answered");
  t.Check("the device is still there", [&] { return devices()->GetCount() == treeItems; });

  // A Yes/No question has no Cancel: its Escape (or close box) must not count as "not No".
  t.Section("Escape on the question whether to delete a device keeps it");
  t.ClickTool("OPC Server: Delete node", opc, "Delete node",
              [&t] { return t.MessageBoxReady("Do you really want to delete the node?"); }, "the question");
  t.KeysHere("Escape", WXK_ESCAPE, 0, quiet, "the question gone");
  t.Check("the device is still there", [&] { return devices()->GetCount() == treeItems; });

  t.Section("the scan commands are disabled");
  t.Check("Upload All and Upload New have no handler: disabled", [&] {
    return !CGuiTest::ToolEnabled(opc(), "Upload All") && !CGuiTest::ToolEnabled(opc(), "Upload New");
  });
  t.ClickTool("OPC Server: Upload All (disabled)", opc, "Upload All", quiet, "nothing");
  t.ClickTool("OPC Server: Upload New (disabled)", opc, "Upload New", quiet, "nothing");

  // ---------------------------------------------------------------------------------------------
  t.Section("Monitor by key, tool and menu: the tags' values come");
  auto firstValue = [tags] { return CGuiTest::DataViewCellText(tags(), 0, "Value"); };
  t.Check("(no values before monitoring)", [firstValue] { return firstValue().empty(); });
  t.Keys("Shift+F9 monitors", WXK_F9, wxMOD_SHIFT, [&, firstValue] { return monitoring() && !firstValue().empty(); },
         "monitoring on, the first tag's value shown");
  t.ClickTool("OPC Server: Monitor", opc, "Monitor", [&] { return !monitoring(); }, "monitoring off");
  t.ChooseMenu("Control: Monitor", {"Control", "Monitor"}, monitoring, "monitoring on");
  t.Keys("Shift+F9 again", WXK_F9, wxMOD_SHIFT, [&] { return !monitoring(); }, "monitoring off");

  t.Section("the Control menu's Monitor shows whether it is on");
  t.Keys("Shift+F9 monitors", WXK_F9, wxMOD_SHIFT, monitoring, "monitoring on");
  t.OpenMenu("look at the Control menu", {"Control"});
  t.Check("Monitor is checked", [&t] { return t.MenuItemChecked({"Control", "Monitor"}); });
  t.CloseMenus("close the menu");
  t.Check("the Monitor tool is pressed", [&] { return CGuiTest::ToolChecked(opc(), "Monitor"); });
  t.Keys("Shift+F9 again", WXK_F9, wxMOD_SHIFT, [&] { return !monitoring(); }, "monitoring off");

  t.Section("the Properties pane shows the selected device");
  auto gridLabels = [&t] {
    std::vector<wxString> labels;
    wxPropertyGrid* grid = t.Frame()->GetPropertiesWnd()->GetGrid();
    for (wxPropertyGridIterator it = grid->GetIterator(wxPG_ITERATE_ALL); !it.AtEnd(); ++it) labels.push_back((*it)->GetLabel());
    return labels;
  };
  auto gridHas = [gridLabels](const wxString& label) {
    const std::vector<wxString> labels = gridLabels();
    return std::find(labels.begin(), labels.end(), label) != labels.end();
  };
  t.Step("the device's rows", nullptr, [gridHas] { return gridHas("Domain 0") && gridHas("Domain 1"); },
         "the rows of the device, under Domain 0 and Domain 1");

  t.Section("the Properties pane's tool bar");
  auto grid = [&t] { return t.Frame()->GetPropertiesWnd()->GetGrid(); };
  auto topLabels = [grid] {
    std::vector<wxString> labels;
    wxPGProperty* root = grid()->GetRoot();
    for (unsigned i = 0; i < root->GetChildCount(); ++i) labels.push_back(root->Item(i)->GetLabel());
    return labels;
  };
  auto shownOrder = std::make_shared<std::vector<wxString>>();
  t.Check("(the rows' order as shown)", [topLabels, shownOrder] {
    *shownOrder = topLabels();
    return shownOrder->size() > 1;
  });
  t.ClickTool("Properties: Sort", propertiesBar, "Sort", [&, topLabels, shownOrder] {
    const std::vector<wxString> labels = topLabels();
    return CGuiTest::ToolChecked(propertiesBar(), "Sort") && std::is_sorted(labels.begin(), labels.end()) &&
           labels != *shownOrder;
  }, "Sort pressed, the rows in alphabetic order");
  t.ClickTool("Properties: Sort again", propertiesBar, "Sort", [&, topLabels, shownOrder] {
    return !CGuiTest::ToolChecked(propertiesBar(), "Sort") && topLabels() == *shownOrder;
  }, "Sort released, the rows in their own order");
  auto domain = [grid]() -> wxPGProperty* {
    wxPGProperty* root = grid()->GetRoot();
    for (unsigned i = 0; i < root->GetChildCount(); ++i)
      if (root->Item(i)->GetLabel() == "Domain 0") return root->Item(i);
    return nullptr;
  };
  t.Step("a click on Domain 0's arrow folds it", [&t, grid, domain] {
    const wxRect r = grid()->GetPropertyRect(domain(), domain());
    const wxPoint at = grid()->ClientToScreen(grid()->CalcScrolledPosition(wxPoint(r.x + 7, r.y + r.height / 2)));
    t.Input().Click(at);
  }, [domain] { return domain() != nullptr && !domain()->IsExpanded(); }, "Domain 0 folded");
  t.ClickTool("Properties: Expand all", propertiesBar, "Expand all", [domain] {
    return domain() != nullptr && domain()->IsExpanded();
  }, "Domain 0 unfolded");

  // ---------------------------------------------------------------------------------------------
  t.Section("the Diagnosis menu's dialogs");
  t.ChooseMenu("Diagnosis: Network interface status", {"Diagnosis", "Network interface status"},
               [&t] { return t.WxDialogReady("Network interface"); }, "the network interface's status sheet");
  t.KeysHere("Escape closes it", WXK_ESCAPE, 0, quiet, "the sheet closed");
  t.ChooseMenu("Diagnosis: VniEngine Statistics", {"Diagnosis", "VniEngine Statistics"},
               [&t] { return t.WxDialogReady("VNI Engine Statistics"); }, "the statistics dialog");
  t.ClickWxDialogButton("OK closes it", "OK", quiet, "the dialog closed");
  t.Keys("Alt+F7: Options", WXK_F7, wxMOD_ALT, [&t] { return t.WxDialogReady("Options"); }, "the Options sheet");
  t.KeysHere("Escape closes it", WXK_ESCAPE, 0, quiet, "the sheet closed");
  t.OpenMenu("look at the Diagnosis menu", {"Diagnosis"});
  t.Check("All nodes status and Reset Statistic have no handler: disabled", [&t] {
    return !t.MenuItemEnabled({"Diagnosis", "All nodes status"}) && !t.MenuItemEnabled({"Diagnosis", "Reset Statistic"});
  });
  t.CloseMenus("close the menu");
  t.Keys("Shift+F5 stops", WXK_F5, wxMOD_SHIFT, stopped, "the network stopped");

  // ---------------------------------------------------------------------------------------------
  auto optionsSelfdoc = [&t]() -> wxCheckBox* {
    return CGuiTest::Find<wxCheckBox>(t.WxDialog("Options"), [](wxCheckBox* box) {
      return box->IsShownOnScreen() && box->GetLabelText().StartsWith("Use NV Selfdocumentation");
    });
  };
  t.Section("Control: Options... opens the Project page; a change marks the project");
  t.ChooseMenu("Control: Options...", {"Control", "Options..."}, [&t] { return t.WxDialogReady("Options"); },
               "the Options sheet");
  t.ClickWindow("check Use NV Selfdocumentation", optionsSelfdoc,
                [optionsSelfdoc] { return optionsSelfdoc() != nullptr && optionsSelfdoc()->GetValue(); }, "the box checked");
  t.ClickWxDialogButton("OK", "OK", quiet, "the sheet closed");
  t.Check("the project is modified", [] { return CDoc::GetDoc() != nullptr && CDoc::GetDoc()->IsModified(); });

  t.Section("the Project page shows the project's database");
  t.ChooseMenu("Control: Options...", {"Control", "Options..."}, [&t] { return t.WxDialogReady("Options"); },
               "the Options sheet");
  t.Check("the database's path is shown", [&t] {
    return CGuiTest::Find<wxTextCtrl>(t.WxDialog("Options"), [](wxTextCtrl* text) {
             return text->IsShownOnScreen() && text->GetValue().Contains("demo-network.db");
           }) != nullptr;
  });
  t.KeysHere("Escape closes it", WXK_ESCAPE, 0, quiet, "the sheet closed");

  // The sheet's page list, the database's Browse button and the check-box pages, by clicks.
  auto sheet = [&t] { return dynamic_cast<COptionsDlg*>(t.WxDialog("Options")); };
  auto pageList = [sheet]() -> wxWindow* {
    auto* book = sheet() != nullptr ? dynamic_cast<wxListbook*>(sheet()->GetBookCtrl()) : nullptr;
    return book != nullptr ? book->GetListView() : nullptr;
  };
  auto pageIndex = [sheet](const wxString& caption) {
    wxBookCtrlBase* book = sheet()->GetBookCtrl();
    for (size_t i = 0; i < book->GetPageCount(); ++i)
      if (book->GetPageText(i) == caption) return static_cast<long>(i);
    return -1L;
  };
  auto choosePage = [&](const wxString& caption) {
    t.ClickWindow("the page list: " + caption.ToStdString(), pageList,
                  [sheet, caption] { return sheet() != nullptr && sheet()->GetPageHeaderText() == caption; },
                  "the page \"" + caption.ToStdString() + "\" shown, its name above it", [&, caption] {
                    wxRect item;
                    static_cast<wxListView*>(pageList())->GetItemRect(pageIndex(caption), item);
                    return wxPoint(item.x + item.width / 2, item.y + item.height / 2);
                  });
  };
  auto database = [sheet]() -> CFileBrowseCtrl* {
    return sheet() != nullptr ? CGuiTest::Find<CFileBrowseCtrl>(sheet(), [](CFileBrowseCtrl* c) { return CGuiTest::OnScreen(c); })
                              : nullptr;
  };
  auto box = [sheet](const wxString& label) -> wxCheckBox* {
    return sheet() == nullptr ? nullptr : CGuiTest::Find<wxCheckBox>(sheet(), [label](wxCheckBox* b) {
      return CGuiTest::OnScreen(b) && b->GetLabelText() == label;
    });
  };
  const wxString otherDatabase = t.WorkFolder() + "/other-network.db";

  t.Section("the Project page's Browse... picks a database; Cancel keeps the project's");
  t.ChooseMenu("Control: Options...", {"Control", "Options..."}, [&t] { return t.WxDialogReady("Options"); },
               "the Options sheet");
  t.Check("(a database to pick)", [&] {
    return wxCopyFile(wxPathOnly(t.ProjectPath()) + "/demo-network.db", otherDatabase);
  });
  choosePage("Project");
  t.ClickWindow("Browse...", [&]() -> wxWindow* { return database() ? database()->GetBrowseButton() : nullptr; },
                [&t] { return t.FileChooserReady(); }, "a file chooser");
  t.AnswerFileChooser("pick other-network.db", otherDatabase,
                      [&] { return !t.FileChooserShown() && database() && database()->GetPath() == otherDatabase; },
                      "the picked path in Database:");
  t.ClickWxDialogButton("Cancel", "Cancel", quiet, "the sheet closed");

  t.Section("a mask page and the Browsing page keep what was clicked");
  t.ChooseMenu("Control: Options...", {"Control", "Options..."}, [&t] { return t.WxDialogReady("Options"); },
               "the Options sheet");
  choosePage("Project");
  t.Check("Cancel kept the project's database", [&] {
    return database() && database()->GetPath().EndsWith("demo-network.db") && database()->GetPath() != otherDatabase;
  });
  auto flip = [&](const wxString& page, const wxString& label) {
    choosePage(page);
    auto before = std::make_shared<bool>(false);
    t.Check("(" + label.ToStdString() + " as it stands)", [&, label, before] {
      if (box(label) == nullptr) return false;
      *before = box(label)->GetValue();
      return box(label)->IsEnabled();
    });
    t.ClickWindow("click " + label.ToStdString(), [&, label] { return box(label); },
                  [&, label, before] { return box(label) != nullptr && box(label)->GetValue() != *before; },
                  label.ToStdString() + " toggled");
    return before;
  };
  auto datachange = flip("OPC Events", "Datachange");
  auto subfields = flip("Browsing", "Show subfields by OPC Client Browsing");
  t.ClickWxDialogButton("OK", "OK", quiet, "the sheet closed");
  t.ChooseMenu("Control: Options... again", {"Control", "Options..."}, [&t] { return t.WxDialogReady("Options"); },
               "the Options sheet");
  choosePage("OPC Events");
  t.Check("Datachange kept", [&] { return box("Datachange") && box("Datachange")->GetValue() != *datachange; });
  t.ClickWindow("click Datachange back", [&] { return box("Datachange"); },
                [&] { return box("Datachange") && box("Datachange")->GetValue() == *datachange; }, "as before");
  choosePage("Browsing");
  const wxString subfieldsLabel = "Show subfields by OPC Client Browsing";
  t.Check("the Browsing box kept", [&] { return box(subfieldsLabel) && box(subfieldsLabel)->GetValue() != *subfields; });
  t.ClickWindow("click the Browsing box back", [&] { return box(subfieldsLabel); },
                [&] { return box(subfieldsLabel) && box(subfieldsLabel)->GetValue() == *subfields; }, "as before");
  t.ClickWxDialogButton("OK", "OK", quiet, "the sheet closed");

  // ---------------------------------------------------------------------------------------------
  t.Section("Ctrl+S saves the project");
  t.Keys("Ctrl+S", 'S', wxMOD_CONTROL, [&t] {
    return CGuiTest::FileText(t.ProjectPath()).Contains("<useNvSelfdoc>1</useNvSelfdoc>") && !CDoc::GetDoc()->IsModified();
  }, "the change in the project's file, the project no longer modified");

  t.Section("File: Save As... asks for a file and writes it");
  const wxString savedAs = t.WorkFolder() + "/saved-as";
  t.ChooseMenu("File: Save As...", {"File", "Save As..."}, [&t] { return t.FileChooserReady(); }, "a file chooser");
  t.AnswerFileChooser("type saved-as", savedAs, [&] {
    return quiet() && CGuiTest::FileText(savedAs + ".tdbx").Contains("<configuration") &&
           frame()->GetTitle().StartsWith("saved-as.tdbx");
  }, "saved-as.tdbx written (.tdbx added) and named in the title");
  t.Check("(the project's own file is kept)", [&t] { return CGuiTest::FileExists(t.ProjectPath()); });
  t.ClickTool("Standard: Save", standard, "Save", [&] {
    return quiet() && !CDoc::GetDoc()->IsModified();
  }, "saved");

  // ---------------------------------------------------------------------------------------------
  t.Section("the Output pane's tool bar");
  const wxString outputFile = t.WorkFolder() + "/output.txt";
  t.ClickTool("Output: Protocoling pauses", outputBar, "Protocoling", [&] {
    return output().Contains("Logging stopped.") && !CGuiTest::ToolChecked(outputBar(), "Protocoling");
  }, "\"Logging stopped.\" and Protocoling released");
  t.ClickTool("Output: Protocoling resumes", outputBar, "Protocoling",
              [&] { return CGuiTest::ToolChecked(outputBar(), "Protocoling"); }, "Protocoling pressed");
  t.ClickWindow("click into the text", [&t]() -> wxWindow* { return t.Frame()->GetOutputWnd()->GetTextCtrl(); },
                [&t] { return t.Frame()->GetOutputWnd()->GetTextCtrl()->HasFocus(); }, "the text with the keyboard");
  t.KeysHere("Ctrl+A selects it all", 'A', wxMOD_CONTROL, [&t] {
    long from = 0;
    long to = 0;
    t.Frame()->GetOutputWnd()->GetTextCtrl()->GetSelection(&from, &to);
    return to > from;
  }, "the text selected");
  t.ClickTool("Output: Copy", outputBar, "Copy", [&] {
    return Lines(CGuiTest::ClipboardText()) == Lines(output()) && output().Contains("Logging stopped.");
  }, "the pane's text on the clipboard");
  t.ClickTool("Output: Save", outputBar, "Save", [&t] { return t.FileChooserReady(); }, "a file chooser");
  t.AnswerFileChooser("type output.txt", outputFile, [&] {
    return quiet() && Lines(CGuiTest::FileText(outputFile)) == Lines(output()) && output().Contains("Logging stopped.");
  }, "output.txt written with the pane's text");
  t.ClickTool("Output: Print", outputBar, "Print", [&t] { return !t.NativeDialogs().empty() || t.WxDialogReady(); },
              "a print dialog");
  t.KeysHere("Escape cancels it", WXK_ESCAPE, 0, quiet, "the print dialog closed");
  t.ClickTool("Output: Clear all", outputBar, "Clear all", [&] {
    return output().Trim().Trim(false) == "Output window cleared.";
  }, "only \"Output window cleared.\" left");

  // ---------------------------------------------------------------------------------------------
  t.Section("View: Status Bar");
  t.ChooseMenu("View: Status Bar hides it", {"View", "Status Bar"}, [&] { return !CGuiTest::OnScreen(frame()->GetStatusBar()); },
               "no status bar");
  t.ChooseMenu("View: Status Bar shows it", {"View", "Status Bar"}, [&] { return CGuiTest::OnScreen(frame()->GetStatusBar()); },
               "the status bar");

  t.Section("a pane or bar closed is brought back from the View menu");
  const std::vector<wxString> bars{"View", "Toolbars and Docking Windows"};
  auto barsEntry = [bars](const char* entry) {
    std::vector<wxString> path = bars;
    path.push_back(entry);
    return path;
  };
  t.Step("close the Output pane with its X",
         [&t] {
           const wxRect r = CGuiTest::PaneCloseButtonRect(t.Frame()->GetAuiManager(), "Output");
           t.Input().Click(wxPoint(r.x + r.width / 2, r.y + r.height / 2));
         },
         [&t] { return !CGuiTest::OnScreen(t.Frame()->GetOutputWnd()); }, "the Output pane gone");
  t.ChooseMenu("View: Output", barsEntry("Output"), [&t] { return CGuiTest::OnScreen(t.Frame()->GetOutputWnd()); },
               "the Output pane back");
  t.Step("close the Properties pane with its X",
         [&t] {
           const wxRect r = CGuiTest::PaneCloseButtonRect(t.Frame()->GetAuiManager(), "Properties");
           t.Input().Click(wxPoint(r.x + r.width / 2, r.y + r.height / 2));
         },
         [&t] { return !CGuiTest::OnScreen(t.Frame()->GetPropertiesWnd()); }, "the Properties pane gone");
  t.ChooseMenu("View: Properties", barsEntry("Properties"),
               [&t] { return CGuiTest::OnScreen(t.Frame()->GetPropertiesWnd()); }, "the Properties pane back");
  t.ChooseMenu("View: Customize...", barsEntry("Customize..."), [&t] { return t.WxDialogReady(); },
               "the tool bars' customisation dialog");
  t.KeysHere("Escape closes it", WXK_ESCAPE, 0, quiet, "the dialog closed");
  for (const char* bar : {"Standard", "OPC Server", "Shortcuts"}) {
    t.ChooseMenu(std::string("View: hide ") + bar, barsEntry(bar), [pane, bar] { return !CGuiTest::OnScreen(pane(bar)); },
                 std::string(bar) + " hidden");
    t.ChooseMenu(std::string("View: show ") + bar, barsEntry(bar), [pane, bar] { return CGuiTest::OnScreen(pane(bar)); },
                 std::string(bar) + " shown");
  }

  t.Section("View: Application Look changes what the user sees");
  auto captionPoint = [&t] {
    const wxRect r = CGuiTest::ScreenRect(t.Frame()->GetPropertiesWnd());
    return wxPoint(r.x + r.width / 3, r.y - 6);
  };
  auto caption = std::make_shared<wxColour>();
  t.Check("(the Properties caption's colour)", [&t, caption, captionPoint] {
    *caption = t.Input().Pixel(captionPoint());
    return caption->IsOk();
  });
  t.ChooseMenu("View: Office 2007 (Blue Style)", {"View", "Application Look", "Office 2007 (Blue Style)"},
               [&t, caption, captionPoint] { return t.Input().Pixel(captionPoint()) != *caption; },
               "the caption in another colour");
  t.OpenMenu("look at the looks", {"View", "Application Look"});
  t.Check("the look is marked", [&t] { return t.MenuItemChecked({"View", "Application Look", "Office 2007 (Blue Style)"}); });
  t.CloseMenus("close the menus");
  t.ChooseMenu("View: Visual Studio 2005", {"View", "Application Look", "Visual Studio 2005"},
               [&t, caption, captionPoint] { return t.Input().Pixel(captionPoint()) == *caption; },
               "the caption in its first colour");

  // ---------------------------------------------------------------------------------------------
  t.Section("File: Import... asks for an older project");
  t.ChooseMenu("File: Import...", {"File", "Import..."}, [&t] { return t.FileChooserReady(); }, "a file chooser");
  t.KeysHere("Escape cancels", WXK_ESCAPE, 0, quiet, "the chooser closed");

  t.Section("File: New and Open..., and the Standard bar's New and Open");
  auto untitled = [&] { return quiet() && CDoc::GetDoc() != nullptr && CDoc::GetDoc()->GetPathName().IsEmpty(); };
  auto demoOpen = [&] { return quiet() && frame()->GetTitle().StartsWith("demo.tdbx"); };
  // A project still modified (when Save is not there yet) is offered for saving first: No.
  t.ChooseMenu("File: New", {"File", "New"}, [&] { return untitled() || t.MessageBoxReady("Save changes to"); },
               "a new project without a file, or the question whether to save the old one");
  t.Step("(Alt+N: No to saving, when asked)", [&t] {
    if (t.MessageBoxShown("Save changes to")) t.Input().Key('N', wxMOD_ALT);
  }, [&, asked = std::make_shared<int>(0)] {
    // A box still laying itself out may miss the first key.
    if (t.MessageBoxReady("Save changes to") && ++*asked % 20 == 0) t.Input().Key('N', wxMOD_ALT);
    return untitled();
  }, "a new project without a file");
  t.ClickTool("Standard: Open", standard, "Open", [&t] { return t.FileChooserReady(); }, "a file chooser");
  t.AnswerFileChooser("type the demo project", t.ProjectPath(), demoOpen, "the demo project open");
  t.ClickTool("Standard: New", standard, "New", untitled, "a new project without a file");
  t.ChooseMenu("File: Open...", {"File", "Open..."}, [&t] { return t.FileChooserReady(); }, "a file chooser");
  t.AnswerFileChooser("type the demo project", t.ProjectPath(), demoOpen, "the demo project open");

  t.Section("File: the recent files");
  t.OpenMenu("look at the File menu", {"File"});
  t.Check("the projects opened and saved are listed", [&t] {
    return t.MenuItemShown({"File", "*saved-as.tdbx"}) && t.MenuItemShown({"File", "*demo.tdbx"});
  });
  t.CloseMenus("close the menu");
  t.ChooseMenu("File: saved-as.tdbx", {"File", "*saved-as.tdbx"}, [&] {
    return quiet() && frame()->GetTitle().StartsWith("saved-as.tdbx");
  }, "saved-as.tdbx open");

  t.Section("a project dropped on the main window opens");
  const wxString dropped = t.WorkFolder() + "/dropped.tdbx";
  t.Check("(a copy of the project to drop)", [&t, dropped] { return wxCopyFile(t.ProjectPath(), dropped); });
  t.DropFiles("drop dropped.tdbx on the workspaces", [&t]() -> wxWindow* { return t.Frame()->GetNotebook(); }, {dropped},
              [&] { return quiet() && frame()->GetTitle().StartsWith("dropped.tdbx"); }, "dropped.tdbx open");

  // ---------------------------------------------------------------------------------------------
  t.Section("File: Exit asks about connected clients, then about the changes; No and Cancel keep the program");
  const std::string build = std::getenv("TESSALY_GUI_BUILD") != nullptr ? std::getenv("TESSALY_GUI_BUILD") : ".";
  const std::string work(t.WorkFolder().utf8_str());
  t.ChooseMenu("Control: Options...", {"Control", "Options..."}, [&t] { return t.WxDialogReady("Options"); },
               "the Options sheet");
  auto selfdocBefore = std::make_shared<bool>(false);
  t.Check("(the box's state)", [optionsSelfdoc, selfdocBefore] {
    *selfdocBefore = optionsSelfdoc() != nullptr && optionsSelfdoc()->GetValue();
    return optionsSelfdoc() != nullptr;
  });
  t.ClickWindow("toggle Use NV Selfdocumentation", optionsSelfdoc,
                [optionsSelfdoc, selfdocBefore] { return optionsSelfdoc() != nullptr && optionsSelfdoc()->GetValue() != *selfdocBefore; },
                "the box toggled");
  t.ClickWxDialogButton("OK", "OK", quiet, "the sheet closed");
  // An OPC client in another process, connected through the instance's socket, stays a while.
  t.Step("a client in another process connects",
         [build, work] {
           const std::string command = "(printf 'status\\ngroup gui\\nwatch 300\\n' | '" + build + "/tools/opcclient/opcclient' Norvane.Tessaly2.1 - > '" +
                                       work + "/client.log' 2>&1 & echo $! > '" + work + "/client.pid')";
           if (std::system(command.c_str()) != 0) std::printf("warn the client did not start\n");
         },
         [&] { return frame()->GetStatusBar()->GetStatusText(2).StartsWith("1 client(s) connected"); },
         "the status bar counting one client");
  t.ChooseMenu("File: Exit", {"File", "Exit"},
               [&t] { return t.MessageBoxReady("OPC Clients are currently connected to this server. Exit anyway?"); },
               "the question about the connected clients");
  t.AnswerMessageBox("Alt+N: No keeps the program", "No", [&] {
    return quiet() && frame()->GetStatusBar()->GetStatusText(2).StartsWith("1 client(s) connected");
  }, "the program running with its client");
  t.ChooseMenu("File: Exit again", {"File", "Exit"},
               [&t] { return t.MessageBoxReady("OPC Clients are currently connected to this server. Exit anyway?"); },
               "the question about the connected clients");
  t.ClickDialogButton("Yes lets the client go", "Yes", [&t] { return t.MessageBoxReady("Save changes to"); },
                      "then the question whether to save the changes");
  t.ClickDialogButton("Cancel keeps the program", "Cancel", [&] {
    return quiet() && CGuiTest::OnScreen(frame()) && frame()->GetStatusBar()->GetStatusText(2).StartsWith("0 client(s)");
  }, "the program running, its client gone");
  t.ChooseMenu("File: Exit once more", {"File", "Exit"}, [&t] { return t.MessageBoxReady("Save changes to"); },
               "the question whether to save the changes");
  t.ClickDialogButton("No ends the program", "No", [&t] { return t.ProgramEnded(); }, "the program ended");

  const int code = t.Run({});
  // The client, should it still run.
  std::ifstream pid(work + "/client.pid");
  long client = 0;
  if (pid >> client && client > 0) ::kill(static_cast<pid_t>(client), SIGTERM);
  return code;
}
