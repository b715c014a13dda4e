#!/usr/bin/env python3
"""Every way of ending the real program, with the focus on each control in
turn, under Wine's heap poisoning: a window callback that touches freed memory
makes Wine log an "err:" line (and swallow the fault), so any "err:" line, or
an exit code other than 0, fails.
Endings: "Exit Program" and the main window's close box, with the focus on each
of its five controls; About's "OK" and its close box, with the focus on each of
its four buttons, then "Exit Program".
Usage: endings_test.py PROGRAM.exe e2e_spy.exe   (run by CTest)"""
import os
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, "..", "support")]
import brim_wine  # noqa: E402
import person  # noqa: E402
from verdict import check  # noqa: E402

HEAP_LOG = "-all,warn+heap,err+seh"
MAIN_FOCUS = ["U", "Cleanup", "About", "Exit Program", "D"]
ABOUT_FOCUS = ["OK", "Email Me", "Donate", "Blog"]


def main_endings():
    for focus in MAIN_FOCUS:
        for how in ("Exit Program", "close box"):
            yield "main window, focus on %s, %s" % (focus, how), focus, None, how


def about_endings():
    for focus in ABOUT_FOCUS:
        for how in ("OK", "close box"):
            yield "About, focus on %s, %s, then Exit Program" % (focus, how), None, focus, how


def end_once(spy, main_focus, about_focus, how, log):
    keys = person.PostedKeys(spy)
    person.wait_main(spy, log)
    if about_focus is None:
        person.focus_on(spy, keys, main_focus, log)
        if how == "close box":
            person.expect(spy.ask("closebox main") == "ok", "the close box was clicked", log)
        else:
            person.expect(spy.ask("press main Exit Program") == "ok", "\"Exit Program\" was clicked", log)
    else:
        person.focus_on(spy, keys, "About", log)
        keys.press(person.VK_RETURN)
        person.expect(spy.window("about") is not None, "About opened", log)
        person.focus_on(spy, keys, about_focus, log)
        if how == "close box":
            person.expect(spy.ask("closebox about") == "ok", "About's close box was clicked", log)
        else:
            person.expect(spy.ask("press about OK") == "ok", "About's OK was clicked", log)
        person.expect(spy.gone("Brimsweep_Ab"), "About closed", log)
        person.expect(spy.ask("press main Exit Program") == "ok", "\"Exit Program\" was clicked", log)
    return spy.exit_code()


def main():
    exe, spy_exe = sys.argv[1:3]
    env = brim_wine.test_env(BRIM_WINEDEBUG=HEAP_LOG)
    failures = []
    for what, main_focus, about_focus, how in list(main_endings()) + list(about_endings()):
        print("%s:" % what)
        with tempfile.TemporaryFile(mode="w+", encoding="utf-8", errors="replace") as wine_log:
            spy = person.Spy(spy_exe, exe, env, stderr=wine_log)
            try:
                code = end_once(spy, main_focus, about_focus, how, print)
            except person.Failed as failure:
                code = "not seen (%s)" % failure
            finally:
                spy.close()
            wine_log.seek(0)
            errors = [line.rstrip() for line in wine_log if "err:" in line]
        if code != 0 or errors:
            failures.append(what)
            print("  FAILED: exit code %s; Wine logged:\n    %s" % (code, "\n    ".join(errors) or "nothing"))
        else:
            print("  ok: exit code 0, nothing logged")
    check(not failures, "every ending is clean under %s (not: %s)" % (HEAP_LOG, failures))


if __name__ == "__main__":
    main()
