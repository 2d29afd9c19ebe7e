#!/usr/bin/env bash
# Builds Pelmar and runs the whole test suite twice: a normal build, then a
# build with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"

bash scripts/setup.sh

jobs="$(nproc)"

run_suite() {
    local dir="$1"
    shift
    cmake -S . -B "$dir" -G Ninja "$@"
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

echo "== formatting"
bash scripts/format.sh --check

echo "== build and test"
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo

echo "== build and test with sanitizers"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DPELMAR_SANITIZE=ON
