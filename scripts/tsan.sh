#!/usr/bin/env bash
# The server's and the reliability tests under ThreadSanitizer (preset tsan, build-tsan/):
# builds only what those labels run and stops at the first data race. SQLite only.
# The desktop's tests stay out: its Qt widgets run on one thread.
# Extra arguments go to ctest (e.g. -R SaveLocks).
set -euo pipefail
cd "$(dirname "$0")/.."
unset COT_TEST_PG
dir="$(scripts/preset_dir.sh tsan)"
[ -f "$dir/build.ninja" ] || cmake --preset tsan >/dev/null
targets='cot_server_tests cot_reliability_tests'
cmake --build "$dir" -j "$(nproc)" --target cot05000-server $targets
export QT_QPA_PLATFORM=offscreen
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp"
# Bounds in milliseconds on the UI thread measure the sanitizer, not the threads: it makes
# every step several times slower. Bounds on the process's peak skip themselves here (shadow
# memory sits beside the heap: kPeakIsTheProgramsOwn), and the 40 MB download is left whole
# to the normal build.
measured='CallWaitingTest\.ALargeListArrivingNeverBlocksTheUiThread|ClientPageTest\.APdfIsSentWholeWithoutBeingHeldWhole'
cd "$dir"
ctest --output-on-failure -j "$(nproc)" -L '^(server|reliability)$' -E "$measured" "$@"
