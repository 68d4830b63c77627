#!/usr/bin/env bash
# Window capture benchmark: the whole `screenshot` command of dorv-computer-use (capture, PNG,
# element tree, activity record) on gtk3-widget-factory (about 1366x741), beside ImageMagick's
# `import -window` of the same window. Prints the medians of the runs, their ratio (target:
# screenshot at least 2x faster, stretch 3x) and the screenshot run's peak memory (target:
# under 60 MB).
# Usage: bench/computer-use/capture.sh [build dir] [runs]   (default: build, 15 runs)
set -euo pipefail
source "$(dirname "$0")/bench_common.sh"
bench_start 15 "$@"

start_app gtk3-widget-factory
factory=$!
wait_windows 1
window=$(window_of "$factory")
xwininfo -id "$window" | awk '/Width|Height/ {printf "%s %s  ", $1, $2} END {print ""}'

"$tool" screenshot "$factory" --window "$window" --out "$work/warm.png" >/dev/null  # warm caches
shot=$(median_ms "$tool" screenshot "$factory" --window "$window" --out "$work/s.png")
import=$(median_ms import -window "$window" "$work/i.png")
peak=$(/usr/bin/time -f %M "$tool" screenshot "$factory" --window "$window" --out "$work/m.png" 2>&1 >/dev/null | tail -n1)
echo "screenshot median ${shot} ms, import median ${import} ms, ratio $(awk -v a="$import" -v b="$shot" 'BEGIN {printf "%.2f", a / b}')x"
echo "screenshot peak RSS $(( peak / 1024 )) MB; PNG $(stat -c %s "$work/s.png") bytes"
