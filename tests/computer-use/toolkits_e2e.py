"""End-to-end: one small real task on an application of each toolkit Debian ships, done only
through dorv-computer-use while the sample application stays active: GTK 4 (gnome-calculator),
Qt 5 (featherpad), GTK 2 with its accessibility bridge (gtk-demo), the browsers (firefox-esr and
chromium on a form page of our own) and a window without any accessibility (xterm)."""

import os
import tempfile
import unittest

import desktop
from screenshot_e2e import read_png

class Behind(desktop.TestCase):
    """One application started behind the active sample application."""

    argv = None

    @classmethod
    def command(cls, temp):
        """The application's command line; temp is a private directory it may keep files in."""
        return cls.argv

    @classmethod
    def setUpClass(cls):
        cls.temp = tempfile.TemporaryDirectory(prefix="toolkits-e2e-")
        cls.app = desktop.start(cls.command(cls.temp.name), timeout=60)
        cls.front = desktop.start_sample_app()
        desktop.wait_settled(cls.app.window)

    @classmethod
    def tearDownClass(cls):
        cls.front.stop()
        cls.app.stop()
        cls.temp.cleanup()

    def setUp(self):
        desktop.activate(self.front.window)

    def shot(self):
        shot = self.run_ok("screenshot", str(self.app.pid), "--out", os.path.join(self.temp.name, "w.png"))
        self.assertEqual(shot["window"], self.app.window)
        return shot

    def lines(self):
        return [desktop.Line(text) for text in self.shot()["elements"]]

    def line(self, role, label):
        # The toolkit joins the accessibility bus a moment after its window maps.
        return desktop.wait_until(
            lambda: next((l for l in self.lines() if l.role == role and l.label == label), None), 20,
            what=f"{role} {label!r}")

    def act(self, *args):
        """A command on the application; the sample application stays active throughout."""
        with desktop.ActiveWindowSpy() as spy:
            result = self.run_ok(args[0], str(self.app.pid), *args[1:])
        self.assertEqual(desktop.active_window(), self.front.window)
        self.assertEqual([w for w in spy.activated if w != self.front.window], [])
        self.assertNotIn("stoleFocus", result)
        return result

    def act_for_real(self, *args):
        """A command whose input the toolkit takes only for real: the application's window is made
        active for it, and the sample application's given back."""
        result = self.run_ok(args[0], str(self.app.pid), *args[1:])
        self.assertIs(result["stoleFocus"], True)
        desktop.wait_until(lambda: desktop.active_window() == self.front.window, 5, what="the user's window back")
        return result


class Gtk4Calculator(Behind):
    argv = ["gnome-calculator"]

    def display(self, number):
        """Waits for the number in the calculator's display, which is unnamed: its text labels it."""
        desktop.wait_until(lambda: any(l.role == "TextArea" and number in (l.label, l.value) for l in self.lines()),
                           10, what=f"{number} in the display")

    def test_adding_two_numbers_shows_the_sum(self):
        equals = self.line("Button", "=")
        # GTK 4 names a button by its label twice, and an unlabelled object by its class: each
        # button reads as in GTK 3, its label once, and no name is a class name.
        lines = self.lines()
        self.assertEqual([l.label for l in lines if l.label in ("7", "7 7")], ["7"])
        self.assertEqual([l.label for l in lines if l.label.startswith(("Gtk", "Adw"))], [])
        # A menu button is the button inside it, listed once, which opens its menu in the background.
        self.assertEqual([l.label for l in lines if l.label == "Primary menu"], ["Primary menu"])
        # GTK 4 reports positions inside its window only: they must still land on the button.
        image = read_png(self.shot()["png"])
        r, g, b, _ = image.pixel(equals.x, equals.y)
        self.assertTrue(r > 180 and g < 170 and b < 100, (r, g, b))  # the orange "="
        for label in ("7", "+", "3", "="):
            self.assertEqual(self.act("click", "--index", str(self.line("Button", label).index))["via"], "AXPress")
        self.display("10")
        # The history's labels, which GTK 4 answers with nothing when asked for "all" their text.
        self.assertIn("7+3", self.shot()["text"])
        # GTK 4 ignores synthetic keys.
        self.act_for_real("type", "--text", "*4", "--keys")
        self.act_for_real("key", "Return")
        self.display("40")
        # GTK 4 takes the pointer only for real too; the user's pointer is put back afterwards.
        pointer = desktop.pointer()
        seven = self.line("Button", "7")
        self.act_for_real("click", "--at", f"{seven.x},{seven.y}")
        self.assertEqual(desktop.pointer(), pointer)
        self.display("7")
        mode = self.line("Button", "Basic")
        self.assertEqual(self.act("click", "--index", str(mode.index))["via"], "AXPress")
        self.line("MenuItem", "Advanced")


class QtFeatherPad(Behind):
    argv = ["env", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1", "featherpad"]

    def test_closed_menus_are_not_listed_typing_reaches_the_editor_and_qt_actions_press(self):
        self.line("MenuItem", "File")
        labels = {(l.role, l.label) for l in self.lines()}
        self.assertNotIn(("MenuItem", "New"), labels)  # an item of the closed File menu
        editor = self.line("TextArea", "")
        self.act("type", "--index", str(editor.index), "--text", "hello qt")
        # The unnamed editor is labelled by its text.
        self.line("TextArea", "hello qt")
        # Qt names its actions "Toggle", "Press": they are presses, not clicks at a point.
        box = self.line("CheckBox", "Match Case (F5)")
        self.assertEqual(self.act("click", "--index", str(box.index))["via"], "AXPress")


class Gtk2Demo(Behind):
    argv = ["env", "GTK_MODULES=gail:atk-bridge", "gtk-demo"]

    def test_the_demo_list_is_read_and_a_row_is_selected(self):
        # GTK 2's bridge answers collection matches with null entries for many of these cells.
        builder = self.line("Cell", "Builder")
        self.assertEqual(self.act("click", "--index", str(builder.index))["via"], "AXSelected")
        self.line("Cell", "Builder")


FORM_PAGE = "file://" + os.path.join(os.path.dirname(os.path.abspath(__file__)), "fixtures", "form.html")


class BrowserTask:
    """The form page of fixtures/form.html, which writes what happened into its last paragraph;
    mixed into a Behind case per browser."""

    name = None  # what a person calls the browser
    switched_on = False  # started without accessibility: the first command switches it on

    def status(self, text):
        desktop.wait_until(lambda: text in self.shot()["text"], 10, what=f"{text!r} in the page")

    def test_the_form_is_filled_in_and_sent(self):
        listed = self.run_ok("windows", self.name)
        self.assertEqual(listed["windows"][0]["id"], self.app.window)
        if self.switched_on:
            # The run that switches the browser on, behind the user's window, waits for its page.
            with desktop.ActiveWindowSpy() as spy:
                first = self.shot()
            self.assertIn("Nothing happened yet.", first["text"])
            self.assertEqual([w for w in spy.activated if w != self.front.window], [])
        send = self.line("Button", "Send order")
        shot = self.shot()
        self.assertIn("Nothing happened yet.", shot["text"])
        r, g, b, _ = read_png(shot["png"]).pixel(send.x, send.y)
        self.assertTrue(r > 200 and 90 < g < 170 and b < 60, (r, g, b))  # the orange button
        self.assertEqual(self.act("click", "--index", str(self.line("CheckBox", "Gift wrap").index))["via"],
                         "AXPress")
        self.status("Gift wrap on")
        # Focusing a page's field activates the browser's window; the text goes as keys.
        self.act_for_real("type", "--index", str(self.line("TextField", "Name").index), "--text", "ada")
        desktop.wait_until(lambda: any(l.role == "TextField" and l.value == "ada" for l in self.lines()), 10,
                           what="the typed name")
        # The page's keys come only for real.
        self.act_for_real("key", "ctrl+u")
        self.status("Upper case: ADA")
        self.assertEqual(self.act("click", "--index", str(send.index))["via"], "AXPress")
        self.status("Sent for ADA with gift wrap")


class Firefox(BrowserTask, Behind):
    name = "firefox"
    switched_on = True

    @classmethod
    def command(cls, temp):
        # No first-run pages, no preloaded new tab, nothing asked of the user.
        with open(os.path.join(temp, "user.js"), "w") as prefs:
            for pref in ("browser.shell.checkDefaultBrowser", "browser.aboutwelcome.enabled",
                         "datareporting.policy.dataSubmissionEnabled", "toolkit.telemetry.reportingpolicy.firstRun",
                         "browser.newtab.preload", "app.update.enabled"):
                prefs.write(f'user_pref("{pref}", false);\n')
            prefs.write('user_pref("browser.startup.homepage_override.mstone", "ignore");\n')
        # Started without accessibility, as most users have it: Firefox joins the accessibility
        # bus when the session's switch is turned on while it runs (and a window of it gains the
        # focus, which the switching tells it of without moving the focus).
        return ["firefox-esr", "--no-remote", "--new-instance", "--profile", temp, FORM_PAGE]


class Chromium(BrowserTask, Behind):
    name = "chromium"

    @classmethod
    def command(cls, temp):
        # Chromium reads the session's switch only at start and builds its tree only when forced.
        return ["env", "ACCESSIBILITY_ENABLED=1", "chromium", "--force-renderer-accessibility",
                "--user-data-dir=" + temp, "--no-first-run", "--no-default-browser-check", "--test-type",
                "--no-sandbox", "--disable-gpu", "--password-store=basic", "--disable-background-networking",
                "--disable-component-update", "--disable-sync", FORM_PAGE]


class WithoutAccessibility(Behind):
    argv = ["xterm", "-title", "plain terminal"]

    def test_the_window_is_captured_and_takes_events(self):
        listed = self.run_ok("windows", str(self.app.pid))["windows"]
        self.assertEqual([w["title"] for w in listed], ["plain terminal"])
        shot = self.shot()
        self.assertEqual((shot["elements"], shot["text"], shot["title"]), ([], [], "plain terminal"))
        image = read_png(shot["png"])
        self.assertEqual([image.width, image.height], listed[0]["frame"][2:])
        # xterm ignores synthetic events: keys and pointer go for real to its window only.
        out = os.path.join(self.temp.name, "typed.txt")
        self.act_for_real("click", "--at", "40,40")
        self.act_for_real("drag", "--from", "20,30", "--to", "120,30")
        self.act_for_real("type", "--text", f"echo typed > {out}")
        self.act_for_real("key", "Return")
        desktop.wait_until(lambda: os.path.exists(out) and open(out).read() == "typed\n", 10, what="the command's output")


if __name__ == "__main__":
    unittest.main()
