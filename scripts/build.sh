#!/usr/bin/env bash
# scripts/build.sh <preset> [targets...]: configure (once) and build one preset.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${1:-release}
shift || true
cd "$root"
if [ ! -f "build/$preset/build.ninja" ]; then
  cmake --preset "$preset" >/dev/null
fi
jobs=$(nproc)
cmake --build "build/$preset" -j "$jobs" ${1:+--target "$@"}
