#!/usr/bin/python3
"""Writes the fuzz seed corpus into fuzz/corpus/seed-*: small JPEGs and PNGs in every variety the
decoders branch on (made with ImageMagick from a shipped 16 x 16 texture), damaged copies, and a
few files in formats the program refuses. Inputs found by fuzzing (crash-*, hang-*) are kept
beside them and never rewritten here. Run from the repository root; rerun only to change seeds."""

import struct
import subprocess
import sys
import zlib
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
OUT = ROOT / "fuzz" / "corpus"
SOURCE = ROOT / "textures" / "axe.jpg"   # 16 x 16 RGB
SOURCE_ALPHA = ROOT / "textures" / "holoLight.png"  # 32 x 32 RGBA
# No dates or other metadata, so a rerun writes the same bytes.
PLAIN = ["-strip", "-define", "png:exclude-chunks=date,time"]


def convert(name, source, *options):
    """options end with the output format, as FORMAT:seed."""
    *options, fmt = options
    output = fmt.replace("seed", str(OUT / name))
    subprocess.run(["convert", str(source), *PLAIN, *options, output], check=True)


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def claimed_png(side):
    header = struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + png_chunk(b"IEND", b"")


def claimed_jpeg(side):
    frame = struct.pack(">BHHB", 8, side, side, 3) + b"\x01\x11\x00\x02\x11\x00\x03\x11\x00"
    return b"\xff\xd8\xff\xc0" + struct.pack(">H", len(frame) + 2) + frame + b"\xff\xd9"


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    for old in OUT.glob("seed-*"):
        old.unlink()
    # JPEG varieties: baseline 4:4:4 and 4:2:0, progressive, grey, CMYK, restart markers.
    convert("seed-baseline.jpg", SOURCE, "-quality", "90", "-sampling-factor", "1x1", "JPEG:seed")
    convert("seed-420.jpg", SOURCE, "-resize", "24x24!", "-sampling-factor", "2x2", "JPEG:seed")
    convert("seed-progressive.jpg", SOURCE, "-interlace", "JPEG", "JPEG:seed")
    convert("seed-grey.jpg", SOURCE, "-colorspace", "Gray", "JPEG:seed")
    convert("seed-cmyk.jpg", SOURCE, "-colorspace", "CMYK", "JPEG:seed")
    convert("seed-restart.jpg", SOURCE, "-define", "jpeg:restart-interval=1", "JPEG:seed")
    # PNG varieties: RGBA, RGB, palette, grey, grey+alpha, 16-bit, 1-bit, interlaced.
    convert("seed-rgba.png", SOURCE_ALPHA, "PNG32:seed")
    convert("seed-rgb.png", SOURCE, "PNG24:seed")
    convert("seed-palette.png", SOURCE, "-colors", "16", "PNG8:seed")
    convert("seed-grey.png", SOURCE, "-colorspace", "Gray", "-type", "Grayscale", "PNG:seed")
    convert("seed-greyalpha.png", SOURCE_ALPHA, "-colorspace", "Gray", "-type", "GrayscaleAlpha", "PNG:seed")
    convert("seed-16bit.png", SOURCE, "-depth", "16", "PNG48:seed")
    convert("seed-1bit.png", SOURCE, "-monochrome", "PNG:seed")
    convert("seed-interlaced.png", SOURCE_ALPHA, "-interlace", "PNG", "PNG32:seed")
    # Formats the program refuses, however they are named.
    for fmt in ("gif", "bmp", "tga", "psd", "hdr", "ppm", "pgm"):
        convert(f"seed-foreign.{fmt}", SOURCE, f"{fmt.upper()}:seed")
    # Damage: cut, bit flips, headers that claim huge sizes.
    for name in ("seed-baseline.jpg", "seed-rgba.png", "seed-progressive.jpg", "seed-interlaced.png"):
        data = (OUT / name).read_bytes()
        (OUT / f"seed-cut-{name[5:]}").write_bytes(data[: len(data) // 2])
        flipped = bytearray(data)
        for i in range(len(flipped) // 3, len(flipped), len(flipped) // 7):
            flipped[i] ^= 0x5A
        (OUT / f"seed-flipped-{name[5:]}").write_bytes(bytes(flipped))
    (OUT / "seed-claims-12000.png").write_bytes(claimed_png(12000))
    (OUT / "seed-claims-60000.jpg").write_bytes(claimed_jpeg(60000))
    # Written as a real .png by mistake: the decoder must go by the bytes.
    (OUT / "seed-gif-named.png").write_bytes((OUT / "seed-foreign.gif").read_bytes())
    total = sum(p.stat().st_size for p in OUT.iterdir())
    print(f"{len(list(OUT.iterdir()))} files, {total} bytes in {OUT}")


if __name__ == "__main__":
    sys.exit(main())
