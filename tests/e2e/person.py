"""Drives the real program under Wine as a person would: keys in, eyes on the
screen. Shared by `make demo` and the end-to-end tests.

The program is started and watched by e2e_spy.exe (windows, texts, focus, the
bar's position). Keys reach it either as real X keyboard events (XKeys, through
xdotool) or as keyboard messages posted to the focused control (PostedKeys).
"""
import contextlib
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from brim_wine import WINE  # noqa: E402
from wine_drives import winpath  # noqa: E402

VK_TAB, VK_RETURN, VK_BACK = 0x09, 0x0D, 0x08
TITLE = "Brimsweep 1.8"
FINISHED = "Finished"
WARNING = "An error has been encountered.\n\rPlease fix the input boxes and try again."


class Failed(Exception):
    """A step did not show what a person would expect to see."""


def unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append({"n": "\n", "r": "\r", "t": "\t", "\\": "\\"}.get(text[i + 1], text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def fields(line):
    """'a=1\\tb=x' -> {'a': '1', 'b': 'x'}"""
    out = {}
    for part in line.split("\t"):
        key, _, value = part.partition("=")
        out[key] = unescape(value)
    return out


class Spy:
    """e2e_spy.exe running beside the program it started."""

    def __init__(self, spy_exe, program_exe, env, stderr=subprocess.DEVNULL):
        """stderr: where Wine's log of both processes goes (a file, or nowhere)."""
        self.proc = subprocess.Popen([WINE, spy_exe, winpath(program_exe)], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=stderr, text=True, env=env,
                                     encoding="utf-8")
        first = self.proc.stdout.readline().strip()
        if not first.startswith("started"):
            raise Failed("the program did not start: " + (first or "no answer from the spy"))
        self.pid = int(first.split("pid=")[1])  # the program's process id

    def ask(self, command):
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()
        line = self.proc.stdout.readline()
        if not line:
            raise Failed("the spy stopped answering (at: %s)" % command)
        return line.rstrip("\n")

    def window(self, kind, wait_ms=15000):
        """kind: main, about or box. None when it does not show up in time."""
        line = self.ask("%s %d" % (kind, wait_ms))
        return None if line == "none" else fields(line)

    def gone(self, cls, wait_ms=10000):
        return self.ask("gone %s %d" % (cls, wait_ms)) == "ok"

    def state(self):
        line = self.ask("state")
        if line == "none":
            raise Failed("the main window is gone")
        s = fields(line)
        s["bar"] = int(s["bar"])
        return s

    def exit_code(self, wait_ms=15000):
        line = self.ask("exit %d" % wait_ms)
        return None if line == "running" else int(line.split("=")[1])

    def close(self):
        """Ends the spy, which ends the program if it is still there."""
        if self.proc.poll() is None:
            try:
                self.proc.stdin.write("quit\n")
                self.proc.stdin.flush()
                self.proc.wait(timeout=10)
            except (OSError, subprocess.TimeoutExpired):
                self.proc.kill()
                self.proc.wait()


@contextlib.contextmanager
def watched(spy_exe, program_exe, env, fail):
    """The program started beside its spy for the steps in the `with` block;
    a step that does not show what a person expects ends in fail(message).
    The spy, and with it the program, never outlives the block."""
    spy = Spy(spy_exe, program_exe, env)
    try:
        yield spy
    except Failed as failure:
        fail(str(failure))
    finally:
        spy.close()


class PostedKeys:
    """Keyboard messages posted to the focused control, through the program's
    own message loop (and so its dialog manager)."""

    name = "keyboard messages"

    def __init__(self, spy):
        self.spy = spy

    def press(self, vk, _window=None):
        self.spy.ask("key %d" % vk)
        time.sleep(0.05)

    def type(self, text, _window=None):
        for c in text:
            self.spy.ask("char %d" % ord(c))
        time.sleep(0.05)

    def erase(self):
        self.type("\b")

    def look_at(self, _window):
        """Posted keys need no active window."""


class XKeys:
    """Real X keyboard events (xdotool through XTEST), each a whole key press
    (down and up) to the focused window, sent only while the focus is on the
    program's own X window, so that no keystroke can land in another
    application. (Keys sent to a window by id come as a separate down and up:
    a window that closes on the down, as a message box on Enter, is gone
    before its up, and Wine 10 then repeats the key as held.)"""

    name = "X keyboard events"
    NAMES = {VK_TAB: "Tab", VK_RETURN: "Return", VK_BACK: "BackSpace"}

    def __init__(self, spy, env):
        self.spy = spy
        self.env = env

    def _target(self, window):
        xid = (window or self.spy.window("main", 0) or {}).get("xid", "0")
        if xid in ("", "0"):
            raise Failed("no X window to type into")
        return xid

    def _xdotool(self, *args, timeout=10):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True, check=False,
                              timeout=timeout)

    def look_at(self, window):
        """Makes the program's window the active one, as a click on it would."""
        self._xdotool("windowactivate", "--sync", self._target(window))
        self._xdotool("windowfocus", "--sync", self._target(window))

    def _focus_on(self, window):
        target = int(self._target(window), 0)
        for _ in range(2):
            focused = self._xdotool("getwindowfocus", "-f").stdout.strip()
            if focused.isdigit() and int(focused) == target:
                return
            self._xdotool("windowfocus", "--sync", str(target))
        raise Failed("the X focus is not on the program's window (it is on %s)" % (focused or "none"))

    def press(self, vk, window=None):
        self._focus_on(window)
        subprocess.run(["xdotool", "key", "--clearmodifiers", "--delay", "40", self.NAMES[vk]], env=self.env,
                       check=True, timeout=10)
        time.sleep(0.1)

    def type(self, text, window=None):
        self._focus_on(window)
        subprocess.run(["xdotool", "type", "--delay", "40", text], env=self.env, check=True, timeout=30)
        time.sleep(0.1)

    def erase(self):
        self.press(VK_BACK)


def expect(condition, message, log):
    if not condition:
        raise Failed(message)
    log("  ok: " + message)


def focus_on(spy, keys, name, log, presses=8):
    """Presses Tab until `name` ("D", "U", "Cleanup", ...) has the focus."""
    for _ in range(presses):
        focus = spy.state()["focus"]
        if focus == name or focus.endswith(":" + name):
            return
        keys.press(VK_TAB)
    raise Failed("Tab never reached %s (focus: %s)" % (name, spy.state()["focus"]))


def wait_state(spy, check, timeout=5.0):
    until = time.monotonic() + timeout
    while True:
        s = spy.state()
        if check(s) or time.monotonic() > until:
            return s
        time.sleep(0.05)


class Shots:
    """Screenshots of single windows with imagemagick; off when dir is None."""

    def __init__(self, directory, env):
        self.directory = directory
        self.env = env
        self.taken = []

    def take(self, window, name, over=None):
        """One window; with `over`, the part of the screen that shows both."""
        if self.directory is None:
            return
        path = os.path.join(self.directory, name)
        time.sleep(0.4)  # let the window finish painting
        x, y, w, h = (int(v) for v in window["rect"].split(","))
        if over is not None:
            ox, oy, ow, oh = (int(v) for v in over["rect"].split(","))
            x2, y2 = max(x + w, ox + ow), max(y + h, oy + oh)
            x, y = min(x, ox), min(y, oy)
            w, h = x2 - x, y2 - y
        if over is None and window.get("xid", "0") != "0":
            command = ["import", "-window", window["xid"], path]
        else:
            command = ["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y), path]
        if subprocess.run(command, env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          check=False, timeout=20).returncode == 0:
            self.taken.append(path)


def wait_main(spy, log):
    main = spy.window("main")
    expect(main is not None and main["title"] == TITLE, "the main window \"%s\" is up" % TITLE, log)
    return main


def cleanup_as_a_person(spy, keys, letter, user, shots, log):
    """The whole visit: type the drive letter and user, Enter for "Cleanup",
    confirm "Finished", open and close About, leave through "Exit Program".
    Returns what was seen along the way."""
    seen = {}
    main = wait_main(spy, log)
    start = spy.state()
    expect(start["D"] == "C" and start["U"] == "Administrator" and start["bar"] == 0,
           "it starts with drive C, user Administrator, an empty bar", log)
    keys.look_at(main)

    focus_on(spy, keys, "D", log)
    keys.type(letter)
    focus_on(spy, keys, "U", log)
    keys.type(user)
    typed = spy.state()
    expect(typed["D"] == letter and typed["U"] == user,
           "typed drive %s and user %s into the boxes" % (letter, user), log)
    shots.take(main, "main-window-before.png")

    started = time.monotonic()
    keys.press(VK_RETURN)  # "Cleanup" is the default button
    box = spy.window("box", 60000)
    seen["run_seconds"] = time.monotonic() - started
    expect(box is not None, "a message box came up after the run", log)
    seen["box"] = box
    expect(box["title"] == TITLE and box["text"] == FINISHED and box["owner_is_main"] == "1",
           "the box says \"%s\" under the title \"%s\" (%.1f s after Enter)" % (FINISHED, TITLE,
                                                                                 seen["run_seconds"]), log)
    during = spy.state()
    seen["bar"] = during["bar"]
    expect(during["bar"] == 184, "the bar stands at 184 of 186", log)
    shots.take(box, "finished.png", over=main)
    keys.look_at(box)
    keys.press(VK_RETURN, box)
    expect(spy.gone("#32770"), "Enter confirmed the box", log)
    expect(spy.window("box", 1500) is None, "\"Finished\" was shown exactly once", log)
    keys.look_at(main)
    after = wait_state(spy, lambda s: s["enabled"] == "11111")
    expect(after["enabled"] == "11111" and after["bar"] == 184, "every control is enabled again", log)

    focus_on(spy, keys, "About", log)
    keys.press(VK_RETURN)
    about = spy.window("about")
    expect(about is not None and about["title"] == "About", "\"About\" opened", log)
    expect(spy.state()["main_enabled"] == "0", "the main window waits while About is open", log)
    shots.take(about, "about-window.png")
    keys.look_at(about)
    keys.press(VK_RETURN, about)  # the focus starts on its OK
    expect(spy.gone("Brimsweep_Ab"), "Enter on OK closed About", log)
    keys.look_at(main)

    focus_on(spy, keys, "Exit Program", log)
    keys.press(VK_RETURN)
    code = spy.exit_code()
    expect(code == 0, "\"Exit Program\" ended the program (exit code %s)" % code, log)
    return seen


def removed_per_row(manifest, before, after):
    """For each catalogue row: (row, files removed, bytes removed). A removed
    file counts for the first row, in run order, whose target holds it."""
    per_row = {r["row"]: [0, 0] for r in manifest["rows"]}
    unclaimed = []
    for rel, size in before.items():
        if rel in after or size is None:
            continue
        low = rel.lower()
        for r in manifest["rows"]:
            if any(low == m.lower() or low.startswith(m.lower() + "/") for m in r["made"]):
                per_row[r["row"]][0] += 1
                per_row[r["row"]][1] += size
                break
        else:
            unclaimed.append(rel)
    return per_row, unclaimed


def fill_in(spy, keys, drive, user, log):
    """Tabs to each box (the dialog manager selects its text) and types over it;
    an empty text erases the box."""
    for box, text in (("D", drive), ("U", user)):
        focus_on(spy, keys, box, log)
        if text:
            keys.type(text)
        else:
            keys.erase()
    s = spy.state()
    expect(s["D"] == drive and s["U"] == user, "typed drive %r and user %r" % (drive, user), log)
    return s


def escape(text):
    """As the spy escapes its answers (and reads its clip command)."""
    return text.replace("\\", "\\\\").replace("\n", "\\n").replace("\r", "\\r").replace("\t", "\\t")


def paste_into(spy, keys, box, text, log):
    """Tabs to the box (the dialog manager selects its text) and pastes over it
    with Ctrl+V, as a person does with a text too long to type."""
    focus_on(spy, keys, box, log)
    expect(spy.ask("clip " + escape(text)) == "ok", "put %d characters on the clipboard" % len(text), log)
    keys.type("\x16")  # Ctrl+V as the edit control receives it
    length = wait_state(spy, lambda _: spy.ask("length " + box) == "length=%d" % len(text))
    expect(length is not None and spy.ask("length " + box) == "length=%d" % len(text),
           "box %s holds all %d pasted characters" % (box, len(text)), log)


def run_pasted(spy, keys, drive, user, log):
    """Types the drive, pastes the user text, Enter; waits for "Finished"."""
    wait_main(spy, log)
    focus_on(spy, keys, "D", log)
    keys.type(drive)
    paste_into(spy, keys, "U", user, log)
    keys.press(VK_RETURN)
    box = spy.window("box", 120000)
    expect(box is not None and box["text"] == FINISHED, "the run ended with \"%s\"" % FINISHED, log)
    keys.press(VK_RETURN, box)
    expect(spy.gone("#32770"), "Enter confirmed the box", log)


def refused_as_a_person(spy, keys, drive, user, log):
    """Enter with input the run must refuse: the warning, then everything as it was."""
    before = fill_in(spy, keys, drive, user, log)
    keys.press(VK_RETURN)
    box = spy.window("box", 10000)
    expect(box is not None, "a message box came up", log)
    expect(box["title"] == TITLE and box["text"] == WARNING and box["owner_is_main"] == "1",
           "it is the warning, word for word, under the title \"%s\"" % TITLE, log)
    keys.look_at(box)
    keys.press(VK_RETURN, box)
    expect(spy.gone("#32770"), "Enter confirmed the warning", log)
    expect(spy.window("box", 1000) is None, "no second box followed", log)
    after = spy.state()
    expect(after == before, "the window is as it was: %s" % after, log)
