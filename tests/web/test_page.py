"""The web page against the desktop program, brought to the same frames (the desktop through
the frame gate preloaded into it, the page through its test mode), view by view pixel by pixel;
then the page alone, and last its failures at start-up. The README's "Faithful pictures" lists
what is checked. Side-by-side pictures go to <build>/web-compare/.
Environment: ROBOTSCENE_BIN, ROBOTSCENE_FRAME_GATE_LIB (the gate), ROBOTSCENE_WEB_DIR."""

import ctypes
import json
import re
import struct
import tempfile
import time
from pathlib import Path

from testkit import browser
from testkit.base import BUILD_DIR, WEB_DIR, HarnessError, wait_until
from testkit.checks import check_exit, run_test
from testkit.images import write_png
from testkit.program import GatedRun

OUT_DIR = BUILD_DIR / "web-compare"
BARRIER = "x"  # a key the program ignores: once it is counted, earlier input has been handled
# name, steps (keys, frames to draw, "lose" the page's context, or an action of Side.ACTIONS),
# frames drawn after them. "leave": the page goes behind another tab and back, the desktop lets go;
# then the pointer moves on, with no button down.
VIEWS = [("menu", [], 1), ("scene", ["space"], 40), ("chase", ["v"], 1), ("tracking-wireframe", ["v", "t"], 1),
         ("points", ["t"], 1), ("flat", ["t", "y"], 1), ("debug", ["y", "o"], 1),
         ("orbit-drag-wheel", ["v", "drag"], 1), ("drive-held-then-left", ["v", "z_down", 10, "leave"], 20),
         ("drag-held-then-left", ["v", "v", "drag_hold", "leave"], 1),
         ("up-held-as-z-then-left", ["up_down", 10, "leave"], 20),  # the page's arrow, the desktop's Z
         ("context-lost-and-restored", [3, "lose"], 5)]
DRAG = ((512, 384), (600, 420))  # pixels in the window
# key dispatched to the canvas, whether the page takes it from the browser (Space twice: the menu
# shown and hidden again)
KEYS = [("F5", False), ("F11", False), ("F12", False), ("Tab", False), ("Ctrl+r", False), ("z", True), (" ", True),
        (" ", True)]
PACING = [(5, 30, 10), (40, 5, 5)]  # ms of clock per animation frame, animation frames, redraws
# page address, what the status line names (a file missing or damaged: test_host.py)
FAILURES = [("index.html", "WebGL 2"), ("file", "make web-serve")]


class Side:
    # One program, the desktop's or the page's, counting the frames it was let draw and the key
    # events (a press and a release each) it was sent. Both get the same input from here.

    ACTIONS = ("drag", "drag_hold", "z_down", "up_down", "leave")  # each followed by the barrier key

    def __init__(self, device):
        self.device, self.drawn, self.keys = device, 0, 0

    def input(self, step):
        if step in self.ACTIONS:
            getattr(self, step)()
            step = BARRIER
        self.device.key(step)
        self.keys += 2
        wait_until(lambda: self.counts()[1] >= self.keys, 60, f"{type(self).__name__}'s keys")

    def drag(self):  # the same calls on the desktop's runner and the page
        self.device.drag(*DRAG)
        self.device.wheel(2)


class Desktop(Side):
    """The real program on Xvfb, gated frame by frame (a GatedRun)."""

    def counts(self):  # frames drawn, key events handled
        return self.device.counts()

    def drag_hold(self):  # one motion turns the camera as far as the page's ten
        self.device.point_at(*DRAG[0])
        self.device.xdotool("mousedown", 1)
        self.device.point_at(*DRAG[1])

    def z_down(self):
        self.device.xdotool("keydown", "z")

    up_down = z_down  # the page's Up against the desktop's Z

    def leave(self):  # X drops the release of a key or button that is not down
        self.device.xdotool("keyup", "z")
        self.device.xdotool("mouseup", 1)
        self.device.point_at(650, 450)

    def frames(self, count):
        self.drawn += count
        self.device.frames(count)

    def picture(self):
        # The frame's image reaches the X server on the program's own connection: once two
        # pictures agree it has landed (the gate lets no other frame follow).
        shots = [self.device.screenshot("view")]
        while len(shots) < 2 or shots[-1].rgb != shots[-2].rgb and len(shots) < 50:
            shots.append(self.device.screenshot("view"))
        return shots[-1]


class Web(Side):
    def counts(self):
        state = self.device.state()
        return state["drawn"], state["events"]

    def drag_hold(self):
        self.device.drag(*DRAG, release=False)

    def z_down(self):
        self.device.key("z", up=False)

    def up_down(self):
        self.device.key("Up", up=False)

    def leave(self):
        self.device.hide()
        self.device.show()
        self.device.mouse("mouseMoved", 650, 450)

    def frames(self, count):
        self.drawn += count
        self.device.evaluate(f"robotscene.allow({self.drawn} - robotscene.state().drawn)")
        self.device.wait_for(lambda s: s["drawn"] >= self.drawn, 60, "the page's frames")

    def picture(self):
        return self.device.canvas()


def glibc_fly_by():
    # The frame of the first fly-by and its path, from glibc's own unseeded rand().
    rand = ctypes.CDLL("libc.so.6").rand
    frame = 1
    while rand() % 10000 > 1:
        frame += 1
    return frame, rand() % 1000 - 500


def lose_context(checks, page):
    # Lost between two frames and given back: the page waits, says so, then goes on as it was.
    music = [page.state()[k] for k in ("music", "musicStarts")]
    page.evaluate("(loss = canvas.getContext('webgl2').getExtension('WEBGL_lose_context')).loseContext()")
    waiting = page.wait_for(lambda s: s["lost"], 30, "the context lost") and page.status()
    page.evaluate("loss.restoreContext()")
    after = page.wait_for(lambda s: not s["lost"], 30, "the context back")
    checks.check("a lost context waited for and said so; the music untouched", "waiting" in waiting
                 and page.status() == "" and [after[k] for k in ("music", "musicStarts")] == music, (waiting, after))


def compare_views(checks, desktop, web):
    OUT_DIR.mkdir(parents=True, exist_ok=True)
    for name, steps, frames in VIEWS:
        for step in steps:
            if step == "lose":
                lose_context(checks, web.device)
                continue
            for side in (desktop, web):
                (side.frames if isinstance(step, int) else side.input)(step)
        desktop.frames(frames)
        web.frames(frames)
        mine, theirs = desktop.picture(), web.picture()
        write_png(OUT_DIR / f"{name}.png", mine.beside(theirs).reduced(4), level=9)  # for the README
        near32, near16 = (1 - mine.fraction_changed(theirs, tolerance, step=1) for tolerance in (32, 16))
        print(f"view {name}: {near32:.1%} within 32, {near16:.1%} within 16", flush=True)
        lit = [1 - image.fraction_near((0, 0, 0), 40) for image in (mine, theirs)]  # points are sparse
        checks.check(f"{name}: page drawn, not dark", lit[1] > 0 and lit[1] >= lit[0] / 2, lit)
        checks.check(f"{name}: 99 % within 32, 97 % within 16", near32 >= 0.99 and near16 >= 0.97,
                     f"{near32:.1%}, {near16:.1%}")


def page_behaviour(checks, page, web):
    state = page.state()
    for name, taken in KEYS:
        event = {"key": name.removeprefix("Ctrl+"), "ctrlKey": name.startswith("Ctrl+"), "bubbles": True,
                 "cancelable": True}
        prevented = page.evaluate(f"['keydown', 'keyup'].map(type => !canvas.dispatchEvent("
                                  f"new KeyboardEvent(type, {json.dumps(event)})))")  # false once prevented
        checks.check(f"{name!r} {'taken from' if taken else 'left to'} the browser", prevented == [taken] * 2,
                     prevented)
    with tempfile.TemporaryDirectory() as saved:  # P: the frame as a PNG download of the canvas's size
        page.send("Browser.setDownloadBehavior", behavior="allow", downloadPath=saved)
        web.input("p")
        web.frames(1)
        png = wait_until(lambda: list(Path(saved).glob("robotscene-*.png")), 30, "the picture's download")[0]
        data = png.read_bytes()
        checks.check("P offers the frame as a PNG download", re.fullmatch(r"robotscene-\d{8}-\d{6}\.png", png.name)
                     and data[:8] == b"\x89PNG\r\n\x1a\n" and struct.unpack(">II", data[16:24]) == page.canvas().size,
                     (png.name, data[:24]))
    for step, frames, redraws in PACING:
        drawn = page.evaluate(f"robotscene.pace({step}, {frames})")
        checks.check(f"{redraws} redraws in {frames} frames of {step} ms", drawn == redraws, drawn)
    web.drawn = page.state()["drawn"]
    views = sum(steps.count("v") for _, steps, _ in VIEWS)
    checks.check("cues by the desktop's names", state["cues"].count("view") == views, state["cues"])
    for starts, playing in ((1, False), (2, True), (2, False)):  # started at the first key; M: off, on, off
        web.input("m")
        web.frames(1)
        checks.check(f"M turns the music {'on' if playing else 'off'}", page.wait_for(
            lambda s: s["musicStarts"] == starts and s["music"] == playing, 30, "the music"))
        if playing:  # another tab in front: silent meanwhile, the same music after
            page.hide()
            page.wait_for(lambda s: s["audio"] == "suspended", 30, "a silent hidden page")
            page.show()
            shown = page.wait_for(lambda s: s["audio"] == "running", 30, "the sound back")
            checks.check("hidden, then shown: the same music on", shown["music"] and shown["musicStarts"] == 2, shown)
    title = page.state()["title"]  # the page collapses the blanks of "%4.0f"
    checks.check("frame rate in the page title", re.match(r"^OpenGL project by Quillaverden : \d+ fps$", title), title)
    frame, path = glibc_fly_by()
    scene_frames = web.drawn - 1
    page.send("Emulation.setDeviceMetricsOverride", width=64, height=48, deviceScaleFactor=1, mobile=False)
    web.frames(frame - 1 - scene_frames)  # small canvas: the same frames, drawn faster
    flown = [line for line in page.printed() if line.startswith("New falconPosX")]
    checks.check("no fly-by before its frame", not flown, flown)
    web.frames(1)
    flown = [line for line in page.printed() if line.startswith("New falconPosX")]
    checks.check("the fly-by on its frame, on the desktop's path", flown == [f"New falconPosX : {path}"], flown)
    checks.check("the canvas follows the page's size", page.canvas().size == (64, 48))
    page.key("Escape", up=False)
    page.wait_for(lambda s: s["ended"], 30, "the end")
    page.evaluate("new Promise(done => requestAnimationFrame(() => requestAnimationFrame(done)))")
    ended = page.state()
    ended["shown"] = page.evaluate("document.getElementById('ended').hidden ? '' : document.body.innerText")
    checks.check("Esc ends the loop and the music, and the page says how to start again",
                 ended["drawn"] == web.drawn and not ended["music"] and "Start it again" in ended["shown"], ended)
    problems = page.problems()
    checks.check("no console errors, warnings or exceptions", not problems, "\n".join(problems[:10]))


def free_running(checks, page):
    # Without the test's gate the page runs on its own, as anyone opening it sees it, until an
    # error stops it and the page says so.
    page.query = "bench"
    page.open()
    state = page.wait_for(lambda s: s["drawn"] >= 30 and "fps" in s["title"], 120, "frames on its own")
    checks.check("the page draws on its own", page.canvas().fraction_near((0, 0, 0), 40) < 0.995, state)
    page.evaluate("setTimeout(() => { throw new Error('injected fault\\nits second line'); })")
    page.wait_for(lambda s: s["ended"], 30, "the scene stopped")
    shown = page.status()
    checks.check("an error stops the scene, in words", shown.startswith("The scene stopped")
                 and "injected fault" in shown and "second line" not in shown, shown)


def start_up_failures(checks):
    # Without WebGL 2, or the page opened as a file.
    with browser.Page(WEB_DIR, query="", flags=["--disable-webgl2"]) as page:
        for address, named in FAILURES:
            page.messages.clear()
            opened = time.monotonic()
            page.open((WEB_DIR / "index.html").as_uri() if address == "file" else page.url(address))
            checks.passes(f"{address}: within 10 s the status line names {named}",
                          lambda: wait_until(lambda: named in page.status(), 10, named))
            if address != "file":  # nothing may replace the message
                time.sleep(max(0.0, opened + 10 - time.monotonic()))
                checks.check("still there 10 s later, no exception", named in page.status() and not page.problems(),
                             (page.status(), page.problems()))


def body(checks):
    if not (WEB_DIR / "robotscene.wasm").exists():
        raise HarnessError(f"no web build in {WEB_DIR}: run make web")
    with tempfile.TemporaryDirectory() as temp:
        with GatedRun("web-compare", temp) as run, browser.Page(WEB_DIR) as page:  # the menu's first frame drawn
            page.open()
            page.wait_for(lambda s: True, 60, "the page's module")
            desktop, web = Desktop(run), Web(page)
            compare_views(checks, desktop, web)
            page_behaviour(checks, page, web)
            check_exit(checks, run)
            free_running(checks, page)
    start_up_failures(checks)


if __name__ == "__main__":
    run_test(body)
