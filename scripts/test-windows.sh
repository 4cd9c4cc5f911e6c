#!/usr/bin/env bash
# make test-windows, all under Wine in throw-away prefixes:
# 1. make windows: both bitnesses, folders, zips and installers, with their static checks (machine,
#    the vendor's 14 plain export names, system DLL imports only, version information,
#    varnixpos.exe a GUI program);
# 2. the core and integration suites for 64-bit Windows, so the Win32 code paths (registry, shell
#    folder, kernel32 files, LoadLibraryA/GetProcAddress) run for real; the simulator they use runs
#    natively on loopback (Wine's sockets are the host's);
# 3. the packaged 64-bit varnixpos.exe in a real X server (wine-app-test.sh);
# 4. the 64-bit installer, and what it installed (wine-installer-test.sh);
# 5. the same for 32 bits where 32-bit Wine is installed; otherwise said loudly as skipped.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/windows.sh
version="$(sed -n 's/^project(VarnixPos VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"

# The native simulator first.
make build

WINEPREFIX="$(mktemp -d /tmp/varnixpos-wine.XXXXXX)"
journal="$(mktemp /tmp/varnixpos-wine-journal.XXXXXX)"
sim_out="$(mktemp /tmp/varnixpos-wine-sim.XXXXXX)"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX" "$journal" "$sim_out"
}
trap cleanup EXIT

source tests/frontends/simulator.sh
start_simulator "$sim_out" 5 build/bin/pos-simulator --journal "$journal" ||
  { echo "test-windows: the simulator did not start"; exit 1; }
port="$sim_port"
export VARNIXPOS_SIM_TCP_PORT="$port" VARNIXPOS_SIM_JOURNAL="Z:$journal"
export VARNIXPOS_IAE17_ANSWER_MS=1500

echo "test-windows: preparing Wine prefix $WINEPREFIX (simulator on 127.0.0.1:$port)"
timeout 300 wineboot -i >/dev/null 2>&1 || true

cmake --preset mingw64
cmake --build --preset mingw64 -j "${JOBS:-2}"
ctest --preset mingw64 --timeout 600

# The windowed varnixpos.exe as shipped, on a 1024x768 X screen (the native build's screenshot
# tool saves its windows).
bash tests/frontends/win32/wine-app-test.sh "build-windows/varnixpos-$version-win64" \
  build-mingw64/screenshots

# The installers. The tray helper is a 64-bit program, which a 32-bit-capable Wine runs as well.
timeout 600 bash tests/frontends/win32/wine-installer-test.sh \
  "build-windows/varnixpos-$version-win64-setup.exe" 64 build-mingw64/bin/post-message.exe
# Wine without its 32-bit half exits 0 on a 32-bit program without running it: the 32-bit test
# runs only where that half is installed, and otherwise never counts as passed.
if dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  timeout 600 bash tests/frontends/win32/wine-installer-test.sh \
    "build-windows/varnixpos-$version-win32-setup.exe" 32 build-mingw64/bin/post-message.exe
else
  echo "=================================================================================="
  echo "test-windows: 32-bit programs: skipped: no 32-bit Wine (wine32:i386 not installed)."
  echo "  Only their static checks ran (make windows: PE machine i386, the 14 plain export"
  echo "  names of Iae17.dll, system DLL imports only, version information). Nothing 32-bit"
  echo "  was run."
  echo "=================================================================================="
fi
