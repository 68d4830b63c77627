"""End-to-end: acting on gtk3-widget-factory, a third-party GTK3 window, in the background while
the sample application stays in front and focused; what the factory shows is read back through
its screenshots."""

import os
import tempfile
import unittest

import desktop

class WidgetFactoryBehind(desktop.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.temp = tempfile.TemporaryDirectory(prefix="factory-e2e-")
        cls.factory = desktop.start_widget_factory()
        cls.front = desktop.start_sample_app()
        desktop.activate(cls.front.window)
        desktop.wait_settled(cls.factory.window)

    @classmethod
    def tearDownClass(cls):
        cls.front.stop()
        cls.factory.stop()
        cls.temp.cleanup()

    def setUp(self):
        desktop.activate(self.front.window)

    def lines(self):
        shot = self.run_ok("screenshot", str(self.factory.pid), "--out", os.path.join(self.temp.name, "f.png"))
        self.assertEqual(shot["window"], self.factory.window)
        return [desktop.Line(text) for text in shot["elements"]]

    def line(self, role, label):
        return next(line for line in self.lines() if line.role == role and line.label == label)

    def act(self, *args):
        """Runs a command on the factory: the sample application is active again afterwards,
        and "stoleFocus" says whether another window was made active meanwhile."""
        with desktop.ActiveWindowSpy() as spy:
            result = self.run_ok(args[0], str(self.factory.pid), *args[1:])
        self.assertEqual(desktop.active_window(), self.front.window)
        stolen = any(w != self.front.window for w in spy.activated)
        self.assertEqual(result.get("stoleFocus", False), stolen, (result, spy.activated))
        return result

    def wait_for_line(self, predicate, what):
        return desktop.wait_until(lambda: next((l for l in self.lines() if predicate(l)), None), 10, what=what)

    def test_pressing_the_page_switcher_shows_the_other_page(self):
        def first_page_shown():
            return any(l.label == "Click icon to change mode" for l in self.lines())

        self.assertTrue(first_page_shown())
        for page, shown in (("Page 2", False), ("Page 1", True)):
            clicked = self.act("click", "--index", str(self.line("RadioButton", page).index))
            self.assertEqual(clicked["via"], "AXPress")
            desktop.wait_until(lambda: first_page_shown() == shown, 10, what=f"{page} shown")

    def test_typing_into_an_entry_and_clearing_it_with_a_chord(self):
        entry = self.line("TextField", "Click icon to change mode")
        # Focusing a widget through accessibility presents GTK's window: the focus is given back.
        typed = self.act("type", "--index", str(entry.index), "--text", "héllo wörld")
        self.assertEqual(typed["via"], "AXSelectedText")
        self.assertIs(typed["stoleFocus"], True)
        self.wait_for_line(lambda l: l.index == entry.index and l.value == "héllo wörld", "the inserted text")

        # The entry has the application's keyboard focus now; the chords go to it.
        self.act("key", "ctrl+a")
        self.act("key", "backspace")
        self.wait_for_line(lambda l: l.index == entry.index and l.value is None, "the cleared entry")

        typed = self.act("type", "--text", "Zoë 😀 Ω", "--keys")
        self.assertEqual(typed["via"], "key events")
        self.wait_for_line(lambda l: l.index == entry.index and l.value == "Zoë 😀 Ω", "the typed keys")
        self.act("key", "ctrl+a")
        self.act("key", "backspace")

    def vertical_slider(self):
        return self.line("Slider", "50.0") if any(l.label == "50.0" for l in self.lines()) else None

    def test_dragging_and_clicking_a_slider(self):
        slider = self.vertical_slider()
        self.assertIsNotNone(slider, "the factory's vertical scale starts at 50")
        dragged = self.act("drag", "--from", f"{slider.x},{slider.y}", "--to", f"{slider.x},{slider.y - 200}")
        self.assertEqual(dragged["dragged"], f"{slider.x},{slider.y} -> {slider.x},{slider.y - 200}")
        moved = self.wait_for_line(lambda l: l.index == slider.index and l.label not in ("50.0", ""),
                                   "the dragged scale")

        # A scale has no press action: the point is clicked. The primary button moves the
        # slider to where the trough is clicked.
        clicked = self.act("click", "--at", f"{slider.x},{slider.y + 40}")
        self.assertEqual(clicked["via"], "background click")
        self.wait_for_line(lambda l: l.index == slider.index and l.label not in (moved.label, ""),
                           "the clicked scale")


if __name__ == "__main__":
    unittest.main()
