"""How the project's Python scripts start Windows programs: through
cmake/brim-wine, which picks the loader each exe needs (see cmake/wine-env.sh)."""

import os
import struct
import subprocess

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINE = os.path.join(ROOT, "cmake", "brim-wine")
SKIP_CODE = 77


def can_run_win32():
    return subprocess.run([WINE, "--can-run-win32"], check=False).returncode == 0


def win32_reason():
    return subprocess.run([WINE, "--win32-reason"], check=False, capture_output=True,
                          text=True).stdout.strip()


def pe_bits(path):
    """32 or 64: the architecture of a PE file."""
    with open(path, "rb") as fh:
        head = fh.read(4096)
    offset = struct.unpack_from("<I", head, 60)[0]
    return 32 if struct.unpack_from("<H", head, offset + 4)[0] == 0x14C else 64
