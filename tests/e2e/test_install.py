"""End-to-end: `cmake --install` into a fresh prefix, then the installed launcher on Xvfb.

The prefix has a blank and a dollar sign in its name, so quoting faults in the launcher or the
desktop entry show. Checks the layout, the desktop entry (with desktop-file-validate when it is
installed), the icons, and then starts the installed program the way a user would, from another
directory: by the launcher's path, and through a link to it. The program must find its images
(none reported missing), echo its title and show the menu screen.
"""

import os
import re
import shlex
import shutil
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

import harness  # noqa: E402

ICON_SIZES = [48, 128, 256]        # pixels, as cmake/Install.cmake draws them
CENTRE = harness.Box(412, 309, 612, 459)  # 200 x 150 pixels round the middle of the window
NOT_BLACK = 40                     # mean channel value above which the centre is lit
INSTALL_TIMEOUT = 120              # seconds


def build_dir():
    return Path(os.environ.get("ROBOTSCENE_BUILD_DIR") or harness.REPO_ROOT / "build")


def png_size(path):
    data = Path(path).read_bytes()
    if data[:8] != harness.PNG_SIGNATURE or data[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", data[16:24])


def desktop_entry(path):
    """The keys of the [Desktop Entry] group, values with the string escapes undone."""
    entry = {}
    group = None
    for line in Path(path).read_text().splitlines():
        if line.startswith("["):
            group = line.strip()
        elif "=" in line and group == "[Desktop Entry]" and not line.startswith("#"):
            key, value = line.split("=", 1)
            entry[key] = re.sub(r"\\(.)", lambda m: {"s": " ", "n": "\n", "t": "\t", "r": "\r"}.get(
                m.group(1), m.group(1)), value)
    return entry


def exec_arguments(value):
    """Splits an Exec value into arguments; inside quotes \\ escapes " ` $ and \\."""
    arguments = []
    for match in re.finditer(r'"((?:[^"\\]|\\.)*)"|(\S+)', value):
        quoted, bare = match.groups()
        arguments.append(re.sub(r"\\(.)", r"\1", quoted) if quoted is not None else bare)
    return arguments


def check_layout(checks, prefix):
    expected = {
        "launcher": prefix / "bin" / "robotscene",
        "program": prefix / "lib" / "robotscene" / "robotscene",
        "desktop entry": prefix / "share" / "applications" / "robotscene.desktop",
    }
    for label, path in expected.items():
        checks.check(f"{label} installed", path.is_file(), str(path))
    for label in ("launcher", "program"):
        checks.check(f"{label} executable", os.access(expected[label], os.X_OK))
    for assets, pattern in (("textures", "*.[jp][pn]g"), ("audio", "*.wav")):
        shipped = sorted(path.name for path in (harness.REPO_ROOT / assets).glob(pattern))
        installed = sorted(path.name for path in (prefix / "share" / "robotscene" / assets).glob(pattern))
        checks.check(f"every file of {assets}/ installed", shipped and installed == shipped,
                     f"{len(installed)} of {len(shipped)}")
    for size in ICON_SIZES:
        icon = prefix / "share" / "icons" / "hicolor" / f"{size}x{size}" / "apps" / "robotscene.png"
        checks.check(f"{size} px icon", png_size(icon) == (size, size) if icon.is_file() else False,
                     f"{icon}: {png_size(icon) if icon.is_file() else 'missing'}")


def check_desktop_entry(checks, prefix):
    path = prefix / "share" / "applications" / "robotscene.desktop"
    entry = desktop_entry(path)
    checks.check("entry is an application named robotscene",
                 entry.get("Type") == "Application" and entry.get("Name") == "robotscene", str(entry))
    checks.check("entry runs the installed launcher",
                 exec_arguments(entry.get("Exec", "")) == [str(prefix / "bin" / "robotscene")],
                 entry.get("Exec"))
    checks.check("entry names the icon", entry.get("Icon") == "robotscene")
    validator = shutil.which("desktop-file-validate")
    if validator is None:
        print("note: desktop-file-validate is not installed; the entry was not validated", flush=True)
        return
    result = subprocess.run([validator, str(path)], capture_output=True, text=True)
    checks.check("desktop-file-validate accepts the entry", result.returncode == 0 and not result.stdout.strip(),
                 result.stdout + result.stderr)


def start_script(temp, label, working_dir, command):
    """A program for the harness to run: goes to working_dir and execs command there."""
    script = temp / f"start-{label}.sh"
    script.write_text(f"#!/bin/sh\ncd {shlex.quote(str(working_dir))} || exit 1\nexec {command} \"$@\"\n")
    script.chmod(0o755)
    return script


def check_installed_run(checks, label, script):
    os.environ["ROBOTSCENE_BIN"] = str(script)
    with harness.ProgramRun(f"install-{label}") as run:
        run.find_window()
        with checks.step(f"{label}: title echoed"):
            run.wait_for_line(rf"^{re.escape(harness.TITLE)}$", 10)
            checks.check(f"{label}: title echoed", True)
        run.wait_for_first_frames()
        picture = run.screenshot("menu")
        centre = picture.mean(CENTRE)
        checks.check(f"{label}: the menu shows (centre not black)", max(centre) > NOT_BLACK,
                     f"mean colour {centre}, {picture.path}")
        missing = [line for line in run.stderr_text().splitlines() if "cannot load image" in line]
        checks.check(f"{label}: every image found", not missing, "\n".join(missing))
        run.key("Escape")
        with checks.step(f"{label}: Esc exits with 0"):
            checks.check(f"{label}: Esc exits with 0", run.wait_exit(10) == 0)


def test_install(checks):
    temp = Path(tempfile.mkdtemp(prefix="robotscene-install-test-"))
    try:
        prefix = temp / "install $dir"
        result = subprocess.run(["cmake", "--install", str(build_dir()), "--prefix", str(prefix)],
                                capture_output=True, text=True, timeout=INSTALL_TIMEOUT)
        if not checks.check("cmake --install succeeds", result.returncode == 0, result.stdout + result.stderr):
            return
        check_layout(checks, prefix)
        check_desktop_entry(checks, prefix)

        elsewhere = temp / "elsewhere"
        elsewhere.mkdir()
        link = temp / "links" / "robotscene"
        link.parent.mkdir()
        link.symlink_to(prefix / "bin" / "robotscene")
        runs = [
            ("by-path", start_script(temp, "by-path", elsewhere, shlex.quote(str(prefix / "bin" / "robotscene")))),
            ("through-link", start_script(temp, "through-link", link.parent, "./robotscene")),
        ]
        for label, script in runs:
            check_installed_run(checks, label, script)
    finally:
        shutil.rmtree(temp, ignore_errors=True)


if __name__ == "__main__":
    harness.run_test(test_install)
