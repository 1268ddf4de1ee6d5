# Sourced by the benchmarks and the window-driving test scripts.
#
# start_private_run NAME FIRST LAST: a work folder of the run's own
# (/tmp/vantrel-NAME-XXXXXX, in `work`) and a private display as below, both
# gone when the script exits.
start_private_run() {
  work=$(mktemp -d "/tmp/vantrel-$1-XXXXXX")
  xvfb=""
  trap stop_private_run EXIT
  start_private_display "$2" "$3"
}
stop_private_run() {
  [ -z "$xvfb" ] || { kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; }
  rm -rf "$work"
}

# start_private_display FIRST LAST starts an Xvfb of the run's own on the first free display number in
# that range (its pid in `xvfb`, for the caller's cleanup), exports DISPLAY
# and waits until it answers. -noreset: between two runs no client is
# connected, and a server reset then would refuse the next program.
start_private_display() {
  local n display=""
  for n in $(seq "$1" "$2"); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      display=$n
      break
    fi
  done
  [ -n "$display" ] || { echo "no free X display between :$1 and :$2" >&2; exit 1; }
  export DISPLAY=:$display
  Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  for _ in $(seq 200); do
    xdotool getdisplaygeometry >/dev/null 2>&1 && return
    sleep 0.05
  done
  echo "the X server on $DISPLAY did not answer within 10 s" >&2
  exit 1
}
