#!/usr/bin/env bash
# Programs a 64 KiB image into 1, 4 and 8 simulated modules at once, each an
# isp-sim paced at the real line rate of 115200 baud, and prints the wall
# time of each run against one module alone (goal: at most 1.1 times) and
# the host CPU tarvo-cli spent per port, in % of one core over the run
# (goal: under 2 %). Run it on a machine that is otherwise quiet.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
TARVO_TARGETS="tarvo-cli isp-sim" "$root/scripts/build.sh" >/dev/null

work=$(mktemp -d /tmp/tarvo-parallel-bench-XXXXXX)
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

python3 - "$build" "$work" <<'PY'
import os, resource, subprocess, sys, time
build, work = sys.argv[1], sys.argv[2]
sim, cli = f"{build}/sim/isp-sim", f"{build}/cli/tarvo-cli"

def run(count):
    """One tarvo-cli run over count fresh simulators: wall seconds, CPU seconds."""
    sims = [subprocess.Popen([sim, "--baud-rate", "115200", "--once"], stdout=subprocess.PIPE)
            for _ in range(count)]
    ports = [s.stdout.readline().decode().strip() for s in sims]
    args = [cli, "program", "--no-start-isp", "--no-log", "--quiet"]
    for port in ports:
        args += ["--port", port]
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    done = subprocess.run(args + ["image.hex"], cwd=work, capture_output=True, text=True)
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    for s in sims:
        s.wait(timeout=30)
    if done.returncode != 0:
        sys.exit(f"{count} modules: exit {done.returncode}\n{done.stdout}{done.stderr}")
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu

alone_wall, alone_cpu = run(1)
print(f"{'modules':>7} {'wall':>8} {'x alone':>8} {'CPU/port':>9}")
print(f"{1:>7} {alone_wall:7.2f}s {1.0:8.2f} {100 * alone_cpu / alone_wall:8.2f}%")
for count in (4, 8):
    wall, cpu = run(count)
    per_port = 100 * cpu / count / wall
    print(f"{count:>7} {wall:7.2f}s {wall / alone_wall:8.2f} {per_port:8.2f}%")
print("goals: at most 1.10 x alone; under 2 % of a core per port")
PY
