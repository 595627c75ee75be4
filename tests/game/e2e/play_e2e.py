#!/usr/bin/env python3
"""End-to-end play of the real tessory program: a private Xvfb, input only as key
presses through xdotool, and the window closed as a window manager would close it.

From the menu: credits and options are opened and closed, a Small game is started on
the seeded level, paused and resumed, and played on a route that scores, then lost; the
game-over overlay must show, the menu must come back, and the route's score must be in
"./.kavorostate" with every checksum intact.
The round is played in the 640 x 480 window and again in full screen (F11), after
which the window must be back at 640 x 480. Closing the window ends the program with
status 0 and closes the audio device. Screenshots of every screen land in the shot
folder.

usage: play_e2e.py <tessory executable> <shot folder>
"""

import ctypes
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time

# The private X server is the soak driver's; the play is shared with the other
# end-to-end tests.
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "soak"))
sys.path.insert(0, os.path.join(HERE, "..", "..", "support"))
from game_driver import PrivateXvfb, XPictures  # noqa: E402
import playing as pl  # noqa: E402
from playing import Failure, check  # noqa: E402


X11 = ctypes.CDLL("libX11.so.6")
X11.XOpenDisplay.restype = ctypes.c_void_p
X11.XOpenDisplay.argtypes = [ctypes.c_char_p]
X11.XStringToKeysym.restype = ctypes.c_ulong
X11.XStringToKeysym.argtypes = [ctypes.c_char_p]
X11.XKeysymToKeycode.restype = ctypes.c_ubyte
X11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
X11.XInternAtom.restype = ctypes.c_ulong
X11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
X11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
X11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
X11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
for call in (X11.XFlush, X11.XCloseDisplay, X11.XPending, X11.XConnectionNumber):
    call.argtypes = [ctypes.c_void_p]
X11.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
XTST = ctypes.CDLL("libXtst.so.6")
XTST.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
XDAMAGE = ctypes.CDLL("libXdamage.so.1")
XDAMAGE.XDamageQueryExtension.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                          ctypes.POINTER(ctypes.c_int)]
XDAMAGE.XDamageCreate.restype = ctypes.c_ulong
XDAMAGE.XDamageCreate.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int]

EVENT_HEAD = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
              ("display", ctypes.c_void_p), ("window", ctypes.c_ulong)]


class XEvent(ctypes.Union):
    """The events this file sends and reads; every event starts with EVENT_HEAD."""

    class ClientMessage(ctypes.Structure):
        _fields_ = EVENT_HEAD + [("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                                 ("data", ctypes.c_long * 5)]

    class Damage(ctypes.Structure):  # XDamageNotifyEvent up to `more`; its drawable is `window`
        _fields_ = EVENT_HEAD + [("damage", ctypes.c_ulong), ("level", ctypes.c_int), ("more", ctypes.c_int)]

    _fields_ = [("xclient", ClientMessage), ("damage", Damage), ("pad", ctypes.c_long * 24)]


DESTROY_NOTIFY, UNMAP_NOTIFY, STRUCTURE_NOTIFY_MASK = 17, 18, 1 << 17
# The least a tapped key is held: about five updates on time.
FRAME_TAP_S = 0.08


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
        self.proc = subprocess.Popen([exe, "--seed", str(pl.SEED)], cwd=workdir, env=self.env, stdout=self.out,
                                     stderr=subprocess.STDOUT)
        self.window = None
        self.screen = None
        self.keys = None
        self.damage_event = None
        self.watched = None

    # ---- the window ------------------------------------------------------------------------

    def xdotool(self, *args, check_status=True):
        r = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True, timeout=20)
        if check_status and r.returncode != 0:
            raise Failure("xdotool %s: %s" % (" ".join(args), r.stderr.strip()))
        return r.stdout

    def find_window(self, timeout=30.0, replacing=None):
        """The game's window; after a full-screen flip, the new one that replaces
        `replacing`."""
        def found():
            self.alive()
            ids = self.xdotool("search", "--onlyvisible", "--class", "^Tessory$", check_status=False).split()
            ids = [i for i in ids if i != replacing]
            return ids[-1] if len(ids) == 1 else None
        self.window = pl.wait_until("a Tessory window", found, timeout)
        self.xdotool("windowfocus", "--sync", self.window, check_status=False)
        self.watch_frames()
        self.box = self.placement()
        return self.window

    def geometry(self):
        return self.placement()[2:]

    def placement(self):
        """x, y, width, height of the window on the screen."""
        text = self.xdotool("getwindowgeometry", self.window)
        m = re.search(r"Position: (-?\d+),(-?\d+).*Geometry: (\d+)x(\d+)", text, re.S)
        check(m is not None, "no geometry in " + text)
        return tuple(int(v) for v in m.groups())

    # Keys go through the X server's test extension to the focused window (ours). Not
    # sent to a window by id: F11 replaces the window while the key is down, and a
    # release that never arrives leaves the server auto-repeating the press.
    def hold(self, key):
        self.xdotool("keydown", key)

    def release(self, key):
        self.xdotool("keyup", key)

    def watch_frames(self):
        """Has the X server report every frame the window shows (a buffer swap draws the
        whole window: one DAMAGE event), and its going away."""
        if self.keys is None:
            self.keys = X11.XOpenDisplay(self.display.encode())
            check(self.keys, "cannot open the display for keys")
            base, _ = ctypes.c_int(), ctypes.c_int()
            check(XDAMAGE.XDamageQueryExtension(self.keys, ctypes.byref(base), ctypes.byref(_)),
                  "the X server has no DAMAGE extension")
            self.damage_event = base.value  # + XDamageNotify, which is 0
        if self.watched == self.window:
            return  # a second watch would report every frame twice
        self.watched = self.window
        RAW_RECTANGLES = 0
        XDAMAGE.XDamageCreate(self.keys, int(self.window), RAW_RECTANGLES)  # freed with the window
        X11.XSelectInput(self.keys, int(self.window), STRUCTURE_NOTIFY_MASK)
        X11.XSync(self.keys, 0)

    def frame_tap(self, key):
        """The press, and the release once the window has shown two frames after it and
        FRAME_TAP_S have passed. The cube rolls once the key has been down for two updates,
        and again if for fifteen; the game runs up to four updates a frame, so a release
        after a fixed time is seen by too many updates when its frames are slow, and one
        after a fixed count of frames by too few when they are quick. When the window goes
        (F11) the release comes at once, and after a second without two frames all the same."""
        code = X11.XKeysymToKeycode(self.keys, X11.XStringToKeysym(key.encode()))
        check(code != 0, "no key code for " + key)
        X11.XSync(self.keys, 1)  # frames from before the press are dropped
        XTST.XTestFakeKeyEvent(self.keys, code, 1, 0)
        X11.XFlush(self.keys)
        start, frames, event = time.monotonic(), 0, XEvent()
        while (frames < 2 or time.monotonic() < start + FRAME_TAP_S) and time.monotonic() < start + 1.0:
            if not X11.XPending(self.keys):
                select.select([X11.XConnectionNumber(self.keys)], [], [], 0.005)
                continue
            X11.XNextEvent(self.keys, ctypes.byref(event))
            head = event.damage  # its first fields are every event's
            if head.type == self.damage_event and head.window == int(self.window):
                frames += 0 if head.more else 1
            elif head.type in (DESTROY_NOTIFY, UNMAP_NOTIFY) and head.window == int(self.window):
                break
        XTST.XTestFakeKeyEvent(self.keys, code, 0, 0)
        X11.XFlush(self.keys)

    def shot(self, name):
        self.image(name)

    def image(self, name=None):
        """The window's picture as (width, height, rgb bytes), cut from the screen: no
        window manager runs, so nothing covers it, and reading the screen never waits on
        the window itself. Kept in the shot folder as <name>.png when named."""
        if self.screen is None:
            self.screen = XPictures(self.display)
        image = self.screen.rgb(*self.box)
        if name:
            pl.write_png(os.path.join(self.shots, name + ".png"), image)
        return image

    def close_window(self):
        """WM_DELETE_WINDOW, as a window manager sends it for the close button."""
        dpy = X11.XOpenDisplay(self.display.encode())
        check(dpy, "cannot open the display to close the window")
        event = XEvent()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = int(self.window)
        event.xclient.message_type = X11.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = X11.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
        event.xclient.data[1] = 0  # CurrentTime
        X11.XSendEvent(dpy, int(self.window), 0, 0, ctypes.byref(event))
        X11.XFlush(dpy)
        X11.XCloseDisplay(dpy)

    def output(self):
        self.out.flush()
        self.out.seek(0)
        return self.out.read()

    def state_path(self):
        return os.path.join(self.workdir, ".kavorostate")

    # Every save replaces the file (a new inode), so a changed stamp means a save.
    def state_stamp(self):
        try:
            info = os.stat(self.state_path())
            return info.st_ino, info.st_mtime_ns
        except FileNotFoundError:
            return None

    def state_text(self):
        try:
            with open(self.state_path(), "rb") as f:
                return f.read().decode("utf-8")
        except FileNotFoundError:
            return None

    def alive(self):
        check(self.proc.poll() is None, "the game ended early:\n" + self.output())

    def after_save(self):
        pass  # the file is renamed into place whole

    def stop(self):
        if self.screen is not None:
            self.screen.close()
            self.screen = None
        if self.keys is not None:
            X11.XCloseDisplay(self.keys)
            self.keys = None
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


def missing_tool():
    """The first tool these tests need that is not installed, or None."""
    return next((tool for tool in ("Xvfb", "xdotool") if shutil.which(tool) is None), None)


def small_tables(game):
    return pl.small_tables(pl.state_values(game.state_text()))


def play_round(game, tag):
    """One visit of every screen and one lost Small game; returns the game's score."""
    game.find_window()
    width, height = game.geometry()
    print("%s: window %d x %d" % (tag, width, height), flush=True)
    pl.wait_for_menu(game)
    game.shot(tag + "_menu")

    def opens(what, *keys):
        """The picture changes after the keys (the last opens a screen) and comes to rest."""
        pl.press(game, *keys[:-1], must=True)
        before = game.image()
        pl.tap_until(game, keys[-1], what, lambda: pl.changed_fraction(before, game.image()) > 0.1)
        pl.settled(game, what)
        game.shot(tag + "_" + what)

    def closes(what):
        """Back closes the screen: the picture changes (the menu's panel shows beside
        the options too, so the menu alone is no sign) and the menu comes to rest."""
        before = game.image()
        pl.tap_until(game, "Escape", what + " closing", lambda: pl.changed_fraction(before, game.image()) > 0.1)
        pl.wait_for_menu(game)

    # Credits: focus moves right to the credits, the action opens them, back closes.
    opens("credits", "Right", "space")
    closes("the credits")
    # Options: focus to the gear and open; back closes (and saves).
    opens("options", "Left", "Left", "space")
    closes("the options")
    game.alive()
    # Focus back on the wheel. It starts on Small; make sure of it (up stops at the
    # first size).
    pl.press(game, "Right", must=True)
    pl.press(game, "Up")
    pl.settled(game, "the wheel")
    game.shot(tag + "_menu_small")

    score = pl.play_game(game, tag + "_game", first=True)
    game.alive()
    return score


class NoStart(Failure):
    """The program died before its first window showed (seen once in a while when a
    fresh Xvfb is not yet taking clients): worth one more try on a new server."""


def play(exe, shots):
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
                windowed = play_round(game, "windowed")

                old = game.window
                pl.tap(game, "F11")
                game.find_window(replacing=old)
                game.shot("fullscreen_loading")
                width, height = game.geometry()
                check((width, height) != (640, 480), "F11 did not change the window")
                full = play_round(game, "fullscreen")
                top, last = small_tables(game)
                check(last[0] == full, "last ten holds %s" % last)
                best = max(windowed, full)
                print("best score %d, top ten %s" % (best, top))
                check(top[0] == best, "the best score %d does not head the top ten %s" % (best, top))

                old = game.window
                pl.tap(game, "F11")
                game.find_window(replacing=old)
                check(game.geometry() == (640, 480), "leaving full screen gave %s" % (game.geometry(),))
                pl.wait_for_menu(game)

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
            play(exe, shots)
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
