"""The page's folder served as a careful static host serves it, for `make web-serve`
(web/tools/serve.py) and every page test (browser.Page): each file with its type
(application/wasm for the module, so that it compiles while it downloads), the strict
Content-Security-Policy the page is made to work under, and caching headers that fit addresses
with a digest (name?v=..., never changing: kept a year) and those without (index.html, sw.js:
asked for and sent whole every time). It changes no file and judges nothing.
"""

import functools
import http.server
import threading
import urllib.parse

POLICY = ("default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self'; img-src 'self' data: blob:; "
          "media-src 'self' blob:; connect-src 'self'; worker-src 'self'")
KEPT, ASKED_AGAIN = "public, max-age=31536000, immutable", "no-cache"


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".webmanifest": "application/manifest+json"}
    policy = POLICY

    def versioned(self):
        return "v" in urllib.parse.parse_qs(urllib.parse.urlsplit(self.path).query)

    def send_head(self):
        # A file's date, to the second, cannot tell two builds apart: the small files without a
        # digest in their address are sent whole every time, never as "not modified".
        if not self.versioned():
            del self.headers["If-Modified-Since"]
        return super().send_head()

    def caching(self):
        return KEPT if self.versioned() else ASKED_AGAIN

    def end_headers(self):
        if self.policy:
            self.send_header("Content-Security-Policy", self.policy)
        self.send_header("Cache-Control", self.caching())
        super().end_headers()


class QuietHandler(Handler):
    def log_message(self, *args):
        pass


def serve(folder, port=0, bind="127.0.0.1", handler=QuietHandler):
    """A server on its own thread (port 0: any free one); stop it with shutdown() and server_close()."""
    server = http.server.ThreadingHTTPServer((bind, port), functools.partial(handler, directory=str(folder)))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server
