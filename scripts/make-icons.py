#!/usr/bin/env python3
"""Draws the wizard pages' icons and writes them as .ico files (32 x 32 and
16 x 16, 32-bit BGRA with an AND mask) into src/res/icons/.

The generated files are committed, so the build does not need Python; run
this again after changing a picture:  python3 scripts/make-icons.py

Pictures are drawn in a 32-unit square and rendered with 4 x 4 samples per
pixel, so edges are smooth at both sizes. Standard library only.
"""
import math
import os
import struct
import sys

UNITS = 32          # drawing coordinates run from 0 to 32
SAMPLES = 4         # samples per pixel along each axis

OUTLINE = (40, 40, 48)
WHITE = (255, 255, 255)


class Canvas:
    """RGBA samples of one icon size; shapes paint opaque colours over it."""

    def __init__(self, size):
        self.size = size
        self.n = size * SAMPLES
        self.scale = UNITS / self.n
        self.px = [None] * (self.n * self.n)

    def paint(self, inside, box, color):
        """Paints every sample whose centre satisfies inside(x, y); box is the
        shape's bounding box in drawing units, to limit the search."""
        x0, y0, x1, y1 = box
        lo_i = max(0, int(x0 / self.scale) - 1)
        hi_i = min(self.n, int(x1 / self.scale) + 2)
        lo_j = max(0, int(y0 / self.scale) - 1)
        hi_j = min(self.n, int(y1 / self.scale) + 2)
        for j in range(lo_j, hi_j):
            y = (j + 0.5) * self.scale
            row = j * self.n
            for i in range(lo_i, hi_i):
                if inside((i + 0.5) * self.scale, y):
                    self.px[row + i] = color

    # ---- shapes ------------------------------------------------------------
    def rect(self, x0, y0, x1, y1, fill, outline=OUTLINE, width=1.0):
        if outline:
            self.paint(_in_box(x0, y0, x1, y1), (x0, y0, x1, y1), outline)
            x0, y0, x1, y1 = x0 + width, y0 + width, x1 - width, y1 - width
        self.paint(_in_box(x0, y0, x1, y1), (x0, y0, x1, y1), fill)

    def polygon(self, points, fill, outline=OUTLINE, width=1.0):
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        box = (min(xs), min(ys), max(xs), max(ys))
        self.paint(lambda x, y: _inside_polygon(points, x, y), box, fill)
        if outline:
            for a, b in zip(points, points[1:] + points[:1]):
                self.line(a, b, width, outline, cap=True)

    def line(self, a, b, width, color, cap=True):
        (ax, ay), (bx, by) = a, b
        half = width / 2
        box = (min(ax, bx) - half, min(ay, by) - half, max(ax, bx) + half, max(ay, by) + half)
        self.paint(lambda x, y: _segment_distance(a, b, x, y, cap) <= half, box, color)

    def circle(self, cx, cy, r, fill, outline=OUTLINE, width=1.0):
        box = (cx - r, cy - r, cx + r, cy + r)
        if outline:
            self.paint(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, box, outline)
            r -= width
        self.paint(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, box, fill)

    # ---- output --------------------------------------------------------------
    def pixels(self):
        """Rows top to bottom of (b, g, r, a), averaging each pixel's samples."""
        rows = []
        for py in range(self.size):
            row = []
            for px in range(self.size):
                r = g = b = a = 0
                for sj in range(SAMPLES):
                    base = (py * SAMPLES + sj) * self.n + px * SAMPLES
                    for c in self.px[base:base + SAMPLES]:
                        if c is not None:
                            r += c[0]
                            g += c[1]
                            b += c[2]
                            a += 1
                if a:
                    row.append((b // a, g // a, r // a, a * 255 // (SAMPLES * SAMPLES)))
                else:
                    row.append((0, 0, 0, 0))
            rows.append(row)
        return rows


def _in_box(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def _inside_polygon(points, x, y):
    inside = False
    j = len(points) - 1
    for i in range(len(points)):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def _segment_distance(a, b, x, y, cap):
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else ((x - ax) * dx + (y - ay) * dy) / length2
    if not cap and (t < 0 or t > 1):
        return math.inf
    t = min(1.0, max(0.0, t))
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy))


# ---- pictures ------------------------------------------------------------------
def folder(c, x, y, w, h, back=(222, 170, 40), front=(252, 210, 80)):
    """A folder whose bounding box is x, y, w, h."""
    c.polygon([(x, y + 2), (x + w * 0.38, y + 2), (x + w * 0.46, y + 5),
               (x + w, y + 5), (x + w, y + h), (x, y + h)], back)
    c.polygon([(x + w * 0.12, y + h * 0.42), (x + w + 1.5, y + h * 0.42),
               (x + w - 0.5, y + h), (x, y + h)], front)


def diskette(c, x, y, s):
    """A 3.5-inch diskette, s units square, top-left corner at x, y."""
    k = s / 14
    c.polygon([(x, y), (x + s - 2 * k, y), (x + s, y + 2 * k), (x + s, y + s), (x, y + s)],
              (40, 70, 150))
    c.rect(x + 3.5 * k, y + 0.5 * k, x + 10 * k, y + 5 * k, (200, 205, 215), outline=None)
    c.rect(x + 7.5 * k, y + 1.3 * k, x + 9 * k, y + 4.2 * k, (60, 60, 70), outline=None)
    c.rect(x + 2.5 * k, y + 7.5 * k, x + s - 2.5 * k, y + s - 0.5 * k, WHITE, outline=None)
    for ly in (9.5, 11.5):
        c.line((x + 3.5 * k, y + ly * k), (x + s - 3.5 * k, y + ly * k), 0.8 * k, (120, 120, 140))


def draw_group(c):
    c.rect(3, 5, 29, 27, WHITE)
    c.rect(3, 5, 29, 11, (30, 80, 190))
    c.rect(25, 7, 27, 9, (210, 210, 210), outline=None)
    for x, color in ((6, (220, 50, 40)), (13, (40, 170, 60)), (20, (240, 200, 30))):
        c.rect(x, 15, x + 6, 21, color)


def draw_directory(c):
    folder(c, 2, 5, 27, 22)


def draw_setup(c):
    c.rect(2, 3, 23, 19, (200, 200, 205))
    c.rect(4.5, 5.5, 20.5, 16.5, (40, 110, 200))
    c.rect(10, 19, 15, 22, (170, 170, 175))
    c.rect(6, 21.5, 19, 24, (200, 200, 205))
    diskette(c, 16, 14, 15)


def octagon(cx, cy, r):
    return [(cx + r * math.cos(math.radians(22.5 + 45 * k)),
             cy + r * math.sin(math.radians(22.5 + 45 * k))) for k in range(8)]


def draw_conditions(c):
    c.polygon(octagon(16, 16, 15), (200, 30, 30))
    c.polygon(octagon(16, 16, 12.5), WHITE, outline=None)
    c.polygon(octagon(16, 16, 11), (215, 35, 35), outline=None)
    c.rect(8, 14, 24, 18.5, WHITE, outline=None)


def draw_copy(c):
    folder(c, 11, 16, 18, 14)
    diskette(c, 2, 2, 13)
    # A bent arrow from the diskette down into the folder.
    c.polygon([(16, 5.5), (25.8, 5.5), (25.8, 13), (29, 13), (24, 19.5), (19, 13),
               (22.2, 13), (22.2, 9.1), (16, 9.1)], (40, 170, 60))


def draw_read_profile(c):
    c.polygon([(6, 2), (20, 2), (26, 8), (26, 30), (6, 30)], WHITE)
    c.polygon([(20, 2), (20, 8), (26, 8)], (210, 210, 215))
    for y in (12, 15.5, 19, 22.5, 26):
        c.line((10, y), (22 if y != 26 else 17, y), 1.5, (60, 100, 180), cap=False)


def draw_remove_files(c):
    folder(c, 2, 4, 24, 20)
    c.line((17, 17), (29, 29), 6, WHITE)
    c.line((29, 17), (17, 29), 6, WHITE)
    c.line((17.5, 17.5), (28.5, 28.5), 3.5, (210, 30, 30))
    c.line((28.5, 17.5), (17.5, 28.5), 3.5, (210, 30, 30))


def draw_alert(c):
    c.polygon([(16, 2), (30.5, 28.5), (1.5, 28.5)], (250, 205, 30), width=1.3)
    c.polygon([(14.4, 10), (17.6, 10), (16.9, 20.5), (15.1, 20.5)], (20, 20, 20), outline=None)
    c.circle(16, 24.2, 1.8, (20, 20, 20), outline=None)


def draw_register(c):
    teeth = 8
    points = []
    for k in range(teeth):
        mid = 2 * math.pi * k / teeth
        for da, r in ((-0.36, 10.5), (-0.2, 14.5), (0.2, 14.5), (0.36, 10.5)):
            points.append((16 + r * math.cos(mid + da), 16 + r * math.sin(mid + da)))
    c.polygon(points, (120, 140, 170))
    c.circle(16, 16, 7.5, (150, 170, 200), outline=(90, 105, 130))
    c.circle(16, 16, 4, WHITE)


ICONS = [
    ("Group.ico", draw_group),
    ("Directory.ico", draw_directory),
    ("Setup.ico", draw_setup),
    ("Conditions.ico", draw_conditions),
    ("Copy.ico", draw_copy),
    ("ReadProfile.ico", draw_read_profile),
    ("RemoveFiles.ico", draw_remove_files),
    ("Alert.ico", draw_alert),
    ("Register.ico", draw_register),
]


# ---- .ico format ---------------------------------------------------------------
# ICONDIR (6 bytes: 0, type 1, count), one ICONDIRENTRY per image (16 bytes:
# width, height, colours 0, reserved 0, planes 1, bits 32, byte count, offset),
# then each image: BITMAPINFOHEADER with double height, the BGRA rows bottom-up,
# and the AND mask rows bottom-up, each padded to 4 bytes (1 = transparent).
def image_bytes(rows):
    size = len(rows)
    mask_stride = ((size + 31) // 32) * 4
    color = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (b, g, r, a) in enumerate(row):
            color += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0,
                         len(color) + len(mask), 0, 0, 0, 0)
    return header + bytes(color) + bytes(mask)


def ico_bytes(images):
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return bytes(out)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "src", "res", "icons")
    os.makedirs(out_dir, exist_ok=True)
    for name, draw in ICONS:
        images = []
        for size in (32, 16):
            canvas = Canvas(size)
            draw(canvas)
            images.append((size, image_bytes(canvas.pixels())))
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(ico_bytes(images))


if __name__ == "__main__":
    main()
