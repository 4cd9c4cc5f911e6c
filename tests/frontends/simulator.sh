# Sourced by the scripts that run a simulator for the programs under test.
# start_simulator OUT TRIES_SECONDS COMMAND...: runs COMMAND --tcp PORT on a free port below 10000
# (the console's port check takes no more), waits up to TRIES_SECONDS for its "tcp " line in OUT,
# and sets sim_pid and sim_port; a port another process holds ends the simulator at once, and
# another is tried. Returns 1 when none started.
start_simulator() {
  local out="$1" wait_s="$2" try
  shift 2
  sim_pid=""; sim_port=""
  for _ in $(seq 1 20); do
    try=$((9000 + RANDOM % 1000))
    "$@" --tcp "$try" >"$out" 2>&1 &
    sim_pid=$!
    for _ in $(seq 1 $((wait_s * 10))); do
      grep -q '^tcp ' "$out" && break
      kill -0 "$sim_pid" 2>/dev/null || break
      sleep 0.1
    done
    if grep -q '^tcp ' "$out"; then sim_port="$try"; return 0; fi
    kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true
    sim_pid=""
  done
  return 1
}
