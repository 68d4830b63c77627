"""End-to-end under faults: peers that stop answering, runs killed or run side by side, a
display that dies, hostile activity files, a very large window and a window manager that is
late. Each case checks what the user would: one JSON object and its exit status, the keyboard
map, the text that arrived, and which window is active."""

import json
import os
import signal
import socket
import subprocess
import tempfile
import threading
import time
import unittest

import desktop

# Characters no key of the default map types: each one borrows a spare keycode.
UNMAPPED = "€Ωπ≈ж"


def keyboard_map(display=None):
    """The server's whole keyboard description (keycodes to keysyms and modifiers)."""
    return subprocess.run(["xkbcomp", "-xkb", display or os.environ["DISPLAY"], "-"],
                          capture_output=True, timeout=10, check=True).stdout


def start_run(*args, env=None):
    """Starts dorv-computer-use without waiting; finish() gives its Result."""
    program = os.path.abspath(desktop.COMPUTER_USE)
    return subprocess.Popen([program, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            env=env)


def finish(process, timeout=120):
    with process:
        out, err = process.communicate(timeout=timeout)
    return desktop.Result(process.returncode, out.decode("utf-8"), err.decode("utf-8", "replace"))


def children(pid):
    """Process ids whose parent is pid."""
    found = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as f:
                    if int(f.read().rsplit(")", 1)[1].split()[1]) == pid:
                        found.append(int(entry))
            except (OSError, IndexError, ValueError):
                pass
    return found


def session_bus_owner(name):
    out = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/",
                          "org.freedesktop.DBus.GetConnectionUnixProcessID", f"string:{name}"],
                         capture_output=True, text=True, timeout=10).stdout
    return int(out.split()[-1])


def openbox_pid():
    out = subprocess.run(["pgrep", "-x", "openbox"], capture_output=True, text=True).stdout.split()
    # Other desktops may run on this machine: ours is the one in our session, on our display.
    for pid in map(int, out):
        try:
            with open(f"/proc/{pid}/environ", "rb") as f:
                env = dict(v.split(b"=", 1) for v in f.read().split(b"\0") if b"=" in v)
        except OSError:
            continue
        if env.get(b"DISPLAY") == os.environ["DISPLAY"].encode():
            return pid
    raise RuntimeError("no openbox on this display")


class Stopped:
    """A process stopped (SIGSTOP) while the with-block runs."""

    def __init__(self, pid):
        self.pid = pid

    def __enter__(self):
        os.kill(self.pid, signal.SIGSTOP)
        return self

    def __exit__(self, *exc):
        os.kill(self.pid, signal.SIGCONT)


class Late:
    """A window manager that is late: stopped 300 ms at a time, running 20 ms in between."""

    def __init__(self, pid):
        self.pid, self.done = pid, threading.Event()

    def _stutter(self):
        while not self.done.is_set():
            os.kill(self.pid, signal.SIGSTOP)
            self.done.wait(0.3)
            os.kill(self.pid, signal.SIGCONT)
            time.sleep(0.02)

    def __enter__(self):
        self.thread = threading.Thread(target=self._stutter)
        self.thread.start()
        return self

    def __exit__(self, *exc):
        self.done.set()
        self.thread.join()
        os.kill(self.pid, signal.SIGCONT)


class Case(desktop.TestCase):
    def assert_one_object(self, result, status=None):
        """Exactly one JSON object on standard output, nothing on standard error, and the exit
        status its "ok" says (and status when given)."""
        self.assertIsNotNone(result.json, result)
        self.assertEqual(result.stdout.count("\n"), result.stdout.rstrip("\n").count("\n") + 1, result)
        self.assertEqual(result.stderr, "")
        self.assertEqual(result.status, 0 if result.json["ok"] else 1, result)
        if status is not None:
            self.assertEqual(result.status, status, result)
        return result.json

    def watch_active(self, window, seconds=1.0):
        """The active window stays `window` for a second: a late activation shows too."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            self.assertEqual(desktop.active_window(), window)
            time.sleep(0.05)


class SampleApps(Case):
    """Sample applications behind gtk3-widget-factory, the user's front window."""
    samples = 1

    @classmethod
    def setUpClass(cls):
        cls.temp = tempfile.TemporaryDirectory(prefix="faults-e2e-")
        cls.apps = [desktop.start_sample_app(title=f"Dorv Fault {i}", log=True) for i in range(cls.samples)]
        cls.front = desktop.start_widget_factory()
        desktop.activate(cls.front.window)
        for app in cls.apps:
            desktop.wait_settled(app.window)

    @classmethod
    def tearDownClass(cls):
        cls.front.stop()
        for app in cls.apps:
            app.stop()
        cls.temp.cleanup()

    def setUp(self):
        desktop.activate(self.front.window)

    def element(self, app, role):
        shot = self.run_ok("screenshot", str(app.pid), "--out", os.path.join(self.temp.name, "shot.png"))
        return next(desktop.Line(e) for e in shot["elements"] if desktop.Line(e).role == role)

    def entry_text(self, app):
        changes = [e for e in app.log.events() if e["event"] == "text-changed" and e.get("widget") == "entry"]
        return changes[-1]["text"] if changes else ""


class HungPeers(SampleApps):
    def test_a_stopped_accessibility_bus_ends_every_run_with_its_answer(self):
        launcher = session_bus_owner("org.a11y.Bus")
        bus = children(launcher)
        self.assertTrue(bus, "the accessibility bus daemon")
        pid = str(self.apps[0].pid)
        with Stopped(bus[0]):
            for args in (("apps",), ("screenshot", pid), ("click", pid, "--at", "5,5"), ("key", pid, "escape")):
                with self.subTest(args=args):
                    answer = self.assert_one_object(desktop.run(*args, timeout=120))
                    if not answer["ok"]:
                        self.assertIn("accessibility bus", answer["error"])
        self.watch_active(self.front.window)

    def test_a_display_that_never_answers(self):
        # Xlib tries the abstract socket of a display first: one that accepts and never speaks.
        number = 900 + os.getpid() % 90
        silent = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        silent.bind(f"\0/tmp/.X11-unix/X{number}")
        silent.listen(16)
        self.addCleanup(silent.close)
        env = dict(os.environ, DISPLAY=f":{number}")
        usage = finish(start_run("help", env=env))
        self.assertEqual((usage.status, usage.stderr), (0, ""))
        self.assertIn("dorv-computer-use", usage.stdout)
        for args in (("apps",), ("screenshot", "1"), ("click", "1", "--at", "5,5")):
            with self.subTest(args=args):
                answer = self.assert_one_object(finish(start_run(*args, env=env)), status=1)
                self.assertIn("display", answer["error"])
                self.assertNotIn("accessibility bus", answer["error"])


class Keyboard(SampleApps):
    samples = 4

    def test_a_killed_type_leaves_the_keyboard_map_as_it_was(self):
        app = self.apps[0]
        index = self.element(app, "TextField").index
        before = keyboard_map()
        run = start_run("type", str(app.pid), "--index", str(index), "--text", UNMAPPED * 40, "--keys")
        desktop.wait_until(lambda: "€" in self.entry_text(app), 20, what="the first borrowed character")
        run.kill()
        run.wait()
        # The next run that types gives back what the killed one had borrowed.
        self.run_ok("type", str(app.pid), "--index", str(index), "--text", "€", "--keys")
        self.assertEqual(keyboard_map(), before)
        # Stopped by a signal: the key is given back at once, with the run's answer, and the front
        # window too (a killed run cannot give it back: the user makes it active again).
        desktop.activate(self.front.window)
        run = start_run("type", str(app.pid), "--index", str(index), "--text", UNMAPPED * 40, "--keys")
        desktop.wait_until(lambda: self.entry_text(app).endswith("€Ω"), 20, what="typing")
        run.send_signal(signal.SIGTERM)
        stopped = self.assert_one_object(finish(run), status=1)
        self.assertIs(stopped.get("stoleFocus"), True, stopped)
        self.assertEqual(keyboard_map(), before)
        self.watch_active(self.front.window)

    def test_concurrent_type_runs_each_type_their_own_text(self):
        before = keyboard_map()
        texts = ["€Ω1", "πж2", "≈€3", "жπΩ4"]
        targets = [(app, self.element(app, "TextField").index) for app in self.apps]
        runs = [start_run("type", str(app.pid), "--index", str(index), "--text", text * 3, "--keys")
                for (app, index), text in zip(targets, texts)]
        for run, text in zip(runs, texts):
            answer = self.assert_one_object(finish(run), status=0)
            self.assertEqual(answer["typed"], text * 3)
        # Focusing an entry selects what it holds, so each ends up holding exactly its run's text.
        for (app, _), text in zip(targets, texts):
            desktop.wait_until(lambda: self.entry_text(app) == text * 3, 10,
                               what=f"{text * 3} in {app.pid}: {self.entry_text(app)!r}")
        self.assertEqual(keyboard_map(), before)


class Clicks(SampleApps):
    def test_two_concurrent_clicks_on_one_point_are_two_single_clicks(self):
        app = self.apps[0]
        button = self.element(app, "Button")
        presses = len(app.log.events())
        runs = [start_run("click", str(app.pid), "--at", f"{button.x},{button.y}") for _ in range(2)]
        for run in runs:
            self.assert_one_object(finish(run), status=0)
        kinds = lambda: [e["event"] for e in app.log.events()[presses:] if e["event"].endswith("-press")]
        desktop.wait_until(lambda: len(kinds()) >= 2, 10, what="two presses")
        time.sleep(0.5)
        self.assertEqual(kinds(), ["button-press", "button-press"])
        self.watch_active(self.front.window)


class LostDisplay(Case):
    def test_an_x_server_killed_mid_run(self):
        read, write = os.pipe()
        server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "800x600x24", "-nolisten", "tcp"],
                                  pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        self.addCleanup(server.wait)
        self.addCleanup(server.kill)
        with os.fdopen(read) as f:
            env = dict(os.environ, DISPLAY=":" + f.readline().strip())
        started = [subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                   for argv in (["openbox", "--sm-disable"], [desktop.SAMPLE_APP, "--title", "Doomed"])]
        for process in started:
            self.addCleanup(process.wait)
            self.addCleanup(process.kill)
        app = started[1]
        desktop.wait_until(lambda: (finish(start_run("windows", str(app.pid), env=env)).json or {}).get("windows"),
                           20, interval=0.3, what="the sample's window on the private server")
        run = start_run("type", str(app.pid), "--text", "a" * 2000, "--keys", env=env)
        time.sleep(1.5)
        server.kill()
        answer = self.assert_one_object(finish(run), status=1)
        self.assertIn("display", answer["error"])


class HostileFiles(SampleApps):
    def test_activity_files_that_are_deep_endless_blocking_or_from_the_future(self):
        app = self.apps[0]
        home = os.path.expanduser("~/.dorv/computer-use")
        windows = os.path.join(home, "windows.json")
        self.run_ok("key", str(app.pid), "escape")

        def plant(kind):
            if os.path.lexists(windows):
                os.remove(windows)
            if kind == "deep":
                with open(windows, "w") as f:
                    f.write("[" * 100_000 + "]" * 100_000)
            elif kind == "fifo":
                os.mkfifo(windows)
            elif kind == "endless":
                os.symlink("/dev/zero", windows)
            elif kind == "future":
                entry = {"pid": app.pid, "windowId": 77, "app": "x", "title": "", "action": "key",
                         "at": (time.time() + 86_400) * 1000, "ancestors": [], "width": 10, "height": 10}
                with open(windows, "w") as f:
                    json.dump({"77": entry}, f)

        for kind in ("deep", "fifo", "endless", "future"):
            with self.subTest(kind=kind):
                plant(kind)
                for _ in range(2):  # and the run after it
                    self.assert_one_object(desktop.run("key", str(app.pid), "escape"), status=0)
                with open(windows) as f:
                    self.assertEqual(list(json.load(f)), [str(app.window)])
        self.watch_active(self.front.window)


class LargeWindow(Case):
    def test_a_window_of_eight_thousand_objects_lists_its_first_elements(self):
        with desktop.start([os.path.join(desktop.FIXTURES_DIR, "large-window", "dorv-large-window")],
                           title="Dorv Large", timeout=60) as app:
            shot = desktop.run("screenshot", str(app.pid), "--out", os.path.join(os.environ.get("TEST_RUN_DIR", "/tmp"),
                                                                                 "large.png"), timeout=120)
            answer = self.assert_one_object(shot)
            if answer["ok"]:
                self.assertEqual(len(answer["elements"]), 300, answer["elements"][-3:])
            else:
                self.assertIn("too slow", answer["error"])


class LateWindowManager(SampleApps):
    """openbox stopped 300 ms at a time: an activation the run caused is seen before the run
    decides whether to give the front back."""

    def check_front_given_back(self, *args):
        with Late(openbox_pid()):
            answer = self.run_ok(*args)
        self.assertIs(answer.get("stoleFocus"), True, answer)
        self.watch_active(self.front.window)
        return answer

    def test_click_on_a_text_field(self):
        app = self.apps[0]
        index = self.element(app, "TextField").index
        self.check_front_given_back("click", str(app.pid), "--index", str(index))

    def test_type_into_a_text_field(self):
        app = self.apps[0]
        index = self.element(app, "TextField").index
        self.check_front_given_back("type", str(app.pid), "--index", str(index), "--text", "late")

    def test_open_a_window(self):
        entry = os.path.expanduser("~/.local/share/applications/dorv-e2e-late.desktop")
        os.makedirs(os.path.dirname(entry), exist_ok=True)
        with open(entry, "w") as f:
            f.write(f"[Desktop Entry]\nType=Application\nName=dorv-e2e-late\n"
                    "Exec=xterm -title 'Dorv Late'\n")
        self.addCleanup(os.remove, entry)
        answer = self.check_front_given_back("open", "dorv-e2e-late")
        os.kill(answer["pid"], signal.SIGTERM)


if __name__ == "__main__":
    unittest.main()
