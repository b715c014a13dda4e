#!/usr/bin/env python3
"""What the bounded retries cost a removal, under Wine.

Usage: stuck_file_bench.py BUILD_DIR [--rounds 5] [--files 200]

A folder of FILES plain files is removed by removal_bench.exe ("ours"), once
as it is and once with one more file that another program holds open without
delete sharing for the whole removal (remove_tool.exe's "hold"): every try
to open it meets a sharing violation, so it is tried 6 times with pauses of
1, 2, 4, 8 and 16 ms. Prints the median time of each, alternating rounds.
"""
import argparse
import os
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
from brim_wine import WINE, own_prefix_env  # noqa: E402
from wine_drives import map_folder, remove_tree  # noqa: E402


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build_dir")
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--files", type=int, default=200)
    args = ap.parse_args()
    build = os.path.abspath(args.build_dir)
    work = os.path.join(build, "bench-work", "stuck")
    os.makedirs(work, exist_ok=True)
    env = own_prefix_env(os.path.join(work, "prefix"))
    map_folder("b", work, env["WINEPREFIX"])
    bench = os.path.join(build, "bench", "removal_bench.exe")
    tool = os.path.join(build, "tests", "removal", "remove_tool.exe")
    times = {"free": [], "held": []}
    for _ in range(args.rounds):
        for kind in times:
            tree = os.path.join(work, "t")
            remove_tree(tree)
            os.makedirs(tree)
            for i in range(args.files):
                with open(os.path.join(tree, "f%d.tmp" % i), "w") as fh:
                    fh.write("x")
            holder = None
            if kind == "held":
                with open(os.path.join(tree, "held.tmp"), "w") as fh:
                    fh.write("x")
                holder = subprocess.Popen([WINE, tool, "hold", r"B:\t\held.tmp"], env=env, stdin=subprocess.PIPE,
                                          stdout=subprocess.PIPE, text=True)
                if holder.stdout.readline().strip() != "held":
                    sys.exit("the holder could not hold the file")
            out = subprocess.run([WINE, bench, "ours", r"B:\t"], env=env, check=True, capture_output=True,
                                 text=True).stdout.split()
            times[kind].append(float(out[out.index("ours") + 1]))
            if holder:
                holder.communicate("", timeout=30)
    free, held = statistics.median(times["free"]), statistics.median(times["held"])
    print("%d files: free %.1f ms, with one held file %.1f ms (+%.1f ms)" % (args.files, free, held, held - free))


if __name__ == "__main__":
    main()
