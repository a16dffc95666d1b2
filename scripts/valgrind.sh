#!/usr/bin/env bash
# Runs the boundary tests (hostile handles, null records, throwing runtimes)
# under valgrind's memcheck: a refused handle must not be read through, so
# any invalid or uninitialised read fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh valgrind

build=build/default
if [ ! -x "$build/tests/hardening/boundary_test" ]; then
    cmake --preset default >/dev/null
    cmake --build --preset default --target boundary_test
fi

echo "== valgrind: boundary tests"
valgrind --quiet --error-exitcode=1 --track-origins=yes \
    "$build/tests/hardening/boundary_test" --gtest_filter='Boundary.*'
