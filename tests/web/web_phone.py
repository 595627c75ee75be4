"""The browser build on an emulated phone and tablets in headless Chromium, by touch alone
(no mouse, no keys): the canvas keeps a shape the game's screens hold, centred, and the
title lies wholly inside it; one quick tap on "Medium" selects it and starts the sound;
a tap starts a game whose score clears the counter boxes; a tap on the pause button
pauses; the game goes on when the phone is turned; a drag rolls the cube. Prints the bytes
of the phone's visit (DevTools network events).

usage: web_phone.py WEB_DIR SHOTS_DIR
"""

import os
import shutil
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cdp import Chromium  # noqa: E402
from web_play import Server, fail  # noqa: E402
import playing as pl  # noqa: E402
from playing import changed_fraction, floor_at  # noqa: E402

PORTRAIT, LANDSCAPE, TABLETS = (390, 844), (844, 390), [(768, 1024), (1024, 768)]
ASPECTS = (4 / 3 - 0.01, 5 / 3 + 0.01)
HINT_SHOWN = "getComputedStyle(document.getElementById('turn')).display != 'none'"


class Phone:
    def __init__(self, browser, shots):
        self.b, self.shots = browser, shots

    def alive(self):
        pass  # a page that stopped shows it, and the waits time out

    def still(self, what):
        """The canvas once it has come to rest."""
        return pl.settled(Canvas(self), what)

    def changed(self, what, before, share=0.1):
        """The canvas once `share` of it differs from `before`, or None after 10 s."""
        return pl.wait_until(None, lambda: changed_fraction(before, self.canvas_image()) >= share, 10)

    def image(self, name=None, scale=1):
        """The page in CSS pixels times `scale`; saved as shots/<name>.png when named (in
        the screen's own pixels)."""
        if name:
            with open(os.path.join(self.shots, name + ".png"), "wb") as f:
                f.write(self.b.screenshot_png())
        return pl.read_png(self.b.screenshot_png(scale=scale))

    def canvas_image(self):
        """The canvas alone, about 640 pixels wide."""
        (left, top, w, h), _ = self.canvas()
        return pl.read_png(self.b.screenshot_png(clip=(left, top, w, h), scale=640 / w))

    def canvas(self):
        """(left, top, width, height) of the canvas in CSS pixels, and CSS pixels per
        unit of the game's virtual screen (which fits 640 x 480 by its larger scale)."""
        left, top, w, h, cw, ch = self.b.evaluate(
            "(() => { const c = document.getElementById('canvas'), r = c.getBoundingClientRect();"
            " return [r.left, r.top, r.width, r.height, c.width, c.height]; })()")
        return (left, top, w, h), max(cw / 640, ch / 480) * w / cw

    def at(self, vx, vy):
        (left, top, _, _), k = self.canvas()
        return left + vx * k, top + vy * k

    def tap(self, vx, vy):
        self.b.touch("Start", self.at(vx, vy))
        self.b.touch("End")

    def colour_at(self, vx, vy, radius=6):
        w, _, rgb = self.image()
        x0, y0 = map(int, self.at(vx, vy))
        pixels = [(y * w + x) * 3 for y in range(y0 - radius, y0 + radius) for x in range(x0 - radius, x0 + radius)]
        return [sum(rgb[i + c] for i in pixels) / len(pixels) for c in range(3)]

    def turn(self, size):
        """Turns the screen; the canvas must come to the largest size of a shape the game
        holds, centred."""
        self.b.phone(*size, portrait=size[1] > size[0])
        deadline = time.monotonic() + 60
        while True:
            (left, top, w, h), _ = self.canvas()
            if (abs(w - size[0]) <= 1 or abs(h - size[1]) <= 1) and w <= size[0] and h <= size[1]:
                break
            if time.monotonic() > deadline:
                fail("the canvas stayed %dx%d on a %dx%d screen" % (w, h, *size))
            time.sleep(0.2)
        self.still("the game's art for the new size")
        if not ASPECTS[0] <= w / h <= ASPECTS[1] or abs(left * 2 + w - size[0]) > 2 or abs(top * 2 + h - size[1]) > 2:
            fail("the canvas is %dx%d at (%d, %d) on a %dx%d screen" % (w, h, left, top, *size))

    def check_title(self, name):
        """The title's coloured letters (left of the side panel, in their band of the menu)
        stay clear of the canvas's edges."""
        w, _, rgb = self.image(name)
        (left, top, cw, ch), k = self.canvas()
        columns = []
        for y in range(int(top + 50 * k), int(top + 140 * k)):
            for x in range(int(left + 0.7 * cw)):
                p = rgb[(y * w + x) * 3:(y * w + x) * 3 + 3]
                if max(p) > 150 and max(p) - min(p) > 110:
                    columns.append(x)
        if len(columns) < 100:
            fail("%s: no title found" % name)
        print("%s: canvas %dx%d at (%d, %d); title from x %d to %d" % (name, cw, ch, left, top, min(columns),
                                                                      max(columns)))
        if min(columns) < left + 4 or max(columns) > left + cw - 4:
            fail("%s: the title runs into the canvas's edge" % name)

    def check_game(self, name):
        """A game runs: its top row shows the counter boxes' thin white frames, and the
        score's green digits (the widest green run) lie right of them, on no frame."""
        scale = self.b.device_scale  # the frames are one CSS pixel wide
        w, _, rgb = self.image(scale=scale)
        (left, top, cw, _), k = self.canvas()
        rows = range(int(top * scale), int((top + 40 * k) * scale))
        columns = range(int(left * scale), int((left + cw) * scale))
        white, black, green = {}, {}, []
        for x in columns:
            pixels = [rgb[(y * w + x) * 3:(y * w + x) * 3 + 3] for y in rows]
            white[x] = sum(min(p) > 180 for p in pixels) / len(rows)
            black[x] = sum(max(p) < 40 for p in pixels) / len(rows)
            # The score's bright green; a random level's green tiles are darker.
            if any(p[1] > 190 and p[1] - max(p[0], p[2]) > 80 for p in pixels):
                green.append(x)
        frames = [x for x in columns if white[x] > 0.5 and white.get(x - 2 * scale, 0) < 0.3 and
                  white.get(x + 2 * scale, 0) < 0.3]
        runs = []
        for x in green:
            if runs and x - runs[-1][1] <= 8 * scale:
                runs[-1][1] = x
            else:
                runs.append([x, x])
        start, end = max(runs, key=lambda r: r[1] - r[0]) if runs else (0, 0)
        boxes = [x for i, x in enumerate(frames) if x < start and (i == 0 or x - frames[i - 1] > 3 * scale)]
        print("%s: box frames at x %s, score at x %d to %d" % (name, [x // scale for x in boxes], start // scale,
                                                             end // scale))
        # Over a random level's light floor a box's outer edge may not stand out: two
        # frames already show the counter row.
        if len(boxes) < 2 or end - start < 30 * scale:
            fail("%s: no game's top row" % name)
        # A counter box is black inside its frame; a light edge of the floor behind the
        # score is not.
        if any(start <= x <= end and max(black.get(x - 2 * scale, 0), black.get(x + 2 * scale, 0)) > 0.5
               for x in frames):
            fail("%s: the score overlaps the counter boxes" % name)


class Canvas:
    """The phone's canvas alone, for the shared waits."""

    def __init__(self, phone):
        self.image, self.alive = phone.canvas_image, phone.alive


def wait_for_menu(phone, timeout=90):
    pl.wait_until("the game", lambda: phone.b.evaluate(
        "typeof Module == 'object' && !!Module.calledRun"
        " && document.getElementById('status').style.display == 'none'"), timeout)
    pl.wait_for_menu(Canvas(phone), timeout)


def downloaded(browser):
    """Bytes the network delivered to the page and its service worker, by file."""
    names, sizes = {}, {}
    for method, params in browser.network:
        if method == "Network.responseReceived":
            response = params["response"]
            if not response.get("fromServiceWorker") and not response.get("fromDiskCache"):
                names[params["requestId"]] = response["url"].rsplit("/", 1)[-1] or "index.html"
        elif method == "Network.loadingFinished" and params["requestId"] in names:
            name = names[params["requestId"]]
            sizes[name] = sizes.get(name, 0) + int(params["encodedDataLength"])
    return sizes


def main():
    web, shots = sys.argv[1:3]
    for tool in ("chromium", "convert"):
        if not shutil.which(tool):
            print("SKIP: %s is not installed" % tool)
            return
    os.makedirs(shots, exist_ok=True)
    server = Server(web)
    with Chromium(*PORTRAIT) as browser:
        phone = Phone(browser, shots)
        browser.page("Network.enable")
        browser.watch_service_workers()
        browser.phone(*PORTRAIT)
        browser.page("Page.navigate", url=server.url)
        wait_for_menu(phone)
        phone.turn(PORTRAIT)
        phone.check_title("phone-portrait")
        if not browser.evaluate(HINT_SHOWN):
            fail("no hint to turn the phone in portrait")

        # Small, green, sits where the selected level size does; Medium is the next one
        # down the wheel. One quick tap on Medium selects it: orange takes that place.
        selected, medium = (171, 296), (167, 393)
        browser.evaluate("AL.currentCtx.audioCtx.suspend().then(() => 0)")
        before = phone.colour_at(*selected)
        phone.tap(*medium)
        after = pl.wait_until(None, lambda: (lambda c: c if c[0] > c[1] else None)(phone.colour_at(*selected)), 10)
        after = after or phone.colour_at(*selected)
        print("the selected place's colour before and after a tap on Medium: %s, %s" % (before, after))
        if not before[1] > before[0] or not after[0] > after[1]:
            fail("a single tap on Medium did not select it")
        if browser.evaluate("AL.currentCtx.audioCtx.state") != "running":
            fail("the first tap did not start the sound")

        menu = phone.still("the wheel turning to Medium")
        for _ in range(3):  # a page busy drawing may miss a quick tap; a game it took shows at once
            phone.tap(*selected)
            if phone.changed("a game", menu):
                break
        phone.still("the cube dropping in")
        phone.image("phone-game")
        phone.check_game("portrait game")
        still = phone.canvas_image()
        phone.tap(16, 16)
        paused = phone.changed("the pause screen", still)  # the pause darkens the play field
        phone.image("phone-paused")
        if not paused:
            fail("a tap on the pause button did not pause the game")
        phone.tap(64, 196)  # the pause panel's resume button
        phone.changed("the game again", phone.canvas_image())
        phone.still("the game again")
        phone.check_game("resumed game")
        sizes = downloaded(browser)
        print("phone visit (portrait, one game): %d bytes: %s" % (sum(sizes.values()), sizes))

        phone.turn(LANDSCAPE)
        phone.image("phone-game-landscape")
        phone.check_game("game turned to landscape")
        if browser.evaluate(HINT_SHOWN):
            fail("the hint to turn the phone stays in landscape")
        # A short drag towards a cell with floor: the drag stick rolls the cube.
        before = phone.canvas_image()
        way = next((w for w in ("Right", "Down", "Left") if floor_at(before, w)), "Up")
        dx, dy = {"Right": (60, 0), "Down": (0, 60), "Left": (-60, 0), "Up": (0, -60)}[way]
        x, y = phone.at(320, 300)
        browser.touch("Start", (x, y))
        for step in (1, 2, 3):
            browser.touch("Move", (x + dx * step / 3, y + dy * step / 3))
            time.sleep(0.04)
        time.sleep(0.1)
        browser.touch("End")  # let go at once: a held stick rolls on
        phone.changed("the roll", before, 0.02)
        moved = changed_fraction(before, phone.still("the roll"))
        print("drag %s: %.0f %% of the picture changed" % (way, 100 * moved))
        if moved < 0.02:
            fail("a drag did not roll the cube")

        browser.page("Page.reload")
        wait_for_menu(phone)
        phone.check_title("phone-landscape")
        for size in TABLETS:
            phone.turn(size)
            phone.check_title("tablet-%dx%d" % size)
        if browser.errors:
            fail("the page logged errors:\n  " + "\n  ".join(browser.errors))
    print("PASS")


if __name__ == "__main__":
    main()
