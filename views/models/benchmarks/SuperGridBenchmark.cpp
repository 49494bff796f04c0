// The grid with many rows: filling, expanding and collapsing one row among all shown, a sort, against the
// floor of walking the same number of rows.
#include <benchmark/benchmark.h>

#include <vector>

#include "views/models/SuperGridModel.h"

namespace {

// n rows: n / 10 top-level rows with 9 children each.
void Fill(CSuperGridModel& grid, int n) {
  for (int i = 0; i < n / 10; ++i) {
    CString text;
    text.Format(L"node %d", (i * 7919) % n);
    auto* root = grid.InsertItem(nullptr, text, 0);
    for (int j = 0; j < 9; ++j) grid.InsertItem(root, text, 0);
  }
}

void BM_FillCollapsed(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    CSuperGridModel grid;
    Fill(grid, n);
    benchmark::DoNotOptimize(grid.GetRowCount());
  }
  state.SetItemsProcessed(state.iterations() * n);
}

// One root in the middle of a grid whose every other row is shown.
void BM_ExpandAndCollapseOne(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  CSuperGridModel grid;
  Fill(grid, n);
  for (auto& root : grid.GetRootItems()) grid.Expand(root.get());
  CSuperGridModel::CTreeItem* middle = grid.GetRootItems()[grid.GetRootItems().size() / 2].get();
  for (auto _ : state) {
    grid.Collapse(middle);
    grid.Expand(middle);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_SortExpanded(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  CSuperGridModel grid;
  Fill(grid, n);
  for (auto& root : grid.GetRootItems()) grid.Expand(root.get());
  for (auto _ : state) {
    grid.SortByColumn(0);
    benchmark::DoNotOptimize(grid.GetRowItem(0));
  }
  state.SetItemsProcessed(state.iterations() * n);
}

// The floor: reading every shown row once.
void BM_FloorWalkRows(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  CSuperGridModel grid;
  Fill(grid, n);
  for (auto& root : grid.GetRootItems()) grid.Expand(root.get());
  for (auto _ : state) {
    int sum = 0;
    for (int row = 0; row < grid.GetRowCount(); ++row) sum += grid.GetRowItem(row)->GetLevel();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * n);
}

}  // namespace

BENCHMARK(BM_FillCollapsed)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExpandAndCollapseOne)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SortExpanded)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorWalkRows)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
