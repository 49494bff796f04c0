// The main window: menus, the two tool bars, the status panes, the outlook bar, the output and
// properties panes and a notebook with one page per workspace, all docked by wxAuiManager. Its
// platform window takes the system's messages: WM_CLOSE (guarded while clients are connected),
// WM_APP+0x103 (refresh the properties pane) and timer 100 (forwarded to the document).
#pragma once

#include <functional>
#include <set>

#include <wx/aui/aui.h>
#include <wx/aui/auibook.h>
#include <wx/frame.h>
#include <wx/timer.h>

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

class CTessalyApp;
class COutputWnd;
class CPropertiesWnd;
class CSplitChildFrame;
struct COutputSettings;

class CMainFrame : public wxFrame {
 public:
  static constexpr UINT WM_UPDATE_PROPERTIES = WM_APP + 0x103;
  static constexpr UINT_PTR kTxTimerId = 100;

  explicit CMainFrame(CTessalyApp& app);
  ~CMainFrame() override;

  HWND GetSafeHwnd() const { return m_hWnd; }
  COutputWnd* GetOutputWnd() { return m_pOutput; }
  CPropertiesWnd* GetPropertiesWnd() { return m_pProperties; }
  wxAuiNotebook* GetNotebook() { return m_pNotebook; }
  wxAuiManager& GetAuiManager() { return m_mgr; }

  // The open document's name (empty: none) and its periodic timer hook.
  void SetDocumentTitle(const wxString& title);
  std::function<void()> m_onTxTimer;
  std::function<CString()> m_txTimerText;

  // Commands 32830 and 32821: the document's workspace of that template, made once.
  CSplitChildFrame* ShowWorkspace(int templateId);
  void OnSetAppLook(int look);
  // The Options sheet on a page (-1: the page shown last).
  void ShowOptions(int page);
  void ShowAbout();
  // Refreshes the status panes (also every half second).
  void UpdateStatusPanes();
  // A close the program asks for (a client's end, SIGTERM): open dialogs end first, no question.
  void CloseRequested();

 private:
  void CreateMenus();
  void CreateToolBars();
  void CreatePanes();
  void OnCommand(wxCommandEvent& event);
  void OnUpdateCommand(wxUpdateUIEvent& event);
  void OnClose(wxCloseEvent& event);
  void OnStatusTimer(wxTimerEvent& event);
  void UpdateTitle();
  bool IsCommandOfTheBars(int command);
  static LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  CTessalyApp& m_app;
  wxAuiManager m_mgr;
  wxAuiNotebook* m_pNotebook = nullptr;
  COutputWnd* m_pOutput = nullptr;
  CPropertiesWnd* m_pProperties = nullptr;
  wxTimer m_statusTimer;
  HWND m_hWnd = nullptr;
  wxString m_strDocumentTitle;
  std::set<int> m_handled;
};
