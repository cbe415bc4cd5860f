#!/bin/sh
# Builds the Debian package with cpack, unpacks it into a scratch root (dpkg -x) and checks what
# a desktop needs of it: the programs, the launcher, the desktop entry, the icon at every size,
# the metainfo, the daemon's user unit with its preset and the autostart entry, all naming the
# /usr paths they are installed under, and the package's dependencies. The desktop entry and the
# metainfo go through desktop-file-validate and appstreamcli, the package through lintian, when
# those are installed. Every file of both cabinets must be its source's bytes (the programs
# stripped), the package at most 15 MB, the manual pages those the programs' --help makes. Then
# the installed launcher sets up a fresh device root (at most 15 MB) and draws every view; last,
# removing the package ends the daemon it started, and the copies left in the device root say
# that their package is gone instead of running.
#   package_test.sh BUILD_DIR [SIZE_LIMIT]
# SIZE_LIMIT (bytes, default 15 MB) bounds the package and the device root; 0 leaves both
# unbounded, for a sanitizer build, whose programs carry the sanitizers' runtime and checks.
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
limit=${2:-15000000}
size=$(stat -c %s "$deb")
echo "package size: $size bytes"
[ "$limit" -eq 0 ] || [ "$size" -le "$limit" ] || fail "the package has $size bytes, more than $limit"
top=$(cd "$(dirname "$0")/../.." && pwd)

if command -v lintian >/dev/null 2>&1; then
    # Every error and warning fails; the informational tags are shown.
    lintian --fail-on error,warning --display-info "$deb" >"$work/lintian.log" 2>&1 ||
        { cat "$work/lintian.log" >&2; fail "lintian"; }
    echo "lintian: no errors, no warnings"
    cat "$work/lintian.log"
else
    echo "note: lintian is not installed; the package is not checked by it"
fi
python3 "$top/tools/manpage.py" --check "$build" || fail "manual pages"

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6core6 libqt6widgets6 libqt6gui6 libgcab-1.0-0 libsqlite3-0 libwayland-client0 libc6 tzdata; do
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
grep -q 'deb-systemd-helper --user enable hvdeviced.service' "$work/control/postinst" ||
    fail "postinst does not enable the user unit"
grep -qx /etc/xdg/autostart/hvdeviced.desktop "$work/control/conffiles" ||
    fail "the autostart entry is not a configuration file"
version=$(dpkg-deb -f "$deb" Version)
zcat "$root/usr/share/doc/horavel/changelog.gz" | head -n 1 | grep -q "^horavel ($version) " ||
    fail "the changelog does not begin with version $version"
for page in horavel horavel-cli hvdeviced; do
    [ -f "$root/usr/share/man/man1/$page.1.gz" ] || fail "no manual page for $page"
done

# Both cabinets hold exactly the files the build lists, each the bytes of its source: the city
# files, sounds and shortcut as they are, the programs as the build's strip makes them of the
# built programs, and the setup description of that cabinet.
manifest="$build/package/manifest.tsv"
[ -f "$manifest" ] || fail "no $manifest"
stripper=$(sed -n 's/^stripper	//p' "$manifest")
for cab in setup_VGA.ARM.cab setup_VGA.PPC2003_ARM.cab; do
    unpacked="$work/cab/$cab"
    mkdir -p "$unpacked"
    gcab -x -C "$unpacked" "$root/usr/share/horavel/$cab" >/dev/null || fail "gcab cannot unpack $cab"
    expected=$(awk -F '\t' '$1 == "strip" || $1 == "copy" { print $2 }' "$manifest"; echo _setup.hvs)
    [ "$(echo "$expected" | sort)" = "$(ls "$unpacked" | sort)" ] ||
        fail "$cab holds $(ls "$unpacked" | tr '\n' ' '), not $(echo "$expected" | tr '\n' ' ')"
    while IFS="$(printf '\t')" read -r kind name source; do
        case $kind in
        copy) cmp -s "$source" "$unpacked/$name" || fail "$name in $cab differs from $source" ;;
        strip)
            # shellcheck disable=SC2086
            $stripper -o "$work/stripped" "$source" || fail "cannot strip $source"
            cmp -s "$work/stripped" "$unpacked/$name" ||
                fail "$name in $cab is not the stripped $source"
            file "$unpacked/$name" | grep -q 'not stripped' && fail "$name in $cab is not stripped"
            ;;
        cabinet)
            [ "$name" = "$cab" ] || continue
            cmp -s "$source" "$unpacked/_setup.hvs" || fail "the setup description of $cab differs"
            ;;
        esac
    done <"$manifest"
done
echo "cabinets: every file is its source's bytes"
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
used=$(du -sb "$device" | cut -f1)
echo "device root after the first start: $used bytes"
[ "$limit" -eq 0 ] || [ "$used" -le "$limit" ] || fail "the device root holds $used bytes, more than $limit"

# The package removed: the daemon started from it ends, and the programs left in the user's device
# root say that the package is gone instead of running.
sock="$device/.system/hvdeviced.sock"
[ -S "$sock" ] || fail "no daemon serves the device root"
rm -rf "$root/usr" "$root/etc"
for _ in $(seq 100); do
    [ -S "$sock" ] || break
    sleep 0.1
done
[ -S "$sock" ] && fail "the daemon still runs after its program was removed"
for prog in "Program Files/Brinwick/Horavel/Horavel.exe" Windows/BHVEvents.exe Windows/HVTimer.exe; do
    if timeout 30 env QT_QPA_PLATFORM=offscreen "$device/$prog" a01 >"$work/gone.log" 2>&1; then
        fail "$prog ran from a device root whose package is gone"
    fi
    grep -q 'has been removed from this computer' "$work/gone.log" ||
        { cat "$work/gone.log" >&2; fail "$prog did not say that the package is gone"; }
done
echo "ok"
