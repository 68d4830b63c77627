#!/usr/bin/env bash
# Whole-process timing of `apps` and `windows <app>` beside `wmctrl -lpG`, on the headless
# desktop with five applications running. Prints medians in milliseconds and the ratio.
# Usage: bench/computer-use/listing.sh [build dir] [runs]   (default: build, 51 runs)
set -euo pipefail
source "$(dirname "$0")/bench_common.sh"
bench_start 51 "$@"

start_app "$sample" --second-window
start_app "$sample" --title "Dorv Sample B"
start_app gtk3-widget-factory
start_app gtk3-demo
start_app gtk3-icon-browser
wait_windows 6

echo "managed windows: $(managed_windows), runs: $runs"
wmctrl=$(median_ms wmctrl -lpG)
startup=$(median_ms "$tool" help)
apps=$(median_ms "$tool" apps)
windows=$(median_ms "$tool" windows gtk3-widget-factory)
echo "wmctrl -lpG                      median ${wmctrl} ms"
echo "dorv-computer-use help           median ${startup} ms   (start-up and frontmost only)"
echo "dorv-computer-use apps           median ${apps} ms   (target < 30 ms)"
echo "dorv-computer-use windows <app>  median ${windows} ms"
awk -v w="$windows" -v r="$wmctrl" 'BEGIN {printf "windows / wmctrl ratio: %.2f   (target <= 1.5)\n", w / r}'
