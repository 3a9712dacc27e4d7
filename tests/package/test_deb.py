# The Debian package and the install rules it is made from. The package is built by CPack into a
# temporary directory and judged by lintian (no finding at all), hardening-check, its control
# fields, dates and contents; unpacked with `dpkg -x` for its layout, desktop entry, AppStream
# metadata, changelog and manual page. The last commit, exported to two other folders,
# built and packaged one after the other, must give the same bytes. As root the package is
# installed with apt, started from /usr/games and from its desktop entry, asked its version and
# purged: nothing of it may stay and nothing else may change (without root that part is skipped).
# Last, `cmake --install` into a prefix with a blank and a $ in its name, run through a link.

import gzip
import hashlib
import io
import os
import re
import subprocess
import tarfile
import tempfile
from pathlib import Path

from testkit.base import BUILD_DIR, REPO_ROOT
from testkit.checks import check_exit, run_test
from testkit.program import ProgramRun
from testkit.scene import menu_shown

VERSION = os.environ.get("ROBOTSCENE_VERSION", "")
TIMEOUT = 600  # seconds for one outside tool (a build, cpack, lintian, apt-get)
# Debian's layout for a game, under the prefix; the images and sounds come on top.
FILES = ["games/robotscene", "libexec/robotscene/robotscene", "share/man/man6/robotscene.6.gz",
         "share/doc/robotscene/copyright", "share/doc/robotscene/changelog.gz", "share/applications/robotscene.desktop",
         "share/metainfo/org.example.robotscene.metainfo.xml", "share/lintian/overrides/robotscene",
         *[f"share/icons/hicolor/{size}x{size}/apps/robotscene.png" for size in (48, 128, 256)]]
# Where installing and purging may write, less dpkg's and apt's records and logs and the manual
# page index that man-db's trigger rebuilds.
WATCHED = ["/usr", "/etc", "/opt", "/var"]
UNWATCHED = {"/var/lib/dpkg", "/var/lib/apt", "/var/cache/apt", "/var/log", "/var/cache/man", "/var/tmp"}
APT = ["apt-get", "-y", "--no-install-recommends", "-o", "DPkg::Lock::Timeout=300"]
# Without the caller's SOURCE_DATE_EPOCH, which would win over the commit's time.
ENV = {key: value for key, value in os.environ.items() if key != "SOURCE_DATE_EPOCH"}


def tool(*command, **options):
    return subprocess.run(list(map(str, command)), capture_output=True, text=True, timeout=TIMEOUT,
                          env=options.pop("env", ENV), **options)


def package(checks, build, out, label):
    name = f"robotscene_{VERSION}_{tool('dpkg', '--print-architecture').stdout.strip()}.deb"
    result = tool("cpack", "-G", "DEB", "--config", build / "CPackConfig.cmake", "-B", out)
    made = sorted(path.name for path in out.glob("*.deb"))
    ok = checks.check(f"{label}: cpack makes {name} alone", result.returncode == 0 and made == [name],
                      f"{made}\n{result.stdout[-3000:]}{result.stderr}")
    return out / name if ok else None


def check_control(checks, deb, program):
    # Name and version are in the file name already, the fixed fields lintian's to judge.
    depends = tool("dpkg-deb", "-f", deb, "Depends").stdout
    names = {choice.split()[0] for part in depends.split(",") for choice in part.split("|") if choice.strip()}
    multiarch = tool("dpkg-architecture", "-qDEB_HOST_MULTIARCH").stdout.strip()  # not lib32's copies
    for soname in re.findall(r"\(NEEDED\).*\[(.+)\]", tool("readelf", "-d", program).stdout):
        owner = tool("dpkg", "-S", f"*/{multiarch}/{soname}").stdout.split(":")[0]
        checks.check(f"Depends covers {soname} ({owner})", owner in names, depends)
    # Owners and dates; modes are lintian's to judge.
    data = subprocess.run(["dpkg-deb", "--fsys-tarfile", deb], capture_output=True, check=True).stdout
    members = tarfile.open(fileobj=io.BytesIO(data)).getmembers()
    commit = int(tool("git", "-C", REPO_ROOT, "log", "-1", "--format=%ct").stdout or -1)
    stray = [m.name for m in members if (m.uname, m.gname, m.mtime) != ("root", "root", commit)
             or not (m.name + "/").startswith("./usr/")]
    checks.check("every file under /usr, owned by root, dated at the last commit", members and not stray, stray[:5])


def check_hardening(checks, deb, program):
    result = tool("lintian", "--allow-root", "--display-info", deb)
    findings = [line for line in result.stdout.splitlines() if line[:2] in ("E:", "W:", "I:")]
    checks.check("lintian finds no error, warning or information", result.returncode == 0 and not findings,
                 "\n".join(findings) + result.stderr)
    result = tool("hardening-check", program)
    checks.check("hardening-check finds no protection missing", result.returncode == 0
                 and ": no" not in result.stdout, result.stdout + result.stderr)


def check_metadata(checks, root):
    # validate-tree also looks for the desktop entry the metadata launches.
    result = tool("appstreamcli", "validate-tree", "--no-net", root)
    checks.check("appstreamcli validate-tree passes", result.returncode == 0, result.stdout + result.stderr)
    top = gzip.decompress((root / "usr/share/doc/robotscene/changelog.gz").read_bytes()).decode().partition("\n")[0]
    checks.check("changelog starts with this version", top.startswith(f"robotscene ({VERSION}) "), top)


def check_manual(checks, usr):
    result = tool("man", "--warnings", "-l", usr / "share/man/man6/robotscene.6.gz",
                  env=dict(ENV, LC_ALL="C", MANWIDTH="250"))
    text = " ".join(result.stdout.split())
    checks.check("man renders the page without warnings", result.returncode == 0 and not result.stderr.strip()
                 and text, result.stderr)
    table = (REPO_ROOT / "README.md").read_text().split("| Key | What it does |")[1].split("\n\n")[0]
    rows = re.findall(r"^\| ([^|]+?) \| ([^|]+?) \|$", table, re.M)
    missing = [said for said in [f"{key} {does}" for key, does in rows] if said not in text]
    checks.check(f"manual has the README's {len(rows)} keys", rows and not missing, "\n".join(missing))


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


def check_layout(checks, prefix, launcher):
    assets = [f"share/games/robotscene/{path.relative_to(REPO_ROOT)}"
              for pattern in ("textures/*.[jp][pn]g", "audio/*.wav") for path in REPO_ROOT.glob(pattern)]
    installed = {str(path.relative_to(prefix)) for path in prefix.rglob("*") if not path.is_dir()}
    expected = set(FILES + assets)
    checks.check("exactly a game's files installed, launcher and program executable", installed == expected
                 and all(os.access(prefix / name, os.X_OK) for name in FILES[:2]),
                 f"missing {sorted(expected - installed)}, extra {sorted(installed - expected)}")
    path = prefix / "share/applications/robotscene.desktop"
    entry, result = desktop_entry(path), tool("desktop-file-validate", path)
    said = [entry.get(key) for key in ("Type", "Name", "Icon")] + exec_arguments(entry.get("Exec", ""))
    checks.check("entry: application robotscene, its icon, the installed launcher",
                 said == ["Application", "robotscene", "robotscene", str(launcher)], str(entry))
    checks.check("desktop-file-validate accepts the entry", result.returncode == 0 and not result.stdout.strip(),
                 result.stdout + result.stderr)


def check_run(checks, label, cwd, command):
    # It shows its menu and finds its files; what else it draws is the scene test's.
    with ProgramRun(f"install-{label}", cwd=cwd, command=command) as run:
        checks.passes(f"{label}: the program starts and shows its menu",
                      lambda: run.start_and_wait() or run.wait_for_picture(menu_shown, 30, "the menu"))
        missing = [line for line in run.stderr_text().splitlines() if "cannot load image" in line]
        checks.check(f"{label}: every image found", not missing, "\n".join(missing))
        check_exit(checks, run, f"{label}: ", timeout=10)


def check_reproducible(checks, temp):
    debs = []
    for folder in (temp / "one", temp / "and-another"):  # paths unlike in length
        source, build = folder / "robotscene", folder / "build"
        for step in (["sh", "-c", 'mkdir -p "$1" && git -C "$0" archive HEAD | tar -x -C "$1"', REPO_ROOT, source],
                     ["cmake", "-S", source, "-B", build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DBUILD_TESTING=OFF",
                      "-DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON"],  # cpack builds no more than these targets:
                     ["cmake", "--build", build, "-j", os.cpu_count(), "--target", "robotscene", "robotscene-icons"]):
            result = tool(*step)
            if not checks.check(f"{folder.name}: {step[1]} succeeds", result.returncode == 0, result.stdout + result.stderr):
                return
        debs.append(package(checks, build, folder / "out", folder.name))
    digests = [deb and hashlib.sha256(deb.read_bytes()).hexdigest() for deb in debs]
    if None not in digests and not checks.check("two builds in two folders give the same package",
                                                digests[0] == digests[1], digests):
        print(tool("diffoscope", "--text", "-", *debs).stdout[:30000], flush=True)


def installed_packages():
    return set(tool("dpkg-query", "-W", "-f", "${db:Status-Abbrev} ${binary:Package}\n").stdout.splitlines())


def listing():
    # Each path under the watched trees: type, mode, owner, size (not a directory's) and link target.
    pruned = [word for path in sorted(UNWATCHED) for word in ("-o", "-path", path)][1:]
    return set(tool("find", *WATCHED, "(", *pruned, ")", "-prune", "-o", "-type", "d", "-printf", "%p %m %u %g\n",
                    "-o", "-printf", "%p %y %m %u %g %s %l\n").stdout.splitlines())


def check_installed(checks, deb, temp):
    if os.geteuid() != 0 or any(line.endswith(" robotscene") for line in installed_packages()):
        print("skipped install and purge: not root, or robotscene is installed here already", flush=True)
        return
    before, packages, env = listing(), installed_packages(), dict(ENV, DEBIAN_FRONTEND="noninteractive")
    try:
        result = tool(*APT, "install", deb, env=env)
        if checks.check("apt-get installs the package", result.returncode == 0, result.stdout + result.stderr):
            entry = desktop_entry(Path("/usr/share/applications/robotscene.desktop"))
            for label, cwd, command in (("/usr/games", "/", "/usr/games/robotscene"),
                                        ("desktop entry", temp, exec_arguments(entry["Exec"])[0])):
                check_run(checks, label, cwd, command)
            # No display: a program that ignored --version would stop at once instead of drawing.
            result = tool("/usr/games/robotscene", "--version", env={"PATH": ENV["PATH"]})
            checks.check("robotscene --version prints its version", result.returncode == 0
                         and result.stdout == f"robotscene {VERSION}\n", result.stdout + result.stderr)
    finally:  # with whatever apt brought in for it
        added = sorted(line.split()[-1] for line in installed_packages() - packages)
        result = tool(*APT, "purge", "robotscene", *added, env=env)
        checks.check("apt-get purges it", result.returncode == 0, result.stdout + result.stderr)
    changed = sorted(before ^ listing())
    checks.check("purged: nothing left behind, nothing else changed", not changed, "\n".join(changed[:20]))


def check_cmake_install(checks, temp):
    prefix = temp / "install $dir"  # a blank and a dollar sign: quoting faults show
    result = tool("cmake", "--install", BUILD_DIR, "--prefix", prefix)
    if checks.check("cmake --install succeeds", result.returncode == 0, result.stdout + result.stderr):
        check_layout(checks, prefix, prefix / "games/robotscene")
        (temp / "links").mkdir()  # the launcher must follow the link to find its prefix
        (temp / "links/robotscene").symlink_to(prefix / "games/robotscene")
        check_run(checks, "through-link", temp / "links", "./robotscene")


def test_deb(checks):
    with tempfile.TemporaryDirectory(prefix="robotscene-deb-test-") as name:
        temp = Path(name)
        deb = package(checks, BUILD_DIR, temp / "out", "build")
        if deb is not None:
            root, program = temp / "root", temp / "root/usr/libexec/robotscene/robotscene"
            tool("dpkg", "-x", deb, root)
            check_control(checks, deb, program)
            check_hardening(checks, deb, program)
            check_layout(checks, root / "usr", "/usr/games/robotscene")
            check_metadata(checks, root)
            check_manual(checks, root / "usr")
            check_installed(checks, deb, temp)
        check_reproducible(checks, temp / "elsewhere")
        check_cmake_install(checks, temp)


if __name__ == "__main__":
    run_test(test_deb)
