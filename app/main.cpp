// Tessaly: the OPC server for LON networks with its main window.
#include "app/shell/TessalyApp.h"
#include "app/shell/StandardError.h"
#include "app/shell/TessalyCommandLine.h"
#include "app/wx/TessalyWxApp.h"
#include "interfaces/opc/rpc/OpcMarshalers.h"
#include "platform/rpc/RpcRuntime.h"
#include "platform/win32/Files.h"

int main(int argc, char** argv) {
  const CTessalyCommandLine line = CTessalyCommandLine::Parse(argc, argv);
  // Before the toolkit starts: its warnings must not reach the terminal of the client that started us.
  RedirectStandardErrorForClientStart(line);
  if (line.m_bRegServer || line.m_bUnregServer) {
    // Registration needs no window, and no display.
    CTessalyApp app;
    ConfigureTessalyApp(app);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileName(nullptr, path, MAX_PATH);
    app.InitInstance(path, line);
    return app.m_nExitCode;
  }
  // Clients in other processes: the COM server thread's class object opens the instance socket
  // when it registers, and its disconnects reach those clients. The runtime outlives the
  // application, so every server object has gone before the connections close.
  tessaly::rpc::CRpcRuntime rpc;
  tessaly::rpc::RegisterOpcMarshalers();
  return RunTessalyWxApp(argc, argv, line);
}
