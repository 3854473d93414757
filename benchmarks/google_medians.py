"""The medians of a Google Benchmark JSON file, keyed by subject and size.

Benchmarks named SUBJECT/keypoints:K report, with repetitions, one median
aggregate each; without repetitions, their single run stands for it.
"""
import json

_NANOSECONDS = {'ns': 1.0, 'us': 1e3, 'ms': 1e6, 's': 1e9}


def medians(path):
    """{(SUBJECT, K): (median real time in ns, the run's 'bytes' counter or None)}."""
    with open(path) as f:
        data = json.load(f)
    out = {}
    for b in data['benchmarks']:
        if b.get('run_type') == 'aggregate' and b.get('aggregate_name') != 'median':
            continue
        base, keypoints = b['run_name'].rsplit('/keypoints:', 1)
        nanoseconds = b['real_time'] * _NANOSECONDS[b.get('time_unit', 'ns')]
        size = int(b['bytes']) if 'bytes' in b else None
        out[(base, int(keypoints))] = (nanoseconds, size)
    return out
