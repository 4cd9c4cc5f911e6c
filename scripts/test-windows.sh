#!/usr/bin/env bash
# Builds the core, the stand-in Iae17.dll and the tests for 64-bit Windows with MinGW-w64 and runs
# them under Wine in a throw-away prefix, so the Win32 code paths (registry, shell folder, kernel32
# files, LoadLibraryA/GetProcAddress) run for real. The terminal simulator runs natively on
# loopback: Wine's sockets are the host's.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh windows

# The native simulator first.
make build

WINEPREFIX="$(mktemp -d /tmp/varnixpos-wine.XXXXXX)"
journal="$(mktemp /tmp/varnixpos-wine-journal.XXXXXX)"
sim_out="$(mktemp /tmp/varnixpos-wine-sim.XXXXXX)"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX" "$journal" "$sim_out"
}
trap cleanup EXIT

# A free port below 10000 (the console's port check takes no more).
for attempt in $(seq 1 20); do
  port=$((9000 + RANDOM % 1000))
  build/bin/pos-simulator --tcp "$port" --journal "$journal" >"$sim_out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 1 50); do
    grep -q '^tcp ' "$sim_out" && break
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.1
  done
  grep -q '^tcp ' "$sim_out" && break
  wait "$sim_pid" 2>/dev/null || true
  sim_pid=""
done
[ -n "$sim_pid" ] || { echo "test-windows: the simulator did not start"; exit 1; }
export VARNIXPOS_SIM_TCP_PORT="$port" VARNIXPOS_SIM_JOURNAL="Z:$journal"
export VARNIXPOS_IAE17_ANSWER_MS=1500

echo "test-windows: preparing Wine prefix $WINEPREFIX (simulator on 127.0.0.1:$port)"
timeout 300 wineboot -i >/dev/null 2>&1 || true

cmake --preset mingw64
cmake --build --preset mingw64 -j "${JOBS:-2}"
ctest --preset mingw64 --timeout 600

# The windowed varnixpos.exe itself, on a 1024x768 X screen (the native build's screenshot tool
# saves its windows); only the 64-bit one: this Wine has no 32-bit half.
bash tests/frontends/win32/wine-app-test.sh build-mingw64/bin build-mingw64/screenshots
