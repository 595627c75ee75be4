#!/usr/bin/env python3
"""The zip's and the installer's program under Wine on a private Xvfb, keys through
xdotool, sound through OpenAL Soft's wave backend (what each check is: its message).
usage: wine_play.py <zip> <setup.exe> <linux tessory> <shot folder>"""

import os, shutil, subprocess, sys, tempfile, time, zipfile  # noqa: E401

sys.dont_write_bytecode = True
for sub in ("../soak", "../game/e2e", "../web"):
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), sub))
import game_driver as gd  # noqa: E402
from play_e2e import ROLL_KEYS, Failure, check, floor_at, read_state  # noqa: E402
from web_play import changed_fraction, desktop_menu, different_blocks, rgb_of  # noqa: E402

WINE = "/usr/lib/wine/wine64"


class WineGame:
    def __init__(self, env, command, work, tag, settle=6):  # logo, loader, the menu sliding in
        self.env, self.work, self.wav = dict(env), work, os.path.join(work, tag + ".wav")
        with open(os.path.join(work, tag + ".ini"), "w") as f:
            f.write("[general]\ndrivers = wave\nchannels = stereo\nsample-type = int16\n"
                    "frequency = 44100\n[wave]\nfile = Z:%s\n" % self.wav.replace("/", "\\\\"))
        self.env.update(ALSOFT_CONF=f.name, ALSOFT_LOGLEVEL="2")  # warnings: "not closed"
        self.out = open(os.path.join(work, tag + ".out"), "w+b")
        self.proc = subprocess.Popen([WINE, *command], env=self.env, stdout=self.out, stderr=subprocess.STDOUT)
        for _ in range(300):
            self.window = gd.xdotool(self.env, "search", "--onlyvisible", "--name", "^Tessory$", check=False).split()
            if self.window:
                break
            time.sleep(0.2)
        check(self.window, "no Tessory window under Wine:\n" + self.output())
        self.window = self.window[-1]
        gd.xdotool(self.env, "windowfocus", "--sync", self.window, check=False)
        time.sleep(settle)

    def tap(self, *keys, pause=0.8):  # each held long enough for an update to see it
        gd.xdotool(self.env, *sum((["keydown", k, "sleep", "0.12", "keyup", k, "sleep", str(pause)]
                                   for k in keys), []), timeout=60)
        return self

    def image(self, name):
        gd.screenshot(self.env, self.window, os.path.join(self.work, name + ".png"))
        return rgb_of(open(os.path.join(self.work, name + ".png"), "rb").read())

    def captured(self):  # the wave writer keeps up with real time
        return os.path.getsize(self.wav) if os.path.exists(self.wav) else 0

    def loudest_since(self, start):
        data = open(self.wav, "rb").read()[max(start, 44):]
        step = 44100 * 4 // 20
        rms = [(sum(s * s for s in memoryview(data[at:at + step]).cast("h")) / (step // 2)) ** 0.5
               for at in range(0, len(data) - step, step)]
        return max(rms, default=0)

    def quit(self, key="F4", status=0):
        self.tap(key)
        check(self.proc.wait(30) == status, "ended with status %d:\n%s" % (self.proc.returncode, self.output()))
        return self.output()

    def output(self):
        return open(self.out.name, errors="replace").read()


def open_options(env, command, work, tag):  # opens and closes the options, which saves
    WineGame(env, command, work, tag).tap("Left", "Left", "space", "Escape").quit()


def portable(env, zip_path, desktop, shots, work):
    folder = os.path.join(work, "portable \u00e9\u20ac")
    zipfile.ZipFile(zip_path).extractall(folder)
    program = os.path.join(folder, os.listdir(folder)[0])
    exe, state, log = (os.path.join(program, n) for n in ("tessory.exe", ".kavorostate", "tessory.log"))
    os.rename(os.path.join(program, "data"), os.path.join(program, "away"))
    WineGame(env, [exe], work, "no-data", settle=0).quit("Return", 1)  # OK on the message box
    check("cannot start: it found no data folder" in open(log).read(), "tessory.log lacks why it stopped")
    os.rename(os.path.join(program, "away"), os.path.join(program, "data"))
    reference = rgb_of(desktop_menu(desktop, work))
    game = WineGame(env, [exe], work, "first")
    menu = game.image("menu")
    blocks = different_blocks(menu, reference)
    check(menu[:2] == (640, 480) and blocks <= 2, "the menu (%d x %d) differs from the Linux one in %d "
          "blocks" % (*menu[:2], blocks))
    mark = game.captured()
    # Options (left twice to the gear), down to Sound, Space: Loud to Normal; Escape saves.
    game.tap("Left", "Left", "space", "Down", "space", "Escape")
    menu_sound = game.loudest_since(mark)
    check(os.path.exists(state) and read_state(state)[6] == 1, "Sound: Normal was not saved beside the program")
    game.tap("Right", "space", pause=2.0)  # focus back on the wheel, a Small game
    before, mark = game.image("level"), game.captured()
    for _ in range(3):
        image = game.image("probe")
        game.tap(next((k for k in ROLL_KEYS if floor_at(image, k)), "Up"))
    moved, roll_sound = changed_fraction(before, game.image("rolled")), game.loudest_since(mark)
    print("menu: %d blocks differ; sound RMS: options %.0f, rolls %.0f; the rolls changed %.0f%% of the "
          "picture" % (blocks, menu_sound, roll_sound, 100 * moved), flush=True)
    check(moved > 0.05 and min(menu_sound, roll_sound) > 60, "no roll, or no sound")  # silence: RMS < 2
    check("not closed" not in game.quit(), "the audio device was left open")
    check("opening openal device" in open(log).read(), "no log lines in tessory.log")
    for name in ("menu", "level"):
        shutil.copy(os.path.join(work, name + ".png"), os.path.join(shots, "windows_%s.png" % name))
    open_options(env, [exe], work, "second")  # reads Normal back, so saves it again
    check(read_state(state)[6] == 1, "the second start lost the Sound setting")


def installed(env, setup, work):
    def unix(path):
        return subprocess.run([WINE, "winepath", "-u", path], env=env, capture_output=True).stdout.decode().strip()
    subprocess.run([WINE, setup, "/S"], env=env, timeout=180)
    program, appdata = unix("C:\\Program Files\\Tessory"), unix("C:\\users\\%s\\AppData\\Roaming\\Tessory"
                                                                 % os.environ.get("USER", "root"))
    link = next((os.path.join(d, "Tessory.lnk") for d, _, files in os.walk(unix("C:\\"))
                 if "Tessory.lnk" in files and "Start Menu" in d), None)
    check(os.path.exists(os.path.join(program, "tessory.exe")) and link, "not installed, or no shortcut")
    open_options(env, ["start", "/wait", "/unix", link], work, "installed")
    check(os.path.exists(appdata + "/.kavorostate") and not os.path.exists(program + "/.kavorostate"),
          "the installed game's state is not in %APPDATA%\\Tessory alone")
    subprocess.run([WINE, os.path.join(program, "Uninstall.exe"), "/S"], env=env, timeout=180)
    for _ in range(120):  # the uninstaller goes on from a copy of itself
        time.sleep(0.5 if os.path.exists(program + "/tessory.exe") else 0)
    check(not os.path.exists(program + "/tessory.exe") and os.path.exists(appdata + "/.kavorostate"),
          "the uninstaller left the program, or took the player's state")


def main():
    zip_path, setup, desktop, shots = sys.argv[1:5]
    os.makedirs(shots, exist_ok=True)
    work = tempfile.mkdtemp(prefix="tessory_wine_")
    try:
        with gd.PrivateXvfb() as xvfb:
            subprocess.run(["/usr/lib/wine/wineserver", "-p"], env=xvfb.env())  # one for all starts
            try:
                portable(xvfb.env(), zip_path, desktop, shots, work)
                installed(xvfb.env(), setup, work)
            finally:
                subprocess.run(["/usr/lib/wine/wineserver", "-k"], env=xvfb.env())
    except Failure as failure:
        sys.exit("FAIL: %s (files in %s)" % (failure, work))
    shutil.rmtree(work, ignore_errors=True)


main()
