#!/usr/bin/env bash
# Time to first picture: how long from launching a viewer on a file until the
# picture's pixels are on the X screen, for pelivant and for peer viewers.
#
#   bash bench/e2e/first_picture.sh [-n RUNS] [--cold] [--viewers "LIST"]
#                                   [--baseline PATH] [--pictures "LIST"]
#
# Needs a release build (bash scripts/build.sh release). Runs on a private
# Xvfb (1920x1080x24) under openbox, so that every viewer's window is mapped
# and framed the same way. The pictures, made once in /tmp/pelivant-first-
# picture (kept, so that runs compare the same files): a 6000x4000 JPEG, an
# 8192x8192, a 1920x1080 and a 20x20 PNG, magenta-tinted noise with a solid
# magenta block over the middle 30 %, so that the probe finds the picture at
# the centre of a window whatever the viewer's fit.
#
# Viewers: pelivant; feh and nsxiv with their defaults; feh-fit and nsxiv-fit,
# the same scaled down into a 1280x720 window (feh -g 1280x720 --scale-down,
# nsxiv -g 1280x720 -s d); baseline, another pelivant executable given with
# --baseline (an older build, say). Per picture: one warm-up launch each,
# then RUNS (default 7) rounds in which every viewer launches once, taking
# turns, and decode_floor decodes the picture once with the bare library
# (TurboJPEG or libpng) in a process of its own.
#
# The table gives per picture and viewer the median, minimum and maximum in
# milliseconds, max/min, the median private dirty memory (MiB) when the picture
# was found, and for pelivant (and baseline) the median's ratio to the fastest
# peer's median; the floor's line gives the size of one decoded copy as its
# memory. --cold drops the page cache before every launch (root only).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin="$root/build/release/bin"
runs=7
cold=0
viewers="pelivant feh feh-fit nsxiv nsxiv-fit"
baseline=""
only_pictures=""
while [ "$#" -gt 0 ]; do
  case "$1" in
    -n) runs=$2; shift 2 ;;
    --cold) cold=1; shift ;;
    --viewers) viewers=$2; shift 2 ;;
    --baseline) baseline=$2; shift 2 ;;
    --pictures) only_pictures=$2; shift 2 ;;
    *) echo "usage: $0 [-n RUNS] [--cold] [--viewers \"LIST\"] [--baseline PATH]" \
         "[--pictures \"6000x4000.jpg ...\"]" >&2
       exit 2 ;;
  esac
done

probe="$bin/first_picture_probe"
floor="$bin/decode_floor"
for needed in "$probe" "$floor" "$bin/pelivant"; do
  [ -x "$needed" ] || { echo "first_picture: $needed is missing; run bash scripts/build.sh release" >&2; exit 1; }
done
for tool in Xvfb openbox convert xdpyinfo; do
  command -v "$tool" >/dev/null || { echo "first_picture: $tool is missing" >&2; exit 1; }
done

# The program of each viewer, found on the PATH for the peers.
viewer_program() {
  case "$1" in
    pelivant) echo "$bin/pelivant" ;;
    baseline) echo "$baseline" ;;
    feh|feh-fit) command -v feh || true ;;
    nsxiv|nsxiv-fit) command -v nsxiv || true ;;
    *) command -v "$1" || true ;;
  esac
}
# Its options, before the picture. The baseline keeps its record of installed
# applications apart, or every launch of either pelivant would rewrite (and
# fsync) the record the other one left.
viewer_options() {
  case "$1" in
    baseline) echo "" ;;
    feh-fit) echo "-g 1280x720 --scale-down" ;;
    nsxiv-fit) echo "-g 1280x720 -s d" ;;
  esac
}
is_pelivant() { [ "$1" = pelivant ] || [ "$1" = baseline ]; }

available=()
for viewer in $viewers; do
  # The baseline comes with --baseline, once, whether listed or not.
  [ "$viewer" = baseline ] && continue
  if ! is_pelivant "$viewer" && [ -z "$(viewer_program "$viewer")" ] && [ "$(id -u)" = 0 ]; then
    package=${viewer%-fit}
    echo "first_picture: installing $package" >&2
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$package" >/dev/null 2>&1 || true
  fi
  if [ -n "$(viewer_program "$viewer")" ]; then
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
  local width=$1 height=$2 format=$3 out=$4
  shift 4
  [ -s "$out" ] && return 0
  local left=$((width * 35 / 100)) top=$((height * 35 / 100))
  local right=$((width * 65 / 100)) bottom=$((height * 65 / 100))
  local half_width=$(((width + 1) / 2)) half_height=$(((height + 1) / 2))
  nice convert -size ${half_width}x${half_height} xc: -seed 7 +noise Random \
    -resize "${width}x${height}!" \
    -channel R,B -evaluate multiply 0.22 -evaluate add 78% \
    -channel G -evaluate multiply 0.22 +channel \
    -fill magenta -draw "rectangle $left,$top $right,$bottom" \
    -depth 8 "$@" "$format:$out.part"
  mv "$out.part" "${out}"
}
pictures_dir=/tmp/pelivant-first-picture
mkdir -p "$pictures_dir"
echo "first_picture: the pictures are in $pictures_dir (made when missing)" >&2
make_picture 6000 4000 JPEG "$pictures_dir/6000x4000.jpg" -quality 90
make_picture 8192 8192 PNG24 "$pictures_dir/8192x8192.png"
make_picture 1920 1080 PNG24 "$pictures_dir/1920x1080.png"
make_picture 20 20 PNG24 "$pictures_dir/20x20.png"
pictures=()
for name in 6000x4000.jpg 8192x8192.png 1920x1080.png 20x20.png; do
  if [ -z "$only_pictures" ] || [[ " $only_pictures " == *" $name "* ]]; then
    pictures+=("$pictures_dir/$name")
  fi
done

# Xvfb picks a free display itself and says which once it listens: other
# programs starting servers at the same time cannot take the same number.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "first_picture: Xvfb did not start" >&2; exit 1; }
display=":$(head -n 1 "$work/display")"
export DISPLAY=$display
for _ in $(seq 100); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
xdpyinfo >/dev/null 2>&1 || { echo "first_picture: Xvfb did not start" >&2; exit 1; }
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

drop_caches() {
  if [ "$cold" = 1 ]; then
    sync
    echo 3 >/proc/sys/vm/drop_caches
  fi
}

# Launches one viewer on one picture; appends "map picture private_kb".
measure() {
  local viewer=$1 picture=$2 results=$3
  local line program
  program=$(viewer_program "$viewer")
  drop_caches
  local launcher=()
  [ "$viewer" = baseline ] && launcher=(env "XDG_DATA_HOME=$work/baseline-data")
  # shellcheck disable=SC2046 # the options are words
  if ! line=$("$probe" --timeout 30000 -- "${launcher[@]}" "$program" $(viewer_options "$viewer") \
      "$picture" 2>>"$work/probe.log" </dev/null); then
    echo "first_picture: $viewer on $(basename "$picture"): no picture (see below)" >&2
    tail -n 1 "$work/probe.log" >&2
    return 0
  fi
  sed -E 's/map_ms=([0-9.-]+) picture_ms=([0-9.-]+) private_kb=([0-9-]+)/\1 \2 \3/' \
    <<<"$line" >>"$results"
  # Let the server and the window manager settle after the viewer's end.
  sleep 0.2
}

measure_floor() {
  local picture=$1 results=$2
  drop_caches
  "$floor" "$picture" | sed 's/ms=//' >>"$results"
}

# Prints "median min max" of one column of a results file, or "- - -".
summary() {
  local file=$1 column=$2 precision=${3:-0}
  if [ ! -s "$file" ]; then
    echo "- - -"
    return
  fi
  awk -v c="$column" '{ print $c }' "$file" | sort -n | awk -v p="$precision" '
    { v[NR] = $1 }
    END {
      m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      printf "%.*f %.*f %.*f\n", p, m, p, v[1], p, v[NR]
    }'
}

read -r load1 load5 load15 _ </proc/loadavg
echo "first_picture: load average at start $load1 $load5 $load15 ($(nproc) cores);" \
  "$runs runs after 1 warm-up$([ "$cold" = 1 ] && echo ', page cache dropped before each')" >&2

for picture in "${pictures[@]}"; do
  name=$(basename "$picture")
  echo "first_picture: $name" >&2
  for viewer in "${available[@]}"; do
    measure "$viewer" "$picture" /dev/null
  done
  measure_floor "$picture" /dev/null
  for _ in $(seq "$runs"); do
    for viewer in "${available[@]}"; do
      measure "$viewer" "$picture" "$work/$name.$viewer"
    done
    measure_floor "$picture" "$work/$name.floor"
  done
done

echo
echo "Time to first picture (ms), Xvfb 1920x1080 + openbox, $runs runs, load at start: $load1 $load5 $load15"
printf '%-14s %-10s %7s %7s %7s %7s %8s %9s %5s\n' picture viewer median min max max/min \
  "priv-MiB" "vs-peer" runs
for picture in "${pictures[@]}"; do
  name=$(basename "$picture")
  fastest=""
  for viewer in "${available[@]}"; do
    is_pelivant "$viewer" && continue
    read -r median _ _ <<<"$(summary "$work/$name.$viewer" 2 1)"
    [ "$median" = - ] && continue
    if [ -z "$fastest" ] || awk -v a="$median" -v b="$fastest" 'BEGIN { exit !(a < b) }'; then
      fastest=$median
    fi
  done
  for viewer in "${available[@]}"; do
    file="$work/$name.$viewer"
    count=0
    [ -s "$file" ] && count=$(wc -l <"$file")
    read -r median minimum maximum <<<"$(summary "$file" 2 1)"
    read -r private _ _ <<<"$(summary "$file" 3)"
    spread=- ratio=- mib=-
    if [ "$median" != - ]; then
      spread=$(awk -v a="$maximum" -v b="$minimum" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
      [ "$private" -ge 0 ] 2>/dev/null && mib=$(awk -v k="$private" 'BEGIN { printf "%.1f", k / 1024 }')
      if is_pelivant "$viewer" && [ -n "$fastest" ]; then
        ratio=$(awk -v a="$median" -v b="$fastest" 'BEGIN { printf "%.2fx", (b > 0 ? a / b : 0) }')
      fi
    fi
    printf '%-14s %-10s %7s %7s %7s %7s %8s %9s %5s\n' "$name" "$viewer" "$median" "$minimum" \
      "$maximum" "$spread" "$mib" "$ratio" "$count/$runs"
  done
  # The floor's memory column is the size of one decoded copy at 4 bytes a pixel.
  read -r median minimum maximum <<<"$(summary "$work/$name.floor" 1 1)"
  size=${name%.*}
  copy=$(awk -v w="${size%x*}" -v h="${size#*x}" 'BEGIN { printf "%.1f", w * h * 4 / 1048576 }')
  printf '%-14s %-10s %7s %7s %7s %7s %8s %9s %5s\n' "$name" "floor" "$median" "$minimum" \
    "$maximum" - "$copy" - "$(wc -l <"$work/$name.floor" 2>/dev/null || echo 0)/$runs"
done
