#!/usr/bin/env bash
# The CPU cost of a running stopwatch on screen, measured in one run for Horavel's Stopwatch view
# and for GNOME Clocks' stopwatch: each program runs on its own Xvfb display, its stopwatch is
# started, and after a warm-up the process CPU time (all its threads,
# /proc/PID/task/*/schedstat) is read at the start and the end of the same interval. A third display shows bench/hv_qt_floor, a minimal Qt
# Widgets window that refreshes the hundredths' rectangle ten times a second: what any Qt Widgets
# program pays for that refresh on this machine. Prints the figures as percent of one core.
#   [HV_BENCH_DISPLAY=N] bench/stopwatch_cpu.sh [BUILD_DIR] [SECONDS] [SCREENSHOT_DIR]
# Needs the packages of deps/stopwatchbench.optional (installed when run as root).
set -euo pipefail
. "$(dirname "$0")/../scripts/common.sh"
cd "$HV_TOP"
build=${1:-build}
seconds=${2:-60}
shots=${3:-}
warmup=5

hv_ensure_packages deps/stopwatchbench.optional >/dev/null
prog="$build/app/Horavel.exe"
[ -x "$prog" ] || { echo "no $prog: build the target horavel_main first" >&2; exit 1; }
floor="$build/bench/hv_qt_floor"
[ -x "$floor" ] || { echo "no $floor: build the target hv_qt_floor first" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/hv-stopwatch-cpu.XXXXXX")
pids=()
cleanup() {
    local p
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    # The device services daemon of this run's own root.
    local d
    for d in $(pgrep -f -- "--root $work/device" || true); do kill "$d" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# Three displays, so that no window covers another: HV_BENCH_DISPLAY and the next two, else three
# picked at random.
display_a=${HV_BENCH_DISPLAY:-$((90 + RANDOM % 400))}
display_b=$((display_a + 1))
display_c=$((display_a + 2))
for d in $display_a $display_b $display_c; do
    Xvfb ":$d" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb$d.log" 2>&1 &
    pids+=($!)
done
sleep 2

# CPU time of every thread of a process in nanoseconds (the scheduler's own account, finer than
# the 1/CLK_TCK ticks of /proc/PID/stat).
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{ t += $1 } END { printf "%d", t }'; }
snapshot() { xwd -display ":$1" -root -silent | md5sum | cut -d' ' -f1; }
shot() { [ -n "$shots" ] && xwd -display ":$1" -root -silent | convert xwd:- "$shots/$2.png" || true; }
[ -n "$shots" ] && mkdir -p "$shots"

# Horavel: a fresh device root whose settings show the Stopwatch view with the stopwatch running.
export HORAVEL_DEVICE="$work/device" HORAVEL_DEVICED="$build/deviced/hvdeviced"
mkdir -p "$HORAVEL_DEVICE"
QT_QPA_PLATFORM=offscreen "$prog" --render-all "$work/views" >/dev/null 2>&1
python3 - "$HORAVEL_DEVICE/data/settings.dat" <<'PY'
import struct, sys, time
path = sys.argv[1]
s = bytearray(open(path, 'rb').read())
struct.pack_into('<I', s, 4, 0)   # start-up view: the last used
struct.pack_into('<I', s, 8, 5)   # last view: Stopwatch
s[33] = 1                         # running
struct.pack_into('<Q', s, 40, int((time.time() + 11644473600) * 10**7))  # started now (UTC)
open(path, 'wb').write(s)
PY
DISPLAY=":$display_a" "$prog" >"$work/horavel.log" 2>&1 &
horavel=$!
pids+=($horavel)

# GNOME Clocks on its stopwatch page (settings in a key file of this run), Start clicked.
export XDG_CONFIG_HOME="$work/config" GSETTINGS_BACKEND=keyfile GSK_RENDERER=cairo
DISPLAY=":$display_b" gsettings set org.gnome.clocks.state.window panel-id stopwatch
DISPLAY=":$display_b" gsettings set org.gnome.clocks geolocation false
DISPLAY=":$display_b" dbus-run-session -- gnome-clocks >"$work/clocks.log" 2>&1 &
session=$!
pids+=($session)
sleep 6
clocks=$(pgrep -P "$session" -x gnome-clocks)
pids+=($clocks)
DISPLAY=":$display_b" xdotool mousemove 323 399 click 1
DISPLAY=":$display_c" "$floor" >"$work/floor.log" 2>&1 &
floorpid=$!
pids+=($floorpid)
sleep "$warmup"

# Both stopwatches must be running: the screen changes within a second.
for d in $display_a $display_b $display_c; do
    a=$(snapshot "$d"); sleep 1.2; b=$(snapshot "$d")
    if [ "$a" = "$b" ]; then echo "the stopwatch on display :$d does not run" >&2; exit 1; fi
done
shot "$display_a" horavel-start
shot "$display_b" clocks-start

h0=$(cpu_ns "$horavel"); c0=$(cpu_ns "$clocks"); f0=$(cpu_ns "$floorpid")
sleep "$seconds"
h1=$(cpu_ns "$horavel"); c1=$(cpu_ns "$clocks"); f1=$(cpu_ns "$floorpid")
shot "$display_a" horavel-end
shot "$display_b" clocks-end

pct() { awk -v t="$1" -v s="$seconds" 'BEGIN { printf "%.3f", 100 * t / 1e9 / s }'; }
ms() { awk -v t="$1" 'BEGIN { printf "%.1f", t / 1e6 }'; }
echo "interval: ${seconds} s, CPU time as percent of one core"
echo "Horavel Stopwatch view: $(pct $((h1 - h0))) % ($(ms $((h1 - h0))) ms)"
echo "GNOME Clocks stopwatch: $(pct $((c1 - c0))) % ($(ms $((c1 - c0))) ms)"
echo "Qt Widgets floor:       $(pct $((f1 - f0))) % ($(ms $((f1 - f0))) ms)"
