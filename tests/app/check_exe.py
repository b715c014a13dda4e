#!/usr/bin/env python3
"""Checks the built program file: it loads where its build is meant to (the
32-bit exe on XP SP3, the 64-bit one on 64-bit Windows 7) and carries its identity.

Usage: check_exe.py EXE LIST[:LIST...] [TestCase ...]
  The imports must all be on the lists of functions the target system has,
  and none on newer_than_xp.txt that those lists don't allow.
"""

import os
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pe_file  # noqa: E402

EXE = XP_LIST = None
SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
NEWER_LIST = os.path.join(os.path.dirname(os.path.abspath(__file__)), "newer_than_xp.txt")
ENGLISH_US = 0x0409

SEVEN_STRINGS = [
    ("Comments", "Programmed by Varnholt. The only sites allowed to host this program are "
                 "www.example.com and www.example.net, together with their affiliates."),
    ("CompanyName", "Quellmark Inc."),
    ("ProductName", "Brimsweep Version 1.8"),
    ("FileVersion", "1.08"),
    ("ProductVersion", "1.08"),
    ("InternalName", "Brimsweep 1.8"),
    ("OriginalFilename", "Brimsweep 1.8.exe"),
]

# (image id, width, height, colours, bits per pixel), in group order.
ICONS = [(30001, 32, 32, 2, 1), (30002, 32, 32, 16, 4), (30003, 16, 16, 16, 4)]


def read_lists(paths):
    allowed = set()
    for path in paths.split(":"):
        allowed |= read_xp_list(path)
    return allowed


def read_xp_list(path):
    allowed = set()
    dll = None
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()  # a note may follow the name
            if not line:
                continue
            if line.startswith("[") and line.endswith("]"):
                dll = line[1:-1].lower()
            elif dll is None:
                raise ValueError("%s:%d: function outside a [dll] section" % (path, number))
            else:
                allowed.add((dll, line))
    return allowed


def import_faults(exe, lists):
    """What is wrong with EXE's imports against LISTS: [(fault, "dll name")]."""
    allowed = read_lists(lists)
    newer = read_xp_list(NEWER_LIST) - allowed
    faults = []
    for dll, name in pe_file.PeFile(exe).imports():
        key = (dll.lower(), name)
        if key in newer:
            faults.append(("newer than XP", "%s %s" % (dll, name)))
        elif key not in allowed:
            faults.append(("not on the lists", "%s %s" % (dll, name)))
    return sorted(faults)


class ImportsTest(unittest.TestCase):
    def test_every_import_exists_on_the_target_system(self):
        self.assertTrue(pe_file.PeFile(EXE).imports(), "the import table is empty")
        faults = import_faults(EXE, XP_LIST)
        if faults:
            self.fail("%d import(s) of %s fail against %s and %s:\n  %s\n"
                      "Reach newer functions through RunTimeEntry with a fallback, or add them to the "
                      "list once checked to exist on the target system." % (
                          len(faults), os.path.basename(EXE), XP_LIST, os.path.basename(NEWER_LIST),
                          "\n  ".join("%s: %s" % f for f in faults)))

    def test_the_check_fails_on_a_planted_newer_import(self):
        # A copy of the exe whose first long enough kernel32 import is renamed
        # WaitOnAddress in place, as a build that called it directly would be.
        with open(EXE, "rb") as f:
            data = bytearray(f.read())
        planted = b"WaitOnAddress"
        victim = next(name for dll, name in pe_file.PeFile(EXE).imports()
                      if dll.lower() == "kernel32.dll" and len(name) >= len(planted))
        at = data.index(b"\0" + victim.encode("ascii") + b"\0") + 1
        data[at:at + len(victim)] = planted + b"\0" * (len(victim) - len(planted))
        with tempfile.TemporaryDirectory() as tmp:
            copy = os.path.join(tmp, "planted.exe")
            with open(copy, "wb") as f:
                f.write(data)
            faults = import_faults(copy, XP_LIST)
        self.assertIn(("newer than XP", "kernel32.dll waitonaddress"), [(f, i.lower()) for f, i in faults])

    def test_no_delay_loaded_imports(self):
        # They would escape the check above and fail only when first called.
        self.assertEqual(pe_file.PeFile(EXE).delay_imports(), 0)


class HeaderTest(unittest.TestCase):
    SUBSYSTEM = (2, "not a GUI program")

    def test_loads_on_its_target_system(self):
        pe = pe_file.PeFile(EXE)
        self.assertEqual(pe.subsystem, self.SUBSYSTEM[0], self.SUBSYSTEM[1])
        if pe.is_64:
            self.assertEqual(pe.machine, 0x8664, "not an x86-64 program")
            self.assertLessEqual(pe.os_version, (6, 1), "OS version above Windows 7's 6.1")
            self.assertLessEqual(pe.subsystem_version, (6, 1), "subsystem version above Windows 7's 6.1")
        else:
            self.assertEqual(pe.machine, 0x14C, "not a 32-bit x86 program")
            self.assertLessEqual(pe.os_version, (5, 1), "OS version above XP's 5.1")
            self.assertLessEqual(pe.subsystem_version, (5, 1), "subsystem version above XP's 5.1")

    def test_program_file_size(self):
        # The 32-bit exe is the product people download: it was 419 KiB before
        # it was built for size, 282 KiB with the held delete marks, the
        # least-access opens and the per-kind controls, 220 KiB once the
        # runtime's old string stayed out (the removal built for speed); this
        # catches it growing back.
        pe = pe_file.PeFile(EXE)
        if pe.is_64 or self.SUBSYSTEM[0] != 2:
            return
        self.assertLessEqual(os.path.getsize(EXE), 240 * 1024, "the 32-bit exe grew past 240 KiB")

    def test_no_time_stamps(self):
        pe = pe_file.PeFile(EXE)
        self.assertEqual(pe.timestamp, 0, "link time in the file header")
        if self.SUBSYSTEM[0] == 3:
            return  # the console companion carries no resources
        _, stamps = pe.resources()
        self.assertTrue(stamps, "no resources")
        self.assertEqual(set(stamps), {0}, "time stamps in the resource directories")


class ConsoleHeaderTest(HeaderTest):
    """The console companion: the same target systems, the console subsystem."""
    SUBSYSTEM = (3, "not a console program")


class ResourcesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.resources, _ = pe_file.PeFile(EXE).resources()

    def only(self, kind, name):
        found = {key[2]: data for key, data in self.resources.items() if key[:2] == (kind, name)}
        self.assertEqual(list(found), [ENGLISH_US], "resource %s/%s: languages" % (kind, name))
        return found[ENGLISH_US]

    def test_every_resource_is_us_english(self):
        languages = {key: key[2] for key in self.resources}
        self.assertTrue(languages)
        self.assertEqual({k for k, lang in languages.items() if lang != ENGLISH_US}, set())

    def test_version_record(self):
        self.assertEqual([key[1] for key in self.resources if key[0] == pe_file.RT_VERSION], [1])
        key, fixed, children, _ = pe_file.parse_version_node(self.only(pe_file.RT_VERSION, 1))
        self.assertEqual(key, "VS_VERSION_INFO")
        fields = struct.unpack("<13I", fixed)
        names = ["signature", "struct version", "file version MS", "file version LS", "product version MS",
                 "product version LS", "flags mask", "flags", "OS", "type", "subtype", "date MS", "date LS"]
        expected = [0xFEEF04BD, 0x10000, 0x10008, 0, 0x10008, 0, 0, 0, 4, 1, 0, 0, 0]
        for name, got, want in zip(names, fields, expected):
            self.assertEqual(got, want, "fixed part, %s" % name)

        self.assertEqual([c[0] for c in children], ["StringFileInfo", "VarFileInfo"])
        tables = children[0][2]
        self.assertEqual([t[0] for t in tables], ["040904B0"], "string tables")
        entries = []
        for name, value, _ in tables[0][2]:
            self.assertTrue(value.endswith("\0") and "\0" not in value[:-1], "%s: not one terminated text" % name)
            entries.append((name, value[:-1]))
        self.assertEqual(entries, SEVEN_STRINGS)

        variables = children[1][2]
        self.assertEqual([v[0] for v in variables], ["Translation"])
        self.assertEqual(struct.unpack("<HH", variables[0][1]), (0x0409, 0x04B0))

    def test_icon_group(self):
        self.assertEqual([key[1] for key in self.resources if key[0] == pe_file.RT_GROUP_ICON], [1])
        self.assertEqual(sorted(key[1] for key in self.resources if key[0] == pe_file.RT_ICON),
                         [icon[0] for icon in ICONS])
        group = self.only(pe_file.RT_GROUP_ICON, 1)
        self.assertEqual(struct.unpack_from("<HHH", group), (0, 1, len(ICONS)))
        self.assertEqual(len(group), 6 + 14 * len(ICONS))
        fields = ["width", "height", "colours", "reserved", "planes", "bits", "bytes", "id"]
        for i, (image_id, width, height, colours, bits) in enumerate(ICONS):
            image = self.only(pe_file.RT_ICON, image_id)
            entry = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
            for name, got, want in zip(fields, entry, (width, height, colours, 0, 1, bits, len(image), image_id)):
                self.assertEqual(got, want, "group entry %d, %s" % (i + 1, name))
            header = struct.unpack_from("<IiiHHI", image)
            self.assertEqual(header, (40, width, 2 * height, 1, bits, 0), "image %d header" % image_id)
            rows = lambda bpp: ((width * bpp + 31) // 32) * 4 * height  # noqa: E731
            self.assertEqual(len(image), 40 + 4 * colours + rows(bits) + rows(1), "image %d size" % image_id)

    def test_icon_images_are_the_generator_output(self):
        with tempfile.TemporaryDirectory() as out:
            subprocess.run([sys.executable, os.path.join(SOURCE_DIR, "tools", "make_icon.py"), "--out", out],
                           check=True)
            for image_id, *_ in ICONS:
                with open(os.path.join(out, "icon_%d.bin" % image_id), "rb") as f:
                    self.assertEqual(self.only(pe_file.RT_ICON, image_id), f.read(), "image %d" % image_id)

    def test_manifest(self):
        self.assertEqual([key[1] for key in self.resources if key[0] == pe_file.RT_MANIFEST], [1])
        root = ElementTree.fromstring(self.only(pe_file.RT_MANIFEST, 1))
        v1 = "{urn:schemas-microsoft-com:asm.v1}"
        self.assertEqual(root.tag, v1 + "assembly")
        self.assertEqual(root.find(v1 + "assemblyIdentity").get("version"), "1.8.0.0")
        self.assertEqual(root.find(v1 + "description").text, "Brimsweep V1.8 - Produced by Varnholt")

        levels = [e.get("level") for e in root.iter() if e.tag.endswith("}requestedExecutionLevel")]
        self.assertEqual(levels, ["asInvoker"])
        os_ids = {e.get("Id") for e in root.iter("{urn:schemas-microsoft-com:compatibility.v1}supportedOS")}
        self.assertEqual(os_ids, {
            "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
            "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
            "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        dpi = [e.text for e in root.iter("{http://schemas.microsoft.com/SMI/2005/WindowsSettings}dpiAware")]
        self.assertEqual(dpi, ["true"])

        # Each build names its own architecture, or the common controls v6 are not found.
        arch = "amd64" if pe_file.PeFile(EXE).is_64 else "x86"
        self.assertEqual(root.find(v1 + "assemblyIdentity").get("processorArchitecture"), arch)
        dependencies = [e for e in root.iter(v1 + "assemblyIdentity")][1:]
        self.assertEqual([(d.get("name"), d.get("version"), d.get("processorArchitecture"))
                          for d in dependencies], [("Microsoft.Windows.Common-Controls", "6.0.0.0", arch)])


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    EXE, XP_LIST = sys.argv[1], sys.argv[2]
    unittest.main(argv=[sys.argv[0], "-v"] + sys.argv[3:])
