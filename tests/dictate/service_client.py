"""A client of dorv-dictate's JSON-lines protocol for the desktop tests and the benchmarks: starts
the service, reads its events on a thread of its own with the time each arrived, sends commands
and waits for events."""
import json
import subprocess
import threading
import time


class Service:
    def __init__(self, path, env, stderr=None):
        self.proc = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=stderr, env=env)
        self.raw = []
        self.events = []  # (arrival time, event); the event is None for a line that is not JSON
        self.cond = threading.Condition()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            try:
                event = json.loads(line)
            except ValueError:
                event = None
            with self.cond:
                self.raw.append(line)
                self.events.append((time.monotonic(), event))
                self.cond.notify_all()

    def send(self, cmd):
        """The time the command was sent and the index of the first event that may answer it."""
        with self.cond:
            at = len(self.events)
        self.proc.stdin.write((json.dumps({"cmd": cmd}) + "\n").encode())
        self.proc.stdin.flush()
        return time.monotonic(), at

    def wait_for(self, predicate, after=0, what="event", timeout=30):
        """The arrival time of the first event from index `after` on that matches."""
        def found():
            return next((t for t, e in self.events[after:] if e is not None and predicate(e)), None)
        with self.cond:
            if not self.cond.wait_for(lambda: found() is not None, timeout):
                raise SystemExit(f"no {what} within {timeout} s; got {[e for _, e in self.events[after:]]}")
            return found()

    def since(self, after, kinds=("partial", "final", "error", "state", "ready")):
        """The events of the given types from index `after` on."""
        with self.cond:
            return [e for _, e in self.events[after:] if e is not None and e.get("type") in kinds]

    def finish(self, timeout=60):
        """Ends the input and waits for the exit; the exit status."""
        self.proc.stdin.close()
        return self.proc.wait(timeout=timeout)


def state(value):
    return lambda e: e.get("state") == value
