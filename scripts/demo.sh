#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds, and runs the main job.
# Without a display it runs under its own Xvfb and saves a screenshot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
bash scripts/build.sh release

exec bash scripts/run-main.sh "$@"
