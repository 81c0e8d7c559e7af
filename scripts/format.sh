#!/usr/bin/env bash
# Formats the C++ sources with .clang-format; with --check, changes nothing and fails when a
# file differs, naming it.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
cd "$root"
command -v clang-format >/dev/null || install_missing clang-format
mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
    differ=()
    for file in "${files[@]}"; do
        clang-format --style=file "$file" | cmp -s - "$file" || differ+=("$file")
    done
    if [ ${#differ[@]} -gt 0 ]; then
        echo "Not formatted with .clang-format (run scripts/format.sh):"
        printf '  %s\n' "${differ[@]}"
        exit 1
    fi
    echo "format: ${#files[@]} files formatted with .clang-format"
else
    clang-format --style=file -i "${files[@]}"
fi
