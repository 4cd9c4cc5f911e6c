#!/usr/bin/env bash
# Installs VarnixPos with its NSIS installer, silently (/S), into a throw-away Wine prefix under a
# real X server (Xvfb), and uses the installed programs as a register and a developer would: the
# version, a run-once exchange of both programs against the installed simulator on loopback, the
# tray icon's double-click bringing the minimised window back, and the uninstaller.
# Usage: wine-installer-test.sh SETUP_EXE BITS POST_MESSAGE_EXE
#   POST_MESSAGE_EXE: the test helper that posts a window the tray icon's callback.
set -euo pipefail
source "$(dirname "$0")/wine-desktop.sh"
source "$(dirname "$0")/../simulator.sh"
setup="$(realpath "$1")"
bits="$2"
post="$(realpath "$3")"
repo="$(cd "$(dirname "$0")/../../.." && pwd)"

# An installer of the wrong bitness is the trap to rule out first: a 32-bit installer under a
# 64-bit-only Wine exits 0 and installs nothing.
case "$bits" in
  64) stub='PE32+ executable' ; programs="Program Files" ;;
  32) stub='PE32 executable' ; programs="Program Files (x86)" ;;
  *) echo "wine-installer-test: BITS is 32 or 64"; exit 2 ;;
esac
file -b "$setup" | grep -q "^$stub" || { echo "wine-installer-test: $setup is not a $bits-bit installer"; exit 1; }

work="$(mktemp -d /tmp/varnixpos-wine-setup.XXXXXX)"
start_wine_desktop "$work"
install="$WINEPREFIX/drive_c/$programs/VarnixPos"
data="$WINEPREFIX/drive_c/ProgramData/ZANDRIKVarnixPos"
c_data='C:\ProgramData\ZANDRIKVarnixPos'
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VarnixPos'
service="ZANDRIK VarnixPos per sviluppatori (scambio importo)"

# --- The installer, silently.
timeout 120 wine "$setup" /S >"$work/setup.log" 2>&1 || true  # judged by what it left, not its code
for program in varnixpos.exe varnixpos-cli.exe pos-simulator.exe Iae17.dll Uninstall.exe; do
  check "$program is not installed in $programs\\VarnixPos" test -e "$install/$program"
done
check "the data folder C:\\ProgramData\\ZANDRIKVarnixPos was not created" test -d "$data"
shortcuts="$(find "$menu" -name '*.lnk' -path '*VarnixPos*' -printf '%f\n' 2>/dev/null | sort | tr '\n' ',')"
check "Start-menu shortcuts are \"$shortcuts\"" \
  test "$shortcuts" = "Console di test.lnk,Simulatore.lnk,Uninstall.lnk,VarnixPos.lnk,"
shortcut() {  # shortcut NAME PROGRAM [ARGUMENTS]: the link starts the installed PROGRAM with them
  local link texts
  link="$(find "$menu" -path "*VarnixPos*/$1.lnk" | head -n1)"
  [ -n "$link" ] || return 1
  texts="$(strings "$link")"  # the target's path is ANSI text in the link, its arguments UTF-16
  grep -qxF "C:\\$programs\\VarnixPos\\$2" <<<"$texts" || return 1
  texts="$(strings -n 2 -el "$link")"
  [ -z "${3:-}" ] || grep -qxF -- "$3" <<<"$texts"
}
check "\"VarnixPos\" does not start varnixpos.exe" shortcut VarnixPos varnixpos.exe
check "\"Console di test\" does not start varnixpos.exe -I" shortcut "Console di test" varnixpos.exe -I
check "\"Simulatore\" does not start pos-simulator.exe --tcp 1000" \
  shortcut Simulatore pos-simulator.exe "--tcp 1000"
check "no Add/Remove programs entry" \
  bash -c "wine reg query '$uninstall_key' /v UninstallString 2>/dev/null | grep -q 'Uninstall.exe'"

# --- The version, from the installed console program; its start writes the default
# configuration into the data folder, which it cannot create itself.
timeout 60 wine "$install/varnixpos-cli.exe" -V 2>&1 | tr -d '\r' >"$work/version.txt" || true
check "varnixpos-cli.exe -V printed: $(head -c 300 "$work/version.txt")" \
  cmp -s "$work/version.txt" "$repo/tests/integration/golden/version.txt"
check "the first start wrote no ConfigVnxPos.TXT into the data folder" test -s "$data/ConfigVnxPos.TXT"

# --- The installed simulator on a free loopback port below 10000 (the console's port check).
journal="$work/journal.txt"
start_simulator "$work/sim.out" 20 wine "$install/pos-simulator.exe" --journal "Z:${journal//\//\\}" ||
  { echo "FAIL: the installed pos-simulator.exe did not start"; cat "$work/sim.out"; exit 1; }
port="$sim_port"

# --- Run-once, as a register starts it per command: an extended payment on the simulator, then
# the simulated payment (a one-second wait) that writes the result file.
printf '0\r\n0\r\n0\r\n0\r\n' >"$data/ParamVnxPos.TXT"
printf 'TIPO:ETH\r\nIPAD:127.0.0.1\r\nPORT:%d\r\nINPF:%s\\SRINPF.TXT\r\nOUTF:%s\\SROUTF.TXT\r\n' \
  "$port" "$c_data" "$c_data" >"$data/RunOnce.TXT"
amount=1000
for program in varnixpos-cli.exe varnixpos.exe; do
  amount=$((amount + 1))
  rm -f "$data/SROUTF.TXT"
  printf 'POS_PAGEXT,A%d,P0\r\nPOS_PAGAME,A%d,P0\r\n' "$amount" "$amount" >"$data/SRINPF.TXT"
  rc=0
  timeout 60 wine "$install/$program" "-E$c_data\\RunOnce.TXT" >"$work/run-once.log" 2>&1 || rc=$?
  check "$program -E ended with $rc" test "$rc" -eq 0
  check "$program -E left the command file" test ! -e "$data/SRINPF.TXT"
  check "$program -E wrote no result file" grep -q '^ESITO_COMANDO = OK' "$data/SROUTF.TXT"
  check "$program -E: the simulator saw no payment of $amount" \
    grep -q "\"function\":\"IAE17AX_PaymentExt\",\"amount\":\"$amount\".*\"result\":0," "$journal"
done
kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true
sim_pid=""

# --- A test set on the installed simulator: one step, a payment the run-once program makes,
# judged from the request and from VarnixPos's history; the simulator ends with its report.
check "the starter test set is not installed" test -s "$install/test-sets/base.json"
printf '{"name": "Wine", "steps": [{"name": "pagamento", "expect": {"command": "POS_PAGEXT",
  "amount": 1250, "ecr_id": "present"}, "time_limit_s": 60}]}' >"$work/set.json"
report="$work/report"
start_simulator "$work/set.out" 20 wine "$install/pos-simulator.exe" --test-set "Z:${work//\//\\}\\set.json" \
  --report "Z:${report//\//\\}" --history "$c_data\\HistoryVnxPos.jsonl" ||
  { echo "FAIL: the installed pos-simulator.exe did not start a test set"; cat "$work/set.out"; exit 1; }
printf 'TIPO:ETH\r\nIPAD:127.0.0.1\r\nPORT:%d\r\nINPF:%s\\SRINPF.TXT\r\nOUTF:%s\\SROUTF.TXT\r\n' \
  "$sim_port" "$c_data" "$c_data" >"$data/RunOnce.TXT"
printf 'POS_PAGEXT,T1,E1,A1250,P0\r\n' >"$data/SRINPF.TXT"
timeout 60 wine "$install/varnixpos-cli.exe" "-E$c_data\\RunOnce.TXT" >"$work/run-once.log" 2>&1 || true
rc=0
for _ in $(seq 1 300); do kill -0 "$sim_pid" 2>/dev/null || break; sleep 0.1; done
wait "$sim_pid" 2>/dev/null || rc=$?
sim_pid=""
check "the test set's simulator ended with $rc: $(tr -d '\r' <"$work/set.out" | tail -n 4)" test "$rc" -eq 0
check "the test set's JUnit report does not say the step passed" \
  grep -q 'tests="1" failures="0" errors="0" skipped="0"' "$report/report.xml"
check "the test set wrote no HTML report" grep -q '01 pagamento' "$report/report.html"

# --- The tray: minimised, the window hides; the icon's double-click brings it back. The shell
# calls back with the icon's id (TrayIcon's kIconId) and the mouse message as the mouse-move's X.
wine "$install/varnixpos.exe" >"$work/resident.log" 2>&1 &
app_pid=$!
if wait_for window "$service"; then
  wine "$post" "$service" 0x112 0xF020 0 >/dev/null 2>&1 || true  # WM_SYSCOMMAND, SC_MINIMIZE
  check "the minimised service window stayed on the screen" wait_for hidden "$service"
  wine "$post" "$service" 0x200 1 0x203 >/dev/null 2>&1 || true  # WM_LBUTTONDBLCLK on the icon
  check "a double-click on the tray icon did not restore the service window" wait_for window "$service"
else
  fail "the installed varnixpos.exe showed no service window"; cat "$work/resident.log"
fi
timeout 30 wine taskkill /im varnixpos.exe >/dev/null 2>&1 || true
for _ in $(seq 1 200); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
check "varnixpos.exe did not end on WM_CLOSE" bash -c "! kill -0 $app_pid 2>/dev/null"
wait "$app_pid" 2>/dev/null || true
app_pid=""

# --- The uninstaller (it reruns itself from a temporary copy, so its exit says nothing): the
# programs, shortcuts and registration go; the data folder, the user's files, stays.
timeout 60 wine "$install/Uninstall.exe" /S >/dev/null 2>&1 || true
check "the uninstaller left $programs\\VarnixPos" wait_for gone "$install"
# The uninstaller removes the program folder before the Start-menu folder: wait for both.
check "the uninstaller left Start-menu shortcuts" wait_for gone "$menu/VarnixPos"
check "the uninstaller left Start-menu shortcuts elsewhere" \
  test -z "$(find "$menu" -path '*VarnixPos*' 2>/dev/null)"
check "the uninstaller left the Add/Remove programs entry" \
  bash -c "! wine reg query '$uninstall_key' >/dev/null 2>&1"
check "the uninstaller removed the user's configuration" test -s "$data/ConfigVnxPos.TXT"

echo "$passed passed, $failures failed: the $bits-bit installer under Wine"
[ "$failures" -eq 0 ]
