#!/usr/bin/env bash
# Takes docs/screenshot.png (or the path given): the window under Xvfb
# against the boot-loader simulator, in the middle of a run with the traffic
# monitor shown. Without Xvfb the window draws itself offscreen. Builds into
# BUILD_DIR (default: build).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}
out=${1:-$root/docs/screenshot.png}

[[ -f "$build_dir/build.ninja" ]] || cmake -S "$root" -B "$build_dir" -G Ninja >/dev/null
cmake --build "$build_dir" --target tarvo-window-screenshot isp-sim
mkdir -p "$(dirname "$out")"

shot=("$build_dir/app/tarvo-window-screenshot" --sim "$build_dir/sim/isp-sim" --out "$out")
if command -v xvfb-run >/dev/null && command -v xauth >/dev/null; then
  env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1280x1024x24" "${shot[@]}"
else
  QT_QPA_PLATFORM=offscreen "${shot[@]}"
fi
