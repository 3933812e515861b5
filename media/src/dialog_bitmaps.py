#!/usr/bin/env python3
"""Draws the dialog pictures: bitmap 155 (the settings dialog's picture of the room) and
bitmap 141 (the about box's clock face), as 24-bit BMP files under resources/."""
import math
import struct
import sys
from pathlib import Path


def write_bmp(path, width, height, pixel):
    row = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytearray()
        for x in range(width):
            r, g, b = (max(0, min(255, int(c))) for c in pixel(x, y))
            line += bytes((b, g, r))
        data += line + b"\0" * (row - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    Path(path).write_bytes(header + info + data)


def clock_face(x, y, cx, cy, radius, hour, minute):
    """Colour of a clock face with two hands at (x, y), or None outside it."""
    dx, dy = x - cx, y - cy
    d = math.hypot(dx, dy)
    if d > radius:
        return None
    if d > radius * 0.9:
        return (150, 110, 50)
    for angle, length, width in ((hour / 12 * 2 * math.pi, 0.5, 0.07),
                                 (minute / 60 * 2 * math.pi, 0.8, 0.045)):
        ux, uy = math.sin(angle), -math.cos(angle)
        along = dx * ux + dy * uy
        across = abs(dx * uy - dy * ux)
        if 0 <= along <= radius * length and across <= radius * width:
            return (30, 25, 20)
    for tick in range(12):
        a = tick / 12 * 2 * math.pi
        tx, ty = cx + math.sin(a) * radius * 0.78, cy - math.cos(a) * radius * 0.78
        if math.hypot(x - tx, y - ty) < radius * 0.05:
            return (40, 35, 30)
    return (225, 215, 185)


def room(x, y, w=300, h=210):
    # The window with a stormy sky and rain on the left.
    if 25 <= x < 115 and 30 <= y < 140:
        if x in (25, 26, 69, 70, 114) or y in (30, 31, 84, 85, 139):
            return (60, 45, 30)
        rain = (x * 7 + y * 3) % 23 == 0
        return (120, 130, 170) if rain else (20 + y // 6, 30 + y // 5, 60 + y // 4)
    # The tall clock case on the right, face near its top.
    face = clock_face(x, y, 205, 62, 32, 10, 10)
    if face:
        return face
    if 165 <= x < 245 and 20 <= y < 200:
        edge = x in range(165, 169) or x in range(241, 245)
        return (70, 40, 20) if edge else (100, 58, 28)
    # Walls fade from the lamp's warm light into the dark; the floor below.
    if y >= 185:
        return (45, 30, 20)
    glow = max(0.0, 1.0 - math.hypot(x - 150, y - 40) / 260)
    return (25 + 70 * glow, 20 + 50 * glow, 30 + 25 * glow)


def about(x, y, w=86, h=86):
    face = clock_face(x, y, w / 2, h / 2, 40, 10, 10)
    return face if face else (236, 233, 216)


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[2] / "resources")
    write_bmp(out / "settings_picture.bmp", 300, 210, room)
    write_bmp(out / "about_picture.bmp", 86, 86, about)


if __name__ == "__main__":
    main()
