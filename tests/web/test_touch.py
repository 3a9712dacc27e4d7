"""The page on touch screens (web/js/touch.js) in one engine (ROBOTSCENE_ENGINE), as a 390 x 844 phone at pixel ratio
3: gestures and controls draw frame for frame what their keys or mouse draw; the controls are named buttons, on touch
screens only. An engine with no touch input skips the phone and says so."""
# axe-core (browser.Page.axe) checks the phone and desktop views. Phone pictures (Chromium's, for docs/web.md):
# <build>/web-touch-*.png.

import base64

from testkit import browser
from testkit.base import BUILD_DIR, WEB_DIR
from testkit.checks import run_test

ENGINE = browser.engine_from_environment()
SERIOUS = ("serious", "critical")
# Each control by its name, and the key (event.code) it sends; then full screen, which sends none.
LABELS = {"Show or hide the menu": "Space", "Reset the robot": "Enter", "Next camera": "KeyV", "Hologram on or off": "KeyF",
          "Head sweep on or off": "KeyR", "Music on or off": "KeyM", "Drive forward": "KeyW", "Drive backward": "KeyS",
          "Turn left": "KeyA", "Turn right": "KeyD", "Turn the head left": "KeyE", "Turn the head right": "KeyQ"}
BOXES = ("Object.fromEntries([...document.querySelectorAll('button[aria-label]')].filter(b => b.offsetParent).map(b => "
         "(r => [b.ariaLabel, [r.x + r.width / 2, r.y + r.height / 2, r.width, r.height]])(b.getClientRects()[0])))")
SWIPE, PINCH = [((30, 420), (360, 450))], [((175, 420), (125, 420)), ((215, 420), (265, 420))]  # clear of the controls


def slide(paths):  # touch events moving each finger along its path, as browser.Page.drag moves the mouse
    points = zip(*(browser.along(*path) for path in paths))
    return [("move" if i else "start", *fingers) for i, fingers in enumerate(points)] + [("end",)]


# What is checked; touch events, at points or on the controls of these labels; keys or mouse; frames drawn next (4: the
# pad and its keys held through them, then released). The pinch spreads two fingers by 100 CSS px: 40 a wheel step.
STEPS = [("the menu button as Space", [("start", "Show or hide the menu"), ("end",)],
          lambda p: p.key("space"), 1),
         ("a one-finger swipe as a left-button drag", slide(SWIPE), lambda p: p.drag(*SWIPE[0]), 1),
         ("a pinch-out as 2 wheel steps", slide(PINCH), lambda p: p.wheel(2, 195, 420), 1),
         ("the pinch reversed, 2 steps back", slide([path[::-1] for path in PINCH]), lambda p: p.wheel(-2, 195, 420), 1),
         ("the forward pad held as Z", [("start", "Drive forward")], lambda p: p.key("z", up=False), 4),
         ("forward and left held as Z and Q", [("start", "Drive forward", "Turn left")],
          lambda p: (p.key("z", up=False), p.key("q", up=False)), 4)]
NEEDS = {"forward and left held as Z and Q": "fingers"}  # a step -> what beyond touch the engine must give


def touch(page, kind, *points):
    points = [page.evaluate(BOXES)[point][:2] if isinstance(point, str) else point for point in points]
    page.touch(kind, points)


def frames(page, count, width=390, height=844):  # drawn at this phone size; the canvas's digest
    page.resize(width, height)
    return page.digest_after(count)


def axe(checks, page, view):
    bad = [v["id"] for v in page.axe() if v["impact"] in SERIOUS]
    checks.check(f"{view}: axe-core {browser.AXE} finds no serious or critical violation", not bad, bad)


def run(checks, page, by_touch):  # the pictures after each step
    page.open_gated()
    pictures, where = [frames(page, 1)], page.evaluate("[location.href, history.length]")
    for name, touches, by_keys, count in STEPS:
        touching = by_touch and NEEDS.get(name) not in page.lacks  # else the keys, so the steps after start alike
        [touch(page, *event) for event in touches] if touching else by_keys(page)
        pictures.append(frames(page, count))
        if count > 1:
            touch(page, "end") if touching else page.release_keys()
    if by_touch:
        checks.check("the swipe kept address and history", page.evaluate("[location.href, history.length]") == where)
        sizes = {name: box[2:] for name, box in page.evaluate(BOXES).items()}
        checks.check("the controls, buttons named for their action, 44 CSS px or more",
                     set(sizes) == {*LABELS, "Full screen"} and min(map(min, sizes.values())) >= 44, sizes)
        axe(checks, page, "phone")
        page.evaluate("window.sent = [], canvas.addEventListener('keydown', e => sent.push(e.code)), 0")
        [(touch(page, "start", name), touch(page, "end")) for name in LABELS]
        checks.check("each control sends its own key", page.evaluate("sent") == list(LABELS.values()), page.evaluate("sent"))
    return pictures


def phone(checks):
    with browser.open_page(ENGINE, WEB_DIR, 390, 844, scale=3, touch=True) as page:
        touched, keyed = run(checks, page, True), run(checks, page, False)
        # docs/web.md's pictures: the menu upright, the default view sideways.
        for key, size in (("space", (390, 844)), ("Return", (844, 390))):
            page.key(key)
            frames(page, 1, *size)
            if ENGINE == "chromium":
                shot = page.send("Page.captureScreenshot", clip=dict(x=0, y=0, width=size[0], height=size[1], scale=1 / 3))
                (BUILD_DIR / "web-touch-{}x{}.png".format(*size)).write_bytes(base64.b64decode(shot["data"]))
    for step, (name, *_) in enumerate(STEPS, 1):
        if name in NEEDS and page.skip(checks, name, NEEDS[name]):
            continue
        checks.check(name, touched[step] == keyed[step] != keyed[step - 1], "another picture, or no change")


def body(checks):
    if not browser.backend(ENGINE).skip(checks, "the phone: touch against keys and mouse, its controls, axe-core", "touch"):
        phone(checks)
    with browser.open_page(ENGINE, WEB_DIR) as page:
        page.open_gated()
        checks.check("desktop: no control shown", page.evaluate(BOXES) == {})
        axe(checks, page, "desktop")


if __name__ == "__main__":
    run_test(body)
