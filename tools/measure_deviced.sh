#!/bin/sh
# Measures hvdeviced in a temporary device root: idle CPU over a quiet period, resident memory,
# and the delay from 50 due times to the start of their program.
# usage: tools/measure_deviced.sh BUILD_DIR [IDLE_SECONDS]
set -eu
build=${1:?build directory}
idle=${2:-60}
cli="$build/cli/horavel-cli"
export HORAVEL_DEVICED="$build/deviced/hvdeviced"
export HORAVEL_DEVICE="$(mktemp -d)"
trap 'rm -rf "$HORAVEL_DEVICE"' EXIT
mkdir -p "$HORAVEL_DEVICE/bin"
cat > "$HORAVEL_DEVICE/bin/mark" <<'S'
#!/bin/sh
echo "$1 $(date +%s.%N)" >> "$HORAVEL_DEVICE/fired.log"
S
chmod +x "$HORAVEL_DEVICE/bin/mark"

"$cli" device set-zone --bias 0 >/dev/null
pid=$("$cli" device status | sed -n 's/^pid=//p')
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }

# Idle: one registration an hour ahead, nothing else.
"$cli" device notify set --app '\bin\mark' --args later --at "$(date -u -d '+1 hour' '+%Y-%m-%d %H:%M:%S')" >/dev/null
wakeups() { awk '/^voluntary_ctxt_switches/ {print $2}' "/proc/$pid/status"; }
t0=$(ticks); w0=$(wakeups); sleep "$idle"; t1=$(ticks); w1=$(wakeups)
echo "idle_cpu_ticks=$((t1 - t0)) over ${idle}s (clock ticks of $(getconf CLK_TCK)/s)"
echo "idle_wakeups=$((w1 - w0)) over ${idle}s"
echo "rss_kb=$(awk '/^VmRSS/ {print $2}' /proc/$pid/status)"

# Delay: 50 registrations, 200 ms apart, starting 3 s from now.
base=$(date -u +%s)
base=$((base + 3))
i=0
while [ $i -lt 50 ]; do
    ms=$((i * 200))
    s=$((base + ms / 1000))
    at="$(date -u -d "@$s" '+%Y-%m-%d %H:%M:%S').$(printf '%03d' $((ms % 1000)))"
    "$cli" device notify set --app '\bin\mark' --args "$s.$(printf '%03d' $((ms % 1000)))" --at "$at" >/dev/null
    i=$((i + 1))
done
count() { if [ -f "$HORAVEL_DEVICE/fired.log" ]; then wc -l < "$HORAVEL_DEVICE/fired.log"; else echo 0; fi; }
while [ "$(count)" -lt 50 ]; do sleep 0.5; done
awk '{ d = ($2 - $1) * 1000; print d }' "$HORAVEL_DEVICE/fired.log" | sort -n |
    awk '{ a[NR] = $1 } END { printf "delay_ms median=%.1f worst=%.1f best=%.1f n=%d\n", (a[25] + a[26]) / 2, a[NR], a[1], NR }'
echo "rss_kb_after=$(awk '/^VmRSS/ {print $2}' /proc/$pid/status)"
