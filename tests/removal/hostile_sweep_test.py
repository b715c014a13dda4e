#!/usr/bin/env python3
"""Random hostile drive and user texts through whole cleanup runs, with the
real removal layer, over a generated drive (H:) whose targets hold links to a
canary folder outside it. After every run nothing outside that run's own
targets may have changed, byte for byte, on the drive or in the canary; no
run may crash or hang. One tool process runs every pair; the drive is put
back between pairs that removed something.

Usage: hostile_sweep_test.py [--seed N] [--pairs N] [--only I]
The seed is printed; --seed S --only I replays pair I of a failed sweep
(BRIM_SWEEP_TRACE=1 prints every pair and its answer)."""
import argparse
import os
import queue
import random
import shutil
import stat
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, "..", "support"), os.path.join(HERE, "..", "..", "tools")]
import make_sample_drive  # noqa: E402
from brim_wine import WINE, env as wine_env  # noqa: E402
from removal_driver import tool_path  # noqa: E402
from verdict import check, fail  # noqa: E402
from wine_drives import fingerprint, map_drive, remove_tree  # noqa: E402

LETTER = "H"
USER, OTHER = "Administrator", "Guest"
SEED = 20261207
PAIRS = 500
PAIR_TIMEOUT = 60  # seconds: a run that takes longer has hung
# The long runs go past the NT limit of 32,767 characters, where a path cut
# short would name another place.
LONGEST_USER = 32800

NON_ASCII = ["é", "ß", "Ж", "日本", "İ", "ı", "ſ", "\u212a", "\u212b", "ǅ", "\u200b", "\u0301", "\ufeff", "\ud800", "\udc00",
             "😀", "\uffff"]
DEVICES = ["CON", "NUL", "LPT1", "COM1", "AUX", "PRN", "CONIN$", "CON.txt", "nul.", "LPT1 "]
NAMES = [USER, OTHER, USER.lower(), OTHER.upper(), "All Users", USER + ".old", "Default User", "Documents and Settings",
         "WINDOWS", "Local Settings", "Temp", "Cookies", "Recent"]
# (weight, maker): the alphabet of hostile pieces.
PIECES = [
    (8, lambda r: "\\"), (6, lambda r: "/"), (6, lambda r: "."), (6, lambda r: ".."), (4, lambda r: "*"),
    (4, lambda r: "?"), (5, lambda r: ":"), (2, lambda r: "<"), (2, lambda r: ">"), (2, lambda r: "|"),
    (2, lambda r: '"'), (5, lambda r: " "), (1, lambda r: "\t"), (1, lambda r: "\n"), (1, lambda r: "\x00"),
    (5, lambda r: r.choice(NON_ASCII)), (4, lambda r: r.choice(DEVICES)), (5, lambda r: r.choice(NAMES)),
    (5, lambda r: "".join(r.choice("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-$~#%&'()+,;=@[]^`{}!")
                          for _ in range(r.randint(1, 8)))),
    (2, lambda r: r.choice(["\\\\?\\", "\\??\\", "\\\\.\\", "UNC\\", "GLOBALROOT\\", "H:", "h:\\", "GLOBALROOT\\??\\H:\\"])),
]
LONG_LENGTHS = [255, 256, 259, 260, 261, 1024, 4096, 32000, LONGEST_USER]


def pick(r, weighted):
    total = sum(w for w, _ in weighted)
    x = r.uniform(0, total)
    for w, make in weighted:
        x -= w
        if x <= 0:
            return make
    return weighted[-1][1]


def hostile_text(r, longest):
    if r.random() < 0.08:  # a very long run of one piece, alone or after a name
        piece = pick(r, PIECES)(r) or "A"
        n = r.choice(LONG_LENGTHS)
        text = (r.choice(["", USER, OTHER + "\\", USER + " "]) + piece * (n // len(piece) + 1))
        return text[:min(n, longest)]
    return "".join(pick(r, PIECES)(r) for _ in range(r.randint(1, 6)))[:longest]


def hostile_pair(r):
    """A drive text as the one-character box gives it (mostly), or longer; a user text."""
    roll = r.random()
    if roll < 0.15:
        drive = r.choice([LETTER, LETTER.lower()])
    elif roll < 0.65:
        drive = r.choice(["\\", "/", ".", "*", "?", ":", "<", ">", "|", '"', " ", "é", "ſ", "\u212a", "\x00", "\ud800",
                          "0", "$", "%"])
    else:
        drive = hostile_text(r, 300)
    # No letter but H may come right before the ":" that follows the drive
    # text: that would name another drive of the shared prefix (C: is the
    # prefix's own, Z: the machine's root), whose files are not ours to risk.
    if drive[-1:].isascii() and drive[-1:].isalpha() and drive not in (LETTER, LETTER.lower()):
        drive += "."
    roll = r.random()
    if roll < 0.2:
        user = r.choice([USER, OTHER, USER.lower(), USER + ".", USER + " ", USER + "::$DATA", ".", "..", "*",
                         "?", "Admin*", "Administrato?", "*" + "\\", OTHER + "/../" + USER, USER + "\x00",
                         OTHER + "\x00" + "x", "ǅ" + USER, "Gueſt", "ADMINISTRATOR"])
    else:
        user = hostile_text(r, LONGEST_USER)
    return drive, user


def hex_text(text):
    if not text:
        return "-"
    units = text.encode("utf-16-le", "surrogatepass")
    return "".join("%02x%02x" % (units[i + 1], units[i]) for i in range(0, len(units), 2))


def fold(text):
    """Names as the file system compares them: letter case aside."""
    return "".join(c.upper() if len(c.upper()) == 1 else c for c in text)


def build_drive(root, canary):
    manifest = make_sample_drive.build(root, USER, OTHER)
    os.makedirs(os.path.join(canary, "dir", "deeper"))
    for rel in ("precious.txt", "x.log", "dir/inner.dat", "dir/deeper/Inbox.mbx"):
        with open(os.path.join(canary, rel), "w", encoding="utf-8") as fh:
            fh.write("canary " + rel + "\n")
    # Links inside targets out to the canary: in folder rows' folders, and as
    # files that files rows match (so they are targets themselves).
    links = {
        "WINDOWS/Temp/outside": "dir", "WINDOWS/Temp/precious.txt": "precious.txt",
        "Documents and Settings/%s/Local Settings/Temp/outside" % USER: "dir",
        "Documents and Settings/%s/Cookies/precious.txt" % USER: "precious.txt",
        "Documents and Settings/%s/Recent/outside" % OTHER: "dir",
    }
    matched = {"WINDOWS/canary.log": "x.log", "Program Files/McAfee/McAfee VirusScan/canary.txt": "precious.txt"}
    for rel, to in list(links.items()) + list(matched.items()):
        os.symlink(os.path.join(canary, to), os.path.join(root, rel))
    # Neighbours a path cut short could land on: common at the root of a real drive.
    for rel in ("Temp/keep.txt", "History/keep.txt", "Cookies/keep.txt", "Recent/keep.txt",
                "Documents and Settings/Cookies/keep.txt", "Documents and Settings/Recent/keep.txt"):
        make_sample_drive.Drive(root).file(rel)
    return manifest, list(matched)


class Allowed:
    """What one run may change: the targets its texts name on this drive."""

    def __init__(self, root, manifest, extra_targets):
        self.root = root
        roots = {row[0]: row[2] for row in make_sample_drive.read_catalogue()}
        self.drive_targets, self.profile_targets = [], {fold(USER): [], fold(OTHER): []}
        for r in manifest["rows"]:
            for made in r["made"]:
                (self.drive_targets if roots[r["row"]] == "drive" else self.profile_targets[fold(USER)]).append(made)
        self.drive_targets += extra_targets
        for row in make_sample_drive.read_catalogue():
            if row[2] == "profile" and "*" not in row[3]:
                self.profile_targets[fold(OTHER)].append(make_sample_drive.target_rel(row, OTHER))

    def prefixes(self, drive, user):
        if fold(drive) != fold(LETTER):
            return []
        return self.drive_targets + self.profile_targets.get(fold(user), [])

    def check(self, drive, user, before, after):
        """The paths that changed outside what this pair may change."""
        allowed = [fold(os.path.join(self.root, p.replace("/", os.sep))) for p in self.prefixes(drive, user)]
        bad = []
        for p in set(before) | set(after):
            if before.get(p) == after.get(p):
                continue
            f = fold(p)
            if not any(f == a or f.startswith(a + os.sep) for a in allowed):
                bad.append(p)
        return sorted(bad)


class Tool:
    """whole_run_tool.exe --pairs, answering one line per pair, watched for hangs."""

    def __init__(self, log):
        env = dict(wine_env(), BRIM_WINEDEBUG="-all,err+seh")
        self.proc = subprocess.Popen([WINE, tool_path("whole_run_tool.exe"), "--pairs"], env=env,
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=log, text=True,
                                     encoding="utf-8", errors="replace")
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def run(self, drive, user):
        self.proc.stdin.write("%s %s\n" % (hex_text(drive), hex_text(user)))
        self.proc.stdin.flush()
        try:
            return self.lines.get(timeout=PAIR_TIMEOUT)
        except queue.Empty:
            return "hung"

    def close(self):
        if self.proc.poll() is None:
            self.proc.stdin.close()
            try:
                self.proc.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        return self.proc.returncode


def restore(root, pristine, changed):
    """Puts back, from the pristine copy, the top-most of the changed paths."""
    changed = set(changed)
    for p in sorted(changed):
        if any(a in changed for a in ancestors(p, root)):
            continue
        if os.path.isdir(p) and not os.path.islink(p):
            subprocess.run(["chmod", "-R", "u+rwx", p], check=True)
            shutil.rmtree(p)
        elif os.path.lexists(p):
            os.remove(p)
        source = os.path.join(pristine, os.path.relpath(p, root))
        if not os.path.lexists(source):
            continue
        parent = os.path.dirname(p)
        mode = os.stat(parent).st_mode
        os.chmod(parent, mode | stat.S_IWUSR)  # a read-only folder keeps its mode
        if os.path.isdir(source) and not os.path.islink(source):
            shutil.copytree(source, p, symlinks=True)
        else:
            shutil.copy2(source, p, follow_symlinks=False)
        os.chmod(parent, mode)


def ancestors(p, root):
    while True:
        p = os.path.dirname(p)
        if len(p) <= len(root):
            return
        yield p


def shown(text):
    return ascii(text if len(text) <= 120 else text[:60] + "...(%d chars)..." % len(text) + text[-40:])


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--seed", type=int, default=SEED)
    ap.add_argument("--pairs", type=int, default=PAIRS)
    ap.add_argument("--only", type=int)
    args = ap.parse_args()
    print("seed %d, %d pairs (replay one: %s --seed %d --only I)" % (args.seed, args.pairs, sys.argv[0], args.seed))
    r = random.Random(args.seed)
    pairs = [hostile_pair(r) for _ in range(args.pairs)]
    chosen = [args.only] if args.only is not None else range(len(pairs))

    root = map_drive(LETTER)
    canary = os.path.join(os.path.dirname(root), "h-canary")
    pristine = os.path.join(os.path.dirname(root), "h-pristine")
    for p in (canary, pristine):
        remove_tree(p)
    manifest, extra = build_drive(root, canary)
    subprocess.run(["cp", "-a", root, pristine], check=True)
    allowed = Allowed(root, manifest, extra)
    expected = fingerprint(root, canary)

    started = time.monotonic()
    failures, removing = [], 0
    with tempfile.TemporaryFile(mode="w+", encoding="utf-8", errors="replace") as wine_log:
        tool = Tool(wine_log)
        for i in chosen:
            drive, user = pairs[i]
            answer = tool.run(drive, user)
            if os.environ.get("BRIM_SWEEP_TRACE"):
                print(i, shown(drive), shown(user)[:80], answer, flush=True)
            if answer is None or answer == "hung":
                failures.append((i, "the tool %s" % ("hung" if answer == "hung" else "crashed")))
                break
            refused = not drive or not user or "\\" in user
            want = "bar=0 boxes=48:" if refused else "bar=184 boxes=0:Finished|"
            if not answer.startswith(want):
                failures.append((i, "it answered %r" % answer))
            now = fingerprint(root, canary)
            bad = allowed.check(drive, user, expected, now)
            if bad:
                failures.append((i, "changed outside its targets: %s" % bad[:8]))
            if now != expected:
                removing += 1
                restore(root, pristine, [p for p in set(expected) | set(now) if expected.get(p) != now.get(p)])
                if fingerprint(root, canary) != expected:
                    fail("the drive could not be put back after pair %d" % i)
        code = tool.close()
        wine_log.seek(0)
        errors = [line.rstrip() for line in wine_log if "err:" in line]
    for i, why in failures:
        drive, user = pairs[i]
        print("FAILED pair %d: drive %s, user %s: %s\n  replay: %s --seed %d --only %d"
              % (i, shown(drive), shown(user), why, sys.argv[0], args.seed, i))
    print("%d pairs in %.1f s; %d removed targets (drive put back each time)"
          % (len(chosen), time.monotonic() - started, removing))
    check(not failures, "no run changed anything outside its targets, crashed or hung")
    check(code == 0 and not errors, "the tool ended cleanly, with nothing logged by Wine (exit %s; %s)"
          % (code, errors[:5]))


if __name__ == "__main__":
    main()
