"""What every other module of the package shares: the repository's folders, the error a step
raises, time-outs scaled for slow builds, the one polling wait, and Managed, the one
context-manager pattern (start on entry, always close, close whatever is left at exit).

Environment: ROBOTSCENE_BUILD_DIR (the desktop build: screenshots, sanitizer build?),
ROBOTSCENE_WEB_DIR (the page's build), ROBOTSCENE_E2E_TIME_SCALE (factor for time-outs and holds),
ROBOTSCENE_E2E_KEEP (keep temporary folders).
"""

import atexit
import contextlib
import os
import re
import time
from pathlib import Path

REPO_ROOT = Path(__file__).resolve().parents[2]
BUILD_DIR = Path(os.environ.get("ROBOTSCENE_BUILD_DIR") or REPO_ROOT / "build")
WEB_DIR = Path(os.environ.get("ROBOTSCENE_WEB_DIR") or REPO_ROOT / "build-web").resolve()
# The version as the build takes it, from the top CMakeLists.txt (a package's testbed has no build tree).
VERSION = re.search(r"project\(robotscene VERSION ([0-9.]+)", (REPO_ROOT / "CMakeLists.txt").read_text())[1]
POLL_INTERVAL = 0.05  # seconds between two looks while waiting for something


class HarnessError(Exception):
    """A step could not be carried out (time-out, tool failure, dead program, silent browser)."""


def _time_scale():
    value = os.environ.get("ROBOTSCENE_E2E_TIME_SCALE")
    if value:
        return max(1.0, float(value))  # never shorter than the plain build needs
    with contextlib.suppress(OSError):  # sanitizer builds start and draw more slowly
        if "ROBOTSCENE_SANITIZE:BOOL=ON" in (BUILD_DIR / "CMakeCache.txt").read_text(errors="replace"):
            return 3.0
    return 1.0


TIME_SCALE = _time_scale()


def scaled(seconds):
    return seconds * TIME_SCALE


def keep_temporary():
    return bool(os.environ.get("ROBOTSCENE_E2E_KEEP"))


def wait_until(predicate, timeout, what, interval=POLL_INTERVAL):
    """predicate's first true value; the timeout is taken as it is (callers scale their own)."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise HarnessError(f"timed out after {timeout:.1f} s waiting for {what}")
        time.sleep(interval)


class Managed:
    """Something that starts processes: `with` starts it and always closes it, also when starting
    fails half-way; close_all() (run_test's last step, and at exit) closes whatever is still open,
    so a test killed by a time-out leaves nothing running. Subclasses define start() and stop();
    stop() must be safe after a partial start."""

    _open = []

    def __enter__(self):
        Managed._open.append(self)
        try:
            self.start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc_info):
        self.close()
        return False

    def close(self):
        # Safe to call more than once.
        if self in Managed._open:
            Managed._open.remove(self)
        self.stop()

    def start(self):
        raise NotImplementedError

    def stop(self):
        raise NotImplementedError


def close_all():
    for managed in reversed(list(Managed._open)):
        managed.close()


atexit.register(close_all)
