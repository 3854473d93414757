"""The command line and the case seeds that the packages' Python fuzz
drivers share: a driver runs the case of --case, its replay set with
--replay, or the cases of --seed until --count or --seconds is reached.
Each case is named by its seed, so that a fault names its own rerun."""

import argparse
import itertools
import time


def argument_parser(description):
    """The options every driver takes; a driver adds its own."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument('--seconds', type=float)
    parser.add_argument('--count', type=int)
    parser.add_argument('--seed', default=str(int(time.time())))
    parser.add_argument('--replay', action='store_true')
    parser.add_argument('--case')
    return parser


def case_seeds(args, started, replay_cases):
    """The seeds of the cases to run, in order: the one of --case, the
    replay's replay_cases, or those of --seed until --count or --seconds
    (from `started`, a time.monotonic()) is reached."""
    if args.case:
        yield args.case
    elif args.replay:
        for index in range(replay_cases):
            yield 'replay:%d' % index
    else:
        for index in itertools.count():
            if args.count is not None and index >= args.count:
                return
            # The clock is read every 64 cases: cases take microseconds.
            if args.seconds is not None and index % 64 == 0 and \
                    time.monotonic() - started >= args.seconds:
                return
            yield '%s:%d' % (args.seed, index)
