#!/usr/bin/env bash
# Installs the built device package into a device root through the desktop chain: Devprobe asks
# the connected device (the root whose services daemon answers) for its screen width and starts
# Deskinst, which writes the package beside the desktop application manager and starts it; the
# manager picks the cabinet that fits the device and installs it with the device installer. The
# desktop ($HORAVEL_DESKTOP, default beside the device root) holds the manager and the package.
# Nothing happens when the installed package is the built one.
#   scripts/install-package.sh BUILD_DIR [DEVICE_ROOT]
set -euo pipefail
build=$(cd "${1:?usage: install-package.sh BUILD_DIR [DEVICE_ROOT]}" && pwd)
root=${2:-${HORAVEL_DEVICE:-${XDG_DATA_HOME:-$HOME/.local/share}/horavel/device}}
mkdir -p "$root"
root=$(cd "$root" && pwd)
export HORAVEL_DEVICE="$root"
export HORAVEL_DESKTOP=${HORAVEL_DESKTOP:-$(dirname "$root")/desktop}
installer="$build/setup/hv-device-install"
bin="$build/desktop-bin"

installed=$("$installer" --root "$root" installed Horavel 2>/dev/null || true)
for cab in "$build"/package/setup_VGA.*.cab; do
    if [ -n "$installed" ] && [ "$installed" = "$("$installer" fingerprint "$cab")" ]; then
        echo "Horavel package already installed in $root"
        exit 0
    fi
done

# The device must answer: start its services daemon when it is built and not running.
daemon="$build/deviced/hvdeviced"
if [ -x "$daemon" ] && [ ! -S "$root/.system/hvdeviced.sock" ]; then
    setsid "$daemon" --root "$root" </dev/null >/dev/null 2>&1 &
    for _ in $(seq 50); do
        [ -S "$root/.system/hvdeviced.sock" ] && break
        sleep 0.1
    done
fi

# Programs installed in the root start this daemon when none runs (a daemon records its own
# path when it starts; this covers a root whose daemon ran from elsewhere before).
record="$root/.system/hvdeviced.path"
if [ -x "$daemon" ] && [ ! -x "$(head -n 1 "$record" 2>/dev/null)" ]; then
    mkdir -p "$root/.system"
    printf '%s\n' "$daemon" >"$record"
fi

# Each desktop has its own application manager, and Deskinst writes the package into a folder
# beside it: installs into other device roots from the same build never share those files.
manager_dir="$HORAVEL_DESKTOP/CE Services"
mkdir -p "$manager_dir"
if ! cmp -s "$bin/CEAPPMGR.EXE" "$manager_dir/CEAPPMGR.EXE"; then
    cp "$bin/CEAPPMGR.EXE" "$manager_dir/CEAPPMGR.EXE.$$"
    mv -f "$manager_dir/CEAPPMGR.EXE.$$" "$manager_dir/CEAPPMGR.EXE"
fi
"$manager_dir/CEAPPMGR.EXE" --register
(cd "$bin" && ./Devprobe.exe </dev/null)
# Deskinst and the manager run detached: wait for the package to arrive.
for _ in $(seq 300); do
    now=$("$installer" --root "$root" installed Horavel 2>/dev/null || true)
    if [ -n "$now" ] && [ "$now" != "$installed" ]; then
        echo "Horavel package installed in $root"
        exit 0
    fi
    sleep 0.1
done
echo "install-package: the package did not arrive in $root" >&2
exit 1
