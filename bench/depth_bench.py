#!/usr/bin/env python3
"""How the folder removal's time grows with the depth of a tree, under Wine.

Usage: depth_bench.py BUILD_DIR [--depths 100,200,400,800] [--program OLD_removal_bench.exe]

Each tree is a chain of folders DEPTH deep with one file on every level,
removed from a fresh copy by removal_bench.exe, ours and then the reference
(Scripting.FileSystemObject's DeleteFolder). Prints the time per depth and
per level: a constant time per level means linear growth.

Then, for 300 files in one folder at each depth up to 800, the cost of each
NT call a checked removal makes (nt_calls_bench.exe): under Wine one call
costs more the deeper its folder, which is why the removal moves folders
more than 16 levels below its target up to the target's top first.
"""
import argparse
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
from brim_wine import WINE, own_prefix_env  # noqa: E402
from wine_drives import map_folder  # noqa: E402


def remove(tree):
    # shutil.rmtree recurses once per level and can't go past Python's limit.
    subprocess.run(["rm", "-rf", "--one-file-system", tree], check=True)


def chain(root, depth):
    os.makedirs(root)
    d = root
    for i in range(depth):
        d = os.path.join(d, "d")
        os.mkdir(d)
        with open(os.path.join(d, "f%d.tmp" % i), "w") as fh:
            fh.write("x")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build_dir")
    ap.add_argument("--depths", default="100,200,400,800")
    ap.add_argument("--program", help="a removal_bench.exe other than the build's")
    args = ap.parse_args()
    build = os.path.abspath(args.build_dir)
    exe = args.program or os.path.join(build, "bench", "removal_bench.exe")
    work = os.path.join(build, "bench-work", "depth")
    os.makedirs(work, exist_ok=True)
    env = own_prefix_env(os.path.join(work, "prefix"))
    map_folder("b", work, env["WINEPREFIX"])
    depths = [int(d) for d in args.depths.split(",")]
    for depth in depths:
        times, left = {}, {}
        for who in ("ours", "fso"):
            tree = os.path.join(work, "chain")
            remove(tree)
            chain(tree, depth)
            out = subprocess.run([WINE, exe, who, "B:\\chain"], env=env, check=True, capture_output=True,
                                 text=True).stdout.split()
            ms, ok = float(out[out.index(who) + 1]), out[out.index(who) + 2]
            if who == "ours" and (ok != "ok" or os.path.exists(tree)):
                sys.exit("depth %d: the chain was not removed" % depth)
            times[who] = ms
            # The reference skips every error, so a fast time may be a failure.
            left[who] = " (LEFT THE TREE)" if os.path.exists(tree) else ""
        print("depth %5d: ours %9.0f ms (%6.2f ms per level), reference %9.0f ms (%6.2f ms per level)%s"
              % (depth, times["ours"], times["ours"] / depth, times["fso"], times["fso"] / depth, left["fso"]),
              flush=True)
    calls = os.path.join(build, "bench", "nt_calls_bench.exe")
    # Past 800 levels one call takes longer than a whole removal of the chain.
    for depth in [1] + [d for d in depths if d <= 800]:
        tree = os.path.join(work, "flat")
        remove(tree)
        folder = tree
        os.mkdir(folder)
        for _ in range(depth):
            folder = os.path.join(folder, "d")
            os.mkdir(folder)
        for i in range(300):
            with open(os.path.join(folder, "f%d" % i), "w") as fh:
                fh.write("x")
        out = subprocess.run([WINE, calls, "open", "name", "disp", "close", "B:\\flat" + "\\d" * depth], env=env,
                             check=True, capture_output=True, text=True).stdout
        phases = "  ".join("%s %s" % tuple(line.split()[:2]) for line in out.splitlines())
        print("depth %5d, us per call: %s" % (depth, phases), flush=True)
        remove(tree)

if __name__ == "__main__":
    main()
