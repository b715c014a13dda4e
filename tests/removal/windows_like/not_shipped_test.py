#!/usr/bin/env python3
"""not_shipped_test.py MARKER EXE... --has EXE...: the first exes lack MARKER,
the ones after --has hold it."""
import sys

marker = sys.argv[1].encode("ascii")
split = sys.argv.index("--has")
bad = []
for i, path in enumerate(sys.argv[2:], start=2):
    if i == split:
        continue
    with open(path, "rb") as fh:
        found = marker in fh.read()
    if found != (i > split):
        bad.append("%s %s it" % (path, "holds" if found else "lacks"))
for line in bad:
    print("FAIL: " + line)
print("ok" if not bad else "")
sys.exit(1 if bad else 0)
