#!/usr/bin/env python3
"""Draws the service's icons (16x16 and 32x32, 32-bit) as .ico files:
app.ico (blue), filter_on.ico (green) and filter_off.ico (grey, struck
through). A disc with a white T; run once, the results are committed."""
import struct
import sys


def pixel(size, x, y, fill, strike):
    c = (size - 1) / 2.0
    r = size / 2.0 - 0.5
    dx, dy = x - c, y - c
    if dx * dx + dy * dy > r * r:
        return None
    u, v = x / size, y / size
    if strike and abs(u - v) < 0.09:
        return (0xD0, 0x20, 0x20)
    bar = 0.22 <= v <= 0.36 and 0.22 <= u <= 0.78
    stem = 0.36 <= v <= 0.80 and 0.42 <= u <= 0.58
    if bar or stem:
        return (0xFF, 0xFF, 0xFF)
    return fill


def image(size, fill, strike):
    rows = []
    mask_rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        row = b""
        bits = []
        for x in range(size):
            p = pixel(size, x, y, fill, strike)
            if p is None:
                row += b"\0\0\0\0"
                bits.append(1)
            else:
                r, g, b = p
                row += bytes((b, g, r, 0xFF))
                bits.append(0)
        rows.append(row)
        stride = ((size + 31) // 32) * 4
        mask = bytearray(stride)
        for x, bit in enumerate(bits):
            if bit:
                mask[x // 8] |= 0x80 >> (x % 8)
        mask_rows.append(bytes(mask))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + b"".join(mask_rows)


def icon(path, fill, strike=False):
    images = [image(s, fill, strike) for s in (16, 32)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((16, 32), images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    d = sys.argv[1] if len(sys.argv) > 1 else "."
    icon(d + "/app.ico", (0x20, 0x60, 0xC0))
    icon(d + "/filter_on.ico", (0x20, 0xA0, 0x40))
    icon(d + "/filter_off.ico", (0x80, 0x80, 0x80), strike=True)
