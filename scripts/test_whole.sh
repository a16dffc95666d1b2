#!/usr/bin/env bash
# Runs every gtest program of a build whole, in shuffled order, three times
# over: tests must not depend on which others ran before them in the same
# process. The programs are the ones ctest knows through gtest_discover_tests,
# started the way ctest starts them (emulator and working directory included).
#
#   scripts/test_whole.sh BUILD_DIR
#
# The shuffle seed is random (1 to 32767) unless OLVA_TEST_SEED gives one; a
# failure names the program and the seed, and how to run it again.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
build_dir=$(cd "$1" && pwd)
seed=${OLVA_TEST_SEED:-$((RANDOM % 32767 + 1))}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ctest --test-dir "$build_dir" --show-only=json-v1 >"$work/tests.json"

# One line per program, fields separated by tabs: the working directory, then
# the command up to its first --gtest_ argument. CMake reads the JSON, so
# nothing beyond the build's own tools is needed.
cat >"$work/programs.cmake" <<'EOF'
file(READ "${JSON_FILE}" json)
string(JSON count LENGTH "${json}" tests)
set(lines "")
if(count GREATER 0)
    math(EXPR last "${count} - 1")
    foreach(i RANGE ${last})
        string(JSON argc ERROR_VARIABLE no_command LENGTH "${json}" tests ${i} command)
        if(no_command)
            continue()
        endif()
        math(EXPR last_arg "${argc} - 1")
        set(program "")
        set(is_gtest FALSE)
        foreach(a RANGE ${last_arg})
            string(JSON arg GET "${json}" tests ${i} command ${a})
            if(arg MATCHES "^--gtest_")
                set(is_gtest TRUE)
                break()
            endif()
            string(APPEND program "\t${arg}")
        endforeach()
        if(NOT is_gtest)
            continue()
        endif()
        set(directory "${BUILD_DIR}")
        string(JSON property_count ERROR_VARIABLE no_properties LENGTH "${json}" tests ${i} properties)
        if(NOT no_properties AND property_count GREATER 0)
            math(EXPR last_property "${property_count} - 1")
            foreach(p RANGE ${last_property})
                string(JSON name GET "${json}" tests ${i} properties ${p} name)
                if(name STREQUAL "WORKING_DIRECTORY")
                    string(JSON directory GET "${json}" tests ${i} properties ${p} value)
                endif()
            endforeach()
        endif()
        list(APPEND lines "${directory}${program}")
    endforeach()
endif()
list(REMOVE_DUPLICATES lines)
list(JOIN lines "\n" text)
file(WRITE "${OUT_FILE}" "${text}\n")
EOF
cmake -DJSON_FILE="$work/tests.json" -DOUT_FILE="$work/programs.txt" -DBUILD_DIR="$build_dir" \
    -P "$work/programs.cmake"

programs=0
while IFS=$'\t' read -r -a fields; do
    [ ${#fields[@]} -ge 2 ] || continue
    directory=${fields[0]}
    command=("${fields[@]:1}")
    programs=$((programs + 1))
    log="$work/run.log"
    if (cd "$directory" && timeout 1200 "${command[@]}" --gtest_shuffle --gtest_repeat=3 \
            --gtest_random_seed="$seed") >"$log" 2>&1; then
        echo "whole, shuffled x3: ${command[*]}: passed"
    else
        status=$?
        cat "$log"
        echo "FAILED (exit status $status) run whole and shuffled: ${command[*]} with seed $seed" >&2
        echo "  again: (cd $directory && ${command[*]} --gtest_shuffle --gtest_repeat=3 --gtest_random_seed=$seed)" >&2
        exit 1
    fi
done <"$work/programs.txt"

if [ "$programs" -eq 0 ]; then
    echo "no gtest programs found in $build_dir" >&2
    exit 1
fi
echo "all $programs gtest programs passed run whole and shuffled (seed $seed)"
