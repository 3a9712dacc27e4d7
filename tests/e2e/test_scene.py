"""End-to-end: a whole session driven by real X input, judged by the window's place and titles,
what the program prints, what the fake sound player logged and what the window shows."""

import time
from pathlib import Path

from testkit.base import scaled
from testkit.checks import check_exit, run_test
from testkit.program import WINDOW_POSITION, WINDOW_SIZE, ProgramRun
from testkit.scene import HEAD, LOWER_PART, ROBOT_LOWER, STILL_WATCH, changed, floor_drawn, menu_shown, still, wait_still
from testkit.xvfb import pid_alive


def see(run, checks, name, predicate, what):
    return checks.passes(name, lambda: run.wait_for_picture(predicate, 30, what, what))


def music_pid(run):
    """The newest music player's pid: the one that should be playing."""
    return (run.players.pids("music") or [None])[-1]


def check_menu_toggle(run, checks):
    # Each picture rules the other out: the board over a black window, or the floor and no board.
    # Space back to the menu: EventTest.
    for key, name, shown, what in ((None, "starts on the menu screen", menu_shown, "menu"),
                                   ("space", "space shows the scene", floor_drawn, "scene")):
        key and run.key(key)
        see(run, checks, name, shown, what)


def check_drive(run, checks):
    """With the hologram off only the head's sweep moves the robot's picture; R stops it, then
    only Z moves it (how far: FrameDriverTest). Returns the still robot at its start place."""
    run.key("f")  # hologram off, which plays no cue
    time.sleep(scaled(STILL_WATCH))
    sweeping = run.screenshot("sweeping")
    see(run, checks, "the head sweeps by itself", lambda image: changed(sweeping, image, HEAD), "the head turned")
    run.key("r")  # its cue: test_layouts
    start_picture = checks.passes("R stops the head sweep", lambda: wait_still(run, HEAD, "the head to stop", "stopped"))
    run.hold("z", 1.0)
    checks.passes("the robot coasts to a stop after Z", lambda: wait_still(
        run, LOWER_PART, "the robot to coast to a stop", "moved"))
    return start_picture


def check_reset(run, checks, start_picture):
    music_before = music_pid(run)
    run.key("Return")  # its line and cue: FrameDriverTest, EventTest
    checks.waits("reset restarts the music with one player", lambda: music_pid(run) != music_before
                 and not pid_alive(music_before) and pid_alive(music_pid(run)), f"a new player, {music_before} ended")
    if start_picture:
        see(run, checks, "reset puts the robot back at its start place",
            lambda image: still(start_picture, image, ROBOT_LOWER), "reset")


def check_music(run, checks):
    playing = music_pid(run)  # alive: check_reset
    run.key("m")
    checks.waits("M stops the music player", lambda: not pid_alive(playing), f"music player {playing} to end")
    run.key("m")
    checks.waits("M again starts a new music player", lambda: music_pid(run) != playing and pid_alive(music_pid(run)),
                 "a new music player")


def holdings(pid):
    """Open descriptors, threads and child processes (running or unreaped) of the process."""
    def parent(stat):
        try:
            return int(stat.read_text().rsplit(") ", 1)[1].split()[1])
        except (OSError, IndexError, ValueError):  # the process ended while it was read
            return None
    children = sum(1 for stat in Path("/proc").glob("[0-9]*/stat") if parent(stat) == pid)
    return (len(list(Path(f"/proc/{pid}/fd").iterdir())), len(list(Path(f"/proc/{pid}/task").iterdir())), children)


def check_holdings(run, checks):
    """Reloading the images (O), restarting the music (M, Enter) and cues (V, Enter) give back every
    descriptor, thread and child they take: exact counts, once the cues have ended."""
    before, resets = holdings(run.process.pid), run.count_lines(r"^ROBOT RESETED$")
    for key in ("o", "o", "m", "m", "v", "v", "v", "Return"):
        run.key(key)
    checks.waits("the keys were handled", lambda: run.count_lines(r"^ROBOT RESETED$") > resets,
                 "the reset line")  # the last key prints one
    checks.waits("reloads, music restarts and cues leave descriptors, threads and children as they were",
                 lambda: holdings(run.process.pid) == before, f"(descriptors, threads, children) back to {before}")


def test_scene(checks):
    with ProgramRun("scene") as run:
        # The window's place and size and the frame-rate title (the title's echo is unit-tested).
        checks.passes("the frame-rate title replaces the title", run.start_and_wait)
        checks.check("window opens at (200, 200), 1024 by 768", run.geometry() == (*WINDOW_POSITION, *WINDOW_SIZE),
                     f"x, y, width, height {run.geometry()}")
        check_menu_toggle(run, checks)
        start_picture = check_drive(run, checks)
        check_reset(run, checks, start_picture)
        check_music(run, checks)
        check_holdings(run, checks)
        check_exit(checks, run)


if __name__ == "__main__":
    run_test(test_scene)
