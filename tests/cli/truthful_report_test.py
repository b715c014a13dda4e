#!/usr/bin/env python3
"""The console companion's report tells the truth (drive O:):
- names holding every control character, ESC sequences and a forged row never
  reach the plain report raw, and the plain report reads back into exactly
  the rows and items of the JSON form;
- a file the system won't let go (inside an immutable Linux folder) is never
  counted as removed: each row's counts equal what went, and the file is
  listed as left, once per row, where it is."""
import json
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
from brim_wine import WINE, env as wine_env  # noqa: E402
from verdict import check  # noqa: E402
from wine_drives import map_drive, write  # noqa: E402

CLI = os.path.join(os.environ["BRIM_BUILD_DIR"], "src", "app", "brimsweep-cli.exe")
ROW = re.compile(r"^ ?(\d+)  (folder|files) +(\w+) +(\d+) files, (\d+) folders, (\d+) bytes  (.*?)(  \(inside row \d+\))?$")
LEFT = re.compile(r"^      left: (.*)  \((.*)\)$")
MORE = re.compile(r"^      and (\d+) more left$")
TERMINAL = re.compile("[\x00-\x09\x0b-\x1f\x7f-\x9f\u2028-\u202e\u2066-\u2069]")


def cli(*args):
    p = subprocess.run([WINE, CLI, *args], env=wine_env(), capture_output=True, check=False)
    check(p.returncode == 0, "%s exits 0" % " ".join(args))
    return p.stdout.decode("utf-8")


def unescape(text):
    return re.sub(r"<([0-9A-F]{2}|[0-9A-F]{4})>", lambda m: chr(int(m.group(1), 16)), text)


def parsed(plain):
    """The plain report as (row, kind, status, files, folders, bytes, path) and its items left."""
    rows = []
    for line in plain.split("\n"):
        if line.startswith("total:") or not line:
            continue
        m = ROW.match(line)
        if m:
            rows.append({"row": int(m.group(1)), "kind": m.group(2), "status": m.group(3),
                         "files": int(m.group(4)), "folders": int(m.group(5)), "bytes": int(m.group(6)),
                         "path": unescape(m.group(7)), "items_left": [], "items_left_more": 0})
            continue
        m = MORE.match(line)
        if m and rows:
            rows[-1]["items_left_more"] = int(m.group(1))
            continue
        m = LEFT.match(line)
        if m is None or not rows:
            check(False, "every plain line is a row, an item or the total: %r" % line)
        rows[-1]["items_left"].append({"path": unescape(m.group(1)), "reason": unescape(m.group(2))})
    return rows


def from_json(doc):
    keys = ("row", "kind", "status", "files", "folders", "bytes", "path", "items_left_more")
    return [dict({k: r[k] for k in keys},
                 items_left=[{"path": i["path"], "reason": i["reason"]} for i in r["items_left"]])
            for r in doc["rows"]]


root = map_drive("O")
temp = os.path.join(root, "Documents and Settings", "U", "Local Settings", "Temp")
names = ["c%02x%s.tmp" % (c, chr(c)) for c in list(range(1, 32)) + [127]]
names += ["\x1b[2J\x1b]0;owned\x07", "x\u202egnp.exe", "<1B>literal"]
for name in names:
    write(os.path.join(temp, name), "x")
write(os.path.join(temp, "evil\n 7  folder  ok      0 files, 0 folders, 0 bytes  O:\\x\ntotal: 0 files", "in"), "y")
os.symlink("/nowhere", os.path.join(temp, "link\x1b[31m"))

plain = cli("preview", "O", "U")
check(not TERMINAL.search(plain), "the plain preview holds no character a terminal acts on")
check(parsed(plain) == from_json(json.loads(cli("preview", "O", "U", "--json"))),
      "the plain preview reads back into exactly the rows and items of the JSON form")

# A file that can't go: an immutable folder inside Temp.
locked = os.path.join(temp, "locked")
write(os.path.join(locked, "stuck.tmp"), "stays")
write(os.path.join(temp, "sub", "goes.tmp"), "goes")
if subprocess.run(["chattr", "+i", locked], capture_output=True, check=False).returncode != 0:
    print("skipped: chattr +i is not allowed here, so the immutable case did not run")
    sys.exit(0)
try:
    before = {os.path.join(d, f) for d, _, fs in os.walk(root) for f in fs}
    doc = json.loads(cli("clean", "O", "U", "--json"))
    after = {os.path.join(d, f) for d, _, fs in os.walk(root) for f in fs}
finally:
    subprocess.run(["chattr", "-i", locked], check=False)
gone = len(before - after)
counted = sum(r["files"] for r in doc["rows"])
check(counted == gone and gone > 0, "files counted as removed (%d) are the files gone (%d)" % (counted, gone))
stuck = "O:\\Documents and Settings\\U\\Local Settings\\Temp\\locked\\stuck.tmp"
for row in (7, 22):
    left = [i["path"] for i in doc["rows"][row - 1]["items_left"]]
    check(left.count(stuck) == 1, "row %d lists the stuck file once, where it is: %s" % (row, left[:3]))
