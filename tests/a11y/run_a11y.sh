#!/usr/bin/env bash
# The program as a screen reader sees it: started on a private X display
# with the accessibility bridge on (no NO_AT_BRIDGE), on the AT-SPI bus of
# the D-Bus session this runs in (CTest starts it under dbus-run-session),
# its accessible tree walked by accessible_names.py with Debian's pyatspi.
#
#   dbus-run-session -- run_a11y.sh <path to vantrel>
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: dbus-run-session -- $0 <vantrel binary>" >&2
  exit 2
fi
binary=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || { echo "no D-Bus session: run under dbus-run-session" >&2; exit 2; }
. "$here/../e2e/window_driver.sh"

work=$(mktemp -d /tmp/vantrel-a11y-XXXXXX)
pids=()
cleanup() {
  stop_started
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "ACCESSIBILITY FAILURE: $*" >&2
  [ -s "$work/app.log" ] && tail -n 20 "$work/app.log" >&2
  exit 1
}

start_desktop 180 199
export HOME=$work XDG_CONFIG_HOME=$work/config GSETTINGS_BACKEND=memory
unset NO_AT_BRIDGE
"$binary" >"$work/app.log" 2>&1 &
pids+=($!)
find_main_window " Vantrel"
/usr/bin/python3 "$here/accessible_names.py" " Vantrel" || fail "the accessible tree has the faults above"
