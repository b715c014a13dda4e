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
import shutil

from wine_drive import changed, write

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


def remove_tree(path):
    """shutil.rmtree, read-only folders included."""
    for dirpath, _, _ in os.walk(path):
        os.chmod(dirpath, 0o755)
    shutil.rmtree(path)


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
