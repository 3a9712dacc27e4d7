"""The web page in a browser: one interface, Page, for every page check, and a backend per engine
(cdp: Chromium over the DevTools protocol; bidi: Firefox ESR over WebDriver BiDi; webdriver:
WebKitGTK's MiniBrowser over classic WebDriver). open_page(engine, folder) gives the right one.

A Page serves a folder on a private local HTTP server, as a careful host does (host.py), opens it
in a fresh profile at a fixed size, evaluates JavaScript, sends keys, mouse, wheel and touch as the engine's own input events,
hides the page behind another tab (or blurs it where an engine cannot hide it) and shows it
again, collects console messages and exceptions, runs axe-core, reads the status line and the canvas (test mode:
window.robotscene, see web/js/page.js) and gives a folder its downloads land in. What an engine
cannot do is named in Page.lacks with the reason, so that a test skips it saying why. It always
stops the browser and the server. It judges nothing: the page tests and the web bench use it.

Environment: ROBOTSCENE_ENGINE (the engine a page test runs in, chromium by default), and
ROBOTSCENE_WEB_DIR through base.WEB_DIR.
"""

import base64
import json
import functools
import http.server
import importlib
import io
import os
import re
import shutil
import socket
import subprocess
import tempfile
import threading
from pathlib import Path

from testkit import host
from testkit.base import BUILD_DIR, HarnessError, Managed, keep_temporary, wait_until
from testkit.images import Image

ENGINES = {"chromium": "cdp", "firefox": "bidi", "webkit": "webdriver"}  # engine -> its backend module
AXE = "4.10.3"  # axe-core's version, from npm
# The letters an AZERTY keyboard has away from a US keyboard's place (event.code names the latter):
# keys are typed at AZERTY's places, as the desktop's Xvfb has them.
AZERTY_PLACES = {"a": "KeyQ", "z": "KeyW", "q": "KeyA", "w": "KeyZ", "m": "Semicolon"}
# Key name (as xdotool names it) -> DOM key, DOM code, Windows key code, WebDriver key value.
KEYS = {"Escape": ("Escape", "Escape", 27, "\ue00c"), "Return": ("Enter", "Enter", 13, "\ue007"),
        "space": (" ", "Space", 32, " "), "plus": ("+", "NumpadAdd", 107, "+"), "minus": ("-", "Minus", 189, "-"),
        "Up": ("ArrowUp", "ArrowUp", 38, "\ue013"), "Down": ("ArrowDown", "ArrowDown", 40, "\ue015"),
        "Left": ("ArrowLeft", "ArrowLeft", 37, "\ue012"), "Right": ("ArrowRight", "ArrowRight", 39, "\ue014")}
PROBLEM_KINDS = ("error", "warning", "warn", "exception", "assert")
WHEEL_STEP = 120  # CSS px of one wheel click


def engine_from_environment():
    return os.environ.get("ROBOTSCENE_ENGINE") or "chromium"


def key_fields(name, code=None):
    """DOM key, DOM code, Windows key code and WebDriver value of a key named as xdotool names it,
    at AZERTY's place or at code. WebDriver types a US keyboard: a letter's place is typed as the
    US letter there (the page reads the hand keys by place), any other key as its character."""
    if name in KEYS:
        return KEYS[name]
    code = code or AZERTY_PLACES.get(name, f"Key{name.upper()}")
    typed = code[3:].lower() if re.fullmatch(r"Key[A-Z]", code) else name
    return name, code, ord(name.upper()), typed


def backend(engine):
    """The Page class of that engine."""
    return importlib.import_module(f"testkit.{ENGINES[engine]}").BACKEND


def open_page(engine, root, *size, **options):
    """A Page of that engine (not started: use it in `with`)."""
    return backend(engine)(root, *size, **options)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


HEAD_SCRIPT = "/.testkit-head.js"  # where the server serves Page.head_script


class _QuietHandler(host.QuietHandler):
    # With a head script (a class of its own sets it), every page served loads it first: from its
    # own address, as the page's other scripts, so a content security policy allowing 'self' lets it.
    head_script = None

    def send_head(self):
        path = Path(self.translate_path(self.path))
        if self.head_script is None:
            return super().send_head()
        if self.path.split("?")[0] == HEAD_SCRIPT:
            return self._reply("text/javascript", self.head_script.encode())
        if path.suffix == ".html" and path.is_file():
            return self._reply("text/html", path.read_text().replace(
                "<head>", f'<head><script src="{HEAD_SCRIPT}"></script>', 1).encode())
        return super().send_head()

    def _reply(self, kind, body):
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        return io.BytesIO(body)


class Page(Managed):
    """One page of the scene in one engine: `with open_page(engine, folder) as page:`.

    width, height: the page's size in CSS px; scale: device pixels per CSS px; touch: a touch
    screen (coarse pointer, touch events); webgl2: False to switch WebGL 2 off where the engine
    can (see lacks); query: the page address's query (test, bench or none); handler: how the
    server answers (a host.Handler)."""

    engine = None
    lacks = {}           # what this engine cannot do here -> why
    head_script = None   # a script the server puts first into each page (see webdriver)

    def __init__(self, root, width=1024, height=768, query="test", scale=1, touch=False, webgl2=True,
                 handler=_QuietHandler):
        self.root, self.size, self.query, self.handler = Path(root), (width, height), query, handler
        self.scale, self.touch_screen, self.webgl2 = scale, touch, webgl2
        self.server = self.profile = self.download_dir = None
        self.messages, self.keys_down, self.button_down = [], [], False

    def start(self):
        self.profile = Path(tempfile.mkdtemp(prefix=f"robotscene-{self.engine}-"))
        self.download_dir = self.profile / "downloads"
        self.download_dir.mkdir()
        handler = type("Handler", (self.handler,), {"head_script": self.head_script})
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(handler, directory=str(self.root)))
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.launch()
        self.resize(*self.size)

    def stop(self):
        if self.profile is not None:
            self.quit()
        if self.server is not None:
            self.server.shutdown()
            self.server.server_close()
        if self.profile is not None and not keep_temporary():
            shutil.rmtree(self.profile, ignore_errors=True)
        self.server = self.profile = None

    @classmethod
    def skip(cls, checks, name, capability):
        """True (and the skip printed with its reason) when this engine lacks the capability."""
        if capability not in cls.lacks:
            return False
        checks.skip(f"{name} ({cls.engine})", cls.lacks[capability])
        return True

    # -- what every backend gives ---------------------------------------------------------------
    # launch(), quit(), navigate(url), evaluate(expression) (its value, a promise's awaited, through
    # JSON; an expression, never statements), execute(script) (statements, no value), resize(width, height),
    # hide(), show(), _key(name, down, code), _pointer(kind, x, y) with kind "move", "down" or "up",
    # _wheel(delta, x, y), touch(kind, points), _collect() (console messages into self.messages).

    def url(self, path="index.html"):
        return f"http://127.0.0.1:{self.server.server_address[1]}/{path}" + (f"?{self.query}" if self.query else "")

    def open(self, url=None):
        """Opens the page (or url), in front."""
        self._collect()
        self.keys_down, self.button_down = [], False
        self.navigate(url or self.url())

    def open_gated(self):
        """Opens the page in test mode and waits for its module, no frame drawn yet."""
        self.open()
        self.wait_for(lambda s: s["drawn"] == 0, 60, "the page's module")

    def settle(self):
        """Two animation frames: what the page polls (a pad, the live region) has been seen."""
        self.evaluate("new Promise(done => requestAnimationFrame(() => requestAnimationFrame(done)))")

    def frames(self, count):
        """Lets the gated page draw count more frames, once they are drawn (as program.GatedRun.frames)."""
        drawn = self.evaluate(f"robotscene.allow({count}), robotscene.state().drawn + {count}")
        self.wait_for(lambda s: s["drawn"] >= drawn, 120, "the page's frames")

    def digest_after(self, count):
        """Lets the gated page draw count more frames; the canvas's SHA-256, as base64."""
        self.frames(count)
        return self.evaluate("crypto.subtle.digest('SHA-256', new TextEncoder().encode(robotscene.pixels().rgba))"
                             ".then(d => btoa(String.fromCharCode(...new Uint8Array(d))))")

    def flights(self):
        """The fly-by lines the program printed so far."""
        return [text for text in self.printed() if text.startswith("New falconPosX")]

    def reload(self):
        self.open(self.evaluate("location.href"))

    def status(self):
        """The page's status line as shown, or "" when it is hidden."""
        return self.evaluate("(s => !s || s.hidden ? '' : s.textContent)(document.getElementById('status'))")

    def state(self):
        return self.evaluate("window.robotscene ? robotscene.state() : null")

    def counts(self):
        """Frames drawn, key events handled: as program.GatedRun.counts, for the gated page."""
        state = self.state()
        return state["drawn"], state["events"]

    def wait_for(self, predicate, timeout, what):
        # Polls the page's state; the test's verdicts never hang on the time a step took.
        return self._explained(lambda: wait_until(lambda: (lambda s: s and predicate(s) and s)(self.state()),
                                                  timeout, what))

    def reopen(self, ready):
        """Opens the page again; returns once the expression `ready` holds in the new one (the page
        before answers until the new one is there)."""
        self.evaluate("window.left = true")
        self.open()
        return self._explained(lambda: wait_until(lambda: self.evaluate(f"!window.left && ({ready})"), 60, ready))

    def _explained(self, wait):
        # A wait that runs out also says where the page stopped: what its panel and console say.
        try:
            return wait()
        except HarnessError as error:
            try:
                seen = f"the page shows {self.status()!r}, its console: {self.problems()}"
            except HarnessError as silent:
                seen = f"the page does not answer ({silent})"
            raise HarnessError(f"{error}; {seen}") from None

    def problems(self):
        """Console errors, warnings and exceptions seen so far."""
        self._collect()
        return [f"{kind}: {text}" for kind, text in self.messages if kind in PROBLEM_KINDS]

    def printed(self):
        self._collect()
        return [text for kind, text in self.messages if kind == "log"]

    def clear_messages(self):
        self._collect()
        self.messages.clear()

    def axe(self):
        """axe-core's violations on the page as it is now, each {"id", "impact", ...}. axe-core is
        installed with npm into the build folder at its first use."""
        script = BUILD_DIR / f"axe-core-{AXE}" / "node_modules" / "axe-core" / "axe.min.js"
        npm = ["npm", "install", "--prefix", script.parents[2], f"axe-core@{AXE}"]
        if not script.exists() and subprocess.run(npm).returncode:
            raise HarnessError(f"npm could not fetch axe-core {AXE}: npm registry out of reach? (see npm above)")
        self.execute(script.read_text())
        return self.evaluate("axe.run().then(r => r.violations)")

    def canvas(self):
        """The canvas as the GL layer reads it back (robotscene.pixels()): an images.Image."""
        shot = self.evaluate("robotscene.pixels()")
        return Image.from_rgba(shot["width"], shot["height"], base64.b64decode(shot["rgba"]), bottom_up=True)

    # -- input ----------------------------------------------------------------------------------

    def key(self, name, down=True, up=True, code=None):
        """A key by name, at the place an AZERTY keyboard has it (as the desktop's Xvfb), or at code."""
        if down:
            self._key(name, True, code)
            self.keys_down.append((name, code))
        if up:
            self._key(name, False, code)
            if (name, code) in self.keys_down:
                self.keys_down.remove((name, code))

    def mouse(self, kind, x, y):
        """kind: "move", "down" or "up" (the left button)."""
        self._pointer(kind, x, y)
        self.button_down = kind == "down" or self.button_down and kind == "move"

    def wheel(self, clicks, x=512, y=384):
        # Positive clicks turn the wheel away from the user, as program.ProgramRun.wheel.
        for _ in range(abs(clicks)):
            self._wheel(-WHEEL_STEP if clicks > 0 else WHEEL_STEP, x, y)

    def drag(self, start, end, steps=10, release=True):
        self.mouse("down", *start)
        for point in along(start, end, steps)[1:]:
            self.mouse("move", *point)
        if release:
            self.mouse("up", *end)

    def release_keys(self):
        for name, code in list(self.keys_down):
            self.key(name, down=False, code=code)

    def release_all(self, x, y):
        """Lets go of every key and the button this driver holds down (the page may have let go
        already: it ignores the release of what it does not hold)."""
        self.release_keys()
        if self.button_down:
            self.mouse("up", x, y)


def along(start, end, steps=10):
    """Points from start to end (both included) in steps equal steps, in whole pixels: a drag's or a swipe's path."""
    return [tuple(a + (b - a) * step // steps for a, b in zip(start, end)) for step in range(steps + 1)]


# W3C WebDriver actions, as BiDi and classic WebDriver both take them.

def key_action(name, down, code=None):
    # A source of its own for each key: WebKitGTK loses a key's release, one source having
    # pressed another key meanwhile.
    value = key_fields(name, code)[3]
    return {"type": "key", "id": f"key {value}", "actions": [{"type": "keyDown" if down else "keyUp", "value": value}]}


def pointer_actions(kind, x, y):
    actions = [{"type": "pointerMove", "x": int(x), "y": int(y), "origin": "viewport"}]
    if kind != "move":
        actions.append({"type": "pointerDown" if kind == "down" else "pointerUp", "button": 0})
    return {"type": "pointer", "id": "mouse", "parameters": {"pointerType": "mouse"}, "actions": actions}


def wheel_action(delta, x, y):
    return {"type": "wheel", "id": "wheel", "actions": [{"type": "scroll", "x": int(x), "y": int(y), "deltaX": 0,
                                                         "deltaY": delta, "origin": "viewport"}]}


def touch_actions(kind, points):
    # One source a finger: start puts each down where it is, move moves them, end lifts them.
    def finger(x, y):
        move = [{"type": "pointerMove", "x": int(x), "y": int(y), "origin": "viewport"}]
        return {"start": move + [{"type": "pointerDown", "button": 0}], "move": move,
                "end": [{"type": "pointerUp", "button": 0}]}[kind]
    return [{"type": "pointer", "id": f"finger{number}", "parameters": {"pointerType": "touch"},
             "actions": finger(*point)} for number, point in enumerate(points)]


class SocketCommands:
    """Commands as JSON with an id over one websocket, as the DevTools protocol and WebDriver BiDi
    both send them: the reply is the message with the command's id, and each event that comes
    meanwhile goes to _note. A backend says what in a reply is an error (_error)."""

    def send(self, method, **params):
        self._next_id += 1
        ident = self._next_id
        self.socket.send(json.dumps({"id": ident, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("id") != ident:
                self._note(message)
            elif self._error(message):
                raise HarnessError(f"{method}: {self._error(message)}")
            else:
                return message.get("result", {})

    def _collect(self):
        pass  # noted as they come, with every reply
