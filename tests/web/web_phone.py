"""The browser build on an emulated phone and tablet in headless Chromium, with touch
events only (no mouse, no keys): the canvas keeps a shape the game's screens hold in both
orientations and the title lies wholly inside it; a single tap on "Medium" selects it and
starts the sound; taps start a game whose score does not overlap the counter boxes; a
drag rolls the cube; a tap on the pause button pauses; rotating keeps the game going.
Prints the bytes the phone visit downloaded (DevTools network events).

usage: web_phone.py WEB_DIR SHOTS_DIR
"""

import os
import shutil
import subprocess
import sys
import time

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from cdp import Chromium  # noqa: E402
from web_play import Server, changed_fraction, fail, floor_at  # noqa: E402

# CSS pixels of the screens tried: (width, height, take a screenshot as).
PHONE_PORTRAIT, PHONE_LANDSCAPE = (390, 844), (844, 390)
TABLETS = [(768, 1024), (1024, 768)]
ASPECTS = (4 / 3 - 0.01, 5 / 3 + 0.01)


def rgb_of(png, width, height):
    """The screenshot scaled to CSS pixels: (width, height, rgb bytes)."""
    rgb = subprocess.run(["convert", "png:-", "-resize", "%dx%d!" % (width, height), "-depth", "8", "rgb:-"],
                         input=png, capture_output=True, check=True).stdout
    return width, height, rgb


class Phone:
    def __init__(self, browser, shots):
        self.b, self.shots = browser, shots

    def image(self, name=None):
        png = self.b.screenshot_png()
        if name:
            with open(os.path.join(self.shots, name + ".png"), "wb") as f:
                f.write(png)
        return rgb_of(png, self.b.width, self.b.height)

    def canvas_image(self):
        """The canvas alone, 640 pixels wide."""
        import base64
        (left, top, w, h), _ = self.canvas()
        png = base64.b64decode(self.b.page("Page.captureScreenshot", format="png", clip=dict(
            x=left, y=top, width=w, height=h, scale=1))["data"])
        return rgb_of(png, 640, round(640 * h / w))

    def canvas(self):
        """(left, top, width, height) of the canvas in CSS pixels, and its virtual scale."""
        left, top, w, h, cw, ch = self.b.evaluate(
            "(() => { const c = document.getElementById('canvas'), r = c.getBoundingClientRect();"
            " return [r.left, r.top, r.width, r.height, c.width, c.height]; })()")
        return (left, top, w, h), min(cw / 640, ch / 480) * w / cw

    def at(self, vx, vy):
        """CSS position of a point of the game's virtual screen."""
        (left, top, _, _), k = self.canvas()
        return left + vx * k, top + vy * k

    def tap(self, vx, vy):
        point = self.at(vx, vy)
        self.b.touch("Start", point)
        self.b.touch("End")

    def colour_at(self, vx, vy, radius=6):
        w, _, rgb = self.image()
        x0, y0 = map(int, self.at(vx, vy))
        total, n = [0, 0, 0], 0
        for y in range(y0 - radius, y0 + radius):
            for x in range(x0 - radius, x0 + radius):
                i = (y * w + x) * 3
                for c in range(3):
                    total[c] += rgb[i + c]
                n += 1
        return [t / n for t in total]

    def settle(self, size, portrait, timeout=60):
        """Turns the screen and waits until the canvas has the shape that fits it."""
        self.b.phone(*size, portrait=portrait)
        deadline = time.monotonic() + timeout
        while True:
            (left, top, w, h), _ = self.canvas()
            fits = (abs(w - size[0]) <= 1 or abs(h - size[1]) <= 1) and w <= size[0] and h <= size[1]
            if fits:
                break
            if time.monotonic() > deadline:
                fail("the canvas stayed %dx%d on a %dx%d screen" % (w, h, size[0], size[1]))
            time.sleep(0.2)
        time.sleep(3)  # the game reloads its art for the new size
        if not ASPECTS[0] <= w / h <= ASPECTS[1]:
            fail("the canvas is %dx%d on a %dx%d screen" % (w, h, size[0], size[1]))
        if abs(left + w / 2 - size[0] / 2) > 1 or abs(top + h / 2 - size[1] / 2) > 1:
            fail("the canvas at (%d, %d) is not centred on the %dx%d screen" % (left, top, size[0], size[1]))

    def check_title(self, name):
        """The title's coloured letters, found in their band of the menu, lie wholly
        inside the canvas, clear of its edges."""
        image = self.image(name)
        w, _, rgb = image
        (left, top, cw, ch), k = self.canvas()
        # The title's band of the virtual screen, left of the side panel.
        y0, y1 = int(top + 50 * k), int(top + 140 * k)
        columns = []
        for y in range(y0, y1):
            for x in range(0, int(left + 0.7 * cw)):
                i = (y * w + x) * 3
                r, g, b = rgb[i], rgb[i + 1], rgb[i + 2]
                if max(r, g, b) - min(r, g, b) > 110 and max(r, g, b) > 150:
                    columns.append(x)
        if len(columns) < 100:
            fail("%s: no title found" % name)
        first, last = min(columns), max(columns)
        print("%s: canvas %dx%d at (%d, %d); title from x %d to %d" % (name, cw, ch, left, top, first, last))
        if first < left + 4 or last > left + cw - 4:
            fail("%s: the title runs into the canvas's edge (x %d to %d)" % (name, first, last))


def wait_for_menu(phone, timeout=90):
    start = time.monotonic()
    while not phone.b.evaluate("typeof Module == 'object' && !!Module.calledRun"
                               " && document.getElementById('status').style.display == 'none'"):
        if time.monotonic() - start > timeout:
            fail("the game did not start within %d s" % timeout)
        time.sleep(0.1)
    time.sleep(6)  # the loader, then the menu slides in and settles


def downloaded(browser):
    """Bytes the network delivered, by file, from DevTools' network events."""
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
    with Chromium(*PHONE_PORTRAIT) as browser:
        phone = Phone(browser, shots)
        browser.page("Network.enable")
        browser.watch_service_workers()
        browser.phone(*PHONE_PORTRAIT)
        browser.page("Page.navigate", url=server.url)
        wait_for_menu(phone)
        phone.settle(PHONE_PORTRAIT, True)
        phone.check_title("phone-portrait")
        if not browser.evaluate("getComputedStyle(document.getElementById('turn')).display != 'none'"):
            fail("no hint to turn the phone in portrait")

        # Small sits where the selected level size does; Medium is the next one down the
        # wheel. One quick tap on Medium selects it (and starts the held-back sound).
        selected, medium = (171, 296), (167, 393)
        audio = "AL.currentCtx.audioCtx.state"
        browser.evaluate("AL.currentCtx.audioCtx.suspend().then(() => 0)")
        r, g, _ = phone.colour_at(*selected)
        if not g > r:
            fail("the selected level size is not Small's green before the tap: %s" % [r, g])
        phone.tap(*medium)
        time.sleep(1.5)
        r, g, _ = phone.colour_at(*selected)
        print("after a tap on Medium, the selected item's colour is %d, %d" % (r, g))
        if not r > g:
            fail("a single tap on Medium did not select it")
        if browser.evaluate(audio) != "running":
            fail("the first tap did not start the sound: " + browser.evaluate(audio))

        # A tap on the selected size starts a game.
        phone.tap(*selected)
        time.sleep(4)
        phone.image("phone-game")
        check_score_clear_of_counters(phone, "portrait")

        # A tap on the pause button pauses: the pause menu's panel comes down.
        still = phone.image()
        phone.tap(16, 16)
        time.sleep(1.5)
        paused = phone.image("phone-paused")
        if changed_fraction(still, paused) < 0.1:
            fail("a tap on the pause button did not pause the game")
        phone.tap(64, 196)  # the panel's resume button
        time.sleep(1.5)
        check_score_clear_of_counters(phone, "resumed")

        sizes = downloaded(browser)
        print("phone visit (portrait, one game): %d bytes: %s" % (sum(sizes.values()), sizes))

        # Turned mid-game: the canvas takes the landscape screen's height and the game goes on.
        phone.settle(PHONE_LANDSCAPE, False)
        phone.image("phone-game-landscape")
        check_score_clear_of_counters(phone, "landscape")
        if browser.evaluate("getComputedStyle(document.getElementById('turn')).display") != "none":
            fail("the hint to turn the phone stays in landscape")

        # A drag steers the cube through the drag stick, towards a cell with floor.
        before = phone.canvas_image()
        way = next((w for w in ("Right", "Down", "Left") if floor_at(before, w)), "Up")
        dx, dy = {"Right": (60, 0), "Down": (0, 60), "Left": (-60, 0), "Up": (0, -60)}[way]
        x, y = phone.at(320, 300)
        browser.touch("Start", (x, y))
        for step in range(1, 4):
            browser.touch("Move", (x + dx * step / 3, y + dy * step / 3))
            time.sleep(0.04)
        time.sleep(0.1)
        browser.touch("End")  # let go at once: a held stick rolls on
        time.sleep(1)
        moved = changed_fraction(before, phone.canvas_image())
        print("drag %s: %.0f %% of the picture changed" % (way, 100 * moved))
        if moved < 0.02:
            fail("a drag did not roll the cube")

        # The menu in landscape, then on a tablet both ways.
        browser.page("Page.reload")
        wait_for_menu(phone)
        phone.check_title("phone-landscape")
        for size in TABLETS:
            phone.settle(size, size[1] > size[0])
            phone.check_title("tablet-%dx%d" % size)
        if browser.errors:
            fail("the page logged errors:\n  " + "\n  ".join(browser.errors))
    print("PASS")


def check_score_clear_of_counters(phone, name):
    """A game runs: the play screen's top row shows its three counter boxes (white
    frames), and the score's digits (green) begin right of the last box."""
    scale = round(phone.b.evaluate("devicePixelRatio"))  # the frames are one CSS pixel wide
    w, _, rgb = rgb_of(phone.b.screenshot_png(), phone.b.width * scale, phone.b.height * scale)
    (left, top, cw, _), k = phone.canvas()
    rows = range(int(top * scale), int((top + 40 * k) * scale))
    frames, greens = [], []
    for x in range(int(left * scale), int((left + cw) * scale)):
        white = green = 0
        for y in rows:
            i = (y * w + x) * 3
            r, g, b = rgb[i], rgb[i + 1], rgb[i + 2]
            white += min(r, g, b) > 180
            green += g > 150 and r < 150 and b < 150
        if white > 0.5 * len(rows):
            frames.append(x)
        if green:
            greens.append(x)
    boxes = [x for i, x in enumerate(frames) if i == 0 or x - frames[i - 1] > 3 * scale]
    runs = [x for i, x in enumerate(greens) if i == 0 or x - greens[i - 1] > 8 * scale]
    if len(boxes) < 3 or not runs:
        fail("%s: no game's top row (frames at %s)" % (name, [x // scale for x in boxes]))
    score = runs[-1]
    print("%s game: box frames at x %s, score from x %d" % (name, [x // scale for x in boxes], score // scale))
    if score <= frames[-1] or max(greens) - score < 30 * scale:
        fail("%s: the score (from x %d) overlaps the counter boxes (to x %d)" % (name, score // scale,
                                                                              frames[-1] // scale))


if __name__ == "__main__":
    main()
