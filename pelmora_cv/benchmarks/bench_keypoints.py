#!/usr/bin/python3
"""Benchmarks of pelmora_cv, as ratios against baselines of the same run.

  arrays(message)     for N ORB keypoints (B = 32), against arrays() of a
                      message of the smallest N: views cost the same
                      whatever N
  from_arrays(...)    for N ORB keypoints, against bytes() copies of the
                      same arrays (the copies that filling a message needs
                      at the least)
  cdr_arrays(sample)  for a sample of N ORB keypoints (encapsulation header
                      and the C encoder's bytes, 60 bytes a keypoint),
                      against what a subscription without raw=True does
                      before arrays() can run: the C decoder makes a record
                      of the bytes (through pelmora_testing's stand-in
                      middleware), convert_to_py makes the message, then
                      arrays(); and against cdr_arrays() of the smallest N

Each figure is the median over --repetitions of the mean time of a call in
a sample of about --sample-seconds; within a repetition every subject runs
in turn, so that baseline and subject see the same machine load
(pelmora_testing's bench_sampling: garbage collection off while it times).
Run it with pelmora_testing's python folder on PYTHONPATH and, for the
decoder, the environment of pelmora_cv's Python tests (PELMORA_LIB_DIR,
PELMORA_TEST_PEER: see pelmora_testing's pelmora_fixtures):

    bench_keypoints.py [--repetitions N] [--sample-seconds S] [--keypoints K,K,...]
"""

import argparse

import numpy

from bench_sampling import Sampler, run_round
import pelmora_cv
from pelmora_fixtures import Native

CONVERSION_SIZES = (1, 2000, 10_000, 100_000, 1_000_000)
VIEW_SIZES = (0, 1000, 17477, 1_000_000)  # 17,477 keypoints: the first 1 MiB sample
LITTLE_ENDIAN_HEADER = b'\x00\x01\x00\x00'


def orb_like(count):
    rng = numpy.random.default_rng(count)
    return dict(x=rng.random(count, numpy.float32) * 741, y=rng.random(count, numpy.float32) * 500,
                angle=rng.random(count, numpy.float32) * 360, size=numpy.full(count, 31.0, numpy.float32),
                response=rng.random(count, numpy.float32) * 1e-3,
                class_id=numpy.full(count, -1, numpy.int32), right_image=numpy.zeros(count, bool),
                descriptors=rng.integers(0, 256, (count, 32), numpy.uint8))


def sample(native, count):
    """The CDR body (little-endian) of a count-keypoint message, as the C
    encoder writes it."""
    with native.record() as record:
        assert native.convert_from_py(pelmora_cv.from_arrays(**orb_like(count)), record) == (True, None)
        return native.serialize(record)


def decoded_arrays(native, body):
    """What a subscription without raw=True does with the body: a record
    decoded by the C type support, converted to a message, then arrays()."""
    with native.record() as record:
        assert native.peer_deserialize(native.type_support, body, len(body), 0, record) == 1
        message = native.convert_to_py(record)
    return pelmora_cv.arrays(message)


def medians(subjects, repetitions, seconds):
    """Median seconds a call of each subject."""
    samplers = {name: Sampler(function, seconds) for name, function in subjects.items()}
    run_round(samplers, repetitions)
    return {name: sampler.median() * 1e-9 for name, sampler in samplers.items()}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--repetitions', type=int, default=10)
    parser.add_argument('--sample-seconds', type=float, default=0.05)
    parser.add_argument('--keypoints', type=lambda text: tuple(int(k) for k in text.split(',')),
                        help='the keypoint counts of every table (default: %s for the conversions, %s for '
                             'cdr_arrays)' % (CONVERSION_SIZES, VIEW_SIZES))
    args = parser.parse_args()
    conversion_sizes, view_sizes = (args.keypoints, args.keypoints) if args.keypoints else \
        (CONVERSION_SIZES, VIEW_SIZES)
    native = Native()
    subjects = {}
    for n in conversion_sizes:
        given = orb_like(n)
        message = pelmora_cv.from_arrays(**given)
        subjects['arrays/%d' % n] = lambda m=message: pelmora_cv.arrays(m)
        subjects['from_arrays/%d' % n] = lambda g=given: pelmora_cv.from_arrays(**g)
        subjects['bytes copies/%d' % n] = lambda g=given: [bytes(v) for v in g.values()]
    sizes = {}
    for n in view_sizes:
        body = sample(native, n)
        data = LITTLE_ENDIAN_HEADER + body
        sizes[n] = len(data)
        assert pelmora_cv.cdr_arrays(data).keypointnumber == n
        subjects['cdr_arrays/%d' % n] = lambda d=data: pelmora_cv.cdr_arrays(d)
        subjects['decoded/%d' % n] = lambda b=body: decoded_arrays(native, b)
    times = medians(subjects, args.repetitions, args.sample_seconds)

    print('| keypoints | arrays() µs | arrays() / arrays() of %d | from_arrays() µs | bytes() copies µs '
          '| from_arrays() / bytes() copies |' % conversion_sizes[0])
    print('|---:|---:|---:|---:|---:|---:|')
    for n in conversion_sizes:
        arrays, filled, copies = (times['%s/%d' % (kind, n)] for kind in ('arrays', 'from_arrays', 'bytes copies'))
        print('| %d | %.2f | %.2f | %.1f | %.1f | %.2f |' % (
            n, arrays * 1e6, arrays / times['arrays/%d' % conversion_sizes[0]], filled * 1e6, copies * 1e6,
            filled / copies))
    print()
    print('| keypoints | sample bytes | cdr_arrays() µs | decode + convert_to_py + arrays() µs '
          '| that / cdr_arrays() | cdr_arrays() / cdr_arrays() of %d |' % view_sizes[0])
    print('|---:|---:|---:|---:|---:|---:|')
    for n in view_sizes:
        view, decoded = times['cdr_arrays/%d' % n], times['decoded/%d' % n]
        print('| %d | %d | %.2f | %.1f | %.1f | %.2f |' % (
            n, sizes[n], view * 1e6, decoded * 1e6, decoded / view,
            view / times['cdr_arrays/%d' % view_sizes[0]]))


if __name__ == '__main__':
    main()
