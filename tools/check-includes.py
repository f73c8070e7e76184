#!/usr/bin/env python3
"""Finds, by include-what-you-use, standard headers that files use without
including them and project headers that files include without using.

    check-includes.py SOURCE_DIR NATIVE_BUILD_DIR WINDOWS_BUILD_DIR

Of the standard headers only additions count, for a name the file spells:
iwyu also asks for libstdc++'s inner names (<ranges> for __find_fn,
<type_traits> for std::move's remove_reference<>::type) and for a template's
defaults (std::less, std::allocator), and would trade headers MSVC's library
needs for ones libstdc++ happens to include. Of the project's own headers
("..."), only removals count. Exits 77, counted as skipped, without the
cross build.
"""

import re
import subprocess
import sys
from pathlib import Path

ADD = re.compile(r"^(\S+) should add these lines:$")
REMOVE = re.compile(r"^(\S+) should remove these lines:$")
PROJECT = re.compile(r'^- #include "([^"]+)"')
STANDARD = re.compile(r"^#include <([a-z_0-9]+)>\s*(?://\s*for (.*))?$")


def findings(output, source):
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
            text = file.read_text()
            if any(name.startswith("_") or "<>" in name for name in names):
                continue
            if any(re.search(rf"\b{re.escape(name)}\b", text) for name in names if name):
                found.add(f"{file.relative_to(source)}: needs <{match.group(1)}> "
                          f"for {', '.join(names)}")
    return found


def main(source_dir, native_dir, windows_dir):
    source = Path(source_dir).resolve()
    if not (Path(windows_dir) / "compile_commands.json").is_file():
        print(f"no compile database in {windows_dir}: configure the windows preset first")
        return 77
    mingw = subprocess.run(["sh", str(source / "tools/mingw-includes.sh")], check=True,
                           capture_output=True, text=True).stdout.split()
    runs = [(native_dir, []),
            (windows_dir, ["--target=x86_64-w64-mingw32", *(f"-isystem{d}" for d in mingw)])]
    found = set()
    for build, flags in runs:
        run = subprocess.run(["iwyu_tool", "-p", build, "-j", "2", "--", *flags, "-Xiwyu",
                              "--no_fwd_decls", "-Xiwyu", f"--check_also={source}/*"],
                             capture_output=True, text=True)
        found |= findings(run.stdout + run.stderr, source)
    for line in sorted(found):
        print(line)
    if found:
        print(f"{len(found)} includes to mend")
        return 1
    print("every file includes the standard headers it uses, and no project header it does not")
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
