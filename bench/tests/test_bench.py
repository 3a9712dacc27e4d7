# Smoke test of robotscene-bench: a short run on a private Xvfb. It checks what the figures must
# satisfy on any machine: every case measured, the JSON alone on standard output, the byte counts
# consistent with each other and with the menu image, and no sound player started. Times are
# printed, never judged.

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
FRAMES = 3           # timed frames per case: enough to exercise the statistics
BENCH_TIMEOUT = 150  # seconds for the whole run, 500 texture reloads included


def jpeg_size(path):
    # (width, height, components) from the start-of-frame segment (markers C0 to C2).
    data, position = Path(path).read_bytes(), 2
    while data[position + 1] not in (0xC0, 0xC1, 0xC2):
        position += 2 + struct.unpack(">H", data[position + 2:position + 4])[0]
    height, width, components = struct.unpack(">HHB", data[position + 5:position + 10])
    return width, height, components


def test_bench(checks):
    bench = os.environ.get("ROBOTSCENE_BENCH") or REPO_ROOT / "build" / "robotscene-bench"
    with tempfile.TemporaryDirectory(prefix="robotscene-bench-test-") as temp:
        # A player on PATH that only logs: the bench must start none, music or cue.
        player, player_log = Path(temp) / harness.PLAYER_NAME, Path(temp) / "player.log"
        player.write_text(f'#!/bin/sh\necho "$*" >> "{player_log}"\n')
        player.chmod(0o755)
        xvfb = harness.Xvfb(Path(temp) / "xvfb.log")
        xvfb.start()
        try:
            env = dict(os.environ, DISPLAY=xvfb.display, PATH=f"{temp}:{os.environ.get('PATH', '')}")
            env.pop("XAUTHORITY", None)
            result = subprocess.run([str(bench), "--frames", str(FRAMES), "--warmup", "1", "--json"],
                                    cwd=REPO_ROOT, env=env, capture_output=True, text=True,
                                    timeout=harness.scaled(BENCH_TIMEOUT))
        finally:
            xvfb.stop()
        players = player_log.read_text() if player_log.exists() else ""
    checks.check("bench exits with 0", result.returncode == 0, f"exit {result.returncode}:\n{result.stderr}")
    print(result.stdout, flush=True)
    report = json.loads(result.stdout)  # fails too if a status line leaked onto standard output
    cases = {entry["name"]: entry for entry in report["cases"]}
    checks.check("every case, in order", list(cases) == CASES, str(list(cases)))
    checks.check("each case timed for the frames asked", all(c["frames"] == FRAMES for c in cases.values()))
    checks.check("window and renderer reported",
                 (report["width"], report["height"]) == harness.WINDOW_SIZE and report["renderer"])
    checks.check("start-up measured", report["startup_ms"] > 0 and report["main_to_first_frame_ms"] > 0)

    uploaded = {name: entry["upload_bytes_per_frame"] for name, entry in cases.items()}
    scene = uploaded["scene"]
    width, height, components = jpeg_size(REPO_ROOT / "textures" / "menu.jpg")
    menu_image = width * height * components
    for name, ok in [("the empty frame uploads nothing", uploaded["empty"] == 0),
                     ("a scene frame uploads images", scene > 0),
                     ("the replay uploads exactly one scene frame's bytes", uploaded["uploads"] == scene),
                     ("the chase camera binds what the orbit camera binds", uploaded["chase"] == scene),
                     ("the hologram off binds less", 0 < uploaded["hologram-off"] < scene),
                     ("the menu frame uploads the menu image once", uploaded["menu"] == menu_image)]:
        checks.check(name, ok, str(uploaded))
    few, many = report["peak_rss_after_toggles_kib"]
    checks.check("peak RSS read after the toggles", report["debug_toggles"] == [10, 500] and 0 < few <= many)
    checks.check("no sound player started", players == "", players)


if __name__ == "__main__":
    harness.run_test(test_bench)
