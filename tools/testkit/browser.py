"""Headless Chromium driving the web page over the DevTools protocol (python3-websocket).

Serves a build directory on a private local HTTP server (as a careful host does: host.py),
opens the page at a fixed size in a fresh profile, evaluates JavaScript, sends keys, the wheel and drags as real input events, hides
the page behind another tab and shows it again, collects console messages and exceptions, reads
the status line, runs axe-core on it, and reads the canvas pixels in test mode (window.robotscene, see
web/js/page.js). It always stops the browser and the server. It judges nothing: the page
tests and the web bench use it.
Environment: ROBOTSCENE_WEB_DIR (through base.WEB_DIR, the folder tests serve).
"""

import base64
import contextlib
import json
import os
import shutil
import signal
import subprocess
import tempfile
import urllib.request
from pathlib import Path

import websocket

from testkit import host
from testkit.base import BUILD_DIR, HarnessError, Managed, wait_until
from testkit.images import Image

FLAGS = ["--headless=new", "--no-sandbox", "--use-gl=angle", "--use-angle=swiftshader",
         "--enable-unsafe-swiftshader", "--remote-debugging-port=0", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--disable-quic", "--mute-audio", "--hide-scrollbars", "--disable-dev-shm-usage"]
AXE = "4.10.3"  # axe-core's version, from npm
# The letters an AZERTY keyboard has away from a US keyboard's place (event.code names the latter).
AZERTY_PLACES = {"a": "KeyQ", "z": "KeyW", "q": "KeyA", "w": "KeyZ", "m": "Semicolon"}
# Key name -> (DOM key, DOM code, Windows key code), for the keys the scene binds.
SPECIAL_KEYS = {"Escape": ("Escape", "Escape", 27), "Return": ("Enter", "Enter", 13),
                "space": (" ", "Space", 32), "plus": ("+", "NumpadAdd", 107),
                "minus": ("-", "Minus", 189), "Up": ("ArrowUp", "ArrowUp", 38)}


class Page(Managed):
    """One page of the scene in headless Chromium: `with Page(folder) as page:`."""

    def __init__(self, root, width=1024, height=768, query="test", chromium="chromium", flags=(),
                 handler=host.QuietHandler):
        self.root, self.size, self.query, self.chromium = Path(root), (width, height), query, chromium
        self.handler = handler
        self.flags, self.other_tab = list(flags), None
        self.server = self.process = self.socket = self.profile = None
        self.messages, self._next_id = [], 0

    def start(self):
        self.server = host.serve(self.root, handler=self.handler)
        self.profile = Path(tempfile.mkdtemp(prefix="robotscene-chromium-"))
        self.process = subprocess.Popen(
            [self.chromium, *FLAGS, *self.flags, f"--user-data-dir={self.profile}",
             f"--window-size={self.size[0]},{self.size[1]}", "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        port_file = self.profile / "DevToolsActivePort"
        wait_until(lambda: self.process.poll() is None and port_file.exists() and port_file.read_text().strip(),
                   60, "Chromium's DevTools port")
        port = int(port_file.read_text().split()[0])
        with urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list", timeout=30) as reply:
            target = next(t for t in json.load(reply) if t["type"] == "page")
        self.socket = websocket.create_connection(target["webSocketDebuggerUrl"], timeout=60,
                                                  suppress_origin=True)
        for domain in ("Runtime", "Log", "Page"):
            self.send(f"{domain}.enable")
        self.send("Emulation.setDeviceMetricsOverride", width=self.size[0], height=self.size[1],
                  deviceScaleFactor=1, mobile=False)

    def url(self, path="index.html"):
        return f"http://127.0.0.1:{self.server.server_address[1]}/{path}" + (f"?{self.query}" if self.query else "")

    def open(self, url=None):
        """Opens the page (or url), in front and focused."""
        self.send("Page.navigate", url=url or self.url())
        self.send("Page.bringToFront")

    def hide(self):
        """Another tab in front: the page loses focus and is hidden."""
        self.other_tab = self.send("Target.createTarget", url="about:blank")["targetId"]

    def show(self):
        self.send("Target.closeTarget", targetId=self.other_tab)
        self.send("Page.bringToFront")

    def status(self):
        """The page's status line as shown, or "" when it is hidden."""
        return self.evaluate("(s => !s || s.hidden ? '' : s.textContent)(document.getElementById('status'))")

    def stop(self):
        if self.socket is not None:
            with contextlib.suppress(Exception):
                self.socket.close()
        if self.process is not None:
            with contextlib.suppress(ProcessLookupError):
                os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait(10)
        if self.server is not None:
            self.server.shutdown()
            self.server.server_close()
        if self.profile is not None:
            shutil.rmtree(self.profile, ignore_errors=True)
        self.socket = self.process = self.server = self.profile = None

    # -- protocol -----------------------------------------------------------------------------

    def send(self, method, **params):
        self._next_id += 1
        ident = self._next_id
        self.socket.send(json.dumps({"id": ident, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("id") == ident:
                if "error" in message:
                    raise HarnessError(f"{method}: {message['error']}")
                return message.get("result", {})
            self._note(message)

    def _note(self, message):
        method, params = message.get("method"), message.get("params", {})
        if method == "Runtime.consoleAPICalled":
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in params.get("args", []))
            self.messages.append((params.get("type"), text))
        elif method == "Runtime.exceptionThrown":
            details = params.get("exceptionDetails", {})
            self.messages.append(("exception", details.get("exception", {}).get("description")
                                  or details.get("text", "")))
        elif method == "Log.entryAdded":
            entry = params.get("entry", {})
            self.messages.append((entry.get("level"), entry.get("text", "")))

    def problems(self):
        """Console errors, warnings and exceptions seen so far."""
        return [f"{kind}: {text}" for kind, text in self.messages
                if kind in ("error", "warning", "warn", "exception", "assert")]

    def printed(self):
        return [text for kind, text in self.messages if kind == "log"]

    def evaluate(self, expression):
        result = self.send("Runtime.evaluate", expression=expression, returnByValue=True, awaitPromise=True)
        if "exceptionDetails" in result:
            raise HarnessError(f"{expression}: {result['exceptionDetails'].get('text')}")
        return result.get("result", {}).get("value")

    def axe(self):
        """axe-core's violations on the page as it is now, each {"id", "impact", ...}. axe-core is
        installed with npm into the build folder at its first use."""
        script = BUILD_DIR / f"axe-core-{AXE}" / "node_modules" / "axe-core" / "axe.min.js"
        npm = ["npm", "install", "--prefix", script.parents[2], f"axe-core@{AXE}"]
        if not script.exists() and subprocess.run(npm).returncode:
            raise HarnessError(f"npm could not fetch axe-core {AXE}: npm registry out of reach? (see npm above)")
        self.evaluate(script.read_text())
        return self.evaluate("axe.run().then(r => r.violations)")

    def state(self):
        return self.evaluate("window.robotscene ? robotscene.state() : null")

    def wait_for(self, predicate, timeout, what):
        # Polls the page's state; the test's verdicts never hang on the time a step took.
        return wait_until(lambda: (lambda s: s and predicate(s) and s)(self.state()), timeout, what)

    # -- input ----------------------------------------------------------------------------------

    def key(self, name, down=True, up=True, code=None):
        """A key by name, in the place an AZERTY keyboard has it (as the desktop's Xvfb), or at code."""
        key, place, number = SPECIAL_KEYS.get(name) or (name, AZERTY_PLACES.get(name, f"Key{name.upper()}"),
                                                        ord(name.upper()))
        code = code or place
        text = key if len(key) == 1 else ""
        if down:
            self.send("Input.dispatchKeyEvent", type="keyDown" if text else "rawKeyDown", key=key, code=code,
                      text=text, windowsVirtualKeyCode=number)
        if up:
            self.send("Input.dispatchKeyEvent", type="keyUp", key=key, code=code, windowsVirtualKeyCode=number)

    def mouse(self, kind, x, y, **extra):
        self.send("Input.dispatchMouseEvent", type=kind, x=x, y=y, **extra)

    def wheel(self, clicks, x=512, y=384):
        # Positive clicks turn the wheel away from the user, as program.ProgramRun.wheel.
        for _ in range(abs(clicks)):
            self.mouse("mouseWheel", x, y, deltaX=0, deltaY=-120 if clicks > 0 else 120)

    def drag(self, start, end, steps=10, release=True):
        self.mouse("mousePressed", *start, button="left", clickCount=1, buttons=1)
        for step in range(1, steps + 1):
            self.mouse("mouseMoved", start[0] + (end[0] - start[0]) * step // steps,
                       start[1] + (end[1] - start[1]) * step // steps, button="left", buttons=1)
        if release:
            self.mouse("mouseReleased", *end, button="left", clickCount=1, buttons=0)

    # -- pictures -------------------------------------------------------------------------------

    def canvas(self):
        """The canvas as the GL layer reads it back (robotscene.pixels()): an images.Image."""
        shot = self.evaluate("robotscene.pixels()")
        return Image.from_rgba(shot["width"], shot["height"], base64.b64decode(shot["rgba"]), bottom_up=True)
