# Sourced by the tests that run our windows in a real X server.
# start_xvfb WORK SCREEN: starts Xvfb on a free display (it tells which through a file in WORK),
# sets xvfb_pid and exports DISPLAY; the caller kills xvfb_pid when done. Without -noreset the
# server resets when its last client leaves, and a program started right after finds none.
start_xvfb() {
  local work="$1" screen="$2"
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
  DISPLAY=":$(head -n1 "$work/display")"
  export DISPLAY
  unset WAYLAND_DISPLAY
}

# window_geometry TITLE: sets win_x, win_y, win_w and win_h to the window's client rectangle on
# the screen.
window_geometry() {
  local info
  info="$(xwininfo -name "$1")"
  win_x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
  win_y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
  win_w=$(awk '/Width:/ {print $2}' <<<"$info")
  win_h=$(awk '/Height:/ {print $2}' <<<"$info")
}
