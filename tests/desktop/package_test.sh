#!/bin/sh
# Builds the Debian package with cpack, unpacks it into a scratch root (dpkg -x) and checks what
# a desktop needs of it: the programs, the launcher, the desktop entry, the icon at every size,
# the metainfo, the daemon's user unit with its preset and the autostart entry, all naming the
# /usr paths they are installed under, and the package's dependencies. The desktop entry and the
# metainfo go through desktop-file-validate and appstreamcli when those are installed. Last, the
# installed launcher sets up a fresh device root and draws every view.
#   package_test.sh BUILD_DIR
set -eu
build=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/hv-package-test.XXXXXX")
# The daemon the launcher started ends when its device root goes, and may write there meanwhile.
cleanup() { rm -rf "$work" 2>/dev/null || { sleep 1; rm -rf "$work"; }; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack did not build the package"; }
deb=$(ls "$work"/out/horavel_*.deb 2>/dev/null | head -n 1)
[ -f "$deb" ] || fail "no horavel_*.deb in $work/out"
echo "package: $(basename "$deb")"

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6core6 libqt6widgets6 libqt6gui6 libgcab-1.0-0 libsqlite3-0 libc6 tzdata; do
    echo "$depends" | grep -q "$lib" || fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"

root="$work/root"
dpkg -x "$deb" "$root"
id=com.brinwick.Horavel
for f in usr/bin/horavel usr/bin/hvdeviced usr/bin/horavel-cli \
         usr/lib/horavel/Horavel.exe usr/lib/horavel/BHVEvents.exe usr/lib/horavel/HVTimer.exe \
         usr/lib/horavel/hv-device-install usr/lib/horavel/setup.dll \
         usr/share/horavel/setup_VGA.PPC2003_ARM.cab usr/share/horavel/setup_VGA.ARM.cab \
         usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/$id.svg \
         usr/lib/systemd/user/hvdeviced.service usr/lib/systemd/user-preset/50-horavel.preset \
         etc/xdg/autostart/hvdeviced.desktop; do
    [ -e "$root/$f" ] || fail "$f is not in the package"
done
for size in 16 22 24 32 48 64 128 256; do
    png="$root/usr/share/icons/hicolor/${size}x$size/apps/$id.png"
    [ -f "$png" ] || fail "no ${size}x$size icon"
    # The PNG header's width and height (bytes 17-24, big-endian).
    set -- $(od -An -tu1 -j16 -N8 "$png")
    w=$(( ($1 << 24) + ($2 << 16) + ($3 << 8) + $4 )) h=$(( ($5 << 24) + ($6 << 16) + ($7 << 8) + $8 ))
    [ "$w $h" = "$size $size" ] || fail "the ${size}x$size icon is ${w}x$h"
done
for x in usr/bin/horavel usr/bin/hvdeviced usr/lib/horavel/Horavel.exe; do
    [ -x "$root/$x" ] || fail "$x is not executable"
done
find "$root" -path "$root/usr/local*" | grep -q . && fail "files under /usr/local"
[ -d "$root/usr/device" ] && fail "a device tree below /usr"
grep -qx 'ExecStart=/usr/bin/hvdeviced' "$root/usr/lib/systemd/user/hvdeviced.service" ||
    fail "the unit does not start /usr/bin/hvdeviced"
grep -qx 'Exec=/usr/bin/hvdeviced' "$root/etc/xdg/autostart/hvdeviced.desktop" ||
    fail "the autostart entry does not start /usr/bin/hvdeviced"
grep -qx 'enable hvdeviced.service' "$root/usr/lib/systemd/user-preset/50-horavel.preset" ||
    fail "the preset does not enable the unit"
dpkg-deb -e "$deb" "$work/control"
grep -q 'preset hvdeviced.service' "$work/control/postinst" || fail "postinst applies no preset"
# The preset, applied as the package's postinst applies it, enables the unit for every user.
if command -v systemctl >/dev/null 2>&1; then
    systemctl --root="$root" --global preset hvdeviced.service >/dev/null 2>&1 ||
        fail "systemctl --global preset hvdeviced.service"
    [ -L "$root/etc/systemd/user/default.target.wants/hvdeviced.service" ] ||
        fail "the preset did not enable the unit"
else
    echo "note: systemctl is not installed; the preset is not applied"
fi
grep -q '^Keywords=.*stopwatch' "$root/usr/share/applications/$id.desktop" || fail "keywords"

if command -v desktop-file-validate >/dev/null 2>&1; then
    desktop-file-validate "$root/usr/share/applications/$id.desktop" ||
        fail "desktop-file-validate"
    desktop-file-validate "$root/etc/xdg/autostart/hvdeviced.desktop" ||
        fail "desktop-file-validate (autostart)"
else
    echo "note: desktop-file-validate is not installed; the desktop entry is not validated"
fi
if command -v appstreamcli >/dev/null 2>&1; then
    appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" ||
        fail "appstreamcli validate"
else
    echo "note: appstreamcli is not installed; the metainfo is not validated"
fi
# Every screenshot the metainfo names is one of docs/screenshots/.
top=$(cd "$(dirname "$0")/../.." && pwd)
for shot in $(sed -n 's|.*<image>.*/\([^/<]*\)</image>.*|\1|p' "$root/usr/share/metainfo/$id.metainfo.xml"); do
    [ -f "$top/docs/screenshots/$shot" ] || fail "the metainfo names $shot, not in docs/screenshots"
done

# The installed launcher: a fresh device root in a scratch data folder gets the device package,
# and the program started from it draws every view. The daemon it starts ends with its root.
export XDG_DATA_HOME="$work/data" HOME="$work/home" PATH="$root/usr/bin:$PATH"
unset HORAVEL_DEVICE HORAVEL_DEVICED
mkdir -p "$HOME"
QT_QPA_PLATFORM=offscreen "$root/usr/bin/horavel" --render-all "$work/views" >"$work/run.log" 2>&1 ||
    { cat "$work/run.log" >&2; fail "the installed launcher did not run"; }
device="$work/data/horavel/device"
[ -x "$device/Program Files/Brinwick/Horavel/Horavel.exe" ] || fail "no program in the device root"
[ -f "$device/Program Files/Brinwick/Horavel/data/europe.cdb" ] ||
    [ -n "$(find "$device" -name europe.cdb)" ] || fail "no city files in the device root"
[ "$(ls "$work/views" | wc -l)" -ge 16 ] || fail "the installed program drew $(ls "$work/views" | wc -l) views"
echo "ok"
