#!/usr/bin/env python3
"""Checks the list of functions known to exist on XP SP3.

Usage: check_xp_list.py CXX_COMPILER NM XP_LIST

Every name must be exported by MinGW-w64's import library of its DLL (from
Debian's mingw-w64-i686-dev: this catches names that no Windows has), and none
may be on newer_than_xp.txt. Every non-CRT name must be declared by the SDK
headers when they target XP (_WIN32_WINNT=0x0501): the headers hide most
Vista-and-later functions. No msvcrt name may be one that the import library
supplies itself because older msvcrt.dll versions, XP's among them, lack it.
"""

import functools
import os
import subprocess
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_exe import NEWER_LIST, read_xp_list  # noqa: E402

COMPILER = NM = XP_LIST = None
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


@functools.lru_cache(maxsize=None)
def import_library(dll):
    """{name: kind} of what MinGW-w64's import library for DLL defines: "I" for an
    import from the DLL, "D" for something the library supplies itself; None
    when there is no such library."""
    lib = subprocess.run([COMPILER, "-print-file-name=lib%s.a" % dll[:-4]], capture_output=True, text=True,
                         check=True).stdout.strip()
    if not os.path.isfile(lib):
        return None
    # 32-bit C names carry a leading underscore (__imp__Name@8); 64-bit ones don't.
    prefix = "__imp__" if "i686" in os.path.basename(COMPILER) else "__imp_"
    names = {}
    for line in subprocess.run([NM, lib], capture_output=True, text=True, check=True).stdout.splitlines():
        parts = line.split()
        if len(parts) == 3 and parts[1] in ("I", "D") and parts[2].startswith(prefix):
            names.setdefault(parts[2][len(prefix):].split("@")[0], parts[1])
    return names


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

    def test_names_are_exported_by_the_import_libraries(self):
        by_dll = {}
        for dll, name in read_xp_list(XP_LIST):
            by_dll.setdefault(dll, set()).add(name)
        unknown = []
        for dll, names in sorted(by_dll.items()):
            library = import_library(dll)
            self.assertIsNotNone(library, "no import library for %s" % dll)
            unknown += ["%s %s" % (dll, n) for n in sorted(names) if n not in library]
        self.assertEqual(unknown, [], "not exported by MinGW-w64's import libraries")

    def test_nothing_newer_than_xp(self):
        self.assertEqual(sorted(read_xp_list(XP_LIST) & read_xp_list(NEWER_LIST)), [])

    def test_no_msvcrt_name_that_older_msvcrt_versions_lack(self):
        library = import_library("msvcrt.dll")
        emulated = {name for name, kind in library.items() if kind == "D"}
        self.assertIn("memcpy_s", emulated, "the import library's emulations were not recognised")
        listed = {name for dll, name in read_xp_list(XP_LIST) if dll == "msvcrt.dll"}
        self.assertEqual(sorted(listed & emulated), [])
        # The newer list's msvcrt names and the library's emulations agree where they meet.
        newer = {name for dll, name in read_xp_list(NEWER_LIST) if dll == "msvcrt.dll"}
        self.assertEqual(sorted(newer - emulated - set(library)), [], "newer names unknown to the library")

    def test_the_newer_list_holds_what_the_header_check_misses(self):
        # XP-set headers declare these all the same.
        newer = {name for _, name in read_xp_list(NEWER_LIST)}
        self.assertLessEqual({"WaitOnAddress", "WakeByAddressSingle", "GetSystemTimePreciseAsFileTime",
                              "SetThreadErrorMode", "GetThreadId", "Wow64DisableWow64FsRedirection",
                              "Wow64RevertWow64FsRedirection", "GetTickCount64"}, newer)

    def test_the_check_rejects_vista_functions(self):
        # Guards the check itself: these came with Vista.
        for name in ["GetTickCount64", "SetProcessDPIAware", "InitializeConditionVariable"]:
            code, _ = compile_errors([name])
            self.assertNotEqual(code, 0, name)


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    COMPILER, NM, XP_LIST = sys.argv[1], sys.argv[2], sys.argv[3]
    unittest.main(argv=[sys.argv[0], "-v"] + sys.argv[4:])
