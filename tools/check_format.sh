#!/bin/sh
# Every C++ source of the tree is in the one clang-format style of .clang-format.
# Prints the files that differ and fails; fix them with: clang-format -i FILE...
set -eu
top=${1:-$(dirname "$0")/..}
format=${2:-clang-format}
cd "$top"
if [ -d .git ] && command -v git >/dev/null 2>&1; then
    files=$(git ls-files '*.cpp' '*.h')
else
    files=$(find . -path './build*' -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
fi
bad=""
for f in $files; do
    "$format" --dry-run --Werror "$f" >/dev/null 2>&1 || bad="$bad $f"
done
if [ -n "$bad" ]; then
    echo "not in the tree's clang-format style:$bad" >&2
    exit 1
fi
