#!/usr/bin/env python3
"""Writes the player's README.txt and LICENSES.txt of a download of Tessory.

usage: player_files.py --platform windows|linux --out DIR [--sources DIR]

The prose is in packaging/player/; the description and the controls come from the manual
page, the game's terms from packaging/copyright, the notices from Debian's copyright
records of the libraries the download ships (/usr/share/doc/<package>/copyright). The
Windows download's OpenAL Soft is built from the source tarball that
packaging/windows/sources.sha256 pins: its licence files are read from that tarball,
found in --sources (by default build/windows/deps/sources, where scripts/windows keeps
it) and checked against its SHA-256. Windows gets CRLF line ends and a UTF-8 byte
order mark, which Notepad and the installer's licence page need to read it as UTF-8.
"""

import argparse
import fnmatch
import hashlib
import os
import re
import subprocess
import tarfile
import textwrap

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DOC = "/usr/share/doc"
WIDTH = 72  # the installer's licence page shows 74 columns

# Which paragraphs of Debian's records concern what a download ships (by the first
# pattern of their Files field), and the standalone licence texts they name.
NOTICES = {
    "glfw": ("libglfw3", ["*"]),
    "openal": ("libopenal1", ["*", "Alc/bs2b.c"]),
    "stb": ("libstb0", ["*"]),
    # What the Linux download's OpenAL Soft needs beside it: their whole records but
    # Debian's own packaging.
    "sndio": ("libsndio7.0", None),
    "bsd": ("libbsd0", None),
    "md": ("libmd0", None),
    # The runtime in general, the number conversion of its printf, and winpthreads.
    "mingw": ("mingw-w64-x86-64-dev", [
        "*", "mingw-w64-crt/gdtoa/*", "mingw-w64-crt/gdtoa/qnan.c",
        "mingw-w64-libraries/winpthreads/*", "mingw-w64-libraries/winpthreads/include/pthread.h",
        "mingw-w64-libraries/winpthreads/src/clock.c", "mingw-w64-libraries/winpthreads/src/libgcc/dll_math.c"]),
}
# OpenAL Soft's own licence and those of the parts its Windows build includes.
OPENAL_LICENCE_FILES = ["COPYING", "LICENSE-pffft", "fmt-*/LICENSE"]


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def paragraphs(path):
    """A Debian copyright file (or our own) as a list of {field: value} paragraphs."""
    result = []
    for block in re.split(r"\n\s*\n", read(path).strip()):
        fields, name = {}, None
        for line in block.splitlines():
            if line[:1] in (" ", "\t") and name:
                fields[name] += "\n" + line
            else:
                name, _, value = line.partition(":")
                fields[name] = value.strip()
        result.append(fields)
    return result


def body(value):
    """A field's continuation lines as text: one space of indent dropped, "." a blank line."""
    lines = [line[1:] if line.startswith(" ") else line.lstrip("\t") for line in value.split("\n")[1:]]
    return "\n".join("" if line.strip() == "." else line for line in lines)


def licence_name(paragraph):
    return paragraph["License"].split("\n")[0].strip()


def debian_notice(package, wanted):
    path = os.path.join(DOC, package, "copyright")
    paras = paragraphs(path)
    files = {p["Files"].split()[0]: p for p in paras if "Files" in p}
    if wanted is None:
        wanted = [name for name in files if not name.startswith("debian/")]
    missing = [w for w in wanted if w not in files]
    if missing:
        raise SystemExit("player_files.py: %s has no paragraph for %s" % (path, ", ".join(missing)))
    kept = [files[w] for w in wanted]
    named = {n for p in kept for n in re.split(r"\s+(?:or|and)\s+", licence_name(p))}
    standalone = [p for p in paras if set(p) == {"License"} and licence_name(p) in named]
    out = []
    for p in kept:
        block = ["Files: " + " ".join(p["Files"].split())]
        block.append("Copyright: " + "\n           ".join(l.strip() for l in p["Copyright"].splitlines() if l.strip()))
        block.append("License: " + licence_name(p))
        text = body(p["License"])
        out.append("\n".join(block) + ("\n\n" + text if text.strip() else ""))
    for p in standalone:
        out.append("License: %s\n\n%s" % (licence_name(p), body(p["License"])))
    return "\n\n".join(out)


def game_terms():
    main = next(p for p in paragraphs(os.path.join(ROOT, "packaging", "copyright")) if p.get("Files") == "*")
    parts = ["Copyright " + main["Copyright"], body(main["License"])]
    if "Comment" in main:
        parts.append(textwrap.fill(" ".join(main["Comment"].split()), WIDTH))
    return "\n\n".join(parts)


def debian_version(package):
    return subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], check=True,
                          capture_output=True, text=True).stdout


def upstream(version):  # 1:1.19.1-2 -> 1.19.1
    return re.sub(r"^\d+:", "", version).rsplit("-", 1)[0]


def pinned_source(package):
    """(suite, tarball, sha256) of a package in packaging/windows/sources.sha256."""
    for line in read(os.path.join(ROOT, "packaging", "windows", "sources.sha256")).splitlines():
        fields = line.split()
        if len(fields) == 3 and fields[0].split("/")[0] == package:
            return fields[0].split("/")[1], fields[1], fields[2]
    raise SystemExit("player_files.py: no %s in packaging/windows/sources.sha256" % package)


def tarball_version(tarball):  # openal-soft_1.24.2.orig.tar.gz -> 1.24.2
    return re.match(r"[^_]+_(.+)\.orig\.tar\.", tarball).group(1)


def openal_windows_licences(sources):
    suite, tarball, sha = pinned_source("openal-soft")
    path = os.path.join(sources, tarball)
    with open(path, "rb") as f:
        if hashlib.sha256(f.read()).hexdigest() != sha:
            raise SystemExit("player_files.py: %s is not the tarball that sources.sha256 pins" % path)
    texts = []
    with tarfile.open(path) as tar:
        members = {m.name.split("/", 1)[-1]: m for m in tar.getmembers() if m.isfile()}
        for pattern in OPENAL_LICENCE_FILES:
            names = sorted(n for n in members if fnmatch.fnmatch(n, pattern))
            if not names:
                raise SystemExit("player_files.py: no %s in %s" % (pattern, tarball))
            for name in names:
                text = tar.extractfile(members[name]).read().decode("utf-8").replace("\r\n", "\n")
                texts.append("%s (from %s)\n\n%s" % (name, tarball, text.strip("\n")))
    return suite, tarball, sha, texts


def fields(platform, sources):
    values = {"version": project_version(), "game_terms": game_terms()}
    shipped = ["openal", "glfw", "stb"] + (["mingw"] if platform == "windows" else ["sndio", "bsd", "md"])
    notice = {name: debian_notice(*NOTICES[name]) for name in shipped}
    values["stb_version"] = upstream(debian_version("libstb0"))
    if platform == "windows":
        suite, tarball, sha, texts = openal_windows_licences(sources)
        values.update(openal_version=tarball_version(tarball), openal_tarball=tarball, openal_suite=suite,
                      openal_sha256=sha, glfw_version=tarball_version(pinned_source("glfw3")[1]),
                      mingw_version=upstream(debian_version("mingw-w64-x86-64-dev")),
                      mingw_notice=notice["mingw"])
    else:
        texts = ["GNU Library General Public License, version 2\n\n" +
                 read("/usr/share/common-licenses/LGPL-2").strip("\n")]
        values.update(openal_version=upstream(debian_version("libopenal1")),
                      openal_debian_version=debian_version("libopenal1"),
                      glfw_version=upstream(debian_version("libglfw3")),
                      openal_uses="\n\n".join(notice[n] for n in ("sndio", "bsd", "md")),
                      **{n + "_version": upstream(debian_version(NOTICES[n][0])) for n in ("sndio", "bsd", "md")})
    values.update(openal_notice="\n\n".join([notice["openal"]] + texts), glfw_notice=notice["glfw"],
                  stb_notice=notice["stb"])
    return values


def project_version():
    return re.search(r"project\(Tessory VERSION ([0-9.]+)", read(os.path.join(ROOT, "CMakeLists.txt"))).group(1)


def manual_section(name):
    """The lines of a section of the manual page, its roff escapes turned into text."""
    page = read(os.path.join(ROOT, "packaging", "tessory.6.in"))
    section = re.search(r"^\.SH %s\n(.*?)(?=^\.SH )" % name, page, re.S | re.M).group(1)
    section = section.replace("\\(ga", "`").replace("\\-", "-").replace("\\(em", "--")
    if "\\" in section:
        raise SystemExit("player_files.py: a roff escape this script does not know in .SH %s" % name)
    return section.splitlines()


def roff_paragraphs(lines):
    """[(title, text)]: a .TP entry's title is its first line; other paragraphs have none."""
    result, title, words, tagged = [], None, [], False
    for line in lines + [".PP"]:
        if line.startswith((".PP", ".TP")):
            if words:
                result.append((title, " ".join(words)))
            title, words, tagged = None, [], line.startswith(".TP")
        elif tagged and title is None:
            title = re.sub(r"^\.[BI]R? ", "", line)
        else:
            words.append(re.sub(r"^\.[BI]R? ", "", line))
    return result


def description():
    (_, first), *rest = roff_paragraphs(manual_section("DESCRIPTION"))
    what = re.match(r"tessory opens a window and starts Tessory, (a [^.]*)\. (.*)", first)
    if not what:
        raise SystemExit("player_files.py: the manual page's description no longer starts as expected")
    texts = ["Tessory is %s. %s" % what.groups()] + [text for _, text in rest]
    return "\n\n".join(textwrap.fill(text, WIDTH) for text in texts)


def controls():
    out = []
    for title, text in roff_paragraphs(manual_section("CONTROLS")):
        if title:
            out.append(title + ":\n" + textwrap.fill(text, WIDTH, initial_indent="    ", subsequent_indent="    "))
        else:
            out.append(textwrap.fill(text, WIDTH))
    return "\n\n".join(out)


def render(template, platform, values):
    kept, on = [], True
    for line in read(os.path.join(ROOT, "packaging", "player", template)).splitlines():
        if line.startswith("#"):
            continue
        if line in ("@all", "@windows", "@linux"):
            on = line in ("@all", "@" + platform)
        elif on:
            kept.append(line)
    values = dict(values, underline="=" * len(kept[0].format(**values)))
    # Runs of prose lines are filled again once their fields are in; headings (a line
    # above an underline), underlines and fields alone on their line stay as they are.
    out, run = [], []
    for i, line in enumerate(kept + [""]):
        below = kept[i + 1] if i + 1 < len(kept) else ""
        heading = re.fullmatch(r"-+|=+|\{underline\}", below)
        if line and not heading and not re.fullmatch(r"-+|=+|\{\w+\}", line):
            run.append(line.format(**values))
            continue
        if run:
            out.append(textwrap.fill(" ".join(run), WIDTH))
            run = []
        out.append(line.format(**values))
    return "\n".join(out).rstrip("\n") + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--platform", required=True, choices=["windows", "linux"])
    parser.add_argument("--out", required=True)
    parser.add_argument("--sources", default=os.path.join(ROOT, "build", "windows", "deps", "sources"))
    args = parser.parse_args()
    values = fields(args.platform, args.sources)
    values.update(description=description(), controls=controls())
    os.makedirs(args.out, exist_ok=True)
    for name, template in (("README.txt", "README.in"), ("LICENSES.txt", "LICENSES.in")):
        text = render(template, args.platform, values)
        if args.platform == "windows":
            data = b"\xef\xbb\xbf" + text.replace("\n", "\r\n").encode("utf-8")
        else:
            data = text.encode("utf-8")
        with open(os.path.join(args.out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
