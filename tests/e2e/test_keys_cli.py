"""End-to-end: P saves the frame on screen, F11 switches full screen, and the command line: --help,
--version, -geometry and unknown arguments. The arrows against the letters are test_layouts'."""

import os
import re
import subprocess
import tempfile
from pathlib import Path

from testkit.checks import check_exit, run_test
from testkit.images import read_ppm
from testkit.program import ProgramRun, binary_path

# A saved picture against a capture of the window: the pixels must agree within 2 levels (a driver
# may round its read-back differently), but up to 1 % of them may not: the window shows the
# multisampled frame resolved, while llvmpipe reads back one sample per pixel, so edge pixels
# come out wholly covered or not covered at all. Edges are well under 1 % of the menu screen.
PICTURE_LEVELS, EDGE_SHARE = 2, 0.01


def window_session(checks, temp):
    """-geometry, F11 twice, P twice on the still menu screen (a name taken and a missing folder: PictureTest)."""
    shots = Path(temp, "shots")
    shots.mkdir()
    Path(temp, "user-dirs.dirs").write_text('XDG_PICTURES_DIR="$HOME/shots"\n')
    with ProgramRun("keys-window", args=["-geometry", "640x480+10+30"], env={"HOME": temp, "XDG_CONFIG_HOME": temp}) \
            as run:
        run.find_window()
        for key, name, wanted in ((None, "-geometry 640x480+10+30 gives that window", (10, 30, 640, 480)),
                                  ("F11", "F11 fills the screen", (0, 0, 1280, 1024)),
                                  ("F11", "F11 again gives back the window's size and place", (10, 30, 640, 480))):
            key and run.key(key)
            checks.waits(name, lambda: run.geometry() == wanted, f"the window at {wanted}, now {run.geometry()}")
        for number in (1, 2):  # in the same second or not: a new file each time
            run.key("p")
            path = Path(run.wait_for_line(r"^Saved (.*)$", 30).group(1))
            subprocess.run(["convert", path, "-depth", "8", f"PPM:{temp}/saved.ppm"], check=True)
            checks.check(f"P {number} saves the window as shown, in a new file", path.parent == shots
                         and re.fullmatch(r"robotscene-\d{8}-\d{6}(-2)?\.png", path.name)
                         and len(list(shots.iterdir())) == number
                         and read_ppm(f"{temp}/saved.ppm").fraction_changed(
                             run.screenshot(f"picture-{number}"), PICTURE_LEVELS, step=1) <= EDGE_SHARE, path)
        check_exit(checks, run)


def body(checks):
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    for args, status, out, err in ((["--help"], 0, "(?s)^Usage: .*man 6 robotscene", "^$"),
                                   (["-display", ":0", "--version"], 0, r"^robotscene \d+\.\d+\S*\n$", "^$"),
                                   (["-iconic", "--bogus"], 2, "^$", "^robotscene: unknown argument '--bogus'.*\n$")):
        done = subprocess.run([binary_path(), *args], env=env, capture_output=True, text=True, timeout=30)
        checks.check(f"{' '.join(args)} exits {status} with no display", done.returncode == status and re.search(
            out, done.stdout) and re.search(err, done.stderr), f"{done.returncode} {done.stdout!r} {done.stderr!r}")

    with tempfile.TemporaryDirectory() as temp:
        window_session(checks, temp)


if __name__ == "__main__":
    run_test(body)
