#!/usr/bin/env bash
# Whole-process timing of `screenshot` and `click --index` on one application of each toolkit:
# gtk3-widget-factory (GTK 3), gnome-calculator (GTK 4), featherpad (Qt 5), gtk-demo (GTK 2 with
# its bridge) and xterm (no accessibility), each application alone on the desktop. Prints one line per application: medians in milliseconds and the number of
# elements listed.
# Usage: bench/computer-use/toolkits.sh [build dir] [runs]   (default: build, 11 runs)
set -euo pipefail
source "$(dirname "$0")/bench_common.sh"
bench_start 11 "$@"

# name | pattern of the element clicked | command
apps=(
  "gtk3-widget-factory|CheckBox|gtk3-widget-factory"
  "gnome-calculator|Button \\\\\"7|gnome-calculator"
  "featherpad|CheckBox|env QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 featherpad"
  "gtk-demo|Cell|env GTK_MODULES=gail:atk-bridge gtk-demo"
  "xterm||xterm"
)
printf '%-20s %12s %12s %9s\n' application "screenshot" "click" elements
for entry in "${apps[@]}"; do
  IFS='|' read -r name pattern command <<< "$entry"
  before=$(managed_windows || true)
  start_app $command
  app=$!
  wait_windows $(( before + 1 ))
  sleep 2  # the toolkit joins the accessibility bus after its window maps
  shot=$("$tool" screenshot "$app" --out "$work/shot.png")
  count=$(grep -c '"\[[0-9]*\]' <<< "$shot" || true)
  screenshot=$(median_ms "$tool" screenshot "$app" --out "$work/shot.png")
  click="-"
  if [ -n "$pattern" ]; then
    index=$(grep -o "\"\[[0-9]*\] $pattern" <<< "$shot" | head -n1 | sed 's/^"\[\([0-9]*\)\].*/\1/')
    [ -n "$index" ] && click=$(median_ms "$tool" click "$app" --index "$index")
  fi
  printf '%-20s %12s %12s %9s\n' "$name" "$screenshot" "$click" "$count"
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
done
