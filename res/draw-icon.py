#!/usr/bin/env python3
"""Draws Tavoline.ico: a blue archive box closed by a zipper, at 16, 32 and 48 pixels (32-bit colour).

Run it again after changing the drawing: python3 res/draw-icon.py res/Tavoline.ico
"""
import struct
import sys

BODY = (46, 110, 185)
BODY_EDGE = (24, 62, 112)
TEETH = (235, 235, 235)
TEETH_DARK = (150, 150, 150)
PULL = (250, 196, 40)
PULL_EDGE = (140, 95, 10)


def shade(u, v):
    """Colour and opacity at (u, v) in the unit square, or None outside the drawing."""
    # Zipper pull: a small tab hanging from the top of the zipper.
    if 0.40 <= u <= 0.60 and 0.02 <= v <= 0.30:
        edge = u < 0.45 or u > 0.55 or v < 0.07 or v > 0.25
        if 0.47 <= u <= 0.53 and 0.16 <= v <= 0.22:
            return BODY_EDGE
        return PULL_EDGE if edge else PULL
    # The box: a rounded rectangle.
    left, top, right, bottom, radius = 0.08, 0.14, 0.92, 0.94, 0.12
    cx = min(max(u, left + radius), right - radius)
    cy = min(max(v, top + radius), bottom - radius)
    d = ((u - cx) ** 2 + (v - cy) ** 2) ** 0.5
    if d > radius or not (left <= u <= right and top <= v <= bottom):
        return None
    if d > radius - 0.05 or u < left + 0.05 or u > right - 0.05 or v < top + 0.05 or v > bottom - 0.05:
        return BODY_EDGE
    # The zipper: two rows of teeth meeting down the middle.
    if 0.42 <= u <= 0.58:
        row = int((v - top) / 0.07)
        on_left = row % 2 == 0
        if (on_left and u <= 0.52) or (not on_left and u >= 0.48):
            return TEETH
        return TEETH_DARK
    # A lighter band across the box, like a label.
    if 0.60 <= v <= 0.74:
        return tuple(min(255, c + 40) for c in BODY)
    return BODY


def render(size):
    """BGRA rows, bottom-up, 4x4 supersampled for smooth edges."""
    samples = 4
    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            r = g = b = a = 0
            for sy in range(samples):
                for sx in range(samples):
                    colour = shade((x + (sx + 0.5) / samples) / size, (y + (sy + 0.5) / samples) / size)
                    if colour:
                        r += colour[0]; g += colour[1]; b += colour[2]; a += 1
            if a:
                row += bytes((b // a, g // a, r // a, 255 * a // (samples * samples)))
            else:
                row += bytes(4)
        rows.append(bytes(row))
    rows.reverse()
    return rows


def icon_image(size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(render(size))
    mask_row = ((size + 31) // 32) * 4
    mask = bytes(mask_row * size)  # the alpha channel decides; the AND mask is all opaque
    return header + pixels + mask


def main(path):
    sizes = [16, 32, 48]
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "Tavoline.ico")
