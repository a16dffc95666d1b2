#!/usr/bin/env bash
# Installs what is missing, builds the library, the simulated runtime and the
# demo (preset "default"), then runs the demo once per bundled controller
# kind: touch controllers, joystick controllers, a gamepad.
# With arguments, runs the demo once with them instead (scripts/demo.sh --help).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

cmake --preset default >/dev/null
cmake --build --preset default --target olva_demo olva_sim_runtime

demo=build/default/examples/olva_demo
if [ $# -gt 0 ]; then
    exec "$demo" "$@"
fi
for kind in touch joystick gamepad; do
    echo
    echo "== olva_demo --controller ${kind}"
    "$demo" --controller "$kind"
done
