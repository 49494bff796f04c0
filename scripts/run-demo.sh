#!/usr/bin/env bash
# Runs the demo of what is built so far (see README: what is not built yet).
set -euo pipefail
build=${1:-build}
echo "Tessaly: the program itself is not built yet; running the platform and component tests as the demo."
cd "$build"
ctest --output-on-failure -j "$(nproc)"
# An OPC client in its own process against the server host, started through activation.
root=$(mktemp -d)
export TESSALY_MACHINE_ROOT="$root"
opcserver/host/opcserver_host -RegServer
printf 'status\ngroup Demo rate=200\nadd 4B.1.1.0\nadd 4B.1.1.1\nread device\nwrite 4B.1.1.0 22.5\nread device 4B.1.1.0\nwatch 3\n' |
  tools/opcclient/opcclient '{6E3D0A10-5B2C-4F8E-A1D4-7C9B20E4F300}' -
rm -rf "$root"
