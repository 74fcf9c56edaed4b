# SPDX-License-Identifier: GPL-3.0-or-later
"""Key press or program start to the picture painted, read from the screen of the
X server in DISPLAY. Each picture of the folder is a noisy field around one colour,
so a small box of the screen tells which picture is shown.

  read_ahead_e2e.py make FOLDER COUNT [W H]      writes COUNT 6000 x 4000 (or W x H) JPEGs
  read_ahead_e2e.py make-light FOLDER COUNT      writes COUNT 1600 x 1000 JPEGs of one
        colour each, shown alike: stepping through them measures what the harness and
        painting take
  read_ahead_e2e.py steps FOLDER X Y STEPS PAUSE_MS FIRST
        presses Down STEPS times, each after a pause (0: at once after the last paint),
        and prints the milliseconds from each press to the next picture on screen
  read_ahead_e2e.py start FOLDER X Y INDEX PROGRAM [ARG...]
        starts the program and prints the milliseconds until picture INDEX is on screen
  read_ahead_e2e.py held FOLDER X Y HOLD_MS PERIOD
        holds Down for HOLD_MS (the server repeats it: 250 ms delay, 30 a second) and
        prints the pictures painted meanwhile and how far the list ran on after the
        key was let go (picture i looks like picture i % PERIOD)
  read_ahead_e2e.py slideshow FOLDER X Y STEPS PERIOD
        follows a slideshow from picture 1 on (a picture a second) and prints how the
        times between pictures painted spread: a step not ready at its tick shows as
        one gap longer than a second and the next one shorter
  read_ahead_e2e.py memory FOLDER X Y STEPS PERIOD PID
        presses Down STEPS times, each once the last picture is painted (picture i
        looks like picture i % PERIOD), and prints the resident memory of PID every
        tenth step, read after a rest of 1.5 s
"""
import ctypes
import os
import statistics
import subprocess
import sys
import time

from PIL import Image, ImageGrab

BOX = 12
TIMEOUT = 10.0


def colour(i):
    # Neighbours far apart in hue and brightness.
    return ((i * 97 + 40) % 200 + 28, (i * 53 + 120) % 200 + 28, (i * 151 + 10) % 200 + 28)


def make(folder, count, size=(6000, 4000)):
    noise = Image.effect_noise(size, 40).convert("RGB")
    for i in range(count):
        picture = Image.blend(Image.new("RGB", noise.size, colour(i)), noise, 0.25)
        picture.save(os.path.join(folder, "photo%03d.jpg" % i), quality=90)


def make_light(folder, count):
    for i in range(count):
        seen = tuple(int(0.75 * c + 0.25 * 128) for c in colour(i))
        Image.new("RGB", (1600, 1000), seen).save(os.path.join(folder, "photo%03d.jpg" % i), quality=90)


def shown(x, y):
    box = ImageGrab.grab(bbox=(x, y, x + BOX, y + BOX), xdisplay=os.environ["DISPLAY"]).convert("RGB")
    pixels = list(box.getdata())
    return tuple(sum(p[c] for p in pixels) / len(pixels) for c in range(3))


def near(seen, want):
    # The blend moves each colour a quarter of the way towards the noise's grey.
    expected = tuple(0.75 * w + 0.25 * 128 for w in want)
    return max(abs(s - e) for s, e in zip(seen, expected)) < 12


def resident_mb(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


def wait_for(x, y, index, since):
    while time.perf_counter() - since < TIMEOUT:
        if near(shown(x, y), colour(index)):
            return (time.perf_counter() - since) * 1000
        # Polling flat out would take a core from the program measured.
        time.sleep(0.002)
    raise SystemExit("picture %d never appeared" % index)


class Keys:
    def __init__(self):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.display = self.x11.XOpenDisplay(os.environ["DISPLAY"].encode())
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.down = self.x11.XKeysymToKeycode(self.display, 0xFF54)  # XK_Down


        self.x11.XkbSetAutoRepeatRate.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_uint, ctypes.c_uint]

    def repeat(self, delay_ms, interval_ms):
        self.x11.XkbSetAutoRepeatRate(self.display, 0x100, delay_ms, interval_ms)  # XkbUseCoreKbd
        self.x11.XFlush(self.display)

    def key_down(self, down):
        self.xtst.XTestFakeKeyEvent(self.display, self.down, 1 if down else 0, 0)
        self.x11.XFlush(self.display)

    def press_down(self):
        self.xtst.XTestFakeKeyEvent(self.display, self.down, 1, 0)
        self.xtst.XTestFakeKeyEvent(self.display, self.down, 0, 0)
        self.x11.XFlush(self.display)


def main():
    mode, folder = sys.argv[1], sys.argv[2]
    if mode == "make":
        make(folder, int(sys.argv[3]), tuple(int(v) for v in sys.argv[4:6]) or (6000, 4000))
        return
    if mode == "make-light":
        make_light(folder, int(sys.argv[3]))
        return
    x, y = int(sys.argv[3]), int(sys.argv[4])
    if mode == "steps":
        steps, pause, index = int(sys.argv[5]), float(sys.argv[6]) / 1000, int(sys.argv[7])
        keys = Keys()
        wait_for(x, y, index, time.perf_counter())
        times = []
        for _ in range(steps):
            time.sleep(pause)
            index += 1
            t = time.perf_counter()
            keys.press_down()
            times.append(wait_for(x, y, index, t))
        if times:
            print("median %.1f ms, best %.1f ms, worst %.1f ms over %d steps"
                  % (statistics.median(times), min(times), max(times), len(times)))
    elif mode == "held":
        hold, period = float(sys.argv[5]) / 1000, int(sys.argv[6])
        colours = [colour(i) for i in range(period)]
        keys = Keys()
        keys.repeat(250, 33)
        wait_for(x, y, 0, time.perf_counter())

        index, changes = 0, []

        def look():
            # The list steps one row at a time: one of the next few pictures, seen
            # twice alike (not a frame caught half drawn).
            nonlocal index
            seen, again = shown(x, y), shown(x, y)
            for ahead in range(1, 4):
                want = colours[(index + ahead) % period]
                if near(seen, want) and near(again, want):
                    index += ahead
                    changes.append((time.perf_counter(), index))
                    return

        # Looked at every few milliseconds, as the other timings do.
        start = time.perf_counter()
        keys.key_down(True)
        while time.perf_counter() - start < hold:
            look()
            time.sleep(0.002)
        keys.key_down(False)
        released, at_release = time.perf_counter(), index
        while time.perf_counter() - max(released, changes[-1][0] if changes else 0) < 1.5:
            look()
            time.sleep(0.002)
        during = [c for c in changes if c[0] <= released]
        per_picture = (released - start - 0.25) * 1000 / max(1, at_release - 1)
        last = changes[-1][0] if changes else released
        print("%d pictures painted while held (%.0f ms each after the first repeat); after the key was let go "
              "%d more, the last %.0f ms later"
              % (len(during), per_picture, index - at_release, max(0, last - released) * 1000))
    elif mode == "slideshow":
        steps, period = int(sys.argv[5]), int(sys.argv[6])
        painted = []
        for index in range(1, steps + 1):
            wait_for(x, y, index % period, time.perf_counter())
            painted.append(time.perf_counter())
        gaps = [(b - a) * 1000 for a, b in zip(painted, painted[1:])]
        print("%d gaps between pictures: median %.0f ms, shortest %.0f ms, longest %.0f ms"
              % (len(gaps), statistics.median(gaps), min(gaps), max(gaps)))
    elif mode == "memory":
        steps, period, pid = int(sys.argv[5]), int(sys.argv[6]), int(sys.argv[7])
        keys = Keys()
        wait_for(x, y, 0, time.perf_counter())
        samples = []
        for index in range(1, steps + 1):
            # A pause of a decode or two lets the read-ahead fill up, as when a person looks.
            time.sleep(0.3)
            keys.press_down()
            wait_for(x, y, index % period, time.perf_counter())
            if index % 10 == 0:
                # Read once the program has rested (it gives spare memory back after a second).
                time.sleep(1.5)
                samples.append("%.0f" % resident_mb(pid))
        print("resident MiB every 10 steps: " + " ".join(samples))
    elif mode == "start":
        index = int(sys.argv[5])
        t = time.perf_counter()
        program = subprocess.Popen(sys.argv[6:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            print("%.1f" % wait_for(x, y, index, t))
        finally:
            program.terminate()
            program.wait()


if __name__ == "__main__":
    main()
