#!/usr/bin/env bash
# Runs one GUI test executable as a user's desktop would run the program: under Xvfb
# (1280x900x24) with openbox as window manager, GDK_BACKEND=x11, on a fresh machine root, home
# and XDG folders in the build tree, with the network control stand-in and server instance 0
# registered there and a copy of the demo project (and its network database).
#
#   scripts/gui-test.sh BUILD_DIR NAME EXECUTABLE [ARGS...]
#
# The test finds, through the environment: TESSALY_GUI_PROJECT (the copy of the demo project),
# TESSALY_GUI_WORK (an empty folder for the files it writes), TESSALY_GUI_BUILD (the build folder,
# for the project's tools), TESSALY_GUI_SHOTS (its screenshots
# folder, BUILD_DIR/screenshots/NAME, emptied first). TESSALY_GUI_RUN_KNOWN=1 also runs the
# sections marked as known to fail (=text: those whose name or reason contains the text).
set -euo pipefail
build=$(cd "$1" && pwd)
name=$2
shift 2

root="$build/gui-machine/$name"
rm -rf "$root"
mkdir -p "$root/machine" "$root/home" "$root/xdg/data" "$root/xdg/config" "$root/xdg/cache" "$root/runtime" \
  "$root/project" "$root/work"
chmod 700 "$root/runtime"
export TESSALY_MACHINE_ROOT="$root/machine"
export HOME="$root/home"
export XDG_DATA_HOME="$root/xdg/data" XDG_CONFIG_HOME="$root/xdg/config" XDG_CACHE_HOME="$root/xdg/cache"
export XDG_RUNTIME_DIR="$root/runtime"
export GDK_BACKEND=x11
# No accessibility bus and no settings daemon on this desktop: the toolkit need not look for them.
export NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory
unset DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER

shots="$build/screenshots/$name"
rm -rf "$shots"
mkdir -p "$shots"
export TESSALY_GUI_SHOTS="$shots" TESSALY_GUI_WORK="$root/work" TESSALY_GUI_BUILD="$build"

# The demo project, its database beside it.
cp "$build/demo/demo-network.db" "$root/project/demo-network.db"
sed "s|<dbpath>.*</dbpath>|<dbpath>$root/project/demo-network.db</dbpath>|" "$build/demo/demo.tdbx" \
  > "$root/project/demo.tdbx"
export TESSALY_GUI_PROJECT="$root/project/demo.tdbx"

"$build/tools/regsvr/regsvr" "$build/standins/kestrum/libkestrum.so" > "$root/registration.log"
"$build/app/wx/tessaly" -RegServer >> "$root/registration.log" 2>&1

export GUI_TEST_EXE="$1"
shift
# The display: xvfb-run -a picks a free one by the lock files of running servers, and two runs
# started at once (ctest -j) may pick the same one and meet each other's server. So each run takes
# a number of its own from 200 up (xvfb-run -a starts at 99) by creating a folder, which only one
# run can; a folder whose run has gone is taken over. A server that still does not come up, or a
# display the script cannot use, is tried again with the next number (at most five times).
# -noreset: the server does not start over when its last client goes (the probe below is one),
# which would make the window manager's connection fail.
export GUI_TEST_STARTED="$root/started"
display_lock=""
take_display() {
  local n lock
  for n in $(seq 200 399); do
    lock="/tmp/.tessaly-gui-display-$n"
    [ -e "/tmp/.X$n-lock" ] && continue
    if [ -d "$lock" ] && ! kill -0 "$(cat "$lock/pid" 2>/dev/null || echo 0)" 2>/dev/null; then
      rm -rf "$lock"
    fi
    if mkdir "$lock" 2>/dev/null; then
      echo $$ > "$lock/pid"
      display_lock="$lock"
      display_num=$n
      return 0
    fi
  done
  return 1
}
trap '[ -n "$display_lock" ] && rm -rf "$display_lock"' EXIT
for attempt in 1 2 3 4 5; do
  rm -f "$GUI_TEST_STARTED"
  [ -n "$display_lock" ] && rm -rf "$display_lock"
  display_lock=""
  take_display || { echo "gui-test: no free display number"; exit 1; }
  status=0
  xvfb-run -n "$display_num" -s "-screen 0 1280x900x24 -noreset" bash -c '
    set -uo pipefail
    xprop -root -len 0 > /dev/null 2>&1 || exit 1
    touch "$GUI_TEST_STARTED"
    openbox --sm-disable > "$HOME/openbox.log" 2>&1 &
    wm=$!
    # The window manager is up once it names its check window on the root (bounded: 20 s).
    for _ in $(seq 1 400); do
      if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; then break; fi
      kill -0 $wm 2>/dev/null || { echo "openbox ended early"; cat "$HOME/openbox.log"; exit 1; }
      sleep 0.05
    done
    xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id" || { echo "openbox did not start"; exit 1; }
    "$GUI_TEST_EXE" "$@"
    status=$?
    kill $wm 2>/dev/null
    wait $wm 2>/dev/null
    exit $status
  ' gui-test "$@" || status=$?
  [ -e "$GUI_TEST_STARTED" ] && exit $status
  echo "gui-test: the X server did not start (attempt $attempt)"
done
exit 1
