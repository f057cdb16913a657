#!/usr/bin/env python3
"""Starts the Windows program with the sample module under Wine.

usage: run_program.py BUILD_DIR ARCH

With a display (DISPLAY set) the window stays open until the user closes it.
Without one, the program runs in a virtual display for about five seconds;
then a screenshot is saved, the close question is answered Yes, and the
screenshot's path and the exit code are printed.
"""
import os
import subprocess
import sys
import time

from wine_session import CLOSE_CAPTION, IDYES, Failure, Session, drive_window, find_x_window, wait_for, wine_for

RUN_SECONDS = 5


def main(build, arch):
    build = os.path.abspath(build)
    folder = os.path.join(os.path.dirname(build), "wine-run")
    display = os.environ.get("DISPLAY") or None
    session = Session(folder, display)
    session.start(progress=lambda what: print(f"== {what}", flush=True))
    env = session.env()
    wine = wine_for(arch)
    try:
        if display:
            print(f"== starting {arch} tarnwhistle.exe on {display}; close its window to end", flush=True)
            code = subprocess.run([wine, "tarnwhistle.exe"], cwd=build, env=env).returncode
            print(f"exit code: {code}")
            return 0
        print(f"== starting {arch} tarnwhistle.exe in a virtual display for {RUN_SECONDS} s", flush=True)
        program = subprocess.Popen([wine, "tarnwhistle.exe"], cwd=build, env=env)
        try:
            wait_for("the window", lambda: program.poll() is not None or find_x_window(env), 30)
            if program.poll() is not None:
                raise Failure(f"the program ended at once with exit code {program.returncode}")
            time.sleep(RUN_SECONDS)
            shot = os.path.join(folder, "screenshot.png")
            window = drive_window(env, arch, build, "find")
            subprocess.run(["/usr/bin/import", "-window", "root", "-crop",
                            f"{window['outer_width']}x{window['outer_height']}+{window['outer_x']}+{window['outer_y']}",
                            "+repage", shot], env=env, check=True, timeout=30)
            drive_window(env, arch, build, "post-command", 1000, 0)
            wait_for("the close question", lambda: drive_window(env, arch, build, "box", CLOSE_CAPTION), 15)
            drive_window(env, arch, build, "press", CLOSE_CAPTION, IDYES)
            code = program.wait(20)
        finally:
            if program.poll() is None:
                program.kill()
                program.wait(10)
        print(f"screenshot: {shot}")
        print(f"exit code: {code}")
        return 0 if code == 0 else 1
    except Failure as failure:
        print(f"run failed: {failure}", file=sys.stderr)
        return 1
    finally:
        if not display:
            session.stop()


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
