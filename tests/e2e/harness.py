"""End-to-end harness: runs the program on a private X server and drives it with real X input.

It starts its own Xvfb, runs the program from the repository root with a fake sound player first
on PATH, reads the program's standard output on a thread, finds the window by its title, sends
keys and mouse input with xdotool, reads the window title, takes screenshots (kept as PNG files
for a look) and probes their pixels. Checks is the small runner the test scripts report through.
It judges nothing itself, and it always ends the program, the players the program started and
the X server, also when a step fails or the test raises.
Python standard library only; the outside tools are Xvfb, xdotool, xwininfo, import and stdbuf.

Environment: ROBOTSCENE_BIN, the program (default build/robotscene); ROBOTSCENE_BUILD_DIR, where
screenshots are kept (e2e-screenshots/<run>/) and whose CMake cache tells a sanitizer build;
ROBOTSCENE_E2E_TIME_SCALE, a factor for every time-out and key hold (default 1, or 3 for a
sanitizer build); ROBOTSCENE_E2E_KEEP, if set, keeps each run's temporary directory (logs).
"""

import atexit
import contextlib
import ctypes
import os
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time
import traceback
import zlib
from collections import namedtuple
from pathlib import Path

REPO_ROOT = Path(__file__).resolve().parents[2]
TITLE = "OpenGL project by Quillaverden"
FPS_TITLE = re.compile(r"^OpenGL project by Quillaverden : [ 0-9]{4} fps$")
WINDOW_SIZE = (1024, 768)          # pixels, as the program opens it
WINDOW_POSITION = (200, 200)       # pixels from the screen's top left corner
SCREEN = "1280x1024x24"            # Xvfb screen: the window fits whole, 24-bit colour
PLAYER_NAME = "canberra-gtk-play"
FAKE_PLAYER = REPO_ROOT / "tests" / "support" / "fake-canberra-gtk-play"
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
PR_SET_PDEATHSIG = 1               # prctl option: signal a child gets when its parent dies
TOOL_TIMEOUT = 20.0                # seconds for one xdotool, xwininfo or import call
POLL_INTERVAL = 0.05               # seconds between two looks while waiting for something


class HarnessError(Exception):
    """A step of the harness could not be carried out (time-out, tool failure, dead program)."""


def _time_scale():
    """Factor for every time-out and hold: sanitizer builds start and draw more slowly."""
    value = os.environ.get("ROBOTSCENE_E2E_TIME_SCALE")
    if value:
        return max(1.0, float(value))  # never shorter than the plain build needs
    cache = Path(os.environ.get("ROBOTSCENE_BUILD_DIR", REPO_ROOT / "build")) / "CMakeCache.txt"
    try:
        if "ROBOTSCENE_SANITIZE:BOOL=ON" in cache.read_text(errors="replace"):
            return 3.0
    except OSError:
        pass
    return 1.0


TIME_SCALE = _time_scale()


def scaled(seconds):
    """A duration scaled for slow builds."""
    return seconds * TIME_SCALE


def wait_until(predicate, timeout, what):
    """Polls predicate until it gives a true value, which is returned; raises after timeout
    seconds, taken as they are (the ProgramRun methods scale their own time-outs)."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise HarnessError(f"timed out after {timeout:.1f} s waiting for {what}")
        time.sleep(POLL_INTERVAL)


def binary_path():
    """The program to run: ROBOTSCENE_BIN, or the default build's binary."""
    return Path(os.environ.get("ROBOTSCENE_BIN") or REPO_ROOT / "build" / "robotscene")


def pid_alive(pid):
    """True while the process exists and is not a zombie waiting to be reaped."""
    try:
        stat = Path(f"/proc/{pid}/stat").read_text()
    except OSError:
        return False
    # The state letter follows the command name, which is in parentheses and may hold blanks.
    return stat[stat.rindex(")") + 2] not in "ZX"


_libc = ctypes.CDLL(None, use_errno=True)


def _die_with_parent():
    """Runs in the child before exec: the kernel kills it should this script die first,
    so even a test killed by ctest's time-out leaves no X server behind."""
    _libc.prctl(PR_SET_PDEATHSIG, signal.SIGKILL)


def _stop_process(process, grace):
    """Ends a process this harness started, and its process group: SIGTERM, then SIGKILL."""
    if process is None:
        return
    with contextlib.suppress(ProcessLookupError, PermissionError):
        if process.poll() is None:
            os.killpg(process.pid, signal.SIGTERM)
            try:
                process.wait(grace)
            except subprocess.TimeoutExpired:
                pass
        # Children that outlive the leader keep its group: end them too.
        os.killpg(process.pid, signal.SIGKILL)
    with contextlib.suppress(subprocess.TimeoutExpired):
        process.wait(grace)


# ---------------------------------------------------------------------------------------------
# Images

Box = namedtuple("Box", "left top right bottom")  # pixels; right and bottom excluded


class Image:
    """An 8-bit RGB picture, rows top to bottom, with the few probes the tests need."""

    def __init__(self, width, height, rgb, path=None):
        self.width = width
        self.height = height
        self.rgb = rgb
        self.path = path

    def whole(self):
        return Box(0, 0, self.width, self.height)

    def pixel(self, x, y):
        offset = (y * self.width + x) * 3
        return tuple(self.rgb[offset:offset + 3])

    def _samples(self, box, step):
        box = box or self.whole()
        for y in range(box.top, box.bottom, step):
            row = y * self.width
            for x in range(box.left, box.right, step):
                offset = (row + x) * 3
                yield offset

    def mean(self, box=None, step=2):
        """Mean colour over the box, every step-th pixel each way."""
        totals = [0, 0, 0]
        count = 0
        rgb = self.rgb
        for offset in self._samples(box, step):
            totals[0] += rgb[offset]
            totals[1] += rgb[offset + 1]
            totals[2] += rgb[offset + 2]
            count += 1
        return tuple(total / max(count, 1) for total in totals)

    def fraction_near(self, colour, tolerance, box=None, step=2):
        """Share of sampled pixels whose every channel is within tolerance of colour."""
        near = 0
        count = 0
        rgb = self.rgb
        red, green, blue = colour
        for offset in self._samples(box, step):
            count += 1
            if (abs(rgb[offset] - red) <= tolerance and abs(rgb[offset + 1] - green) <= tolerance
                    and abs(rgb[offset + 2] - blue) <= tolerance):
                near += 1
        return near / max(count, 1)

    def fraction_changed(self, other, tolerance, box=None, step=2):
        """Share of sampled pixels where some channel differs from other's by more than tolerance."""
        if (self.width, self.height) != (other.width, other.height):
            return 1.0
        changed = 0
        count = 0
        mine = self.rgb
        theirs = other.rgb
        for offset in self._samples(box, step):
            count += 1
            if (abs(mine[offset] - theirs[offset]) > tolerance
                    or abs(mine[offset + 1] - theirs[offset + 1]) > tolerance
                    or abs(mine[offset + 2] - theirs[offset + 2]) > tolerance):
                changed += 1
        return changed / max(count, 1)


def read_ppm(path):
    """Reads a binary 8-bit PPM (P6), as import writes it."""
    data = Path(path).read_bytes()
    fields = []
    position = 0
    while len(fields) < 4:  # magic, width, height, maximum value
        while data[position:position + 1].isspace():
            position += 1
        if data[position:position + 1] == b"#":
            position = data.index(b"\n", position)
            continue
        start = position
        while position < len(data) and not data[position:position + 1].isspace():
            position += 1
        fields.append(data[start:position])
    if fields[0] != b"P6" or fields[3] != b"255":
        raise HarnessError(f"{path} is not an 8-bit binary PPM file")
    width, height = int(fields[1]), int(fields[2])
    pixels = data[position + 1:position + 1 + width * height * 3]  # one blank ends the header
    if len(pixels) != width * height * 3:
        raise HarnessError(f"{path} is cut short")
    return Image(width, height, pixels, path)


def write_png(path, image):
    """Writes an Image as an 8-bit RGB PNG, every row unfiltered, for a person to look at."""
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    stride = image.width * 3
    rows = b"".join(b"\0" + image.rgb[y * stride:(y + 1) * stride] for y in range(image.height))
    header = struct.pack(">IIBBBBB", image.width, image.height, 8, 2, 0, 0, 0)  # 8-bit RGB
    Path(path).write_bytes(PNG_SIGNATURE + chunk(b"IHDR", header)
                           + chunk(b"IDAT", zlib.compress(rows, 1)) + chunk(b"IEND", b""))


# ---------------------------------------------------------------------------------------------
# X server


class Xvfb:
    """A private X server on a display number of its own choosing."""

    def __init__(self, log_path):
        self.log_path = log_path
        self.process = None
        self.display = None

    def start(self):
        read_end, write_end = os.pipe()
        try:
            with open(self.log_path, "wb") as log:
                # -r: no key auto-repeat, so a held key is one press and one release.
                self.process = subprocess.Popen(
                    ["Xvfb", "-displayfd", str(write_end), "-screen", "0", SCREEN,
                     "-r", "-noreset", "-nolisten", "tcp"],
                    pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                    stderr=log, start_new_session=True, preexec_fn=_die_with_parent)
            os.close(write_end)
            write_end = None
            number = self._read_display_number(read_end)
        finally:
            if write_end is not None:
                os.close(write_end)
            os.close(read_end)
        self.display = f":{number}"

    def _read_display_number(self, read_end):
        """Xvfb writes the display number and a newline once it accepts clients."""
        text = b""
        deadline = time.monotonic() + scaled(20)
        while not text.endswith(b"\n"):
            remaining = deadline - time.monotonic()
            ready, _, _ = select.select([read_end], [], [], max(remaining, 0))
            chunk = os.read(read_end, 64) if ready else b""
            if not chunk:
                raise HarnessError("Xvfb did not start:\n" + self.log())
            text += chunk
        return int(text)

    def log(self):
        try:
            return Path(self.log_path).read_text(errors="replace")
        except OSError:
            return ""

    def stop(self):
        _stop_process(self.process, 5)


# ---------------------------------------------------------------------------------------------
# Fake player log


class PlayerLog:
    """What the fake player wrote: one "<pid> <args...>" line per start."""

    def __init__(self, path):
        self.path = Path(path)

    def entries(self):
        """(pid, arguments) for every start so far, oldest first."""
        try:
            text = self.path.read_text(errors="replace")
        except FileNotFoundError:
            return []
        result = []
        for line in text.splitlines():
            fields = line.split()
            if fields and fields[0].isdigit():
                result.append((int(fields[0]), fields[1:]))
        return result

    def pids(self, cue=None):
        """Pids of every start, or of the starts of one cue (its file is audio/<cue>.wav)."""
        wanted = f"audio/{cue}.wav"
        return [pid for pid, args in self.entries() if cue is None or wanted in args]

    def running(self):
        return [pid for pid in self.pids() if pid_alive(pid)]


# ---------------------------------------------------------------------------------------------
# The program under test

_open_runs = []


def _close_open_runs():
    for run in list(_open_runs):
        run.close()


atexit.register(_close_open_runs)


class ProgramRun:
    """The program on its own Xvfb: a context manager that always cleans up after itself."""

    def __init__(self, name="run", music_seconds=120, cue_seconds=2, keep_shots=True):
        # Like real sounds: a cue ends by itself within moments, the music plays on until it is
        # stopped (longer than any test runs), so a music player still running is the program's.
        self.name = name
        self.keep_shots = keep_shots  # in the build tree for a look, or only in the temp dir
        self.music_seconds = music_seconds
        self.cue_seconds = cue_seconds
        self.temp_dir = None
        self.xvfb = None
        self.process = None
        self.window = None
        self.players = None
        self._lines = []
        self._cursor = 0
        self._eof = False
        self._lines_changed = threading.Condition()
        self._reader = None
        self._shots = 0

    # -- life cycle --------------------------------------------------------------------------

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc_info):
        self.close()
        return False

    def start(self):
        _open_runs.append(self)
        binary = binary_path()
        if not os.access(binary, os.X_OK):
            raise HarnessError(f"no program to run at {binary} (set ROBOTSCENE_BIN)")
        self.temp_dir = Path(tempfile.mkdtemp(prefix="robotscene-e2e-"))
        if self.keep_shots:
            shutil.rmtree(screenshot_dir() / self.name, ignore_errors=True)  # last run's
        self.xvfb = Xvfb(self.temp_dir / "xvfb.log")
        self.xvfb.start()
        self.players = PlayerLog(self.temp_dir / "player.log")
        with open(self.temp_dir / "stderr.log", "wb") as stderr:
            self.process = subprocess.Popen(
                ["stdbuf", "-oL", str(binary)], cwd=REPO_ROOT, env=self._child_environment(),
                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=stderr,
                start_new_session=True, preexec_fn=_die_with_parent)
        self._reader = threading.Thread(target=self._read_output, daemon=True)
        self._reader.start()

    def _child_environment(self):
        bin_dir = self.temp_dir / "bin"
        bin_dir.mkdir()
        _install_fake_player(bin_dir / PLAYER_NAME, self.music_seconds, self.cue_seconds)
        env = dict(os.environ)
        env["DISPLAY"] = self.xvfb.display
        env.pop("XAUTHORITY", None)  # the private server has no access control file
        env["PATH"] = f"{bin_dir}{os.pathsep}{env.get('PATH', '/usr/bin:/bin')}"
        env["FAKE_PLAYER_LOG"] = str(self.players.path)
        env.pop("FAKE_PLAYER_GO_FILE", None)  # the players must start at once here
        # stdbuf preloads a library ahead of the sanitizer runtime, which would refuse to start.
        link_order = "verify_asan_link_order=0"
        asan = env.get("ASAN_OPTIONS")
        env["ASAN_OPTIONS"] = f"{asan}:{link_order}" if asan else link_order
        return env

    def close(self):
        """Ends the program, any player it left, and Xvfb; safe to call more than once."""
        if self in _open_runs:
            _open_runs.remove(self)
        _stop_process(self.process, 5)
        self._stop_players()
        if self.xvfb is not None:
            self.xvfb.stop()
        if self.process is not None and self.process.stdout is not None:
            with contextlib.suppress(OSError):
                self.process.stdout.close()
        if self.temp_dir is not None and not os.environ.get("ROBOTSCENE_E2E_KEEP"):
            shutil.rmtree(self.temp_dir, ignore_errors=True)
        self.temp_dir = None

    def _stop_players(self):
        """Players started by this run that moved to another process group: end them by pid,
        after making sure the pid still belongs to one of ours."""
        if self.players is None:
            return
        marker = f"FAKE_PLAYER_LOG={self.players.path}".encode()
        for pid in self.players.running():
            try:
                if marker in Path(f"/proc/{pid}/environ").read_bytes().split(b"\0"):
                    os.kill(pid, signal.SIGKILL)
            except (OSError, ProcessLookupError):
                pass

    # -- standard output ---------------------------------------------------------------------

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
        regex = re.compile(pattern)
        return sum(1 for line in self.lines() if regex.search(line))

    def wait_for_line(self, pattern, timeout):
        """Waits for a line matching pattern after the last line waited for; returns the match."""
        regex = re.compile(pattern)
        deadline = time.monotonic() + scaled(timeout)
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

    # -- process -----------------------------------------------------------------------------

    def alive(self):
        return self.process is not None and self.process.poll() is None

    def wait_exit(self, timeout):
        """The program's exit code once it has ended; raises if it is still running."""
        try:
            return self.process.wait(scaled(timeout))
        except subprocess.TimeoutExpired:
            raise HarnessError(f"the program still runs {scaled(timeout):.1f} s later") from None

    def wait_players_gone(self, timeout=10):
        """Waits until no player started by this run is left; raises naming those still running.
        Cues end by themselves within moments, so whatever is left was never stopped."""
        def described():
            running = set(self.players.running())
            return ", ".join(f"{pid} ({' '.join(args)})" for pid, args in self.players.entries()
                             if pid in running)
        try:
            wait_until(lambda: not self.players.running(), scaled(timeout), "the players to end")
        except HarnessError:
            raise HarnessError(f"players still running: {described()}") from None

    def wait_for_cue(self, cue, count, timeout=5):
        """Waits until the player has been started at least count times for cue; returns the pids."""
        return wait_until(lambda: len(self.players.pids(cue)) >= count and self.players.pids(cue),
                          scaled(timeout), f"{count} start(s) of the player for \"{cue}\"")

    # -- X input and output ------------------------------------------------------------------

    def _tool(self, *command):
        env = dict(os.environ, DISPLAY=self.xvfb.display)
        env.pop("XAUTHORITY", None)
        try:
            result = subprocess.run(command, env=env, stdin=subprocess.DEVNULL, capture_output=True,
                                    timeout=scaled(TOOL_TIMEOUT))
        except subprocess.TimeoutExpired:
            raise HarnessError(f"{command[0]} did not finish") from None
        if result.returncode != 0:
            raise HarnessError(f"{' '.join(map(str, command))} failed: "
                               f"{result.stderr.decode(errors='replace').strip()}")
        return result.stdout.decode(errors="replace")

    def xdotool(self, *args):
        return self._tool("xdotool", *map(str, args))

    def find_window(self, timeout=15):
        """Finds the program's window by title (freeglut sets no pid property) and puts the pointer
        in its middle: with no window manager the keyboard focus follows the pointer."""
        def search():
            if not self.alive():
                raise HarnessError("the program ended before its window appeared:\n" + self.stderr_text())
            try:
                found = self.xdotool("search", "--onlyvisible", "--name", f"^{re.escape(TITLE)}")
            except HarnessError:
                return None  # xdotool fails while nothing matches yet
            return found.split()[0] if found.split() else None
        self.window = wait_until(search, scaled(timeout), "the program's window")
        self.point_at(WINDOW_SIZE[0] // 2, WINDOW_SIZE[1] // 2)
        return self.window

    def wait_for_first_frames(self, timeout=10):
        """Waits for the first frame-rate title: frames have been drawn for over a second, so the
        black frames of start-up are past."""
        return wait_until(lambda: FPS_TITLE.match(self.title()), scaled(timeout),
                          "the frame-rate title")

    def start_and_wait(self):
        """Window found and first frames drawn: the usual start of a test."""
        self.find_window()
        self.wait_for_first_frames()

    def title(self):
        return self.xdotool("getwindowname", self.window).rstrip("\n")

    def geometry(self):
        """(x, y, width, height) of the window on the screen."""
        info = self._tool("xwininfo", "-id", self.window)
        def field(label):
            return int(re.search(rf"{label}:\s*(-?\d+)", info).group(1))
        return (field("Absolute upper-left X"), field("Absolute upper-left Y"),
                field("Width"), field("Height"))

    def point_at(self, x, y):
        self.xdotool("mousemove", "--window", self.window, x, y)

    def key(self, name, times=1):
        """Presses and releases a key (xdotool key name, e.g. "z", "space", "Return")."""
        for _ in range(times):
            self.xdotool("key", name)

    def hold(self, name, seconds):
        """Holds a key down for a (scaled) duration, then releases it."""
        self.xdotool("keydown", name)
        try:
            time.sleep(scaled(seconds))
        finally:
            self.xdotool("keyup", name)

    def drag(self, start, end, steps=10):
        """Left-button drag in window pixels, in steps so that motion events arrive."""
        self.point_at(*start)
        self.xdotool("mousedown", 1)
        try:
            for step in range(1, steps + 1):
                x = start[0] + (end[0] - start[0]) * step // steps
                y = start[1] + (end[1] - start[1]) * step // steps
                self.point_at(x, y)
        finally:
            self.xdotool("mouseup", 1)

    def wheel(self, clicks):
        """Turns the wheel: positive clicks away from the user (button 4), negative towards."""
        button = 4 if clicks > 0 else 5
        for _ in range(abs(clicks)):
            self.xdotool("click", button)

    def screenshot(self, label="shot", crop=None):
        """Captures the window (or the crop Box of it), saves it as a PNG and returns it.
        import writes a raw PPM, read as it is; the PNG is only for a person to look at."""
        self._shots += 1
        directory = screenshot_dir() / self.name if self.keep_shots else self.temp_dir / "shots"
        directory.mkdir(parents=True, exist_ok=True)
        raw = self.temp_dir / "capture.ppm"
        options = []
        if crop is not None:
            options += ["-crop", f"{crop.right - crop.left}x{crop.bottom - crop.top}"
                                 f"+{crop.left}+{crop.top}", "+repage"]
        self._tool("import", "-silent", "-window", self.window, *options, "-depth", "8",
                   f"PPM:{raw}")
        image = read_ppm(raw)
        image.path = directory / f"{self._shots:02d}-{label}.png"
        write_png(image.path, image)
        return image

    def wait_for_picture(self, predicate, timeout, what, label="shot"):
        """Takes screenshots until predicate accepts one; returns it."""
        deadline = time.monotonic() + scaled(timeout)
        while True:
            image = self.screenshot(label)
            if predicate(image):
                return image
            if time.monotonic() > deadline:
                raise HarnessError(f"timed out waiting for {what} (last picture {image.path})")
            time.sleep(POLL_INTERVAL)


def screenshot_dir():
    build = Path(os.environ.get("ROBOTSCENE_BUILD_DIR") or REPO_ROOT / "build")
    return build / "e2e-screenshots"


def _install_fake_player(target, music_seconds, cue_seconds):
    """Puts the fake player on PATH under the real player's name, whether or not the script
    carries its execute bit, with one play time (whole seconds) for the music and another for
    the cues."""
    source = FAKE_PLAYER
    first_line = source.read_text(errors="replace").splitlines()[0]
    interpreter = first_line[2:].strip() if first_line.startswith("#!") else "/bin/sh"
    # exec keeps the pid, so the pid the script logs is the one the program started.
    target.write_text(
        "#!/bin/sh\n"
        f"FAKE_PLAYER_SECONDS={cue_seconds}\n"
        f'case " $* " in *" audio/music.wav "*) FAKE_PLAYER_SECONDS={music_seconds} ;; esac\n'
        "export FAKE_PLAYER_SECONDS\n"
        f"exec {interpreter} '{source}' \"$@\"\n")
    target.chmod(0o755)


# ---------------------------------------------------------------------------------------------
# Reporting


class Checks:
    """Counts checks, prints one line each and the final "N passed, N failed" line."""

    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, name, ok, detail=""):
        if ok:
            self.passed += 1
            print(f"ok   {name}", flush=True)
        else:
            self.failed += 1
            print(f"FAIL {name}" + (f": {detail}" if detail else ""), flush=True)
        return ok

    def passes(self, name, action):
        """One check: action() must finish without raising; returns its result (None if not)."""
        try:
            result = action()
        except Exception as error:  # noqa: BLE001 - any fault of the action fails the check
            self.check(name, False, f"{type(error).__name__}: {error}")
            return None
        self.check(name, True)
        return result

    @contextlib.contextmanager
    def step(self, name):
        """A step whose exception counts as one failure and does not stop the test."""
        try:
            yield
        except Exception as error:  # noqa: BLE001 - any fault of a step is a failed check
            self.check(name, False, f"{type(error).__name__}: {error}")

    def finish(self):
        print(f"{self.passed} passed, {self.failed} failed", flush=True)
        return 1 if self.failed or not self.passed else 0


def _raise_on_sigterm(signum, frame):
    raise SystemExit(128 + signum)


def run_test(body):
    """Runs body(checks) and exits with the result; an exception counts as one failure."""
    signal.signal(signal.SIGTERM, _raise_on_sigterm)  # let finally blocks and atexit run
    checks = Checks()
    try:
        body(checks)
    except Exception:  # noqa: BLE001 - reported as a failure with its trace
        traceback.print_exc()
        checks.check("test ran to its end", False)
    finally:
        _close_open_runs()
    sys.exit(checks.finish())
