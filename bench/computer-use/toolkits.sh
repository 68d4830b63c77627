#!/usr/bin/env bash
# Whole-process timing of `screenshot` and `click --index` on one application of each toolkit:
# gtk3-widget-factory (GTK 3), gnome-calculator (GTK 4), featherpad (Qt 5), gtk-demo (GTK 2 with
# its bridge), xterm (no accessibility), and Firefox ESR and Chromium on a page of 1,000 links
# (target: screenshot under 1 s), each application alone on the desktop. Prints one line per
# application: the first screenshot after its window is up, medians in milliseconds and the
# number of elements listed. Each application starts with the session's accessibility switch
# off, so that the first screenshot of one that is not on the accessibility bus (a Firefox
# started without accessibility, xterm) is the one that turns it on.
# Usage: bench/computer-use/toolkits.sh [build dir] [runs]   (default: build, 11 runs)
set -euo pipefail
source "$(dirname "$0")/bench_common.sh"
bench_start 11 "$@"

# A page of 1,000 links, and browser profiles without first-run pages.
{
  echo '<!DOCTYPE html><html><head><meta charset="utf-8"><title>Links</title></head><body><h1>Links</h1>'
  for i in $(seq 1000); do echo "<a href=\"#l$i\">Link $i</a>"; done
  echo '</body></html>'
} > "$work/links.html"
mkdir -p "$work/firefox" "$work/firefox-switched" "$work/chromium"
for pref in browser.shell.checkDefaultBrowser browser.aboutwelcome.enabled browser.newtab.preload \
  datareporting.policy.dataSubmissionEnabled toolkit.telemetry.reportingpolicy.firstRun app.update.enabled; do
  echo "user_pref(\"$pref\", false);"
done > "$work/firefox/user.js"
cp "$work/firefox/user.js" "$work/firefox-switched/"

# name | pattern of the element clicked | command
apps=(
  "gtk3-widget-factory|CheckBox|gtk3-widget-factory"
  "gnome-calculator|Button \\\\\"7|gnome-calculator"
  "featherpad|CheckBox|env QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 featherpad"
  "gtk-demo|Cell|env GTK_MODULES=gail:atk-bridge gtk-demo"
  "xterm||xterm"
  "firefox-esr|Link|env GNOME_ACCESSIBILITY=1 firefox-esr --no-remote --new-instance --profile $work/firefox $work/links.html"
  "firefox-esr switched|Link|firefox-esr --no-remote --new-instance --profile $work/firefox-switched $work/links.html"
  "chromium|Link|env ACCESSIBILITY_ENABLED=1 chromium --force-renderer-accessibility --user-data-dir=$work/chromium --no-first-run --no-default-browser-check --test-type --no-sandbox --disable-gpu --password-store=basic --disable-background-networking --disable-component-update --disable-sync $work/links.html"
)
printf '%-20s %9s %12s %12s %9s\n' application first "screenshot" "click" elements
for entry in "${apps[@]}"; do
  IFS='|' read -r name pattern command <<< "$entry"
  # Sent without waiting for the reply, the launcher does not take it.
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.freedesktop.DBus.Properties.Set \
    string:org.a11y.Status string:IsEnabled variant:boolean:false >/dev/null
  before=$(managed_windows || true)
  start_app $command
  app=$!
  wait_windows $(( before + 1 ))
  # The toolkit joins the accessibility bus after its window maps; a browser loads its page.
  sleep 2
  first=
  for _ in $(seq 60); do
    start=${EPOCHREALTIME//[!0-9]/}
    shot=$("$tool" screenshot "$app" --out "$work/shot.png")
    # A run that fails (the window not yet listed) does not count as the first.
    [ -n "$first" ] || ! grep -q '"ok" : true' <<< "$shot" || first=$(( (${EPOCHREALTIME//[!0-9]/} - start) / 1000 ))
    [ -z "$pattern" ] || grep -q "\] $pattern" <<< "$shot" && break
    sleep 0.5
  done
  count=$(grep -c '"\[[0-9]*\]' <<< "$shot" || true)
  screenshot=$(median_ms "$tool" screenshot "$app" --out "$work/shot.png")
  click="-"
  if [ -n "$pattern" ]; then
    index=$(grep -o "\"\[[0-9]*\] $pattern" <<< "$shot" | head -n1 | sed 's/^"\[\([0-9]*\)\].*/\1/')
    [ -n "$index" ] && click=$(median_ms "$tool" click "$app" --index "$index")
  fi
  printf '%-20s %9s %12s %12s %9s\n' "$name" "$first" "$screenshot" "$click" "$count"
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  # The window manager lets go of the window a moment after its client is gone.
  for _ in $(seq 100); do [ "$(managed_windows 2>/dev/null || true)" -le "$before" ] && break; sleep 0.05; done
done
