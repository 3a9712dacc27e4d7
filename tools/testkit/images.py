"""8-bit RGB pictures, rows top to bottom: read from a binary PPM (what ImageMagick's import
writes) or from a canvas's RGBA read-back, written as PNG for a person to look at, and probed:
the mean colour, the share of pixels near a colour, the share changed against another picture.
Probes sample every step-th pixel each way, for speed. It judges nothing."""

import re
import struct
import zlib
from collections import namedtuple
from pathlib import Path

from testkit.base import HarnessError

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
Box = namedtuple("Box", "left top right bottom")  # pixels; right and bottom excluded


class Image:

    def __init__(self, width, height, rgb, path=None):
        self.width, self.height, self.rgb, self.path = width, height, rgb, path

    @classmethod
    def from_rgba(cls, width, height, rgba, bottom_up=False):
        """From 4 bytes a pixel (alpha dropped); bottom_up for GL's read-back, last row first."""
        stride = width * 4
        rows = range(height - 1, -1, -1) if bottom_up else range(height)
        flat = b"".join(rgba[y * stride:(y + 1) * stride] for y in rows)
        rgb = bytearray(width * height * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = flat[0::4], flat[1::4], flat[2::4]
        return cls(width, height, bytes(rgb))

    @property
    def size(self):
        return self.width, self.height

    def _offsets(self, box, step):
        left, top, right, bottom = box or (0, 0, self.width, self.height)
        return [(y * self.width + x) * 3 for y in range(top, bottom, step)
                for x in range(left, right, step)]

    def _share(self, box, step, hit):
        offsets = self._offsets(box, step)
        return sum(map(hit, offsets)) / max(len(offsets), 1)

    def mean(self, box=None, step=2):
        offsets, rgb = self._offsets(box, step), self.rgb
        return tuple(sum(rgb[o + c] for o in offsets) / max(len(offsets), 1) for c in range(3))

    def fraction_near(self, colour, tolerance, box=None, step=2):
        rgb, (red, green, blue) = self.rgb, colour
        return self._share(box, step, lambda o: max(
            abs(rgb[o] - red), abs(rgb[o + 1] - green), abs(rgb[o + 2] - blue)) <= tolerance)

    def fraction_changed(self, other, tolerance, box=None, step=2):
        if (self.width, self.height) != (other.width, other.height):
            return 1.0
        mine, theirs = self.rgb, other.rgb
        return self._share(box, step, lambda o: max(
            abs(mine[o] - theirs[o]), abs(mine[o + 1] - theirs[o + 1]),
            abs(mine[o + 2] - theirs[o + 2])) > tolerance)

    def beside(self, other):
        """This picture with the other (of the same height) to its right."""
        left, right = self.width * 3, other.width * 3
        rows = (self.rgb[y * left:(y + 1) * left] + other.rgb[y * right:(y + 1) * right] for y in range(self.height))
        return Image(self.width + other.width, self.height, b"".join(rows))

    def reduced(self, scale):
        """Box-filtered to 1/scale of the size each way, for a picture in the documentation."""
        width, height, rgb = self.width // scale, self.height // scale, bytearray()
        for y in range(height):
            for x in range(width):
                starts = [((y * scale + dy) * self.width + x * scale) * 3 for dy in range(scale)]
                for c in range(3):
                    total = sum(sum(self.rgb[start + c:start + scale * 3:3]) for start in starts)
                    rgb.append(total // (scale * scale))
        return Image(width, height, bytes(rgb))


_PPM_GAP = rb"(?:\s|#[^\n]*\n)+"  # blanks and comments between header fields
_PPM_HEADER = re.compile(rb"P6" + _PPM_GAP + rb"(\d+)" + _PPM_GAP + rb"(\d+)" + _PPM_GAP + rb"255\s")


def read_ppm(path):
    data = Path(path).read_bytes()
    header = _PPM_HEADER.match(data)
    if not header:
        raise HarnessError(f"{path} is not an 8-bit binary PPM file")
    width, height = int(header.group(1)), int(header.group(2))
    pixels = data[header.end():header.end() + width * height * 3]
    if len(pixels) != width * height * 3:
        raise HarnessError(f"{path} is cut short")
    return Image(width, height, pixels, path)


def write_ppm(path, image):
    Path(path).write_bytes(b"P6\n%d %d\n255\n" % (image.width, image.height) + image.rgb)


def png_chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def write_png(path, image, level=1):
    # Unfiltered rows, fast compression unless asked: only for a person to look at.
    stride = image.width * 3
    rows = b"".join(b"\0" + image.rgb[y * stride:(y + 1) * stride] for y in range(image.height))
    header = struct.pack(">IIBBBBB", image.width, image.height, 8, 2, 0, 0, 0)  # 8-bit RGB
    Path(path).write_bytes(PNG_SIGNATURE + png_chunk(b"IHDR", header)
                           + png_chunk(b"IDAT", zlib.compress(rows, level)) + png_chunk(b"IEND", b""))
