// One tick of the group view's item list over 1,000 to 100,000 items: only the rows in view
// (30) are read again, so a tick costs the item-key comparison plus 30 record copies. Beside it
// the floor, the registry reads a tick cannot avoid (the group's keys and 30 record copies),
// and the same tick with every row in view, which the list never does.
#include <benchmark/benchmark.h>

#include <deque>
#include <memory>
#include <vector>

#include "opcserver/OPCToolkitManager.h"
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
      item->m_info.m_strValue = L"0";
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
      item->m_info.m_strValue.Format(L"%d", round);
      item->m_info.m_counters[CItemInfo::Updates].Raise();
    }
  }
  DWORD GroupKey() const { return m_group.m_dwKey; }

 private:
  CSpyOPCServer m_server;
  CSpyOPCGroup m_group;
  std::vector<std::unique_ptr<CSpyOPCItem>> m_items;
};

void RunTick(benchmark::State& state, int rowsInView) {
  const int n = static_cast<int>(state.range(0));
  Records records(n);
  CGroupItemViewModel tree;
  CGroupFeaturesViewModel view;
  view.GetItems().SetVisibleRows(0, rowsInView);
  COPCGroupTreeObject object(L"Bench", records.GroupKey());
  view.OnUpdate(&tree, HintSelectionChanged, &object);  // the rows are made here, not timed
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    records.ChangeAll(++round);
    state.ResumeTiming();
    view.Refresh();
  }
  state.counters["rows"] = view.GetItems().GetRowCount();
}

void BM_ItemListTick(benchmark::State& state) { RunTick(state, kRowsInView); }

void BM_ItemListTickEveryRow(benchmark::State& state) { RunTick(state, static_cast<int>(state.range(0))); }

void BM_ItemListTickFloor(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Records records(n);
  COPCToolkitManager& registry = GetOPCToolkitManager();
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    records.ChangeAll(++round);
    state.ResumeTiming();
    CGroupInfo group;
    registry.GetGroupInfo(records.GroupKey(), group);
    std::deque<DWORD> keys;
    registry.ListItems(records.GroupKey(), keys);
    for (int row = 0; row < kRowsInView && row < n; ++row) {
      CItemInfo info;
      registry.GetItemInfo(keys[static_cast<size_t>(row)], info);
      benchmark::DoNotOptimize(info);
    }
  }
}

}  // namespace

BENCHMARK(BM_ItemListTick)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ItemListTickFloor)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ItemListTickEveryRow)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
