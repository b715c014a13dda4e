#!/usr/bin/env python3
"""Something swapped for a link between listing and opening never leads the
removal outside its target: deterministic swaps through the driver's test
hook, then a 5-second race against a swapper on the Linux side (drive S:, and V:
for the same paths on another drive)."""
import itertools
import os
import threading
import time
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from removal_driver import at_hook, go_on, run_tool  # noqa: E402
from verdict import check  # noqa: E402
from wine_drives import map_drive, remove_tree, snapshot, write  # noqa: E402

root = map_drive("S")
outside = os.path.join(root, "outside")
write(os.path.join(outside, "victim.txt"), "precious")
write(os.path.join(outside, "dir", "inner.dat"), "precious too")
before = snapshot(outside)
handshake = os.path.join(root, "hs")
os.makedirs(handshake)
graveyard = os.path.join(root, "graveyard")
os.makedirs(graveyard)
serial = itertools.count()


def bury(path):
    os.rename(path, os.path.join(graveyard, str(next(serial))))


def fresh_target():
    t = os.path.join(root, "Temp")
    write(os.path.join(t, "a.tmp"))
    write(os.path.join(t, "f.tmp"))
    write(os.path.join(t, "sub", "b.tmp"))
    return t


def swapped_run(pause_before, swap):
    """Removes S:\\Temp, swapping `pause_before` for a link at the hook."""
    proc = at_hook(handshake, "--pause-before", pause_before, r"S:\hs", "folder", r"S:\Temp")
    swap()
    return go_on(handshake, proc).split()


t = fresh_target()
out = swapped_run("sub", lambda: None)
check(out == ["folder", "ok"] and not os.path.exists(t), "with no swap the hooked removal succeeds")

t = fresh_target()
out = swapped_run("sub", lambda: (bury(os.path.join(t, "sub")), os.symlink(os.path.join(outside, "dir"),
                                                                           os.path.join(t, "sub"))))
check(out == ["folder", "fail", "1920"], "a folder swapped for a dir link is refused: %s" % out)
check(snapshot(outside) == before and os.path.islink(os.path.join(t, "sub")), "outside intact after the folder swap")

os.remove(os.path.join(t, "sub"))
t = fresh_target()
out = swapped_run("f.tmp", lambda: (os.remove(os.path.join(t, "f.tmp")),
                                    os.symlink(os.path.join(outside, "victim.txt"), os.path.join(t, "f.tmp"))))
check(out == ["folder", "fail", "1920"], "a file swapped for a file link is refused: %s" % out)
check(snapshot(outside) == before, "outside intact after the file swap")

os.remove(os.path.join(t, "f.tmp"))
# The same path on another drive: only the drive tells the two apart.
twin = map_drive("V")
write(os.path.join(twin, "Temp", "f.tmp"), "precious on V:")
write(os.path.join(twin, "Temp", "sub", "b.tmp"), "precious on V: too")
twin_before = snapshot(twin)
t = fresh_target()
out = swapped_run("f.tmp", lambda: (os.remove(os.path.join(t, "f.tmp")),
                                    os.symlink(os.path.join(twin, "Temp", "f.tmp"), os.path.join(t, "f.tmp"))))
check(out == ["folder", "fail", "1920"], "a file swapped for a link to the same path on another drive is refused")
os.remove(os.path.join(t, "f.tmp"))
t = fresh_target()
out = swapped_run("sub", lambda: (bury(os.path.join(t, "sub")), os.symlink(os.path.join(twin, "Temp", "sub"),
                                                                           os.path.join(t, "sub"))))
check(out == ["folder", "fail", "1920"], "a folder swapped for a link to the same path on another drive is refused")
check(snapshot(twin) == twin_before, "the other drive is intact after both swaps")
os.remove(os.path.join(t, "sub"))

t = fresh_target()
out = swapped_run("Temp", lambda: (bury(t), os.symlink(os.path.join(outside, "dir"), t)))
check(out[:2] == ["folder", "fail"], "a target swapped for a link is refused: %s" % out)
check(snapshot(outside) == before and os.path.islink(t), "outside intact after the target swap")
os.remove(t)

# Between two rows of one run the profile turns into a link. The run keeps
# the profile where its first row found it: a link off the drive is refused
# as ever, and one to another place on the drive is not followed either until
# the run ends; the next run takes the profile where it is then.
profile = os.path.join(root, "Documents and Settings", "U")
off_drive = root + "-off"


def profile_swapped_between_rows(place):
    if os.path.islink(profile):
        os.remove(profile)
    write(os.path.join(profile, "Temp", "a.tmp"))
    write(os.path.join(profile, "Cookies", "c.txt"))
    remove_tree(place)
    write(os.path.join(place, "Cookies", "keep.txt"), "precious")
    cookies = r"S:\Documents and Settings\U\Cookies"
    proc = at_hook(handshake, "--one-run", "folder", r"S:\Documents and Settings\U\Temp", "wait", r"S:\hs",
                   "folder", cookies, "forget", "-", "files", cookies + r"\keep.txt")
    kept = os.path.exists(os.path.join(place, "Cookies", "keep.txt"))
    bury(profile)
    os.symlink(place, profile)
    return go_on(handshake, proc).splitlines(), kept


for place, where in ((off_drive, "off the drive"), (os.path.join(root, "moved", "U"), "elsewhere on the drive")):
    out, kept = profile_swapped_between_rows(place)
    print("profile swapped for a link %s: %s" % (where, out))
    check(kept and out[:2] == ["folder ok", "wait ok"], "the first row ran before the swap (%s)" % where)
    gone = not os.path.exists(os.path.join(place, "Cookies", "keep.txt"))
    check(out[2].startswith("folder fail"), "the second row is refused (%s)" % where)
    if place == off_drive:
        check(out[4].startswith("files fail") and not gone,
              "a new run still refuses a profile off the drive; its folder is as it was")
    else:
        # Removing keep.txt there shows that the refused row had left it.
        check(out[4] == "files ok" and gone, "a new run takes the profile where it is now, on the drive")
os.remove(profile)
remove_tree(off_drive)


# The race: removals run for 5 s while the swapper keeps turning the target's
# subfolder and file into links to the outside and back.
race = os.path.join(root, "Race")
stop = threading.Event()
swaps = [0]


def swapper():
    sub = os.path.join(race, "sub")
    f = os.path.join(race, "f.tmp")
    while not stop.is_set():
        try:
            for p in (sub, f):
                if os.path.islink(p):
                    os.remove(p)
            write(os.path.join(sub, "x", "y.tmp"))
            write(f)
            write(os.path.join(race, "a.tmp"))
            time.sleep(0.001)
            bury(sub)
            os.symlink(os.path.join(outside, "dir"), sub)
            os.remove(f)
            os.symlink(os.path.join(outside, "victim.txt"), f)
            swaps[0] += 1
        except OSError:
            pass  # the removal got there first; go round again


thread = threading.Thread(target=swapper)
thread.start()
try:
    out = run_tool("loop", "5", r"S:\Race", timeout=120)
finally:
    stop.set()
    thread.join()
print("race: %s, %d swaps" % (out, swaps[0]))
runs = int(out[0].split()[1].split("=")[1])
check(runs > 20 and swaps[0] > 20, "the race really ran")
check(snapshot(outside) == before, "the outside canary is intact after the race")
