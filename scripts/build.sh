#!/usr/bin/env bash
# scripts/build.sh <preset> [targets...]: configure (once) and build one preset.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${1:-release}
shift || true
cd "$root"
# Configure every time: it is cheap, and folders globbed at configure time
# (kits, tests, benchmarks) may have appeared since the last run.
cmake --preset "$preset" >/dev/null
jobs=$(nproc)
cmake --build "build/$preset" -j "$jobs" ${1:+--target "$@"}
