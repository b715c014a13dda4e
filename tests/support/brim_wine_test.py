#!/usr/bin/env python3
"""The harness's one decision: which loader runs an exe, and that a 32-bit
exe is skipped (exit 77), never run or passed, where 32-bit programs can't run.
Usage: brim_wine_test.py EXE BITS   (an exe of this build and its architecture)"""
import os
import struct
import subprocess
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True
import brim_wine  # noqa: E402

EXE = BITS = None
ENV_SH = os.path.join(brim_wine.ROOT, "cmake", "wine-env.sh")


def fake_pe(path, machine):
    """Just the headers that tell an exe's architecture."""
    head = bytearray(512)
    head[0:2] = b"MZ"
    struct.pack_into("<I", head, 60, 128)
    head[128:132] = b"PE\0\0"
    struct.pack_into("<H", head, 132, machine)
    with open(path, "wb") as fh:
        fh.write(head)


def shell_bits(path):
    out = subprocess.run(["bash", "-c", '. "$0" && brim_pe_bits "$1"', ENV_SH, path], check=True,
                         capture_output=True, text=True)
    return int(out.stdout)


class ArchitectureTest(unittest.TestCase):
    def test_the_build_exe_is_read_as_its_own_architecture(self):
        self.assertEqual(brim_wine.pe_bits(EXE), BITS)
        self.assertEqual(shell_bits(EXE), BITS)

    def test_headers_of_either_kind(self):
        with tempfile.TemporaryDirectory() as tmp:
            for machine, bits in ((0x14C, 32), (0x8664, 64)):
                path = os.path.join(tmp, "x%d.exe" % bits)
                fake_pe(path, machine)
                self.assertEqual(shell_bits(path), bits)
                self.assertEqual(brim_wine.pe_bits(path), bits)

    def test_wine_own_programs_run_64_bit(self):
        # Named without a path (wineboot, reg, cscript): every machine runs them.
        self.assertEqual(shell_bits("wineboot"), 64)


class ForcedNoWin32Test(unittest.TestCase):
    env = dict(os.environ, BRIM_NO_WIN32="1")

    def test_the_answer_is_no_and_says_why(self):
        self.assertNotEqual(subprocess.run([brim_wine.WINE, "--can-run-win32"], env=self.env).returncode, 0)
        reason = subprocess.run([brim_wine.WINE, "--win32-reason"], env=self.env, capture_output=True,
                                text=True).stdout
        self.assertIn("BRIM_NO_WIN32=1", reason)

    def test_a_32_bit_exe_is_skipped_before_anything_runs(self):
        with tempfile.TemporaryDirectory() as tmp:
            exe = os.path.join(tmp, "thirty_two.exe")
            fake_pe(exe, 0x14C)
            done = subprocess.run([brim_wine.WINE, exe], env=dict(self.env, WINEPREFIX=os.path.join(tmp, "p")),
                                  capture_output=True, text=True)
            self.assertEqual(done.returncode, brim_wine.SKIP_CODE)
            self.assertIn("skipped", done.stderr)
            self.assertFalse(os.path.exists(os.path.join(tmp, "p")), "a prefix was made for a skipped exe")

    def test_the_gate_skips_a_32_bit_test(self):
        gate = os.path.join(brim_wine.ROOT, "cmake", "needs-win32.sh")
        done = subprocess.run([gate, "false"], env=self.env, capture_output=True, text=True)
        self.assertEqual(done.returncode, brim_wine.SKIP_CODE)
        self.assertIn("skipped", done.stdout)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    EXE, BITS = sys.argv[1], int(sys.argv[2])
    unittest.main(argv=[sys.argv[0], "-v"] + sys.argv[3:])
