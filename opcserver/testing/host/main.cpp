// opcserver_host: serves the OPC server over the demo network to clients in other processes
// until the program of the application shell takes its place.
//   opcserver_host -RegServer [--clsid {...} | --instance n]   writes LocalServer32 and ends
//   opcserver_host -UnregServer [...]                           removes it and ends
//   opcserver_host -Embedding [...]                             started by a client; ends with its last client
//   opcserver_host [...]                                        serves until SIGTERM or SIGINT
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cwchar>
#include <memory>
#include <cstdio>
#include <string>
#include <vector>

#include "interfaces/kestrum/KestrumSimulation.h"
#include "interfaces/opc/OpcCategories.h"
#include "interfaces/opc/rpc/OpcMarshalers.h"
#include "opcserver/MyOPCServer.h"
#include "opcserver/OpcServerPropertiesManager.h"
#include "opcserver/testing/host/HostClassId.h"
#include "opcserver/testing/demo/OpcDemoNetwork.h"
#include "platform/com/Activation.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComponentCategories.h"
#include "platform/com/Guid.h"
#include "platform/rpc/RpcRuntime.h"
#include "platform/win32/Registry.h"
#include "platform/win32/TextConv.h"

namespace {

std::atomic<bool> g_stop{false};

void OnSignal(int) { g_stop = true; }

// Ends an embedded server with its last client.
class CHostProperties : public COpcServerPropertiesManager {
 public:
  explicit CHostProperties(bool embedded) : m_embedded(embedded) {}
  void CloseServerApplication() override {
    if (m_embedded) g_stop = true;
  }

 private:
  bool m_embedded;
};

// As the program's class factory makes them: marked made, so they count their clients.
HRESULT CreateServer(IUnknown*, REFIID riid, void** ppv) { return CMyOPCServer::CreateInstance(riid, ppv); }

std::string ExecutablePath() {
  char buffer[4096];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

// Marks the class as an OPC Data Access 2.0 server (or takes the mark away), so clients list it.
void MarkCategory(REFCLSID clsid, bool add) {
  CComPtr<ICatRegister> categories;
  if (FAILED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, &categories.p))) return;
  CATID catid = CATID_OPCDAServer20;
  if (!add) {
    categories->UnRegisterClassImplCategories(clsid, 1, &catid);
    return;
  }
  CATEGORYINFO info{catid, 1033, {}};
  std::wcsncpy(info.szDescription, OPC_CATEGORY_DESCRIPTION_DA20, 127);
  categories->RegisterCategories(1, &info);
  categories->RegisterClassImplCategories(clsid, 1, &catid);
}

int Register(REFCLSID clsid, bool add) {
  std::wstring key = L"CLSID\\" + tessaly::GuidToString(clsid);
  MarkCategory(clsid, add);
  if (!add) {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    return 0;
  }
  HKEY k = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, (key + L"\\LocalServer32").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &k, nullptr) != ERROR_SUCCESS) {
    std::fprintf(stderr, "opcserver_host: cannot write the registry\n");
    return 1;
  }
  std::wstring command = L"\"" + Utf8ToWide(ExecutablePath()) + L"\" --clsid " + tessaly::GuidToString(clsid);
  RegSetValueExW(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                 static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(k);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  CLSID clsid;
  std::string error;
  if (!HostClassId(args, &clsid, &error)) {
    std::fprintf(stderr, "opcserver_host: %s\n", error.c_str());
    return 2;
  }
  auto has = [&](const char* flag) {
    for (const std::string& a : args)
      if (a == flag || a == std::string("/") + (flag + 1)) return true;
    return false;
  };
  if (has("-RegServer")) return Register(clsid, true);
  if (has("-UnregServer")) return Register(clsid, false);
  bool embedded = has("-Embedding");

  ::signal(SIGTERM, OnSignal);
  ::signal(SIGINT, OnSignal);
  ::signal(SIGPIPE, SIG_IGN);

  // The network outlives the runtime: clients still connected at the end let go of their servers
  // (and these of their groups and tags) when the runtime goes. The runtime is made first, and
  // the TCP listener started from the registry clients know: the demo network points the machine
  // root at a private folder of its own.
  std::unique_ptr<COpcDemoNetwork> demo;
  tessaly::rpc::CRpcRuntime rpc;
  tessaly::rpc::RegisterOpcMarshalers();
  rpc.StartTcpListenerIfEnabled();
  demo = std::make_unique<COpcDemoNetwork>();
  COpcDemoNetwork& network = *demo;
  if (!network.IsOpen()) {
    std::fprintf(stderr, "opcserver_host: the demo network did not open\n");
    return 1;
  }
  // The room temperature ramps, so watching clients see data changes.
  network.Simulation()->SetBehaviour(L"4B.1.1.1", kestrum::kBehaviourRamp, 0.5, 18.0, 26.0);
  CHostProperties properties(embedded);
  g_pOpcServerProperties = &properties;
  {
    IUnknown* factory = nullptr;
    CComClassFactory::Create(&CreateServer, IID_IUnknown, reinterpret_cast<void**>(&factory), false);
    DWORD cookie = 0;
    HRESULT hr = CoRegisterClassObject(clsid, factory, CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER, REGCLS_MULTIPLEUSE,
                                       &cookie);
    factory->Release();
    if (FAILED(hr)) {
      std::fprintf(stderr, "opcserver_host: the class object could not be registered\n");
      return 1;
    }
    // The main thread plays the GUI thread: it owns the control and delivers its events.
    while (!g_stop) {
      network.AdvanceClock(100);
      network.Pump();
      ::usleep(100 * 1000);
    }
    CoRevokeClassObject(cookie);
  }
  g_pOpcServerProperties = nullptr;
  return 0;
}
