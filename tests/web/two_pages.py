"""Two pages of the browser build on one address (one storage) in headless Chromium,
in turns: page A plays until it files a Small highscore, then page B does, A turns the
sound down in the options, B the music. After both pages reload, each must show both
highscores and both settings, and neither may log an error.

usage: two_pages.py WEB_DIR SHOTS_DIR
"""

import collections
import copy
import os
import random
import shutil
import sys
import tempfile
import time

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import web_play as wp  # noqa: E402
from play_e2e import pixel  # noqa: E402


def open_page(browser, url, shots):
    """A page of its own in the same browser (so the same storage), on `url`."""
    target = browser.call("Target.createTarget", url="about:blank", newWindow=True)["targetId"]
    tab = copy.copy(browser)
    tab.session = browser.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
    for domain in ("Runtime", "Log", "Page"):
        tab.page(domain + ".enable")
    tab.page("Emulation.setDeviceMetricsOverride", width=wp.WIDTH, height=wp.HEIGHT, deviceScaleFactor=1,
             mobile=False)
    # Both pages keep the keyboard focus, as two windows side by side would in turn.
    tab.page("Emulation.setFocusEmulationEnabled", enabled=True)
    tab.page("Page.navigate", url=url)
    return wp.Page(tab, shots)


def wait_for_game(page, timeout=90):
    deadline = time.monotonic() + timeout
    while not page.b.evaluate("typeof Module == 'object' && !!Module.calledRun && !!Module.FS"):
        if time.monotonic() > deadline:
            wp.fail("the game did not start within %d s" % timeout)
        time.sleep(0.1)
    time.sleep(2.5)  # the loader and the menu sliding in


def tables(page):
    path = os.path.join(tempfile.mkdtemp(prefix="tessory_two_pages_"), "state")
    with open(path, "w") as f:
        f.write(page.state_text() or "")
    values = wp.read_state(path)
    shutil.rmtree(os.path.dirname(path))
    return values


def top_ten(page):
    return collections.Counter(v for v in (wp.small_tables(tables(page))[0] if page.state_text() else []) if v > 0)


def in_menu(image):
    """The menu's right-hand panel, plain navy beside its edge."""
    return all(max(abs(a - b) for a, b in zip(pixel(image, 505, y), (11, 22, 44))) < 8 for y in range(100, 470, 30))


def start_game(page):
    for _ in range(10):  # the keys wait until the game-over overlay has faded
        page.b.tap("space")
        time.sleep(1.5)  # the cube drops in
        if not in_menu(page.image()):
            return
    wp.fail("the menu started no game")


def scoring_game(page, other, rng):
    """Small games until one enters the top ten, back at the menu; its score. What is
    new is counted against both pages' tables: a save merges the other page's in."""
    page.b.tap("Up")  # the wheel on Small
    time.sleep(0.5)
    for _ in range(20):
        before = top_ten(page) | top_ten(other)
        start_game(page)
        stamp = page.state_stamp()
        for _ in range(30):  # rolls onto the floor, collecting gems, as the e2e test does
            image = page.image()
            if wp.game_over_bars(image) or page.state_stamp() != stamp:
                break
            keys = rng.sample(wp.ROLL_KEYS, 4)
            page.b.tap(next((k for k in keys if wp.floor_at(image, k)), keys[0]))
            time.sleep(0.4)  # the roll and the camera following it
        while wp.game_over_bars(page.image()):
            time.sleep(0.2)
        if page.state_stamp() == stamp:
            wp.end_game(page, rng)
        time.sleep(2.5)  # the overlay fades over the menu
        new = top_ten(page) - before
        print("a game ended; new in the top ten: %s" % list(new.elements()), flush=True)
        if new:
            return max(new)
    # Blind play that scores in none of its games leaves nothing to compare: no verdict.
    print("SKIP: no game of 20 scored")
    sys.exit(0)


def change_setting(page, row):
    stamp = page.state_stamp()
    for i, key in enumerate(["Left", "space"] + ["Down"] * row + ["space", "Escape"]):
        page.b.tap(key)
        time.sleep(1.5 if i == 1 else 0.3)  # after opening: the box slides in
    deadline = time.monotonic() + 10
    while page.state_stamp() == stamp:
        if time.monotonic() > deadline:
            page.image("options_saved_nothing")
            wp.fail("closing the options saved nothing")
        time.sleep(0.1)
    time.sleep(1.0)  # the storage is written after the file


def main():
    web, shots = sys.argv[1:3]
    if not shutil.which("chromium") or not shutil.which("convert"):
        print("SKIP: chromium or ImageMagick is not installed")
        return
    os.makedirs(shots, exist_ok=True)
    rng = random.Random(2207)
    server = wp.Server(web)
    with wp.Chromium(wp.WIDTH, wp.HEIGHT) as browser:
        a, b = open_page(browser, server.url, shots), open_page(browser, server.url, shots)
        for page in (a, b):
            wait_for_game(page)
        scores = [scoring_game(a, b, rng), scoring_game(b, a, rng)]
        change_setting(a, 1)
        change_setting(b, 2)
        for page in (a, b):
            page.b.page("Page.reload")
        failures = []
        for name, page in (("A", a), ("B", b)):
            wait_for_game(page)
            values = tables(page)
            top, last = wp.small_tables(values)
            page.image("two_pages_" + name)
            print("page %s after reload: scores %s, top ten %s, last ten %s, sound %d, music %d"
                  % (name, scores, top, last, values[6], values[7]))
            for table in (top, last):
                if collections.Counter(scores) - collections.Counter(table):
                    failures.append("page %s: the scores %s are not all in %s" % (name, scores, table))
            if values[6] != 1 or values[7] != 1:
                failures.append("page %s: sound %d, music %d" % (name, values[6], values[7]))
        if failures:
            wp.fail("; ".join(failures))
        if browser.errors:
            wp.fail("the pages logged errors:\n  " + "\n  ".join(browser.errors))
    print("PASS: both pages' highscores and settings survived")


if __name__ == "__main__":
    main()
