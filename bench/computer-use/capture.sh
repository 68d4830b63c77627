#!/usr/bin/env bash
# Window capture benchmark: the whole `screenshot` command of dorv-computer-use (capture, PNG,
# element tree, activity record) on gtk3-widget-factory (about 1366x741), beside ImageMagick's
# `import -window` of the same window. Prints the medians of the runs, their ratio (target:
# screenshot at least 3x faster) and the screenshot run's peak memory (target: under 60 MB).
#
# Run inside the headless desktop:
#   scripts/with-desktop.sh bench/computer-use/capture.sh build/computer-use/dorv-computer-use [runs]
set -euo pipefail

program=${1:?usage: $0 path/to/dorv-computer-use [runs]}
runs=${2:-15}
work=$(mktemp -d)
gtk3-widget-factory >/dev/null 2>&1 &
factory=$!
trap 'kill $factory 2>/dev/null; rm -rf "$work"' EXIT

window=""
for _ in $(seq 200); do
  window=$(xdotool search --onlyvisible --pid "$factory" 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.05
done
[ -n "$window" ] || { echo "gtk3-widget-factory did not show a window" >&2; exit 1; }
sleep 1  # let it finish its first paint and appear on the accessibility bus
xwininfo -id "$window" | awk '/Width|Height/ {printf "%s %s  ", $1, $2} END {print ""}'

# Milliseconds of one run of a command, its output discarded.
millis() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo $(( (end - start) / 1000 ))
}

median() { sort -n | awk '{v[NR] = $1} END {m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f", m / 1000}'; }

"$program" screenshot "$factory" --window "$window" --out "$work/warm.png" >/dev/null  # warm caches
for i in $(seq "$runs"); do millis "$program" screenshot "$factory" --window "$window" --out "$work/s$i.png"; done > "$work/screenshot.txt"
for i in $(seq "$runs"); do millis import -window "$window" "$work/i$i.png"; done > "$work/import.txt"

shot=$(median < "$work/screenshot.txt")
import=$(median < "$work/import.txt")
peak=$(/usr/bin/time -f %M "$program" screenshot "$factory" --window "$window" --out "$work/m.png" 2>&1 >/dev/null | tail -n1)
echo "screenshot median ${shot} ms, import median ${import} ms, ratio $(awk -v a="$import" -v b="$shot" 'BEGIN {printf "%.2f", a / b}')x"
echo "screenshot peak RSS $(( peak / 1024 )) MB; PNG $(stat -c %s "$work/s1.png") bytes"
