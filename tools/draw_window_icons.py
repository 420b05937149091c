#!/usr/bin/env python3
"""Draws the receiver's icon and the tip-of-the-day bitmap into res/icons/.

The icon is one picture in every form the program and the desktop use: PNG
files of 16 to 256 pixels (the window, the notification area, the menus)
and an SVG file for any other size. Both are made from the same few shapes
below; the PNG files are sampled 4 x 4 times per pixel for smooth edges.
Run this again after changing a shape and commit the files it writes.
"""

import math
import os
import struct
import sys
import zlib

SAMPLES = 4
ICON_SIZES = (16, 32, 48, 64, 128, 256)
# The SVG file's coordinates: the unit square scaled to this.
SVG_SCALE = 256


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
    """layers: (colour, shape) in drawing order; shapes in the unit square."""
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for colour, shape in layers:
                hits = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        x = (px + (sx + 0.5) / SAMPLES) / size
                        y = (py + (sy + 0.5) / SAMPLES) / size
                        hits += shape.inside(x, y)
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


def num(value):
    """A coordinate of the SVG file."""
    return ("%.2f" % (value * SVG_SCALE)).rstrip("0").rstrip(".")


def svg_colour(colour):
    return "#%02x%02x%02x" % colour[:3]


class Circle:
    def __init__(self, cx, cy, radius):
        self.cx, self.cy, self.radius = cx, cy, radius

    def inside(self, x, y):
        return (x - self.cx) ** 2 + (y - self.cy) ** 2 <= self.radius ** 2

    def svg(self, paint):
        return '<circle cx="%s" cy="%s" r="%s"%s/>' % (
            num(self.cx), num(self.cy), num(self.radius), paint)


class Rect:
    def __init__(self, x0, y0, x1, y1):
        self.x0, self.y0, self.x1, self.y1 = x0, y0, x1, y1

    def inside(self, x, y):
        return self.x0 <= x <= self.x1 and self.y0 <= y <= self.y1

    def svg(self, paint):
        return '<rect x="%s" y="%s" width="%s" height="%s"%s/>' % (
            num(self.x0), num(self.y0), num(self.x1 - self.x0), num(self.y1 - self.y0), paint)


class Polygon:
    def __init__(self, points):
        self.points = points

    def inside(self, x, y):
        hit = False
        for (x1, y1), (x2, y2) in zip(self.points, self.points[1:] + self.points[:1]):
            if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                hit = not hit
        return hit

    def svg(self, paint):
        points = " ".join("%s,%s" % (num(x), num(y)) for x, y in self.points)
        return '<polygon points="%s"%s/>' % (points, paint)


class RingArc:
    """An arc of a ring with square ends; angles in degrees, 0 = right,
    counter-clockwise."""

    def __init__(self, cx, cy, radius, width, start, end):
        self.cx, self.cy, self.radius, self.width = cx, cy, radius, width
        self.start, self.end = start, end

    def inside(self, x, y):
        d = math.hypot(x - self.cx, y - self.cy)
        angle = math.degrees(math.atan2(self.cy - y, x - self.cx)) % 360
        return abs(d - self.radius) <= self.width / 2 and self.start <= angle <= self.end

    def svg(self, paint):
        def point(angle):
            t = math.radians(angle)
            return num(self.cx + self.radius * math.cos(t)), num(self.cy - self.radius * math.sin(t))

        (x0, y0), (x1, y1) = point(self.start), point(self.end)
        large = 1 if self.end - self.start > 180 else 0
        stroke = paint.replace(' fill="', ' stroke="')
        return ('<path d="M%s %sA%s %s 0 %d 0 %s %s" fill="none" stroke-width="%s"%s/>' % (
            x0, y0, num(self.radius), num(self.radius), large, x1, y1, num(self.width), stroke))


class Clipped:
    """A shape cut to the inside of another."""
    count = 0

    def __init__(self, clip, shape):
        self.clip, self.shape = clip, shape

    def inside(self, x, y):
        return self.clip.inside(x, y) and self.shape.inside(x, y)

    def svg(self, paint):
        Clipped.count += 1
        name = "clip%d" % Clipped.count
        return '<clipPath id="%s">%s</clipPath><g clip-path="url(#%s)">%s</g>' % (
            name, self.clip.svg(""), name, self.shape.svg(paint))


def write_svg(path, layers):
    Clipped.count = 0
    body = "\n".join("  " + shape.svg(' fill="%s"' % svg_colour(colour)) for colour, shape in layers)
    with open(path, "w") as out:
        out.write('<?xml version="1.0" encoding="UTF-8"?>\n'
                  '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" '
                  'viewBox="0 0 %d %d">\n%s\n</svg>\n' % ((SVG_SCALE,) * 4 + (body,)))


def wave(level, height, turns, bottom):
    """The sea below a wavy surface, as a polygon down to bottom."""
    steps = 64
    surface = [(i / steps, level + height * math.sin(2 * math.pi * turns * i / steps))
               for i in range(steps + 1)]
    return Polygon(surface + [(1, bottom), (0, bottom)])


RIM = (222, 232, 244, 255)
NAVY = (16, 48, 96, 255)
SEA = (32, 112, 176, 255)
FOAM = (112, 184, 232, 255)
WHITE = (255, 255, 255, 255)
AMBER = (255, 196, 32, 255)
RED = (208, 40, 32, 255)
GLASS = (255, 232, 120, 255)
OUTLINE = (120, 88, 0, 255)
METAL = (128, 128, 140, 255)

DISC = Circle(0.5, 0.5, 0.45)

# The icon: a buoy's mast sending radio waves over the night sea.
ICON = [
    (RIM, Circle(0.5, 0.5, 0.48)),
    (NAVY, DISC),
    (FOAM, Clipped(DISC, wave(0.69, 0.025, 2.5, 1.0))),
    (SEA, Clipped(DISC, wave(0.72, 0.025, 2.5, 1.0))),
    (RED, Polygon([(0.36, 0.78), (0.64, 0.78), (0.58, 0.64), (0.42, 0.64)])),
    (WHITE, Rect(0.47, 0.36, 0.53, 0.64)),
    (AMBER, Circle(0.5, 0.34, 0.065)),
    (AMBER, RingArc(0.5, 0.34, 0.14, 0.055, 10, 70)),
    (AMBER, RingArc(0.5, 0.34, 0.14, 0.055, 110, 170)),
    (AMBER, RingArc(0.5, 0.34, 0.245, 0.055, 15, 65)),
    (AMBER, RingArc(0.5, 0.34, 0.245, 0.055, 115, 165)),
]

# The tip bitmap: a lit bulb.
TIP_BITMAP = [
    (OUTLINE, Circle(0.5, 0.4, 0.3)),
    (GLASS, Circle(0.5, 0.4, 0.26)),
    (OUTLINE, Polygon([(0.34, 0.6), (0.66, 0.6), (0.62, 0.74), (0.38, 0.74)])),
    (GLASS, Polygon([(0.38, 0.58), (0.62, 0.58), (0.59, 0.7), (0.41, 0.7)])),
    (WHITE, Circle(0.42, 0.32, 0.07)),
    (METAL, Rect(0.38, 0.74, 0.62, 0.9)),
    (WHITE, Rect(0.38, 0.79, 0.62, 0.8)),
    (WHITE, Rect(0.38, 0.84, 0.62, 0.85)),
]


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res", "icons")
    os.makedirs(out, exist_ok=True)
    for size in ICON_SIZES:
        write_png(os.path.join(out, "wavelore_%d.png" % size), size, render(size, ICON))
    write_svg(os.path.join(out, "wavelore.svg"), ICON)
    write_png(os.path.join(out, "tip.png"), 32, render(32, TIP_BITMAP))
    return 0


if __name__ == "__main__":
    sys.exit(main())
