"""The Firefox backend of browser.Page: Firefox ESR with a window on a private Xvfb (it has no
WebGL in true headless mode; webgl.force-enabled gives WebGL 2 on llvmpipe), driven over the
WebDriver BiDi it speaks itself (--remote-debugging-port; python3-websocket, no geckodriver).
Input goes in as WebDriver actions; the page is hidden behind a second tab; touch screens are
stood in for by prefs (touch events on, a coarse primary pointer) and the pixel ratio by the
viewport's. What it lacks: sound (no audio device, so the audio context never runs), and
pointer events for a second finger (touch events come for every finger).
It judges nothing."""

import contextlib
import json
import re
import subprocess

import websocket

from testkit.base import HarnessError, wait_until
from testkit.browser import Page, SocketCommands, key_action, pointer_actions, touch_actions, wheel_action
from testkit.xvfb import Xvfb, die_with_parent, stop_process

START_TIMEOUT = 60  # seconds for Firefox to listen for BiDi
SCREEN = "1400x1000x24"  # the private X server: a 1024 x 768 viewport fits with the browser's frame


def prefs(page):
    values = {"webgl.force-enabled": True, "webgl.enable-webgl2": page.webgl2, "remote.active-protocols": 1,
              "browser.download.dir": str(page.download_dir), "browser.download.folderList": 2,
              "browser.download.useDownloadDir": True, "browser.download.always_ask_before_handling_new_types": False,
              "browser.shell.checkDefaultBrowser": False, "datareporting.policy.dataSubmissionEnabled": False,
              "browser.aboutwelcome.enabled": False, "toolkit.telemetry.reportingpolicy.firstRun": False}
    if page.touch_screen:
        values.update({"dom.w3c_touch_events.enabled": 1, "ui.primaryPointerCapabilities": 1})
    return "".join(f"user_pref({json.dumps(name)}, {json.dumps(value)});\n" for name, value in values.items())


class Firefox(SocketCommands, Page):
    engine = "firefox"
    lacks = {"audio": "Firefox finds no audio device here: its audio context never runs",
             "accessibility": "WebDriver BiDi gives no accessibility tree",
             "reduced motion": "Firefox's prefers-reduced-motion is a pref read at its start, not set over WebDriver BiDi",
             "fingers": "Firefox gives pointer events to the first finger of WebDriver's touches only, so no two "
                        "on-screen controls are held at once"}

    def launch(self):
        self.xvfb, self.process, self.socket, self.other_tab, self._next_id, self.fingers = None, None, None, None, 0, []
        self.xvfb = Xvfb(self.profile / "xvfb.log", SCREEN, layout="us")  # WebDriver types a US keyboard
        self.xvfb.start()
        (self.profile / "user.js").write_text(prefs(self))
        with open(self.profile / "firefox.log", "wb") as log:
            self.process = subprocess.Popen(
                ["firefox-esr", "--remote-debugging-port=0", "--profile", str(self.profile), "--no-remote",
                 "--new-instance", "about:blank"], env=self.xvfb.environment(), stdin=subprocess.DEVNULL,
                stdout=log, stderr=log, start_new_session=True, preexec_fn=die_with_parent)
        self.socket = websocket.create_connection(self._address() + "/session", timeout=60, suppress_origin=True)
        self.send("session.new", capabilities={})
        self.context = self.send("browsingContext.getTree")["contexts"][0]["context"]
        self.send("session.subscribe", events=["log.entryAdded"])

    def _address(self):
        # Firefox says where it listens in its log, once it does.
        log = self.profile / "firefox.log"
        found = wait_until(lambda: self.process.poll() is None and re.search(
            rb"WebDriver BiDi listening on (ws://\S+)", log.read_bytes()) or self.process.poll() is not None,
            START_TIMEOUT, "Firefox's WebDriver BiDi")
        if found is True:
            raise HarnessError("Firefox ended at start:\n" + log.read_text(errors="replace")[-2000:])
        return found.group(1).decode()

    def quit(self):
        if self.socket is not None:
            with contextlib.suppress(Exception):
                self.socket.close()
        stop_process(self.process, 5)
        if self.xvfb is not None:
            self.xvfb.stop()
        self.socket = self.process = self.xvfb = None

    @staticmethod
    def _error(message):
        return message.get("type") == "error" and f"{message.get('error')}: {message.get('message')}"

    def _note(self, message):
        if message.get("method") == "log.entryAdded":
            entry = message["params"]
            kind = entry.get("method", "log") if entry.get("type") == "console" else "exception"
            self.messages.append(("warning" if kind == "warn" else kind, entry.get("text", "")))

    def navigate(self, url):
        self.send("browsingContext.navigate", context=self.context, url=url, wait="interactive")

    def evaluate(self, expression):
        # Through JSON, as the other backends return values: plain lists and dictionaries.
        result = self.send("script.evaluate", expression=f"(async () => JSON.stringify(await ({expression})))()",
                           target={"context": self.context}, awaitPromise=True)
        if result.get("type") == "exception":
            raise HarnessError(f"{expression[:200]}: {result['exceptionDetails'].get('text')}")
        value = result["result"]
        return json.loads(value["value"]) if value.get("type") == "string" else None

    def execute(self, script):
        result = self.send("script.evaluate", expression=script, target={"context": self.context}, awaitPromise=False)
        if result.get("type") == "exception":
            raise HarnessError(f"script: {result['exceptionDetails'].get('text')}")

    def resize(self, width, height):
        self.send("browsingContext.setViewport", context=self.context, viewport={"width": width, "height": height},
                  devicePixelRatio=self.scale)
        return width, height

    def hide(self):
        self.other_tab = self.send("browsingContext.create", type="tab")["context"]

    def show(self):
        self.send("browsingContext.close", context=self.other_tab)
        self.send("browsingContext.activate", context=self.context)

    def perform(self, *sources):
        self.send("input.performActions", context=self.context, actions=list(sources))

    def _key(self, name, down, code=None):
        self.perform(key_action(name, down, code))

    def _pointer(self, kind, x, y):
        self.perform(pointer_actions(kind, x, y))

    def _wheel(self, delta, x, y):
        self.perform(wheel_action(delta, x, y))

    def touch(self, kind, points):
        """kind "start", "move" or "end" (every finger lifted); points: (x, y) of each finger."""
        if kind == "end":
            points = self.fingers
        self.fingers = points
        self.perform(*touch_actions(kind, points))


BACKEND = Firefox
