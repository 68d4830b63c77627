"""End-to-end: screenshot, click, type, drag, key and focus on the sample application while
another application stays in front, checked through the sample's own event log."""

import json
import os
import re
import struct
import unittest
import zlib

import desktop

LINE = re.compile(r'^\[(\d+)\] (\S+) "(.*)" @(-?\d+|\?),(-?\d+|\?)$')


def elements(shot):
    """The element lines of a screenshot's JSON object as (index, role, label, x, y)."""
    out = []
    for line in shot["elements"]:
        m = LINE.match(line)
        assert m, line
        out.append((int(m[1]), m[2], m[3], m[4], m[5]))
    return out


def find(shot, role, label):
    return next(e for e in elements(shot) if e[1] == role and e[2] == label)


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(33)
    assert head[:8] == b"\x89PNG\r\n\x1a\n"
    width, height, depth, colour = struct.unpack(">IIBB", head[16:26])
    return width, height, depth, colour


class Acting(desktop.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sample = desktop.start_sample_app(log=True)
        cls.front = desktop.start_widget_factory()
        desktop.activate(cls.front.window)
        desktop.wait_settled(cls.sample.window)

    @classmethod
    def tearDownClass(cls):
        cls.front.stop()
        cls.sample.stop()

    def setUp(self):
        desktop.activate(self.front.window)

    def assert_front_kept(self):
        self.assertEqual(desktop.active_window(), self.front.window)

    def screenshot(self):
        out = os.path.join(os.environ.get("TEST_RUN_DIR", "/tmp"), "acting.png")
        result = desktop.run("screenshot", str(self.sample.pid), "--out", out)
        self.assertEqual(result.status, 0, result)
        return result

    def test_screenshot_of_a_background_window(self):
        result = self.screenshot()
        shot = result.json
        self.assertEqual(shot["window"], self.sample.window)
        self.assertEqual(shot["title"], "Dorv Sample")
        frame = next(w for w in desktop.windows_of(self.sample.pid) if w["id"] == self.sample.window)["frame"]
        self.assertEqual(shot["size"], frame[2:])
        self.assertEqual(png_size(shot["png"]), (frame[2], frame[3], 8, 6))
        self.assertTrue(any(re.fullmatch(r"Ready|Pressed \d+", t) for t in shot["text"]), shot["text"])
        find(result.json, "Button", "Press me")
        home = os.path.expanduser("~/.dorv/computer-use")
        with open(os.path.join(home, "activity.json")) as f:
            activity = json.load(f)
        self.assertEqual(activity["action"], "screenshot")
        self.assertTrue(os.path.exists(os.path.join(home, f"frame-{self.sample.window}.png")))
        self.assert_front_kept()

    def test_click_by_index_and_at_the_listed_position(self):
        result = self.screenshot()
        index, _, _, x, y = find(result.json, "Button", "Press me")
        clicked = self.run_ok("click", str(self.sample.pid), "--index", str(index))
        self.assertEqual(clicked["via"], "AXPress")
        self.assertEqual(clicked["clicked"], f'[{index}] AXButton "Press me"')
        self.sample.log.wait_for(lambda e: e["event"] == "clicked" and e.get("label", "").startswith("Pressed"), timeout=20)
        self.assert_front_kept()

        # The listed position is a window pixel that lies on the button. The window is covered
        # there, so the point is clicked in the background rather than found by hit-testing.
        presses = len([e for e in self.sample.log.events() if e["event"] == "clicked" and "label" in e])
        clicked = self.run_ok("click", str(self.sample.pid), "--at", f"{x},{y}")
        self.assertIn(clicked["clicked"], ('AXButton "Press me"', f"{x},{y}"))
        self.sample.log.wait_for(lambda e: e["event"] == "clicked" and e.get("label") == f"Pressed {presses + 1}", timeout=20)

    def test_background_click_on_a_point_without_a_press_action(self):
        result = self.screenshot()
        _, _, _, x, y = find(result.json, "CheckBox", "Enable feature")
        clicked = self.run_ok("click", str(self.sample.pid), "--at", f"{x},{y}", "--say", "Ticking the box")
        self.assertIn(clicked["via"], ("AXPress", "background click"))
        self.sample.log.wait_for(lambda e: e["event"] == "toggled", timeout=20)
        self.assert_front_kept()

    def test_type_into_the_entry_through_accessibility_and_as_keys(self):
        result = self.screenshot()
        index = find(result.json, "TextField", "Type here")[0]
        typed = self.run_ok("type", str(self.sample.pid), "--index", str(index), "--text", "héllo")
        self.assertEqual(typed["typed"], "héllo")
        self.sample.log.wait_for(lambda e: e["event"] == "text-changed" and "héllo" in e.get("text", ""), timeout=20)
        self.assert_front_kept()

        typed = self.run_ok("type", str(self.sample.pid), "--index", str(index), "--text", "ab€", "--keys")
        self.assertEqual(typed["via"], "key events")
        self.sample.log.wait_for(lambda e: e["event"] == "text-changed" and e.get("text", "").endswith("ab€"), timeout=20)
        self.assert_front_kept()

    def test_drag_the_slider(self):
        result = self.screenshot()
        _, _, _, x, y = find(result.json, "Slider", "50")
        frame = next(w for w in desktop.windows_of(self.sample.pid) if w["id"] == self.sample.window)["frame"]
        dragged = self.run_ok("drag", str(self.sample.pid), "--from", f"{x},{y}", "--to", f"{frame[2] - 5},{y}")
        self.assertEqual(dragged["dragged"], f"{x},{y} -> {frame[2] - 5},{y}")
        self.sample.log.wait_for(lambda e: e["event"] == "value-changed" and e["value"] > 50, timeout=20)
        self.assert_front_kept()

    def test_focus_brings_the_window_front(self):
        focused = self.run_ok("focus", str(self.sample.pid))
        self.assertEqual(focused["focused"], self.sample.window)
        desktop.wait_until(lambda: desktop.active_window() == self.sample.window, 5, what="the sample in front")

    def test_messages_of_the_acting_commands(self):
        result = desktop.run("click", str(self.sample.pid), "--index", "999")
        self.assertEqual(result.status, 1)
        self.assertRegex(result.json["error"], r"^No element 999; the window has \d+\. Screenshot again\.$")
        result = desktop.run("screenshot", str(self.sample.pid), "--window", "12345")
        self.assertEqual(result.status, 1)
        self.assertEqual(result.json["error"],
                         "Window 12345 isn't one of this app's accessible windows. Run `windows` for ids.")


if __name__ == "__main__":
    unittest.main()
