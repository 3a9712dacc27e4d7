#!/usr/bin/python3
"""Headless run: starts the program on a private Xvfb, saves a screenshot of its window, quits.

Usage: tools/screenshot.py OUT.png
The program is ROBOTSCENE_BIN, or build/robotscene. It runs from the repository root with the
test suite's fake sound player, so it plays nothing. Exits 0 once the screenshot is saved and Esc
has been sent, whether or not the program then ended by itself (the runner ends it anyway);
non-zero only if the program could not be run or shown at all.
"""

import shutil
import sys
from pathlib import Path

from testkit.base import HarnessError
from testkit.program import ProgramRun


def main(argv):
    if len(argv) != 2 or argv[1].startswith("-"):
        print(f"usage: {argv[0]} OUT.png", file=sys.stderr)
        return 2
    out = Path(argv[1]).resolve()
    try:
        with ProgramRun("screenshot", keep_shots=False) as run:
            run.start_and_wait()
            shot = run.screenshot("window")
            out.parent.mkdir(parents=True, exist_ok=True)
            shutil.copyfile(shot.path, out)
            run.key("Escape")
            try:
                run.wait_exit(10)
            except HarnessError:
                print("the program did not end on Esc; it was stopped", file=sys.stderr)
    except (HarnessError, OSError) as error:
        print(f"screenshot failed: {error}", file=sys.stderr)
        return 1
    print(f"saved {out}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
