"""Headless Chromium driven through the DevTools protocol over a pipe: fds 3 (to the
browser) and 4 (from it) carry NUL-terminated JSON messages. Standard library only.
Every console error, uncaught exception and error log entry of the page is collected."""

import fcntl
import json
import os
import shutil
import subprocess
import tempfile
import threading
import time

FLAGS = [
    "--headless=new", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
    # The machine has no network: nothing may try to reach the browser maker's hosts.
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--no-first-run", "--no-default-browser-check", "--mute-audio",
    # Frames keep coming in a page the headless browser does not show.
    "--disable-renderer-backgrounding", "--disable-background-timer-throttling",
    "--autoplay-policy=user-gesture-required",
]


class Chromium:
    def __init__(self, width, height, cpu_compositing=False):
        """cpu_compositing: a desktop-sized page then costs about a quarter less CPU a frame
        (its WebGL still draws through SwiftShader); a phone's page costs more, and a new
        service worker was started only a minute after a reload."""
        self.width, self.height = width, height
        self.flags = FLAGS + (["--disable-gpu-compositing"] if cpu_compositing else [])
        self.profile = tempfile.mkdtemp(prefix="tessory_chromium_")
        self.errors = []
        self.console = []
        self.network = []  # (method, params) of every Network event, from every session
        self._next_id = 0
        self._replies = {}
        self._cond = threading.Condition()
        self.session = None
        self.device_scale = 1

    def __enter__(self):
        to_browser_r, to_browser_w = os.pipe()
        from_browser_r, from_browser_w = os.pipe()
        # Out of the way of 3 and 4, which the child needs as exactly those numbers.
        high = [fcntl.fcntl(fd, fcntl.F_DUPFD, 10) for fd in (to_browser_r, from_browser_w)]
        for fd in (to_browser_r, from_browser_w):
            os.close(fd)

        def wire():
            os.dup2(high[0], 3)
            os.dup2(high[1], 4)

        args = ["chromium", *self.flags, "--remote-debugging-pipe", "--user-data-dir=" + self.profile,
                "--window-size=%d,%d" % (self.width, self.height), "about:blank"]
        if os.geteuid() == 0:
            args.insert(1, "--no-sandbox")
        self.log = open(os.path.join(self.profile, "chromium.log"), "wb")
        self.proc = subprocess.Popen(args, pass_fds=(3, 4), preexec_fn=wire, stdin=subprocess.DEVNULL,
                                     stdout=self.log, stderr=self.log)
        for fd in high:
            os.close(fd)
        self._out = os.fdopen(to_browser_w, "wb", buffering=0)
        self._in = os.fdopen(from_browser_r, "rb", buffering=0)
        threading.Thread(target=self._read, daemon=True).start()
        page = next(t for t in self.call("Target.getTargets")["targetInfos"] if t["type"] == "page")
        self.session = self.call("Target.attachToTarget", targetId=page["targetId"], flatten=True)["sessionId"]
        for domain in ("Runtime", "Log", "Page"):
            self.page(domain + ".enable")
        self.page("Emulation.setDeviceMetricsOverride", width=self.width, height=self.height,
                  deviceScaleFactor=1, mobile=False)
        return self

    def __exit__(self, *exc):
        try:
            self.call("Browser.close", timeout=5)
        except Exception:
            pass
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        self.log.close()
        shutil.rmtree(self.profile, ignore_errors=True)

    def _read(self):
        buffer = b""
        while True:
            chunk = self._in.read(65536)
            if not chunk:
                with self._cond:
                    self._replies[None] = "closed"
                    self._cond.notify_all()
                return
            buffer += chunk
            while b"\0" in buffer:
                raw, buffer = buffer.split(b"\0", 1)
                self._dispatch(json.loads(raw))

    def _dispatch(self, message):
        if "id" in message:
            with self._cond:
                self._replies[message["id"]] = message
                self._cond.notify_all()
            return
        method, params = message.get("method"), message.get("params", {})
        if method == "Target.attachedToTarget" and params["targetInfo"]["type"] == "service_worker":
            # Its own downloads count too; the reply is not waited for on this thread.
            self._send("Network.enable", {}, params["sessionId"])
        elif method.startswith("Network."):
            self.network.append((method, params))
        elif method == "Runtime.consoleAPICalled":
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in params.get("args", []))
            self.console.append((params.get("type"), text))
            if params.get("type") in ("error", "assert"):
                self.errors.append("console.error: " + text)
        elif method == "Runtime.exceptionThrown":
            details = params.get("exceptionDetails", {})
            self.errors.append("exception: " + details.get("exception", {}).get("description", details.get("text", "")))
        elif method == "Log.entryAdded" and params.get("entry", {}).get("level") == "error":
            entry = params["entry"]
            self.errors.append("log: %s %s" % (entry.get("text", ""), entry.get("url", "")))

    def _send(self, method, params, session=None):
        with self._cond:
            self._next_id += 1
            ident = self._next_id
        message = {"id": ident, "method": method, "params": params}
        if session:
            message["sessionId"] = session
        self._out.write(json.dumps(message).encode() + b"\0")
        return ident

    def watch_service_workers(self):
        """Network events of the page's service workers join those of the page."""
        self.call("Target.setAutoAttach", autoAttach=True, waitForDebuggerOnStart=False, flatten=True)

    def call(self, method, timeout=30, session=None, **params):
        ident = self._send(method, params, session)
        deadline = time.monotonic() + timeout
        with self._cond:
            while ident not in self._replies:
                if None in self._replies:
                    raise RuntimeError("the browser closed its pipe during " + method)
                left = deadline - time.monotonic()
                if left <= 0:
                    raise TimeoutError(method)
                self._cond.wait(left)
            reply = self._replies.pop(ident)
        if "error" in reply:
            raise RuntimeError("%s: %s" % (method, reply["error"]))
        return reply.get("result", {})

    def page(self, method, **params):
        return self.call(method, session=self.session, **params)

    def evaluate(self, expression):
        result = self.page("Runtime.evaluate", expression=expression, returnByValue=True, awaitPromise=True)
        if "exceptionDetails" in result:
            raise RuntimeError("evaluate %r: %s" % (expression, result["exceptionDetails"]))
        return result["result"].get("value")

    def screenshot_png(self, clip=None, scale=None):
        """The page, or the `clip` of it (CSS pixels), as a PNG of `scale` pixels per CSS
        pixel (the screen's own pixels when None). Encoded for speed (every row filtered
        "up"): waits take a picture at every look."""
        import base64
        params = dict(format="png", optimizeForSpeed=True)
        if clip or scale:
            x, y, w, h = clip or (0, 0, self.width, self.height)
            params["clip"] = dict(x=x, y=y, width=w, height=h, scale=(scale or self.device_scale) / self.device_scale)
        return base64.b64decode(self.page("Page.captureScreenshot", **params)["data"])

    def phone(self, width, height, portrait=True):
        """A touch screen of width x height CSS pixels at device scale 3."""
        self.width, self.height, self.device_scale = width, height, 3
        self.page("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=3,
                  mobile=True, screenWidth=width, screenHeight=height,
                  screenOrientation={"type": "portraitPrimary" if portrait else "landscapePrimary",
                                     "angle": 0 if portrait else 90})
        self.page("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)

    def touch(self, kind, *points):
        """kind: Start, Move or End; points: (x, y) in CSS pixels of the page."""
        self.page("Input.dispatchTouchEvent", type="touch" + kind,
                  touchPoints=[{"x": x, "y": y, "id": i} for i, (x, y) in enumerate(points)])

    KEYS = {  # DOM key, code and key code; Emscripten's GLFW reads the key code
        "Up": ("ArrowUp", "ArrowUp", 38), "Down": ("ArrowDown", "ArrowDown", 40),
        "Left": ("ArrowLeft", "ArrowLeft", 37), "Right": ("ArrowRight", "ArrowRight", 39),
        "space": (" ", "Space", 32), "Escape": ("Escape", "Escape", 27), "F11": ("F11", "F11", 122),
    }

    def key(self, name, down):
        key, code, keycode = self.KEYS[name]
        params = dict(type="keyDown" if down else "keyUp", key=key, code=code,
                      windowsVirtualKeyCode=keycode, nativeVirtualKeyCode=keycode)
        if down and key == " ":
            params["text"] = " "
        self.page("Input.dispatchKeyEvent", **params)

    def tap(self, name, hold=0.1):
        self.key(name, True)
        time.sleep(hold)
        self.key(name, False)
