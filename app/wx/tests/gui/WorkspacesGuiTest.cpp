// The two workspaces as a user works in them, by real clicks, wheel turns and keys: a tag row
// below the first page stays selected and in view while monitoring ticks change its value; the
// properties pane follows the device selected and its "Set inactive"; deleting a device keeps
// the other items' expansion; the OPC item list sorted by value keeps the selected item and the
// scroll position across ticks that re-sort it, and the group's form counts the items a client
// adds within one tick.
#include <gtk/gtk.h>

#include <wx/dataview.h>
#include <wx/stattext.h>
#include <wx/treectrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app/shell/ShellCommands.h"
#include "app/wx/GroupItemChildFrame.h"
#include "app/wx/MainFrame.h"
#include "app/wx/PropertiesWnd.h"
#include "app/wx/tests/gui/GuiHarness.h"
#include "interfaces/kestrum/KestrumSimulation.h"
#include "lon/NodeTreeObject.h"
#include "lon/NvTreeObject.h"
#include "opcserver/OpcServerInstances.h"
#include "platform/com/Activation.h"
#include "opcserver/testing/OpcTestClient.h"
#include "project/Doc.h"
#include "views/models/GroupFeaturesViewModel.h"
#include "views/wx/DeviceView.h"
#include "views/wx/GroupItemPanes.h"
#include "views/wx/OPCItemsListCtrl.h"
#include "views/wx/SuperGridCtrl.h"
#include "views/wx/TagView.h"
#include "views/wx/TagsListCtrl.h"

using tessaly::gui::CGuiTest;

namespace {

constexpr int kWheelDown = 5;
// The group form's tick is a second; the bound leaves room for a loaded machine, the exact tick
// is the model test's.
constexpr int kOneTickMs = 3000;

CDeviceView* Devices(CGuiTest& t) {
  return CGuiTest::Find<CDeviceView>(t.Frame(), [](CDeviceView* w) { return CGuiTest::OnScreen(w); });
}
CTagView* Tags(CGuiTest& t) {
  return CGuiTest::Find<CTagView>(t.Frame(), [](CTagView* w) { return CGuiTest::OnScreen(w); });
}

// The device tree's item whose text starts with `prefix`; not ok when none.
wxTreeItemId TreeItem(wxTreeCtrl* tree, const wxTreeItemId& from, const wxString& prefix) {
  if (tree == nullptr || !from.IsOk()) return wxTreeItemId();
  if (tree->GetItemText(from).StartsWith(prefix)) return from;
  wxTreeItemIdValue cookie;
  for (wxTreeItemId child = tree->GetFirstChild(from, cookie); child.IsOk(); child = tree->GetNextChild(from, cookie))
    if (wxTreeItemId found = TreeItem(tree, child, prefix); found.IsOk()) return found;
  return wxTreeItemId();
}

// The middle of a tree item's text, in the tree's client coordinates.
wxPoint ItemPoint(wxTreeCtrl* tree, const wxTreeItemId& item) {
  wxRect rect;
  if (tree == nullptr || !item.IsOk() || !tree->GetBoundingRect(item, rect, true)) return wxPoint(-100, -100);
  return wxPoint(rect.x + std::min(rect.width / 2, 30), rect.y + rect.height / 2);
}

// The item's +/- button, in the tree's client coordinates, found as the tree's own hit test
// finds it.
wxPoint ButtonPoint(wxTreeCtrl* tree, const wxTreeItemId& item) {
  wxRect rect;
  if (tree == nullptr || !item.IsOk() || !tree->GetBoundingRect(item, rect, false)) return wxPoint(-100, -100);
  const int y = rect.y + rect.height / 2;
  for (int x = 0; x < rect.GetRight(); ++x) {
    int flags = 0;
    if (tree->HitTest(wxPoint(x, y), flags).IsOk() && (flags & wxTREE_HITTEST_ONITEMBUTTON) != 0) return wxPoint(x + 2, y);
  }
  return wxPoint(-100, -100);
}

// The middle of a row of a list, in the list's client coordinates (left part of the first column).
wxPoint RowPoint(wxDataViewCtrl* list, const wxDataViewItem& item) {
  if (list == nullptr || !item.IsOk()) return wxPoint(-100, -100);
  const wxRect rect = list->GetItemRect(item);
  return wxPoint(rect.x + 60, rect.y + rect.height / 2);
}

// A pop-up menu of the toolkit is on the screen.
bool PopupMenuShown() {
  GList* windows = gtk_window_list_toplevels();
  bool shown = false;
  for (GList* at = windows; at != nullptr && !shown; at = at->next) {
    GtkWidget* window = GTK_WIDGET(at->data);
    GtkWidget* child = GTK_IS_BIN(window) ? gtk_bin_get_child(GTK_BIN(window)) : nullptr;
    shown = gtk_widget_get_mapped(window) && child != nullptr && GTK_IS_MENU(child);
  }
  g_list_free(windows);
  return shown;
}

// The value the properties pane shows in the row of that name, as text; "-" when none.
wxString PaneRow(CGuiTest& t, const wxString& name) {
  for (const auto& group : t.Frame()->GetPropertiesWnd()->GetModel().GetRows())
    if (CPropertyRow* row = group->FindChild(name.wc_str())) {
      if (row->m_value.vt == VT_BOOL) return row->m_value.boolVal != VARIANT_FALSE ? "True" : "False";
      if (row->m_value.vt == VT_I4) return wxString::Format("%ld", static_cast<long>(row->m_value.lVal));
      if (row->m_value.vt == VT_UI4) return wxString::Format("%lu", static_cast<unsigned long>(row->m_value.ulVal));
      return wxString(row->m_value.vt == VT_BSTR && row->m_value.bstrVal != nullptr ? row->m_value.bstrVal : L"?");
    }
  return "-";
}

CGroupItemChildFrame* Diagnostics(CGuiTest& t) {
  return CGuiTest::Find<CGroupItemChildFrame>(t.Frame(), [](CGroupItemChildFrame* w) { return CGuiTest::OnScreen(w); });
}
wxTreeCtrl* DiagnosticsTree(CGuiTest& t) {
  CGroupItemChildFrame* frame = Diagnostics(t);
  return frame != nullptr ? static_cast<wxTreeCtrl*>(frame->GetPanes()->GetLeft()) : nullptr;
}
CGroupFeaturesViewModel* GroupForm(CGuiTest& t) {
  CGroupItemChildFrame* frame = Diagnostics(t);
  if (frame == nullptr || frame->GetPanes()->GetRightViewKind() != CGroupItemViewModel::RightViewGroupFeatures) return nullptr;
  return static_cast<CGroupFeaturesViewModel*>(frame->GetPanes()->GetRightView());
}
COPCItemsListCtrl* ItemList(CGuiTest& t) {
  CGroupItemChildFrame* frame = Diagnostics(t);
  return frame != nullptr && GroupForm(t) != nullptr ? CGuiTest::Find<COPCItemsListCtrl>(frame->GetPanes()->GetRight()) : nullptr;
}
// The text of the form's item count, as shown.
wxString ItemCountText(CGuiTest& t) {
  CGroupItemChildFrame* frame = Diagnostics(t);
  wxWindow* label = frame != nullptr && GroupForm(t) != nullptr ? CGuiTest::FindByLabel(frame->GetPanes()->GetRight(), "item(s)") : nullptr;
  return label != nullptr ? label->GetLabel() : wxString();
}
// The IDs of NVs 0 to 9 of the devices at these node numbers.
std::vector<CString> ItemIds(int firstNode, int lastNode) {
  std::vector<CString> ids;
  for (int node = firstNode; node <= lastNode; ++node)
    for (int index = 0; index < 10; ++index) {
      CString id;
      id.Format(L"4B.1.%d.%d", node, index);
      ids.push_back(id);
    }
  return ids;
}
int Added(const std::vector<OPCHANDLE>& handles) {
  int added = 0;
  for (OPCHANDLE handle : handles) added += handle != 0 ? 1 : 0;
  return added;
}
CComPtr<kestrum::IKestrumSimulation> Simulation() {
  CComPtr<kestrum::IKestrumSimulation> simulation;
  if (CDoc* doc = CDoc::GetDoc())
    doc->m_control.m_lpDispatch->QueryInterface(kestrum::IID_IKestrumSimulation, reinterpret_cast<void**>(&simulation));
  return simulation;
}

}  // namespace

int main() {
  CGuiTest t("app_wx_gui_workspaces");
  CDoc* doc = nullptr;
  auto docNow = [&] { return doc = CDoc::GetDoc(); };

  // ---- The tag view ----
  int ticks = 0;          // of the tag view's value timer, counted beside its own handler
  int topBefore = -1;     // the top row before the ticks
  int selectedRow = -1;   // the row clicked
  CTreeObject* selectedObject = nullptr;
  wxString valueBefore;

  t.Section("the configuration workspace, started and monitoring");
  t.Step("started", nullptr, [&] { return CGuiTest::OnScreen(t.Frame()) && Devices(t) != nullptr && docNow() != nullptr; },
         "the main window with the device and tag views");
  // A short window, so the tags of one device fill more than a page.
  t.Step("short-window", [&] { t.Frame()->SetSize(wxSize(1200, 500)); },
         [&] { return t.Frame()->GetSize().GetHeight() <= 540 && Tags(t) != nullptr && Tags(t)->GetSize().GetHeight() < 240; },
         "the main window 500 pixels high");
  t.Keys("f5", WXK_F5, 0, [&] { return doc->IsConnected() && TreeItem(Devices(t), Devices(t)->GetRootItem(), "RC-00001").IsOk(); },
         "the network started, its devices in the tree");
  t.Keys("shift+f9", WXK_F9, wxMOD_SHIFT, [&] { return doc->m_bMonitoring != 0 && Tags(t)->GetModel()->IsMonitorRunning(); },
         "monitoring on");
  // The device's item in view: its domain and subnet opened by clicks on their buttons.
  for (const char* level : {"Domain", "Subnet"}) {
    t.Step(std::string("open-") + level,
           [&t, level] {
             wxTreeCtrl* tree = Devices(t);
             const wxTreeItemId item = TreeItem(tree, tree->GetRootItem(), level);
             if (!item.IsOk() || tree->IsExpanded(item)) return;
             t.Input().Click(tree->ClientToScreen(ButtonPoint(tree, item)));
           },
           [&t, level] {
             wxTreeCtrl* tree = Devices(t);
             const wxTreeItemId item = TreeItem(tree, tree->GetRootItem(), level);
             return item.IsOk() && tree->IsExpanded(item);
           },
           std::string(level) + " opened");
  }
  t.ClickWindow("device", [&]() -> wxWindow* { return Devices(t); },
                [&] {
                  CTagViewModel* tags = Tags(t)->GetModel();
                  return tags->GetShownObject() != nullptr && tags->GetShownObject()->GetName().Find(L"RC-00001") == 0 &&
                         tags->GetList().GetRowCount() > Tags(t)->GetGrid()->GetRowsPerPage();
                },
                "the room controller's tags, more than a page",
                [&] { return ItemPoint(Devices(t), TreeItem(Devices(t), Devices(t)->GetRootItem(), "RC-00001")); });

  t.Section("properties pane: the device selected");
  t.Step("pane-shows-device", nullptr, [&] { return PaneRow(t, "Neuron ID") == "040000000001" && PaneRow(t, "Is active") == "True"; },
         "the properties pane with the device's rows, \"Is active\" True");
  t.Section("tag view: a row below the first page keeps its selection and the top row through five ticks");
  t.Step("scroll",
         [&] {
           wxWindow* grid = Tags(t)->GetGrid();
           const wxRect r = CGuiTest::ScreenRect(grid);
           for (int i = 0; i < 5; ++i) t.Input().Click(wxPoint(r.x + r.width / 2, r.y + r.height / 2), kWheelDown);
         },
         [&] { return Tags(t)->GetGrid()->GetTopRow() > 0; }, "the tag list scrolled down");
  t.Step("click-row",
         [&] {
           CSuperGridCtrl* grid = Tags(t)->GetGrid();
           CTagsListModel& list = Tags(t)->GetModel()->GetList();
           // An output of a number type below the first page (its device reports its changes).
           for (int row = list.GetRowCount() - 1; row >= grid->GetRowsPerPage() && selectedRow < 0; --row) {
             const CString name = list.GetRowItem(row)->GetCellText(1), type = list.GetRowItem(row)->GetCellText(3);
             if (name.Find(L"nvo") == 0 && (type == L"SNVT_lev_percent" || type == L"SNVT_temp_p" || type == L"SNVT_count"))
               selectedRow = row;
           }
           std::printf("row %d of %d, %d a page\n", selectedRow, list.GetRowCount(), grid->GetRowsPerPage());
           if (selectedRow >= 0) t.Input().Click(grid->ClientToScreen(RowPoint(grid, grid->GetRowItem(selectedRow))));
         },
         [&] {
           CSuperGridCtrl* grid = Tags(t)->GetGrid();
           return selectedRow >= 0 && grid->GetSelectedRows() == std::vector<int>{selectedRow} &&
                  Tags(t)->GetModel()->GetSelectedObject() != nullptr;
         },
         "an output row below the first page selected by the click");
  t.Step("ramp",
         [&] {
           CTagViewModel* tags = Tags(t)->GetModel();
           selectedObject = tags->GetSelectedObject();
           CComPtr<kestrum::IKestrumSimulation> simulation = Simulation();
           if (simulation != nullptr)
             simulation->SetBehaviour(selectedObject->GetName().GetString(), kestrum::kBehaviourRamp, 1, 0, 1000000);
           topBefore = Tags(t)->GetGrid()->GetTopRow();
           valueBefore = tags->GetList().GetRowItem(selectedRow)->GetCellText(2).GetString();
           Tags(t)->Bind(wxEVT_TIMER, [&ticks](wxTimerEvent& event) {
             ++ticks;
             event.Skip();
           });
           ticks = 0;
         },
         [&] { return topBefore > 0; }, "the top row noted");
  t.Step("five-ticks", nullptr, [&] { return ticks >= 5; }, "five ticks of the value timer");
  t.Check("the row is still selected", [&] {
    return Tags(t)->GetGrid()->GetSelectedRows() == std::vector<int>{selectedRow} &&
           Tags(t)->GetModel()->GetSelectedObject() == selectedObject;
  });
  t.Check("the top row is the same", [&] { return Tags(t)->GetGrid()->GetTopRow() == topBefore; });
  t.Check("the selected row's value changed", [&] {
    const wxString now = Tags(t)->GetModel()->GetList().GetRowItem(selectedRow)->GetCellText(2).GetString();
    std::printf("value %s -> %s\n", static_cast<const char*>(valueBefore.utf8_str()), static_cast<const char*>(now.utf8_str()));
    return !now.empty() && now != valueBefore;
  });

  t.Step("expand-row",
         [&] {
           CTagsListCtrl* grid = Tags(t)->GetGrid();
           CTagsListModel& list = Tags(t)->GetModel()->GetList();
           for (int row = grid->GetTopRow(); row < list.GetRowCount(); ++row) {
             if (!list.GetRowItem(row)->HasChildren()) continue;
             const wxRect rect = grid->GetItemRect(grid->GetRowItem(row));
             // The +/- box on the row's tree line, half a step in.
             t.Input().Click(grid->ClientToScreen(wxPoint(rect.x + CSuperGridCtrl::kStep / 2, rect.y + rect.height / 2)));
             return;
           }
         },
         [&] {
           for (const auto& root : Tags(t)->GetModel()->GetList().GetRootItems())
             if (root->HasChildren() && !root->IsCollapsed()) return true;
           return false;
         },
         "a row with fields opened by a click on its box, its tree lines drawn");
  t.Section("properties pane: set inactive from the device's context menu");
  // Another device, so the room controller's values go on changing for the OPC client below.
  t.ClickWindow("other-device", [&]() -> wxWindow* { return Devices(t); },
                [&] { return PaneRow(t, "Neuron ID") == "040000000003" && PaneRow(t, "Is active") == "True"; },
                "the pane shows the other device, \"Is active\" True",
                [&] { return ItemPoint(Devices(t), TreeItem(Devices(t), Devices(t)->GetRootItem(), "LA-00003")); });
  t.Step("context-menu",
         [&] {
           wxTreeCtrl* tree = Devices(t);
           t.Input().Click(tree->ClientToScreen(ItemPoint(tree, TreeItem(tree, tree->GetRootItem(), "LA-00003"))), 3);
         },
         [] { return PopupMenuShown(); }, "the device's context menu");
  // "Show status", then "Set inactive".
  t.KeysHere("down", WXK_DOWN, 0, [] { return PopupMenuShown(); }, "the menu still open");
  t.KeysHere("down-2", WXK_DOWN, 0, [] { return PopupMenuShown(); }, "the menu still open");
  t.KeysHere("set-inactive", WXK_RETURN, 0, [&] { return !PopupMenuShown() && PaneRow(t, "Is active") == "False"; },
             "the pane shows \"Is active\" False");

  t.Section("device view: deleting a device keeps the other items' expansion");
  t.Step("open-block-device",
         [&] {
           wxTreeCtrl* tree = Devices(t);
           t.Input().Click(tree->ClientToScreen(ButtonPoint(tree, TreeItem(tree, tree->GetRootItem(), "BD-00004"))));
         },
         [&] { return Devices(t)->IsExpanded(TreeItem(Devices(t), Devices(t)->GetRootItem(), "BD-00004")); },
         "the block device opened");
  t.ClickWindow("select-lamp", [&]() -> wxWindow* { return Devices(t); },
                [&] {
                  CTreeObject* selected = Devices(t)->GetModel()->GetSelectedObject();
                  return selected != nullptr && selected->GetName().Find(L"LA-00002") == 0;
                },
                "the lamp actuator selected",
                [&] { return ItemPoint(Devices(t), TreeItem(Devices(t), Devices(t)->GetRootItem(), "LA-00002")); });
  t.ClickTool("delete-tool", [&]() -> wxWindow* { return t.Frame()->GetAuiManager().GetPane("OPC Server").window; }, "Delete node",
              [&] { return t.MessageBoxShown("Do you really want to delete the node?"); }, "the question");
  t.ClickDialogButton("yes", "Yes", [&] {
    return !t.AnyDialogShown() && !TreeItem(Devices(t), Devices(t)->GetRootItem(), "LA-00002").IsOk();
  }, "the device gone from the tree");
  t.Check("the domain, the subnet and the block device are still open", [&] {
    wxTreeCtrl* tree = Devices(t);
    for (const char* prefix : {"Domain", "Subnet", "BD-00004"})
      if (!tree->IsExpanded(TreeItem(tree, tree->GetRootItem(), prefix))) return false;
    return TreeItem(tree, tree->GetRootItem(), "RC-00001").IsOk() && TreeItem(tree, tree->GetRootItem(), "LA-00003").IsOk();
  });

  // ---- The OPC item list ----
  std::unique_ptr<COpcTestClient> client;
  CComPtr<IOPCItemMgt> group;
  int itemCount = 0;
  DWORD selectedKey = 0;
  int itemTop = -1;
  wxString itemValueBefore;
  auto selectedItemRow = [&]() -> int {
    CGroupFeaturesViewModel* form = GroupForm(t);
    for (int row = 0; form != nullptr && row < form->GetItems().GetRowCount(); ++row)
      if (form->GetItems().GetRowKey(row) == selectedKey) return row;
    return -1;
  };

  t.Section("diagnostics: the group's form counts a client's items within one tick");
  // Room for the form and its item list.
  t.Step("tall-window", [&] { t.Frame()->SetSize(wxSize(1280, 880)); },
         [&] { return t.Frame()->GetSize().GetHeight() >= 840; }, "the main window 880 pixels high");
  t.ClickWindow("diagnostics", [&] { return CGuiTest::FindByLabel(t.Frame(), "OPC Dignostics"); },
                [&] { return DiagnosticsTree(t) != nullptr && TreeItem(DiagnosticsTree(t), DiagnosticsTree(t)->GetRootItem(), "OPC Server").IsOk(); },
                "the diagnostics workspace");
  t.Step("client-group",
         [&] {
           // A client of the program's own server (instance 0), in this process.
           client = std::make_unique<COpcTestClient>();
           CComPtr<IOPCServer> server;
           CoCreateInstance(GetOpcServerInstanceCLSID(0), nullptr, CLSCTX_LOCAL_SERVER, &server.p);
           if (server == nullptr) return;
           client->m_server = server;
           QueryAs<IOPCCommon>(server.p)->SetClientName(L"GUI client");
           group = client->AddGroup(L"gui", TRUE, 1000, 1);
         },
         [&] { return group != nullptr && TreeItem(DiagnosticsTree(t), DiagnosticsTree(t)->GetRootItem(), "gui").IsOk(); },
         "the client's group in the tree");
  t.ClickWindow("group", [&]() -> wxWindow* { return DiagnosticsTree(t); },
                [&] {
                  return ItemList(t) != nullptr && CGuiTest::OnScreen(ItemList(t)) && ItemList(t)->GetSize().GetHeight() > 120 &&
                         ItemCountText(t) == "0 item(s)";
                },
                "the group's form, 0 item(s)",
                [&] { return ItemPoint(DiagnosticsTree(t), TreeItem(DiagnosticsTree(t), DiagnosticsTree(t)->GetRootItem(), "gui")); });
  // The devices from the second room controller (node 5) on.
  t.Step("add-items", [&] { itemCount = Added(COpcTestClient::AddItems(group, ItemIds(5, 9))); },
         [&] {
           return itemCount > 0 && ItemCountText(t) == wxString::Format("%d item(s)", itemCount) &&
                  PaneRow(t, "Items count") == wxString::Format("%d", itemCount);
         },
         "the form's and the properties pane's count of the items added, at the form's next tick", kOneTickMs);

  t.Section("diagnostics: the item list sorted keeps the selected item and the scroll position through ticks and re-sorts");
  t.Step("sort-by-item-id",
         [&] {
           COPCItemsListCtrl* list = ItemList(t);
           const wxRect first = list->GetItemRect(list->GetRowItem(0));
           t.Input().Click(list->ClientToScreen(wxPoint(first.x + 40, first.y - 10)));
         },
         [&] { return GroupForm(t)->GetItems().GetSortColumn() == 0; }, "sorted by \"Item ID\"");
  t.Step("scroll-items",
         [&] {
           const wxRect r = CGuiTest::ScreenRect(ItemList(t));
           for (int i = 0; i < 5; ++i) t.Input().Click(wxPoint(r.x + r.width / 2, r.y + r.height / 2), kWheelDown);
         },
         [&] { return ItemList(t)->GetTopRow() >= 3; }, "the item list scrolled down");
  t.Step("click-item",
         [&] {
           COPCItemsListCtrl* list = ItemList(t);
           COPCItemsListModel& items = GroupForm(t)->GetItems();
           const int perPage = list->GetCountPerPage();
           // An output in view below the first page whose device value can ramp: it changes every second.
           CComPtr<kestrum::IKestrumSimulation> simulation = Simulation();
           int row = -1;
           for (int at = std::min(items.GetRowCount(), list->GetTopRow() + perPage) - 1; at >= perPage && row < 0; --at) {
             const CString text = items.GetCellText(at, 0);
             const int space = text.Find(L' ');
             if (space <= 0 || text.Find(L" nvo") != space || simulation == nullptr) continue;
             if (SUCCEEDED(simulation->SetBehaviour(text.Left(space).GetString(), kestrum::kBehaviourRamp, 1, 0, 1000000))) row = at;
           }
           std::printf("item row %d, %d a page\n", row, perPage);
           if (row < 0) return;
           selectedKey = items.GetRowKey(row);
           t.Input().Click(list->ClientToScreen(RowPoint(list, list->GetRowItem(row))));
         },
         [&] {
           return selectedKey != 0 && selectedItemRow() >= ItemList(t)->GetCountPerPage() &&
                  ItemList(t)->GetSelectedRows() == std::vector<int>{selectedItemRow()};
         },
         "an output below the first page selected by the click");
  int valueChanges = 0;
  wxString lastValue;
  t.Step("five-item-ticks",
         [&] {
           itemTop = ItemList(t)->GetTopRow();
           itemValueBefore = GroupForm(t)->GetItems().GetCellText(selectedItemRow(), 5).GetString();
           lastValue = itemValueBefore;
         },
         [&] {
           const wxString now = GroupForm(t)->GetItems().GetCellText(selectedItemRow(), 5).GetString();
           if (now != lastValue) {
             lastValue = now;
             ++valueChanges;
           }
           return valueChanges >= 5;
         },
         "five ticks that each showed a new value of the selected item");
  t.Check("the item is still selected and the list still scrolled as it was", [&] {
    return ItemList(t)->GetSelectedRows() == std::vector<int>{selectedItemRow()} && ItemList(t)->GetTopRow() == itemTop;
  });
  t.Check("the item's value changed", [&] {
    const wxString now = GroupForm(t)->GetItems().GetCellText(selectedItemRow(), 5).GetString();
    std::printf("item value %s -> %s\n", static_cast<const char*>(itemValueBefore.utf8_str()), static_cast<const char*>(now.utf8_str()));
    return now != itemValueBefore;
  });
  t.Step("more-items",
         [&] {
           // Items whose IDs sort before the selected one's: the re-sort moves its row down.
           itemCount += Added(COpcTestClient::AddItems(group, ItemIds(1, 1)));
           itemCount += Added(COpcTestClient::AddItems(group, ItemIds(10, 12)));
         },
         [&] { return ItemCountText(t) == wxString::Format("%d item(s)", itemCount); },
         "the new items counted by the form at its next tick", kOneTickMs);
  t.Check("the same item is selected, in its new row", [&] {
    std::printf("item now in row %d\n", selectedItemRow());
    return selectedItemRow() > itemTop + ItemList(t)->GetCountPerPage() &&
           ItemList(t)->GetSelectedRows() == std::vector<int>{selectedItemRow()};
  });
  t.Check("the scroll position is the same after the re-sort", [&] { return ItemList(t)->GetTopRow() == itemTop; });
  t.Step("client-gone",
         [&] {
           group.Release();
           client.reset();
         },
         [&] { return !TreeItem(DiagnosticsTree(t), DiagnosticsTree(t)->GetRootItem(), "GUI client").IsOk(); }, "the client gone");

  return t.Run({});
}
