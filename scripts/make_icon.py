#!/usr/bin/env python3
"""Writes the program icon: one 32 x 32 image, 32 bits per pixel, 4,286 bytes in all.

The picture is drawn here from geometry (a blue disc with a white ring and a green
arrow turning round it: a line that is taken down and brought up again)."""
import math
import struct
import sys

SIZE = 32


def pixel(x, y):
    cx = cy = (SIZE - 1) / 2
    dx, dy = x - cx, y - cy
    r = math.hypot(dx, dy)
    angle = math.degrees(math.atan2(-dy, dx)) % 360
    if r > 15.5:
        return (0, 0, 0, 0)
    if 9.0 <= r <= 12.0 and not (20 <= angle <= 70):
        return (255, 255, 255, 255)  # the ring, open at the upper right
    if 20 <= angle <= 70 and 7.0 <= r <= 14.0 and abs(angle - 45) * r / 30 < (14.0 - r) / 2 + 0.6:
        return (60, 200, 90, 255)  # the arrow head in the ring's gap
    if r <= 4.0:
        return (255, 255, 255, 255)
    shade = int(150 + 60 * (1 - r / 15.5))
    return (30, 90, shade, 255)


def main(path):
    rows = []
    for y in range(SIZE - 1, -1, -1):  # bottom-up, as icon images are stored
        row = b"".join(struct.pack("<BBBB", b, g, r, a)
                       for (r, g, b, a) in (pixel(x, y) for x in range(SIZE)))
        rows.append(row)
    xor = b"".join(rows)
    mask = bytes(SIZE * 4)  # AND mask: all zero, alpha decides
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(mask),
                         0, 0, 0, 0)
    image = header + xor + mask
    assert len(image) == 4264
    ico = struct.pack("<HHH", 0, 1, 1)
    ico += struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 22)
    ico += image
    assert len(ico) == 4286
    with open(path, "wb") as f:
        f.write(ico)


if __name__ == "__main__":
    import os
    os.makedirs(os.path.dirname(os.path.abspath(sys.argv[1])), exist_ok=True)
    main(sys.argv[1])
