#!/usr/bin/env bash
# Programs a 64 KiB image into isp-sim paced at 115200 baud through the
# window's dialogue (program --classic) and prints the
# wall time, the host's CPU time and the ratio to the dialogue's own floor:
# the tick intervals, the 20 ms quiet read that ends every input flush, and
# the simulator's bytes at 115200 baud (10 bits a byte).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/build.sh" >/dev/null

work=$(mktemp -d /tmp/tarvo-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

# A 64 KiB image of 16-byte records.
awk 'BEGIN {
  for (offset = 0; offset < 65536; offset += 16) {
    line = sprintf(":10%04X00", offset); sum = 16 + int(offset / 256) + offset % 256
    for (i = 0; i < 16; i++) { b = (offset + i) * 7 % 251; line = line sprintf("%02X", b); sum += b }
    print line sprintf("%02X", (256 - sum % 256) % 256)
  }
  print ":00000001FF"
}' >"$work/image.hex"

"$build/sim/isp-sim" --baud-rate 115200 --once --report "$work/report.json" >"$work/sim.out" &
sim_pid=$!
for _ in $(seq 50); do [[ -s "$work/sim.out" ]] && break; sleep 0.1; done
port=$(head -n1 "$work/sim.out")

(cd "$work" && /usr/bin/time -f "%e %U %S" -o "$work/time" \
  "$build/cli/tarvo-cli" program --classic --no-start-isp --port "$port" image.hex >"$work/cli.out")
wait "$sim_pid"
tail -n1 "$work/cli.out"

read -r wall user sys <"$work/time"
bytes=$(grep -o '"bytes_sent": *[0-9]*' "$work/report.json" | grep -o '[0-9]*$')
blocks=128
awk -v wall="$wall" -v user="$user" -v sys="$sys" -v bytes="$bytes" -v blocks="$blocks" 'BEGIN {
  ticks = 9 * 200 + (blocks + 1) * 20               # states 0-8, then every block and the restart
  flushes = 16 + 17 * blocks + 5                     # one per step and one per line sent
  line = bytes * 10 / 115200 * 1000
  floor = ticks + flushes * 20 + line
  printf "wall time        %8.2f s\n", wall
  printf "host CPU time    %8.2f s  (%.2f %% of wall)\n", user + sys, (user + sys) / wall * 100
  printf "floor            %8.2f s  (ticks %.2f s, quiet reads %.2f s, %d bytes on the line %.2f s)\n",
         floor / 1000, ticks / 1000, flushes * 20 / 1000, bytes, line / 1000
  printf "wall / floor     %8.3f\n", wall * 1000 / floor
}'
