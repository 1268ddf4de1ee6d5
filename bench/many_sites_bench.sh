#!/usr/bin/env bash
# Start-up with a large settings store: the time from exec to the window
# being shown (mapped and viewable, polled with xdotool every few
# milliseconds), and from exec to the end of the close that SIGTERM asks for
# at once after that (its main loop answered, and the close wrote every site
# back). The store holds N sites, written as the program writes them; the
# runs take turns over the sizes, on one private Xvfb display, and the
# medians are printed.
#
#   bench/many_sites_bench.sh [vantrel] [runs] [sizes...]
# Defaults: build/vantrel, 5 runs, sizes 0 1000 10000.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
vantrel=$(realpath "${1:-$top/build/vantrel}")
runs=${2:-5}
shift $(($# > 2 ? 2 : $#))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(0 1000 10000)
readonly POLL_SECONDS=0.002 TIMEOUT_SECONDS=120
[ -x "$vantrel" ] || { echo "no program at $vantrel" >&2; exit 2; }

. "$(dirname "$0")/../tests/support/private_display.sh"
start_private_run sites 180 199

export XDG_CONFIG_HOME=$work/config HOME=$work NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory
settings=$XDG_CONFIG_HOME/Quillmarsh/Vantrel.ini

# write_store <sites>: names in no order, so the start has to sort them.
write_store() {
  mkdir -p -m 700 "$(dirname "$settings")"
  awk -v n="$1" 'BEGIN {
    print "[settings]"
    print "nDomains=" n
    for (i = 0; i < n; i++) {
      name = sprintf("site-%05d.example.org", (i * 7919) % n)
      printf "domainStr_%d=\"\\\"%s\\\" \\\"user%d\\\" \\\"pw%d\\\" \\\"/pub\\\" \\\"21\\\" \\\"\\\" \\\"/\\\" \\\"/\\\"\"\n", i, name, i, i
    }
    print "nLastUsedDomain=" int(n / 2)
  }' >"$settings"
  chmod 600 "$settings"
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# measure <sites>: writes "<ms to shown> <ms to closed>" into $work/measured
measure() {
  local start pid shown window
  write_store "$1"
  start=$(now_ms)
  "$vantrel" >>"$work/program.log" 2>&1 &
  pid=$!
  until window=$(xdotool search --onlyvisible --name "^ Vantrel\$" 2>/dev/null | head -n1) && [ -n "$window" ]; do
    if [ $(($(now_ms) - start)) -gt $((TIMEOUT_SECONDS * 1000)) ]; then
      echo "no window within ${TIMEOUT_SECONDS}s with $1 sites" >&2
      kill "$pid" 2>/dev/null || true
      exit 1
    fi
    sleep $POLL_SECONDS
  done
  shown=$(($(now_ms) - start))
  kill -TERM "$pid"
  wait "$pid" || { echo "the program ended with status $? after SIGTERM" >&2; exit 1; }
  echo "$shown $(($(now_ms) - start))" >"$work/measured"
  local stored
  stored=$(sed -n 's/^nDomains=//p' "$settings")
  [ "$stored" = "$1" ] || { echo "the close stored $stored sites of $1" >&2; exit 1; }
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

declare -A shown_ms closed_ms
for ((run = 1; run <= runs; run++)); do
  for size in "${sizes[@]}"; do
    measure "$size"
    read -r shown closed <"$work/measured"
    shown_ms[$size]+="$shown "
    closed_ms[$size]+="$closed "
  done
done

printf '%8s  %16s  %22s\n' "sites" "shown ms (median)" "closed ms (median)"
for size in "${sizes[@]}"; do
  printf '%8s  %16s  %22s   runs: %s\n' "$size" \
    "$(tr ' ' '\n' <<<"${shown_ms[$size]}" | grep . | median)" \
    "$(tr ' ' '\n' <<<"${closed_ms[$size]}" | grep . | median)" "${shown_ms[$size]}"
done
