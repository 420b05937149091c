#!/usr/bin/env python3
"""Draws the Message Explorer's 16 x 16 icons as PNG files into res/icons/.

The pictures are pixel grids below, one character a pixel; run this again
after changing one and commit the PNG files it writes.
"""

import os
import struct
import sys
import zlib

COLOURS = {
    ".": (0, 0, 0, 0),
    "K": (92, 64, 8, 255),  # folder outline
    "Y": (255, 236, 150, 255),  # folder highlight
    "y": (240, 192, 48, 255),  # folder face
    "D": (200, 144, 0, 255),  # folder shadow
    "O": (64, 64, 72, 255),  # sheet outline
    "W": (255, 255, 255, 255),  # paper
    "G": (128, 128, 160, 255),  # text lines
    "R": (208, 32, 32, 255),  # important: red band and lines
}

ICONS = {
    # A day: a closed folder.
    "day": [
        "................",
        "................",
        ".KKKKK..........",
        "KYYYYYK.........",
        "KyyyyyyKKKKKKKK.",
        "KYYYYYYYYYYYYYYK",
        "KyyyyyyyyyyyyyDK",
        "KyyyyyyyyyyyyyDK",
        "KyyyyyyyyyyyyyDK",
        "KyyyyyyyyyyyyyDK",
        "KyyyyyyyyyyyyyDK",
        "KyyyyyyyyyyyyyDK",
        "KDDDDDDDDDDDDDDK",
        ".KKKKKKKKKKKKKK.",
        "................",
        "................",
    ],
    # The selected day: the folder opened.
    "day_selected": [
        "................",
        "................",
        ".KKKKK..........",
        "KDDDDDK.........",
        "KDDDDDDKKKKKKK..",
        "KDDDDDDDDDDDDDK.",
        "KDDKKKKKKKKKKKKK",
        "KDKYYYYYYYYYYYYK",
        "KDKyyyyyyyyyyyK.",
        "KKyyyyyyyyyyyyK.",
        "KKyyyyyyyyyyyK..",
        "KyyyyyyyyyyyyK..",
        "KKKKKKKKKKKKKK..",
        "................",
        "................",
        "................",
    ],
    # A message of any other subject: a written sheet.
    "message": [
        "................",
        "..OOOOOOOOO.....",
        "..OWWWWWWWOO....",
        "..OWWWWWWWOWO...",
        "..OWGGGGGWOOOO..",
        "..OWWWWWWWWWWO..",
        "..OWGGGGGGGGWO..",
        "..OWWWWWWWWWWO..",
        "..OWGGGGGGGGWO..",
        "..OWWWWWWWWWWO..",
        "..OWGGGGGGGGWO..",
        "..OWWWWWWWWWWO..",
        "..OWGGGGGWWWWO..",
        "..OWWWWWWWWWWO..",
        "..OOOOOOOOOOOO..",
        "................",
    ],
    # A warning, ice or search and rescue message: red band, red lines.
    "message_important": [
        "................",
        "..OOOOOOOOO.....",
        "..ORRRRRRROO....",
        "..ORRRRRRROWO...",
        "..OWWWWWWWOOOO..",
        "..OWRRRRRRRRWO..",
        "..OWWWWWWWWWWO..",
        "..OWRRRRRRRRWO..",
        "..OWWWWWWWWWWO..",
        "..OWRRRRRRRRWO..",
        "..OWWWWWWWWWWO..",
        "..OWRRRRRWWWWO..",
        "..OWWWWWWWWWWO..",
        "..ORRRRRRRRRRO..",
        "..OOOOOOOOOOOO..",
        "................",
    ],
}


def png(rows):
    height = len(rows)
    width = len(rows[0])
    raw = b"".join(
        b"\x00" + b"".join(bytes(COLOURS[c]) for c in row) for row in rows
    )

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (
        b"\x89PNG\r\n\x1a\n"
        + chunk(b"IHDR", header)
        + chunk(b"IDAT", zlib.compress(raw, 9))
        + chunk(b"IEND", b"")
    )


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res", "icons")
    os.makedirs(out, exist_ok=True)
    for name, rows in ICONS.items():
        assert len(rows) == 16 and all(len(r) == 16 for r in rows), name
        with open(os.path.join(out, name + ".png"), "wb") as f:
            f.write(png(rows))
    return 0


if __name__ == "__main__":
    sys.exit(main())
