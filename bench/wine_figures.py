#!/usr/bin/env python3
"""The Wine figures of the benchmark table, for the 64-bit program.

usage: wine_figures.py BUILD_DIR SESSION_DIR [SECONDS [ROUNDS]]

CPU: the program (with a module that answers the same short answer and does
nothing else), the minimal window (test-tools/minimal_window.exe: one
periodic timer and one line painted per tick) and the same window doing the
platform work that the program's tick and paint must do ("parts") are
started together in the same display; once all three windows show, the CPU
time each process spends over SECONDS (30) is read from the kernel's
per-thread accounting. ROUNDS (5) such rounds run one after the other.

Start: each program alone, the time from starting it until the window is
visible and, for the program, until the first OnSecondChange has been
answered, whose sentence the next paint draws. Three starts each; the median.

Prints one JSON object.
"""

import json
import os
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "scripts", "lib"))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "lib"))
from recording import Script, answer_with, parse_log, sentence_request  # noqa: E402
from wine_session import WINE64, Session, wait_for, windows_path  # noqa: E402

ANSWER = answer_with("\u3053\u3093\u306b\u3061\u306f".encode("cp932"))


def cpu_seconds(pid):
    """The CPU time of every thread of the process, from schedstat (ns)."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                total += int(f.read().split()[0])
        except (FileNotFoundError, ProcessLookupError):
            pass
    return total / 1e9


def visible(env, title):
    done = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"], env=env,
                          capture_output=True, text=True)
    return done.returncode == 0 and done.stdout.split()


class Program:
    def __init__(self, session, folder, exe, title, script=None, log=False, args=()):
        self.session, self.title, self.args = session, title, list(args)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        self.folder = folder
        self.env = session.env()
        self.log = os.path.join(folder, "module.log") if log else None
        if script is not None:
            path = os.path.join(folder, "module.script")
            with open(path, "wb") as f:
                f.write(script.text)
            self.env["TW_MODULE_SCRIPT"] = windows_path(path)
        if self.log:
            self.env["TW_MODULE_LOG"] = windows_path(self.log)
        self.exe = exe

    def start(self):
        self.started = time.monotonic()
        self.process = subprocess.Popen([WINE64, self.exe] + self.args, cwd=self.folder, env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return self

    def wait_visible(self):
        wait_for(f"the window {self.title}", lambda: visible(self.env, self.title), 60)
        return time.monotonic() - self.started

    def wait_first_tick(self):
        def ticked():
            if not os.path.exists(self.log):
                return False
            with open(self.log, "rb") as f:
                calls, _ = parse_log(f.read())
            return any(c.data == sentence_request("OnSecondChange") for c in calls)
        wait_for("the first OnSecondChange", ticked, 60)
        return time.monotonic() - self.started

    def end(self):
        self.process.kill()
        self.process.wait(20)


def program_files(build, folder):
    os.makedirs(folder, exist_ok=True)
    shutil.copy(os.path.join(build, "tarnwhistle.exe"), folder)
    shutil.copy(os.path.join(build, "test-modules", "recording", "korvel.dll"), folder)
    return os.path.join(folder, "tarnwhistle.exe")


def cpu_round(session, build, work, minimal_exe, script, seconds, attempt):
    """The three at once; the CPU time of each over the same seconds."""
    program = Program(session, os.path.join(work, f"cpu-program-{attempt}"), None, "Tarnwhistle", script)
    program.exe = program_files(build, program.folder)
    minimal = Program(session, os.path.join(work, f"cpu-minimal-{attempt}"), minimal_exe, "Minimal")
    parts = Program(session, os.path.join(work, f"cpu-parts-{attempt}"), minimal_exe, "MinimalParts",
                    args=["parts"])
    runs = {"program_cpu": program, "minimal_cpu": minimal, "parts_cpu": parts}
    for run in runs.values():
        run.start()
    for run in runs.values():
        run.wait_visible()
    time.sleep(2)  # past the start-up work of all three
    before = {name: cpu_seconds(run.process.pid) for name, run in runs.items()}
    time.sleep(seconds)
    after = {name: cpu_seconds(run.process.pid) for name, run in runs.items()}
    for run in runs.values():
        run.end()
    subprocess.run(["/usr/lib/wine/wineserver", "-w"], env=session.env(), timeout=60)
    return {name: after[name] - before[name] for name in runs}


def main(argv):
    if len(argv) not in (3, 4, 5):
        print(__doc__, file=sys.stderr)
        return 2
    build, session_dir = os.path.abspath(argv[1]), argv[2]
    seconds = float(argv[3]) if len(argv) >= 4 else 30.0
    count = int(argv[4]) if len(argv) == 5 else 5
    session = Session(session_dir)
    session.start(progress=lambda text: print(text, file=sys.stderr))
    work = os.path.join(build, "bench-wine")
    minimal_exe = os.path.join(build, "test-tools", "minimal_window.exe")
    script = Script().answer(ANSWER).line("repeat")
    try:
        rounds = []
        for attempt in range(count):
            rounds.append(cpu_round(session, build, work, minimal_exe, script, seconds, attempt))

        # Start times, one program at a time.
        starts = {"program_window": [], "program_first_sentence": [], "minimal_window": []}
        for attempt in range(3):
            program = Program(session, os.path.join(work, f"start-program-{attempt}"), None, "Tarnwhistle",
                              script, log=True)
            program.exe = program_files(build, program.folder)
            program.start()
            starts["program_window"].append(program.wait_visible())
            starts["program_first_sentence"].append(program.wait_first_tick())
            program.end()
            subprocess.run(["/usr/lib/wine/wineserver", "-w"], env=session.env(), timeout=60)
            minimal = Program(session, os.path.join(work, f"start-minimal-{attempt}"), minimal_exe, "Minimal")
            minimal.start()
            starts["minimal_window"].append(minimal.wait_visible())
            minimal.end()
            subprocess.run(["/usr/lib/wine/wineserver", "-w"], env=session.env(), timeout=60)
    finally:
        session.stop()
    print(json.dumps({
        "seconds": seconds,
        "rounds": rounds,
        "start": {name: statistics.median(values) for name, values in starts.items()},
    }))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
