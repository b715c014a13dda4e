#!/usr/bin/env python3
"""A whole cleanup run over a generated drive of the XP generation (drive T:),
with the real removal layer and fake controls: every target goes, every other
file and folder stays, the bar ends at 184, and the helper threads shared the
removal of the Temp folder's batch of files."""
import json
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from brim_wine import WINE, env as wine_env  # noqa: E402
from removal_driver import tool_path  # noqa: E402
from verdict import check  # noqa: E402
from wine_drives import map_drive  # noqa: E402

root = map_drive("T")
manifest_path = os.path.join(os.path.dirname(root), "t-manifest.json")
generator = os.path.join(os.environ["BRIM_SOURCE_DIR"], "tools", "make_sample_drive.py")
subprocess.run([sys.executable, generator, root, "--user", "Administrator", "--manifest", manifest_path], check=True)
with open(manifest_path, encoding="utf-8") as fh:
    manifest = json.load(fh)
check(len(manifest["rows"]) == 92, "the sample drive covers all 92 rows")

out = subprocess.run([WINE, tool_path("whole_run_tool.exe"), "T", "Administrator"], env=wine_env(), check=True,
                     capture_output=True, text=True).stdout.splitlines()
check(out[:2] == ["bar=184", "box flags=0 prompt=Finished"], "the run ends at 184 and says Finished: %s" % out)
jobs = int(out[2].removeprefix("helper jobs="))
check(jobs >= 2, "both helper threads took a share of a batch (%d jobs)" % jobs)

left = [t for t in manifest["targets"] if os.path.lexists(os.path.join(root, t))]
check(not left, "every target is gone (left: %s)" % left)
missing = [s for s in manifest["survivors"] if not os.path.lexists(os.path.join(root, s))]
check(not missing, "every other file and folder is still there (missing: %s)" % missing)
check(len(manifest["survivors"]) > 150, "the drive has plenty of neighbours and look-alikes")

# A second run finds nothing left to remove and still ends at 184.
out = subprocess.run([WINE, tool_path("whole_run_tool.exe"), "T", "Administrator"], env=wine_env(), check=True,
                     capture_output=True, text=True).stdout.splitlines()
check(out[0] == "bar=184", "a run over a swept drive still ends at 184")
check(out[2] == "helper jobs=0", "nothing was left to share: %s" % out[2])
missing = [s for s in manifest["survivors"] if not os.path.lexists(os.path.join(root, s))]
check(not missing, "the second run removed nothing else")
