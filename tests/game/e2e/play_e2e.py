#!/usr/bin/env python3
"""End-to-end play of the real tessory program: a private Xvfb, input only as key
presses through xdotool, and the window closed as a window manager would close it.

From the menu: credits and options are opened and closed, a Small game is started,
rolled, paused and resumed, then lost; the game-over overlay must show, the menu must
come back, and the score must be in "./.kavorostate" with every checksum intact.
The round is played in the 640 x 480 window and again in full screen (F11), after
which the window must be back at 640 x 480. Closing the window ends the program with
status 0 and closes the audio device. Screenshots of every screen land in the shot
folder.

usage: play_e2e.py <tessory executable> <shot folder>
"""

import ctypes
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

# The private X server is the soak driver's; one copy of it for both.
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "soak"))
from game_driver import PrivateXvfb  # noqa: E402

ROLL_KEYS = ["Up", "Down", "Left", "Right"]


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


class Game:
    def __init__(self, exe, workdir, display, shots):
        self.env = dict(os.environ)
        self.env["DISPLAY"] = display
        self.env.pop("XAUTHORITY", None)
        conf = os.path.join(workdir, "alsoft-null.conf")
        with open(conf, "w") as f:
            f.write("[general]\ndrivers = null\n")
        self.env["ALSOFT_CONF"] = conf
        self.display = display
        self.workdir = workdir
        self.shots = shots
        self.out = open(os.path.join(workdir, "stdout.txt"), "w+")
        self.proc = subprocess.Popen([exe], cwd=workdir, env=self.env, stdout=self.out,
                                     stderr=subprocess.STDOUT)
        self.window = None

    # ---- the window ------------------------------------------------------------------------

    def xdotool(self, *args, check_status=True):
        r = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True, timeout=20)
        if check_status and r.returncode != 0:
            raise Failure("xdotool %s: %s" % (" ".join(args), r.stderr.strip()))
        return r.stdout

    def find_window(self, timeout=30.0, replacing=None):
        """The game's window; after a full-screen flip, the new one that replaces
        `replacing`."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            check(self.proc.poll() is None, "the game ended early:\n" + self.output())
            ids = self.xdotool("search", "--onlyvisible", "--class", "^Tessory$", check_status=False).split()
            ids = [i for i in ids if i != replacing]
            if len(ids) == 1:
                self.window = ids[-1]
                self.xdotool("windowfocus", "--sync", self.window, check_status=False)
                return self.window
            time.sleep(0.05)
        raise Failure("no Tessory window appeared")

    def geometry(self):
        return self.placement()[2:]

    def placement(self):
        """x, y, width, height of the window on the screen."""
        text = self.xdotool("getwindowgeometry", self.window)
        m = re.search(r"Position: (-?\d+),(-?\d+).*Geometry: (\d+)x(\d+)", text, re.S)
        check(m is not None, "no geometry in " + text)
        return tuple(int(v) for v in m.groups())

    def grab(self, target):
        """The window's picture, cut from the screen: no window manager runs, so nothing
        covers it, and reading the screen never waits on the window itself."""
        x, y, w, h = self.placement()
        subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage",
                        "-depth", "8", target], env=self.env, check=True, timeout=20, capture_output=True)

    def tap(self, key, hold=0.12):
        """A press long enough for the game's next update to see the key held."""
        self.hold(key)
        time.sleep(hold)
        self.release(key)
        time.sleep(0.08)

    # Keys go through the X server's test extension to the focused window (ours). Not
    # sent to a window by id: F11 replaces the window while the key is down, and a
    # release that never arrives leaves the server auto-repeating the press.
    def hold(self, key):
        self.xdotool("keydown", key)

    def release(self, key):
        self.xdotool("keyup", key)

    def shot(self, name):
        path = os.path.join(self.shots, name + ".png")
        self.grab(path)
        return path

    def pixels(self):
        """The window's picture as (width, height, rgb bytes)."""
        target = os.path.join(self.workdir, "probe.ppm")
        self.grab(target)
        with open(target, "rb") as f:
            data = f.read()
        m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
        check(m is not None, "unreadable screenshot")
        return int(m.group(1)), int(m.group(2)), data[m.end():]

    def close_window(self):
        """WM_DELETE_WINDOW, as a window manager sends it for the close button."""
        x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XInternAtom.restype = ctypes.c_ulong
        x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
        x11.XFlush.argtypes = [ctypes.c_void_p]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

        class ClientMessage(ctypes.Structure):
            _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                        ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                        ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                        ("data", ctypes.c_long * 5)]

        class XEvent(ctypes.Union):
            _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

        dpy = x11.XOpenDisplay(self.display.encode())
        check(dpy, "cannot open the display to close the window")
        event = XEvent()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = int(self.window)
        event.xclient.message_type = x11.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = x11.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
        event.xclient.data[1] = 0  # CurrentTime
        x11.XSendEvent(dpy, int(self.window), 0, 0, ctypes.byref(event))
        x11.XFlush(dpy)
        x11.XCloseDisplay(dpy)

    def output(self):
        self.out.flush()
        self.out.seek(0)
        return self.out.read()

    def state_path(self):
        return os.path.join(self.workdir, ".kavorostate")

    def stop(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


def missing_tool():
    """The first tool these tests need that is not installed, or None."""
    return next((tool for tool in ("Xvfb", "xdotool", "import") if shutil.which(tool) is None), None)


def pixel(image, x, y):
    width, _, rgb = image
    i = (y * width + x) * 3
    return rgb[i], rgb[i + 1], rgb[i + 2]


def game_over_bars(image):
    """The overlay's two bars: yellow from the left at 45 % of the height, orange from
    the right at 55 %, both half transparent over the darkened play field."""
    width, height, _ = image
    yr, yg, yb = pixel(image, 4, int(0.45 * height))
    orr, og, ob = pixel(image, width - 5, int(0.55 * height))
    yellow = yr > 90 and yg > 90 and yb < 70 and abs(yr - yg) < 40
    orange = orr > 90 and ob < 70 and og < 0.8 * orr and og > 0.25 * orr
    return yellow and orange


# Where a neighbouring cell's floor shows, relative to the cube, in design units: the
# camera keeps the resting cube at the middle of the screen, a cell's floor lies 18
# units below the cube, and one column is (32, -5.5) on, one row (8, 22). The cell
# above (row - 1) hides behind the cube itself, so it is taken to be floor.
NEIGHBOUR = {"Right": (32, -5.5), "Left": (-32, 5.5), "Down": (8, 22)}


def floor_at(image, key):
    """Whether the neighbour cell in the direction of `key` shows a floor tile (light
    tiles) rather than space (dark blue)."""
    if key not in NEIGHBOUR:
        return True
    width, height, _ = image
    scale = max(width / 640.0, height / 480.0)
    dx, dy = NEIGHBOUR[key]
    light = 0
    for probe in (14, 18, 22):
        x = int(width / 2 + dx * scale)
        y = int(height / 2 + (dy + probe) * scale)
        if 0 <= x < width and 0 <= y < height:
            r, g, b = pixel(image, x, y)
            light += 1 if r + g + b > 360 else 0
    return light >= 2


def read_state(path):
    """The state file's values, checked: 203 numbers, each followed by '|', and the
    settings, badge and score-group checksums all matching."""
    with open(path, "rb") as f:
        text = f.read().decode("utf-8")
    check(text.endswith("|"), "state does not end with '|': %r" % text[-20:])
    values = [int(v) for v in text[:-1].split("|")]
    check(len(values) == 203, "state has %d values" % len(values))

    def wrap(n):
        n &= 0xFFFFFFFF
        return n - (1 << 32) if n >= 1 << 31 else n

    check(wrap(sum(i * values[i] for i in range(25))) == values[25], "settings checksum")
    check(wrap(sum(values[26:34])) == values[34], "badge checksum")
    for g in range(8):
        base = 35 + 21 * g
        total = sum(values[base + 2 * j] * (j + 4) + values[base + 2 * j + 1] * (j + 3 + g) for j in range(10))
        check(wrap(total) == values[base + 20], "score group %d checksum" % g)
    return values


def small_tables(values):
    top = [values[35 + 2 * j] for j in range(10)]
    last = [values[36 + 2 * j] for j in range(10)]
    return top, last


def play_round(game, tag, rng, attempts):
    """One visit of every screen and one lost Small game; returns the game's score."""
    game.find_window()
    width, height = game.geometry()
    print("%s: window %d x %d" % (tag, width, height), flush=True)
    time.sleep(1.0)  # the loader's 20 updates, and the menu sliding in
    game.shot(tag + "_menu")

    # Credits: focus moves right to the credits, the action opens them, back closes.
    game.tap("Right")
    game.tap("space")
    time.sleep(2.0)
    game.shot(tag + "_credits")
    game.tap("Escape")
    time.sleep(0.6)
    # Options: focus to the gear and open; back closes (and saves).
    game.tap("Left")
    game.tap("Left")
    game.tap("space")
    time.sleep(1.0)
    game.shot(tag + "_options")
    game.tap("Escape")
    time.sleep(0.8)
    check(game.proc.poll() is None, "the back key in the options ended the program")
    game.tap("Right")  # focus back on the wheel
    time.sleep(0.3)
    # The wheel starts on Small; make sure of it (up stops at the first size).
    game.tap("Up")
    time.sleep(0.6)
    game.shot(tag + "_menu_small")

    # Games until one scores (the rolls are blind, so a game may fall off at once).
    for attempt in range(1, attempts + 1):
        score = play_game(game, "%s_game%d" % (tag, attempt), rng, first=attempt == 1)
        if score > 0:
            break
    check(game.proc.poll() is None, "the program ended after the game")
    return score


def play_game(game, tag, rng, first):
    """Starts a Small game from the menu, rolls, loses it, and returns its score as
    filed in the state file; the first game of a round is also paused and resumed."""
    game.tap("space")
    time.sleep(1.5)  # the cube drops in
    if first:
        game.shot(tag + "_level")
        game.tap("Escape")
        time.sleep(0.6)
        game.shot(tag + "_pause")
        game.tap("Escape")
        time.sleep(0.5)
        check(game.proc.poll() is None, "resuming from pause ended the program")

    # Every save replaces the file (a new inode), so a changed stamp means a save; the
    # only save from here on is the one on the way back to the menu.
    state = game.state_path()

    def stamp():
        try:
            info = os.stat(state)
            return info.st_ino, info.st_mtime_ns
        except FileNotFoundError:
            return None

    before = stamp()

    def game_ended():
        return stamp() != before

    # Roll about on the floor for a while (gems of the cube's colour next to it are
    # collected whenever it comes to rest), then roll off the floor's edge.
    saw_overlay = False
    for _ in range(40):
        image = game.pixels()
        if game_over_bars(image):
            saw_overlay = True
            game.shot(tag + "_game_over")
            break
        keys = ROLL_KEYS[:]
        rng.shuffle(keys)
        on_floor = [k for k in keys if floor_at(image, k)]
        game.tap(on_floor[0] if on_floor else keys[0], hold=0.1)
        time.sleep(0.35)  # the roll and the camera following it
    image = game.pixels()
    off_floor = [k for k in ROLL_KEYS if not floor_at(image, k)]
    ROLL_ORDER = off_floor + [k for k in ROLL_KEYS if k not in off_floor]
    deadline = time.monotonic() + 90
    direction = 0
    while not game_ended() and not saw_overlay:
        check(time.monotonic() < deadline, "the game did not end within 90 s")
        key = ROLL_ORDER[direction % 4]
        direction += 1
        game.hold(key)
        # Up to 3 s one way; a blocked way gives up and turns.
        until = time.monotonic() + 3.0
        while time.monotonic() < until and not game_ended():
            if game_over_bars(game.pixels()):
                saw_overlay = True
                game.shot(tag + "_game_over")
                break
            time.sleep(0.05)
        game.release(key)
    while not game_ended():
        check(time.monotonic() < deadline, "the menu did not come back after the game over")
        if not saw_overlay and game_over_bars(game.pixels()):
            saw_overlay = True
            game.shot(tag + "_game_over")
        time.sleep(0.05)
    check(saw_overlay, "the game-over overlay was never seen")
    time.sleep(1.5)  # the overlay fades out over the menu
    game.shot(tag + "_menu_after")
    values = read_state(state)
    top, last = small_tables(values)
    score = last[0]
    print("%s: score %d, Small top ten %s, last ten %s" % (tag, score, top, last), flush=True)
    check(score >= 0, "negative score filed")
    if score > 0:
        check(score in top, "score %d is missing from the top ten %s" % (score, top))
    return score


class NoStart(Failure):
    """The program died before its first window showed (seen once in a while when a
    fresh Xvfb is not yet taking clients): worth one more try on a new server."""


def play(exe, shots, rng):
    workdir = tempfile.mkdtemp(prefix="tessory_e2e_")
    try:
        with PrivateXvfb() as xvfb:
            game = Game(exe, workdir, xvfb.display, shots)
            try:
                try:
                    game.find_window()
                except Failure as failure:
                    raise NoStart(str(failure))
                game.shot("windowed_loading")
                windowed = play_round(game, "windowed", rng, attempts=5)

                old = game.window
                game.tap("F11")
                game.find_window(replacing=old)
                game.shot("fullscreen_loading")
                width, height = game.geometry()
                check((width, height) != (640, 480), "F11 did not change the window")
                full = play_round(game, "fullscreen", rng, attempts=2)
                top, last = small_tables(read_state(game.state_path()))
                check(last[0] == full, "last ten holds %s" % last)
                best = max(windowed, full)
                print("best score %d, top ten %s" % (best, top))
                check(top[0] == best, "the best score %d does not head the top ten %s" % (best, top))

                old = game.window
                game.tap("F11")
                game.find_window(replacing=old)
                check(game.geometry() == (640, 480), "leaving full screen gave %s" % (game.geometry(),))
                time.sleep(1.0)

                game.close_window()
                status = game.proc.wait(20)
                output = game.output()
                print(output, end="")
                check(status == 0, "closing the window gave status %d" % status)
                check("Kavoro Runtime Error" not in output, "a runtime error was reported")
                check("not closed" not in output, "the audio device was left open")
                print("PASS: games lost and filed in both window sizes; window closed with status 0")
            finally:
                game.stop()
    finally:
        shutil.rmtree(workdir, ignore_errors=True)


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    exe = os.path.abspath(sys.argv[1])
    shots = os.path.abspath(sys.argv[2])
    os.makedirs(shots, exist_ok=True)
    if missing_tool():
        print("SKIP: %s is not installed" % missing_tool())
        return 0
    for attempt in (1, 2):
        try:
            play(exe, shots, random.Random(4107))
            return 0
        except NoStart as failure:
            print("the program did not start (attempt %d): %s" % (attempt, failure))
        except (Failure, RuntimeError, subprocess.TimeoutExpired) as failure:
            print("FAIL: %s" % failure)
            return 1
    print("FAIL: the program never showed its window")
    return 1


if __name__ == "__main__":
    sys.exit(main())
