#!/usr/bin/python3
"""First-run tour: the real program on a private Xvfb, driven through a scripted visit.

    tools/tour.py [--out DIR] [--docs]

Saves one PNG per stop (01-menu.png, 02-scene.png, ...) and a contact sheet of them all
(contact-sheet.png) in DIR, build/tour/ by default. With --docs it also refreshes the few
pictures the README shows in docs/tour/, scaled to 512 pixels wide. The program is
$ROBOTSCENE_BIN, or build/robotscene; it runs from the repository root with a silent stand-in
for the sound player. Needs Xvfb, xdotool and ImageMagick (import, convert, montage).
"""

import argparse
import shutil
import subprocess
import sys
import time
from pathlib import Path

from testkit.base import REPO_ROOT, scaled
from testkit.program import ProgramRun

SETTLE = 0.3          # seconds of further frames once the picture has changed
CHANGE_TIMEOUT = 15   # seconds for a stop's picture to change
PIXEL_TOLERANCE = 8   # channel difference that counts a pixel as changed
CHANGED_SHARE = 0.01  # share of changed pixels that counts the picture as changed
NEW_VIEW_SHARE = 0.2  # the same after a camera change, so that a coasting robot does not count
DRIVE_SECONDS = 0.8   # seconds of Z and D held: the robot sets off on a curve
HEAD_SECONDS = 0.8    # seconds of A held
ZOOM_STEPS = 5        # "+" presses before the head close-up
STATUS_TIMEOUT = 5    # seconds to wait for a status line
DOCS_WIDTH = 512      # pixels
DOCS_STOPS = ["01-menu", "02-scene", "04-chase-camera", "06-wireframe", "08-debug-textures"]
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


class Tour:
    def __init__(self, run, out):
        self.run = run
        self.out = out
        self.stops = []
        self.last = None  # the picture of the last stop

    def stop(self, name, changed_share=CHANGED_SHARE):
        """Saves the window as <number>-<name>.png, once that share of the picture has changed
        since the last stop (a software renderer can take a while over a new view)."""
        if self.last is not None:
            self.run.wait_for_picture(lambda picture: picture.fraction_changed(self.last, PIXEL_TOLERANCE)
                                      > changed_share, CHANGE_TIMEOUT, f"the picture of {name}", "waiting")
        time.sleep(scaled(SETTLE))
        self.last = self.run.screenshot(name)
        path = self.out / f"{len(self.stops) + 1:02d}-{name}.png"
        shutil.copyfile(self.last.path, path)
        self.stops.append(path)
        print(path.name, flush=True)

    def keys(self, *names):
        for name in names:
            self.run.key(name)

    def hold(self, names, seconds, shot=None):
        """Holds keys together for a while, taking the stop's picture while they are down."""
        for name in names:
            self.run.xdotool("keydown", name)
        try:
            time.sleep(scaled(seconds))
            if shot:
                self.stop(shot)
        finally:
            for name in names:
                self.run.xdotool("keyup", name)


def visit(tour):
    run = tour.run
    run.start_and_wait()
    tour.stop("menu")
    tour.keys("space")
    tour.stop("scene")
    tour.hold(["z", "d"], DRIVE_SECONDS, shot="driving")
    tour.keys("v")
    tour.stop("chase-camera", NEW_VIEW_SHARE)
    tour.keys("v")
    tour.stop("tracking-camera", NEW_VIEW_SHARE)
    # Enter: robot home, orbit camera, menu hidden; the rendering keys start from there.
    tour.keys("Return")
    run.wait_for_line(r"^ROBOT RESETED$", STATUS_TIMEOUT)
    tour.keys("t")
    tour.stop("wireframe")
    tour.keys("t", "t", "y")  # points, filled again; then flat shading
    tour.stop("flat-shading")
    tour.keys("y", "o")
    run.wait_for_line(r"^DEBUG ENABLED$", STATUS_TIMEOUT)
    tour.stop("debug-textures")
    tour.keys("o")
    run.wait_for_line(r"^DEBUG DISABLED$", STATUS_TIMEOUT)
    tour.keys("f")
    tour.stop("hologram-off")
    tour.keys("f", *["plus"] * ZOOM_STEPS)
    tour.hold(["a"], HEAD_SECONDS)
    tour.stop("head-turned")
    run.key("Escape")
    run.wait_exit(10)


def contact_sheet(stops, out):
    sheet = out / "contact-sheet.png"
    # Settings come before the pictures they apply to: each is labelled with its file name.
    subprocess.run(["montage", "-label", "%t", "-font", FONT, "-pointsize", "14", "-fill", "#e0e0e0",
                    "-background", "#202020", *map(str, stops), "-tile", "5x", "-geometry", "320x240+6+6",
                    "-define", "png:exclude-chunks=date,time", str(sheet)], check=True)
    print(sheet.name, flush=True)


def refresh_docs(stops):
    """Small copies for the README in docs/tour/: 512 pixels wide, 256 colours, no time stamps."""
    docs = REPO_ROOT / "docs" / "tour"
    docs.mkdir(parents=True, exist_ok=True)
    for stop in stops:
        if stop.stem in DOCS_STOPS:
            target = docs / stop.name
            subprocess.run(["convert", str(stop), "-resize", f"{DOCS_WIDTH}x", "-strip", "-colors", "256",
                            "-define", "png:exclude-chunks=date,time", str(target)], check=True)
            print(f"docs/tour/{target.name}", flush=True)


def main(arguments):
    parser = argparse.ArgumentParser(description="Scripted visit of the program, one picture per stop.")
    parser.add_argument("--out", type=Path, default=REPO_ROOT / "build" / "tour", help="where the pictures go")
    parser.add_argument("--docs", action="store_true", help="also refresh the README's pictures in docs/tour/")
    options = parser.parse_args(arguments)
    options.out.mkdir(parents=True, exist_ok=True)
    # Only what an earlier tour left: --out may name a directory that holds other pictures.
    for old in [*options.out.glob("[0-9][0-9]-*.png"), options.out / "contact-sheet.png"]:
        old.unlink(missing_ok=True)

    with ProgramRun("tour") as run:
        tour = Tour(run, options.out)
        visit(tour)
    contact_sheet(tour.stops, options.out)
    if options.docs:
        refresh_docs(tour.stops)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
