#!/usr/bin/env bash
# Runs a Windows program under Wine, in the scratch prefix that
# scripts/wine-prefix.sh makes (WINEPREFIX, default build-win/wine-prefix),
# without Wine's debug chatter. Used as the cross build's test emulator.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$root/build-win/wine-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
[[ -f "$WINEPREFIX/system.reg" ]] || "$root/scripts/wine-prefix.sh" >&2
exec wine "$@"
