#!/usr/bin/env python3
"""Writes a build's index.html: web/index.html with @FILES@ replaced by the size and SHA-256
digest (base64) of robotscene.js, robotscene.wasm and robotscene.data, which the page checks
before it starts them (web/js/loader.js). Run by web/CMakeLists.txt after every link.

  stamp.py web/index.html build-web
"""

import base64
import hashlib
import json
import sys
from pathlib import Path

FILES = ("robotscene.js", "robotscene.wasm", "robotscene.data")


def main(source, build):
    files = {}
    for name in FILES:
        data = (Path(build) / name).read_bytes()
        files[name] = {"size": len(data), "sha256": base64.b64encode(hashlib.sha256(data).digest()).decode()}
    page = Path(source).read_text().replace("@FILES@", json.dumps(files))
    (Path(build) / "index.html").write_text(page)


if __name__ == "__main__":
    main(*sys.argv[1:])
