// The application object without its windows: instance number, registry key, command line, start
// mode, the debug log, the COM server thread and the close guard. It is the OPC engine's way to
// the application (vendor text, closing, the tag tree).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "app/shell/InitStatus.h"
#include "app/shell/MultiCLSID.h"
#include "app/shell/TessalyCommandLine.h"
#include "foundation/LoggingFile.h"
#include "opcserver/OpcServerPropertiesManager.h"
#include "opcserver/OpcTagsManager.h"
#include "platform/win32/Profile.h"
#include "platform/win32/Thread.h"

class CDocument;
class CLonTagsManager;

// ShowWindow commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOW = 5;

class CTessalyApp : public CRegistryProfile,
                    public COpcServerPropertiesManager,
                    public CLoggingFile,
                    public COpcTagsManager,
                    public CInitStatus,
                    public CMultiCLSID {
 public:
  static constexpr int kDefaultAppLook = 214;
  static constexpr const wchar_t* kWorkspaceSection = L"Workspace";

  // Becomes the process's application object and profile.
  CTessalyApp();
  ~CTessalyApp() override;
  CTessalyApp(const CTessalyApp&) = delete;
  CTessalyApp& operator=(const CTessalyApp&) = delete;

  static CTessalyApp* GetApp();

  // ---- what the program plugs in ----
  // The COM server thread: either its own start and stop (both joined), or a bare procedure
  // whose parameter is the COpcServerPropertiesManager part and which ends on WM_QUIT.
  std::function<bool(CTessalyApp&)> m_startComServerThread;
  std::function<void(CTessalyApp&)> m_stopComServerThread;
  LPTHREAD_START_ROUTINE m_pfnComServerThread = nullptr;
  // Registers (true) or unregisters the instance's server class and categories; the result.
  std::function<HRESULT(BYTE instance, bool registerServer)> m_registerServer;
  // The open project's tags (by default the project document's address space).
  COpcTagsManager* m_pDocumentTags = nullptr;
  // The last-project record; by default the instance's entry of projects.xml.
  std::function<CString(BYTE instance)> m_getLastProject;
  std::function<void(BYTE instance, const CString& path)> m_setLastProject;

  // ---- start-up, in order ----
  // Instance, registry key, debug log, globals and start mode. False when the program ends here
  // (registration), with m_nExitCode set.
  bool InitInstance(const CString& executablePath, const CTessalyCommandLine& line);
  // In the unattended modes the instance's last project when its file exists, else the file the
  // command line names (empty: none).
  CString GetStartProject(const CTessalyCommandLine& line);
  bool StartComServerThread();
  // SW_SHOW, or for a client's start SW_SHOWMINIMIZED, SW_HIDE with a project that hides the window.
  int GetShowCommand(bool documentOpen, bool hideWindow) const;
  // Joins the COM server thread, clears the globals.
  void ExitInstance();

  // ---- while running ----
  // With clients connected asks whether to exit; Yes restarts the COM server thread, which tells
  // the clients to go. The old thread has ended before the new one starts.
  bool CanClose();
  // One project is open at a time: behind the close guard, the open one is saved (when the user
  // wants) and closed, then a new one is made or the file opened. Null when refused or failed.
  CDocument* OnFileNew();
  CDocument* OpenDocumentFile(const CString& path);
  // Whether the user may open or make another project now: the document's rule for New and
  // Open (an interactive start with the network stopped); without a document, an interactive start.
  bool CanChangeProject();
  // File/Open: the framework's file dialog, then OpenDocumentFile; null when cancelled or refused.
  CDocument* OnFileOpen();
  // An entry of the recent-file list (0 the newest), under the rule of Open; an entry that does
  // not open leaves the list.
  CDocument* OpenRecentFile(int index);
  // Files dropped on the main window: the first opens as File/Open would open it.
  CDocument* OpenDroppedFiles(const std::vector<CString>& paths);
  // Exit and the close box, in this order: the clients' question, then saving each modified
  // project. False (the program runs on) when either is declined or cancelled.
  bool CanExit();
  // The end nobody answers for (SIGTERM, a client's end): each modified project is written to
  // its recovery copy (GetRecoveryPath), never over its own file, and the copy goes to the
  // recent-file list. The copies written.
  std::vector<CString> SaveRecoveryCopies();
  // Beside the project, its name followed by "-recovered"; an untitled project's in the common
  // data folder.
  CString GetRecoveryPath(const CDocument& document);
  // A WM_CLOSE reaching the loop while clients are connected is dropped.
  bool ShouldDropClose() const;
  void StopComServerThread();
  bool IsComServerThreadRunning() const { return m_hComServerThread != nullptr; }

  CString GetRegistryPath() const;
  CString GetCommonDataFolder() const;
  CString GetLastProjectPath();
  void SetLastProjectPath(const CString& path);
  // The main frame's title: the server's name, the instance suffix, the mode.
  CString GetMainFrameTitle() const;
  // The status pane text with the live counters.
  static CString GetClientsPaneText();
  int ReadAppLook();
  void WriteAppLook(int look);

  // ---- COpcServerPropertiesManager ----
  CString GetVendorName() override;
  // Started by a client: asks the GUI thread to close (posted, never sent from the COM thread).
  void CloseServerApplication() override;
  // ---- COpcTagsManager ----
  COPCTagsBranch* GetRootBranch() override;
  COPCTag* CreateTag(const CString& itemId) override;
  void WithAddressSpace(const AddressSpaceVisitor& visit) override;

  // The main frame's platform window (gets WM_CLOSE from CloseServerApplication).
  HWND m_hMainWnd = nullptr;
  int m_nAppLook = kDefaultAppLook;
  BOOL m_bHiColorIcons = TRUE;
  int m_nExitCode = 0;

 private:
  std::unique_ptr<CLonTagsManager> m_pProjectTags;
};
