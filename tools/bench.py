#!/usr/bin/python3
"""Runs robotscene-bench from the repository root, where it finds textures/.

    tools/bench.py [--frames N] [--warmup N] [--json]

The arguments go to the bench unchanged. It runs on the X display in DISPLAY when one can be
opened, and otherwise on a private Xvfb that is always stopped afterwards. The bench is
$ROBOTSCENE_BENCH, or build/robotscene-bench. Exits with the bench's exit code.
"""

import os
import subprocess
import sys
import tempfile
from pathlib import Path

from testkit.base import REPO_ROOT
from testkit.xvfb import Xvfb


def display_usable():
    if not os.environ.get("DISPLAY"):
        return False
    try:
        return subprocess.run(["xdpyinfo"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=10).returncode == 0
    except FileNotFoundError:
        return True  # no way to ask: let the bench try
    except subprocess.TimeoutExpired:
        return False


def run_bench(arguments, env):
    bench = Path(os.environ.get("ROBOTSCENE_BENCH") or REPO_ROOT / "build" / "robotscene-bench")
    if not os.access(bench, os.X_OK):
        sys.exit(f"bench.py: no bench at {bench}: build the target robotscene-bench first")
    return subprocess.run([str(bench), *arguments], cwd=REPO_ROOT, env=env).returncode


def main(arguments):
    if display_usable():
        # Mesa would wait for the screen's refresh at each swap.
        return run_bench(arguments, dict(os.environ, vblank_mode=os.environ.get("vblank_mode", "0")))
    with tempfile.TemporaryDirectory(prefix="robotscene-bench-") as temp:
        with Xvfb(Path(temp) / "xvfb.log") as xvfb:
            print(f"bench.py: no X display; running on a private Xvfb ({xvfb.display})",
                  file=sys.stderr)
            return run_bench(arguments, xvfb.environment())


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
