# Sourced by the scripts that show windows without the user's display:
#   start_private_x WIDTHxHEIGHT FIRST_NUMBER  starts Xvfb on the first free
#     display number from FIRST_NUMBER on, waits until it answers, exports
#     DISPLAY and adds its pid to the caller's array `pids`;
#   start_openbox  starts openbox on it and waits until it has taken the
#     screen (it names itself on the root window), adding its pid to `pids`.
# Both return non-zero, saying why on standard error, when they cannot.
# Distinct scripts start from distinct numbers, so that runs side by side
# rarely race for one.

start_private_x() {
  local size=$1 number=$2 last=$(($2 + 49)) display=""
  for n in $(seq "$number" "$last"); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      display=":$n"
      break
    fi
  done
  [ -n "$display" ] || { echo "no free display number from :$number to :$last" >&2; return 1; }
  Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=$display
  for _ in $(seq 100); do
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "Xvfb did not start on $display" >&2
  return 1
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
