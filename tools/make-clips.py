#!/usr/bin/env python3
"""Draws the two "communicating with the printer" animation clips as RLE8 AVI
files: 303 x 70 pixels, 6 frames, 200 ms apart.

  make-clips.py OUTPUT_FOLDER

clip_149.avi (the utility's own pages: reading from the printer, dots run
from the printer to the computer) and clip_148.avi (the cut-position
plug-in: writing a setting, dots run from the computer to the printer).
"""
import os
import struct
import sys

W, H, FRAMES = 303, 70, 6

# Palette indexes.
BG, OUTLINE, BODY, PAPER, SCREEN, DOT_ON, DOT_OFF, LIGHT, STAND = range(9)
PALETTE = {
    BG: (240, 240, 240), OUTLINE: (70, 78, 92), BODY: (150, 158, 172), PAPER: (255, 255, 255),
    SCREEN: (120, 170, 225), DOT_ON: (0, 110, 210), DOT_OFF: (205, 215, 228), LIGHT: (40, 170, 80),
    STAND: (110, 118, 130),
}


def blank():
    return [[BG] * W for _ in range(H)]


def rect(img, x0, y0, x1, y1, colour):
    for y in range(max(0, y0), min(H, y1)):
        for x in range(max(0, x0), min(W, x1)):
            img[y][x] = colour


def box(img, x0, y0, x1, y1, fill):
    rect(img, x0, y0, x1, y1, OUTLINE)
    rect(img, x0 + 1, y0 + 1, x1 - 1, y1 - 1, fill)


def printer(img, x, y):
    box(img, x + 14, y + 6, x + 46, y + 22, PAPER)       # paper going in
    box(img, x, y + 20, x + 60, y + 46, BODY)            # body
    rect(img, x + 48, y + 26, x + 54, y + 30, LIGHT)      # power light
    box(img, x + 10, y + 40, x + 50, y + 58, PAPER)      # receipt coming out


def computer(img, x, y):
    box(img, x, y + 6, x + 58, y + 44, OUTLINE)
    rect(img, x + 4, y + 10, x + 54, y + 40, SCREEN)
    rect(img, x + 24, y + 44, x + 34, y + 52, STAND)
    rect(img, x + 14, y + 52, x + 44, y + 56, STAND)


def frame(index, towards_computer):
    img = blank()
    printer(img, 12, 4)
    computer(img, 233, 6)
    dots = 8
    lit = index % FRAMES
    for d in range(dots):
        x = 90 + d * 17
        step = d if towards_computer else dots - 1 - d
        on = step % FRAMES == lit or (step + FRAMES) % (FRAMES * 2) == lit
        rect(img, x, 30, x + 9, 39, DOT_ON if on else DOT_OFF)
    return img


def rle8(img):
    out = bytearray()
    for y in range(H - 1, -1, -1):  # bottom-up
        row = img[y]
        x = 0
        while x < W:
            colour = row[x]
            run = 1
            while x + run < W and row[x + run] == colour and run < 255:
                run += 1
            out += bytes((run, colour))
            x += run
        out += b"\0\0"  # end of line
    out[-2:] = b"\0\1"  # end of bitmap
    return bytes(out)


def chunk(fourcc, data):
    pad = b"\0" if len(data) % 2 else b""
    return fourcc + struct.pack("<I", len(data)) + data + pad


def lst(kind, data):
    return chunk(b"LIST", kind + data)


def write_avi(path, frames):
    encoded = [rle8(f) for f in frames]
    biggest = max(len(e) for e in encoded)
    palette = b"".join(bytes((b, g, r, 0)) for (r, g, b) in (PALETTE.get(i, (0, 0, 0)) for i in range(256)))
    bih = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 8, 1, biggest, 0, 0, 256, 0) + palette
    avih = struct.pack("<IIIIIIIIII4I", 200000, biggest * 5, 0, 0x10, FRAMES, 0, 1, biggest, W, H, 0, 0, 0, 0)
    strh = b"vids" + b"RLE " + struct.pack("<IHHIIIIIIIIhhhh", 0, 0, 0, 0, 1, 5, 0, FRAMES, biggest, 0xFFFFFFFF, 0,
                                             0, 0, W, H)
    hdrl = lst(b"hdrl", chunk(b"avih", avih) + lst(b"strl", chunk(b"strh", strh) + chunk(b"strf", bih)))
    movi_data = b""
    index = b""
    for e in encoded:
        offset = 4 + len(movi_data)  # from the 'movi' fourcc
        movi_data += chunk(b"00dc", e)
        index += b"00dc" + struct.pack("<III", 0x10, offset, len(e))
    movi = lst(b"movi", movi_data)
    riff = b"AVI " + hdrl + movi + chunk(b"idx1", index)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(riff)) + riff)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_avi(os.path.join(out, "clip_149.avi"), [frame(i, True) for i in range(FRAMES)])
    write_avi(os.path.join(out, "clip_148.avi"), [frame(i, False) for i in range(FRAMES)])


if __name__ == "__main__":
    main()
