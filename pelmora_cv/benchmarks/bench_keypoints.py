#!/usr/bin/python3
"""Benchmarks of pelmora_cv, as ratios against baselines of the same run.

  arrays(message)     for N ORB keypoints (B = 32), against arrays() of a
                      message of one keypoint: views cost the same whatever N
  from_arrays(...)    for N ORB keypoints, against bytes() copies of the
                      same arrays (the copies that filling a message needs
                      at the least)

Each figure is the median over --repetitions of the mean time of a call in
a sample of about --sample-seconds; within a repetition every subject runs
in turn, so that baseline and subject see the same machine load (the
sampling of pelmora's bench_python.py, from pelmora_testing's
bench_sampling.py: garbage collection off while it times). Run it in a
sourced workspace with pelmora_testing's python folder on PYTHONPATH:

    PYTHONPATH=<prefix>/share/pelmora_testing/python:$PYTHONPATH \
        bench_keypoints.py [--repetitions N] [--sample-seconds S]
"""

import argparse

import numpy

from bench_sampling import Sampler, run_round
import pelmora_cv

SIZES = (1, 2000, 100_000, 1_000_000)


def orb_like(count):
    rng = numpy.random.default_rng(count)
    return dict(x=rng.random(count, numpy.float32) * 741, y=rng.random(count, numpy.float32) * 500,
                angle=rng.random(count, numpy.float32) * 360, size=numpy.full(count, 31.0, numpy.float32),
                response=rng.random(count, numpy.float32) * 1e-3,
                class_id=numpy.full(count, -1, numpy.int32), right_image=numpy.zeros(count, bool),
                descriptors=rng.integers(0, 256, (count, 32), numpy.uint8))


def medians(subjects, repetitions, seconds):
    """Median seconds a call of each subject, sampled as pelmora's codec benchmarks sample."""
    samplers = {name: Sampler(function, seconds) for name, function in subjects.items()}
    run_round(samplers, repetitions)
    return {name: sampler.median() * 1e-9 for name, sampler in samplers.items()}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--repetitions', type=int, default=10)
    parser.add_argument('--sample-seconds', type=float, default=0.05)
    args = parser.parse_args()
    inputs = {n: orb_like(n) for n in SIZES}
    messages = {n: pelmora_cv.from_arrays(**inputs[n]) for n in SIZES}
    subjects = {}
    for n in SIZES:
        given = inputs[n]
        subjects['arrays/%d' % n] = lambda m=messages[n]: pelmora_cv.arrays(m)
        subjects['from_arrays/%d' % n] = lambda g=given: pelmora_cv.from_arrays(**g)
        subjects['bytes copies/%d' % n] = lambda g=given: [bytes(v) for v in g.values()]
    times = medians(subjects, args.repetitions, args.sample_seconds)
    print('%-12s %14s %14s %10s' % ('keypoints', 'arrays()', 'from_arrays()', ''))
    for n in SIZES:
        arrays, filled, copies = (times['%s/%d' % (kind, n)] for kind in ('arrays', 'from_arrays', 'bytes copies'))
        print('%-12d %11.2f us %11.2f us   arrays() / arrays() of 1 keypoint: %.2f; '
              'from_arrays() / bytes copies: %.2f'
              % (n, arrays * 1e6, filled * 1e6, arrays / times['arrays/1'], filled / copies))


if __name__ == '__main__':
    main()
