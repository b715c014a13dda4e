"""Shared pieces of the Linux-side removal tests: a fresh folder mapped as a
drive letter in the test run's Wine prefix, and the removal driver."""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from brim_wine import WINE  # noqa: E402


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def check(condition, message):
    if not condition:
        fail(message)
    print("ok: " + message)


def map_drive(letter):
    """Maps a fresh folder under the build tree as drive `letter`; returns its Unix path."""
    prefix = os.environ["WINEPREFIX"]
    root = os.path.join(os.environ["BRIM_BUILD_DIR"], "testdrives", letter.lower())
    if os.path.lexists(root):
        subprocess.run(["chmod", "-R", "u+rwx", root], check=False)
        shutil.rmtree(root)
    os.makedirs(root)
    link = os.path.join(prefix, "dosdevices", letter.lower() + ":")
    if os.path.lexists(link):
        os.remove(link)
    os.symlink(root, link)
    return root


def wine_env():
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    return env


def tool_path(name):
    return os.path.join(os.environ["BRIM_BUILD_DIR"], "tests", "removal", name)


def run_tool(*args, **kwargs):
    """Runs remove_tool.exe with the arguments; returns its output lines."""
    out = subprocess.run([WINE, tool_path("remove_tool.exe"), *args], env=wine_env(), check=True,
                         capture_output=True, text=True, **kwargs).stdout
    return out.splitlines()


def start_tool(*args):
    return subprocess.Popen([WINE, tool_path("remove_tool.exe"), *args], env=wine_env(),
                            stdout=subprocess.PIPE, text=True)


def write(path, text="data"):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as fh:
        fh.write(text)


def read(path):
    with open(path, encoding="utf-8") as fh:
        return fh.read()


def snapshot(root):
    """Every file under `root` (links not followed) with its content."""
    found = {}
    for dirpath, dirnames, filenames in os.walk(root):
        for name in filenames + dirnames:
            p = os.path.join(dirpath, name)
            if os.path.islink(p):
                found[p] = "-> " + os.readlink(p)
            elif os.path.isfile(p):
                found[p] = read(p)
            else:
                found[p] = "<dir>"
    return found


def fingerprint(*roots):
    """Every entry under `roots` (links not followed), byte for byte: a
    file's contents and mode, a folder's mode, a link's target."""
    found = {}
    for top in roots:
        for dirpath, dirnames, filenames in os.walk(top):
            for name in dirnames + filenames:
                p = os.path.join(dirpath, name)
                st = os.lstat(p)
                if os.path.islink(p):
                    found[p] = ("link", os.readlink(p))
                elif os.path.isdir(p):
                    found[p] = ("dir", st.st_mode)
                else:
                    with open(p, "rb") as fh:
                        found[p] = ("file", st.st_mode, fh.read())
    return found


def changed(before, after, allowed=()):
    """Paths whose entry differs, outside the `allowed` paths and below them."""
    def free(p):
        return not any(p == a or p.startswith(a + os.sep) for a in allowed)
    return sorted(p for p in set(before) | set(after) if free(p) and before.get(p) != after.get(p))
