#!/usr/bin/env python3
"""The icon generator: same bytes on every run, and images that draw cleanly."""

import os
import struct
import subprocess
import sys
import tempfile
import unittest

GENERATOR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "make_icon.py")
IMAGES = {30001: (32, 1), 30002: (32, 4), 30003: (16, 4)}


def generate(out):
    subprocess.run([sys.executable, GENERATOR, "--out", out], check=True)
    files = {}
    for name in sorted(os.listdir(out)):
        with open(os.path.join(out, name), "rb") as f:
            files[name] = f.read()
    return files


def unpack(data, size, bpp):
    """(colour index rows, mask rows) of an icon image, top row first."""
    xor_at = 40 + 4 * (1 << bpp)
    and_at = xor_at + ((size * bpp + 31) // 32) * 4 * size

    def rows(base, bits):
        stride = ((size * bits + 31) // 32) * 4
        result = []
        for r in range(size):
            line = data[base + (size - 1 - r) * stride:]
            result.append([(line[c * bits // 8] >> (8 - bits - c * bits % 8)) & ((1 << bits) - 1)
                           for c in range(size)])
        return result

    return rows(xor_at, bpp), rows(and_at, 1)


class MakeIconTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with tempfile.TemporaryDirectory() as a, tempfile.TemporaryDirectory() as b:
            cls.first, cls.second = generate(a), generate(b)

    def test_same_bytes_every_run(self):
        self.assertEqual(self.first, self.second)

    def test_group_lists_the_images_in_order(self):
        group = self.first["icon_group_1.bin"]
        ids = [struct.unpack_from("<H", group, 6 + 14 * i + 12)[0] for i in range(3)]
        self.assertEqual(ids, list(IMAGES))

    def test_images_draw_cleanly(self):
        for image_id, (size, bpp) in IMAGES.items():
            pixels, mask = unpack(self.first["icon_%d.bin" % image_id], size, bpp)
            opaque = sum(row.count(0) for row in mask)
            # A broom, not an empty or filled square.
            self.assertGreater(opaque, size * size // 8, image_id)
            self.assertLess(opaque, size * size // 2, image_id)
            for r, c in [(0, 0), (size - 1, size - 1)]:
                self.assertEqual(mask[r][c], 1, "%d: corner (%d, %d) not transparent" % (image_id, r, c))
            # Under the mask the colour must be 0, or the screen shows through inverted.
            stray = [(r, c) for r in range(size) for c in range(size) if mask[r][c] and pixels[r][c]]
            self.assertEqual(stray, [], image_id)

    def test_ico_file_holds_the_same_images(self):
        ico = self.first["brimsweep.ico"]
        for i, image_id in enumerate(IMAGES):
            length, offset = struct.unpack_from("<II", ico, 6 + 16 * i + 8)
            self.assertEqual(ico[offset:offset + length], self.first["icon_%d.bin" % image_id])


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
