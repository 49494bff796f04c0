#!/usr/bin/env bash
# Runs the demo of what is built so far (see README: what is not built yet).
set -euo pipefail
build=${1:-build}
echo "Tessaly: the program itself is not built yet; running the platform and component tests as the demo."
cd "$build" && ctest --output-on-failure -j "$(nproc)"
