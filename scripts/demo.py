#!/usr/bin/env python3
"""`make demo`: the program cleaning a sample drive of the XP generation under
Wine, driven with the keyboard as a person would.

Usage: scripts/demo.py [--no-build] [--build-dir DIR] [--work DIR] [--private-display]

Everything lives under the work folder (default build/demo): a throwaway Wine
prefix, the sample drive (mapped as X:), its manifest and the screenshots.
The program shows on $DISPLAY when it works, otherwise on a private Xvfb.
Nothing is left running afterwards, whatever happens.
"""
import argparse
import json
import os
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
sys.path.insert(0, os.path.join(ROOT, "tools"))
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))
import person  # noqa: E402
import make_sample_drive  # noqa: E402
import brim_wine  # noqa: E402
import wine_drives  # noqa: E402

LETTER = "X"
USER = "Administrator"

# Links opened under this prefix go to /bin/true, never to a real browser or
# mail program; no menu entries are written to the desktop; 96 dpi and
# Wine's own fonts, so the screenshots look the same everywhere.
PREFIX_SETTINGS = r"""REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\WineBrowser]
"Browsers"="true"
"Mailers"="true"

[HKEY_CURRENT_USER\Control Panel\Desktop]
"LogPixels"=dword:00000060
"""
PRIVATE_X_SETTINGS = r"""
[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Decorated"="N"
"""


def say(text=""):
    print(text, flush=True)


def run_quiet(command, what, **kwargs):
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kwargs)
    if done.returncode != 0:
        sys.stdout.write(done.stdout)
        raise person.Failed("%s failed (exit code %d)" % (what, done.returncode))


def display_works(display):
    if not display:
        return False
    return subprocess.run(["xdpyinfo", "-display", display], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, check=False).returncode == 0


def start_xvfb():
    """A private X server; returns (process, display)."""
    started = brim_wine.start_xvfb("1024x768x24")
    if started is None:
        raise person.Failed("Xvfb did not start")
    return started


def human(n):
    return "{:,}".format(n)


def table(manifest, before, after):
    per_row, unclaimed = person.removed_per_row(manifest, before, after)
    first_of = {}
    lines = ["", " row  kind    files  bytes  target (%s:\\...)" % LETTER, " ---  ------  -----  -----  " + "-" * 40]
    for r in manifest["rows"]:
        files, size = per_row[r["row"]]
        path = r["path"]
        key = path.lower()
        note = ""
        if r["repeat"]:
            note = "   (the same folder as row %d: nothing left)" % first_of.get(key, 0)
        first_of.setdefault(key, r["row"])
        path = path.replace("/", "\\")
        shown = path if len(path) <= 64 else "..." + path[-61:]
        lines.append("{:4d}  {:6s} {:6d} {:6d}  {}{}".format(r["row"], r["kind"], files, size, shown, note))
    total_files = sum(v[0] for v in per_row.values())
    total_bytes = sum(v[1] for v in per_row.values())
    lines.append(" ---  ------  -----  -----")
    lines.append(" all 92 rows  {:5d} {:6d}  files and bytes removed".format(total_files, total_bytes))
    return lines, total_files, total_bytes, unclaimed


def survivor_groups(manifest, missing):
    """The non-target files by whose they are: (group, "kept of all")."""
    mine = "Documents and Settings/%s/" % USER
    theirs = "Documents and Settings/Guest/"
    groups = [("%s's own files (documents, desktop, settings)" % USER, lambda p: p.startswith(mine)),
              ("the second user's profile (Guest), targets included", lambda p: p.startswith(theirs)),
              ("neighbours and look-alikes elsewhere on the drive",
               lambda p: not p.startswith(mine) and not p.startswith(theirs))]
    out = []
    for name, belongs in groups:
        files = [p for p in manifest["survivors"] if belongs(p)]
        lost = [p for p in missing if belongs(p)]
        out.append((name, "%d of %d still there" % (len(files) - len(lost), len(files))))
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--no-build", action="store_true", help="use the build as it is")
    ap.add_argument("--build-dir", help="the build to run (default: the 32-bit one where it can run, else 64-bit)")
    ap.add_argument("--work", default=os.path.join(ROOT, "build", "demo"))
    ap.add_argument("--private-display", action="store_true", help="always use a private Xvfb")
    args = ap.parse_args()
    began = time.monotonic()
    if args.build_dir:
        preset = None
    elif brim_wine.can_run_win32():
        preset = "windows"
        say("demo: the 32-bit exe, the product, as this machine runs 32-bit programs")
    else:
        preset = "windows64"
        say("demo: the 64-bit exe, as %s" % brim_wine.win32_reason())
    if preset:
        args.build_dir = os.path.join(ROOT, "build", preset)
    work = os.path.abspath(args.work)
    prefix = os.path.join(work, "prefix")
    drive = os.path.join(work, "drive-" + LETTER.lower())
    shots_dir = os.path.join(work, "screenshots")
    exe = os.path.join(args.build_dir, "src", "app", "Brimsweep 1.8.exe")
    spy_exe = os.path.join(args.build_dir, "tests", "e2e", "e2e_spy.exe")

    real_display = "" if args.private_display else os.environ.get("DISPLAY", "")
    env = brim_wine.env(WINEPREFIX=prefix)
    xvfb = None
    spy = None
    booting = None

    def stop(*_):
        raise SystemExit(130)

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGHUP, stop)
    signal.signal(signal.SIGINT, stop)
    try:
        # A fresh prefix boots (10-20 s) while the program builds.
        wine_drives.remove_tree(work)
        os.makedirs(shots_dir)
        say("demo: a throwaway Wine prefix in %s" % prefix)
        booting = subprocess.Popen([brim_wine.WINE, "wineboot", "-i"], env=env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        if not args.no_build and preset:
            say("demo: building \"Brimsweep 1.8.exe\" (%s-bit, MinGW-w64)" % ("32" if preset == "windows" else "64"))
            run_quiet(["cmake", "--preset", preset], "configuring", cwd=ROOT)
            run_quiet(["cmake", "--build", "--preset", preset, "--target", "brimsweep", "e2e_spy"], "building",
                      cwd=ROOT)
        for f in (exe, spy_exe):
            if not os.path.isfile(f):
                raise person.Failed("%s is missing: build the windows preset first" % f)

        manifest = make_sample_drive.build(drive, USER, "Guest")
        with open(os.path.join(work, "manifest.json"), "w", encoding="utf-8") as fh:
            json.dump(manifest, fh, indent=1)
        before = wine_drives.scan(drive)
        say("demo: a sample XP drive in %s" % drive)
        say("      something in all 92 catalogue rows (%d target paths), and %d other files and folders:"
            % (len(manifest["targets"]), len(manifest["survivors"])))
        say("      %s's own documents, a second user's profile (Guest), neighbours and look-alikes"
            % USER)

        booting.wait()
        booting = None
        use_real = display_works(real_display)
        reg = os.path.join(work, "settings.reg")
        with open(reg, "w", encoding="utf-8") as fh:
            fh.write(PREFIX_SETTINGS + ("" if use_real else PRIVATE_X_SETTINGS))
        run_quiet([brim_wine.WINE, "regedit", "/S", wine_drives.winpath(reg)], "setting up the prefix", env=env)
        fonts = "/usr/share/wine/fonts"
        if os.path.isdir(fonts):
            for name in os.listdir(fonts):
                shutil.copy(os.path.join(fonts, name), os.path.join(prefix, "drive_c", "windows", "Fonts"))
        # The prefix's desktop started without a display; let it end so that
        # the program's windows get the display chosen now.
        run_quiet(["wineserver", "-w"], "waiting for the prefix", env=env)
        if use_real:
            env["DISPLAY"] = real_display
            say("demo: the program shows on your display %s: please leave the keyboard alone for a few seconds"
                % real_display)
        else:
            xvfb, env["DISPLAY"] = start_xvfb()
            say("demo: no usable display; the program shows on a private Xvfb (%s)" % env["DISPLAY"])
        wine_drives.map_folder(LETTER, drive, prefix)
        say("demo: drive %s: is %s" % (LETTER, drive))

        say("demo: starting the program and typing, as a person would (%s)" % person.XKeys.name)
        spy = person.Spy(spy_exe, exe, env)
        keys = person.XKeys(spy, env)
        shots = person.Shots(shots_dir, env)
        seen = person.cleanup_as_a_person(spy, keys, LETTER, USER, shots, say)
        spy.close()
        spy = None

        after = wine_drives.scan(drive)
        lines, total_files, total_bytes, unclaimed = table(manifest, before, after)
        for line in lines:
            say(line)
        left = [t for t in manifest["targets"] if os.path.lexists(os.path.join(drive, t))]
        missing = [s for s in manifest["survivors"] if not os.path.lexists(os.path.join(drive, s))]
        say()
        say("before: %s files and folders on %s:   after: %s" % (human(len(before)), LETTER, human(len(after))))
        say("targets: %d of %d gone%s" % (len(manifest["targets"]) - len(left), len(manifest["targets"]),
                                          "" if not left else "   STILL THERE: " + ", ".join(left)))
        say("everything else: %d of %d files and folders still there%s"
            % (len(manifest["survivors"]) - len(missing), len(manifest["survivors"]),
               " (every one)" if not missing else "   MISSING: " + ", ".join(missing)))
        for group, count in survivor_groups(manifest, missing):
            say("  %-55s %s" % (group, count))
        say("the run took %.1f s; the bar ended at %d" % (seen["run_seconds"], seen["bar"]))
        say()
        for path in shots.taken:
            say("screenshot: %s" % path)
        if left or missing or unclaimed:
            raise person.Failed("the drive is not as it should be%s" %
                                ("" if not unclaimed else " (removed outside any target: %s)" % unclaimed))
        say("demo: done in %.0f s" % (time.monotonic() - began))
        return 0
    except person.Failed as failure:
        say("demo: FAILED: %s" % failure)
        return 1
    finally:
        if spy is not None:
            spy.close()
        if booting is not None:
            booting.kill()
        subprocess.run(["wineserver", "-k"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       check=False)
        if xvfb is not None:
            xvfb.terminate()
            try:
                xvfb.wait(timeout=5)
            except subprocess.TimeoutExpired:
                xvfb.kill()


if __name__ == "__main__":
    sys.exit(main())
