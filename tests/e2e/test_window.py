"""End-to-end: the window, its title and a clean exit on Esc.

Runs the program on a private Xvfb and checks what the user sees of the window itself: its place
and size, the title echoed once on standard output, the frame-rate title, and that Esc ends the
process with code 0 and leaves no sound player behind. The scene's content is test_scene's.
"""

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

import harness  # noqa: E402

TITLE_LINE = rf"^{harness.TITLE}$"
FIRST_RATE_WITHIN = 3  # seconds: the first rate comes with the first frame after one second


def test_window(checks):
    with harness.ProgramRun("window") as run:
        run.find_window()
        geometry = run.geometry()
        checks.check("window opens at (200, 200), 1024 by 768",
                     geometry == (*harness.WINDOW_POSITION, *harness.WINDOW_SIZE),
                     f"x, y, width, height {geometry}")

        name = "frame-rate title within 3 s"
        with checks.step(name):
            harness.wait_until(lambda: harness.FPS_TITLE.match(run.title()),
                               harness.scaled(FIRST_RATE_WITHIN), "the frame-rate title")
            checks.check(name, True)

        # By now the title has been set at least once: a second echo would have come already.
        echoes = run.count_lines(TITLE_LINE)
        checks.check("title echoed once on standard output", echoes == 1,
                     f"{echoes} echoes in {run.lines()}")

        name = "music player started"
        with checks.step(name):
            run.wait_for_cue("music", 1)
            checks.check(name, True)

        run.key("Escape")
        name = "Esc exits with code 0"
        with checks.step(name):
            code = run.wait_exit(10)
            checks.check(name, code == 0, f"exit code {code}")

        name = "no player left running"
        with checks.step(name):
            run.wait_players_gone()
            checks.check(name, True)


if __name__ == "__main__":
    harness.run_test(test_window)
