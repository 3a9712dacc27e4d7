"""End-to-end: the hand keys by their place, in one run of the real program whose X keyboard layout
changes between presses (AZERTY, QWERTY, QWERTZ): the key at AZERTY Z's place (X keycode 25) held
N frames drives the robot as far on each, and R, F and V keep their letters. Then, where the
machine has /dev/uinput, a virtual gamepad drives the program as the keys do; else that check is
skipped, saying why. The program is held to exact frames by the web tests' frame gate."""

import os
import tempfile
import time
from pathlib import Path

from testkit.base import BUILD_DIR, HarnessError, scaled, wait_until
from testkit.checks import check_exit, run_test
from testkit.program import ProgramRun
from testkit.scene import LOWER_PART

GATE_LIB = Path(os.environ.get("ROBOTSCENE_FRAME_GATE_LIB") or BUILD_DIR / "tests/web/libframegate.so")
LAYOUTS = [("fr", "z"), ("us", "w"), ("de", "w")]  # each layout's letter at keycode 25
TOGGLES = [("r", "head"), ("f", "whistle"), ("v", "view")]  # by letter, and the cue each starts (F: twice)
DRIVE_FRAMES = 12
PAD = "a virtual gamepad drives as the keys do"


class Gated:
    """The program on Xvfb with the frame gate: keys are handled before the frames that follow them."""

    def __init__(self, temp, name):
        self.gate = Path(temp, name)
        self.gate.write_text("1")
        self.run = ProgramRun(name, env={"ROBOTSCENE_FRAME_GATE": str(self.gate), "LD_PRELOAD": str(GATE_LIB)})

    def __enter__(self):
        self.run.__enter__()
        self.run.find_window()
        wait_until(lambda: Path(f"{self.gate}.state").exists(), scaled(30), "the first frame")
        return self

    def __exit__(self, *exc_info):
        return self.run.__exit__(*exc_info)

    def counts(self):  # frames drawn, letter events handled
        return tuple(map(int, Path(f"{self.gate}.state").read_text().split()))

    def keys(self, action, names, frames):
        # x, bound to nothing on any of these layouts, is handled after the keys before it.
        handled = self.counts()[1]
        self.run.xdotool(action, *names, "x")
        events = (2 if action == "key" else 1) * (len(names) + 1)
        wait_until(lambda: self.counts()[1] >= handled + events, scaled(30), "the keys handled")
        self.frames(frames)

    def frames(self, count):
        self.gate.write_text(str(self.counts()[0] + count))
        wait_until(lambda: self.counts()[0] == int(self.gate.read_text()), scaled(30), "the frames drawn")

    def driven(self, press, release, label):
        """The picture after a reset and N frames of press(); release() after."""
        self.keys("key", ["Return"], 1)
        press()
        self.frames(DRIVE_FRAMES)
        release()
        return self.run.screenshot(label)


def same(a, b):  # the fly-by's sky left out
    return a.fraction_changed(b, 2, LOWER_PART, step=1) == 0


def layouts(checks, temp):
    with Gated(temp, "layouts") as session:
        run = session.run
        still = session.driven(lambda: None, lambda: None, "still")
        for done, (layout, letter) in enumerate(LAYOUTS, 1):
            run.xvfb.set_layout(layout)
            moved = session.driven(lambda: session.keys("keydown", [letter], 0),
                                   lambda: session.keys("keyup", [letter], 0), layout)
            if done == 1:
                first = moved
            checks.check(f"{layout}: {letter}, at AZERTY Z's place, drives as far in {DRIVE_FRAMES} frames",
                         same(moved, first) and not same(moved, still), (moved.path, first.path, still.path))
            session.keys("key", ["r", "f", "f", "v"], 0)
            for name, cue in TOGGLES:
                checks.passes(f"{layout}: {name.upper()} by its letter", lambda: run.wait_for_cue(cue, done))
        check_exit(checks, run)
        return first


def virtual_pad(ecodes):
    from evdev import AbsInfo, UInput
    stick = AbsInfo(value=0, min=-32767, max=32767, fuzz=0, flat=0, resolution=0)
    return UInput({ecodes.EV_KEY: [ecodes.BTN_A, ecodes.BTN_B, ecodes.BTN_X, ecodes.BTN_Y, ecodes.BTN_TL,
                                   ecodes.BTN_TR, ecodes.BTN_SELECT, ecodes.BTN_START],
                   ecodes.EV_ABS: [(ecodes.ABS_X, stick), (ecodes.ABS_Y, stick), (ecodes.ABS_RX, stick)]},
                  name="robotscene test pad")


def gamepad(checks, temp, by_keys):
    # freeglut opens the first joystick when the program starts: the pad must exist by then.
    if not os.access("/dev/uinput", os.W_OK):
        return checks.skip(PAD, "this machine has no writable /dev/uinput to make one")
    try:
        from evdev import ecodes
        pad = virtual_pad(ecodes)
    except (ImportError, OSError) as error:
        return checks.skip(PAD, f"no virtual pad could be made ({error}); python3-evdev installs the module")
    with pad:
        try:
            wait_until(lambda: Path("/dev/input/js0").exists(), scaled(5), "/dev/input/js0")
        except HarnessError:
            return checks.skip(PAD, "the kernel made no /dev/input/js0 for it (no udev or devtmpfs here)")

        def write(kind, code, value):
            pad.write(kind, code, value)
            pad.syn()
            time.sleep(0.1)  # several of freeglut's polls, so that no state goes unseen

        def hologram_twice():  # B off and on again: its cue shows every earlier state was polled
            for value in (1, 0, 1, 0):
                write(ecodes.EV_KEY, ecodes.BTN_B, value)

        with Gated(temp, "gamepad") as session:
            cues = 0

            def stick(value):
                nonlocal cues
                write(ecodes.EV_ABS, ecodes.ABS_Y, value)
                hologram_twice()
                cues += 1
                session.run.wait_for_cue("whistle", cues)

            moved = session.driven(lambda: stick(-32767), lambda: stick(0), "pad")
            checks.check(f"{PAD}: the left stick up held {DRIVE_FRAMES} frames as Z", same(moved, by_keys),
                         (moved.path, by_keys.path))
            write(ecodes.EV_KEY, ecodes.BTN_START, 1)  # the menu hidden by Enter, shown again
            checks.passes(f"{PAD}: Start as Space", lambda: session.run.wait_for_cue("menu", 1))
            check_exit(checks, session.run)


def body(checks):
    with tempfile.TemporaryDirectory() as temp:
        by_keys = layouts(checks, temp)
        gamepad(checks, temp, by_keys)


if __name__ == "__main__":
    run_test(body)
