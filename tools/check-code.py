#!/usr/bin/env python3
"""Reads the code with clang as Visual Studio's library and warnings would.

    check-code.py includes SOURCE_DIR NATIVE_BUILD_DIR WINDOWS_BUILD_DIR
    check-code.py warnings SOURCE_DIR WINDOWS_BUILD_DIR

includes: include-what-you-use over both builds' compile databases. Of the
standard headers only additions count, for a name the file spells: iwyu also
asks for libstdc++'s inner names (<ranges> for __find_fn) and a template's
defaults (std::allocator), and would trade headers MSVC's library needs for
ones libstdc++ happens to include. Of the project's own headers, only
removals count.

warnings: the program's files compiled for 32-bit Windows (callbacks'
calling convention) with the warnings nearest to /W4, and every file of the
Windows build with -Wsign-compare seen in the standard library's templates
(a DWORD compared with an int through std::optional), where GCC and clang
keep quiet and Visual Studio reports C4389.

Both exit 77, counted as skipped, until the cross build is configured.
"""

import json
import os
import re
import shlex
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

ADD = re.compile(r"^(\S+) should add these lines:$")
REMOVE = re.compile(r"^(\S+) should remove these lines:$")
PROJECT = re.compile(r'^- #include "([^"]+)"')
STANDARD = re.compile(r"^#include <([a-z_0-9]+)>\s*(?://\s*for (.*))?$")
WARNINGS = ["-Wall", "-Wextra", "-Wconversion", "-Wshorten-64-to-32", "-Wsign-conversion",
            "-Wshadow", "-Wcast-qual", "-Werror"]
SIGN_COMPARE = ["-Wno-everything", "-Wsign-compare", "-Wsystem-headers"]
PROGRAM = ("app/", "service/", "winapi/")


def iwyu_findings(output, source):
    found, file, removing = set(), None, None
    for line in output.splitlines():
        if match := REMOVE.match(line):
            removing, file = Path(match.group(1)), None
        elif removing and (match := PROJECT.match(line)):
            if removing.is_relative_to(source):
                found.add(f"{removing.relative_to(source)}: includes \"{match.group(1)}\", "
                          "which it does not use")
        elif match := ADD.match(line):
            file, removing = Path(match.group(1)), None
        elif not line.strip():
            file, removing = None, None
        elif file and file.is_relative_to(source) and (match := STANDARD.match(line)):
            names = [name.strip() for name in (match.group(2) or "").rstrip(".").split(",")]
            if any(name.startswith("_") or "<>" in name for name in names):
                continue
            text = file.read_text()
            if any(re.search(rf"\b{re.escape(name)}\b", text) for name in names if name):
                found.add(f"{file.relative_to(source)}: needs <{match.group(1)}> "
                          f"for {', '.join(names)}")
    return sorted(found)


def includes(source, native_dir, windows_dir, system):
    flags = ["--target=x86_64-w64-mingw32", *(f"-isystem{d}" for d in system)]
    found = []
    for build, extra in [(native_dir, []), (windows_dir, flags)]:
        run = subprocess.run(["iwyu_tool", "-p", build, "-j", "2", "--", *extra, "-Xiwyu",
                              "--no_fwd_decls", "-Xiwyu", f"--check_also={source}/*"],
                             capture_output=True, text=True)
        found += iwyu_findings(run.stdout + run.stderr, source)
    return sorted(set(found)), "every file includes the standard headers it uses, and no " \
        "project header it does not"


def ours_among(diagnostics, source):
    """The warnings at this project's lines or in templates its lines instantiate."""
    blocks = []
    for line in diagnostics.splitlines(keepends=True):
        if ": warning: " in line or not blocks:
            blocks.append([])
        blocks[-1].append(line)
    return ["".join(block) for block in blocks
            if any(line.startswith(f"{source}/") and "/_deps/" not in line for line in block)]


def warnings(source, windows_dir, system):
    every = [entry for entry in json.loads((Path(windows_dir) / "compile_commands.json").read_text())
             if Path(entry["file"]).resolve().is_relative_to(source)
             and "_deps" not in Path(entry["file"]).parts]
    isystem = [word for folder in system for word in ("-isystem", folder)]

    def compile_one(job):
        entry, target, checks, only_ours = job
        words = shlex.split(entry["command"])[1:]
        kept = [w for k, w in enumerate(words) if w.startswith(("-D", "-I", "-std="))
                or w == "-isystem" or (k > 0 and words[k - 1] == "-isystem")]
        run = subprocess.run(["clang++", f"--target={target}", "-fsyntax-only", *checks, *kept,
                              *isystem, entry["file"]], cwd=entry["directory"],
                             capture_output=True, text=True)
        return [run.stderr] if run.returncode != 0 else ours_among(run.stderr, source) \
            if only_ours else []

    jobs = [(entry, "i686-w64-mingw32", WARNINGS, False) for entry in every
            if Path(entry["file"]).resolve().relative_to(source).as_posix().startswith(PROGRAM)]
    jobs += [(entry, "x86_64-w64-mingw32", SIGN_COMPARE, True) for entry in every]
    with ThreadPoolExecutor(os.cpu_count()) as pool:
        found = [complaint for complaints in pool.map(compile_one, jobs) for complaint in complaints]
    return found, f"32-bit Windows: the program's files compile with clang; no signed/unsigned " \
        f"comparison in the {len(every)} files of the Windows build"


def main(check, source_dir, *builds):
    source = Path(source_dir).resolve()
    headers = Path(builds[-1]) / "system-headers.txt"
    if not headers.is_file():
        print(f"no {headers}: configure the windows preset first")
        return 77
    run = includes if check == "includes" else warnings
    found, fine = run(source, *builds, headers.read_text().split())
    for complaint in found:
        print(complaint.rstrip("\n"))
    print(f"{len(found)} to mend" if found else fine)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
