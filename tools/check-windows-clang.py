#!/usr/bin/env python3
"""The Windows code compiles with clang against MinGW's headers: for 32-bit
Windows, where callbacks need their calling convention, and for 64-bit
Windows with the warnings nearest to Visual Studio's /W4 (conversions that
may lose data or change sign, shadowed names). It takes the files, the
definitions and the include folders from the cross build's compile database,
so that it checks what the build compiles, and builds nothing.

    check-windows-clang.py SOURCE_DIR BUILD_DIR

Exits 77, which the test counts as skipped, when the cross build has not
been configured yet.
"""

import json
import shlex
import subprocess
import sys
from pathlib import Path

WARNINGS = ["-Wall", "-Wextra", "-Wconversion", "-Wshorten-64-to-32", "-Wsign-conversion",
            "-Wshadow", "-Wcast-qual", "-Werror"]
TARGETS = ["i686-w64-mingw32", "x86_64-w64-mingw32"]
# The program's own code; the tests have the cross build's warnings only.
FOLDERS = ("app/", "service/", "winapi/")


def arguments(entry):
    words = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
    flags = []
    folder = Path(entry["directory"])
    for word in words[1:]:
        if word.startswith("@"):  # CMake's response file of include folders
            flags += shlex.split((folder / word[1:]).read_text())
        else:
            flags.append(word)
    kept = []
    for k, flag in enumerate(flags):
        if flag.startswith(("-D", "-I", "-std=")):
            kept.append(flag)
        elif flag == "-isystem" and k + 1 < len(flags):
            kept += [flag, flags[k + 1]]
    return kept


def main(source_dir, build_dir):
    source = Path(source_dir).resolve()
    database = Path(build_dir) / "compile_commands.json"
    if not database.is_file():
        print(f"no {database}: configure the windows preset first")
        return 77
    entries = []
    for entry in json.loads(database.read_text()):
        file = Path(entry["file"]).resolve()
        if file.is_relative_to(source) and file.relative_to(source).as_posix().startswith(FOLDERS):
            entries.append(entry)
    mingw = subprocess.run(["sh", str(source / "tools/mingw-includes.sh")], check=True,
                           capture_output=True, text=True).stdout.split()
    system = [word for folder in mingw for word in ("-isystem", folder)]
    failed = 0
    for target in TARGETS:
        for entry in entries:
            command = ["clang++", f"--target={target}", "-fsyntax-only", *WARNINGS,
                       *arguments(entry), *system, entry["file"]]
            if subprocess.run(command, cwd=entry["directory"]).returncode != 0:
                failed += 1
    if failed:
        print(f"{failed} compilations failed")
        return 1
    print(f"32- and 64-bit Windows: the {len(entries)} files of the Windows build compile with clang")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
