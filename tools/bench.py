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

REPO_ROOT = Path(__file__).resolve().parents[1]

import runner  # the private X server, the fake player and the xdotool input


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


def run_bench(arguments, display, private):
    bench = Path(os.environ.get("ROBOTSCENE_BENCH") or REPO_ROOT / "build" / "robotscene-bench")
    if not os.access(bench, os.X_OK):
        sys.exit(f"bench.py: no bench at {bench}: build the target robotscene-bench first")
    env = dict(os.environ, DISPLAY=display)
    if private:
        env.pop("XAUTHORITY", None)  # the private server has no access control file
    else:
        env.setdefault("vblank_mode", "0")  # Mesa would wait for the screen's refresh at each swap
    return subprocess.run([str(bench), *arguments], cwd=REPO_ROOT, env=env).returncode


def main(arguments):
    if display_usable():
        return run_bench(arguments, os.environ["DISPLAY"], private=False)
    with tempfile.TemporaryDirectory(prefix="robotscene-bench-") as temp:
        xvfb = runner.Xvfb(Path(temp) / "xvfb.log")
        try:
            xvfb.start()
            print(f"bench.py: no X display; running on a private Xvfb ({xvfb.display})",
                  file=sys.stderr)
            return run_bench(arguments, xvfb.display, private=True)
        finally:
            xvfb.stop()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
