#!/usr/bin/env python3
"""A read-only folder whose attribute can't be cleared (an immutable Linux
folder: even root can't chmod it) fails its removal with the error of the
clearing, as the target itself and as a folder inside one (drive P:)."""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from removal_driver import run_tool  # noqa: E402
from verdict import check  # noqa: E402
from wine_drives import map_drive, write  # noqa: E402

root = map_drive("P")
stuck = [os.path.join(root, "Temp", "ro"), os.path.join(root, "Top")]
write(os.path.join(root, "Temp", "a.tmp"))
write(os.path.join(stuck[0], "x.dat"))
write(os.path.join(stuck[1], "y.dat"))
for folder in stuck:
    os.chmod(folder, 0o555)
if subprocess.run(["chattr", "+i"] + stuck, capture_output=True, check=False).returncode != 0:
    print("skipped: chattr +i is not allowed here")
    sys.exit(77)
try:
    out = run_tool("folder", r"P:\Temp", "folder", r"P:\Top")
    check(out == ["folder fail 5", "folder fail 5"], "both removals fail with access denied: %s" % out)
    check(not os.path.exists(os.path.join(root, "Temp", "a.tmp")), "the rest of the target went")
    check(os.path.exists(os.path.join(stuck[0], "x.dat")) and os.path.exists(os.path.join(stuck[1], "y.dat")),
          "the stuck folders kept what they hold")
finally:
    subprocess.run(["chattr", "-i"] + stuck, check=False)
