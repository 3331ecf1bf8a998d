#!/usr/bin/env bash
# The server's and the reliability tests under ThreadSanitizer (preset tsan, build-tsan/):
# builds only what those labels run and stops at the first data race.
# The desktop's tests stay out: its Qt widgets run on one thread.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="$(scripts/preset_dir.sh tsan)"
[ -f "$dir/build.ninja" ] || cmake --preset tsan >/dev/null
targets=$(ninja -C "$dir" -t targets all | grep -oE '^cot_(server|reliability)_test_[a-z0-9_]+' | sort -u)
cmake --build "$dir" -j "$(nproc)" --target cot05000-server $targets
export QT_QPA_PLATFORM=offscreen
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp"
cd "$dir"
ctest --output-on-failure -j "$(nproc)" -L '^(server|reliability)$' "$@"
