"""The browser build as an installed app, in headless Chromium on a 1280 x 800 laptop
screen (large enough for the largest image tier, half the pixels of 1920 x 1080): Chromium
finds nothing that keeps the page from being installed; the game's full-screen switch
follows the page when the browser leaves full screen; after one visit the page
reaches the menu and starts a game with the network switched off; a second build served
at the same address replaces the whole offline copy at the next online visit. Prints the
bytes the first visit downloaded (DevTools network events).

usage: web_offline.py WEB_DIR
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from cdp import Chromium  # noqa: E402
from web_phone import Phone, downloaded, wait_for_menu  # noqa: E402
from web_play import Server, changed_fraction, fail  # noqa: E402

WIDTH, HEIGHT = 1280, 800
STAMP = os.path.join(HERE, "..", "..", "web", "stamp_build.py")
BUILD = "document.querySelector('meta[name=\"tessory-build\"]').content"
CACHED = ("caches.keys().then(names => Promise.all(names.map(name => caches.open(name)"
          ".then(c => c.keys()).then(keys => [name, keys.map(k => k.url.split('/').pop())]))))")


def wait(browser, what, expression, timeout=60):
    deadline = time.monotonic() + timeout
    while True:
        try:
            value = browser.evaluate(expression)
            if value:
                return value
        except (RuntimeError, TimeoutError):
            pass  # the page is being replaced
        if time.monotonic() > deadline:
            fail("%s: not within %d s" % (what, timeout))
        time.sleep(0.2)


def start_game(phone):
    menu = phone.canvas_image()
    for _ in range(3):  # a page busy with its art may miss a quick key
        phone.b.tap("space")
        if phone.changed("a game", menu):
            break
    changed = changed_fraction(menu, phone.still("the cube dropping in"))
    print("offline: %.0f %% of the picture changed from the menu into a game" % (100 * changed))
    if changed < 0.1:
        fail("no game started offline")


def main():
    web = sys.argv[1]
    if not shutil.which("chromium"):
        print("SKIP: chromium is not installed")
        return
    site = tempfile.mkdtemp(prefix="tessory_site_")
    try:
        shutil.copytree(web, site, dirs_exist_ok=True, ignore=shutil.ignore_patterns("native", "wasm", "*.stamp"))
        server = Server(site)
        with Chromium(WIDTH, HEIGHT) as browser:
            phone = Phone(browser, tempfile.gettempdir())
            browser.page("Network.enable")
            browser.watch_service_workers()
            browser.page("Page.navigate", url=server.url)
            wait_for_menu(phone)
            first = browser.evaluate(BUILD)
            # The largest tier arrives once the canvas needs it; the worker keeps it.
            wait(browser, "the offline copy", "navigator.serviceWorker.controller && " + CACHED +
                 ".then(c => c.length == 1 && c[0][1].includes('tessory-tier4.data'))")
            sizes = downloaded(browser)
            print("desktop visit at %dx%d: %d bytes: %s" % (WIDTH, HEIGHT, sum(sizes.values()), sizes))

            # Full screen left by the browser itself: the game's switch follows, so F11
            # asks for full screen again rather than for the window.
            for step in ("F11", "F11 after the page left full screen"):
                browser.tap("F11")
                wait(browser, step, "document.fullscreenElement === document.getElementById('canvas')", 10)
                browser.evaluate("document.exitFullscreen().then(() => 0)")
                wait(browser, "leaving full screen", "!document.fullscreenElement", 10)
                phone.still("the window-sized canvas")

            errors = browser.page("Page.getInstallabilityErrors")["installabilityErrors"]
            if errors:
                fail("Chromium would not install the page: %s" % errors)
            print("installability errors: none")

            browser.page("Network.emulateNetworkConditions", offline=True, latency=0, downloadThroughput=-1,
                         uploadThroughput=-1)
            browser.page("Page.reload")
            wait_for_menu(phone)
            if browser.evaluate("fetch('not-in-the-build').then(() => 'reached', () => 'offline')") != "offline":
                fail("the network was not off")
            browser.errors = [e for e in browser.errors if "not-in-the-build" not in e]
            start_game(phone)
            print("offline: build %s reached the menu and started a game" % first)

            # A second build at the same address: the program differs by a comment.
            browser.page("Network.emulateNetworkConditions", offline=False, latency=0, downloadThroughput=-1,
                         uploadThroughput=-1)
            with open(os.path.join(site, "tessory.js"), "a") as f:
                f.write("\n// the second build\n")
            second = subprocess.run([sys.executable, STAMP, os.path.join(HERE, "..", "..", "web"), site],
                                    capture_output=True, text=True, check=True).stdout.split()[-1]
            if second == first:
                fail("the second build has the first one's version")
            browser.page("Page.reload")
            wait(browser, "the second build's page", "%s == '%s'" % (BUILD, second))
            cached = wait(browser, "the second build's copy alone", CACHED +
                          ".then(c => c.length == 1 && c[0][0].includes('%s') && c)" % second)
            print("second build %s replaced the copy: %s" % (second, cached))
            wait_for_menu(phone)
            if browser.errors:
                fail("the page logged errors:\n  " + "\n  ".join(browser.errors))
    finally:
        shutil.rmtree(site, ignore_errors=True)
    print("PASS")


if __name__ == "__main__":
    main()
