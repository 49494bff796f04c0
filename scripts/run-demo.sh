#!/usr/bin/env bash
# The main job: registers the network control stand-in and server instance 0 under a machine root
# in the build tree and starts Tessaly in "Run" mode on the demo project. With a display the window stays until it is
# closed; without one the program runs under Xvfb, a screenshot of the main window is saved into
# the build tree, and the program is ended.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
exe="$build/app/wx/tessaly"
export TESSALY_MACHINE_ROOT="$build/run-machine"
mkdir -p "$TESSALY_MACHINE_ROOT"
export GDK_BACKEND=x11

"$build/tools/regsvr/regsvr" "$build/standins/kestrum/libkestrum.so"
"$exe" -RegServer
project="$build/demo/demo.tdbx"
export project

if [ -n "${DISPLAY:-}" ] && [ -z "${TESSALY_HEADLESS:-}" ]; then
  exec "$exe" -Run "$project"
fi

shot="$build/tessaly-main-window.png"
export exe shot
xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
  set -euo pipefail
  "$exe" -Run "$project" &
  pid=$!
  # Wait for the main window to be mapped (bounded), then give it one round to paint.
  for _ in $(seq 1 300); do
    if xwininfo -root -tree 2>/dev/null | grep -q "Tarn OPC Server"; then break; fi
    if ! kill -0 $pid 2>/dev/null; then echo "Tessaly ended early"; exit 1; fi
    sleep 0.1
  done
  id=$(xwininfo -root -tree | grep "Tarn OPC Server" | head -1 | awk "{print \$1}")
  [ -n "$id" ] || { echo "Tessaly: no main window"; kill $pid; exit 1; }
  sleep 1
  xwd -id "$id" -silent | convert xwd:- "$shot"
  echo "Tessaly: screenshot of the main window in $shot"
  client="$(dirname "$exe")/../../tools/opcclient/opcclient"
  if [ -x "$client" ]; then
    # A client in another process: browse, a group of two data points, read, write, watch.
    printf "%s\n" "browse flat" "group demo rate=500" "add 4B.1.1.0" "add 4B.1.1.1" "read device" \
      "write 4B.1.1.0 22.5" "watch 5" | "$client" Norvane.Tessaly2.1 - || echo "Tessaly: the client run failed"
  fi
  kill -TERM $pid
  wait $pid
'
