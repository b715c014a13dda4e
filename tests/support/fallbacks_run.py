#!/usr/bin/env python3
"""Runs a test with every fallback forced, and fails it unless the fallbacks
it names were really taken.

Usage: fallbacks_run.py FORCED EXPECTED -- COMMAND...
  FORCED and EXPECTED are comma-separated names (forced_absence.h). The test
  programs built with tests/support/forced_absence.cpp treat FORCED as
  absent and log each one they ask for; EXPECTED must all be in that log.
  The command's own failure, or its skip (77), passes through.
"""
import os
import subprocess
import sys
import tempfile


def main(argv):
    if len(argv) < 4 or argv[2] != "--":
        sys.exit(__doc__)
    forced, expected, command = argv[0], [n for n in argv[1].split(",") if n], argv[3:]
    # Beside the prefix, so that Wine's Z: reaches it.
    work = os.path.dirname(os.environ["WINEPREFIX"])
    with tempfile.NamedTemporaryFile(dir=work, prefix="fallbacks-", suffix=".log", delete=False) as f:
        log = f.name
    try:
        env = dict(os.environ, BRIM_FORCE_ABSENT=forced, BRIM_FORCE_LOG="Z:" + log.replace("/", "\\"))
        code = subprocess.run(command, env=env, check=False).returncode
        if code != 0:
            return code
        with open(log, encoding="ascii") as fh:
            taken = {line.strip() for line in fh if line.strip()}
    finally:
        os.remove(log)
    missing = [n for n in expected if n not in taken]
    print("fallbacks: forced absent and asked for: %s" % (", ".join(sorted(taken)) or "nothing"))
    if missing:
        print("fallbacks: never asked for, so their fallbacks did not run: %s" % ", ".join(missing))
        return 1
    print("fallbacks: every expected fallback ran (%s)" % ", ".join(expected))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
