#!/usr/bin/env python3
"""brimsweep-cli selftest under Wine, plain and --json (in its own scratch
folders under the prefix's %TEMP%): every case Wine can make holds, the links
Wine can't make are said to be so, the exit code follows, and nothing is left
behind."""
import json
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from brim_wine import WINE, env as wine_env  # noqa: E402
from verdict import check  # noqa: E402

CLI = os.path.join(os.environ.get("BRIM_LAYERED_BIN") or os.path.join(os.environ["BRIM_BUILD_DIR"], "src", "app"),
                   "brimsweep-cli.exe")
# Wine 8 can't make these (no reparse points; CreateSymbolicLinkW makes nothing).
NOT_MADE = {"junction to an outside folder", "symbolic link to an outside file", "symbolic link to an outside folder"}


def run(*args):
    return subprocess.run([WINE, CLI, "selftest", *args], env=wine_env(), capture_output=True, text=True, check=False)


temp = os.path.join(os.environ["WINEPREFIX"], "drive_c", "users")
plain = run()
lines = plain.stdout.splitlines()
doc_run = run("--json")
doc = json.loads(doc_run.stdout)
results = {c["case"]: c["result"] for c in doc["cases"]}
check(len(results) >= 12 and set(results) == {line[16:].split("  (")[0] for line in lines if line[:5] in ("held ", "BROKE", "could")},
      "both forms name the same %d cases" % len(results))
for name, result in sorted(results.items()):
    want = "not_made" if name in NOT_MADE else "held"
    check(result == want, "%s: %s" % (name, result))
for name in NOT_MADE:
    line = next(line for line in lines if name in line)
    check(line.startswith("could not make") and "(" in line, "the plain form says why: " + line)
broke = sum(1 for r in results.values() if r == "broke")
check(plain.returncode == doc_run.returncode == (1 if broke else 0), "exit code %d with %d broken" % (plain.returncode, broke))
check(doc["cleanup_problem"] == "", "both scratch folders went")
left = [os.path.join(d, n) for d, dirs, _ in os.walk(temp) for n in dirs if n.startswith("brimsweep-selftest")]
check(not left, "nothing is left under %%TEMP%% (%s)" % left)
check(run("--jsonx").returncode == 2 and run("--json", "x").returncode == 2, "bad arguments exit 2")
