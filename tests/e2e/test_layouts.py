"""End-to-end, held to exact frames: in one run whose X keyboard layout changes between presses (AZERTY, QWERTY,
QWERTZ), the key at AZERTY Z's place held N frames drives the robot as far on each, and as the arrow keys do; R, F and V
keep their letters. Then, where the machine has /dev/uinput, a virtual gamepad drives the program as the keys do; else
that check is skipped, saying why."""

import os
import tempfile
import time
from pathlib import Path

from testkit.checks import check_exit, run_test
from testkit.program import GATE_LIB, GatedRun, ProgramRun
from testkit.scene import LOWER_PART

# layout, the keys held from a reset (the first: each layout's letter at X keycode 25, AZERTY's Z), then let go till
# the robot stops
DRIVES = [("fr", ["z", "q"]), ("us", ["w", "a"]), ("de", ["w", "a"]), ("de", ["Up", "Left"])]
DRIVE_FRAMES, COAST_FRAMES = 10, 30  # held for 10 frames the robot coasts to a stop within 20
TOGGLES = [("r", "head"), ("f", "whistle"), ("v", "view")]  # by letter (F twice), and the cue each starts
PAD = "a virtual gamepad drives as the keys do"


def driven(run, press, release):  # from a reset: held N frames, let go till it stops
    run.keys("key", ["Return"], 1)
    press()
    run.frames(DRIVE_FRAMES)
    release()
    run.frames(COAST_FRAMES)
    return run.screenshot("driven")


def same(a, b):  # within 2 levels, the fly-by's sky left out
    return a.fraction_changed(b, 2, LOWER_PART, step=1) == 0


def layouts(checks, temp, gated):
    with (GatedRun("layouts", temp) if gated else ProgramRun("layouts")) as run:
        if not gated:  # the gated run puts the pointer on the window itself: the keys go where it is
            run.start_and_wait()
        still = first = gated and driven(run, lambda: None, lambda: None)
        for done, (layout, keys) in enumerate(DRIVES, 1):
            run.xvfb.set_layout(layout)
            if gated:
                moved = driven(run, lambda: run.keys("keydown", keys), lambda: run.keys("keyup", keys))
                first = first if done > 1 else moved
                checks.check(f"{layout}: {' and '.join(keys)} held {DRIVE_FRAMES} frames as AZERTY's Z and Q",
                             same(moved, first) and not same(moved, still), (moved.path, first.path, still.path))
            run.xdotool("key", "Return", "r", "f", "f", "v")  # from a reset: R switches the sweep off
            for key, cue in TOGGLES:
                checks.passes(f"{layout}: {key.upper()} by its letter", lambda: run.wait_for_cue(cue, done))
        check_exit(checks, run)
        return first


def gamepad(checks, temp, by_keys):
    # freeglut opens the first joystick as the program starts: the pad must be there first.
    if not os.access("/dev/uinput", os.W_OK):
        return checks.skip(PAD, "this machine has no writable /dev/uinput to make one")
    from evdev import AbsInfo, UInput, ecodes as e  # python3-evdev
    axis = AbsInfo(value=0, min=-32767, max=32767, fuzz=0, flat=0, resolution=0)
    with UInput({e.EV_KEY: [e.BTN_A, e.BTN_B, e.BTN_START], e.EV_ABS: [(e.ABS_X, axis), (e.ABS_Y, axis), (e.ABS_RX, axis)]},
                name="robotscene test pad") as pad:
        if not any(Path("/dev/input/js0").exists() or time.sleep(0.1) for _ in range(50)):  # five seconds
            return checks.skip(PAD, "the kernel made no /dev/input/js0 for it (no udev or devtmpfs here)")
        cues = [0]

        def state(up, left):  # then B off and on again: its cue shows that freeglut polled it all
            for kind, code, value in ((e.EV_ABS, e.ABS_Y, -32767 * up), (e.EV_ABS, e.ABS_X, -32767 * left),
                                      *((e.EV_KEY, e.BTN_B, value) for value in (1, 0, 1, 0))):
                pad.write(kind, code, value)
                pad.syn()
                time.sleep(0.1)  # several polls
            cues[0] += 1
            run.wait_for_cue("whistle", cues[0])

        with GatedRun("gamepad", temp) as run:
            moved = driven(run, lambda: state(1, 1), lambda: state(0, 0))
            checks.check(f"{PAD}: the left stick up and left as Z and Q", same(moved, by_keys), (moved.path, by_keys.path))
            pad.write(e.EV_KEY, e.BTN_START, 1)  # the menu, hidden by Enter, shown again
            pad.syn()
            checks.passes(f"{PAD}: Start as Space", lambda: run.wait_for_cue("menu", 1))
            check_exit(checks, run)


def body(checks):
    with tempfile.TemporaryDirectory() as temp:
        by_keys = layouts(checks, temp, GATE_LIB.exists())
        if not by_keys:  # the sanitizer build cannot preload the gate
            return checks.skip("the keys and the pad, held to exact frames", f"no frame gate at {GATE_LIB}")
        gamepad(checks, temp, by_keys)


if __name__ == "__main__":
    run_test(body)
