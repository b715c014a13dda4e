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


def env(display=None, **settings):
    """The environment for programs run through WINE: this process's, with
    `settings` on top (WINEPREFIX; BRIM_WINEDEBUG for Wine's log, else quiet,
    see cmake/wine-env.sh), and no X display unless `display` names one."""
    out = dict(os.environ, **settings)
    out.pop("DISPLAY", None)
    if display:
        out["DISPLAY"] = display
    return out


def own_prefix_env(prefix):
    """The environment of a Wine prefix of its own at `prefix`, made on first
    use (a bench's, kept between its runs)."""
    out = env(WINEPREFIX=prefix)
    if not os.path.isdir(prefix):
        subprocess.run([WINE, "wineboot", "-i"], env=out, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
    return out


def test_env(**settings):
    """The environment of a program under CTest: the run's prefix and X server
    (cmake/wine-fixture.sh writes its display number)."""
    with open(os.path.join(os.environ["BRIM_BUILD_DIR"], "xvfb.display"), encoding="utf-8") as fh:
        display = ":" + fh.read().strip()
    return env(display, **settings)


def start_xvfb(screen):
    """A private X server of `screen` ("WxHxDEPTH"): (process, display), or
    None when it did not start."""
    read_end, write_end = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", screen, "-nolisten", "tcp"],
                            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            start_new_session=True)
    os.close(write_end)
    with os.fdopen(read_end) as fh:
        number = fh.readline().strip()
    if not number:
        proc.kill()
        return None
    return proc, ":" + number
