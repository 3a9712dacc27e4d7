# The Debian package and the install rules it is made from. The package is built by CPack into a
# temporary directory and judged by lintian (no finding at all), hardening-check, its control
# fields, dates and contents; unpacked with `dpkg -x` for its layout, desktop entry, AppStream
# metadata, changelog, copyright and manual page. Copies of the tree in two other folders, built
# and packaged one after the other, must give the same bytes. As root it is installed with apt,
# started from /usr/games and from its desktop entry, asked its version and purged: nothing of it
# may stay and nothing else may change (without root that part is skipped). Last, `cmake --install`
# into a prefix with a blank and a $ in its name, started through a link to the launcher.

import gzip
import hashlib
import io
import os
import re
import shutil
import subprocess
import sys
import tarfile
import tempfile
import xml.etree.ElementTree as ElementTree
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
import harness  # noqa: E402
from test_scene import menu_shown  # noqa: E402

VERSION = os.environ.get("ROBOTSCENE_VERSION", "")
ICON_SIZES = [48, 128, 256]  # pixels, as cmake/Install.cmake draws them
TIMEOUT = 600                # seconds for one outside tool (a build, cpack, lintian, apt-get)
MANUAL_MUST_SAY = ["EXIT STATUS", "/usr/share/games/robotscene/textures/", "standard output",
                   "standard error", "ROBOT RESETED", "cannot load image"]
# The protections hardening-check reports. It finds stack clash protection only in functions
# whose frames need probing, and the program has none: the compiler's record of its flags says it.
HARDENING = ["Position Independent Executable", "Stack protected", "Fortify Source functions",
             "Read-only relocations", "Immediate binding", "Control flow integrity"]
COMPILED_WITH = ["-fstack-clash-protection", "-fcf-protection=full", "-fstack-protector-strong", "-O2"]
# Where installing and purging may write, less dpkg's and apt's records and logs and the manual
# page index man-db's trigger rebuilds.
WATCHED = ["/usr", "/etc", "/opt", "/var"]
UNWATCHED = {"/var/lib/dpkg", "/var/lib/apt", "/var/cache/apt", "/var/log", "/var/cache/man", "/var/tmp"}
APT = ["apt-get", "-y", "--no-install-recommends", "-o", "DPkg::Lock::Timeout=300"]
# The caller's SOURCE_DATE_EPOCH would win over the commit's time.
BUILD_ENV = {key: value for key, value in os.environ.items() if key != "SOURCE_DATE_EPOCH"}


def tool(*command, **options):
    return subprocess.run(list(map(str, command)), capture_output=True, text=True, timeout=TIMEOUT, **options)


def package(checks, config, out, label):
    name = f"robotscene_{VERSION}_{tool('dpkg', '--print-architecture').stdout.strip()}.deb"
    result = tool("cpack", "-G", "DEB", "--config", config, "-B", out, env=BUILD_ENV)
    made = sorted(path.name for path in out.glob("*.deb"))
    ok = checks.check(f"{label}: cpack makes {name} alone", result.returncode == 0 and made == [name],
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
    # The contents: modes beyond these are lintian's to judge.
    data = subprocess.run(["dpkg-deb", "--fsys-tarfile", deb], capture_output=True, check=True).stdout
    members = tarfile.open(fileobj=io.BytesIO(data)).getmembers()
    foreign = [m.name for m in members if (m.uname, m.gname) != ("root", "root") or not (m.name + "/").startswith("./usr/")]
    checks.check("every file under /usr, owned by root", members and not foreign, foreign[:5])
    commit = int(tool("git", "-C", harness.REPO_ROOT, "log", "-1", "--format=%ct").stdout or -1)
    undated = [m.name for m in members if m.mtime != commit]
    checks.check("every file dated at the last commit", not undated, f"{commit}: {undated[:5]}")


def check_lintian_and_hardening(checks, deb, program):
    result = tool("lintian", "--allow-root", "--display-info", deb)
    print(result.stdout, end="", flush=True)
    findings = [line for line in result.stdout.splitlines() if line[:2] in ("E:", "W:", "I:")]
    checks.check("lintian finds no error, warning or information", result.returncode == 0 and not findings,
                 "\n".join(findings) + result.stderr)
    report = tool("hardening-check", program).stdout
    print(report, end="", flush=True)
    for feature in HARDENING:
        said = re.search(rf"^ {feature}: (.*)$", report, re.M)
        checks.check(f"hardening-check: {feature}", said and said.group(1).startswith("yes"), report)
    # The build's own program: the package's is stripped of the record.
    units = re.findall(r"DW_AT_producer.*: (GNU C.*)", tool("readelf", "--debug-dump=info",
                                                           harness.BUILD_DIR / "robotscene").stdout)
    weak = [unit for unit in units if not all(flag in unit.split() for flag in COMPILED_WITH)]
    checks.check(f"every unit compiled with {' '.join(COMPILED_WITH)}", units and not weak, (weak or [""])[0])


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


def check_layout(checks, prefix, launcher):
    # Every file the install rules put under prefix, as Debian lays out a game, and the desktop entry.
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
    path = prefix / "share/applications/robotscene.desktop"
    entry = desktop_entry(path)
    checks.check("entry is an application named robotscene, with its icon",
                 [entry.get(key) for key in ("Type", "Name", "Icon")] == ["Application", "robotscene", "robotscene"],
                 str(entry))
    checks.check("entry runs the installed launcher", exec_arguments(entry.get("Exec", "")) == [str(launcher)],
                 entry.get("Exec"))
    result = tool("desktop-file-validate", path)
    checks.check("desktop-file-validate accepts the entry", result.returncode == 0 and not result.stdout.strip(),
                 result.stdout + result.stderr)


def check_run(checks, label, cwd, command):
    # It shows its menu and finds its files; what else it draws is the scene test's.
    with harness.ProgramRun(f"install-{label}", cwd=cwd, command=command) as run:
        checks.passes(f"{label}: the program starts and draws", run.start_and_wait)
        checks.passes(f"{label}: the menu shows", lambda: run.wait_for_picture(menu_shown, 30, "the menu"))
        missing = [line for line in run.stderr_text().splitlines() if "cannot load image" in line]
        checks.check(f"{label}: every image found", not missing, "\n".join(missing))
        harness.check_exit(checks, run, f"{label}: ", timeout=10)


def build_elsewhere(checks, folder):
    # The tree's tracked files as they are, copied to folder, built (the program's targets only)
    # and packaged.
    source, build = folder / "robotscene", folder / "build"
    for name in filter(None, tool("git", "-C", harness.REPO_ROOT, "ls-files", "-z").stdout.split("\0")):
        if os.path.lexists(harness.REPO_ROOT / name):  # not deleted and not yet committed
            (source / name).parent.mkdir(parents=True, exist_ok=True)
            shutil.copy2(harness.REPO_ROOT / name, source / name, follow_symlinks=False)
    for step in (["cmake", "-S", source, "-B", build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DBUILD_TESTING=OFF",
                  "-DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON"],  # cpack builds no more than these
                 ["cmake", "--build", build, "-j", str(os.cpu_count()), "--target", "robotscene", "robotscene-icons"]):
        result = tool(*step, env=BUILD_ENV)
        if not checks.check(f"{folder.name}: {step[1]} succeeds", result.returncode == 0, result.stdout + result.stderr):
            return None
    return package(checks, build / "CPackConfig.cmake", folder / "out", folder.name)


def check_reproducible(checks, temp):
    debs = [build_elsewhere(checks, temp / name) for name in ("one", "and-another")]  # paths unlike in length
    if None in debs:
        return
    digests = [hashlib.sha256(deb.read_bytes()).hexdigest() for deb in debs]
    if not checks.check("two builds in two folders give the same package", digests[0] == digests[1], digests):
        print(tool("diffoscope", "--text", "-", *debs).stdout[:30000], flush=True)


def installed_packages():
    return set(tool("dpkg-query", "-W", "-f", "${db:Status-Abbrev} ${binary:Package}\n").stdout.splitlines())


def listing():
    # Every path under the watched trees with its type and mode, owner, size and link target (times
    # change with any trigger and are left out; a directory's size with its entries).
    found = {}
    for top in WATCHED:
        for folder, dirs, files in os.walk(top):
            dirs[:] = [name for name in dirs if os.path.join(folder, name) not in UNWATCHED]
            for name in dirs + files:
                path = os.path.join(folder, name)
                info = os.lstat(path)
                found[path] = (info.st_mode, info.st_uid, info.st_gid, 0 if name in dirs else info.st_size,
                               os.readlink(path) if os.path.islink(path) else "")
    return found


def check_installed(checks, deb, temp):
    if os.geteuid() != 0:
        print("skipped: installing the package needs root", flush=True)
        return
    if any(line.endswith(" robotscene") for line in installed_packages()):
        print("skipped: robotscene is installed on this machine already; it is left alone", flush=True)
        return
    before, packages = listing(), installed_packages()
    try:
        result = tool(*APT, "install", deb.resolve(), env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))
        if checks.check("apt-get installs the package", result.returncode == 0, result.stdout + result.stderr):
            check_run(checks, "/usr/games", "/", "/usr/games/robotscene")
            command = exec_arguments(desktop_entry(Path("/usr/share/applications/robotscene.desktop"))["Exec"])
            (temp / "home").mkdir()
            check_run(checks, "desktop entry", temp / "home", command[0])
            # No display: a program that ignored --version would stop at once instead of drawing.
            result = tool("/usr/games/robotscene", "--version", env={"PATH": os.environ["PATH"]})
            checks.check("robotscene --version prints its version", result.returncode == 0
                         and result.stdout == f"robotscene {VERSION}\n", result.stdout + result.stderr)
    finally:  # also purges what apt brought in for it
        added = sorted(line.split()[-1] for line in installed_packages() - packages)
        result = tool(*APT, "purge", "robotscene", *added, env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))
        checks.check("apt-get purges it, and what it brought", result.returncode == 0, result.stdout + result.stderr)
    after = listing()
    changed = sorted(path for path in before.keys() | after.keys() if before.get(path) != after.get(path))
    checks.check("purged: nothing left behind, nothing else changed", not changed,
                 "\n".join(f"{path}: {before.get(path)} -> {after.get(path)}" for path in changed[:20]))


def check_cmake_install(checks, temp):
    prefix = temp / "install $dir"  # a blank and a dollar sign: quoting faults show
    result = tool("cmake", "--install", harness.BUILD_DIR, "--prefix", prefix)
    if not checks.check("cmake --install succeeds", result.returncode == 0, result.stdout + result.stderr):
        return
    check_layout(checks, prefix, prefix / "games/robotscene")
    link = temp / "links/robotscene"  # the launcher must follow the link to find its prefix
    link.parent.mkdir()
    link.symlink_to(prefix / "games/robotscene")
    check_run(checks, "through-link", link.parent, "./robotscene")


def test_deb(checks):
    with tempfile.TemporaryDirectory(prefix="robotscene-deb-test-") as name:
        temp = Path(name)
        deb = package(checks, harness.BUILD_DIR / "CPackConfig.cmake", temp / "out", "build")
        if deb is not None:
            root, usr = temp / "root", temp / "root/usr"
            checks.check("dpkg -x unpacks it", tool("dpkg", "-x", deb, root).returncode == 0)
            check_control(checks, deb, usr / "libexec/robotscene/robotscene")
            check_lintian_and_hardening(checks, deb, usr / "libexec/robotscene/robotscene")
            check_layout(checks, usr, "/usr/games/robotscene")
            check_metadata(checks, root)
            check_manual(checks, usr)
            check_installed(checks, deb, temp)
        check_reproducible(checks, temp)
        check_cmake_install(checks, temp)


if __name__ == "__main__":
    harness.run_test(test_deb)
