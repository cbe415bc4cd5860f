#!/usr/bin/env bash
# The system calls of the main program showing a view and doing nothing else: the package is
# installed into a fresh device root (as ./run does), the installed program runs on an Xvfb
# display, and after a warm-up strace counts its calls over an interval. Prints the calls per
# second by kind, and the file opens, stats and link reads with the paths they name.
#   tools/measure_idle_syscalls.sh [BUILD_DIR] [SECONDS] [VIEW] [DISPLAY_NUMBER]
# VIEW is the view number the program starts in (0: General, 5: Stopwatch with the stopwatch
# running).
set -euo pipefail
. "$(dirname "$0")/../scripts/common.sh"
cd "$HV_TOP"
build=$(cd "${1:-build}" && pwd)
seconds=${2:-20}
view=${3:-0}
display=${4:-$((90 + RANDOM % 400))}

work=$(mktemp -d "${TMPDIR:-/tmp}/hv-idle-syscalls.XXXXXX")
pids=()
cleanup() {
    local p
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    # The device services daemon of this run's root (twice: the program may start it as it ends).
    local round
    for round in 1 2; do
        sleep 0.5
        for p in $(pgrep -f -- "--root $work/device" || true); do kill "$p" 2>/dev/null || true; done
    done
    sleep 0.5 # the daemon's last writes into the root
    rm -rf "$work"
}
trap cleanup EXIT

export HORAVEL_DEVICE="$work/device" HOME="$work/home" XDG_DATA_HOME= XDG_CONFIG_HOME=
mkdir -p "$HORAVEL_DEVICE" "$HOME"
scripts/install-package.sh "$build" "$HORAVEL_DEVICE" >/dev/null
prog="$HORAVEL_DEVICE/Program Files/Brinwick/Horavel/Horavel.exe"
[ -x "$prog" ] || { echo "the package did not install $prog" >&2; exit 1; }
# A first start writes the settings; they are then set to start in the wanted view.
QT_QPA_PLATFORM=offscreen "$prog" --render-all "$work/views" >/dev/null 2>&1
python3 - "$(dirname "$prog")/data/settings.dat" "$view" <<'PY'
import struct, sys, time
path, view = sys.argv[1], int(sys.argv[2])
s = bytearray(open(path, 'rb').read())
struct.pack_into('<I', s, 4, 0)     # start-up view: the last used
struct.pack_into('<I', s, 8, view)  # last view
if view == 5:
    s[33] = 1                       # the stopwatch runs, started now (UTC)
    struct.pack_into('<Q', s, 40, int((time.time() + 11644473600) * 10**7))
open(path, 'wb').write(s)
PY

Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
sleep 2
DISPLAY=":$display" "$prog" >"$work/horavel.log" 2>&1 &
horavel=$!
pids+=($horavel)
sleep 6

timeout -s INT "$seconds" strace -f -qq -p "$horavel" -o "$work/trace" 2>/dev/null || true
[ -n "${HV_TRACE_OUT:-}" ] && cp "$work/trace" "$HV_TRACE_OUT"
per_second() { awk -v n="$1" -v s="$seconds" 'BEGIN { printf "%.1f", n / s }'; }
count() { grep -cE "$1" "$work/trace" || true; }
echo "interval: $seconds s, view $view; calls per second"
for kind in openat newfstatat statx stat lstat readlink inotify_add_watch; do
    n=$(count "^[0-9]+ +$kind\(")
    printf '%-18s %s\n' "$kind" "$(per_second "$n")"
done
n=$(count "^[0-9]+ +(sendto|sendmsg)\(.*" )
printf '%-18s %s\n' "socket sends" "$(per_second "$n")"
n=$(count "^[0-9]+ +connect\(")
printf '%-18s %s\n' "connect" "$(per_second "$n")"
echo "all calls by name (per second):"
sed -nE 's/^[0-9]+ +([a-z_0-9]+)\(.*/\1/p' "$work/trace" | sort | uniq -c | sort -rn | head -12 |
    awk -v s="$seconds" '{ printf "  %-16s %.1f\n", $2, $1 / s }'
printf '%-18s %s\n' "all" "$(per_second "$(grep -cE '^[0-9]+ +[a-z_0-9]+\(' "$work/trace")")"
echo "paths named by opens, stats and link reads (count):"
grep -oE '(openat|newfstatat|statx|readlink|access)\([^"]*"[^"]*"' "$work/trace" |
    sed -E 's/\([^"]*"/ "/' | sort | uniq -c | sort -rn | head -20 || true
