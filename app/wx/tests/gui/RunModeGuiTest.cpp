// The program started with "-Run" on the demo project, as a user sees it: titled "run", the network
// serving at once, New, Open, the recent files and Stop disabled (nothing may stop serving the
// clients from the keyboard), Start disabled while it serves, and Exit ending the program.
#include <wx/aui/aui.h>
#include <wx/textctrl.h>

#include "app/wx/MainFrame.h"
#include "app/wx/OutputWnd.h"
#include "app/wx/tests/gui/GuiHarness.h"

using tessaly::gui::CGuiTest;

int main() {
  CGuiTest t("app_wx_gui_run_mode");
  auto opc = [&t]() -> wxWindow* { return t.Frame()->GetAuiManager().GetPane("OPC Server").window; };
  auto standard = [&t]() -> wxWindow* { return t.Frame()->GetAuiManager().GetPane("Standard").window; };

  t.Section("started with -Run: the network serves at once");
  t.Step("started", nullptr, [&] {
    return CGuiTest::OnScreen(t.Frame()) && t.Frame()->GetTitle().Contains("Tarn OPC Server (run)") &&
           t.Frame()->GetOutputWnd()->GetTextCtrl()->GetValue().Contains("Start time:");
  }, "the main window titled \"run\", the start time in the Output pane");
  t.Check("Start and Stop disabled", [&] {
    return !CGuiTest::ToolEnabled(opc(), "Start") && !CGuiTest::ToolEnabled(opc(), "Stop");
  });
  t.Check("the Standard bar's New and Open disabled", [&] {
    return !CGuiTest::ToolEnabled(standard(), "New") && !CGuiTest::ToolEnabled(standard(), "Open");
  });

  t.Section("the File and Control menus under -Run");
  t.OpenMenu("look at the File menu", {"File"});
  t.Check("the start project listed as a recent file", [&t] { return t.MenuItemShown({"File", "*demo.tdbx"}); });
  t.Check("New, Open... and the recent file disabled", [&t] {
    return !t.MenuItemEnabled({"File", "New"}) && !t.MenuItemEnabled({"File", "Open..."}) &&
           !t.MenuItemEnabled({"File", "*demo.tdbx"});
  });
  t.CloseMenus("close the menu");
  t.OpenMenu("look at the Control menu", {"Control"});
  t.Check("Start and Stop disabled", [&t] {
    return !t.MenuItemEnabled({"Control", "Start"}) && !t.MenuItemEnabled({"Control", "Stop"});
  });
  t.CloseMenus("close the menu");
  t.Keys("Shift+F5 does nothing", WXK_F5, wxMOD_SHIFT, [&] {
    return !t.AnyDialogShown() && !CGuiTest::ToolEnabled(opc(), "Start");
  }, "the network still serving");

  t.Section("File: Exit ends the program");
  t.ChooseMenu("File: Exit", {"File", "Exit"}, [&t] { return t.ProgramEnded(); }, "the program ended");
  return t.Run({L"-Run"});
}
