"""Two pages of the browser build on one address (one storage) in headless Chromium,
in turns: page A files a Small highscore (the seeded level's route), then page B does,
A turns the sound down in the options, B the music. After both pages reload, each must show both
highscores and both settings, and neither may log an error.

usage: two_pages.py WEB_DIR SHOTS_DIR
"""

import collections
import copy
import os
import shutil
import sys

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import web_play as wp  # noqa: E402
import playing as pl  # noqa: E402


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


def freeze(page, frozen):
    """A page frozen: it keeps what it has read, runs nothing and draws nothing, as a
    browser freezes a page in the background; thawed: in front again, with the focus."""
    if not frozen:
        page.b.page("Page.setWebLifecycleState", state="active")
    page.b.page("Emulation.setFocusEmulationEnabled", enabled=not frozen)
    if frozen:
        page.b.page("Page.setWebLifecycleState", state="frozen")


def wait_for_game(page, timeout=90):
    pl.wait_until("the game", lambda: page.b.evaluate("typeof Module == 'object' && !!Module.calledRun"
                                                      " && !!Module.FS"), timeout)
    pl.wait_for_menu(page)


def main():
    web, shots = sys.argv[1:3]
    if not shutil.which("chromium") or not shutil.which("convert"):
        print("SKIP: chromium or ImageMagick is not installed")
        return
    os.makedirs(shots, exist_ok=True)
    server = wp.Server(web)
    with wp.Chromium(wp.WIDTH, wp.HEIGHT, cpu_compositing=True) as browser:
        url = server.url + "?seed=%d" % pl.SEED
        a, b = open_page(browser, url, shots), open_page(browser, url, shots)
        for page in (a, b):
            wait_for_game(page)
        for page in (a, b):
            pl.tap(page, "Up")  # the wheel on Small
        # In turns, the other page frozen as a browser freezes a page in the background: it
        # keeps what it read before the one playing saved, and draws nothing meanwhile.
        scores = []
        for turn, (page, other) in enumerate(((a, b), (b, a), (a, b), (b, a))):
            freeze(other, True)
            freeze(page, False)
            if turn < 2:
                scores.append(pl.play_game(page, "page" + "AB"[turn]))
            else:
                pl.change_setting(page, turn - 1)
        freeze(a, False)
        for page in (a, b):
            page.b.page("Page.reload")
        failures = []
        for name, page in (("A", a), ("B", b)):
            wait_for_game(page)
            values = pl.state_values(page.state_text())
            top, last = pl.small_tables(values)
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
