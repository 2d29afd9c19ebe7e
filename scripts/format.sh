#!/usr/bin/env bash
# Formats the tree with .clang-format; with --check only reports unformatted tracked files.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--check" ]; then
    mapfile -t files < <(git ls-files -- '*.cpp' '*.h' ':!data/' ':!tests/colorer/samples/' ':!tests/structure/samples/')
else
    mapfile -t files < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h' ':!data/' ':!tests/colorer/samples/' ':!tests/structure/samples/')
fi
existing=()
for f in "${files[@]}"; do
    [ -f "$f" ] && existing+=("$f")
done
[ ${#existing[@]} -gt 0 ] || exit 0
if [ "${1:-}" = "--check" ]; then
    clang-format --dry-run -Werror "${existing[@]}"
else
    clang-format -i "${existing[@]}"
fi
