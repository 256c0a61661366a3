#!/usr/bin/env bash
# Sets up everything and runs every test. With --sanitize it builds into
# build-asan with AddressSanitizer and UndefinedBehaviorSanitizer instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

cmake_args=()
export BUILD_DIR=${BUILD_DIR:-$root/build}
if [[ "${1:-}" == "--sanitize" ]]; then
  export BUILD_DIR=$root/build-asan
  cmake_args+=(-DTARVO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
"$root/scripts/build.sh" "${cmake_args[@]}"

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD_DIR" --output-on-failure -j 3 --timeout 600
