#!/usr/bin/env bash
# Inside the headless desktop: starts the sample application and a third-party one, then shows
# what dorv-computer-use answers about them, and what dorv-dictate hears from a spoken sample.
set -uo pipefail
build=${1:-build}
cu="$build/computer-use/dorv-computer-use"
sample="$build/tests/computer-use/fixtures/sample-app/dorv-sample-app"

step() { printf '\n$ dorv-computer-use %s\n' "$*"; "$cu" "$@"; }

apps=()
if [ -x "$sample" ]; then "$sample" & apps+=($!); fi
gtk3-widget-factory >/dev/null 2>&1 & apps+=($!)
trap 'kill "${apps[@]}" 2>/dev/null' EXIT

# Wait (at most ten seconds) until every application's window is managed.
for _ in $(seq 100); do
  managed=$(xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -o '0x[0-9a-f]*' | wc -l)
  [ "$managed" -ge ${#apps[@]} ] && break
  sleep 0.1
done
sleep 1  # let the accessibility bus learn about the applications

step help
step apps
step windows "${apps[0]}"
step screenshot "${apps[0]}" --out "$TEST_RUN_DIR/sample.png" --say "Looking at the sample"

if [ -x "$build/dictate/dorv-dictate" ] && [ -f scripts/dictate-demo.sh ]; then
  printf '\n$ dorv-dictate (a spoken sample played as the microphone)\n'
  bash scripts/dictate-demo.sh "$build/dictate/dorv-dictate"
fi
