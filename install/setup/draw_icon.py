#!/usr/bin/env python3
"""Draws Korvane's icon, install/setup/korvane.ico: a red tile (the colour of a
lottery slip) holding a white draw ball, the special number's ball, ringed in
gold, with a ledger's three ruled lines across it, for the bookkeeping the
add-in does. korvane.exe carries it in its resources (Explorer, the Start
menu, Apps & Features show it) and the setup and its uninstaller show it too.

The picture is a few shapes measured in units of the tile, drawn at each size
Windows asks for (16, 24, 32, 48 and 256 pixels), each sample averaged over a
4 x 4 grid so the edges are smooth; the small sizes are stored as 32-bit
bitmaps, the large one as PNG, as Windows Vista and later expect. Nothing
beyond Python is needed, and the same script always writes the same bytes:
tests/package checks that the committed icon is this script's output.

The setup's welcome and finish pages show a tall picture at their left
(164 x 314 pixels, a 24-bit bitmap): the same tile and ball near the top of a
red band, with the ledger's ruled lines running down the rest of it, so that
the wizard is ours rather than NSIS's stock picture. It is drawn as the setup
is built (scripts/make-setup), from the same shapes. The LibreOffice extension
shows the same picture as one PNG (--png SIZE), 42 pixels square in the
Extension Manager.

usage: draw_icon.py OUT.ico
       draw_icon.py --side OUT.bmp
       draw_icon.py --png SIZE OUT.png
"""
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48, 256)
SUPER = 4
RED = (192, 40, 45)
GOLD = (242, 183, 5)
WHITE = (255, 255, 255)
INK = (150, 30, 35)


def inside_tile(x, y):
    """The rounded square, corners of radius 0.18, with a hair of margin."""
    r, lo, hi = 0.18, 0.02, 0.98
    cx = min(max(x, lo + r), hi - r)
    cy = min(max(y, lo + r), hi - r)
    return lo <= x <= hi and lo <= y <= hi and (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def colour_at(x, y):
    """What the icon shows at (x, y) in tile units, or None where it is clear."""
    if not inside_tile(x, y):
        return None
    d2 = (x - 0.5) ** 2 + (y - 0.5) ** 2
    if d2 > 0.36 ** 2:
        return RED
    if d2 > 0.30 ** 2:
        return GOLD
    # The ledger's ruled lines across the ball.
    for line in (0.40, 0.50, 0.60):
        if abs(y - line) < 0.025 and abs(x - 0.5) < 0.22:
            return INK
    return WHITE


def render(size):
    """RGBA rows, top first, of the icon at one size."""
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            r = g = b = a = 0
            for sy in range(SUPER):
                for sx in range(SUPER):
                    c = colour_at((px + (sx + 0.5) / SUPER) / size, (py + (sy + 0.5) / SUPER) / size)
                    if c is not None:
                        r, g, b, a = r + c[0], g + c[1], b + c[2], a + 1
            n = SUPER * SUPER
            row += bytes((r // a, g // a, b // a, 255 * a // n)) if a else bytes(4)
        rows.append(bytes(row))
    return rows


def png(size, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def bitmap(size, rows):
    """A 32-bit DIB, bottom row first, and the AND mask (1 where clear)."""
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes(b for i in range(0, len(row), 4) for b in (row[i + 2], row[i + 1], row[i], row[i + 3]))
                      for row in reversed(rows))
    stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for x in range(size):
            if row[4 * x + 3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def icon():
    images = []
    for size in SIZES:
        rows = render(size)
        images.append((size, png(size, rows) if size >= 256 else bitmap(size, rows)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = len(out) + 16 * len(images)
    body = b""
    for size, data in images:
        side = size % 256  # 0 stands for 256
        out += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset + len(body))
        body += data
    return out + body


SIDE_WIDTH, SIDE_HEIGHT = 164, 314
PAPER = (250, 246, 238)


def side_colour_at(x, y):
    """The side picture at (x, y) in pixels: the icon's tile in a 120-pixel
    square near the top, on the red band, and ruled ledger lines below."""
    tile, left, top = 120, (SIDE_WIDTH - 120) / 2, 40
    u, v = (x - left) / tile, (y - top) / tile
    if 0 <= u <= 1 and 0 <= v <= 1:
        c = colour_at(u, v)
        if c is not None:
            return c
    if y < top + tile + 30:
        return RED
    # The ledger: pale paper with a gold rule every 18 pixels and a red margin line.
    if abs(x - 30) < 1.0:
        return RED
    if (y - (top + tile + 30)) % 18 < 1.0:
        return GOLD
    return PAPER


def side_picture():
    """A bottom-up 24-bit BMP of the side picture, each pixel averaged over a
    SUPER x SUPER grid like the icon's."""
    stride = (SIDE_WIDTH * 3 + 3) // 4 * 4
    pixels = bytearray()
    for py in reversed(range(SIDE_HEIGHT)):
        row = bytearray()
        for px in range(SIDE_WIDTH):
            r = g = b = 0
            for sy in range(SUPER):
                for sx in range(SUPER):
                    c = side_colour_at(px + (sx + 0.5) / SUPER, py + (sy + 0.5) / SUPER)
                    r, g, b = r + c[0], g + c[1], b + c[2]
            n = SUPER * SUPER
            row += bytes((b // n, g // n, r // n))
        pixels += row + bytes(stride - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, SIDE_WIDTH, SIDE_HEIGHT, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return head + info + bytes(pixels)


def main(args):
    if len(args) == 3 and args[0] == "--png" and args[1].isdigit() and 0 < int(args[1]) <= 1024:
        size, out = int(args[1]), args[2]
        data = png(size, render(size))
    elif len(args) == 2 and args[0] == "--side":
        out, data = args[1], side_picture()
    elif len(args) == 1 and not args[0].startswith("-"):
        out, data = args[0], icon()
    else:
        sys.exit(__doc__)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main(sys.argv[1:])
