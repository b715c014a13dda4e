#!/usr/bin/env python3
"""The whole run as the user meets it, against a reference script, under Wine.

Usage: whole_run_bench.py BUILD_DIR [--rounds N] [--fat-rounds N] [--drives typical,fat,bare,empty] [--counts]
                          [--exe OLD.exe | --before OLD.exe]

Times the real exe from Enter to "Finished" (typed into and watched by
e2e_spy.exe, as in tests/e2e, which takes the time in its own process) on two
generated XP drives, side by side with a
VBScript run by cscript that does the same 92 rows with
Scripting.FileSystemObject (DeleteFolder path, True / DeleteFile path, False,
every error skipped). Every round gets fresh copies, the order alternates,
and the figures are medians. The reference's time is measured inside the
script (Timer around the 92 rows), so neither side pays for starting up;
its whole cscript process is shown beside it. With --before, an older exe is
timed in the same rounds too, for a before and after measured side by side.

With --counts, once per drive, the deterministic figure: wineserver requests per
removed file, ours and the reference's, counted by name in the server's
+server log (request lines only, written to a file), minus a run over an empty drive. Last, our
peak working set, read by the spy through GetProcessMemoryInfo.

The typical drive is tools/make_sample_drive.py's drive plus about 4,800 files
of profile junk in the targets; the fat one, about 57,000. The platform's
DeleteFolder follows links under Wine, so the drives hold none and each copy is
checked for links before the reference sees it. Everything lives in
BUILD_DIR/bench-work/whole-run: a prefix of its own, the drives, a private X
server.
"""
import argparse
import collections
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path[:0] = [HERE, os.path.join(ROOT, "tools"), os.path.join(ROOT, "tests", "e2e"),
                os.path.join(ROOT, "tests", "support")]
import make_sample_drive  # noqa: E402
import person  # noqa: E402
from brim_wine import WINE, can_run_win32, env as wine_env, pe_bits, start_xvfb, win32_reason  # noqa: E402
from wine_drives import map_folder, winpath  # noqa: E402
from run_bench import build_tree, no_links  # noqa: E402

USER = "Administrator"
OURS_LETTER, REF_LETTER = "Q", "R"
# Profile junk added to the sample drive, in files (run_bench.build_tree's shape);
# "bare" is the sample drive alone; "empty" is no drive at all, for the fixed
# cost of the window and the 92 rows when nothing is there.
DRIVES = {"typical": 4800, "fat": 57000, "bare": 0, "empty": None}
REQUEST = re.compile(r"^([0-9a-f]+): ([a-z_]+)\( ")
NEW_THREAD_REPLY = re.compile(r"^([0-9a-f]+): new_thread\(\) = 0 \{ tid=([0-9a-f]+)")
NEW_PROCESS_REPLY = re.compile(r"^([0-9a-f]+): new_process\(\) = 0 \{ info=[0-9a-f]+, pid=([0-9a-f]+)")
THREAD_REPLY = re.compile(r"^[0-9a-f]+: init_(?:first_)?thread\(\) = 0 \{ pid=([0-9a-f]+), tid=([0-9a-f]+)")


def say(text=""):
    print(text, flush=True)


def make_writable_and_remove(path):
    if os.path.lexists(path):
        subprocess.run(["chmod", "-R", "u+rwx", path], check=False, stderr=subprocess.DEVNULL)
        shutil.rmtree(path)


def files_under(root, rels):
    """Plain files at or under the given relative paths (links not followed)."""
    count = 0
    for rel in rels:
        p = os.path.join(root, rel)
        if os.path.isfile(p) and not os.path.islink(p):
            count += 1
        for _, _, names in os.walk(p):
            count += len(names)
    return count


class Template:
    """One generated drive, built once, copied fresh for every run."""

    def __init__(self, work, kind):
        self.path = os.path.join(work, "drive-" + kind)
        if DRIVES[kind] is None:
            os.makedirs(self.path, exist_ok=True)
            self.manifest, self.files, self.survivors = {"targets": [], "survivors": []}, 0, {}
            return
        manifest_path = self.path + ".json"
        if not os.path.isfile(manifest_path):
            make_writable_and_remove(self.path)
            make_writable_and_remove(self.path + ".tmp")
            manifest = make_sample_drive.build(self.path + ".tmp", USER, "Guest")
            profile = os.path.join(self.path + ".tmp", "Documents and Settings", USER)
            build_tree(profile, DRIVES[kind])
            os.rename(self.path + ".tmp", self.path)
            with open(manifest_path, "w", encoding="utf-8") as fh:
                json.dump(manifest, fh)
        with open(manifest_path, encoding="utf-8") as fh:
            self.manifest = json.load(fh)
        if not no_links(self.path):
            sys.exit("%s holds a link: the reference would follow it; refusing" % self.path)
        self.files = files_under(self.path, self.manifest["targets"])
        self.survivors = {rel: os.lstat(os.path.join(self.path, rel)).st_size
                          for rel in self.manifest["survivors"]}

    def copy_to(self, dest):
        make_writable_and_remove(dest)
        subprocess.run(["cp", "-a", self.path, dest], check=True)
        if not no_links(dest):
            sys.exit("%s holds a link; refusing" % dest)

    def check(self, copy, who):
        """What a run left of the targets and took of the rest: (left, lost)."""
        left = [t for t in self.manifest["targets"] if os.path.lexists(os.path.join(copy, t))]
        lost = [s for s, size in self.survivors.items()
                if not os.path.lexists(os.path.join(copy, s))
                or (size is not None and not os.path.isdir(os.path.join(copy, s))
                    and os.lstat(os.path.join(copy, s)).st_size != size)]
        if left or lost:
            say("  %s: %d targets left (%s), %d other paths lost or changed (%s)"
                % (who, len(left), ", ".join(left[:3]), len(lost), ", ".join(lost[:3])))
        return left, lost


def reference_script(path, letter):
    """The 92 rows as FileSystemObject calls, every error skipped; prints its own time."""
    lines = ['Dim fso, t0', 'Set fso = CreateObject("Scripting.FileSystemObject")', "t0 = Timer",
             "On Error Resume Next"]
    for _, kind, root, tail in make_sample_drive.read_catalogue():
        target = letter + (tail if root == "drive" else ":\\Documents and Settings\\" + USER + tail)
        quoted = '"' + target.replace('"', '""') + '"'
        lines.append("fso.DeleteFolder %s, True" % quoted if kind == "folder" else "fso.DeleteFile %s, False" % quoted)
    lines += ["On Error GoTo 0", 'WScript.Echo "ms=" & CLng((Timer - t0) * 1000)']
    with open(path, "w", encoding="utf-8", newline="\r\n") as fh:
        fh.write("\n".join(lines) + "\n")


class Bench:
    def __init__(self, build, work, exe=None):
        self.build = build
        self.work = work
        self.exe = exe or os.path.join(build, "src", "app", "Brimsweep 1.8.exe")
        self.spy_exe = os.path.join(build, "tests", "e2e", "e2e_spy.exe")
        for f in (self.exe, self.spy_exe):
            if not os.path.isfile(f):
                sys.exit("%s is missing: build %s first" % (f, build))
        self.prefix = os.path.join(work, "prefix")
        self.env = wine_env(WINEPREFIX=self.prefix)
        self.env.pop("BRIM_WINEDEBUG", None)
        self.script = os.path.join(work, "reference.vbs")
        self.xvfb = None
        self.server = None
        self.log_path = None

    # -- set-up ---------------------------------------------------------------------------
    def start(self):
        if not os.path.isfile(os.path.join(self.prefix, "system.reg")):
            say("whole-run bench: a Wine prefix of its own in %s" % self.prefix)
            subprocess.run([WINE, "wineboot", "-i"], env=self.env, check=True, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            subprocess.run(["wineserver", "-w"], env=self.env, check=True)
        started = start_xvfb("800x600x24")
        if started is None:
            sys.exit("Xvfb did not start")
        self.xvfb, self.env["DISPLAY"] = started
        reference_script(self.script, REF_LETTER)
        self.server_up(debug=False)

    def server_up(self, debug):
        """A persistent wineserver for the prefix; with `debug`, its +server log
        goes to a file (read through a pipe it came back empty), counted once the
        server is down."""
        self.server_down()
        # The server logs the requests of clients whose WINEDEBUG has +server.
        self.client_env = dict(self.env, BRIM_WINEDEBUG="+server" if debug else "-all")
        self.counts = collections.Counter()
        self.cscript_pids = set()
        self.log_path = os.path.join(self.work, "server.log") if debug else None
        log = open(self.log_path, "w") if debug else subprocess.DEVNULL
        try:
            self.server = subprocess.Popen(["wineserver", "-f", "-p"], env=self.env, stdout=subprocess.DEVNULL,
                                           stderr=log)
        finally:
            if debug:
                log.close()
        time.sleep(0.5)

    def _count(self, stream):
        """Counts request lines by (wine process id, request name); notes the
        processes started as cscript (the loader starts it as a new process)."""
        pid_of_tid = {}
        new_cscript = set()  # threads starting cscript, until the reply names its process
        own_new_thread = set()  # threads asking for a thread in their own process
        for line in stream:
            m = REQUEST.match(line)
            if m:
                tid, name = m.groups()
                self.counts[(pid_of_tid.get(tid), name)] += 1
                if name == "new_thread" and "process=ffffffff" in line:
                    own_new_thread.add(tid)
                if name == "new_process" and "cscript.exe\"" in line:
                    new_cscript.add(tid)
                continue
            c = NEW_PROCESS_REPLY.match(line)
            if c and c.group(1) in new_cscript:
                new_cscript.discard(c.group(1))
                self.cscript_pids.add(int(c.group(2), 16))
                continue
            t = NEW_THREAD_REPLY.match(line)
            if t and t.group(1) in own_new_thread:
                own_new_thread.discard(t.group(1))
                if t.group(1) in pid_of_tid:
                    pid_of_tid[t.group(2)] = pid_of_tid[t.group(1)]
                continue
            r = THREAD_REPLY.match(line)
            if r:
                pid_of_tid[r.group(2)] = int(r.group(1), 16)

    def server_down(self):
        if self.server is not None:
            subprocess.run(["wineserver", "-k"], env=self.env, check=False, stderr=subprocess.DEVNULL)
            try:
                self.server.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.server.kill()
                self.server.wait()
            self.server = None
            if self.log_path is not None:
                with open(self.log_path, errors="replace") as fh:
                    self._count(fh)
                os.remove(self.log_path)
                self.log_path = None

    def stop(self):
        self.server_down()
        if self.xvfb is not None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()

    def map(self, letter, folder):
        map_folder(letter, folder, self.prefix)

    # -- the two runs ---------------------------------------------------------------------
    def ours(self, copy, exe=None):
        """Enter to "Finished" through the real exe (or `exe`): (seconds, peak working set, wine pid)."""
        self.map(OURS_LETTER, copy)
        # A client whose stderr is /dev/null gets no server log: give it a file.
        err = open(os.path.join(self.work, "client.err"), "w") if self.log_path else subprocess.DEVNULL
        try:
            spy = person.Spy(self.spy_exe, exe or self.exe, self.client_env, stderr=err)
        finally:
            if self.log_path:
                err.close()
        try:
            person.wait_main(spy, lambda _: None)
            person.fill_in(spy, person.PostedKeys(spy), OURS_LETTER, USER, lambda _: None)
            person.focus_on(spy, person.PostedKeys(spy), "Cleanup", lambda _: None)
            # The spy keys Enter and times until the box, in its own process.
            line = spy.ask("timed %d 600000" % person.VK_RETURN)
            box = None if line == "none" else person.fields(line)
            if box is None or box["text"] != person.FINISHED:
                sys.exit("ours: no \"Finished\" after the run (%s)" % box)
            seconds = float(box["ms"]) / 1000.0
            memory = person.fields(spy.ask("memory"))
            wine_pid = spy.pid
        finally:
            spy.close()
        return seconds, int(memory["peak_ws"]), wine_pid

    def reference(self, copy):
        """The script's own time for the 92 rows, its whole process's, and its process id."""
        self.map(REF_LETTER, copy)
        started = time.monotonic()
        err = open(os.path.join(self.work, "client.err"), "w") if self.log_path else subprocess.DEVNULL
        try:
            proc = subprocess.Popen([WINE, "cscript", "//nologo", winpath(self.script)],
                                    env=self.client_env, stdout=subprocess.PIPE, stderr=err, text=True)
        finally:
            if self.log_path:
                err.close()
        out, _ = proc.communicate()
        process_seconds = time.monotonic() - started
        m = re.search(r"ms=(-?\d+)", out)
        if proc.returncode != 0 or not m:
            sys.exit("reference: cscript failed (exit %s): %s" % (proc.returncode, out.strip()))
        return int(m.group(1)) / 1000.0, process_seconds, proc.pid


def counts_of(bench, pid_test):
    return collections.Counter({name: n for (unix, name), n in bench.counts.items() if pid_test(unix)})


def count_run(bench, who, template, copy, empty):
    """Requests of one run over the drive and one over an empty drive, by name."""
    out = []
    for folder in (copy, empty):
        if folder == copy:
            template.copy_to(copy)
        else:
            make_writable_and_remove(empty)
            os.makedirs(empty)
        bench.server_up(debug=True)
        if who == "ours":
            _, _, wine_pid = bench.ours(folder)
        else:
            bench.reference(folder)
        bench.server_down()
        # Ours: the program the spy started; the reference: cscript.
        if who == "ours":
            out.append(counts_of(bench, lambda p: p == wine_pid))
        else:
            out.append(counts_of(bench, lambda p: p in bench.cscript_pids))
        if folder == copy:
            left, lost = template.check(copy, who + " (counted)")
            if lost or (who == "ours" and left):
                sys.exit("%s: the counted run did not remove exactly the targets" % who)
    full, base = out
    return ({name: full[name] - base.get(name, 0) for name in set(full) | set(base)}, sum(full.values()),
            sum(base.values()))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("build_dir")
    ap.add_argument("--rounds", type=int, default=5, help="timed rounds on the typical drive (default 5)")
    ap.add_argument("--fat-rounds", type=int, default=3, help="timed rounds on the fat drive (default 3)")
    ap.add_argument("--drives", default="typical,fat")
    ap.add_argument("--counts", action="store_true", help="also count wineserver requests per removed file")
    ap.add_argument("--exe", help="time this exe instead of the build's (an older build, for a before figure)")
    ap.add_argument("--before", help="time this older exe too, in the same rounds")
    args = ap.parse_args()
    before = args.before and os.path.abspath(args.before)
    if before and not os.path.isfile(before):
        sys.exit("%s is missing" % before)
    build = os.path.abspath(args.build_dir)
    exe = os.path.join(build, "src", "app", "Brimsweep 1.8.exe")
    if os.path.isfile(exe) and pe_bits(exe) == 32 and not can_run_win32():
        build = os.path.join(os.path.dirname(build), "windows64")
        say("whole-run bench: the 32-bit exe can't run here (%s); timing the 64-bit build in %s"
            % (win32_reason(), build))
    work = os.path.join(build, "bench-work", "whole-run")
    assert os.path.commonpath([work, build]) == build
    os.makedirs(work, exist_ok=True)
    bench = Bench(build, work, args.exe and os.path.abspath(args.exe))
    results = []
    try:
        bench.start()
        for kind in args.drives.split(","):
            rounds = args.fat_rounds if kind == "fat" else args.rounds
            if rounds < 1:
                say("%s drive: no rounds asked, skipped" % kind)
                continue
            template = Template(work, kind)
            say("%s drive: %d files in the targets, %d rounds" % (kind, template.files, rounds))
            ours_t, ref_t, ref_proc, peaks, before_t = [], [], [], [], []
            for r in range(rounds):
                order = ["ours", "ref"] + (["before"] if before else [])
                order = order[r % len(order):] + order[:r % len(order)]
                for who in order:
                    copy = os.path.join(work, "copy-" + who)
                    template.copy_to(copy)
                    if who == "before":
                        before_t.append(bench.ours(copy, before)[0])
                        template.check(copy, "before")
                    elif who == "ours":
                        seconds, peak, _ = bench.ours(copy)
                        ours_t.append(seconds)
                        peaks.append(peak)
                        left, lost = template.check(copy, "ours")
                        if left or lost:
                            sys.exit("ours did not remove exactly the targets")
                    else:
                        seconds, process, _ = bench.reference(copy)
                        ref_t.append(seconds)
                        ref_proc.append(process)
                        template.check(copy, "reference")
                say("  round %d: ours %.0f ms, reference %.0f ms (its process %.0f ms)%s"
                    % (r + 1, ours_t[-1] * 1000, ref_t[-1] * 1000, ref_proc[-1] * 1000,
                       ", before %.0f ms" % (before_t[-1] * 1000) if before else ""))
            row = {"kind": kind, "files": template.files, "rounds": rounds,
                   "ours": statistics.median(ours_t), "ref": statistics.median(ref_t),
                   "ref_process": statistics.median(ref_proc), "peak": max(peaks)}
            if before:
                row["before"] = statistics.median(before_t)
            if args.counts and template.files:
                copy = os.path.join(work, "copy-count")
                empty = os.path.join(work, "empty")
                row["ours_req"], row["ours_total"], row["ours_empty"] = count_run(bench, "ours", template, copy, empty)
                row["ref_req"], row["ref_total"], row["ref_empty"] = count_run(bench, "ref", template, copy, empty)
                bench.server_up(debug=False)
            results.append(row)
            report(row)
    finally:
        bench.stop()
    say()
    say("setting: %s build, under %s Wine, %d cores, load average %s at the end; side by side in one run"
        % ("64-bit" if "64" in os.path.basename(build) else "32-bit",
           "64-bit" if "64" in os.path.basename(build) else "32-bit", os.cpu_count(),
           " ".join(open("/proc/loadavg").read().split()[:3])))


def report(row):
    say("%s drive, %d files in the targets, medians of %d rounds:" % (row["kind"], row["files"], row["rounds"]))
    # The script's clock steps by about 4 ms, so over nothing it may read 0.
    ratio = "ratio %.2f" % (row["ours"] / row["ref"]) if row["ref"] > 0 else "no ratio"
    say("  ours (Enter to \"Finished\") %.0f ms, reference (92 rows in cscript) %.0f ms: %s"
        % (row["ours"] * 1000, row["ref"] * 1000, ratio))
    say("  (the reference's whole cscript process: %.0f ms)" % (row["ref_process"] * 1000))
    if "before" in row:
        before_ratio = "ratio %.2f; " % (row["before"] / row["ref"]) if row["ref"] > 0 else ""
        say("  before (the older exe) %.0f ms: %safter / before %.2f"
            % (row["before"] * 1000, before_ratio, row["ours"] / row["before"]))
    say("  our peak working set: %.1f MiB" % (row["peak"] / 1048576))
    if "ours_req" in row and not row["ours_total"]:
        say("  wineserver requests: none reached the bench's log, so no figure (see bench/RESULTS.md)")
    elif "ours_req" in row:
        files = row["files"]
        ours, ref = row["ours_req"], row["ref_req"]
        say("  wineserver requests per removed file: ours %.2f, reference %.2f"
            % (sum(ours.values()) / files, sum(ref.values()) / files))
        say("  (a run over an empty drive, whole process: ours %d requests, reference %d)"
            % (row["ours_empty"], row["ref_empty"]))
        names = sorted(set(ours) | set(ref), key=lambda n: -max(abs(ours.get(n, 0)), abs(ref.get(n, 0))))
        for name in names:
            a, b = ours.get(name, 0), ref.get(name, 0)
            if max(abs(a), abs(b)) >= files * 0.02:
                say("    %-24s ours %6.2f  reference %6.2f" % (name, a / files, b / files))


if __name__ == "__main__":
    main()
