// AddItems, cache reads and one update cycle over large address spaces, each against the floor:
// the same number of hash-map lookups plus VariantCopy of the value, with no OPC machinery.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <unordered_map>

#include "opcserver/MyOPCGroup.h"
#include "opcserver/MyOPCServer.h"
#include "opcserver/OPCTagLink.h"
#include "opcserver/OpcTagsManager.h"
#include "opcserver/testing/OpcTestClient.h"
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

std::vector<OPCITEMDEF> Defs(const Network& net, int n) {
  std::vector<OPCITEMDEF> defs(n);
  for (int i = 0; i < n; ++i) {
    defs[i] = OPCITEMDEF{};
    defs[i].szItemID = const_cast<LPWSTR>(net.ids[i].GetString());
    defs[i].bActive = TRUE;
    defs[i].hClient = static_cast<OPCHANDLE>(i + 1);
  }
  return defs;
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

void BM_Floor(benchmark::State& state) {
  int n = static_cast<int>(state.range(0));
  double ns = 0;
  for (auto _ : state) ns = FloorNs(n);
  state.counters["floor_ms"] = ns / 1e6;
}
BENCHMARK(BM_Floor)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_AddItems(benchmark::State& state) {
  int n = static_cast<int>(state.range(0));
  Network net(n);
  auto defs = Defs(net, n);
  COpcTestClient client;
  for (auto _ : state) {
    state.PauseTiming();
    OPCHANDLE h = 0;
    auto group = client.AddGroup(L"", FALSE, 1000, 1, &h);
    OPCITEMRESULT* results = nullptr;
    HRESULT* errors = nullptr;
    state.ResumeTiming();
    group->AddItems(static_cast<DWORD>(n), defs.data(), &results, &errors);
    state.PauseTiming();
    CoTaskMemFree(results);
    CoTaskMemFree(errors);
    group.Release();
    client.Server()->RemoveGroup(h, TRUE);
    state.ResumeTiming();
  }
  // Against the floor of the same number of lookups and copies.
  state.counters["floor_ms"] = FloorNs(n) / 1e6;
}
BENCHMARK(BM_AddItems)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_CacheRead(benchmark::State& state) {
  constexpr int n = 10000;
  Network net(n);
  auto defs = Defs(net, n);
  COpcTestClient client;
  auto group = client.AddGroup(L"", TRUE, 100000, 1);  // active; its thread sleeps for the long period
  OPCITEMRESULT* results = nullptr;
  HRESULT* errors = nullptr;
  group->AddItems(n, defs.data(), &results, &errors);
  std::vector<OPCHANDLE> handles(n);
  for (int i = 0; i < n; ++i) handles[i] = results[i].hServer;
  CoTaskMemFree(results);
  CoTaskMemFree(errors);
  auto io = QueryAs<IOPCSyncIO>(group.p);
  double total = 0;
  int runs = 0;
  for (auto _ : state) {
    OPCITEMSTATE* states = nullptr;
    auto t0 = std::chrono::steady_clock::now();
    io->Read(OPC_DS_CACHE, n, handles.data(), &states, &errors);
    auto t1 = std::chrono::steady_clock::now();
    total += std::chrono::duration<double, std::nano>(t1 - t0).count();
    ++runs;
    state.PauseTiming();
    for (int i = 0; i < n; ++i) VariantClear(&states[i].vDataValue);
    CoTaskMemFree(states);
    CoTaskMemFree(errors);
    state.ResumeTiming();
  }
  state.counters["floor_ratio"] = (total / runs) / FloorNs(n);
}
BENCHMARK(BM_CacheRead)->Unit(benchmark::kMillisecond);

class CCountingSink : public CTestDataCallback {
 public:
  HRESULT OnDataChange(DWORD, OPCHANDLE, HRESULT, HRESULT, DWORD count, OPCHANDLE*, VARIANT*, WORD*, FILETIME*,
                       HRESULT*) override {
    m_last = count;
    return S_OK;
  }
  DWORD m_last = 0;
};

void BM_UpdateCycle(benchmark::State& state) {
  constexpr int n = 10000;
  Network net(n);
  auto defs = Defs(net, n);
  COpcTestClient client;
  OPCHANDLE h = 0;
  // Inactive group: its thread stays idle and the benchmark runs the cycle by hand.
  auto group = client.AddGroup(L"", FALSE, 1000, 1, &h);
  OPCITEMRESULT* results = nullptr;
  HRESULT* errors = nullptr;
  group->AddItems(n, defs.data(), &results, &errors);
  CoTaskMemFree(results);
  CoTaskMemFree(errors);
  CComObject<CCountingSink>* sink = nullptr;
  CComObject<CCountingSink>::CreateInstance(&sink);
  CComPtr<IOPCDataCallback> held(sink);
  CComPtr<IConnectionPoint> point;
  QueryAs<IConnectionPointContainer>(group.p)->FindConnectionPoint(IID_IOPCDataCallback, &point.p);
  DWORD cookie = 0;
  point->Advise(held, &cookie);
  auto* server = static_cast<CMyOPCServer*>(client.Server());
  CMyOPCGroup* g = server->FindGroupByHandle(h);
  if (g->UpdateItems()) g->SendDataChange(true);  // first delivery of everything
  int round = 0;
  double total = 0;
  int runs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ++round;
    for (int i = 0; i < n; i += 100) net.points[i]->SetDouble(i + round * 0.5);
    state.ResumeTiming();
    auto t0 = std::chrono::steady_clock::now();
    if (g->UpdateItems()) g->SendDataChange(true);
    auto t1 = std::chrono::steady_clock::now();
    total += std::chrono::duration<double, std::nano>(t1 - t0).count();
    ++runs;
  }
  state.counters["delivered"] = sink->m_last;
  state.counters["floor_ratio"] = (total / runs) / FloorNs(n);
}
BENCHMARK(BM_UpdateCycle)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
