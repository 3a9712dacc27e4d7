"""End-to-end: the window's place and size, its titles, and a clean exit on Esc."""

import harness

TITLE_LINE = rf"^{harness.TITLE}$"
FIRST_RATE_WITHIN = 30  # seconds: it comes after one second; the bound only allows for a busy machine


def test_window(checks):
    with harness.ProgramRun("window") as run:
        run.find_window()
        geometry = run.geometry()
        checks.check("window opens at (200, 200), 1024 by 768",
                     geometry == (*harness.WINDOW_POSITION, *harness.WINDOW_SIZE),
                     f"x, y, width, height {geometry}")
        checks.passes("frame-rate title replaces the title", lambda: harness.wait_until(
            lambda: harness.FPS_TITLE.match(run.title()), harness.scaled(FIRST_RATE_WITHIN),
            "the frame-rate title"))
        # By now the title has been set at least once: a second echo would have come already.
        echoes = run.count_lines(TITLE_LINE)
        checks.check("title echoed once on standard output", echoes == 1,
                     f"{echoes} echoes in {run.lines()}")
        checks.passes("music player started", lambda: run.wait_for_cue("music", 1))
        harness.check_exit(checks, run)


if __name__ == "__main__":
    harness.run_test(test_window)
