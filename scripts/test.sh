#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite: the
# optimised build and the AddressSanitizer + UndefinedBehaviorSanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

for preset in default asan; do
    echo "== ${preset}: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    echo "== ${preset}: test"
    ctest --preset "$preset" -j2
done
