#!/usr/bin/env bash
# Whole-process timing of `help`, `apps` and `windows <pid>` beside `wmctrl -lpG`, on the headless
# desktop with five applications (six windows) running. Prints medians in milliseconds and the
# ratio.
# Usage: bench/computer-use/listing.sh [build dir] [runs]   (default: build, 51 runs)
set -euo pipefail
source "$(dirname "$0")/bench_common.sh"
bench_start 51 "$@"

start_app "$sample" --second-window
start_app "$sample" --title "Dorv Sample B"
start_app gtk3-widget-factory
factory=$!
start_app gtk3-demo
start_app gtk3-icon-browser
wait_windows 6

echo "managed windows: $(managed_windows), runs: $runs"
# Wall time of one run in microseconds, its output discarded, on the shell's own clock.
elapsed_us() {
  local start end
  start=${EPOCHREALTIME//[!0-9]/}
  "$@" >/dev/null 2>&1
  end=${EPOCHREALTIME//[!0-9]/}
  echo $(( end - start ))
}
# The commands take turns run by run, so that a change in the machine's load reaches all alike.
for _ in $(seq "$runs"); do
  elapsed_us wmctrl -lpG >> "$work/wmctrl"
  elapsed_us "$tool" help >> "$work/help"
  elapsed_us "$tool" apps >> "$work/apps"
  elapsed_us "$tool" windows "$factory" >> "$work/windows"
done
median_of() { median < "$work/$1" | awk '{printf "%.2f", $1 / 1000}'; }
wmctrl=$(median_of wmctrl)
startup=$(median_of help)
apps=$(median_of apps)
windows=$(median_of windows)
echo "wmctrl -lpG                      median ${wmctrl} ms"
echo "dorv-computer-use help           median ${startup} ms   (target < 10 ms)"
echo "dorv-computer-use apps           median ${apps} ms   (target < 20 ms)"
echo "dorv-computer-use windows <pid>  median ${windows} ms"
awk -v w="$windows" -v r="$wmctrl" 'BEGIN {printf "windows / wmctrl ratio: %.2f   (target <= 1.5)\n", w / r}'
