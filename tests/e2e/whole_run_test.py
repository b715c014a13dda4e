#!/usr/bin/env python3
"""The program file under Wine on the test run's X server, typed into with
keyboard messages: a whole run over a generated XP drive (Y:). Every target
goes, every other file stays as it was, the bar ends at 184 and "Finished"
shows exactly once; then About and "Exit Program".
Usage: whole_run_test.py PROGRAM.exe e2e_spy.exe   (run by CTest)"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, "..", "support"),
                os.path.join(HERE, "..", "..", "tools")]
import brim_wine  # noqa: E402
import make_sample_drive  # noqa: E402
import person  # noqa: E402
from verdict import check, fail  # noqa: E402
from wine_drives import map_drive, scan  # noqa: E402


def main():
    exe, spy_exe = sys.argv[1:3]
    root = map_drive("Y")
    manifest = make_sample_drive.build(root, "Administrator", "Guest")
    before = scan(root)
    env = brim_wine.test_env()
    with person.watched(spy_exe, exe, env, fail) as spy:
        person.cleanup_as_a_person(spy, person.PostedKeys(spy), "Y", "Administrator", person.Shots(None, env),
                                   print)

    after = scan(root)
    left = [t for t in manifest["targets"] if os.path.lexists(os.path.join(root, t))]
    check(not left, "every one of the %d targets is gone (left: %s)" % (len(manifest["targets"]), left))
    changed = [s for s in manifest["survivors"] if after.get(s, -1) != before[s]]
    check(not changed, "every one of the %d other files and folders is there, unchanged (not: %s)"
          % (len(manifest["survivors"]), changed))
    per_row, unclaimed = person.removed_per_row(manifest, before, after)
    check(not unclaimed, "nothing was removed outside the targets (%s)" % unclaimed)
    empty = [r["row"] for r in manifest["rows"] if not r["repeat"] and per_row[r["row"]][0] == 0]
    check(not empty, "every row with a target of its own removed files (not: %s)" % empty)


if __name__ == "__main__":
    main()
