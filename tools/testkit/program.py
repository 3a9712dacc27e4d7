"""The real program on a private Xvfb, driven with real X input (xdotool): ProgramRun.

Finds the window by title, reads standard output on a thread, takes screenshots (kept as PNG for
a look) and probes their pixels, and replaces the sound player with a fake one that logs each
start. It always ends the program, the players it started and the X server, also when a step
fails. It judges nothing: tests report through checks.
GatedRun holds the program to a frame count through the frame gate (tests/web/framegate.cpp,
preloaded), so that keys meet exact frames.
Environment: ROBOTSCENE_BIN (the program), ROBOTSCENE_FRAME_GATE_LIB (the gate), and those of base.
"""

import contextlib
import os
import re
import shutil
import signal
import subprocess
import tempfile
import threading
import time
from pathlib import Path

from testkit.base import BUILD_DIR, POLL_INTERVAL, REPO_ROOT, HarnessError, Managed, keep_temporary, scaled, wait_until
from testkit.images import read_ppm, write_png
from testkit.xvfb import SCREEN, Xvfb, die_with_parent, pid_alive, stop_process

TITLE = "OpenGL project by Quillaverden"
FPS_TITLE = re.compile(r"^OpenGL project by Quillaverden : [ 0-9]{4} fps$")
WINDOW_SIZE = (1024, 768)          # pixels, as the program opens it
WINDOW_MIDDLE = (WINDOW_SIZE[0] // 2, WINDOW_SIZE[1] // 2)  # pixels
WINDOW_POSITION = (200, 200)       # pixels from the screen's top left corner
PLAYER_NAME = "canberra-gtk-play"
FAKE_PLAYER = REPO_ROOT / "tools" / "fake-canberra-gtk-play"
TOOL_TIMEOUT = 20.0                # seconds for one xdotool, xwininfo or import call
SANITIZER_MARKS = ("Sanitizer", "runtime error:")
GATE_LIB = Path(os.environ.get("ROBOTSCENE_FRAME_GATE_LIB") or BUILD_DIR / "tests/web/libframegate.so")
BARRIER = "x"                      # a letter bound to nothing on any layout: handled after the keys before it


def binary_path():
    return Path(os.environ.get("ROBOTSCENE_BIN") or REPO_ROOT / "build" / "robotscene")


class PlayerLog:
    # The fake player writes one "<pid> <args...>" line per start.

    def __init__(self, path):
        self.path = Path(path)

    def entries(self):
        try:
            lines = self.path.read_text(errors="replace").splitlines()
        except FileNotFoundError:
            return []
        return [(int(f[0]), f[1:]) for f in map(str.split, lines) if f and f[0].isdigit()]

    def pids(self, cue=None):
        return [pid for pid, args in self.entries() if cue is None or f"audio/{cue}.wav" in args]

    def running(self):
        return [pid for pid in self.pids() if pid_alive(pid)]


def _install_fake_player(target, music_seconds, cue_seconds):
    # exec keeps the pid, so the pid the script logs is the one the program started.
    target.write_text(
        f"#!/bin/sh\nFAKE_PLAYER_SECONDS={cue_seconds}\n"
        f'case " $* " in *" audio/music.wav "*) FAKE_PLAYER_SECONDS={music_seconds} ;; esac\n'
        f"export FAKE_PLAYER_SECONDS\nexec /bin/sh '{FAKE_PLAYER}' \"$@\"\n")
    target.chmod(0o755)


class ProgramRun(Managed):
    """The program on its own Xvfb: a context manager that always cleans up after itself."""

    # Cues end within moments and the music plays longer than any test, so a player still
    # running is one the program never stopped. env: variables added to the program's own
    # environment only (not to the X tools'); args: the program's command-line arguments.
    def __init__(self, name="run", music_seconds=120, cue_seconds=2, keep_shots=True,
                 cwd=None, command=None, screen=None, env=None, args=()):
        self.name, self.keep_shots = name, keep_shots  # shots in the build tree, or temp only
        self.music_seconds, self.cue_seconds = music_seconds, cue_seconds
        self.cwd, self.command, self.screen, self.extra_env = cwd, command, screen or SCREEN, env or {}
        self.args = [str(arg) for arg in args]
        self.temp_dir = self.xvfb = self.process = self.window = self.players = None
        self._lines, self._cursor, self._eof, self._shots = [], 0, False, 0
        self._lines_changed = threading.Condition()

    def start(self):
        program = self.command or binary_path().absolute()  # cwd may differ
        if self.command is None and not os.access(program, os.X_OK):
            raise HarnessError(f"no program to run at {program} (set ROBOTSCENE_BIN)")
        self.temp_dir = Path(tempfile.mkdtemp(prefix="robotscene-e2e-"))
        if self.keep_shots:
            shutil.rmtree(BUILD_DIR / "e2e-screenshots" / self.name, ignore_errors=True)  # last run's
        self.xvfb = Xvfb(self.temp_dir / "xvfb.log", self.screen)
        self.xvfb.start()
        self.players = PlayerLog(self.temp_dir / "player.log")
        with open(self.temp_dir / "stderr.log", "wb") as stderr:
            self.process = subprocess.Popen(
                ["stdbuf", "-oL", str(program), *self.args], cwd=self.cwd or REPO_ROOT,
                env=self._child_environment(), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                stderr=stderr, start_new_session=True, preexec_fn=die_with_parent)
        threading.Thread(target=self._read_output, daemon=True).start()

    def _child_environment(self):
        bin_dir = self.temp_dir / "bin"
        bin_dir.mkdir()
        _install_fake_player(bin_dir / PLAYER_NAME, self.music_seconds, self.cue_seconds)
        env = self._display_environment()
        env["PATH"] = f"{bin_dir}{os.pathsep}{env.get('PATH', '/usr/bin:/bin')}"
        env["FAKE_PLAYER_LOG"] = str(self.players.path)
        env.pop("FAKE_PLAYER_GO_FILE", None)  # the players must start at once here
        # stdbuf preloads a library ahead of the sanitizer runtime, which would refuse to start.
        env["ASAN_OPTIONS"] = ":".join(filter(None, [env.get("ASAN_OPTIONS"), "verify_asan_link_order=0"]))
        return {**env, **self.extra_env}

    def _display_environment(self):
        return self.xvfb.environment()

    def stop(self):
        stop_process(self.process, 5)
        self._stop_players()
        if self.xvfb is not None:
            self.xvfb.stop()
        if self.process is not None and self.process.stdout is not None:
            with contextlib.suppress(OSError):
                self.process.stdout.close()
        if self.temp_dir is not None and not keep_temporary():
            shutil.rmtree(self.temp_dir, ignore_errors=True)
        self.temp_dir = None

    def _stop_players(self):
        # Players that left the program's group: killed by pid, once the pid is sure ours.
        if self.players is None:
            return
        marker = f"FAKE_PLAYER_LOG={self.players.path}".encode()
        for pid in self.players.running():
            with contextlib.suppress(OSError):
                if marker in Path(f"/proc/{pid}/environ").read_bytes().split(b"\0"):
                    os.kill(pid, signal.SIGKILL)

    # -- output and process ------------------------------------------------------------------

    def _read_output(self):
        for raw in self.process.stdout:
            with self._lines_changed:
                self._lines.append(raw.decode(errors="replace").rstrip("\n"))
                self._lines_changed.notify_all()
        with self._lines_changed:
            self._eof = True
            self._lines_changed.notify_all()

    def lines(self):
        with self._lines_changed:
            return list(self._lines)

    def count_lines(self, pattern):
        return sum(1 for line in self.lines() if re.search(pattern, line))

    def wait_for_line(self, pattern, timeout):
        # Looks after the last line waited for, so a repeated line must really come again.
        regex, deadline = re.compile(pattern), time.monotonic() + scaled(timeout)
        with self._lines_changed:
            while True:
                for index in range(self._cursor, len(self._lines)):
                    match = regex.search(self._lines[index])
                    if match:
                        self._cursor = index + 1
                        return match
                remaining = deadline - time.monotonic()
                if self._eof or remaining <= 0:
                    seen = "\n  ".join(self._lines[-10:]) or "(nothing)"
                    state = "output ended" if self._eof else f"timed out after {scaled(timeout):.1f} s"
                    raise HarnessError(f"{state} waiting for a line /{pattern}/; last lines:\n  {seen}")
                self._lines_changed.wait(remaining)

    def stderr_text(self):
        try:
            return (self.temp_dir / "stderr.log").read_text(errors="replace")
        except (OSError, TypeError):
            return ""

    def sanitizer_reports(self):
        return [line for line in self.stderr_text().splitlines()
                if any(mark in line for mark in SANITIZER_MARKS)]

    def alive(self):
        return self.process is not None and self.process.poll() is None

    def wait_exit(self, timeout):
        try:
            return self.process.wait(scaled(timeout))
        except subprocess.TimeoutExpired:
            raise HarnessError(f"the program still runs {scaled(timeout):.1f} s later") from None

    def wait_players_gone(self, timeout=30):
        try:
            wait_until(lambda: not self.players.running(), scaled(timeout), "the players to end")
        except HarnessError:
            running = set(self.players.running())
            raise HarnessError("players still running: " + ", ".join(
                f"{pid} ({' '.join(args)})" for pid, args in self.players.entries()
                if pid in running)) from None

    def wait_for_cue(self, cue, count, timeout=30):
        return wait_until(lambda: len(self.players.pids(cue)) >= count and self.players.pids(cue),
                          scaled(timeout), f"{count} start(s) of the player for \"{cue}\"")

    # -- X input and output ------------------------------------------------------------------

    def _tool(self, *command):
        try:
            result = subprocess.run(command, env=self._display_environment(), stdin=subprocess.DEVNULL,
                                    capture_output=True, timeout=scaled(TOOL_TIMEOUT))
        except subprocess.TimeoutExpired:
            raise HarnessError(f"{command[0]} did not finish") from None
        if result.returncode != 0:
            raise HarnessError(f"{' '.join(map(str, command))} failed: "
                               f"{result.stderr.decode(errors='replace').strip()}")
        return result.stdout.decode(errors="replace")

    def xdotool(self, *args):
        return self._tool("xdotool", *map(str, args))

    def set_title(self, text):
        # WM_NAME alone, the property the program writes: xdotool would set _NET_WM_NAME too,
        # which the program never touches and which would then hide its title.
        self._tool("xprop", "-id", self.window, "-f", "WM_NAME", "8s", "-set", "WM_NAME", text)

    def find_window(self, timeout=30):
        # By title, as freeglut sets no pid; with no window manager the focus follows the pointer.
        def search():
            if not self.alive():
                raise HarnessError("the program ended before its window appeared:\n" + self.stderr_text())
            with contextlib.suppress(HarnessError):  # xdotool fails while nothing matches yet
                found = self.xdotool("search", "--onlyvisible", "--name", f"^{re.escape(TITLE)}").split()
                return found[0] if found else None
        self.window = wait_until(search, scaled(timeout), "the program's window")
        self.point_at(*WINDOW_MIDDLE)
        return self.window

    def wait_for_first_frames(self, timeout=30):
        # Once the frame rate shows, the black frames of start-up are past.
        return wait_until(lambda: FPS_TITLE.match(self.title()), scaled(timeout), "the frame-rate title")

    def start_and_wait(self):
        self.find_window()
        self.wait_for_first_frames()

    def title(self):
        return self.xdotool("getwindowname", self.window).rstrip("\n")

    def geometry(self):
        info = self._tool("xwininfo", "-id", self.window)
        return tuple(int(re.search(rf"{label}:\s*(-?\d+)", info).group(1)) for label in
                     ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    def point_at(self, x, y):
        self.xdotool("mousemove", "--window", self.window, x, y)

    def key(self, name):
        self.xdotool("key", name)

    def hold(self, name, seconds):
        self.xdotool("keydown", name)
        try:
            time.sleep(scaled(seconds))
        finally:
            self.xdotool("keyup", name)

    def drag(self, start, end, steps=10):
        # In steps, so that motion events arrive.
        self.point_at(*start)
        self.xdotool("mousedown", 1)
        try:
            for step in range(1, steps + 1):
                self.point_at(start[0] + (end[0] - start[0]) * step // steps,
                              start[1] + (end[1] - start[1]) * step // steps)
        finally:
            self.xdotool("mouseup", 1)

    def wheel(self, clicks):
        # Positive clicks turn the wheel away from the user (button 4), negative towards.
        for _ in range(abs(clicks)):
            self.xdotool("click", 4 if clicks > 0 else 5)

    def screenshot(self, label="shot", crop=None):
        # import's raw PPM is read as it is; the PNG kept is only for a person to look at.
        self._shots += 1
        directory = BUILD_DIR / "e2e-screenshots" / self.name if self.keep_shots else self.temp_dir / "shots"
        directory.mkdir(parents=True, exist_ok=True)
        raw = self.temp_dir / "capture.ppm"
        options = [] if crop is None else [
            "-crop", f"{crop.right - crop.left}x{crop.bottom - crop.top}+{crop.left}+{crop.top}", "+repage"]
        self._tool("import", "-silent", "-window", self.window, *options, "-depth", "8", f"PPM:{raw}")
        image = read_ppm(raw)
        image.path = directory / f"{self._shots:02d}-{label}.png"
        write_png(image.path, image)
        return image

    def wait_for_picture(self, predicate, timeout, what, label="shot"):
        deadline = time.monotonic() + scaled(timeout)
        while True:
            image = self.screenshot(label)
            if predicate(image):
                return image
            if time.monotonic() > deadline:
                raise HarnessError(f"timed out waiting for {what} (last picture {image.path})")
            time.sleep(POLL_INTERVAL)


class GatedRun(ProgramRun):
    """The program drawing only the frames allowed (the first at once), reporting the frames drawn and
    the letter events handled. A sanitizer build cannot preload the gate: GATE_LIB is then missing."""

    def __init__(self, name, temp, **options):
        self.gate = Path(temp, f"{name}.gate")
        self.gate.write_text("1")
        super().__init__(name, env={"ROBOTSCENE_FRAME_GATE": str(self.gate), "LD_PRELOAD": str(GATE_LIB)}, **options)

    def start(self):
        super().start()
        self.find_window()
        wait_until(lambda: Path(f"{self.gate}.state").exists(), scaled(30), "the first frame")

    def counts(self):
        """Frames drawn, letter events (presses and releases) handled."""
        return tuple(map(int, Path(f"{self.gate}.state").read_text().split()))

    def keys(self, action, names, frames=0):
        """xdotool's key, keydown or keyup with these keys, handled, then frames more frames drawn."""
        # The gate counts character keys only: the barrier's count shows the special keys handled too.
        characters = sum(name not in ("Up", "Down", "Left", "Right", "F11") for name in names) + 1
        handled = self.counts()[1] + characters * (2 if action == "key" else 1)
        self.xdotool(action, *names, BARRIER)
        wait_until(lambda: self.counts()[1] >= handled, scaled(30), "the keys handled")
        self.frames(frames)

    def frames(self, count):
        self.gate.write_text(str(self.counts()[0] + count))
        wait_until(lambda: self.counts()[0] == int(self.gate.read_text()), scaled(30), "the frames drawn")
