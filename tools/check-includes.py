#!/usr/bin/env python3
"""Every standard name a file uses comes from a header that it, or one of the
project's own headers it includes, names itself.

libstdc++'s headers bring in many others (<functional> brings <array>);
Visual Studio's bring in far fewer, so a file that leans on such a chain
compiles here and not there. This check does not lean on any standard
library: it reads the sources.

    check-includes.py SOURCE_DIR [FILE...]

Without files it checks every C++ file git knows in SOURCE_DIR. It exits 1
and names each file, line and header missing; a standard name it does not
know is a failure too, so that the table below grows with the code.
"""

import re
import subprocess
import sys
from pathlib import Path

CSTDDEF_TYPES = {"cstddef", "cstdio", "cstdlib", "cstring", "ctime", "cwchar", "cuchar"}
IOS = {"ios", "iostream", "istream", "ostream", "fstream", "sstream", "iomanip"}
# Headers that the standard itself says provide the range access functions.
RANGE_ACCESS = {"iterator", "array", "deque", "forward_list", "list", "map", "regex", "set",
                "span", "string", "string_view", "unordered_map", "unordered_set", "vector"}
INITIALIZER_LIST = {"initializer_list", "array", "deque", "forward_list", "list", "map", "set",
                    "string", "unordered_map", "unordered_set", "vector", "utility",
                    "algorithm", "random", "valarray"}
ERASE_IF = {"string", "deque", "forward_list", "list", "vector", "map", "set",
            "unordered_map", "unordered_set"}


def one(*headers):
    return set(headers)


# std::NAME (or std::SPACE::NAME, under SPACE) and the headers any one of
# which declares it.
NAMES = {
    "string": one("string"), "wstring": one("string"), "u16string": one("string"),
    "to_string": one("string"), "to_wstring": one("string"), "string_literals": one("string"),
    "string_view": one("string_view"), "wstring_view": one("string_view"),
    "u16string_view": one("string_view"),
    "vector": one("vector"), "array": one("array"), "deque": one("deque"), "map": one("map"),
    "set": one("set"), "span": one("span"),
    "pair": one("utility"), "move": one("utility", "algorithm"), "forward": one("utility"),
    "exchange": one("utility"), "swap": one("utility"), "in_place": one("utility"),
    "optional": one("optional"), "nullopt": one("optional"),
    "variant": one("variant"), "monostate": one("variant"), "visit": one("variant"),
    "holds_alternative": one("variant"), "get_if": one("variant"),
    "function": one("functional"),
    "unique_ptr": one("memory"), "shared_ptr": one("memory"), "make_unique": one("memory"),
    "make_shared": one("memory"),
    "size_t": CSTDDEF_TYPES, "ptrdiff_t": one("cstddef"),
    "int8_t": one("cstdint"), "int16_t": one("cstdint"), "int32_t": one("cstdint"),
    "int64_t": one("cstdint"), "uint8_t": one("cstdint"), "uint16_t": one("cstdint"),
    "uint32_t": one("cstdint"), "uint64_t": one("cstdint"), "uintptr_t": one("cstdint"),
    "initializer_list": INITIALIZER_LIST,
    "thread": one("thread"), "atomic": one("atomic"), "mt19937": one("random"),
    "micro": one("ratio", "chrono"), "milli": one("ratio", "chrono"),
    "numeric_limits": one("limits"),
    "bad_alloc": one("new"), "exception": one("exception"),
    "regex": one("regex"), "regex_match": one("regex"), "regex_search": one("regex"),
    "ofstream": one("fstream"), "ifstream": one("fstream"), "ostream": one("ostream", "iostream"),
    "ios": IOS, "hex": IOS, "streamsize": IOS,
    "istreambuf_iterator": one("iterator"),
    "begin": RANGE_ACCESS, "end": RANGE_ACCESS, "rbegin": RANGE_ACCESS, "rend": RANGE_ACCESS,
    "size": RANGE_ACCESS, "data": RANGE_ACCESS, "next": one("iterator"),
    "prev": one("iterator"), "distance": one("iterator"), "back_inserter": one("iterator"),
    "erase_if": ERASE_IF,
    "max": one("algorithm"), "min": one("algorithm"), "clamp": one("algorithm"),
    "sort": one("algorithm"), "replace": one("algorithm"), "find": one("algorithm"),
    "find_if": one("algorithm"), "count": one("algorithm"), "count_if": one("algorithm"),
    "any_of": one("algorithm"), "all_of": one("algorithm"), "none_of": one("algorithm"),
    "equal": one("algorithm"), "copy": one("algorithm"), "fill": one("algorithm"),
    "minmax": one("algorithm"), "reverse": one("algorithm"),
    # remove(path) is <cstdio>'s, remove(first, last, value) <algorithm>'s.
    "remove": one("cstdio", "algorithm"),
    "remove_pointer_t": one("type_traits"), "is_same_v": one("type_traits"),
    "remove_cvref_t": one("type_traits"), "decay_t": one("type_traits"),
    "accumulate": one("numeric"), "iota": one("numeric"),
    "abs": one("cstdlib", "cmath"), "sqrt": one("cmath"), "sin": one("cmath"),
    "cos": one("cmath"), "asin": one("cmath"), "atan2": one("cmath"), "pow": one("cmath"),
    "hypot": one("cmath"), "lround": one("cmath"), "round": one("cmath"),
    "remainder": one("cmath"), "floor": one("cmath"), "ceil": one("cmath"),
    "printf": one("cstdio"), "fprintf": one("cstdio"), "snprintf": one("cstdio"),
    "perror": one("cstdio"), "fflush": one("cstdio"), "fopen": one("cstdio"),
    "strcmp": one("cstring"), "memcpy": one("cstring"), "memcmp": one("cstring"),
    "strlen": one("cstring"), "memset": one("cstring"),
    "getenv": one("cstdlib"), "strtol": one("cstdlib"), "strtoul": one("cstdlib"),
    "free": one("cstdlib"), "malloc": one("cstdlib"), "abort": one("cstdlib"),
    "exit": one("cstdlib"),
    "tolower": one("cctype"), "toupper": one("cctype"), "isspace": one("cctype"),
    "isalnum": one("cctype"), "isdigit": one("cctype"),
    "wcsncmp": one("cwchar"), "wcslen": one("cwchar"), "wcstoul": one("cwchar"),
}
# Names under a namespace of the library: the namespace decides, or the name
# within it does (std::ranges::sort is <algorithm>'s).
SPACES = {
    "chrono": one("chrono"), "this_thread": one("thread"), "numbers": one("numbers"),
    "literals": None, "ranges": None,
}
RANGES = {name: one("algorithm") for name in (
    "sort", "find", "find_if", "count", "count_if", "any_of", "all_of", "none_of", "equal",
    "minmax", "min", "max", "copy", "fill", "reverse")}

USE = re.compile(r"\bstd::([A-Za-z_][A-Za-z_0-9]*)(?:::([A-Za-z_][A-Za-z_0-9]*))?")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def code_only(text):
    """The text with comments and string and character literals blanked, line
    breaks kept, so that a name in a comment or a string is not a use."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            end = text.find("\n", i)
            i = n if end < 0 else end
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            out.append("\n" * text.count("\n", i, end))
            i = end
        elif c == 'R' and text.startswith('R"', i) and (i == 0 or not text[i - 1].isalnum()):
            open_paren = text.find("(", i + 2)
            delimiter = ")" + text[i + 2:open_paren] + '"'
            end = text.find(delimiter, open_paren)
            end = n if end < 0 else end + len(delimiter)
            out.append("\n" * text.count("\n", i, end))
            i = end
        elif c in "\"'" and not (c == "'" and i > 0 and text[i - 1].isalnum()):
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def headers_for(space_or_name, inner):
    if space_or_name in SPACES:
        if space_or_name == "ranges":
            return RANGES.get(inner or "")
        if space_or_name == "literals":
            return one("string", "chrono", "string_view")
        return SPACES[space_or_name]
    return NAMES.get(space_or_name)


class Tree:
    def __init__(self, root):
        self.root = root
        self.search = [root, root / "tests", root / "resources"]
        self.cache = {}

    def resolve(self, name, beside):
        for folder in [beside] + self.search:
            candidate = folder / name
            if candidate.is_file():
                return candidate.resolve()
        return None  # generated, or a library's (GoogleTest): not ours to read

    def standard_headers(self, path, seen=None):
        """The standard headers a file names, itself or through the
        project's headers it includes."""
        path = path.resolve()
        if path in self.cache:
            return self.cache[path]
        seen = set() if seen is None else seen
        if path in seen:
            return set()
        seen.add(path)
        found = set()
        for kind, name in INCLUDE.findall(path.read_text(encoding="utf-8")):
            if kind == "<" and "/" not in name and "." not in name:
                found.add(name)
            elif kind == '"':
                header = self.resolve(name, path.parent)
                if header is not None:
                    found |= self.standard_headers(header, seen)
        self.cache[path] = found
        return found


def check(tree, path):
    problems = []
    have = tree.standard_headers(path)
    code = code_only(path.read_text(encoding="utf-8"))
    reported = set()
    for number, line in enumerate(code.split("\n"), start=1):
        for match in USE.finditer(line):
            name, inner = match.group(1), match.group(2)
            wanted = headers_for(name, inner)
            shown = "std::" + name + ("::" + inner if inner and name in SPACES else "")
            if wanted is None:
                problems.append(f"{path.relative_to(tree.root)}:{number}: {shown} is not in "
                                "tools/check-includes.py's table: add it with its header")
            elif not wanted & have and shown not in reported:
                reported.add(shown)
                needed = " or ".join(f"<{h}>" for h in sorted(wanted))
                problems.append(f"{path.relative_to(tree.root)}:{number}: {shown} needs "
                                f"{needed}, which the file does not include")
    return problems


def main(argv):
    root = Path(argv[1]).resolve()
    if len(argv) > 2:
        files = [Path(f).resolve() for f in argv[2:]]
    else:
        listed = subprocess.run(["git", "-C", str(root), "ls-files", "*.cpp", "*.h"],
                                check=True, capture_output=True, text=True).stdout.split()
        files = [root / f for f in listed]
    tree = Tree(root)
    problems = [p for f in files for p in check(tree, f)]
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} standard names used without their header")
        return 1
    print(f"{len(files)} files include every standard header they use")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
