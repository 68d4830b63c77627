"""End-to-end: `apps`, `windows <app>` and the usage text on the real headless desktop,
checked against what xprop and xwininfo report for the same windows."""

import os
import shutil
import subprocess
import threading
import unittest

import desktop

USAGE = (
    "dorv-computer-use apps | windows <app> | screenshot <app> [--window id] [--out png]\n"
    "                  | click <app> (--index n | --at x,y) | type <app> --text s [--index n] [--keys]\n"
    "                  | key <app> <chord> | drag <app> --from x,y --to x,y | open <app> [url]\n"
    "                  | focus <app> [--window id]\n"
    'screenshot, click, type, key and drag take --say "text": a subtitle on Dorv\'s live preview\n'
)


def expected_windows(pid):
    """The `windows` records that the X server's own tools imply for a process."""
    records = []
    for f in desktop.windows_of(pid):
        if f["types"] and f["types"][0] not in ("_NET_WM_WINDOW_TYPE_NORMAL", "_NET_WM_WINDOW_TYPE_DIALOG"):
            continue
        if f["frame"][2] <= 50 or f["frame"][3] <= 50:
            continue
        records.append({"id": f["id"], "title": f["title"] or "", "frame": f["frame"],
                        "onScreen": f["viewable"] and "_NET_WM_STATE_HIDDEN" not in f["states"]})
    return records


def owner_name(result_apps, pid):
    return next(a["name"] for a in result_apps if a["pid"] == pid)


class ListingTest(desktop.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sample = desktop.start_sample_app(second_window=True)
        cls.factory = desktop.start_widget_factory()

    @classmethod
    def tearDownClass(cls):
        cls.sample.stop()
        cls.factory.stop()

    def test_apps_lists_window_owners_with_entries_and_counts(self):
        out = self.run_ok("apps")
        by_pid = {a["pid"]: a for a in out["apps"]}
        self.assertIn(self.sample.pid, by_pid)
        self.assertIn(self.factory.pid, by_pid)
        for app in out["apps"]:
            self.assertEqual(list(app), ["bundleId", "name", "path", "pid", "windows"])
            self.assertEqual(app["windows"], len(expected_windows(app["pid"])), app)
        # No desktop entry: named as on the accessibility bus (the program name) or, before it
        # registers there, by WM_CLASS; no bundle.
        sample = by_pid[self.sample.pid]
        self.assertIn(sample["name"], ["dorv-sample-app", desktop.window_facts(self.sample.window)["wm_class"][1]])
        self.assertEqual((sample["bundleId"], sample["path"]), ("", ""))
        # Found through its desktop entry although the entry is hidden from menus.
        factory = by_pid[self.factory.pid]
        self.assertEqual(factory["bundleId"], "gtk3-widget-factory")
        self.assertEqual(factory["name"], "Widget Factory")
        self.assertTrue(os.path.isfile(factory["path"]))
        self.assertTrue(factory["path"].endswith("/gtk3-widget-factory.desktop"))
        self.assertEqual([a["pid"] for a in out["apps"]], sorted(by_pid))

    def test_frontmost_names_the_owner_of_the_active_window(self):
        for app in (self.sample, self.factory):
            desktop.activate(app.window)
            out = self.run_ok("apps")
            self.assertEqual(out["frontmost"], owner_name(out["apps"], app.pid))

    def test_windows_match_xprop_and_xwininfo_front_to_back(self):
        desktop.activate(self.sample.window)
        for app, name in ((self.sample, str(self.sample.pid)), (self.factory, "gtk3-widget-factory")):
            with self.subTest(name=name):
                out = self.run_ok("windows", name)
                self.assertEqual(out["windows"], expected_windows(app.pid))
        out = self.run_ok("windows", str(self.sample.pid))
        self.assertEqual([w["title"] for w in out["windows"]], ["Dorv Sample", "Dorv Sample 2"])

    def test_windows_resolves_names_ignoring_case(self):
        for name in ("widget factory", "WIDGET FACTORY", "Widget Factory", "+%d" % self.factory.pid):
            with self.subTest(name=name):
                out = self.run_ok("windows", name)
                self.assertEqual(out["app"], "Widget Factory")
                self.assertEqual([w["id"] for w in out["windows"]], [self.factory.window])
        # A bundle identifier matches exactly; in other letter case only as a name, which it is not.
        result = desktop.run("windows", "GTK3-Widget-Factory")
        self.assertEqual(result.status, 1)
        self.assertEqual(result.json["error"],
                         'No running app matches "GTK3-Widget-Factory". Run `apps` to list them.')

    def test_minimised_window_is_listed_off_screen(self):
        second = next(f["id"] for f in self.sample.windows() if f["title"] == "Dorv Sample 2")
        subprocess.run(["xdotool", "windowminimize", str(second)], timeout=10)
        try:
            desktop.wait_until(lambda: not desktop.window_facts(second)["viewable"], what="minimised")
            desktop.wait_settled(second)
            out = self.run_ok("windows", str(self.sample.pid))
            entry = next(w for w in out["windows"] if w["id"] == second)
            self.assertIs(entry["onScreen"], False)
            self.assertEqual(out["windows"], expected_windows(self.sample.pid))
            shot = desktop.run("screenshot", str(self.sample.pid), "--window", str(second), "--out",
                               os.path.join(os.environ.get("TEST_RUN_DIR", "/tmp"), "minimised.png"))
            self.assertEqual((shot.status, shot.json["error"]), (
                1, f"Window {second} is minimised, so it can't be captured. Run `focus` with --window {second} "
                   "to restore it, then screenshot again."))
            self.assertFalse(os.path.exists(os.path.expanduser("~/.dorv/computer-use/needs-permission")))
        finally:
            desktop.activate(second)
            desktop.wait_settled(second)

    def test_failures_and_usage(self):
        result = desktop.run("windows")
        self.assertEqual((result.status, result.json["error"]), (1, "windows needs an app"))
        self.assertEqual(sorted(result.json), ["error", "frontmost", "ok"])
        for args in ((), ("help",), ("HELP",), ("frobnicate", "x")):
            with self.subTest(args=args):
                result = desktop.run(*args)
                self.assertEqual((result.status, result.stdout, result.stderr), (0, USAGE, ""))


def desktop_number(window=None):
    """The window's _NET_WM_DESKTOP, or the root's _NET_CURRENT_DESKTOP."""
    args = ["-id", str(window), "_NET_WM_DESKTOP"] if window else ["-root", "_NET_CURRENT_DESKTOP"]
    out = subprocess.run(["xprop", "-notype", *args], capture_output=True, text=True, timeout=10).stdout
    value = out.rpartition("=")[2].strip()
    return int(value) if value.isdigit() else None


class OtherDesktopTest(desktop.TestCase):
    """A window the user has put on a second desktop, which the window manager unmaps."""

    def setUp(self):
        self.sample = desktop.start_sample_app()
        subprocess.run(["wmctrl", "-n", "2"], timeout=10, check=True)
        subprocess.run(["wmctrl", "-i", "-r", str(self.sample.window), "-t", "1"], timeout=10, check=True)
        desktop.wait_until(lambda: desktop_number(self.sample.window) == 1
                           and not desktop.window_facts(self.sample.window)["viewable"], what="on desktop 1")

    def tearDown(self):
        subprocess.run(["wmctrl", "-s", "0"], timeout=10)
        subprocess.run(["wmctrl", "-n", "1"], timeout=10)
        self.sample.stop()

    def test_it_is_listed_off_screen_not_captured_and_focus_takes_the_user_there(self):
        out = self.run_ok("windows", str(self.sample.pid))
        entry = next(w for w in out["windows"] if w["id"] == self.sample.window)
        self.assertIs(entry["onScreen"], False)

        shot = desktop.run("screenshot", str(self.sample.pid), "--out",
                           os.path.join(os.environ.get("TEST_RUN_DIR", "/tmp"), "other-desktop.png"))
        window = self.sample.window
        self.assertEqual((shot.status, shot.json["error"]), (
            1, f"Window {window} is on another desktop, so it can't be captured. Run `focus` with --window "
               f"{window} to go there, then screenshot again."))

        self.assertEqual(self.run_ok("focus", str(self.sample.pid))["focused"], self.sample.window)
        desktop.wait_until(lambda: desktop_number() == 1 and desktop.active_window() == self.sample.window, 5,
                           what="desktop 1 shown with the window active")


class DesktopEntryTest(unittest.TestCase):
    """An application with its own desktop entry, matched through StartupWMClass."""

    def setUp(self):
        directory = os.path.join(os.environ["HOME"], ".local", "share", "applications")
        os.makedirs(directory, exist_ok=True)
        self.entry = os.path.join(directory, "org.example.OmegaApp.desktop")
        with open(self.entry, "w", encoding="utf-8") as f:
            f.write("[Desktop Entry]\nType=Application\nName=Ωmega Äpp\n"
                    f"Exec={desktop.SAMPLE_APP}\nStartupWMClass=Dorv-sample-app\n")
        self.app = desktop.start_sample_app(title="Ωmega — “quoted” \\ title")

    def tearDown(self):
        self.app.stop()
        os.remove(self.entry)

    def test_entry_names_the_app_and_unicode_names_fold(self):
        apps = desktop.run("apps").json["apps"]
        record = next(a for a in apps if a["pid"] == self.app.pid)
        self.assertEqual(record, {"bundleId": "org.example.OmegaApp", "name": "Ωmega Äpp",
                                  "path": self.entry, "pid": self.app.pid, "windows": 1})
        for name in ("ΩMEGA äPP", "ωmega äpp", "org.example.OmegaApp"):
            with self.subTest(name=name):
                result = desktop.run("windows", name)
                self.assertEqual(result.status, 0, result)
                self.assertEqual(result.json["app"], "Ωmega Äpp")
                self.assertEqual(result.json["windows"], expected_windows(self.app.pid))
                self.assertEqual(result.json["windows"][0]["title"], "Ωmega — “quoted” \\ title")


@unittest.skipUnless(shutil.which("wish"), "tk is not installed")
class WindowWithoutPidTest(desktop.TestCase):
    """A Tk window: no _NET_WM_PID, and a title xdotool stores as STRING."""

    def setUp(self):
        self.tk = subprocess.Popen(["wish"], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, text=True, start_new_session=True)
        self.addCleanup(self.tk.wait, 10)
        self.addCleanup(self.tk.kill)
        self.tk.stdin.write('wm title . "Dorv Tk"; wm geometry . 300x200; label .l -text hi; pack .l\n')
        self.tk.stdin.flush()

        def window():
            out = subprocess.run(["xdotool", "search", "--name", "^Dorv Tk$"], capture_output=True,
                                 text=True, timeout=10).stdout.split()
            return int(out[0]) if out and int(out[0]) in desktop.client_windows() else None
        self.window = desktop.wait_until(window, 15, what="the Tk window")
        desktop.wait_settled(self.window)

    def test_it_is_listed_under_its_process_with_its_title(self):
        self.assertIsNone(desktop.window_facts(self.window)["pid"])
        subprocess.run(["xdotool", "set_window", "--name", "Dorv Tk – café", str(self.window)],
                       timeout=10, check=True)
        self.assertIn("_NET_WM_NAME(STRING)", subprocess.run(
            ["xprop", "-id", str(self.window), "_NET_WM_NAME"], capture_output=True, text=True,
            timeout=10).stdout)
        record = next(a for a in self.run_ok("apps")["apps"] if a["pid"] == self.tk.pid)
        self.assertEqual(record["windows"], 1, record)
        listed = self.run_ok("windows", str(self.tk.pid))["windows"]
        self.assertEqual([(w["id"], w["title"]) for w in listed], [(self.window, "Dorv Tk – café")])


SETTINGS_ENTRY = "/usr/share/applications/org.xfce.mousepad-settings.desktop"


@unittest.skipUnless(shutil.which("mousepad") and os.path.exists(SETTINGS_ENTRY), "mousepad is not installed")
class SettingsEntryTest(desktop.TestCase):
    """An editor whose settings entry runs the same program and sorts first."""

    def setUp(self):
        self.editor = desktop.start(["mousepad"])
        self.addCleanup(self.editor.stop)

    def test_the_editor_is_named_by_its_main_entry(self):
        out = self.run_ok("apps")
        record = next(a for a in out["apps"] if a["pid"] == self.editor.pid)
        self.assertEqual((record["bundleId"], record["name"], record["path"]),
                         ("org.xfce.mousepad", "Mousepad", "/usr/share/applications/org.xfce.mousepad.desktop"))
        for name in ("Mousepad", "org.xfce.mousepad"):
            with self.subTest(name=name):
                self.assertEqual(self.run_ok("windows", name)["windows"], expected_windows(self.editor.pid))


class ChurnTest(unittest.TestCase):
    """Windows that appear and disappear while the list is read never cost the answer."""

    def test_runs_answer_while_windows_come_and_go(self):
        stop = threading.Event()

        def churn():
            while not stop.is_set():
                app = desktop.start_sample_app(second_window=True)
                app.stop()

        worker = threading.Thread(target=churn)
        worker.start()
        try:
            for _ in range(15):
                for args in (("apps",), ("windows", "dorv-sample-app")):
                    result = desktop.run(*args)
                    self.assertEqual(result.stderr, "")
                    self.assertIsNotNone(result.json, result)
                    if args[0] == "apps":
                        self.assertEqual(result.status, 0)
                    else:
                        # The app may be between instances: then it is simply not running.
                        self.assertIn(result.status, (0, 1))
        finally:
            stop.set()
            worker.join(60)


if __name__ == "__main__":
    unittest.main(verbosity=2)
