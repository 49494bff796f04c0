// AddItems, cache reads and one update cycle at 1,000, 10,000 and 100,000 items, each beside
// its floor measured in the same run: the same number of hash-map lookups plus VariantCopy of
// the value, with no OPC machinery. Times are per item (per_item_ns against floor_ns).
// The BM_Lon* figures run over the real tags of a generated network of 10,000 devices
// (100,000 NVs) behind the simulated control; the others over lock-free benchmark tags, which
// show the server's own share. The *First figures are the first AddItems into a fresh group
// with the memory handed back to the system before it, as a client's first call finds it; the
// others are warm calls. bytes_per_item: the heap the items took (server item, tag and
// statistics record together).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "opcserver/MyOPCGroup.h"
#include "opcserver/MyOPCServer.h"
#include "lon/OPCTag.h"
#include "opcserver/OpcTagsManager.h"
#include "lon/LonNode.h"
#include "lon/NetworkVariable.h"
#include "opcserver/testing/OpcTestClient.h"
#include "opcserver/testing/demo/OpcDemoNetwork.h"
#include "platform/com/ComVariant.h"
#include "platform/com/Memory.h"
#include "platform/com/Variant.h"

namespace {

// The benchmark's data point and tag: no lock of their own, so the figures are the server's.
// Points change only while the timing is paused and no update thread runs a cycle; the server
// calls a tag only under its group lock.
struct BenchPoint {
  BenchPoint() { VariantInit(&value); }
  ~BenchPoint() { VariantClear(&value); }
  BenchPoint(const BenchPoint&) = delete;
  BenchPoint& operator=(const BenchPoint&) = delete;
  void SetDouble(double d) {
    VariantClear(&value);
    value.vt = VT_R8;
    value.dblVal = d;
  }
  VARIANT value;
  FILETIME timestamp{1000, 1};
};

class CBenchTag : public COPCTag {
 public:
  CBenchTag(BenchPoint* point, const CString& id) : m_point(point), m_id(id) {}
  VARTYPE GetCanonicalType() override { return VT_R8; }
  DWORD GetAccessRights() override { return 3; }
  CString GetItemID() override { return m_id; }
  CString GetName() override { return m_id; }
  HRESULT ReadValue(VARIANT* out, VARTYPE type) override {
    if (type == m_point->value.vt) return VariantCopy(out, &m_point->value);
    return VariantChangeType(out, &m_point->value, 0, type);
  }
  WORD GetQuality() override { return m_wQuality; }
  void GetTimestamp(FILETIME* out) override { *out = m_point->timestamp; }
  bool Refresh(DWORD) override {
    m_wQuality = 0xC0;
    return true;
  }
  bool WriteValue(const VARIANT* value) override { return SUCCEEDED(VariantCopy(&m_point->value, value)); }
  bool GetValueRange(double* low, double* high) override {
    *low = 0;
    *high = 100;
    return true;
  }

 private:
  BenchPoint* m_point;
  CString m_id;
  WORD m_wQuality = 0x40;
};

class CBenchTagsManager : public COpcTagsManager {
 public:
  CBenchTagsManager() { g_pOpcTagsManager = this; }
  ~CBenchTagsManager() override { g_pOpcTagsManager = nullptr; }
  COPCTagsBranch* GetRootBranch() override { return nullptr; }
  COPCTag* CreateTag(const CString& itemId) override {
    auto it = m_points.find(itemId.wstr());
    return it == m_points.end() ? nullptr : new CBenchTag(it->second.get(), itemId);
  }
  std::unordered_map<std::wstring, std::unique_ptr<BenchPoint>> m_points;
};

struct Network {
  explicit Network(int n) {
    tags.m_points.reserve(n);
    for (int i = 0; i < n; ++i) {
      CString id;
      id.Format(L"Dev%d.1.%d.%d", i / 1000, (i / 100) % 10, i % 100);
      auto point = std::make_unique<BenchPoint>();
      point->SetDouble(i);
      points.push_back(point.get());
      tags.m_points.emplace(std::wstring(id.GetString()), std::move(point));
      ids.push_back(id);
    }
  }
  CBenchTagsManager tags;
  std::vector<CString> ids;
  std::vector<BenchPoint*> points;
};

// Active item definitions for the first n ids, client handles from 1.
std::vector<OPCITEMDEF> Defs(const std::vector<CString>& ids, int n) {
  std::vector<OPCITEMDEF> defs(n);
  for (int i = 0; i < n; ++i) {
    defs[i] = OPCITEMDEF{};
    defs[i].szItemID = const_cast<LPWSTR>(ids[i].GetString());
    defs[i].bActive = TRUE;
    defs[i].hClient = static_cast<OPCHANDLE>(i + 1);
  }
  return defs;
}

// Wall time of f in ns.
template <class F>
double TimeNs(F f) {
  auto t0 = std::chrono::steady_clock::now();
  f();
  auto t1 = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::nano>(t1 - t0).count();
}

// Adds the items to the group once, untimed; the server handles in the order of defs.
std::vector<OPCHANDLE> AddAll(IOPCItemMgt* group, std::vector<OPCITEMDEF>& defs) {
  int n = static_cast<int>(defs.size());
  OPCITEMRESULT* results = nullptr;
  HRESULT* errors = nullptr;
  group->AddItems(static_cast<DWORD>(n), defs.data(), &results, &errors);
  std::vector<OPCHANDLE> handles(n);
  for (int i = 0; i < n; ++i) handles[i] = results[i].hServer;
  CoTaskMemFree(results);
  CoTaskMemFree(errors);
  return handles;
}

// Heap in use, in bytes.
double HeapInUse() { return static_cast<double>(mallinfo2().uordblks); }

struct AddFigures {
  double meanNs = 0;
  double bytesPerItem = 0;
  DWORD failed = 0;  // items not added, over all runs
};

// Each run adds all of defs to a fresh inactive group, timing AddItems alone. With `first`,
// the freed heap goes back to the system before each run, so the call touches fresh pages as
// the first call of a process does.
AddFigures TimeAddItems(benchmark::State& state, COpcTestClient& client, std::vector<OPCITEMDEF>& defs, bool first) {
  const auto n = static_cast<DWORD>(defs.size());
  AddFigures figures;
  double total = 0;
  int runs = 0;
  for (auto _ : state) {
    OPCHANDLE h = 0;
    auto group = client.AddGroup(L"", FALSE, 1000, 1, &h);
    OPCITEMRESULT* results = nullptr;
    HRESULT* errors = nullptr;
    if (first) malloc_trim(0);
    double before = HeapInUse();
    double ns = TimeNs([&] { group->AddItems(n, defs.data(), &results, &errors); });
    state.SetIterationTime(ns / 1e9);
    figures.bytesPerItem = (HeapInUse() - before) / n;
    total += ns;
    ++runs;
    for (DWORD i = 0; i < n; ++i)
      if (errors == nullptr || errors[i] != S_OK) ++figures.failed;
    CoTaskMemFree(results);
    CoTaskMemFree(errors);
    group.Release();
    client.Server()->RemoveGroup(h, TRUE);
  }
  figures.meanNs = total / runs;
  return figures;
}

// Each run reads every handle from the cache, timing the Read alone. The mean ns of a run;
// `good` is the number of good values in the last run.
double TimeCacheReads(benchmark::State& state, IOPCSyncIO* io, std::vector<OPCHANDLE>& handles, DWORD& good) {
  const auto n = static_cast<DWORD>(handles.size());
  double total = 0;
  int runs = 0;
  for (auto _ : state) {
    OPCITEMSTATE* states = nullptr;
    HRESULT* errors = nullptr;
    double ns = TimeNs([&] { io->Read(OPC_DS_CACHE, n, handles.data(), &states, &errors); });
    state.SetIterationTime(ns / 1e9);
    total += ns;
    ++runs;
    good = 0;
    for (DWORD i = 0; i < n; ++i) {
      if (states[i].wQuality == OPC_QUALITY_GOOD) ++good;
      VariantClear(&states[i].vDataValue);
    }
    CoTaskMemFree(states);
    CoTaskMemFree(errors);
  }
  return total / runs;
}

// Hash lookups plus VariantCopy for n keys, in ns per call.
double FloorNs(int n) {
  std::unordered_map<DWORD, VARIANT> map;
  std::vector<DWORD> keys;
  for (int i = 0; i < n; ++i) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_R8;
    v.dblVal = i;
    map[static_cast<DWORD>(i * 7 + 1)] = v;
    keys.push_back(static_cast<DWORD>(i * 7 + 1));
  }
  std::vector<VARIANT> out(n);
  for (auto& v : out) VariantInit(&v);
  double best = 1e30;
  for (int rep = 0; rep < 20; ++rep) {
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) VariantCopy(&out[i], &map.find(keys[i])->second);
    auto t1 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(out.data());
    best = std::min(best, std::chrono::duration<double, std::nano>(t1 - t0).count());
  }
  return best;
}

// The sizes every figure is measured at; times are set by hand (the timed call alone).
void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(1000)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);
}

// The figures of a run of n items against its floor, per item.
void PerItem(benchmark::State& state, double meanNs, int n) {
  state.counters["per_item_ns"] = meanNs / n;
  state.counters["floor_ns"] = FloorNs(n) / n;
}

// The floor of AddItems: per item, the hash of its ID, a handle in a hash map and the heap the
// item takes (bytes, touched), in one allocation; with `first`, the freed heap handed back to
// the system before it, as for the call. The best of 5 rounds, in ns.
double AddItemsFloorNs(const std::vector<CString>& ids, int n, double bytes, bool first) {
  const size_t size = bytes > 0 ? static_cast<size_t>(bytes) : 1;
  double best = 1e30;
  for (int rep = 0; rep < 5; ++rep) {
    std::unordered_map<DWORD, void*> handles;
    if (first) malloc_trim(0);
    double ns = TimeNs([&] {
      for (int i = 0; i < n; ++i) {
        size_t hash = std::hash<std::wstring_view>()(std::wstring_view(ids[i].GetString(), ids[i].GetLength()));
        void* block = std::malloc(size);
        std::memset(block, 0, size);
        handles.emplace(static_cast<DWORD>(hash) ^ static_cast<DWORD>(i), block);
      }
    });
    best = std::min(best, ns);
    for (auto& entry : handles) std::free(entry.second);
  }
  return best;
}

void AddItemsFigure(benchmark::State& state, const std::vector<CString>& ids, bool first) {
  int n = static_cast<int>(state.range(0));
  auto defs = Defs(ids, n);
  COpcTestClient client;
  AddFigures figures = TimeAddItems(state, client, defs, first);
  state.counters["per_item_ns"] = figures.meanNs / n;
  state.counters["floor_ns"] = AddItemsFloorNs(ids, n, figures.bytesPerItem, first) / n;
  state.counters["bytes_per_item"] = figures.bytesPerItem;
  state.counters["failed"] = figures.failed;
}

void BM_AddItems(benchmark::State& state) {
  Network net(static_cast<int>(state.range(0)));
  AddItemsFigure(state, net.ids, false);
}
BENCHMARK(BM_AddItems)->Apply(Sizes);

void BM_AddItemsFirst(benchmark::State& state) {
  Network net(static_cast<int>(state.range(0)));
  AddItemsFigure(state, net.ids, true);
}
BENCHMARK(BM_AddItemsFirst)->Apply(Sizes)->Iterations(1);

void BM_CacheRead(benchmark::State& state) {
  int n = static_cast<int>(state.range(0));
  Network net(n);
  auto defs = Defs(net.ids, n);
  COpcTestClient client;
  auto group = client.AddGroup(L"", TRUE, 100000, 1);  // active; its thread sleeps for the long period
  auto handles = AddAll(group, defs);
  auto io = QueryAs<IOPCSyncIO>(group.p);
  DWORD good = 0;
  PerItem(state, TimeCacheReads(state, io, handles, good), n);
}
BENCHMARK(BM_CacheRead)->Apply(Sizes);

class CCountingSink : public CTestDataCallback {
 public:
  HRESULT OnDataChange(DWORD, OPCHANDLE, HRESULT, HRESULT, DWORD count, OPCHANDLE*, VARIANT*, WORD*, FILETIME*,
                       HRESULT*) override {
    m_last = count;
    return S_OK;
  }
  DWORD m_last = 0;
};

// A counting sink advised on a group's data callbacks.
struct CountingSubscription {
  explicit CountingSubscription(IOPCItemMgt* group) {
    CComObject<CCountingSink>::CreateInstance(&sink);
    held = sink;
    QueryAs<IConnectionPointContainer>(group)->FindConnectionPoint(IID_IOPCDataCallback, &point.p);
    point->Advise(held, &cookie);
  }
  CComObject<CCountingSink>* sink = nullptr;
  CComPtr<IOPCDataCallback> held;
  CComPtr<IConnectionPoint> point;
  DWORD cookie = 0;
};

// One update cycle of the group, run by hand; its wall time in ns.
double TimeCycle(CMyOPCGroup* g) {
  return TimeNs([&] {
    if (g->UpdateItems()) g->SendDataChange(true);
  });
}

void BM_UpdateCycle(benchmark::State& state) {
  int n = static_cast<int>(state.range(0));
  Network net(n);
  auto defs = Defs(net.ids, n);
  COpcTestClient client;
  OPCHANDLE h = 0;
  // Inactive group: its thread stays idle and the benchmark runs the cycle by hand.
  auto group = client.AddGroup(L"", FALSE, 1000, 1, &h);
  AddAll(group, defs);
  CountingSubscription sub(group);
  CMyOPCGroup* g = static_cast<CMyOPCServer*>(client.Server())->FindGroupByHandle(h);
  TimeCycle(g);  // first delivery of everything
  int round = 0;
  double total = 0;
  int runs = 0;
  for (auto _ : state) {
    ++round;
    for (int i = 0; i < n; i += 100) net.points[i]->SetDouble(i + round * 0.5);
    double ns = TimeCycle(g);
    state.SetIterationTime(ns / 1e9);
    total += ns;
    ++runs;
  }
  state.counters["delivered"] = sub.sink->m_last;
  PerItem(state, total / runs, n);
}
BENCHMARK(BM_UpdateCycle)->Apply(Sizes);

// ---- over the simulated control's large network ---------------------------------------------

// TESSALY_BENCH_DEVICES makes a smaller network, for a profile of one figure.
int LonDevices() {
  const char* text = std::getenv("TESSALY_BENCH_DEVICES");
  int n = text ? std::atoi(text) : 0;
  return n > 0 ? n : 10000;
}

struct LonNetwork {
  LonNetwork() : net(LonDevices(), 0) {
    for (CLonNode* node : net.Manager().GetNodes())
      for (CNetworkVariable* nv : node->m_nvs) {
        ids.push_back(nv->GetItemID());
        // The set points: numeric inputs whose devices hold still, so a change is ours alone.
        if (nv->GetName() == L"nviSetpoint") setpoints.push_back(ids.size() - 1);
      }
  }
  COpcDemoNetwork net;
  std::vector<CString> ids;
  std::vector<size_t> setpoints;  // indexes into ids
};

// Built on first use (opening the network takes a while) and freed before the process ends.
std::unique_ptr<LonNetwork> g_lon;

LonNetwork& Lon() {
  if (!g_lon) g_lon = std::make_unique<LonNetwork>();
  g_pOpcTagsManager = &g_lon->net.Tags();  // the fake benchmarks' managers clear it
  return *g_lon;
}

// A smaller network (TESSALY_BENCH_DEVICES) may not hold n NVs; the benchmark is skipped then.
bool HasNvs(benchmark::State& state, const LonNetwork& lon, int n) {
  if (static_cast<int>(lon.ids.size()) >= n) return true;
  state.SkipWithError("the network has too few NVs");
  return false;
}

void BM_LonAddItems(benchmark::State& state) {
  LonNetwork& lon = Lon();
  if (!HasNvs(state, lon, static_cast<int>(state.range(0)))) return;
  AddItemsFigure(state, lon.ids, false);
}
BENCHMARK(BM_LonAddItems)->Apply(Sizes);

void BM_LonAddItemsFirst(benchmark::State& state) {
  LonNetwork& lon = Lon();
  if (!HasNvs(state, lon, static_cast<int>(state.range(0)))) return;
  AddItemsFigure(state, lon.ids, true);
}
BENCHMARK(BM_LonAddItemsFirst)->Apply(Sizes)->Iterations(1);

void BM_LonCacheRead(benchmark::State& state) {
  int n = static_cast<int>(state.range(0));
  LonNetwork& lon = Lon();
  if (!HasNvs(state, lon, n)) return;
  auto defs = Defs(lon.ids, n);
  COpcTestClient client;
  auto group = client.AddGroup(L"", TRUE, 100000, 1);  // active; its thread sleeps for the long period
  auto handles = AddAll(group, defs);
  auto io = QueryAs<IOPCSyncIO>(group.p);
  DWORD good = 0;
  PerItem(state, TimeCacheReads(state, io, handles, good), n);
  state.counters["good"] = good;
  group.Release();
  lon.net.Pump();
}
BENCHMARK(BM_LonCacheRead)->Apply(Sizes);

void BM_LonUpdateCycle(benchmark::State& state) {
  int n = static_cast<int>(state.range(0));
  LonNetwork& lon = Lon();
  if (!HasNvs(state, lon, n)) return;
  auto defs = Defs(lon.ids, n);
  std::vector<size_t> changing;  // 1% of the items
  for (size_t k : lon.setpoints)
    if (k < static_cast<size_t>(n) && changing.size() < static_cast<size_t>(n / 100)) changing.push_back(k);
  COpcTestClient client;
  OPCHANDLE h = 0;
  // Active, so the NVs are monitored and a device's change reaches the control's cache at
  // once; the group's own thread sleeps for the long period and the benchmark runs the cycle.
  auto group = client.AddGroup(L"", TRUE, 100000, 1, &h);
  AddAll(group, defs);
  CountingSubscription sub(group);
  CMyOPCGroup* g = static_cast<CMyOPCServer*>(client.Server())->FindGroupByHandle(h);
  TimeCycle(g);  // first delivery of everything
  static int round = 0;  // across runs of the benchmark: the devices keep their values
  double total = 0;
  int runs = 0;
  DWORD missed = 0, odd = 0;
  for (auto _ : state) {
    ++round;
    for (size_t k : changing) {
      CComVariant value(10.0 + (round % 100) * 0.5);  // never the value before
      lon.net.Simulation()->SetDeviceValue(lon.ids[k].GetString(), -1, &value);
    }
    lon.net.Pump();  // the control's reports go to the device model, as the GUI thread would
    sub.sink->m_last = 0;
    double ns = TimeCycle(g);
    state.SetIterationTime(ns / 1e9);
    total += ns;
    ++runs;
    if (sub.sink->m_last != changing.size()) {
      ++missed;
      odd = sub.sink->m_last;
    }
  }
  state.counters["odd_delivery"] = odd;
  state.counters["changed"] = static_cast<double>(changing.size());
  state.counters["missed_rounds"] = missed;
  PerItem(state, total / runs, n);
  sub.point->Unadvise(sub.cookie);
  group.Release();
  lon.net.Pump();
}
BENCHMARK(BM_LonUpdateCycle)->Apply(Sizes);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  g_lon.reset();
  g_pOpcTagsManager = nullptr;
  benchmark::Shutdown();
  return 0;
}
