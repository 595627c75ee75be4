#!/usr/bin/env python3
"""The portable tarball unpacked into a Debian 13 root that has X, OpenGL and ALSA but no
GLFW and no OpenAL Soft, and played there on a private Xvfb: ldd finds both in the
tarball, the launcher shows the build's own menu and keeps a setting in the player's data
folder, which a second start reads back (what each check is: its message).
usage: portable_check.py <tarball> <root> <the build's tessory> <shot folder>"""

import os, shlex, shutil, subprocess, sys, tarfile, tempfile  # noqa: E401

sys.dont_write_bytecode = True
for sub in ("../soak", "../support", "../web"):
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), sub))
import game_driver as gd  # noqa: E402
import playing as pl  # noqa: E402
from playing import check  # noqa: E402
from web_play import MAX_DIFFERENT_BLOCKS, desktop_menu, different_blocks, rgb_of  # noqa: E402

# Chrooted in a mount namespace of its own, which sees /proc (where the program finds its
# folder) and the host's X sockets; both mounts end with it.
IN_ROOT = '''mount -t proc proc "$0/proc"; mkdir -p "$0/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$0/tmp/.X11-unix"; exec chroot "$0" "$@"'''


def in_root(root, *command):
    return ["unshare", "--mount", "--fork", "--kill-child", "sh", "-ec", IN_ROOT, root, *command]


def start_menu_change_sound(root, work, player, state, tag):
    """The launcher started in the root: its menu, once settled, and Sound stepped down."""
    with open(os.path.join(work, "start"), "w") as f:  # the driver starts one program
        f.write("#!/bin/sh\nexec %s\n" % shlex.join(in_root(root, player)))
    os.chmod(f.name, 0o755)
    with gd.GameOnPrivateDisplay(f.name, work, os.path.join(work, tag)) as run:
        check(run.window, "%s: no window:\n%s" % (tag, open(os.path.join(work, tag + ".err")).read()[-3000:]))
        game = gd.Window(run.env, run.window, run.game)
        game.state_stamp = lambda: os.path.exists(state) and (os.stat(state).st_ino, os.stat(state).st_mtime_ns)
        game.after_save = lambda: None  # the file is moved into place whole
        look = game.image
        game.image = lambda name=None: look()  # the player names pictures to keep; none are kept
        pl.wait_for_menu(game)
        menu = game.image()
        pl.change_setting(game, 1)
        pl.tap(game, "F4")
        check(run.game.wait(10) == 0, "%s: F4 ended the game with status %d" % (tag, run.game.returncode))
    return menu, pl.state_values(gd.read_state(state))[6]


def main(tarball, root, desktop, shots):
    os.makedirs(shots, exist_ok=True)
    top = os.path.basename(tarball)[:-len(".tar.gz")]
    names = tarfile.open(tarball).getnames()
    check(all(n.split("/")[0] == top for n in names), "not all of the tarball is in %s/" % top)
    work = tempfile.mkdtemp(prefix="tessory_portable_", dir=os.path.join(root, "tmp"))
    inside = "/tmp/" + os.path.basename(work)  # the same folder, as the root sees it
    try:
        tarfile.open(tarball).extractall(work)
        ldd = subprocess.run(in_root(root, "ldd", "%s/%s/game/tessory" % (inside, top)),
                             capture_output=True, text=True).stdout
        print(ldd)
        for lib in ("libglfw.so.3", "libopenal.so.1"):
            check("%s => %s/%s/game/lib/%s " % (lib, inside, top, lib) in ldd, lib + " is not the tarball's")
        check("not found" not in ldd, "a library is missing in the root")

        reference = rgb_of(desktop_menu(desktop, work))
        player, state = "%s/%s/tessory" % (inside, top), os.path.join(work, "data/tessory/.kavorostate")
        os.environ.update(HOME=inside, XDG_DATA_HOME=inside + "/data")
        menu, sound = start_menu_change_sound(root, work, player, state, "first")
        pl.write_png(os.path.join(shots, "portable_menu.png"), menu)
        shutil.copy(os.path.join(work, "desktop_menu.png"), shots)
        blocks = different_blocks(menu, reference)
        check(blocks <= MAX_DIFFERENT_BLOCKS, "the menu differs from the build's in %d blocks" % blocks)
        check(sound == 1, "Sound: Normal was not saved in the player's data folder")
        check(start_menu_change_sound(root, work, player, state, "second")[1] == 2,
              "the second start lost the Sound setting")
        print("menu: %d blocks differ; Sound stepped to Normal, then to Quiet" % blocks)
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    try:
        main(*sys.argv[1:5])
    except pl.Failure as e:
        print("FAIL: %s" % e)
        sys.exit(1)
