#!/usr/bin/env bash
# The Windows job: installs mingw-w64 and Wine, cross-builds tarvo-cli.exe
# and the unit tests for Windows (warnings are errors), packs
# tarvo-cli-windows.zip, runs the unit tests under Wine, and runs the
# end-to-end tests with tarvo-cli.exe under Wine against isp-sim (built for
# Linux in BUILD_DIR, default build). The Windows build goes to
# WINDOWS_BUILD_DIR (default build-win), the Wine prefix and the simulator's
# link below it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
host_build=${BUILD_DIR:-$root/build}
win_build=${WINDOWS_BUILD_DIR:-$root/build-win}
started=$SECONDS

phase_started=$SECONDS
phase() {
  echo "== $1 ($((SECONDS - phase_started)) s)"
  phase_started=$SECONDS
}

# --- tools ------------------------------------------------------------------
"$root/scripts/setup.sh"
packages=(g++-mingw-w64-x86-64-posix wine wine64 googletest)
missing=()
for pkg in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
if [[ ${#missing[@]} -gt 0 ]]; then
  sudo=""
  [[ $(id -u) -eq 0 ]] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi
phase "tools"

# --- builds -----------------------------------------------------------------
cmake -S "$root" -B "$win_build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$win_build"
cmake --build "$win_build" --target windows-zip
phase "Windows build"
[[ -f "$host_build/CMakeCache.txt" ]] || cmake -S "$root" -B "$host_build" -G Ninja >/dev/null
cmake --build "$host_build" --target isp-sim tarvo_wine_e2e_tests
phase "simulator and end-to-end tests for Linux"

# --- Wine -------------------------------------------------------------------
scratch=$win_build/wine-run
mkdir -p "$scratch"
link=$scratch/sim-port
export WINEPREFIX=$win_build/wine-prefix
export WINEDEBUG=-all
# COM5 opens under its name, COM12 under "\\.\COM12": both lead to the
# simulator that the test at hand starts with --link.
"$root/scripts/wine-prefix.sh" "COM5=$link" "COM12=$link"
# One Wine server for all runs. It goes into the background once it takes
# connections, so that no Wine program starts a server of its own. The server
# opens the devices, so each simulator's pty becomes its controlling terminal,
# and the hang-up at the simulator's end makes it dump its objects: that goes
# nowhere.
wineserver --persistent >/dev/null 2>&1
trap 'wineserver --kill 2>/dev/null || true' EXIT
wine_run=$root/scripts/wine-run.sh
# The first Wine program starts Wine's own services, which live as long as
# the server and keep the standard handles they inherit: they get none, so
# that no test waits for the end of an output that they hold open.
"$wine_run" "$win_build/cli/tarvo-cli.exe" --version </dev/null >/dev/null 2>&1
phase "Wine prefix"

# A program that prints nothing and exits 0 must not pass: every check below
# reads what the Windows program printed.
version=$("$wine_run" "$win_build/cli/tarvo-cli.exe" --version | tr -d '\r')
[[ "$version" == "tarvo-cli "* ]] || { echo "tarvo-cli.exe --version printed '$version'" >&2; exit 1; }

# Runs a gtest program to its end and checks that it ran every test it has:
# all passed, or skipped with their reason printed.
run_gtest() {
  local title=$1
  shift
  local listed
  listed=$("$@" --gtest_list_tests | tr -d '\r' | grep -c '^  ' || true)
  local log=$scratch/$title.log
  local status=0
  local t0=$SECONDS
  timeout 1800 "$@" --gtest_color=no >"$log" 2>&1 || status=$?
  tr -d '\r' <"$log" >"$log.txt"
  local passed skipped
  passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\{0,1\}\..*/\1/p' "$log.txt")
  skipped=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\{0,1\},.*/\1/p' "$log.txt")
  passed=${passed:-0}
  skipped=${skipped:-0}
  if [[ $status -ne 0 || $listed -eq 0 || $((passed + skipped)) -ne $listed ]]; then
    cat "$log.txt"
    echo "$title: exit status $status, $listed tests listed, $passed passed, $skipped skipped" >&2
    exit 1
  fi
  if [[ $skipped -gt 0 ]]; then
    echo "Skipped under Wine, with the reason:"
    # The lines between a test's start and its SKIPPED line hold the reason.
    awk '/^\[ RUN      \]/ { reason = ""; next }
         /^\[  SKIPPED \] [^0-9]/ && / \([0-9]+ ms\)$/ { print "  " $4 ": " reason; next }
         !/: Skipped$/ { reason = reason $0 " " }' "$log.txt"
  fi
  echo "$title: $passed passed, $skipped skipped, of $listed ($((SECONDS - t0)) s)"
}

run_gtest windows-unit-tests "$wine_run" "$win_build/tests/unit/tarvo_unit_tests.exe"
phase "unit tests under Wine"

export TARVO_WINE_RUN=$wine_run
export TARVO_WINE_CLI=$win_build/cli/tarvo-cli.exe
export TARVO_WINE_PORT=COM5
export TARVO_WINE_PORT_ABOVE_9=COM12
export TARVO_WINE_LINK=$link
run_gtest windows-e2e-tests "$host_build/tests/e2e/tarvo_wine_e2e_tests"
phase "end-to-end tests under Wine"

echo "Windows job passed ($((SECONDS - started)) s)."
