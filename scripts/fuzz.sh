#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer (build/fuzz) and runs each for SECONDS seconds,
# starting from the seeds in fuzz/corpus/<target> and those fuzz/make_seeds.sh
# makes from the test fixtures and examples, with the dictionary
# fuzz/<target>.dict. New inputs collect in build/fuzz/corpus/<target>;
# crashes are written to build/fuzz/artifacts/.
#
#   scripts/fuzz.sh 60          # one minute per target
#   scripts/fuzz.sh 60 config_fuzzer
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:?usage: scripts/fuzz.sh SECONDS [TARGET...]}"
shift

scripts/setup.sh clang-14 libclang-rt-14-dev

build_dir=build/fuzz
flags="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O1"
link_flags="-fsanitize=address,undefined"

echo "== fuzz: configure"
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build_dir" -G Ninja \
    -DCMAKE_BUILD_TYPE=Debug \
    -DOLVA_BUILD_FUZZERS=ON \
    -DOLVA_BUILD_BENCHMARKS=OFF \
    -DCMAKE_C_FLAGS="$flags" \
    -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="$link_flags" \
    -DCMAKE_SHARED_LINKER_FLAGS="$link_flags" \
    -DCMAKE_MODULE_LINKER_FLAGS="$link_flags" >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in fuzz/*_fuzzer.cpp; do
        targets+=("$(basename "$source" .cpp)")
    done
fi

echo "== fuzz: build ${targets[*]}"
cmake --build "$build_dir" -j"${JOBS:-2}" --target "${targets[@]}"

# Seeds from the test fixtures and bundled examples, made afresh each run.
fuzz/make_seeds.sh "$build_dir/seeds"

export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"

failed=()
for target in "${targets[@]}"; do
    corpus="$build_dir/corpus/$target"
    mkdir -p "$corpus" "$build_dir/artifacts"
    # -close_fd_mask=2 silences the library's log line on every runtime
    # creation; libFuzzer and the sanitizers still report through their own
    # copy of stderr. Run a target on a saved input to see its own messages.
    options=(-max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=4096
             -close_fd_mask=2 -artifact_prefix="$build_dir/artifacts/$target-")
    if [ -f "fuzz/$target.dict" ]; then
        options+=(-dict="fuzz/$target.dict")
    fi
    seeds=()
    for dir in "fuzz/corpus/$target" "$build_dir/seeds/$target"; do
        if [ -d "$dir" ]; then
            seeds+=("$dir")
        fi
    done
    echo "== fuzz: $target for ${seconds}s"
    start=$(date +%s)
    if "$build_dir/fuzz/$target" "${options[@]}" "$corpus" "${seeds[@]}" 2>"$build_dir/$target.log"; then
        echo "   clean after $(( $(date +%s) - start ))s; $(grep -E '^stat::number_of_executed_units' "$build_dir/$target.log" | awk '{print $2}') runs, corpus $(ls "$corpus" | wc -l) inputs"
    else
        echo "   FAILED after $(( $(date +%s) - start ))s; log: $build_dir/$target.log"
        tail -n 40 "$build_dir/$target.log"
        failed+=("$target")
    fi
done

if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzz findings in: ${failed[*]}"
    exit 1
fi
