"""End-to-end: the program run on damaged copies of a robot, an environment and the menu image.
Unusable files are named once per load on standard error; everything else works as usual."""

import random
import re
import shutil
import struct
import subprocess
import tempfile
from collections import Counter
from pathlib import Path

import harness
from harness import Box

ROBOT_IMAGE = "textures/square.jpg"
ENVIRONMENT_IMAGE = "textures/floor.png"
MENU_IMAGE = "textures/menu.jpg"
ALL = (ROBOT_IMAGE, ENVIRONMENT_IMAGE, MENU_IMAGE)
JPEGS = (ROBOT_IMAGE, MENU_IMAGE)
# How often each image is loaded at start-up: floor.png serves the floor and its underside.
LOADS_AT_START = {ROBOT_IMAGE: 1, ENVIRONMENT_IMAGE: 2, MENU_IMAGE: 1}

ODD_SIZE = (333, 77)         # pixels: a JPEG row of 999 bytes is no multiple of 4
HUGE_SIDE = 60000            # pixels: far beyond anything the program accepts
LARGE_SIDE = 12000           # pixels: the decoder would take it, the program refuses it
RANDOM_SEED = 20240611       # fixed, so a failing run can be repeated byte for byte
LOAD_FAILURE = re.compile(r"^robotscene: cannot load image (\S+): \S")  # the path, then a reason

BLACK = (0, 0, 0)
MENU_MIDDLE = Box(320, 200, 704, 568)  # well inside the menu board
# Levels per channel within which a pixel counts as the black clear colour.
NEAR_BLACK = 12
# Share of the menu's middle that must be lit: the board is there whether or not its image
# loaded (an empty image leaves it untextured, lit white), only never-drawn would be black.
LIT_SHARE = 0.5
# Share of the window that must change from the menu to the scene: far above edge noise.
CHANGED_SHARE = 0.05
SAME_COLOUR = 12             # levels per channel: two pixels of one unchanged picture


def header_of(path):
    """(width, height, PNG colour type or JPEG components): each fixture is what it claims."""
    data = Path(path).read_bytes()
    if path.suffix == ".png":
        if data[:8] != harness.PNG_SIGNATURE or data[12:16] != b"IHDR":
            return None
        width, height, _, colour = struct.unpack(">IIBB", data[16:26])
        return width, height, colour
    position = 2
    while data[:2] == b"\xff\xd8" and position + 4 <= len(data) and data[position] == 0xFF:
        if data[position + 1] in (0xC0, 0xC1, 0xC2):  # start of frame
            height, width, components = struct.unpack(">HHB", data[position + 5:position + 10])
            return width, height, components
        position += 2 + struct.unpack(">H", data[position + 2:position + 4])[0]
    return None


def claimed_size(side):
    """Damage: a well-formed header that claims side by side pixels, with no picture behind it."""
    def damage(path):
        if path.suffix == ".png":
            header = struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 0)  # 8-bit RGBA
            data = (harness.PNG_SIGNATURE + harness.png_chunk(b"IHDR", header)
                    + harness.png_chunk(b"IEND", b""))
        else:
            frame = struct.pack(">BHHB", 8, side, side, 3) + b"\x01\x11\x00\x02\x11\x00\x03\x11\x00"
            data = b"\xff\xd8\xff\xc0" + struct.pack(">H", len(frame) + 2) + frame + b"\xff\xd9"
        path.write_bytes(data)
    return damage


def convert(*options):
    """Damage: ImageMagick rewrites the file; options end with the output format, {} the path."""
    def damage(path):
        arguments = [option.format(path) for option in options]
        subprocess.run(["convert", str(path), *arguments], check=True, capture_output=True, timeout=60)
    return damage


def odd_width(path):
    size = f"{ODD_SIZE[0]}x{ODD_SIZE[1]}!"
    if path.suffix == ".png":
        convert("-resize", size, "-type", "TrueColorAlpha", "PNG32:{}")(path)
    else:
        convert("-resize", size, "-type", "TrueColor", "JPEG:{}")(path)


def claimed(side):
    """The headers the claimed-size files carry: RGBA for the PNG, three channels for a JPEG."""
    return {name: (side, side, 6 if name.endswith(".png") else 3) for name in ALL}


# Each kind: its damage, the files it applies to, whether they stay usable, and the headers the
# damaged files must carry, where they have one worth checking.
KINDS = [
    ("missing", Path.unlink, ALL, False, {}),
    ("empty", lambda path: path.write_bytes(b""), ALL, False, {}),
    ("truncated", lambda path: path.write_bytes(path.read_bytes()[:path.stat().st_size // 2]),
     ALL, False, {}),  # cut inside the compressed picture
    ("random", lambda path: path.write_bytes(
        random.Random(f"{RANDOM_SEED}{path.name}").randbytes(path.stat().st_size)), ALL, False, {}),
    ("rgb-png", convert("-alpha", "off", "PNG24:{}"), (ENVIRONMENT_IMAGE,), True,
     {ENVIRONMENT_IMAGE: (256, 256, 2)}),
    ("grey-jpeg", convert("-colorspace", "Gray", "-type", "Grayscale", "JPEG:{}"), JPEGS, True,
     {ROBOT_IMAGE: (32, 32, 1), MENU_IMAGE: (512, 512, 1)}),
    ("odd-width", odd_width, ALL, True, {ROBOT_IMAGE: (*ODD_SIZE, 3), MENU_IMAGE: (*ODD_SIZE, 3),
                                         ENVIRONMENT_IMAGE: (*ODD_SIZE, 6)}),
    ("huge-header", claimed_size(HUGE_SIDE), ALL, False, claimed(HUGE_SIDE)),
    ("large-header", claimed_size(LARGE_SIDE), ALL, False, claimed(LARGE_SIDE)),
]


def check_run(checks, kind, work, files, usable):
    with harness.ProgramRun(f"bad-files-{kind}", cue_seconds=0, cwd=work) as run:
        run.find_window()
        menu = checks.passes(f"{kind}: the menu shows", lambda: run.wait_for_picture(
            lambda image: image.fraction_near(BLACK, NEAR_BLACK, MENU_MIDDLE) <= 1 - LIT_SHARE,
            10, "the menu board", "menu"))
        # Every image is loaded before the first frame, so every message is out by now.
        own = [line for line in run.stderr_text().splitlines() if line.startswith("robotscene:")]
        named = Counter(match.group(1) for match in map(LOAD_FAILURE.match, own) if match)
        expected = Counter() if usable else Counter({name: LOADS_AT_START[name] for name in files})
        checks.check(f"{kind}: one line per load of each unusable file, nothing else",
                     named == expected and sum(named.values()) == len(own),
                     f"expected {dict(expected)}, stderr lines:\n  " + "\n  ".join(own))
        run.key("space")
        if menu:
            checks.passes(f"{kind}: space shows the scene", lambda: run.wait_for_picture(
                lambda image: image.fraction_changed(menu, SAME_COLOUR) >= CHANGED_SHARE, 10,
                "the scene", "scene"))
        for name, line in (("keys still work (O prints \"DEBUG ENABLED\")", "DEBUG ENABLED"),
                           ("the normal images load again (\"DEBUG DISABLED\")", "DEBUG DISABLED")):
            run.key("o")
            checks.passes(f"{kind}: {name}", lambda: run.wait_for_line(f"^{line}$", 10))
        harness.check_exit(checks, run, f"{kind}: ")


def test_bad_files(checks):
    temp = Path(tempfile.mkdtemp(prefix="robotscene-bad-files-"))
    try:
        for kind, damage, files, usable, headers in KINDS:
            work = temp / kind
            for assets in ("textures", "audio"):
                shutil.copytree(harness.REPO_ROOT / assets, work / assets)
            for name in files:
                damage(work / name)
            got = {name: header_of(work / name) for name in headers}
            if checks.check(f"{kind}: damaged files made as meant", got == headers,
                            f"headers {got}, meant {headers}"):
                check_run(checks, kind, work, files, usable)
            shutil.rmtree(work, ignore_errors=True)
    finally:
        shutil.rmtree(temp, ignore_errors=True)


if __name__ == "__main__":
    harness.run_test(test_bad_files)
