"""Drives dorv-dictate through its standard streams while a spoken sample plays into the
headless desktop's microphone, twice in one process, and checks the protocol and the
transcripts. With "alsa" the service is left to find the desktop's sound server through ALSA's
configuration, as without a reachable server; with "pulse" it reaches the server directly."""
import os
import subprocess
import sys
import time

from service_client import Service, state

SERVICE, SAMPLE, ROUTE = sys.argv[1], sys.argv[2], sys.argv[3]
KEYWORDS = ["weather", "today", "sunny", "warm", "window", "kitchen"]
TYPES = {"ready", "state", "level", "partial", "final", "error"}

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def start_service():
    env = dict(os.environ)
    if ROUTE == "pulse":
        env.update(PULSE_SERVER=os.environ["TEST_PULSE_SERVER"], PULSE_SOURCE="virt.monitor", PULSE_SINK="spk")
    return Service(SERVICE, env, stderr=subprocess.PIPE)


def play(path):
    subprocess.run(["paplay", "-s", os.environ["TEST_PULSE_SERVER"], "-d", "virt", path], check=True,
                   timeout=60)


def main():
    service = start_service()
    service.wait_for(lambda e: e.get("type") == "ready", 0, "ready event")
    service.send("prewarm")
    for run in range(2):
        sent, at = service.send("start")
        service.wait_for(state("listening"), at, f"listening of run {run}")
        play(SAMPLE)
        time.sleep(1.5)  # the recogniser's end of utterance comes about 0.5 s after speech ends
        sent, at = service.send("stop")
        service.wait_for(state("idle"), at, f"idle of run {run}")
    status = service.finish()
    stderr = service.proc.stderr.read()

    check(status == 0, f"exit status {status}")
    check(stderr == b"", f"standard error not empty: {stderr[:200]!r}")
    events = [e for _, e in service.events]
    check(all(isinstance(e, dict) and e.get("type") in TYPES for e in events),
          "every line is a JSON object of a known type")
    check(all(line.endswith(b"\n") and line.count(b"\n") == 1 for line in service.raw), "one event per line")
    check(events and events[0] == {"type": "ready", "ok": True, "locale": "en-US", "installed": True},
          f"first event is ready: {events[:1]}")

    states = [e["state"] for e in events if e.get("type") == "state"]
    check(states == ["ready", "ready", "listening", "idle", "ready", "listening", "idle", "idle"], f"states {states}")
    check(not any(e.get("type") == "error" for e in events), "no error events")
    levels = [e["value"] for e in events if e.get("type") == "level"]
    check(all(isinstance(v, int) and 0 <= v <= 100 for v in levels), "level values 0..100")
    listening = [i for i, e in enumerate(events) if e.get("state") == "listening"]
    check(all(e.get("type") != "level" for e in events[:listening[0]]), "no level before listening")

    heard_all = []
    for run in range(2):
        # Each dictation reopens the microphone and the recogniser: its own levels and transcripts.
        begin, end = listening[run], (listening[1] if run == 0 else len(events))
        levels = [e["value"] for e in events[begin:end] if e.get("type") == "level"]
        check(len(levels) > 20 and max(levels) > 30, f"run {run}: levels follow the speech: {len(levels)}, max {max(levels, default=0)}")
        transcripts = [e for e in events if e.get("type") in ("partial", "final") and e["run"] == run]
        check(all(e["text"] for e in transcripts if e["type"] == "partial"), f"run {run}: partials have text")
        check(any(e["type"] == "partial" for e in transcripts), f"run {run}: partials arrive while speaking")
        finals = " ".join(e["text"] for e in transcripts if e["type"] == "final").lower().split()
        heard = [k for k in KEYWORDS if k in finals]
        check(len(heard) >= 4, f"run {run}: final transcript {' '.join(finals)!r} has only {heard} of {KEYWORDS}")
        heard_all.append(" ".join(finals))
    check(all(e["run"] in (0, 1) for e in events if e.get("type") in ("partial", "final")), "runs are numbered 0 and 1")

    if failures:
        print("\n".join(failures))
        print("events:", [e for e in events if e.get("type") != "level"])
        sys.exit(1)
    print("ok:", " / ".join(heard_all))


if __name__ == "__main__":
    main()
