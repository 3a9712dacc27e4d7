"""The page for every player, in headless Chromium, frame-gated: the hand keys by their place (event.code) on QWERTY as
on AZERTY, a gamepad injected through navigator.getGamepads as the keys, the canvas as the accessibility tree gives it
and what the live region says, and reduced motion. axe-core's verdict on the page is test_touch's."""

import json

from testkit import browser
from testkit.base import WEB_DIR
from testkit.checks import run_test

HELD = 20  # frames a key, stick or button is held
SETTLE = "new Promise(done => requestAnimationFrame(() => requestAnimationFrame(done)))"  # the page polled the pad
# name, keys as (key, code) held HELD frames from a reset, the frames' picture must equal that of the case named last
# (None: of nothing held).
PLACES = [("nothing held", [], None), ("AZERTY Z", [("z", "KeyW")], None), ("QWERTY W", [("w", "KeyW")], "AZERTY Z"),
          ("QWERTY Z", [("z", "KeyZ")], "nothing held"), ("AZERTY A", [("a", "KeyQ")], None),
          ("QWERTY Q", [("q", "KeyQ")], "AZERTY A")]
# What the pad does, as the keys: held HELD frames (buttons, left stick x and y, right stick x) or tapped (a button's
# number) for one frame; each must change the picture.
PAD = [("left stick up and right as Z and D", (0, 0.8, -0.9, 0), ["z", "d"]), ("right stick left as E", (0, 0, 0, -1), ["e"]),
       ("d-pad left as Q", (1 << 14, 0, 0, 0), ["q"]), ("right shoulder as A", (1 << 5, 0, 0, 0), ["a"]),
       ("A as V", 0, ["v"]), ("B as F", 1, ["f"]), ("Start as Space", 9, ["space"]), ("Select as Enter", 8, ["Return"])]
SAID = [("space", "Menu hidden"), ("v", "Chase camera"), ("m", "Music off"), ("v", "Tracking camera"),
        ("space", "Menu shown")]


def frames(page, count):  # the canvas's digest after count more frames
    drawn = page.evaluate(f"robotscene.allow({count}), robotscene.state().drawn + {count}")
    page.wait_for(lambda s: s["drawn"] >= drawn, 120, "the page's frames")
    return page.evaluate("crypto.subtle.digest('SHA-256', new TextEncoder().encode(robotscene.pixels().rgba))"
                         ".then(d => btoa(String.fromCharCode(...new Uint8Array(d))))")


def pad(page, state):  # the one pad the browser knows now (None: unplugged), once the page has polled it
    buttons, x, y, z = state or (0, 0, 0, 0)
    shape = {"connected": True, "mapping": "standard", "axes": [x, y, z, 0],
             "buttons": [{"pressed": bool(buttons >> i & 1), "value": buttons >> i & 1} for i in range(17)]}
    page.evaluate(f"navigator.getGamepads = () => [{json.dumps(shape) if state else ''}]")
    page.evaluate(SETTLE)


def by_keys(page, keys, held):
    for key in keys:
        page.key(key, up=not held)
    picture = frames(page, HELD if held else 1)
    for key in keys if held else []:
        page.key(key, down=False)
    return picture


def by_pad(page, state, held):
    if not held:  # a tap: pressed, then released before the frame, as a key
        pad(page, (1 << state, 0, 0, 0))
    pad(page, state if held else None)
    picture = frames(page, HELD if held else 1)
    pad(page, None)  # unplugged: it lets go of what it held
    return picture


def places_and_pad(checks, page):
    page.key("space")
    pictures = {}
    for name, keys, like in PLACES:
        page.key("Return")
        frames(page, 1)
        for key, code in keys:
            page.key(key, up=False, code=code)
        pictures[name] = frames(page, HELD)
        for key, code in keys:
            page.key(key, down=False, code=code)
        others = [picture for other, picture in pictures.items() if other != name]
        checks.check(f"{name}: " + (f"as {like}" if like else "a picture of its own"),
                     pictures[name] == pictures[like] if like else pictures[name] not in others)
    runs = []
    for by_keys_now in (True, False):
        page.key("Return")
        runs.append([frames(page, 1)] + [by_keys(page, keys, isinstance(state, tuple)) if by_keys_now else
                                         by_pad(page, state, isinstance(state, tuple)) for _, state, keys in PAD])
    for step, (name, *_) in enumerate(PAD, 1):
        checks.check(f"gamepad: {name}", runs[1][step] == runs[0][step] != runs[0][step - 1], "another picture")


def spoken(checks, page):
    node = page.send("DOM.querySelector", nodeId=page.send("DOM.getDocument")["root"]["nodeId"], selector="#canvas")
    canvas = page.send("Accessibility.getPartialAXTree", nodeId=node["nodeId"], fetchRelatives=False)["nodes"][0]
    role, name, described = (canvas.get(k, {}).get("value", "") for k in ("role", "name", "description"))
    missing = [row["id"] for row in page.evaluate("robotscene.bindings()")
               if not all(row[k] in described for k in ("keys", "qwerty", "pad", "does"))]
    checks.check("the canvas: an application with a name, described by every key", role == "application"
                 and "robot" in name and not missing, (role, name, missing))
    page.evaluate("window.said = []; new MutationObserver(() => said.push(announce.textContent))"
                  ".observe(announce, {childList: true, characterData: true, subtree: true})")
    for key, _ in SAID:
        page.key(key)
        page.evaluate(SETTLE)
    said = page.evaluate("said")
    checks.check("the live region says each change once", said == [text for _, text in SAID], said)


def reduced_motion(checks, page):
    # Hologram off, the canvas small: nothing but the head's sweep and a fly-by could move the picture.
    page.send("Emulation.setEmulatedMedia", features=[{"name": "prefers-reduced-motion", "value": "reduce"}])
    page.open()
    page.wait_for(lambda s: s["drawn"] == 0, 60, "the page's module")
    page.send("Emulation.setDeviceMetricsOverride", width=160, height=120, deviceScaleFactor=1, mobile=False)
    page.key("space")
    page.key("f")
    still = {frames(page, 250) for _ in range(8)}
    flown = [line for line in page.printed() if line.startswith("New falconPosX")]
    checks.check("reduced motion: 2000 scene frames with no head sweep and no fly-by", len(still) == 1 and not flown,
                 (len(still), flown))
    page.key("r")
    checks.check("reduced motion: R still starts the sweep", frames(page, 1) != frames(page, 30))


def body(checks):
    with browser.Page(WEB_DIR) as page:
        page.open()
        page.wait_for(lambda s: s["drawn"] == 0, 60, "the page's module")
        frames(page, 1)
        spoken(checks, page)
        places_and_pad(checks, page)
        reduced_motion(checks, page)
        checks.check("no console errors, warnings or exceptions", not page.problems(), page.problems()[:5])


if __name__ == "__main__":
    run_test(body)
