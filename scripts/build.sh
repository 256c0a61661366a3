#!/usr/bin/env bash
# Configures and builds into BUILD_DIR (default: build). Extra arguments go
# to CMake, e.g. -DTARVO_SANITIZE=ON. TARVO_TARGETS, when set, names the
# only targets to build (space-separated).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build_dir" -G Ninja "$@" >/dev/null
targets=()
[[ -n "${TARVO_TARGETS:-}" ]] && read -r -a targets <<<"$TARVO_TARGETS"
cmake --build "$build_dir" ${targets[@]+--target "${targets[@]}"}
