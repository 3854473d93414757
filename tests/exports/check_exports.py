#!/usr/bin/python3
"""Checks that a shared library's own dynamic exports are exactly a list.

Usage: check_exports.py <library> <expected-list>

The expected list holds one (demangled) symbol per line; '#' starts a comment.
Symbols that sanitizer runtimes add are ignored.
"""
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


def expected(path):
    with open(path) as f:
        return {line.split("#", 1)[0].strip() for line in f} - {""}


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
