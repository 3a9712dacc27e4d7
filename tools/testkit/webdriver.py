"""The WebKit backend of browser.Page: WebKitGTK's MiniBrowser (--automation) on a private Xvfb,
driven by WebKitWebDriver over classic WebDriver, in plain HTTP. Input goes in as WebDriver
actions. Classic WebDriver reports no console messages, so the page server puts a small script
first into each page that keeps them (console calls, uncaught errors and rejections; not the
browser's own messages, such as a failed load). What it lacks: hiding the page (a second window
only takes the focus: the page is blurred, never hidden), touch events and a pixel ratio; the
wheel goes in as a DOM event on the canvas, as WebKitGTK's wheel actions come late and merged.
It judges nothing."""

import contextlib
import json
import subprocess
import urllib.error
import urllib.request

from testkit.base import HarnessError, wait_until
from testkit.browser import Page, free_port, key_action, pointer_actions
from testkit.xvfb import Xvfb, die_with_parent, stop_process

MINIBROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
SCREEN = "1400x1000x24"  # the private X server: a 1024 x 768 page fits with MiniBrowser's tool bar
REQUEST_TIMEOUT = 120    # seconds for one WebDriver command (a page load), and for one evaluate
PAGE_LOAD_TIMEOUT = 60   # seconds a navigation waits for the page's load event, then goes on
SCRIPT_TIMEOUT = 30      # seconds for one try of an evaluate: a script the page lost is tried again
# Kept in the page as window.__messages, as [kind, text], the kinds of the other backends.
CONSOLE_HOOK = """(function () {
  var kept = window.__messages = [];
  ['log', 'info', 'warn', 'error', 'debug'].forEach(function (kind) {
    var original = console[kind];
    console[kind] = function () {
      kept.push([kind === 'warn' ? 'warning' : kind, Array.prototype.map.call(arguments, String).join(' ')]);
      return original.apply(console, arguments);
    };
  });
  window.addEventListener('error', function (e) { kept.push(['exception', String(e.error || e.message)]); });
  window.addEventListener('unhandledrejection', function (e) { kept.push(['exception', String(e.reason)]); });
})();
"""
# The expression's value through JSON, as the other backends return values; a throw as an error.
# A navigation can commit after the URL command has returned: the document the script started in
# then goes, and WebKit never answers for it. Leaving, it asks to be tried again in the new one.
EVALUATE = """const done = arguments[arguments.length - 1];
addEventListener('pagehide', () => done({again: true}), {once: true});
(async () => JSON.stringify(await (%s)))().then(value => done({value: value === undefined ? null : value}),
                                                error => done({error: String(error)}));"""


class WebKit(Page):
    engine = "webkit"
    head_script = CONSOLE_HOOK
    lacks = {"hide": "MiniBrowser's second window only takes the focus: the page is blurred, never hidden",
             "touch": "WebKitGTK's WebDriver has no touch input and no pixel ratio to set",
             "accessibility": "classic WebDriver gives an element's role and label, not its description",
             "reduced motion": "WebKitGTK's WebDriver cannot emulate prefers-reduced-motion"}

    def launch(self):
        self.xvfb = self.driver = self.session = self.other_window = None
        self.xvfb = Xvfb(self.profile / "xvfb.log", SCREEN, layout="us")  # WebDriver types a US keyboard
        self.xvfb.start()
        self.port = free_port()
        # Downloads land in the XDG download folder of the profile, made the browser's home.
        (self.profile / ".config").mkdir()
        (self.profile / ".config" / "user-dirs.dirs").write_text('XDG_DOWNLOAD_DIR="$HOME/downloads"\n')
        env = self.xvfb.environment()
        env.update(HOME=str(self.profile), XDG_CONFIG_HOME=str(self.profile / ".config"))
        with open(self.profile / "webdriver.log", "wb") as log:
            self.driver = subprocess.Popen(["WebKitWebDriver", f"--port={self.port}"], env=env, stdin=subprocess.DEVNULL,
                                           stdout=log, stderr=log, start_new_session=True, preexec_fn=die_with_parent)
        wait_until(lambda: self._ready(), 60, "WebKitWebDriver")
        options = {"binary": MINIBROWSER, "args": ["--automation", *([] if self.webgl2 else ["--enable-webgl=false"])]}
        self.session = "/session/" + self.request("POST", "/session", {"capabilities": {"alwaysMatch": {
            "pageLoadStrategy": "normal", "webkitgtk:browserOptions": options}}})["sessionId"]
        self.request("POST", self.session + "/timeouts", {"script": SCRIPT_TIMEOUT * 1000, "pageLoad": PAGE_LOAD_TIMEOUT * 1000})
        self.window = self.request("GET", self.session + "/window")

    def _ready(self):
        if self.driver.poll() is not None:
            raise HarnessError("WebKitWebDriver ended:\n" + (self.profile / "webdriver.log").read_text(errors="replace"))
        with contextlib.suppress(OSError):
            return self.request("GET", "/status").get("ready")

    def request(self, method, path, body=None):
        """One WebDriver command; its value."""
        data = None if body is None else json.dumps(body).encode()
        request = urllib.request.Request(f"http://127.0.0.1:{self.port}{path}", data=data, method=method,
                                         headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(request, timeout=REQUEST_TIMEOUT) as reply:
                return json.load(reply)["value"]
        except urllib.error.HTTPError as error:
            raise HarnessError(f"{method} {path}: {error.read().decode(errors='replace')[:500]}") from None

    def quit(self):
        if self.session is not None:
            with contextlib.suppress(Exception):
                self.request("DELETE", self.session)
        stop_process(self.driver, 5)
        if self.xvfb is not None:
            self.xvfb.stop()
        self.session = self.driver = self.xvfb = None

    def _collect(self):
        with contextlib.suppress(HarnessError):
            self.messages += self.evaluate("window.__messages ? __messages.splice(0) : []") or []

    def navigate(self, url):
        # Returns once the page has loaded: a script sent while the page still loads is sometimes
        # never answered by WebKitWebDriver (seen on a loaded machine, about one load in three).
        # A page whose load never ends (a failure under test) is left as it is after the timeout.
        try:
            self.request("POST", self.session + "/url", {"url": url})
        except HarnessError as error:
            if "timeout" not in str(error):
                raise

    def evaluate(self, expression):
        result = wait_until(lambda: self._try_evaluate(expression), REQUEST_TIMEOUT, expression[:200])
        if "error" in result:
            raise HarnessError(f"{expression[:200]}: {result['error']}")
        return json.loads(result["value"]) if result["value"] is not None else None

    def _try_evaluate(self, expression):
        """The script's answer, or None when it was lost (its page left, or it never answered)."""
        try:
            result = self.request("POST", self.session + "/execute/async", {"script": EVALUATE % expression, "args": []})
        except HarnessError as error:
            if "timeout" in str(error):
                return None
            raise
        return None if result.get("again") else result

    def execute(self, script):
        self.request("POST", self.session + "/execute/sync", {"script": script, "args": []})

    def resize(self, width, height):
        # The window holds the tool bar too, whose height is known only once it is shown, and a
        # new size reaches the page a little later: sized by what the page got until it fits.
        def fits():
            inner = self.evaluate("[innerWidth, innerHeight, outerWidth, outerHeight]")
            if inner[:2] == [width, height]:
                return True
            self.request("POST", self.session + "/window/rect", {
                "width": width + inner[2] - inner[0], "height": height + inner[3] - inner[1]})
            return False
        with contextlib.suppress(HarnessError):  # as small as the engine's window goes, at most
            wait_until(fits, 5, f"a page of {width} x {height}", interval=0.2)
        return tuple(self.evaluate("[innerWidth, innerHeight]"))

    def hide(self):
        """A second window takes the focus: the page is blurred (not hidden: see lacks)."""
        self.other_window = self.request("POST", self.session + "/window/new", {"type": "tab"})["handle"]
        self.request("POST", self.session + "/window", {"handle": self.other_window})

    def show(self):
        self.request("DELETE", self.session + "/window")
        self.request("POST", self.session + "/window", {"handle": self.window})

    def perform(self, *sources):
        self.request("POST", self.session + "/actions", {"actions": list(sources)})

    def _key(self, name, down, code=None):
        self.perform(key_action(name, down, code))

    def _pointer(self, kind, x, y):
        self.perform(pointer_actions(kind, x, y))

    def _wheel(self, delta, x, y):
        # WebKitGTK's wheel actions arrive late, merged, even turned: the page's canvas gets the
        # DOM event itself, as the touch controls give it theirs.
        self.evaluate(f"canvas.dispatchEvent(new WheelEvent('wheel', {{deltaY: {delta}, clientX: {x}, clientY: {y}, "
                      "bubbles: true, cancelable: true}))")

    def touch(self, kind, points):
        raise HarnessError(self.lacks["touch"])


BACKEND = WebKit
