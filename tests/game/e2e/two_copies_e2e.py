#!/usr/bin/env python3
"""Two copies of the real tessory program in one folder, each on a private Xvfb and
played through xdotool, in turns: A files a new Small highscore, B files one, A turns
the sound down in the options, B the music; then both windows are closed. The state
file must hold both highscores (top ten and last ten) and both settings.

usage: two_copies_e2e.py <tessory executable> <shot folder>
"""

import collections
import os
import random
import shutil
import sys
import tempfile
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import play_e2e as e2e  # noqa: E402


class NoScore(Exception):
    """Blind play scored in none of a copy's games: nothing to compare, no verdict."""


def top_ten(game):
    """The Small top ten's scores, without the empty places."""
    if not os.path.exists(game.state_path()):
        return collections.Counter()
    return collections.Counter(v for v in e2e.small_tables(e2e.read_state(game.state_path()))[0] if v > 0)


def scoring_game(game, tag, rng):
    """Small games from the menu until one enters the top ten; its score."""
    for attempt in range(1, 13):
        before = top_ten(game)
        e2e.play_game(game, "%s_game%d" % (tag, attempt), rng, first=False)
        new = top_ten(game) - before
        if new:
            return max(new)
    raise NoScore(tag + ": no game of %d scored" % attempt)


def change_setting(game, row):
    """Opens the options from the wheel, steps the volume of `row` (1 sound, 2 music)
    once and closes the box, which saves; waits for that save."""
    before = os.stat(game.state_path()).st_ino
    game.tap("Left")
    game.tap("space")
    time.sleep(1.0)  # the box slides in
    for _ in range(row):
        game.tap("Down")
    game.tap("space")
    game.tap("Escape")
    deadline = time.monotonic() + 20
    while os.stat(game.state_path()).st_ino == before:
        if time.monotonic() > deadline:
            game.shot("options_saved_nothing")
            raise e2e.Failure("closing the options saved nothing:\n" + game.output())
        time.sleep(0.05)
    time.sleep(0.5)
    game.tap("Right")  # focus back on the wheel


def run(exe, shots):
    workdir = tempfile.mkdtemp(prefix="tessory_two_")
    rng = random.Random(2207)
    try:
        with e2e.PrivateXvfb() as xa, e2e.PrivateXvfb() as xb:
            games = [e2e.Game(exe, workdir, xa.display, shots), e2e.Game(exe, workdir, xb.display, shots)]
            try:
                for game in games:
                    game.find_window()
                    time.sleep(1.0)  # the loader and the menu sliding in
                    game.tap("Up")  # the wheel on Small
                a, b = games
                scores = [scoring_game(a, "copyA", rng), scoring_game(b, "copyB", rng)]
                change_setting(a, 1)
                change_setting(b, 2)
                for game in games:
                    game.close_window()
                    e2e.check(game.proc.wait(20) == 0, "closing the window: status %d" % game.proc.returncode)
                values = e2e.read_state(os.path.join(workdir, ".kavorostate"))
                top, last = e2e.small_tables(values)
                print("scores %s; Small top ten %s, last ten %s; sound %d, music %d"
                      % (scores, top, last, values[6], values[7]))
                for table in (top, last):
                    missing = collections.Counter(scores) - collections.Counter(table)
                    e2e.check(not missing, "scores %s are missing from %s" % (list(missing), table))
                e2e.check(values[6] == 1 and values[7] == 1, "settings sound %d, music %d" % (values[6], values[7]))
                print("PASS: both copies' highscores and settings are in the file")
            finally:
                for game in games:
                    game.stop()
    finally:
        shutil.rmtree(workdir, ignore_errors=True)


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    if e2e.missing_tool():
        print("SKIP: %s is not installed" % e2e.missing_tool())
        return 0
    os.makedirs(sys.argv[2], exist_ok=True)
    try:
        run(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]))
        return 0
    except NoScore as why:
        print("SKIP: %s" % why)
        return 0
    except (e2e.Failure, RuntimeError) as failure:
        print("FAIL: %s" % failure)
        return 1


if __name__ == "__main__":
    sys.exit(main())
