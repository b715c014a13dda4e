#!/usr/bin/env python3
"""The warning through the real window, typed into with keyboard messages:
an empty drive box, an empty user box, and a user name with a backslash each
bring the warning, word for word, and change nothing: not the window, not a
file on the sample drive (X:).
Usage: warning_test.py PROGRAM.exe e2e_spy.exe   (run by CTest)"""
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

CASES = [("", "Administrator", "an empty drive box"),
         ("X", "", "an empty user box"),
         ("X", "Administrator\\..\\Guest", "a user name with a backslash")]


def main():
    exe, spy_exe = sys.argv[1:3]
    root = map_drive("X")
    make_sample_drive.build(root, "Administrator", "Guest")
    before = scan(root)
    with person.watched(spy_exe, exe, brim_wine.test_env(), fail) as spy:
        keys = person.PostedKeys(spy)
        person.wait_main(spy, print)
        for drive, user, what in CASES:
            print("%s:" % what)
            person.refused_as_a_person(spy, keys, drive, user, print)
            check(scan(root) == before, "not a file on the drive changed")
        person.focus_on(spy, keys, "Exit Program", print)
        keys.press(person.VK_RETURN)
        check(spy.exit_code() == 0, "\"Exit Program\" still ends the program")


if __name__ == "__main__":
    main()
