"""The browser build played in headless Chromium (SwiftShader WebGL) through the
DevTools protocol: the menu must match the desktop's at 640 x 480, Space starts a game,
the arrow keys roll the cube, a minute of scripted play ends games, the highscore must
survive a reload (IndexedDB), an HTTP request through the browser's fetch must bring
back a file of the test's server, and the page must log no error at all. Prints the figures
for docs/PERFORMANCE.md and writes them to a JSON file.

usage: web_play.py WEB_DIR DESKTOP_TESSORY SHOTS_DIR FIGURES_JSON [PLAY_SECONDS]
"""

import functools
import gzip
import http.server
import json
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "soak"))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
import game_driver as gd  # noqa: E402
import playing as pl  # noqa: E402
from playing import changed_fraction, floor_at, game_over_bars, small_tables, state_values  # noqa: E402
from cdp import Chromium  # noqa: E402

WIDTH, HEIGHT = 640, 480
# The menu compared block by block: the mean colour of each 80 x 80 block may differ
# from the desktop's by at most BLOCK_TOLERANCE per channel (the stars, sparkles and the
# wheel's glow move), in all but MAX_DIFFERENT_BLOCKS of the 48 blocks.
BLOCK = 80
BLOCK_TOLERANCE = 12
MAX_DIFFERENT_BLOCKS = 2
STATE = "/saved/.kavorostate"
# What the first menu needs: the page, the program and the packages loaded before it.
FIRST_DOWNLOAD = ["index.html", "packages.json", "tessory.js", "tessory.wasm", "tessory-common.js",
                  "tessory-common.data", "tessory-tier2.js", "tessory-tier2.data"]


def fail(message):
    print("FAIL: " + message, flush=True)
    sys.exit(1)


rgb_of = pl.read_png  # (width, height, rgb bytes) of a PNG


def block_means(image):
    w, h, rgb = image
    means = []
    for by in range(0, h - BLOCK + 1, BLOCK):
        for bx in range(0, w - BLOCK + 1, BLOCK):
            total = [0, 0, 0]
            for y in range(by, by + BLOCK, 2):
                row = rgb[(y * w + bx) * 3:(y * w + bx + BLOCK) * 3]
                for c in range(3):
                    total[c] += sum(row[c::6])
            n = (BLOCK // 2) * (BLOCK // 2)
            means.append([t / n for t in total])
    return means


def different_blocks(image, reference):
    if image[:2] != reference[:2]:
        return 99
    return sum(1 for a, b in zip(block_means(image), block_means(reference))
               if max(abs(x - y) for x, y in zip(a, b)) > BLOCK_TOLERANCE)


def desktop_menu(binary, work):
    """The desktop game's menu at 640 x 480, from the real program under Xvfb."""
    with gd.GameOnPrivateDisplay(binary, work, os.path.join(work, "desktop")) as run:
        if run.window is None:
            fail("the desktop game showed no window")
        window = gd.Window(run.env, run.window, run.game)
        pl.wait_for_menu(window)
        window.close()
        path = os.path.join(work, "desktop_menu.png")
        gd.screenshot(run.env, run.window, path)
    with open(path, "rb") as f:
        return f.read()


class Server:
    """The build folder on 127.0.0.1, on a port the system picks."""

    def __init__(self, folder):
        class Quiet(http.server.SimpleHTTPRequestHandler):
            def log_message(self, *args):
                pass
        handler = functools.partial(Quiet, directory=folder)
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()
        self.url = "http://127.0.0.1:%d/" % self.httpd.server_address[1]


class Page:
    """A page of the game, as a driver for the shared play."""

    def __init__(self, browser, shots):
        self.b, self.shots = browser, shots

    def hold(self, key):
        self.b.key(key, True)

    def release(self, key):
        self.b.key(key, False)

    def frame_tap(self, key):
        """The press through DevTools (a real key, which may start the page's sound); the
        release by the page at its third animation frame, then through DevTools too (the
        game ignores a second release): at most four updates a frame see it down, twelve in
        all, however late the frames, and a roll takes sixteen."""
        _, code, keycode = self.b.KEYS[key]
        self.b.evaluate("window.tessoryReleased = new Promise(done => window.addEventListener('keydown', () => {"
                        " let frames = 3; const next = () => { if (--frames) return requestAnimationFrame(next);"
                        " const up = new KeyboardEvent('keyup', {code: '%s'});"
                        " Object.defineProperty(up, 'keyCode', {get: () => %d}); window.dispatchEvent(up); done(0); };"
                        " requestAnimationFrame(next); }, {capture: true, once: true})), 0" % (code, keycode))
        self.b.key(key, True)
        self.b.evaluate("window.tessoryReleased")
        self.b.key(key, False)

    def alive(self):
        pass  # a page that stopped shows it, and the waits time out

    def after_save(self):
        """The page writes its storage after the file, holding its lock on the state
        from before the file changed: the lock once more means the write is done."""
        self.b.evaluate("navigator.locks.request('tessory-state', () => 0)")

    def image(self, name=None):
        png = self.b.screenshot_png()
        if name:
            with open(os.path.join(self.shots, name + ".png"), "wb") as f:
                f.write(png)
        return pl.read_png(png)

    def state_stamp(self):
        return self.b.evaluate("(() => { try { const s = Module.FS.stat('%s');"
                               " return s.ino + ':' + s.mtime.getTime(); } catch (e) { return null; } })()" % STATE)

    def state_text(self):
        return self.b.evaluate("(() => { try { return Module.FS.readFile('%s', {encoding: 'utf8'}); }"
                               " catch (e) { return null; } })()" % STATE)

    def wait_for_menu(self, reference, timeout=90):
        start = time.monotonic()
        # A screenshot asked for while the page is being replaced may never come.
        while not self.b.evaluate("typeof Module == 'object' && !!Module.calledRun"):
            if time.monotonic() - start > timeout:
                fail("the game did not start within %d s" % timeout)
            time.sleep(0.05)
        while time.monotonic() - start < timeout:
            try:
                if different_blocks(self.image(), reference) <= MAX_DIFFERENT_BLOCKS:
                    return time.monotonic() - start
            except (RuntimeError, TimeoutError):
                pass  # the page is still being replaced
            time.sleep(0.1)
        self.image("menu_never_came")
        fail("no menu like the desktop's within %d s" % timeout)


def play(page, rng, seconds):
    """Rolls the cube about for `seconds`, towards the floor as the e2e test does, with
    Space to go from the game over to the menu and into the next game. Answers how many
    games ended (saved the state)."""
    ended, stamp = 0, page.state_stamp()
    until = time.monotonic() + seconds
    while time.monotonic() < until:
        image = page.image()
        if game_over_bars(image):
            pl.wait_until("the overlay faded", lambda: not game_over_bars(page.image()))
            continue
        new = page.state_stamp()
        if new != stamp:
            ended, stamp = ended + 1, new
            pl.wait_for_menu(page)
            pl.start_game(page)
            continue
        keys = pl.ROLL_KEYS[:]
        rng.shuffle(keys)
        # Mostly onto the floor, now and then off it, so games end too.
        on_floor = [k for k in keys if floor_at(image, k)]
        pl.roll(page, on_floor[0] if on_floor and rng.random() < 0.97 else keys[0], image)
    # The last roll may have ended a game that is filed already: no other would follow.
    return ended + (page.state_stamp() != stamp)


def first_download_bytes(folder):
    raw = sum(os.path.getsize(os.path.join(folder, f)) for f in FIRST_DOWNLOAD)
    packed = 0
    for f in FIRST_DOWNLOAD:
        with open(os.path.join(folder, f), "rb") as src:
            packed += len(gzip.compress(src.read(), 9))
    return raw, packed


def main():
    web, binary, shots, figures_path = sys.argv[1:5]
    play_seconds = float(sys.argv[5]) if len(sys.argv) > 5 else 60
    for tool in ("chromium", "convert", "Xvfb", "xdotool"):
        if not shutil.which(tool):
            print("SKIP: %s is not installed" % tool)
            return
    os.makedirs(shots, exist_ok=True)
    work = tempfile.mkdtemp(prefix="tessory_web_")
    rng = random.Random(1917)
    figures = {}
    try:
        desktop_png = desktop_menu(binary, work)
        with open(os.path.join(shots, "desktop_menu.png"), "wb") as f:
            f.write(desktop_png)
        reference = rgb_of(desktop_png)
        if reference[:2] != (WIDTH, HEIGHT):
            fail("the desktop window is %d x %d" % reference[:2])
        server = Server(web)

        with Chromium(WIDTH, HEIGHT, cpu_compositing=True) as browser:
            page = Page(browser, shots)
            browser.page("Page.navigate", url=server.url)
            figures["load_to_menu_s"] = round(page.wait_for_menu(reference), 2)
            pl.settled(page, "the menu")
            menu = page.image("menu")
            off = different_blocks(menu, reference)
            print("menu: %d of 48 blocks differ from the desktop's by more than %d" % (off, BLOCK_TOLERANCE))
            if off > MAX_DIFFERENT_BLOCKS:
                fail("the settled menu differs from the desktop's in %d blocks" % off)

            # Browsers start sound only after a gesture (headless Chromium lets it run at
            # once): held back as a browser would, the first key must set it going.
            audio = "AL.currentCtx.audioCtx.state"
            browser.evaluate("AL.currentCtx.audioCtx.suspend().then(() => 0)")
            if browser.evaluate(audio) != "suspended":
                fail("the page's sound could not be held back")

            # Space starts a game; the arrows roll the cube and the picture follows.
            pl.start_game(page)
            if browser.evaluate(audio) != "running":
                fail("the first key did not start the sound: " + browser.evaluate(audio))
            before = after = page.image("level_start")
            for key in ("Right", "Down", "Left"):
                after = pl.roll(page, key, after)
            page.image("level")
            moved = changed_fraction(before, after)
            print("play screen: %.0f %% of the picture changed after three rolls" % (100 * moved))
            if moved < 0.02:
                fail("the play screen did not change when the cube rolled")

            # A minute of scripted play: the frame times from the animation frames' stamps,
            # and the game's own work in each (the main loop's pre and post hooks).
            browser.evaluate("window.frameTimes = []; window.frameWork = []; let begun = 0;"
                             " Module.preMainLoop = () => { begun = performance.now(); };"
                             " Module.postMainLoop = () => { frameWork.push(performance.now() - begun); };"
                             " (function f(t) { frameTimes.push(t); requestAnimationFrame(f); })(performance.now()), 0")
            ended = play(page, rng, play_seconds)
            times, work_ms = browser.evaluate("[frameTimes, frameWork]")
            gaps = [b - a for a, b in zip(times[1:], times[2:])]
            figures["frames"] = len(gaps)
            figures["frame_median_ms"] = round(statistics.median(gaps), 2)
            figures["frame_worst_ms"] = round(max(gaps), 2)
            figures["frame_work_median_ms"] = round(statistics.median(work_ms), 2)
            figures["frame_work_worst_ms"] = round(max(work_ms), 2)
            figures["games_ended_in_play"] = ended
            if not ended:
                pl.end_game(page, page.state_stamp(), rng, pl.GameOver(page, "web"))
                pl.wait_for_menu(page)
            page.after_save()
            page.image("menu_after_game")
            saved = page.state_text()
            if saved is None:
                fail("no state file after a game")
            top, last = small_tables(state_values(saved))
            print("after play: Small top ten %s, last ten %s" % (top, last))

            browser.page("Page.reload")
            page.wait_for_menu(reference)
            again = page.state_text()
            if again != saved:
                fail("the saved state did not survive the reload")
            top_again, _ = small_tables(state_values(again))
            if top_again != top or last[0] not in top_again and last[0] > 0:
                fail("the highscore is gone after the reload: %s" % top_again)
            page.image("menu_after_reload")
            print("after reload: Small top ten %s" % top_again)

            # The HTTP transport over the browser's fetch, answered by this test's server.
            browser.page("Page.navigate", url=server.url + "http_probe.html")
            deadline = time.monotonic() + 30
            while not any(text.startswith("http probe:") for _, text in browser.console):
                if time.monotonic() > deadline:
                    fail("the HTTP probe never reported")
                time.sleep(0.1)
            probe = next(text for _, text in browser.console if text.startswith("http probe:"))
            print(probe)
            if not probe.startswith("http probe: status 200, %d bytes, begins {" % os.path.getsize(
                    os.path.join(web, "packages.json"))):
                fail("the HTTP probe got something else than packages.json")

            if browser.errors:
                fail("the page logged errors:\n  " + "\n  ".join(browser.errors))
        figures["first_download_bytes"], figures["first_download_gzip_bytes"] = first_download_bytes(web)
        with open(figures_path, "w") as f:
            json.dump(figures, f, indent=1)
        print("figures: " + json.dumps(figures))
        print("PASS")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
