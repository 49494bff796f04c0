#include "opcserver/ComServerThread.h"

#include <memory>

#include "foundation/LoggingFile.h"
#include "opcserver/MyOPCServer.h"
#include "opcserver/OPCToolkitCtrl.h"
#include "opcserver/OpcServerClassFactory.h"
#include "opcserver/OpcServerInstances.h"
#include "opcserver/OpcServerPropertiesManager.h"
#include "platform/com/Activation.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Messages.h"
#include "platform/win32/Thread.h"

namespace {
struct ComServerThreadParams {
  CLSID clsid;
  CLoggingFile* log;
};

void Log(CLoggingFile* log, const wchar_t* what, HRESULT hr) {
  if (log) log->Print(L"COM server thread: %s failed: 0x%08X", what, static_cast<unsigned>(hr));
}
}  // namespace

bool StartComServerThread(COpcServerPropertiesManager& properties, int instance, CLoggingFile* log) {
  if (FindOpcServerInstance(GetOpcServerInstanceCLSID(instance)) != instance) return false;
  if (properties.m_hComServerThread) return false;  // one at a time: the running one is stopped first
  auto params = std::make_unique<ComServerThreadParams>(ComServerThreadParams{GetOpcServerInstanceCLSID(instance), log});
  SECURITY_ATTRIBUTES attributes{};
  attributes.nLength = 12;
  attributes.lpSecurityDescriptor = nullptr;
  attributes.bInheritHandle = FALSE;
  DWORD id = 0;
  HANDLE thread = CreateThread(&attributes, 0, &ComServerThreadProc, params.get(), 0, &id);
  if (!thread) return false;
  params.release();  // the thread's now
  properties.m_hComServerThread = thread;
  properties.m_dwComServerThreadId = id;
  return true;
}

DWORD StopComServerThread(COpcServerPropertiesManager& properties) {
  HANDLE thread = properties.m_hComServerThread;
  if (!thread) return 0;
  PostThreadMessage(properties.m_dwComServerThreadId, WM_QUIT, 0, 0);
  // Not bounded: the shutdown asks every client's IOPCShutdown (a call to another process gives
  // up after 5 s, a sink in this process takes as long as it likes) and gives each group's
  // threads 5000 ms. Nothing the thread uses may go before it ends, so this waits for it.
  WaitForSingleObject(thread, INFINITE);
  DWORD code = 0;
  GetExitCodeThread(thread, &code);
  CloseHandle(thread);
  properties.m_hComServerThread = nullptr;
  properties.m_dwComServerThreadId = 0;
  return code;
}

void ShutdownClients(unsigned firstWaitMs, unsigned secondWaitMs) {
  COPCToolkitCtrl& ctrl = GetOPCToolkitCtrl();
  for (const CComPtr<IOPCServer>& server : ctrl.ReferencedSnapshot()) {
    static_cast<CMyOPCServer*>(server.p)->ForEachSink<IOPCShutdown>([](IOPCShutdown* sink) {
      try {
        sink->ShutdownRequest(L"Exiting Server");
      } catch (...) {
        // A client's fault must not stop the shutdown of the others.
      }
    });
  }
  if (ctrl.WaitUntilEmpty(firstWaitMs) || ctrl.WaitUntilEmpty(secondWaitMs)) return;
  // Rounds, in case a server was being made while the class object went.
  for (auto servers = ctrl.ReferencedSnapshot(); !servers.empty(); servers = ctrl.ReferencedSnapshot()) {
    for (const CComPtr<IOPCServer>& server : servers) static_cast<CMyOPCServer*>(server.p)->Disconnect();
  }
}

DWORD ComServerThreadProc(LPVOID parameter) {
  std::unique_ptr<ComServerThreadParams> params(static_cast<ComServerThreadParams*>(parameter));
  HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (FAILED(hr)) {
    Log(params->log, L"CoInitializeEx", hr);
    return static_cast<DWORD>(hr);
  }
  CComObjectNoLock<COpcServerClassFactory>* raw = nullptr;
  CComPtr<IClassFactory> factory;
  DWORD cookie = 0;
  hr = CComObjectNoLock<COpcServerClassFactory>::CreateInstance(&raw);
  if (SUCCEEDED(hr)) {
    factory = raw;
    hr = CoRegisterClassObject(params->clsid, factory, CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                               REGCLS_MULTIPLEUSE, &cookie);
  }
  if (FAILED(hr)) {
    // The loop runs all the same: the application ends the thread as always.
    Log(params->log, L"CoRegisterClassObject", hr);
    cookie = 0;
  }
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  if (cookie) CoRevokeClassObject(cookie);
  if (raw) raw->Stop();  // a client that kept the class object makes no new server now
  factory.Release();
  ShutdownClients();
  CoUninitialize();
  return 0;
}
