"""The Debian package: built by CPack from the build directory into a temporary one, judged by
lintian, its control fields (Depends against the libraries the program links) and contents, then
unpacked with `dpkg -x`: layout, desktop entry, AppStream metadata, changelog, copyright and the
manual page against the README's key table, and the unpacked launcher started on a private X
server. Nothing is installed into this machine's own system."""

import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
import harness  # noqa: E402
import test_install as install  # noqa: E402  (layout, desktop entry and run checks)

VERSION = os.environ.get("ROBOTSCENE_VERSION", "")
TIMEOUT = 300                                # seconds for one outside tool (cpack, lintian)
PROGRAMS = {"./usr/games/robotscene", "./usr/libexec/robotscene/robotscene"}
MANUAL_MUST_SAY = ["EXIT STATUS", "FILES", "/usr/share/games/robotscene/textures/",
                   "/usr/share/games/robotscene/audio/", "standard output", "standard error",
                   "ROBOT RESETED", "cannot load image"]


def tool(*command, **options):
    return subprocess.run([str(part) for part in command], capture_output=True, text=True,
                          timeout=TIMEOUT, **options)


def build(checks, out):
    name = f"robotscene_{VERSION}_{tool('dpkg', '--print-architecture').stdout.strip()}.deb"
    result = tool("cpack", "-G", "DEB", "--config", harness.BUILD_DIR / "CPackConfig.cmake", "-B", out)
    made = sorted(path.name for path in out.glob("*.deb"))
    checks.check(f"cpack makes {name}", result.returncode == 0 and made == [name],
                 f"{made}\n{result.stdout[-3000:]}{result.stderr}")
    return out / name if made == [name] else None


def check_control(checks, deb, program):
    fields = dict(re.findall(r"^(\S+): (.*)$", tool("dpkg-deb", "-f", deb).stdout, re.M))
    for key, value in (("Package", "robotscene"), ("Version", VERSION), ("Section", "games"),
                       ("Priority", "optional"), ("Recommends", "gnome-session-canberra")):
        checks.check(f"control field {key}: {value}", fields.get(key) == value, fields.get(key))
    checks.check("control names a maintainer and a summary",
                 re.fullmatch(r".+ <\S+@\S+>", fields.get("Maintainer", "")) and fields.get("Description"))
    depends = fields.get("Depends", "")
    names = {choice.split()[0] for part in depends.split(",") for choice in part.split("|")}
    checks.check("Depends worked out by dpkg-shlibdeps (versioned libc6), sound player not in it",
                 re.search(r"\blibc6 \(>= [0-9.]+\)", depends) and "gnome-session-canberra" not in names, depends)
    multiarch = tool("dpkg-architecture", "-qDEB_HOST_MULTIARCH").stdout.strip()  # not lib32's copies
    for soname in re.findall(r"\(NEEDED\).*\[(.+)\]", tool("readelf", "-d", program).stdout):
        owner = tool("dpkg", "-S", f"*/{multiarch}/{soname}").stdout.split(":")[0]
        checks.check(f"Depends covers {soname} ({owner})", owner in names, depends)


def check_contents(checks, deb):
    entries = [line.split(None, 5) for line in tool("dpkg-deb", "-c", deb).stdout.splitlines()]
    foreign = [path for _, owner, *_, path in entries if owner != "root/root" or not path.startswith("./usr/")]
    checks.check("every file under /usr, owned by root", entries and not foreign, foreign[:5])
    bad = [f"{mode} {path}" for mode, *_, path in entries if mode != (
        "drwxr-xr-x" if mode[0] == "d" else "-rwxr-xr-x" if path in PROGRAMS else "-rw-r--r--")]
    checks.check("modes 755 for directories and programs, 644 for the rest", not bad, bad[:5])


def check_lintian(checks, deb):
    result = tool("lintian", "--allow-root", deb)
    print(result.stdout, end="", flush=True)
    findings = [line for line in result.stdout.splitlines() if line[:2] in ("E:", "W:")]
    checks.check("lintian finds no error and no warning", result.returncode == 0 and not findings,
                 "\n".join(findings) + result.stderr)


def check_metadata(checks, usr):
    files = list((usr / "share/metainfo").glob("*.metainfo.xml"))
    if not checks.check("one AppStream metadata file", len(files) == 1, str(files)):
        return
    result = tool("appstreamcli", "validate", "--no-net", files[0])
    checks.check("appstreamcli validate passes", result.returncode == 0, result.stdout + result.stderr)
    component = ElementTree.parse(files[0]).getroot()
    checks.check("file named by the id, launching the desktop entry",
                 files[0].name == f"{component.findtext('id')}.metainfo.xml"
                 and (usr / "share/applications" / component.findtext("launchable", "-")).is_file())
    releases = [release.get("version") for release in component.iter("release")]
    checks.check("newest release is the package's version", releases[:1] == [VERSION], str(releases))
    shots = [image.text for image in component.iter("image")]
    stale = [url for url in shots if not re.search(r"/docs/tour/[^/]+$", url)
             or not (harness.REPO_ROOT / "docs/tour" / url.rsplit("/", 1)[1]).is_file()]
    checks.check("screenshots are pictures of the tour", shots and not stale, str(stale))
    doc = usr / "share/doc/robotscene"
    top = gzip.decompress((doc / "changelog.gz").read_bytes()).decode().partition("\n")[0]
    checks.check("changelog starts with this version", top.startswith(f"robotscene ({VERSION}) "), top)
    copyright_text = (doc / "copyright").read_text()
    checks.check("copyright is machine-readable, licensing every file", re.match(
        r"Format: https?://www\.debian\.org/doc/packaging-manuals/copyright-format/1\.0/?\n", copyright_text)
        and re.search(r"^Files: \*\n(?:.+\n)*?License: \S+", copyright_text, re.M))


def check_manual(checks, usr):
    result = tool("man", "--warnings", "-l", usr / "share/man/man6/robotscene.6.gz",
                  env=dict(os.environ, LC_ALL="C", MANWIDTH="250"))
    text = " ".join(result.stdout.split())
    checks.check("man renders the page without warnings", result.returncode == 0 and not result.stderr.strip()
                 and text, result.stderr)
    readme = (harness.REPO_ROOT / "README.md").read_text()
    table = readme[readme.index("| Key | What it does |"):].split("\n\n")[0]
    rows = re.findall(r"^\| ([^|]+?) \| ([^|]+?) \|$", table, re.M)[2:]  # past the header and rule
    missing = [f"{key}: {does}" for key, does in rows if f"{key} {does}" not in text]
    checks.check(f"every key of the README's table in the manual ({len(rows)})", rows and not missing,
                 "\n".join(missing))
    missing = [fragment for fragment in MANUAL_MUST_SAY if fragment not in text]
    checks.check("manual documents files, output and exit status", not missing, str(missing))


def test_deb(checks):
    temp = Path(tempfile.mkdtemp(prefix="robotscene-deb-test-"))
    try:
        deb = build(checks, temp / "out")
        if deb is None:
            return
        root = temp / "root"
        checks.check("dpkg -x unpacks it", tool("dpkg", "-x", deb, root).returncode == 0)
        usr = root / "usr"
        check_control(checks, deb, usr / "libexec/robotscene/robotscene")
        check_contents(checks, deb)
        check_lintian(checks, deb)
        install.check_layout(checks, usr)
        install.check_desktop_entry(checks, usr, "/usr/games/robotscene")
        check_metadata(checks, usr)
        check_manual(checks, usr)
        (temp / "elsewhere").mkdir()
        install.check_installed_run(checks, "unpacked", temp / "elsewhere", usr / "games/robotscene")
    finally:
        shutil.rmtree(temp, ignore_errors=True)


if __name__ == "__main__":
    harness.run_test(test_deb)
