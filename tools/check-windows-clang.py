#!/usr/bin/env python3
"""Compiles the Windows code with clang, as Visual Studio's /W4 /WX would judge it.

    check-windows-clang.py SOURCE_DIR BUILD_DIR

The program's files, with the files, definitions and include folders of the
cross build's compile database: for 32-bit Windows (callbacks' calling
convention) and for 64-bit Windows with the warnings nearest to /W4. Every
file of the Windows build, tests included, also with -Wsign-compare seen in
the standard library's templates (a DWORD compared with an int through
std::optional): GCC and clang keep quiet there, Visual Studio reports C4389.
Exits 77, counted as skipped, when the cross build is not configured.
"""

import json
import os
import shlex
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

WARNINGS = ["-Wall", "-Wextra", "-Wconversion", "-Wshorten-64-to-32", "-Wsign-conversion",
            "-Wshadow", "-Wcast-qual", "-Werror"]
TARGETS = ["i686-w64-mingw32", "x86_64-w64-mingw32"]
# The program's own code; the tests have the cross build's warnings only.
FOLDERS = ("app/", "service/", "winapi/")
# Only the one warning, seen in system headers too.
SIGN_COMPARE = ["-Wno-everything", "-Wsign-compare", "-Wsystem-headers"]


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


def ours_among(diagnostics, source):
    """The warnings at this project's lines or in templates its lines instantiate."""
    blocks = []
    for line in diagnostics.splitlines(keepends=True):
        if ": warning: " in line or not blocks:
            blocks.append([])
        blocks[-1].append(line)
    mine = f"{source}/"
    return "".join("".join(block) for block in blocks
                   if any(line.startswith(mine) and "/_deps/" not in line for line in block))


def main(source_dir, build_dir):
    source = Path(source_dir).resolve()
    database = Path(build_dir) / "compile_commands.json"
    if not database.is_file():
        print(f"no {database}: configure the windows preset first")
        return 77
    entries = []
    every = []
    for entry in json.loads(database.read_text()):
        file = Path(entry["file"]).resolve()
        if not file.is_relative_to(source) or "_deps" in file.parts:
            continue
        every.append(entry)
        if file.relative_to(source).as_posix().startswith(FOLDERS):
            entries.append(entry)
    mingw = subprocess.run(["sh", str(source / "tools/mingw-includes.sh")], check=True,
                           capture_output=True, text=True).stdout.split()
    system = [word for folder in mingw for word in ("-isystem", folder)]
    jobs = [(["clang++", f"--target={target}", "-fsyntax-only", *WARNINGS, *arguments(entry),
              *system, entry["file"]], entry, False) for target in TARGETS for entry in entries]
    jobs += [(["clang++", f"--target={TARGETS[-1]}", "-fsyntax-only", *SIGN_COMPARE,
               *arguments(entry), *system, entry["file"]], entry, True) for entry in every]

    def compile_one(job):
        command, entry, only_ours = job
        run = subprocess.run(command, cwd=entry["directory"], capture_output=True, text=True)
        shown = ours_among(run.stderr, source) if only_ours else run.stderr
        return run.stderr if run.returncode != 0 else shown

    failed = 0
    with ThreadPoolExecutor(os.cpu_count()) as pool:
        for complaint in pool.map(compile_one, jobs):
            if complaint:
                print(complaint, end="")
                failed += 1
    if failed:
        print(f"{failed} compilations failed")
        return 1
    print(f"32- and 64-bit Windows: the {len(entries)} files of the program compile with clang; "
          f"no signed/unsigned comparison in the {len(every)} files of the Windows build")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
