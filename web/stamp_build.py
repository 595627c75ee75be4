#!/usr/bin/env python3
"""Stamps the page's build: its version (a digest of every file the page serves) goes
into index.html, where the page reports it, and into sw.js with each file's SHA-256, so
the service worker keeps this build's files, and only those, in a cache of its own.

usage: stamp_build.py WEB_SOURCE_DIR OUT_DIR
"""
import glob
import hashlib
import json
import os
import sys

# What the page serves besides index.html (the probe page and its program are a test's).
SERVED = ["manifest.webmanifest", "icon-*.png", "packages.json", "tessory.js", "tessory.wasm",
          "tessory-*.js", "tessory-*.data"]


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def main():
    source, out = sys.argv[1], sys.argv[2]
    files = sorted({os.path.basename(p) for pattern in SERVED for p in glob.glob(os.path.join(out, pattern))})
    digests = {name: digest(os.path.join(out, name)) for name in files}
    build = hashlib.sha256()
    for name in files:
        build.update(("%s %s\n" % (name, digests[name])).encode())
    for template in ("index.html", "sw.js"):
        build.update(open(os.path.join(source, template), "rb").read())
    version = build.hexdigest()[:16]

    with open(os.path.join(source, "index.html"), encoding="utf-8") as f:
        page = f.read().replace("@BUILD@", version)
    with open(os.path.join(out, "index.html"), "w", encoding="utf-8") as f:
        f.write(page)
    digests["index.html"] = hashlib.sha256(page.encode("utf-8")).hexdigest()
    with open(os.path.join(source, "sw.js"), encoding="utf-8") as f:
        worker = f.read().replace("@BUILD@", version).replace('"@FILES@"', json.dumps(digests, sort_keys=True))
    with open(os.path.join(out, "sw.js"), "w", encoding="utf-8") as f:
        f.write(worker)
    print("Build " + version)


if __name__ == "__main__":
    main()
