"""End-to-end: the screenshot command's image and element positions, a covered window, the
output paths and the modes of the activity files, the detached live copy, and whole files
under concurrent runs."""

import collections
import json
import os
import shutil
import struct
import subprocess
import tempfile
import threading
import unittest
import zlib

import desktop
from acting_e2e import find

# Absolute, since some runs have another current directory.
PROGRAM = os.path.abspath(desktop.COMPUTER_USE) if os.sep in desktop.COMPUTER_USE else desktop.COMPUTER_USE
ACTIVITY_DIR = os.path.expanduser("~/.dorv/computer-use")
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
IEND_CHUNK = b"\x00\x00\x00\x00IEND\xaeB`\x82"


# ---------------------------------------------------------------------------------------
# PNG decoding, zlib and struct only

class Image:
    """A decoded 8-bit RGBA PNG: pixel(x, y) gives (r, g, b, a)."""

    def __init__(self, width, height, pixels):
        self.width = width
        self.height = height
        self.pixels = pixels  # rows of width * 4 bytes, no filter bytes

    def pixel(self, x, y):
        i = (y * self.width + x) * 4
        return tuple(self.pixels[i:i + 4])


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def _unfilter(kind, row, prior, bpp):
    if kind == 0:
        return row
    if kind == 2:
        return bytearray((r + p) & 0xFF for r, p in zip(row, prior))
    out = bytearray(row)
    for i in range(len(out)):
        left = out[i - bpp] if i >= bpp else 0
        if kind == 1:
            out[i] = (out[i] + left) & 0xFF
        elif kind == 3:
            out[i] = (out[i] + ((left + prior[i]) >> 1)) & 0xFF
        elif kind == 4:
            upper_left = prior[i - bpp] if i >= bpp else 0
            out[i] = (out[i] + _paeth(left, prior[i], upper_left)) & 0xFF
        else:
            raise ValueError(f"PNG filter type {kind}")
    return out


def decode_png(data):
    """Decodes the bytes of a PNG; the image must be 8-bit RGBA and not interlaced."""
    if data[:8] != PNG_SIGNATURE:
        raise ValueError("not a PNG signature")
    pos, header, idat = 8, None, bytearray()
    while True:
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        crc, = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        if zlib.crc32(kind + body) != crc:
            raise ValueError(f"bad CRC in {kind}")
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
    width, height, depth, colour, _, _, interlace = header
    if (depth, colour, interlace) != (8, 6, 0):
        raise ValueError(f"not 8-bit RGBA: depth {depth}, colour type {colour}, interlace {interlace}")
    raw = zlib.decompress(bytes(idat))
    stride = width * 4
    if len(raw) != height * (stride + 1):
        raise ValueError("image data of the wrong length")
    rows, prior = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        prior = _unfilter(raw[start], raw[start + 1:start + 1 + stride], prior, 4)
        rows.append(bytes(prior))
    return Image(width, height, b"".join(rows))


def read_png(path):
    with open(path, "rb") as f:
        return decode_png(f.read())


def looks_whole_png(data):
    return data[:8] == PNG_SIGNATURE and data.endswith(IEND_CHUNK)


# ---------------------------------------------------------------------------------------
# Helpers

def row_background(image, x, y):
    """The most frequent colour of row y right of x: the window's background beside the last
    widget of a row packed from the start."""
    return collections.Counter(image.pixel(i, y) for i in range(x, image.width)).most_common(1)[0][0]


def is_dark(pixel):
    return sum(pixel[:3]) < 300


def label_centre(image, x, y, reach=14, gap=10):
    """The centre of the dark (text) pixels in the rows y - reach .. y + reach that form one
    run of columns, no more than gap columns apart, around column x; None without any."""
    rows = range(max(y - reach, 0), min(y + reach + 1, image.height))

    def dark_rows(column):
        return [r for r in rows if is_dark(image.pixel(column, r))]
    columns = [c for c in range(max(x - gap, 0), min(x + gap + 1, image.width)) if dark_rows(c)]
    if not columns:
        return None
    left = right = min(columns, key=lambda c: abs(c - x))
    while True:
        step = next((c for c in range(left - 1, max(left - gap - 1, -1), -1) if dark_rows(c)), None)
        if step is None:
            break
        left = step
    while True:
        step = next((c for c in range(right + 1, min(right + gap + 1, image.width)) if dark_rows(c)), None)
        if step is None:
            break
        right = step
    ys = [r for c in range(left, right + 1) for r in dark_rows(c)]
    return (left + right) / 2, (min(ys) + max(ys)) / 2


def live_copies():
    """Pids of the `dorv-computer-use live` processes of this desktop session (other sessions
    on the machine have another HOME)."""
    program = os.path.realpath(shutil.which(PROGRAM))
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                argv = f.read().split(b"\0")[:-1]
            with open(f"/proc/{entry}/environ", "rb") as f:
                environ = f.read().split(b"\0")
        except OSError:
            continue
        if len(argv) == 2 and argv[1] == b"live" and os.path.realpath(os.fsdecode(argv[0])) == program \
                and b"HOME=" + os.environ["HOME"].encode() in environ:
            found.append(int(entry))
    return found


def overlap(a, b):
    """The area shared by two [x, y, width, height] rectangles."""
    w = min(a[0] + a[2], b[0] + b[2]) - max(a[0], b[0])
    h = min(a[1] + a[3], b[1] + b[3]) - max(a[1], b[1])
    return max(w, 0) * max(h, 0)


def equal_fraction(a, b, offset=(0, 0)):
    """The fraction of a's pixels equal to b's at the same place shifted by offset; pixels of a
    outside b count as different."""
    same = total = 0
    for y in range(0, a.height, 2):
        for x in range(0, a.width, 2):
            total += 1
            bx, by = x + offset[0], y + offset[1]
            if 0 <= bx < b.width and 0 <= by < b.height and a.pixel(x, y)[:3] == b.pixel(bx, by)[:3]:
                same += 1
    return same / total


# ---------------------------------------------------------------------------------------

class Screenshot(desktop.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sample = desktop.start_sample_app()
        cls.out = tempfile.mkdtemp(dir=os.environ.get("TEST_RUN_DIR"))

    @classmethod
    def tearDownClass(cls):
        cls.sample.stop()

    def frame_of(self, app):
        return desktop.wait_settled(app.window)["frame"]

    def test_element_positions_land_on_the_buttons_they_name(self):
        desktop.activate(self.sample.window)
        frame = self.frame_of(self.sample)
        result = self.run_ok("screenshot", str(self.sample.pid), "--out", os.path.join(self.out, "front.png"))
        image = read_png(result["png"])
        self.assertEqual((image.width, image.height), tuple(frame[2:]))
        self.assertEqual(result["size"], frame[2:])
        _, _, _, ok_x, ok_y = find(result, "Button", "OK")
        bg = row_background(image, int(ok_x), int(ok_y))

        centres = []
        for label in ("Press me", "Cancel", "OK"):
            _, _, _, x, y = find(result, "Button", label)
            x, y = int(x), int(y)
            # Inside the button's drawn area, its label centred on the point: a position off by
            # the frame's title bar or taken from another origin lands beside the label or on
            # the window's background.
            self.assertNotEqual(image.pixel(x, y), bg, label)
            centre = label_centre(image, x, y)
            self.assertIsNotNone(centre, label)
            self.assertLessEqual(abs(centre[0] - x), 4, (label, centre, x, y))
            self.assertLessEqual(abs(centre[1] - y), 4, (label, centre, x, y))
            centres.append(centre)
        self.assertEqual(len(set(centres)), 3, centres)

    def test_a_covered_window_comes_out_as_itself(self):
        factory = desktop.start_widget_factory()
        try:
            desktop.activate(factory.window)
            sample = self.frame_of(self.sample)
            # Beside the sample first, so both pictures show the sample in the same (inactive) state.
            subprocess.run(["xdotool", "windowmove", str(factory.window), str(sample[0] + sample[2] + 20), "0"],
                           check=True, timeout=10)
            beside = self.frame_of(factory)
            self.assertEqual(overlap(beside, sample), 0, (beside, sample))
            alone = read_png(self.run_ok("screenshot", str(self.sample.pid), "--out",
                                         os.path.join(self.out, "alone.png"))["png"])

            subprocess.run(["xdotool", "windowmove", str(factory.window), str(sample[0]), str(sample[1])],
                           check=True, timeout=10)
            over = self.frame_of(factory)
            self.assertEqual(overlap(over, sample), sample[2] * sample[3], (over, sample))
            self.assertEqual(desktop.active_window(), factory.window)
            covered = read_png(self.run_ok("screenshot", str(self.sample.pid), "--out",
                                           os.path.join(self.out, "covered.png"))["png"])

            screen_png = os.path.join(self.out, "screen.png")
            subprocess.run(["import", "-window", "root", "png32:" + screen_png], check=True, timeout=30)
            screen = read_png(screen_png)
        finally:
            factory.stop()

        # The screen there shows the factory, so a copy of the screen would not match.
        self.assertLess(equal_fraction(alone, screen, offset=(sample[0], sample[1])), 0.9)
        self.assertGreater(equal_fraction(alone, covered), 0.98)

    def test_output_paths_and_private_activity_files(self):
        cwd = tempfile.mkdtemp(dir=self.out)
        relative = self.run_ok("screenshot", str(self.sample.pid), "--out", "relative.png", cwd=cwd)
        self.assertEqual(os.path.join(cwd, relative["png"]), os.path.join(cwd, "relative.png"))
        with open(os.path.join(cwd, "relative.png"), "rb") as f:
            self.assertTrue(looks_whole_png(f.read()))
        self.assertFalse(os.path.exists("relative.png"))

        absolute = os.path.join(self.out, "absolute.png")
        self.assertEqual(self.run_ok("screenshot", str(self.sample.pid), "--out", absolute, cwd=cwd)["png"],
                         absolute)
        self.assertEqual(read_png(absolute).width, relative["size"][0])

        default = self.run_ok("screenshot", str(self.sample.pid), cwd=cwd)
        path = os.path.join(ACTIVITY_DIR, f"screenshot-{self.sample.window}.png")
        self.assertEqual(default["png"], path)
        self.assertEqual((read_png(path).width, read_png(path).height), tuple(default["size"]))

        # Pictures of the user's windows: readable by the user only.
        self.assertEqual(os.stat(ACTIVITY_DIR).st_mode & 0o777, 0o700)
        for name in ("activity.json", "windows.json", f"frame-{self.sample.window}.png",
                     f"screenshot-{self.sample.window}.png", "live.lock"):
            self.assertEqual(os.stat(os.path.join(ACTIVITY_DIR, name)).st_mode & 0o777, 0o600, name)

    def test_live_copy_runs_once_keeps_the_frame_fresh_and_ends(self):
        # A copy left by earlier actions would hide whether these actions start one.
        desktop.wait_until(lambda: not live_copies(), 40, 0.25, what="earlier live copies to end")
        frame = os.path.join(ACTIVITY_DIR, f"frame-{self.sample.window}.png")
        self.run_ok("screenshot", str(self.sample.pid), "--out", os.path.join(self.out, "live1.png"))
        first = desktop.wait_until(live_copies, 5, what="a live copy")
        self.run_ok("screenshot", str(self.sample.pid), "--out", os.path.join(self.out, "live2.png"))
        # A second copy that loses the lock race ends at once; a second loop would stay.
        desktop.wait_until(lambda: live_copies() == first, 5, what="a single live copy")
        self.assertEqual(len(first), 1)

        written = os.stat(frame).st_mtime_ns
        desktop.wait_until(lambda: os.stat(frame).st_mtime_ns > written, 10, what="a fresh frame")
        with open(frame, "rb") as f:
            self.assertTrue(looks_whole_png(f.read()))

        desktop.wait_until(lambda: not live_copies(), 40, 0.25, what="the live copy to end")

    def test_concurrent_runs_leave_whole_files(self):
        self.run_ok("screenshot", str(self.sample.pid))
        paths = [os.path.join(ACTIVITY_DIR, name) for name in
                 ("activity.json", "windows.json", f"frame-{self.sample.window}.png",
                  f"screenshot-{self.sample.window}.png")]
        stop = threading.Event()
        faults, reads = [], [0]

        def reader():
            while not stop.is_set():
                for path in paths:
                    try:
                        with open(path, "rb") as f:
                            data = f.read()
                        if path.endswith(".json"):
                            json.loads(data)
                        elif not looks_whole_png(data):
                            faults.append(f"{path}: {len(data)} bytes, not a whole PNG")
                    except (OSError, ValueError) as e:
                        faults.append(f"{path}: {e!r}")
                    reads[0] += 1

        thread = threading.Thread(target=reader)
        thread.start()
        try:
            runs = [subprocess.Popen([PROGRAM, "screenshot", str(self.sample.pid)],
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE) for _ in range(20)]
            results = [(p.communicate(timeout=120), p.returncode) for p in runs]
        finally:
            stop.set()
            thread.join()
        for (out, err), status in results:
            self.assertEqual((status, err), (0, b""), out)
            self.assertTrue(json.loads(out)["ok"])
        self.assertEqual(faults[:5], [])
        self.assertGreater(reads[0], 20)
        for path in paths[2:]:
            read_png(path)
        left = {f".{p.pid}.tmp" for p in runs}
        self.assertEqual([n for n in os.listdir(ACTIVITY_DIR) if n[n.rfind(".", 0, -4):] in left], [])


if __name__ == "__main__":
    unittest.main()
