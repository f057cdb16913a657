#!/usr/bin/env python3
"""End-to-end runs of the real Windows program under Wine, in a virtual display.

usage: e2e.py session-start|session-stop SESSION_DIR
       e2e.py run SESSION_DIR BUILD_DIR ARCH CASE

Each case copies the program, and the module it needs as korvel.dll, into a
folder of its own under BUILD_DIR/e2e/, runs it as a user would, drives it
from outside and checks what the recording module received, what the window
showed and how the process ended. Exit codes: 0 passed, 1 failed, 77 skipped
(this machine cannot run the case).
"""

import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "lib"))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "check"))
import check_cli  # noqa: E402
from recording import (VERSION_REQUEST, LogError, Script, answer_with, parse_log,  # noqa: E402
                       sentence_request)
from wine_session import (CLOSE_CAPTION, CLOSE_TEXT, IDNO, IDOK, IDYES, Failure, Session,  # noqa: E402
                          drive_window, find_x_window, probe_32bit, wait_for, windows_path, wine_for)

SKIP = 77
ABNORMAL_TEXT = "Abnormal program termination"
TIMER_PERIOD = 1.0


class Run:
    """One start of the program in its own folder."""

    def __init__(self, ctx, name, module):
        self.ctx = ctx
        self.folder = os.path.join(ctx.build, "e2e", ctx.arch, name)
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(self.folder)
        shutil.copy(os.path.join(ctx.build, "tarnwhistle.exe"), self.folder)
        if module == "sample":
            shutil.copy(os.path.join(ctx.build, "korvel.dll"), self.folder)
        elif module:
            shutil.copy(os.path.join(ctx.build, "test-modules", module, "korvel.dll"), self.folder)
        self.log = os.path.join(self.folder, "module.log")
        self.script = os.path.join(self.folder, "module.script")
        self.process = None
        self.calls = []
        self._read = 0

    def start(self, script=None):
        if script is not None:
            with open(self.script, "wb") as f:
                f.write(script.text)
        env = self.ctx.session.env()
        env["TW_MODULE_LOG"] = windows_path(self.log)
        env["TW_MODULE_SCRIPT"] = windows_path(self.script)
        self.output = open(os.path.join(self.folder, "wine.out"), "w")
        self.process = subprocess.Popen([wine_for(self.ctx.arch), "tarnwhistle.exe"], cwd=self.folder,
                                        env=env, stdout=self.output, stderr=subprocess.STDOUT)
        self.ctx.started.append(self.process)
        # No other Wine process may start before the program's window exists.
        self.x_window = wait_for("the window 'Tarnwhistle'", self._x_window, 30, self.describe)
        self.window = self.drive("find")
        return self

    def _x_window(self):
        if self.process.poll() is not None:
            raise Failure(f"the program ended with exit code {self.process.returncode} before its window showed")
        return find_x_window(self.ctx.session.env())

    def drive(self, *args, check=True):
        """Runs the window driver; what it printed, or None when it found
        nothing and check is off."""
        values = drive_window(self.ctx.session.env(), self.ctx.arch, self.ctx.build, *args)
        if check and values is None:
            raise Failure(f"drive_window {' '.join(map(str, args))} found nothing")
        return values

    def read_calls(self):
        """The calls the module has recorded so far."""
        if not os.path.exists(self.log):
            return self.calls
        with open(self.log, "rb") as f:
            data = f.read()
        try:
            calls, at = parse_log(data, self._read)
        except LogError as error:
            raise Failure(str(error))
        self.calls.extend(calls)
        self._read = at
        return self.calls

    def requests(self):
        return [c.data for c in self.read_calls() if c.name == "request"]

    def ticks(self):
        return [c for c in self.read_calls() if c.name == "request" and c.data == sentence_request("OnSecondChange")]

    def wait_ticks(self, count, timeout=None):
        timeout = timeout or count * TIMER_PERIOD + 10
        return wait_for(f"{count} OnSecondChange in all", lambda: len(self.ticks()) >= count and self.ticks(),
                        timeout, self.describe)

    def describe(self):
        calls = self.read_calls()
        state = "running" if self.process and self.process.poll() is None else (
            f"ended with {self.process.returncode}" if self.process else "not started")
        return f"program {state}; module calls: {calls[-8:]}"

    def box(self, caption, timeout=15):
        return wait_for(f"a message box '{caption}'", lambda: self.drive("box", caption, check=False), timeout,
                        self.describe)

    def press(self, caption, button):
        self.drive("press", caption, button)
        wait_for(f"the box '{caption}' to go", lambda: self.drive("box", caption, check=False) is None, 15,
                 self.describe)

    def open_close_question(self, how):
        if how == "close button":
            point = self.drive("close-button")
            subprocess.run(["xdotool", "mousemove", point["x"], point["y"], "click", "1"],
                           env=self.ctx.session.env(), check=True)
        elif how == "Alt+F4":
            env = self.ctx.session.env()
            subprocess.run(["xdotool", "windowactivate", "--sync", self.x_window], env=env, check=True, timeout=15)
            subprocess.run(["xdotool", "key", "--clearmodifiers", "alt+F4"], env=env, check=True)
        elif how == "command":
            self.drive("post-command", 1000, 0x1234)
        else:
            raise ValueError(how)
        box = self.box(CLOSE_CAPTION)
        check(box["text"] == CLOSE_TEXT, f"the close question reads {box['text']!r}")
        check(box["buttons"] == f"{IDYES},{IDNO}", f"the close question has the buttons {box['buttons']}")
        check(box["owner"] == self.window["window"], "the close question is owned by the main window")
        return box

    def close(self):
        """Answers the close question Yes and waits for the end; the exit code."""
        self.open_close_question("command")
        self.press(CLOSE_CAPTION, IDYES)
        return self.wait_end()

    def wait_end(self, timeout=20):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"the program did not end within {timeout} s; {self.describe()}")

    def screenshot(self, name):
        path = os.path.join(self.ctx.artifacts, f"{self.ctx.arch}-{name}.png")
        subprocess.run(["/usr/bin/import", "-window", "root", path], env=self.ctx.session.env(), check=True, timeout=30)
        return path


def check(condition, message):
    if not condition:
        raise Failure(message)


def check_conversation_start(run, directory):
    calls = run.read_calls()
    check(len(calls) >= 3, f"the module received {calls}")
    load = calls[0]
    expected = windows_path(directory).encode() + b"\\"
    check(load.name == "load", f"the first call is {load.name}, not load")
    check(load.data == expected, f"load got {load.data!r}, not {expected!r}")
    check(load.length == len(expected), f"load got the length {load.length} for {len(expected)} bytes")
    check(load.block == len(expected) + 1 and load.after == 0,
          f"the directory's block has {load.block} bytes, byte after the text {load.after}: want one 0 after it")
    check(calls[1].data == VERSION_REQUEST, f"the version request was {calls[1].data!r}")
    check(calls[2].data == sentence_request("OnTwOpen"), f"the opening request was {calls[2].data!r}")
    for call in calls[1:]:
        if call.name == "request":
            check(call.block == call.length + 1 and call.after == 0,
                  f"a request's block has {call.block} bytes for {call.length}, byte after {call.after}")


def check_conversation_end(run, code):
    check(code == 0, f"exit code {code}, not 0")
    names = [c.name for c in run.read_calls()]
    check(names[-1] == "unload", f"the last call was {names[-1]}, not unload")
    check(run.read_calls()[-2].data == sentence_request("OnTwClose"), "OnTwClose comes right before unload")
    check(names.count("unload") == 1, "unload came once")


# ---- the cases ---------------------------------------------------------------

def case_conversation(ctx):
    run = Run(ctx, "conversation", "recording").start(Script())
    ticks = run.wait_ticks(3)
    check_conversation_start(run, run.folder)
    gap = ticks[1].seen - ticks[0].seen
    check(0.7 <= gap <= 1.8, f"two ticks came {gap:.2f} s apart, not about a second")
    check(run.requests()[2:] == [sentence_request("OnSecondChange")] * len(run.requests()[2:]),
          "every request after OnTwOpen is OnSecondChange until the close")
    check_conversation_end(run, run.close())


def case_close_question(ctx):
    run = Run(ctx, "close-question", "recording").start(Script())
    run.wait_ticks(1)
    for how in ("close button", "Alt+F4", "command"):
        run.open_close_question(how)
        before = len(run.ticks())
        run.wait_ticks(before + 2, 6)  # ticks go on while the question is shown
        run.press(CLOSE_CAPTION, IDNO)
        check(run.process.poll() is None, f"the program ended after No ({how})")
        check("OnTwClose" not in repr(run.requests()), f"No ({how}) sent the closing event")
    before = len(run.ticks())
    run.wait_ticks(before + 1)
    check_conversation_end(run, run.close())


LONG_SENTENCE = (b"The sentence of the module is drawn in blue below the clock line and is broken "
                 b"between words at the right edge of the window, line after line.")


def pixels(path, left, top, width, height):
    """The client area of a screenshot as rows of (r, g, b)."""
    ppm = subprocess.run(["/usr/bin/convert", path, "-crop", f"{width}x{height}+{left}+{top}", "+repage", "ppm:-"],
                         capture_output=True, check=True).stdout
    fields = ppm.split(maxsplit=4)
    w, h, data = int(fields[1]), int(fields[2]), fields[4]
    return [[tuple(data[(y * w + x) * 3:(y * w + x) * 3 + 3]) for x in range(w)] for y in range(h)]


def kind_of(pixel):
    """White, black or blue, counting the smoothed edges of black and blue
    text on white; anything else is "other"."""
    r, g, b = pixel
    if abs(r - g) <= 8 and b - max(r, g) >= 12:
        return "blue"
    if max(pixel) - min(pixel) <= 8:
        return "white" if min(pixel) >= 245 else "black"
    return "other"


def bounds(cells):
    xs = [x for x, _ in cells]
    ys = [y for _, y in cells]
    return (min(xs), min(ys), max(xs), max(ys)) if cells else None


def client_area(run, name):
    """A screenshot of the client area: its path, size and the places of its
    black, blue and other pixels."""
    shot = run.screenshot(name)
    w = run.drive("find")
    width, height = int(w["client_width"]), int(w["client_height"])
    image = pixels(shot, int(w["client_x"]), int(w["client_y"]), width, height)
    found = {"black": [], "blue": [], "other": []}
    for y, row in enumerate(image):
        for x, pixel in enumerate(row):
            kind = kind_of(pixel)
            if kind != "white":
                found[kind].append((x, y))
    return shot, width, height, image, found


def wait_drawn(run, name, kinds):
    """Takes screenshots until the client area shows pixels of every kind
    named: the paint after a tick has come."""
    return wait_for(f"the window to show {' and '.join(kinds)} text",
                    lambda: (lambda area: area if all(area[4][k] for k in kinds) else None)(
                        client_area(run, name)), 15, run.describe)


def case_display(ctx):
    script = Script().answer(answer_with(LONG_SENTENCE)).line("repeat")
    run = Run(ctx, "display", "recording").start(script)
    run.wait_ticks(3)
    shot, width, height, image, found = wait_drawn(run, "display", ["black", "blue"])
    check(not found["other"], f"{len(found['other'])} pixels neither white, black nor blue, first at "
          f"{found['other'][:3]}: {[image[y][x] for x, y in found['other'][:3]]} (see {shot})")
    clock = bounds(found["black"])
    check(clock is not None, f"no clock line drawn (see {shot})")
    check(10 <= clock[0] <= 13 and 10 <= clock[1] <= 16 and clock[3] < 40,
          f"the clock line lies at {clock}, not from (10, 10) within one line (see {shot})")
    text = bounds(found["blue"])
    check(text is not None, f"no sentence drawn (see {shot})")
    check(20 <= text[0] <= 23 and 40 <= text[1] <= 46, f"the sentence starts at {text[:2]}, not (20, 40) ({shot})")
    check(text[2] < width and text[3] - text[1] > 30, f"the sentence spans {text}: not wrapped in the window ({shot})")
    check_conversation_end(run, run.close())


def case_no_module(ctx):
    run = Run(ctx, "no-module", None).start()
    for root, _, files in os.walk(os.path.join(ctx.session.prefix, "drive_c")):
        check("korvel.dll" not in (f.lower() for f in files), f"a korvel.dll lies in {root}")
    shot, _, _, _, found = wait_drawn(run, "no-module", ["black"])  # it ticks
    check(run.process.poll() is None, "the program ended without its module")
    check(not found["blue"] and not found["other"], f"something besides the clock drawn ({shot})")
    code = run.close()
    check(code == 0, f"exit code {code}, not 0")


def case_quit_message(ctx):
    run = Run(ctx, "quit-message", "recording").start(Script())
    run.wait_ticks(1)
    run.drive("post-quit", 7)
    code = run.wait_end()
    check(code == 7, f"exit code {code}, not 7")
    names = [c.name for c in run.read_calls()]
    check("unload" not in names, "unload reached the module")
    check(sentence_request("OnTwClose") not in run.requests(), "OnTwClose reached the module")


def case_memory_exhausted(ctx):
    script = Script().answer(b"").answer(b"").line("answer-exhaust")
    run = Run(ctx, "memory-exhausted", "recording").start(script)
    box = run.box("tarnwhistle.exe", 60)
    check(box["text"] == ABNORMAL_TEXT, f"the box reads {box['text']!r}")
    check(box["owner"] == "0", "the abnormal end's box has an owner window")
    check(box["buttons"] == str(IDOK), f"the box has the buttons {box['buttons']}")
    run.drive("press", "tarnwhistle.exe", IDOK)
    code = run.wait_end()
    check(code == 3, f"exit code {code}, not 3")
    check("unload" not in [c.name for c in run.read_calls()], "unload reached the module")


CONTRACT_BREACHES = {
    # name: (module folder, script, the calls the module should see)
    "without-load": ("without_load", None, "none"),
    "without-unload": ("without_unload", None, "none"),
    "without-request": ("without_request", None, "unload only"),
    "load-answers-0": ("recording", Script().load(0), "all"),
    "null-answer": ("recording", Script().line("answer-null 40").line("repeat"), "all"),
    "length-beyond-block": ("recording", Script().answer(answer_with(b"beyond"), 100000).line("repeat"), "all"),
    "request-block-handed-back": ("recording", Script().line("answer-request-block 91").line("repeat"), "all"),
    "reads-up-to-nul": ("recording", Script().line("read-to-nul").answer(answer_with(b"nul")).line("repeat"), "all"),
}


def case_contract(ctx, name):
    folder, script, sees = CONTRACT_BREACHES[name]
    run = Run(ctx, "contract-" + name, folder).start(script)
    if sees == "all":
        run.wait_ticks(2)
        check_conversation_start(run, run.folder)
    else:
        wait_drawn(run, "contract-" + name, ["black"])  # ticks that reach no module
        check(run.process.poll() is None, "the program ended")
    code = run.close()
    check(code == 0, f"exit code {code}, not 0")
    names = [c.name for c in run.read_calls()]
    if sees == "all":
        check_conversation_end(run, code)
    elif sees == "unload only":
        check(names == ["unload"], f"the module received {names}, not just unload")
    else:
        check(names == [], f"the module received {names}, nothing expected")


WINDOWS_FAULTS = {
    "segv": "EXCEPTION_ACCESS_VIOLATION",
    "divide": "EXCEPTION_INT_DIVIDE_BY_ZERO",
    "trap": "EXCEPTION_ILLEGAL_INSTRUCTION",
    "abort": "SIGABRT",
}


def windows_checker(ctx, name):
    """The Windows checker, run under Wine against the Windows modules."""
    modules = {
        "sample": os.path.join(ctx.build, "korvel.dll"),
        "recording": os.path.join(ctx.build, "test-modules", "recording", "korvel.dll"),
    }
    return check_cli.Checker(
        [wine_for(ctx.arch), os.path.join(ctx.build, "tarnwhistle-check.exe")],
        os.path.join(ctx.build, "e2e", ctx.arch, name),
        {module: windows_path(path) for module, path in modules.items()},
        lambda module: windows_path(os.path.dirname(modules[module])) + "\\",
        WINDOWS_FAULTS, env=ctx.session.env(), local_path=windows_path)


def case_checker(ctx, name):
    try:
        check_cli.CASES[name](windows_checker(ctx, "check-" + name))
    except check_cli.Failure as failure:
        raise Failure(str(failure))


CASES = {
    "conversation": case_conversation,
    "close-question": case_close_question,
    "display": case_display,
    "no-module": case_no_module,
    "quit-message": case_quit_message,
    "memory-exhausted": case_memory_exhausted,
}
for _name in CONTRACT_BREACHES:
    CASES["contract-" + _name] = (lambda n: lambda ctx: case_contract(ctx, n))(_name)
# The checker: a clean run, the breaches and the crashes.
for _name in ("clean", "breaches", "crash"):
    CASES["check-" + _name] = (lambda n: lambda ctx: case_checker(ctx, n))(_name)


class Context:
    def __init__(self, session, build, arch):
        self.session, self.build, self.arch = session, os.path.abspath(build), arch
        self.artifacts = os.path.join(self.build, "e2e", "artifacts")
        os.makedirs(self.artifacts, exist_ok=True)
        self.started = []

    def end_all(self):
        for process in self.started:
            if process.poll() is None:
                process.kill()
                process.wait(10)


def main(argv):
    if len(argv) == 3 and argv[1] in ("session-start", "session-stop"):
        session = Session(argv[2])
        if argv[1] == "session-start":
            session.start()
            print(f"Wine session: display {session.state['display']}, prefix {session.prefix}")
        else:
            session.stop()
        return 0
    if len(argv) != 6 or argv[1] != "run" or argv[5] not in CASES:
        print(__doc__ + "cases: " + " ".join(CASES), file=sys.stderr)
        return 2
    _, _, session_dir, build, arch, case = argv
    if arch == "i686":
        reason = probe_32bit()
        if reason:
            print(f"skipped: {reason}")
            return SKIP
    session = Session(session_dir)
    if not session.running():
        session.start()
    ctx = Context(session, build, arch)
    try:
        CASES[case](ctx)
    except Failure as failure:
        print(f"FAILED {arch} {case}: {failure}")
        return 1
    finally:
        ctx.end_all()
    print(f"passed {arch} {case}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
