#!/usr/bin/env python3
"""Serves a web build as a careful static host does (make web-serve), with the headers of
testkit.host, which the page tests serve with too: each file's type (application/wasm), the
strict Content-Security-Policy the page works under, and caching headers that fit its addresses.
It changes no file.

  serve.py [FOLDER] [--port 8000] [--bind 127.0.0.1]
"""

import argparse
import functools
import http.server
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))  # the test-support package
from testkit import host  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folder", nargs="?", default="build-web")
    parser.add_argument("--port", type=int, default=8000)
    parser.add_argument("--bind", default="127.0.0.1")
    args = parser.parse_args()
    handler = functools.partial(host.Handler, directory=args.folder)
    with http.server.ThreadingHTTPServer((args.bind, args.port), handler) as server:
        print(f"Serving {args.folder} on http://{args.bind}:{args.port}/ (Ctrl+C stops)", flush=True)
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass


if __name__ == "__main__":
    main()
