#!/usr/bin/env bash
# Starts the real varnixpos in a real X server (Xvfb), drops a command file and waits until it has
# been processed, then saves screenshots of the service window and the console, and of the
# "Storico" window that the File menu's shortcut Ctrl+H opens (typed with xdotool).
# Usage: xvfb-app-test.sh BIN_DIR SCREENSHOT_DIR
set -euo pipefail
source "$(dirname "$0")/../xvfb.sh"
source "$(dirname "$0")/../history-lines.sh"
bin="$1"
shots="$2"
mkdir -p "$shots"

work="$(mktemp -d /tmp/varnixpos-xvfb.XXXXXX)"
chmod 700 "$work"
data="$work/share/ZANDRIKVarnixPos"
mkdir -p "$data"
export XDG_DATA_HOME="$work/share" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work"
# A one-second simulated payment: the wait list's first entry.
printf '0\r\n0\r\n0\r\n0\r\n' > "$data/ParamVnxPos.TXT"
write_history_lines "$data"

xvfb_pid=""; app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

start_xvfb "$work" 1800x1000x24
unset QT_QPA_PLATFORM

wait_for() {  # wait_for TEST PATH: up to 20 s for `test -e`/`! -e`
  for _ in $(seq 1 200); do
    if [ "$1" = exists ] && [ -e "$2" ]; then return 0; fi
    if [ "$1" = gone ] && [ ! -e "$2" ]; then return 0; fi
    sleep 0.1
  done
  echo "timed out waiting until $2 is $1"; return 1
}

"$bin/varnixpos" >"$work/app.log" 2>&1 &
app_pid=$!
wait_for exists "$data/POSDUMPOUT.TXT"          # the first status request ran
printf 'POS_PAGAME,A2,P0\r\n' > "$data/SRINPF.TXT"
wait_for gone "$data/SRINPF.TXT"
wait_for exists "$data/SROUTF.TXT"
grep -q '^ESITO_COMANDO = OK' "$data/SROUTF.TXT" || { echo "unexpected result file"; cat "$data/SROUTF.TXT"; exit 1; }
kill -0 "$app_pid" || { echo "varnixpos ended"; cat "$work/app.log"; exit 1; }
sleep 0.5  # let the views repaint

shot() {  # shot TITLE FILE
  window_geometry "$1"
  "$bin/screenshot" "$2" "$win_x" "$win_y" "$win_w" "$win_h"
}
shot "ZANDRIK VarnixPos per sviluppatori (scambio importo)" "$shots/service-window.png"
# The test console works beside the resident that serves the register: it takes no command file.
"$bin/varnixpos" -I >"$work/console.log" 2>&1 &
console_pid=$!
for _ in $(seq 1 100); do xwininfo -name "Test Iae17  (ZANDRIK modified)" >/dev/null 2>&1 && break; sleep 0.1; done
sleep 0.5
shot "Test Iae17  (ZANDRIK modified)" "$shots/console.png"
kill -0 "$console_pid" || { echo "varnixpos -I ended beside the resident"; cat "$work/console.log"; exit 1; }
kill -KILL "$console_pid"; wait "$console_pid" 2>/dev/null || true

service_id="$(xdotool search --name '^ZANDRIK VarnixPos per sviluppatori' | head -n1)"
xdotool windowfocus --sync "$service_id" key ctrl+h
for _ in $(seq 1 100); do xwininfo -name "Storico degli scambi" >/dev/null 2>&1 && break; sleep 0.1; done
xwininfo -name "Storico degli scambi" >/dev/null 2>&1 || { echo "Ctrl+H opened no Storico window"; cat "$work/app.log"; exit 1; }
sleep 0.5
shot "Storico degli scambi" "$shots/history.png"
# SIGTERM is the close question answered OK: the parameter file is written and the program ends.
rm -f "$data/ParamVnxPos.TXT"
kill -TERM "$app_pid"
for _ in $(seq 1 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && { echo "varnixpos ignored SIGTERM"; exit 1; }
rc=0; wait "$app_pid" || rc=$?; app_pid=""
[ "$rc" -eq 0 ] || { echo "varnixpos ended with $rc on SIGTERM"; exit 1; }
[ -f "$data/ParamVnxPos.TXT" ] || { echo "SIGTERM skipped the close request"; exit 1; }

# Run-once shows no window of its own and starts without Qt, yet its message boxes are real
# windows: a copy of varnixpos without the terminal library beside it raises one for POS_TOTTER.
mkdir "$work/nolib"
cp "$bin/varnixpos" "$bin/libvarnixpos-qt.so" "$work/nolib/"
printf 'TIPO:ETH\r\nIPAD:127.0.0.1\r\nPORT:9999\r\nINPF:SRINPF.TXT\r\nOUTF:SROUTF.TXT\r\n' \
  > "$data/RunOnce.TXT"
printf 'POS_TOTTER\r\n' > "$data/SRINPF.TXT"
"$work/nolib/varnixpos" -E"$data/RunOnce.TXT" >"$work/once.log" 2>&1 &
app_pid=$!
for _ in $(seq 1 200); do xwininfo -name "ZANDRIK VarnixPos" >/dev/null 2>&1 && break; sleep 0.1; done
xwininfo -name "ZANDRIK VarnixPos" >/dev/null 2>&1 || { echo "no message box"; cat "$work/once.log"; exit 1; }
sleep 0.3
shot "ZANDRIK VarnixPos" "$shots/run-once-box.png"
echo "4 passed, 0 failed: varnixpos processed a command file under Xvfb, opened its Storico" \
  "window and closed on SIGTERM, and its run-once mode showed a message box; screenshots in $shots"
