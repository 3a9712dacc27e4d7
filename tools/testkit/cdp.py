"""The Chromium backend of browser.Page: headless Chromium (SwiftShader's WebGL) driven over the
DevTools protocol with python3-websocket. Input goes in as the browser's own input events, the
page is hidden behind a second tab, touch and the pixel ratio are emulated. It lacks nothing the
page checks need. It judges nothing."""

import contextlib
import json
import os
import signal
import subprocess
import urllib.request

import websocket

from testkit.base import HarnessError, wait_until
from testkit.browser import Page, SocketCommands, key_fields

FLAGS = ["--headless=new", "--no-sandbox", "--use-gl=angle", "--use-angle=swiftshader",
         "--enable-unsafe-swiftshader", "--remote-debugging-port=0", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--disable-quic", "--mute-audio", "--hide-scrollbars", "--disable-dev-shm-usage"]
POINTER_EVENTS = {"move": "mouseMoved", "down": "mousePressed", "up": "mouseReleased"}
TOUCH_EVENTS = {"start": "touchStart", "move": "touchMove", "end": "touchEnd"}


class Chromium(SocketCommands, Page):
    engine = "chromium"

    def launch(self):
        self.process, self.socket, self.other_tab, self._next_id = None, None, None, 0
        self.process = subprocess.Popen(
            ["chromium", *FLAGS, *([] if self.webgl2 else ["--disable-webgl2"]), f"--user-data-dir={self.profile}",
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
        self.send("Browser.setDownloadBehavior", behavior="allow", downloadPath=str(self.download_dir))
        if self.touch_screen:
            self.send("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)

    def quit(self):
        if self.socket is not None:
            with contextlib.suppress(Exception):
                self.socket.close()
        if self.process is not None:
            with contextlib.suppress(ProcessLookupError):
                os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait(10)
        self.socket = self.process = None

    @staticmethod
    def _error(message):
        return message.get("error")

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

    def navigate(self, url):
        self.send("Page.navigate", url=url)
        self.send("Page.bringToFront")

    def evaluate(self, expression):
        # An expression, as the other backends take it: a statement fails here too.
        result = self.send("Runtime.evaluate", expression=f"({expression}\n)", returnByValue=True, awaitPromise=True)
        if "exceptionDetails" in result:
            raise HarnessError(f"{expression[:200]}: {result['exceptionDetails'].get('text')}")
        return result.get("result", {}).get("value")

    def execute(self, script):
        result = self.send("Runtime.evaluate", expression=script)
        if "exceptionDetails" in result:
            raise HarnessError(f"script: {result['exceptionDetails'].get('text')}")

    def resize(self, width, height):
        self.send("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=self.scale,
                  mobile=self.touch_screen)
        return width, height

    def hide(self):
        """Another tab in front: the page loses focus and is hidden."""
        self.other_tab = self.send("Target.createTarget", url="about:blank")["targetId"]

    def show(self):
        self.send("Target.closeTarget", targetId=self.other_tab)
        self.send("Page.bringToFront")

    def _key(self, name, down, code=None):
        key, code, number, _ = key_fields(name, code)
        text = key if len(key) == 1 else ""
        if down:
            self.send("Input.dispatchKeyEvent", type="keyDown" if text else "rawKeyDown", key=key, code=code,
                      text=text, windowsVirtualKeyCode=number)
        else:
            self.send("Input.dispatchKeyEvent", type="keyUp", key=key, code=code, windowsVirtualKeyCode=number)

    def _pointer(self, kind, x, y):
        held = kind == "down" or kind == "move" and self.button_down
        extra = dict(clickCount=1) if kind != "move" else {}
        self.send("Input.dispatchMouseEvent", type=POINTER_EVENTS[kind], x=x, y=y,
                  button="left" if held or kind == "up" else "none", buttons=1 if held else 0, **extra)

    def _wheel(self, delta, x, y):
        self.send("Input.dispatchMouseEvent", type="mouseWheel", x=x, y=y, deltaX=0, deltaY=delta)

    def accessible(self, selector):
        """Role, name and description of the element as the accessibility tree gives them."""
        node = self.send("DOM.querySelector", nodeId=self.send("DOM.getDocument")["root"]["nodeId"], selector=selector)
        tree = self.send("Accessibility.getPartialAXTree", nodeId=node["nodeId"], fetchRelatives=False)["nodes"][0]
        return tuple(tree.get(k, {}).get("value", "") for k in ("role", "name", "description"))

    def reduce_motion(self):
        """prefers-reduced-motion: reduce, from the next page opened."""
        self.send("Emulation.setEmulatedMedia", features=[{"name": "prefers-reduced-motion", "value": "reduce"}])

    def touch(self, kind, points):
        """kind "start", "move" or "end" (every finger lifted); points: (x, y) of each finger."""
        self.send("Input.dispatchTouchEvent", type=TOUCH_EVENTS[kind], touchPoints=[dict(x=x, y=y) for x, y in points])


BACKEND = Chromium
