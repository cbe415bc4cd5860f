#!/usr/bin/env bash
# Takes docs/screenshots/reminder-notification-en_US.png: a reminder's bubble beside its desktop
# notification, on a virtual X screen (Xvfb) with dunst as the notification service on a private
# session bus. Needs xvfb, dunst, dbus and ImageMagick (none of them is needed by the build). The
# reminder is the test build of BHVEvents.exe, whose Dismiss a control file presses.
#   scripts/notice-screenshot.sh [BUILD_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
for tool in Xvfb dunst dbus-run-session xwd convert; do
    command -v "$tool" >/dev/null || { echo "notice-screenshot: $tool is not installed" >&2; exit 1; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/hv-notice-shot.XXXXXX")
display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 760x300x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
sleep 1
export DISPLAY=$display HORAVEL_DEVICE="$work/device" HORAVEL_DEVICED="$build/deviced/hvdeviced"
export HORAVEL_REMINDER_CONTROL="$work/device/reminder.cmd" LC_ALL=C.UTF-8 TZ=UTC
# (dbus-daemon notes that it may not raise its file limit; that is of no matter here)
dbus-run-session -- bash -c '
    set -e
    dunst -conf "$1/tests/desktop/dunstrc" >/dev/null 2>&1 &
    dunst_pid=$!
    sleep 1
    "$2/tests/desktop/hv_notice_scene" "$HORAVEL_DEVICE" "$2/tests/driven/bhvevents_driven" &
    scene=$!
    sleep 4
    xwd -root -silent | convert xwd:- -crop 760x196+0+0 +repage -strip "$3/shot.png"
    echo 200 >"$HORAVEL_REMINDER_CONTROL" # the bubble'"'"'s Dismiss ends the reminder
    wait "$scene" || true
    kill "$dunst_pid" 2>/dev/null || true
' _ "$top" "$build" "$work"
# The daemon the reminder started ends with its device root.
rm -rf "$work/device"
cp "$work/shot.png" "$top/docs/screenshots/reminder-notification-en_US.png"
echo "docs/screenshots/reminder-notification-en_US.png"
