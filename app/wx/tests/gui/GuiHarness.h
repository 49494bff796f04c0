// Drives the real program as a user does: the application object and main frame of app/main.cpp
// on a copy of the demo project, real mouse clicks and key presses through the X server (XTest),
// and a script of steps that each act and then wait for what the user would see, with a bound.
// Run a test under scripts/gui-test.sh (Xvfb, openbox, a fresh machine root); see
// MainWindowGuiTest.cpp for a whole script.
//
//   tessaly::gui::CGuiTest t("app_wx_gui_about");   // registered by tessaly_gui_test()
//   t.Section("About by the Help menu");
//   t.Keys("alt+h", 'H', wxMOD_ALT, [&] { return t.MenuShown({"Help"}); }, "the Help menu shown");
//   t.KeysHere("a", 'A', 0, [&] { return t.WxDialogReady("About"); }, "the About box");
//   t.KeysHere("enter", WXK_RETURN, 0, [&] { return t.WxDialog() == nullptr; }, "the About box closed");
//   return t.Run({});   // interactive (start mode 1); {L"-Run"} for start mode 4
//
// Acts never wait: they send input and return. The runner polls the step's predicate from a
// timer (it runs inside modal loops too), takes a screenshot once it holds and goes on; a step
// that does not see its state within its bound fails the test with what it waited for.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <wx/event.h>
#include <wx/colour.h>
#include <wx/gdicmn.h>
#include <wx/treebase.h>
#include <wx/string.h>
#include <wx/timer.h>
#include <wx/window.h>

#include "platform/win32/CString.h"

class wxAuiToolBar;
class wxDialog;
class wxMenu;
class wxMenuItem;
class wxTextCtrl;
class wxToolBar;
class wxTreeCtrl;
class wxAuiManager;
class wxTopLevelWindow;
class CMainFrame;
class CTessalyWxApp;
typedef struct _GtkWidget GtkWidget;
typedef struct _GtkWindow GtkWindow;

namespace tessaly::gui {

// Real input: XTest events on the X server, as a mouse and a keyboard make them. Nothing here
// waits for the program; a step's predicate does.
class CXInput {
 public:
  CXInput();
  ~CXInput();
  CXInput(const CXInput&) = delete;
  CXInput& operator=(const CXInput&) = delete;

  void MoveTo(const wxPoint& screen);
  // Moves there first; button 1 left, 2 middle, 3 right; modifiers (wxMOD_CONTROL, wxMOD_SHIFT)
  // held around the clicks, as for a selection of several rows.
  void Click(const wxPoint& screen, int button = 1, int count = 1, int modifiers = 0);
  // The mouse wheel over the point: notches down (positive) or up (negative).
  void Wheel(const wxPoint& screen, int notches);
  void ButtonDown(int button = 1);
  void ButtonUp(int button = 1);
  // A key by its wx code (WXK_F5, WXK_RETURN, 'S', '0'...) with wxMOD_SHIFT / wxMOD_CONTROL /
  // wxMOD_ALT held around it.
  void Key(int key, int modifiers = 0);
  // Printable ASCII text, with Shift where the keyboard map needs it.
  void Type(const wxString& text);
  // Whether the screen shows anything but black on this row (a window the server mapped but
  // the program has not painted yet is black on Xvfb).
  bool RowPainted(int x, int y, int width);
  // The whole screen as the X server shows it; false when it cannot be read.
  bool GrabScreen(class wxImage& image);
  // The colour the screen shows at the point.
  wxColour Pixel(const wxPoint& screen);

  // A drag of files from another client, dropped by the XDND protocol on the X window `target`
  // at the screen point: what a file manager does. Begins it; ServiceDrag, called from the
  // runner's timer, answers the target (the drop follows its acceptance, the files go as
  // text/uri-list when it asks for them).
  enum class DragState { kNone, kOffered, kDropped, kFinished, kRefused };
  void BeginFileDrop(unsigned long target, const wxPoint& screen, const std::vector<wxString>& paths);
  void ServiceDrag();
  DragState GetDragState() const { return m_dragState; }

 private:
  void Flush();
  void KeyCode(unsigned code, bool down);
  std::vector<unsigned> ModifierCodes(int modifiers);
  void* m_display = nullptr;  // Display*
  unsigned long m_dragSource = 0;
  unsigned long m_dragTarget = 0;
  unsigned long m_dragTime = 0;
  std::string m_uriList;
  DragState m_dragState = DragState::kNone;
};

// What the user sees of a native GTK dialog (message boxes, file choosers).
struct NativeDialog {
  GtkWindow* window = nullptr;
  wxString title;
  wxString text;  // a message box's text and its secondary text, one line apart
  bool isMessageBox = false;
  bool isFileChooser = false;
  bool isActive = false;  // it has the keyboard
};

class CGuiTest : public wxEvtHandler {
 public:
  using Act = std::function<void()>;
  using Until = std::function<bool()>;

  // name: the screenshots' folder under $TESSALY_GUI_SHOTS (set by scripts/gui-test.sh).
  explicit CGuiTest(std::string name);
  ~CGuiTest() override;

  // ---- The script ----
  // Steps from here on belong to this section. knownToFailUntil non-empty: the section is not
  // run and the report names what it waits for; TESSALY_GUI_RUN_KNOWN=1 runs them all, and
  // TESSALY_GUI_RUN_KNOWN=text those whose name or reason contains the text.
  // ifRunning: the section is left out, not failed, when an earlier one has ended the program.
  void Section(const std::string& name, const std::string& knownToFailUntil = std::string(), bool ifRunning = false);
  // act, then wait until `until` holds (at most timeoutMs), then a screenshot NN-name.png.
  void Step(const std::string& name, Act act, Until until, const std::string& waitsFor, int timeoutMs = 20000);
  // A check of what the user sees now; a failure is reported and the run goes on.
  void Check(const std::string& name, std::function<bool()> check);
  // Gives `window` the keyboard (through the window manager) unless it has it.
  void Focus(const std::string& name, std::function<wxTopLevelWindow*()> window);
  // A key press on the main window (focused first): a shortcut (F5, Shift+F5, Alt+0, Ctrl+S...).
  void Keys(const std::string& name, int key, int modifiers, Until until, const std::string& waitsFor);
  // A key press on whatever has the keyboard now (an open menu, a dialog): no focus step.
  void KeysHere(const std::string& name, int key, int modifiers, Until until, const std::string& waitsFor);
  // Opens the menu bar's menus by clicks on their titles (and on submenu entries), then clicks
  // the last entry of the path ({"View", "Toolbars and Docking Windows", "Output"}; labels as
  // shown, without mnemonics or shortcuts; "*text" is the entry whose label contains text).
  // Each opening waits for the menu on the screen.
  void ChooseMenu(const std::string& name, const std::vector<wxString>& path, Until until,
                  const std::string& waitsFor);
  // Opens the menus of the path (all entries but the last are menus) and waits for the last
  // one on the screen; with the menu left open for a look at its entries (MenuItemEnabled).
  void OpenMenu(const std::string& name, const std::vector<wxString>& path);
  // Closes open menus with Escape presses.
  void CloseMenus(const std::string& name);
  // A click on a tool of a tool bar, found by its label when it is shown and enabled.
  void ClickTool(const std::string& name, std::function<wxWindow*()> bar, const wxString& label, Until until,
                 const std::string& waitsFor);
  // A click on a window (its centre, or a point of its client area).
  void ClickWindow(const std::string& name, std::function<wxWindow*()> window, Until until,
                   const std::string& waitsFor, std::function<wxPoint()> clientPoint = nullptr);
  // Files dragged from another client and dropped on the window (XDND through the X server).
  void DropFiles(const std::string& name, std::function<wxWindow*()> onto, const std::vector<wxString>& paths,
                 Until until, const std::string& waitsFor);
  // A click on a button of the native dialog open now (message box: "Yes", "No", "OK", "Cancel").
  void ClickDialogButton(const std::string& name, const wxString& label, Until until, const std::string& waitsFor);
  // The same by keys: Alt and the button's mnemonic ("No": Alt+N), as a keyboard user answers.
  void AnswerMessageBox(const std::string& name, const wxString& label, Until until, const std::string& waitsFor);
  // The click itself, for a step's act: false when no such button is on the screen.
  bool ClickNativeButton(const wxString& label);
  // A click on a button of the modal wx dialog open now, by its label.
  void ClickWxDialogButton(const std::string& name, const wxString& label, Until until,
                           const std::string& waitsFor);
  // The file chooser open now: its location typed by keys (Ctrl+L where the chooser has no
  // name field, Ctrl+A, the path), then Enter.
  void AnswerFileChooser(const std::string& name, const wxString& path, Until until, const std::string& waitsFor);

  // Starts the program with these switches (the demo project's copy appended when
  // openProject), runs the script and ends; the exit code of the test.
  int Run(std::vector<CString> switches, bool openProject = true);

  // ---- The program ----
  CTessalyWxApp& App() { return *m_app; }
  CMainFrame* Frame() { return m_frameGone ? nullptr : m_frame; }
  bool ProgramEnded() const { return m_frameGone; }
  CXInput& Input() { return m_input; }
  // The copy of the demo project and a folder for files the test writes (both fresh per run).
  const wxString& ProjectPath() const { return m_project; }
  const wxString& WorkFolder() const { return m_work; }

  // ---- What the user sees ----
  // The modal wx dialog open and shown now whose title contains `title` (any when empty).
  wxDialog* WxDialog(const wxString& title = wxString()) const;
  // Native dialogs on the screen now (message boxes, file choosers).
  std::vector<NativeDialog> NativeDialogs() const;
  // The message box on the screen (its text), or an empty text.
  wxString MessageBoxText() const;
  bool MessageBoxShown(const wxString& textPart) const;
  bool FileChooserShown() const;
  // The same, with the keyboard: ready for keys.
  bool MessageBoxReady(const wxString& textPart) const;
  bool FileChooserReady() const;
  bool WxDialogReady(const wxString& title = wxString()) const;
  // Any dialog, native or wx, on the screen.
  bool AnyDialogShown() const;
  // The menu of the path is on the screen ({"File"}, {"View", "Application Look"}).
  bool MenuShown(const std::vector<wxString>& path) const;
  bool AnyMenuShown() const;
  // The entry is on the screen (its menu open).
  bool MenuItemShown(const std::vector<wxString>& path) const;
  // The entry is enabled as the user sees it (its menu open).
  bool MenuItemEnabled(const std::vector<wxString>& path) const;
  bool MenuItemChecked(const std::vector<wxString>& path) const;
  // The main frame has the keyboard.
  bool MainWindowActive() const;
  // The window and its parents are shown and mapped on the screen.
  static bool OnScreen(wxWindow* window);
  // The first window below `root` (itself included) of type T.
  template <typename T>
  static T* Find(wxWindow* root, const std::function<bool(T*)>& wanted = nullptr);
  // The first child window of the frame of type T whose label or name contains `text`.
  static wxWindow* FindByLabel(wxWindow* root, const wxString& text);
  // The file's text (UTF-8, or UTF-16LE with or without a byte-order mark); empty when missing.
  static wxString FileText(const wxString& path);
  static bool FileExists(const wxString& path);

  // ---- Geometry (screen coordinates) ----
  static wxRect ScreenRect(wxWindow* window);
  static wxRect WidgetScreenRect(GtkWidget* widget);
  // The tool's rectangle on the screen; empty when the bar has no such tool.
  static wxRect ToolScreenRect(wxWindow* bar, const wxString& label);
  static bool ToolEnabled(wxWindow* bar, const wxString& label);
  static bool ToolChecked(wxWindow* bar, const wxString& label);
  // The tool bar (wxToolBar or wxAuiToolBar) inside a pane.
  static wxWindow* ToolBarIn(wxWindow* pane);
  // The close button of a docked pane's caption, on the screen.
  static wxRect PaneCloseButtonRect(wxAuiManager& manager, const wxString& pane);
  // A tree item's text on the screen (empty when it is not shown).
  static wxRect TreeItemScreenRect(wxTreeCtrl* tree, const wxTreeItemId& item);
  // A row of a wxDataViewCtrl (a list: the row's index) on the screen; empty when it is not shown.
  static wxRect DataViewRowScreenRect(wxWindow* view, int row);
  // The text a list-like wxDataViewCtrl shows in a row under the column of that title.
  static wxString DataViewCellText(wxWindow* view, int row, const wxString& columnTitle);
  // The first item, depth first, whose text the predicate accepts.
  static wxTreeItemId FindTreeItem(wxTreeCtrl* tree, const std::function<bool(const wxString&)>& wanted);
  // The text the clipboard holds now (what a paste would give).
  static wxString ClipboardText();

  // Screenshot of the whole screen (menus and dialogs included).
  void Shot(const std::string& name);
  // Every window of the program on the screen has painted (none is still black).
  bool ScreenPainted();

 private:
  struct ScriptStep {
    std::string section;
    std::string name;
    Act act;
    Until until;
    std::string waitsFor;
    int timeoutMs = 20000;
    bool shot = true;
    bool check = false;  // a check: the predicate once, no wait
    std::string knownToFail;
    bool ifRunning = false;
  };
  void Add(ScriptStep step);
  void Start();
  void OnPoll(wxTimerEvent& event);
  void Fail(const ScriptStep& step, const std::string& why);
  void Finish();
  bool RunsKnown(const ScriptStep& step) const;
  wxMenu* MenuOfPath(const std::vector<wxString>& path, size_t count) const;
  wxMenuItem* ItemOfPath(const std::vector<wxString>& path) const;
  GtkWidget* MenuTitleWidget(const wxString& title) const;

  std::string m_name;
  std::string m_section;
  std::string m_known;
  bool m_ifRunning = false;
  std::string m_shots;
  wxString m_project;
  wxString m_work;
  std::vector<ScriptStep> m_steps;
  size_t m_current = 0;
  bool m_acted = false;
  int m_heldPolls = 0;
  long long m_heldAt = 0;
  long long m_startedAt = 0;
  int m_shotNumber = 0;
  std::vector<std::string> m_failures;
  std::vector<std::string> m_skipped;
  std::string m_runKnown;
  std::unique_ptr<wxTimer> m_poll;  // made once the toolkit runs
  CXInput m_input;
  CTessalyWxApp* m_app = nullptr;
  CMainFrame* m_frame = nullptr;
  bool m_frameGone = false;
  bool m_done = false;
};

template <typename T>
T* CGuiTest::Find(wxWindow* root, const std::function<bool(T*)>& wanted) {
  if (root == nullptr) return nullptr;
  if (auto* typed = dynamic_cast<T*>(root); typed != nullptr && (!wanted || wanted(typed))) return typed;
  for (wxWindow* child : root->GetChildren()) {
    if (T* found = Find<T>(child, wanted)) return found;
  }
  return nullptr;
}

}  // namespace tessaly::gui
