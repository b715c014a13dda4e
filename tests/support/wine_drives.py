"""Folders as drives of a Wine prefix, and what a tree holds, for comparing
it before and after a run. Links are never followed: a hostile drive's links
must not lead a comparison (or a clean-up) outside it."""
import os
import shutil
import subprocess


def winpath(unix_path):
    """A Unix path as Wine's Z: drive shows it."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def map_folder(letter, folder, prefix=None):
    """Makes `folder` drive `letter` of `prefix` (default: $WINEPREFIX)."""
    link = os.path.join(prefix or os.environ["WINEPREFIX"], "dosdevices", letter.lower() + ":")
    if os.path.lexists(link):
        os.remove(link)
    os.symlink(folder, link)


def map_drive(letter):
    """Maps a fresh folder under the build tree as drive `letter` of the test
    run's prefix; returns its Unix path."""
    root = os.path.join(os.environ["BRIM_BUILD_DIR"], "testdrives", letter.lower())
    remove_tree(root)
    os.makedirs(root)
    map_folder(letter, root)
    return root


def write(path, text="data"):
    """A file holding `text`, its folders made as needed."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as fh:
        fh.write(text)


def remove_tree(path):
    """Removes a tree that a test may have left read-only; a link is removed
    itself, never what it points to."""
    if os.path.islink(path):
        os.remove(path)
    elif os.path.lexists(path):
        subprocess.run(["chmod", "-R", "u+rwx", path], check=False)
        shutil.rmtree(path)


def entries(*roots):
    """(path, kind) of every entry under `roots`; kind is "link", "dir" or
    "file" (anything else that is not a folder)."""
    for top in roots:
        for dirpath, dirnames, filenames in os.walk(top):
            for name in dirnames + filenames:
                p = os.path.join(dirpath, name)
                yield p, "link" if os.path.islink(p) else "dir" if os.path.isdir(p) else "file"


def fingerprint(*roots):
    """Every entry under `roots`, byte for byte: a file's contents and mode,
    a folder's mode, a link's target."""
    found = {}
    for p, kind in entries(*roots):
        st = os.lstat(p)
        if kind == "link":
            found[p] = ("link", os.readlink(p))
        elif kind == "dir":
            found[p] = ("dir", st.st_mode)
        else:
            with open(p, "rb") as fh:
                found[p] = ("file", st.st_mode, fh.read())
    return found


def snapshot(root):
    """Every entry under `root` with its text: a file's contents, a link's
    target, "<dir>" for anything else."""
    found = {}
    for p, kind in entries(root):
        if kind == "link":
            found[p] = "-> " + os.readlink(p)
        elif kind == "file" and os.path.isfile(p):
            with open(p, encoding="utf-8") as fh:
                found[p] = fh.read()
        else:
            found[p] = "<dir>"
    return found


def scan(root):
    """Every entry under `root` by its path relative to it, "/"-separated:
    its size, or None for folders."""
    return {os.path.relpath(p, root).replace(os.sep, "/"): None if kind == "dir" else os.lstat(p).st_size
            for p, kind in entries(root)}


def changed(before, after, allowed=()):
    """Paths whose entry differs, outside the `allowed` paths and below them."""
    def free(p):
        return not any(p == a or p.startswith(a + os.sep) for a in allowed)
    return sorted(p for p in set(before) | set(after) if free(p) and before.get(p) != after.get(p))
