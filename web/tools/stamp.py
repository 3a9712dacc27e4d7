#!/usr/bin/env python3
"""Stamps a web build with what it is made of: the size and SHA-256 digest of every file the page
loads, and the build's own name (a digest of all of them). Writes, into the build folder:

- index.html: web/index.html with each file it names asked for by its digest (name?v=...), and
  the whole list and the build's name on the loader's script element (data-files, data-build),
  which web/js/loader.js reads (no integrity attributes: a page opened as a file could not load
  its loader with them, and the loader could not say why);
- manifest.webmanifest: web/manifest.webmanifest with its icons asked for by their digests;
- sw.js: web/js/sw.js with the build's name and its files' addresses, so that each build has a
  worker of its own.

It does not build or copy the files themselves. Run by web/CMakeLists.txt once they are all in
place:

  stamp.py BUILD_DIR FILE...      (FILE: relative to BUILD_DIR, e.g. robotscene.wasm audio/beep.wav)
"""

import base64
import hashlib
import html
import json
import re
import sys
from pathlib import Path

WEB = Path(__file__).resolve().parents[1]
MANIFEST = "manifest.webmanifest"
DIGEST_IN_ADDRESS = 16  # hex digits of the SHA-256 in a file's address: its version


def describe(data, name):
    digest = hashlib.sha256(data).digest()
    return {"size": len(data), "sha256": base64.b64encode(digest).decode(),
            "url": f"{name}?v={digest.hex()[:DIGEST_IN_ADDRESS]}"}


def stamp_manifest(build, files):
    manifest = json.loads((WEB / MANIFEST).read_text())
    for icon in manifest["icons"]:
        icon["src"] = files[icon["src"]]["url"]
    text = json.dumps(manifest, indent=2) + "\n"
    (build / MANIFEST).write_text(text)
    return describe(text.encode(), MANIFEST)


def stamp_page(files, build_name):
    page = (WEB / "index.html").read_text()

    def tag(match):
        text = match.group(0)
        named = re.search(r'\b(src|href)="([^"?#]+)"', text)
        if not named or named.group(2) not in files:
            return text
        entry = files[named.group(2)]
        text = text.replace(named.group(0), f'{named.group(1)}="{entry["url"]}"')
        if 'src="loader.js' in text:
            listed = html.escape(json.dumps(files, sort_keys=True, separators=(",", ":")), quote=False)
            listed = listed.replace("'", "&#39;")
            text = text[:-1] + f" data-build=\"{build_name}\" data-files='{listed}'>"
        return text

    return re.sub(r"<(?:script|link)\b[^>]*>", tag, page)


def main(build, *names):
    build = Path(build)
    files = {name: describe((build / name).read_bytes(), name) for name in names}
    files[MANIFEST] = stamp_manifest(build, files)
    listing = "".join(f"{name} {files[name]['sha256']}\n" for name in sorted(files))
    build_name = hashlib.sha256(listing.encode()).hexdigest()[:DIGEST_IN_ADDRESS]
    (build / "index.html").write_text(stamp_page(files, build_name))
    worker = (WEB / "js" / "sw.js").read_text()
    addresses = json.dumps(sorted(entry["url"] for entry in files.values()))
    worker = worker.replace("@BUILD@", build_name).replace("@ADDRESSES@", addresses)
    (build / "sw.js").write_text(worker)


if __name__ == "__main__":
    main(*sys.argv[1:])
