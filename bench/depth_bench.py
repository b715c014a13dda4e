#!/usr/bin/env python3
"""How the folder removal's time grows with the depth of a tree, under Wine.

Usage: depth_bench.py BUILD_DIR [--depths 100,200,400,800] [--program OLD_removal_bench.exe]

Each tree is a chain of folders DEPTH deep with one file on every level,
removed by removal_bench.exe ("ours") from a fresh copy. Prints the time per
depth and per level: a constant time per level means linear growth.
"""
import argparse
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
from brim_wine import WINE, env as wine_env  # noqa: E402
from wine_drives import map_folder  # noqa: E402


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
    env = wine_env(WINEPREFIX=os.path.join(work, "prefix"))
    if not os.path.isdir(env["WINEPREFIX"]):
        subprocess.run([WINE, "wineboot", "-i"], env=env, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
    map_folder("b", work, env["WINEPREFIX"])
    for depth in [int(d) for d in args.depths.split(",")]:
        tree = os.path.join(work, "chain")
        shutil.rmtree(tree, ignore_errors=True)
        chain(tree, depth)
        out = subprocess.run([WINE, exe, "ours", "B:\\chain"], env=env, check=True, capture_output=True,
                             text=True).stdout.split()
        ms, ok = float(out[out.index("ours") + 1]), out[out.index("ours") + 2]
        if ok != "ok" or os.path.exists(tree):
            sys.exit("depth %d: the chain was not removed" % depth)
        print("depth %5d: %9.0f ms, %6.2f ms per level" % (depth, ms, ms / depth), flush=True)


if __name__ == "__main__":
    main()
