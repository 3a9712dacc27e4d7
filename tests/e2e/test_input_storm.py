"""End-to-end: a storm of 2 000 random real X input events against the running program.

Keys (every binding and others, never Esc), keys held and released later, pointer moves inside
the window, button presses and drags, and wheel turns, from a fixed seed, sent by xdotool in
batches. Afterwards the program must still run, still draw (a title set from outside is replaced
by its frame-rate title again), end with code 0 on Esc, and have had no sanitizer report.
"""

import random
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "reliability"))

import harness  # noqa: E402
import watch  # noqa: E402

SEED = 20240611          # fixed, so a failing storm can be replayed
EVENTS = 2000
BATCH = 50               # events per xdotool call
BATCH_PAUSE = 0.05       # seconds between calls, so that frames are drawn amid the storm

BOUND_KEYS = ["z", "q", "s", "d", "a", "e", "r", "f", "m", "o", "t", "v", "y", "Z", "D", "T",
              "Return", "space", "plus", "minus", "KP_Add", "KP_Subtract"]
OTHER_KEYS = ["b", "c", "g", "h", "x", "1", "9", "comma", "period", "Tab", "BackSpace", "Delete",
              "Up", "Down", "Left", "Right", "Home", "End", "Page_Up", "F1", "F5", "F12",
              "Shift_L", "Control_L"]
HOLDABLE_KEYS = ["z", "s", "q", "d", "a", "e"]


class Storm:
    """Random events as xdotool commands; tracks what is held so that all can be let go."""

    def __init__(self, window, seed):
        self.window = window
        self.random = random.Random(seed)
        self.held_keys = set()
        self.held_buttons = set()

    def event(self):
        r = self.random
        kind = r.random()
        if kind < 0.35:
            key = r.choice(BOUND_KEYS if r.random() < 0.7 else OTHER_KEYS)
            return ["key", "--delay", "0", key]
        if kind < 0.45:
            key = r.choice(HOLDABLE_KEYS)
            if key in self.held_keys:
                self.held_keys.discard(key)
                return ["keyup", "--delay", "0", key]
            self.held_keys.add(key)
            return ["keydown", "--delay", "0", key]
        if kind < 0.75:
            x = r.randrange(harness.WINDOW_SIZE[0])
            y = r.randrange(harness.WINDOW_SIZE[1])
            return ["mousemove", "--window", self.window, str(x), str(y)]
        if kind < 0.87:
            button = r.choice(["1", "1", "1", "2", "3"])
            if button in self.held_buttons:
                self.held_buttons.discard(button)
                return ["mouseup", button]
            self.held_buttons.add(button)
            return ["mousedown", button]
        wheel = r.choice(["4", "5"])  # a press and release, as a wheel click arrives
        return ["mousedown", wheel, "mouseup", wheel]

    def release_all(self):
        commands = []
        for key in sorted(self.held_keys):
            commands += ["keyup", "--delay", "0", key]
        for button in sorted(self.held_buttons):
            commands += ["mouseup", button]
        self.held_keys.clear()
        self.held_buttons.clear()
        return commands


def test_input_storm(checks):
    with harness.ProgramRun("input-storm", cue_seconds=0) as run:
        run.start_and_wait()
        storm = Storm(run.window, SEED)
        sent = 0
        with checks.step("the storm is delivered with the program running"):
            while sent < EVENTS and run.alive():
                commands = []
                for _ in range(min(BATCH, EVENTS - sent)):
                    commands += storm.event()
                    sent += 1
                run.xdotool(*commands)
                time.sleep(BATCH_PAUSE)
            released = storm.release_all()
            if released:
                run.xdotool(*released)
            checks.check("the storm is delivered with the program running", run.alive(),
                         f"the program ended after {sent} events:\n{run.stderr_text()[-3000:]}")
        checks.check(f"all {EVENTS} events were sent", sent == EVENTS, f"{sent} sent")
        # Keys reach the window only while it has the focus, which follows the pointer.
        cues = [pid for pid, args in run.players.entries() if "audio/music.wav" not in args]
        checks.check("the storm reached the program (cues were played)", len(cues) > 0,
                     f"player log: {run.players.entries()[:5]}")

        checks.passes("it keeps drawing (the frame-rate title comes back)",
                      lambda: watch.wait_redrawn(run))

        run.point_at(harness.WINDOW_SIZE[0] // 2, harness.WINDOW_SIZE[1] // 2)
        run.key("Escape")
        code = checks.passes("Esc ends the program", lambda: run.wait_exit(20))
        checks.check("exit code 0", code == 0, f"exit code {code}")
        reports = watch.sanitizer_reports(run)
        checks.check("no sanitizer report", not reports, "\n".join(reports[:20]))


if __name__ == "__main__":
    harness.run_test(test_input_storm)
