"""Drives dorv-dictate against a sound server of its own that the test stops, kills and brings
back, and checks that the service answers at once whatever the server does, reports a lost
microphone and dictates again once the server is back. The time bounds are sanity bounds only;
the benchmark measures the figures."""
import os
import signal
import subprocess
import sys
import tempfile
import time

from service_client import Service, state

SERVICE = sys.argv[1]
WORK = tempfile.mkdtemp(prefix="dictate-server-")
SOCKET = f"unix:{WORK}/pulse.sock"
PROMPT = 1.0  # a generous bound for an answer that must not wait on the device

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


class Server:
    """A PulseAudio server like the desktop's: the null sink "virt" is the microphone."""

    def __init__(self, running=False):
        os.makedirs(f"{WORK}/runtime", mode=0o700, exist_ok=True)
        env = dict(os.environ, XDG_RUNTIME_DIR=f"{WORK}/runtime")
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)  # the desktop's server holds its bus name
        self.proc = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
             "-L", f"module-native-protocol-unix socket={WORK}/pulse.sock auth-anonymous=1",
             "-L", "module-null-sink sink_name=virt rate=48000 channels=1 format=s16le",
             "-L", "module-null-sink sink_name=spk"],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            if subprocess.run(["pactl", "-s", SOCKET, "info"], capture_output=True).returncode == 0:
                break
            time.sleep(0.05)
        # Something playing keeps the null sink running, as a hardware microphone always is;
        # an idle null sink first finishes its render block of up to 2 s, and so does the
        # first one after the playing begins.
        self.source = subprocess.Popen(["paplay", "-s", SOCKET, "-d", "virt", "--latency-msec=20", f"{WORK}/quiet.wav"],
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if running:
            time.sleep(2.5)

    def kill(self):
        self.proc.send_signal(signal.SIGCONT)
        self.proc.kill()
        self.proc.wait()
        self.source.kill()
        self.source.wait()


def start_service():
    home = f"{WORK}/home"  # no ALSA configuration of the desktop's: ALSA also reaches our server
    os.makedirs(home, exist_ok=True)
    env = dict(os.environ, HOME=home, PULSE_SERVER=SOCKET, PULSE_SOURCE="virt.monitor", PULSE_SINK="spk")
    return Service(SERVICE, env, stderr=subprocess.PIPE)


def answered(service, cmd, value, what):
    sent, at = service.send(cmd)
    took = service.wait_for(state(value), at, what) - sent
    check(took < PROMPT, f"{what} took {took:.2f} s")
    return at


def main():
    subprocess.run(["sox", "-n", "-r", "48000", "-c", "1", f"{WORK}/quiet.wav", "trim", "0", "120"], check=True)
    server = Server(running=True)
    service = start_service()
    service.wait_for(lambda e: e.get("type") == "ready", 0, "ready event")

    # Capture starts at once: the first level comes soon after "listening".
    sent, at = service.send("start")
    listening = service.wait_for(state("listening"), at, "listening")
    first_level = service.wait_for(lambda e: e.get("type") == "level", at, "level") - listening
    check(first_level < 0.5, f"first level {first_level:.2f} s after listening")

    # A stop that follows a start by 15 ms, right after the end chime, overtakes it.
    for attempt in range(3):
        answered(service, "stop", "idle", "stop while listening")
        sent, at = service.send("start")
        time.sleep(0.015)
        service.send("stop")
        time.sleep(1.0)
        states = [e["state"] for e in service.since(at) if e.get("type") == "state"]
        check(states.count("idle") == 1 and "listening" not in states, f"overtaken start {attempt}: states {states}")
        service.send("start")
        service.wait_for(state("listening"), at, "listening again")

    # The server killed while listening: the loss is reported and the session still answers.
    server.kill()
    service.wait_for(lambda e: e.get("type") == "error", at, "error for the lost microphone")
    message = service.since(at, ("error",))[0]["message"]
    check(message.startswith("transcription stopped: the microphone was lost: "), f"loss reported as {message!r}")
    at = answered(service, "stop", "idle", "stop after the loss")
    sent, at = service.send("start")
    service.wait_for(lambda e: e.get("type") == "error", at, "error for the missing microphone")
    check(service.since(at)[-1]["message"].startswith("could not start: "), f"start without server: {service.since(at)}")

    # Once the server is back, a start dictates again.
    server = Server()
    sent, at = service.send("start")
    service.wait_for(state("listening"), at, "listening with the server back")
    service.wait_for(lambda e: e.get("type") == "level", at, "level with the server back")

    # The server stopped: stop still answers, a start gives up, and end of input ends the process.
    server.proc.send_signal(signal.SIGSTOP)
    at = answered(service, "stop", "idle", "stop with the server stopped")
    sent, at = service.send("start")
    service.wait_for(lambda e: e.get("type") == "error", at, "error for the unanswering microphone", timeout=15)
    answered(service, "stop", "idle", "stop after the unanswered start")
    sent, at = service.send("start")
    time.sleep(0.3)
    closed = time.monotonic()
    service.proc.stdin.close()
    try:
        status = service.proc.wait(timeout=5)
        check(time.monotonic() - closed < 2, f"exit took {time.monotonic() - closed:.2f} s")
        check(status == 0, f"exit status {status}")
    except subprocess.TimeoutExpired:
        service.proc.kill()
        check(False, "no exit at the end of input with the server stopped")
    server.kill()
    check(service.proc.stderr.read() == b"", "standard error is empty")

    if failures:
        print("\n".join(failures))
        print("events:", service.since(0))
        sys.exit(1)
    print("ok")


if __name__ == "__main__":
    main()
