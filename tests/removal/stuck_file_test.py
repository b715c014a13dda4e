#!/usr/bin/env python3
"""A file that Linux won't unlink (immutable: not even root may) is reported
as staying by its files row, however the row asks whether its matches went:
by name for a few, by listing again for many (drive J:). Under Wine the
unlink happens at close and its error is dropped, so only that question
can tell."""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from removal_driver import run_tool  # noqa: E402
from verdict import check  # noqa: E402
from wine_drives import map_drive, write  # noqa: E402

root = map_drive("J")
rows = {"one": ["keep.log"], "few": ["a.log", "keep.log", "c.log"],
        "many": ["a.log", "b.log", "c.log", "d.log", "keep.log", "f.log", "g.log"], "free": ["a.log", "b.log"]}
for folder, names in rows.items():
    for name in names:
        write(os.path.join(root, folder, name))
    write(os.path.join(root, folder, "other.txt"))
stuck = [os.path.join(root, folder, "keep.log") for folder in ("one", "few", "many")]
if subprocess.run(["chattr", "+i"] + stuck, capture_output=True, check=False).returncode != 0:
    print("skipped: chattr +i is not allowed here")
    sys.exit(77)
try:
    out = run_tool("files", r"J:\one\keep.log", "files", r"J:\few\*.log", "files", r"J:\many\*.log",
                   "files", r"J:\free\*.log")
    check(out == ["files fail 5", "files fail 5", "files fail 5", "files ok"],
          "each row with a stuck file fails, the free one succeeds: %s" % out)
    for folder, names in rows.items():
        left = sorted(os.listdir(os.path.join(root, folder)))
        want = sorted(["other.txt"] + (["keep.log"] if "keep.log" in names else []))
        check(left == want, "%s keeps only what stays or never matched: %s" % (folder, left))
finally:
    subprocess.run(["chattr", "-i"] + stuck, check=False)
