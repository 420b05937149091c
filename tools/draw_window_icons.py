#!/usr/bin/env python3
"""Draws the receiver's window icon and the tip-of-the-day bitmap as PNG
files into res/icons/.

The pictures are made of a few shapes, sampled 4 x 4 times per pixel for
smooth edges. Run this again after changing a shape and commit the PNG
files it writes.
"""

import math
import os
import struct
import sys
import zlib

SAMPLES = 4


def write_png(path, size, pixels):
    """pixels: rows of (r, g, b, a) tuples."""
    raw = b"".join(b"\0" + b"".join(struct.pack("4B", *p) for p in row) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                  chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def render(size, layers):
    """layers: (colour, inside(x, y)) in drawing order, x and y in 0..1."""
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for colour, inside in layers:
                hits = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        x = (px + (sx + 0.5) / SAMPLES) / size
                        y = (py + (sy + 0.5) / SAMPLES) / size
                        hits += inside(x, y)
                cover = hits / (SAMPLES * SAMPLES)
                if cover == 0:
                    continue
                # "Over" compositing with straight alpha.
                ca = cover * colour[3] / 255
                na = ca + a * (1 - ca)
                r = (colour[0] * ca + r * a * (1 - ca)) / na
                g = (colour[1] * ca + g * a * (1 - ca)) / na
                b = (colour[2] * ca + b * a * (1 - ca)) / na
                a = na
            row.append((round(r), round(g), round(b), round(a * 255)))
        pixels.append(row)
    return pixels


def circle(cx, cy, radius):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def ring_arc(cx, cy, radius, width, start, end):
    """An arc of a ring, angles in degrees, 0 = right, counter-clockwise."""
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        angle = math.degrees(math.atan2(cy - y, x - cx)) % 360
        return abs(d - radius) <= width / 2 and start <= angle <= end
    return inside


def polygon(points):
    def inside(x, y):
        hit = False
        for (x1, y1), (x2, y2) in zip(points, points[1:] + points[:1]):
            if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                hit = not hit
        return hit
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


NAVY = (16, 48, 96, 255)
SEA = (32, 112, 176, 255)
WHITE = (255, 255, 255, 255)
AMBER = (255, 196, 32, 255)
RED = (208, 40, 32, 255)
GLASS = (255, 232, 120, 255)
OUTLINE = (120, 88, 0, 255)
METAL = (128, 128, 140, 255)

# The window icon: a mast on a buoy sending waves over the sea.
WINDOW_ICON = [
    (NAVY, circle(0.5, 0.5, 0.48)),
    (SEA, lambda x, y: circle(0.5, 0.5, 0.48)(x, y) and y > 0.7),
    (RED, polygon([(0.36, 0.78), (0.64, 0.78), (0.58, 0.66), (0.42, 0.66)])),
    (WHITE, rect(0.475, 0.3, 0.525, 0.66)),
    (AMBER, circle(0.5, 0.28, 0.06)),
    (AMBER, ring_arc(0.5, 0.28, 0.16, 0.05, 0, 60)),
    (AMBER, ring_arc(0.5, 0.28, 0.16, 0.05, 120, 180)),
    (AMBER, ring_arc(0.5, 0.28, 0.27, 0.05, 0, 55)),
    (AMBER, ring_arc(0.5, 0.28, 0.27, 0.05, 125, 180)),
]

# The tip bitmap: a lit bulb.
TIP_BITMAP = [
    (OUTLINE, circle(0.5, 0.4, 0.3)),
    (GLASS, circle(0.5, 0.4, 0.26)),
    (OUTLINE, polygon([(0.34, 0.6), (0.66, 0.6), (0.62, 0.74), (0.38, 0.74)])),
    (GLASS, polygon([(0.38, 0.58), (0.62, 0.58), (0.59, 0.7), (0.41, 0.7)])),
    (WHITE, circle(0.42, 0.32, 0.07)),
    (METAL, rect(0.38, 0.74, 0.62, 0.9)),
    (WHITE, rect(0.38, 0.79, 0.62, 0.8)),
    (WHITE, rect(0.38, 0.84, 0.62, 0.85)),
]


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res", "icons")
    os.makedirs(out, exist_ok=True)
    for size in (16, 32, 48):
        write_png(os.path.join(out, "wavelore_%d.png" % size), size, render(size, WINDOW_ICON))
    write_png(os.path.join(out, "tip.png"), 32, render(32, TIP_BITMAP))
    return 0


if __name__ == "__main__":
    sys.exit(main())
