#!/usr/bin/env bash
# Whole-process timing of the acting commands on the sample application: `click --index` on its
# "Press me" button (pressed through "AXPress") and `type` of a 40-character text into its entry,
# inserted through "AXSelectedText" and typed as key events (`--keys`), beside xdotool clicking
# and typing into the same, focused, window. Prints medians in milliseconds; where the commands
# pause by design, also the median with those pauses taken out.
# Usage: bench/computer-use/acting.sh [build dir] [runs]   (default: build, 21 runs)
set -euo pipefail
source "$(dirname "$0")/bench_common.sh"
bench_start 21 "$@"

text="the quick brown fox jumps over lazy dogs"
key_pause_ms=8  # after every character typed as key events, by the tool and by `xdotool --delay`
typing_pauses=$(( ${#text} * key_pause_ms ))

start_app "$sample"
app=$!
wait_windows 1
window=$(window_of "$app")
# xdotool reaches only the focused window. With the sample application in front when every run
# starts, the tool has no front to give back and the application a focused window for its keys,
# so neither of those pauses applies.
xdotool windowactivate --sync "$window"

shot=$("$tool" screenshot "$app" --out "$work/shot.png")
# The number of the element line that matches a pattern, and its window-relative x,y.
element() { grep -o "\"\[[0-9]*\] $1[^\"]*\" @[0-9]*,[0-9]*" <<< "$shot" | head -n1; }
button=$(element 'Button \\"Press me')
entry=$(element 'TextField \\"')
[ -n "$button" ] && [ -n "$entry" ] || { echo "no button or entry in the screenshot" >&2; exit 1; }
button_index=$(sed 's/^"\[\([0-9]*\)\].*/\1/' <<< "$button")
entry_index=$(sed 's/^"\[\([0-9]*\)\].*/\1/' <<< "$entry")

# The screen point of the button's centre: the frame's origin (the client's, less the
# decorations) plus the line's offset.
read -r client_x client_y < <(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} END {print x, y}')
read -r left top < <(xprop -id "$window" _NET_FRAME_EXTENTS | awk -F'[=,]' '{print $2 + 0, $4 + 0}')
offset=${button##*@}
button_x=$(( client_x - left + ${offset%,*} ))
button_y=$(( client_y - top + ${offset#*,} ))

# One run of a command whose result must say it acted through $1.
expect_via() {
  local via=$1
  shift
  "$@" | grep -q "\"via\" : \"$via\"" || { echo "$* did not act through $via" >&2; exit 1; }
}
expect_via AXPress "$tool" click "$app" --index "$button_index"
click=$(median_ms "$tool" click "$app" --index "$button_index")
xclick=$(median_ms xdotool mousemove "$button_x" "$button_y" click 1)

# The pointer's clicks left the keyboard focus on the button: give it to the entry, so that the
# runs below type into it without --index.
"$tool" type "$app" --index "$entry_index" --text "" >/dev/null
expect_via AXSelectedText "$tool" type "$app" --text "$text"
expect_via "key events" "$tool" type "$app" --text "$text" --keys
inserted=$(median_ms "$tool" type "$app" --text "$text")
xfast=$(median_ms xdotool type --delay 0 "$text")
keys=$(median_ms "$tool" type "$app" --text "$text" --keys)
# Twice the text: the difference is what each further character costs, start-up left out.
keys_twice=$(median_ms "$tool" type "$app" --text "$text$text" --keys)
xkeys=$(median_ms xdotool type --delay "$key_pause_ms" "$text")

# Every press above went to the button, and the texts to the entry.
shot=$("$tool" screenshot "$app" --out "$work/shot.png")
presses=$(( 1 + 2 * runs ))
grep -q "\"Pressed $presses\"" <<< "$shot" || { echo "the button was not pressed $presses times" >&2; exit 1; }
grep -qF "value=\\\"$text$text" <<< "$shot" || { echo "the entry does not hold the typed text" >&2; exit 1; }

less_pauses() { awk -v t="$1" -v p="$typing_pauses" 'BEGIN {printf "%.2f", t - p}'; }
echo "runs: $runs, text: ${#text} characters; pauses taken out: ${key_pause_ms} ms per typed character (${typing_pauses} ms)"
echo "click --index (AXPress)          median ${click} ms   (target < 40 ms; no pauses)"
echo "xdotool mousemove click 1        median ${xclick} ms"
echo "type (AXSelectedText)            median ${inserted} ms   (no pauses)"
echo "xdotool type --delay 0           median ${xfast} ms"
echo "type --keys (key events)         median ${keys} ms, less pauses $(less_pauses "$keys") ms"
echo "xdotool type --delay ${key_pause_ms}           median ${xkeys} ms, less pauses $(less_pauses "$xkeys") ms"
awk -v k="$keys" -v p="$typing_pauses" \
  'BEGIN {printf "type --keys / its pauses: %.3f   (whole process, start-up included)\n", k / p}'
awk -v one="$keys" -v two="$keys_twice" -v n="${#text}" -v p="$key_pause_ms" \
  'BEGIN {printf "type --keys per character: %.2f ms   (target <= %.1f ms: the pause plus 10%%)\n", (two - one) / n, p * 1.1}'
