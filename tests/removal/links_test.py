#!/usr/bin/env python3
"""Links met by the removal layer never cost what they point to (Unix symlinks
made from the Linux side, inside a folder mapped as drive R:)."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from removal_driver import run_tool  # noqa: E402
from verdict import check  # noqa: E402
from wine_drives import map_drive, snapshot, write  # noqa: E402

LETTER = "R"
root = map_drive(LETTER)
outside = os.path.join(root, "outside")
write(os.path.join(outside, "victim.txt"), "precious")
write(os.path.join(outside, "dir", "inner.dat"), "precious too")
write(os.path.join(outside, "dir", "deeper", "x.log"), "and this")
far = os.path.join(os.path.dirname(root), "r-far-away")
write(os.path.join(far, "kept.txt"), "far")
before = {**snapshot(outside), **snapshot(far)}

# A target holding a directory symlink, a file symlink and a dangling link.
t = os.path.join(root, "Temp")
write(os.path.join(t, "plain.tmp"))
write(os.path.join(t, "sub", "nested.tmp"))
os.symlink(os.path.join(outside, "dir"), os.path.join(t, "dirlink"))
os.symlink(os.path.join(outside, "victim.txt"), os.path.join(t, "filelink.txt"))
os.symlink(os.path.join(outside, "gone"), os.path.join(t, "dangling"))
os.symlink(far, os.path.join(t, "sub", "farlink"))
# A folder big enough for its files to be shared among threads, with file
# links among them: wherever a link lands, it is caught.
many = os.path.join(t, "many")
for i in range(60):
    write(os.path.join(many, "f%02d.tmp" % i))
for i in range(6):
    os.symlink(os.path.join(outside, "victim.txt"), os.path.join(many, "link%d.tmp" % i))
# A target that is itself a directory symlink, and a files row over a link.
os.symlink(os.path.join(outside, "dir"), os.path.join(root, "Cookies"))
write(os.path.join(root, "mail", "a.mbx"))
os.symlink(os.path.join(outside, "victim.txt"), os.path.join(root, "mail", "b.mbx"))
os.symlink(os.path.join(outside, "victim.txt"), os.path.join(root, "mail", "hh.dat"))

out = run_tool("folder", r"R:\Temp", "folder", r"R:\Cookies", "files", r"R:\mail\*.mbx", "files",
               r"R:\mail\hh.dat", "folder", r"R:\Temp\dirlink")
check(out == ["folder fail 1920", "folder fail 1920", "files fail 1920", "files fail 1920", "folder fail 1920"],
      "every removal that meets a link fails: %s" % out)
check({**snapshot(outside), **snapshot(far)} == before, "nothing outside the targets changed")
check(not os.path.exists(os.path.join(t, "plain.tmp")) and not os.path.exists(os.path.join(t, "sub", "nested.tmp")),
      "the plain files inside the target went")
check(sorted(os.listdir(many)) == ["link%d.tmp" % i for i in range(6)],
      "in a shared folder the plain files went and every file link stayed: %s" % sorted(os.listdir(many))[:8])
check(os.path.islink(os.path.join(t, "dirlink")) and os.path.islink(os.path.join(t, "filelink.txt")),
      "the links themselves stay where Wine cannot remove them")
check(os.path.islink(os.path.join(root, "Cookies")), "a target that is itself a link is left as it is")
check(not os.path.exists(os.path.join(root, "mail", "a.mbx")), "the plain match of the files row went")

# Why the name check: under Wine a file symlink lists as a plain file, and its
# listed id is the id of the opened handle (both are the target's), so only
# the handle's resolved name gives it away.
probe = run_tool("probe", r"R:\Temp\filelink.txt")[0].split()
fields = dict(f.split("=", 1) for f in probe[1:])
check(fields["listed_attr"] == "20" and fields["handle_attr"] == "20", "a file symlink looks like a plain file")
if "FileIdBothDirectoryInformation" in os.environ.get("BRIM_FORCE_ABSENT", "").split(","):
    # The listing without ids is in use (as on FAT-like volumes): it lists none.
    check(fields["listed_id"] == "0", "the listing without ids lists id 0: %s" % fields["listed_id"])
else:
    check(fields["listed_id"] == fields["handle_id"], "listing and handle give the same file id for a file symlink")
check(fields["handle_name"] == r"\??\R:\outside\victim.txt", "the handle's resolved name is the target's, drive included")

# Odd names from Linux, inside a removed folder: all removed.
odd = os.path.join(root, "Odd")
for name in ["a.", "b ", "c. .", "gr\u00fc\u00dfe", "\u65e5\u672c\u8a9e.txt", "d./g ", "d./e /f.", "ro/x"]:
    write(os.path.join(odd, name))
os.chmod(os.path.join(odd, "ro", "x"), 0o444)
os.chmod(os.path.join(odd, "ro"), 0o555)
out = run_tool("folder", r"R:\Odd")
check(out == ["folder ok"] and not os.path.exists(odd),
      "trailing dots, blanks, non-ASCII names and a read-only folder are removed: %s" % out)

# A dangling link alone keeps its folder (Wine does not list it), and says so.
os.makedirs(os.path.join(root, "Dangle"))
os.symlink(os.path.join(root, "nowhere"), os.path.join(root, "Dangle", "d"))
out = run_tool("folder", r"R:\Dangle")
check(out[0].startswith("folder fail") and os.path.islink(os.path.join(root, "Dangle", "d")),
      "a folder whose dangling link stays is reported as not removed: %s" % out)
