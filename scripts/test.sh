#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite: the
# optimised build and the AddressSanitizer + UndefinedBehaviorSanitizer build,
# each through ctest and then with every test program run whole and shuffled.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

for preset in default asan; do
    echo "== ${preset}: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    echo "== ${preset}: test"
    ctest --preset "$preset" -j2
    # ctest runs each test in a process of its own; this runs every test
    # program whole and shuffled, so tests that depend on each other show.
    echo "== ${preset}: test programs whole and shuffled"
    scripts/test_whole.sh "build/${preset}"
done
