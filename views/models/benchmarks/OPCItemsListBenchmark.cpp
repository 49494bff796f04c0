// One tick of the group view's item list over 1,000 to 100,000 items: the group's record (its
// item count) and the records of the rows in view (30) are read; the item keys only when items
// came or went. Beside it the floor from the same run, the registry reads of the rows in view
// alone, and the same tick with every row in view, which the list never does. Figures are per
// row in view, so a tick that does not grow with the group shows the same figure at every size.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "opcserver/OPCToolkitManager.h"
#include "platform/com/ComVariant.h"
#include "project/OPCGroupTreeObject.h"
#include "project/ProjectResource.h"
#include "views/models/GroupFeaturesViewModel.h"
#include "views/models/GroupItemViewModel.h"

namespace {

constexpr int kRowsInView = 30;

// One group's records with n items, registered as the OPC objects would.
class Records {
 public:
  explicit Records(int n) {
    m_group.m_info.m_strName = L"Bench";
    GetOPCToolkitManager().AddServer(&m_server);
    GetOPCToolkitManager().AttachGroup(&m_server, &m_group);
    for (int i = 0; i < n; ++i) {
      auto item = std::make_unique<CSpyOPCItem>();
      item->m_info.m_strItemID.Format(L"4B.1.%d.%d", i / 100, i % 100);
      item->m_value = CComVariant(0);
      item->m_info.m_vtCanonical = VT_R4;
      GetOPCToolkitManager().AttachItem(&m_group, item.get());
      m_items.push_back(std::move(item));
    }
  }
  ~Records() {
    for (auto& item : m_items) GetOPCToolkitManager().DetachItem(item.get());
    GetOPCToolkitManager().DetachGroup(&m_group);
    GetOPCToolkitManager().RemoveServer(&m_server);
  }
  // Every value changes, as when the whole group delivered new data.
  void ChangeAll(int round) {
    CSpyLock lock;
    for (auto& item : m_items) {
      item->m_value = CComVariant(round);
      item->m_info.m_counters[CItemInfo::Updates].Raise();
    }
  }
  DWORD GroupKey() const { return m_group.m_dwKey; }

 private:
  CSpyOPCServer m_server;
  CSpyOPCGroup m_group;
  std::vector<std::unique_ptr<CSpyOPCItem>> m_items;
};

// The registry reads of the rows in view (their keys taken from the list, as the window has
// them); the best of 20 rounds, in ns.
double FloorNs(const std::vector<DWORD>& rowKeys) {
  COPCToolkitManager& registry = GetOPCToolkitManager();
  double best = 1e30;
  for (int rep = 0; rep < 20; ++rep) {
    auto t0 = std::chrono::steady_clock::now();
    for (DWORD key : rowKeys) {
      CItemInfo info;
      registry.GetItemInfo(key, info);
      benchmark::DoNotOptimize(info);
    }
    auto t1 = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double, std::nano>(t1 - t0).count());
  }
  return best;
}

// One tick after every value changed, timed alone; per row in view, beside the floor.
void RunTick(benchmark::State& state, int rowsInView) {
  const int n = static_cast<int>(state.range(0));
  Records records(n);
  CGroupItemViewModel tree;
  CGroupFeaturesViewModel view;
  view.GetItems().SetVisibleRows(0, rowsInView);
  COPCGroupTreeObject object(L"Bench", records.GroupKey());
  view.OnUpdate(&tree, HintSelectionChanged, &object);  // the rows are made here, not timed
  int round = 0;
  double totalNs = 0;
  for (auto _ : state) {
    records.ChangeAll(++round);
    auto t0 = std::chrono::steady_clock::now();
    view.Refresh();
    auto t1 = std::chrono::steady_clock::now();
    const double ns = std::chrono::duration<double, std::nano>(t1 - t0).count();
    totalNs += ns;
    state.SetIterationTime(ns / 1e9);
  }
  std::vector<DWORD> rowKeys;
  for (int row = 0; row < rowsInView && row < view.GetItems().GetRowCount(); ++row)
    rowKeys.push_back(view.GetItems().GetRowKey(row));
  state.counters["rows"] = view.GetItems().GetRowCount();
  state.counters["per_item_ns"] = totalNs / static_cast<double>(state.iterations()) / rowsInView;
  state.counters["floor_ns"] = FloorNs(rowKeys) / rowsInView;
}

void BM_ItemListTick(benchmark::State& state) { RunTick(state, kRowsInView); }

void BM_ItemListTickEveryRow(benchmark::State& state) { RunTick(state, static_cast<int>(state.range(0))); }

}  // namespace

// A fixed count: changing every value between ticks (not timed) costs far more than a tick.
BENCHMARK(BM_ItemListTick)->Arg(1000)->Arg(10000)->Arg(100000)->Iterations(300)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ItemListTickEveryRow)->Arg(1000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
