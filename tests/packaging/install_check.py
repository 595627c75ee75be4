#!/usr/bin/env python3
"""Checks of an installed Tessory, one per sub-command (each a CTest test):

    install_check.py install  BUILD PREFIX   cmake --install into PREFIX, then the layout
    install_check.py desktop  PREFIX         desktop-file-validate on the .desktop file
    install_check.py metainfo PREFIX         appstreamcli validate --pedantic on the metainfo
    install_check.py folders  PREFIX         the launcher's choice of the player's folder
    install_check.py launch   PREFIX [SHOT]  the menu entry's command, started elsewhere,
                                             shows the menu and keeps the state in the
                                             player's data folder
    install_check.py lintian  CPACK BUILD OUT  cpack builds the .deb into OUT; lintian
                                             finds no error and no warning in it
Exit status 77 means skipped (the reason is printed)."""

import glob
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "soak"))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
import game_driver as gd  # noqa: E402
import playing as pl  # noqa: E402

APP_ID = "org.tessory.tessory"
# The Debian layout for games, kept for any prefix.
LAUNCHER = "games/tessory"
GAME_DIR = "lib/games/tessory"
DATA_DIR = "share/games/tessory"
ICON_SIZES = [16, 22, 24, 32, 48, 64, 128, 256, 512]
SKIP = 77


def fail(why):
    print("FAIL: " + why)
    sys.exit(1)


def skip(why):
    print("SKIPPED: " + why)
    sys.exit(SKIP)


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        fail(path + " is not a PNG")
    return struct.unpack(">II", head[16:24])


def files_below(root):
    out = set()
    for d, _, names in os.walk(root):
        for n in names:
            out.add(os.path.relpath(os.path.join(d, n), root))
    return out


def install(build, prefix):
    shutil.rmtree(prefix, ignore_errors=True)
    r = subprocess.run(["cmake", "--install", build, "--prefix", prefix],
                       capture_output=True, text=True)
    if r.returncode != 0:
        fail("cmake --install failed:\n" + r.stdout + r.stderr)
    game_dir = os.path.join(prefix, GAME_DIR)
    for path in (os.path.join(prefix, LAUNCHER), os.path.join(game_dir, "tessory")):
        if not os.access(path, os.X_OK):
            fail(path + " is missing or not executable")
    # The program looks for its data beside itself: a link there leads to the data
    # folder of this prefix (not to a copy, nor to another prefix's).
    link = os.path.realpath(os.path.join(game_dir, "data"))
    if link != os.path.realpath(os.path.join(prefix, DATA_DIR)):
        fail("data beside the program is %s, not %s" % (link, DATA_DIR))
    built = files_below(os.path.join(build, "data"))
    installed = files_below(os.path.join(prefix, DATA_DIR))
    if not built or built != installed:
        fail("data/ differs: missing %s, extra %s" %
             (sorted(built - installed)[:5], sorted(installed - built)[:5]))
    for rel in ("share/applications/%s.desktop" % APP_ID, "share/metainfo/%s.metainfo.xml" % APP_ID,
                "share/doc/tessory/README.md", "share/doc/tessory/copyright",
                "share/doc/tessory/changelog.gz", "share/man/man6/tessory.6.gz"):
        if not os.path.isfile(os.path.join(prefix, rel)):
            fail(rel + " is not installed")
    for size in ICON_SIZES:
        icon = os.path.join(prefix, "share/icons/hicolor/%dx%d/apps/%s.png" % (size, size, APP_ID))
        if not os.path.isfile(icon):
            fail(icon + " is not installed")
        if png_size(icon) != (size, size):
            fail("%s is %dx%d" % ((icon,) + png_size(icon)))
    print("installed %d data files, %d icons" % (len(installed), len(ICON_SIZES)))


def validate(tool, args):
    """Fails on the validator's status or on any issue it lists, pedantic ones included."""
    if shutil.which(tool) is None:
        skip(tool + " is not installed (Debian: %s)" %
             ("desktop-file-utils" if tool == "desktop-file-validate" else "appstream"))
    r = subprocess.run([tool] + args, capture_output=True, text=True)
    print(r.stdout + r.stderr)
    if r.returncode != 0:
        fail("%s found problems" % tool)
    issues = re.findall(r"^[EWIP]: .*$|^.*: (?:error|warning|hint): .*$", r.stdout, re.M)
    if issues:
        fail("%s lists %d issue(s): %s" % (tool, len(issues), issues))


def software_centre_entries(metainfo):
    """Beyond the validator's demands: a screenshot a software centre can fetch, a release."""
    root = ET.parse(metainfo).getroot()
    images = [i.text.strip() for i in root.iter("image")]
    if not images or not all(i.startswith("https://") for i in images):
        fail("screenshot images %s: want at least one, all https" % images)
    if root.find("releases/release[@version][@date]") is None:
        fail("no release with a version and a date")


def launch(prefix, shot):
    for tool in ("Xvfb", "xdotool", "import"):
        if shutil.which(tool) is None:
            skip(tool + " is not installed")
    # The menu starts the launcher by its full path: a games folder is often not on the
    # desktop session's PATH.
    with open(os.path.join(prefix, "share/applications/%s.desktop" % APP_ID)) as f:
        command = re.findall(r"^Exec=(.*)$", f.read(), re.M)
    if command != [os.path.join(os.path.abspath(prefix), LAUNCHER)]:
        fail("the menu entry runs %s, not the installed launcher" % command)
    home = tempfile.mkdtemp(prefix="tessory_launch_")
    elsewhere = os.path.join(home, "somewhere", "else")
    os.makedirs(elsewhere)
    data_home = os.path.join(home, "data")
    player_dir = os.path.join(data_home, "tessory")
    try:
        run = gd.GameOnPrivateDisplay(command[0], elsewhere,
                                      os.path.join(home, "game"))
        run.extra_env = {"XDG_DATA_HOME": data_home, "HOME": home}
        with run:
            env, game, window = run.env, run.game, run.window
            if window is None:
                fail("no window (status %s)" % game.poll())
            pictures = gd.Window(env, window, game)
            pl.wait_for_menu(pictures)
            if game.poll() is not None:
                fail("the game ended with status %d" % game.returncode)
            if os.path.realpath("/proc/%d/cwd" % game.pid) != os.path.realpath(player_dir):
                fail("the game runs in %s, not in %s" %
                     (os.path.realpath("/proc/%d/cwd" % game.pid), player_dir))
            picture = shot or os.path.join(home, "menu.png")
            gd.screenshot(env, window, picture)
            brightness = gd.mean_brightness(picture)
            if brightness < 0.08:
                fail("the window looks black (mean brightness %.3f): %s" % (brightness, picture))
            # Gear, open the options box, close it: the state file is saved.
            state = os.path.join(player_dir, ".kavorostate")
            pl.press(pictures, "Left", "Left")
            menu = pictures.image()
            pl.tap(pictures, "z")
            pl.wait_until("the options box", lambda: pl.changed_fraction(menu, pictures.image()) > 0.1)
            pl.settled(pictures, "the options box")
            pl.tap(pictures, "z")
            pl.wait_until(None, lambda: os.path.isfile(state), timeout=10)
            pictures.close()
            gd.xdotool(env, "key", "F4")
            game.wait(10)
            if game.returncode != 0:
                fail("F4 ended the game with status %d" % game.returncode)
        if not os.path.isfile(state):
            fail("closing the options box wrote no %s" % state)
        ok, why = gd.check_state(gd.read_state(state))
        if not ok:
            fail("the saved state is invalid: " + why)
        if os.path.exists(os.path.join(elsewhere, ".kavorostate")):
            fail("the state landed in the starting directory")
        print("menu shown (mean brightness %.2f), state saved in %s" % (brightness, player_dir))
    finally:
        shutil.rmtree(home, ignore_errors=True)


def data_folder_rules(prefix):
    """Where the launcher puts the player's folder, checked without a display: the game
    itself then fails to open its window, after the folder was made."""
    launcher = os.path.join(prefix, LAUNCHER)
    home = tempfile.mkdtemp(prefix="tessory_xdg_")
    try:
        base = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "ALSOFT_DRIVERS": "null"}
        cwd = os.path.join(home, "cwd")
        os.makedirs(cwd)
        # XDG allows only absolute paths: a relative one falls back to ~/.local/share.
        subprocess.run([launcher], cwd=cwd, env=dict(base, HOME=home, XDG_DATA_HOME="rel/data"),
                       capture_output=True, timeout=30)
        if os.path.exists(os.path.join(cwd, "rel")):
            fail("a relative XDG_DATA_HOME was used")
        if not os.path.isdir(os.path.join(home, ".local/share/tessory")):
            fail("~/.local/share/tessory was not created")
        # Neither variable set: refuse with a message instead of writing somewhere odd.
        r = subprocess.run([launcher], cwd=cwd, env=base, capture_output=True, text=True, timeout=30)
        if r.returncode != 1 or "HOME" not in r.stderr:
            fail("without HOME and XDG_DATA_HOME: status %d, %r" % (r.returncode, r.stderr))
        # A data folder that cannot be made is reported, not ignored.
        blocker = os.path.join(home, "file")
        open(blocker, "w").close()
        r = subprocess.run([launcher], cwd=cwd, env=dict(base, XDG_DATA_HOME=blocker),
                           capture_output=True, text=True, timeout=30)
        if r.returncode != 1 or "cannot use" not in r.stderr:
            fail("an unusable data folder: status %d, %r" % (r.returncode, r.stderr))
        print("relative XDG_DATA_HOME ignored; missing HOME and unusable folder reported")
    finally:
        shutil.rmtree(home, ignore_errors=True)


def lintian(cpack, build, out):
    """cpack builds the .deb from this build tree; lintian's errors and warnings fail,
    the lower levels are printed for the record."""
    if shutil.which("lintian") is None:
        skip("lintian is not installed (Debian: lintian)")
    shutil.rmtree(out, ignore_errors=True)
    r = subprocess.run([cpack, "-G", "DEB", "--config", os.path.join(build, "CPackConfig.cmake"),
                        "-B", out], capture_output=True, text=True)
    debs = glob.glob(os.path.join(out, "tessory_*.deb"))
    if r.returncode != 0 or len(debs) != 1:
        fail("cpack made %s:\n%s%s" % (debs, r.stdout, r.stderr))
    r = subprocess.run(["lintian", "--fail-on", "none", "--display-info", "--pedantic", debs[0]],
                       capture_output=True, text=True)
    print(r.stdout + r.stderr)
    if r.returncode != 0:
        fail("lintian itself failed with status %d" % r.returncode)
    tags = re.findall(r"^[EW]: .*$", r.stdout, re.M)
    if tags:
        fail("lintian: %d error(s) or warning(s) in %s" % (len(tags), os.path.basename(debs[0])))


def main(argv):
    if len(argv) < 3:
        print(__doc__)
        return 2
    cmd = argv[1]
    if cmd == "install":
        install(argv[2], argv[3])
    elif cmd == "desktop":
        validate("desktop-file-validate",
                 [os.path.join(argv[2], "share/applications/%s.desktop" % APP_ID)])
    elif cmd == "metainfo":
        metainfo = os.path.join(argv[2], "share/metainfo/%s.metainfo.xml" % APP_ID)
        validate("appstreamcli", ["validate", "--pedantic", "--no-net", "--explain", metainfo])
        software_centre_entries(metainfo)
    elif cmd == "folders":
        data_folder_rules(argv[2])
    elif cmd == "launch":
        launch(argv[2], argv[3] if len(argv) > 3 else None)
    elif cmd == "lintian" and len(argv) == 5:
        lintian(argv[2], argv[3], argv[4])
    else:
        print(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
