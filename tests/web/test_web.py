"""The web page against the desktop program, in one run: both are brought to the same frames
(the desktop through the frame gate preloaded into it, the page through its test mode) and the
same views are compared pixel by pixel: the menu, the default scene, the chase camera, the
tracking camera in wireframe, points, flat shading, debug textures, an orbit drag with the wheel.
Then the page alone: music at the first key and on M, cues, the frame-rate title, glibc's
fly-by on scene frame 841, the canvas following the page, Esc ending the scene, and the page
running without the test's gate. Side-by-side pictures go to <build>/web-compare/.
Environment: ROBOTSCENE_BIN, ROBOTSCENE_FRAME_GATE_LIB (the gate), ROBOTSCENE_WEB_DIR."""

import ctypes
import os
import re
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "web" / "tools"))
import harness  # noqa: E402
from harness import BUILD_DIR, REPO_ROOT, Image, wait_until  # noqa: E402
import browser  # noqa: E402

WEB_DIR = Path(os.environ.get("ROBOTSCENE_WEB_DIR") or REPO_ROOT / "build-web")
OUT_DIR = BUILD_DIR / "web-compare"
BARRIER = "x"  # a key the program ignores: once it is counted, earlier input has been handled
# name, keys (or "drag"), scene frames drawn after them
VIEWS = [("menu", [], 1), ("scene", ["space"], 40), ("chase", ["v"], 1), ("tracking-wireframe", ["v", "t"], 1),
         ("points", ["t"], 1), ("flat", ["t", "y"], 1), ("debug", ["y", "o"], 1),
         ("orbit-drag-wheel", ["v", "drag"], 1)]
FLY_BY_FRAME = 841  # scene frames until the first fly-by, with glibc's rand seeded with 1


class Side:
    # One program, the desktop's or the page's, counting the frames it was let draw and the key
    # events (a press and a release each) it was sent. Both get the same input from here.

    def __init__(self, device):
        self.device, self.drawn, self.keys = device, 0, 0

    def input(self, keys):
        for key in keys:
            if key == "drag":
                self.device.drag((512, 384), (600, 420))
                self.device.wheel(2)
                key = BARRIER
            self.device.key(key)
            self.keys += 2
        wait_until(lambda: self.counts()[1] >= self.keys, 60, f"{type(self).__name__}'s keys")


class Desktop(Side):
    """The real program on Xvfb, gated frame by frame."""

    def __init__(self, run, gate):
        super().__init__(run)
        self.gate = gate

    def counts(self):  # frames drawn, key events handled
        state = Path(f"{self.gate}.state")
        return tuple(map(int, (state.read_text() if state.exists() else "0 0").split()))

    def frames(self, count):
        self.drawn += count
        self.gate.write_text(str(self.drawn))
        wait_until(lambda: self.counts()[0] >= self.drawn, 60, "the desktop's frames")
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

    def frames(self, count):
        self.drawn += count
        self.device.evaluate(f"robotscene.allow({self.drawn} - robotscene.state().drawn)")
        self.device.wait_for(lambda s: s["drawn"] >= self.drawn, 60, "the page's frames")
        return Image(*self.device.pixels())


def glibc_fly_by():
    # The frame of the first fly-by and its path, from glibc's own unseeded rand().
    rand = ctypes.CDLL("libc.so.6").rand
    frame = 1
    while rand() % 10000 > 1:
        frame += 1
    return frame, rand() % 1000 - 500


def compare_views(checks, desktop, web):
    OUT_DIR.mkdir(parents=True, exist_ok=True)
    for name, keys, frames in VIEWS:
        desktop.input(keys)
        web.input(keys)
        mine, theirs = desktop.frames(frames), web.frames(frames)
        harness.write_png(OUT_DIR / f"{name}.png", mine.beside(theirs).reduced(4), level=9)  # for the README
        near32, near16 = (1 - mine.fraction_changed(theirs, tolerance, step=1) for tolerance in (32, 16))
        print(f"view {name}: {near32:.1%} within 32, {near16:.1%} within 16", flush=True)
        lit = [1 - image.fraction_near((0, 0, 0), 40) for image in (mine, theirs)]  # points are sparse
        checks.check(f"{name}: page drawn, not dark", lit[1] > 0 and lit[1] >= lit[0] / 2, lit)
        checks.check(f"{name}: 95 % within 32, 85 % within 16", near32 >= 0.95 and near16 >= 0.85,
                     f"{near32:.1%}, {near16:.1%}")


def page_behaviour(checks, page, web):
    state = page.state()
    checks.check("music starts at the first key press", state["musicStarts"] == 1, state)
    checks.check("cues by the desktop's names", state["cues"].count("view") == 3, state["cues"])
    for starts, playing in ((1, False), (2, True), (2, False)):  # M: off, on again, off
        web.input(["m"])
        web.frames(1)
        checks.check(f"M turns the music {'on' if playing else 'off'}", page.wait_for(
            lambda s: s["musicStarts"] == starts and s["music"] == playing, 30, "the music"))
    title = page.state()["title"]  # the page collapses the blanks of "%4.0f"
    checks.check("frame rate in the page title", re.match(r"^OpenGL project by Quillaverden : \d+ fps$", title), title)
    frame, path = glibc_fly_by()
    checks.check("glibc's first fly-by comes on frame 841", frame == FLY_BY_FRAME, frame)
    scene_frames = web.drawn - 1
    page.send("Emulation.setDeviceMetricsOverride", width=64, height=48, deviceScaleFactor=1, mobile=False)
    web.frames(frame - 1 - scene_frames)  # small canvas: the same frames, drawn faster
    flown = [line for line in page.printed() if line.startswith("New falconPosX")]
    checks.check("no fly-by before its frame", not flown, flown)
    web.frames(1)
    flown = [line for line in page.printed() if line.startswith("New falconPosX")]
    checks.check("the fly-by on its frame, on the desktop's path", flown == [f"New falconPosX : {path}"], flown)
    checks.check("the canvas follows the page's size", page.pixels()[:2] == (64, 48))
    page.key("Escape", up=False)
    page.wait_for(lambda s: s["ended"], 30, "the end")
    page.evaluate("new Promise(done => requestAnimationFrame(() => requestAnimationFrame(done)))")
    ended = page.state()
    checks.check("Esc ends the loop and the music", ended["drawn"] == web.drawn and not ended["music"], ended)
    shown = page.evaluate("document.getElementById('ended').hidden ? '' : document.body.innerText")
    checks.check("the page says how to start again", "Start it again" in shown, shown)
    problems = page.problems()
    checks.check("no console errors, warnings or exceptions", not problems, "\n".join(problems[:10]))


def free_running(checks):
    # Without the test's gate the page runs on its own, as anyone opening it sees it.
    with browser.Page(WEB_DIR, query="bench") as page:
        page.open()
        state = page.wait_for(lambda s: s["drawn"] >= 30 and "fps" in s["title"], 120, "frames on its own")
        checks.check("the page draws on its own", Image(*page.pixels()).fraction_near((0, 0, 0), 40) < 0.995, state)


def body(checks):
    if not (WEB_DIR / "robotscene.wasm").exists():
        raise harness.HarnessError(f"no web build in {WEB_DIR}: run make web")
    gate_lib = os.environ.get("ROBOTSCENE_FRAME_GATE_LIB", str(BUILD_DIR / "tests/web/libframegate.so"))
    with tempfile.TemporaryDirectory() as temp:
        gate = Path(temp) / "gate"
        gate.write_text("1")  # the menu's first frame
        environment = {"ROBOTSCENE_FRAME_GATE": str(gate), "LD_PRELOAD": gate_lib}
        with harness.ProgramRun("web-compare", env=environment) as run, browser.Page(WEB_DIR) as page:
            page.open()
            page.wait_for(lambda s: True, 60, "the page's module")
            desktop, web = Desktop(run, gate), Web(page)
            run.find_window()
            compare_views(checks, desktop, web)
            page_behaviour(checks, page, web)
            harness.check_exit(checks, run)
    free_running(checks)


if __name__ == "__main__":
    harness.run_test(body)
