#!/usr/bin/python3
"""Writes the starting corpus of a decoder harness from the shared wire vectors.

Usage: make_seeds.py <vectors file> <output folder> [--fixed-only]

Each vector gives four inputs: its little- and big-endian bytes, each once
decoded into a fresh message and once into one that holds data. The first
byte of an input is the harness's option byte (bit 0: big-endian, bit 1:
message holds data), the rest the CDR bytes. --fixed-only leaves out the
random vectors: the corpus replay of the test suite runs the fixed ones.
"""
import sys
from pathlib import Path


def read_vectors(path):
    vectors, name = {}, None
    for line in Path(path).read_text().splitlines():
        key, _, rest = line.partition(' ')
        if key == 'vector':
            name = rest
        elif key in ('le', 'be'):
            vectors.setdefault(name, {})[key] = bytes.fromhex(rest)
    return vectors


def main():
    vectors_file, out = sys.argv[1], Path(sys.argv[2])
    fixed_only = '--fixed-only' in sys.argv[3:]
    out.mkdir(parents=True, exist_ok=True)
    for name, encodings in read_vectors(vectors_file).items():
        if fixed_only and name.startswith('random_'):
            continue
        for order, flag in (('le', 0), ('be', 1)):
            for filled, extra in (('', 0), ('-filled', 2)):
                (out / ('%s-%s%s' % (name, order, filled))).write_bytes(
                    bytes([flag | extra]) + encodings[order])


if __name__ == '__main__':
    main()
