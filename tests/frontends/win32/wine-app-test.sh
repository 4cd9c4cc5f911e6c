#!/usr/bin/env bash
# Starts the real 64-bit varnixpos.exe under Wine in a real X server (Xvfb) and a throw-away
# prefix: the resident mode processes a command file, "-I" shows the console, "-h" answers on
# standard output, the File menu's shortcut Ctrl+H (typed with xdotool) opens the "Storico"
# window, and Wine's taskkill (WM_CLOSE to every window) ends each run with exit code 0.
# Screenshots of the service window, the console and the "Storico" window go to SCREENSHOT_DIR.
# Usage: wine-app-test.sh BIN_DIR SCREENSHOT_DIR   (BIN_DIR holds varnixpos.exe and Iae17.dll)
set -euo pipefail
source "$(dirname "$0")/wine-desktop.sh"
source "$(dirname "$0")/../history-lines.sh"
bin="$(cd "$1" && pwd)"
mkdir -p "$2"
shots="$(cd "$2" && pwd)"
repo="$(cd "$(dirname "$0")/../../.." && pwd)"
screenshot="${SCREENSHOT:-$repo/build/bin/screenshot}"
exe="$bin/varnixpos.exe"

# Wine without its 32-bit half exits 0 on a 32-bit program without running it: such a run would
# pass without testing anything.
file -b "$exe" | grep -q 'x86-64' || { echo "wine-app-test: $exe is not a 64-bit program"; exit 1; }
[ -x "$screenshot" ] || { echo "wine-app-test: no screenshot tool at $screenshot (make build)"; exit 1; }

work="$(mktemp -d /tmp/varnixpos-wine-app.XXXXXX)"
start_wine_desktop "$work"
data="$WINEPREFIX/drive_c/ProgramData/ZANDRIKVarnixPos"
mkdir -p "$data"

shot() {  # shot TITLE FILE: the window's rectangle of the screen
  window_geometry "$1"
  if [ $((win_x + win_w)) -gt 1024 ] || [ $((win_y + win_h)) -gt 768 ] || [ "$win_x" -lt 0 ] ||
     [ "$win_y" -lt 0 ]; then
    fail "\"$1\" (${win_w}x${win_h}+${win_x}+${win_y}) is not wholly on a 1024x768 screen"
  fi
  "$screenshot" "$2" "$win_x" "$win_y" "$win_w" "$win_h"
}

end_app() {  # end_app: WM_CLOSE to every window of the program; it must end, with exit code 0
  timeout 30 wine taskkill /im varnixpos.exe >"$work/taskkill.log" 2>&1 || true
  for _ in $(seq 1 200); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$app_pid" 2>/dev/null; then
    fail "varnixpos.exe did not end on WM_CLOSE"; return
  fi
  local rc=0
  wait "$app_pid" || rc=$?
  app_pid=""
  [ "$rc" -eq 0 ] && pass || fail "varnixpos.exe ended with $rc"
}

service="ZANDRIK VarnixPos per sviluppatori (scambio importo)"
console="Test Iae17  (ZANDRIK modified)"

# Resident: the service window polls the data folder. A one-second simulated payment (the wait
# list's first entry) answers the command file.
printf '0\r\n0\r\n0\r\n0\r\n' > "$data/ParamVnxPos.TXT"
write_history_lines "$data"
wine "$exe" >"$work/resident.log" 2>&1 &
app_pid=$!
if wait_for window "$service"; then
  pass
  wait_for exists "$data/POSDUMPOUT.TXT" || true   # the first status request ran
  printf 'POS_PAGAME,A2,P0\r\n' > "$data/SRINPF.TXT"
  if wait_for gone "$data/SRINPF.TXT" && wait_for exists "$data/SROUTF.TXT" &&
     grep -q '^ESITO_COMANDO = OK' "$data/SROUTF.TXT"; then
    pass
  else
    fail "the command file was not answered"; ls -l "$data"
  fi
  sleep 1  # the views show the result file after the cycle
  shot "$service" "$shots/windows-service.png"
  xdotool windowfocus --sync "$(xdotool search --name '^ZANDRIK VarnixPos per sviluppatori' |
    head -n1)" key ctrl+h || true
  if wait_for window "Storico degli scambi"; then
    pass
    sleep 1
    shot "Storico degli scambi" "$shots/windows-history.png"
  else
    fail "Ctrl+H opened no Storico window"
  fi
else
  fail "no service window"; cat "$work/resident.log"
fi
end_app

# "-I": the console besides the service window.
rm -f "$data/SROUTF.TXT"
wine "$exe" -I >"$work/console.log" 2>&1 &
app_pid=$!
if wait_for window "$console" && wait_for window "$service"; then
  pass
  sleep 1
  shot "$console" "$shots/windows-console.png"
else
  fail "no console window"; cat "$work/console.log"
fi
end_app

# A GUI program started with a standard output writes its usage there, and starts nothing.
if timeout 60 wine "$exe" -h 2>/dev/null | grep -q '^Uso: varnixpos'; then
  pass
else
  fail "-h printed no usage"
fi

echo "$passed passed, $failures failed: varnixpos.exe under Wine; screenshots in $shots"
[ "$failures" -eq 0 ]
