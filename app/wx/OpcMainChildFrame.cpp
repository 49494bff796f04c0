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

// A view whose selection or selected data changed is the one the user works in: it becomes the
// frame's active view, and the main window refreshes its properties pane from it.
std::function<void(WPARAM, CTreeObject*)> RouteProperties(CFrameWnd* frame, CView* view) {
  return [frame, view](WPARAM what, CTreeObject* object) {
    frame->SetActiveView(view);
    CViewMessageWindow::RefreshPropertiesPane(what, reinterpret_cast<LPARAM>(object));
  };
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
            RouteFocus(window, frame, model);
            window->m_updateProperties = RouteProperties(frame, model);
            return window;
          },
          [frame](wxWindow* splitter) -> wxWindow* {
            CTagViewModel* model = frame != nullptr ? frame->FindView<CTagViewModel>() : nullptr;
            if (model == nullptr) return Banner(splitter, "Tags");
            auto* window = new CTagViewWnd(splitter, *model);
            window->SetName("Tags");
            RouteFocus(window, frame, model);
            window->m_updateProperties = RouteProperties(frame, model);
            return window;
          }) {}
