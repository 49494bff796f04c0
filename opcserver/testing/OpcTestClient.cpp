#include "opcserver/testing/OpcTestClient.h"

#include <chrono>
#include <cmath>
#include <mutex>

#include "opcserver/MyOPCGroup.h"
#include "opcserver/MyOPCServer.h"
#include "platform/com/Activation.h"
#include "platform/com/Memory.h"
#include "platform/com/Variant.h"
#include "interfaces/opc/rpc/OpcMarshalers.h"
#include "platform/rpc/RpcRuntime.h"
#include "platform/win32/MachineRoot.h"

#include <cstdlib>
#include <vector>

const CLSID CLSID_TessalyTestServer = {0x5A1E7C10, 0x2B3D, 0x4C8E, {0x9F, 0x11, 0x6A, 0x0B, 0x3C, 0x44, 0x21, 0x07}};

namespace {
constexpr auto kGuard = std::chrono::seconds(10);

HRESULT CreateServer(IUnknown*, REFIID riid, void** ppv) { return CMyOPCServer::CreateInstance(riid, ppv); }

std::string g_socketPath;

void RegisterOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (CurrentOpcTestTransport() == OpcTestTransport::kRpc) {
      UsePrivateRpcDirectory();
      // Lives until the process ends: servers and sinks of every test go through it.
      static tessaly::rpc::CRpcRuntime* runtime = new tessaly::rpc::CRpcRuntime();
      (void)runtime;
      tessaly::rpc::RegisterOpcMarshalers();
      g_socketPath = tessaly::rpc::InstanceSocketPath(CLSID_TessalyTestServer);
    }
    IUnknown* factory = nullptr;
    CComClassFactory::Create(&CreateServer, IID_IUnknown, reinterpret_cast<void**>(&factory), false);
    DWORD cookie = 0;
    CoRegisterClassObject(CLSID_TessalyTestServer, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie);
    factory->Release();  // the table holds its own reference
  });
}

std::mutex g_cycleMutex;
std::condition_variable g_cycleCv;
std::map<OPCHANDLE, DWORD> g_cycles;
std::map<OPCHANDLE, DWORD> g_marks;
}  // namespace

void AppendItems(DataChangeCall& call, DWORD count, const OPCHANDLE* clients, VARIANT* values, const WORD* qualities,
                 const HRESULT* errors) {
  for (DWORD i = 0; i < count; ++i) {
    call.clients.push_back(clients[i]);
    call.errors.push_back(errors[i]);
    if (qualities) call.qualities.push_back(qualities[i]);
    if (values) {
      VARIANT d;
      VariantInit(&d);
      call.values.push_back(SUCCEEDED(VariantChangeType(&d, &values[i], 0, VT_R8)) ? d.dblVal : NAN);
    }
  }
}

HRESULT CTestDataCallback::OnDataChange(DWORD dwTransid, OPCHANDLE hGroup, HRESULT hrMasterquality,
                                        HRESULT hrMastererror, DWORD dwCount, OPCHANDLE* phClientItems,
                                        VARIANT* pvValues, WORD* pwQualities, FILETIME*, HRESULT* pErrors) {
  if (m_onCall) m_onCall();
  DataChangeCall call;
  call.transaction = dwTransid;
  call.hGroup = hGroup;
  call.masterQuality = hrMasterquality;
  call.masterError = hrMastererror;
  AppendItems(call, dwCount, phClientItems, pvValues, pwQualities, pErrors);
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back(std::move(call));
  }
  m_cv.notify_all();
  return m_result;
}

bool CTestDataCallback::WaitForCalls(size_t n) {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_cv.wait_for(lock, kGuard, [&] { return m_calls.size() >= n; });
}

std::vector<DataChangeCall> CTestDataCallback::Calls() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_calls;
}

size_t CTestDataCallback::CallCount() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_calls.size();
}

HRESULT CTestShutdown::ShutdownRequest(LPCWSTR szReason) {
  m_reasons.emplace_back(szReason ? szReason : L"");
  return S_OK;
}

CCycleWatcher::CCycleWatcher() : m_hook(std::make_unique<CMyOPCGroup::CScopedCycleHookForTesting>(&CCycleWatcher::Hook)) {}
CCycleWatcher::~CCycleWatcher() {
  m_hook.reset();
  std::lock_guard<std::mutex> lock(g_cycleMutex);
  g_cycles.clear();
  g_marks.clear();
}

void CCycleWatcher::Hook(OPCHANDLE hClientGroup, DWORD) {
  {
    std::lock_guard<std::mutex> lock(g_cycleMutex);
    ++g_cycles[hClientGroup];
  }
  g_cycleCv.notify_all();
}

void CCycleWatcher::Mark(OPCHANDLE hClientGroup) {
  std::lock_guard<std::mutex> lock(g_cycleMutex);
  g_marks[hClientGroup] = g_cycles[hClientGroup];
}

bool CCycleWatcher::WaitForMoreCycles(OPCHANDLE hClientGroup, DWORD n) {
  std::unique_lock<std::mutex> lock(g_cycleMutex);
  DWORD target = g_marks[hClientGroup] + n;
  return g_cycleCv.wait_for(lock, kGuard, [&] { return g_cycles[hClientGroup] >= target; });
}

void UsePrivateRpcDirectory() {
  const char* chosen = ::getenv("TESSALY_RPC_DIRECTORY");
  if (chosen && *chosen) return;
  std::string pattern = tessaly::win32::GetMachineRoot() + "/rpc-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (::mkdtemp(buffer.data())) ::setenv("TESSALY_RPC_DIRECTORY", buffer.data(), 1);
}

OpcTestTransport CurrentOpcTestTransport() {
  const char* transport = ::getenv("TESSALY_OPC_TRANSPORT");
  return transport && std::string(transport) == "rpc" ? OpcTestTransport::kRpc : OpcTestTransport::kInProcess;
}

COpcTestClient::COpcTestClient() {
  RegisterOnce();
  if (CurrentOpcTestTransport() == OpcTestTransport::kInProcess) {
    CoCreateInstance(CLSID_TessalyTestServer, nullptr, CLSCTX_LOCAL_SERVER, &m_server.p);
    return;
  }
  CComPtr<IClassFactory> factory;
  if (SUCCEEDED(tessaly::rpc::CRpcRuntime::Current()->GetClassObjectAt(g_socketPath, CLSID_TessalyTestServer,
                                                                      IID_IClassFactory,
                                                                      reinterpret_cast<void**>(&factory.p))))
    factory->CreateInstance(nullptr, IID_IOPCServer, reinterpret_cast<void**>(&m_server.p));
}

COpcTestClient::~COpcTestClient() { Release(); }

void COpcTestClient::Release() { m_server.Release(); }

CComPtr<IOPCItemMgt> COpcTestClient::AddGroup(const wchar_t* name, BOOL active, DWORD rate, OPCHANDLE hClient,
                                              OPCHANDLE* phServer, FLOAT* deadband) {
  CComPtr<IOPCItemMgt> group;
  OPCHANDLE h = 0;
  DWORD revised = 0;
  LONG bias = 0;
  m_server->AddGroup(name, active, rate, hClient, &bias, deadband, LOCALE_SYSTEM_DEFAULT, &h, &revised, IID_IOPCItemMgt,
                     reinterpret_cast<LPUNKNOWN*>(&group.p));
  if (phServer) *phServer = h;
  return group;
}

CComPtr<CComObject<CTestDataCallback>> COpcTestClient::Subscribe(IUnknown* group, DWORD* cookie) {
  CComObject<CTestDataCallback>* sink = nullptr;
  CComObject<CTestDataCallback>::CreateInstance(&sink);
  CComPtr<CComObject<CTestDataCallback>> held(sink);
  auto container = QueryAs<IConnectionPointContainer>(group);
  CComPtr<IConnectionPoint> point;
  container->FindConnectionPoint(IID_IOPCDataCallback, &point.p);
  DWORD c = 0;
  point->Advise(static_cast<IOPCDataCallback*>(sink), &c);
  if (cookie) *cookie = c;
  return held;
}

std::vector<OPCHANDLE> COpcTestClient::AddItems(IOPCItemMgt* group, const std::vector<CString>& ids,
                                                std::vector<HRESULT>* errors, VARTYPE type) {
  std::vector<OPCITEMDEF> defs(ids.size());
  for (size_t i = 0; i < ids.size(); ++i) {
    defs[i] = OPCITEMDEF{};
    defs[i].szAccessPath = const_cast<LPWSTR>(L"");
    defs[i].szItemID = const_cast<LPWSTR>(ids[i].GetString());
    defs[i].bActive = TRUE;
    defs[i].hClient = static_cast<OPCHANDLE>(i + 1);
    defs[i].vtRequestedDataType = type;
  }
  OPCITEMRESULT* results = nullptr;
  HRESULT* errs = nullptr;
  std::vector<OPCHANDLE> handles(ids.size(), 0);
  if (SUCCEEDED(group->AddItems(static_cast<DWORD>(defs.size()), defs.data(), &results, &errs))) {
    for (size_t i = 0; i < ids.size(); ++i) {
      handles[i] = results[i].hServer;
      if (errors) errors->push_back(errs[i]);
    }
  }
  CoTaskMemFree(results);
  CoTaskMemFree(errs);
  return handles;
}

std::vector<std::wstring> DrainStrings(IEnumString* e, ULONG chunk) {
  std::vector<std::wstring> out;
  std::vector<LPOLESTR> buffer(chunk);
  for (;;) {
    ULONG fetched = 0;
    HRESULT hr = e->Next(chunk, buffer.data(), &fetched);
    for (ULONG i = 0; i < fetched; ++i) {
      out.emplace_back(buffer[i]);
      CoTaskMemFree(buffer[i]);
    }
    if (hr != S_OK) return out;
  }
}
