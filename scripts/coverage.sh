#!/usr/bin/env bash
# Line and branch coverage of the production code by the whole suite (preset coverage,
# build-coverage/): builds, runs ctest (PostgreSQL too when COT_TEST_PG is set), then prints
# gcovr's summary for the product's folders and writes build-coverage/coverage.txt.
# Extra arguments go to ctest (e.g. -L server).
set -euo pipefail
cd "$(dirname "$0")/.."
command -v gcovr >/dev/null || apt-get install -y -q gcovr >/dev/null
dir="$(scripts/preset_dir.sh coverage)"
[ -f "$dir/build.ninja" ] || cmake --preset coverage >/dev/null
cmake --build "$dir" -j "$(nproc)"
find "$dir" -name '*.gcda' -delete
(cd "$dir" && QT_QPA_PLATFORM=offscreen ctest -j "$(nproc)" -LE bench --timeout 600 "$@") || true
product='^(app|approval|dialogs|host|kernel|module|modules|proposal|reach|server)/'
# The tests' own objects are left out (their gcov files share names with the product's and
# would be processed for nothing); one gcov at a time, since parallel runs write over each
# other's files in the same folder.
gcovr --root . --object-directory "$dir" --filter "$product" \
      --exclude-directories "$dir/tests" --exclude-directories "$dir/bench" --exclude-directories "$dir/CMakeFiles" \
      --exclude-throw-branches --exclude-unreachable-branches \
      --print-summary --txt "$dir/coverage.txt"
