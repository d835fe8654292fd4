# Sourced by the scripts that show windows without the user's display:
#   start_private_x WIDTHxHEIGHT  starts Xvfb on a display number it picks
#     itself (-displayfd), so that servers started side by side never take
#     the same one, exports DISPLAY and adds its pid to the caller's array
#     `pids`;
#   start_openbox  starts openbox on it and waits until it has taken the
#     screen (it names itself on the root window), adding its pid to `pids`.
# Both return non-zero, saying why on standard error, when they cannot.

start_private_x() {
  local size=$1 dir number=""
  dir=$(mktemp -d /tmp/pl-private-x.XXXXXX)
  mkfifo "$dir/displayfd"
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$dir/displayfd" >/dev/null 2>&1 &
  pids+=($!)
  read -r -t 30 number <"$dir/displayfd" || true
  rm -rf "$dir"
  if [ -z "$number" ]; then
    echo "Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$number"
}

start_openbox() {
  openbox >/dev/null 2>&1 &
  pids+=($!)
  # Slow to start on a busy machine: up to 30 s.
  for _ in $(seq 300); do
    # Not piped into grep -q: under pipefail, xprop cut short by the pipe
    # closing would count as a failure.
    case $(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null) in
      *"window id"*) return 0 ;;
    esac
    sleep 0.1
  done
  echo "openbox did not start on $DISPLAY" >&2
  return 1
}
