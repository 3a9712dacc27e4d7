"""How a test reports: Checks prints one line per check ("ok   name" or "FAIL name: detail") and
the closing "N passed, N failed" line ctest's log shows; run_test runs a test's body, turns an
exception into a failed check with its trace, closes every process left open and exits non-zero
on any failure or when nothing was checked; check_exit checks that the program ends cleanly on
Esc. waits() checks that something comes true in time; skip() prints why a check was not made."""

import signal
import sys
import traceback

from testkit.base import close_all, scaled, wait_until
from testkit.program import WINDOW_MIDDLE


class Checks:

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

    def waits(self, name, predicate, what, timeout=30):
        # One check: predicate() comes true within timeout seconds, scaled for slow builds; returns its value.
        return self.passes(name, lambda: wait_until(predicate, scaled(timeout), what))

    @staticmethod
    def skip(name, reason):
        print(f"skip {name}: {reason}", flush=True)

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
    """Runs body(checks) and exits with the verdict; call it from the test's __main__."""
    signal.signal(signal.SIGTERM, lambda signum, _: sys.exit(128 + signum))  # finally blocks run
    checks = Checks()
    try:
        body(checks)
    except Exception:  # noqa: BLE001 - reported as a failure with its trace
        traceback.print_exc()
        checks.check("test ran to its end", False)
    finally:
        close_all()
    sys.exit(checks.finish())
