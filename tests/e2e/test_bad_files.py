"""End-to-end: the program with damaged image files.

For each kind of damage it copies textures/ and audio/ into a temporary directory, damages one
robot image (square.jpg), one environment image (floor.png, also the floor's underside) and the
menu image (menu.jpg) there, and runs the real program with that directory as its working
directory. Whatever the damage, the program must start, show its menu and its scene, react to
keys and end with code 0 on Esc, with no sanitizer report. A file that cannot be used must be
named by one line on standard error per load; a file that decodes (grey, three-channel PNG, odd
width) must simply draw, with nothing said.
"""

import os
import random
import re
import shlex
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib
from collections import Counter
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "reliability"))

import harness  # noqa: E402
import watch  # noqa: E402
from harness import Box  # noqa: E402

ROBOT_IMAGE = "textures/square.jpg"
ENVIRONMENT_IMAGE = "textures/floor.png"
MENU_IMAGE = "textures/menu.jpg"
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


# ---------------------------------------------------------------------------------------------
# Headers of the damaged files, read back so that each fixture is checked to be what it claims.

def png_header(data):
    """(width, height, colour type) from a PNG's IHDR, or None."""
    if data[:8] != harness.PNG_SIGNATURE or data[12:16] != b"IHDR":
        return None
    width, height, _, colour = struct.unpack(">IIBB", data[16:26])
    return width, height, colour


def jpeg_header(data):
    """(width, height, components) from a JPEG's first start-of-frame segment, or None."""
    position = 2
    if data[:2] != b"\xff\xd8":
        return None
    while position + 4 <= len(data) and data[position] == 0xFF:
        marker = data[position + 1]
        length = struct.unpack(">H", data[position + 2:position + 4])[0]
        if marker in (0xC0, 0xC1, 0xC2):
            height, width, components = struct.unpack(">HHB", data[position + 5:position + 10])
            return width, height, components
        position += 2 + length
    return None


def header_of(path):
    data = Path(path).read_bytes()
    return png_header(data) if str(path).endswith(".png") else jpeg_header(data)


# ---------------------------------------------------------------------------------------------
# Damage, one function per kind: each rewrites the files it is given in place.

def png_chunk(kind, body):
    return (struct.pack(">I", len(body)) + kind + body
            + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))


def claimed_size_file(path, side):
    """A well-formed header that claims side by side pixels, with no picture behind it."""
    if path.suffix == ".png":
        header = struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 0)  # 8-bit RGBA
        return harness.PNG_SIGNATURE + png_chunk(b"IHDR", header) + png_chunk(b"IEND", b"")
    frame = struct.pack(">BHHB", 8, side, side, 3) + b"\x01\x11\x00\x02\x11\x00\x03\x11\x00"
    return b"\xff\xd8" + b"\xff\xc0" + struct.pack(">H", len(frame) + 2) + frame + b"\xff\xd9"


def convert(path, *options):
    """Rewrites an image of ours with ImageMagick; the output format is part of the options."""
    subprocess.run(["convert", str(path), *options], check=True, capture_output=True, timeout=60)


def missing(path):
    path.unlink()


def empty(path):
    path.write_bytes(b"")


def truncated(path):
    data = path.read_bytes()
    path.write_bytes(data[:len(data) // 2])  # cut inside the compressed picture


def random_bytes(path):
    size = path.stat().st_size
    path.write_bytes(random.Random(f"{RANDOM_SEED}{path.name}").randbytes(size))


def rgb_png(path):
    convert(path, "-alpha", "off", f"PNG24:{path}")


def grey_jpeg(path):
    convert(path, "-colorspace", "Gray", "-type", "Grayscale", f"JPEG:{path}")


def odd_width(path):
    size = f"{ODD_SIZE[0]}x{ODD_SIZE[1]}!"
    if path.suffix == ".png":
        convert(path, "-resize", size, "-type", "TrueColorAlpha", f"PNG32:{path}")
    else:
        convert(path, "-resize", size, "-type", "TrueColor", f"JPEG:{path}")


def huge_header(path):
    path.write_bytes(claimed_size_file(path, HUGE_SIDE))


def large_header(path):
    path.write_bytes(claimed_size_file(path, LARGE_SIDE))


def claimed(side):
    """The headers the claimed-size files carry: RGBA for the PNG, three channels for a JPEG."""
    return {name: (side, side, 6 if name.endswith(".png") else 3) for name in ALL}


# Each kind: its damage, the files it applies to, whether they stay usable, and the headers
# (width, height, PNG colour type or JPEG components) the damaged files must carry, where they
# have one worth checking.
ALL = (ROBOT_IMAGE, ENVIRONMENT_IMAGE, MENU_IMAGE)
JPEGS = (ROBOT_IMAGE, MENU_IMAGE)
KINDS = [
    ("missing", missing, ALL, False, {}),
    ("empty", empty, ALL, False, {}),
    ("truncated", truncated, ALL, False, {}),
    ("random", random_bytes, ALL, False, {}),
    ("rgb-png", rgb_png, (ENVIRONMENT_IMAGE,), True, {ENVIRONMENT_IMAGE: (256, 256, 2)}),
    ("grey-jpeg", grey_jpeg, JPEGS, True, {ROBOT_IMAGE: (32, 32, 1), MENU_IMAGE: (512, 512, 1)}),
    ("odd-width", odd_width, ALL, True, {ROBOT_IMAGE: (*ODD_SIZE, 3), MENU_IMAGE: (*ODD_SIZE, 3),
                                         ENVIRONMENT_IMAGE: (*ODD_SIZE, 6)}),
    ("huge-header", huge_header, ALL, False, claimed(HUGE_SIDE)),
    ("large-header", large_header, ALL, False, claimed(LARGE_SIDE)),
]


# ---------------------------------------------------------------------------------------------
# One run

def prepare(temp, kind, damage, files):
    """A working directory with copies of textures/ and audio/ and the files damaged."""
    work = temp / kind
    for assets in ("textures", "audio"):
        shutil.copytree(harness.REPO_ROOT / assets, work / assets)
    for name in files:
        damage(work / name)
    return work


def start_script(temp, kind, work, binary):
    """What the harness runs: goes to the working directory and execs the program there (exec
    keeps the pid, so the harness still ends and watches the program itself)."""
    script = temp / f"start-{kind}.sh"
    script.write_text(f"#!/bin/sh\ncd {shlex.quote(str(work))} || exit 1\n"
                      f"exec {shlex.quote(str(binary))} \"$@\"\n")
    script.chmod(0o755)
    return script


def check_messages(checks, kind, run, files, usable):
    """Each load of an unusable file is named by exactly one line, with a reason; usable files by
    none; and the program says nothing else of its own."""
    own = [line for line in run.stderr_text().splitlines() if line.startswith("robotscene:")]
    named = Counter(match.group(1) for match in map(LOAD_FAILURE.match, own) if match)
    expected = Counter() if usable else Counter({name: LOADS_AT_START[name] for name in files})
    checks.check(f"{kind}: one line per load of each unusable file, nothing else",
                 named == expected and sum(named.values()) == len(own),
                 f"expected {dict(expected)}, stderr lines:\n  " + "\n  ".join(own))


def check_run(checks, kind, script, files, usable):
    os.environ["ROBOTSCENE_BIN"] = str(script)
    with harness.ProgramRun(f"bad-files-{kind}", cue_seconds=0) as run:
        run.find_window()

        def menu_lit(image):
            return image.fraction_near(BLACK, NEAR_BLACK, MENU_MIDDLE) <= 1 - LIT_SHARE
        menu = checks.passes(f"{kind}: the menu shows",
                             lambda: run.wait_for_picture(menu_lit, 10, "the menu board", "menu"))
        # Every image is loaded before the first frame, so every message is out by now.
        check_messages(checks, kind, run, files, usable)

        run.key("space")
        if menu:
            checks.passes(f"{kind}: space shows the scene", lambda: run.wait_for_picture(
                lambda image: image.fraction_changed(menu, SAME_COLOUR) >= CHANGED_SHARE, 10,
                "the scene", "scene"))
        run.key("o")
        checks.passes(f"{kind}: keys still work (O prints \"DEBUG ENABLED\")",
                      lambda: run.wait_for_line(r"^DEBUG ENABLED$", 10))
        run.key("o")
        checks.passes(f"{kind}: the normal images load again (\"DEBUG DISABLED\")",
                      lambda: run.wait_for_line(r"^DEBUG DISABLED$", 10))
        run.key("Escape")
        code = checks.passes(f"{kind}: Esc ends the program", lambda: run.wait_exit(20))
        checks.check(f"{kind}: exit code 0", code == 0, f"exit code {code}")
        reports = watch.sanitizer_reports(run)
        checks.check(f"{kind}: no sanitizer report", not reports, "\n".join(reports[:20]))


def test_bad_files(checks):
    binary_before = os.environ.get("ROBOTSCENE_BIN")
    binary = harness.binary_path().resolve()
    temp = Path(tempfile.mkdtemp(prefix="robotscene-bad-files-"))
    try:
        for kind, damage, files, usable, headers in KINDS:
            work = prepare(temp, kind, damage, files)
            got = {name: header_of(work / name) for name in headers}
            if not checks.check(f"{kind}: damaged files made as meant", got == headers,
                                f"headers {got}, meant {headers}"):
                continue
            check_run(checks, kind, start_script(temp, kind, work, binary), files, usable)
            shutil.rmtree(work, ignore_errors=True)
    finally:
        if binary_before is None:
            os.environ.pop("ROBOTSCENE_BIN", None)
        else:
            os.environ["ROBOTSCENE_BIN"] = binary_before
        shutil.rmtree(temp, ignore_errors=True)


if __name__ == "__main__":
    harness.run_test(test_bad_files)
