#!/usr/bin/env bash
# Builds the core and its tests for 64-bit Windows with MinGW-w64 and runs them under Wine in a
# throw-away prefix, so the Win32 code paths (registry, shell folder, kernel32 files) run for real.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++-mingw-w64-x86-64-posix wine wine64 googletest cmake ninja-build)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

WINEPREFIX="$(mktemp -d /tmp/varnixpos-wine.XXXXXX)"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() { wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"; }
trap cleanup EXIT

echo "test-windows: preparing Wine prefix $WINEPREFIX"
timeout 300 wineboot -i >/dev/null 2>&1 || true

cmake --preset mingw
cmake --build --preset mingw -j "${JOBS:-2}"
ctest --preset mingw --timeout 600
