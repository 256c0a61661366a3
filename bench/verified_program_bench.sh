#!/usr/bin/env bash
# Programs a 64 KiB image into isp-sim at the real line rate of 115200 baud
# (paced both ways, real erase and program times), on tarvo-cli's own path
# with each verify mode (--verify ram, the default, and --verify read) and
# once through the window's dialogue (--classic), and prints the
# wall times beside the floor: the bytes that crossed the line both ways
# (from the simulator's report) at 10 bits a byte, plus the part's erase
# and program times for the sectors and copies it reports. Then the same at
# --fast-baud 230400 (synchronised at 115200, switched by B), against its own
# floor (the bytes the report counts at each rate) and against the run at
# 115200.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
baud=115200
"$root/scripts/build.sh" >/dev/null

work=$(mktemp -d /tmp/tarvo-bench-XXXXXX)
sim_pid=
cleanup() {
  [[ -n $sim_pid ]] && kill "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A 64 KiB image of 16-byte records.
awk 'BEGIN {
  for (offset = 0; offset < 65536; offset += 16) {
    line = sprintf(":10%04X00", offset); sum = 16 + int(offset / 256) + offset % 256
    for (i = 0; i < 16; i++) { b = (offset + i) * 7 % 251; line = line sprintf("%02X", b); sum += b }
    print line sprintf("%02X", (256 - sum % 256) % 256)
  }
  print ":00000001FF"
}' >"$work/image.hex"

# run NAME [program options...]: one run against a fresh simulator; leaves
# the wall time in NAME.time and the report in NAME.json.
run() {
  local name=$1
  shift
  rm -f "$work/sim.out"
  "$build/sim/isp-sim" --baud-rate "$baud" --once --report "$work/$name.json" >"$work/sim.out" &
  sim_pid=$!
  for _ in $(seq 50); do [[ -s "$work/sim.out" ]] && break; sleep 0.1; done
  local port
  port=$(head -n1 "$work/sim.out")
  local start end
  start=$(date +%s.%N)
  (cd "$work" && "$build/cli/tarvo-cli" program --no-start-isp --port "$port" "$@" image.hex \
    >"$work/$name.out" 2>&1) || { cat "$work/$name.out"; exit 1; }
  end=$(date +%s.%N)
  wait "$sim_pid"
  sim_pid=
  echo "$start $end" >"$work/$name.time"
}

run verified --fast-baud off
run read_back --verify read --fast-baud off
run fast --fast-baud 230400
run classic --classic

python3 - "$work" "$baud" <<'PY'
import json, sys
work, baud = sys.argv[1], int(sys.argv[2])

def wall(name):
    start, end = open(f"{work}/{name}.time").read().split()
    return float(end) - float(start)

def floor(name):
    report = json.load(open(f"{work}/{name}.json"))
    # Each byte at the rate the part's UART ran at when it crossed (before the
    # first byte from the host the rate is not known: the starting one).
    line = sum((rate["bytes_sent"] + rate["bytes_received"]) * 10 / (rate["baud"] or baud)
               for rate in report["line_rates"])
    # 100 ms per 4 KiB sector erased (this part has no larger ones), 1 ms per 256 bytes copied.
    erase = 0.1 * len(report["sectors_erased"])
    program = sum(block["count"] for block in report["copied_blocks"]) / 256 * 0.001
    return line, erase, program, report

verified, read_back, classic = wall("verified"), wall("read_back"), wall("classic")
for label, name, seconds in (("verified path (--verify ram)", "verified", verified),
                             ("verified path (--verify read)", "read_back", read_back)):
    line, erase, program, report = floor(name)
    total = line + erase + program
    print(f"{label:30} {seconds:8.2f} s")
    print(f"  floor            {total:8.2f} s  (line {line:.2f} s: {report['bytes_sent']} bytes "
          f"from the part, {report['bytes_received']} to it; erase {erase:.2f} s; "
          f"program {program:.3f} s)")
    print(f"  wall / floor     {seconds / total:8.3f}  (target 1.15 or less)")
print(f"  read / ram       {read_back / verified:8.3f}")
fast = wall("fast")
line, erase, program, report = floor("fast")
total = line + erase + program
at_rates = ", ".join(f"{r['bytes_sent'] + r['bytes_received']} at {r['baud'] or baud}"
                     for r in report["line_rates"])
print(f"{'--fast-baud 230400':30} {fast:8.2f} s")
print(f"  floor            {total:8.2f} s  (line {line:.2f} s: bytes {at_rates}; "
      f"erase {erase:.2f} s; program {program:.3f} s)")
print(f"  wall / floor     {fast / total:8.3f}  (target 1.10 or less)")
print(f"  fast / 115200    {fast / verified:8.3f}  (target 0.60 or less)")
print(f"classic dialogue   {classic:8.2f} s")
print(f"  classic / verified {classic / verified:6.1f}  (target 5 or more)")
PY
