// The OPC server through the process boundary: a one-item cache read, cache reads of 1,000 to
// 100,000 items, data changes delivered to the client, and 100 clients with a group of 100 items
// each, the reads also in-process. The server runs in a child process of this program (--serve),
// its serving threads pinned to one core and its value changer to another, over the same fake
// address space as the in-process server.
//
// The floors are bare Cap'n Proto calls between the same two processes, one in flight, each
// carrying as many bytes each way as the read it stands beside (counted in /proc/self/io), timed
// in the same loop as the read: per_item_ns against floor_ns is the one-item round trip against
// the bare echo, and for the larger reads the cross-process extra cost (the remote read less the
// in-process one) against the bare call.
#include <benchmark/benchmark.h>

#include <capnp/rpc-twoparty.h>
#include <kj/async-io.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "interfaces/opc/rpc/OpcMarshalers.h"
#include "opcserver/benchmarks/Echo.capnp.h"
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

std::string EchoSocketPath() { return tessaly::rpc::CRpcRuntime::Current()->RpcDirectoryPath() + "/bench-echo.sock"; }

void PinToCore(int core) {
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(core % static_cast<int>(std::thread::hardware_concurrency()), &one);
  sched_setaffinity(0, sizeof(one), &one);
}

class CEchoServer : public tessaly::bench::Echo::Server {
 protected:
  kj::Promise<void> carry(CarryContext context) override {
    context.getResults().initData(static_cast<unsigned>(context.getParams().getReplyBytes()));
    return kj::READY_NOW;
  }
};

// The bare floor's server: its own event loop, answering on the loop thread.
using StopEcho = kj::Own<kj::CrossThreadPromiseFulfiller<void>>;
void ServeEcho(const std::string& path, std::promise<StopEcho>* listening) {
  auto io = kj::setupAsyncIo();
  auto stop = kj::newPromiseAndCrossThreadFulfiller<void>();
  ::unlink(path.c_str());
  auto listener = io.provider->getNetwork().parseAddress(kj::str("unix:", path.c_str())).wait(io.waitScope)->listen();
  listening->set_value(kj::mv(stop.fulfiller));
  capnp::TwoPartyServer server(kj::heap<CEchoServer>());
  server.listen(*listener).exclusiveJoin(kj::mv(stop.promise)).wait(io.waitScope);
  ::unlink(path.c_str());
}

// --serve: the server process, with its values changing all the time.
int Serve() {
  PinToCore(0);  // the loop, the workers and the echo floor inherit the serving core
  tessaly::rpc::CRpcRuntime rpc;
  tessaly::rpc::RegisterOpcMarshalers();
  CFakeTagsManager tags;
  AddPoints(tags);
  std::promise<StopEcho> listening;
  std::thread echo(ServeEcho, EchoSocketPath(), &listening);
  StopEcho stopEcho = listening.get_future().get();  // before the class: the client finds both once it finds the class
  RegisterServerClass(CLSCTX_LOCAL_SERVER);
  std::atomic<bool> go{true};
  std::thread watcher([&] {
    while (getppid() != 1) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    go = false;
  });
  PinToCore(1);  // the value changer on a core of its own
  ChangeValues(Points(tags), go);
  watcher.join();
  stopEcho->fulfill();
  echo.join();
  return 0;
}

// Bytes this process read and wrote so far (every thread's).
struct IoBytes {
  uint64_t read = 0, written = 0;
};
IoBytes ProcessIo() {
  std::ifstream in("/proc/self/io");
  IoBytes io;
  std::string key;
  uint64_t value = 0;
  while (in >> key >> value) {
    if (key == "rchar:") io.read = value;
    if (key == "wchar:") io.written = value;
  }
  return io;
}

// What one call moves each way: the bytes the process read and wrote during it, less what
// reading the counters costs.
template <class F>
IoBytes BytesOfCall(F&& call) {
  IoBytes a = ProcessIo(), b = ProcessIo();
  call();
  IoBytes c = ProcessIo();
  uint64_t own = b.read - a.read;
  return {c.read - b.read - own, c.written - b.written};
}

// The floor's client: a bare Cap'n Proto client on this thread's own event loop (the calling
// thread does its own I/O, nothing is handed to another thread).
class CEchoClient {
 public:
  CEchoClient()
      : m_io(kj::setupAsyncIo()),
        m_stream(m_io.provider->getNetwork()
                     .parseAddress(kj::str("unix:", EchoSocketPath().c_str()))
                     .wait(m_io.waitScope)
                     ->connect()
                     .wait(m_io.waitScope)),
        m_client(*m_stream),
        m_echo(m_client.bootstrap().castAs<tessaly::bench::Echo>()) {}
  // One call carrying the bytes of another one: sent (its request) and received (its reply).
  void Carry(const IoBytes& bytes) {
    auto request = m_echo.carryRequest();
    request.initData(static_cast<unsigned>(bytes.written));
    request.setReplyBytes(bytes.read);
    request.send().wait(m_io.waitScope);
  }

 private:
  kj::AsyncIoContext m_io;
  kj::Own<kj::AsyncIoStream> m_stream;
  capnp::TwoPartyClient m_client;
  tessaly::bench::Echo::Client m_echo;
};

std::unique_ptr<CEchoClient> g_echo;

double NsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
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

void ReadAndFree(IOPCSyncIO* io, std::vector<OPCHANDLE>& handles) {
  OPCITEMSTATE* states = nullptr;
  HRESULT* errors = nullptr;
  DWORD n = static_cast<DWORD>(handles.size());
  io->Read(OPC_DS_CACHE, n, handles.data(), &states, &errors);
  if (states)
    for (DWORD i = 0; i < n; ++i) VariantClear(&states[i].vDataValue);
  CoTaskMemFree(states);
  CoTaskMemFree(errors);
}

// A cache read of n items. In-process: the read alone. Across processes: each iteration times
// the remote read, the same read in-process and the bare call carrying the remote read's bytes;
// the manual time is the remote read's.
void ReadBeside(benchmark::State& state, int n) {
  bool remote = state.range(0) != 0;
  Client client(remote);
  std::vector<OPCHANDLE> handles;
  auto group = client.Group(FALSE, 1000, n, &handles);
  auto io = QueryAs<IOPCSyncIO>(group.p);
  if (!io) {
    state.SkipWithError("no server");
    return;
  }
  if (!remote) {
    for (auto _ : state) {
      auto start = std::chrono::steady_clock::now();
      ReadAndFree(io, handles);
      state.SetIterationTime(NsSince(start) / 1e9);
    }
    state.SetItemsProcessed(state.iterations() * n);
    return;
  }
  Client local(false);
  std::vector<OPCHANDLE> localHandles;
  auto localGroup = local.Group(FALSE, 1000, n, &localHandles);
  auto localIo = QueryAs<IOPCSyncIO>(localGroup.p);
  ReadAndFree(io, handles);
  IoBytes bytes = BytesOfCall([&] { ReadAndFree(io, handles); });
  double remoteNs = 0, localNs = 0, floorNs = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    ReadAndFree(io, handles);
    double ns = NsSince(start);
    remoteNs += ns;
    state.SetIterationTime(ns / 1e9);
    start = std::chrono::steady_clock::now();
    g_echo->Carry(bytes);
    floorNs += NsSince(start);
    if (n > 1) {
      start = std::chrono::steady_clock::now();
      ReadAndFree(localIo, localHandles);
      localNs += NsSince(start);
    }
  }
  double iterations = static_cast<double>(state.iterations());
  // The one-item read against the whole echo; a larger read's share of the crossing (remote
  // less in-process) against the bare call, per item.
  state.counters["per_item_ns"] = (remoteNs - localNs) / iterations / n;
  state.counters["floor_ns"] = floorNs / iterations / n;
  state.counters["reply_bytes"] = static_cast<double>(bytes.read);
  state.counters["request_bytes"] = static_cast<double>(bytes.written);
  state.SetItemsProcessed(state.iterations() * n);
}

void BM_ReadOne(benchmark::State& state) { ReadBeside(state, 1); }
void BM_ReadCache(benchmark::State& state) { ReadBeside(state, static_cast<int>(state.range(1))); }

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

void Apply(benchmark::internal::Benchmark* b) { b->ReportAggregatesOnly(true)->UseRealTime()->Unit(benchmark::kMillisecond); }
void ApplyReads(benchmark::internal::Benchmark* b) {
  b->ReportAggregatesOnly(true)->UseManualTime()->Unit(benchmark::kMicrosecond);
}

}  // namespace

BENCHMARK(BM_ReadOne)->ArgName("process")->Arg(0)->Arg(1)->Apply(ApplyReads);
BENCHMARK(BM_ReadCache)->ArgNames({"process", "items"})->ArgsProduct({{0, 1}, {1000, 10000, 100000}})->Apply(ApplyReads);
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
    g_echo = std::make_unique<CEchoClient>();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_echo.reset();
    g_tags = nullptr;
  }
  if (g_server > 0) {
    ::kill(g_server, SIGTERM);
    ::waitpid(g_server, nullptr, 0);
  }
  return 0;
}
