#!/usr/bin/env bash
# scripts/installed-check.sh: installs the Debian package on this machine as a
# user would (apt-get install ./pelivant_*.deb), checks that the desktop's
# usual tools open pictures with it, and removes it again (apt-get purge):
# - `xdg-mime default pelivant.desktop image/png`, then `xdg-mime query
#   default image/png` answers pelivant.desktop;
# - `xdg-open` of a PNG opens it in the installed pelivant;
# - a picture dragged out of the installed pelivant by its handle shows on
#   the installed pelivant-desktop, which finds the viewer through the
#   system registry alone.
# Everything runs under a private Xvfb with openbox and a home of its own.
# Needs root (or sudo) and a release build; does nothing, and says so, when
# pelivant is already installed from elsewhere, so a user's installation is
# never replaced or removed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/release"

fail() { echo "installed-check: $*" >&2; exit 1; }
# shellcheck source=lib/private-x.sh
source "$root/scripts/lib/private-x.sh"

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null && sudo -n true 2>/dev/null || { echo "installed-check: skipped (needs root)"; exit 0; }
  sudo="sudo"
fi
if dpkg-query -W -f='${Status}' pelivant 2>/dev/null | grep -q 'install ok installed'; then
  echo "installed-check: skipped (pelivant is installed already; not touching it)"
  exit 0
fi
[ -f "$build/CPackConfig.cmake" ] || fail "no release build in $build (run scripts/build.sh release)"
for tool in xdg-mime xdg-open Xvfb openbox xdotool xwininfo import; do
  command -v "$tool" >/dev/null || fail "$tool is missing"
done

scratch=$(mktemp -d /tmp/pl-installed-check.XXXXXX)
pids=()
installed=0
cleanup() {
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  # Only what this check started: other pelivants on the machine are not ours.
  for window in $(DISPLAY=${DISPLAY:-} xdotool search --name '.' 2>/dev/null || true); do
    pid=$(DISPLAY=${DISPLAY:-} xdotool getwindowpid "$window" 2>/dev/null || true)
    [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true
  done
  if [ "$installed" = 1 ]; then
    DEBIAN_FRONTEND=noninteractive $sudo apt-get purge -y -q pelivant >"$scratch/purge.log" 2>&1 \
      || cat "$scratch/purge.log" >&2
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT

echo "=== installed: cpack -G DEB and apt-get install"
(cd "$build" && cpack -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1) \
  || { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
debs=("$scratch"/out/pelivant_*.deb)
[ -f "${debs[0]}" ] || fail "cpack made no pelivant_*.deb"
installed=1
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${debs[0]}" \
  >"$scratch/install.log" 2>&1 || { cat "$scratch/install.log" >&2; fail "apt-get install failed"; }
[ -x /usr/bin/pelivant ] || fail "no /usr/bin/pelivant after installing"

# A user of our own: a home, a runtime folder, nothing of the build.
export HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/run"
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_DATA_DIRS LD_LIBRARY_PATH PL_DISPLAY_BACKEND
mkdir -p "$HOME/Desktop" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
cd "$scratch"

echo "=== installed: xdg-mime"
xdg-mime default pelivant.desktop image/png
answer=$(xdg-mime query default image/png)
[ "$answer" = pelivant.desktop ] || fail "xdg-mime query default image/png answers '$answer'"

start_private_x 1920x1080 || fail "no private X server"
start_openbox || fail "no window manager"

wait_for_window() { # title pattern; prints the window id
  timeout 15 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1
}
quit_window() { # window id: quits its pelivant and waits until the process has ended
  local pid
  pid=$(xdotool getwindowpid "$1")
  xdotool windowactivate --sync "$1" key q
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  fail "pelivant did not quit"
}

cp "$root/samples/a.png" "$scratch/wallpaper.png"
cp "$root/samples/quadrants.png" "$scratch/opened.png"
for opener in "xdg-open"; do
  echo "=== installed: $opener of a PNG"
  $opener "$scratch/opened.png" >"$scratch/opener.log" 2>&1 &
  window=$(wait_for_window 'opened\.png') || true
  if [ -z "$window" ]; then
    cat "$scratch/opener.log" >&2
    import -window root "$root/build/installed-check-failure.png" 2>/dev/null || true
    fail "$opener did not open the picture in pelivant"
  fi
  quit_window "$window"
done

if [ -x /usr/bin/pelivant-desktop ]; then
  echo "=== installed: a replicant from the installed viewer on the installed desktop"
  /usr/bin/pelivant-desktop >"$scratch/desktop.log" 2>&1 &
  pids+=($!)
  wait_for_window '^Desktop$' >/dev/null || { cat "$scratch/desktop.log" >&2; import -window root "$root/build/installed-check-failure.png" 2>/dev/null || true; fail "the installed desktop shows no window"; }
  /usr/bin/pelivant "$scratch/wallpaper.png" >"$scratch/viewer.log" 2>&1 &
  window=$(wait_for_window 'wallpaper\.png') || true
  [ -n "$window" ] || fail "the installed pelivant shows no window"
  xdotool windowmove --sync "$window" 600 400
  sleep 0.5
  x=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ { print $4 }')
  y=$(xwininfo -id "$window" | awk '/Absolute upper-left Y/ { print $4 }')
  moves="mousemove $((x + 3)) $((y + 3)) mousedown 1 sleep 0.05 mousemove $((x + 8)) $((y + 8)) sleep 0.1"
  for step in $(seq 1 20); do
    moves="$moves mousemove $((x + 8 + (108 - x - 8) * step / 20)) $((y + 8 + (108 - y - 8) * step / 20)) sleep 0.03"
  done
  xdotool $moves sleep 0.2 mouseup 1 sleep 0.5
  quit_window "$window"
  # The picture's bright centre, 320 x 240 from (100, 100), on the desktop.
  import -window root "$scratch/desktop.png"
  centre=$(convert "$scratch/desktop.png" -format '%[pixel:p{260,220}]' info:)
  expected=$(convert "$scratch/wallpaper.png" -format '%[pixel:p{160,120}]' info:)
  if [ "$centre" != "$expected" ]; then
    cp "$scratch/desktop.png" "$root/build/installed-check-failure.png"
    fail "the replicant is not on the desktop: $centre where the picture has $expected"
  fi
else
  echo "installed-check: the package has no pelivant-desktop; the replicant check is left out"
fi
echo "installed-check: passed"
