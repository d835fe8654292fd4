#!/usr/bin/env bash
# scripts/build.sh <preset> [targets...]: configure (once) and build one preset.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${1:-release}
shift || true
cd "$root"
# Worktrees and clean clones of the same sources share one compiler cache:
# paths are taken relative to the checkout, so a file compiled once in any
# of them is not compiled again.
if command -v ccache >/dev/null 2>&1; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
fi
# Configure every time: it is cheap, and folders globbed at configure time
# (kits, tests, benchmarks) may have appeared since the last run.
cmake --preset "$preset" >/dev/null
jobs=$(nproc)
cmake --build "build/$preset" -j "$jobs" ${1:+--target "$@"}
