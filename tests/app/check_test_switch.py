#!/usr/bin/env python3
"""The switch that forces fallbacks (tests/support/forced_absence.cpp) is in
the test build of the program and in none of the shipped exes.

Usage: check_test_switch.py SHIPPED.exe... -- TEST_BUILD.exe
"""
import sys

MARK = b"BRIM_FORCE_ABSENT"  # the variable the switch reads


def holds_switch(path):
    with open(path, "rb") as f:
        data = f.read()
    return MARK in data or MARK.decode().encode("utf-16-le") in data


def main(argv):
    if "--" not in argv:
        sys.exit(__doc__)
    at = argv.index("--")
    shipped, tests = argv[:at], argv[at + 1:]
    faults = ["%s holds the fallback switch" % p for p in shipped if holds_switch(p)]
    faults += ["%s lacks the fallback switch: the check would see nothing" % p for p in tests if not holds_switch(p)]
    for fault in faults:
        print("check_test_switch: " + fault)
    print("check_test_switch: %d shipped exes without the switch, %d test builds with it" % (len(shipped),
                                                                                              len(tests)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
