"""The removal driver (tests/removal/remove_tool.cpp) run under Wine: once
to the end, or stopped at its hook while a script changes the drive."""
import os
import subprocess
import time

from brim_wine import WINE, env as wine_env
from wine_drives import write


def tool_path(name):
    """A driver, or its build with the Windows-like layer where the test runs over it."""
    layered = os.environ.get("BRIM_LAYERED_BIN")
    return os.path.join(layered, name) if layered else os.path.join(os.environ["BRIM_BUILD_DIR"], "tests", "removal", name)


def run_tool(*args, **kwargs):
    """Runs remove_tool.exe with the arguments; returns its output lines."""
    out = subprocess.run([WINE, tool_path("remove_tool.exe"), *args], env=wine_env(), check=True,
                         capture_output=True, text=True, **kwargs).stdout
    return out.splitlines()


def start_tool(*args):
    return subprocess.Popen([WINE, tool_path("remove_tool.exe"), *args], env=wine_env(),
                            stdout=subprocess.PIPE, text=True)


def at_hook(handshake, *args):
    """Starts remove_tool.exe with `args` and returns it once it stands at its
    hook (the handshake folder `handshake`, a Unix path, holds "hook-fired")."""
    for name in ("hook-fired", "hook-go"):
        if os.path.exists(os.path.join(handshake, name)):
            os.remove(os.path.join(handshake, name))
    proc = start_tool(*args)
    deadline = time.time() + 30
    while not os.path.exists(os.path.join(handshake, "hook-fired")):
        if time.time() > deadline or proc.poll() is not None:
            proc.kill()
            raise SystemExit("FAIL: the hook never fired: %s" % (args,))
        time.sleep(0.02)
    return proc


def go_on(handshake, proc):
    """Lets the tool past its hook; its output once it ends."""
    write(os.path.join(handshake, "hook-go"))
    return proc.communicate(timeout=120)[0]
