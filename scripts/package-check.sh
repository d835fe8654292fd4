#!/usr/bin/env bash
# scripts/package-check.sh: builds the Debian package from build/release,
# unpacks it into a scratch root (dpkg -x, no container, nothing installed on
# the machine) and checks the installed tree on its own: `pelivant` from the
# scratch root opens a sample picture copied outside the build tree, under a
# private Xvfb, with nothing pointing at the build; the desktop entries (the
# viewer's, the desktop's and its autostart entry, installed switched off)
# pass desktop-file-validate; the manual pages format without warnings;
# `pelivant-desktop --help` and `--version` answer; lintian finds no error in
# the package.
# Exits non-zero, saying why, on the first failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/release"

fail() { echo "package-check: $*" >&2; exit 1; }
# shellcheck source=lib/private-x.sh
source "$root/scripts/lib/private-x.sh"

[ -f "$build/CPackConfig.cmake" ] || fail "no release build in $build (run scripts/build.sh release)"
scratch=$(mktemp -d /tmp/pl-package-check.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

echo "=== package: cpack -G DEB"
(cd "$build" && cpack -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1) \
  || { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
debs=("$scratch"/out/pelivant_*.deb)
[ -f "${debs[0]}" ] || fail "cpack made no pelivant_*.deb"
deb=${debs[0]}
echo "package-check: $(basename "$deb"): $(dpkg-deb -f "$deb" Version), depends on $(dpkg-deb -f "$deb" Depends | tr ',' '\n' | wc -l) packages"

echo "=== package: lintian"
command -v lintian >/dev/null || fail "lintian missing (package lintian)"
# Errors fail the check; warnings are shown.
lintian --tag-display-limit 0 "$deb" >"$scratch/lintian.log" 2>&1 || true
grep -E '^[EW]: ' "$scratch/lintian.log" || true
if grep -q '^E: ' "$scratch/lintian.log"; then
  fail "lintian reports errors"
fi

tree="$scratch/root"
dpkg -x "$deb" "$tree"
bin="$tree/usr/bin/pelivant"
[ -x "$bin" ] || fail "the package has no usr/bin/pelivant"
for file in usr/lib/libplatform.so usr/lib/libPelivant.so usr/share/applications/pelivant.desktop \
    usr/share/man/man1/pelivant.1.gz usr/share/icons/hicolor/scalable/apps/pelivant.svg \
    usr/bin/pelivant-desktop usr/share/applications/pelivant-desktop.desktop \
    etc/xdg/autostart/pelivant-desktop.desktop usr/share/man/man1/pelivant-desktop.1.gz; do
  [ -f "$tree/$file" ] || fail "the package has no $file"
done
for size in 16 32 48 64 128 256; do
  [ -f "$tree/usr/share/icons/hicolor/${size}x${size}/apps/pelivant.png" ] || fail "no ${size}x${size} icon"
done

# The registry record names the installed library, which must be in the package.
record=$(grep -l '^signature application/x-vnd.Tarvosk.Pelivant2$' "$tree"/usr/share/pl-platform/applications/*.app 2>/dev/null) \
  || fail "no registry record for the viewer's signature"
library=$(sed -n 's/^library //p' "$record")
[ -n "$library" ] && [ -f "$tree$library" ] || fail "the record's library '$library' is not in the package"
grep -qx "executable /usr/bin/pelivant" "$record" || fail "the record does not name /usr/bin/pelivant"
desktop_record=$(grep -l '^signature application/x-vnd.Be-TRAK$' "$tree"/usr/share/pl-platform/applications/*.app 2>/dev/null) \
  || fail "no registry record for the desktop's signature"
grep -qx "executable /usr/bin/pelivant-desktop" "$desktop_record" \
  || fail "the desktop's record does not name /usr/bin/pelivant-desktop"

# Nothing of the build may be reachable from the installed files.
if grep -rlF "$root" "$tree" >/dev/null; then
  fail "installed files name the build tree: $(grep -rlF "$root" "$tree" | tr '\n' ' ')"
fi
unset LD_LIBRARY_PATH LD_PRELOAD
resolved=$(ldd "$bin" | awk '/libplatform.so|libPelivant.so/ { print $3 }')
for path in $resolved; do
  case $(realpath "$path") in
    "$tree"/*) ;;
    *) fail "pelivant finds $path outside its own tree" ;;
  esac
done
[ "$(wc -w <<<"$resolved")" -eq 2 ] || fail "pelivant does not find its two libraries: $(ldd "$bin")"

echo "=== package: desktop-file-validate"
command -v desktop-file-validate >/dev/null || fail "desktop-file-validate missing (package desktop-file-utils)"
entry="$tree/usr/share/applications/pelivant.desktop"
autostart="$tree/etc/xdg/autostart/pelivant-desktop.desktop"
for file in "$entry" "$tree/usr/share/applications/pelivant-desktop.desktop" "$autostart"; do
  desktop-file-validate "$file" >"$scratch/validate.log" 2>&1 || { cat "$scratch/validate.log" >&2; fail "desktop-file-validate failed on $file"; }
  if grep -v ': hint: ' "$scratch/validate.log" | grep -q .; then
    cat "$scratch/validate.log" >&2
    fail "desktop-file-validate warned on $file"
  fi
done
grep -qx 'Hidden=true' "$autostart" || fail "the desktop's autostart entry is not switched off"
grep -qx 'Exec=pelivant-desktop' "$autostart" || fail "the autostart entry does not run pelivant-desktop"
grep -q '^MimeType=.*image/png;' "$entry" && grep -q '^MimeType=.*video/mp4;' "$entry" \
  || fail "the desktop entry does not list image/png and video/mp4"

echo "=== package: man -l"
MANWIDTH=80 man --warnings -l "$tree/usr/share/man/man1/pelivant.1.gz" >"$scratch/man.txt" 2>"$scratch/man.log" \
  || { cat "$scratch/man.log" >&2; fail "man failed"; }
[ ! -s "$scratch/man.log" ] || { cat "$scratch/man.log" >&2; fail "man warned"; }
grep -q "Pelivant $(dpkg-deb -f "$deb" Version)" "$scratch/man.txt" || fail "the manual page does not carry the package's version"
MANWIDTH=80 man --warnings -l "$tree/usr/share/man/man1/pelivant-desktop.1.gz" >"$scratch/man.txt" 2>"$scratch/man.log" \
  || { cat "$scratch/man.log" >&2; fail "man failed on pelivant-desktop(1)"; }
[ ! -s "$scratch/man.log" ] || { cat "$scratch/man.log" >&2; fail "man warned on pelivant-desktop(1)"; }
for section in FILES ENVIRONMENT "EXIT STATUS" "CONTEXT MENU" REPLICANTS; do
  grep -q "^$section" "$scratch/man.txt" || fail "pelivant-desktop(1) has no $section"
done

echo "=== package: pelivant-desktop --help, --version"
desktop_bin="$tree/usr/bin/pelivant-desktop"
version=$(env -u DISPLAY "$desktop_bin" --version) || fail "pelivant-desktop --version failed"
[ "$version" = "pelivant-desktop $(dpkg-deb -f "$deb" Version)" ] || fail "pelivant-desktop --version says '$version'"
env -u DISPLAY "$desktop_bin" --help | grep -q '^Usage: pelivant-desktop' || fail "pelivant-desktop --help gives no usage"

echo "=== package: the installed pelivant under Xvfb"
start_private_x 1280x800 || fail "no private X server"

pictures="$scratch/pictures"
mkdir -p "$pictures" "$scratch/runtime"
chmod 700 "$scratch/runtime"
cp "$root/samples/harbour-at-dusk.jpg" "$pictures/"
(cd "$pictures" && exec env -u LD_LIBRARY_PATH XDG_RUNTIME_DIR="$scratch/runtime" HOME="$scratch" \
  "$bin" harbour-at-dusk.jpg >"$scratch/pelivant.log" 2>&1) &
app=$!
pids+=($app)
if ! timeout 15 xdotool search --sync --onlyvisible --name 'harbour-at-dusk\.jpg' >/dev/null 2>&1; then
  cat "$scratch/pelivant.log" >&2
  kill -0 "$app" 2>/dev/null || fail "the installed pelivant ended without showing a window"
  fail "no window titled harbour-at-dusk.jpg appeared within 15 s"
fi
kill -0 "$app" 2>/dev/null || fail "the installed pelivant ended after showing its window"
echo "package-check: passed"
