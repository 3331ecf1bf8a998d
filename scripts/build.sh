#!/usr/bin/env bash
# Configures (once) and builds the whole tree with a preset of CMakePresets.json:
# COT_PRESET, "default" unless set (build/); CI uses "ci" (build-ci/, warnings as errors).
# Arguments go to the build (e.g. --target cot_unit_tests).
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${COT_PRESET:-default}"
dir="$(scripts/preset_dir.sh "$preset")"
if [ ! -f "$dir/build.ninja" ]; then
  cmake --preset "$preset" >/dev/null
fi
cmake --build --preset "$preset" -j "$(nproc)" "$@"
