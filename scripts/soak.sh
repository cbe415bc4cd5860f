#!/usr/bin/env bash
# The long soak of the alarms, timers and reminder against the real daemon (not run by ./test,
# which runs a short one): random arm / disarm / fire / snooze / dismiss / timer start-stop /
# program exit / clock jump steps, each followed by a check that every armed alarm has exactly
# one registration at its next occurrence, no stopped timer or snooze is left registered and
# alarms.dat and timers.dat are whole. Builds hv_soak (and the daemon and reminder) in build/.
#   scripts/soak.sh [STEPS [SEED]]     default 1000 steps, seed 1
# Prints the run's figures (steps, seconds, reminder starts, steps of each kind); a failing run
# keeps its device root and names it.
set -euo pipefail
. "$(dirname "$0")/common.sh"
cd "$HV_TOP"
steps=${1:-1000}
seed=${2:-1}
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build build --target hv_soak -j "$(hv_jobs)" >/dev/null
HV_SOAK_STEPS=$steps HV_SOAK_SEED=$seed build/tests/reminder/hv_soak --gtest_brief=1
