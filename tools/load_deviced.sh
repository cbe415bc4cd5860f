#!/bin/sh
# The device services daemon under load and faults, each in a temporary device root:
#   1. hv_deviced_load: registers COUNT programs through the socket one request at a time (rate of
#      the first and the last thousand), moves the device clock past all of them, asks for the
#      status every 50 ms while the burst fires (answer times) and checks that each fired once;
#   2. hv_deviced_faults: kills the daemon with SIGKILL at KILLS random moments while programs
#      are registered, cleared and fired, and checks that none was lost or started twice.
# Figures go to docs/performance.md.
# usage: tools/load_deviced.sh BUILD_DIR [KILLS] [COUNT...]   (defaults: 1000, 10000 100000)
set -eu
build=${1:?build directory}
shift
kills=${1:-1000}
[ $# -gt 0 ] && shift
counts=${*:-10000 100000}
ninja -C "$build" hvdeviced hv_deviced_load hv_deviced_faults >/dev/null
for n in $counts; do
    echo "== load, $n registrations"
    "$build/bench/hv_deviced_load" --daemon "$build/deviced/hvdeviced" --count "$n"
done
echo "== faults, $kills kills"
"$build/bench/hv_deviced_faults" --daemon "$build/deviced/hvdeviced" --kills "$kills" 2>/dev/null
