#!/usr/bin/env python3
"""Nothing outside its target is ever removed, whatever links, names and
lengths the disk presents: links to the same path on another drive, listed
names that hold a backslash, links in the middle of a target's path, and
composed paths past the NT limit. Drives K: (typed) and L: (another drive),
plus a folder on no test drive; links made from the Linux side."""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import hostile_drive  # noqa: E402
from hostile_drive import make_sample_drive  # noqa: E402
from brim_wine import WINE, env as wine_env  # noqa: E402
from removal_driver import run_tool, tool_path  # noqa: E402
from verdict import check  # noqa: E402
from wine_drives import changed, fingerprint, remove_tree, winpath, write  # noqa: E402

k, other, outside = hostile_drive.drives("K", "L")


def whole_runs(user_arg):
    out = subprocess.run([WINE, tool_path("whole_run_tool.exe"), "K", user_arg], env=wine_env(), check=True,
                         capture_output=True, text=True).stdout.splitlines()
    return out[:-1]  # the helper threads' count: the whole run's own test reads it


def fresh(*roots):
    for r in roots:
        for name in os.listdir(r):
            p = os.path.join(r, name)
            if os.path.isdir(p) and not os.path.islink(p):
                remove_tree(p)
            else:
                os.remove(p)


# 1. File links to the same path on another drive: for a folder row, for a
# files row's wildcard match and for a files row's single name.
for r in (k, other):
    write(os.path.join(r, "WINDOWS", "Temp", "f.txt"), "precious " + r)
    write(os.path.join(r, "WINDOWS", "zz.log"), "precious " + r)
    write(os.path.join(r, "WINDOWS", "SETA.tmp"), "precious " + r)
for rel in ("WINDOWS/Temp/f.txt", "WINDOWS/zz.log", "WINDOWS/SETA.tmp"):
    os.remove(os.path.join(k, rel))
    os.symlink(os.path.join(other, rel), os.path.join(k, rel))
write(os.path.join(k, "WINDOWS", "Temp", "plain.tmp"))
write(os.path.join(k, "WINDOWS", "setupapi.log"))
before = fingerprint(other)
out = run_tool("folder", r"K:\WINDOWS\Temp", "files", r"K:\Windows\*.log", "files", r"K:\WINDOWS\SETA.tmp")
check(out == ["folder fail 1920", "files fail 1920", "files fail 1920"],
      "links to the same path on another drive are refused: %s" % out)
check(not changed(before, fingerprint(other)), "the other drive is unchanged, byte for byte")
check(not os.path.exists(os.path.join(k, "WINDOWS", "Temp", "plain.tmp"))
      and not os.path.exists(os.path.join(k, "WINDOWS", "setupapi.log")), "the plain files beside the links went")

# 2. Listed names holding a backslash are never opened: not through a folder
# link behind them, not into real subfolders; they stay and fail their row.
fresh(k, other)
write(os.path.join(other, "WINDOWS", "Temp", "cdir", "important.txt"), "precious")
os.makedirs(os.path.join(k, "WINDOWS", "Temp"))
os.symlink(os.path.join(other, "WINDOWS", "Temp", "cdir"), os.path.join(k, "WINDOWS", "Temp", "cdir"))
for rel in ("WINDOWS/Temp/cdir\\important.txt", "WINDOWS/Temp/..\\win.ini", "WINDOWS/Debug\\netsetup.log",
            "WINDOWS/security\\logs\\scepol.log", "WINDOWS/Debug/netsetup.log", "WINDOWS/security/logs/scepol.log",
            "WINDOWS/win.ini"):
    write(os.path.join(k, rel), "kept: " + rel)
write(os.path.join(k, "WINDOWS", "setupapi.log"))
write(os.path.join(k, "WINDOWS", "Temp", "plain.tmp"))
keep = [os.path.join(k, "WINDOWS", "setupapi.log"), os.path.join(k, "WINDOWS", "Temp", "plain.tmp")]
before = fingerprint(k, other)
out = run_tool("folder", r"K:\WINDOWS\Temp", "files", r"K:\Windows\*.log")
check(out[0].startswith("folder fail") and out[1] == "files fail 123", "both rows fail: %s" % out)
check(changed(before, fingerprint(k, other)) == sorted(keep),
      "only the plain files went; every name with a backslash and what it names stayed")

# 3. Links in the middle of a target's path: out of the profile, out of the
# drive, into another user's profile, and a profile that is not on the drive.
fresh(k, other)
profile = os.path.join(k, "Documents and Settings", "Administrator")
guest = os.path.join(k, "Documents and Settings", "Guest")
for base in (outside, os.path.join(guest, "Local Settings")):
    for rel in ("Temp/t.tmp", "History/h.dat", "Temporary Internet Files/page.htm"):
        write(os.path.join(base, rel), "precious")
write(os.path.join(guest, "Application Data", "Microsoft", "Office", "fbcC2.tmp"), "precious")
write(os.path.join(other, "WINDOWS", "Temp", "t.tmp"), "precious")
write(os.path.join(other, "WINDOWS", "x.log"), "precious")
write(os.path.join(other, "Documents and Settings", "Administrator", "Cookies", "c.txt"), "precious")
os.makedirs(profile)
os.symlink(outside, os.path.join(profile, "Local Settings"))
os.symlink("../Guest/Application Data", os.path.join(profile, "Application Data"))
os.symlink(os.path.join(other, "WINDOWS"), os.path.join(k, "WINDOWS"))
ds = r"K:\Documents and Settings\Administrator"
before = fingerprint(other, outside, guest)
out = run_tool("folder", ds + r"\Local Settings\Temp", "folder", ds + r"\Local Settings\History",
               "folder", ds + r"\Local Settings\Temporary Internet Files",
               "files", ds + r"\Application Data\Microsoft\Office\fbcC2.tmp",
               "folder", r"K:\WINDOWS\Temp", "files", r"K:\WINDOWS\*.log")
check(out == ["folder fail 1920"] * 3 + ["files fail 1920", "folder fail 1920", "files fail 1920"],
      "rows whose folder lies outside the profile or the drive fail: %s" % out)
os.remove(os.path.join(profile, "Local Settings"))
os.symlink("../Guest/Local Settings", os.path.join(profile, "Local Settings"))
os.remove(os.path.join(k, "WINDOWS"))
remove_tree(profile)
os.symlink(os.path.join(other, "Documents and Settings", "Administrator"), profile)
out += run_tool("folder", ds + r"\Cookies")
os.remove(profile)
os.makedirs(profile)
os.symlink("../Guest/Local Settings", os.path.join(profile, "Local Settings"))
out += run_tool("folder", ds + r"\Local Settings\Temp", "folder", ds + r"\Local Settings\History")
check(out[6:] == ["folder fail 1920"] * 3, "a profile on another drive, and links into another profile, fail: %s"
      % out[6:])
check(not changed(before, fingerprint(other, outside, guest)), "nothing outside the targets changed, byte for byte")

# Links that stay inside their anchor are followed: the layout of later
# Windows, where "Documents and Settings" is "Users" and "Local Settings" is
# "AppData\Local", is cleaned as before.
fresh(k, other)
users = os.path.join(k, "Users", "Administrator")
real = {"Local Settings\\Temp": "AppData/Local/Temp", "Local Settings\\History": "AppData/Local/History",
        "Local Settings\\Temporary Internet Files": "AppData/Local/Temporary Internet Files",
        "Cookies": "Cookies", "Recent": "Recent",
        "Application Data\\Microsoft\\Office\\Recent": "AppData/Roaming/Microsoft/Office/Recent"}
for rel in real.values():
    write(os.path.join(users, rel, "item.dat"))
write(os.path.join(users, "AppData", "Roaming", "Microsoft", "Office", "fbcC2.tmp"))
for rel in ("AppData/Local/keep.dat", "AppData/Roaming/Microsoft/Office/keep.dat", "Documents/letter.doc"):
    write(os.path.join(users, rel), "kept")
os.symlink("Users", os.path.join(k, "Documents and Settings"))
os.symlink("AppData/Local", os.path.join(users, "Local Settings"))
os.symlink("AppData/Roaming", os.path.join(users, "Application Data"))
before = fingerprint(k)
out = whole_runs("Administrator")
check(out == ["bar=184", "box flags=0 prompt=Finished"], "a whole run over the later layout ends as usual: %s" % out)
gone = [os.path.join(users, rel) for rel in real.values()]
gone.append(os.path.join(users, "AppData", "Roaming", "Microsoft", "Office", "fbcC2.tmp"))
left = [p for p in gone if os.path.lexists(p)]
check(not left, "the rows cleaned the real folders behind the links (left: %s)" % left)
check(not changed(before, fingerprint(k), allowed=gone), "and nothing else")

# 4. The hostile sample drive as a whole run through the cleanup run.
fresh(k, other, outside)
manifest = make_sample_drive.build(k, "Administrator", "Guest")
hostile = hostile_drive.build(k, other, outside)
before = fingerprint(k, other, outside)
out = whole_runs("Administrator")
check(out == ["bar=184", "box flags=0 prompt=Finished"], "the hostile whole run ends as usual: %s" % out)
wrong, left = hostile_drive.outcome(k, manifest, hostile, before, fingerprint(k, other, outside))
check(not wrong, "nothing outside the targets changed, and every hostile entry stayed (not: %s)" % wrong[:10])
check(not left, "every target with nothing hostile about it went (left: %s)" % left)

# 5. User texts that carry the composed paths past the NT limit, alone and
# with another user's name in front, over canaries wherever a cut-off path
# would land.
fresh(k, other, outside)
manifest = make_sample_drive.build(k, "Administrator", "Guest")
hostile_drive.plant_canaries(k)
drive_targets = hostile_drive.drive_targets(k, manifest)
texts = hostile_drive.long_user_texts()
texts_file = os.path.join(os.path.dirname(k), "k-long-users.txt")
with open(texts_file, "w", encoding="utf-8") as fh:
    fh.write("\n".join(texts))
before = fingerprint(k)
out = whole_runs("@" + winpath(texts_file))
check(out == ["bar=184", "box flags=0 prompt=Finished"] * len(texts),
      "%d runs with long user texts each end as usual" % len(texts))
check(not changed(before, fingerprint(k), allowed=drive_targets),
      "nothing but the drive-rooted targets changed, byte for byte: %s" % changed(before, fingerprint(k),
                                                                            allowed=drive_targets)[:8])
