#!/usr/bin/python3
"""Soak: runs the real program for a while and watches that it does not grow.

    tools/soak.py [--seconds N] [--warmup N] [--interval N]

The program ($ROBOTSCENE_BIN, or build/robotscene) runs on a private Xvfb with the test suite's
fake sound player, at its own timer's rate, and gets input every second: space once to leave the
menu, then a cycle that holds the drive and head keys, switches camera, hologram, head sweep,
debug textures, polygon mode, shading and music, drags, turns the wheel and resets, and ends
where it began. Every second, before the next input, it samples the program's resident memory
(VmRSS), its open file descriptors and its threads, and prints every few seconds' sample as a
table. After the warm-up (which covers at least one whole cycle) the samples are split into an
earlier and a later half: from the one to the other the median memory may grow by less than
1 MB, and the median descriptors and threads not at all. Otherwise, or if the program dies, the
input does not reach it, or it does not exit 0 on Esc, the soak exits with 1.
"""

import argparse
import os
import statistics
import sys
import time
from pathlib import Path

from testkit.base import HarnessError
from testkit.program import WINDOW_MIDDLE, ProgramRun

RSS_GROWTH_LIMIT = 1024   # kB after the warm-up
WARMUP_LEAST = 30         # seconds: longer than one input cycle, so every path has run once
WARMUP_SHARE = 4          # by default the first quarter of a long run is warm-up
TABLE_INTERVAL = 5        # seconds between the samples printed
RSS_BURST = 8             # reads of the RSS per sample
RSS_BURST_GAP = 0.02      # seconds between them: the burst spans several 15 ms frames
HOLD = 0.6                # seconds a key is held, within its one-second slot
EXIT_WITHIN = 20          # seconds for the program to end after Esc

# One action per second; the cycle leaves every toggle as it found it (three T, three V, an even
# number of each other toggle) and ends with the menu shown and hidden again by a reset, so each
# cycle starts from the same state. O comes ten times, each in a second of its own so that every
# press reaches a frame: the robot's images are the only ones decoded again while the program
# runs, and a leak there must show even in a one-minute soak.
CYCLE = [
    ("hold", "z"), ("hold", "d"), ("keys", ["v", "o"]), ("keys", ["f", "o"]), ("key", "r"),
    ("key", "o"), ("key", "t"), ("keys", ["y", "o"]), ("drag", None), ("wheel", 2),
    ("hold", "s"), ("hold", "q"), ("key", "o"), ("keys", ["t", "t"]), ("keys", ["y", "f", "r", "o"]),
    ("key", "o"), ("key", "m"), ("keys", ["m", "o"]), ("key", "o"), ("wheel", -2),
    ("keys", ["v", "v", "o"]), ("hold", "a"), ("hold", "e"), ("key", "space"), ("key", "Return"),
]


def resident_kb(pid):
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        if line.startswith("VmRSS:"):
            return int(line.split()[1])
    return 0


def sample(pid):
    """(RSS in kB, open descriptors, threads) of a running process. The RSS is the lowest of a
    burst of reads over a few frames: a frame holds the image it uploads for a moment, which
    would otherwise show as noise of a megabyte or so."""
    readings = []
    for _ in range(RSS_BURST):
        readings.append(resident_kb(pid))
        time.sleep(RSS_BURST_GAP)
    return min(readings), len(os.listdir(f"/proc/{pid}/fd")), len(os.listdir(f"/proc/{pid}/task"))


def act(run, action, argument):
    middle = WINDOW_MIDDLE
    if action == "hold":
        run.hold(argument, HOLD)
    elif action == "key":
        run.key(argument)
    elif action == "keys":
        for key in argument:
            run.key(key)
    elif action == "drag":
        run.drag(middle, (middle[0] + 60, middle[1] + 20))
        run.point_at(*middle)  # the keyboard focus follows the pointer
    elif action == "wheel":
        run.wheel(argument)


class Soak:
    def __init__(self, seconds, warmup, interval):
        self.seconds = seconds
        self.warmup = warmup
        self.interval = interval  # seconds between printed samples
        self.samples = []  # (seconds since start, rss kB, fds, threads), one a second

    def run(self):
        # The music plays for longer than the soak, as it would for real.
        with ProgramRun("soak", music_seconds=self.seconds + 120, cue_seconds=1,
                                keep_shots=False) as run:
            run.start_and_wait()
            pid = run.process.pid  # stdbuf execs the program: the same process
            run.key("space")
            start = time.monotonic()
            print(f"{'time s':>7} {'RSS kB':>9} {'fds':>5} {'threads':>8}", flush=True)
            tick = 0
            while tick < self.seconds:
                if not run.alive():
                    print(f"soak: the program died after {tick} s:\n{run.stderr_text()[-3000:]}")
                    return False
                self.record(tick, sample(pid))
                action, argument = CYCLE[tick % len(CYCLE)]
                act(run, action, argument)
                tick += 1
                time.sleep(max(0.0, start + tick - time.monotonic()))
            self.record(tick, sample(pid), shown=True)
            if not self.input_arrived(run, tick):
                return False
            run.point_at(*WINDOW_MIDDLE)
            run.key("Escape")
            code = run.wait_exit(EXIT_WITHIN)
            if code != 0:
                print(f"soak: the program exited with {code}:\n{run.stderr_text()[-3000:]}")
            return code == 0

    @staticmethod
    def input_arrived(run, seconds):
        """Every whole cycle ends with a reset, which the program reports: a soak whose input
        went astray (the window without the focus, say) proves nothing."""
        cycles = seconds // len(CYCLE)
        resets = run.count_lines(r"^ROBOT RESETED$")
        print(f"{cycles} whole input cycles, {resets} resets reported", flush=True)
        if resets < cycles:
            print("soak: the input did not reach the program")
        return resets >= cycles

    def record(self, tick, values, shown=False):
        self.samples.append((tick, *values))
        if shown or tick % self.interval == 0:
            phase = "warm-up" if tick < self.warmup else ""
            print(f"{tick:>7} {values[0]:>9} {values[1]:>5} {values[2]:>8}  {phase}", flush=True)

    def verdict(self):
        """Prints the growth after the warm-up; True when it is within bounds. Medians of the
        earlier and the later half of the samples are compared: a leak moves the whole later
        half, while the odd sample caught with a frame's image still held moves neither."""
        measured = [s for s in self.samples if s[0] >= self.warmup]
        if len(measured) < 4:
            print("soak: too short to measure anything after the warm-up")
            return False
        half = len(measured) // 2
        early, late = measured[:half], measured[half:]

        def median(part, column):
            return int(statistics.median(s[column] for s in part))
        growth = [median(late, column) - median(early, column) for column in (1, 2, 3)]
        print(f"after the warm-up, medians of {early[0][0]}-{early[-1][0]} s and "
              f"{late[0][0]}-{late[-1][0]} s:")
        print(f"  RSS      {median(early, 1)} kB -> {median(late, 1)} kB, growth {growth[0]:+d} kB "
              f"(limit {RSS_GROWTH_LIMIT} kB); lowest {min(s[1] for s in measured)} kB, "
              f"highest {max(s[1] for s in measured)} kB")
        print(f"  fds      {median(early, 2)} -> {median(late, 2)}, growth {growth[1]:+d} (limit 0); "
              f"highest {max(s[2] for s in measured)}")
        print(f"  threads  {median(early, 3)} -> {median(late, 3)}, growth {growth[2]:+d} (limit 0); "
              f"highest {max(s[3] for s in measured)}")
        ok = growth[0] < RSS_GROWTH_LIMIT and growth[1] <= 0 and growth[2] <= 0
        print("soak: " + ("passed" if ok else "FAILED"), flush=True)
        return ok


def main(argv):
    parser = argparse.ArgumentParser(description="Runs the program and watches it not grow.")
    parser.add_argument("--seconds", type=int, default=600, help="length of the run (default 600)")
    parser.add_argument("--warmup", type=int, default=None,
                        help=f"seconds before measuring (default a quarter of the run, at least {WARMUP_LEAST})")
    parser.add_argument("--interval", type=int, default=TABLE_INTERVAL,
                        help=f"seconds between the samples printed (default {TABLE_INTERVAL})")
    options = parser.parse_args(argv)
    warmup = options.warmup if options.warmup is not None else max(WARMUP_LEAST, options.seconds // WARMUP_SHARE)
    if options.seconds <= warmup or options.interval < 1:
        parser.error("the run must be longer than its warm-up, and the interval at least 1 s")
    soak = Soak(options.seconds, warmup, options.interval)
    try:
        ran = soak.run()
    except HarnessError as error:
        print(f"soak: {error}")
        return 1
    return 0 if soak.verdict() and ran else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
