#!/usr/bin/env bash
# The bash completion of tarvo-cli and isp-sim, driven as bash drives it.
# Usage: completion_test.sh COMPLETION_FILE [FOLDER_WITH_THE_PROGRAMS ...]
set -uo pipefail
completion=$1
shift
for dir in "$@"; do PATH=$dir:$PATH; done
# shellcheck source=/dev/null
source "$completion"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
touch "$work/app.hex" "$work/app.bin" "$work/notes.txt"
mkdir "$work/sub"

failures=0
# expect "LINE" WORD...: completing the last word of LINE offers every WORD.
# reject "LINE" WORD...: it offers none of them.
complete_line() {
  read -r -a COMP_WORDS <<<"$1"
  [[ $1 == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  local function
  function=$(complete -p "${COMP_WORDS[0]}" | sed -E 's/.* -F ([^ ]+) .*/\1/')
  "$function"
}
expect() {
  local line=$1 word
  shift
  complete_line "$line"
  for word in "$@"; do
    if ! printf '%s\n' "${COMPREPLY[@]}" | grep -qxF -- "$word"; then
      echo "FAIL: '$line' does not offer '$word' (offers: ${COMPREPLY[*]})"
      failures=$((failures + 1))
    fi
  done
}
reject() {
  local line=$1 word
  shift
  complete_line "$line"
  for word in "$@"; do
    if printf '%s\n' "${COMPREPLY[@]}" | grep -qxF -- "$word"; then
      echo "FAIL: '$line' offers '$word'"
      failures=$((failures + 1))
    fi
  done
}

expect "tarvo-cli pro" program
reject "tarvo-cli pro" ports
expect "tarvo-cli " program ports info read erase verify
expect "tarvo-cli read --" --out --address --length --isp-lines
expect "tarvo-cli program --" --port --classic --no-verify --verify --help
expect "tarvo-cli program --verify " ram read
reject "tarvo-cli program --" --all
expect "tarvo-cli ports --" --all --json
expect "tarvo-cli module " reset erase-data config-reset
reject "tarvo-cli " erase-all
expect "tarvo-cli program --port x $work/" "$work/app.hex" "$work/app.bin" "$work/sub"
reject "tarvo-cli program --port x $work/" "$work/notes.txt"
expect "tarvo-cli program --isp-lines dtr" dtr-reset-rts-isp dtr-reset-rts-isp-inverted
expect "isp-sim --part LPC12" LPC1227
expect "isp-sim --echo " crlf exact
expect "isp-sim --ba" --baud-rate
expect "isp-sim --re" --read-sees-flash --report

if ((failures > 0)); then
  echo "$failures completion check(s) failed"
  exit 1
fi
echo "completion: all checks passed"
