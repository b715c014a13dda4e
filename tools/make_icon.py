#!/usr/bin/env python3
"""Draws the program icon (a broom) and writes it as raw Win32 icon resources.

Output, all byte-for-byte the same on every run:
  icon_30001.bin  32x32, 2 colours   (RT_ICON data: BITMAPINFOHEADER, palette, XOR, AND)
  icon_30002.bin  32x32, 16 colours
  icon_30003.bin  16x16, 16 colours
  icon_group_1.bin                  (RT_GROUP_ICON directory naming the three ids)
  brimsweep.ico                     (the same images as an .ico file, for viewers)
With --preview, also preview_<id>.png, enlarged 8 times.

The resource compiler would number icon images from 1 by itself, so the .rc
includes these files as raw resources under explicit ids instead.
"""

import argparse
import math
import os
import struct
import sys
import zlib

# The standard 16-colour palette, in its usual order.
VGA = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, MAROON, OLIVE, GREY, RED, YELLOW = 0, 1, 3, 8, 9, 11
MONO = [(0, 0, 0), (0xFF, 0xFF, 0xFF)]
CLEAR = None  # transparent pixel

# (id, size, colours) of each image, in group order.
IMAGES = [(30001, 32, 2), (30002, 32, 16), (30003, 16, 16)]
GROUP_ID = 1


def broom_part(x, y, size):
    """Which part of the broom covers the point (x, y), in pixel units of an image of `size`.

    The broom lies on the diagonal: handle at the top right, bristles fanning
    out to the bottom left. u runs along the broom, v across it.
    """
    s = size / 32.0
    ox, oy = 28.5 * s, 2.5 * s
    dx, dy = x - ox, y - oy
    u = (-dx + dy) / math.sqrt(2.0) / s
    v = (dx + dy) / math.sqrt(2.0) / s
    handle_half = 1.4 if size >= 32 else 1.6
    if 0.0 <= u < 16.5:
        return "handle" if abs(v) <= handle_half else None
    if 16.5 <= u < 19.5:
        return "band" if abs(v) <= 3.2 else None
    if 19.5 <= u <= 29.5:
        half = 3.0 + (u - 19.5) * 0.55
        if abs(v) > half:
            return None
        # Dark strands: every third pixel diagonal, so they stay clean lines.
        if size >= 32 and u > 21.0 and abs(v) < half - 1.0 and round(dx + dy) % 3 == 0:
            return "strand"
        return "bristle"
    return None


def dust(x, y, size):
    """A few specks of swept dust in front of the bristles."""
    s = size / 32.0
    if size < 32:
        return False
    specks = [(3.0, 28.0), (5.5, 30.0), (1.5, 25.0)]
    return any(abs(x - px * s) < 0.6 and abs(y - py * s) < 0.6 for px, py in specks)


def draw(size, colours):
    """Returns rows of palette indices (or CLEAR), top row first."""
    parts = [[broom_part(c + 0.5, r + 0.5, size) for c in range(size)] for r in range(size)]

    def neighbours(r, c):
        return {parts[rr][cc] for rr in range(max(r - 1, 0), min(r + 2, size))
                for cc in range(max(c - 1, 0), min(c + 2, size))} - {None}

    fill16 = {"handle": OLIVE, "band": RED, "bristle": YELLOW, "strand": OLIVE}
    pixels = []
    for r in range(size):
        row = []
        for c in range(size):
            part, near = parts[r][c], neighbours(r, c)
            specks = dust(c + 0.5, r + 0.5, size)
            if colours == 2:
                # White straw inside a black outline; everything else black.
                if part == "bristle":
                    row.append(1)
                else:
                    row.append(0 if part or near or specks else CLEAR)
            elif part:
                row.append(fill16[part])
            elif near:
                # A black edge along the wood at full size, brown elsewhere.
                wood = size >= 32 and near & {"handle", "band"}
                row.append(BLACK if wood else MAROON)
            else:
                row.append(GREY if specks else CLEAR)
        pixels.append(row)
    return pixels


def pack_rows(rows, bpp):
    """Bottom-up rows, each padded to 4 bytes, as in a DIB."""
    out = bytearray()
    for row in reversed(rows):
        bits = 0
        nbits = 0
        line = bytearray()
        for value in row:
            bits = (bits << bpp) | value
            nbits += bpp
            if nbits == 8:
                line.append(bits)
                bits = nbits = 0
        if nbits:
            line.append(bits << (8 - nbits))
        while len(line) % 4:
            line.append(0)
        out += line
    return bytes(out)


def icon_image(size, colours):
    pixels = draw(size, colours)
    bpp = 1 if colours == 2 else 4
    palette = MONO if colours == 2 else VGA
    xor = pack_rows([[0 if p is CLEAR else p for p in row] for row in pixels], bpp)
    mask = pack_rows([[1 if p is CLEAR else 0 for p in row] for row in pixels], 1)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, len(xor) + len(mask), 0, 0, 0, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + table + xor + mask, pixels, palette


def group_directory(entries):
    """GRPICONDIR: like an .ico header, but each entry ends in the image's resource id."""
    data = struct.pack("<HHH", 0, 1, len(entries))
    for image_id, size, colours, length in entries:
        data += struct.pack("<BBBBHHIH", size, size, colours, 0, 1, 1 if colours == 2 else 4, length, image_id)
    return data


def ico_file(images):
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, colours, blob in images:
        data += struct.pack("<BBBBHHII", size, size, colours, 0, 1, 1 if colours == 2 else 4, len(blob), offset)
        offset += len(blob)
    return data + b"".join(blob for _, _, blob in images)


def png(pixels, palette, scale):
    """An RGBA PNG of the image, enlarged, on a checker board where it is transparent."""
    size = len(pixels)
    raw = bytearray()
    for r in range(size * scale):
        raw.append(0)
        for c in range(size * scale):
            p = pixels[r // scale][c // scale]
            if p is CLEAR:
                shade = 0xDD if ((r // 4) + (c // 4)) % 2 else 0xAA
                raw += bytes((shade, shade, 0xFF, 0xFF))
            else:
                raw += bytes(palette[p]) + b"\xff"

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    side = size * scale
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True, help="directory for the generated files")
    parser.add_argument("--preview", action="store_true", help="also write enlarged PNG previews")
    args = parser.parse_args(argv)
    os.makedirs(args.out, exist_ok=True)

    entries, ico_images = [], []
    for image_id, size, colours in IMAGES:
        blob, pixels, palette = icon_image(size, colours)
        write(os.path.join(args.out, "icon_%d.bin" % image_id), blob)
        entries.append((image_id, size, colours, len(blob)))
        ico_images.append((size, colours, blob))
        if args.preview:
            write(os.path.join(args.out, "preview_%d.png" % image_id), png(pixels, palette, 8))
    write(os.path.join(args.out, "icon_group_%d.bin" % GROUP_ID), group_directory(entries))
    write(os.path.join(args.out, "brimsweep.ico"), ico_file(ico_images))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
