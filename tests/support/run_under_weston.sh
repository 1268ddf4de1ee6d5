#!/usr/bin/env bash
# Runs a window test on a Wayland compositor of its own: weston's headless
# backend on a socket and runtime folder of this run, GTK on its Wayland
# backend (no X display at all).
#
#   run_under_weston.sh <test binary> [arguments...]
set -euo pipefail
runtime=$(mktemp -d /tmp/vantrel-wayland-XXXXXX)
chmod 700 "$runtime"
weston_pid=""
cleanup() {
  if [ -n "$weston_pid" ]; then
    kill "$weston_pid" 2>/dev/null || true
    wait "$weston_pid" 2>/dev/null || true
  fi
  rm -rf "$runtime"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=vantrel-test GDK_BACKEND=wayland
unset DISPLAY
weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --idle-time=0 >"$runtime/weston.log" 2>&1 &
weston_pid=$!
for _ in $(seq 100); do
  [ -S "$runtime/$WAYLAND_DISPLAY" ] && break
  sleep 0.05
done
[ -S "$runtime/$WAYLAND_DISPLAY" ] || { echo "weston did not start:" >&2; cat "$runtime/weston.log" >&2; exit 1; }
"$@"
