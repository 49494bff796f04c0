#!/usr/bin/env bash
# Runs every fuzz harness built in $1 for $2 seconds, starting from its seed corpus.
# Inputs that add coverage go to the build tree; crash reproducers go to fuzz/corpus/<harness>/.
set -euo pipefail
build=${1:?build folder}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
for exe in "$build"/fuzz/fuzz_*; do
  [ -x "$exe" ] || continue
  name=${exe##*/fuzz_}
  seeds="$root/fuzz/corpus/$name"
  work="$build/fuzz/work/$name"
  machine="$build/fuzz/machine/$name"
  mkdir -p "$work" "$machine"
  echo "== $name: ${seconds}s"
  if ! TESSALY_MACHINE_ROOT="$machine" HOME="$machine" \
      ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$seeds/" "$work" "$seeds"; then
    echo "== $name FAILED: the reproducer is in $seeds"
    status=1
  fi
done
exit $status
