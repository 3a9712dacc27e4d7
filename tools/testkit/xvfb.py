"""A private X server (Xvfb) that picks a free display number itself, so runs never collide, and
the process helpers every runner here uses: children that die with the test, process groups
stopped whole, a pid's liveness. It draws nothing and drives nothing: program and browser do."""

import contextlib
import ctypes
import os
import select
import signal
import subprocess
import time
from pathlib import Path

from testkit.base import HarnessError, Managed, scaled

SCREEN = "1280x1024x24"  # the program's window fits whole, 24-bit colour
LAYOUT = "fr"            # AZERTY: the keys the tests name (Z drives) are where the program's user has them
PR_SET_PDEATHSIG = 1     # prctl option: signal a child gets when its parent dies

_libc = ctypes.CDLL(None, use_errno=True)


def die_with_parent():
    # Runs in the child before exec: even a test killed by ctest leaves no X server behind.
    _libc.prctl(PR_SET_PDEATHSIG, signal.SIGKILL)


def pid_alive(pid):
    try:  # a zombie waiting to be reaped counts as ended
        stat = Path(f"/proc/{pid}/stat").read_text()
    except OSError:
        return False
    return stat[stat.rindex(")") + 2] not in "ZX"  # the state follows the (command name)


def stop_process(process, grace):
    """Ends a process started with start_new_session, and every process left in its group."""
    if process is None:
        return
    with contextlib.suppress(ProcessLookupError, PermissionError):
        if process.poll() is None:
            os.killpg(process.pid, signal.SIGTERM)
            with contextlib.suppress(subprocess.TimeoutExpired):
                process.wait(grace)
        os.killpg(process.pid, signal.SIGKILL)  # children that outlive the leader keep its group
    with contextlib.suppress(subprocess.TimeoutExpired):
        process.wait(grace)


class Xvfb(Managed):
    """`with Xvfb(log) as xvfb:` gives xvfb.display (":N") and xvfb.environment(); its keyboard
    has the given layout (set_layout changes it)."""

    def __init__(self, log_path, screen=SCREEN, layout=LAYOUT):
        self.log_path, self.screen, self.process, self.display = Path(log_path), screen, None, None
        self.layout = layout

    def start(self):
        read_end, write_end = os.pipe()
        try:
            with open(self.log_path, "wb") as log:
                # -r: no key auto-repeat, so a held key is one press and one release.
                self.process = subprocess.Popen(
                    ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.screen,
                     "-r", "-noreset", "-nolisten", "tcp"],
                    pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                    stderr=log, start_new_session=True, preexec_fn=die_with_parent)
            os.close(write_end)
            write_end = None
            # Xvfb writes the display number and a newline once it accepts clients.
            text, deadline = b"", time.monotonic() + scaled(20)
            while not text.endswith(b"\n"):
                ready, _, _ = select.select([read_end], [], [], max(deadline - time.monotonic(), 0))
                chunk = os.read(read_end, 64) if ready else b""
                if not chunk:
                    raise HarnessError("Xvfb did not start:\n" + self.log_path.read_text(errors="replace"))
                text += chunk
        finally:
            if write_end is not None:
                os.close(write_end)
            os.close(read_end)
        self.display = f":{int(text)}"
        self.set_layout(self.layout)

    def set_layout(self, layout):
        subprocess.run(["setxkbmap", "-display", self.display, layout], check=True, timeout=scaled(20),
                       stdin=subprocess.DEVNULL)

    def environment(self, base=None):
        """base (or this process's environment) pointed at this server."""
        env = dict(os.environ if base is None else base, DISPLAY=self.display)
        env.pop("XAUTHORITY", None)  # the private server has no access control file
        return env

    def stop(self):
        stop_process(self.process, 5)
        self.process = None
