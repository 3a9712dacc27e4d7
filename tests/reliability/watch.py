"""What the reliability checks watch in a running program, shared by their end-to-end tests and
the soak: that it still draws, and that no sanitizer has spoken. Built on the end-to-end harness
(tests/e2e/harness.py), which must be importable."""

import harness

MARKER_TITLE = "robotscene reliability marker"
MARKER_TRIES = 5          # attempts to set the marker between two of the program's title updates
REDRAWN_WITHIN = 10       # seconds (scaled): the program rewrites its title once a second
SANITIZER_MARKS = ("Sanitizer", "runtime error:")


def set_title(run, text):
    """Sets WM_NAME alone, the property the program writes. (xdotool's set_window would set
    _NET_WM_NAME too, which the program never touches and which would then hide its title.)"""
    run._tool("xprop", "-id", run.window, "-f", "WM_NAME", "8s", "-set", "WM_NAME", text)


def wait_redrawn(run, timeout=REDRAWN_WITHIN):
    """Puts a marker in the window title and waits for the program's frame-rate title to replace
    it: proof that frames are still being drawn. Returns the title."""
    for _ in range(MARKER_TRIES):  # the program may rewrite the title between set and read
        set_title(run, MARKER_TITLE)
        if run.title() == MARKER_TITLE:
            break
    else:
        raise harness.HarnessError(f"the marker title could not be set, it reads {run.title()!r}")
    return harness.wait_until(lambda: harness.FPS_TITLE.match(run.title()) and run.title(),
                              harness.scaled(timeout), "the frame-rate title to replace the marker")


def sanitizer_reports(run):
    """Lines of the program's standard error in which a sanitizer speaks."""
    return [line for line in run.stderr_text().splitlines()
            if any(mark in line for mark in SANITIZER_MARKS)]
