"""The web page in one engine (ROBOTSCENE_ENGINE) against the desktop program, brought to the
same frames (the desktop through the frame gate preloaded into it, the page through its test
mode), view by view pixel by pixel; then the page alone, and last its failures at start-up.
docs/web.md's "Faithful pictures" lists what is checked. The desktop's pictures are rendered once
and kept in <build>/web-reference/ for every engine, until the program, the gate, the images or the
views change. Side-by-side pictures go to <build>/web-compare/<engine>/.
Environment: ROBOTSCENE_ENGINE, ROBOTSCENE_BIN, ROBOTSCENE_FRAME_GATE_LIB (the gate), ROBOTSCENE_WEB_DIR."""

import ctypes
import fcntl
import hashlib
import json
import re
import tempfile
import time
from pathlib import Path

from testkit import browser
from testkit.base import BUILD_DIR, REPO_ROOT, WEB_DIR, HarnessError, wait_until
from testkit.checks import check_exit, run_test
from testkit.images import fraction_over, png_size, read_ppm, write_png, write_ppm
from testkit.program import GATE_LIB, GatedRun, binary_path

ENGINE = browser.engine_from_environment()
OUT_DIR = BUILD_DIR / "web-compare" / ENGINE
REFERENCE_DIR = BUILD_DIR / "web-reference"
# Shares of pixels within 32 and within 16 levels of the desktop's that each view must reach, in every engine.
LEAST32, LEAST16 = 0.99, 0.97
BARRIER = "x"  # a key the program ignores: once it is counted, earlier input has been handled
# name, steps (keys, frames to draw, or an action of Side.ACTIONS, "lose": the page's context),
# frames drawn after them. "leave": the page goes behind another tab and back (or is blurred where the
# engine cannot hide it), the desktop lets go; then the pointer moves on, with no button down.
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
PNG_END = b"IEND\xaeB`\x82"  # the last chunk of a PNG file, with its checksum
PACING = [(5, 30, 10), (40, 5, 5)]  # ms of clock per animation frame, animation frames, redraws


class Side:
    # One program, the desktop's or the page's, counting the frames it was let draw and the key
    # events (a press and a release each) it was sent. Both get the same input from here.

    ACTIONS = ("drag", "drag_hold", "z_down", "up_down", "leave", "lose")  # each followed by the barrier key

    def __init__(self, device):
        self.device, self.keys = device, 0

    def input(self, step):
        if step in self.ACTIONS:
            getattr(self, step)()
            step = BARRIER
        self.device.key(step)
        self.keys += 2
        wait_until(lambda: self.device.counts()[1] >= self.keys, 60, f"{type(self).__name__}'s keys")

    def drag(self):  # the same calls on the desktop's runner and the page; the wheel both ways
        self.device.drag(*DRAG)
        self.device.wheel(3)
        self.device.wheel(-1)


class Desktop(Side):
    """The real program on Xvfb, gated frame by frame (a GatedRun)."""

    def drag_hold(self):  # one motion turns the camera as far as the page's ten
        self.device.point_at(*DRAG[0])
        self.device.xdotool("mousedown", 1)
        self.device.point_at(*DRAG[1])

    def z_down(self):
        self.device.xdotool("keydown", "z")

    up_down = z_down  # the page's Up against the desktop's Z

    def lose(self):
        pass  # only the page has a context to lose

    def leave(self):  # X drops the release of a key or button that is not down
        self.device.xdotool("keyup", "z")
        self.device.xdotool("mouseup", 1)
        self.device.point_at(650, 450)

    def picture(self):
        # The frame's image reaches the X server on the program's own connection: once two
        # pictures agree it has landed (the gate lets no other frame follow).
        shots = [self.device.screenshot("view")]
        while len(shots) < 2 or shots[-1].rgb != shots[-2].rgb and len(shots) < 50:
            shots.append(self.device.screenshot("view"))
        return shots[-1]


class Web(Side):
    def __init__(self, page, checks):
        super().__init__(page)
        self.checks = checks

    def lose(self):
        # Lost between two frames and given back: the page waits, says so, then goes on as it was.
        page, music = self.device, [self.device.state()[k] for k in ("music", "musicStarts")]
        page.evaluate("(loss = canvas.getContext('webgl2').getExtension('WEBGL_lose_context')).loseContext()")
        waiting = page.wait_for(lambda s: s["lost"], 30, "the context lost") and page.status()
        page.evaluate("loss.restoreContext()")
        # Given back: the flag down and the status line clear (the loader may show a note late).
        after = page.wait_for(lambda s: not s["lost"] and page.status() == "", 30, "the context back, the line clear")
        self.checks.check("a lost context waited for and said so; the music untouched", "waiting" in waiting
                          and [after[k] for k in ("music", "musicStarts")] == music, (waiting, music, after))

    def drag_hold(self):
        self.device.drag(*DRAG, release=False)

    def z_down(self):
        self.device.key("z", up=False)

    def up_down(self):
        self.device.key("Up", up=False)

    def leave(self):  # the driver's own keys and button let go too: the page ignores their release
        self.device.hide()
        self.device.show()
        self.device.release_all(650, 450)
        self.device.mouse("move", 650, 450)

    def picture(self):
        return self.device.canvas()


def glibc_fly_by():
    # The frame of the first fly-by and its path, from glibc's own unseeded rand().
    rand = ctypes.CDLL("libc.so.6").rand
    frame = 1
    while rand() % 10000 > 1:
        frame += 1
    return frame, rand() % 1000 - 500


def play(side, steps, frames):
    # The steps of a view on one side.
    for step in steps:
        side.device.frames(step) if isinstance(step, int) else side.input(step)
    side.device.frames(frames)


def reference_key():
    # What the desktop's pictures depend on: the program, the gate, the images and this file (the views).
    digest = hashlib.sha256(Path(__file__).read_bytes())
    for path in [binary_path(), GATE_LIB, *sorted((REPO_ROOT / "textures").iterdir())]:
        digest.update(path.read_bytes())
    return digest.hexdigest()


def reference(checks):
    """The desktop's picture of each view, rendered once and kept for every engine's run (two
    engines' runs at once: one renders, the other waits for it)."""
    REFERENCE_DIR.mkdir(parents=True, exist_ok=True)
    key, kept = reference_key(), REFERENCE_DIR / "key"
    with open(REFERENCE_DIR / "lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if kept.exists() and kept.read_text() == key:
            print(f"desktop reference: the pictures kept in {REFERENCE_DIR}", flush=True)
            return {name: read_ppm(REFERENCE_DIR / f"{name}.ppm") for name, _, _ in VIEWS}
        kept.unlink(missing_ok=True)
        failed, pictures = checks.failed, {}
        with tempfile.TemporaryDirectory() as temp, GatedRun("web-reference", temp) as run:  # the menu's first frame
            desktop = Desktop(run)
            for name, steps, frames in VIEWS:
                play(desktop, steps, frames)
                pictures[name] = desktop.picture()
                write_ppm(REFERENCE_DIR / f"{name}.ppm", pictures[name])
            check_exit(checks, run, "desktop reference: ")
        if checks.failed == failed:  # kept only from a run that passed
            kept.write_text(key)
        return pictures


def compare_views(checks, web, pictures):
    OUT_DIR.mkdir(parents=True, exist_ok=True)
    for name, steps, frames in VIEWS:
        play(web, steps, frames)
        mine, theirs = pictures[name], web.picture()
        write_png(OUT_DIR / f"{name}.png", mine.beside(theirs).reduced(4), level=9)  # for docs/web.md
        differences = mine.differences(theirs, step=1)
        near32, near16 = (1 - fraction_over(differences, tolerance) for tolerance in (32, 16))
        print(f"view {name}: {near32:.1%} within 32, {near16:.1%} within 16", flush=True)
        lit = [1 - image.fraction_near((0, 0, 0), 40) for image in (mine, theirs)]  # points are sparse
        checks.check(f"{name}: page drawn, not dark", lit[1] > 0 and lit[1] >= lit[0] / 2, lit)
        checks.check(f"{name}: {LEAST32:.0%} within 32, {LEAST16:.0%} within 16", near32 >= LEAST32
                     and near16 >= LEAST16, f"{near32:.1%}, {near16:.1%}")


def page_behaviour(checks, page, web):
    state = page.state()
    for name, taken in KEYS:
        event = {"key": name.removeprefix("Ctrl+"), "ctrlKey": name.startswith("Ctrl+"), "bubbles": True,
                 "cancelable": True}
        prevented = page.evaluate(f"['keydown', 'keyup'].map(type => !canvas.dispatchEvent("
                                  f"new KeyboardEvent(type, {json.dumps(event)})))")  # false once prevented
        checks.check(f"{name!r} {'taken from' if taken else 'left to'} the browser", prevented == [taken] * 2,
                     prevented)
    size = page.canvas().size  # taken first: a browser may show its downloads in a bar that shrinks the page
    web.input("p")  # the frame as a PNG download of the canvas's size
    page.frames(1)
    png = wait_until(lambda: [path for path in page.download_dir.glob("robotscene-*.png")  # written whole: a browser
                              if path.read_bytes().endswith(PNG_END)], 30, "the picture's download")[0]  # may name it first
    checks.check("P offers the frame as a PNG download", re.fullmatch(r"robotscene-\d{8}-\d{6}\.png", png.name)
                 and png_size(png.read_bytes()) == size, (png.name, png_size(png.read_bytes()), size))
    for step, frames, redraws in PACING:
        drawn = page.evaluate(f"robotscene.pace({step}, {frames})")
        checks.check(f"{redraws} redraws in {frames} frames of {step} ms", drawn == redraws, drawn)
    views = sum(steps.count("v") for _, steps, _ in VIEWS)
    checks.check("cues by the desktop's names", state["cues"].count("view") == views, state["cues"])
    for starts, playing in ((1, False), (2, True), (2, False)):  # started at the first key; M: off, on, off
        web.input("m")
        page.frames(1)
        if page.skip(checks, f"M turns the music {'on' if playing else 'off'}", "audio"):
            continue
        checks.check(f"M turns the music {'on' if playing else 'off'}", page.wait_for(
            lambda s: s["musicStarts"] == starts and s["music"] == playing, 30, "the music"))
        if playing and not page.skip(checks, "hidden, then shown: the same music on", "hide"):
            page.hide()  # another tab in front: silent meanwhile, the same music after
            page.wait_for(lambda s: s["audio"] == "suspended", 30, "a silent hidden page")
            page.show()
            shown = page.wait_for(lambda s: s["audio"] == "running", 30, "the sound back")
            checks.check("hidden, then shown: the same music on", shown["music"] and shown["musicStarts"] == 2, shown)
    title = page.state()["title"]  # the page collapses the blanks of "%4.0f"
    checks.check("frame rate in the page title", re.match(r"^OpenGL project by Quillaverden : \d+ fps$", title), title)
    frame, path = glibc_fly_by()
    scene_frames = page.state()["drawn"] - 1  # the menu's frame first
    size = page.resize(64, 48)  # or as small as the engine's window goes
    page.frames(frame - 1 - scene_frames)  # small canvas: the same frames, drawn faster
    checks.check("no fly-by before its frame", not page.flights(), page.flights())
    page.frames(1)
    flown = page.flights()
    checks.check("the fly-by on its frame, on the desktop's path", flown == [f"New falconPosX : {path}"], flown)
    checks.check("the canvas follows the page's size", page.canvas().size == size, (page.canvas().size, size))
    drawn = page.state()["drawn"]
    page.key("Escape", up=False)
    page.wait_for(lambda s: s["ended"], 30, "the end")
    page.settle()
    ended = page.state()
    ended["shown"] = page.evaluate("document.getElementById('ended').hidden ? '' : document.body.innerText")
    checks.check("Esc ends the loop and the music, and the page says how to start again",
                 ended["drawn"] == drawn and not ended["music"] and "Start it again" in ended["shown"], ended)
    checks.check("no console errors, warnings or exceptions", not page.problems(), "\n".join(page.problems()[:10]))


def free_running(checks, page):
    # Without the test's gate the page runs on its own, as anyone opening it sees it (an error that
    # stops it: test_host).
    page.query = "bench"
    page.open()
    state = page.wait_for(lambda s: s["drawn"] >= 30 and "fps" in s["title"], 120, "frames on its own")
    checks.check("the page draws on its own", page.canvas().fraction_near((0, 0, 0), 40) < 0.995, state)


def body(checks):
    if not (WEB_DIR / "robotscene.wasm").exists():
        raise HarnessError(f"no web build in {WEB_DIR}: run make web")
    pictures = reference(checks)
    with browser.open_page(ENGINE, WEB_DIR, query="", webgl2=False) as failing:
        # No WebGL 2 (the message's words: test_host): it must stay while the runtime starts after
        # it, so it is looked at after the other checks, 10 s later or more.
        failing.open()
        opened = time.monotonic()
        with browser.open_page(ENGINE, WEB_DIR) as page:
            page.open_gated()
            web = Web(page, checks)
            compare_views(checks, web, pictures)
            page_behaviour(checks, page, web)
            free_running(checks, page)
        time.sleep(max(0.0, opened + 10 - time.monotonic()))
        checks.check("no WebGL 2: still said 10 s later or more, no exception", "WebGL 2" in failing.status()
                     and not failing.problems(), (failing.status(), failing.problems()))
        failing.clear_messages()
        failing.open((WEB_DIR / "index.html").as_uri())
        checks.passes("opened as a file: within 10 s the status line names make web-serve",
                      lambda: wait_until(lambda: "make web-serve" in failing.status(), 10, "make web-serve"))


if __name__ == "__main__":
    run_test(body)
