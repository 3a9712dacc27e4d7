"""The page on touch screens (web/js/touch.js) in headless Chromium. On a phone (390 x 844 CSS px,
pixel ratio 3, touch emulated) each gesture and control gives the same frame-gated picture as
the keys and mouse it stands for, and another than the step before: the menu button as Space, a
one-finger swipe as a left-button drag, a pinch as wheel steps, the drive pad held as Z, then Z
and Q. The swipe navigates nowhere; the controls are buttons named for their action, at least
44 CSS px, shown on touch screens only; axe-core finds no serious or critical violation on the
phone or the desktop. Pictures of the phone upright and sideways go to <build>/web-touch/.
Environment: ROBOTSCENE_WEB_DIR, ROBOTSCENE_BUILD_DIR."""

import base64
import json
import os
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "web" / "tools"))
import harness  # noqa: E402
from harness import BUILD_DIR, REPO_ROOT  # noqa: E402
import browser  # noqa: E402

WEB_DIR = Path(os.environ.get("ROBOTSCENE_WEB_DIR") or REPO_ROOT / "build-web")
OUT_DIR = BUILD_DIR / "web-touch"
AXE_VERSION = "4.10.3"  # from the npm registry into the build tree, at the first run
LABELS = ["Show or hide the menu", "Reset the robot", "Next camera", "Hologram on or off", "Head sweep on or off",
          "Music on or off", "Full screen", "Drive forward", "Drive backward", "Turn left", "Turn right",
          "Turn the head left", "Turn the head right"]
PHONE, SIDEWAYS = (390, 844), (844, 390)  # CSS px
SWIPE = ((30, 420), (360, 450))  # across the canvas, between the controls
CENTRE = (195, 420)
PINCH = [((CENTRE[0] - 20, CENTRE[1]), (CENTRE[0] - 70, CENTRE[1])),  # spread by 100: two steps of 40 in touch.js
         ((CENTRE[0] + 20, CENTRE[1]), (CENTRE[0] + 70, CENTRE[1]))]
HELD = 20  # frames
DIGEST = ("crypto.subtle.digest('SHA-256', new TextEncoder().encode(robotscene.pixels().rgba))"
          ".then(d => btoa(String.fromCharCode(...new Uint8Array(d))))")


def touch(page, kind, points):
    page.send("Input.dispatchTouchEvent", type=kind, touchPoints=[{"x": x, "y": y, "id": i} for i, (x, y) in enumerate(points)])


def slide(page, paths, steps=10):  # fingers from start to end together, as browser.Page.drag moves the mouse
    for step in range(steps + 1):
        touch(page, "touchMove" if step else "touchStart",
              [(a[0] + (b[0] - a[0]) * step // steps, a[1] + (b[1] - a[1]) * step // steps) for a, b in paths])
    touch(page, "touchEnd", [])


def boxes(page):
    return page.evaluate("Object.fromEntries([...document.querySelectorAll('button[aria-label]')].filter(b => "
                         "b.checkVisibility()).map(b => [b.getAttribute('aria-label'), b.getBoundingClientRect().toJSON()]))")


def press(page, *labels):
    found = boxes(page)
    touch(page, "touchStart", [(found[n]["x"] + found[n]["width"] / 2, found[n]["y"] + found[n]["height"] / 2) for n in labels])


# What is checked, by touch, by the keys and the mouse, the frames drawn next (the last two hold on through them).
STEPS = [("the menu button hides the menu as Space", lambda p: (press(p, LABELS[0]), touch(p, "touchEnd", [])),
          lambda p: p.key("space"), 1),
         ("a one-finger swipe orbits as a left-button drag", lambda p: slide(p, [SWIPE]), lambda p: p.drag(*SWIPE), 1),
         ("spreading two fingers by 100 CSS px zooms as 2 wheel steps", lambda p: slide(p, PINCH),
          lambda p: p.wheel(2, *CENTRE), 1),
         ("the forward pad held drives as Z", lambda p: press(p, "Drive forward"), lambda p: p.key("z", up=False), HELD),
         ("forward and left held together as Z and Q", lambda p: press(p, "Drive forward", "Turn left"),
          lambda p: (p.key("z", up=False), p.key("q", up=False)), HELD)]


def frames(page, count):
    drawn = page.state()["drawn"] + count
    page.evaluate(f"robotscene.allow({count})")
    page.wait_for(lambda s: s["drawn"] >= drawn, 60, "the page's frames")
    return page.evaluate(DIGEST)


def picture(page, name, size):
    shot = page.send("Page.captureScreenshot", format="png", clip={"x": 0, "y": 0, "width": size[0],
                                                                      "height": size[1], "scale": 1 / 3})
    (OUT_DIR / f"{name}.png").write_bytes(base64.b64decode(shot["data"]))


def controls(checks, page, view):
    found = boxes(page)
    checks.check(f"{view}: every control a button named for its action", sorted(found) == sorted(LABELS), sorted(found))
    small = {name: (box["width"], box["height"]) for name, box in found.items() if min(box["width"], box["height"]) < 44}
    checks.check(f"{view}: each control at least 44 x 44 CSS px", not small, small)


def axe(checks, page, view):
    folder = BUILD_DIR / "npm"
    script = folder / "node_modules" / "axe-core" / "axe.min.js"
    if not (script.exists() and json.loads(script.with_name("package.json").read_text())["version"] == AXE_VERSION):
        done = subprocess.run(["npm", "install", "--prefix", str(folder), "--no-audit", "--no-fund",
                               f"axe-core@{AXE_VERSION}"], capture_output=True, text=True, timeout=600)
        if done.returncode:
            raise harness.HarnessError(f"npm could not fetch axe-core {AXE_VERSION}: is the npm registry reachable?\n"
                                       + done.stderr[-2000:])
    page.evaluate(script.read_text())
    found = page.evaluate("axe.run(document, {resultTypes: ['violations']}).then(r => r.violations.filter(v => "
                          "['serious', 'critical'].includes(v.impact)).map(v => v.id + ': ' + v.help))")
    checks.check(f"{view}: axe-core {AXE_VERSION} finds no serious or critical violation", not found, found)


def run(checks, by_touch):
    with browser.Page(WEB_DIR, *PHONE) as page:
        page.send("Emulation.setDeviceMetricsOverride", width=PHONE[0], height=PHONE[1], deviceScaleFactor=3, mobile=True)
        page.send("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)
        page.open()
        page.wait_for(lambda s: True, 60, "the page's module")
        pictures, where = [frames(page, 1)], page.evaluate("[location.href, history.length]")
        if by_touch:
            controls(checks, page, "phone")
            axe(checks, page, "phone")
            picture(page, "phone-menu", PHONE)
        for _, by_touch_action, by_keys_action, count in STEPS:
            (by_touch_action if by_touch else by_keys_action)(page)
            pictures.append(frames(page, count))
            if count == HELD:
                touch(page, "touchEnd", []) if by_touch else [page.key(key, down=False) for key in "zq"]
        if by_touch:
            checks.check("the swipe kept the page address and history", page.evaluate("[location.href, history.length]") == where)
        else:
            page.send("Emulation.setDeviceMetricsOverride", width=SIDEWAYS[0], height=SIDEWAYS[1], deviceScaleFactor=3,
                      mobile=True)
            page.key("Return")
            frames(page, 1)
            controls(checks, page, "phone sideways")
            picture(page, "phone-sideways", SIDEWAYS)
        return pictures


def body(checks):
    if not (WEB_DIR / "robotscene.wasm").exists():
        raise harness.HarnessError(f"no web build in {WEB_DIR}: run make web")
    OUT_DIR.mkdir(parents=True, exist_ok=True)
    touched, keyed = run(checks, True), run(checks, False)
    for step, (name, *_) in enumerate(STEPS, 1):
        checks.check(name, touched[step] == keyed[step] != keyed[step - 1], (touched[step], keyed[step - 1:step + 1]))
    with browser.Page(WEB_DIR) as page:
        page.open()
        page.wait_for(lambda s: True, 60, "the page's module")
        checks.check("desktop: no control shown", boxes(page) == {} and page.evaluate(
            "document.querySelectorAll('#touch-controls button').length") == len(LABELS))
        axe(checks, page, "desktop")


if __name__ == "__main__":
    harness.run_test(body)
