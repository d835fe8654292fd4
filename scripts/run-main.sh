#!/usr/bin/env bash
# Runs the main job from an existing release build: the viewer on the pictures
# given as arguments, or on a bundled sample. On the user's display when there
# is one; otherwise on a private Xvfb with a window manager, saving a
# screenshot to build/main-job.png and ending after a few seconds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$root/build/release/bin"
if [ "$#" -gt 0 ]; then
  main=("$bin/pelivant" "$@")
else
  main=("$bin/pelivant" "$root/samples/harbour-at-dusk.jpg")
fi

if [ -n "${DISPLAY:-}" ]; then
  exec "${main[@]}"
fi

shot="$root/build/main-job.png"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT

# shellcheck source=lib/private-x.sh
source "$root/scripts/lib/private-x.sh"
start_private_x 1280x800 || exit 1
start_openbox || exit 1

"${main[@]}" &
app=$!
pids+=($app)
# Wait for the window to be mapped and drawn, then take the screenshot.
for _ in $(seq 100); do
  xdotool search --onlyvisible --pid "$app" >/dev/null 2>&1 && break
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
sleep "${PL_MAIN_JOB_SECONDS:-2}"
if ! kill -0 "$app" 2>/dev/null; then
  wait "$app" && status=0 || status=$?
  echo "run-main: the program ended early (status $status)" >&2
  exit 1
fi
import -window root "$shot"
echo "run-main: screenshot saved to $shot"
