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
# One clang-format run for many files (xargs batches them): it names each file that differs in
# its "code should be clang-formatted" diagnostics.
status=0
out=$(printf '%s\n' $files | xargs "$format" --dry-run --Werror 2>&1) || status=$?
if [ "$status" -ne 0 ]; then
    bad=$(printf '%s\n' "$out" |
          sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' | sort -u)
    if [ -z "$bad" ]; then
        printf '%s\n' "$out" >&2
        echo "$format failed" >&2
    else
        echo "not in the tree's clang-format style:" $bad >&2
    fi
    exit 1
fi
