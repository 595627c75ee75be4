#!/usr/bin/env python3
"""Packs the generated data folder into the page's packages, one per image tier plus
one for what every tier needs (sounds, the images without variants), with Emscripten's
file_packager. The page preloads the common package and the tier its canvas needs and
fetches the others in the background. Writes tessory-<name>.data/.js and a
packages.json that lists, per package, its files and sizes.

usage: package_data.py DATA_DIR OUT_DIR
"""
import json
import os
import subprocess
import sys

FILE_PACKAGER = "/usr/share/emscripten/tools/file_packager.py"
MOUNT = "/tessory/data"  # beside the program's notional path, as on the desktop


def tier_of(name, variants):
    """The package of a data file: its image tier, or "common"."""
    stem, ext = os.path.splitext(name)
    if ext != ".png":
        return "common"
    if stem.endswith("-hd2"):
        return "tier4"
    if stem.endswith("-hd"):
        return "tier2"
    return "tier1" if stem in variants else "common"


def main():
    data_dir, out_dir = sys.argv[1], sys.argv[2]
    files = []
    for root, _, names in os.walk(data_dir):
        for name in names:
            files.append(os.path.relpath(os.path.join(root, name), data_dir))
    files.sort()
    # Images with "-hd" variants; the rest look the same at every size.
    variants = {os.path.splitext(f)[0][: -len("-hd")] for f in files if f.endswith("-hd.png")}
    packages = {}
    for f in files:
        packages.setdefault(tier_of(f, variants), []).append(f)

    listing = {}
    for name, members in sorted(packages.items()):
        args = [sys.executable, FILE_PACKAGER, f"tessory-{name}.data", "--no-node",
                f"--js-output=tessory-{name}.js", "--preload"]
        args += [f"{os.path.join(os.path.abspath(data_dir), m)}@{MOUNT}/{m}" for m in members]
        done = subprocess.run(args, cwd=out_dir, capture_output=True, text=True)
        if done.returncode != 0:  # its usual reminder on stderr is noise otherwise
            sys.exit(f"file_packager failed for {name}:\n{done.stderr}")
        listing[name] = {
            "files": members,
            "bytes": os.path.getsize(os.path.join(out_dir, f"tessory-{name}.data")),
        }
    with open(os.path.join(out_dir, "packages.json"), "w") as out:
        json.dump(listing, out, indent=1, sort_keys=True)


if __name__ == "__main__":
    main()
