#!/usr/bin/env bash
# One walk of gtk3-widget-factory's window by collect() beside a pyatspi walk reading the
# same attributes (role, name, extents, actions, children), each in a fresh process as a
# screenshot run is, on the headless desktop. Prints medians in milliseconds and the ratio.
# Usage: bench/computer-use/collect.sh [build dir] [runs]   (default: build, 21 runs)
set -euo pipefail
source "$(dirname "$0")/bench_common.sh"
bench_start 21 "$@"

start_app gtk3-widget-factory
app=$!
wait_windows 1

# The walkers time themselves and print "<ms> <counts>": the median of the times over $runs runs,
# then the counts of the last run.
walk_median() {
  for _ in $(seq "$runs"); do "$@"; done > "$work/walks"
  printf '%s ms  (%s)' "$(cut -d' ' -f1 "$work/walks" | median)" "$(tail -n1 "$work/walks" | cut -d' ' -f2-)"
}

ours=$(walk_median "$build/bench/computer-use/collect_walk" "$app")
# Debian's interpreter: pyatspi is a Debian package.
python=$(walk_median /usr/bin/python3 "$root/bench/computer-use/pyatspi_walk.py" "$app")
echo "runs: $runs"
echo "collect()      median ${ours%%  *}   (elements texts: ${ours#*(}   target < 60 ms"
echo "pyatspi walk   median ${python%%  *}   (nodes: ${python#*(}"
awk -v o="${ours%% ms*}" -v p="${python%% ms*}" 'BEGIN {printf "pyatspi / collect ratio: %.2f   (target >= 3)\n", p / o}'
