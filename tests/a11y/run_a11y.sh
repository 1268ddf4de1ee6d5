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
# A site of two rows, so the list is read both empty and filled.
root=$work/ftp
mkdir -p "$root/docs" "$work/config/Quillmarsh"
printf 'hello\n' >"$root/notes.txt"
# 20 MB at 4 MB/s: five seconds to read the bar while it moves.
truncate -s 20M "$root/big.bin"
E2E_DOWNLOAD_RATE=4000000 /usr/bin/python3 "$here/../e2e/throttled_ftpd.py" --root "$root" >"$work/port" \
  2>"$work/server.log" &
pids+=($!)
wait_until 10 "the FTP server's port" test -s "$work/port"
site="127.0.0.1 a11y"
cat >"$work/config/Quillmarsh/Vantrel.ini" <<INI
[settings]
nDomains=1
domainStr_0="$(site_record "$site" anna secret "$(head -n1 "$work/port")" "$work" "$work")"
nLastUsedDomain=1
INI
chmod 600 "$work/config/Quillmarsh/Vantrel.ini"

export HOME=$work XDG_CONFIG_HOME=$work/config GSETTINGS_BACKEND=memory
unset NO_AT_BRIDGE
"$binary" >"$work/app.log" 2>&1 &
pids+=($!)
find_main_window " Vantrel"
/usr/bin/python3 "$here/accessible_names.py" " Vantrel" || fail "the accessible tree has the faults above"
click "$LOGIN"
wait_until 15 "the logged-in title" title_is " $site - Vantrel"
/usr/bin/python3 "$here/accessible_names.py" " $site - Vantrel" docs big.bin notes.txt ||
  fail "the logged-in window's accessible tree has the faults above"
click_row 1
click "$DOWNLOAD"
save_as ""
/usr/bin/python3 "$here/accessible_names.py" --transfer " $site - Vantrel" ||
  fail "the progress bar's value did not move during the download"
downloaded() { [ "$(stat -c %s "$work/big.bin" 2>/dev/null)" = $((20 * 1024 * 1024)) ]; }
wait_until 30 "the download to finish" downloaded
