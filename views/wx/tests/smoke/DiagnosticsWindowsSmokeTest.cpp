// The OPC diagnostics workspace's windows under Xvfb, over the project document with an
// in-process OPC client on the demo network: the tree shows the client and its group, the
// group's form its items after a tick, the root the client view; a removed group leaves the
// tree. A screenshot per step goes into the folder named on the command line.
#include <wx/app.h>
#include <wx/bookctrl.h>
#include <wx/listctrl.h>
#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/splitter.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/EventsManager.h"
#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/testing/FakeLonObject.h"
#include "opcserver/testing/OpcTestClient.h"
#include "opcserver/testing/demo/OpcDemoNetwork.h"
#include "platform/win32/Messages.h"
#include "project/Doc.h"
#include "views/wx/GroupDialog.h"
#include "views/wx/GroupItemPanes.h"
#include "views/wx/GroupItemView.h"
#include "views/wx/StatusPage.h"
#include "views/wx/StatusSheets.h"

namespace {

std::string g_shots;
int g_failures = 0;

void Expect(bool ok, const char* what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what);
  if (!ok) ++g_failures;
}

// The platform's queue and the toolkit's, until the condition holds (a generous bound: 10 s).
bool PumpUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 1000; ++i) {
    tessaly::win32::PumpPendingMessages();
    wxTheApp->Yield(true);
    if (done()) return true;
    wxMilliSleep(10);
  }
  return done();
}

void Shot(wxTopLevelWindow* frame, const std::string& name) {
  frame->Refresh();
  frame->Update();
  PumpUntil([] { return true; });
  const wxString path = wxString(g_shots + "/" + name + ".png");
  const wxString script =
      "id=$(xwininfo -root -tree | grep -F \"\\\"$1\\\"\" | awk '{print $1; exit}'); "
      "[ -n \"$id\" ] && xwd -id \"$id\" -silent | convert xwd:- \"png:$2\"";
  const wxString title = frame->GetTitle();
  const wchar_t* argv[] = {L"sh", L"-c", script.wc_str(), L"sh", title.wc_str(), path.wc_str(), nullptr};
  Expect(wxExecute(argv, wxEXEC_SYNC) == 0, ("screenshot " + name).c_str());
}

wxTreeItemId FindItem(wxTreeCtrl* tree, const wxTreeItemId& from, const wxString& text) {
  wxTreeItemIdValue cookie;
  for (wxTreeItemId child = tree->GetFirstChild(from, cookie); child.IsOk(); child = tree->GetNextChild(from, cookie)) {
    if (tree->GetItemText(child) == text) return child;
    wxTreeItemId below = FindItem(tree, child, text);
    if (below.IsOk()) return below;
  }
  return wxTreeItemId();
}

void Scenario() {
  COpcDemoNetwork net;
  Expect(net.IsOpen(), "demo network open");
  static CEventsManager* events = CEventsManager::Create();
  Expect(events != nullptr, "events manager");
  auto doc = std::make_unique<CDoc>();
  doc->m_bAutoDelete = false;

  auto* frame = new wxFrame(nullptr, wxID_ANY, "Tessaly diagnostics smoke", wxDefaultPosition, wxSize(1100, 700));
  auto* splitter = new wxSplitterWindow(frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSP_LIVE_UPDATE);
  auto panes = std::make_unique<CGroupItemPanes>(splitter, doc.get());
  splitter->SplitVertically(panes->GetLeft(), panes->GetRight(), 300);
  frame->Show();
  auto* tree = static_cast<wxTreeCtrl*>(panes->GetLeft());
  Expect(PumpUntil([&] { return FindItem(tree, tree->GetRootItem(), "OPC Server").IsOk(); }), "root shown");

  {
    COpcTestClient client;
    QueryAs<IOPCCommon>(client.Server())->SetClientName(L"Smoke client");
    OPCHANDLE hGroup = 0;
    CComPtr<IOPCItemMgt> group = client.AddGroup(L"Smoke group", TRUE, 1000, 1, &hGroup);
    std::vector<CString> ids = net.NvItemIds();
    ids.resize(5);
    client.AddItems(group, ids);
    Expect(PumpUntil([&] { return FindItem(tree, tree->GetRootItem(), "Smoke group").IsOk(); }), "group shown");

    tree->SelectItem(FindItem(tree, tree->GetRootItem(), "Smoke group"));
    Expect(PumpUntil([&] { return panes->GetRightViewKind() == CGroupItemViewModel::RightViewGroupFeatures; }),
           "group form on the right");
    auto* features = static_cast<CGroupFeaturesViewModel*>(panes->GetRightView());
    net.AdvanceClock(1000);
    Expect(PumpUntil([&] { return features->GetItems().GetRowCount() == 5; }), "five item rows after a tick");
    Shot(frame, "diagnostics-group");

    tree->SelectItem(FindItem(tree, tree->GetRootItem(), "OPC Server"));
    Expect(PumpUntil([&] { return panes->GetRightViewKind() == CGroupItemViewModel::RightViewClient; }),
           "client view for the root");
    auto* clientView = static_cast<CClientViewModel*>(panes->GetRightView());
    Expect(clientView->GetRows().size() == 3, "root rows");
    Shot(frame, "diagnostics-root");

    tree->SelectItem(FindItem(tree, tree->GetRootItem(), "Smoke client"));
    PumpUntil([&] { return clientView->GetShownType() == TreeObjectOpcServer; });
    Expect(clientView->GetRows().size() == 4, "client rows");
    Shot(frame, "diagnostics-client");

    group.Release();
    client.Server()->RemoveGroup(hGroup, TRUE);
    Expect(PumpUntil([&] { return !FindItem(tree, tree->GetRootItem(), "Smoke group").IsOk(); }), "group gone");
  }
  Expect(PumpUntil([&] { return !FindItem(tree, tree->GetRootItem(), "Smoke client").IsOk(); }), "client gone");
  Shot(frame, "diagnostics-empty");

  // "Set name" gives back what was typed, and starts empty.
  {
    GroupDialog dialog(frame);
    dialog.TransferDataToWindow();
    auto* edit = static_cast<wxTextCtrl*>(dialog.FindWindow(GroupDialog::IDC_NAME));
    Expect(edit != nullptr && edit->GetValue().empty(), "Set name starts empty");
    if (edit != nullptr) edit->ChangeValue("Slow line");
    dialog.TransferDataFromWindow();
    Expect(dialog.m_strName == CString(L"Slow line"), "Set name gives the name back");
  }

  // A router's sheet: its two sides, captioned; each list shows all ten counters with their
  // whole labels and values, and the sheet can be resized.
  {
    CFakeLonObject status;
    for (DISPID id : {1, 4, 6, 7}) status.SetProp(id, FakeText(L"a status text longer than the built-in column"));
    for (DISPID id : {2, 3, 5, 8, 9, 10}) status.SetProp(id, FakeLong(123456789));
    CFakeLonObject nearSide, farSide;
    nearSide.SetProp(kestrum::side::kStatus, FakeObject(status.GetIDispatch(FALSE)));
    farSide.SetProp(kestrum::side::kStatus, FakeObject(status.GetIDispatch(FALSE)));
    auto* sheet = new CStatusSheet(frame, L"Router '040000000099'");
    sheet->AddRouterSidePage(L"Near side", nearSide.GetIDispatch(FALSE));
    sheet->AddRouterSidePage(L"Far side", farSide.GetIDispatch(FALSE));
    sheet->Finish();
    sheet->Show();
    Expect(PumpUntil([&] { return sheet->IsShownOnScreen(); }), "router sheet shown");
    wxBookCtrlBase* book = sheet->GetBookCtrl();
    Expect(book->GetPageCount() == 2 && book->GetPageText(0) == "Near side" && book->GetPageText(1) == "Far side",
           "the sheet's pages are the near and the far side");
    Expect((sheet->GetWindowStyle() & wxRESIZE_BORDER) != 0, "the sheet can be resized");
    wxListCtrl* list = static_cast<CStatusPage*>(book->GetPage(0))->GetList();
    wxRect last;
    Expect(list->GetItemCount() == 10 && list->GetItemRect(9, last) && last.GetBottom() < list->GetClientSize().GetHeight(),
           "the tenth row in view");
    const int widest = list->GetTextExtent("a status text longer than the built-in column").GetWidth();
    Expect(list->GetColumnWidth(1) > widest, "the value column shows the whole text");
    Shot(sheet, "router-sheet");
    sheet->Destroy();
    PumpUntil([] { return true; });
    nearSide.ClearProps();
    farSide.ClearProps();
  }

  panes.reset();
  frame->Destroy();
  PumpUntil([] { return true; });
  doc.reset();
}

class CSmokeApp : public wxApp {
 public:
  bool OnInit() override {
    CallAfter([] {
      Scenario();
      wxTheApp->ExitMainLoop();
    });
    return true;
  }
};

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(CSmokeApp);

int main(int argc, char** argv) {
  g_shots = argc > 1 ? argv[1] : ".";
  wxEntry(argc, argv);
  std::printf("%d failure(s)\n", g_failures);
  return g_failures == 0 ? 0 : 1;
}
