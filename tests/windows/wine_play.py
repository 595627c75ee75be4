#!/usr/bin/env python3
"""The Windows build played under Wine on a private Xvfb, keys through xdotool.

Portable (the zip unpacked): the menu matches the Linux program's at 640 x 480 as the
browser's must; the options' keys sound and change a setting, saved beside the program;
Space starts a game and the arrow keys roll the cube, with sound; F4 quits with no
audio device left open. A second start reads the setting back. Installed (the setup
program, silently): the Start-menu shortcut starts the game, which keeps its files in
%APPDATA%\\Tessory; the uninstaller removes the program and leaves that folder.

usage: wine_play.py <zip> <setup.exe> <linux tessory> <shot folder>
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
for sub in ("../soak", "../game/e2e", "../web"):
    sys.path.insert(0, os.path.join(HERE, sub))
import game_driver as gd  # noqa: E402
from play_e2e import ROLL_KEYS, Failure, check, floor_at, read_state  # noqa: E402
from web_play import changed_fraction, desktop_menu, different_blocks, rgb_of  # noqa: E402

WINE = "/usr/lib/wine/wine64"
# A stretch of the capture counts as sound when its RMS is above this (16-bit samples).
SOUND_RMS = 60


def wine(env, *args, timeout=120):
    return subprocess.run([WINE, *args], env=env, capture_output=True, timeout=timeout)


def unix_path(env, windows_path):
    out = wine(env, "winepath", "-u", windows_path).stdout.decode().strip()
    check(out, "winepath knows no " + windows_path)
    return out


class WineGame:
    """tessory.exe on the display, its sound in a WAVE file."""

    def __init__(self, env, command, work, tag):
        self.env = dict(env)
        self.work = work
        self.wav = os.path.join(work, tag + ".wav")
        conf = os.path.join(work, tag + "-alsoft.ini")
        with open(conf, "w") as f:
            f.write("[general]\ndrivers = wave\nchannels = stereo\nsample-type = int16\n"
                    "frequency = 44100\n[wave]\nfile = Z:%s\n" % self.wav.replace("/", "\\\\"))
        self.env.update(ALSOFT_CONF=conf, ALSOFT_LOGLEVEL="2")
        self.out = open(os.path.join(work, tag + ".out"), "w+b")
        self.proc = subprocess.Popen([WINE, *command], env=self.env, stdout=self.out,
                                     stderr=subprocess.STDOUT)
        deadline = time.monotonic() + 60
        self.window = None
        while self.window is None and time.monotonic() < deadline:
            ids = gd.xdotool(self.env, "search", "--onlyvisible", "--name", "^Tessory$",
                             check=False).split()
            self.window = ids[-1] if ids else None
            time.sleep(0.2)
        check(self.window is not None, "no Tessory window under Wine:\n" + self.output())
        gd.xdotool(self.env, "windowfocus", "--sync", self.window, check=False)

    def tap(self, *keys, pause=0.5):
        for key in keys:
            gd.xdotool(self.env, "keydown", key)
            time.sleep(0.12)
            gd.xdotool(self.env, "keyup", key)
            time.sleep(pause)

    def image(self, name):
        path = os.path.join(self.work, name + ".png")
        gd.screenshot(self.env, self.window, path)
        with open(path, "rb") as f:
            return rgb_of(f.read())

    def captured(self):
        """Bytes of sound written so far (the wave writer keeps up with real time)."""
        return os.path.getsize(self.wav) if os.path.exists(self.wav) else 0

    def loudest_since(self, start):
        """The largest RMS of a 50 ms stretch of the capture after byte `start`."""
        with open(self.wav, "rb") as f:
            f.seek(max(start, 44))
            data = f.read()
        step = 44100 * 4 // 20
        best = 0
        for at in range(0, len(data) - step, step):
            samples = memoryview(data[at:at + step]).cast("h")
            best = max(best, (sum(s * s for s in samples) / len(samples)) ** 0.5)
        return best

    def quit(self, key="F4", expected=0):
        """The key that ends the program, and its end: its status and what it printed."""
        self.tap(key)
        try:
            status = self.proc.wait(30)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            raise Failure(key + " did not end the program")
        check(status == expected, "the program ended with status %d:\n%s" % (status, self.output()))
        return self.output()

    def output(self):
        self.out.flush()
        self.out.seek(0)
        return self.out.read().decode(errors="replace")


def options_change_sound(game):
    """Options (focus left twice to the gear), down to the Sound row, Space: Loud becomes
    Normal; Escape closes the box, which saves."""
    game.tap("Left", "Left", "space", pause=0.8)
    game.tap("Down", "space", "Escape", pause=0.8)


def portable(env, zip_path, desktop, shots, work):
    folder = os.path.join(work, "portable \u00e9\u20ac")  # names cross as UTF-16
    with zipfile.ZipFile(zip_path) as z:
        z.extractall(folder)
    (top,) = os.listdir(folder)
    program = os.path.join(folder, top)
    state = os.path.join(program, ".kavorostate")
    log = os.path.join(program, "tessory.log")

    # Without its data the GUI program says why in a message box (OK ends it) and its log.
    os.rename(os.path.join(program, "data"), os.path.join(program, "data-away"))
    WineGame(env, [os.path.join(program, "tessory.exe")], work, "no-data").quit("Return", 1)
    check("cannot start: it found no data folder" in open(log, errors="replace").read(),
          "tessory.log lacks why the program without data stopped")
    os.rename(os.path.join(program, "data-away"), os.path.join(program, "data"))

    reference = rgb_of(desktop_menu(desktop, work))
    game = WineGame(env, [os.path.join(program, "tessory.exe")], work, "first")
    time.sleep(6)  # logo, loader, the menu sliding in
    menu = game.image("menu")
    shutil.copy(os.path.join(work, "menu.png"), os.path.join(shots, "windows_menu.png"))
    blocks = different_blocks(menu, reference)
    print("menu: %d of 48 blocks differ from the Linux menu" % blocks, flush=True)
    check(menu[:2] == (640, 480), "the window is %d x %d" % menu[:2])
    check(blocks <= 2, "the menu differs from the Linux one in %d blocks" % blocks)

    quiet = game.loudest_since(game.captured() - 44100 * 4)
    mark = game.captured()
    options_change_sound(game)
    menu_sound = game.loudest_since(mark)
    check(os.path.exists(state), "no state file beside the portable program")
    check(read_state(state)[6] == 1, "the Sound setting was not saved as Normal")

    game.tap("Right", "space", pause=2.0)  # focus back on the wheel, a Small game
    before = game.image("level")
    shutil.copy(os.path.join(work, "level.png"), os.path.join(shots, "windows_level.png"))
    mark = game.captured()
    for _ in range(3):
        image = game.image("probe")
        game.tap(next((k for k in ROLL_KEYS if floor_at(image, k)), "Up"), pause=0.6)
    moved = changed_fraction(before, game.image("rolled"))
    roll_sound = game.loudest_since(mark)
    print("sound RMS: menu at rest %.0f, options keys %.0f, rolls %.0f; rolls changed %.0f%% "
          "of the picture" % (quiet, menu_sound, roll_sound, 100 * moved), flush=True)
    check(moved > 0.05, "the arrow keys did not roll the cube")
    check(menu_sound > SOUND_RMS, "the options' keys made no sound")
    check(roll_sound > SOUND_RMS, "the rolls made no sound")
    output = game.quit()
    check("not closed" not in output, "the audio device was left open:\n" + output)
    text = open(log, errors="replace").read()
    check("opening openal device" in text, "tessory.log beside the program lacks the log:\n" + text)

    # The second start reads the setting back: saving the options again keeps Normal.
    game = WineGame(env, [os.path.join(program, "tessory.exe")], work, "second")
    time.sleep(6)
    game.tap("Left", "Left", "space", "Escape", pause=0.8)
    game.quit()
    check(read_state(state)[6] == 1, "the second start lost the Sound setting")


def installed(env, setup, work):
    check(wine(env, setup, "/S", timeout=180).returncode == 0, "the silent install failed")
    program = unix_path(env, "C:\\Program Files\\Tessory")
    check(os.path.exists(os.path.join(program, "tessory.exe")), "nothing installed in " + program)
    # The Start menu of all users or of the one who installed, as the installer chose.
    drive = unix_path(env, "C:\\")
    shortcut = next((os.path.join(d, "Tessory.lnk") for d, _, files in os.walk(drive)
                     if "Tessory.lnk" in files and "Start Menu" in d), None)
    check(shortcut is not None, "no Tessory shortcut in a Start menu")
    appdata = unix_path(env, "C:\\users\\%s\\AppData\\Roaming\\Tessory" % os.environ.get("USER", "root"))
    game = WineGame(env, ["start", "/wait", "/unix", shortcut], work, "installed")
    time.sleep(6)
    game.tap("Left", "Left", "space", "Escape", pause=0.8)
    game.quit()
    check(os.path.exists(os.path.join(appdata, ".kavorostate")), "no state in " + appdata)
    check(not os.path.exists(os.path.join(program, ".kavorostate")), "state beside the program")

    wine(env, os.path.join(program, "Uninstall.exe"), "/S", timeout=180)
    deadline = time.monotonic() + 60  # the uninstaller runs on from a copy of itself
    while os.path.exists(os.path.join(program, "tessory.exe")) and time.monotonic() < deadline:
        time.sleep(0.5)
    check(not os.path.exists(os.path.join(program, "tessory.exe")), "the program was not removed")
    check(os.path.exists(os.path.join(appdata, ".kavorostate")), "the uninstaller removed the state")


def main():
    zip_path, setup, desktop, shots = sys.argv[1:5]
    os.makedirs(shots, exist_ok=True)
    work = tempfile.mkdtemp(prefix="tessory_wine_")
    try:
        with gd.PrivateXvfb() as xvfb:
            env = xvfb.env()
            env.setdefault("WINEDEBUG", "-all")
            subprocess.run(["/usr/lib/wine/wineserver", "-p"], env=env, check=False)
            try:
                portable(env, zip_path, desktop, shots, work)
                installed(env, setup, work)
            finally:
                subprocess.run(["/usr/lib/wine/wineserver", "-k"], env=env, check=False)
    except Failure as failure:
        print("FAIL: %s (files in %s)" % (failure, work), flush=True)
        sys.exit(1)
    shutil.rmtree(work, ignore_errors=True)
    print("PASS", flush=True)


if __name__ == "__main__":
    main()
