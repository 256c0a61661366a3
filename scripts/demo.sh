#!/usr/bin/env bash
# Sets up everything, then programs the bundled sample firmware into the
# boot-loader simulator from the command line, step by step. Where a display
# exists it then opens the window, ready to program the sample again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
display=""
[[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]] && display=yes
# Only what the demo runs: the tests are built by scripts/test.sh.
TARVO_TARGETS="tarvo-cli isp-sim${display:+ tarvo-loader}" "$root/scripts/build.sh"
build=${BUILD_DIR:-$root/build}

work=$(mktemp -d /tmp/tarvo-demo-XXXXXX)
sim_pid=""
cleanup() { [[ -n "$sim_pid" ]] && kill "$sim_pid" 2>/dev/null; wait 2>/dev/null || true; }
trap cleanup EXIT

# start_sim LINK: a simulated module at the real line rate, reachable as LINK.
start_sim() {
  "$build/sim/isp-sim" --baud-rate 115200 --link "$1" --report "$work/report.json" \
    --flash-out "$work/flash.bin" >"$work/sim.out" &
  sim_pid=$!
  for _ in $(seq 50); do [[ -e "$1" ]] && return 0; sleep 0.1; done
  echo "the simulator did not start" >&2
  return 1
}

start_sim "$work/module"
echo "Simulated module on $(head -n1 "$work/sim.out") (link $work/module)"
echo "Programming $root/samples/blinky.hex ..."
(cd "$work" && "$build/cli/tarvo-cli" program --port "$work/module" "$root/samples/blinky.hex")
kill -TERM "$sim_pid" && wait "$sim_pid" || true
sim_pid=""
echo "Simulator report: $work/report.json"
echo "Traffic log:      $work/commlog.txt"

if [[ -n "$display" && -x "$build/app/tarvo-loader" ]]; then
  start_sim "$work/module"
  echo "Opening the window; press Load to program the sample into the simulator."
  (cd "$work" && "$build/app/tarvo-loader" --port "$work/module" --file "$root/samples/blinky.hex")
fi
