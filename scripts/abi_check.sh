#!/usr/bin/env bash
# Compares the ABI of a built libolva_framework.so with the baseline
# abi/libolva_framework.abi and fails on any difference: an exported
# function's type, the layout of a record of the public header, or the set of
# exported symbols. abi/libolva_framework.suppr says what the baseline leaves
# out.
#
#   scripts/abi_check.sh BUILD_DIR            compare
#   scripts/abi_check.sh --update BUILD_DIR   make BUILD_DIR's ABI the baseline
#
# BUILD_DIR must hold a build with debug information, such as the default
# preset's build/default (RelWithDebInfo); the baseline is made from one.
# Update it only for a deliberate change of the interface, and commit it with
# that change.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
    echo "usage: scripts/abi_check.sh [--update] BUILD_DIR" >&2
    exit 2
}

update=false
if [ "${1:-}" = "--update" ]; then
    update=true
    shift
fi
[ $# -eq 1 ] || usage
build_dir=$1

baseline=abi/libolva_framework.abi
suppressions=abi/libolva_framework.suppr

if ! command -v abidw >/dev/null || ! command -v abidiff >/dev/null; then
    scripts/setup.sh
fi

library=$build_dir/libolva_framework.so
if [ ! -e "$library" ]; then
    echo "abi check: no $library; build it first (cmake --preset default && cmake --build --preset default --target olva_framework)" >&2
    exit 2
fi
library=$(readlink -f "$library")
sections=$(readelf -S "$library")
if [[ $sections != *.debug_info* ]]; then
    echo "abi check: $library has no debug information; use a RelWithDebInfo or Debug build (preset default)" >&2
    exit 2
fi

current=$(mktemp "${TMPDIR:-/tmp}/olva-abi.XXXXXX")
trap 'rm -f "$current"' EXIT
# No paths and no source locations: the baseline must not depend on where the
# tree was built. Hash type ids keep a regenerated baseline's diff small.
abidw --no-corpus-path --no-comp-dir-path --no-show-locs --drop-undefined-syms --type-id-style hash \
    --suppressions "$suppressions" "$library" >"$current"

if $update; then
    cp "$current" "$baseline"
    echo "abi check: $baseline updated from $library; commit it with the change that made it"
    exit 0
fi

if [ ! -f "$baseline" ]; then
    echo "abi check: no baseline $baseline; make one with scripts/abi_check.sh --update $build_dir" >&2
    exit 2
fi
status=0
# Both sides are already filtered by the suppressions (abidiff cannot apply
# type-dropping suppressions to ABI XML again).
abidiff "$baseline" "$current" || status=$?
if [ "$status" -ne 0 ]; then
    echo "abi check: $library differs from $baseline (abidiff status $status)." >&2
    echo "If the change is deliberate, run scripts/abi_check.sh --update $build_dir and commit $baseline." >&2
    exit 1
fi
echo "abi check: $library matches $baseline"
