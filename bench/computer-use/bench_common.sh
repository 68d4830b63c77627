# Start-up shared by the computer-use benchmarks; sourced, not run. A script calls
#   bench_start <default runs> "$@"
# with its own arguments ([build dir] [runs]) and gets $root, $build, $runs, $tool, $sample and a
# scratch directory $work. Outside a headless desktop the script is run again inside a private one.
# Applications started with start_app are stopped, and $work removed, when the script ends.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
app_pids=()

bench_start() {
  local default_runs=$1
  shift
  build=$(cd "${1:-$root/build}" && pwd)
  runs=${2:-$default_runs}
  if [ -z "${TEST_RUN_DIR:-}" ]; then
    exec "$root/scripts/with-desktop.sh" "$0" "$build" "$runs"
  fi
  tool="$build/computer-use/dorv-computer-use"
  sample="$build/tests/computer-use/fixtures/sample-app/dorv-sample-app"
  work=$(mktemp -d)
  # Some applications may have ended already; the scratch directory goes in any case.
  trap 'kill "${app_pids[@]}" 2>/dev/null || true; rm -rf "$work"' EXIT
}

# Starts an application in the background; its pid is $!.
start_app() {
  "$@" >/dev/null 2>&1 &
  app_pids+=($!)
}

# Waits until the window manager manages at least $1 windows, then lets the applications finish
# their first paint and appear on the accessibility bus.
wait_windows() {
  local n
  for _ in $(seq 200); do
    n=$(xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -o '0x[0-9a-f]*' | wc -l || true)
    [ "$n" -ge "$1" ] && break
    sleep 0.05
  done
  [ "$n" -ge "$1" ] || { echo "only $n of $1 windows appeared" >&2; exit 1; }
  sleep 1
}

managed_windows() { xprop -root _NET_CLIENT_LIST | grep -o '0x[0-9a-f]*' | wc -l; }

# The first visible window of process $1.
window_of() { xdotool search --onlyvisible --pid "$1" | head -n1; }

# Median of the numbers on standard input, with two decimals.
median() {
  sort -g | awk '{v[NR] = $1} END {printf "%.2f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

# Median wall time in milliseconds of $runs runs of a command, its output discarded. The clock is
# the shell's own, so no helper process is timed with the command.
median_ms() {
  local start end
  for _ in $(seq "$runs"); do
    start=${EPOCHREALTIME//[!0-9]/}
    "$@" >/dev/null 2>&1
    end=${EPOCHREALTIME//[!0-9]/}
    echo $(( end - start ))
  done | median | awk '{printf "%.2f", $1 / 1000}'
}
