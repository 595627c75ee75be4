"""Plays the real game from outside, the same way on the desktop program (keys through
xdotool, pictures cut from its private X screen) and on the browser page (keys and
screenshots through DevTools): menus, a lost game filed in the Small top ten, a changed
setting. Every step waits for what it needs to see (a picture, a save) with a timeout.

A driver gives: hold(key), release(key), image(name=None) -> (width, height, rgb bytes),
state_stamp() (changes with every save), state_text(), alive() (raises when the game has
ended) and after_save() (returns once a save has reached the game's storage)."""

import collections
import os
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "soak"))
from game_driver import check_state  # noqa: E402

ROLL_KEYS = ["Up", "Down", "Left", "Right"]
# A press is held this long, and the next comes this long after its release: the game
# reads what is down at each update, so a press and release between two of its window
# polls would go unseen, and a menu acts again only after an update with no key down.
HOLD_S = 0.15
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
    """The predicate's first true value, looked for every POLL_S until `timeout`; a
    failure naming `what` after that, or None when `what` is None."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            check(what is None, "%s: not within %g s" % (what, timeout))
            return None
        time.sleep(poll)


def tap(driver, key):
    driver.hold(key)
    time.sleep(HOLD_S)
    driver.release(key)
    time.sleep(GAP_S)


def press(driver, *keys):
    """Taps each key once the game has answered the one before: a busy machine may hold
    the game back long enough for two quick taps to reach it as one. An answer is any
    change of the picture (a focus moving, a cursor, a volume); a key that changes
    nothing is given a second."""
    for key in keys:
        before = driver.image()
        tap(driver, key)
        wait_until(None, lambda: changed_fraction(before, driver.image()) > 0.003, timeout=1)


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


def changed_fraction(a, b):
    """Share of pixels whose colour changed noticeably between two pictures."""
    x, y = a[2], b[2]
    if a[:2] != b[:2]:
        return 1.0
    changed = sum(1 for i in range(0, len(x), 3 * 7) if abs(x[i] - y[i]) + abs(x[i + 1] - y[i + 1]) > 40)
    return changed / (len(x) / (3 * 7))


def settled(driver, what, timeout=20.0, still=0.01, watch=lambda image: False):
    """The picture once two looks in a row differ in under `still` of the pixels: a
    slide, a fade or the camera has come to rest (the stars and sparkles are small);
    or the first for which `watch` is true."""
    last = [driver.image(), 0]

    def calm():
        driver.alive()
        now = driver.image()
        if watch(now):
            return now
        last[1] = last[1] + 1 if changed_fraction(last[0], now) < still else 0
        last[0] = now
        return now if last[1] >= STILL_LOOKS else None
    return wait_until(what + " (a still picture)", calm, timeout, poll=STILL_S)


def roll(driver, key, image, watch=lambda image: False):
    """A tap of `key`; the picture once the roll (if the way was free) and the camera
    following it have come to rest, or once `watch` is true of it."""
    tap(driver, key)

    def moved():
        now = driver.image()
        return watch(now) or changed_fraction(image, now) > 0.01
    wait_until(None, moved, timeout=1)
    return settled(driver, "the roll and the camera following it", watch=watch)


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


def top_ten(driver):
    """The Small top ten's scores, without the empty places."""
    text = driver.state_text()
    if text is None:
        return collections.Counter()
    return collections.Counter(v for v in small_tables(state_values(text))[0] if v > 0)


# ---- playing -------------------------------------------------------------------------------

def wait_for_menu(driver, timeout=60.0):
    """The menu, slid in and at rest (after the loader, or the game-over overlay)."""
    wait_until("the menu", lambda: driver.alive() or in_menu(driver.image()), timeout)
    return settled(driver, "the menu")


def start_game(driver, tag=None):
    """From the menu with the wheel's size selected: a game, its cube dropped in."""
    menu = driver.image()
    tap(driver, "space")
    wait_until("a game after the menu", lambda: changed_fraction(menu, driver.image()) > 0.1)
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


def play_game(driver, tag, rng, first=False):
    """Starts a Small game from the menu, rolls about until a gem is collected (or for a
    while), loses the game and waits for the menu to come back; returns the game's score
    as filed in the state. The first game of a round is also paused and resumed."""
    level = start_game(driver)
    if first:
        driver.image(tag + "_level")
        tap(driver, "Escape")
        wait_until("the pause screen", lambda: changed_fraction(level, driver.image()) > 0.1)
        settled(driver, "the pause screen")
        driver.image(tag + "_pause")
        tap(driver, "Escape")
        wait_until("the game after the pause", lambda: changed_fraction(level, driver.image()) < 0.1)
        driver.alive()

    # The save that files the game is the only one from here on.
    stamp = driver.state_stamp()
    # Rolls onto the floor (the gems of the cube's colour beside it are collected where
    # it comes to rest) until the score moves.
    over = GameOver(driver, tag)
    image = level
    score = score_digits(image)
    for _ in range(40):
        if over(image) or driver.state_stamp() != stamp or score_digits(image) != score:
            break
        keys = rng.sample(ROLL_KEYS, 4)
        image = roll(driver, next((k for k in keys if floor_at(image, k)), keys[0]), image, over)
    end_game(driver, stamp, rng, over)
    check(over.seen, "the game-over overlay was never seen")
    driver.after_save()
    wait_until("the overlay faded", lambda: not game_over_bars(driver.image()), timeout=20)
    wait_for_menu(driver)
    driver.image(tag + "_menu_after")
    top, last = small_tables(state_values(driver.state_text()))
    score = last[0]
    print("%s: score %d, Small top ten %s, last ten %s" % (tag, score, top, last), flush=True)
    check(score >= 0, "negative score filed")
    if score > 0:
        check(score in top, "score %d is missing from the top ten %s" % (score, top))
    return score


class NoScore(Exception):
    """Blind play scored in none of a player's games: nothing to compare, no verdict."""


def scoring_game(driver, tag, rng, others=(), attempts=12):
    """Small games from the menu until one enters the top ten; its score and the number
    of games played. What is new is counted against every player's table: a save merges
    the others' in."""
    for attempt in range(1, attempts + 1):
        before = top_ten(driver)
        for other in others:
            before |= top_ten(other)
        play_game(driver, "%s_game%d" % (tag, attempt), rng)
        new = top_ten(driver) - before
        if new:
            return max(new), attempt
    raise NoScore("%s: no game of %d scored" % (tag, attempts))


def last_scores(scores, games):
    """Of the scores filed one after the other, the ones the last ten games still hold:
    the last always, an earlier one while the later player's games number ten at most."""
    return scores if games[-1] < 10 else scores[-1:]


def change_setting(driver, row):
    """Opens the options from the wheel, steps the volume of `row` (1 sound, 2 music)
    once and closes the box, which saves; waits for that save and the menu."""
    before = driver.state_stamp()
    menu = driver.image()
    press(driver, "Left")
    tap(driver, "space")
    wait_until("the options box", lambda: changed_fraction(menu, driver.image()) > 0.1)
    settled(driver, "the options box sliding in")
    press(driver, *["Down"] * row, "space")
    tap(driver, "Escape")
    try:
        wait_until("a save on closing the options", lambda: driver.state_stamp() != before)
    except Failure:
        driver.image("options_saved_nothing")
        raise
    driver.after_save()
    wait_for_menu(driver)
    press(driver, "Right")  # focus back on the wheel
