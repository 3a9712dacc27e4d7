"""Smoke test of robotscene-bench: a short run on a private Xvfb.

Checks what the figures must satisfy whatever the machine: every case measured, the JSON sound
and alone on standard output, the byte counts consistent with each other (the uploads-only
replay sends exactly one scene frame's images, the menu frame exactly the menu image), and no
sound player started. Frame times are printed, never judged.
"""

import json
import os
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

REPO_ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO_ROOT / "tests" / "e2e"))

import harness  # noqa: E402

CASES = ["empty", "uploads", "menu", "scene", "chase", "hologram-off", "debug"]
FRAMES = 3          # timed frames per case: enough to exercise the statistics
BENCH_TIMEOUT = 150  # seconds for the whole run, 500 texture reloads included
SOF_MARKERS = {0xC0, 0xC1, 0xC2}  # JPEG start-of-frame markers that carry the size


def jpeg_size(path):
    """(width, height, components) from a JPEG file's start-of-frame segment."""
    data = Path(path).read_bytes()
    position = 2  # past the start-of-image marker
    while position + 4 <= len(data):
        marker, length = data[position + 1], struct.unpack(">H", data[position + 2:position + 4])[0]
        if marker in SOF_MARKERS:
            height, width, components = struct.unpack(">HHB", data[position + 5:position + 10])
            return width, height, components
        position += 2 + length
    raise ValueError(f"{path}: no start-of-frame segment")


def run_bench(temp):
    bench = Path(os.environ.get("ROBOTSCENE_BENCH") or REPO_ROOT / "build" / "robotscene-bench")
    xvfb = harness.Xvfb(temp / "xvfb.log")
    xvfb.start()
    try:
        # A player on PATH that only logs: the bench must start none, music or cue.
        bin_dir = temp / "bin"
        bin_dir.mkdir()
        player_log = temp / "player.log"
        player = bin_dir / harness.PLAYER_NAME
        player.write_text(f'#!/bin/sh\necho "$*" >> "{player_log}"\n')
        player.chmod(0o755)
        env = dict(os.environ, DISPLAY=xvfb.display, PATH=f"{bin_dir}:{os.environ.get('PATH', '')}")
        env.pop("XAUTHORITY", None)
        result = subprocess.run([str(bench), "--frames", str(FRAMES), "--warmup", "1", "--json"],
                                cwd=REPO_ROOT, env=env, capture_output=True, text=True,
                                timeout=harness.scaled(BENCH_TIMEOUT))
    finally:
        xvfb.stop()
    players = player_log.read_text() if player_log.exists() else ""
    return result, players


def test_bench(checks):
    with tempfile.TemporaryDirectory(prefix="robotscene-bench-test-") as temp:
        result, players = run_bench(Path(temp))
    checks.check("bench exits with 0", result.returncode == 0,
                 f"exit code {result.returncode}; stderr:\n{result.stderr}")
    print(result.stdout, flush=True)
    report = json.loads(result.stdout)  # also fails if a status line leaked onto stdout
    cases = {entry["name"]: entry for entry in report["cases"]}

    checks.check("every case, in order", [entry["name"] for entry in report["cases"]] == CASES,
                 str(list(cases)))
    checks.check("each case timed for the frames asked",
                 all(entry["frames"] == FRAMES for entry in report["cases"]))
    checks.check("window and renderer reported",
                 (report["width"], report["height"]) == harness.WINDOW_SIZE and report["renderer"],
                 f"{report['width']} x {report['height']}, {report['renderer']!r}")
    checks.check("start-up measured", report["startup_ms"] > 0 and report["main_to_first_frame_ms"] > 0)

    scene_bytes = cases["scene"]["upload_bytes_per_frame"]
    checks.check("the empty frame uploads nothing", cases["empty"]["upload_bytes_per_frame"] == 0)
    checks.check("a scene frame uploads images", scene_bytes > 0)
    checks.check("the replay uploads exactly one scene frame's bytes",
                 cases["uploads"]["upload_bytes_per_frame"] == scene_bytes,
                 f"{cases['uploads']['upload_bytes_per_frame']} against {scene_bytes}")
    checks.check("the chase camera binds what the orbit camera binds",
                 cases["chase"]["upload_bytes_per_frame"] == scene_bytes)
    checks.check("the hologram off binds less",
                 0 < cases["hologram-off"]["upload_bytes_per_frame"] < scene_bytes)
    width, height, components = jpeg_size(REPO_ROOT / "textures" / "menu.jpg")
    checks.check("the menu frame uploads the menu image once",
                 cases["menu"]["upload_bytes_per_frame"] == width * height * components,
                 f"{cases['menu']['upload_bytes_per_frame']} bytes for a {width} x {height} image")

    few, many = report["peak_rss_after_toggles_kib"]
    checks.check("peak RSS read after the toggles", report["debug_toggles"] == [10, 500] and 0 < few <= many)
    checks.check("no sound player started", players == "", players)


if __name__ == "__main__":
    harness.run_test(test_bench)
