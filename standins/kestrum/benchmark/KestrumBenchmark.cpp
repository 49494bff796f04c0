// How fast the simulated control opens a large network, finds an NV by item ID and answers a
// cache read: 10,000 devices with 100,000 NVs.
#include "platform/com/DispatchDriver.h"
#include "standins/kestrum/KestrumCtrl.h"
#include "standins/kestrum/NetworkGenerator.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

namespace {

using namespace kestrum;

const std::wstring& LargeNetwork() {
  static const std::wstring path = [] {
    std::filesystem::path dir = std::filesystem::temp_directory_path() / ("kestrum-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::wstring file = (dir / "large.db").wstring();
    sim::GeneratorOptions options;
    options.devices = 10000;
    std::wstring error;
    if (!sim::CNetworkGenerator::Write(file, options, &error)) std::abort();
    return file;
  }();
  return path;
}

COleDispatchDriver NewControl() {
  IDispatch* dispatch = nullptr;
  if (FAILED(sim::CKestrumCtrl::CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) std::abort();
  return COleDispatchDriver(dispatch);
}

void BM_OpenLargeNetwork(benchmark::State& state) {
  const std::wstring& path = LargeNetwork();
  COleDispatchDriver control = NewControl();
  for (auto _ : state) {
    LONG result = control.InvokeMethod<LONG>(ctl::kOpen, kModeSimulate, path);
    if (result != 0) state.SkipWithError("open failed");
  }
  COleDispatchDriver network(control.GetProperty<CComPtr<IDispatch>>(ctl::kNetwork).Detach());
  state.counters["devices"] = network.GetProperty<short>(net::kNodeCount);
}
BENCHMARK(BM_OpenLargeNetwork)->Unit(benchmark::kMillisecond);

struct Opened {
  COleDispatchDriver control = NewControl();
  COleDispatchDriver network;
  Opened() {
    control.InvokeMethod<LONG>(ctl::kOpen, kModeSimulate, LargeNetwork());
    network.AttachDispatch(control.GetProperty<CComPtr<IDispatch>>(ctl::kNetwork).Detach());
  }
};

void BM_FindNvByItemId(benchmark::State& state) {
  Opened opened;
  int i = 0;
  for (auto _ : state) {
    // Device 7000 lies at subnet 71, node 1.
    std::wstring id = L"4B." + std::to_wstring(1 + (i % 100)) + L"." + std::to_wstring(1 + i % 97) + L"." +
                      std::to_wstring(i % 10);
    ++i;
    CComPtr<IDispatch> nv = opened.network.InvokeMethod<CComPtr<IDispatch>>(net::kNvByItemId, id);
    benchmark::DoNotOptimize(nv.p);
  }
}
BENCHMARK(BM_FindNvByItemId)->Unit(benchmark::kMicrosecond);

void BM_CacheRead(benchmark::State& state) {
  Opened opened;
  COleDispatchDriver nv(opened.network.InvokeMethod<CComPtr<IDispatch>>(net::kNvByItemId, std::wstring(L"4B.71.1.1")).Detach());
  nv.SetProperty(nv::kCacheTimeout, VT_I4, LONG{3600000});
  for (auto _ : state) {
    bool ok = nv.InvokeMethod<bool>(nv::kReadCache);
    LONG status = nv.GetProperty<LONG>(nv::kStatus);
    CComVariant value;
    nv.InvokeHelper(nv::kFieldValue, DISPATCH_PROPERTYGET, VT_VARIANT, &value, USHORT{VT_EMPTY}, short{-1});
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(status);
  }
}
BENCHMARK(BM_CacheRead)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(std::filesystem::path(LargeNetwork()).parent_path());
  return 0;
}
