#!/usr/bin/env python3
"""A folder on the way is swapped at the worst moments of a removal, for every
kind of thing a hostile disk can put there; nothing outside the target may
change, byte for byte, modes included (drive H:).

- deep: a chain of 20 folders; once the walk has opened folder 16, folder 15
  becomes a link to an outside folder whose "d16" is a file, a folder, a
  folder link, a file link, a dangling link or a hard link of an outside file.
- close: a folder's files are hard links of outside files; after they are
  marked for deletion and before they close (or after they were listed and
  before they are opened), their folder becomes a link to the outside folder
  (or a file, a dangling link, a file link).
- race: the same from the Linux side in a tight loop, no hooks, through the
  removal driver (set up as the program is: one front, helper threads kept)
  and through the real console companion's clean (rows 7 and 22, a profile's
  Temp). Under Wine this race can win in the moment between the folder's
  check and the closes, which no call closes there (README, "Where it
  deliberately differs"): an outside file whose other name is in the batch
  may lose that outside name. The race fails on any other change outside,
  and says how many names that moment cost.
"""
import os
import shutil
import subprocess
import threading
import time
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from brim_wine import WINE, env as wine_env  # noqa: E402
from removal_driver import at_hook, go_on, run_tool  # noqa: E402
from verdict import check  # noqa: E402
from wine_drives import fingerprint, map_drive, remove_tree, write  # noqa: E402

root = map_drive("H")
temp = os.path.join(root, "Temp")
outside = os.path.join(root, "..", "h-outside")  # off the drive
elsewhere = os.path.join(root, "elsewhere")  # on the drive, outside the target
handshake = os.path.join(root, "hs")
graveyard = os.path.join(root, "graveyard")
serial = [0]


def fresh():
    for p in (temp, outside, elsewhere, handshake, graveyard):
        remove_tree(p)
    for p in (outside, elsewhere, handshake, graveyard):
        os.makedirs(p)
    write(os.path.join(elsewhere, "kept", "a.txt"), "precious elsewhere")
    write(os.path.join(elsewhere, "file.txt"), "precious file")
    os.chmod(os.path.join(elsewhere, "file.txt"), 0o444)


def bury(path):
    serial[0] += 1
    os.rename(path, os.path.join(graveyard, str(serial[0])))


def untouched(before, what):
    after = fingerprint(outside, elsewhere, graveyard)
    diff = sorted(p for p in set(before) | set(after) if before.get(p) != after.get(p))
    check(not diff, "%s: nothing outside the target changed %s" % (what, diff[:4]))


# What stands at "d16" in the outside folder when folder 15 turns into a link to it.
DEEP_KINDS = {
    "file": lambda d: write(d, "precious d16 file"),
    "folder": lambda d: write(os.path.join(d, "f.tmp"), "precious d16 folder"),
    "folder link": lambda d: os.symlink(os.path.join(elsewhere, "kept"), d),
    "file link": lambda d: os.symlink(os.path.join(elsewhere, "file.txt"), d),
    "dangling link": lambda d: os.symlink(os.path.join(elsewhere, "nothing"), d),
    "hard link": lambda d: os.link(os.path.join(elsewhere, "file.txt"), d),
}

# Inside folder 16, before its first file: it was opened and checked.
DEEP_HOOK = ["--pause-before", "f16.tmp"]

for kind, make in DEEP_KINDS.items():
    fresh()
    chain = temp
    for i in range(1, 21):
        chain = os.path.join(chain, "d%d" % i)
        write(os.path.join(chain, "f%d.tmp" % i), "level %d" % i)
    make(os.path.join(outside, "d16"))
    write(os.path.join(outside, "f.tmp"), "precious outside")
    before = None
    proc = at_hook(handshake, *DEEP_HOOK, r"H:\hs", "folder", r"H:\Temp")
    d15 = os.path.join(temp, *["d%d" % i for i in range(1, 16)])
    bury(d15)
    os.symlink(os.path.abspath(outside), d15)
    before = fingerprint(outside, elsewhere, graveyard)
    out = go_on(handshake, proc).split()
    # The run's second row over the same folder (row 22 repeats row 7).
    again = run_tool("folder", r"H:\Temp")
    print("deep, %s: %s then %s" % (kind, out, again))
    untouched(before, "deep swap to a folder holding a %s" % kind)
    check(out[:2] == ["folder", "fail"], "deep swap (%s): the removal says it failed" % kind)

# The close: what folder `batch` turns into after its files were marked.
CLOSE_KINDS = {
    "link to the outside folder": lambda b: os.symlink(os.path.abspath(outside), b),
    "file": lambda b: write(b, "a file now"),
    "dangling link": lambda b: os.symlink(os.path.join(outside, "nothing"), b),
    "file link": lambda b: os.symlink(os.path.join(elsewhere, "file.txt"), b),
}
# When the swap comes: after the files were marked, and (folder rows, which
# list before they open) after they were listed and before they are opened
# relative to their folder, so that a mark that took effect at once would
# go by the swapped path.
ROWS = {"folder": ("folder", r"H:\Temp", ["--pause-after-mark", r"H:\hs"]),
        "folder, swapped before the opens": ("folder", r"H:\Temp", ["--pause-before", "v11.tmp", r"H:\hs"]),
        "files": ("files", r"H:\Temp\batch\*.tmp", ["--pause-after-mark", r"H:\hs"])}

for (kind, make), (row, (op, path, hook)) in ((k, r) for k in CLOSE_KINDS.items() for r in ROWS.items()):
    fresh()
    batch = os.path.join(temp, "batch")
    os.makedirs(batch)
    for i in range(12):
        victim = os.path.join(outside, "v%d.tmp" % i)
        write(victim, "precious %d" % i)
        os.link(victim, os.path.join(batch, "v%d.tmp" % i))
    proc = at_hook(handshake, *hook, op, path)
    before = fingerprint(outside, elsewhere)
    bury(batch)
    make(batch)
    before.update(fingerprint(graveyard))
    out = go_on(handshake, proc).split()
    print("close, %s, %s row: %s" % (kind, row, out))
    untouched(before, "%s row, folder swapped for a %s before the close" % (row, kind))
    check(out[:2] == [op, "fail"], "%s row, swapped for a %s: the removal says it failed" % (row, kind))

# The race without hooks: removals again and again while the Linux side keeps
# making `batch` of hard links to outside files and swapping it for a link to
# the outside folder. First through the driver, then through the real
# console companion over a profile's Temp.
victims = [os.path.join(outside, "v%d.tmp" % i) for i in range(16)]
profile_temp = os.path.join(root, "Documents and Settings", "U", "Local Settings", "Temp")
CLI = os.path.join(os.environ["BRIM_BUILD_DIR"], "src", "app", "brimsweep-cli.exe")


def swapper(folder, stop, swaps):
    batch = os.path.join(folder, "batch")
    while not stop.is_set():
        try:
            if os.path.islink(batch):
                os.remove(batch)
            elif os.path.isdir(batch):
                shutil.rmtree(batch)
            os.makedirs(batch)
            for v in victims:
                os.link(v, os.path.join(batch, os.path.basename(v)))
            time.sleep(0.002)
            bury(batch)
            os.symlink(os.path.abspath(outside), batch)
            swaps[0] += 1
            time.sleep(0.001)
        except OSError:
            pass  # the removal got there first; go round again


def cli_runs(seconds):
    runs, end = 0, time.time() + seconds
    while time.time() < end:
        subprocess.run([WINE, CLI, "clean", "H", "U"], env=wine_env(), capture_output=True, check=True, timeout=120)
        runs += 1
    return ["cli runs=%d" % runs]


for where, folder, removals in (("the driver", temp, lambda: run_tool("--one-run", "loop", "6", r"H:\Temp", timeout=120)),
                                ("the console companion", profile_temp, lambda: cli_runs(10))):
    fresh()
    os.makedirs(folder, exist_ok=True)
    for i, v in enumerate(victims):
        write(v, "precious %d" % i)
    before = fingerprint(outside, elsewhere)
    stop, swaps = threading.Event(), [0]
    thread = threading.Thread(target=swapper, args=(folder, stop, swaps))
    thread.start()
    try:
        out = removals()
    finally:
        stop.set()
        thread.join()
    print("race through %s: %s, %d swaps" % (where, out, swaps[0]))
    check(swaps[0] > 20 and int(out[0].split()[1].split("=")[1]) > 3, "the race through %s really ran" % where)
    after = fingerprint(outside, elsewhere)
    changed = sorted(p for p in set(before) | set(after) if before.get(p) != after.get(p))
    # The one loss Wine allows: a victim's outside name gone, nothing else of it changed.
    window = [p for p in changed if p not in after and os.path.realpath(p) in map(os.path.realpath, victims)]
    others = [p for p in changed if p not in window]
    print("race through %s: %d outside names lost in Wine's moment between check and close" % (where, len(window)))
    check(not others, "nothing outside changes after the race through %s but names lost in that moment: %s" % (
        where, others[:4]))
