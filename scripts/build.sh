#!/usr/bin/env bash
# Configures (once) and builds the whole tree into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build/build.ninja ]; then
  cmake --preset default >/dev/null
fi
cmake --build build -j "$(nproc)"
