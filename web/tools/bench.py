#!/usr/bin/env python3
"""Load and frame cost of the web page in headless Chromium (SwiftShader), next to the desktop
program's frame rate on the same machine (llvmpipe on a private Xvfb), and Lighthouse's mobile
figures of the first load.

Reports the sizes of the module and its data, the time from the start of navigation to the
first drawn frame and how long the page's thread was blocked until then, and, in the default
scene, the frames drawn per second and the median time of one frame's call into the module (the
program's own work plus WebGL command submission; the rasterisation runs in Chromium's GPU
process). Both sides are capped by their own pacing: the
page by the browser's animation frames, the desktop by its 15 ms timer. Then Lighthouse (npm,
installed into build/ at the first run) loads the page as a phone on a slow network would, served
as a careful host does, and its median figures of the runs are printed. With --against, another
build (say, the page before a change, served without the strict policy it was not made for) is
measured beside this one, taking turns in Lighthouse, so both are measured in the same minutes.
Measured, never judged.

  /usr/bin/python3 web/tools/bench.py [--seconds N] [--json] [--lighthouse-runs N] [--against DIR]
"""

import argparse
import json
import os
import re
import statistics
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))  # the test-support package
from testkit import browser, cdp, host  # noqa: E402
from testkit.base import REPO_ROOT, wait_until  # noqa: E402
from testkit.program import WINDOW_MIDDLE, ProgramRun, binary_path  # noqa: E402
FILES = ["robotscene.wasm", "robotscene.js", "robotscene.data", "index.html"]


# The page's thread blocked at start: every task of over 50 ms (the browser's "long tasks").
LONG_TASKS = ("window.longTasks = []; new PerformanceObserver(list => list.getEntries().forEach("
              "e => longTasks.push(e.duration))).observe({type: 'longtask', buffered: true});")


def page_costs(web_dir, handler, seconds, loads):
    firsts, blocked, result = [], [], None
    for _ in range(loads):
        with browser.open_page("chromium", web_dir, query="bench", handler=handler) as page:
            page.send("Page.addScriptToEvaluateOnNewDocument", source=LONG_TASKS)
            page.open()
            state = page.wait_for(lambda s: s["firstFrame"] > 0, 60, "the first frame")
            firsts.append(state["firstFrame"])
            tasks = page.evaluate("longTasks")
            blocked.append((max(tasks, default=0), sum(task - 50 for task in tasks)))
            if result is None:
                page.key("space")
                result = page.evaluate(f"robotscene.measure({int(seconds * 1000)})")
    return {"first_frame_ms": statistics.median(firsts), "first_frame_all_ms": firsts,
            "longest_task_ms": statistics.median(b[0] for b in blocked),
            "blocking_ms": statistics.median(b[1] for b in blocked),
            "fps": result["frames"] * 1000 / result["ms"], "median_frame_call_ms": result["medianFrameCall"]}


def desktop_fps(seconds):
    # The program's own frame-rate title, once a second; the last whole second is kept.
    with ProgramRun("web-bench", keep_shots=False) as run:
        run.start_and_wait()
        run.point_at(*WINDOW_MIDDLE)
        run.key("space")
        titles = []
        deadline = max(2, int(seconds))
        while len(titles) < deadline:
            previous = titles[-1] if titles else run.title()
            wait_until(lambda: run.title() != previous and run.title(), 10, "a new frame-rate title")
            titles.append(run.title())
        return float(re.search(r": *([0-9]+) fps", titles[-1]).group(1))


LIGHTHOUSE = "12.8.2"
LIGHTHOUSE_DIR = REPO_ROOT / "build" / f"lighthouse-{LIGHTHOUSE}"
# Lighthouse's figures: name, where in its report, scale to print.
FIGURES = [("performance", ("categories", "performance", "score"), 100),
           ("total blocking time, ms", ("audits", "total-blocking-time", "numericValue"), 1),
           ("largest contentful paint, ms", ("audits", "largest-contentful-paint", "numericValue"), 1),
           ("first contentful paint, ms", ("audits", "first-contentful-paint", "numericValue"), 1),
           ("cumulative layout shift", ("audits", "cumulative-layout-shift", "numericValue"), 1),
           ("accessibility", ("categories", "accessibility", "score"), 100),
           ("best practices", ("categories", "best-practices", "score"), 100),
           ("SEO", ("categories", "seo", "score"), 100)]


def lighthouse_cli():
    cli = LIGHTHOUSE_DIR / "node_modules" / "lighthouse" / "cli" / "index.js"
    npm = ["npm", "install", "--no-audit", "--no-fund", "--prefix", LIGHTHOUSE_DIR, f"lighthouse@{LIGHTHOUSE}"]
    if not cli.exists() and subprocess.run(npm).returncode:
        sys.exit(f"npm could not install lighthouse {LIGHTHOUSE}: npm registry out of reach? (see npm above)")
    return cli


class Unguarded(host.QuietHandler):
    policy = None  # a page from before the strict policy could not start under it


def lighthouse(folders, handlers, runs):
    """Median figures of each folder's runs; the folders take turns."""
    cli, flags = lighthouse_cli(), [f for f in cdp.FLAGS if not f.startswith("--remote-debugging")]
    servers = [host.serve(folder, handler=handler) for folder, handler in zip(folders, handlers)]
    figures = [[] for _ in folders]
    try:
        for _ in range(runs):
            for server, found in zip(servers, figures):
                run = subprocess.run(["node", cli, f"http://127.0.0.1:{server.server_address[1]}/", "--output=json",
                                      "--quiet", f"--chrome-flags={' '.join(flags)}"],
                                     env={**os.environ, "CHROME_PATH": "/usr/bin/chromium"}, capture_output=True,
                                     text=True, check=True)
                report = json.loads(run.stdout)
                found.append([scale * report[a][b][c] for _, (a, b, c), scale in FIGURES])
    finally:
        for server in servers:
            server.shutdown()
            server.server_close()
    return [[statistics.median(column) for column in zip(*found)] for found in figures]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seconds", type=float, default=5, help="measuring time of the scene")
    parser.add_argument("--loads", type=int, default=3, help="page loads for the first-frame time")
    parser.add_argument("--json", action="store_true")
    parser.add_argument("--web-dir", default=str(REPO_ROOT / "build-web"))
    parser.add_argument("--lighthouse-runs", type=int, default=3, help="Lighthouse runs of each build (0: none)")
    parser.add_argument("--against", help="another build folder, measured beside this one")
    args = parser.parse_args()
    web_dir = Path(args.web_dir)
    sizes = {name: (web_dir / name).stat().st_size for name in FILES}
    sizes["audio/*.wav"] = sum(f.stat().st_size for f in (web_dir / "audio").glob("*.wav"))
    folders = [web_dir] + ([Path(args.against)] if args.against else [])
    handlers = [host.QuietHandler] + [Unguarded] * (len(folders) - 1)
    report = {"sizes": sizes, "page": [page_costs(f, h, args.seconds, args.loads) for f, h in zip(folders, handlers)]}
    report["desktop_fps"] = desktop_fps(args.seconds) if binary_path().exists() else None
    medians = lighthouse(folders, handlers, args.lighthouse_runs) if args.lighthouse_runs else []
    report["lighthouse"] = [dict(zip((name for name, _, _ in FIGURES), found)) for found in medians]
    if args.json:
        print(json.dumps(report, indent=2))
        return
    for name, size in sizes.items():
        print(f"{name:<20} {size / 1024:8.1f} KiB" + ("  (fetched when first played)" if "audio" in name else ""))
    print(f"{'median of ' + str(args.loads) + ' loads':<36}" + "".join(f"{str(f)[-22:]:>24}" for f in folders))
    for name, key in (("first frame, ms after navigation", "first_frame_ms"),
                      ("longest task until then, ms", "longest_task_ms"),
                      ("blocked beyond 50 ms a task, ms", "blocking_ms"),
                      ("default scene, frames/s", "fps"), ("median frame call, ms", "median_frame_call_ms")):
        print(f"  {name:<34}" + "".join(f"{page[key]:24.1f}" for page in report["page"]))
    if report["desktop_fps"] is not None:
        print(f"desktop, same scene  {report['desktop_fps']:8.1f} frames/s (its frame-rate title)")
    if medians:
        print(f"Lighthouse {LIGHTHOUSE}, mobile, median of {args.lighthouse_runs} runs")
        for row, (name, _, _) in enumerate(FIGURES):
            print(f"  {name:<34}" + "".join(f"{found[row]:24.0f}" if found[row] >= 1 else f"{found[row]:24.3f}"
                                             for found in medians))

if __name__ == "__main__":
    main()
