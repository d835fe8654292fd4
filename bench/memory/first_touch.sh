#!/usr/bin/env bash
# Which memory a big bitmap should get: decodes a 6000x4000 JPEG into a fresh
# bitmap in fresh processes, one after the other, taking turns between the
# ways of getting the memory (see first_touch_probe.cpp), first with the
# machine's memory as it is, then with it in a used state: the page cache
# filled by reading files and free memory scattered in single pages by
# fragment_memory. Prints median, minimum and maximum in milliseconds.
#
#   bash bench/memory/first_touch.sh [-n RUNS] [--cache-gib N] [--fragment-mib N]
#
# Needs a release build (bash scripts/build.sh release first_touch_probe
# fragment_memory) and ImageMagick's convert.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin="$root/build/release/bin"
runs=15
cache_gib=6
fragment_mib=4096
while [ "$#" -gt 0 ]; do
  case "$1" in
    -n) runs=$2; shift 2 ;;
    --cache-gib) cache_gib=$2; shift 2 ;;
    --fragment-mib) fragment_mib=$2; shift 2 ;;
    *) echo "usage: $0 [-n RUNS] [--cache-gib N] [--fragment-mib N]" >&2; exit 2 ;;
  esac
done
for needed in first_touch_probe fragment_memory; do
  [ -x "$bin/$needed" ] || { echo "first_touch: $bin/$needed is missing" >&2; exit 1; }
done

work=$(mktemp -d /tmp/first-touch.XXXXXX)
fragmenter=""
cleanup() {
  [ -n "$fragmenter" ] && kill "$fragmenter" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

picture="$work/6000x4000.jpg"
nice convert -size 3000x2000 xc: -seed 7 +noise Random -resize '6000x4000!' -quality 90 "$picture"
modes=(huge plain prefault)

# One round per run: every mode once, each in a new process.
measure_all() {
  local state=$1
  for _ in $(seq "$runs"); do
    for mode in "${modes[@]}"; do
      "$bin/first_touch_probe" "$mode" "$picture" | sed 's/ms=//' >>"$work/$state.$mode"
    done
  done
}

report() {
  local state=$1
  for mode in "${modes[@]}"; do
    sort -n "$work/$state.$mode" | awk -v s="$state" -v m="$mode" '
      { v[NR] = $1 }
      END {
        med = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "%-10s %-9s %8.1f %8.1f %8.1f %5d\n", s, m, med, v[1], v[NR], NR
      }'
  done
}

echo "first_touch: $runs rounds with memory as it is" >&2
measure_all as-is

echo "first_touch: filling the page cache with up to $cache_gib GiB of files" >&2
budget=$((cache_gib * 1024 * 1024 * 1024))
while IFS= read -r -d '' file; do
  size=$(stat -c %s "$file" 2>/dev/null || echo 0)
  cat "$file" >/dev/null 2>&1 || true
  budget=$((budget - size))
  [ "$budget" -gt 0 ] || break
done < <(find /usr /var -xdev -type f -size +64k -print0 2>/dev/null)
echo "first_touch: scattering $fragment_mib MiB of free memory" >&2
coproc FRAG { exec "$bin/fragment_memory" "$fragment_mib"; }
fragmenter=$FRAG_PID
read -r ready <&"${FRAG[0]}"
[ "$ready" = ready ] || { echo "first_touch: fragment_memory failed" >&2; exit 1; }
grep -E 'MemFree|^Cached' /proc/meminfo | tr -s ' ' | tr '\n' ' ' >&2
echo >&2
echo "first_touch: $runs rounds with memory in use" >&2
measure_all used

echo
echo "Allocating and decoding a 6000x4000 JPEG in a fresh process (ms), $(nproc) cores," \
  "THP $(cat /sys/kernel/mm/transparent_hugepage/enabled 2>/dev/null | tr -d '\n')" \
  "defrag $(cat /sys/kernel/mm/transparent_hugepage/defrag 2>/dev/null | tr -d '\n')"
printf '%-10s %-9s %8s %8s %8s %5s\n' memory mode median min max runs
report as-is
report used
