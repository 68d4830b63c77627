#!/usr/bin/env bash
# Dictation demo, run inside scripts/with-desktop.sh: speaks a sentence into the headless
# microphone while dorv-dictate listens, and prints every JSON line the service wrote.
# Usage: scripts/with-desktop.sh bash scripts/dictate-demo.sh path/to/dorv-dictate
set -euo pipefail
service=${1:?usage: dictate-demo.sh path/to/dorv-dictate}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "Please open the window in the kitchen. The weather today is sunny and warm." > "$work/sample.txt"
text2wave -eval '(voice_cmu_us_slt_arctic_hts)' "$work/sample.txt" -o "$work/voice.wav" 2>/dev/null
sox -R "$work/voice.wav" -r 48000 -c 1 "$work/sample.wav"

mkfifo "$work/in"
"$service" < "$work/in" > "$work/out.jsonl" &
pid=$!
exec 3> "$work/in"
wait_for() { for _ in $(seq 200); do grep -q "$1" "$work/out.jsonl" && return; sleep 0.05; done; }

wait_for '"type":"ready"'
echo '{"cmd":"prewarm"}' >&3
echo '{"cmd":"start"}' >&3
wait_for '"listening"'
paplay -s "$TEST_PULSE_SERVER" -d virt "$work/sample.wav"
sleep 1.5
echo '{"cmd":"stop"}' >&3
exec 3>&-
wait "$pid"
echo "dorv-dictate exited with status $? after writing $(wc -l < "$work/out.jsonl") lines" \
  "($(grep -c '"level"' "$work/out.jsonl") level events):"
cat "$work/out.jsonl"
