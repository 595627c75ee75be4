#!/usr/bin/env python3
"""Two copies of the real tessory program in one folder, each on a private Xvfb and
played through xdotool, in turns: A files a new Small highscore (the seeded level's
route), B files one, A turns the sound down in the options, B the music; then both
windows are closed. The state file must hold both highscores (top ten and last ten) and
both settings.

usage: two_copies_e2e.py <tessory executable> <shot folder>
"""

import collections
import os
import shutil
import sys
import tempfile

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import play_e2e as e2e  # noqa: E402
import playing as pl  # noqa: E402


def run(exe, shots):
    workdir = tempfile.mkdtemp(prefix="tessory_two_")
    try:
        with e2e.PrivateXvfb() as xa, e2e.PrivateXvfb() as xb:
            games = [e2e.Game(exe, workdir, xa.display, shots), e2e.Game(exe, workdir, xb.display, shots)]
            try:
                for game in games:
                    game.find_window()
                    pl.wait_for_menu(game)
                    pl.tap(game, "Up")  # the wheel on Small
                a, b = games
                scores = [pl.play_game(a, "copyA"), pl.play_game(b, "copyB")]
                pl.change_setting(a, 1)
                pl.change_setting(b, 2)
                for game in games:
                    game.close_window()
                    pl.check(game.proc.wait(20) == 0, "closing the window: status %d" % game.proc.returncode)
                values = pl.state_values(games[0].state_text())
                top, last = pl.small_tables(values)
                print("scores %s; Small top ten %s, last ten %s; sound %d, music %d"
                      % (scores, top, last, values[6], values[7]))
                for table in (top, last):
                    missing = collections.Counter(scores) - collections.Counter(table)
                    pl.check(not missing, "scores %s are missing from %s" % (list(missing), table))
                pl.check(values[6] == 1 and values[7] == 1, "settings sound %d, music %d" % (values[6], values[7]))
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
    except (pl.Failure, RuntimeError) as failure:
        print("FAIL: %s" % failure)
        return 1


if __name__ == "__main__":
    sys.exit(main())
