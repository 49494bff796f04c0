// The OPC server through the process boundary beside the same calls in-process (the floor):
// a one-item cache read, cache reads of 1,000 to 100,000 items, data changes delivered to the
// client, and 100 clients with a group of 100 items each. The server runs in a child process of
// this program (--serve), pinned to one core, over the same fake address space as the floor.
#include <benchmark/benchmark.h>

#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "interfaces/opc/rpc/OpcMarshalers.h"
#include "opcserver/MyOPCServer.h"
#include "opcserver/testing/FakeTagsManager.h"
#include "opcserver/testing/OpcTestClient.h"
#include "platform/com/Activation.h"
#include "platform/com/Memory.h"
#include "platform/com/Variant.h"
#include "platform/rpc/LocalServer.h"
#include "platform/rpc/RpcRuntime.h"

extern char** environ;

namespace {

constexpr CLSID kBenchServer = {0x5A1E7C10, 0x2B3D, 0x4C8E, {0x9F, 0x11, 0x6A, 0x0B, 0x3C, 0x44, 0x30, 0x01}};
constexpr int kPoints = 100000;

CString PointId(int i) {
  CString id;
  id.Format(L"P%d", i);
  return id;
}

void AddPoints(CFakeTagsManager& tags) {
  for (int i = 0; i < kPoints; ++i) tags.Add(PointId(i))->SetDouble(i);
}

HRESULT CreateServer(IUnknown*, REFIID riid, void** ppv) { return CComObject<CMyOPCServer>::CreateInstance(riid, ppv); }

void RegisterServerClass(DWORD context) {
  IUnknown* factory = nullptr;
  CComClassFactory::Create(&CreateServer, IID_IUnknown, reinterpret_cast<void**>(&factory), false);
  DWORD cookie = 0;
  CoRegisterClassObject(kBenchServer, factory, context, REGCLS_MULTIPLEUSE, &cookie);
  factory->Release();
}

// Changes every value, round after round (a round is a few milliseconds), so every update
// cycle of every group has all its items to deliver.
void ChangeValues(const std::vector<std::shared_ptr<FakePoint>>& points, const std::atomic<bool>& go) {
  for (unsigned round = 1; go; ++round) {
    for (size_t i = 0; i < points.size(); ++i) points[i]->SetDouble(static_cast<double>(i) + round * 0.5);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::vector<std::shared_ptr<FakePoint>> Points(CFakeTagsManager& tags) {
  std::vector<std::shared_ptr<FakePoint>> points;
  for (int i = 0; i < kPoints; ++i) points.push_back(tags.Get(PointId(i)));
  return points;
}

// --serve: the server process, with its values changing all the time.
int Serve() {
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(0, &one);
  sched_setaffinity(0, sizeof(one), &one);
  tessaly::rpc::CRpcRuntime rpc;
  tessaly::rpc::RegisterOpcMarshalers();
  CFakeTagsManager tags;
  AddPoints(tags);
  RegisterServerClass(CLSCTX_LOCAL_SERVER);
  std::atomic<bool> go{true};
  std::thread watcher([&] {
    while (getppid() != 1) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    go = false;
  });
  ChangeValues(Points(tags), go);
  watcher.join();
  return 0;
}

class CCountingSink : public CComObjectRootEx<CComMultiThreadModel>, public IOPCDataCallback {
 public:
  BEGIN_COM_MAP(CCountingSink)
    COM_INTERFACE_ENTRY(IOPCDataCallback)
  END_COM_MAP()
  HRESULT OnDataChange(DWORD, OPCHANDLE, HRESULT, HRESULT, DWORD dwCount, OPCHANDLE*, VARIANT*, WORD*, FILETIME*,
                       HRESULT*) override {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_values += dwCount;
      ++m_calls;
    }
    m_cv.notify_all();
    return S_OK;
  }
  HRESULT OnReadComplete(DWORD, OPCHANDLE, HRESULT, HRESULT, DWORD, OPCHANDLE*, VARIANT*, WORD*, FILETIME*,
                         HRESULT*) override {
    return S_OK;
  }
  HRESULT OnWriteComplete(DWORD, OPCHANDLE, HRESULT, DWORD, OPCHANDLE*, HRESULT*) override { return S_OK; }
  HRESULT OnCancelComplete(DWORD, OPCHANDLE) override { return S_OK; }
  uint64_t Values() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_values;
  }
  bool WaitForValues(uint64_t n) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::seconds(30), [&] { return m_values >= n; });
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_cv;
  uint64_t m_values = 0, m_calls = 0;
};

void Subscribe(IUnknown* group, IOPCDataCallback* sink) {
  CComPtr<IConnectionPoint> point;
  QueryAs<IConnectionPointContainer>(group)->FindConnectionPoint(IID_IOPCDataCallback, &point.p);
  DWORD cookie = 0;
  point->Advise(sink, &cookie);
}

// A client of one server: in-process, or in the server process (over its socket: this process
// serves the same class in-process, which activation would prefer).
struct Client {
  explicit Client(bool remote) {
    CComPtr<IClassFactory> factory;
    if (remote)
      tessaly::rpc::CRpcRuntime::Current()->GetClassObjectAt(tessaly::rpc::InstanceSocketPath(kBenchServer),
                                                             kBenchServer, IID_IClassFactory,
                                                             reinterpret_cast<void**>(&factory.p));
    else
      CoGetClassObject(kBenchServer, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                       reinterpret_cast<void**>(&factory.p));
    if (factory) factory->CreateInstance(nullptr, IID_IOPCServer, reinterpret_cast<void**>(&server.p));
  }
  CComPtr<IOPCItemMgt> Group(BOOL active, DWORD rate, int items, std::vector<OPCHANDLE>* handles, int first = 0) {
    CComPtr<IOPCItemMgt> group;
    OPCHANDLE h = 0;
    DWORD revised = 0;
    if (!server) return group;
    server->AddGroup(L"", active, rate, 1, nullptr, nullptr, 0, &h, &revised, IID_IOPCItemMgt,
                     reinterpret_cast<LPUNKNOWN*>(&group.p));
    std::vector<CString> ids;
    for (int i = 0; i < items; ++i) ids.push_back(PointId(first + i));
    *handles = COpcTestClient::AddItems(group, ids);
    return group;
  }
  CComPtr<IOPCServer> server;
};

pid_t g_server = -1;
CFakeTagsManager* g_tags = nullptr;

void StartServer(const char* self) {
  std::vector<char*> argv{const_cast<char*>(self), const_cast<char*>("--serve"), nullptr};
  posix_spawn(&g_server, self, nullptr, nullptr, argv.data(), environ);
  std::string path = tessaly::rpc::InstanceSocketPath(kBenchServer);
  for (int i = 0; i < 3000; ++i) {
    int fd = tessaly::rpc::ConnectUnixSocket(path);
    if (fd >= 0) {
      ::close(fd);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void BM_ReadOne(benchmark::State& state) {
  Client client(state.range(0) != 0);
  std::vector<OPCHANDLE> handles;
  auto group = client.Group(FALSE, 1000, 1, &handles);
  auto io = QueryAs<IOPCSyncIO>(group.p);
  for (auto _ : state) {
    OPCITEMSTATE* states = nullptr;
    HRESULT* errors = nullptr;
    io->Read(OPC_DS_CACHE, 1, handles.data(), &states, &errors);
    VariantClear(&states[0].vDataValue);
    CoTaskMemFree(states);
    CoTaskMemFree(errors);
  }
}

void BM_ReadCache(benchmark::State& state) {
  Client client(state.range(0) != 0);
  int n = static_cast<int>(state.range(1));
  std::vector<OPCHANDLE> handles;
  auto group = client.Group(FALSE, 1000, n, &handles);
  auto io = QueryAs<IOPCSyncIO>(group.p);
  for (auto _ : state) {
    OPCITEMSTATE* states = nullptr;
    HRESULT* errors = nullptr;
    io->Read(OPC_DS_CACHE, static_cast<DWORD>(n), handles.data(), &states, &errors);
    for (int i = 0; i < n; ++i) VariantClear(&states[i].vDataValue);
    CoTaskMemFree(states);
    CoTaskMemFree(errors);
  }
  state.SetItemsProcessed(state.iterations() * n);
}

// Values a client receives per second from g active groups of all 100,000 items, each item
// changing every cycle (100 ms, the shortest rate).
void BM_DataChanges(benchmark::State& state) {
  bool remote = state.range(0) != 0;
  int groupsWanted = static_cast<int>(state.range(1));
  Client client(remote);
  std::vector<CComPtr<IOPCItemMgt>> groups;
  CComObject<CCountingSink>* sink = nullptr;
  CComObject<CCountingSink>::CreateInstance(&sink);
  CComPtr<IUnknown> held(static_cast<IOPCDataCallback*>(sink));
  for (int g = 0; g < groupsWanted; ++g) {
    std::vector<OPCHANDLE> handles;
    groups.push_back(client.Group(TRUE, 100, kPoints, &handles));
    Subscribe(groups.back(), static_cast<IOPCDataCallback*>(sink));
  }
  uint64_t batch = static_cast<uint64_t>(kPoints) * groupsWanted;
  sink->WaitForValues(batch);  // the first, full deliveries
  std::atomic<bool> go{!remote};
  std::thread ticker;
  if (!remote) ticker = std::thread([&] { ChangeValues(Points(*g_tags), go); });  // as the server process does
  for (auto _ : state) sink->WaitForValues(sink->Values() + batch);
  go = false;
  if (ticker.joinable()) ticker.join();
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(batch));
}

// 100 clients, each a server object of its own with a group of 100 items: one round is every
// client receiving every one of its items' changes once more.
void BM_HundredClients(benchmark::State& state) {
  bool remote = state.range(0) != 0;
  constexpr int kClients = 100, kItems = 100;
  std::vector<std::unique_ptr<Client>> clients;
  std::vector<CComPtr<IOPCItemMgt>> groups;
  std::vector<CComPtr<IUnknown>> sinks;
  std::vector<CCountingSink*> counters;
  for (int c = 0; c < kClients; ++c) {
    clients.push_back(std::make_unique<Client>(remote));
    std::vector<OPCHANDLE> handles;
    groups.push_back(clients.back()->Group(TRUE, 100, kItems, &handles, c * kItems));
    CComObject<CCountingSink>* sink = nullptr;
    CComObject<CCountingSink>::CreateInstance(&sink);
    sinks.emplace_back(static_cast<IOPCDataCallback*>(sink));
    counters.push_back(sink);
    Subscribe(groups.back(), static_cast<IOPCDataCallback*>(sink));
  }
  std::atomic<bool> go{!remote};
  std::thread ticker;
  if (!remote) ticker = std::thread([&] { ChangeValues(Points(*g_tags), go); });
  bool lost = false;
  for (auto _ : state) {
    std::vector<uint64_t> targets;
    for (auto* sink : counters) targets.push_back(sink->Values() + kItems);
    for (size_t c = 0; c < counters.size(); ++c) lost |= !counters[c]->WaitForValues(targets[c]);
  }
  go = false;
  if (ticker.joinable()) ticker.join();
  state.counters["lost"] = lost ? 1 : 0;
  state.SetItemsProcessed(state.iterations() * kClients * kItems);
}

void Apply(benchmark::internal::Benchmark* b) { b->Repetitions(5)->ReportAggregatesOnly(true)->UseRealTime(); }

}  // namespace

BENCHMARK(BM_ReadOne)->ArgName("process")->Arg(0)->Arg(1)->Apply(Apply);
BENCHMARK(BM_ReadCache)->ArgNames({"process", "items"})->ArgsProduct({{0, 1}, {1000, 10000, 100000}})->Apply(Apply);
BENCHMARK(BM_DataChanges)->ArgNames({"process", "groups"})->ArgsProduct({{0, 1}, {1, 2, 4}})->Apply(Apply)->Iterations(10);
BENCHMARK(BM_HundredClients)->ArgName("process")->Arg(0)->Arg(1)->Apply(Apply)->Iterations(5);

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--serve") return Serve();
  tessaly::rpc::CRpcRuntime rpc;
  tessaly::rpc::RegisterOpcMarshalers();
  {
    CFakeTagsManager tags;
    g_tags = &tags;
    AddPoints(tags);
    RegisterServerClass(CLSCTX_INPROC_SERVER);  // the in-process floor; the other process serves the rest
    StartServer(argv[0]);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_tags = nullptr;
  }
  if (g_server > 0) {
    ::kill(g_server, SIGTERM);
    ::waitpid(g_server, nullptr, 0);
  }
  return 0;
}
