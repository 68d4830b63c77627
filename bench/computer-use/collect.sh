#!/usr/bin/env bash
# One walk of gtk3-widget-factory's window by collect() beside a pyatspi walk reading the
# same attributes (role, name, extents, actions, children), each in a fresh process as a
# screenshot run is, on the headless desktop. Prints medians in milliseconds and the ratio.
# Usage: bench/computer-use/collect.sh [build dir] [runs]   (default: build, 21 runs)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-21}
if [ -z "${TEST_RUN_DIR:-}" ]; then
  exec "$root/scripts/with-desktop.sh" "$0" "$build" "$runs"
fi

walker="$build/bench/computer-use/collect_walk"
gtk3-widget-factory & app=$!
trap 'kill "$app" 2>/dev/null || true' EXIT
for _ in $(seq 200); do
  xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -q '0x' && break
  sleep 0.05
done
sleep 1

# Median of the first field a command prints over $runs runs; the other fields of the last run.
median() {
  local times=() line=""
  for _ in $(seq "$runs"); do
    line=$("$@")
    times+=("${line%% *}")
  done
  printf '%s\n' "${times[@]}" | sort -g | awk -v rest="${line#* }" \
    '{a[NR]=$1} END {printf "%.2f ms  (%s)", a[int((NR+1)/2)], rest}'
}

ours=$(median "$walker" "$app")
# Debian's interpreter: pyatspi is a Debian package.
python=$(median /usr/bin/python3 "$root/bench/computer-use/pyatspi_walk.py" "$app")
echo "runs: $runs"
echo "collect()      median ${ours%%  *}   (elements texts: ${ours#*(}   target < 60 ms"
echo "pyatspi walk   median ${python%%  *}   (nodes: ${python#*(}"
awk -v o="${ours%% ms*}" -v p="${python%% ms*}" 'BEGIN {printf "pyatspi / collect ratio: %.2f   (target >= 3)\n", p / o}'
