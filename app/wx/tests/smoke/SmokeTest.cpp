// The program under Xvfb, driven from its own loop: it starts with "Run", opens both workspaces,
// every dialog and every page of the Options sheet, connects an OPC client, shows its group and
// item in the diagnostics workspace and closes with the client connected (No keeps it running,
// Yes closes it). A screenshot of every step goes into the
// folder given as the first argument. Each step waits for what it needs to see, never for time.
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <wx/bookctrl.h>
#include <wx/propdlg.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>
#include <wx/checkbox.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/dialog.h>
#include <wx/image.h>
#include <wx/timer.h>
#include <wx/treectrl.h>
#include <wx/utils.h>
#include <wx/app.h>

#include "app/shell/ShellCommands.h"
#include "app/wx/CommandIds.h"
#include "app/wx/GroupItemChildFrame.h"
#include "app/wx/MainFrame.h"
#include "platform/afx/DocManager.h"
#include "app/wx/OptionsDlg.h"
#include "app/wx/OutputWnd.h"
#include "app/wx/PropertiesWnd.h"
#include "app/wx/SplitChildFrame.h"
#include "app/wx/TessalyWxApp.h"
#include "app/wx/tests/WindowTestSteps.h"
#include "opcserver/MyOPCServer.h"
#include "opcserver/testing/OpcTestClient.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Messages.h"
#include "opcserver/OpcServerInstances.h"
#include "platform/com/Activation.h"
#include "lon/LonGuiLinks.h"
#include "platform/afx/FrameWnd.h"
#include "lon/NvTreeObject.h"
#include "project/Doc.h"
#include "views/models/ConfigViewResource.h"
#include "views/models/DeviceViewModel.h"
#include "views/models/TagViewModel.h"
#include "views/wx/ScanWnd.h"
#include "standins/kestrum/testing/KestrumEnvironment.h"
#include "views/wx/GroupItemPanes.h"

#include <chrono>
#include <thread>

namespace {

using namespace window_test;

std::unique_ptr<COpcTestClient> g_client;
std::unique_ptr<kestrum::testing::CKestrumEnvironment> g_env;
std::shared_ptr<CScriptedMessageBoxPresenter> g_boxes;
std::unique_ptr<CScopedMessageBoxPresenter> g_scripted;

// The dialog's OK button, as a click.
void PressOk(wxDialog* dialog) {
  wxCommandEvent ok(wxEVT_BUTTON, wxID_OK);
  ok.SetEventObject(dialog);
  dialog->ProcessWindowEvent(ok);
}

// Shows the sheet's pages one by one, each shot after its first paint; then checks and ends.
void ShootPages(COptionsDlg* sheet, size_t index) {
  wxBookCtrlBase* book = sheet->GetBookCtrl();
  if (index == book->GetPageCount()) {
    // Unchecking "Datachange" on "OPC Events" clears bit 1 of "Protocol" only.
    auto* datachange = dynamic_cast<wxCheckBox*>(book->GetPage(7)->FindWindow(1194));
    Expect(datachange != nullptr, "the OPC Events page has its Datachange box");
    if (datachange != nullptr) datachange->SetValue(false);
    Expect(sheet->ApplyVisitedPages(), "the pages' values pass their checks");
    if (CDoc* doc = CDoc::GetDoc()) {
      Expect(doc->m_settings.Protocol.load() == (1023 & ~2),
             "Datachange cleared bit 1 of Protocol only (" + std::to_string(doc->m_settings.Protocol.load()) + ")");
      doc->m_settings.Protocol = 1023;
    }
    sheet->EndModal(wxID_CANCEL);
    return;
  }
  WhenPainted(book->GetPage(index), [sheet, index] {
    Shot(sheet, "04-options-" + std::to_string(index));
    ShootPages(sheet, index + 1);
  });
  book->SetSelection(index);
}

void Step(CTessalyWxApp& app, int step);

wxTreeItemId FindTreeItem(wxTreeCtrl* tree, const wxTreeItemId& from, const wxString& text) {
  wxTreeItemIdValue cookie;
  for (wxTreeItemId child = tree->GetFirstChild(from, cookie); child.IsOk(); child = tree->GetNextChild(from, cookie)) {
    if (tree->GetItemText(child) == text) return child;
    const wxTreeItemId below = FindTreeItem(tree, child, text);
    if (below.IsOk()) return below;
  }
  return wxTreeItemId();
}

void Next(CTessalyWxApp& app, int step) {
  wxTheApp->CallAfter([&app, step] { Step(app, step); });
}

void Step(CTessalyWxApp& app, int step) {
  CMainFrame* frame = app.GetMainFrame();
  switch (step) {
    case 0: {
      Expect(frame->IsShown(), "main window shown in Run mode");
      Expect(frame->GetTitle().Contains("Tarn OPC Server (run)"), "title names the run mode");
      Shot(frame, "01-started");
      // The Diagnosis menu's 32837 is not the output pane's Protocoling button of the same id.
      wxCommandEvent menu(wxEVT_MENU, WxIdOfCommand(ID_NETWORK_INTERFACE_STATUS));
      frame->GetOutputWnd()->GetTextCtrl()->SetFocus();
      // The menu's command shows the interface's status sheet, while the network runs; before
      // that it is disabled and does nothing.
      CDoc* doc = CDoc::GetDoc();
      const bool connected = doc != nullptr && doc->IsConnected();
      if (connected) ShootDialog("01-interface-status", [](wxDialog* dialog) { dialog->EndModal(wxID_OK); });
      frame->ProcessWindowEvent(menu);
      Expect(frame->GetOutputWnd()->GetModel().IsProtocoling(), "the menu's 32837 leaves the protocol running");
      frame->GetOutputWnd()->RunCommand(ID_OUTPUT_PROTOCOLING);
      Expect(!frame->GetOutputWnd()->GetModel().IsProtocoling(), "the pane's Protocoling pauses");
      frame->GetOutputWnd()->RunCommand(ID_OUTPUT_PROTOCOLING);
      // The recent files are the File menu's entries, disabled under "Run" as Open is.
      AfxGetDocManager()->AddToRecentFileList(L"/plants/north & south.tdbx");
      frame->SyncWorkspaces();
      wxMenuItem* recent = frame->GetMenuBar()->FindItem(WxIdOfCommand(ID_FILE_MRU_FILE1));
      Expect(recent != nullptr && recent->GetItemLabel() == "&1 /plants/north && south.tdbx",
             "the File menu lists the recent file");
      wxUpdateUIEvent state(WxIdOfCommand(ID_FILE_MRU_FILE1));
      frame->ProcessWindowEvent(state);
      Expect(state.GetSetEnabled() && !state.GetEnabled(), "a recent file does not open under Run");
      Next(app, 1);
      break;
    }
    case 1: {
      CSplitChildFrame* config = frame->ShowWorkspace(IDR_CONFIGURATION);
      Expect(config != nullptr && frame->ShowWorkspace(IDR_CONFIGURATION) == config, "Node/Tag twice: one workspace");
      CSplitChildFrame* diagnostics = frame->ShowWorkspace(IDR_DIAGNOSTICS);
      Expect(diagnostics != nullptr && diagnostics != config, "the diagnostics workspace opens");
      Expect(frame->GetNotebook()->GetPageCount() == 2, "two workspace pages");
      if (diagnostics == nullptr) break;
      WhenPainted(diagnostics->GetSplitter()->GetWindow1(), [&app, frame] {
        Shot(frame, "02-workspaces");
        Next(app, 2);
      });
      break;
    }
    case 2:
      WhenDialogOpen([](wxDialog* dialog) {
        // A new top-level window: its first paint may precede its mapping, so the second counts.
        WhenPainted(dialog, [dialog] {
          WhenPainted(dialog, [dialog] {
            Shot(dialog, "03-about");
            dialog->EndModal(wxID_OK);
          });
        });
      });
      frame->ShowAbout();
      Next(app, 3);
      break;
    case 3:
      WhenDialogOpen([](wxDialog* dialog) {
        auto* sheet = dynamic_cast<COptionsDlg*>(dialog);
        Expect(sheet != nullptr, "Options sheet open");
        if (sheet == nullptr) {
          dialog->EndModal(wxID_CANCEL);
          return;
        }
        Expect(sheet->GetBookCtrl()->GetPageCount() == COptionsDlg::kPageCount, "eleven pages");
        Expect(sheet->GetBookCtrl()->GetSelection() == 1, "opened on the Project page");
        ShootPages(sheet, 0);
      });
      frame->ShowOptions(1);
      Next(app, 4);
      break;
    case 4: {
      // The demo network: the generated database on the simulated control's interface LON1.
      CDoc* doc = CDoc::GetDoc();
      Expect(doc != nullptr, "Run opened a project");
      if (doc == nullptr) break;
      doc->m_settings.dbpath = g_env->DatabasePath().c_str();
      doc->SelectNetworkInterface(L"LON1");
      wxCommandEvent start(wxEVT_MENU, WxIdOfCommand(ID_CONTROL_START));
      frame->ProcessWindowEvent(start);
      Expect(doc->IsConnected(), "Start connects the network");
      // A client of the program's own class object (instance 0).
      g_client = std::make_unique<COpcTestClient>();
      CComPtr<IOPCServer> server;
      const HRESULT created = CoCreateInstance(GetOpcServerInstanceCLSID(0), nullptr, CLSCTX_LOCAL_SERVER,
                                               &server.p);
      Expect(SUCCEEDED(created) && server != nullptr, "a client creates the program's OPC server");
      if (server == nullptr) break;
      g_client->m_server = server;
      CComPtr<IOPCItemMgt> group = g_client->AddGroup(L"smoke", TRUE, 1000, 1);
      std::vector<HRESULT> errors;
      std::vector<OPCHANDLE> items = g_client->AddItems(group, {L"4B.1.1.0"}, &errors);
      Expect(items.size() == 1 && items[0] != 0, "the client adds a data point of the demo network");
      CComPtr<IOPCSyncIO> io = QueryAs<IOPCSyncIO>(group.p);
      OPCITEMSTATE* states = nullptr;
      HRESULT* readErrors = nullptr;
      const HRESULT read = io != nullptr && !items.empty() ? io->Read(OPC_DS_DEVICE, 1, items.data(), &states, &readErrors) : E_FAIL;
      Expect(read == S_OK, "and reads it from the device");
      if (states != nullptr) VariantClear(&states[0].vDataValue);
      CoTaskMemFree(states);
      CoTaskMemFree(readErrors);
      Expect(g_nConnectedClients.load() == 1, "an OPC client is connected");
      frame->UpdateStatusPanes();
      Expect(frame->GetStatusBar()->GetStatusText(2).StartsWith("1 client(s) connected"), "status pane counts it");
      Shot(frame, "05-client-connected");
      Next(app, 10);
      break;
    }
    case 10: {
      // The configuration workspace on the demo network: a device selected, its tags listed.
      CSplitChildFrame* config = frame->ShowWorkspace(IDR_CONFIGURATION);
      CDoc* doc = CDoc::GetDoc();
      auto* devices = config != nullptr ? config->m_pFrameWnd->FindView<CDeviceViewModel>() : nullptr;
      auto* tags = config != nullptr ? config->m_pFrameWnd->FindView<CTagViewModel>() : nullptr;
      Expect(devices != nullptr && tags != nullptr, "the configuration workspace has its device and tag views");
      if (devices == nullptr || tags == nullptr || doc == nullptr) break;
      CDefaultObject* node = FindDeviceWithAnNv(doc->m_pDeviceTree).device;
      Expect(node != nullptr && devices->FindObjectItem(node) != nullptr, "the device view shows the demo network's devices");
      devices->SelectItem(devices->FindObjectItem(node));
      Expect(tags->GetList().GetRowCount() > 0, "selecting a device lists its tags");
      doc->OnMonitor();
      tags->OnTimer(ID_TIMER_TAG_VALUES);
      WhenPainted(config->GetSplitter()->GetWindow2(), [&app, frame] {
        Shot(frame, "07-device-and-tag-views");
        Next(app, 11);
      });
      break;
    }
    case 11:
      ShootDialog("08-device-properties", [](wxDialog* dialog) { PressOk(dialog); });
      Expect(CDoc::GetDoc()->OnDeviceProperties() == IDOK, "Device Properties applied with OK");
      Next(app, 12);
      break;
    case 12: {
      CDefaultObject* nv = FindDeviceWithAnNv(CDoc::GetDoc()->m_pDeviceTree).nv;
      ShootDialog("09-tag-properties", [](wxDialog* dialog) { PressOk(dialog); });
      Expect(nv != nullptr && nv->ShowProperties() == IDOK, "Tag Properties applied with OK");
      Next(app, 13);
      break;
    }
    case 13: {
      CSplitChildFrame* config = frame->ShowWorkspace(IDR_CONFIGURATION);
      auto* tags = config->m_pFrameWnd->FindView<CTagViewModel>();
      CDefaultObject* nv = FindDeviceWithAnNv(CDoc::GetDoc()->m_pDeviceTree).nv;
      CSuperGridModel::CTreeItem* row = tags->GetList().FindItem(nv);
      Expect(row != nullptr, "the NV has its row in the tag view");
      if (row == nullptr) break;
      tags->OnItemSelected(row->GetRow());
      ShootDialog("10-multiple-setting", [](wxDialog* dialog) { PressOk(dialog); });
      tags->OnMultipleSetting();
      Next(app, 14);
      break;
    }
    case 14: {
      CSplitChildFrame* config = frame->ShowWorkspace(IDR_CONFIGURATION);
      auto* devices = config->m_pFrameWnd->FindView<CDeviceViewModel>();
      ShootDialog("11-node-status", [](wxDialog* dialog) {
        wxCommandEvent clear(wxEVT_BUTTON, 1010);
        if (auto* sheet = dynamic_cast<wxPropertySheetDialog*>(dialog)) sheet->GetBookCtrl()->GetPage(0)->ProcessWindowEvent(clear);
        dialog->EndModal(wxID_OK);
      });
      devices->OnShowStatus();
      Next(app, 15);
      break;
    }
    case 15:
      ShootDialog("12-vni-statistics", [](wxDialog* dialog) {
        wxCommandEvent reset(wxEVT_BUTTON, 1020);
        dialog->ProcessWindowEvent(reset);
        dialog->EndModal(wxID_OK);
      });
      CDoc::GetDoc()->OnVniStatistics();
      Next(app, 16);
      break;
    case 16: {
      ShootDialog("13-replace-node", [](wxDialog* dialog) {
        auto* manual = dynamic_cast<wxRadioButton*>(dialog->FindWindow(1016));
        auto* id = dynamic_cast<wxTextCtrl*>(dialog->FindWindow(1168));
        if (manual != nullptr && id != nullptr) {
          manual->SetValue(true);
          id->SetValue("040000000099");
        }
        PressOk(dialog);
      });
      CString neuronId;
      Expect(GetLonGuiLinks()->RunReplaceNodeDialog(neuronId) == IDOK && neuronId == L"040000000099",
             "Replace node takes a typed Neuron ID");
      Next(app, 17);
      break;
    }
    case 17: {
      std::shared_ptr<CScanWindowLink> scan = GetLonGuiLinks()->CreateScanWindow();
      scan->SetDomain(L"4B");
      scan->SetNode(L"040000000001", 1, 4);
      auto* window = dynamic_cast<CScanWnd*>(scan.get());
      Expect(window != nullptr && window->GetWindow() != nullptr, "the scan window shows at its first line");
      if (window == nullptr || window->GetWindow() == nullptr) break;
      // The window has no title; the shot finds top-level windows by theirs.
      window->GetWindow()->SetLabel("Scanning");
      WhenPainted(window->GetWindow(), [&app, scan, window] {
        WhenPainted(window->GetWindow(), [&app, scan] {
          Shot(dynamic_cast<CScanWnd*>(scan.get())->GetWindow(), "14-scan");
          scan->Close();
          Next(app, 5);
        });
      });
      break;
    }
    case 5: {
      // The diagnostics workspace shows the client's group; its form lists the item after a tick.
      tessaly::win32::PumpPendingMessages();
      auto* diagnostics = dynamic_cast<CGroupItemChildFrame*>(frame->ShowWorkspace(IDR_DIAGNOSTICS));
      Expect(diagnostics != nullptr, "the diagnostics workspace is there");
      if (diagnostics == nullptr) break;
      CGroupItemPanes* panes = diagnostics->GetPanes();
      auto* tree = static_cast<wxTreeCtrl*>(panes->GetLeft());
      const wxTreeItemId group = FindTreeItem(tree, tree->GetRootItem(), "smoke");
      Expect(group.IsOk(), "the tree shows the client's group");
      if (!group.IsOk()) break;
      tree->SelectItem(group);
      Expect(panes->GetRightViewKind() == CGroupItemViewModel::RightViewGroupFeatures, "the group's form on the right");
      g_env->Clock().Advance(1000);
      tessaly::win32::PumpPendingMessages();
      auto* features = static_cast<CGroupFeaturesViewModel*>(panes->GetRightView());
      Expect(features->GetItems().GetRowCount() == 1, "the form lists the group's item after a tick");
      Expect(features->GetBannerText() == CString(L"Properties of the OPC Group 'smoke'"), "the banner names it");
      WhenPainted(panes->GetRight(), [&app, frame, tree, panes] {
        Shot(frame, "05b-diagnostics-group");
        tree->SelectItem(FindTreeItem(tree, tree->GetRootItem(), "OPC Server"));
        Expect(panes->GetRightViewKind() == CGroupItemViewModel::RightViewClient, "the root shows the client view");
        const CPropertyList& rows = frame->GetPropertiesWnd()->GetModel().GetRows();
        const CPropertyRow* count = rows.empty() ? nullptr : rows[0]->FindChild(L"Servers count");
        Expect(count != nullptr, "the properties pane shows the root");
        WhenPainted(panes->GetRight(), [&app, frame] {
          Shot(frame, "05c-diagnostics-server");
          // A close request that reaches the loop while the client is connected is dropped.
          PostMessage(frame->GetSafeHwnd(), WM_CLOSE, 0, 0);
          Next(app, 6);
        });
      });
      break;
    }
    case 6: {
      MSG msg;
      Expect(PeekMessage(&msg, frame->GetSafeHwnd(), 0, 0, PM_NOREMOVE) == FALSE, "the WM_CLOSE was served");
      Expect(frame->IsShown(), "WM_CLOSE dropped while a client is connected");
      g_boxes = std::make_shared<CScriptedMessageBoxPresenter>();
      g_scripted = std::make_unique<CScopedMessageBoxPresenter>(g_boxes);
      // No, then Yes; then No to saving the changed project.
      g_boxes->Answer({IDNO, IDYES, IDNO});
      Expect(!frame->Close(), "No keeps the window");
      Expect(g_boxes->Texts().size() == 1 &&
                 g_boxes->Texts()[0] == L"OPC Clients are currently connected to this server. Exit anyway?",
             "the question is asked");
      Shot(frame, "06-still-running");
      Expect(frame->Close(), "Yes closes");
      Expect(g_boxes->Texts().size() == 3, "the changed project is offered for saving");
      break;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  g_shots = argc > 1 ? argv[1] : ".";
  // A machine of its own with the simulated network control; its scripted presenter answers
  // every message box with the default button.
  g_env = std::make_unique<kestrum::testing::CKestrumEnvironment>();
  RunTheProgram(argv[0], [](CTessalyWxApp& started) { Step(started, 0); });
  g_client.reset();
  g_scripted.reset();
  for (const CString& text : g_env->Prompts().Texts()) std::printf("box: %ls\n", text.GetString());
  g_env.reset();
  Expect(g_nConnectedClients.load() == 0, "the client is gone at the end");
  std::printf("%zu failure(s)\n", g_failures.size());
  return g_failures.empty() ? 0 : 1;
}
