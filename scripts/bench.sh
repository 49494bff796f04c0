#!/usr/bin/env bash
# Runs every benchmark family in a process of its own, so that no figure inherits the heap or
# the network state another one left; medians over BENCH_REPS repetitions (default 5). Then
# prints the table the README shows.
set -euo pipefail
build=${1:-build}
reps=${BENCH_REPS:-5}
out="$build/bench"
rm -rf "$out"
mkdir -p "$out"
results=()
# The boundary benchmark's server process makes its socket under a machine root of its own.
mkdir -p "$build/bench-machine"
export TESSALY_MACHINE_ROOT="$(cd "$build/bench-machine" && pwd)"
for exe in standins/kestrum/kestrum_benchmark opcserver/opcserver_benchmark opcserver/opcserver_boundary_benchmark \
    views/models/views_models_benchmark views/models/views_grid_benchmark; do
  for family in $("$build/$exe" --benchmark_list_tests | sed 's|/.*||' | uniq); do
    "$build/$exe" --benchmark_filter="^${family}(/|\$)" --benchmark_repetitions="$reps" \
      --benchmark_report_aggregates_only=true --benchmark_out="$out/$(basename "$exe")-$family.json" \
      --benchmark_out_format=json
    results+=("$out/$(basename "$exe")-$family.json")
  done
done
python3 "$(dirname "$0")/bench-table.py" "${results[@]}"
