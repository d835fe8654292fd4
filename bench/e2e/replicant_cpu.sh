#!/usr/bin/env bash
# What a clip costs the processor as desktop wallpaper: a 1080p H.264 clip
# played by pelivant in its window, then dragged out onto pelivant-desktop and
# played there as a replicant at the same magnification, then kept to another
# workspace than the one shown (where it must cost next to nothing).
#
#   bash bench/e2e/replicant_cpu.sh [-n ROUNDS] [-s SECONDS]
#
# Needs a release build (bash scripts/build.sh release). Runs on a private
# Xvfb (1920x1080x24) under openbox, with a home, data and runtime folder of
# its own. Each measurement is the processor time (user + system, from
# /proc/PID/stat) of the process that plays the clip over SECONDS (default 5)
# of wall time, divided by that time; ROUNDS (default 3) of each, and the
# table gives the median and the maximum. The desktop's own idle cost is
# measured first and given beside them.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin="$root/build/release/bin"
rounds=3
seconds=5
while [ "$#" -gt 0 ]; do
  case "$1" in
    -n) rounds=$2; shift 2 ;;
    -s) seconds=$2; shift 2 ;;
    *) echo "usage: $0 [-n ROUNDS] [-s SECONDS]" >&2; exit 2 ;;
  esac
done
for needed in "$bin/pelivant" "$bin/pelivant-desktop"; do
  [ -x "$needed" ] || { echo "replicant_cpu: $needed is missing; run bash scripts/build.sh release" >&2; exit 1; }
done
for tool in Xvfb openbox xdotool xwininfo ffmpeg bc; do
  command -v "$tool" >/dev/null || { echo "replicant_cpu: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d /tmp/pl-replicant-cpu-XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/home/Desktop" "$work/data" "$work/run"
chmod 700 "$work/run"
export HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
export PL_DISPLAY_BACKEND=x11
unset XDG_CONFIG_HOME
clip="$work/clip.mp4"
ffmpeg -v error -f lavfi -i "testsrc2=size=1920x1080:rate=30" -t 20 -c:v libx264 -preset veryfast \
  -pix_fmt yuv420p "$clip"

# shellcheck source=../../scripts/lib/private-x.sh
source "$root/scripts/lib/private-x.sh"
start_private_x 1920x1080 || exit 1
start_openbox || exit 1

wait_for_window() { # title pattern; prints the window id
  for _ in $(seq 1 100); do
    id=$(xdotool search --name "$1" 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  echo "replicant_cpu: no window '$1'" >&2
  return 1
}

ticks() { # pid: processor clock ticks used so far (user + system)
  awk '{ print $14 + $15 }' "/proc/$1/stat"
}
hz=$(getconf CLK_TCK)
# Processor seconds per second of wall time of |pid| over $seconds, $rounds
# times; prints the values, one per line.
measure() {
  for _ in $(seq 1 "$rounds"); do
    before=$(ticks "$1"); start=$(date +%s.%N)
    sleep "$seconds"
    after=$(ticks "$1"); end=$(date +%s.%N)
    echo "($after - $before) / $hz / ($end - $start)" | bc -l
  done
}
summary() { # label, values on stdin
  sort -g | awk -v label="$1" '{ v[NR] = $1 } END {
    median = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%-36s %8.3f %8.3f\n", label, median, v[NR] }'
}

"$bin/pelivant-desktop" >"$work/desktop.log" 2>&1 &
desktop=$!
pids+=("$desktop")
wait_for_window '^Desktop$' >/dev/null
sleep 1
idle=$(measure "$desktop")

"$bin/pelivant" "$clip" >"$work/viewer.log" 2>&1 &
viewer=$!
pids+=("$viewer")
window=$(wait_for_window 'clip.mp4')
# Half size (three steps of the cube root of two down from 100 %, which the
# title shows as 49 %): a window and a replicant of 960 x 540 pixels.
xdotool windowactivate --sync "$window" key slash sleep 0.3 key minus sleep 0.2 key minus \
  sleep 0.2 key minus sleep 0.5
xdotool getwindowname "$window" | grep -qE ' (49|50)%' ||
  { echo "replicant_cpu: the window is not at 50 %" >&2; exit 1; }
xdotool windowmove --sync "$window" 900 500
sleep 1
in_window=$(measure "$viewer")

# Out by the handle at the view's top left, onto the desktop at (20, 20).
X=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ { print $4 }')
Y=$(xwininfo -id "$window" | awk '/Absolute upper-left Y/ { print $4 }')
moves="mousemove $((X + 3)) $((Y + 3)) mousedown 1 sleep 0.05 mousemove $((X + 8)) $((Y + 8)) sleep 0.1"
for step in $(seq 1 20); do
  moves="$moves mousemove $((X + 8 + (28 - X - 8) * step / 20)) $((Y + 8 + (28 - Y - 8) * step / 20)) sleep 0.03"
done
xdotool $moves sleep 0.2 mouseup 1 sleep 0.5
xdotool windowactivate --sync "$window" key q
for _ in $(seq 1 50); do kill -0 "$viewer" 2>/dev/null || break; sleep 0.1; done
[ -s "$XDG_DATA_HOME/pl-platform/desktop/shelf" ] || { echo "replicant_cpu: nothing was shelved" >&2; exit 1; }
sleep 1
on_desktop=$(measure "$desktop")

# Kept to workspace 2 through the dragger's menu, while workspace 1 is shown.
xdotool mousemove 23 23 click 3 sleep 0.4 mousemove 63 55 sleep 0.4 mousemove 203 55 sleep 0.2 \
  mousemove 203 97 sleep 0.2 click 1 sleep 1
hidden=$(measure "$desktop")

echo "1080p H.264 clip at 50 %, processor seconds per second ($rounds x ${seconds} s)"
printf "%-36s %8s %8s\n" "" median max
summary "desktop, idle, no replicant" <<<"$idle"
summary "pelivant window" <<<"$in_window"
summary "desktop replicant" <<<"$on_desktop"
summary "desktop replicant, other workspace" <<<"$hidden"
