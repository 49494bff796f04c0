// The main window: menus, the two tool bars, the status panes, the outlook bar, the output and
// properties panes and a notebook with one page per workspace, all docked by wxAuiManager. Its
// platform window takes the system's messages: WM_CLOSE (guarded while clients are connected),
// WM_APP+0x103 (refresh the properties pane) and timer 100 (forwarded to the document).
#pragma once

#include <memory>

#include "lon/LonGuiLinks.h"

#include <functional>
#include <map>
#include <set>
#include <string>

#include <wx/aui/aui.h>
#include <wx/aui/auibook.h>
#include <wx/frame.h>
#include <wx/timer.h>

#include "foundation/KxTimer.h"
#include "platform/afx/CommandRouter.h"
#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"
#include "project/DocHost.h"

class CTessalyApp;
class COutputWnd;
class CPropertiesWnd;
class CSplitChildFrame;
class CLonGuiLinksWx;
struct COutputSettings;

class CMainFrame : public wxFrame, public CDocHost, public IKxTimerOwner {
 public:
  static constexpr UINT WM_UPDATE_PROPERTIES = WM_APP + 0x103;
  static constexpr UINT_PTR kTxTimerId = 100;

  explicit CMainFrame(CTessalyApp& app);
  ~CMainFrame() override;

  HWND GetSafeHwnd() const override { return m_hWnd; }
  COutputWnd* GetOutputWnd() { return m_pOutput; }
  CPropertiesWnd* GetPropertiesWnd() { return m_pProperties; }
  wxAuiNotebook* GetNotebook() { return m_pNotebook; }
  wxAuiManager& GetAuiManager() { return m_mgr; }

  // Commands 32830 and 32821: the document's workspace of that template, made once.
  CSplitChildFrame* ShowWorkspace(int templateId);
  // One page per frame of the open document; pages of frames gone are removed.
  void SyncWorkspaces();
  void OnSetAppLook(int look);
  void ShowAbout();
  // Command 126: which buttons the tool bars show, kept in the profile.
  void ShowCustomizeDialog();
  void SetHiddenTools(const std::string& bar, const std::set<int>& hidden);
  const std::set<int>& GetHiddenTools(const std::string& bar) { return m_hiddenTools[bar]; }

  // ---- CDocHost ----
  int GetStartMode() override;
  bool HasConnectedClients() override;
  bool CanClose() override;
  IKxTimerOwner* GetMainWindow() override { return this; }
  CLoggingFile* GetLogFile() override;
  int GetServerInstance() override;
  void SetLastProjectPath(const CString& path) override;
  void ShowOptions(int page) override;
  int RunDeviceDialog(CDeviceDialogRecord& record) override;
  void ShowNiStatusSheet(const CString& title, IDispatch* configuration) override;
  void ShowVniStatistics(CDoc* doc) override;
  void ShowContextMenu(UINT menuId, int subMenu, POINT point) override;
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
  void OnDropFiles(wxDropFilesEvent& event);
  // The state OnUpdateCommand gives; a command runs only when it is enabled.
  bool IsCommandEnabled(int id);
  // The File menu's recent files, as the list holds them now.
  void UpdateRecentFileMenu();
  void OnStatusTimer(wxTimerEvent& event);
  void UpdateTitle();
  // The active page's frame, when its document still has it.
  CFrameWnd* GetActiveFrameWnd();
  // The route of a document's command: the active view, its document, its frame; the open
  // document when no view is active.
  void PrepareRoute();
  void OnFileOpen();
  // Selects the first workspace page that is wanted.
  CSplitChildFrame* SelectPage(const std::function<bool(CSplitChildFrame*)>& wanted);
  bool IsCommandOfTheBars(int command);
  // The bar's buttons less those the user hid.
  void PopulateToolBar(const std::string& bar);
  void ApplyLook(int look);
  // Every pane at least as wide as its text.
  void FitStatusPanes();
  static LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  CTessalyApp& m_app;
  wxAuiManager m_mgr;
  wxAuiNotebook* m_pNotebook = nullptr;
  COutputWnd* m_pOutput = nullptr;
  CPropertiesWnd* m_pProperties = nullptr;
  wxTimer m_statusTimer;
  HWND m_hWnd = nullptr;
  std::set<int> m_handled;
  static constexpr int kRecentFiles = 4;
  wxMenu* m_pFileMenu = nullptr;
  std::map<std::string, std::set<int>> m_hiddenTools;
  CCommandRouter m_router;
  // The device model's windows and dialogs, for as long as the main window lives.
  std::unique_ptr<CLonGuiLinksWx> m_pGuiLinks;
  std::unique_ptr<CScopedLonGuiLinks> m_pGuiLinksScope;
};
