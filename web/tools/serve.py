#!/usr/bin/env python3
"""Serves a web build as a careful static host does (make web-serve): every file with its type
(application/wasm for the module, so that it compiles while it downloads), the strict
Content-Security-Policy the page is made to work under, and caching headers that fit addresses
with a digest (name?v=..., never changing: kept a year) and those without (index.html, sw.js:
asked again every time). It changes no file and adds no page of its own.

  serve.py [FOLDER] [--port 8000] [--bind 127.0.0.1]
"""

import argparse
import functools
import http.server
import urllib.parse

POLICY = ("default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self'; img-src 'self' data: blob:; "
          "media-src 'self' blob:; connect-src 'self'; worker-src 'self'")
KEPT, ASKED_AGAIN = "public, max-age=31536000, immutable", "no-cache"


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".webmanifest": "application/manifest+json"}

    def end_headers(self):
        self.send_header("Content-Security-Policy", POLICY)
        versioned = "v" in urllib.parse.parse_qs(urllib.parse.urlsplit(self.path).query)
        self.send_header("Cache-Control", KEPT if versioned else ASKED_AGAIN)
        super().end_headers()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folder", nargs="?", default="build-web")
    parser.add_argument("--port", type=int, default=8000)
    parser.add_argument("--bind", default="127.0.0.1")
    args = parser.parse_args()
    server = http.server.ThreadingHTTPServer((args.bind, args.port), functools.partial(Handler, directory=args.folder))
    print(f"Serving {args.folder} on http://{args.bind}:{args.port}/ (Ctrl+C stops)", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
