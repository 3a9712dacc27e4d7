# End-to-end: `cmake --install` into a plain prefix, its layout and desktop entry, and the
# installed program started as a user would, from elsewhere through a link to the launcher.
# The layout, entry and run checks serve the Debian package's test (tests/package/) too; icon
# sizes are lintian's to judge there.

import configparser
import os
import re
import shutil
import subprocess
import tempfile
from pathlib import Path

import harness

ICON_SIZES = [48, 128, 256]        # pixels, as cmake/Install.cmake draws them
CENTRE = harness.Box(412, 309, 612, 459)  # 200 x 150 pixels round the middle of the window
NOT_BLACK = 40                     # mean channel value above which the centre is lit
INSTALL_TIMEOUT = 120              # seconds


def desktop_entry(path):
    # The keys of the [Desktop Entry] group, values with the string escapes undone.
    parser = configparser.ConfigParser(delimiters=("=",), comment_prefixes=("#",), interpolation=None)
    parser.optionxform = str  # keys are case-sensitive
    parser.read(path)
    unescape = {"s": " ", "n": "\n", "t": "\t", "r": "\r"}
    return {key: re.sub(r"\\(.)", lambda m: unescape.get(m.group(1), m.group(1)), value)
            for key, value in parser["Desktop Entry"].items()}


def exec_arguments(value):
    # Splits an Exec value into arguments; inside quotes \ escapes " ` $ and \.
    return [re.sub(r"\\(.)", r"\1", quoted) if quoted is not None else bare
            for quoted, bare in (m.groups() for m in re.finditer(r'"((?:[^"\\]|\\.)*)"|(\S+)', value))]


def check_layout(checks, prefix):
    # Every file the install rules put under prefix, as Debian lays out a game.
    for label, path, executable in (("launcher", prefix / "games" / "robotscene", True),
                                    ("program", prefix / "libexec" / "robotscene" / "robotscene", True),
                                    ("manual page", prefix / "share/man/man6/robotscene.6.gz", False),
                                    ("copyright", prefix / "share/doc/robotscene/copyright", False),
                                    ("changelog", prefix / "share/doc/robotscene/changelog.gz", False)):
        checks.check(f"{label} installed" + (", executable" if executable else ""),
                     path.is_file() and (not executable or os.access(path, os.X_OK)), str(path))
        if path.suffix == ".gz" and path.is_file():  # no name, no time stamp, best compression
            header = path.read_bytes()[:10]
            checks.check(f"{label} gzipped -9n", header[3] & 8 == 0 and header[4:9] == b"\0\0\0\0\2",
                         header.hex())
    for assets, pattern in (("textures", "*.[jp][pn]g"), ("audio", "*.wav")):
        shipped = sorted(path.name for path in (harness.REPO_ROOT / assets).glob(pattern))
        installed = sorted(path.name for path in (prefix / "share/games/robotscene" / assets).glob(pattern))
        checks.check(f"every file of {assets}/ installed", shipped and installed == shipped,
                     f"{len(installed)} of {len(shipped)}")
    for size in ICON_SIZES:
        icon = prefix / "share" / "icons" / "hicolor" / f"{size}x{size}" / "apps" / "robotscene.png"
        checks.check(f"{size} px icon", icon.is_file(), str(icon))


def check_desktop_entry(checks, prefix, launcher):
    path = prefix / "share" / "applications" / "robotscene.desktop"
    entry = desktop_entry(path)
    checks.check("entry is an application named robotscene, with its icon",
                 [entry.get(key) for key in ("Type", "Name", "Icon")] == ["Application", "robotscene", "robotscene"],
                 str(entry))
    checks.check("entry runs the installed launcher", exec_arguments(entry.get("Exec", "")) == [str(launcher)],
                 entry.get("Exec"))
    result = subprocess.run(["desktop-file-validate", str(path)], capture_output=True, text=True)
    checks.check("desktop-file-validate accepts the entry", result.returncode == 0 and not result.stdout.strip(),
                 result.stdout + result.stderr)


def check_installed_run(checks, label, cwd, command):
    with harness.ProgramRun(f"install-{label}", cwd=cwd, command=command) as run:
        run.find_window()
        run.wait_for_first_frames()
        picture = run.screenshot("menu")
        centre = picture.mean(CENTRE)
        checks.check(f"{label}: the menu shows (centre not black)", max(centre) > NOT_BLACK,
                     f"mean colour {centre}, {picture.path}")
        missing = [line for line in run.stderr_text().splitlines() if "cannot load image" in line]
        checks.check(f"{label}: every image found", not missing, "\n".join(missing))
        harness.check_exit(checks, run, f"{label}: ", timeout=10)


def test_install(checks):
    temp = Path(tempfile.mkdtemp(prefix="robotscene-install-test-"))
    try:
        prefix = temp / "install $dir"  # a blank and a dollar sign: quoting faults show
        result = subprocess.run(["cmake", "--install", str(harness.BUILD_DIR), "--prefix", str(prefix)],
                                capture_output=True, text=True, timeout=INSTALL_TIMEOUT)
        if not checks.check("cmake --install succeeds", result.returncode == 0, result.stdout + result.stderr):
            return
        check_layout(checks, prefix)
        check_desktop_entry(checks, prefix, prefix / "games" / "robotscene")
        link = temp / "links" / "robotscene"  # the launcher must follow the link to find its prefix
        link.parent.mkdir()
        link.symlink_to(prefix / "games" / "robotscene")
        check_installed_run(checks, "through-link", link.parent, "./robotscene")
    finally:
        shutil.rmtree(temp, ignore_errors=True)


if __name__ == "__main__":
    harness.run_test(test_install)
