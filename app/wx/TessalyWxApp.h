// The wx application: the GUI thread's loop pumps the platform queue, message boxes are dialogs,
// and CTessalyApp runs the start-up and shutdown around the main frame.
#pragma once

#include <functional>
#include <memory>

#include <wx/app.h>

#include "app/shell/TessalyApp.h"
#include "platform/afx/DocManager.h"
#include "app/shell/TessalyCommandLine.h"

class CMainFrame;
class CWxQueuePump;
class CScopedMessageBoxPresenter;
class CScopedFileDialogPresenter;

class CTessalyWxApp : public wxApp {
 public:
  explicit CTessalyWxApp(CTessalyCommandLine line);
  ~CTessalyWxApp() override;

  bool OnInit() override;
  int OnExit() override;

  CTessalyApp& GetTessalyApp() { return *m_app; }
  CMainFrame* GetMainFrame() { return m_pFrame; }
  // Runs once the main window is up (the smoke test drives the program from here).
  std::function<void(CTessalyWxApp&)> m_onStarted;
  // False: the message boxes and file dialogs stay with the presenters installed before (a
  // test's script).
  bool m_bInstallPresenter = true;

 private:
  CTessalyCommandLine m_line;
  std::unique_ptr<CWxQueuePump> m_pump;
  std::unique_ptr<CScopedMessageBoxPresenter> m_presenter;
  std::unique_ptr<CScopedFileDialogPresenter> m_filePresenter;
  std::unique_ptr<CTessalyApp> m_app;
  std::unique_ptr<CDocManager> m_pDocManager;
  CMainFrame* m_pFrame = nullptr;
};

// The program with its windows: the wx loop until the main window has gone; the exit code.
int RunTessalyWxApp(int argc, char** argv, const CTessalyCommandLine& line);

// Plugs in what the program's parts provide: the COM server thread, registration, the document.
void ConfigureTessalyApp(CTessalyApp& app);
