"""A sample drive turned hostile, shared by the whole-run tests of the removal
layer and of the real exe. On top of make_sample_drive's XP drive it puts:

- file links to the same path on another drive (inside a folder target, and
  as a files-row match);
- Linux names holding a backslash, with a folder link behind one of them and
  real subfolders behind the others;
- intermediate links on the way to targets: out of the profile, out of the
  drive, and into another user's profile.

Everything a run may remove stays inside the targets; the checks compare the
whole drive, the other drive and the outside folder byte for byte."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import make_sample_drive  # noqa: E402

from wine_drives import changed, map_drive, remove_tree, write

USER, OTHER = "Administrator", "Guest"
PROFILE = "Documents and Settings/" + USER


def _link(root, rel, target):
    p = os.path.join(root, rel)
    if os.path.lexists(p):
        if os.path.isdir(p) and not os.path.islink(p):
            remove_tree(p)
        else:
            os.remove(p)
    os.makedirs(os.path.dirname(p), exist_ok=True)
    os.symlink(target, p)
    return rel


def drives(letter, other_letter):
    """Fresh folders for a hostile drive: (drive `letter`, drive
    `other_letter`, a folder beside them on no mapped drive but Z:)."""
    root = map_drive(letter)
    other = map_drive(other_letter)
    outside = os.path.join(os.path.dirname(root), letter.lower() + "-outside")
    remove_tree(outside)
    os.makedirs(outside)
    return root, other, outside


def build(root, other, outside):
    """Turns the sample drive at `root` hostile; `other` is the root of a
    second mapped drive and `outside` a folder on no mapped drive but Z:.
    Returns the drive-relative paths ("/") that were made hostile: each
    stays exactly as it is."""
    hostile = []
    # The same paths on the other drive, each holding something precious.
    for rel in ["WINDOWS/Temp/f.txt", "WINDOWS/zz.log", "WINDOWS/Temp/cdir/important.txt",
                "Program Files/icq/chats/chat.txt", "Program Files/icq/received files/photo.jpg",
                "Program Files/icq/Plugins/Voice Messages/incoming/voice.wav"]:
        write(os.path.join(other, rel), "precious on the other drive: " + rel)
    hostile.append(_link(root, "WINDOWS/Temp/f.txt", os.path.join(other, "WINDOWS/Temp/f.txt")))
    hostile.append(_link(root, "WINDOWS/zz.log", os.path.join(other, "WINDOWS/zz.log")))
    hostile.append(_link(root, "WINDOWS/Temp/cdir", os.path.join(other, "WINDOWS/Temp/cdir")))
    # Names that are paths: through the link, and into real subfolders.
    for rel in ["WINDOWS/Temp/cdir\\important.txt", "WINDOWS/Debug\\netsetup.log",
                "WINDOWS/security\\logs\\scepol.log", "WINDOWS/Temp/..\\win.ini"]:
        write(os.path.join(root, rel), "a name with a backslash")
        hostile.append(rel)
    # Intermediate links. Out of the profile, to a folder on no test drive:
    for rel in ["Local Settings/Temp/t.tmp", "Local Settings/History/h.dat",
                "Local Settings/Temporary Internet Files/page.htm"]:
        write(os.path.join(outside, rel), "precious outside the drive")
    hostile.append(_link(root, PROFILE + "/Local Settings", os.path.join(outside, "Local Settings")))
    # into the other user's profile (a relative link, as Windows makes them):
    hostile.append(_link(root, PROFILE + "/Application Data/Sun", "../../%s/Application Data/Sun" % OTHER))
    # and out of the drive, to the same path on the other drive.
    hostile.append(_link(root, "Program Files/icq", os.path.join(other, "Program Files/icq")))
    return hostile


def outcome(root, manifest, hostile, before, after):
    """What a run over the hostile drive did wrong, as two lists: entries that
    changed outside the targets (or hostile entries that changed at all), and
    targets with nothing hostile in or on the way to them that are still there."""
    def under(rel, tops):
        low = rel.lower()
        return any(low == t.lower() or low.startswith(t.lower() + "/") for t in tops)

    full = [os.path.join(root, t) for t in manifest["targets"]]
    outside_targets = changed(before, after, allowed=full)
    hostile_changed = [p for p in changed(before, after)
                       if under(os.path.relpath(p, root).replace(os.sep, "/"), hostile)]
    clean = [t for t in manifest["targets"]
             if os.path.join(root, t) in before and not any(under(h, [t]) or under(t, [h]) for h in hostile)]
    left = [t for t in clean if os.path.lexists(os.path.join(root, t))]
    return outside_targets + hostile_changed, left


def long_user_texts():
    """User texts that carry the composed paths past the NT limit, alone and
    with another user's name in front: every length from 32,700 to 32,800."""
    return ["A" * n for n in range(32700, 32801)] + [OTHER + "A" * n for n in range(32695, 32801)]


def plant_canaries(root):
    """Wherever a path cut to its front part would land (the drive root,
    "Documents and Settings", the other user's profile), a canary holds the
    last component of every profile row."""
    leaves = {}
    for _, kind, root_kind, tail in make_sample_drive.read_catalogue():
        if root_kind == "profile":
            leaf = tail.rsplit("\\", 1)[1].replace("*", "txt")
            leaves.setdefault(leaf.lower(), (leaf, kind))
    for base in ("", "Documents and Settings", "Documents and Settings/" + OTHER):
        for leaf, kind in leaves.values():
            p = os.path.join(root, base, leaf)
            if not os.path.lexists(p):
                write(os.path.join(p, "canary.dat") if kind == "folder" else p, "canary")


def drive_targets(root, manifest):
    """The targets of the drive-rooted rows, as full paths."""
    return [os.path.join(root, t) for r in manifest["rows"] if not r["path"].startswith("Documents and Settings/")
            for t in r["made"]]
