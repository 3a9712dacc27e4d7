"""End-to-end: the window resized to extremes through the window system.

On a screen large enough for a 4096 by 4096 window, the window is resized with xdotool to 1 by 1,
to 1024 by 1 (the smallest height X allows), to 4096 by 4096, to 1 by 4096 and back to its own
size. At each size the program must keep running and keep drawing (a title set
from outside is replaced by its frame-rate title again); back at its own size it must show the
same menu screen as before; Esc must end it with code 0, with no sanitizer report.
"""

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "reliability"))

import harness  # noqa: E402
import watch  # noqa: E402

# The window at (200, 200) must fit whole at 4096 by 4096, so pictures of all of it can be taken.
harness.SCREEN = "4400x4400x24"

# A side of 0 cannot be had: X refuses it, and xdotool takes 0 to mean "leave this side as it
# is". 1 is the smallest side; a height of 0 reaches the program only through a unit test.
SIZES = [  # (label, width, height) in pixels
    ("1 by 1", 1, 1),
    ("1024 by 1", 1024, 1),
    ("4096 by 4096", 4096, 4096),
    ("1 by 4096", 1, 4096),
    ("its own size again", *harness.WINDOW_SIZE),
]
RESIZED_WITHIN = 10      # seconds (scaled) for the server to report the new size
# Share of pixels that may differ between two pictures of the unchanged menu screen: only
# antialiased edges, redrawn.
STILL_SHARE = 0.01
SAME_COLOUR = 12         # levels per channel within which two pixels count as the same
CENTRE_SIDE = 200        # pixels: the square probed in the middle of a large window
LIT_MEAN = 40            # mean channel level above which the probed middle shows the menu board


def resize(run, width, height):
    """Resizes through the window system and waits until the server reports the new size."""
    run.xdotool("windowsize", run.window, width, height)
    harness.wait_until(lambda: run.geometry()[2:] == (width, height), harness.scaled(RESIZED_WITHIN),
                       f"the window to become {width} by {height}")


def centre_lit(run, width, height):
    """The menu board sits in the middle of the view whatever the window's size; were the
    viewport left at an old size, the middle of a large window would stay black."""
    left, top = (width - CENTRE_SIDE) // 2, (height - CENTRE_SIDE) // 2
    centre = harness.Box(left, top, left + CENTRE_SIDE, top + CENTRE_SIDE)
    return harness.wait_until(lambda: max(run.screenshot("centre", crop=centre).mean()) > LIT_MEAN,
                              harness.scaled(RESIZED_WITHIN), "the menu board in the middle")


def test_window_extremes(checks):
    with harness.ProgramRun("window-extremes", cue_seconds=0) as run:
        run.start_and_wait()
        menu = run.screenshot("menu")  # the menu screen does not move: a picture to come back to
        for label, width, height in SIZES:
            checks.passes(f"resized to {label}", lambda: resize(run, width, height))
            checks.check(f"{label}: still running", run.alive(), run.stderr_text()[-3000:])
            if not run.alive():
                break
            checks.passes(f"{label}: keeps drawing", lambda: watch.wait_redrawn(run))
            if width >= CENTRE_SIDE and height >= CENTRE_SIDE:
                checks.passes(f"{label}: the menu board fills the middle (the viewport follows)",
                              lambda: centre_lit(run, width, height))

        if run.alive():
            def same_menu_again():
                return harness.wait_until(
                    lambda: run.screenshot("menu-again").fraction_changed(menu, SAME_COLOUR) <= STILL_SHARE,
                    harness.scaled(RESIZED_WITHIN), "the menu screen as it was")
            checks.passes("back at its own size it shows the menu as before", same_menu_again)

        run.point_at(harness.WINDOW_SIZE[0] // 2, harness.WINDOW_SIZE[1] // 2)  # the focus follows it
        run.key("Escape")
        code = checks.passes("Esc ends the program", lambda: run.wait_exit(20))
        checks.check("exit code 0", code == 0, f"exit code {code}")
        reports = watch.sanitizer_reports(run)
        checks.check("no sanitizer report", not reports, "\n".join(reports[:20]))


if __name__ == "__main__":
    harness.run_test(test_window_extremes)
