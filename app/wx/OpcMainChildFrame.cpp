#include "app/wx/OpcMainChildFrame.h"

#include <wx/sizer.h>

#include "app/shell/ShellCommands.h"
#include "app/wx/DlgBanner.h"
#include "platform/afx/FrameWnd.h"
#include "views/models/ViewMessageWindow.h"
#include "views/wx/DeviceViewWnd.h"
#include "views/wx/TagViewWnd.h"

namespace {

wxWindow* Banner(wxWindow* parent, const wxString& name) {
  auto* view = new wxPanel(parent, wxID_ANY);
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(new CDlgBanner(view, name), 0, wxEXPAND);
  view->SetSizer(sizer);
  return view;
}

// A view's window makes its view the frame's active one when it gets the focus, so commands
// reach the view the user works in.
void RouteFocus(wxWindow* window, CFrameWnd* frame, CView* view) {
  window->Bind(wxEVT_CHILD_FOCUS, [frame, view](wxChildFocusEvent& event) {
    frame->SetActiveView(view);
    event.Skip();
  });
}

// WM_APP+0x103 to the main window: its properties pane refreshes from the active view.
void SendToPropertiesPane(WPARAM what, CTreeObject* object) {
  CViewMessageWindow::RefreshPropertiesPane(what, reinterpret_cast<LPARAM>(object));
}

}  // namespace

COpcMainChildFrame::COpcMainChildFrame(wxWindow* parent, CFrameWnd* frame)
    : CSplitChildFrame(
          parent, IDR_CONFIGURATION, L"COpcMainChildFrame",
          [frame](wxWindow* splitter) -> wxWindow* {
            CDeviceViewModel* model = frame != nullptr ? frame->FindView<CDeviceViewModel>() : nullptr;
            if (model == nullptr) return Banner(splitter, "Devices");
            auto* window = new CDeviceViewWnd(splitter, *model);
            window->SetName("Devices");
            window->m_updateProperties = SendToPropertiesPane;
            RouteFocus(window, frame, model);
            return window;
          },
          [frame](wxWindow* splitter) -> wxWindow* {
            CTagViewModel* model = frame != nullptr ? frame->FindView<CTagViewModel>() : nullptr;
            if (model == nullptr) return Banner(splitter, "Tags");
            auto* window = new CTagViewWnd(splitter, *model);
            window->SetName("Tags");
            window->m_updateProperties = SendToPropertiesPane;
            RouteFocus(window, frame, model);
            return window;
          }) {}
