"""The installed program as a user meets it, on a private Xvfb: it starts on the menu with every
image, P saves the frame as a PNG file in the pictures folder, Esc ends it with status 0, and
--version prints the version. Run with the launcher's path and the folder to start it from (/ by
default) by the package's autopkgtest (debian/tests/installed-program) and the package test alike.
It installs nothing."""

import os
import subprocess
import sys
import tempfile
from pathlib import Path

from testkit.base import VERSION
from testkit.checks import check_exit, run_test
from testkit.images import png_size
from testkit.program import WINDOW_SIZE, ProgramRun
from testkit.scene import menu_shown

def check_session(checks, label, command, cwd):
    with tempfile.TemporaryDirectory(prefix="robotscene-home-") as home:
        pictures = Path(home, "Pictures")
        pictures.mkdir()
        with ProgramRun(f"installed-{label}", cwd=cwd, command=command, keep_shots=False,
                                env={"HOME": home, "XDG_CONFIG_HOME": home}) as run:
            checks.passes(f"{label}: starts on the menu",
                          lambda: run.start_and_wait() or run.wait_for_picture(menu_shown, 30, "the menu"))
            missing = [line for line in run.stderr_text().splitlines() if "cannot load image" in line]
            checks.check(f"{label}: every image loads", not missing, "\n".join(missing))
            run.key("p")
            saved = checks.passes(f"{label}: P saves a picture",
                                  lambda: Path(run.wait_for_line(r"^Saved (.*)$", 30)[1]))
            checks.check(f"{label}: the picture is the window's size, in ~/Pictures", saved is not None
                         and saved.parent == pictures and png_size(saved.read_bytes()) == WINDOW_SIZE, saved)
            check_exit(checks, run, f"{label}: ", timeout=10)


def check_version(checks, command, cwd):
    # No display: a program that ignored --version would stop at once instead of drawing.
    result = subprocess.run([command, "--version"], capture_output=True, text=True, timeout=60, cwd=cwd,
                            env={"PATH": os.environ.get("PATH", "/usr/bin:/bin")})
    checks.check(f"{command} --version prints robotscene {VERSION}", result.returncode == 0
                 and result.stdout == f"robotscene {VERSION}\n", result.stdout + result.stderr)


if __name__ == "__main__":
    launcher, folder = sys.argv[1], (sys.argv[2:] or ["/"])[0]
    run_test(lambda checks: (check_version(checks, launcher, folder), check_session(checks, "installed", launcher, folder)))
