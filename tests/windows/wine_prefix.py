"""The tests' own Wine prefix: made before the first start with Wine's crash dialog off,
and every Wine process of it stopped at the end.

A program that crashes under Wine on a display otherwise waits for a click on Wine's
crash dialog, and the prefix's server and services keep the test's output open: the
test never ends. With the dialog off a crash ends the program at once, its backtrace on
the error output."""

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
