#!/usr/bin/env python3
"""The program file under Wine, typed into with keyboard messages, over a
hostile XP drive (X:): file links to the same path on another drive (W:),
names that hold a backslash, links in the middle of targets' paths out of
the profile, out of the drive and into another user's profile. The run says
"Finished"; nothing outside the targets changes, byte for byte. Then user
texts pasted past the NT limit, alone and after another user's name: those
runs say "Finished" too and change nothing at all.
Usage: containment_test.py PROGRAM.exe e2e_spy.exe   (run by CTest)"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, "..", "support")]
import brim_wine  # noqa: E402
import hostile_drive  # noqa: E402
import person  # noqa: E402
from hostile_drive import make_sample_drive  # noqa: E402
from verdict import check, fail  # noqa: E402
from wine_drives import fingerprint  # noqa: E402

def main():
    exe, spy_exe = sys.argv[1:3]
    root, other, outside = hostile_drive.drives("X", "W")
    manifest = make_sample_drive.build(root, "Administrator", "Guest")
    hostile = hostile_drive.build(root, other, outside)
    hostile_drive.plant_canaries(root)
    env = brim_wine.test_env()

    before = fingerprint(root, other, outside)
    with person.watched(spy_exe, exe, env, fail) as spy:
        person.cleanup_as_a_person(spy, person.PostedKeys(spy), "X", "Administrator", person.Shots(None, env),
                                   print)
    after = fingerprint(root, other, outside)
    wrong, left = hostile_drive.outcome(root, manifest, hostile, before, after)
    check(not wrong, "nothing outside the targets changed, and every hostile entry stayed (not: %s)" % wrong[:10])
    check(not left, "every target with nothing hostile about it went (left: %s)" % left)

    # A path cut to its front part would land on the drive root, on
    # "Documents and Settings" or in Guest's profile, where canaries wait.
    for user in ("A" * 32730, "A" * 32745, "A" * 32767, "Guest" + "A" * 32768, "A" * 32800):
        before = fingerprint(root, other, outside)
        with person.watched(spy_exe, exe, env, fail) as spy:
            person.run_pasted(spy, person.PostedKeys(spy), "X", user, print)
        changed = sorted(set(before.items()) ^ set(fingerprint(root, other, outside).items()))
        check(not changed, "a pasted user text of %d characters changed nothing (changed: %s)"
              % (len(user), [c[0] for c in changed[:10]]))


if __name__ == "__main__":
    main()
