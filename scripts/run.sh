#!/usr/bin/env bash
# Builds Pelmar and starts it with the given arguments. Until the editor window
# exists the program is pelmar-batch, the command-line face of the core.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
bash scripts/setup.sh >&2
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" >/dev/null
exec build/bin/pelmar-batch "$@"
