#!/bin/sh
# The CPU time Horavel.exe uses over a minute with the Timers view shown and timer 1 running:
# a fresh device root, timers.dat with timer 1 running an hour from now, the program started on
# the offscreen platform with "t0", and its utime + stime read from /proc/<pid>/stat at 5 s and at
# 65 s (the start-up left out). Usage: scripts/timers-cpu.sh [build] [seconds]
set -eu
build=${1:-build}
seconds=${2:-60}
root=$(mktemp -d /tmp/hv-timers-cpu.XXXXXX)
mkdir -p "$root/data"
python3 - "$root/data/timers.dat" <<'PY'
import struct, sys, time
end = int((time.time() + 3600 + 11644473600) * 10_000_000)  # a UTC file time an hour ahead
rec = struct.pack('<I48sQIBBBBBBBB', 0, b'\0' * 48, end, 0, 0, 0, 0, 2, 0, 0, 1, 0)
idle = struct.pack('<I48sQIBBBBBBBB', 0, b'\0' * 48, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)
open(sys.argv[1], 'wb').write(rec + idle * 3)
PY
export HORAVEL_DEVICE="$root" HORAVEL_DEVICED="$build/deviced/hvdeviced" QT_QPA_PLATFORM=offscreen
# The daemon runs first, so the program uses it instead of starting one of its own.
"$build/deviced/hvdeviced" --root "$root" >/dev/null 2>&1 &
daemon=$!
sleep 1
"$build/app/Horavel.exe" t0 >/dev/null 2>&1 &
pid=$!
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
sleep 5
a=$(ticks)
sleep "$seconds"
b=$(ticks)
hz=$(getconf CLK_TCK)
kill "$pid"
wait "$pid" 2>/dev/null || true
kill "$daemon"
wait "$daemon" 2>/dev/null || true
rm -rf "$root"
awk -v t=$((b - a)) -v hz="$hz" -v s="$seconds" \
    'BEGIN { printf "cpu %.2f s over %d s = %.3f %% of one core\n", t / hz, s, 100 * t / hz / s }'
