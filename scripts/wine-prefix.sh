#!/usr/bin/env bash
# Makes the scratch Wine prefix (WINEPREFIX, default build-win/wine-prefix)
# and maps COM ports in it to Linux devices or links:
#   scripts/wine-prefix.sh COM5=/tmp/sim-link COM12=/tmp/sim-link
# Wine reads HKLM\Software\Wine\Ports when its server starts, so the server
# is stopped afterwards; the next Wine program makes the COM devices anew.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$root/build-win/wine-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win64
# No Mono or Gecko installers: the command line needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml="

if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineboot --init >/dev/null 2>&1
  wineserver --wait
fi
[[ -f "$WINEPREFIX/system.reg" ]] || { echo "wine-prefix: Wine made no prefix in $WINEPREFIX" >&2; exit 1; }

# A server of our own whose object dump at its end goes nowhere.
[[ $# -eq 0 ]] || wineserver --persistent >/dev/null 2>&1
for mapping in "$@"; do
  port=${mapping%%=*}
  device=${mapping#*=}
  wine reg add 'HKLM\Software\Wine\Ports' /v "$port" /t REG_SZ /d "$device" /f >/dev/null
done
if [[ $# -gt 0 ]]; then
  wineserver --kill
  wineserver --wait
fi
