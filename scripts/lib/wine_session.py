"""A Wine prefix and a virtual X display in which the Windows programs run.

One prefix serves both architectures. The display runs a small window
manager: without one, Wine stalls for about two seconds whenever a window is
hidden. Wine draws the windows' captions itself, as Windows does, so that the
caption's close button is the program's own.
"""

import json
import os
import signal
import subprocess
import time

WINE32 = "/usr/lib/wine/wine"
WINE64 = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"

# The program's close question, as the window driver reads it, and the
# identifiers of the message box buttons.
CLOSE_CAPTION = "終了確認"
CLOSE_TEXT = "終了してもよいですか"
IDOK, IDYES, IDNO = 1, 6, 7

OPENBOX_CONFIG = """<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew></focus>
  <keyboard></keyboard>
  <mouse></mouse>
</openbox_config>
"""


class Failure(Exception):
    """Something the run waited for did not come, or came wrong."""


def wait_for(what, predicate, timeout, seen=lambda: ""):
    """Polls predicate until it gives a true value and returns that value;
    fails with what was seen when timeout seconds have passed."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            detail = seen()
            raise Failure(f"waited {timeout:g} s for {what}" + (f"; saw: {detail}" if detail else ""))
        time.sleep(0.05)


def wine_for(arch):
    return WINE32 if arch == "i686" else WINE64


def probe_32bit():
    """None when this machine starts 32-bit programs, else the reason why not."""
    if not os.path.exists(WINE32):
        return f"{WINE32} is missing (the wine32 package)"
    try:
        result = subprocess.run([WINE32, "--version"], capture_output=True, text=True, timeout=30)
    except OSError as error:
        return f"this machine cannot start 32-bit programs: {error.strerror}"
    except subprocess.TimeoutExpired:
        return "Wine's 32-bit loader did not answer within 30 s"
    if result.returncode != 0:
        return "Wine's 32-bit loader does not start: " + (result.stderr.strip() or f"exit {result.returncode}")
    return None


def alive(pid):
    try:
        os.kill(pid, 0)
        return True
    except OSError:
        return False


def stop_pid(pid):
    if pid and alive(pid):
        try:
            os.kill(pid, signal.SIGTERM)
            wait_for(f"process {pid} to end", lambda: not alive(pid) or reap(pid), 5)
        except Failure:
            os.kill(pid, signal.SIGKILL)


def reap(pid):
    try:
        done, _ = os.waitpid(pid, os.WNOHANG)
        return done == pid
    except ChildProcessError:
        return not alive(pid)


class Session:
    """The prefix and the display, kept in a folder; their state lies in a
    file there, so that separate test processes share them."""

    def __init__(self, folder, display=None):
        self.folder = os.path.abspath(folder)
        self.own_display = display is None
        self.prefix = os.path.join(self.folder, "prefix")
        self.state_file = os.path.join(self.folder, "session.json")
        self.state = {}
        if display is not None:
            self.state = {"display": display}
        elif os.path.exists(self.state_file):
            with open(self.state_file) as f:
                self.state = json.load(f)

    def env(self):
        env = dict(os.environ)
        env.update({
            "WINEPREFIX": self.prefix,
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=",
            "LANG": "ja_JP.UTF-8",
            "LC_ALL": "ja_JP.UTF-8",
        })
        if "display" in self.state:
            env["DISPLAY"] = self.state["display"]
        return env

    def running(self):
        return bool(self.state) and alive(self.state.get("xvfb", 0))

    def start(self, progress=print):
        os.makedirs(self.folder, exist_ok=True)
        if self.own_display:
            if self.running():
                return
            self.state = {}
            self._start_display()
            self._save()
        if not os.path.exists(os.path.join(self.prefix, ".tarnwhistle-ready")):
            progress("preparing a Wine prefix (about half a minute, once)")
            self._make_prefix()

    def stop(self):
        # Wine's processes first, while their display is still there.
        if os.path.isdir(self.prefix):
            subprocess.run([WINESERVER, "-k"], env=self.env(), capture_output=True, timeout=30)
        if self.own_display:
            for name in ("wm", "xvfb"):
                if self.state.get(name):
                    stop_pid(self.state[name])
            self.state = {}
            if os.path.exists(self.state_file):
                os.remove(self.state_file)

    def _save(self):
        with open(self.state_file, "w") as f:
            json.dump(self.state, f)

    def _start_display(self):
        number = 90
        while os.path.exists(f"/tmp/.X11-unix/X{number}") or os.path.exists(f"/tmp/.X{number}-lock"):
            number += 1
        display = f":{number}"
        log = open(os.path.join(self.folder, "xvfb.log"), "w")
        xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
        self.state = {"display": display, "xvfb": xvfb.pid}
        wait_for(f"the X display {display}", lambda: os.path.exists(f"/tmp/.X11-unix/X{number}")
                 or xvfb.poll() is not None, 20)
        if xvfb.poll() is not None:
            raise Failure(f"Xvfb ended at once; see {log.name}")
        config = os.path.join(self.folder, "openbox.xml")
        with open(config, "w") as f:
            f.write(OPENBOX_CONFIG)
        env = self.env()
        wm = subprocess.Popen(["openbox", "--config-file", config], env=env,
                              stdout=open(os.path.join(self.folder, "openbox.log"), "w"),
                              stderr=subprocess.STDOUT, start_new_session=True)
        self.state["wm"] = wm.pid
        wait_for("the window manager", lambda: subprocess.run(
            ["xdotool", "get_num_desktops"], env=env, capture_output=True).returncode == 0, 20)

    def _make_prefix(self):
        env = self.env()
        subprocess.run([WINE64, "wineboot", "-i"], env=env, capture_output=True, timeout=300, check=True)
        subprocess.run([WINE64, "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Decorated",
                        "/t", "REG_SZ", "/d", "N", "/f"], env=env, capture_output=True, timeout=60, check=True)
        subprocess.run([WINESERVER, "-w"], env=env, capture_output=True, timeout=120)
        open(os.path.join(self.prefix, ".tarnwhistle-ready"), "w").close()


def find_x_window(env):
    """The X window of the program's main window, or None."""
    result = subprocess.run(["xdotool", "search", "--name", "^Tarnwhistle$"], env=env,
                            capture_output=True, text=True)
    ids = result.stdout.split()
    return ids[0] if result.returncode == 0 and ids else None


def drive_window(env, arch, build, *args):
    """Runs the window driver built in build; its "key=value" lines as a
    dict, or None when it did not find what it was asked for."""
    exe = os.path.join(build, "test-tools", "drive_window.exe")
    result = subprocess.run([wine_for(arch), exe] + [str(a) for a in args], env=env,
                            capture_output=True, timeout=30)
    values = {}
    for line in result.stdout.decode("utf-8", "replace").splitlines():
        key, _, value = line.partition("=")
        values[key] = value
    if result.returncode == 2:
        raise Failure(f"drive_window {' '.join(map(str, args))}: {values.get('error')}")
    return values if result.returncode == 0 else None


def windows_path(path):
    """The path as Wine's programs see it, on the drive Z: that maps /."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")
