"""Helpers for the end-to-end tests of dorv-computer-use on the headless desktop.

The tests run inside scripts/with-desktop.sh (DISPLAY, DBUS_SESSION_BUS_ADDRESS, HOME are
private there). The environment names the programs under test:
  DORV_COMPUTER_USE  path of the dorv-computer-use binary
  FIXTURES_DIR       build directory of tests/computer-use/fixtures

Typical use:

    import desktop
    app = desktop.start_sample_app(log=True)          # waits for its window
    result = desktop.run("windows", str(app.pid))      # one JSON object + exit status
    assert result.status == 0 and result.json["ok"]
    facts = desktop.window_facts(app.window)           # what xprop/xwininfo say
    app.log.wait_for(lambda e: e["event"] == "clicked")
    app.stop()

Every wait has a time limit and raises TimeoutError when it runs out.
"""

import json
import os
import re
import signal
import subprocess
import tempfile
import time
import unittest

COMPUTER_USE = os.environ.get("DORV_COMPUTER_USE", "dorv-computer-use")
FIXTURES_DIR = os.environ.get("FIXTURES_DIR", "")
SAMPLE_APP = os.path.join(FIXTURES_DIR, "sample-app", "dorv-sample-app")
WIDGET_FACTORY = "gtk3-widget-factory"

# xprop and xwininfo print UTF-8 titles only in a UTF-8 locale.
_TOOL_ENV = dict(os.environ, LC_ALL="C.UTF-8")


# One element line of a screenshot, such as [2] Button "OK" value="x" @120,45.
LINE = re.compile(r'^\[(\d+)\] (\S+) "(.*?)"(?: value="(.*)")? @(-?\d+|\?),(-?\d+|\?)$', re.DOTALL)


class Line:
    """An element line taken apart: index, role, label, value and the position."""

    def __init__(self, text):
        m = LINE.match(text)
        assert m, text
        self.index, self.role, self.label, self.value = int(m[1]), m[2], m[3], m[4]
        self.x, self.y = int(m[5]), int(m[6])


def wait_until(predicate, timeout=10.0, interval=0.05, what="condition"):
    """Calls predicate until it returns something truthy and returns that; TimeoutError after
    timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimeoutError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


# ---------------------------------------------------------------------------------------
# Running dorv-computer-use

class Result:
    """One run of dorv-computer-use: exit status, raw output, and the parsed JSON object
    (None when stdout was not exactly one JSON object, e.g. the usage text)."""

    def __init__(self, status, stdout, stderr):
        self.status = status
        self.stdout = stdout
        self.stderr = stderr
        try:
            self.json = json.loads(stdout)
        except ValueError:
            self.json = None
        if not isinstance(self.json, dict):
            self.json = None

    def __repr__(self):
        return f"Result(status={self.status}, stdout={self.stdout!r}, stderr={self.stderr!r})"


def run(*args, timeout=30.0, cwd=None):
    """Runs dorv-computer-use with the arguments (strings), in the directory cwd when given,
    and returns a Result."""
    program = os.path.abspath(COMPUTER_USE) if os.sep in COMPUTER_USE else COMPUTER_USE
    done = subprocess.run([program, *args], capture_output=True, timeout=timeout, cwd=cwd)
    return Result(done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8", "replace"))


class TestCase(unittest.TestCase):
    """A test case of the end-to-end tests, with the check every successful run must pass."""

    def run_ok(self, *args, cwd=None):
        """Runs dorv-computer-use and returns its JSON object, failing the test unless the run
        succeeded with one object and wrote nothing to standard error."""
        result = run(*args, cwd=cwd)
        self.assertEqual(result.status, 0, result)
        self.assertEqual(result.stderr, "")
        self.assertIsNotNone(result.json, result)
        self.assertIs(result.json["ok"], True, result)
        return result.json


# ---------------------------------------------------------------------------------------
# Facts from the X server, through xprop and xwininfo

def _tool(*argv):
    done = subprocess.run(list(argv), capture_output=True, timeout=10, env=_TOOL_ENV)
    return done.stdout.decode("utf-8", "replace") if done.returncode == 0 else None


def _xprop_values(text, name):
    """The raw value text of one property in xprop -notype output, or None."""
    match = re.search(rf"^{re.escape(name)}(?:\s*=\s*|: )(.*)$", text or "", re.M)
    return match.group(1) if match else None


def _xprop_string(raw):
    # xprop quotes strings and escapes quotes and backslashes inside them.
    if raw is None or not raw.startswith('"'):
        return None
    return re.sub(r'\\(.)', r'\1', raw[1:-1])


def _window_ids(raw):
    return [int(w, 16) for w in re.findall(r"0x[0-9a-fA-F]+", raw or "")]


def client_windows():
    """Managed client windows front to back (_NET_CLIENT_LIST_STACKING reversed)."""
    text = _tool("xprop", "-root", "-notype", "_NET_CLIENT_LIST_STACKING")
    return list(reversed(_window_ids(_xprop_values(text, "_NET_CLIENT_LIST_STACKING"))))


def pointer():
    """The pointer's position on the screen, as (x, y)."""
    out = subprocess.run(["xdotool", "getmouselocation", "--shell"], capture_output=True, text=True,
                         timeout=10, check=True).stdout
    values = dict(line.split("=", 1) for line in out.split())
    return int(values["X"]), int(values["Y"])


def active_window():
    """The window id in _NET_ACTIVE_WINDOW, or None."""
    text = _tool("xprop", "-root", "-notype", "_NET_ACTIVE_WINDOW")
    ids = _window_ids(_xprop_values(text, "_NET_ACTIVE_WINDOW"))
    return ids[0] if ids and ids[0] else None


class ActiveWindowSpy:
    """Watches _NET_ACTIVE_WINDOW while the with-block runs; .activated lists every window that
    was made active meanwhile, in order."""

    def __enter__(self):
        self._spy = subprocess.Popen(["xprop", "-root", "-notype", "-spy", "_NET_ACTIVE_WINDOW"],
                                     stdout=subprocess.PIPE, env=_TOOL_ENV, text=True)
        self._spy.stdout.readline()  # the value at the start, printed before any change
        return self

    def __exit__(self, *exc):
        time.sleep(0.3)  # changes the server has made reach the spy
        self._spy.terminate()
        out, _ = self._spy.communicate(timeout=5)
        self.activated = [ids[0] for ids in map(_window_ids, out.splitlines()) if ids and ids[0]]


def window_facts(window):
    """What xprop and xwininfo report of a client window, or None when it is gone:
    {"id", "pid", "title", "wm_class": [instance, class], "types": [...], "states": [...],
     "frame": [x, y, width, height] (client rectangle grown by _NET_FRAME_EXTENTS, root
     coordinates), "viewable": bool}."""
    wid = hex(window)
    props = _tool("xprop", "-id", wid, "-notype", "_NET_WM_PID", "_NET_WM_NAME", "WM_NAME",
                  "WM_CLASS", "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE", "_NET_FRAME_EXTENTS")
    info = _tool("xwininfo", "-id", wid)
    if props is None or info is None:
        return None

    def number(label):
        return int(re.search(rf"{label}:\s*(-?\d+)", info).group(1))

    pid = _xprop_values(props, "_NET_WM_PID")
    title = _xprop_string(_xprop_values(props, "_NET_WM_NAME"))
    if title is None:
        title = _xprop_string(_xprop_values(props, "WM_NAME"))
    wm_class = re.findall(r'"((?:[^"\\]|\\.)*)"', _xprop_values(props, "WM_CLASS") or "")
    extents = [int(v) for v in re.findall(r"\d+", _xprop_values(props, "_NET_FRAME_EXTENTS") or "")]
    left, right, top, bottom = extents if len(extents) == 4 else (0, 0, 0, 0)
    x, y = number("Absolute upper-left X"), number("Absolute upper-left Y")
    width, height = number("Width"), number("Height")
    return {
        "id": window,
        "pid": int(pid) if pid and pid.isdigit() else None,
        "title": title,
        "wm_class": wm_class,
        "types": re.findall(r"_NET_WM_WINDOW_TYPE_\w+", _xprop_values(props, "_NET_WM_WINDOW_TYPE") or ""),
        "states": re.findall(r"_NET_WM_STATE_\w+", _xprop_values(props, "_NET_WM_STATE") or ""),
        "frame": [x - left, y - top, width + left + right, height + top + bottom],
        "viewable": "Map State: IsViewable" in info,
    }


def windows_of(pid):
    """Facts of the managed windows whose _NET_WM_PID is pid, front to back."""
    facts = (window_facts(w) for w in client_windows())
    return [f for f in facts if f and f["pid"] == pid]


def wait_settled(window, timeout=5.0, interval=0.15):
    """Waits until a window's facts stop changing (openbox animates minimising and
    restoring by moving the frame) and returns them."""
    last = [None]

    def settled():
        facts = window_facts(window)
        same = facts is not None and facts == last[0]
        last[0] = facts
        return facts if same else None
    return wait_until(settled, timeout, interval, what=f"window {hex(window)} to settle")


def activate(window, timeout=5.0):
    """Makes a window the active one (as a user would) and waits until it is."""
    subprocess.run(["xdotool", "windowactivate", str(window)], capture_output=True, timeout=10)
    wait_until(lambda: active_window() == window, timeout, what=f"window {hex(window)} active")


# ---------------------------------------------------------------------------------------
# Applications under test

class EventLog:
    """The JSON-lines event log of the sample application (see its main.cpp)."""

    def __init__(self, path):
        self.path = path

    def events(self):
        """Every event logged so far, oldest first."""
        try:
            with open(self.path, encoding="utf-8") as f:
                return [json.loads(line) for line in f if line.endswith("\n")]
        except FileNotFoundError:
            return []

    def wait_for(self, predicate, timeout=5.0):
        """The first logged event for which predicate(event) holds, waiting for it."""
        def find():
            return next((e for e in self.events() if predicate(e)), None)
        return wait_until(find, timeout, what="an event in " + self.path)


class App:
    """A started application: its process, pid, main window (the first managed window seen)
    and, for the sample application started with a log, its EventLog."""

    def __init__(self, process, log=None):
        self.process = process
        self.pid = process.pid
        self.log = log
        self.window = None

    def windows(self):
        """Facts of the application's managed windows, front to back."""
        return windows_of(self.pid)

    def stop(self, timeout=5.0):
        """Ends the process by its pid: SIGTERM, then SIGKILL after timeout seconds."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(timeout)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()


def start(argv, title=None, windows=1, timeout=15.0, log=None):
    """Starts a program and waits until it owns `windows` managed windows (one titled `title`
    when given), each viewable. Returns an App whose window is the one titled `title`, else
    the first found."""
    process = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, start_new_session=True)
    app = App(process, log)

    def ready():
        if process.poll() is not None:
            raise RuntimeError(f"{argv[0]} exited with status {process.returncode}")
        mine = [f for f in app.windows() if f["viewable"]]
        if len(mine) < windows:
            return None
        if title is None:
            return mine[0]
        return next((f for f in mine if f["title"] == title), None)

    try:
        app.window = wait_until(ready, timeout, what=f"a window of {argv[0]}")["id"]
    except BaseException:
        app.stop()
        raise
    return app


def start_sample_app(title=None, second_window=False, log=False, timeout=15.0):
    """Starts dorv-sample-app ("Dorv Sample", or `title`); with second_window also "Dorv
    Sample 2"; with log=True its events go to a fresh file read through app.log."""
    argv = [SAMPLE_APP]
    if title is not None:
        argv += ["--title", title]
    if second_window:
        argv.append("--second-window")
    event_log = None
    if log:
        fd, path = tempfile.mkstemp(prefix="sample-app-", suffix=".jsonl")
        os.close(fd)
        argv += ["--log", path]
        event_log = EventLog(path)
    return start(argv, title=title or "Dorv Sample", windows=2 if second_window else 1,
                 timeout=timeout, log=event_log)


def start_widget_factory(timeout=15.0):
    """Starts gtk3-widget-factory (a third-party GTK3 window)."""
    return start([WIDGET_FACTORY], timeout=timeout)
