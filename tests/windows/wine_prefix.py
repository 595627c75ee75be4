"""The tests' Wine prefix, its crash dialog off (else a crash waits for a click and the
prefix's processes hold the test's output open for ever), every Wine process stopped at the end."""

import os
import subprocess

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"


def prepare(env, persistent=False):
    """`persistent`: one server for all of the test's starts (each start saves a second)."""
    os.makedirs(env["WINEPREFIX"], exist_ok=True)  # filled on the first start if new
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if persistent:
        subprocess.run([WINESERVER, "-p"], env=env, **quiet)
    subprocess.run([WINE, "reg", "add", r"HKCU\Software\Wine\WineDbg", "/v", "ShowCrashDialog",
                    "/t", "REG_DWORD", "/d", "0", "/f"], env=env, timeout=300, **quiet)


def stop(env):
    subprocess.run([WINESERVER, "-k"], env=env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
