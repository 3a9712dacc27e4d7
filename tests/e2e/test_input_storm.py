"""End-to-end: 2 000 random real X input events (keys, held keys, pointer, buttons, wheel; never
Esc) from a fixed seed; afterwards the program must still run, draw and end cleanly on Esc."""

import random
import sys
import time
from pathlib import Path

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


def command(verb, name):
    return [verb, "--delay", "0", name] if verb.startswith("key") else [verb, name]


class Storm:
    """Random events as xdotool commands; tracks what is held so that all can be let go."""

    def __init__(self, window, seed):
        self.window, self.random = window, random.Random(seed)
        self.held = set()  # xdotool "up" commands owed: ("keyup", key) or ("mouseup", button)

    def toggle(self, down, up, name):
        """Presses name, or lets it go if it is held."""
        if (up, name) in self.held:
            self.held.discard((up, name))
            return command(up, name)
        self.held.add((up, name))
        return command(down, name)

    def event(self):
        r = self.random
        kind = r.random()
        if kind < 0.35:
            return command("key", r.choice(BOUND_KEYS if r.random() < 0.7 else OTHER_KEYS))
        if kind < 0.45:
            return self.toggle("keydown", "keyup", r.choice(HOLDABLE_KEYS))
        if kind < 0.75:
            return ["mousemove", "--window", self.window,
                    str(r.randrange(harness.WINDOW_SIZE[0])), str(r.randrange(harness.WINDOW_SIZE[1]))]
        if kind < 0.87:
            return self.toggle("mousedown", "mouseup", r.choice(["1", "1", "1", "2", "3"]))
        wheel = r.choice(["4", "5"])  # a press and release, as a wheel click arrives
        return ["mousedown", wheel, "mouseup", wheel]

    def release_all(self):
        commands = [word for up, name in sorted(self.held) for word in command(up, name)]
        self.held.clear()
        return commands


def test_input_storm(checks):
    with harness.ProgramRun("input-storm", cue_seconds=0) as run:
        run.start_and_wait()
        storm = Storm(run.window, SEED)
        sent = 0

        def deliver():
            nonlocal sent
            while sent < EVENTS and run.alive():
                count = min(BATCH, EVENTS - sent)
                run.xdotool(*[word for _ in range(count) for word in storm.event()])
                sent += count
                time.sleep(BATCH_PAUSE)
            if storm.held:
                run.xdotool(*storm.release_all())
            if not run.alive():
                raise harness.HarnessError(f"the program ended after {sent} events:\n"
                                           + run.stderr_text()[-3000:])
        checks.passes("the storm is delivered with the program running", deliver)
        checks.check(f"all {EVENTS} events were sent", sent == EVENTS, f"{sent} sent")
        # Keys reach the window only while it has the focus, which follows the pointer.
        cues = [pid for pid, args in run.players.entries() if "audio/music.wav" not in args]
        checks.check("the storm reached the program (cues were played)", len(cues) > 0,
                     f"player log: {run.players.entries()[:5]}")
        checks.passes("it keeps drawing (the frame-rate title comes back)",
                      lambda: watch.wait_redrawn(run))
        harness.check_exit(checks, run)


if __name__ == "__main__":
    harness.run_test(test_input_storm)
