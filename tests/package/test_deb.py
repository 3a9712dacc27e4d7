# The release and its Debian package, made as a distribution would make them. The licence:
# `reuse lint`, and the same licence named by LICENSE, debian/copyright (with stb), AppStream, the
# manual page and the README. `make upload` (source and binary packages, from a snapshot of the
# tree) in one folder, `make deb` in another of a different length, under another umask, locale,
# time zone and clock: the tarballs and every .deb must be the same bytes. The first build's log
# must hold no dpkg-shlibdeps warning, lintian --pedantic no error or warning (each remaining tag
# and each override explained in docs/packaging.md), the program all of Debian's hardening; the
# package names stb in Static-Built-Using and carries exactly a game's files. As root it is
# installed with apt, started from its desktop entry as a user would (tests/package/installed.py)
# and purged (without root that part is skipped). Last,
# `cmake --install` under umask 0002 into a prefix with a blank and a $ in its name.
# The unit tests are left to make test itself: the builds here run with nocheck.

import email.utils
import gzip
import hashlib
import os
import re
import subprocess
import sys
import tempfile
from pathlib import Path

from testkit.base import BUILD_DIR, REPO_ROOT, VERSION
from testkit.checks import run_test

TIMEOUT = 600  # seconds for one outside tool (a build, lintian, apt-get)
# Debian's layout for a game, under the prefix; the images and sounds come on top.
FILES = ["games/robotscene", "libexec/robotscene/robotscene", "share/man/man6/robotscene.6.gz",
         "share/doc/robotscene/copyright", "share/applications/robotscene.desktop",
         "share/metainfo/org.example.robotscene.metainfo.xml",
         *[f"share/icons/hicolor/{size}x{size}/apps/robotscene.png" for size in (48, 128, 256)]]
DEBIAN_FILES = ["share/doc/robotscene/changelog.Debian.gz", "share/lintian/overrides/robotscene"]
APT = ["apt-get", "-y", "--no-install-recommends", "-o", "DPkg::Lock::Timeout=300"]
# Without the caller's make state (its jobserver is not ours) or SOURCE_DATE_EPOCH.
ENV = {key: value for key, value in os.environ.items()
       if key not in ("MAKEFLAGS", "MFLAGS", "MAKELEVEL", "SOURCE_DATE_EPOCH", "DEB_BUILD_OPTIONS")}


def tool(*command, **options):
    return subprocess.run(list(map(str, command)), capture_output=True, text=True, timeout=TIMEOUT,
                          env=options.pop("env", ENV), **options)


def tool_passes(checks, name, *command, quiet=False, **options):
    # One check: the tool exits 0 and, if quiet, prints nothing on standard output.
    result = tool(*command, **options)
    return checks.check(name, result.returncode == 0 and not (quiet and result.stdout.strip()),
                        result.stdout[-4000:] + result.stderr[-4000:])


def words(text):
    # Blanks and DEP-5's " ." paragraph lines do not count.
    return " ".join(text.replace("\n .\n", "\n").split())


def check_licence(checks):
    tool_passes(checks, "reuse lint passes", "reuse", "lint", cwd=REPO_ROOT)
    expat = words((REPO_ROOT / "LICENSE").read_text().split("\n\n", 2)[2])
    copyright = (REPO_ROOT / "debian/copyright").read_text()
    said = {"debian/copyright": "Files: *\nCopyright: 2026 robotscene developers\nLicense: Expat\n" in copyright
            and expat in words(copyright) and "stb_image" in copyright and "public-domain or Expat" in copyright,
            "AppStream": "<project_license>MIT</project_license>" in (REPO_ROOT / "packaging/robotscene.metainfo.xml.in").read_text(),
            "manual page": "Expat (MIT)" in (REPO_ROOT / "packaging/robotscene.6.in").read_text(),
            "README": "## Licence\n\nExpat (MIT)" in (REPO_ROOT / "README.md").read_text()}
    checks.check("LICENSE's Expat terms are named by " + ", ".join(said), all(said.values()), said)


def build(checks, folder, goal, commit, umask, env, clock=""):
    # The make rule itself, in a shell with the umask, the clock moved on by faketime if asked.
    command = f"umask {umask:04o} && exec {clock} make --no-print-directory {goal} BUILD_DIR={folder} DIST_COMMIT={commit}"
    result = tool("sh", "-c", command, cwd=REPO_ROOT, env=dict(ENV, DEB_BUILD_OPTIONS=f"nocheck parallel={os.cpu_count()}", **env))
    debs = sorted(folder.glob("*.deb"))
    checks.check(f"make {goal} in {folder.name} builds the package and its -dbgsym", result.returncode == 0
                 and [deb.name.split("_")[0] for deb in debs] == ["robotscene-dbgsym", "robotscene"],
                 result.stdout[-4000:] + result.stderr[-4000:])
    return result.stdout + result.stderr, debs


def digests(folder):
    # The packages and the tarballs, less the source package, which the second build leaves out.
    return {path.name: hashlib.sha256(path.read_bytes()).hexdigest() for path in [*folder.glob("*.deb"), *folder.glob("*.tar.gz")]}


def check_upload(checks, folder, log, deb, program):
    checks.check("dpkg-shlibdeps warns of nothing", "dpkg-shlibdeps: warning" not in log,
                 "\n".join(line for line in log.splitlines() if "dpkg-shlibdeps" in line))
    changes = list(folder.glob("*.changes"))
    result = tool("lintian", "--pedantic", "--display-info", "--show-overrides", "--allow-root", *changes)
    tags = set(re.findall(r"^([EWIPXO]): [^:\n]+: (\S+)", result.stdout, re.M))  # kind, name; O: overridden
    documented = (REPO_ROOT / "docs/packaging.md").read_text()
    wrong = sorted((kind, name) for kind, name in tags if kind in "EW" or f"`{name}`" not in documented)
    checks.check("lintian: no error or warning, each other finding explained in docs/packaging.md",
                 len(changes) == 1 and ".dsc" in changes[0].read_text() and result.returncode == 0 and not wrong,
                 f"{wrong}\n{result.stdout}{result.stderr}")
    stb = tool("dpkg-query", "-W", "-f", "${source:Package} (= ${source:Version})", "libstb-dev").stdout
    field = tool("dpkg-deb", "-f", deb, "Static-Built-Using").stdout.strip()
    checks.check("Static-Built-Using names the stb it was built with", field == stb and "stb" in field, field)
    result = tool("hardening-check", program)
    checks.check("hardening-check finds no protection missing", result.returncode == 0
                 and ": no" not in result.stdout, result.stdout + result.stderr)


def check_metadata(checks, root):
    # validate-tree also looks for the desktop entry the metadata launches.
    tool_passes(checks, "appstreamcli validate-tree passes", "appstreamcli", "validate-tree", "--no-net", root)
    text = (REPO_ROOT / "debian/changelog").read_text()  # the top line and the date of its entry
    top, day = text.partition("\n")[0], email.utils.parsedate_to_datetime(re.search(r"\n -- .*>  (.*)\n", text)[1]).date()
    changelog = gzip.decompress((root / "usr/share/doc/robotscene/changelog.Debian.gz").read_bytes()).decode()
    release = f'<release version="{VERSION}" date="{day}"/>'
    metainfo = (root / "usr/share/metainfo/org.example.robotscene.metainfo.xml").read_text()
    checks.check(f"changelog, AppStream and manual page: version {VERSION} of {day}", top.startswith(
        f"robotscene ({VERSION}-") and changelog.startswith(top) and release in metainfo, f"{top}\n{release}")
    result = tool("man", "--warnings", "-l", root / "usr/share/man/man6/robotscene.6.gz",
                  env=dict(ENV, LC_ALL="C", MANWIDTH="250"))
    text = " ".join(result.stdout.split())
    checks.check("man renders the page without warnings, dated and versioned", result.returncode == 0
                 and not result.stderr.strip() and f"robotscene {VERSION} {day}" in text, result.stderr + text[-300:])


def desktop_entry(path):
    # The keys of the [Desktop Entry] group (up to the next group), values with the string escape
    # that our entries use (\\ for \) undone.
    lines = ("\n" + path.read_text()).split("\n[Desktop Entry]\n", 1)[1].split("\n[")[0].splitlines()
    return {key.strip(): re.sub(r"\\(.)", r"\1", value.strip())
            for key, value in (line.split("=", 1) for line in lines if "=" in line and not line.startswith("#"))}


def exec_arguments(value):
    # Splits an Exec value into arguments; inside quotes \ escapes " ` $ and \.
    return [re.sub(r"\\(.)", r"\1", quoted) if quoted is not None else bare
            for quoted, bare in (m.groups() for m in re.finditer(r'"((?:[^"\\]|\\.)*)"|(\S+)', value))]


def check_layout(checks, prefix, launcher, extra=()):
    assets = [f"share/games/robotscene/{path.relative_to(REPO_ROOT)}"
              for pattern in ("textures/*.[jp][pn]g", "audio/*.wav") for path in REPO_ROOT.glob(pattern)]
    installed_files = {str(path.relative_to(prefix)) for path in prefix.rglob("*") if not path.is_dir()}
    expected = set(FILES + assets + list(extra))
    modes = {f"{path.relative_to(prefix)} {path.stat().st_mode & 0o777:o}" for path in [prefix, *prefix.rglob("*")]
             if path.is_dir() and path.stat().st_mode & 0o777 != 0o755}
    checks.check("exactly a game's files, launcher and program executable, every folder rwxr-xr-x",
                 installed_files == expected and not modes and all(os.access(prefix / name, os.X_OK) for name in FILES[:2]),
                 f"missing {sorted(expected - installed_files)}, extra {sorted(installed_files - expected)}, {modes}")
    path = prefix / "share/applications/robotscene.desktop"
    entry = desktop_entry(path)
    said = [entry.get(key) for key in ("Type", "Name", "Icon")] + exec_arguments(entry.get("Exec", ""))
    checks.check("entry: application robotscene, its icon, the installed launcher",
                 said == ["Application", "robotscene", "robotscene", str(launcher)], str(entry))
    tool_passes(checks, "desktop-file-validate accepts the entry", "desktop-file-validate", path, quiet=True)


def check_reproducible(checks, temp, commit):
    # The locale is built into the test's own folder: the machine's locales stay as they are.
    locales, other = temp / "locales", temp / "and-another-build"
    locales.mkdir()
    result = tool("localedef", "-i", "et_EE", "-f", "UTF-8", locales / "et_EE.UTF-8")
    env = {"LOCPATH": str(locales), "LC_ALL": "et_EE.UTF-8", "TZ": "Pacific/Kiritimati"}
    build(checks, other, "deb", commit, 0o002, env, clock="faketime -f +397d")
    first, made = digests(temp / "one"), digests(other)
    same = {name: made.get(name) == digest for name, digest in first.items()}
    if not checks.check("in et_EE.UTF-8 too the other build gives the same tarball and packages",
                        result.returncode == 0 and made and all(same.values()), f"{same} {result.stderr}"):
        for name in (name for name, ok in same.items() if not ok and name.endswith(".deb")):
            print(tool("diffoscope", "--text", "-", temp / "one" / name, other / name).stdout[:20000])


def check_installed_program(checks, label, launcher, folder):
    # The autopkgtest's own test, run as it runs it: the launcher started from the folder.
    tool_passes(checks, f"{label}: tests/package/installed.py passes", sys.executable,
                REPO_ROOT / "tests/package/installed.py", launcher, folder)


def installed_packages():
    return set(tool("dpkg-query", "-W", "-f", "${db:Status-Abbrev} ${binary:Package}\n").stdout.splitlines())


def check_installed(checks, deb, temp):
    # Installed with apt, so apt resolves Depends, the program started from the desktop entry's Exec
    # line, then purged. Started from /usr/games it is the autopkgtest's; that the purge leaves
    # nothing behind is piuparts', in a fresh system where nothing else writes meanwhile (.ci/run).
    if os.geteuid() != 0 or any(line.endswith(" robotscene") for line in installed_packages()):
        print("skipped install and purge: not root, or robotscene is installed here already", flush=True)
        return
    packages, env = installed_packages(), dict(ENV, DEBIAN_FRONTEND="noninteractive")
    try:
        if tool_passes(checks, "apt-get installs the package", *APT, "install", deb, env=env):
            entry = desktop_entry(Path("/usr/share/applications/robotscene.desktop"))
            check_installed_program(checks, "desktop entry", exec_arguments(entry["Exec"])[0], temp)
    finally:  # with whatever apt brought in for it
        added = sorted(line.split()[-1] for line in installed_packages() - packages)
        tool_passes(checks, "apt-get purges it", *APT, "purge", "robotscene", *added, env=env)


def check_cmake_install(checks, temp):
    prefix = temp / "install $dir"  # a blank and a dollar sign: quoting faults show
    if tool_passes(checks, "cmake --install succeeds", "sh", "-c", 'umask 0002 && exec cmake --install "$0" --prefix "$1"',
                   BUILD_DIR, prefix):
        check_layout(checks, prefix, prefix / "games/robotscene")
        (temp / "links").mkdir()  # the launcher must follow the link to find its prefix
        (temp / "links/robotscene").symlink_to(prefix / "games/robotscene")
        check_installed_program(checks, "through a link", "./robotscene", temp / "links")


def test_deb(checks):
    check_licence(checks)
    # The tree as it is, committed or not (tracked files only): the last commit when it is clean.
    commit = tool("git", "stash", "create", cwd=REPO_ROOT).stdout.strip() or "HEAD"
    with tempfile.TemporaryDirectory(prefix="robotscene-deb-test-") as name:
        temp = Path(name)
        log, debs = build(checks, temp / "one", "upload", commit, 0o022, {"LC_ALL": "C.UTF-8", "TZ": "UTC"})
        if len(debs) == 2:
            deb, root = debs[1], temp / "root"
            tool("dpkg", "-x", deb, root)
            check_upload(checks, temp / "one", log, deb, root / "usr/libexec/robotscene/robotscene")
            check_layout(checks, root / "usr", "/usr/games/robotscene", DEBIAN_FILES)
            check_metadata(checks, root)
            check_reproducible(checks, temp, commit)
            check_installed(checks, deb, temp)
        check_cmake_install(checks, temp)


if __name__ == "__main__":
    run_test(test_deb)
