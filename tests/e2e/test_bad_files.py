"""End-to-end: the program survives unusable image files. One launch with a file missing, one that
claims a huge size, one the decoder once wrote out of bounds on and an image in a format the
program does not read under a .jpg name, from the image loader's fuzz corpus. Each unusable file
is named once per load on standard error with its reason, the program still draws, reacts to keys
and ends cleanly. Every other way a file can be unusable is unit-tested and replayed from the
corpus, not here."""

import re
import shutil
import tempfile
from collections import Counter
from pathlib import Path

from testkit.base import REPO_ROOT
from testkit.checks import check_exit, run_test
from testkit.program import ProgramRun
# The board and the floor are drawn lit whether or not their images loaded (untextured, white).
from testkit.scene import floor_drawn, menu_shown

ROBOT, FLOOR, MENU, SKY = "textures/square.jpg", "textures/floor.png", "textures/menu.jpg", "textures/sky.jpg"
CORPUS = REPO_ROOT / "fuzz" / "corpus"
LOAD_FAILURE = re.compile(r"^robotscene: cannot load image (\S+): (.+)$")


# What takes each file's place (None: nothing), from the fuzz corpus; the words its reason must contain; its
# loads at start-up (floor.png serves the floor and its underside).
DAMAGE = {ROBOT: (None, "No such file", 1), FLOOR: ("seed-claims-12000.png", "larger than 8192", 2),
          MENU: ("crash-jpeg-huffman-codes", "Huffman", 1), SKY: ("seed-foreign.bmp", "not a JPEG or PNG", 1)}


def failures(run):
    """Loads refused so far, by file; every line the program wrote to standard error; whether each
    refusal gave its file's reason."""
    own = [line for line in run.stderr_text().splitlines() if line.startswith("robotscene:")]
    matches = [match for match in map(LOAD_FAILURE.match, own) if match]
    reasons = all(match.group(1) in DAMAGE and DAMAGE[match.group(1)][1] in match.group(2) for match in matches)
    return Counter(match.group(1) for match in matches), own, reasons


def test_bad_files(checks):
    with tempfile.TemporaryDirectory(prefix="robotscene-bad-files-") as temp:
        work = Path(temp)
        for assets in ("textures", "audio"):
            shutil.copytree(REPO_ROOT / assets, work / assets)
        for name, (spoiled, _, _) in DAMAGE.items():
            (work / name).unlink()
            spoiled and shutil.copyfile(CORPUS / spoiled, work / name)
        with ProgramRun("bad-files", cue_seconds=0, cwd=work) as run:
            run.find_window()
            checks.passes("the menu shows", lambda: run.wait_for_picture(menu_shown, 30, "the menu board", "menu"))
            # Every image is loaded before the first frame, so every message is out by now.
            named, own, reasons = failures(run)
            expected = Counter({name: loads for name, (_, _, loads) in DAMAGE.items()})
            checks.check("one line per load of each unusable file, with its reason, nothing else",
                         named == expected and len(own) == sum(named.values()) and reasons,
                         f"expected {dict(expected)}, stderr lines:\n  " + "\n  ".join(own))
            run.key("space")
            checks.passes("space shows the scene", lambda: run.wait_for_picture(floor_drawn, 30, "the scene", "scene"))
            for line in ("DEBUG ENABLED", "DEBUG DISABLED"):
                run.key("o")
                checks.passes(f"O works (\"{line}\")", lambda: run.wait_for_line(f"^{line}$", 30))
            # Back from the debug set, the robot's own images are loaded again, the missing one too.
            expected[ROBOT] += 1
            checks.waits("the robot's images load again", lambda: failures(run)[0] == expected,
                         f"stderr lines {dict(expected)}")
            check_exit(checks, run)


if __name__ == "__main__":
    run_test(test_bad_files)
