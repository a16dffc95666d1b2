#!/usr/bin/env bash
# Cross-builds the library, the test runtimes and the test suite for 64-bit
# Arm Linux and runs the whole suite under qemu-user. Installs what is
# missing first: the arm64 architecture for dpkg, Debian's cross compiler,
# qemu-user and the arm64 development packages.
#
#   scripts/arm64.sh            # build into build/arm64 and run ctest
#   JOBS=4 scripts/arm64.sh     # more parallel jobs (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build/arm64
jobs="${JOBS:-2}"

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
if ! dpkg --print-foreign-architectures | grep -qx arm64; then
    echo "== adding the arm64 architecture to dpkg"
    $sudo dpkg --add-architecture arm64
fi
# setup.sh runs apt-get update before installing anything missing, which
# also fetches the arm64 package lists after the line above.
scripts/setup.sh crossbuild-essential-arm64 qemu-user nlohmann-json3-dev \
    libjsoncpp-dev:arm64 libgtest-dev:arm64 libgmock-dev:arm64

echo "== arm64: configure"
cmake -S . -B "$build_dir" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/aarch64-linux-gnu.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DOLVA_BUILD_BENCHMARKS=OFF \
    -DOLVA_BUILD_FUZZERS=OFF >/dev/null

echo "== arm64: build"
cmake --build "$build_dir" -j"$jobs"

echo "== arm64: test under $(command -v qemu-aarch64)"
# Emulation is several times slower than native: a generous per-test limit.
ctest --test-dir "$build_dir" -j"$jobs" --output-on-failure --timeout 600
