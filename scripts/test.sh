#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds, and runs every test:
# the whole suite in release and under AddressSanitizer + UndefinedBehaviorSanitizer,
# the threading tests under ThreadSanitizer, and a bounded libFuzzer run of each fuzz target;
# after the release suite, the Debian package is built and its installed tree checked, then it is
# installed on the machine, used through xdg-open, gio and the desktop, and removed again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh

# 40 s: enough for fuzz_media_open to run through its seeds (clips of
# widths that are not multiples of 16, which libswscale overran) many times
# over and mutate them, with CI still well under half an hour.
fuzz_seconds=${PL_FUZZ_SECONDS:-40}
jobs=$(nproc)

passed=0
failed=0
run_suite() {
  local preset=$1; shift
  echo "=== $preset: build"
  bash scripts/build.sh "$preset"
  echo "=== $preset: test"
  local log="build/$preset/ctest.log"
  local status=0
  ctest --test-dir "build/$preset" --output-on-failure --no-tests="${PL_NO_TESTS:-error}" -j "$jobs" "$@" 2>&1 \
    | tee "$log" || status=$?
  # "100% tests passed, 0 tests failed out of 12"
  local line total bad
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
  passed=$((passed + ${total:-0} - ${bad:-0}))
  failed=$((failed + ${bad:-0}))
  if [ "$status" -ne 0 ]; then
    echo "=== $preset: FAILED"
    echo "tests: $passed passed, $failed failed"
    exit "$status"
  fi
}

run_suite release
echo "=== package"
bash scripts/package-check.sh
echo "=== installed"
bash scripts/installed-check.sh
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite asan
PL_NO_TESTS=ignore TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 run_suite tsan -L threads

echo "=== fuzz: build"
bash scripts/build.sh fuzz
for fuzzer in build/fuzz/bin/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  corpus="build/fuzz/corpus/$name"
  mkdir -p "$corpus" build/fuzz/artifacts
  seeds=()
  [ -d "tests/fuzz/corpus/$name" ] && seeds=("tests/fuzz/corpus/$name")
  log="build/fuzz/$name.log"
  echo "=== fuzz: $name for ${fuzz_seconds}s"
  if ! "$fuzzer" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -timeout=10 \
      -artifact_prefix="build/fuzz/artifacts/$name-" -print_final_stats=1 "$corpus" "${seeds[@]}" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "=== fuzz: $name FAILED"
    exit 1
  fi
  grep -E '^stat::number_of_executed_units|^Done' "$log" || true
done
echo "tests: $passed passed, $failed failed"
