"""Drives the real tessory program from outside: a private Xvfb, the window found
and fed with xdotool, resident size from /proc, and a strict reader of the state
file "./.kavorostate" that the soak, kill and packaging checks share."""

import ctypes
import os
import random
import shutil
import re
import subprocess
import tempfile
import time

SCREEN = "1280x1024x24"


def _die_with_parent():
    """Runs in the child before exec: Xvfb and the game end when this driver does, even
    when it is killed and cannot clean up."""
    try:
        import ctypes
        import signal
        PR_SET_PDEATHSIG = 1
        ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGKILL)
    except Exception:
        pass


class PrivateXvfb:
    """An X server of our own, so the input we send reaches no other window."""

    def __init__(self):
        self.proc = None
        self.display = None

    def __enter__(self):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            # -noreset: by default the server resets whenever its last client leaves, and
            # a game connecting during such a reset (right after one of our xdotool calls)
            # fails with "Failed to open display".
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", SCREEN, "-nolisten", "tcp",
             "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=_die_with_parent)
        os.close(write_fd)
        with os.fdopen(read_fd) as f:
            number = f.readline().strip()
        if not number:
            self.proc.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        return self

    def __exit__(self, *exc):
        if self.proc:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()

    def env(self, base=None):
        env = dict(base if base is not None else os.environ)
        env["DISPLAY"] = self.display
        env.pop("XAUTHORITY", None)
        return env


def null_audio_env(env, workdir):
    """OpenAL Soft's null backend: no sound card needed, nothing heard."""
    conf = os.path.join(workdir, "alsoft-null.conf")
    with open(conf, "w") as f:
        f.write("[general]\ndrivers = null\n")
    env["ALSOFT_CONF"] = conf
    env["ALSOFT_DRIVERS"] = "null"
    return env


def xdotool(env, *args, check=True, timeout=10):
    r = subprocess.run(["xdotool", *args], env=env, capture_output=True, text=True,
                       timeout=timeout)
    if check and r.returncode != 0:
        raise RuntimeError("xdotool %s failed: %s" % (" ".join(args), r.stderr.strip()))
    return r.stdout


def find_window(env, proc=None, timeout=30.0):
    """The game's window id once it is mapped, or None (also when the game died). Found by
    its class: a full-screen window has no title."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if proc is not None and proc.poll() is not None:
            return None
        out = xdotool(env, "search", "--onlyvisible", "--class", "^Tessory$", check=False)
        ids = out.split()
        if ids:
            # While a full-screen switch replaces the window both may be listed; the
            # newer one has the larger id.
            return max(ids, key=int)
        time.sleep(0.1)
    return None


class XPictures:
    """Pictures of a display's screen read with Xlib's XGetImage in this process: a
    look costs milliseconds, not an ImageMagick start."""

    class _Image(ctypes.Structure):
        _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                    ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                    ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                    ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                    ("bits_per_pixel", ctypes.c_int)]

    def __init__(self, display):
        x11 = self.x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XDefaultRootWindow.restype = ctypes.c_ulong
        x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x11.XGetImage.restype = ctypes.POINTER(self._Image)
        x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                  ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x11.XFree.argtypes = [ctypes.c_void_p]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.dpy = x11.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError("cannot open display " + display)
        self.root = x11.XDefaultRootWindow(self.dpy)

    def rgb(self, x, y, width, height):
        """(width, height, rgb bytes) of that part of the screen (24-bit, 32 bits a pixel)."""
        ZPIXMAP, ALL_PLANES = 2, 0xFFFFFFFF
        image = self.x11.XGetImage(self.dpy, self.root, x, y, width, height, ALL_PLANES, ZPIXMAP)
        if not image:
            raise RuntimeError("XGetImage failed")
        try:
            head = image.contents
            if head.bits_per_pixel != 32 or head.bytes_per_line != 4 * width:
                raise RuntimeError("unexpected screen format: %d bits a pixel" % head.bits_per_pixel)
            bgrx = ctypes.string_at(head.data, 4 * width * height)
        finally:
            self.x11.XFree(image.contents.data)
            self.x11.XFree(image)
        rgb = bytearray(3 * width * height)
        rgb[0::3], rgb[1::3], rgb[2::3] = bgrx[2::4], bgrx[1::4], bgrx[0::4]
        return width, height, bytes(rgb)

    def close(self):
        self.x11.XCloseDisplay(self.dpy)


class Window:
    """The game's window as the end-to-end play sees it: its pictures, keys held and
    released, and whether the game still runs."""

    def __init__(self, env, window, proc):
        self.env, self.proc = env, proc
        out = xdotool(env, "getwindowgeometry", "--shell", window)
        g = dict(line.split("=", 1) for line in out.split() if "=" in line)
        self.box = tuple(int(g[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
        self.pictures = XPictures(env["DISPLAY"])

    def image(self):
        return self.pictures.rgb(*self.box)

    def alive(self):
        if self.proc.poll() is not None:
            raise RuntimeError("the game ended with status %d" % self.proc.returncode)

    def hold(self, key):
        xdotool(self.env, "keydown", key)

    def release(self, key):
        xdotool(self.env, "keyup", key)

    def close(self):
        self.pictures.close()


def screenshot(env, window, path):
    subprocess.run(["import", "-window", window, path], env=env, check=True,
                   capture_output=True, timeout=20)


def mean_brightness(path):
    """0..1 average brightness of an image, through ImageMagick."""
    out = subprocess.run(["convert", path, "-colorspace", "Gray", "-format", "%[fx:mean]", "info:"],
                         capture_output=True, text=True, check=True).stdout
    return float(out)


def rss_kb(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


# ---------------------------------------------------------------------------
# The state file. The game writes 203 integers, each followed by "|": 25 settings
# and their checksum, 8 badge words and theirs, then 8 score groups of 10 (top,
# last) pairs and a checksum each. Sums are 32-bit and wrap.

STATE_FIELDS = 203
_STATE_RE = re.compile(r"^(?:-?[0-9]+\|){%d}$" % STATE_FIELDS)


def _wrap32(v):
    v &= 0xFFFFFFFF
    return v - (1 << 32) if v & 0x80000000 else v


def check_state(text):
    """(True, "") when `text` is a complete state as the game writes it, with every
    checksum right; otherwise (False, why). Absent state is the caller's business."""
    if not _STATE_RE.match(text):
        return False, "not %d integer fields each ended by '|' (%d bytes)" % (STATE_FIELDS, len(text))
    v = [int(x) for x in text.split("|")[:-1]]
    if any(not -2**31 <= x < 2**31 for x in v):
        return False, "a field is outside the 32-bit range"
    if _wrap32(sum(i * v[i] for i in range(25))) != v[25]:
        return False, "settings checksum"
    if _wrap32(sum(v[26:34])) != v[34]:
        return False, "badge checksum"
    for g in range(8):
        base = 35 + 21 * g
        s = 0
        for j in range(10):
            s += v[base + 2 * j] * (j + 4) + v[base + 2 * j + 1] * (j + 3 + g)
        if _wrap32(s) != v[base + 20]:
            return False, "score group %d checksum" % g
    return True, ""


def read_state(path):
    """The state file's text, or None when it does not exist."""
    try:
        with open(path, "rb") as f:
            data = f.read()
    except FileNotFoundError:
        return None
    return data.decode("utf-8", errors="replace")


# ---------------------------------------------------------------------------
# Random input. The back keys (Escape, `, Delete, BackSpace) end the program from the
# main menu and F4 ends it anywhere, so the random player leaves them out and
# reaches the pause screen through its on-screen button instead; everything else a
# player can press is fair game, F11's full-screen switch included.

PLAY_KEYS = ["Up", "Down", "Left", "Right", "w", "a", "s", "d"]
ACTION_KEYS = ["z", "x", "c", "v", "b", "n", "j", "k", "l", "i", "u", "o",
               "space", "Return", "Control_L", "Shift_L"]
OTHER_KEYS = ["F1", "F2", "F11", "q", "e", "r", "t", "y", "p", "1", "2", "Tab", "F5"]


class RandomPlayer:
    def __init__(self, env, window, seed, full_screen=True):
        self.env = env
        self.window = window
        self.full_screen = full_screen  # False: never press F11
        self.rng = random.Random(seed)
        self.held = set()
        self.actions = 0

    def geometry(self):
        out = xdotool(self.env, "getwindowgeometry", "--shell", self.window, check=False)
        g = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(g.get("WIDTH", 640)), int(g.get("HEIGHT", 480))

    def step(self):
        """One random action; returns a short description."""
        self.actions += 1
        r = self.rng.random()
        env = self.env
        if r < 0.35:
            key = self.rng.choice(PLAY_KEYS)
            if self.rng.random() < 0.5:
                self.tap(key)
            else:
                self._toggle(key)
            return "key " + key
        if r < 0.55:
            key = self.rng.choice(ACTION_KEYS)
            self.tap(key)
            return "key " + key
        if r < 0.58:
            key = self.rng.choice(OTHER_KEYS)
            if key == "F11" and (not self.full_screen or self.rng.random() < 0.7):
                key = "F2"  # full-screen switches are slow; keep them occasional
            self.tap(key)
            return "key " + key
        w, h = self.geometry()
        if r < 0.62:
            # The pause button sits in the top-left corner of the play screen.
            x, y = self.rng.randint(2, 40), self.rng.randint(2, 40)
        elif r < 0.66:
            # The options box's back button (around (100, 60) of the 640 x 480 virtual
            # screen): without the back keys, random input would seldom leave the box.
            x = int(w * self.rng.uniform(80, 120) / 640)
            y = int(h * self.rng.uniform(45, 75) / 480)
        else:
            x, y = self.rng.randint(0, max(1, w - 1)), self.rng.randint(0, max(1, h - 1))
        if r < 0.85:
            self.click(x, y)
            return "click %d,%d" % (x, y)
        if r < 0.95:
            x2 = max(0, min(w - 1, x + self.rng.randint(-200, 200)))
            y2 = max(0, min(h - 1, y + self.rng.randint(-200, 200)))
            xdotool(env, "mousemove", "--window", self.window, str(x), str(y), "mousedown", "1",
                    "sleep", "0.05", "mousemove", "--window", self.window, str(x2), str(y2),
                    "sleep", "0.05", "mouseup", "1", check=False)
            return "drag %d,%d-%d,%d" % (x, y, x2, y2)
        xdotool(env, "mousemove", "--window", self.window, str(x), str(y), check=False)
        return "move %d,%d" % (x, y)

    # Taps and clicks are held for a few updates: the game reads what is down at each
    # update, so a press and release between two updates would go unseen.
    def tap(self, key):
        hold = "%.3f" % self.rng.uniform(0.04, 0.15)
        xdotool(self.env, "keydown", key, "sleep", hold, "keyup", key, check=False)

    def click(self, x, y):
        hold = "%.3f" % self.rng.uniform(0.04, 0.15)
        xdotool(self.env, "mousemove", "--window", self.window, str(x), str(y), "mousedown", "1",
                "sleep", hold, "mouseup", "1", check=False)

    def click_virtual(self, x, y):
        """A click at (x, y) of the 640 x 480 virtual screen, scaled into the window."""
        w, h = self.geometry()
        self.click(int(x * w / 640), int(y * h / 480))

    def tour(self, settled):
        """Every screen once, without the back keys (they would end the program from the
        menu): start a game, pause it, open and close the options there, resume, pause
        again and give up, back to the menu. Whatever a screen allocates on its first
        visit (the level, the music) is then in place before memory is watched. The
        menu's select key starts the game; the rest is mouse only. settled(what, before)
        returns once the picture differs from `before` and has come to rest."""
        before = settled("the menu", None)
        self.tap("z")                 # the menu starts a game of the selected size
        for what, x, y in [("the game", None, None),
                           ("the pause screen", 16, 16),
                           ("the pause screen's options", 64, 296),
                           ("the options box closed", 100, 60),
                           ("the game resumed", 64, 196),
                           ("the pause screen again", 16, 16),
                           ("the menu after the game over", 64, 96)]:
            if x is not None:
                self.click_virtual(x, y)
            before = settled(what, before)

    def _toggle(self, key):
        if key in self.held:
            xdotool(self.env, "keyup", key, check=False)
            self.held.discard(key)
        else:
            xdotool(self.env, "keydown", key, check=False)
            self.held.add(key)

    def release_all(self):
        for key in list(self.held):
            xdotool(self.env, "keyup", key, check=False)
        self.held.clear()


def start_game(binary, cwd, env, log_prefix):
    out = open(log_prefix + ".out", "wb")
    err = open(log_prefix + ".err", "wb")
    return subprocess.Popen([binary], cwd=cwd, env=env, stdout=out, stderr=err,
                            stdin=subprocess.DEVNULL, preexec_fn=_die_with_parent)


class GameOnPrivateDisplay:
    """A private Xvfb with the game running on it and its window found. A game that
    cannot reach its new display ("glfwInit failed", seen now and then while other
    servers come and go on a busy machine) is tried again on a fresh server; the count
    of such retries is kept so reports can say so."""

    def __init__(self, binary, cwd, log_prefix, attempts=3):
        self.binary, self.cwd, self.log_prefix, self.attempts = binary, cwd, log_prefix, attempts
        self.xvfb = None
        self.game = None
        self.window = None
        self.env = None
        self.retries = 0
        self.extra_env = {}

    def __enter__(self):
        for attempt in range(self.attempts):
            self.xvfb = PrivateXvfb().__enter__()
            self.env = null_audio_env(self.xvfb.env(), self.cwd)
            self.env.update(self.extra_env)
            self.game = start_game(self.binary, self.cwd, self.env, self.log_prefix)
            self.window = find_window(self.env, self.game)
            if self.window is not None:
                xdotool(self.env, "windowfocus", "--sync", self.window, check=False)
                return self
            if self.game.poll() is None:
                self.game.kill()
            self.game.wait()
            with open(self.log_prefix + ".out", "rb") as f:
                early = b"glfwInit failed" in f.read()
            # Keep what the failed start said (the next start overwrites the logs).
            shutil.copy(self.log_prefix + ".err", "%s.attempt%d.err" % (self.log_prefix, attempt + 1))
            self.xvfb.__exit__(None, None, None)
            if not early:
                break
            self.retries += 1
        return self

    def __exit__(self, *exc):
        if self.game is not None and self.game.poll() is None:
            self.game.kill()
            self.game.wait()
        if self.xvfb is not None:
            self.xvfb.__exit__(*exc)


def temp_dir(prefix):
    return tempfile.mkdtemp(prefix=prefix)
