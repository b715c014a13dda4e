#!/usr/bin/env python3
"""What the removal's report sink costs the window's run, under Wine.

Usage: sink_cost_bench.py BUILD_DIR --baseline OLD_whole_run_tool.exe [--rounds N] [--files N]

A whole run of the window (tests/removal/whole_run_tool.exe: the real
removal, fake controls, no sink) from this build and from an older build
(--baseline), and brimsweep-cli clean (the same walk with a sink), each over a
fresh copy of one generated drive of about N files in its targets. Rounds
alternate the order. Prints median wall times with their ratio to the
baseline, and the wineserver requests of one run of each (WINEDEBUG=+server),
which do not depend on machine noise.
"""
import argparse
import collections
import os
import re
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "support"))
from brim_wine import WINE, env as wine_env  # noqa: E402
from wine_drives import map_folder, remove_tree  # noqa: E402

LETTER = "b"


def make_drive(src, files):
    subprocess.run([sys.executable, os.path.join(HERE, "..", "tools", "make_sample_drive.py"), src],
                   check=True, stdout=subprocess.DEVNULL)
    # Bulk inside two folder targets, as a real cache holds it.
    for i in range(files):
        base = ("WINDOWS/Temp", "Documents and Settings/Administrator/Local Settings/Temp")[i % 2]
        d = os.path.join(src, base, "bulk%02d" % (i % 40))
        os.makedirs(d, exist_ok=True)
        with open(os.path.join(d, "f%06d.tmp" % i), "w") as fh:
            fh.write("x" * (i % 200))


def fresh(src, work):
    remove_tree(work)
    shutil.copytree(src, work, symlinks=True)
    subprocess.run(["chmod", "-R", "u+rwx", work], check=False)


def run(cmd, env):
    start = time.monotonic()
    subprocess.run([WINE, *cmd], env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.monotonic() - start


def requests(cmd, env):
    e = dict(env, BRIM_WINEDEBUG="+server")  # cmake/brim-wine sets WINEDEBUG from it
    err = subprocess.run([WINE, *cmd], env=e, check=True, stdout=subprocess.DEVNULL,
                         stderr=subprocess.PIPE, text=True, errors="replace").stderr
    return collections.Counter(m.group(1) for m in re.finditer(r"^[0-9a-f]+: ([a-z_]+)\(", err, re.M))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--baseline", required=True)
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--files", type=int, default=20000)
    args = ap.parse_args()
    work_root = os.path.join(os.path.abspath(args.build), "bench-work", "sink")
    src, work = os.path.join(work_root, "src"), os.path.join(work_root, "drive")
    if os.path.exists(src):
        shutil.rmtree(src)
    make_drive(src, args.files)
    env = wine_env()  # quiet: cmake/brim-wine takes WINEDEBUG from BRIM_WINEDEBUG, "-all" when unset
    prefix = env.get("WINEPREFIX") or sys.exit("set WINEPREFIX to a throwaway prefix")
    map_folder(LETTER, work, prefix)
    tools = {
        "base": [args.baseline, "B", "Administrator"],
        "window": [os.path.join(args.build, "tests", "removal", "whole_run_tool.exe"), "B", "Administrator"],
        "cli": [os.path.join(args.build, "src", "app", "brimsweep-cli.exe"), "clean", "B", "Administrator"],
    }
    times = {k: [] for k in tools}
    names = list(tools)
    for r in range(args.rounds):
        order = names if r % 2 == 0 else names[::-1]
        for k in order:
            fresh(src, work)
            times[k].append(run(tools[k], env))
    counts = {}
    for k in names:
        fresh(src, work)
        counts[k] = requests(tools[k], env)
    base = statistics.median(times["base"])
    print("drive: %d bulk files plus the sample drive; %d rounds, alternating" % (args.files, args.rounds))
    for k in names:
        m = statistics.median(times[k])
        print("%-7s median %.3f s  ratio %.3f  (runs: %s)  wineserver requests %d"
              % (k, m, m / base, " ".join("%.2f" % t for t in times[k]), sum(counts[k].values())))
    for k in ("window", "cli"):
        diff = {n: counts[k][n] - counts["base"][n] for n in set(counts[k]) | set(counts["base"])
                if counts[k][n] != counts["base"][n]}
        print("%s vs base, requests that differ: %s" % (k, dict(sorted(diff.items())) or "none"))


if __name__ == "__main__":
    main()
