#!/usr/bin/env python3
"""Soak: the real program under a private Xvfb on OpenAL Soft's null backend, fed
random keyboard and mouse input across menus, options, pause and play. It must stay
alive, its resident size must stay flat after the warm-up, and whenever the state
file exists it must be complete with every checksum right.

    soak.py --binary build/tessory --seconds 600 [--warmup 60] [--seed N] [--shots DIR]
Exit status 0 when every check held; the figures go to standard output."""

import argparse
import os
import shutil
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "support"))
import game_driver as gd  # noqa: E402
import playing as pl  # noqa: E402

RSS_LIMIT_KB = 5 * 1024


def dump_stacks(pid, path):
    """Every thread's stack of a game that stopped answering, when gdb is at hand."""
    if shutil.which("gdb") is None:
        return
    with open(path, "w") as f:
        subprocess.run(["gdb", "-p", str(pid), "-batch", "-ex", "thread apply all bt"],
                       stdout=f, stderr=subprocess.STDOUT, timeout=60)
    print("soak: stacks of the stuck game in " + path)


def switch_window(env, game, player):
    """F11; then the window that replaces the player's, focused, once its picture is at
    rest (the art of its size loaded) or after 10 s."""
    old = player.window
    gd.xdotool(env, "key", "F11", check=False)
    player.window = pl.wait_until(None, lambda: (lambda w: w if w and w != old else None)(
        gd.find_window(env, game, timeout=1)), timeout=10) or old
    gd.xdotool(env, "windowfocus", "--sync", player.window, check=False)
    pictures = gd.Window(env, player.window, game)
    try:
        pl.settled(pictures, "the new window", timeout=10)
    except (pl.Failure, RuntimeError):
        pass  # a busy screen or a game that ended: the caller's checks say so
    finally:
        pictures.close()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--binary", required=True)
    ap.add_argument("--seconds", type=float, default=600)
    ap.add_argument("--warmup", type=float, default=60,
                    help="resident size growth is measured from the end of this")
    ap.add_argument("--seed", type=int, default=None)
    ap.add_argument("--shots", default=None, help="save a screenshot here now and then")
    ap.add_argument("--keep", action="store_true", help="keep the working folder")
    ap.add_argument("--env", action="append", default=[], metavar="NAME=VALUE",
                    help="extra environment for the game (for example allocator settings)")
    ap.add_argument("--windowed", action="store_true",
                    help="stay in the 640 x 480 window: no F11, and a full-screen switch made "
                         "through the options is undone and the memory baseline taken anew")
    ap.add_argument("--no-rss-check", action="store_true",
                    help="report the resident size only (sanitizer builds hold freed memory in quarantine)")
    a = ap.parse_args()
    for tool in ("Xvfb", "xdotool", "import"):
        if shutil.which(tool) is None:
            print("SKIPPED: %s is not installed" % tool)
            return 77
    seed = a.seed if a.seed is not None else int(time.time())
    binary = os.path.abspath(a.binary)
    work = gd.temp_dir("tessory_soak_")
    state_path = os.path.join(work, ".kavorostate")
    failures = []
    print("soak: seed %d, %g s (warm-up %g s), working folder %s%s" %
          (seed, a.seconds, a.warmup, work, "".join(" " + e for e in a.env)), flush=True)

    run = gd.GameOnPrivateDisplay(binary, work, os.path.join(work, "game"))
    run.extra_env = dict(e.split("=", 1) for e in a.env)
    with run:
        env, game, window = run.env, run.game, run.window
        if run.retries:
            print("soak: the game could not reach its display %d time(s); started again" %
                  run.retries)
        if window is None:
            print("soak: FAIL the window never appeared (status %s)" % game.poll())
            return 1
        player = gd.RandomPlayer(env, window, seed, full_screen=not a.windowed)
        start = time.monotonic()
        pictures = gd.Window(env, window, game)

        def settled(what, before):
            # The tour only warms up: a click the game missed is no finding here.
            if before is None:
                return pl.wait_for_menu(pictures)
            pl.wait_until(None, lambda: pl.changed_fraction(before, pictures.image()) > 0.05, timeout=5)
            try:
                return pl.settled(pictures, what, timeout=10)
            except pl.Failure:
                return pictures.image()
        player.tour(settled)
        pictures.close()
        if not a.windowed:
            # Like every other screen, full screen is visited once during the warm-up:
            # the driver's first window change grows the process once, for good.
            for _ in range(2):
                switch_window(env, game, player)
        baseline = None
        rebaseline_at = 0.0
        full_screen_visits = 0
        samples = []  # (seconds, resident kB, windowed)
        states_checked = saves_seen = 0
        last_state = None
        next_check = next_shot = start
        shots = 0
        while True:
            now = time.monotonic()
            t = now - start
            if t >= a.seconds:
                break
            if game.poll() is not None:
                failures.append("the game ended after %.1f s with status %d" % (t, game.returncode))
                break
            # Refind the window: a full-screen switch makes a new one.
            if player.actions % 50 == 0:
                w = gd.find_window(env, game, timeout=5)
                if w and w != player.window:
                    player.window = w
                    gd.xdotool(env, "windowfocus", "--sync", w, check=False)
            player.step()
            time.sleep(player.rng.uniform(0.01, 0.12))
            if now >= next_check:
                next_check = now + 1.0
                rss = gd.rss_kb(game.pid)
                # Full screen holds bigger frame buffers, so resident sizes are compared
                # only between samples taken in the 640 x 480 window.
                windowed = player.geometry() == (640, 480)
                if a.windowed and not windowed:
                    # Full screen reloads the art at its largest tier; start over from
                    # the window so only like-for-like growth is measured.
                    switch_window(env, game, player)
                    full_screen_visits += 1
                    baseline = None
                    rebaseline_at = t + 10
                    continue
                if rss is not None:
                    samples.append((t, rss, windowed))
                    if baseline is None and t >= max(a.warmup, rebaseline_at) and windowed:
                        baseline = rss
                text = gd.read_state(state_path)
                if text is not None:
                    states_checked += 1
                    if text != last_state:
                        saves_seen += 1
                        last_state = text
                    ok, why = gd.check_state(text)
                    if not ok:
                        failures.append("state file invalid at %.1f s: %s" % (t, why))
                        shutil.copy(state_path, os.path.join(work, "bad_state_%d" % len(failures)))
            if a.shots and now >= next_shot:
                next_shot = now + max(5.0, a.seconds / 12)
                os.makedirs(a.shots, exist_ok=True)
                try:
                    gd.screenshot(env, player.window,
                                  os.path.join(a.shots, "soak_%03d.png" % shots))
                    shots += 1
                except Exception as e:  # a window being replaced is not a finding
                    print("soak: screenshot skipped: %s" % e)
        player.release_all()
        alive = game.poll() is None
        if alive and player.geometry() != (640, 480):
            # Back to the window for a last like-for-like sample.
            switch_window(env, game, player)
            rss = gd.rss_kb(game.pid)
            if rss is not None and player.geometry() == (640, 480):
                samples.append((time.monotonic() - start, rss, True))
        alive = game.poll() is None
        # A clean ending: F4 leaves with status 0 from any screen.
        if alive:
            # Without a window manager a replaced window does not always get the focus,
            # and a game without focus hears no keys: focus it again before each try.
            for attempt in range(1, 4):
                player.window = gd.find_window(env, game, timeout=5) or player.window
                gd.xdotool(env, "windowfocus", "--sync", player.window, check=False)
                gd.xdotool(env, "key", "F4", check=False)
                try:
                    game.wait(10)
                    break
                except Exception:
                    print("soak: F4 try %d left the game running" % attempt)
            if game.poll() is None:
                dump_stacks(game.pid, os.path.join(work, "stacks.txt"))
                game.kill()
                game.wait()
                failures.append("F4 did not end the game")
            if game.returncode not in (0, -9):
                failures.append("F4 ended the game with status %d" % game.returncode)

    growth = None
    windowed_tail = [r for (t, r, w) in samples if w][-10:]
    if baseline is not None and windowed_tail:
        growth = max(windowed_tail) - baseline
        if growth >= RSS_LIMIT_KB and not a.no_rss_check:
            failures.append("resident size grew by %d kB after the warm-up" % growth)
    elif not a.no_rss_check:
        failures.append("no resident size sample after the warm-up")
    text = gd.read_state(state_path)
    if text is not None:
        ok, why = gd.check_state(text)
        if not ok:
            failures.append("final state file invalid: %s" % why)

    with open(os.path.join(work, "rss.csv"), "w") as f:
        f.write("seconds,rss_kb,windowed\n")
        for t, r, w in samples:
            f.write("%.1f,%d,%d\n" % (t, r, w))
    first = samples[0][1] if samples else 0
    peak = max((r for _, r, _ in samples), default=0)
    fullscreen = sum(1 for _, _, w in samples if not w)
    print("soak: %.0f s, %d actions, alive to the end: %s" % (a.seconds, player.actions,
                                                               "yes" if alive else "no"))
    print("soak: resident size first %d kB, at warm-up end %s kB, peak %d kB, end %s kB, "
          "growth after warm-up %s kB (windowed samples; %d of %d samples in full screen)" %
          (first, baseline, peak, samples[-1][1] if samples else None, growth, fullscreen,
           len(samples)))
    if a.windowed:
        print("soak: full-screen switches undone: %d" % full_screen_visits)
    print("soak: state file checked %d times, %d distinct saves seen, final state %s" %
          (states_checked, saves_seen, "absent" if text is None else "valid" if gd.check_state(text)[0]
           else "INVALID"))
    with open(os.path.join(work, "game.err"), "rb") as f:
        err = f.read().decode(errors="replace").strip()
    if err:
        print("soak: the game's standard error:\n" + err[-2000:])
    for f in failures:
        print("soak: FAIL " + f)
    if not failures and not a.keep:
        shutil.rmtree(work, ignore_errors=True)
    else:
        print("soak: working folder kept: " + work)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
