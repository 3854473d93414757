"""The medians of a Google Benchmark JSON file, keyed by subject and size,
for the reports of this folder.

Benchmarks named SUBJECT/keypoints:K report, with repetitions, one median
aggregate each; without repetitions, their single run stands for it.
Benchmarks without a size are keyed (SUBJECT, None); runs that reported an
error give no figure.
"""
import json
import re

_NANOSECONDS = {'ns': 1.0, 'us': 1e3, 'ms': 1e6, 's': 1e9}
_NAME = re.compile(r'^(?P<base>.+?)/keypoints:(?P<k>\d+)(?:/real_time)?$')


def load_google(path):
    """({(SUBJECT, K or None): {'ns': median real time, 'bytes_per_second':
    ..., 'bytes': the run's 'bytes' counter or None}}, the run's context)."""
    with open(path) as f:
        data = json.load(f)
    out = {}
    for b in data['benchmarks']:
        if b.get('run_type') == 'aggregate' and b.get('aggregate_name') != 'median':
            continue
        if b.get('error_occurred'):
            continue
        name = b.get('run_name', b['name'])
        match = _NAME.match(name)
        key = (match.group('base'), int(match.group('k'))) if match else (name.replace('/real_time', ''), None)
        out[key] = {'ns': b['real_time'] * _NANOSECONDS[b.get('time_unit', 'ns')],
                    'bytes_per_second': b.get('bytes_per_second'),
                    'bytes': int(b['bytes']) if 'bytes' in b else None}
    return out, data.get('context', {})
