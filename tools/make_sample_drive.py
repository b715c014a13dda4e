#!/usr/bin/env python3
"""Builds a sample drive of the XP generation for the cleanup run to sweep.

Usage: make_sample_drive.py DIR [--user Administrator] [--other-user Guest] [--manifest out.json]

DIR becomes the root of the drive (map it as a drive letter under Wine). It
gets something in every one of the catalogue's 92 targets (read-only items
included), the user's own documents, a second user's profile, and neighbours
and look-alikes of the targets that must survive. The target list is read
from src/cleanup/catalogue.cpp, so the two cannot disagree. The manifest
(JSON) lists the targets (paths that must be gone after a run), the
survivors (every other file and folder), and per catalogue row what was made
for it ("made"), as paths relative to DIR with "/".
The output is the same on every run.
"""
import argparse
import json
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
CATALOGUE = os.path.join(HERE, "..", "src", "cleanup", "catalogue.cpp")
ROW = re.compile(r'\{(\d+),\s*Removal::(Folder|Files),\s*Root::(Drive|Profile),\s*L"((?:[^"\\]|\\.)*)"', re.S)

# Files that a wildcard row's folder holds: (name, matches the row's pattern).
WILDCARD_FILES = {
    "*.txt": [("virlog.txt", True), ("scan report.TXT", True), ("a.txtx", True),  # 8.3 rules match "a.txtx"
              ("notes.txt.bak", False), ("txt", False), ("engine.dat", False)],
    "*.log": [("setupapi.log", True), ("comsetup.LOG", True), ("setup.log.old", False), ("win.ini", False)],
    "*.mbx": [("Inbox.mbx", True), ("Sent Items.mbx", True), ("Inbox.idx", False)],
    "LNK_UNDO.*": [("LNK_UNDO", True), ("LNK_UNDO.dat", True), ("LNK_UNDOX.dat", False)],
    "Reg_undo.*": [("Reg_undo.001", True), ("REG_UNDO.002", True), ("Reg_undo_old.txt", False)],
    "RegTrk.*": [("RegTrk.dat", True), ("RegTrk2.dat", False)],
    "Shockwave Log.*": [("Shockwave Log.txt", True), ("Shockwave Settings.txt", False)],
}

NEIGHBOURS = [
    "boot.ini", "channels.dat.bak", "notify.txt", "napster/readme.txt",
    "WINDOWS/win.ini", "WINDOWS/Temp2/keep.txt", "WINDOWS/Temp.txt", "WINDOWS/system32/kernel32.dll",
    "WINDOWS/system32/config/SYSTEM", "WINDOWS/system32/drivers/etc/hosts", "WINDOWS/system32/CONFIG.NT",
    "WINDOWS/Debug/netsetup.log", "WINDOWS/security/logs/scepol.log", "WINDOWS/old.log/keep.txt",
    "WINDOWS/Prefetch.ini", "WINDOWS/inf/mplayer2.inf", "WINDOWS/PCHealth/HelpCtr/Config/hcconfig.xml",
    "WINDOWS/system32/WBEM/Repository/objects.data", "WINDOWS/Web/Wallpaper/Bliss.bmp",
    "windows/history/history.ie5/desktop.ini",
    "Program Files/Netscape/Navigator/bookmark.htm", "Program Files/Netscape/Navigator/Mail/Inbox",
    "Program Files/icq/owner.dat", "Program Files/icq/Plugins/Voice Messages/settings.ini",
    "Program Files/Trillian/trillian.exe", "Program Files/Opera/opera6.ini",
    "Program Files/McAfee/McAfee VirusScan/Archive.txt/keep.dat",
    "Program Files/copernic 2000 pro/copernic.exe", "Program Files/DAP/dap.exe",
    "Program Files/Common Files/System/MSMAPI/1031/mapir.dll", "Program Files/Borland/Delphi4/Bin/delphi32.exe",
    "Install/Applications/Office2003/FILES/PFILES/MSOFFICE/OFFICE11/WINWORD.EXE",
]

PROFILE_NEIGHBOURS = [
    "My Documents/letter.doc", "My Documents/My Pictures/holiday.jpg", "My Documents/Recent/keep.doc",
    "Desktop/notes.txt", "Favorites/Links/news.url", "NTUSER.DAT",
    "Local Settings/Application Data/Microsoft/keep.dat", "Local Settings/Temp.keep/keep.tmp",
    "Local Settings/Temporary Internet Files.txt",
    "Application Data/Microsoft/Office/fbcC2.tmp.keep", "Application Data/Microsoft/Office/Recent.txt",
    "Application Data/Microsoft/Internet Explorer/Quick Launch/desktop.lnk",
    "Application Data/Sun/Java/Deployment/deployment.properties",
    "Application Data/Macromedia/Flash Player/settings.sol", "Application Data/Google/GoogleEarth/myplaces.kml",
    "Application Data/foobar2000/foobar2000.cfg", "Application Data/Lavasoft/Ad-Aware/prefs.ini",
]


def read_catalogue(path=CATALOGUE):
    with open(path, encoding="utf-8") as fh:
        text = fh.read()
    rows = [(int(n), kind.lower(), root.lower(), tail.replace("\\\\", "\\")) for n, kind, root, tail in ROW.findall(text)]
    if [r[0] for r in rows] != list(range(1, 93)):
        sys.exit("make_sample_drive: could not read the 92 catalogue rows from " + path)
    return rows


class Drive:
    """Creates paths the way a case-insensitive file system would hold them."""

    def __init__(self, root):
        self.root = root
        self.read_only = []

    def _resolve(self, rel, make_last_dir):
        parts = [p for p in rel.split("/") if p]
        cur = self.root
        out = []
        for i, part in enumerate(parts):
            existing = [n for n in os.listdir(cur) if n.lower() == part.lower()] if os.path.isdir(cur) else []
            name = existing[0] if existing else part
            cur = os.path.join(cur, name)
            out.append(name)
            if (i < len(parts) - 1 or make_last_dir) and not os.path.isdir(cur):
                os.mkdir(cur)
        return "/".join(out)

    def folder(self, rel):
        return self._resolve(rel, True)

    def file(self, rel, content=None):
        parent = rel.rsplit("/", 1)[0] if "/" in rel else ""
        if parent:
            self._resolve(parent, True)
        actual = self._resolve(rel, False)
        with open(os.path.join(self.root, actual), "w", encoding="utf-8") as fh:
            fh.write(content if content is not None else "sample " + actual + "\n")
        return actual


def target_rel(row, user):
    _, _, root, tail = row
    if root == "drive":
        return tail[2:].replace("\\", "/")
    return "Documents and Settings/" + user + tail.replace("\\", "/")


# The user's Temp holds a batch of plain files, enough for folder removal to
# share them with its helper threads (kShareFrom in folder_removal.cpp is 8).
BATCH_ROW, BATCH_FILES = 7, 12


def fill_folder(drive, rel, n):
    """Nested content with read-only items, like a real cache."""
    drive.file(rel + "/index.dat")
    if n == BATCH_ROW:
        for i in range(BATCH_FILES):
            drive.file(rel + "/~DF%04X.tmp" % (0x1A0 + i))
    drive.file(rel + "/entry%d.tmp" % n)
    drive.read_only.append(drive.file(rel + "/locked-down.dat"))
    drive.file(rel + "/sub/cache%d.bin" % n)
    drive.file(rel + "/sub/deeper/item.htm")
    drive.file(rel + "/ro folder/inside.txt")
    drive.read_only.append(drive.folder(rel + "/ro folder"))


def build(root, user, other_user):
    os.makedirs(root, exist_ok=True)
    drive = Drive(root)
    rows = read_catalogue()
    targets = []
    manifest_rows = []
    for row in rows:
        n, kind, _, _ = row
        rel = target_rel(row, user)
        folder, _, leaf = rel.rpartition("/")
        if kind == "folder":
            existing = os.path.isdir(os.path.join(root, rel)) or any(t.lower() == rel.lower() for t in targets)
            made = []
            if not existing:
                fill_folder(drive, rel, n)
                made.append(drive.folder(rel))
            manifest_rows.append({"row": n, "kind": kind, "path": rel, "repeat": existing, "made": made})
        elif "*" in leaf:
            made = []
            for name, matches in WILDCARD_FILES[leaf]:
                path = drive.file((folder + "/" if folder else "") + name)
                if matches:
                    made.append(path)
            manifest_rows.append({"row": n, "kind": kind, "path": rel, "repeat": False, "made": made})
        else:
            made = [drive.file(rel)]
            manifest_rows.append({"row": n, "kind": kind, "path": rel, "repeat": False, "made": made})
        targets.extend(made)
    for rel in NEIGHBOURS:
        drive.file(rel)
    for u in (user, other_user):
        for rel in PROFILE_NEIGHBOURS:
            drive.file("Documents and Settings/%s/%s" % (u, rel))
    # The second user's profile holds every profile target too: none may go.
    for row in rows:
        if row[2] == "profile" and "*" not in row[3]:
            rel = target_rel(row, other_user)
            if row[1] == "folder":
                drive.file(rel + "/theirs.dat")
            else:
                drive.file(rel)
    drive.file("Documents and Settings/All Users/Desktop/shared.lnk")
    drive.file("Documents and Settings/%s.old/Local Settings/Temp/keep.tmp" % user)

    survivors = []
    lowered = [t.lower() for t in targets]
    for dirpath, dirnames, filenames in os.walk(root):
        dirnames.sort()
        for name in sorted(dirnames + filenames):
            rel = os.path.relpath(os.path.join(dirpath, name), root).replace(os.sep, "/")
            low = rel.lower()
            if not any(low == t or low.startswith(t + "/") for t in lowered):
                survivors.append(rel)
    for rel in drive.read_only:
        p = os.path.join(root, rel)
        os.chmod(p, 0o555 if os.path.isdir(p) else 0o444)
    return {"user": user, "other_user": other_user, "targets": targets, "survivors": survivors,
            "rows": manifest_rows}


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[1])
    ap.add_argument("dir")
    ap.add_argument("--user", default="Administrator")
    ap.add_argument("--other-user", default="Guest")
    ap.add_argument("--manifest")
    args = ap.parse_args()
    if os.path.exists(args.dir) and os.listdir(args.dir):
        sys.exit("make_sample_drive: %s is not empty" % args.dir)
    manifest = build(args.dir, args.user, args.other_user)
    if args.manifest:
        with open(args.manifest, "w", encoding="utf-8") as fh:
            json.dump(manifest, fh, indent=1)
    print("sample drive in %s: %d targets, %d survivors" % (args.dir, len(manifest["targets"]),
                                                           len(manifest["survivors"])))


if __name__ == "__main__":
    main()
