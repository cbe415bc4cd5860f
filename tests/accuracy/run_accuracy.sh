#!/bin/sh
# CTest entry of the accuracy check: skips (exit 77) when node or astronomy-engine is missing.
# Install them with:  apt-get install -y nodejs npm && (cd tests/accuracy && npm ci)
cli="$1"
here="$(cd "$(dirname "$0")" && pwd)"
if ! command -v node >/dev/null 2>&1; then
    echo "node is not installed: skipped"
    exit 77
fi
if [ ! -f "$here/node_modules/astronomy-engine/package.json" ]; then
    echo "astronomy-engine is not installed (cd tests/accuracy && npm ci): skipped"
    exit 77
fi
exec node "$here/check.js" "$cli"
