#!/usr/bin/env bash
# Whole-process timing of `apps` and `windows <app>` beside `wmctrl -lpG`, on the headless
# desktop with five applications running. Prints medians in milliseconds and the ratio.
# Usage: bench/computer-use/listing.sh [build dir] [runs]   (default: build, 51 runs)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-51}
if [ -z "${TEST_RUN_DIR:-}" ]; then
  exec "$root/scripts/with-desktop.sh" "$0" "$build" "$runs"
fi

tool="$build/computer-use/dorv-computer-use"
sample="$build/tests/computer-use/fixtures/sample-app/dorv-sample-app"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true' EXIT
"$sample" --second-window & pids+=($!)
"$sample" --title "Dorv Sample B" & pids+=($!)
gtk3-widget-factory & pids+=($!)
gtk3-demo & pids+=($!)
gtk3-icon-browser & pids+=($!)
# Ready when every application has mapped its windows (6 or more managed clients).
for _ in $(seq 200); do
  n=$(xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -o '0x[0-9a-f]*' | wc -l || true)
  [ "$n" -ge 6 ] && break
  sleep 0.05
done
sleep 0.5

# Median wall time of a command over $runs runs, in milliseconds.
median_ms() {
  local times=() start end
  for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    times+=($(( (end - start) / 1000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.2f", a[int((NR+1)/2)]/1000}'
}

echo "managed windows: $(xprop -root _NET_CLIENT_LIST | grep -o '0x[0-9a-f]*' | wc -l), runs: $runs"
wmctrl=$(median_ms wmctrl -lpG)
startup=$(median_ms "$tool" help)
apps=$(median_ms "$tool" apps)
windows=$(median_ms "$tool" windows gtk3-widget-factory)
echo "wmctrl -lpG                      median ${wmctrl} ms"
echo "dorv-computer-use help           median ${startup} ms   (start-up and frontmost only)"
echo "dorv-computer-use apps           median ${apps} ms   (target < 30 ms)"
echo "dorv-computer-use windows <app>  median ${windows} ms"
awk -v w="$windows" -v r="$wmctrl" 'BEGIN {printf "windows / wmctrl ratio: %.2f   (target <= 1.5)\n", w / r}'
