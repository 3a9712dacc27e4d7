"""End-to-end test reporting on top of tools/runner.py: Checks counts and prints each check,
check_exit checks a clean Esc, run_test runs a test body and always cleans up."""

import signal
import sys
import traceback
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))

from runner import *  # noqa: E402,F401,F403  (the program runner, its constants and images)
from runner import _close_open_runs  # noqa: E402


class Checks:
    """Counts checks, prints one line each and the final "N passed, N failed" line."""

    def __init__(self):
        self.passed = self.failed = 0

    def check(self, name, ok, detail=""):
        if ok:
            self.passed += 1
            print(f"ok   {name}", flush=True)
        else:
            self.failed += 1
            print(f"FAIL {name}" + (f": {detail}" if detail else ""), flush=True)
        return ok

    def passes(self, name, action):
        # One check: action() must not raise; returns its result (None if it raised).
        try:
            result = action()
        except Exception as error:  # noqa: BLE001 - any fault of the action fails the check
            self.check(name, False, f"{type(error).__name__}: {error}")
            return None
        self.check(name, True)
        return result

    def finish(self):
        print(f"{self.passed} passed, {self.failed} failed", flush=True)
        return 1 if self.failed or not self.passed else 0


def check_exit(checks, run, prefix="", timeout=30):
    """Esc ends the program with code 0, with no sanitizer report and no player left behind."""
    run.point_at(*WINDOW_MIDDLE)  # the keyboard focus follows the pointer
    run.key("Escape")
    code = checks.passes(f"{prefix}Esc ends the program", lambda: run.wait_exit(timeout))
    checks.check(f"{prefix}exit code 0", code == 0, f"exit code {code}")
    reports = run.sanitizer_reports()
    checks.check(f"{prefix}no sanitizer report", not reports, "\n".join(reports[:20]))
    checks.passes(f"{prefix}no player left running", run.wait_players_gone)


def run_test(body):
    signal.signal(signal.SIGTERM, lambda signum, _: sys.exit(128 + signum))  # finally blocks run
    checks = Checks()
    try:
        body(checks)
    except Exception:  # noqa: BLE001 - reported as a failure with its trace
        traceback.print_exc()
        checks.check("test ran to its end", False)
    finally:
        _close_open_runs()
    sys.exit(checks.finish())

