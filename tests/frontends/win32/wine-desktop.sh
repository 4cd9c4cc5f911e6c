# Sourced by the Wine tests: a throw-away prefix under a real X server, and the little tallies the
# tests keep. start_wine_desktop WORK: the prefix in WORK/prefix (no menu entries mirrored onto
# the host: winemenubuilder off), Xvfb at 1024x768, wineboot; cleanup at exit ends app_pid,
# sim_pid, Wine and Xvfb and removes WORK. Then fail/pass/check count results and wait_for waits.
source "$(dirname "${BASH_SOURCE[0]}")/../xvfb.sh"

start_wine_desktop() {
  wine_work="$1"
  export WINEPREFIX="$wine_work/prefix" WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  xvfb_pid=""; app_pid=""; sim_pid=""
  trap wine_desktop_cleanup EXIT
  # The screen of the smallest supported desktop: the windows must fit it.
  start_xvfb "$wine_work" 1024x768x24
  timeout 300 wineboot -i >"$wine_work/wineboot.log" 2>&1 ||
    { echo "wineboot failed"; cat "$wine_work/wineboot.log"; exit 1; }
}

wine_desktop_cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  timeout 20 wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$wine_work"
}

failures=0; passed=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { passed=$((passed + 1)); }
check() {  # check WHAT COMMAND...: one pass or one failure
  local what="$1"; shift
  if "$@"; then pass; else fail "$what"; fi
}

wait_for() {  # wait_for exists|gone|window|hidden WHAT: up to 60 s (Wine's first start is slow)
  for _ in $(seq 1 600); do
    case "$1" in
      exists) [ -e "$2" ] && return 0 ;;
      gone) [ ! -e "$2" ] && return 0 ;;
      window) xwininfo -name "$2" 2>/dev/null | grep -q 'IsViewable' && return 0 ;;
      hidden) xwininfo -name "$2" 2>/dev/null | grep -q 'IsViewable' || return 0 ;;
    esac
    sleep 0.1
  done
  echo "timed out waiting until $2 is $1"; return 1
}
