#!/usr/bin/env python3
"""The zip's and the installer's program under Wine on a private Xvfb, keys through
xdotool, sound through OpenAL Soft's wave backend (what each check is: its message).
usage: wine_play.py <zip> <setup.exe> <linux tessory> <shot folder>"""

import os, shutil, subprocess, sys, tempfile, time, zipfile  # noqa: E401

sys.dont_write_bytecode = True
for sub in ("../soak", "../support", "../web"):
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), sub))
import game_driver as gd  # noqa: E402
import playing as pl  # noqa: E402
from playing import ROLL_KEYS, Failure, check, floor_at  # noqa: E402
from web_play import desktop_menu, different_blocks, rgb_of  # noqa: E402
import wine_prefix  # noqa: E402
from wine_prefix import WINE  # noqa: E402


class WineGame:
    def __init__(self, env, command, work, tag, state, menu=True, beside=(), at=None, cwd=None):
        self.env, self.work, self.wav, self.state = dict(env), work, os.path.join(work, tag + ".wav"), state
        self.through_shortcut = command[0] == "start"
        with open(os.path.join(work, tag + ".ini"), "w") as f:
            f.write("[general]\ndrivers = wave\nchannels = stereo\nsample-type = int16\n"
                    "frequency = 44100\n[wave]\nfile = Z:%s\n" % self.wav.replace("/", "\\\\"))
        self.env.update(ALSOFT_CONF=f.name, ALSOFT_LOGLEVEL="2")  # warnings: "not closed"
        self.out = open(os.path.join(work, tag + ".out"), "w+b")
        # No terminal: after a runtime error the program finds no debugger to talk to.
        self.proc = subprocess.Popen([WINE, *command], env=self.env, stdin=subprocess.DEVNULL, stdout=self.out,
                                     stderr=subprocess.STDOUT, cwd=cwd)
        self.window = pl.wait_until("a Tessory window under Wine", lambda: [
            w for w in windows(env) if w not in {game.window for game in beside}], timeout=60)[-1]
        gd.xdotool(self.env, "windowfocus", "--sync", self.window, check=False)
        # The shared player's driver: pictures, keys, whether the program still runs.
        self.view = gd.Window(self.env, self.window, self.proc)
        if menu:
            pl.wait_for_menu(self)
        if at:  # side by side, once the game has placed its window: pictures come from the screen
            def placed():
                gd.xdotool(self.env, "windowmove", "--sync", self.window, *map(str, at), check=False)
                return "Position: %d,%d " % at in gd.xdotool(self.env, "getwindowgeometry", self.window)
            pl.wait_until("the window moved", placed, timeout=20, poll=0.5)
            self.view.close()
            self.view = gd.Window(self.env, self.window, self.proc)

    def follow(self, what, found):
        """The window the game made anew (a mode switch, after a box): the newest of `found`."""
        self.window = pl.wait_until(what, lambda: [w for w in found() if w != self.window], timeout=30)[-1]
        self.view = gd.Window(self.env, self.window, self.proc)
        gd.xdotool(self.env, "windowfocus", "--sync", self.window, check=False)

    def focus(self, probe=False):
        """Wine moves the keys to another of its windows after a click in it (in the sky: no
        button). The probe turns the menu's wheel and back, until this window's wheel turns."""
        def clicked():
            gd.xdotool(self.env, "mousemove", "--window", self.window, "320", "2", "click", "1", check=False)
            gd.xdotool(self.env, "windowfocus", "--sync", self.window, check=False)
            if not probe:
                return True
            before = self.image()
            pl.tap(self.view, "Down")
            return pl.wait_until(None, lambda: pl.changed_fraction(before, self.image()) > 0.003, timeout=3)
        pl.wait_until("the keys in this window", clicked, timeout=30, poll=1)
        if probe:
            pl.press(self, "Up")

    # What the shared player drives: keys, pictures, the state file beside the program.
    def hold(self, key):
        self.view.hold(key)

    def release(self, key):
        self.view.release(key)

    def alive(self):
        if not self.through_shortcut:  # the shortcut's launcher may end before its game
            self.view.alive()

    def image(self, name=None):
        if name is None:
            return self.view.image()
        gd.screenshot(self.env, self.window, os.path.join(self.work, name + ".png"))
        return rgb_of(open(os.path.join(self.work, name + ".png"), "rb").read())

    def state_stamp(self):
        try:
            info = os.stat(self.state)
            return info.st_ino, info.st_mtime_ns
        except FileNotFoundError:
            return None

    def after_save(self):
        pass  # the file is moved into place whole

    def captured(self):  # the wave writer keeps up with real time
        return os.path.getsize(self.wav) if os.path.exists(self.wav) else 0

    def loudest_since(self, start):
        data = open(self.wav, "rb").read()[max(start, 44):]
        step = 44100 * 4 // 20
        rms = [(sum(s * s for s in memoryview(data[at:at + step]).cast("h")) / (step // 2)) ** 0.5
               for at in range(0, len(data) - step, step)]
        return max(rms, default=0)

    def quit(self, key="F4", status=0):
        pl.tap(self.view, key)
        check(self.proc.wait(30) == status, "ended with status %d:\n%s" % (self.proc.returncode, self.output()))
        return self.output()

    def output(self):
        return open(self.out.name, errors="replace").read()


def windows(env):
    return gd.xdotool(env, "search", "--onlyvisible", "--name", "^Tessory$", check=False).split()


def sound_setting(state):  # the saved Sound setting, the file's checksums checked
    return pl.state_values(open(state, encoding="utf-8").read() if os.path.exists(state) else None)[6]


def turn_sound_down(env, command, work, tag, state):  # Loud to Normal, or Normal to Quiet
    game = WineGame(env, command, work, tag, state)
    mark = game.captured()
    pl.change_setting(game, 1)
    check("not closed" not in game.quit(), "the audio device was left open")
    return game.loudest_since(mark)


def portable(env, zip_path, desktop, shots, work):
    folder = os.path.join(work, "portable \u00e9\u20ac")
    zipfile.ZipFile(zip_path).extractall(folder)
    program = os.path.join(folder, os.listdir(folder)[0])
    exe, state, log = (os.path.join(program, n) for n in ("tessory.exe", ".kavorostate", "tessory.log"))
    os.rename(os.path.join(program, "data"), os.path.join(program, "away"))
    WineGame(env, [exe], work, "no-data", state, menu=False).quit("Return", 1)  # OK on the message box
    said = open(log).read()  # in Windows' words: its paths, and what a player can do
    check("-win64\\data (No such file" in said and "Reinstall Tessory.\n" in said,
          "tessory.log lacks why it stopped, in Windows' words:\n" + said)
    os.rename(os.path.join(program, "away"), os.path.join(program, "data"))
    reference = rgb_of(desktop_menu(desktop, work))
    game = WineGame(env, [exe], work, "first", state)
    menu = game.image("menu")
    blocks = different_blocks(menu, reference)
    check(menu[:2] == (640, 480) and blocks <= 2, "the menu (%d x %d) differs from the Linux one in %d "
          "blocks" % (*menu[:2], blocks))
    pl.start_game(game)  # a Small game, from the wheel the menu starts on
    before, mark = game.image("level"), game.captured()
    check(pl.score_digits(before), "Space in the menu started no game")
    image = before
    for _ in range(3):
        image = pl.roll(game, next((k for k in ROLL_KEYS if floor_at(image, k)), "Up"), image)
    moved, roll_sound = pl.changed_fraction(before, game.image("rolled")), game.loudest_since(mark)
    check("not closed" not in game.quit(), "the audio device was left open")
    check("opening openal device" in open(log).read(), "no log lines in tessory.log")
    # The options' sound, and the setting kept across starts: Quiet only if Normal was read back.
    menu_sound = turn_sound_down(env, [exe], work, "second", state)
    check(sound_setting(state) == 1, "Sound: Normal was not saved beside the program")
    turn_sound_down(env, [exe], work, "third", state)
    check(sound_setting(state) == 2, "the third start lost the Sound setting")
    two_copies(env, exe, work, state)
    scaled(env, exe, work, state)
    runtime_error(env, exe, program, work, state, log)
    for name in ("menu", "level", "two_copies", "scaled", "runtime_error"):
        shutil.copy(os.path.join(work, name + ".png"), os.path.join(shots, "windows_%s.png" % name))
    print("menu: %d blocks differ; sound RMS: options %.0f, rolls %.0f; the rolls changed %.0f%% of the "
          "picture" % (blocks, menu_sound, roll_sound, 100 * moved), flush=True)
    check(moved > 0.01 and min(menu_sound, roll_sound) > 60, "no roll, or no sound")  # silence: RMS < 2


def scaled(env, exe, work, state):
    """A screen at 150 % (144 DPI): the window opens at 960 x 720. Alt+Enter switches to
    full screen and back, as F11 does; Enter alone still selects: it starts a game."""
    reg = [WINE, "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/f", "/d"]
    subprocess.run(reg + ["144"], env=env, capture_output=True, timeout=60)
    try:
        game = WineGame(env, [exe], work, "scaled", state)
    finally:  # the starts after this one see 96
        subprocess.run(reg + ["96"], env=env, capture_output=True, timeout=60)
    gd.screenshot(env, "root", os.path.join(work, "scaled.png"))
    sizes = [gd.xdotool(env, "getwindowgeometry", game.window).split("Geometry: ")[-1].strip()]
    for _ in range(2):
        pl.tap(game.view, "alt+Return")
        game.follow("the other mode's window", lambda: gd.xdotool(
            env, "search", "--onlyvisible", "--classname", "tessory.exe", check=False).split())
        sizes.append(gd.xdotool(env, "getwindowgeometry", game.window).split("Geometry: ")[-1].strip())
    check(sizes == ["960x720", "1280x1024", "960x720"], "window, full screen, window: %s" % sizes)
    menu = pl.wait_for_menu(game)
    pl.tap_until(game, "Return", "a game after Enter", lambda: pl.changed_fraction(menu, game.image()) > 0.1)
    game.quit()


def runtime_error(env, exe, program, work, state, log):
    """Fonts too small for their letters: a runtime error, in the log and then in a box
    the program waits on; OK ends it with the error's status."""
    fonts = os.path.join(program, "data", "fonts")
    for name in os.listdir(fonts):  # a 64 x 64 picture: room for 16 of the 128 letters
        shutil.copy(os.path.join(program, "data", "common", "light.png"), os.path.join(fonts, name))
    game = WineGame(env, [exe], work, "runtime-error", state, menu=False)
    box = pl.wait_until("the runtime error's box", lambda: [w for w in windows(env) if "Geometry: 640x480" not in
                                                           gd.xdotool(env, "getwindowgeometry", w)], timeout=60)[-1]
    gd.screenshot(env, "root", os.path.join(work, "runtime_error.png"))
    check("Kavoro Runtime Error : Image frame outside surface\n" in open(log).read(), "no runtime error logged")
    time.sleep(1)
    game.alive()
    gd.xdotool(env, "windowfocus", "--sync", box, check=False)
    game.quit("Return", 255)


def two_copies(env, exe, work, state):
    """Two copies at once in one folder, Sound stepped in one and Music in the other: the
    file keeps both, though each copy read it before the other's save."""
    def values():
        return pl.state_values(open(state, encoding="utf-8").read())
    before = values()
    first = WineGame(env, [exe], work, "copy-a", state, at=(0, 0))
    second = WineGame(env, [exe], work, "copy-b", state, beside=[first], at=(640, 0))
    for game, row in ((first, 1), (second, 2)):
        game.focus(probe=True)
        # Once more if the copy's own setting stayed (a busy machine may lose a key); a
        # save that dropped the other copy's setting is not retried.
        for _ in range(2):
            pl.change_setting(game, row)
            if values()[5 + row] != before[5 + row]:
                break
    gd.screenshot(env, "root", os.path.join(work, "two_copies.png"))
    for game in (second, first):
        game.focus()
        game.quit()
    after = values()
    steps = "Sound %d to %d, Music %d to %d" % (before[6], after[6], before[7], after[7])
    check(after[6] != before[6] and after[7] != before[7], steps + ": a copy's setting was lost")
    print("two copies at once: " + steps, flush=True)


def installed(env, setup, work, shots):
    def unix(path):
        return subprocess.run([WINE, "winepath", "-u", path], env=env, capture_output=True).stdout.decode().strip()
    subprocess.run([WINE, setup, "/S"], env=env, timeout=180)
    program, appdata = unix("C:\\Program Files\\Tessory"), unix("C:\\users\\%s\\AppData\\Roaming\\Tessory"
                                                                 % os.environ.get("USER", "root"))
    link = next((os.path.join(d, "Tessory.lnk") for d, _, files in os.walk(unix("C:\\"))
                 if "Tessory.lnk" in files and "Start Menu" in d), None)
    check(os.path.exists(os.path.join(program, "tessory.exe")) and link, "not installed, or no shortcut")
    # A file where its folder should be: the game says so, plays, and saves nothing, neither
    # beside the program nor in the folder it was started from.
    shutil.rmtree(appdata, ignore_errors=True)  # an earlier run's, in a kept prefix
    open(appdata, "w").close()
    start = os.path.join(work, "start")
    os.makedirs(start)
    game = WineGame(env, [os.path.join(program, "tessory.exe")], work, "no-folder", appdata, menu=False,
                    cwd=start)
    gd.screenshot(env, "root", os.path.join(shots, "windows_no_state_folder.png"))
    gd.xdotool(env, "key", "--window", game.window, "Return")
    game.follow("the game after the box", lambda: windows(env))
    pl.wait_for_menu(game)
    pl.press(game, "Left", "space", "Down", "space")  # the sound stepped in the options
    pl.tap(game.view, "Escape")  # closing them saves, or would
    game.quit()
    check(not any(os.path.exists(d + "/.kavorostate") for d in (program, start)), "a state file was kept "
          "beside the program or where it was started")
    os.remove(appdata)
    turn_sound_down(env, ["start", "/wait", "/unix", link], work, "installed", appdata + "/.kavorostate")
    check(os.path.exists(appdata + "/.kavorostate") and not os.path.exists(program + "/.kavorostate"),
          "the installed game's state is not in %APPDATA%\\Tessory alone")
    with open(appdata + "/tessory.log", errors="replace") as log:
        check(log.readline().startswith("Tessory "), "the shortcut's game wrote no tessory.log")
    subprocess.run([WINE, os.path.join(program, "Uninstall.exe"), "/S"], env=env, timeout=180)
    # The uninstaller goes on from a copy of itself.
    pl.wait_until("the uninstaller removing the program", lambda: not os.path.exists(program + "/tessory.exe"), 60)
    check(os.path.exists(appdata + "/.kavorostate"), "the uninstaller took the player's state")


def main():
    zip_path, setup, desktop, shots = sys.argv[1:5]
    os.makedirs(shots, exist_ok=True)
    work = tempfile.mkdtemp(prefix="tessory_wine_")
    try:
        with gd.PrivateXvfb() as xvfb:
            wine_prefix.prepare(xvfb.env(), persistent=True)
            try:
                portable(xvfb.env(), zip_path, desktop, shots, work)
                installed(xvfb.env(), setup, work, shots)
            except Failure:
                gd.screenshot(xvfb.env(), "root", os.path.join(work, "failed.png"))
                raise
            finally:
                wine_prefix.stop(xvfb.env())
    except Failure as failure:
        sys.exit("FAIL: %s (files in %s)" % (failure, work))
    shutil.rmtree(work, ignore_errors=True)
    print("PASS")


main()
