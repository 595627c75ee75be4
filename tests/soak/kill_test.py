#!/usr/bin/env python3
"""Kill test: start the real program, open and close the options box over and over
through scripted keys (every close saves), and kill it with SIGKILL at a random
moment. Afterwards "./.kavorostate" must be the state from before that run or a
complete new one: every checksum right, and nothing but the settings changed.

A save takes a few milliseconds of a cycle of about two seconds, so random kills seldom
land between writing the temporary file and renaming it. With --fsync-shim the game runs with the
slow_fsync library preloaded, which holds each flush of that file back; at least one
kill in ten must then leave the temporary file behind, and the next start must clear it.

    kill_test.py --binary build/tessory --kills 200 [--seed N]
                 [--fsync-shim build/slow_fsync/libslow_fsync.so [--fsync-delay-ms 150]]"""

import argparse
import glob
import os
import random
import shutil
import signal
import sys
import threading
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "support"))
import game_driver as gd  # noqa: E402
import playing as pl  # noqa: E402


def press(env, key, hold=0.05):
    gd.xdotool(env, "keydown", key, "sleep", str(hold), "keyup", key, "sleep", "0.05", check=False)


def options_cycles(env, pictures, stop, closing):
    """Menu focus to the gear, then open the box, step the Sound row, close: a save.
    `closing` is set each time the closing key goes down. Runs on a thread of its own,
    until `stop` or the kill."""
    press(env, "Left")
    press(env, "Left")
    while not stop.is_set():
        before = pictures.image()
        press(env, "z")       # open the options box (focus on the gear)
        try:                  # it slides in; keys wait until it is in
            pl.wait_until("the options box", lambda: pl.changed_fraction(before, pictures.image()) > 0.1)
            pl.settled(pictures, "the options box")
        except (pl.Failure, RuntimeError):
            return            # killed
        press(env, "Down")    # cursor to the Sound row
        press(env, "z")       # next volume
        press(env, "Up")      # back to the back button
        closing.set()
        press(env, "z")       # close: the state is saved
        time.sleep(0.1)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--binary", required=True)
    ap.add_argument("--kills", type=int, default=200)
    ap.add_argument("--seed", type=int, default=None)
    ap.add_argument("--fsync-shim", help="slow_fsync library to preload into the game")
    ap.add_argument("--fsync-delay-ms", type=int, default=150)
    a = ap.parse_args()
    seed = a.seed if a.seed is not None else int(time.time())
    rng = random.Random(seed)
    binary = os.path.abspath(a.binary)
    work = gd.temp_dir("tessory_kill_")
    state_path = os.path.join(work, ".kavorostate")
    marker = os.path.join(work, "inside_fsync")
    shim_env, flush_delay = {}, 0
    if a.fsync_shim:
        shim_env = {"LD_PRELOAD": os.path.abspath(a.fsync_shim),
                    "SLOW_FSYNC_MS": str(a.fsync_delay_ms), "SLOW_FSYNC_MARKER": marker}
        flush_delay = a.fsync_delay_ms / 1000
    print("kill test: seed %d, %d kills, working folder %s" % (seed, a.kills, work), flush=True)
    failures = []
    changed = unchanged = no_window = 0
    temp_left = mid_write = in_fsync = 0
    stale = []  # temporary files of the last kill, for the next start to clear
    started = time.monotonic()
    retries = timed = timed_old = timed_new = 0
    for n in range(a.kills):
        if n and n % 20 == 0:
            print("kill test: %d kills, %d new states, %d old, %.0f s" %
                  (n, changed, unchanged, time.monotonic() - started), flush=True)
        old = gd.read_state(state_path)
        game_run = gd.GameOnPrivateDisplay(binary, work, os.path.join(work, "game"))
        game_run.extra_env = shim_env
        with game_run as run:
            env, game = run.env, run.game
            retries += run.retries
            if run.window is None:
                no_window += 1
                failures.append("run %d: no window (status %s)" % (n, game.poll()))
                continue
            stop = threading.Event()
            closing = threading.Event()
            pictures = gd.Window(env, run.window, game)
            driver = threading.Thread(target=options_cycles, args=(env, pictures, stop, closing))
            # Half the kills land anywhere in the options cycle, once the menu is in;
            # the other half within 60 ms (plus the held-back flush) of the closing key
            # going down, the update in which the game saves.
            pl.wait_for_menu(pictures)
            for t in stale:
                if os.path.exists(t):
                    failures.append("run %d: the start left %s behind" % (n, os.path.basename(t)))
                    os.unlink(t)
            stale = []
            driver.start()
            before_close = None
            if rng.random() < 0.5:
                time.sleep(rng.uniform(0.5, 6.0))
            else:
                time.sleep(rng.uniform(0.0, 4.0))
                closing.clear()
                if closing.wait(10):
                    before_close = gd.read_state(state_path)
                    time.sleep(rng.uniform(0.0, 0.06 + flush_delay))
                    timed += 1
            if game.poll() is not None:
                failures.append("run %d: the game ended by itself with status %d" %
                                (n, game.returncode))
            game.send_signal(signal.SIGKILL)
            game.wait()
            stop.set()
            driver.join()
            pictures.close()
            for key in ("z", "Up", "Down", "Left"):
                gd.xdotool(env, "keyup", key, check=False)

            new = gd.read_state(state_path)
            # A kill in the middle of a save leaves its temporary file; the next start
            # must clear it (checked once that game is up). The lock file stays by design.
            stale = [t for t in glob.glob(os.path.join(work, ".kavorostate.*")) if not t.endswith(".lock")]
            temp_left += len(stale)
            mid_write += bool(stale)
            if os.path.exists(marker):
                # The shim's marker exists only while a flush is held back, and the save
                # renames its temporary file only after the flush.
                in_fsync += 1
                os.unlink(marker)
                if not stale:
                    failures.append("run %d: killed inside the held-back flush, yet no "
                                    "temporary file was left" % n)
            if new is None:
                if old is not None:
                    failures.append("run %d: the state file is gone" % n)
                continue
            ok, why = gd.check_state(new)
            if not ok:
                failures.append("run %d: state file invalid after the kill: %s" % (n, why))
                shutil.copy(state_path, os.path.join(work, "bad_state_%d" % n))
                continue
            if before_close is not None:
                if new == before_close:
                    timed_old += 1
                else:
                    timed_new += 1
            if new == old:
                unchanged += 1
                continue
            changed += 1
            if old is not None:
                o, w = old.split("|"), new.split("|")
                if o[26:] != w[26:]:
                    failures.append("run %d: badges or scores changed" % n)
    print("kill test: %d kills in %.0f s (%d timed to the closing key); afterwards the state "
          "was new %d times, old %d times; %d runs without a window, %d restarts because the "
          "game could not reach its display; %d temporary files left behind by kills during "
          "a save (each cleared by the next start)" % (a.kills, time.monotonic() - started, timed, changed, unchanged, no_window,
                      retries, temp_left))
    print("kill test: of the timed kills, %d left the state from before the closing key, %d "
          "the newly saved one" % (timed_old, timed_new))
    print("kill test: %d of %d kills landed between writing the temporary file and the "
          "rename (%d of them inside the held-back flush)" % (mid_write, a.kills, in_fsync))
    needed = (a.kills + 9) // 10
    if mid_write < needed:
        failures.append("only %d kills landed between writing the temporary file and the "
                        "rename; at least %d needed" % (mid_write, needed))
    for f in failures:
        print("kill test: FAIL " + f)
    if failures:
        print("kill test: working folder kept: " + work)
        return 1
    shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
