"""The page on touch screens (web/js/touch.js), headless Chromium as a 390 x 844 phone: gestures and controls draw
what their keys or mouse draw, no swipe navigates, the controls are named buttons of 44 CSS px+, touch screens only."""
# axe-core, at a pinned version from the npm registry, checks the phone and desktop views for serious faults.

import base64
import os
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "web" / "tools"))
import harness  # noqa: E402
import browser  # noqa: E402

WEB_DIR = Path(os.environ.get("ROBOTSCENE_WEB_DIR") or harness.REPO_ROOT / "build-web")
HELD, AXE, SERIOUS = 20, "4.10.3", ("serious", "critical")  # frames the pad is held; axe-core's version (npm)
LABELS = {"Show or hide the menu", "Reset the robot", "Next camera", "Hologram on or off", "Head sweep on or off",
          "Music on or off", "Full screen", "Drive forward", "Drive backward", "Turn left", "Turn right",
          "Turn the head left", "Turn the head right"}
# CSS px: a swipe across the canvas between the controls; two fingers spread by 100, 2 wheel steps of 40 in touch.js.
SWIPE, PINCH = ((30, 420), (360, 450)), [((175, 420), (125, 420)), ((215, 420), (265, 420))]
BOXES = ("Object.fromEntries([...document.querySelectorAll('button[aria-label]')].filter(b => b.offsetParent).map(b => "
         "(r => [b.ariaLabel, [r.x + r.width / 2, r.y + r.height / 2, r.width, r.height]])(b.getClientRects()[0])))")


def touch(page, kind, *points):
    page.send("Input.dispatchTouchEvent", type=kind, touchPoints=[dict(x=x, y=y) for x, y in points])


def slide(page, *paths, steps=10):  # each finger along its path, as browser.Page.drag moves the mouse
    for step in range(steps + 1):
        touch(page, "touchMove" if step else "touchStart",
              *((a[0] + (b[0] - a[0]) * step // steps, a[1] + (b[1] - a[1]) * step // steps) for a, b in paths))
    touch(page, "touchEnd")


def press(page, *labels):
    touch(page, "touchStart", *(page.evaluate(BOXES)[label][:2] for label in labels))


# What is checked, by touch, by keys or mouse, frames drawn next (the pad and the keys held through them).
STEPS = [("the menu button hides the menu as Space", lambda p: (press(p, "Show or hide the menu"),
                                                                touch(p, "touchEnd")), lambda p: p.key("space"), 1),
         ("a one-finger swipe orbits as a left-button drag", lambda p: slide(p, SWIPE), lambda p: p.drag(*SWIPE), 1),
         ("a pinch-out zooms as 2 wheel steps", lambda p: slide(p, *PINCH), lambda p: p.wheel(2, 195, 420), 1),
         ("the forward pad held as Z", lambda p: press(p, "Drive forward"), lambda p: p.key("z", up=False), HELD),
         ("forward and left held as Z and Q", lambda p: press(p, "Drive forward", "Turn left"),
          lambda p: (p.key("z", up=False), p.key("q", up=False)), HELD)]


def frames(page, count):  # the picture's digest once they are drawn
    drawn = page.state()["drawn"] + count
    page.evaluate(f"robotscene.allow({count})")
    page.wait_for(lambda s: s["drawn"] >= drawn, 60, "the page's frames")
    return page.evaluate("crypto.subtle.digest('SHA-256', new TextEncoder().encode(robotscene.pixels().rgba))"
                         ".then(d => btoa(String.fromCharCode(...new Uint8Array(d))))")


def phone(page, width, height, name):  # the phone's size from the next frame on; its picture in <build>/web-touch-*.png
    page.send("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=3, mobile=True)
    frames(page, 1)
    shot = page.send("Page.captureScreenshot", clip=dict(x=0, y=0, width=width, height=height, scale=1 / 3))
    (harness.BUILD_DIR / f"web-touch-{name}.png").write_bytes(base64.b64decode(shot["data"]))


def axe(checks, page, view):
    script = harness.BUILD_DIR / f"axe-core-{AXE}" / "node_modules" / "axe-core" / "axe.min.js"
    if not script.exists():
        npm = subprocess.run(["npm", "install", "--prefix", script.parents[2], "--no-audit", f"axe-core@{AXE}"],
                             capture_output=True, text=True, timeout=600)
        if npm.returncode:
            raise harness.HarnessError(f"npm could not fetch axe-core {AXE}: no npm registry?\n{npm.stderr}")
    page.evaluate(script.read_text())
    bad = [v["id"] for v in page.evaluate("axe.run().then(found => found.violations)") if v["impact"] in SERIOUS]
    checks.check(f"{view}: axe-core {AXE} finds no serious or critical violation", not bad, bad)


def run(checks, page, by_touch):  # the pictures after each step
    page.open()
    page.wait_for(lambda s: s["drawn"] == 0, 60, "the page's module")
    phone(page, 390, 844, "phone-menu")
    pictures, where = [frames(page, 0)], page.evaluate("[location.href, history.length]")
    for _, by_touching, by_keys, count in STEPS:
        (by_touching if by_touch else by_keys)(page)
        pictures.append(frames(page, count))
        if count == HELD:
            touch(page, "touchEnd") if by_touch else [page.key(key, down=False) for key in "zq"]
    if by_touch:
        checks.check("the swipe kept address and history", page.evaluate("[location.href, history.length]") == where)
        sizes = {name: box[2:] for name, box in page.evaluate(BOXES).items()}
        checks.check("the controls: buttons named for their action, 44 CSS px or more",
                     set(sizes) == LABELS and min(map(min, sizes.values())) >= 44, sizes)
        axe(checks, page, "phone")
    return pictures


def body(checks):
    with browser.Page(WEB_DIR, 390, 844) as page:
        page.send("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)
        touched, keyed = run(checks, page, True), run(checks, page, False)
        page.key("Return")  # the default view, for the picture
        phone(page, 844, 390, "phone-sideways")
    for step, (name, *_) in enumerate(STEPS, 1):
        checks.check(name, touched[step] == keyed[step] != keyed[step - 1], "another picture, or no change")
    with browser.Page(WEB_DIR) as page:
        page.open()
        page.wait_for(lambda s: True, 60, "the page's module")
        checks.check("desktop: no control shown", page.evaluate(BOXES) == {})
        axe(checks, page, "desktop")


if __name__ == "__main__":
    harness.run_test(body)
