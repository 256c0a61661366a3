#!/usr/bin/env bash
# Fails when an include in isp/ runs against its rooms' order. The window's
# dialogue (classic/) and the command line's path (verified/) build on the
# image files (image/) and the boot loader's wire (wire/), and never on each
# other; image/ and wire/ stand alone; the shared files at the top of isp/
# (part table, part files, run log) use image/ at most. comm/ never
# reaches up into isp/.
set -euo pipefail
cd "$(dirname "$0")/.."

allowed() {  # room of the including file, room of the included one
  case "$1:$2" in
    "$1:$1") return 0 ;;
    classic:image | classic:wire | classic:top) return 0 ;;
    verified:image | verified:wire | verified:top) return 0 ;;
    top:image) return 0 ;;
  esac
  return 1
}

room_of() {  # isp/wire/boot_client.h -> wire; isp/run_log.h -> top
  local rest=${1#isp/}
  if [[ $rest == */* ]]; then echo "${rest%%/*}"; else echo top; fi
}

bad=0
while IFS= read -r file; do
  from=$(room_of "$file")
  while IFS= read -r included; do
    to=$(room_of "$included")
    if ! allowed "$from" "$to"; then
      echo "$file includes $included ($from/ may not use $to/)"
      bad=1
    fi
  done < <(grep -o '#include "isp/[^"]*"' "$file" | sed 's/#include "//; s/"$//')
done < <(git ls-files 'isp/*.h' 'isp/*.cpp')

if git grep -n '#include "isp/' -- 'comm/*'; then
  echo "comm/ includes isp/"
  bad=1
fi
exit $bad
