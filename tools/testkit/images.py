"""8-bit RGB pictures, rows top to bottom: read from a binary PPM (what ImageMagick's import
writes) or from a canvas's RGBA read-back, written as PNG for a person to look at, and probed:
the mean colour, the share of pixels near a colour, the share changed against another picture.
Probes sample every step-th pixel each way, for speed. It judges nothing."""

import operator
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

    def channels(self, box=None, step=1):
        """Red, green and blue of every step-th pixel each way within box, as three byte strings:
        the probes below work on them with C-speed bytes operations, not pixel by pixel."""
        left, top, right, bottom = box or (0, 0, self.width, self.height)
        rows = [self.rgb[(y * self.width + left) * 3:(y * self.width + right) * 3] for y in range(top, bottom, step)]
        return [b"".join(row[c::3 * step] for row in rows) for c in range(3)]

    def mean(self, box=None, step=2):
        return tuple(sum(channel) / max(len(channel), 1) for channel in self.channels(box, step))

    def fraction_near(self, colour, tolerance, box=None, step=2):
        """Share of pixels each of whose channels is within tolerance of colour's."""
        near = [channel.translate(_table(lambda v, c=c: abs(v - c) <= tolerance))
                for channel, c in zip(self.channels(box, step), colour)]
        return _share(bytes(map(min, *near)))

    def differences(self, other, box=None, step=2):
        """The largest difference of the three channels, pixel by pixel, as bytes (None when the
        sizes differ)."""
        if self.size != other.size:
            return None
        pairs = zip(self.channels(box, step), other.channels(box, step))
        return bytes(map(max, *(map(abs, map(operator.sub, mine, theirs)) for mine, theirs in pairs)))

    def fraction_changed(self, other, tolerance, box=None, step=2):
        return fraction_over(self.differences(other, box, step), tolerance)

    def beside(self, other):
        """This picture with the other (of the same height) to its right."""
        left, right = self.width * 3, other.width * 3
        rows = (self.rgb[y * left:(y + 1) * left] + other.rgb[y * right:(y + 1) * right] for y in range(self.height))
        return Image(self.width + other.width, self.height, b"".join(rows))

    def reduced(self, scale):
        """Box-filtered to 1/scale of the size each way, for a picture in the documentation."""
        width, height, stride = self.width // scale, self.height // scale, self.width * 3
        rgb = bytearray(width * height * 3)
        for y in range(height):
            rows = [self.rgb[(y * scale + dy) * stride:(y * scale + dy) * stride + width * scale * 3] for dy in range(scale)]
            for c in range(3):
                parts = [row[dx * 3 + c::3 * scale] for row in rows for dx in range(scale)]
                rgb[y * width * 3 + c:(y + 1) * width * 3:3] = bytes(total // (scale * scale) for total in map(sum, zip(*parts)))
        return Image(width, height, bytes(rgb))


def _table(hit):
    # A bytes.translate table: 1 for the byte values hit() is true of, else 0.
    return bytes(int(bool(hit(value))) for value in range(256))


def _share(hits):
    return hits.count(1) / max(len(hits), 1)


def fraction_over(differences, tolerance):
    """Share of pixels of Image.differences() over tolerance; 1 for pictures of different sizes."""
    return 1.0 if differences is None else _share(differences.translate(_table(lambda value: value > tolerance)))


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


def png_size(data):
    """A PNG file's width and height from its header; None for data that is not a PNG file."""
    return struct.unpack(">II", data[16:24]) if data.startswith(PNG_SIGNATURE) and len(data) >= 24 else None


def png_chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def write_png(path, image, level=1):
    # Unfiltered rows, fast compression unless asked: only for a person to look at.
    stride = image.width * 3
    rows = b"".join(b"\0" + image.rgb[y * stride:(y + 1) * stride] for y in range(image.height))
    header = struct.pack(">IIBBBBB", image.width, image.height, 8, 2, 0, 0, 0)  # 8-bit RGB
    Path(path).write_bytes(PNG_SIGNATURE + png_chunk(b"IHDR", header)
                           + png_chunk(b"IDAT", zlib.compress(rows, level)) + png_chunk(b"IEND", b""))
