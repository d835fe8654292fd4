#!/usr/bin/env bash
# Time to first picture: how long from launching a viewer on a file until the
# picture's pixels are on the X screen, for pelivant and for peer viewers.
#
#   bash bench/e2e/first_picture.sh [-n RUNS] [--cold] [--viewers "pelivant feh sxiv"]
#                                   [--baseline PATH]
#
# Needs a release build (bash scripts/build.sh release). Runs on a private
# Xvfb (1920x1080x24) under openbox, so that every viewer's window is mapped
# and framed the same way. The pictures are made in a temporary folder: a
# 6000x4000 JPEG, a 1920x1080 JPEG and a 4000x3000 PNG, magenta-tinted noise
# with a solid magenta block over the middle 30 %, so that the probe finds the
# picture at the centre of a window whatever the viewer's fit. Each viewer runs
# with its default options. Per file and viewer: one warm-up launch, then RUNS
# (default 7) launches, the viewers taking turns; the table gives the median
# and the minimum in milliseconds of "picture shown" and, for reference, of the
# first window mapped. --cold drops the page cache before every launch.
# --baseline adds another pelivant executable (an older build, say) as the
# viewer "baseline", taking its turns with the others under the same load.
#
# The peers (feh, sxiv) are installed with apt-get when missing and running as
# root; a viewer that cannot be found is left out of the table.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin="$root/build/release/bin"
runs=7
cold=0
viewers="pelivant feh sxiv"
baseline=""
while [ "$#" -gt 0 ]; do
  case "$1" in
    -n) runs=$2; shift 2 ;;
    --cold) cold=1; shift ;;
    --viewers) viewers=$2; shift 2 ;;
    --baseline) baseline=$2; shift 2 ;;
    *) echo "usage: $0 [-n RUNS] [--cold] [--viewers \"pelivant feh sxiv\"] [--baseline PATH]" >&2
       exit 2 ;;
  esac
done

probe="$bin/first_picture_probe"
for needed in "$probe" "$bin/pelivant"; do
  [ -x "$needed" ] || { echo "first_picture: $needed is missing; run bash scripts/build.sh release" >&2; exit 1; }
done
for tool in Xvfb openbox convert xdpyinfo; do
  command -v "$tool" >/dev/null || { echo "first_picture: $tool is missing" >&2; exit 1; }
done

# The command line of each viewer: its defaults, the picture last.
viewer_command() {
  case "$1" in
    pelivant) echo "$bin/pelivant" ;;
    baseline) echo "$baseline" ;;
    *) command -v "$1" || true ;;
  esac
}
available=()
for viewer in $viewers; do
  if [ "$viewer" != pelivant ] && [ -z "$(viewer_command "$viewer")" ] && [ "$(id -u)" = 0 ]; then
    echo "first_picture: installing $viewer" >&2
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$viewer" >/dev/null 2>&1 || true
  fi
  if [ -n "$(viewer_command "$viewer")" ]; then
    available+=("$viewer")
  else
    echo "first_picture: $viewer is not installed; left out" >&2
  fi
done
if [ -n "$baseline" ]; then
  [ -x "$baseline" ] || { echo "first_picture: $baseline is not an executable" >&2; exit 1; }
  available+=(baseline)
fi
[ "${#available[@]}" -gt 0 ] || { echo "first_picture: no viewer to measure" >&2; exit 1; }

work=$(mktemp -d /tmp/first-picture.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Noise made at half size and enlarged is closer to a photograph's detail (and
# file size) than pixel noise; the tint keeps every pixel magenta-ish: red and
# blue 78-100 %, green 0-22 %.
make_picture() {
  local width=$1 height=$2 out=$3
  shift 3
  local left=$((width * 35 / 100)) top=$((height * 35 / 100))
  local right=$((width * 65 / 100)) bottom=$((height * 65 / 100))
  nice convert -size $((width / 2))x$((height / 2)) xc: -seed 7 +noise Random \
    -resize "${width}x${height}!" \
    -channel R,B -evaluate multiply 0.22 -evaluate add 78% \
    -channel G -evaluate multiply 0.22 +channel \
    -fill magenta -draw "rectangle $left,$top $right,$bottom" \
    -depth 8 "$@" "$out"
}
echo "first_picture: making the pictures in $work" >&2
make_picture 6000 4000 "$work/6000x4000.jpg" -quality 90
make_picture 1920 1080 "$work/1920x1080.jpg" -quality 90
make_picture 4000 3000 "PNG24:$work/4000x3000.png"
pictures=("$work/6000x4000.jpg" "$work/1920x1080.jpg" "$work/4000x3000.png")

display=""
for n in $(seq 150 250); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
    display=":$n"
    break
  fi
done
[ -n "$display" ] || { echo "first_picture: no free display number" >&2; exit 1; }
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 100); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
xdpyinfo >/dev/null 2>&1 || { echo "first_picture: Xvfb did not start" >&2; exit 1; }
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

# Launches one viewer on one picture; appends "map picture" to the results.
measure() {
  local viewer=$1 picture=$2 results=$3
  local command line
  command=$(viewer_command "$viewer")
  if [ "$cold" = 1 ]; then
    sync
    echo 3 >/proc/sys/vm/drop_caches
  fi
  if ! line=$("$probe" --timeout 30000 -- "$command" "$picture" 2>>"$work/probe.log" </dev/null); then
    echo "first_picture: $viewer on $(basename "$picture"): no picture (see below)" >&2
    tail -n 1 "$work/probe.log" >&2
    return 0
  fi
  sed -E 's/map_ms=([0-9.-]+) picture_ms=([0-9.-]+)/\1 \2/' <<<"$line" >>"$results"
  # Let the server and the window manager settle after the viewer's end.
  sleep 0.2
}

# Prints "median min" of one column of a results file, or "- -".
summary() {
  local file=$1 column=$2
  if [ ! -s "$file" ]; then
    echo "- -"
    return
  fi
  awk -v c="$column" '{ print $c }' "$file" | sort -n | awk '
    { v[NR] = $1 }
    END {
      m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      printf "%.0f %.0f\n", m, v[1]
    }'
}

read -r load1 load5 load15 _ </proc/loadavg
echo "first_picture: load average at start $load1 $load5 $load15 ($(nproc) cores);" \
  "$runs runs after 1 warm-up$([ "$cold" = 1 ] && echo ', page cache dropped before each')" >&2

for picture in "${pictures[@]}"; do
  for viewer in "${available[@]}"; do
    measure "$viewer" "$picture" /dev/null
  done
  for _ in $(seq "$runs"); do
    for viewer in "${available[@]}"; do
      measure "$viewer" "$picture" "$work/$(basename "$picture").$viewer"
    done
  done
done

echo
echo "Time to first picture (ms), Xvfb 1920x1080 + openbox, load at start: $load1 $load5 $load15"
printf '%-15s %-10s %8s %8s %10s %8s %5s\n' picture viewer median min map-median map-min runs
for picture in "${pictures[@]}"; do
  name=$(basename "$picture")
  for viewer in "${available[@]}"; do
    file="$work/$name.$viewer"
    count=0
    [ -s "$file" ] && count=$(wc -l <"$file")
    read -r median minimum <<<"$(summary "$file" 2)"
    read -r map_median map_minimum <<<"$(summary "$file" 1)"
    printf '%-15s %-10s %8s %8s %10s %8s %5s\n' "$name" "$viewer" "$median" "$minimum" \
      "$map_median" "$map_minimum" "$count/$runs"
  done
done
