// The harness's first script: the About box by the Help menu with real keys, closed with Enter,
// and by clicks;
// F5 starts the network, Shift+F5 stops it, as the OPC Server tool bar and the Output pane show.
#include <wx/aui/aui.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>

#include "app/wx/MainFrame.h"
#include "app/wx/OutputWnd.h"
#include "app/wx/tests/gui/GuiHarness.h"

using tessaly::gui::CGuiTest;

int main() {
  CGuiTest t("app_wx_gui_about");
  auto opcBar = [&t]() -> wxWindow* { return t.Frame()->GetAuiManager().GetPane("OPC Server").window; };
  auto output = [&t] { return t.Frame()->GetOutputWnd()->GetTextCtrl()->GetValue(); };

  t.Section("the program starts on the project");
  t.Step("started", nullptr, [&t] { return CGuiTest::OnScreen(t.Frame()) && t.Frame()->GetTitle().StartsWith("demo"); },
         "the main window titled with the project");

  t.Section("About by the Help menu, with keys");
  t.Keys("alt+h", 'H', wxMOD_ALT, [&t] { return t.MenuShown({"Help"}); }, "the Help menu on the screen");
  t.KeysHere("a", 'A', 0, [&t] {
    wxDialog* about = t.WxDialog("About Tarn OPC Server");
    return about != nullptr && about->IsActive();
  }, "the About box, with the keyboard");
  t.Check("it names the version", [&t] {
    return CGuiTest::FindByLabel(t.WxDialog("About"), "OPC Server Version ") != nullptr;
  });
  t.KeysHere("enter", WXK_RETURN, 0, [&t] { return t.WxDialog() == nullptr && !t.AnyMenuShown(); },
             "the About box closed");

  t.Section("F10 opens the first menu, the arrows move along the bar");
  t.Keys("f10", WXK_F10, 0, [&t] { return t.MenuShown({"File"}); }, "the File menu on the screen");
  t.KeysHere("right", WXK_RIGHT, 0, [&t] { return t.MenuShown({"Edit"}) && !t.MenuShown({"File"}); },
             "the Edit menu on the screen");
  t.KeysHere("escape", WXK_ESCAPE, 0, [&t] { return !t.AnyMenuShown(); }, "no menu");

  t.Section("About by the Help menu, with the mouse");
  t.ChooseMenu("help-about", {"Help", "About Tessaly..."}, [&t] { return t.WxDialog("About Tarn OPC Server") != nullptr; },
               "the About box");
  t.ClickWxDialogButton("ok", "OK", [&t] { return t.WxDialog() == nullptr; }, "the About box closed");

  t.Section("F5 starts, Shift+F5 stops");
  t.Keys("f5", WXK_F5, 0, [&] {
    return !CGuiTest::ToolEnabled(opcBar(), "Start") && CGuiTest::ToolEnabled(opcBar(), "Stop") &&
           output().Contains("Start time:");
  }, "Start disabled, Stop enabled and the start time in the Output pane");
  t.Keys("shift+f5", WXK_F5, wxMOD_SHIFT, [&] {
    return CGuiTest::ToolEnabled(opcBar(), "Start") && !CGuiTest::ToolEnabled(opcBar(), "Stop");
  }, "Start enabled again, Stop disabled");
  return t.Run({});
}
