#!/usr/bin/env bash
# Writes the seed corpora that come from the test fixtures and the bundled
# examples into DIR/<target>/ (scripts/fuzz.sh passes build/fuzz/seeds).
# The configuration seeds are fixed files in fuzz/corpus/config_fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:?usage: fuzz/make_seeds.sh DIR}"

# ---- manifest_fuzzer: manifest NUL binding NUL controller script
manifests="$out/manifest_fuzzer"
rm -rf "$manifests"
mkdir -p "$manifests"

# Controller scripts (see manifest_fuzzer.cpp): three device bytes (0x80:
# present, low bits: input type), then per frame and hand a flags byte, the
# click and touch masks (count byte, then bit numbers) and twelve analog
# bytes (hundredths).
analog_frame='\x32\xce\x64\x00\x10\x20\x00\x00\x9c\x64\x40\xc0'
scripts=(
    # joystick controllers on both hands, gamepad present: trigger, grip and
    # thumb pressed, then released with the stick pushed east
    "\x83\x83\x84\x00\x03\x08\x07\x09\x01\x01${analog_frame}\x00\x03\x01\x03\x06\x00${analog_frame}\x00\x00\x00\x64\x00${analog_frame}\x00\x00\x00\x9c\x00${analog_frame}"
    # touch controllers, buttons touched and pressed
    "\x82\x82\x00\x00\x02\x01\x02\x02\x01\x02${analog_frame}\x00\x01\x03\x01\x04${analog_frame}"
    # a gamepad only, disconnected hands, failing id configuration
    "\x00\x00\x84\x05\x00\x00${analog_frame}\x07\x00\x00${analog_frame}"
)

count=0
seed() {  # name manifest binding url
    local name="$1" manifest="$2" binding="$3" url="$4"
    {
        if [ -n "$url" ]; then
            sed "s|\"${url//|/\\|}\"|\"binding.json\"|g" "$manifest"
        else
            cat "$manifest"
        fi
        printf '\0'
        if [ -n "$binding" ]; then cat "$binding"; fi
        printf '\0'
        printf "${scripts[$((count % ${#scripts[@]}))]}"
    } >"$manifests/$name"
    count=$((count + 1))
}

for manifest in tests/input/data/*/manifest*.json tests/input/data/defects/manifest_for_bindings.json \
                examples/data/game_actions.json; do
    [ -f "$manifest" ] || continue
    dir=$(dirname "$manifest")
    urls=$(grep -o '"binding_url"[[:space:]]*:[[:space:]]*"[^"]*"' "$manifest" | sed 's/.*:[[:space:]]*"\(.*\)"/\1/' || true)
    for url in $urls; do
        if [ -f "$dir/$url" ]; then
            seed "$(basename "$dir")_$(basename "$manifest" .json)_$(basename "$url" .json)" "$manifest" "$dir/$url" "$url"
        fi
    done
done
for manifest in tests/input/data/defects/manifests/*.json; do
    seed "defect_manifest_$(basename "$manifest" .json)" "$manifest" "" ""
done
for binding in tests/input/data/defects/bindings/*.json; do
    seed "defect_binding_$(basename "$binding" .json)" tests/input/data/defects/manifest_for_bindings.json \
        "$binding" "binding.json"
done

# ---- scenario_fuzzer: scenario texts as they are
scenarios="$out/scenario_fuzzer"
rm -rf "$scenarios"
mkdir -p "$scenarios"
for scenario in tests/sim/data/*.json examples/data/scenario_*.json; do
    [ -f "$scenario" ] && cp "$scenario" "$scenarios/"
done
# ---- capture_fuzzer: the captures the tests keep
captures="$out/capture_fuzzer"
rm -rf "$captures"
mkdir -p "$captures"
for capture in tests/capture/data/*.capture tests/html/data/*.capture; do
    [ -f "$capture" ] && cp "$capture" "$captures/"
done

echo "seeds: $(ls "$manifests" | wc -l) manifest pairs, $(ls "$scenarios" | wc -l) scenarios, $(ls "$captures" | wc -l) captures"
