#!/usr/bin/env python3
"""Draws the saver's icon, a framed landscape slide, and writes it as a .ico file
with a 32x32 and a 16x16 image (32 bits per pixel plus the AND mask)."""
import struct
import sys

FRAME = (40, 40, 48)
SUN = (255, 214, 64)
HILL_NEAR = (46, 139, 60)
HILL_FAR = (96, 170, 90)


def sky(row, size):
    """Blue at the top, paler towards the horizon."""
    t = row / size
    return (int(40 + 120 * t), int(90 + 110 * t), int(200 + 40 * t))


def pixel(x, y, size):
    """Colour and opacity of the pixel at x, y (y counts from the top)."""
    border = max(1, size // 16)
    inset = size // 8
    if y < inset // 2 or y >= size - inset // 2:
        return (0, 0, 0), False
    if x < border or x >= size - border or y < inset // 2 + border or y >= size - inset // 2 - border:
        return FRAME, True
    u, v = x / size, y / size
    if v > 0.72 - 0.18 * (1 - ((u - 0.3) / 0.45) ** 2):
        return HILL_NEAR, True
    if v > 0.55 + 0.25 * abs(u - 0.75):
        return HILL_FAR, True
    if (u - 0.3) ** 2 + (v - 0.33) ** 2 < 0.012:
        return SUN, True
    return sky(y, size), True


def image(size):
    """The icon image: BITMAPINFOHEADER, bottom-up BGRA pixels, then the AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colours = bytearray()
    mask = bytearray()
    row_bytes = (size + 31) // 32 * 4
    for y in reversed(range(size)):
        bits = bytearray(row_bytes)
        for x in range(size):
            (r, g, b), opaque = pixel(x, y, size)
            colours += bytes((b, g, r, 255 if opaque else 0))
            if not opaque:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colours + mask


def icon_file(sizes):
    images = [image(size) for size in sizes]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for size, data in zip(sizes, images):
        entries += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return directory + entries + b"".join(images)


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as out:
        out.write(icon_file([32, 16]))
