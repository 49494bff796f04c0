#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
# With the argument "fuzz", also what `make fuzz` needs.
set -euo pipefail
packages=(cmake make g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libsqlite3-dev sqlite3 libtinyxml-dev capnproto libcapnp-dev libssl-dev openssl
          libwxgtk3.2-dev xvfb xauth x11-apps x11-utils imagemagick)
# The GUI tests: a window manager, real input (XTest), the toolkit's own widgets looked at.
packages+=(openbox xdotool libxtst-dev libgtk-3-dev)
packages+=(python3)  # the layer check of make test, the table of make bench
# The desktop's file types of -RegServer, and its own tools that the test asks about a project.
packages+=(xdg-utils shared-mime-info desktop-file-utils libfile-mimeinfo-perl)
# `make fuzz` only (scripts/deps.sh fuzz): clang with its libFuzzer and sanitizer runtimes.
if [ "${1:-}" = "fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
