"""Plays the real game from outside, the same way on the desktop program (keys through
xdotool, pictures cut from its private X screen) and on the browser page (keys and
screenshots through DevTools): menus, a game that scores and is filed in the Small top
ten, a changed setting. Every step waits for what it needs to see (a picture, a save)
with a timeout. The game scores by design, not by luck: the program is started on the
level of SEED, where the keys of ROUTE collect a gem and then roll off the floor.

A driver gives: hold(key), release(key), image(name=None) -> (width, height, rgb bytes),
state_stamp() (changes with every save), state_text(), alive() (raises when the game has
ended) and after_save() (returns once a save has reached the game's storage); and may
give frame_tap(key): a press released after the game's next few frames, which a busy
machine can slow but not stretch into a second roll."""

import os
import struct
import subprocess
import sys
import time
import zlib

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "soak"))
from game_driver import check_state  # noqa: E402

ROLL_KEYS = ["Up", "Down", "Left", "Right"]


def read_route():
    """Seed, score and keys of the route that tessory_route found and checks."""
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "route.txt")) as f:
        words = [line.split() for line in f if line.startswith("seed ")][-1]
    return int(words[1]), int(words[3]), words[5:]


SEED, ROUTE_SCORE, ROUTE = read_route()
# A press is held this long (by a driver without frame_tap), and the next comes this long
# after its release: the game reads what is down at each update, so a press and release
# between two of its window polls would go unseen, and a menu acts again only after an
# update with no key down. A roll key seen down for fifteen updates rolls twice.
HOLD_S = 0.2
GAP_S = 0.1
# How often a wait looks again.
POLL_S = 0.05
# A picture is still when it has not changed over this many looks this far apart: a
# few frames each, even when a busy machine holds a frame back.
STILL_LOOKS, STILL_S = 2, 0.1


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_until(what, predicate, timeout=20.0, poll=POLL_S):
    """The predicate's first true value, looked for every `poll` seconds (or as often
    as a look allows, when taking a picture is slower) until `timeout`; a failure naming
    `what` after that, or None when `what` is None."""
    deadline = time.monotonic() + timeout
    while True:
        look = time.monotonic()
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            check(what is None, "%s: not within %g s" % (what, timeout))
            return None
        time.sleep(max(0.0, look + poll - time.monotonic()))


def tap(driver, key):
    if hasattr(driver, "frame_tap"):
        driver.frame_tap(key)
    else:
        driver.hold(key)
        time.sleep(HOLD_S)
        driver.release(key)
    time.sleep(GAP_S)


# Taps of a key that must be answered, and how long each waits for the answer.
TRIES, ANSWER_S = 3, 3.0


def tap_until(driver, key, what, answered):
    """Taps `key` until `answered()` holds: a tap the game did not take is repeated. It
    sees only what is down at an update, so a frame that outlasts the press loses it; the
    cube takes no roll while dropping in, and the menu no key while the options box slides
    out (a while after it has left the picture) nor until an update has seen no key down,
    so holding on instead would not do. No answer after TRIES taps fails, naming `what`."""
    for attempt in range(1, TRIES + 1):
        tap(driver, key)
        if wait_until(None, answered, ANSWER_S):
            return
        print("%s: no answer to tap %d of %s" % (what, attempt, key), flush=True)
    raise Failure("%s: no answer to %d taps of %s" % (what, TRIES, key))


def press(driver, *keys, must=False):
    """Taps each key once the game has answered the one before: a busy machine may hold
    the game back long enough for two quick taps to reach it as one. An answer is any
    change of the picture (a focus moving, a cursor, a volume); a key that changes
    nothing is given a second, unless it `must` move a focus (the menu's, the options'
    row), which changes more than the turning gear or the stars do."""
    for key in keys:
        before = driver.image()
        least = 0.03 if must else 0.003
        answered = lambda: changed_fraction(before, driver.image()) > least  # noqa: E731
        if must:
            tap_until(driver, key, "the focus moving", answered)
        else:
            tap(driver, key)
            wait_until(None, answered, timeout=1)


# ---- pictures ------------------------------------------------------------------------------

def pixel(image, x, y):
    width, _, rgb = image
    i = (y * width + x) * 3
    return rgb[i], rgb[i + 1], rgb[i + 2]


def scale_of(image):
    """Pixels per unit of the game's virtual screen, which fits 640 x 480 by its larger
    scale and so is 480 units high (or 640 wide) whatever the window's shape."""
    width, height, _ = image
    return max(width / 640.0, height / 480.0)


def read_png(png):
    """(width, height, rgb bytes) of a PNG. Screenshots encoded for speed (8-bit RGB,
    every row filtered "none" or "up") are read here, a whole row at a time, without a
    process per picture (a wait takes one at every look); anything else by ImageMagick."""
    width, height, depth, colour = struct.unpack(">IIBB", png[16:26])
    plain = (depth, colour) == (8, 2)
    data, at = [], 8
    while plain and at < len(png):
        length, tag = struct.unpack(">I4s", png[at:at + 8])
        if tag == b"IDAT":
            data.append(png[at + 8:at + 8 + length])
        at += length + 12
    raw, stride = zlib.decompress(b"".join(data)) if plain else b"", width * 3
    if not plain or any(raw[y * (stride + 1)] not in (0, 2) for y in range(height)):
        rgb = subprocess.run(["convert", "png:-", "-depth", "8", "rgb:-"], input=png, capture_output=True,
                             check=True).stdout
        return width, height, rgb
    # "up" adds the row above byte by byte, modulo 256: the low seven bits of each byte
    # added as one big number (no carry leaves a byte), the top bits by exclusive or.
    low, high = int.from_bytes(b"\x7f" * stride, "big"), int.from_bytes(b"\x80" * stride, "big")
    rows, prior = [], bytes(stride)
    for y in range(height):
        row = raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)]
        if raw[y * (stride + 1)] == 2:
            a, b = int.from_bytes(row, "big"), int.from_bytes(prior, "big")
            row = (((a & low) + (b & low)) ^ ((a ^ b) & high)).to_bytes(stride, "big")
        rows.append(row)
        prior = row
    return width, height, b"".join(rows)


def write_png(path, image):
    """The picture as an 8-bit RGB PNG file, quickly compressed."""
    width, height, rgb = image
    rows = b"".join(b"\0" + rgb[3 * width * y:3 * width * (y + 1)] for y in range(height))

    def chunk(tag, body):
        return struct.pack(">I", len(body)) + tag + body + struct.pack(">I", zlib.crc32(tag + body))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(rows, 1)) + chunk(b"IEND", b""))


def changed_fraction(a, b):
    """Share of pixels whose colour changed noticeably between two pictures."""
    x, y = a[2], b[2]
    if a[:2] != b[:2]:
        return 1.0
    # Every 7th pixel, or fewer on a large screen: about 25000 looks at the most.
    step = 3 * max(7, len(x) // (3 * 25000))
    changed = sum(abs(r - q) + abs(g - h) > 40 for r, q, g, h in zip(x[::step], y[::step], x[1::step], y[1::step]))
    return changed / len(range(0, len(x), step))


def settled(driver, what, timeout=20.0, still=0.01, watch=lambda image: False, part=lambda image: image,
            looks=STILL_LOOKS):
    """The picture once `looks` looks in a row differ in under `still` of the pixels (of
    the `part` of the picture): a slide, a fade or the camera has come to rest (the stars
    and sparkles are small); or the first for which `watch` is true."""
    last = [driver.image(), 0]

    def calm():
        driver.alive()
        now = driver.image()
        if watch(now):
            return now
        last[1] = last[1] + 1 if changed_fraction(part(last[0]), part(now)) < still else 0
        last[0] = now
        return now if last[1] >= looks else None
    return wait_until(what + " (a still picture)", calm, timeout, poll=STILL_S)


def middle(image):
    """The middle of the picture, 64 units square, where the resting cube stands."""
    width, height, rgb = image
    half = int(32 * scale_of(image))
    x, y = width // 2 - half, height // 2 - half
    return 2 * half, 2 * half, b"".join(rgb[3 * ((y + row) * width + x):3 * ((y + row) * width + x + 2 * half)]
                                        for row in range(2 * half))


def landed(driver):
    """The picture once the cube has dropped in: the camera waits for it in the middle,
    which then stops changing. The last of the drop is slow, so the middle must be still
    for a few looks."""
    return settled(driver, "the cube landing", still=0.002, part=middle, looks=4)


def roll(driver, key, image, watch=lambda image: False, free=False):
    """A tap of `key`; the picture once the roll (if the way was free) and the camera
    following it have come to rest, or once `watch` is true of it. A way known to be
    `free` must roll: then only the camera moving on by a cell counts, since the gems
    flying off and the score counting up change more than a little on their own."""
    least = 0.05 if free else 0.01

    def moved():
        now = driver.image()
        return watch(now) or changed_fraction(image, now) > least
    if free:
        tap_until(driver, key, "a roll", moved)
    else:
        tap(driver, key)
        wait_until(None, moved, timeout=1)
    # A roll the route goes on from must be over: a busy machine may show no new frame
    # between two looks, so the picture must stay still for longer.
    return settled(driver, "the roll and the camera following it", watch=watch, looks=4 if free else STILL_LOOKS)


class GameOver:
    """Looks for the game-over overlay in the pictures it is shown; keeps its first
    sight as <tag>_game_over."""

    def __init__(self, driver, tag):
        self.driver, self.tag, self.seen = driver, tag, False

    def __call__(self, image):
        if not self.seen and game_over_bars(image):
            self.seen = True
            self.driver.image(self.tag + "_game_over")
        return self.seen


def game_over_bars(image):
    """The overlay's two bars: yellow from the left at 45 % of the height, orange from
    the right at 55 %, both half transparent over the darkened play field."""
    width, height, _ = image
    yr, yg, yb = pixel(image, 4, int(0.45 * height))
    orr, og, ob = pixel(image, width - 5, int(0.55 * height))
    yellow = yr > 90 and yg > 90 and yb < 70 and abs(yr - yg) < 40
    orange = orr > 90 and ob < 70 and og < 0.8 * orr and og > 0.25 * orr
    return yellow and orange


def in_menu(image):
    """The menu's side panel, plain navy near the window's right edge (the highscores and
    the play icon sit further in; darker while the panel has the focus), beside the
    menu's blue background (the loading screen is navy all over)."""
    width, height, _ = image
    k = scale_of(image)

    def column(x, colour, share):
        near = [max(abs(a - b) for a, b in zip(pixel(image, x, int(y * k)), colour)) < 8
                for y in range(100, 470, 30) if y * k < height]
        return sum(near) >= share * len(near)
    return (column(width - int(150 * k), (19, 39, 79), 0.7) and
            any(column(width - int(135 * k), navy, 1) for navy in ((11, 22, 44), (5, 10, 20))))


# Where a neighbouring cell's floor shows, relative to the cube, in virtual units: the
# camera keeps the resting cube at the middle of the screen, a cell's floor lies 18
# units below the cube, and one column is (32, -5.5) on, one row (8, 22). The cell
# above (row - 1) hides behind the cube itself, so it is taken to be floor.
NEIGHBOUR = {"Right": (32, -5.5), "Left": (-32, 5.5), "Down": (8, 22)}


def floor_at(image, key):
    """Whether the neighbour cell in the direction of `key` shows a floor tile (light
    tiles) rather than space (dark blue)."""
    if key not in NEIGHBOUR:
        return True
    width, height, _ = image
    k = scale_of(image)
    dx, dy = NEIGHBOUR[key]
    light = 0
    for probe in (14, 18, 22):
        x = int(width / 2 + dx * k)
        y = int(height / 2 + (dy + probe) * k)
        if 0 <= x < width and 0 <= y < height:
            r, g, b = pixel(image, x, y)
            light += 1 if r + g + b > 360 else 0
    return light >= 2


def score_digits(image):
    """The play screen's score (bright green digits around three quarters across, near
    the top) as the places its green covers: a collected gem changes them."""
    width, _, _ = image
    k = scale_of(image)
    step = max(1, int(k))
    return frozenset((x, y) for x in range(int(width * 0.75 - 90 * k), int(width * 0.75 + 90 * k), step)
                     for y in range(int(14 * k), int(42 * k), step)
                     if (lambda r, g, b: g > 190 and g - max(r, b) > 80)(*pixel(image, x, y)))


# ---- the state file ------------------------------------------------------------------------

def state_values(text):
    """The state's 203 values, its checksums checked."""
    check(text is not None, "no state file")
    ok, why = check_state(text)
    check(ok, "state file: " + why)
    return [int(v) for v in text[:-1].split("|")]


def small_tables(values):
    top = [values[35 + 2 * j] for j in range(10)]
    last = [values[36 + 2 * j] for j in range(10)]
    return top, last


# ---- playing -------------------------------------------------------------------------------

def wait_for_menu(driver, timeout=60.0):
    """The menu, slid in and at rest (after the loader, or the game-over overlay)."""
    wait_until("the menu", lambda: driver.alive() or in_menu(driver.image()), timeout)
    return settled(driver, "the menu")


def start_game(driver, tag=None):
    """From the menu with the wheel's size selected: a game, its cube dropped in."""
    menu = driver.image()
    tap_until(driver, "space", "a game after the menu", lambda: changed_fraction(menu, driver.image()) > 0.1)
    return settled(driver, "the cube dropping in", timeout=30)


def end_game(driver, stamp, rng, over):
    """Rolls off the floor's edge (or into a box): each way held in turn for up to 3 s,
    a way without floor first, until the save that files the game (the state's stamp is
    no longer `stamp`), showing `over` (a GameOver) every picture on the way."""
    def filed():
        over(driver.image())
        return driver.state_stamp() != stamp

    image = driver.image()
    order = rng.sample(ROLL_KEYS, 4)
    order.sort(key=lambda k: floor_at(image, k))
    deadline = time.monotonic() + 90
    turn = 0
    while not filed() and not over.seen:
        check(time.monotonic() < deadline, "the game did not end within 90 s")
        key = order[turn % 4]
        turn += 1
        driver.hold(key)
        wait_until(None, lambda: filed() or over.seen, timeout=3)
        driver.release(key)
    wait_until("the save at the game's end", filed, timeout=max(5, deadline - time.monotonic()))


def play_game(driver, tag, first=False):
    """Starts a Small game from the menu, plays the route on its level (the program was
    started with SEED), which ends the game, and waits for the save that files it and
    for the menu; returns the score filed, which must be the route's. The first game of
    a round is also paused and resumed."""
    level = start_game(driver)
    if first:
        driver.image(tag + "_level")
        tap_until(driver, "Escape", "the pause screen", lambda: changed_fraction(level, driver.image()) > 0.1)
        settled(driver, "the pause screen")
        driver.image(tag + "_pause")
        tap_until(driver, "Escape", "the game after the pause",
                  lambda: changed_fraction(level, driver.image()) < 0.1)
        driver.alive()

    # The save that files the game is the only one from here on.
    stamp = driver.state_stamp()
    over = GameOver(driver, tag)
    image = landed(driver)
    for n, key in enumerate(ROUTE):
        check(not over.seen, "the game ended before the route's last key")
        image = roll(driver, key, image, over, free=True)
        driver.image("%s_roll%d" % (tag, n))

    def filed():
        over(driver.image())
        return driver.state_stamp() != stamp
    wait_until("the save at the game's end", filed, timeout=60)
    check(over.seen, "the game-over overlay was never seen")
    driver.after_save()
    wait_until("the overlay faded", lambda: not game_over_bars(driver.image()), timeout=20)
    wait_for_menu(driver)
    driver.image(tag + "_menu_after")
    top, last = small_tables(state_values(driver.state_text()))
    score = last[0]
    print("%s: score %d, Small top ten %s, last ten %s" % (tag, score, top, last), flush=True)
    check(score == ROUTE_SCORE, "the route filed %d, not %d" % (score, ROUTE_SCORE))
    check(score in top, "score %d is missing from the top ten %s" % (score, top))
    return score


def change_setting(driver, row):
    """Opens the options from the wheel, steps the volume of `row` (1 sound, 2 music)
    once and closes the box, which saves; waits for that save and the menu."""
    before = driver.state_stamp()
    press(driver, "Left", must=True)  # focus on the gear (it goes no further left)
    menu = driver.image()
    tap_until(driver, "space", "the options box", lambda: changed_fraction(menu, driver.image()) > 0.1)
    box = settled(driver, "the options box sliding in")
    press(driver, *["Down"] * row, must=True)  # each row's highlight moves on
    press(driver, "space")
    tap_until(driver, "Escape", "the options box closing", lambda: changed_fraction(box, driver.image()) > 0.1)
    try:
        wait_until("a save on closing the options", lambda: driver.state_stamp() != before)
    except Failure:
        driver.image("options_saved_nothing")
        raise
    driver.after_save()
    wait_for_menu(driver)
    press(driver, "Right", must=True)  # focus back on the wheel
