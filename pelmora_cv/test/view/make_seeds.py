#!/usr/bin/python3
"""Writes the seed payloads of the view() and cdr_arrays() fuzzers.

Usage: make_seeds.py <features_vectors.txt> <hostile_payloads.txt> <output folder>

One file per payload, encapsulation header included: every shared wire
vector behind a little-endian (0x0001) and a big-endian (0x0000) header,
and every shared hostile payload.
"""
import sys
from pathlib import Path

HEADERS = {'le': b'\x00\x01\x00\x00', 'be': b'\x00\x00\x00\x00'}


def payloads(vectors_file, hostile_file):
    name = None
    for line in Path(vectors_file).read_text().splitlines():
        key, _, rest = line.partition(' ')
        if key == 'vector':
            name = rest
        elif key in HEADERS:
            yield 'vector-%s-%s' % (name, key), HEADERS[key] + bytes.fromhex(rest)
    for line in Path(hostile_file).read_text().splitlines():
        key, _, rest = line.partition(' ')
        if key == 'payload':
            name = rest
        elif key == 'hex':
            yield 'hostile-' + name, bytes.fromhex(rest)


def main():
    vectors_file, hostile_file, out = sys.argv[1], sys.argv[2], Path(sys.argv[3])
    out.mkdir(parents=True, exist_ok=True)
    for name, data in payloads(vectors_file, hostile_file):
        (out / name).write_bytes(data)


if __name__ == '__main__':
    main()
