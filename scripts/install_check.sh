#!/usr/bin/env bash
# Checks the README's install steps from the outside: builds the "install"
# preset, installs it into a scratch prefix other than the configured one,
# then builds applications against that prefix and runs them on the
# installed simulated runtime: a C program with pkg-config, a C and a C++
# program with find_package. It moves the prefix and builds again, to show
# the package files are relocatable, and checks that the pkg-config file
# writes an absolute library folder as it is.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

work=$(mktemp -d "${TMPDIR:-/tmp}/olva-install-check.XXXXXX")
trap 'rm -rf "$work"' EXIT

step() { echo "== install check: $*"; }
fail() { echo "install check: $*" >&2; exit 1; }

step "configure and build the install preset"
cmake --preset install >/dev/null
cmake --build --preset install

prefix=$work/prefix
configured=$(cmake -N -L build/install 2>/dev/null | sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p')
[ "$prefix" != "$configured" ] || fail "the scratch prefix is the configured one"
step "install into $prefix (configured: $configured)"
cmake --install build/install --prefix "$prefix" >/dev/null

find "$prefix" -name 'olva_entry_points.inc' | grep -q . && fail "the internal entry point table was installed"
[ -f "$prefix/include/olva/olva_diagnostics.h" ] || fail "the diagnostics header was not installed"
pc_file=$(find "$prefix" -name olva_framework.pc)
[ -n "$pc_file" ] || fail "olva_framework.pc was not installed"

# Builds and runs the C program with pkg-config against the prefix whose
# pkg-config folder is $1.
pkg_config_consumer() {
    local pc_dir=$1 out=$2
    local -x PKG_CONFIG_PATH=$pc_dir
    local version libdir sim
    version=$(pkg-config --modversion olva_framework)
    libdir=$(pkg-config --variable=libdir olva_framework)
    sim=$(pkg-config --variable=moduledir olva_framework)/libolva_sim_runtime.so
    [ -f "$sim" ] || fail "the simulated runtime is not in the package's module folder: $sim"
    # shellcheck disable=SC2046 # pkg-config's words are separate arguments
    cc -std=c99 -pedantic -Wall -Wextra -Werror -DOLVA_EXPECTED_VERSION="\"$version\"" \
        tests/consumer/main.c $(pkg-config --cflags --libs olva_framework) -Wl,-rpath,"$libdir" -o "$out"
    "$out" "$sim"
    # shellcheck disable=SC2046
    cc -std=c99 -pedantic -Wall -Wextra -Werror tests/consumer/diagnostics_main.c \
        $(pkg-config --cflags --libs olva_diagnostics) -Wl,-rpath,"$libdir" -o "$out-diagnostics"
    "$out-diagnostics"
}

# Builds the find_package project against the prefix $1 and runs both
# programs; the C++ one finds the simulated runtime through the package.
find_package_consumer() {
    local prefix=$1 build=$2 sim
    cmake -S tests/consumer -B "$build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
    cmake --build "$build" >/dev/null
    sim=$(find "$prefix" -path '*/olva/libolva_sim_runtime.so')
    "$build/olva_consumer_c" "$sim"
    "$build/olva_consumer_cpp"
    "$build/olva_consumer_diagnostics"
}

step "C consumer with pkg-config"
pkg_config_consumer "$(dirname "$pc_file")" "$work/consumer_pkg_config"
step "C and C++ consumers with find_package"
find_package_consumer "$prefix" "$work/consumer_build"

moved=$work/moved
mv "$prefix" "$moved"
step "the same after moving the prefix to $moved"
pkg_config_consumer "$(dirname "${pc_file/#$prefix/$moved}")" "$work/consumer_pkg_config_moved"
find_package_consumer "$moved" "$work/consumer_build_moved"

step "an absolute library folder appears in the pkg-config file as it is"
cmake -S . -B "$work/absolute" -G Ninja -DOLVA_BUILD_TESTS=OFF -DOLVA_BUILD_BENCHMARKS=OFF \
    -DOLVA_BUILD_EXAMPLES=OFF -DOLVA_BUILD_TOOLS=OFF -DOLVA_BUILD_SIM=OFF \
    -DCMAKE_INSTALL_PREFIX=/opt/olva -DCMAKE_INSTALL_LIBDIR=/opt/olva/lib64 >/dev/null
grep -qx 'libdir=/opt/olva/lib64' "$work/absolute/olva_framework.pc" ||
    fail "absolute libdir written as: $(grep '^libdir=' "$work/absolute/olva_framework.pc")"
grep -q '//' "$work/absolute/olva_framework.pc" && fail "a doubled separator in the pkg-config file"

step "passed"
