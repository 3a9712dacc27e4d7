"""The scene's regions and picture predicates, for the desktop window and the page's canvas alike
(1024 by 768, orbit camera at its start): is the menu shown, the floor drawn, a region still or
changed between two pictures. Tolerances are named for their reasons. The tests decide what to
expect; this only says what a picture shows."""

import time

from testkit.base import HarnessError, scaled
from testkit.images import Box

BLACK = (0, 0, 0)  # the clear colour: what shows where nothing is drawn

# Window regions, in pixels of the 1024 by 768 window, orbit camera at its start.
MENU_MIDDLE = Box(320, 200, 704, 568)   # well inside the menu board
MENU_SIDE = Box(0, 0, 160, 768)         # left of the menu board: nothing is drawn there
FLOOR_CORNERS = (Box(40, 610, 200, 680), Box(824, 610, 984, 680))  # floor, left of and right of
                                        # the menu board, far from the robot and the fly-by
ROBOT = Box(410, 270, 615, 535)         # the robot at its start place, dome to feet
HEAD = Box(445, 262, 580, 335)          # its head dome, eye and indicator light
ROBOT_LOWER = Box(410, 440, 615, 535)   # its drum's lower part, legs and feet: the head and
                                        # hologram above do not reach down there
LOWER_PART = Box(0, 300, 1024, 768)     # floor and robot, below where the fly-by craft passes

# Levels per channel within which two pixels count as the same colour: the renderer is exact for
# an unchanged picture, this only absorbs the few levels of a blended edge redrawn in a new frame.
SAME_COLOUR = 12
# Levels per channel within which a pixel counts as the black clear colour. The starry sky is
# nearly black too, so the probes that need the clear colour look where only it or the lit
# floor and menu board can be.
NEAR_BLACK = 12
# Share of pixels that may differ between two pictures of one unchanged view: antialiased edges.
STILL_SHARE = 0.01
# Share of pixels that must differ for a picture to count as changed: far above edge noise,
# far below what a moved robot or a turned camera changes.
CHANGED_SHARE = 0.05
# Share of a region that must be covered (or must be black) for a surface to count as filling
# it (or as absent); the rest allows for the floor's tile seams and the edges of the board.
COVERED_SHARE = 0.9
STILL_WATCH = 1.0  # seconds (scaled) between two pictures that must agree for a still view:
                   # several frames, so a picture that merely repeats the last frame proves nothing


def still(first, second, box):
    return first.fraction_changed(second, SAME_COLOUR, box) <= STILL_SHARE


def changed(first, second, box):
    return first.fraction_changed(second, SAME_COLOUR, box) >= CHANGED_SHARE


def black_share(image, box=None):
    return image.fraction_near(BLACK, NEAR_BLACK, box)


def floor_drawn(image):
    return all(black_share(image, box) <= 1 - COVERED_SHARE for box in FLOOR_CORNERS)


def floor_absent(image):
    return all(black_share(image, box) >= COVERED_SHARE for box in FLOOR_CORNERS)


def menu_shown(image):
    # The board covers the middle, the clear colour shows beside it, no floor is drawn.
    return (black_share(image, MENU_MIDDLE) <= 1 - COVERED_SHARE
            and black_share(image, MENU_SIDE) >= COVERED_SHARE and floor_absent(image))


def wait_still(run, box, what, label, timeout=30):
    """The running program's picture once two taken STILL_WATCH apart agree within box."""
    deadline = time.monotonic() + scaled(timeout)
    while True:
        first = run.screenshot(label)
        time.sleep(scaled(STILL_WATCH))
        second = run.screenshot(label)
        if still(first, second, box):
            return second
        if time.monotonic() > deadline:
            raise HarnessError(f"timed out waiting for {what} (last picture {second.path})")
