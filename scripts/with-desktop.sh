#!/usr/bin/env bash
# Runs a command inside a private headless desktop: Xvfb, a D-Bus session bus, openbox,
# xcompmgr and a PulseAudio server whose null sink "virt" serves as the microphone.
# Everything started here is stopped by process id when the command ends.
# Inside, the command finds DISPLAY, DBUS_SESSION_BUS_ADDRESS, XDG_RUNTIME_DIR and HOME
# (all private), ALSA's default devices routed to the null sinks, and
# TEST_PULSE_SERVER (for paplay -s ... -d virt) and TEST_RUN_DIR for the tests.
set -uo pipefail

[ $# -gt 0 ] || { echo "usage: $0 command [args...]" >&2; exit 2; }

RUN=$(mktemp -d /tmp/dorv-desktop.XXXXXX)
chmod 700 "$RUN"
mkdir -p "$RUN/home" "$RUN/runtime"
chmod 700 "$RUN/runtime"
pids=()

cleanup() {
  # The accessibility bus is started by D-Bus activation, not by us: find it by its bus name.
  if [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
    a11y=$(timeout 2 dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
      org.freedesktop.DBus.GetConnectionUnixProcessID string:org.a11y.Bus 2>/dev/null | awk '/uint32/ {print $2}')
    [ -n "$a11y" ] && pids+=("$a11y")
    # at-spi2-registryd is activated the same way
    reg=$(timeout 2 dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
      org.freedesktop.DBus.GetConnectionUnixProcessID string:org.a11y.atspi.Registry 2>/dev/null | awk '/uint32/ {print $2}')
    [ -n "$reg" ] && pids+=("$reg")
  fi
  for ((i=${#pids[@]}-1; i>=0; i--)); do kill "${pids[$i]}" 2>/dev/null; done
  sleep 0.2
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done
  rm -rf "$RUN"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

unset NO_AT_BRIDGE SESSION_MANAGER
export HOME="$RUN/home" XDG_RUNTIME_DIR="$RUN/runtime" TEST_RUN_DIR="$RUN"

# X server; its display number comes back on fd 3.
exec 3<> "$RUN/displayfd"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 3>"$RUN/displayfd" &
pids+=($!)
for _ in $(seq 100); do [ -s "$RUN/displayfd" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$RUN/displayfd")"

dbus-daemon --session --nofork --address="unix:path=$RUN/bus" >/dev/null 2>&1 &
pids+=($!)
export DBUS_SESSION_BUS_ADDRESS="unix:path=$RUN/bus"
for _ in $(seq 100); do [ -S "$RUN/bus" ] && break; sleep 0.05; done

openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.05; done

xcompmgr >/dev/null 2>&1 &
pids+=($!)

pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
  -L "module-native-protocol-unix socket=$RUN/pulse.sock auth-anonymous=1" \
  -L "module-null-sink sink_name=virt rate=48000 channels=1 format=s16le" \
  -L "module-null-sink sink_name=spk" >/dev/null 2>&1 &
pids+=($!)
export TEST_PULSE_SERVER="unix:$RUN/pulse.sock"
cat > "$HOME/.asoundrc" <<ASOUND
pcm.!default { type asym; capture.pcm "mic"; playback.pcm "speaker" }
pcm.mic { type pulse; server "unix:$RUN/pulse.sock"; device "virt.monitor" }
pcm.speaker { type pulse; server "unix:$RUN/pulse.sock"; device "spk" }
ctl.!default { type pulse; server "unix:$RUN/pulse.sock" }
ASOUND
for _ in $(seq 100); do [ -S "$RUN/pulse.sock" ] && break; sleep 0.05; done

"$@"
status=$?
exit $status
