"""Timing of Python callables for the packages' Python benchmarks: one
sampler per subject, sampled in turn within a round so that a baseline and
its subjects see the same machine load."""

import gc
import resource
import statistics
import time


class Sampler:
    """Times a callable: `loops` calls per sample, `loops` chosen once so that
    a sample lasts about `sample_seconds`, after one call that is not timed.
    Also counts the minor page faults per call (memory that the kernel had
    to map in afresh)."""

    def __init__(self, function, sample_seconds):
        self.function = function
        start = time.perf_counter_ns()
        function()
        once = max(time.perf_counter_ns() - start, 1)
        self.loops = max(1, int(sample_seconds * 1e9 / once))
        self.samples = []
        self.faults = []

    def sample(self):
        function = self.function
        loops = range(self.loops)
        # The first call after other subjects may find malloc's heap shrunk
        # or laid out for their sizes, and map memory in afresh for its own:
        # where a sample holds a call or two (a 60 MB message), that cost
        # would be the figure of whichever subject happens to follow another
        # size's. Every subject is timed in the state its own calls leave.
        function()
        faults = resource.getrusage(resource.RUSAGE_SELF).ru_minflt
        start = time.perf_counter_ns()
        for _ in loops:
            function()
        self.samples.append((time.perf_counter_ns() - start) / self.loops)
        self.faults.append((resource.getrusage(resource.RUSAGE_SELF).ru_minflt - faults) / self.loops)

    def median(self):
        return statistics.median(self.samples)

    def median_faults(self):
        return statistics.median(self.faults)


def run_round(samplers, repetitions):
    gc_was_enabled = gc.isenabled()
    gc.disable()
    try:
        for _ in range(repetitions):
            for sampler in samplers.values():
                sampler.sample()
    finally:
        if gc_was_enabled:
            gc.enable()
