#!/usr/bin/python3
"""Checks that a shared library's own dynamic exports are exactly a list.

Usage: check_exports.py <library> <expected-list>

The expected list holds one (demangled) symbol per line; '#' starts a comment.
A line with {a,b,...} groups stands for one symbol per choice in each group,
so that the accessors of every sequence field take one line, not eight.
Symbols that sanitizer runtimes add are ignored.
"""
import re
import subprocess
import sys

IGNORED_PREFIXES = ("__asan", "__odr_asan", "__ubsan", "__tsan", "__sanitizer")


def exported(library):
    # just-symbols prints one demangled name per line; parsing the posix
    # format instead would take a hex size such as "a" for the type letter.
    out = subprocess.run(
        ["nm", "-D", "--defined-only", "-C", "--format=just-symbols", library],
        check=True, capture_output=True, text=True).stdout
    return {name for name in out.splitlines()
            if name and not name.startswith(IGNORED_PREFIXES)}


def expanded(line):
    group = re.search(r"\{([^{}]*)\}", line)
    if not group:
        return [line]
    return [name for choice in group.group(1).split(",")
            for name in expanded(line[:group.start()] + choice + line[group.end():])]


def expected(path):
    with open(path) as f:
        return {name for line in f for name in expanded(line.split("#", 1)[0].strip())} - {""}


def main():
    library, listing = sys.argv[1], sys.argv[2]
    have, want = exported(library), expected(listing)
    missing, extra = sorted(want - have), sorted(have - want)
    for name in missing:
        print("missing export: " + name)
    for name in extra:
        print("unexpected export: " + name)
    if missing or extra:
        return 1
    print("%s: %d exports as expected" % (library, len(have)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
