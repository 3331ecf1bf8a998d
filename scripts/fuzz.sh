#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and ASan/UBSan in build-fuzz/ and runs each one
# for the given seconds (default 60) over its seed corpus in fuzz/corpus/<name>/.
# New inputs go to a scratch folder, never into the repository; crash files land there too.
#   scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
build=${COT_FUZZ_BUILD:-build-fuzz}
scratch=${COT_FUZZ_SCRATCH:-/tmp/cot-fuzz}
jobs=${COT_FUZZ_JOBS:-2}

if ! command -v clang++ >/dev/null; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get install -y clang llvm
fi

# The libraries get coverage and sanitizers too, or the fuzzer would see only the entry.
# Their instrumentation symbols are resolved by the fuzzer executables, so shared
# libraries may keep undefined symbols in this build.
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -g -O1"
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCOT_BUILD_FUZZ=ON -DCOT_BUILD_TESTS=OFF \
    -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" \
    "-DCMAKE_CXX_CREATE_SHARED_LIBRARY=<CMAKE_CXX_COMPILER> <CMAKE_SHARED_LIBRARY_CXX_FLAGS> <LANGUAGE_COMPILE_FLAGS> <LINK_FLAGS> <CMAKE_SHARED_LIBRARY_CREATE_CXX_FLAGS> <SONAME_FLAG><TARGET_SONAME> -o <TARGET> <OBJECTS> <LINK_LIBRARIES> -Wl,-z,undefs" >/dev/null
fi

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/*_fuzz.cpp; do n=$(basename "$f" .cpp); targets+=("${n%_fuzz}"); done
fi
ninja -C "$build" -j"$jobs" $(printf 'cot_%s_fuzz ' "${targets[@]}")

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1:suppressions=$PWD/fuzz/ubsan.supp}
export QT_QPA_PLATFORM=offscreen
status=0
total=0
for t in "${targets[@]}"; do
  work="$scratch/$t"
  rm -rf "$work/crashes"
  mkdir -p "$work/corpus" "$work/crashes"
  log="$work/run.log"
  rc=0
  "$build/bin/cot_${t}_fuzz" -max_total_time="$seconds" -print_final_stats=1 -max_len=4096 \
    -timeout=10 -artifact_prefix="$work/crashes/" "$work/corpus" "fuzz/corpus/$t" >"$log" 2>&1 || rc=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  runs=${runs:-0}
  total=$((total + runs))
  crashes=$(ls "$work/crashes" 2>/dev/null | sed "s|^|$work/crashes/|" | tr '\n' ' ')
  printf '%-20s %12s inputs  exit %d  %s\n' "$t" "$runs" "$rc" "${crashes:-no crash}"
  [ "$rc" -ne 0 ] && status=1
done
printf '%-20s %12s inputs\n' total "$total"
exit $status
