#!/usr/bin/env bash
# Start-up of the program against an empty wx dialog of the same size: the
# time from exec to the window being shown (mapped and viewable, polled with
# xdotool every few milliseconds) and the resident memory once idle (VmRSS a
# second after the window showed). Beside them, the main window's controls
# alone (its template, list and bar, nothing else): the floor under the
# program. The programs run N times, taking turns, on one private Xvfb
# display; prints the medians and the ratios to the bare dialog.
#
#   bench/startup_bench.sh [vantrel] [bare_dialog] [runs] [template_dialog]
# Defaults: build/vantrel, build/bench/bare_dialog, 15 runs,
# build/bench/template_dialog.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
vantrel=$(realpath "${1:-$top/build/vantrel}")
bare=$(realpath "${2:-$top/build/bench/bare_dialog}")
runs=${3:-15}
controls=$(realpath "${4:-$top/build/bench/template_dialog}")
readonly POLL_SECONDS=0.002 IDLE_SECONDS=1 SHOW_TIMEOUT_SECONDS=20
for program in "$vantrel" "$bare" "$controls"; do
  [ -x "$program" ] || { echo "no program at $program" >&2; exit 2; }
done

. "$(dirname "$0")/../tests/support/private_display.sh"
start_private_run startup 160 179

# The program starts as on a first run: an empty settings store of its own.
export XDG_CONFIG_HOME=$work/config HOME=$work NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# measure <binary> <window title>: prints "<ms to shown> <idle RSS in kB>"
measure() {
  local binary=$1 title=$2 start pid shown rss
  rm -rf "$XDG_CONFIG_HOME"
  start=$(now_ms)
  "$binary" >>"$work/programs.log" 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1; do
    if [ $(($(now_ms) - start)) -gt $((SHOW_TIMEOUT_SECONDS * 1000)) ]; then
      echo "$binary showed no window titled \"$title\" within ${SHOW_TIMEOUT_SECONDS}s; its output:" >&2
      tail -n 20 "$work/programs.log" >&2
      kill "$pid" 2>/dev/null || true
      exit 1
    fi
    sleep $POLL_SECONDS
  done
  shown=$(($(now_ms) - start))
  sleep $IDLE_SECONDS
  rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  echo "$shown $rss"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One warm-up each, so the first timed run does not pay for a cold file cache.
measure "$vantrel" " Vantrel" >/dev/null
measure "$bare" "Bare dialog" >/dev/null
measure "$controls" "Template dialog" >/dev/null
: >"$work/vantrel"
: >"$work/bare"
: >"$work/controls"
for run in $(seq "$runs"); do
  measure "$vantrel" " Vantrel" >>"$work/vantrel"
  measure "$bare" "Bare dialog" >>"$work/bare"
  measure "$controls" "Template dialog" >>"$work/controls"
  printf '\rrun %d of %d' "$run" "$runs" >&2
done
echo >&2

v_time=$(cut -d' ' -f1 "$work/vantrel" | median)
v_rss=$(cut -d' ' -f2 "$work/vantrel" | median)
b_time=$(cut -d' ' -f1 "$work/bare" | median)
b_rss=$(cut -d' ' -f2 "$work/bare" | median)
c_time=$(cut -d' ' -f1 "$work/controls" | median)
c_rss=$(cut -d' ' -f2 "$work/controls" | median)

awk -v runs="$runs" -v vt="$v_time" -v vr="$v_rss" -v bt="$b_time" -v br="$b_rss" \
  -v ct="$c_time" -v cr="$c_rss" 'BEGIN {
  printf "medians of %d runs each       exec to shown    idle RSS\n", runs
  printf "vantrel                      %8.0f ms    %8.0f kB\n", vt, vr
  printf "bare wx dialog, same size    %8.0f ms    %8.0f kB\n", bt, br
  printf "main window controls alone   %8.0f ms    %8.0f kB\n", ct, cr
  printf "ratio vantrel / bare         %8.2f x     %8.2f x\n", vt / bt, vr / br
  printf "ratio controls alone / bare  %8.2f x     %8.2f x\n", ct / bt, cr / br
  printf "targets                      under 1.50 x   under 1.10 x\n"
}'
