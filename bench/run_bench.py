#!/usr/bin/env python3
"""Times our folder removal against the scripting runtime's DeleteFolder under Wine.

Usage: run_bench.py BUILD_DIR [--rounds N] [--sizes 5000,60000] [--baseline EXE]

With --baseline, an older build of removal_bench.exe runs in the same rounds
as "base", for before/after figures measured side by side.

Builds trees shaped like a profile's junk (Temporary Internet Files, Temp,
History, Java cache) inside BUILD_DIR/bench-work, gives each removal a fresh
copy, alternates who goes first, and prints medians, the ratio and our peak
working set. The scripting runtime follows links, so the trees hold none and
live only inside the build tree.
"""
import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
from brim_wine import WINE, env as wine_env  # noqa: E402
from wine_drives import map_folder  # noqa: E402


def build_tree(root, files):
    """A deterministic profile-junk tree of about `files` files."""
    rng = random.Random(files)
    made = 0
    shares = [
        ("Local Settings/Temporary Internet Files/Content.IE5", 0.55),
        ("Local Settings/Temp", 0.15),
        ("Local Settings/History/History.IE5", 0.10),
        ("Application Data/Sun/Java/Deployment/cache/6.0", 0.20),
    ]
    for base, share in shares:
        want = int(files * share)
        folder_count = max(4, want // 150)
        for f in range(folder_count):
            if "Content.IE5" in base:
                sub = "".join(rng.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789") for _ in range(8))
            elif "History" in base:
                sub = "MSHist01%08d%08d" % (f, f + 7)
            elif "Java" in base:
                sub = str(f % 64) + ("/%02d" % (f // 64) if f >= 64 else "")
            else:
                sub = "~DF%04X.tmp.d" % f if f % 3 else "Rar$EX%02d.%d" % (f, f * 37)
            d = os.path.join(root, base, sub)
            os.makedirs(d, exist_ok=True)
            for i in range(want // folder_count):
                if "Content.IE5" in base:
                    name = "img%d[%d].%s" % (i, rng.randint(1, 3), rng.choice(["gif", "jpg", "htm", "js", "css"]))
                elif "Java" in base:
                    name = "%08x-%08x" % (rng.getrandbits(32), rng.getrandbits(32))
                elif "History" in base:
                    name = "index%d.dat" % i
                else:
                    name = "~DF%04X.tmp" % i
                with open(os.path.join(d, name), "wb") as fh:
                    fh.write(b"x" * rng.randint(0, 1024))
                made += 1
    return made


def no_links(root):
    for dirpath, dirnames, filenames in os.walk(root):
        for n in dirnames + filenames:
            if os.path.islink(os.path.join(dirpath, n)):
                return False
    return True


def wine_path(path):
    """The copy as a path on drive B:, which the bench maps to its work folder."""
    return "B:\\" + os.path.basename(path)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build_dir")
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--sizes", default="5000,60000")
    ap.add_argument("--baseline", help="an older removal_bench.exe to time as 'base'")
    args = ap.parse_args()
    build = os.path.abspath(args.build_dir)
    exe = os.path.join(build, "bench", "removal_bench.exe")
    work = os.path.join(build, "bench-work")
    assert os.path.commonpath([work, build]) == build
    os.makedirs(work, exist_ok=True)
    env = wine_env(WINEPREFIX=os.path.join(work, "prefix"))
    if not os.path.isdir(env["WINEPREFIX"]):
        subprocess.run([WINE, "wineboot", "-i"], env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # A drive letter on the work folder, as a user's C: is on drive_c.
    map_folder("b", work, env["WINEPREFIX"])

    def run(*ops, program=exe):
        out = subprocess.run([WINE, program, *ops], env=env, check=True, capture_output=True, text=True).stdout
        return [line.split() for line in out.splitlines()]

    for size in [int(s) for s in args.sizes.split(",")]:
        template = os.path.join(work, "template-%d" % size)
        if not os.path.isdir(template):
            made = build_tree(template + ".tmp", size)
            os.rename(template + ".tmp", template)
            print("built %s (%d files)" % (template, made))
        if not no_links(template):
            sys.exit("template holds a link; refusing to hand it to the scripting runtime")

        def run_base():
            copy = os.path.join(work, "copy-base")
            shutil.rmtree(copy, ignore_errors=True)
            subprocess.run(["cp", "-a", template, copy], check=True)
            lines = run("ours", wine_path(copy), program=args.baseline)
            return [["base"] + line[1:] for line in lines if line[0] == "ours"]

        times = {"ours": [], "fso": []}
        if args.baseline:
            times["base"] = []
        for r in range(args.rounds):
            order = ["ours", "fso"] if r % 2 == 0 else ["fso", "ours"]
            ops = []
            for who in order:
                copy = os.path.join(work, "copy-%s" % who)
                shutil.rmtree(copy, ignore_errors=True)
                subprocess.run(["cp", "-a", template, copy], check=True)
                ops += [who, wine_path(copy)]
            runs = []
            if args.baseline and r % 2 == 1:
                runs.append(run_base())
            runs.append(run(*ops))
            if args.baseline and r % 2 == 0:
                runs.append(run_base())
            if args.baseline:
                order = order + ["base"]
            for line in (line for lines in runs for line in lines):
                if line[0] in times:
                    if line[2] != "ok":
                        sys.exit("%s failed to remove its copy" % line[0])
                    times[line[0]].append(float(line[1]))
            for who in order:
                if os.path.exists(os.path.join(work, "copy-%s" % who)):
                    sys.exit("%s left its copy behind" % who)
        # Our memory alone, first thing in a fresh process.
        copy = os.path.join(work, "copy-ours")
        subprocess.run(["cp", "-a", template, copy], check=True)
        lines = run("ours", wine_path(copy))
        start_ws = int(lines[0][1].split("=")[1])
        peak_ws = int(lines[1][3].split("=")[1])
        ours = statistics.median(times["ours"])
        fso = statistics.median(times["fso"])
        print("size %d files, %d rounds: ours median %.0f ms, DeleteFolder median %.0f ms, ratio %.2f; "
              "our peak working set %.1f MB (%.1f MB at start)"
              % (size, args.rounds, ours, fso, ours / fso, peak_ws / 1e6, start_ws / 1e6))
        if args.baseline:
            base = statistics.median(times["base"])
            print("  baseline median %.0f ms, ratio %.2f; ours is %.2fx as fast" % (base, base / fso, base / ours))


if __name__ == "__main__":
    main()
