# End-to-end: `cmake --install` into a plain prefix, its layout and desktop entry, and the
# installed program started as a user would, from elsewhere through a link to the launcher.
# The layout, entry and run checks serve the Debian package's test (tests/package/) too; icon
# sizes are lintian's to judge there.

import os
import re
import subprocess
import tempfile
from pathlib import Path

import harness

ICON_SIZES = [48, 128, 256]        # pixels, as cmake/Install.cmake draws them
TIMEOUT = 300                      # seconds for one outside tool (cmake --install here, cpack, lintian)


def tool(*command, **options):
    return subprocess.run(list(map(str, command)), capture_output=True, text=True, timeout=TIMEOUT, **options)


def desktop_entry(path):
    # The keys of the [Desktop Entry] group (up to the next group), values with the string escapes undone.
    lines = ("\n" + path.read_text()).split("\n[Desktop Entry]\n", 1)[1].split("\n[")[0].splitlines()
    unescape = {"s": " ", "n": "\n", "t": "\t", "r": "\r"}
    return {key.strip(): re.sub(r"\\(.)", lambda m: unescape.get(m.group(1), m.group(1)), value.strip())
            for key, value in (line.split("=", 1) for line in lines if "=" in line and not line.startswith("#"))}


def exec_arguments(value):
    # Splits an Exec value into arguments; inside quotes \ escapes " ` $ and \.
    return [re.sub(r"\\(.)", r"\1", quoted) if quoted is not None else bare
            for quoted, bare in (m.groups() for m in re.finditer(r'"((?:[^"\\]|\\.)*)"|(\S+)', value))]


def check_layout(checks, prefix):
    # Every file the install rules put under prefix, as Debian lays out a game. How the manual page
    # and changelog are compressed is lintian's to judge in the package's test.
    files = {"launcher": "games/robotscene", "program": "libexec/robotscene/robotscene",
             "manual page": "share/man/man6/robotscene.6.gz", "copyright": "share/doc/robotscene/copyright",
             "changelog": "share/doc/robotscene/changelog.gz",
             **{f"{size} px icon": f"share/icons/hicolor/{size}x{size}/apps/robotscene.png" for size in ICON_SIZES}}
    for label, name in files.items():
        path, executable = prefix / name, label in ("launcher", "program")
        checks.check(f"{label} installed" + (", executable" if executable else ""),
                     path.is_file() and (not executable or os.access(path, os.X_OK)), str(path))
    for assets, pattern in (("textures", "*.[jp][pn]g"), ("audio", "*.wav")):
        shipped = sorted(path.name for path in (harness.REPO_ROOT / assets).glob(pattern))
        installed = sorted(path.name for path in (prefix / "share/games/robotscene" / assets).glob(pattern))
        checks.check(f"every file of {assets}/ installed", shipped and installed == shipped,
                     f"{len(installed)} of {len(shipped)}")


def check_desktop_entry(checks, prefix, launcher):
    path = prefix / "share" / "applications" / "robotscene.desktop"
    entry = desktop_entry(path)
    checks.check("entry is an application named robotscene, with its icon",
                 [entry.get(key) for key in ("Type", "Name", "Icon")] == ["Application", "robotscene", "robotscene"],
                 str(entry))
    checks.check("entry runs the installed launcher", exec_arguments(entry.get("Exec", "")) == [str(launcher)],
                 entry.get("Exec"))
    result = tool("desktop-file-validate", path)
    checks.check("desktop-file-validate accepts the entry", result.returncode == 0 and not result.stdout.strip(),
                 result.stdout + result.stderr)


def check_installed_run(checks, label, cwd, command):
    # It draws (the frame-rate title shows) and finds its files; what it draws is the scene test's.
    with harness.ProgramRun(f"install-{label}", cwd=cwd, command=command) as run:
        checks.passes(f"{label}: the program starts and draws", run.start_and_wait)
        missing = [line for line in run.stderr_text().splitlines() if "cannot load image" in line]
        checks.check(f"{label}: every image found", not missing, "\n".join(missing))
        harness.check_exit(checks, run, f"{label}: ", timeout=10)


def test_install(checks):
    with tempfile.TemporaryDirectory(prefix="robotscene-install-test-") as temp:
        prefix = Path(temp) / "install $dir"  # a blank and a dollar sign: quoting faults show
        result = tool("cmake", "--install", harness.BUILD_DIR, "--prefix", prefix)
        if not checks.check("cmake --install succeeds", result.returncode == 0, result.stdout + result.stderr):
            return
        check_layout(checks, prefix)
        check_desktop_entry(checks, prefix, prefix / "games" / "robotscene")
        link = Path(temp) / "links" / "robotscene"  # the launcher must follow the link to find its prefix
        link.parent.mkdir()
        link.symlink_to(prefix / "games" / "robotscene")
        check_installed_run(checks, "through-link", link.parent, "./robotscene")


if __name__ == "__main__":
    harness.run_test(test_install)
