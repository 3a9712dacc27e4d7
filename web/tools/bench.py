#!/usr/bin/env python3
"""Load and frame cost of the web page in headless Chromium (SwiftShader), next to the desktop
program's frame rate on the same machine (llvmpipe on a private Xvfb).

Reports the sizes of the module and its data, the time from the start of navigation to the
first drawn frame, and, in the default scene, the frames drawn per second and the median time of
one frame's call into the module (the program's own work plus WebGL command submission; the
rasterisation runs in Chromium's GPU process). Both sides are capped by their own pacing: the
page by the browser's animation frames, the desktop by its 15 ms timer. Measured, never judged.

  /usr/bin/python3 web/tools/bench.py [--seconds N] [--json]     (make web-bench)
"""

import argparse
import json
import re
import statistics
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))  # the test-support package
from testkit import browser  # noqa: E402
from testkit.base import REPO_ROOT, wait_until  # noqa: E402
from testkit.program import WINDOW_MIDDLE, ProgramRun, binary_path  # noqa: E402
FILES = ["robotscene.wasm", "robotscene.js", "robotscene.data", "index.html"]


def page_costs(web_dir, seconds, loads):
    firsts, result = [], None
    for _ in range(loads):
        with browser.Page(web_dir, query="bench") as page:
            page.open()
            state = page.wait_for(lambda s: s["firstFrame"] > 0, 60, "the first frame")
            firsts.append(state["firstFrame"])
            if result is None:
                page.key("space")
                result = page.evaluate(f"robotscene.measure({int(seconds * 1000)})")
    return {"first_frame_ms": statistics.median(firsts), "first_frame_all_ms": firsts,
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


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seconds", type=float, default=5, help="measuring time of the scene")
    parser.add_argument("--loads", type=int, default=3, help="page loads for the first-frame time")
    parser.add_argument("--json", action="store_true")
    parser.add_argument("--web-dir", default=str(REPO_ROOT / "build-web"))
    args = parser.parse_args()
    web_dir = Path(args.web_dir)
    sizes = {name: (web_dir / name).stat().st_size for name in FILES}
    sizes["audio/*.wav"] = sum(f.stat().st_size for f in (web_dir / "audio").glob("*.wav"))
    report = {"sizes": sizes, "page": page_costs(web_dir, args.seconds, args.loads)}
    report["desktop_fps"] = desktop_fps(args.seconds) if binary_path().exists() else None
    if args.json:
        print(json.dumps(report, indent=2))
        return
    for name, size in sizes.items():
        print(f"{name:<20} {size / 1024:8.1f} KiB" + ("  (fetched when first played)" if "audio" in name else ""))
    page = report["page"]
    print(f"first frame          {page['first_frame_ms']:8.0f} ms after navigation start "
          f"(median of {len(page['first_frame_all_ms'])}: {', '.join(f'{v:.0f}' for v in page['first_frame_all_ms'])})")
    print(f"page, default scene  {page['fps']:8.1f} frames/s, median frame call {page['median_frame_call_ms']:.2f} ms")
    if report["desktop_fps"] is not None:
        print(f"desktop, same scene  {report['desktop_fps']:8.1f} frames/s (its frame-rate title)")


if __name__ == "__main__":
    main()
