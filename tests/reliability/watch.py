"""Proof that a running program still draws, for the reliability tests (on the e2e harness)."""

import harness

MARKER_TITLE = "robotscene reliability marker"
MARKER_TRIES = 5          # attempts to set the marker between two of the program's title updates
REDRAWN_WITHIN = 10       # seconds (scaled): the program rewrites its title once a second


def wait_redrawn(run, timeout=REDRAWN_WITHIN):
    """Puts a marker in the title and waits for the frame-rate title to replace it; returns it."""
    for _ in range(MARKER_TRIES):  # the program may rewrite the title between set and read
        run.set_title(MARKER_TITLE)
        if run.title() == MARKER_TITLE:
            break
    else:
        raise harness.HarnessError(f"the marker title could not be set, it reads {run.title()!r}")
    return harness.wait_until(lambda: harness.FPS_TITLE.match(run.title()) and run.title(),
                              harness.scaled(timeout), "the frame-rate title to replace the marker")
