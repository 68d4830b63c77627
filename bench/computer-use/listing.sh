#!/usr/bin/env bash
# Whole-process timing of `help`, `apps` and `windows <pid>` beside `wmctrl -lpG`, on the headless
# desktop with five applications running. Prints medians in milliseconds and the ratio.
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
wmctrl=$(median_ms wmctrl -lpG)
startup=$(median_ms "$tool" help)
apps=$(median_ms "$tool" apps)
windows=$(median_ms "$tool" windows "$factory")
echo "wmctrl -lpG                      median ${wmctrl} ms"
echo "dorv-computer-use help           median ${startup} ms   (target < 10 ms)"
echo "dorv-computer-use apps           median ${apps} ms   (target < 20 ms)"
echo "dorv-computer-use windows <pid>  median ${windows} ms"
awk -v w="$windows" -v r="$wmctrl" 'BEGIN {printf "windows / wmctrl ratio: %.2f   (target <= 1.5)\n", w / r}'
