#!/usr/bin/env bash
# The window benchmark: a 64 KiB run against the simulator paced at 115200
# baud, through the window with the traffic monitor hidden and shown. Prints
# the wall times and their ratio (target: shown <= 1.15 x hidden), how much
# text the monitor holds after the run, and what one received byte costs the
# monitor when it is empty and when it is full. Extra arguments go to the
# driver (--size BYTES, --repeat N). Runs under Xvfb where it is installed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}

[[ -f "$build_dir/build.ninja" ]] || cmake -S "$root" -B "$build_dir" -G Ninja >/dev/null
cmake --build "$build_dir" --target tarvo-window-bench isp-sim >/dev/null

bench=("$build_dir/app/tarvo-window-bench" --sim "$build_dir/sim/isp-sim" "$@")
if command -v xvfb-run >/dev/null && command -v xauth >/dev/null; then
  env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1280x1024x24" "${bench[@]}"
else
  QT_QPA_PLATFORM=offscreen "${bench[@]}" 2> >(grep -v propagateSizeHints >&2)
fi
