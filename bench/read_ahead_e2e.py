# SPDX-License-Identifier: GPL-3.0-or-later
"""Key press or program start to the picture painted, read from the screen of the
X server in DISPLAY. Each picture of the folder is a noisy field around one colour,
so a small box of the screen tells which picture is shown.

  read_ahead_e2e.py make FOLDER COUNT            writes COUNT 6000 x 4000 JPEGs
  read_ahead_e2e.py steps FOLDER X Y STEPS PAUSE_MS FIRST
        presses Down STEPS times, each after a pause (0: at once after the last paint),
        and prints the milliseconds from each press to the next picture on screen
  read_ahead_e2e.py start FOLDER X Y INDEX PROGRAM [ARG...]
        starts the program and prints the milliseconds until picture INDEX is on screen
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


def make(folder, count):
    noise = Image.effect_noise((6000, 4000), 40).convert("RGB")
    for i in range(count):
        picture = Image.blend(Image.new("RGB", noise.size, colour(i)), noise, 0.25)
        picture.save(os.path.join(folder, "photo%03d.jpg" % i), quality=90)


def shown(x, y):
    box = ImageGrab.grab(bbox=(x, y, x + BOX, y + BOX), xdisplay=os.environ["DISPLAY"]).convert("RGB")
    pixels = list(box.getdata())
    return tuple(sum(p[c] for p in pixels) / len(pixels) for c in range(3))


def near(seen, want):
    # The blend moves each colour a quarter of the way towards the noise's grey.
    expected = tuple(0.75 * w + 0.25 * 128 for w in want)
    return max(abs(s - e) for s, e in zip(seen, expected)) < 12


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

    def press_down(self):
        self.xtst.XTestFakeKeyEvent(self.display, self.down, 1, 0)
        self.xtst.XTestFakeKeyEvent(self.display, self.down, 0, 0)
        self.x11.XFlush(self.display)


def main():
    mode, folder = sys.argv[1], sys.argv[2]
    if mode == "make":
        make(folder, int(sys.argv[3]))
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
        print("median %.1f ms, best %.1f ms, worst %.1f ms over %d steps"
              % (statistics.median(times), min(times), max(times), len(times)))
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
