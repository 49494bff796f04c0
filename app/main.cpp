// Tessaly: the OPC server for LON networks with its main window.
#include "app/shell/TessalyApp.h"
#include "app/shell/TessalyCommandLine.h"
#include "app/wx/TessalyWxApp.h"
#include "platform/win32/Files.h"

int main(int argc, char** argv) {
  const CTessalyCommandLine line = CTessalyCommandLine::Parse(argc, argv);
  if (line.m_bRegServer || line.m_bUnregServer) {
    // Registration needs no window, and no display.
    CTessalyApp app;
    ConfigureTessalyApp(app);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileName(nullptr, path, MAX_PATH);
    app.InitInstance(path, line);
    return app.m_nExitCode;
  }
  return RunTessalyWxApp(argc, argv, line);
}
