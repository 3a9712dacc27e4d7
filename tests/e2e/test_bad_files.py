"""End-to-end: the program survives unusable image files. Three launches: damaged files, headers
that claim huge sizes, and images in formats the program does not read (GIF, BMP, TGA) under its
.png and .jpg names. Each unusable file is named once per load on standard error, the program
still draws, reacts to keys and ends cleanly. How each file is decoded is unit-tested, not here."""

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

ROBOT, FLOOR, MENU, SKY = "textures/square.jpg", "textures/floor.png", "textures/menu.jpg", "textures/sky.jpg"
# Loads at start-up: floor.png serves the floor and its underside.
LOADS_AT_START = {ROBOT: 1, FLOOR: 2, MENU: 1, SKY: 1}
RANDOM_SEED = 20240611       # fixed, so a failing run can be repeated byte for byte
LOAD_FAILURE = re.compile(r"^robotscene: cannot load image (\S+): (.+)$")

BLACK = (0, 0, 0)
MENU_MIDDLE = Box(320, 200, 704, 568)  # well inside the menu board
NEAR_BLACK = 12              # levels per channel: the black clear colour
# The board is lit whether or not its image loaded (an empty image leaves it untextured, lit
# white); only a board never drawn would leave the middle black.
LIT_SHARE = 0.5
CHANGED_SHARE = 0.05         # of the window, from the menu to the scene: far above edge noise
SAME_COLOUR = 12             # levels per channel: two pixels of one unchanged picture


def claims(side):
    """A well-formed header that claims side by side pixels, with no picture behind it."""
    def damage(path):
        if path.suffix == ".png":
            data = (harness.PNG_SIGNATURE + harness.png_chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 0))
                    + harness.png_chunk(b"IEND", b""))
        else:
            frame = struct.pack(">BHHB", 8, side, side, 3) + b"\x01\x11\x00\x02\x11\x00\x03\x11\x00"
            data = b"\xff\xd8\xff\xc0" + struct.pack(">H", len(frame) + 2) + frame + b"\xff\xd9"
        path.write_bytes(data)
    return damage


def rewritten_as(image_format):
    """The same picture, really written in another format, keeping its .png or .jpg name."""
    def damage(path):
        subprocess.run(["convert", str(path), f"{image_format}:{path}"], check=True, capture_output=True, timeout=60)
    return damage


def cut(path):
    path.write_bytes(path.read_bytes()[:path.stat().st_size // 2])  # inside the compressed picture


def scrambled(path):
    path.write_bytes(random.Random(f"{RANDOM_SEED}{path.name}").randbytes(path.stat().st_size))


# Each launch: what is done to which file, the bytes each damaged file must start with (that it
# was made as meant), and the words the reason must contain.
LAUNCHES = [
    ("damaged", {ROBOT: Path.unlink, FLOOR: cut, MENU: scrambled, SKY: lambda path: path.write_bytes(b"")},
     {FLOOR: harness.PNG_SIGNATURE}, ""),
    ("oversize", {ROBOT: claims(60000), FLOOR: claims(12000), MENU: claims(12000)},
     {ROBOT: b"\xff\xd8\xff\xc0", FLOOR: harness.PNG_SIGNATURE, MENU: b"\xff\xd8\xff\xc0"}, "larger than 8192"),
    ("foreign", {FLOOR: rewritten_as("GIF"), ROBOT: rewritten_as("BMP"), MENU: rewritten_as("TGA")},
     {FLOOR: b"GIF8", ROBOT: b"BM", MENU: b"\x00\x00\x02"}, "not a JPEG or PNG"),
]


def failures(run):
    """Loads refused so far, by file, and every line the program wrote to standard error."""
    own = [line for line in run.stderr_text().splitlines() if line.startswith("robotscene:")]
    return Counter(match.group(1) for match in map(LOAD_FAILURE.match, own) if match), own


def check_run(checks, kind, work, damaged, reason):
    with harness.ProgramRun(f"bad-files-{kind}", cue_seconds=0, cwd=work) as run:
        run.find_window()
        menu = checks.passes(f"{kind}: the menu shows", lambda: run.wait_for_picture(
            lambda image: image.fraction_near(BLACK, NEAR_BLACK, MENU_MIDDLE) <= 1 - LIT_SHARE,
            10, "the menu board", "menu"))
        # Every image is loaded before the first frame, so every message is out by now.
        named, own = failures(run)
        expected = Counter({name: LOADS_AT_START[name] for name in damaged})
        checks.check(f"{kind}: one line per load of each unusable file, with its reason, nothing else",
                     named == expected and len(own) == sum(named.values()) and all(reason in line for line in own),
                     f"expected {dict(expected)} ({reason!r}), stderr lines:\n  " + "\n  ".join(own))
        run.key("space")
        if menu:
            checks.passes(f"{kind}: space shows the scene", lambda: run.wait_for_picture(
                lambda image: image.fraction_changed(menu, SAME_COLOUR) >= CHANGED_SHARE, 10, "the scene", "scene"))
        for line in ("DEBUG ENABLED", "DEBUG DISABLED"):
            run.key("o")
            checks.passes(f"{kind}: O works (\"{line}\")", lambda: run.wait_for_line(f"^{line}$", 10))
        # Back from the debug set, the robot's own images are loaded again, the damaged one too.
        expected[ROBOT] += 1
        checks.passes(f"{kind}: the robot's images load again", lambda: harness.wait_until(
            lambda: failures(run)[0] == expected, 10, f"stderr lines {dict(expected)}"))
        harness.check_exit(checks, run, f"{kind}: ")


def test_bad_files(checks):
    temp = Path(tempfile.mkdtemp(prefix="robotscene-bad-files-"))
    try:
        for kind, damage, starts, reason in LAUNCHES:
            work = temp / kind
            for assets in ("textures", "audio"):
                shutil.copytree(harness.REPO_ROOT / assets, work / assets)
            for name, spoil in damage.items():
                spoil(work / name)
            made = {name: (work / name).read_bytes()[:len(start)] for name, start in starts.items()}
            if checks.check(f"{kind}: damaged files made as meant", made == starts, f"{made}"):
                check_run(checks, kind, work, damage, reason)
            shutil.rmtree(work, ignore_errors=True)
    finally:
        shutil.rmtree(temp, ignore_errors=True)


if __name__ == "__main__":
    harness.run_test(test_bad_files)
