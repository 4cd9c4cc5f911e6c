#!/usr/bin/env bash
# varnixpos on a small desktop as a user has it: a 1024x768 X server with a window manager
# (openbox) and a tray host (trayer), against the simulator answering after 3 s. Checks that both
# windows sit wholly on the screen with their title bars, and saves a screenshot taken while the
# terminal works (the lamp red, "Salva Dati" disabled), then one after.
# Usage: xvfb-desktop-test.sh BIN_DIR SCREENSHOT_DIR
set -euo pipefail
source "$(dirname "$0")/../xvfb.sh"
source "$(dirname "$0")/../simulator.sh"
bin="$1"
shots="$2"
mkdir -p "$shots"

work="$(mktemp -d /tmp/varnixpos-desktop.XXXXXX)"
chmod 700 "$work"
data="$work/share/ZANDRIKVarnixPos"
mkdir -p "$data"
export XDG_DATA_HOME="$work/share" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work"
export HOME="$work"  # openbox keeps its settings there

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

start_xvfb "$work" 1024x768x24
pids+=("$xvfb_pid")
unset QT_QPA_PLATFORM

desktop="no window manager"
if command -v openbox >/dev/null; then
  openbox >"$work/openbox.log" 2>&1 &
  pids+=($!)
  desktop="openbox"
fi
if command -v trayer >/dev/null; then
  trayer --edge bottom --align right --widthtype pixel --width 80 --height 24 \
    >"$work/trayer.log" 2>&1 &
  pids+=($!)
  desktop="$desktop and trayer"
fi
sleep 1

start_simulator "$work/sim.out" 5 "$bin/pos-simulator" --delay-ms 3000 \
  --journal "$work/journal.jsonl" || { echo "the simulator did not start"; cat "$work/sim.out"; exit 1; }
pids+=("$sim_pid")
port="$sim_port"
printf 'TIPO:ETH\r\nIPAD:127.0.0.1\r\nPORT:%s\r\nINPF:SRINPF.TXT\r\nOUTF:SROUTF.TXT\r\n' "$port" \
  > "$data/ConfigVnxPos.TXT"

service="ZANDRIK VarnixPos per sviluppatori (scambio importo)"
console="Test Iae17  (ZANDRIK modified)"
start() {  # start ARGS...: varnixpos, its windows mapped and placed
  "$bin/varnixpos" "$@" >"$work/app.log" 2>&1 &
  app_pid=$!
  pids+=("$app_pid")
  for _ in $(seq 1 100); do xwininfo -name "$service" >/dev/null 2>&1 && break; sleep 0.1; done
  sleep 1  # placed and decorated by the window manager
}
stop() {
  kill -TERM "$app_pid"
  wait "$app_pid" || { echo "varnixpos did not end cleanly"; cat "$work/app.log"; exit 1; }
}
on_screen() {  # on_screen TITLE: the client area inside 1024x768, room for a title bar above
  window_geometry "$1"
  if [ "$win_x" -lt 0 ] || [ "$win_y" -lt 10 ] || [ $((win_x + win_w)) -gt 1024 ] ||
     [ $((win_y + win_h)) -gt 768 ]; then
    echo "'$1' is not wholly on the 1024x768 screen: ${win_w}x${win_h}+${win_x}+${win_y}"; exit 1
  fi
}

# The resident window alone, and a command the terminal takes 3 s to answer.
start
on_screen "$service"
printf 'POS_TOTTER\r\n' > "$data/SRINPF.TXT"
for _ in $(seq 1 100); do [ -s "$work/journal.jsonl" ] && break; sleep 0.05; done
[ -s "$work/journal.jsonl" ] || { echo "the command never reached the terminal"; exit 1; }
sleep 0.3
"$bin/screenshot" "$shots/desktop-mid-call.png"
for _ in $(seq 1 100); do [ ! -e "$data/SRINPF.TXT" ] && break; sleep 0.1; done
[ ! -e "$data/SRINPF.TXT" ] || { echo "the command file was not run"; exit 1; }
stop

# With the console: both windows on the screen.
start -I
for _ in $(seq 1 50); do xwininfo -name "$console" >/dev/null 2>&1 && break; sleep 0.1; done
on_screen "$service"
on_screen "$console"
"$bin/screenshot" "$shots/desktop-console.png"
stop
echo "2 passed, 0 failed: on a 1024x768 desktop ($desktop) the windows are on screen, and a 3 s" \
  "exchange was screenshot while the terminal worked ($shots/desktop-mid-call.png)"
