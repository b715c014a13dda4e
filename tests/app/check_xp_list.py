#!/usr/bin/env python3
"""Checks the list of functions known to exist on XP SP3.

Usage: check_xp_list.py CXX_COMPILER XP_LIST

Every non-CRT name must be declared by the SDK headers when they target XP
(_WIN32_WINNT=0x0501): the headers hide most Vista-and-later functions, so this
catches a newer function put on the list by mistake.
"""

import os
import subprocess
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_exe import read_xp_list  # noqa: E402

COMPILER = XP_LIST = None
HEADERS = ["windows.h", "commctrl.h", "shellapi.h", "shlobj.h", "objbase.h", "oleauto.h"]


def compile_errors(names):
    body = "".join("  (void)&%s;\n" % name for name in names)
    source = "".join("#include <%s>\n" % h for h in HEADERS) + "void Uses() {\n" + body + "}\n"
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "xp_names.cpp")
        with open(path, "w") as f:
            f.write(source)
        run = subprocess.run([COMPILER, "-std=c++20", "-fsyntax-only", "-D_WIN32_WINNT=0x0501",
                              "-DWINVER=0x0501", path], capture_output=True, text=True)
    return run.returncode, [line for line in run.stderr.splitlines() if "error" in line]


class XpListTest(unittest.TestCase):
    def test_no_duplicates_and_known_dlls(self):
        dlls, seen, duplicates = set(), set(), []
        with open(XP_LIST, encoding="utf-8") as f:
            dll = None
            for line in f:
                line = line.strip()
                if not line or line.startswith("#"):
                    continue
                if line.startswith("["):
                    dll = line[1:-1].lower()
                    self.assertNotIn(dll, dlls, "section [%s] twice" % dll)
                    dlls.add(dll)
                    continue
                if (dll, line) in seen:
                    duplicates.append("%s %s" % (dll, line))
                seen.add((dll, line))
        self.assertEqual(duplicates, [])
        self.assertIn("kernel32.dll", dlls)
        self.assertIn("msvcrt.dll", dlls)

    def test_names_are_declared_for_xp(self):
        names = sorted(name for dll, name in read_xp_list(XP_LIST) if dll != "msvcrt.dll")
        code, errors = compile_errors(names)
        self.assertEqual((code, errors), (0, []))

    def test_the_check_rejects_vista_functions(self):
        # Guards the check itself: these came with Vista.
        for name in ["GetTickCount64", "SetProcessDPIAware", "InitializeConditionVariable"]:
            code, _ = compile_errors([name])
            self.assertNotEqual(code, 0, name)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    COMPILER, XP_LIST = sys.argv[1], sys.argv[2]
    unittest.main(argv=[sys.argv[0], "-v"] + sys.argv[3:])
