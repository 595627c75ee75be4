#!/usr/bin/env python3
"""The portable tarball in a Debian 13 root without GLFW and OpenAL Soft: ldd finds both in it;
on a private Xvfb its menu is the build's, and a second start reads a changed setting back.
usage: portable_check.py <tarball> <root> <the build's tessory> <shot folder>"""

import os, re, shlex, shutil, subprocess, sys, tarfile, tempfile  # noqa: E401

sys.dont_write_bytecode = True
for sub in ("../soak", "../support", "../web"):
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), sub))
import game_driver as gd  # noqa: E402
import playing as pl  # noqa: E402
from playing import check  # noqa: E402
from web_play import MAX_DIFFERENT_BLOCKS, desktop_menu, different_blocks, rgb_of  # noqa: E402

IN_ROOT = [os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../scripts/trixie-root"), "--run"]


def menu_and_sound_down(work, launcher, state, tag):
    with open(os.path.join(work, "start"), "w") as f:  # the driver starts one program
        f.write("#!/bin/sh\nexec %s\n" % shlex.join(IN_ROOT + [launcher]))
    os.chmod(f.name, 0o755)
    with gd.GameOnPrivateDisplay(f.name, work, os.path.join(work, tag)) as run:
        check(run.window, "%s: no window: %s" % (tag, open(os.path.join(work, tag + ".err")).read()[-3000:]))
        game = gd.Window(run.env, run.window, run.game)
        game.state_stamp = lambda: os.path.exists(state) and (os.stat(state).st_ino, os.stat(state).st_mtime_ns)
        game.after_save, game.image = (lambda: None), (lambda name=None, look=game.image: look())  # saves: whole files
        pl.wait_for_menu(game)
        menu = game.image()
        pl.change_setting(game, 1)
        pl.tap(game, "F4")
        check(run.game.wait(10) == 0, "%s: F4 ended the game with status %d" % (tag, run.game.returncode))
    return menu, pl.state_values(gd.read_state(state))[6]


def main(tarball, root, desktop, shots):
    top = os.path.basename(tarball)[:-len(".tar.gz")]
    check({n.split("/")[0] for n in tarfile.open(tarball).getnames()} == {top}, "not all in " + top)
    work = tempfile.mkdtemp(prefix="tessory_portable_", dir=os.path.join(root, "tmp"))
    inside = "/tmp/" + os.path.basename(work)  # the same folder, as the root sees it
    game = inside + "/" + top
    tarfile.open(tarball).extractall(work)
    ldd = subprocess.run(IN_ROOT + ["ldd", game + "/game/tessory"], capture_output=True, text=True).stdout
    print(ldd)
    for lib in ("libglfw.so.3", "libopenal.so.1"):
        check("%s => %s/game/lib/%s " % (lib, game, lib) in ldd, lib + " is not the tarball's")
    check("not found" not in ldd, "a library is missing in the root")
    reference = rgb_of(desktop_menu(desktop, work))
    os.environ.update(HOME=inside, XDG_DATA_HOME=inside + "/data")
    state = os.path.join(work, "data/tessory/.kavorostate")
    menu, sound = menu_and_sound_down(work, game + "/tessory", state, "first")
    os.makedirs(shots, exist_ok=True)
    pl.write_png(os.path.join(shots, "portable_menu.png"), menu)
    shutil.copy(os.path.join(work, "desktop_menu.png"), shots)
    blocks = different_blocks(menu, reference)
    check(blocks <= MAX_DIFFERENT_BLOCKS, "the menu differs from the build's in %d blocks" % blocks)
    check(sound == 1, "Sound: Normal was not saved in the player's data folder")
    _, sound = menu_and_sound_down(work, game + "/tessory", state, "second")
    check(sound == 2, "the second start did not read the setting back")
    print("menu: %d blocks differ from the build's; Sound stepped down in two starts" % blocks)
    licences = open(os.path.join(work, top, "LICENSES.txt")).read()
    owners = [subprocess.run(["dpkg", "-S", "*/" + lib], capture_output=True, text=True).stdout.strip()
              for lib in sorted(os.listdir(os.path.join(work, top, "game/lib")))]  # the copied libraries' packages
    missing = [owner for owner in owners if re.sub(r"[0-9.]*:.*", "", owner) not in licences]
    check(not missing, "LICENSES.txt has no notice of " + "; ".join(missing))
    shutil.rmtree(work)


main(*sys.argv[1:5])
