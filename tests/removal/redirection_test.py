#!/usr/bin/env python3
"""A whole run over C: of its own throwaway 64-bit prefix reaches the folders
that its paths name: C:\\WINDOWS\\system32\\Cache goes, and SysWOW64\\Cache,
where a 32-bit program on 64-bit Windows is silently sent, stays."""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from brim_wine import WINE, env as wine_env  # noqa: E402
from removal_driver import tool_path  # noqa: E402
from verdict import check  # noqa: E402
from wine_drives import write  # noqa: E402

prefix = os.path.join(os.environ["BRIM_BUILD_DIR"], "testdrives", "redirection-prefix")
if os.path.isdir(prefix):
    shutil.rmtree(prefix)
env = dict(wine_env(), WINEPREFIX=prefix)
subprocess.run([WINE, "wineboot", "-i"], env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
windows = os.path.join(prefix, "drive_c", "windows")
check(os.path.isdir(os.path.join(windows, "syswow64")), "the prefix is a 64-bit one")
named = os.path.join(windows, "system32", "Cache")
redirected = os.path.join(windows, "syswow64", "Cache")
write(os.path.join(named, "named.txt"), "the folder the row names")
write(os.path.join(redirected, "keep.txt"), "the 32-bit view of it")

out = subprocess.run([WINE, tool_path("whole_run_tool.exe"), "C", "Administrator"], env=env, check=True,
                     capture_output=True, text=True).stdout.splitlines()
check(out[:2] == ["bar=184", "box flags=0 prompt=Finished"], "the run ends at 184 and says Finished: %s" % out)
check(not os.path.lexists(named), "system32\\Cache is gone")
with open(os.path.join(redirected, "keep.txt"), encoding="utf-8") as fh:
    check(fh.read() == "the 32-bit view of it", "SysWOW64\\Cache is still there, unchanged")
subprocess.run(["wineserver", "-k"], env=env, check=False)
shutil.rmtree(prefix)
