#!/usr/bin/env bash
# tools/format.sh [--check]: formats every C and C++ file of ours with the tree's .clang-format;
# --check changes nothing and fails on the first files that differ, naming the fix.
set -uo pipefail
cd "$(dirname "$0")/.."
formatter=$(command -v clang-format || command -v clang-format-14) || { echo "format: clang-format is missing"; exit 1; }
mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h' 2>/dev/null)
[ "${#files[@]}" -gt 0 ] || { echo "format: no files (not a git checkout?)"; exit 1; }
if [ "${1:-}" != --check ]; then
    "$formatter" -i "${files[@]}"
    exit 0
fi
# One run over every file: clang-format names each line that would change.
mapfile -t bad < <("$formatter" --dry-run -Werror "${files[@]}" 2>&1 | grep -oE '^[^:]+:[0-9]+:[0-9]+: error' |
    cut -d: -f1 | sort -u)
if [ "${#bad[@]}" -gt 0 ]; then
    printf 'format: not formatted: %s\n' "${bad[@]}"
    echo "format: run tools/format.sh to fix them"
    exit 1
fi
