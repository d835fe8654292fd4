#!/usr/bin/env bash
# Runs the main job from an existing release build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$root/build/release/bin"
exec "$bin/platform-demo" "$@"
