"""The page for every player, in one engine (ROBOTSCENE_ENGINE), frame-gated: the hand keys by their place (event.code) on
QWERTY as on AZERTY, each arrow as its letter, a gamepad injected through navigator.getGamepads as the keys, the canvas
as the accessibility tree gives it and what the live region says, and reduced motion (axe-core's verdict: test_touch)."""

import json

from testkit import browser
from testkit.base import WEB_DIR
from testkit.checks import run_test

ENGINE = browser.engine_from_environment()

HELD = 6  # frames a key, stick or button is held: the pictures are compared by digest, so any step shows
# Two runs from a reset, step by step the same pictures, each step changing the picture: the first by AZERTY's keys,
# the second by other keys or the pad. Keys as (key, code) held HELD frames, or one tapped for one frame; the pad held
# (buttons, left stick x and y, right stick x) HELD frames, or a button's number tapped for one frame.
STEPS = [("QWERTY W as AZERTY Z", [("z", "KeyW")], [("w", "KeyW")]), ("QWERTY Z as nothing", [], [("z", "KeyZ")]),
         ("QWERTY Q as AZERTY A", [("a", "KeyQ")], [("q", "KeyQ")]),
         ("gamepad: left stick up and right as Z and D", [("z", "KeyW"), ("d", "KeyD")], (0, 0.8, -0.9, 0)),
         ("gamepad: right stick left as E", [("e", "KeyE")], (0, 0, 0, -1)),
         ("gamepad: d-pad left as Q", [("q", "KeyA")], (1 << 14, 0, 0, 0)),
         ("gamepad: right shoulder as A", [("a", "KeyQ")], (1 << 5, 0, 0, 0)), ("gamepad: A as V", "v", 0),
         ("gamepad: B as F", "f", 1), ("gamepad: Start as Space", "space", 9), ("gamepad: Select as Enter", "Return", 8),
         ("Up as AZERTY Z", [("z", "KeyW")], [("Up", None)]), ("Left as AZERTY Q", [("q", "KeyA")], [("Left", None)]),
         ("Right as D", [("d", "KeyD")], [("Right", None)]), ("Down as S", [("s", "KeyS")], [("Down", None)])]
SAID = [("space", "Menu hidden"), ("v", "Chase camera"), ("m", "Music off"), ("space", "Menu shown"),
        (8, "Menu hidden. Orbit camera")]  # the pad's Select as Enter: two changes in one


def pad(page, state):  # the one pad the browser knows now (None: none), once the page has polled it
    buttons, x, y, z = state or (0, 0, 0, 0)
    shape = {"connected": True, "mapping": "standard", "axes": [x, y, z, 0],
             "buttons": [{"pressed": bool(buttons >> i & 1), "value": buttons >> i & 1} for i in range(17)]}
    page.evaluate(f"navigator.getGamepads = () => [{json.dumps(shape) if state else ''}]")
    page.settle()


def step(page, way):  # the picture after it; a pad is unplugged after, which lets go of what it held
    keys = way if isinstance(way, list) else []
    if isinstance(way, str):
        page.key(way)
    elif isinstance(way, int):  # a tap: pressed, then released before the frame, as a key
        pad(page, (1 << way, 0, 0, 0))
    for key, code in keys:
        page.key(key, up=False, code=code)
    pad(page, way if isinstance(way, tuple) else None)
    picture = page.digest_after(HELD if isinstance(way, (list, tuple)) else 1)
    page.release_keys()
    pad(page, None)
    return picture


def reduced_motion(checks, page):
    # The hologram off and the canvas small: nothing but the head's sweep and a fly-by could move.
    page.reduce_motion()
    page.open_gated()
    page.resize(160, 120)
    page.key("space")
    page.key("f")
    still = {page.digest_after(250) for _ in range(4)}  # past the first fly-by's frame, 841 (test_page's glibc_fly_by)
    checks.check("reduced motion: 1000 scene frames, no head sweep, no fly-by", len(still) == 1 and not page.flights(),
                 page.flights())
    page.key("r")
    checks.check("reduced motion: R still starts the sweep", page.digest_after(1) != page.digest_after(30))


def body(checks):
    with browser.open_page(ENGINE, WEB_DIR) as page:
        page.open_gated()
        canvas = "the canvas: an application with a name, described by every key"
        if not page.skip(checks, canvas, "accessibility"):
            role, name, described = page.accessible("#canvas")
            missing = [row["id"] for row in page.evaluate("robotscene.bindings()")
                       if not all(row[k] in described for k in ("keys", "qwerty", "pad", "does"))]
            checks.check(canvas, role == "application" and "robot" in name and not missing, (role, name, missing))
        page.evaluate("window.said = [], new MutationObserver(() => said.push(announce.textContent))"
                      ".observe(announce, {childList: true, characterData: true, subtree: true})")
        for key, _ in SAID:
            page.key(key) if isinstance(key, str) else step(page, key)
            page.settle()
        said, note = page.evaluate("[said, document.querySelector('.touch-note').hidden]")
        checks.check("the live region says each change once; the touch note hides with the menu",
                     said == [t for _, t in SAID] and note, said)
        runs = []
        for way in (1, 2):
            page.key("Return")
            runs.append([page.digest_after(1)] + [step(page, ways[way]) for ways in STEPS])
        for number, (name, *_) in enumerate(STEPS, 1):
            checks.check(name, runs[1][number] == runs[0][number] != runs[0][number - 1], "another picture")
        if not page.skip(checks, "reduced motion", "reduced motion"):
            reduced_motion(checks, page)
        checks.check("no console errors, warnings or exceptions", not page.problems(), page.problems()[:5])


if __name__ == "__main__":
    run_test(body)
