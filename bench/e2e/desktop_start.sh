#!/usr/bin/env bash
# The desktop's start-up and idle cost: how long from launching
# pelivant-desktop until its first complete frame is on the X screen, with no
# saved replicant and with 20 saved picture replicants, and how much processor
# time it then uses while left alone.
#
#   bash bench/e2e/desktop_start.sh [-n RUNS] [--idle SECONDS]
#
# Needs a release build (bash scripts/build.sh release). Runs on a private
# Xvfb (1920x1080x24) under openbox, with private XDG folders and an empty
# desktop folder. The replicants are pelivant's picture views of a 200x150
# magenta PNG in a 5 x 4 grid; the frame is complete when the centre of every
# one of them is magenta and the bare background is the desktop's blue. Per
# case: one warm-up launch, then RUNS (default 5) launches; the table gives
# the median and the minimum of the time to the frame in milliseconds and the
# median processor time over the idle period (10 s by default).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin="$root/build/release/bin"
runs=5
idle=10
while [ "$#" -gt 0 ]; do
  case "$1" in
    -n) runs=$2; shift 2 ;;
    --idle) idle=$2; shift 2 ;;
    *) echo "usage: $0 [-n RUNS] [--idle SECONDS]" >&2; exit 2 ;;
  esac
done
for needed in pelivant pelivant-desktop desktop_start_probe desktop_shelf_maker; do
  [ -x "$bin/$needed" ] || { echo "desktop_start: $bin/$needed is missing; run bash scripts/build.sh release" >&2; exit 1; }
done
for tool in Xvfb openbox convert xdpyinfo xdotool; do
  command -v "$tool" >/dev/null || { echo "desktop_start: $tool is missing" >&2; exit 1; }
done

scratch=$(mktemp -d /tmp/pl-desktop-start.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

# shellcheck source=../../scripts/lib/private-x.sh
source "$root/scripts/lib/private-x.sh"
start_private_x 1920x1080 || exit 1
mkdir -p "$scratch/run" "$scratch/data" "$scratch/config" "$scratch/Desktop"
chmod 700 "$scratch/run"
export HOME=$scratch XDG_RUNTIME_DIR=$scratch/run XDG_DATA_HOME=$scratch/data \
  XDG_CONFIG_HOME=$scratch/config PL_DISPLAY_BACKEND=x11
start_openbox || exit 1

# The picture, and the viewer's registry record, which pelivant leaves when it
# runs: the desktop finds the picture view's code through it.
picture="$scratch/magenta.png"
convert -size 200x150 xc:'#ff00ff' "$picture"
"$bin/pelivant" "$picture" >/dev/null 2>&1 &
viewer=$!
timeout 15 xdotool search --sync --name 'magenta\.png' >/dev/null || { echo "desktop_start: pelivant did not start" >&2; exit 1; }
kill "$viewer"; wait "$viewer" 2>/dev/null || true
shelf="$XDG_DATA_HOME/pl-platform/desktop/shelf"
mkdir -p "$(dirname "$shelf")"
"$bin/desktop_shelf_maker" "$picture" 20 "$scratch/shelf20"

background="--expect 1900,1060=336698"
replicants=""
for i in $(seq 0 19); do
  replicants+=" --expect $((40 + (i % 5) * 219 + 100)),$((40 + (i / 5) * 169 + 75))=ff00ff"
done

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
printf "%-14s %10s %10s %14s\n" "replicants" "median ms" "min ms" "idle cpu ms"
for count in 0 20; do
  frames=()
  cpus=()
  for run in $(seq 0 "$runs"); do
    if [ "$count" = 0 ]; then rm -f "$shelf"; else cp "$scratch/shelf20" "$shelf"; fi
    expects="$background"
    [ "$count" = 0 ] || expects+="$replicants"
    # shellcheck disable=SC2086
    line=$("$bin/desktop_start_probe" --idle "$idle" $expects -- "$bin/pelivant-desktop") \
      || { echo "desktop_start: run $run with $count replicants failed" >&2; exit 1; }
    [ "$run" = 0 ] && continue # warm-up
    frames+=("$(sed 's/.*frame_ms=\([0-9.]*\).*/\1/' <<<"$line")")
    cpus+=("$(sed 's/.*idle_cpu_ms=\([0-9.]*\).*/\1/' <<<"$line")")
  done
  printf "%-14s %10s %10s %14s\n" "$count" \
    "$(printf '%s\n' "${frames[@]}" | median)" \
    "$(printf '%s\n' "${frames[@]}" | sort -n | head -1)" \
    "$(printf '%s\n' "${cpus[@]}" | median)"
done
