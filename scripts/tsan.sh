#!/usr/bin/env bash
# Builds the thread rules test and the library's internals under
# ThreadSanitizer (its own build directory, build/tsan) and runs it.
#
#   scripts/tsan.sh             # gcc
#   CXX=clang++ CC=clang scripts/tsan.sh
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

build_dir=build/tsan
flags="-fsanitize=thread -fno-omit-frame-pointer -g"

echo "== tsan: configure"
cmake -S . -B "$build_dir" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DOLVA_BUILD_BENCHMARKS=OFF \
    -DOLVA_BUILD_FUZZERS=OFF \
    -DCMAKE_C_FLAGS="$flags" \
    -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread \
    -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread \
    -DCMAKE_MODULE_LINKER_FLAGS=-fsanitize=thread >/dev/null

echo "== tsan: build"
cmake --build "$build_dir" -j"${JOBS:-2}" --target thread_rules_test

echo "== tsan: test"
# Any report fails the test: the process exits with TSan's exit code.
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:exitcode=66${TSAN_OPTIONS:+:$TSAN_OPTIONS}"
ctest --test-dir "$build_dir" -R '^ThreadRules\.' -j"${JOBS:-2}" --output-on-failure --no-tests=error
