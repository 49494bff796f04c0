// The steps the window tests that run inside the program share: a checked expectation, a
// screenshot of a window as the X server shows it, and waits for a paint or a modal dialog (the
// observed events, never time).
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/image.h>
#include <wx/toplevel.h>
#include <wx/utils.h>
#include <wx/window.h>

#include "app/shell/TessalyCommandLine.h"
#include "app/wx/MainFrame.h"
#include "app/wx/TessalyWxApp.h"
#include "lon/DefaultObject.h"

namespace window_test {

inline std::string g_shots;  // the folder the screenshots go to
inline std::vector<std::string> g_failures;

inline void Expect(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  if (!ok) g_failures.push_back(what);
}

// The window's top-level X window, found by its title, as the X server shows it (xwd).
inline void Shot(wxWindow* window, const std::string& name) {
  window->Refresh();
  window->Update();
  wxTheApp->Yield(true);
  const wxString path = wxString(g_shots + "/" + name + ".png");
  const wxString title = wxGetTopLevelParent(window)->GetLabel();
  const wxString script =
      "id=$(xwininfo -root -tree | grep -F \"\\\"$1\\\"\" | awk '{print $1; exit}'); "
      "[ -n \"$id\" ] && xwd -id \"$id\" -silent | convert xwd:- \"png:$2\"";
  const wchar_t* argv[] = {L"sh", L"-c", script.wc_str(), L"sh", title.wc_str(), path.wc_str(), nullptr};
  Expect(wxExecute(argv, wxEXEC_SYNC) == 0, "screenshot " + path.ToStdString());
}

// Once the window has painted (the observed event), then runs after that paint is done.
inline void WhenPainted(wxWindow* window, std::function<void()> then) {
  auto done = std::make_shared<bool>(false);
  window->Bind(wxEVT_PAINT, [done, then](wxPaintEvent& event) {
    event.Skip();
    if (*done) return;
    *done = true;
    wxTheApp->CallAfter(then);
  });
  window->Refresh();
}

// The modal dialog open now, if any.
inline wxDialog* OpenDialog() {
  for (wxWindow* window : wxTopLevelWindows) {
    if (auto* dialog = dynamic_cast<wxDialog*>(window); dialog != nullptr && dialog->IsModal()) return dialog;
  }
  return nullptr;
}

// Runs inside the dialog's modal loop: waits for it to open, then acts; act ends it.
inline void WhenDialogOpen(std::function<void(wxDialog*)> act) {
  wxTheApp->CallAfter([act] {
    if (wxDialog* dialog = OpenDialog()) {
      act(dialog);
    } else {
      WhenDialogOpen(act);
    }
  });
}

// Waits for the next modal dialog, shoots it once it shows, then acts on it (act ends it).
inline void ShootDialog(const std::string& name, std::function<void(wxDialog*)> act) {
  WhenDialogOpen([name, act](wxDialog* dialog) {
    // A new top-level window: its first paint may precede its mapping, so the second counts.
    WhenPainted(dialog, [dialog, name, act] {
      WhenPainted(dialog, [dialog, name, act] {
        Shot(dialog, name);
        act(dialog);
      });
    });
  });
}

// The first device of the tree with an NV among its own rows, and that NV. A device with
// functional blocks lists its NVs under the blocks' collapsed rows, and which device comes first
// varies with the upload, so the first NV of the tree need not be listed.
struct DeviceAndNv {
  CDefaultObject* device = nullptr;
  CDefaultObject* nv = nullptr;
};
inline DeviceAndNv FindDeviceWithAnNv(CTreeObject* object) {
  for (CTreeObject* child : object->m_children) {
    auto* device = dynamic_cast<CDefaultObject*>(child);
    if (device != nullptr && device->GetType() == TreeObjectNode) {
      for (CTreeObject* row : device->m_children) {
        if (auto* nv = dynamic_cast<CDefaultObject*>(row); nv != nullptr && nv->GetType() == TreeObjectNV) return {device, nv};
      }
    }
    if (DeviceAndNv found = FindDeviceWithAnNv(child); found.device != nullptr) return found;
  }
  return {};
}

// Runs the program with "-Run" (the test's own presenter answers the message boxes) until its
// main window closes; the first step runs once the configuration workspace has painted. A step
// that never sees its event fails the run after 150 s instead of hanging it.
inline void RunTheProgram(char* argv0, std::function<void(CTessalyWxApp&)> first) {
  std::thread([] {
    std::this_thread::sleep_for(std::chrono::seconds(150));
    std::printf("FAIL finished within 150 s\n");
    std::fflush(stdout);
    std::_Exit(2);
  }).detach();
  auto* app = new CTessalyWxApp(CTessalyCommandLine::Parse(std::vector<CString>{L"-Run"}));
  app->m_bInstallPresenter = false;
  app->m_onStarted = [first = std::move(first)](CTessalyWxApp& started) {
    wxImage::AddHandler(new wxPNGHandler);
    wxWindow* view = wxWindow::FindWindowByName("Devices", started.GetMainFrame());
    if (view == nullptr) {
      Expect(false, "the configuration workspace is open at start");
      std::_Exit(1);
    }
    WhenPainted(view, [&started, first] { first(started); });
  };
  wxApp::SetInstance(app);
  char* args[] = {argv0, nullptr};
  int count = 1;
  wxEntry(count, args);
}

}  // namespace window_test
