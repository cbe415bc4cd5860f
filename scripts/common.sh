# Shared by ./run and ./test: package installation and the CMake build.
# shellcheck shell=bash

HV_TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

hv_packages() {
    local f
    for f in "$HV_TOP"/deps/*.txt "$@"; do
        [ -f "$f" ] && sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$f"
    done | tr -d ' \t' | sort -u
}

# Installs the Debian packages listed in deps/*.txt (and any extra list files given) that are
# missing. As root it runs apt-get; otherwise it prints the exact command and fails.
hv_ensure_packages() {
    local missing=() p
    # One dpkg-query for all of them: a name it does not know is reported on stderr and missing.
    local installed
    installed=$(dpkg-query -W -f='${Package} ${Status}\n' $(hv_packages "$@") 2>/dev/null |
        awk '$NF == "installed" && $(NF-1) == "ok" { print $1 }' || true)
    for p in $(hv_packages "$@"); do
        grep -qx "$p" <<<"$installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing Debian packages. Install them with:" >&2
        echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
        return 1
    fi
    echo "Installing Debian packages: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Installs the packages of optional list files (deps/*.optional) as far as it can: as root
# through apt-get, quietly; never fails. The checks that need them skip themselves without.
hv_ensure_optional() {
    local f missing=() p
    for f in "$@"; do
        [ -f "$f" ] || continue
        for p in $(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$f" | tr -d ' \t'); do
            dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
                missing+=("$p")
        done
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "note: optional packages missing (some checks will be skipped): ${missing[*]}"
        return 0
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" \
        >/dev/null 2>&1 || echo "note: could not install ${missing[*]}; some checks will be skipped"
}

hv_jobs() { nproc 2>/dev/null || echo 2; }

# hv_build DIR [cmake options...]: configures (when the folder is new or the options changed)
# and builds. An unchanged tree costs one Ninja check: Ninja itself runs CMake again when a
# CMakeLists.txt changed.
hv_build() {
    local dir=$1
    shift
    # ccache, where installed, makes rebuilds of other checkouts and build folders cheap.
    local launcher=()
    command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    local options="-G Ninja ${launcher[*]} $*"
    if [ ! -f "$dir/build.ninja" ] || [ "$(cat "$dir/.hv-configure-options" 2>/dev/null)" != "$options" ]; then
        cmake -S "$HV_TOP" -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null || return 1
        printf '%s\n' "$options" >"$dir/.hv-configure-options"
    fi
    cmake --build "$dir" -j "$(hv_jobs)"
}

# The astronomy accuracy check compares with the npm package astronomy-engine (pinned by
# tests/accuracy/package-lock.json). Without it that one test reports itself skipped.
hv_prepare_accuracy_check() {
    local dir="$HV_TOP/tests/accuracy"
    [ -d "$dir/node_modules/astronomy-engine" ] && return 0
    if ! command -v npm >/dev/null 2>&1 && [ "$(id -u)" -eq 0 ]; then
        hv_ensure_packages "$HV_TOP/deps/accuracy.optional" >/dev/null 2>&1 ||
            echo "note: nodejs and npm could not be installed; the accuracy check will be skipped"
    fi
    command -v npm >/dev/null 2>&1 || return 0
    (cd "$dir" && npm ci --no-audit --no-fund --loglevel=error >/dev/null 2>&1) ||
        echo "note: npm ci in tests/accuracy failed; the accuracy check will be skipped"
}
