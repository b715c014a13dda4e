"""A script test's verdicts: each check is printed as it passes, and the
first failure ends the test."""
import sys


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def check(condition, message):
    if not condition:
        fail(message)
    print("ok: " + message)
