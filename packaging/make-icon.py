#!/usr/bin/python3
"""Draws the application icon from code: a small three-legged robot under a night sky.

    make-icon.py SIZE OUT.png

Writes a SIZE x SIZE RGBA PNG. The picture is a list of flat shapes in a unit square (x to the
right, y downwards), each drawn with an anti-aliased edge from its signed distance, so every
size is drawn from the same description and the same input always gives the same bytes.
Python standard library only.
"""

import math
import struct
import sys
import zlib

# Colours, RGBA 0-255.
SKY_TOP = (38, 52, 96, 255)
SKY_BOTTOM = (12, 17, 38, 255)
STAR = (250, 240, 200, 255)
SHADOW = (0, 0, 0, 90)
LEG = (126, 136, 150, 255)
FOOT = (92, 100, 112, 255)
BODY = (204, 214, 192, 255)
BAND = (72, 92, 112, 255)
HEAD = (178, 192, 170, 255)
EYE = (28, 28, 34, 255)
EYE_LIGHT = (255, 186, 60, 255)

CORNER = 0.18          # corner radius of the background, in icon widths
STARS = [(0.20, 0.20, 0.018), (0.78, 0.16, 0.014), (0.86, 0.42, 0.012), (0.14, 0.52, 0.012),
         (0.62, 0.09, 0.010)]  # centre x, centre y, radius


# Signed distances: negative inside, positive outside, in icon widths.

def rounded_box(cx, cy, half_w, half_h, radius):
    def distance(x, y):
        qx = abs(x - cx) - half_w + radius
        qy = abs(y - cy) - half_h + radius
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - radius
    return distance


def circle(cx, cy, radius):
    return lambda x, y: math.hypot(x - cx, y - cy) - radius


def ellipse(cx, cy, rx, ry):
    # Scaled circle: exact on the axes, close enough elsewhere for an edge one pixel wide.
    scale = min(rx, ry)
    return lambda x, y: (math.hypot((x - cx) / rx, (y - cy) / ry) - 1.0) * scale


def upper_half(shape, cut_y):
    """The part of a shape above the line y = cut_y."""
    return lambda x, y: max(shape(x, y), y - cut_y)


def convex_polygon(points):
    """Points clockwise on screen (y down); the distance to the nearest edge line."""
    edges = []
    for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
        length = math.hypot(x1 - x0, y1 - y0)
        edges.append((x0, y0, (y1 - y0) / length, -(x1 - x0) / length))
    return lambda x, y: max((x - x0) * nx + (y - y0) * ny for x0, y0, nx, ny in edges)


def vertical_gradient(top, bottom):
    def colour(_x, y):
        return tuple(round(a + (b - a) * y) for a, b in zip(top, bottom))
    return colour


def plain(rgba):
    return lambda _x, _y: rgba


# The picture, back to front: (distance function, colour function, bounding box x0 y0 x1 y1).
def picture():
    shapes = [(rounded_box(0.5, 0.5, 0.5, 0.5, CORNER), vertical_gradient(SKY_TOP, SKY_BOTTOM),
               (0, 0, 1, 1))]
    for x, y, r in STARS:
        shapes.append((circle(x, y, r), plain(STAR), (x - r, y - r, x + r, y + r)))
    shapes += [
        (ellipse(0.5, 0.88, 0.30, 0.045), plain(SHADOW), (0.18, 0.82, 0.82, 0.94)),
        # Side legs, leaning out from the body's shoulders to the feet.
        (convex_polygon([(0.24, 0.40), (0.32, 0.40), (0.25, 0.84), (0.17, 0.84)]), plain(LEG),
         (0.16, 0.39, 0.33, 0.85)),
        (convex_polygon([(0.68, 0.40), (0.76, 0.40), (0.83, 0.84), (0.75, 0.84)]), plain(LEG),
         (0.67, 0.39, 0.84, 0.85)),
        (rounded_box(0.21, 0.86, 0.075, 0.03, 0.015), plain(FOOT), (0.13, 0.82, 0.29, 0.90)),
        (rounded_box(0.79, 0.86, 0.075, 0.03, 0.015), plain(FOOT), (0.71, 0.82, 0.87, 0.90)),
        # Centre leg, short, under the body.
        (rounded_box(0.5, 0.78, 0.05, 0.08, 0.02), plain(LEG), (0.44, 0.69, 0.56, 0.87)),
        (rounded_box(0.5, 0.86, 0.07, 0.028, 0.014), plain(FOOT), (0.42, 0.82, 0.58, 0.90)),
        # Body drum with a band, then the domed head on top.
        (rounded_box(0.5, 0.55, 0.17, 0.16, 0.04), plain(BODY), (0.32, 0.38, 0.68, 0.72)),
        (rounded_box(0.5, 0.50, 0.17, 0.03, 0.0), plain(BAND), (0.32, 0.46, 0.68, 0.54)),
        (upper_half(circle(0.5, 0.40, 0.17), 0.40), plain(HEAD), (0.32, 0.22, 0.68, 0.41)),
        (circle(0.56, 0.32, 0.045), plain(EYE), (0.51, 0.27, 0.61, 0.37)),
        (circle(0.56, 0.32, 0.022), plain(EYE_LIGHT), (0.53, 0.29, 0.59, 0.35)),
    ]
    return shapes


def render(size):
    """RGBA bytes, rows top to bottom, over a transparent background."""
    pixels = [[0.0, 0.0, 0.0, 0.0] for _ in range(size * size)]  # premultiplied, 0-1
    for distance, colour, (x0, y0, x1, y1) in picture():
        for py in range(max(0, int(y0 * size) - 1), min(size, int(y1 * size) + 2)):
            y = (py + 0.5) / size
            for px in range(max(0, int(x0 * size) - 1), min(size, int(x1 * size) + 2)):
                x = (px + 0.5) / size
                # Coverage falls from 1 to 0 across one pixel centred on the edge.
                coverage = min(1.0, max(0.0, 0.5 - distance(x, y) * size))
                if coverage == 0.0:
                    continue
                r, g, b, a = colour(x, y)
                alpha = coverage * a / 255.0
                target = pixels[py * size + px]
                keep = 1.0 - alpha
                target[0] = r / 255.0 * alpha + target[0] * keep
                target[1] = g / 255.0 * alpha + target[1] * keep
                target[2] = b / 255.0 * alpha + target[2] * keep
                target[3] = alpha + target[3] * keep
    out = bytearray()
    for r, g, b, a in pixels:
        if a == 0.0:
            out += b"\0\0\0\0"
        else:
            out += bytes((round(r / a * 255), round(g / a * 255), round(b / a * 255), round(a * 255)))
    return bytes(out)


def png(size, rgba):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    stride = size * 4
    raw = b"".join(b"\0" + rgba[y * stride:(y + 1) * stride] for y in range(size))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA, no interlace
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def main(arguments):
    if len(arguments) != 2 or not arguments[0].isdigit() or not 16 <= int(arguments[0]) <= 1024:
        sys.exit("usage: make-icon.py SIZE OUT.png   (SIZE from 16 to 1024 pixels)")
    size = int(arguments[0])
    with open(arguments[1], "wb") as out:
        out.write(png(size, render(size)))


if __name__ == "__main__":
    main(sys.argv[1:])
