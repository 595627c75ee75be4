#!/usr/bin/env python3
"""Lays out the portable Linux download and packs it:

    <top>/tessory         the launcher: the game, run in the player's data folder
    <top>/game/tessory    the program, whose RUNPATH is $ORIGIN/lib
    <top>/game/data/      the generated art and sound
    <top>/game/lib/       the shared libraries it needs that a distribution may lack
    <top>/README.txt, LICENSES.txt   the player's, from packaging/player_files.py

usage: make_tarball.py <out.tar.gz> <program> <launcher> <data dir> <YYYY-MM-DD> <player_files.py>
The date stamps every file, so the same build packs the same bytes."""

import datetime
import gzip
import os
import re
import shutil
import subprocess
import sys
import tarfile

# Left to the system: glibc and GCC's runtime (a newer system's graphics driver needs its
# own newer copies), libglvnd's OpenGL, which must match the system's driver, the X client
# libraries, and ALSA, which reads the system's own configuration.
SYSTEM = re.compile(r"^(ld-linux-.*|lib(c|m|dl|pthread|rt|stdc\+\+|gcc_s)|lib(OpenGL|GL|GLX|GLdispatch)"
                    r"|lib(X11|xcb|Xau|Xdmcp)|libasound)\.so\.")


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def needed(path):
    return re.findall(r"\(NEEDED\)\s+Shared library: \[(.*)\]", run("readelf", "-d", path))


def bundle(program, lib):
    """Copies the libraries that the program needs, and theirs, except the system's; those
    that need another copied one find it beside them ($ORIGIN)."""
    found = dict(re.findall(r"^\s*(\S+) => (/\S+)", run("ldd", program), re.M))
    todo, copied = needed(program), []
    while todo:
        name = todo.pop()
        if SYSTEM.match(name) or name in copied:
            continue
        if name not in found:
            raise SystemExit("make_tarball.py: %s needs %s, which ldd does not find" % (program, name))
        shutil.copyfile(found[name], os.path.join(lib, name))
        copied.append(name)
        todo += needed(found[name])
    for name in copied:
        if set(needed(found[name])) & set(copied):
            run("patchelf", "--set-rpath", "$ORIGIN", os.path.join(lib, name))
    return sorted(copied)


def main():
    out, program, launcher, data, date, player_files = sys.argv[1:7]
    top = os.path.basename(out)[:-len(".tar.gz")]
    stage = os.path.join(out + ".d", top)
    shutil.rmtree(out + ".d", ignore_errors=True)
    game = os.path.join(stage, "game")
    os.makedirs(os.path.join(game, "lib"))
    shutil.copy(launcher, stage)
    run("strip", "-o", os.path.join(game, "tessory"), program)
    shutil.copytree(data, os.path.join(game, "data"))
    print("bundled: " + " ".join(bundle(program, os.path.join(game, "lib"))))
    run(sys.executable, player_files, "--platform", "linux", "--out", stage)

    stamp = int(datetime.datetime.fromisoformat(date).replace(tzinfo=datetime.timezone.utc).timestamp())

    def owned_by_nobody(info):
        info.uid = info.gid = 0
        info.uname = info.gname = ""
        info.mtime = stamp
        info.mode = 0o755 if info.isdir() or info.mode & 0o100 else 0o644
        return info
    with open(out + ".part", "wb") as raw, gzip.GzipFile(fileobj=raw, mode="wb", mtime=stamp) as packed:
        with tarfile.open(fileobj=packed, mode="w", format=tarfile.GNU_FORMAT) as tar:
            for folder, dirs, files in os.walk(stage):
                dirs.sort()
                for name in [""] + sorted(files):
                    path = os.path.join(folder, name)
                    tar.add(path, os.path.relpath(path, os.path.dirname(stage)), recursive=False,
                            filter=owned_by_nobody)
    os.replace(out + ".part", out)
    shutil.rmtree(out + ".d")


if __name__ == "__main__":
    main()
