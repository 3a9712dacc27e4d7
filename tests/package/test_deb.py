# The Debian package: built by CPack into a temporary directory, judged by lintian, its control
# fields (Depends against the libraries the program links) and contents, then unpacked with
# `dpkg -x`: layout, desktop entry, AppStream metadata, changelog, copyright, the manual page
# against the README's key table, and the unpacked launcher run on a private X server. Nothing is
# installed into this machine's own system.

import gzip
import os
import re
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
import harness  # noqa: E402
import test_install as install  # noqa: E402  (layout, desktop entry and run checks)
from test_install import tool  # noqa: E402

VERSION = os.environ.get("ROBOTSCENE_VERSION", "")
MANUAL_MUST_SAY = ["EXIT STATUS", "/usr/share/games/robotscene/textures/", "standard output",
                   "standard error", "ROBOT RESETED", "cannot load image"]


def build(checks, out):
    name = f"robotscene_{VERSION}_{tool('dpkg', '--print-architecture').stdout.strip()}.deb"
    result = tool("cpack", "-G", "DEB", "--config", harness.BUILD_DIR / "CPackConfig.cmake", "-B", out)
    made = sorted(path.name for path in out.glob("*.deb"))
    ok = checks.check(f"cpack makes {name} alone", result.returncode == 0 and made == [name],
                      f"{made}\n{result.stdout[-3000:]}{result.stderr}")
    return out / name if ok else None


def check_control(checks, deb, program):
    fields = dict(re.findall(r"^(\S+): (.*)$", tool("dpkg-deb", "-f", deb).stdout, re.M))
    for key, value in (("Package", "robotscene"), ("Version", VERSION), ("Section", "games"),
                       ("Priority", "optional"), ("Recommends", "gnome-session-canberra")):
        checks.check(f"control field {key}: {value}", fields.get(key) == value, fields.get(key))
    depends = fields.get("Depends", "")
    names = {choice.split()[0] for part in depends.split(",") for choice in part.split("|") if choice.strip()}
    checks.check("Depends worked out by dpkg-shlibdeps (versioned libc6), sound player not in it",
                 re.search(r"\blibc6 \(>= [0-9.]+\)", depends) and "gnome-session-canberra" not in names, depends)
    multiarch = tool("dpkg-architecture", "-qDEB_HOST_MULTIARCH").stdout.strip()  # not lib32's copies
    for soname in re.findall(r"\(NEEDED\).*\[(.+)\]", tool("readelf", "-d", program).stdout):
        owner = tool("dpkg", "-S", f"*/{multiarch}/{soname}").stdout.split(":")[0]
        checks.check(f"Depends covers {soname} ({owner})", owner in names, depends)
    # The contents: modes and owners beyond these are lintian's to judge.
    entries = [line.split(None, 5) for line in tool("dpkg-deb", "-c", deb).stdout.splitlines()]
    foreign = [path for _, owner, *_, path in entries if owner != "root/root" or not path.startswith("./usr/")]
    checks.check("every file under /usr, owned by root", entries and not foreign, foreign[:5])


def check_lintian(checks, deb):
    result = tool("lintian", "--allow-root", deb)
    print(result.stdout, end="", flush=True)
    findings = [line for line in result.stdout.splitlines() if line[:2] in ("E:", "W:")]
    checks.check("lintian finds no error and no warning", result.returncode == 0 and not findings,
                 "\n".join(findings) + result.stderr)


def check_metadata(checks, root):
    # validate-tree also looks for the desktop entry the metadata launches.
    result = tool("appstreamcli", "validate-tree", "--no-net", root)
    checks.check("appstreamcli validate-tree passes", result.returncode == 0, result.stdout + result.stderr)
    component = ElementTree.parse(root / "usr/share/metainfo/org.example.robotscene.metainfo.xml").getroot()
    releases = [release.get("version") for release in component.iter("release")]
    checks.check("newest release is the package's version", releases[:1] == [VERSION], str(releases))
    shots = [image.text for image in component.iter("image")]
    stale = [url for url in shots if not re.search(r"/docs/tour/[^/]+$", url)
             or not (harness.REPO_ROOT / "docs/tour" / url.rsplit("/", 1)[1]).is_file()]
    checks.check("screenshots are pictures of the tour", shots and not stale, str(stale))
    doc = root / "usr/share/doc/robotscene"
    top = gzip.decompress((doc / "changelog.gz").read_bytes()).decode().partition("\n")[0]
    checks.check("changelog starts with this version", top.startswith(f"robotscene ({VERSION}) "), top)
    dep5 = r"Format: \S+/copyright-format/1\.0/?\n(.+\n)*\nFiles: \*\n(.+\n)*License: \S"
    checks.check("copyright is machine-readable, licensing every file", re.match(dep5, (doc / "copyright").read_text()))


def check_manual(checks, usr):
    result = tool("man", "--warnings", "-l", usr / "share/man/man6/robotscene.6.gz",
                  env=dict(os.environ, LC_ALL="C", MANWIDTH="250"))
    text = " ".join(result.stdout.split())
    checks.check("man renders the page without warnings", result.returncode == 0 and not result.stderr.strip()
                 and text, result.stderr)
    readme = (harness.REPO_ROOT / "README.md").read_text()
    table = readme[readme.index("| Key | What it does |"):].split("\n\n")[0]
    rows = re.findall(r"^\| ([^|]+?) \| ([^|]+?) \|$", table, re.M)[1:]  # past the header
    missing = [said for said in [f"{key} {does}" for key, does in rows] + MANUAL_MUST_SAY if said not in text]
    checks.check(f"manual has the README's {len(rows)} keys, files, output, exit status", rows and not missing,
                 "\n".join(missing))


def test_deb(checks):
    with tempfile.TemporaryDirectory(prefix="robotscene-deb-test-") as name:
        temp = Path(name)
        deb = build(checks, temp / "out")
        if deb is None:
            return
        root, usr = temp / "root", temp / "root/usr"
        checks.check("dpkg -x unpacks it", tool("dpkg", "-x", deb, root).returncode == 0)
        check_control(checks, deb, usr / "libexec/robotscene/robotscene")
        check_lintian(checks, deb)
        install.check_layout(checks, usr)
        install.check_desktop_entry(checks, usr, "/usr/games/robotscene")
        check_metadata(checks, root)
        check_manual(checks, usr)
        install.check_installed_run(checks, "unpacked", temp, usr / "games/robotscene")  # not from its data


if __name__ == "__main__":
    harness.run_test(test_deb)
