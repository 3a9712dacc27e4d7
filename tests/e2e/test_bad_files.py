"""End-to-end: the program survives unusable image files. Three launches: damaged files, headers
that claim huge sizes, and images in formats the program does not read (GIF, BMP, TGA) under its
.png and .jpg names, most of them files of the image loader's fuzz corpus. Each unusable file is
named once per load on standard error, the program still draws, reacts to keys and ends cleanly.
How each file is decoded is unit-tested and replayed from the corpus, not here."""

import re
import shutil
import tempfile
from collections import Counter
from pathlib import Path

import harness
from harness import Box

ROBOT, FLOOR, MENU, SKY = "textures/square.jpg", "textures/floor.png", "textures/menu.jpg", "textures/sky.jpg"
# Loads at start-up: floor.png serves the floor and its underside.
LOADS_AT_START = {ROBOT: 1, FLOOR: 2, MENU: 1, SKY: 1}
CORPUS = harness.REPO_ROOT / "fuzz" / "corpus"
LOAD_FAILURE = re.compile(r"^robotscene: cannot load image (\S+): (.+)$")

BLACK = (0, 0, 0)
MENU_MIDDLE = Box(320, 200, 704, 568)  # well inside the menu board
NEAR_BLACK = 12              # levels per channel: the black clear colour
# The board is lit whether or not its image loaded (an empty image leaves it untextured, lit
# white); only a board never drawn would leave the middle black.
LIT_SHARE = 0.5
CHANGED_SHARE = 0.05         # of the window, from the menu to the scene: far above edge noise
SAME_COLOUR = 12             # levels per channel: two pixels of one unchanged picture


def corpus(name):
    """Puts a file of the fuzz corpus in place of the image, under the image's own name."""
    return lambda path: shutil.copyfile(CORPUS / name, path)


# Each launch: what is done to which file, and the words the reason must contain. The damaged
# launch has a missing file, one cut short, one the decoder once wrote out of bounds on, an empty one.
LAUNCHES = [
    ("damaged", {ROBOT: Path.unlink, FLOOR: corpus("seed-cut-rgba.png"), MENU: corpus("crash-jpeg-huffman-codes"),
                 SKY: lambda path: path.write_bytes(b"")}, ""),
    ("oversize", {ROBOT: corpus("seed-claims-60000.jpg"), FLOOR: corpus("seed-claims-12000.png"),
                  MENU: corpus("seed-claims-60000.jpg")}, "larger than 8192"),
    ("foreign", {FLOOR: corpus("seed-foreign.gif"), ROBOT: corpus("seed-foreign.bmp"),
                 MENU: corpus("seed-foreign.tga")}, "not a JPEG or PNG"),
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
            30, "the menu board", "menu"))
        # Every image is loaded before the first frame, so every message is out by now.
        named, own = failures(run)
        expected = Counter({name: LOADS_AT_START[name] for name in damaged})
        checks.check(f"{kind}: one line per load of each unusable file, with its reason, nothing else",
                     named == expected and len(own) == sum(named.values()) and all(reason in line for line in own),
                     f"expected {dict(expected)} ({reason!r}), stderr lines:\n  " + "\n  ".join(own))
        run.key("space")
        if menu:
            checks.passes(f"{kind}: space shows the scene", lambda: run.wait_for_picture(
                lambda image: image.fraction_changed(menu, SAME_COLOUR) >= CHANGED_SHARE, 30, "the scene", "scene"))
        for line in ("DEBUG ENABLED", "DEBUG DISABLED"):
            run.key("o")
            checks.passes(f"{kind}: O works (\"{line}\")", lambda: run.wait_for_line(f"^{line}$", 30))
        # Back from the debug set, the robot's own images are loaded again, the damaged one too.
        expected[ROBOT] += 1
        checks.passes(f"{kind}: the robot's images load again", lambda: harness.wait_until(
            lambda: failures(run)[0] == expected, harness.scaled(30), f"stderr lines {dict(expected)}"))
        harness.check_exit(checks, run, f"{kind}: ")


def test_bad_files(checks):
    with tempfile.TemporaryDirectory(prefix="robotscene-bad-files-") as temp:
        for kind, damage, reason in LAUNCHES:
            work = Path(temp) / kind
            for assets in ("textures", "audio"):
                shutil.copytree(harness.REPO_ROOT / assets, work / assets)
            for name, spoil in damage.items():
                spoil(work / name)
            check_run(checks, kind, work, damage, reason)


if __name__ == "__main__":
    harness.run_test(test_bad_files)
