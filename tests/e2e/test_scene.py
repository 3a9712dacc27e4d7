"""End-to-end: a whole session driven by real X input, judged by the window's place and titles,
what the program prints, what the fake sound player logged and what the window shows."""

import time
from pathlib import Path

from testkit.base import scaled, wait_until
from testkit.checks import check_exit, run_test
from testkit.program import WINDOW_POSITION, WINDOW_SIZE, ProgramRun
from testkit.scene import (HEAD, LOWER_PART, ROBOT, ROBOT_LOWER, STILL_WATCH, changed, floor_drawn, menu_shown, still,
                           wait_still)
from testkit.xvfb import pid_alive


def see(run, checks, name, predicate, what, label, timeout=30):
    return checks.passes(name, lambda: run.wait_for_picture(predicate, timeout, what, label))


def music_pid(run):
    """The newest music player's pid: the one that should be playing."""
    return (run.players.pids("music") or [None])[-1]


def check_menu_toggle(run, checks):
    # Each picture rules the other out: the board over a black window, or the floor and no board.
    see(run, checks, "starts on the menu screen", menu_shown, "the menu screen", "menu")
    run.key("space")
    see(run, checks, "space shows the scene", floor_drawn, "the scene", "scene")
    run.key("space")
    see(run, checks, "space again shows the menu", menu_shown, "the menu screen", "menu-again")
    run.key("space")
    run.wait_for_picture(floor_drawn, 30, "the scene", "scene-again")


def check_drive(run, checks):
    """With the hologram off only the head's sweep moves the robot's picture; R stops it, then
    only Z moves it. Returns the still robot at its start place."""
    run.key("f")  # hologram off, which plays no cue
    time.sleep(scaled(STILL_WATCH))
    sweeping = run.screenshot("sweeping")
    see(run, checks, "the head sweeps by itself", lambda image: changed(sweeping, image, HEAD),
        "the head to turn", "swept")

    run.key("r")
    checks.passes("R logs \"head\"", lambda: run.wait_for_cue("head", 1))
    start_picture = checks.passes("R stops the head sweep", lambda: wait_still(
        run, HEAD, "the head to stop", "stopped"))

    run.hold("z", 1.0)
    moved = checks.passes("the robot coasts to a stop after Z", lambda: wait_still(
        run, LOWER_PART, "the robot to coast to a stop", "moved"))
    if start_picture and moved:
        checks.check("Z held for a second moves the robot", changed(start_picture, moved, ROBOT), moved.path)
    return start_picture


def check_reset(run, checks, start_picture):
    music_before = music_pid(run)
    run.key("Return")
    checks.passes("Enter prints \"ROBOT RESETED\"", lambda: run.wait_for_line(r"^ROBOT RESETED$", 30))
    checks.passes("Enter logs \"reset\"", lambda: run.wait_for_cue("reset", 1))

    checks.passes("reset restarts the music with one player", lambda: wait_until(
        lambda: music_pid(run) != music_before and not pid_alive(music_before)
        and pid_alive(music_pid(run)), scaled(30),
        f"a new music player alive and the old one {music_before} ended"))
    if start_picture:
        see(run, checks, "reset puts the robot back at its start place",
            lambda image: still(start_picture, image, ROBOT_LOWER), "the robot at its start place", "reset")


def check_music(run, checks):
    playing = music_pid(run)
    checks.check("music plays before M", playing and pid_alive(playing),
                 f"music pids {run.players.pids('music')}")
    run.key("m")
    checks.passes("M stops the music player", lambda: wait_until(
        lambda: not pid_alive(playing), scaled(30), f"music player {playing} to end"))
    run.key("m")
    checks.passes("M again starts a new music player", lambda: wait_until(
        lambda: music_pid(run) != playing and pid_alive(music_pid(run)),
        scaled(30), "a new music player"))


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
    before = holdings(run.process.pid)
    resets = run.count_lines(r"^ROBOT RESETED$")
    for key in ("o", "o", "m", "m", "v", "v", "v", "Return"):
        run.key(key)
    checks.passes("the keys were handled", lambda: wait_until(  # the last one prints a line
        lambda: run.count_lines(r"^ROBOT RESETED$") > resets, scaled(30), "the reset line"))
    checks.passes("reloads, music restarts and cues leave descriptors, threads and children as they were",
                  lambda: wait_until(lambda: holdings(run.process.pid) == before, scaled(30),
                                             f"(descriptors, threads, children) back to {before}, "
                                             f"now {holdings(run.process.pid)}"))


def check_window(run, checks):
    """The window's place and size and the frame-rate title (the title's echo is unit-tested)."""
    checks.passes("the frame-rate title replaces the title", run.start_and_wait)
    geometry = run.geometry()
    checks.check("window opens at (200, 200), 1024 by 768",
                 geometry == (*WINDOW_POSITION, *WINDOW_SIZE), f"x, y, width, height {geometry}")


def test_scene(checks):
    with ProgramRun("scene") as run:
        check_window(run, checks)
        check_menu_toggle(run, checks)
        start_picture = check_drive(run, checks)
        check_reset(run, checks, start_picture)
        check_music(run, checks)
        check_holdings(run, checks)
        check_exit(checks, run)


if __name__ == "__main__":
    run_test(test_scene)
