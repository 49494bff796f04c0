// How fast the simulated control opens a large network, finds an NV by item ID and answers a
// cache read: 10,000 devices with 100,000 NVs. One late-bound property get stands beside its
// floors: the same call on a bare dispatch object, and a plain virtual call.
#include "platform/com/ComObject.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/DispatchTable.h"
#include "standins/kestrum/KestrumCtrl.h"
#include "standins/kestrum/NetworkGenerator.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
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

// Opening on a fresh control; the previous control and its network go while the clock stands.
void BM_OpenLargeNetwork(benchmark::State& state) {
  const std::wstring& path = LargeNetwork();
  COleDispatchDriver control;
  for (auto _ : state) {
    state.PauseTiming();
    control = NewControl();
    state.ResumeTiming();
    LONG result = control.InvokeMethod<LONG>(ctl::kOpen, kModeSimulate, path);
    if (result != 0) state.SkipWithError("open failed");
  }
  COleDispatchDriver network(control.GetProperty<CComPtr<IDispatch>>(ctl::kNetwork).Detach());
  state.counters["devices"] = network.GetProperty<short>(net::kNodeCount);
}
BENCHMARK(BM_OpenLargeNetwork)->Unit(benchmark::kMillisecond);

// Opening again on the same control: the network that was open is closed and freed first.
void BM_ReopenLargeNetwork(benchmark::State& state) {
  const std::wstring& path = LargeNetwork();
  COleDispatchDriver control = NewControl();
  for (auto _ : state) {
    LONG result = control.InvokeMethod<LONG>(ctl::kOpen, kModeSimulate, path);
    if (result != 0) state.SkipWithError("open failed");
  }
}
BENCHMARK(BM_ReopenLargeNetwork)->Unit(benchmark::kMillisecond);

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

void BM_NvCacheRead(benchmark::State& state) {
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
BENCHMARK(BM_NvCacheRead)->Unit(benchmark::kMicrosecond);

// One late-bound property get: DISPID, one I4 argument, a VARIANT result.
void BM_PropertyGet(benchmark::State& state) {
  Opened opened;
  COleDispatchDriver nv(opened.network.InvokeMethod<CComPtr<IDispatch>>(net::kNvByItemId, std::wstring(L"4B.71.1.1")).Detach());
  for (auto _ : state) {
    VARIANT v = nv.GetPropertyWithParams<VARIANT>(nv::kFieldType, LONG{-1});
    benchmark::DoNotOptimize(v.uiVal);
    VariantClear(&v);
  }
}
BENCHMARK(BM_PropertyGet)->Unit(benchmark::kNanosecond);

// The floor of the call above: a dispatch object that does nothing but answer it.
class CBareObject : public CComObjectRootEx<CComMultiThreadModel>, public IDispatchTableImpl<CBareObject> {
 public:
  BEGIN_COM_MAP(CBareObject)
    COM_INTERFACE_ENTRY(IDispatch)
  END_COM_MAP()
  const CDispatchTable& GetDispatchTable() {
    static const CDispatchTable table = [] {
      CDispatchTable t;
      t.AddGet(L"FieldType", nv::kFieldType, [](short field) -> USHORT { return static_cast<USHORT>(field + 6); });
      return t;
    }();
    return table;
  }
};

void BM_PropertyGetFloorDispatch(benchmark::State& state) {
  CComObject<CBareObject>* object = nullptr;
  if (FAILED(CComObject<CBareObject>::CreateInstance(&object))) std::abort();
  COleDispatchDriver bare(static_cast<IDispatch*>(object), FALSE);
  object->AddRef();
  for (auto _ : state) {
    VARIANT v = bare.GetPropertyWithParams<VARIANT>(nv::kFieldType, LONG{-1});
    benchmark::DoNotOptimize(v.uiVal);
    VariantClear(&v);
  }
  object->Release();
}
BENCHMARK(BM_PropertyGetFloorDispatch)->Unit(benchmark::kNanosecond);

struct IFieldType {
  virtual ~IFieldType() = default;
  virtual USHORT FieldType(short field) = 0;
};
struct CFieldType : IFieldType {
  USHORT FieldType(short field) override { return static_cast<USHORT>(field + 6); }
};

void BM_PropertyGetFloorVirtual(benchmark::State& state) {
  std::unique_ptr<IFieldType> object = std::make_unique<CFieldType>();
  IFieldType* p = object.get();
  benchmark::DoNotOptimize(p);
  for (auto _ : state) benchmark::DoNotOptimize(p->FieldType(-1));
}
BENCHMARK(BM_PropertyGetFloorVirtual)->Unit(benchmark::kNanosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(std::filesystem::path(LargeNetwork()).parent_path());
  return 0;
}
