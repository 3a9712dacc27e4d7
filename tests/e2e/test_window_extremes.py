"""End-to-end: the window resized to extremes through the window system and back; the program
must keep running and drawing, follow with its viewport and show the same menu again."""

import harness

# The window at (200, 200) must fit whole at 4096 by 4096, so pictures of all of it can be taken.
SCREEN = "4400x4400x24"

# A side of 0 cannot be had: X refuses it, and xdotool takes 0 to mean "leave this side as it
# is". 1 is the smallest side; a height of 0 reaches the program only through a unit test.
SIZES = [  # (label, width, height) in pixels
    ("1 by 1", 1, 1),
    ("1024 by 1", 1024, 1),
    ("4096 by 4096", 4096, 4096),
    ("1 by 4096", 1, 4096),
    ("its own size again", *harness.WINDOW_SIZE),
]
RESIZED_WITHIN = 30      # seconds (scaled): a bound on a wait, generous for a busy machine
# Share of pixels that may differ between two pictures of the unchanged menu screen: only
# antialiased edges, redrawn.
STILL_SHARE = 0.01
SAME_COLOUR = 12         # levels per channel within which two pixels count as the same
CENTRE_SIDE = 200        # pixels: the square probed in the middle of a large window
LIT_MEAN = 40            # mean channel level above which the probed middle shows the menu board


def resize(run, width, height):
    run.xdotool("windowsize", run.window, width, height)
    harness.wait_until(lambda: run.geometry()[2:] == (width, height), harness.scaled(RESIZED_WITHIN),
                       f"the window to become {width} by {height}")


def centre_lit(run, width, height):
    """The board sits in the middle whatever the size; a viewport left at an old size would
    leave the middle of a large window black."""
    left, top = (width - CENTRE_SIDE) // 2, (height - CENTRE_SIDE) // 2
    centre = harness.Box(left, top, left + CENTRE_SIDE, top + CENTRE_SIDE)
    return harness.wait_until(lambda: max(run.screenshot("centre", crop=centre).mean()) > LIT_MEAN,
                              harness.scaled(RESIZED_WITHIN), "the menu board in the middle")


def test_window_extremes(checks):
    with harness.ProgramRun("window-extremes", cue_seconds=0, screen=SCREEN) as run:
        run.start_and_wait()
        menu = run.screenshot("menu")  # the menu screen does not move: a picture to come back to
        for label, width, height in SIZES:
            checks.passes(f"resized to {label}", lambda: resize(run, width, height))
            if not checks.check(f"{label}: still running", run.alive(), run.stderr_text()[-3000:]):
                break
            checks.passes(f"{label}: keeps drawing", lambda: harness.wait_redrawn(run))
            if width >= CENTRE_SIDE and height >= CENTRE_SIDE:
                checks.passes(f"{label}: the menu board fills the middle (the viewport follows)",
                              lambda: centre_lit(run, width, height))
        if run.alive():
            checks.passes("back at its own size it shows the menu as before", lambda: harness.wait_until(
                lambda: run.screenshot("menu-again").fraction_changed(menu, SAME_COLOUR) <= STILL_SHARE,
                harness.scaled(RESIZED_WITHIN), "the menu screen as it was"))
        harness.check_exit(checks, run)


if __name__ == "__main__":
    harness.run_test(test_window_extremes)
