#!/usr/bin/env bash
# Builds Pelmar and starts the editor with the given files (and their options, see
# `pelmar --help`).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
bash scripts/setup.sh >&2
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target pelmar pelmar_data >/dev/null
exec build/bin/pelmar "$@"
