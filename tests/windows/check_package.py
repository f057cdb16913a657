#!/usr/bin/env python3
"""Builds the release package with cpack and checks what it holds.

usage: check_package.py BUILD_DIR NAME.zip
"""
import os
import subprocess
import sys
import zipfile

build, name = sys.argv[1], sys.argv[2]
out = os.path.join(build, "package")
subprocess.run(["cpack", "--config", os.path.join(build, "CPackConfig.cmake"), "-B", out],
               check=True, cwd=build, stdout=subprocess.DEVNULL)
path = os.path.join(out, name)
if not os.path.exists(path):
    sys.exit(f"FAIL: cpack made no {name} in {out}: {os.listdir(out)}")
with zipfile.ZipFile(path) as package:
    names = sorted(package.namelist())
    want = ["README.txt", "korvel.dll", "tarnwhistle-check.exe", "tarnwhistle.exe"]
    if names != want:
        sys.exit(f"FAIL: {name} holds {names}, not {want}")
    for member in ("tarnwhistle.exe", "tarnwhistle-check.exe", "korvel.dll"):
        with open(os.path.join(build, member), "rb") as built:
            if package.read(member) != built.read():
                sys.exit(f"FAIL: {member} in {name} is not the one built")
    if b"korvel.dll" not in package.read("README.txt"):
        sys.exit("FAIL: the read-me does not say where the module goes")
    if b"tarnwhistle-check" not in package.read("README.txt"):
        sys.exit("FAIL: the read-me does not mention the checker")
print(f"{path}: {', '.join(names)}")
