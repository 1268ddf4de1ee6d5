#!/usr/bin/env bash
# Runs a command on a virtual X display of its own (Xvfb), started for it and
# stopped after it. Xvfb picks a free display number itself (-displayfd), so
# any number of these can run side by side without racing for one.
#   on_virtual_display.sh COMMAND [ARGS...]
set -euo pipefail
number_file=$(mktemp)
auth=$(mktemp)
cleanup() {
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -f "$number_file" "$auth"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -auth "$auth" 3>"$number_file" 2>/dev/null &
xvfb=$!
for _ in $(seq 1 200); do
  [ -s "$number_file" ] && break
  kill -0 "$xvfb" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
  sleep 0.05
done
[ -s "$number_file" ] || { echo "Xvfb gave no display within 10 s" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$number_file")"
export XAUTHORITY="$auth"
"$@"
