#!/usr/bin/env python3
"""Draws the program's built-in pictures as 24-bit BMP files.

  make-bitmaps.py OUTPUT_FOLDER

menu_background.bmp (223 x 540), menu_on_mouse.bmp, menu_selected.bmp,
menu_selecting.bmp (223 x 30 each), printer.bmp (48 x 48) and the program's
icon program.ico (32 x 32 and 16 x 16, 32-bit with alpha). The pictures
are drawn from a few shapes and gradients, so they come out the same on
every build.
"""
import os
import struct
import sys


def write_bmp(path, width, height, pixel):
    """pixel(x, y) -> (r, g, b), y from the top."""
    row_size = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):  # bottom-up rows
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def write_ico(path, sizes, pixel):
    """pixel(x, y, size) -> (r, g, b, a), y from the top."""
    images = []
    for size in sizes:
        xor = bytearray()
        mask = bytearray()
        mask_row = ((size + 31) // 32) * 4
        for y in range(size - 1, -1, -1):
            bits = bytearray(mask_row)
            for x in range(size):
                r, g, b, a = pixel(x, y, size)
                xor += bytes((b, g, r, a))
                if a == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        images.append(info + xor + mask)
    directory = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    entries = bytearray()
    for size, image in zip(sizes, images):
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(path, "wb") as f:
        f.write(directory + entries + b"".join(images))


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def background(x, y):
    # Pale blue-grey, darkening towards the bottom, with a band of fine
    # diagonal lines in the lower part and a rule along the right edge.
    base = mix((247, 249, 252), (206, 218, 232), y / 539)
    if x >= 221:
        return (176, 190, 208)
    if y > 400 and (x + y) % 12 == 0:
        return mix(base, (255, 255, 255), 0.55)
    return base


def state_bar(top, bottom, edge, accent=None):
    def pixel(x, y):
        if y == 0 or y == 29 or x == 0 or x == 222:
            return edge
        if accent and x < 5:
            return accent
        return mix(top, bottom, y / 29)
    return pixel


def printer(x, y):
    bg = (255, 255, 255)
    if 14 <= x < 34 and 4 <= y < 16:
        return (250, 250, 250) if 15 <= x < 33 and 5 <= y else (120, 120, 120)  # paper in
    if 6 <= x < 42 and 16 <= y < 36:
        if y in (16, 35) or x in (6, 41):
            return (60, 66, 76)
        if 32 <= x < 37 and 20 <= y < 23:
            return (40, 160, 70)  # power light
        return mix((150, 158, 170), (96, 104, 116), (y - 16) / 19)
    if 12 <= x < 36 and 30 <= y < 44:
        if x in (12, 35) or y == 43:
            return (120, 120, 120)
        return (252, 252, 252) if (y - 33) % 4 else (190, 196, 206)  # receipt
    return bg


def icon(x, y, size):
    # The printer picture, scaled, on a transparent ground.
    r, g, b = printer(x * 48 // size, y * 48 // size)
    if (r, g, b) == (255, 255, 255):
        return (0, 0, 0, 0)
    return (r, g, b, 255)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_bmp(os.path.join(out, "menu_background.bmp"), 223, 540, background)
    write_bmp(os.path.join(out, "menu_on_mouse.bmp"), 223, 30,
              state_bar((238, 245, 253), (221, 235, 250), (170, 198, 232)))
    write_bmp(os.path.join(out, "menu_selected.bmp"), 223, 30,
              state_bar((214, 232, 252), (178, 210, 245), (96, 146, 210), accent=(0, 92, 184)))
    write_bmp(os.path.join(out, "menu_selecting.bmp"), 223, 30,
              state_bar((178, 206, 240), (150, 186, 230), (80, 128, 196), accent=(0, 70, 150)))
    write_bmp(os.path.join(out, "printer.bmp"), 48, 48, printer)
    write_ico(os.path.join(out, "program.ico"), (32, 16), icon)


if __name__ == "__main__":
    main()
