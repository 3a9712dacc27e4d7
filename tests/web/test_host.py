"""The page as a careful static host serves it (testkit.host: the strict Content-Security-Policy, caching
headers) in one engine (ROBOTSCENE_ENGINE): it starts and draws with no console problem, is installable
(Chromium says so), starts again with the server stopped, and runs a new build whole once it is served;
each way it can fail shows the cause and the advice that fits it on a readable panel, never over the
picture; a warm-up worker that never answers holds nothing back."""

import html
import json
import re
import shutil
import subprocess
import tempfile
import threading
import urllib.parse
from pathlib import Path

from testkit import browser, host
from testkit.base import REPO_ROOT, WEB_DIR, wait_until
from testkit.checks import run_test

ENGINE = browser.engine_from_environment()
CUT = 100000  # bytes of robotscene.data sent before a fault
BUILD = "document.querySelector('[data-build]').dataset.build"
CACHES = "navigator.serviceWorker.ready.then(r => r.active.state == 'activated' && caches.keys()).then(names => " \
         "Promise.all((names || []).map(n => caches.open(n).then(c => c.keys()).then(r => [n, r.map(q => q.url)]))))"
LOOK = "[getComputedStyle(canvas).visibility, getComputedStyle(document.getElementById('status')).backgroundColor]"
ADVICE = {"connection": "Check the connection", "builds": "different builds", "build": "make web",
          "browser": "another browser", "policy": "Whoever runs the site should let", "reload": "Reload the page"}
# what fails (the first in a browser with WebGL 2 off); faults by file; after the start; words naming the cause; advice
FAILURES = [("no WebGL 2", {}, None, ["no WebGL 2"], "browser"),
            ("a missing file", {"robotscene.wasm": "missing"}, None, ["robotscene.wasm", "404"], "build"),
            ("a file cut short", {"robotscene.data": "short"}, None, ["robotscene.data", f"{CUT} bytes"], "builds"),
            ("a file of another build", {"robotscene.js": "other"}, None, ["robotscene.js", "SHA-256"], "builds"),
            ("a refused connection", {"robotscene.wasm": "refused"}, None, ["robotscene.wasm", "lost"], "connection"),
            ("a connection cut half-way", {"robotscene.data": "cut"}, None, ["robotscene.data", "lost"], "connection"),
            ("a policy without WebAssembly", {"policy": "script-src 'self'"}, None, ["policy", "script-src"], "policy"),
            ("a thrown error", {}, "setTimeout(() => { throw new Error('injected fault\\nits second line'); })",
             ["stopped on an error", "injected fault"], "reload"),
            ("an abort with no reason", {}, "setTimeout(() => _abort())", ["stopped: the program aborted"], "reload"),
            ("an abort after a message", {}, "setTimeout(() => { Module.printErr('Assertion failed: x > 0'); _abort(); })",
             ["stopped: Assertion failed: x > 0"], "reload")]


class Faulty(host.QuietHandler):
    """Serves a file wrongly: missing, cut short, with one byte changed, with no answer, cut off
    after CUT bytes once `cut` is set, or as a script that does nothing; none kept by the browser,
    so that each fault is met."""
    faults, cut = {}, threading.Event()

    def caching(self):
        return "no-store"

    def do_GET(self):
        name = urllib.parse.urlsplit(self.path).path.lstrip("/")
        fault = self.faults.get(name)
        if fault in (None, "refused", "missing"):
            return None if fault == "refused" else self.send_error(404) if fault else super().do_GET()
        # "silent": a script of comments alone, longer than CUT as the other faults' files
        data = b"//\n" * CUT if fault == "silent" else (Path(self.directory) / name).read_bytes()
        body = {"short": data[:CUT], "other": data[:CUT] + bytes([data[CUT] ^ 1]) + data[CUT + 1:]}.get(fault, data)
        self.send_response(200)
        self.send_header("Content-Type", self.guess_type(name))
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body[:CUT] if fault == "cut" else body)
        if fault == "cut":
            self.cut.wait(60)


def failures(checks):
    sizes = {name: (WEB_DIR / name).stat().st_size for name in ("robotscene.wasm", "robotscene.data", "robotscene.js")}
    for webgl2, rows in ((False, FAILURES[:1]), (True, FAILURES[1:])):
        with browser.open_page(ENGINE, WEB_DIR, webgl2=webgl2, handler=Faulty) as page:
            for what, faults, after, words, advice in rows:
                Faulty.faults, Faulty.policy = faults, faults.get("policy", host.POLICY)
                Faulty.cut.clear()
                page.reopen("document.readyState != 'loading'")
                if "cut" in faults.values():  # the progress line's figures while the connection hangs
                    total = sum(sizes.values())
                    done = total - sizes["robotscene.data"] + CUT
                    checks.waits(f"{what}: the status shows {done * 100 // total} % and the bytes",
                                 lambda: f"{done * 100 // total} % ({done} of {total} bytes)" in page.status(), "the figures")
                    Faulty.cut.set()
                if after:
                    page.wait_for(lambda s: True, 60, "the page's module")
                    page.evaluate(after)
                shown = wait_until(lambda: page.evaluate("document.querySelector('#status.failed')?.textContent"),
                                   30, f"the page to say why ({page.status()!r})")
                named = all(word in shown for word in words) and ADVICE[advice] in shown and "second line" not in shown
                checks.check(f"{what}: named, with the advice for it",
                             named and (advice == "build") == ("make web" in shown), shown)
                look, contrast = page.evaluate(LOOK), [v for v in page.axe() if v["id"] == "color-contrast"]
                checks.check(f"{what}: on an opaque panel, the picture hidden, readable to axe-core {browser.AXE}",
                             look == ["hidden", "rgb(21, 24, 29)"] and not contrast, (look, contrast))


def unanswered(checks):  # a warm-up worker that never answers
    Faulty.faults, Faulty.policy = {"gpu-warmup.js": "silent"}, host.POLICY
    with browser.open_page(ENGINE, WEB_DIR, handler=Faulty) as page:
        checks.check("with a warm-up worker that never answers, the page draws", draws(page))


def draws(page):  # the page's build, once it has drawn a frame that is not black
    page.reopen("!!window.robotscene")
    page.frames(1)
    return page.canvas().fraction_near((0, 0, 0), 40) < 0.9 and page.evaluate(BUILD)


def kept(page, build):  # the worker's cache once it holds this build and no other, the worker in place
    return wait_until(lambda: (lambda c: len(c) == 1 and c[0][0].endswith(build) and dict(c))(page.evaluate(CACHES)), 60,
                      f"build {build} kept")


def listed(folder):  # the build's files as its index.html lists them
    return json.loads(html.unescape(re.search(r"data-files='([^']*)'", (folder / "index.html").read_text()).group(1)))


def builds(temp):
    # Build A, served first, and build B: A with another style sheet and another sound, stamped again.
    names = [name for name in listed(WEB_DIR) if name != "manifest.webmanifest"]
    for folder in ("site", "b"):
        for name in names + ["index.html", "sw.js", "manifest.webmanifest"]:
            (temp / folder / name).parent.mkdir(parents=True, exist_ok=True)
            shutil.copyfile(WEB_DIR / name, temp / folder / name)
    for name, extra in (("page.css", b"\n/* B */\n"), ("audio/view.wav", b"\0\0")):
        (temp / "b" / name).write_bytes((temp / "b" / name).read_bytes() + extra)
    subprocess.run(["/usr/bin/python3", REPO_ROOT / "web/tools/stamp.py", temp / "b", *names], check=True)
    return temp / "site"


def visits(checks, temp):
    site = builds(temp)
    with browser.open_page(ENGINE, site) as page:
        build_a = draws(page)
        checks.check("served with the policy, the page draws with no console problem", build_a and not page.problems(),
                     page.problems())
        if ENGINE == "chromium":  # only Chromium says whether a page is installable
            manifest = page.send("Page.getAppManifest")
            problems = manifest.get("errors", []) + page.send("Page.getInstallabilityErrors")["installabilityErrors"]
            checks.check("Chromium finds the page installable", manifest.get("url") and not problems, problems)
        kept(page, build_a)
        port = page.server.server_address[1]
        page.server.shutdown()
        page.server.server_close()
        checks.check("with the server stopped, the page starts and draws again", draws(page) == build_a)
        shutil.rmtree(site)
        shutil.copytree(temp / "b", site)
        page.server = host.serve(site, port)
        build_b = draws(page)
        style = page.evaluate("fetch(document.querySelector('link[href^=\"page.css\"]').href).then(r => r.text())")
        kept(page, build_b)
        draws(page)  # now under build B's worker from the start
        page.key("v")  # the view's sound, kept as it is first played
        page.evaluate("robotscene.allow(1)")
        addresses = {entry["url"] for entry in listed(site).values()}
        cached = wait_until(lambda: (lambda c: any("/audio/view.wav" in a for a in c) and c)(
            next(iter(kept(page, build_b).values()))), 60, "the sound kept")
        loaded = [a for a in page.evaluate("performance.getEntriesByType('resource').map(e => e.name)") if "?v=" in a]
        foreign = [a for a in cached + loaded if a.split("/", 3)[3] not in addresses and not a.endswith("index.html")]
        checks.check("build B served: the page runs it, and keeps and uses no file of A", build_b not in (False, build_a)
                     and style.endswith("/* B */\n") and not foreign, (foreign, style[-40:]))


def body(checks):
    with tempfile.TemporaryDirectory() as temp:
        visits(checks, Path(temp))
    failures(checks)
    unanswered(checks)


if __name__ == "__main__":
    run_test(body)
