#!/usr/bin/env python3
"""Draws the setup's 32 x 32, 256-colour logo (a letter on a blue tile with a white
envelope) and writes it as Logo.ico beside this script. Run it again after changing it."""
import os
import struct

SIZE = 32


def inside_rounded(x, y, r=6):
    """Whether the pixel centre lies inside the tile's rounded square."""
    cx, cy = x + 0.5, y + 0.5
    lo, hi = 1 + r, SIZE - 1 - r
    dx = max(lo - cx, 0, cx - hi)
    dy = max(lo - cy, 0, cy - hi)
    return cx >= 1 and cy >= 1 and cx <= SIZE - 1 and cy <= SIZE - 1 and dx * dx + dy * dy <= r * r


def colour_at(x, y):
    if not inside_rounded(x, y):
        return None  # transparent
    # Tile: blue running darker towards the bottom, with a one-pixel darker rim.
    if not inside_rounded(x - 1, y) or not inside_rounded(x + 1, y) or \
            not inside_rounded(x, y - 1) or not inside_rounded(x, y + 1):
        return (0, 0, 96)
    t = y / (SIZE - 1)
    tile = (0, int(40 * (1 - t)), int(255 - 150 * t))
    # Envelope: white body from (6, 11) to (25, 24) with a grey outline and a folded flap.
    ex0, ey0, ex1, ey1 = 6, 11, 25, 24
    if ex0 <= x <= ex1 and ey0 <= y <= ey1:
        if x in (ex0, ex1) or y in (ey0, ey1):
            return (64, 64, 64)
        mid = (ex0 + ex1) / 2
        flap_y = ey0 + (mid - abs(x + 0.5 - mid - 0.5)) * 0.55
        if abs(y - flap_y) < 0.8:
            return (96, 96, 96)
        return (255, 255, 255) if y > flap_y else (230, 230, 240)
    # A small orange V in the top-left corner of the tile.
    if 4 <= y <= 9:
        k = y - 4
        if x in (4 + k // 2, 5 + k // 2, 11 - k // 2, 10 - k // 2) and x <= 11:
            return (255, 140, 0)
    return tile


def main():
    pixels = [[colour_at(x, y) for x in range(SIZE)] for y in range(SIZE)]
    palette = []
    for row in pixels:
        for c in row:
            if c is not None and c not in palette:
                palette.append(c)
    assert len(palette) <= 255, len(palette)
    palette = [(0, 0, 0)] + palette  # index 0: under the transparent pixels
    palette += [(0, 0, 0)] * (256 - len(palette))

    # DIB: BITMAPINFOHEADER with double height (XOR + AND), bottom-up rows.
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in palette)
    xor = b''
    for y in reversed(range(SIZE)):
        xor += bytes(0 if c is None else palette.index(c) for c in pixels[y])
    mask = b''
    for y in reversed(range(SIZE)):
        bits = 0
        for x, c in enumerate(pixels[y]):
            if c is None:
                bits |= 1 << (31 - x)
        mask += struct.pack('>I', bits)
    image = header + table + xor + mask
    directory = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, 1, 8, len(image), 22)
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), 'Logo.ico'), 'wb') as f:
        f.write(directory + image)


if __name__ == '__main__':
    main()
