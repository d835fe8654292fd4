#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds, and runs every test:
# the whole suite in release and under AddressSanitizer + UndefinedBehaviorSanitizer,
# the threading tests under ThreadSanitizer, and a bounded libFuzzer run of each fuzz target.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh

fuzz_seconds=${PL_FUZZ_SECONDS:-20}
jobs=$(nproc)

run_suite() {
  local preset=$1; shift
  echo "=== $preset: build"
  bash scripts/build.sh "$preset"
  echo "=== $preset: test"
  ctest --test-dir "build/$preset" --output-on-failure -j "$jobs" "$@"
}

run_suite release
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite asan
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 run_suite tsan -L threads

echo "=== fuzz: build"
bash scripts/build.sh fuzz
for fuzzer in build/fuzz/bin/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  corpus="build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds="tests/fuzz/corpus/$name"
  echo "=== fuzz: $name for ${fuzz_seconds}s"
  "$fuzzer" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
    "$corpus" $( [ -d "$seeds" ] && echo "$seeds" ) 2>&1 | tail -n 12
  test "${PIPESTATUS[0]}" -eq 0
done
echo "=== all tests passed"
