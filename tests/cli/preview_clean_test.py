#!/usr/bin/env python3
"""The console companion over generated drives under Wine: a preview changes
nothing and counts what the targets hold; the clean after it removes exactly
the targets and reports the same; links, read-only matches, a file that is
not a folder and a file held open show as what stayed, with their reasons."""
import json
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
from brim_wine import WINE, env as wine_env  # noqa: E402
from removal_driver import tool_path  # noqa: E402
from verdict import check  # noqa: E402
from wine_drives import changed, fingerprint, map_drive, write  # noqa: E402

CLI = os.path.join(os.environ.get("BRIM_LAYERED_BIN") or os.path.join(os.environ["BRIM_BUILD_DIR"], "src", "app"),
                   "brimsweep-cli.exe")


def cli(*args):
    p = subprocess.run([WINE, CLI, *args], env=wine_env(), capture_output=True)
    return p.returncode, p.stdout.decode("utf-8"), p.stderr.decode("utf-8")


def cli_json(*args):
    code, out, err = cli(*args, "--json")
    check(code == 0, "%s exits 0 (stderr: %s)" % (" ".join(args), err.strip()))
    doc = json.loads(out)
    check([r["row"] for r in doc["rows"]] == list(range(1, 93)), "%s reports all 92 rows in order" % args[0])
    return doc


def counts(row):
    return (row["files"], row["folders"], row["bytes"])


# --- Bad input touches nothing ------------------------------------------------
code, out, err = cli("preview", "QQ", "Administrator")
check(code == 2 and "usage:" in err and out == "", "a drive text of two characters gets the usage, exit 2")
code, out, err = cli("clean", "Q", "a\\b")
check(code == 2 and "Please fix the input boxes" in err and out == "", "a user with a backslash gets the warning")

# --- The sample drive ---------------------------------------------------------
root = map_drive("P")
manifest_path = os.path.join(os.path.dirname(root), "p-manifest.json")
generator = os.path.join(os.environ["BRIM_SOURCE_DIR"], "tools", "make_sample_drive.py")
subprocess.run([sys.executable, generator, root, "--manifest", manifest_path], check=True, stdout=subprocess.DEVNULL)
with open(manifest_path, encoding="utf-8") as fh:
    manifest = json.load(fh)

# What each row's targets hold, counted from the Linux side.
expected = {}
for mrow in manifest["rows"]:
    files = folders = size = 0
    for rel in mrow["made"]:
        p = os.path.join(root, rel)
        if os.path.isdir(p):
            for dirpath, dirnames, filenames in os.walk(p):
                folders += 1
                files += len(filenames)
                size += sum(os.lstat(os.path.join(dirpath, f)).st_size for f in filenames)
        else:
            files += 1
            size += os.lstat(p).st_size
    expected[mrow["row"]] = (files, folders, size)
total = tuple(sum(c[i] for c in expected.values()) for i in range(3))

before = fingerprint(root)
preview = cli_json("preview", "P", "Administrator")
check(changed(before, fingerprint(root)) == [], "the preview changed nothing, byte for byte")
wrong = [(r["row"], counts(r), expected[r["row"]]) for r in preview["rows"] if counts(r) != expected[r["row"]]]
check(not wrong, "every row's preview counts equal what its targets hold: %s" % wrong[:3])
t = preview["totals"]
check((t["files"], t["folders"], t["bytes"]) == total, "the preview totals %s equal the targets' %s" % (t, total))
repeats = sorted(m["row"] for m in manifest["rows"] if m["repeat"])
check(sorted(r["row"] for r in preview["rows"] if r["status"] == "covered") == repeats,
      "repeated targets show as covered by the earlier row: %s" % repeats)
check(all(r["status"] in ("ok", "covered") for r in preview["rows"]), "nothing on the sample drive would stay")

code, plain, _ = cli("preview", "P", "Administrator")
lines = plain.splitlines()
check(code == 0 and len(lines) == 93 and lines[-1].startswith("total: %d files, %d folders, %d bytes;" % total),
      "plain preview: one line per row, then the totals: %s" % lines[-1])

clean = cli_json("clean", "P", "Administrator")
left = [t for t in manifest["targets"] if os.path.lexists(os.path.join(root, t))]
check(not left, "the clean removed every target (left: %s)" % left[:5])
missing = [s for s in manifest["survivors"] if not os.path.lexists(os.path.join(root, s))]
check(not missing, "the clean kept every other file and folder (missing: %s)" % missing[:5])
t = clean["totals"]
check((t["files"], t["folders"], t["bytes"]) == total, "the clean reports the preview's totals: %s" % t)
check([counts(r) for r in clean["rows"]] == [counts(r) for r in preview["rows"]],
      "row by row, the clean removed what the preview counted")
check(sorted(r["row"] for r in clean["rows"] if r["status"] == "absent") == repeats and t["rows_failed"] == 0,
      "in the clean the repeated rows find nothing and no row fails")

# --- What stays, and why --------------------------------------------------------
root = map_drive("O")
outside = os.path.join(root, "outside")
write(os.path.join(outside, "victim.txt"), "precious")
write(os.path.join(outside, "dir", "inner.dat"), "precious too")
temp = os.path.join(root, "WINDOWS", "Temp")
write(os.path.join(temp, "plain.tmp"), "12345")
write(os.path.join(temp, "sub", "nested.tmp"), "123")
write(os.path.join(temp, "busy.log"), "in use")
os.symlink(os.path.join(outside, "dir"), os.path.join(temp, "dirlink"))
os.symlink(os.path.join(outside, "victim.txt"), os.path.join(temp, "filelink.txt"))
# A name no Windows program could make: opened, it is refused, and the report
# must still carry it through JSON intact.
odd_name = 'quote"d \u00e9 \U0001f600.lnk'
os.symlink(os.path.join(outside, "victim.txt"), os.path.join(temp, odd_name))
write(os.path.join(root, "WINDOWS", "setupapi.log"), "log")
write(os.path.join(root, "WINDOWS", "ro.log"), "read-only")
os.chmod(os.path.join(root, "WINDOWS", "ro.log"), 0o444)
os.symlink(os.path.join(outside, "victim.txt"), os.path.join(root, "WINDOWS", "linked.log"))
profile = os.path.join(root, "Documents and Settings", "U")
os.makedirs(profile)
os.symlink(os.path.join(outside, "dir"), os.path.join(profile, "Cookies"))
write(os.path.join(root, "WINDOWS", "Offline Web Pages"), "a file where row 1 wants a folder")
guarded = fingerprint(outside)


def row(doc, n):
    return doc["rows"][n - 1]


def refusals(r):
    return sorted((os.path.basename(i["path"].replace("\\", "/")), i["refusal"]) for i in r["items_left"])


before = fingerprint(root)
preview = cli_json("preview", "O", "U")
check(changed(before, fingerprint(root)) == [], "with links, read-only and odd names the preview still changes nothing")
tr = row(preview, 15)
check(tr["status"] == "failed" and counts(tr) == (3, 1, 14),
      "the Temp folder would keep its links: 3 files, only the sub folder (%s)" % (counts(tr),))
odd = [i for i in tr["items_left"] if i["path"] == "O:\\WINDOWS\\Temp\\" + odd_name]
check(len(odd) == 1, "a name with a quote, an accent and a character past the basic plane comes through the "
      "JSON parser intact: %s" % [i["path"] for i in tr["items_left"]])
check(("dirlink", "link") in refusals(tr) and ("filelink.txt", "link") in refusals(tr) and
      len(tr["items_left"]) == 3, "folder and file links are refused as links: %s" % refusals(tr))
logs = row(preview, 84)
check(refusals(logs) == [("linked.log", "link"), ("ro.log", "read_only")] and counts(logs)[0] == 1,
      "the *.log row would remove the plain log and refuse %s"
      % refusals(logs))
check(row(preview, 27)["items_left"][0]["refusal"] == "link", "a target that is itself a link is refused")
check(refusals(row(preview, 1)) == [("Offline Web Pages", "not_a_folder")], "a folder row naming a file: not a folder")

holder = subprocess.Popen([WINE, tool_path("remove_tool.exe"), "hold", "O:\\WINDOWS\\Temp\\busy.log", "x"],
                          env=wine_env(), stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
try:
    check(holder.stdout.readline().strip() == "held", "another program holds busy.log open")
    clean = cli_json("clean", "O", "U")
finally:
    holder.stdin.close()
    holder.wait(timeout=30)
tr = row(clean, 15)
busy = [i for i in tr["items_left"] if i["path"] == "O:\\WINDOWS\\Temp\\busy.log"]
check(len(busy) == 1 and busy[0]["error"] == 32 and busy[0]["reason"] and busy[0]["reason"] != "error 32",
      "the held file shows with the system's reason: %s" % busy)
check(sorted(os.listdir(temp)) == sorted(["busy.log", "dirlink", "filelink.txt", odd_name]),
      "everything else in its row went, the links stayed: %s" % sorted(os.listdir(temp)))
check(counts(tr) == (2, 1, 8), "the clean reports what went: %s" % (counts(tr),))
check(not os.path.exists(os.path.join(root, "WINDOWS", "setupapi.log")) and
      os.path.exists(os.path.join(root, "WINDOWS", "ro.log")), "the *.log row removed the plain log, kept ro.log")
check(fingerprint(outside) == guarded, "what the links point to survived, byte for byte")
check(sorted(r["row"] for r in clean["rows"] if r["status"] == "failed") == [1, 15, 27, 84],
      "rows 1, 15, 27 and 84 failed, the rest found nothing: %s" % clean["totals"])
check(os.path.isfile(os.path.join(root, "WINDOWS", "Offline Web Pages")), "the file named by a folder row stays")

# --- A preview keeps to the target's place, like a clean ------------------------
# User W's profile is a link to another drive: every profile row is refused
# there, and nothing on that drive is counted or changed.
far = map_drive("N")
write(os.path.join(far, "Local Settings", "Temp", "theirs.tmp"), "not ours")
write(os.path.join(far, "Cookies", "c.txt"), "not ours")
os.symlink(far, os.path.join(root, "Documents and Settings", "W"))
far_before = fingerprint(far)
preview = cli_json("preview", "O", "W")
profile_rows = [r for r in preview["rows"] if "\\Documents and Settings\\W\\" in r["path"]]
counted = [r["row"] for r in profile_rows if counts(r) != (0, 0, 0)]
check(not counted, "nothing behind a profile that links to another drive is counted: %s" % counted)
refused = [r["row"] for r in profile_rows if r["status"] == "failed"]
check(7 in refused and 27 in refused, "rows whose targets exist behind the link are refused: %s" % refused)
check(fingerprint(far) == far_before, "the other drive is unchanged")
