#!/usr/bin/python3
"""Seeded fuzzer of pelmora_cv.cdr_arrays(): random buffers and mutations of
the shared wire vectors and hostile payloads (both byte orders), in every
kind of buffer, each held to pelmora's C decoder by cdr_checks.check().

Usage:
  cdr_arrays_fuzz.py --seconds N [--seed S]   random cases for N seconds
  cdr_arrays_fuzz.py --count N [--seed S]     N random cases
  cdr_arrays_fuzz.py --replay                 the cases of seeds replay:0 to replay:2999
  cdr_arrays_fuzz.py --case S:k               case k of seed S alone
Case k of a run with seed S uses random.Random('S:k'). Reads the environment
of the Python tests: PELMORA_VECTORS_FILE, PELMORA_HOSTILE_PAYLOADS_FILE and
what pelmora_fixtures' stand-in middleware needs (PELMORA_LIB_DIR,
PELMORA_TEST_PEER). Exit status 1 on the first fault, naming its case.
"""
import os
import random
import struct
import sys
import time

import numpy

import pelmora_cv
import fuzz_cases
from cdr_checks import HEADERS, check
from pelmora_fixtures import Native

INTERESTING = (0, 1, 2, 3, 4, 5, 8, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF)
KINDS = (bytes, bytearray, memoryview, lambda b: numpy.frombuffer(bytearray(b), numpy.uint8))


def seeds():
    """Payloads of the shared vectors (both headers) and hostile payloads."""
    found = []
    for path, first, data_keys in ((os.environ['PELMORA_VECTORS_FILE'], 'vector', HEADERS),
                                   (os.environ['PELMORA_HOSTILE_PAYLOADS_FILE'], 'payload', {'hex': b''})):
        for line in open(path).read().splitlines():
            key, _, rest = line.partition(' ')
            if key in data_keys:
                found.append(data_keys[key] + bytes.fromhex(rest))
    return found


def consistent(rng):
    """A payload whose counts agree: N keypoints of B-byte descriptors."""
    count, size = rng.choice([0, 1, 2, rng.randrange(64)]), rng.choice([0, 1, 3, 4, 32, 61, rng.randrange(80)])
    order = rng.choice(['<', '>'])
    words = [count, size]
    for sequence in range(8):
        items = count * -(-size // 4) if sequence == 0 else count
        words += [items] + [rng.getrandbits(32) for _ in range(items)]
    return HEADERS['le' if order == '<' else 'be'] + struct.pack(order + '%dI' % len(words), *words)


def mutated(rng, data):
    data = bytearray(data)
    for _ in range(rng.randint(1, 4)):
        roll = rng.random()
        if roll < 0.35 and len(data) >= 8:
            at = rng.randrange(4, len(data) - 3) & ~3  # a word of the body
            left = len(data) - at - 4
            value = rng.choice(INTERESTING + (left, left + 1, left // 4, left // 4 + 1, rng.getrandbits(32)))
            order = '>' if data[:2] == b'\x00\x00' else '<'
            data[at:at + 4] = struct.pack(order + 'I', value)
        elif roll < 0.55 and data:
            data[rng.randrange(len(data))] ^= 1 << rng.randrange(8)
        elif roll < 0.7:
            del data[rng.randrange(len(data) + 1):]
        elif roll < 0.8:
            data += bytes(rng.getrandbits(8) for _ in range(rng.randrange(9)))
        elif roll < 0.9 and len(data) >= 2:
            data[:2] = rng.choice([b'\x00\x00', b'\x00\x01', b'\x00\x02', b'\x01\x00'])
        elif data:
            start = rng.randrange(len(data))
            data[start:start] = data[start:start + rng.randrange(16)]
    return bytes(data)


def case(rng, seed_payloads):
    roll = rng.random()
    if roll < 0.1:
        data = bytes(rng.getrandbits(8) for _ in range(rng.randrange(64)))
    elif roll < 0.3:
        data = consistent(rng)
        if rng.random() < 0.5:
            data = mutated(rng, data)
    else:
        data = mutated(rng, rng.choice(seed_payloads))
    return rng.choice(KINDS)(data)


def main():
    args = fuzz_cases.argument_parser(__doc__.split('\n')[0]).parse_args()
    native, payloads = Native(), seeds()
    started = time.monotonic()
    cases = accepted = 0
    for name in fuzz_cases.case_seeds(args, started, 3000):
        data = case(random.Random(name), payloads)
        problem = check(native, data)
        if problem:
            print('FAULT in case %s (%s): %s' % (name, bytes(memoryview(data).cast('B')).hex(), problem),
                  file=sys.stderr)
            print('rerun with: --case %s' % name, file=sys.stderr)
            return 1
        cases += 1
        try:
            pelmora_cv.cdr_arrays(data)
            accepted += 1
        except ValueError:
            pass
    print('%d cases in %.0f s, no fault (%d accepted, %d refused)'
          % (cases, time.monotonic() - started, accepted, cases - accepted))
    return 0


if __name__ == '__main__':
    sys.exit(main())
