"""End-to-end: key chords, typing by key events, open and focus on the sample application and
third-party GTK3 applications, with gtk3-widget-factory in front and focused."""

import os
import re
import shlex
import shutil
import signal
import subprocess
import tempfile
import unittest

import desktop

# GDK modifier bits as the sample application logs them in "state".
SHIFT, CONTROL, MOD1 = 1, 4, 8
MODIFIERS = SHIFT | CONTROL | MOD1

LINE = re.compile(r'^\[(\d+)\] (\S+) "(.*)" @(-?\d+|\?),(-?\d+|\?)$')


def elements(result):
    """The element lines of a screenshot as (index, role, label)."""
    out = []
    for line in result.json["elements"]:
        m = LINE.match(line)
        assert m, line
        out.append((int(m[1]), m[2], m[3]))
    return out


def keyboard_map():
    """The server's whole keyboard description (keycodes to keysyms and modifiers)."""
    return subprocess.run(["xkbcomp", "-xkb", os.environ["DISPLAY"], "-"], capture_output=True,
                          timeout=10, check=True).stdout


def write_desktop_entry(name, exec_line):
    """A desktop entry in the private HOME's application directory; returns its path."""
    directory = os.path.expanduser("~/.local/share/applications")
    os.makedirs(directory, exist_ok=True)
    path = os.path.join(directory, name + ".desktop")
    with open(path, "w", encoding="utf-8") as f:
        f.write(f"[Desktop Entry]\nType=Application\nName={name}\nExec={exec_line}\nTerminal=false\n")
    return path


def end_process(pid):
    try:
        os.kill(pid, signal.SIGTERM)
    except ProcessLookupError:
        pass


class Base(desktop.TestCase):
    """gtk3-widget-factory is the user's front application; each test starts with it active."""

    @classmethod
    def setUpClass(cls):
        cls.temp = tempfile.TemporaryDirectory(prefix="keys-open-e2e-")
        cls.front = desktop.start_widget_factory()
        desktop.activate(cls.front.window)

    @classmethod
    def tearDownClass(cls):
        cls.front.stop()
        cls.temp.cleanup()

    def setUp(self):
        desktop.activate(self.front.window)

    def run_failing(self, message, *args):
        result = desktop.run(*args)
        self.assertEqual(result.status, 1, result)
        self.assertEqual(result.stderr, "")
        self.assertIs(result.json["ok"], False, result)
        self.assertEqual(result.json["error"], message)
        return result.json

    def assert_front_active(self):
        self.assertEqual(desktop.active_window(), self.front.window)


class KeysInTheBackground(Base):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.sample = desktop.start_sample_app(log=True)
        desktop.activate(cls.front.window)
        desktop.wait_settled(cls.sample.window)

    @classmethod
    def tearDownClass(cls):
        cls.sample.stop()
        super().tearDownClass()

    def key_presses_after(self, count):
        return [e for e in self.sample.log.events() if e["event"] == "key-press"][count:]

    def press(self, chord):
        """Presses a chord in the sample and returns the first key press it logged, once the
        key's release has arrived too."""
        before = len(self.sample.log.events())
        pressed = self.run_ok("key", str(self.sample.pid), chord)
        self.assertEqual(pressed["pressed"], chord)
        self.assertNotIn("stoleFocus", pressed)

        def press_and_release():
            keys = [e for e in self.sample.log.events()[before:] if e["event"].startswith("key-")]
            press = next((e for e in keys if e["event"] == "key-press"), None)
            released = press and any(e["event"] == "key-release" and e["keycode"] == press["keycode"]
                                     for e in keys)
            return press if released else None
        return desktop.wait_until(press_and_release, 5, what=f"the key press and release of {chord}")

    def test_chords_arrive_with_their_keyval_and_modifiers(self):
        cases = [
            # chord, key names GDK may report, modifier bits that must be set exactly
            ("cmd+a", {"a"}, CONTROL),
            ("Ctrl+Shift+T", {"T", "t"}, CONTROL | SHIFT),
            ("shift+tab", {"ISO_Left_Tab", "Tab"}, SHIFT),
            ("alt+left", {"Left"}, MOD1),
            ("return", {"Return"}, 0),
            ("escape", {"Escape"}, 0),
        ]
        for chord, names, modifiers in cases:
            with self.subTest(chord=chord):
                event = self.press(chord)
                self.assertIn(event["name"], names, event)
                self.assertEqual(event["state"] & MODIFIERS, modifiers, event)
                self.assertEqual(event["window"], "Dorv Sample", event)
                self.assert_front_active()
        # The modifier is not left held: a plain key that follows carries no modifier.
        event = self.press("space")
        self.assertEqual((event["name"], event["state"] & MODIFIERS), ("space", 0))

    def test_unknown_chords_fail_and_post_nothing(self):
        before = len(self.key_presses_after(0))
        pid = str(self.sample.pid)
        self.run_failing('Unknown key in "f5"', "key", pid, "f5")
        self.run_failing('Unknown key in "Cmd+F1"', "key", pid, "Cmd+F1")
        self.run_failing('Unknown modifier "hyper"', "key", pid, "Hyper+T")
        self.run_failing('Unknown modifier "cmd "', "key", pid, "cmd + t")
        self.run_failing("key needs an app and a chord", "key", pid)
        # A good chord afterwards is the first key press the sample sees since.
        self.run_ok("key", pid, "escape")
        event = desktop.wait_until(lambda: next(iter(self.key_presses_after(before)), None), 5,
                                   what="the escape key press")
        self.assertEqual(event["name"], "Escape")
        self.assert_front_active()

    def test_typing_non_ascii_keys_restores_the_keyboard_map(self):
        shot = desktop.run("screenshot", str(self.sample.pid), "--out",
                           os.path.join(self.temp.name, "keys.png"))
        self.assertEqual(shot.status, 0, shot)
        index = next(e[0] for e in elements(shot) if e[1] == "TextField")
        keymap = keyboard_map()
        presses = len(self.key_presses_after(0))
        text = "Zoë é€ 😀 Ω!"
        typed = self.run_ok("type", str(self.sample.pid), "--index", str(index), "--text", text, "--keys")
        self.assertEqual(typed["via"], "key events")
        self.assertEqual(typed["typed"], text)
        self.assertEqual(keyboard_map(), keymap)
        # One press per character, none of them with a modifier the text does not need.
        desktop.wait_until(lambda: len(self.key_presses_after(presses)) >= len(text), 5,
                           what="a key press per character")
        typed_presses = self.key_presses_after(presses)
        self.assertEqual(len(typed_presses), len(text), typed_presses)
        self.assertEqual([e["state"] & MODIFIERS for e in typed_presses],
                         [SHIFT if c in "Z!" else 0 for c in text], typed_presses)
        # Every character arrives, also those typed through a borrowed keycode.
        self.sample.log.wait_for(lambda e: e["event"] == "text-changed" and e.get("widget") == "entry"
                                 and e["text"].endswith(text))
        # The front window comes back, though after a keyboard map change the window manager
        # may only carry that out after the run has ended.
        desktop.wait_until(lambda: desktop.active_window() == self.front.window, 5,
                           what="the front window active again")


class Opening(Base):
    def test_open_messages_and_a_running_application(self):
        self.run_failing('No app matches "no-such-app-e2e". Run `apps` to list running ones.',
                         "open", "no-such-app-e2e")
        self.run_failing('No app matches "no-such-app-e2e". Run `apps` to list running ones.',
                         "open", "no-such-app-e2e", "https://example.com")
        self.run_failing("open needs an app", "open")
        self.run_failing("\"not a url\" isn't a URL or a file path. Pass a full URL, like https://example.com.",
                         "open", "gtk3-widget-factory", "not a url")
        # A name is never a path, even to an entry that exists where it leads.
        outside = os.path.join(self.temp.name, "outside")
        os.makedirs(outside, exist_ok=True)
        with open(os.path.join(outside, "x.desktop"), "w", encoding="utf-8") as f:
            f.write(f"[Desktop Entry]\nType=Application\nName=Outside\nExec={desktop.SAMPLE_APP}\n")
        traversal = os.path.relpath(os.path.join(outside, "x"), os.path.expanduser("~/.local/share/applications"))
        self.run_failing(f'No app matches "{traversal}". Run `apps` to list running ones.', "open", traversal)
        opened = self.run_ok("open", "gtk3-widget-factory")
        self.assertEqual(opened["opened"], "already running")
        self.assertEqual(opened["pid"], self.front.pid)
        self.assertEqual(len(self.front.windows()), 1)
        self.assert_front_active()

    def test_open_hands_files_to_the_entry_as_it_asks(self):
        record = os.path.join(self.temp.name, "argv.txt")
        script = os.path.join(self.temp.name, "record-argv.sh")
        with open(script, "w", encoding="utf-8") as f:
            f.write(f'#!/bin/sh\nfor a in "$@"; do printf "%s\\n" "$a"; done > {shlex.quote(record)}.part\n'
                    f"mv {shlex.quote(record)}.part {shlex.quote(record)}\n")
        os.chmod(script, 0o755)
        self.addCleanup(os.remove, write_desktop_entry("dorv-e2e-recorder", f"{script} %f"))

        def opened_with(target):
            if os.path.exists(record):
                os.remove(record)
            opened = self.run_ok("open", "dorv-e2e-recorder", target)
            self.assertEqual(opened["opened"], target)
            self.assertGreater(opened["pid"], 0)
            desktop.wait_until(lambda: os.path.exists(record), 10, what="the recorder's argv")
            with open(record, encoding="utf-8") as f:
                return f.read().splitlines()

        document = os.path.join(self.temp.name, "a document é.txt")
        with open(document, "w") as f:
            f.write("hello\n")
        self.assertEqual(opened_with(document), [document])
        # A file-only entry is not handed a web address it would drop.
        self.run_failing("Couldn't open: dorv-e2e-recorder opens only files, not web addresses like "
                         "https://example.com.", "open", "dorv-e2e-recorder", "https://example.com")
        # A tilde path names a file under the home directory even before it exists.
        self.assertEqual(opened_with("~/not-yet-there.txt"), [os.path.expanduser("~/not-yet-there.txt")])
        self.assert_front_active()

    def launch_sample(self, name, title):
        """Opens a desktop entry that starts the sample application; returns the result, the
        launched window's facts and the launched sample's event log."""
        log = desktop.EventLog(os.path.join(self.temp.name, name + ".jsonl"))
        # One entry at a time runs the sample, so the running process maps back to this one.
        self.addCleanup(os.remove, write_desktop_entry(
            name, f"{desktop.SAMPLE_APP} --title {shlex.quote(title)} --log {log.path}"))
        opened = self.run_ok("open", name)
        self.addCleanup(end_process, opened["pid"])
        self.assertEqual(opened["opened"], name + ".desktop")
        self.assertGreater(opened["pid"], 0)
        window = desktop.wait_until(
            lambda: next((w for w in desktop.windows_of(opened["pid"]) if w["title"] == title), None),
            15, what="the launched window")
        desktop.wait_settled(window["id"])
        return opened, window, log

    def test_open_launches_an_application_that_is_not_running(self):
        opened, _, _ = self.launch_sample("dorv-e2e-sample", "Dorv Launched")
        desktop.activate(self.front.window)
        again = self.run_ok("open", "dorv-e2e-sample")
        self.assertEqual((again["opened"], again["pid"]), ("already running", opened["pid"]))
        self.assert_front_active()

    def test_a_launched_window_that_takes_the_focus_gives_it_back(self):
        opened, _, log = self.launch_sample("dorv-e2e-focus-taker", "Dorv Focus Taker")
        log.wait_for(lambda e: e["event"] == "focus-in")
        self.assert_front_active()
        self.assertIs(opened.get("stoleFocus"), True, opened)


@unittest.skipUnless(shutil.which("mousepad"), "mousepad is not installed")
class SingleInstanceEditor(Base):
    def test_opened_by_its_menu_name_then_handed_a_file_through_its_launcher(self):
        # Its desktop file is org.xfce.mousepad: only the name menus show finds it.
        launched = self.run_ok("open", "Mousepad")
        self.addCleanup(end_process, launched["pid"])
        self.assertEqual((launched["opened"], launched["app"]), ("org.xfce.mousepad.desktop", "Mousepad"))
        desktop.wait_until(lambda: desktop.windows_of(launched["pid"]), 15, what="the editor's window")
        self.assertEqual(self.run_ok("windows", "Mousepad")["app"], "Mousepad")
        self.run_failing("Couldn't open: Text Editor Settings takes no files or web addresses.",
                         "open", "Text Editor Settings", "/tmp")

        # The second process the entry starts hands the file over and exits: the result names
        # the instance that has it, and the front comes back if that instance took it.
        desktop.activate(self.front.window)
        document = os.path.join(self.temp.name, "second-file.txt")
        with open(document, "w", encoding="utf-8") as f:
            f.write("second\n")
        with desktop.ActiveWindowSpy() as spy:
            opened = self.run_ok("open", "Mousepad", document)
        self.assertEqual((opened["opened"], opened["pid"]), (document, launched["pid"]))
        desktop.wait_until(lambda: any("second-file.txt" in (w["title"] or "")
                                       for w in desktop.windows_of(launched["pid"])), 10,
                           what="the file in the running editor")
        editor_windows = [w["id"] for w in desktop.windows_of(launched["pid"])]
        self.assertEqual(opened.get("stoleFocus", False), any(w in editor_windows for w in spy.activated),
                         (opened, spy.activated))
        self.assert_front_active()


class Focusing(Base):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.sample = desktop.start_sample_app(second_window=True)
        desktop.activate(cls.front.window)

    @classmethod
    def tearDownClass(cls):
        cls.sample.stop()
        super().tearDownClass()

    def assert_focused(self, *window_option):
        """Runs focus and checks that the reported window became the active, topmost one."""
        focused = self.run_ok("focus", str(self.sample.pid), *window_option)
        self.assertNotIn("stoleFocus", focused)
        window = focused["focused"]
        self.assertIn(window, [w["id"] for w in self.sample.windows()])
        desktop.wait_until(lambda: desktop.active_window() == window, 5, what=f"{hex(window)} active")
        self.assertEqual(desktop.client_windows()[0], window)
        return window

    def test_focus_activates_the_window_and_the_named_one(self):
        self.assert_focused()
        titles = {w["title"]: w["id"] for w in self.sample.windows()}
        for title in ("Dorv Sample 2", "Dorv Sample"):
            desktop.activate(self.front.window)
            self.assertEqual(self.assert_focused("--window", str(titles[title])), titles[title])
        self.run_failing("focus needs an app", "focus")


@unittest.skipUnless(shutil.which("gtk3-icon-browser"), "gtk3-icon-browser is not installed")
class ThirdPartyApplication(Base):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.browser = desktop.start(["gtk3-icon-browser"])
        desktop.activate(cls.front.window)
        desktop.wait_settled(cls.browser.window)

    @classmethod
    def tearDownClass(cls):
        cls.browser.stop()
        super().tearDownClass()

    def elements(self):
        shot = desktop.run("screenshot", str(self.browser.pid), "--out",
                           os.path.join(self.temp.name, "icon-browser.png"))
        self.assertEqual(shot.status, 0, shot)
        self.assertEqual(shot.json["window"], self.browser.window)
        return elements(shot)

    def test_pressing_the_search_toggle_shows_and_hides_the_search_field(self):
        toggle = next(e[0] for e in self.elements() if e[1] == "CheckBox")

        def search_shown():
            return any(e[1:] == ("TextField", "Search") for e in self.elements())

        for shown in (True, False):
            clicked = self.run_ok("click", str(self.browser.pid), "--index", str(toggle))
            self.assertEqual(clicked["via"], "AXPress")
            # The search bar slides in and out, so the field comes and goes over a few frames.
            desktop.wait_until(lambda: search_shown() == shown, 5, what=f"the search field shown={shown}")
            self.assert_front_active()


if __name__ == "__main__":
    unittest.main()
