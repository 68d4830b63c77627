#!/usr/bin/env bash
# Every benchmark of the project on a Release build: builds it, runs each benchmark in its own
# headless desktop, then prints the figures with their peers and targets in one table.
# Usage: bench/run.sh [build dir] [runs]   (default: build-release; each script's own run count)
# The full output of each benchmark stays in <build dir>/bench-logs/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
runs=${2:-}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 >/dev/null
build=$(cd "$build" && pwd)
logs="$build/bench-logs"
mkdir -p "$logs"

for bench in listing capture collect acting toolkits; do
  echo "== $bench" >&2
  "$root/bench/computer-use/$bench.sh" "$build" $runs | tee "$logs/$bench.txt" >&2
done
echo "== dictate" >&2
"$root/scripts/with-desktop.sh" python3 "$root/bench/dictate/dictate_bench.py" \
  "$build/dictate/dorv-dictate" | tee "$logs/dictate.txt" >&2
echo "== dictate on the sound server" >&2
"$root/scripts/with-desktop.sh" python3 "$root/bench/dictate/dictate_audio_bench.py" \
  "$build/dictate/dorv-dictate" | tee "$logs/dictate_audio.txt" >&2

# The first number after a label in a log ("" when the line is missing).
figure() {
  awk -v label="$2" 'i = index($0, label) {
    rest = substr($0, i + length(label))
    if (match(rest, /[0-9]+(\.[0-9]+)?/)) { print substr(rest, RSTART, RLENGTH); exit }
  }' "$logs/$1.txt"
}
row() { printf '| %-36s | %10s | %-28s | %8s | %-22s | %s\n' "$@"; }
half() { awk -v a="$1" 'BEGIN {if (a > 0) printf "%.2f", a / 2}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {if (a > 0 && b > 0) printf "%.2f", a / b}'; }

wmctrl=$(figure listing "wmctrl -lpG")
windows=$(figure listing "windows <pid>")
apps=$(figure listing "dorv-computer-use apps")
help=$(figure listing "dorv-computer-use help")
shot=$(figure capture "screenshot median")
import=$(figure capture "import median")
collect=$(figure collect "collect()      median")
pyatspi=$(figure collect "pyatspi walk   median")
click=$(figure acting "click --index (AXPress)")
xclick=$(figure acting "xdotool mousemove click 1")
per_char=$(figure acting "type --keys per character:")

echo
echo "medians in ms (dictate: see its own lines below)"
# The last column: a measured part of the run that alone bounds how close the figure can come.
row measure ours peer "ratio" target "bound by (measured)"
row --- --- --- --- --- ---
row "windows <pid>, whole process" "$windows" "wmctrl -lpG $wmctrl" "$(ratio "$windows" "$wmctrl")" "<= 1.5x wmctrl" \
  "start-up alone (help): $(ratio "$help" "$wmctrl")x wmctrl"
row "apps, whole process" "$apps" "-" "-" "< 20 ms" "start-up alone (help): $help ms"
row "help" "$help" "-" "-" "< 10 ms"
row "screenshot (gtk3-widget-factory)" "$shot" "import -window $import" "$(ratio "$import" "$shot")x faster" ">= 2x faster (3x)" \
  "reading the tree alone (collect): $collect ms, against half of import: $(half "$import") ms"
row "collect() of the same window" "$collect" "pyatspi walk $pyatspi" "$(ratio "$pyatspi" "$collect")x faster" ">= 3x faster"
row "click --index (AXPress)" "$click" "xdotool click $xclick" "-" "< 40 ms"
row "type --keys, per character" "$per_char" "the 8 ms pause" "-" "<= 8.8 ms"
echo
echo "each toolkit (screenshot and click --index, medians in ms):"
sed -n '/^application/,$p' "$logs/toolkits.txt"
echo
sed -n '/^time to ready/,/^word error rate/p' "$logs/dictate.txt"
grep -v '^  ' "$logs/dictate_audio.txt"
