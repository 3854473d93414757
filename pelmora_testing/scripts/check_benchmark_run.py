#!/usr/bin/python3
"""Runs one benchmark program once at tiny sizes and checks what it
reported: every benchmark that the filter selects ran, none reported an
error, and each sized benchmark counted the bytes of its message. Nothing
here looks at a time.

    check_benchmark_run.py google PROGRAM FILTER OUT.json
    check_benchmark_run.py python SCRIPT OUT.json

Exit status 0 when the run is complete, 1 otherwise (with the reason).
"""

import itertools
import json
import re
import subprocess
import sys

from features_size import keypoints_size

SIZED = re.compile(r'/keypoints:(\d+)(?:/|$)')


def fail(message):
    print('FAIL: ' + message)
    return 1


def check_google(program, name_filter, out):
    listed = subprocess.run([program, '--benchmark_list_tests', '--benchmark_filter=' + name_filter],
                            check=True, capture_output=True, text=True).stdout.split()
    if not listed:
        return fail('the filter %r selects no benchmark' % name_filter)
    run = subprocess.run([program, '--benchmark_filter=' + name_filter, '--benchmark_min_time=0',
                          '--benchmark_out_format=json', '--benchmark_out=' + out],
                         capture_output=True, text=True)
    print(run.stdout + run.stderr)
    if run.returncode != 0:
        return fail('%s exited with %d' % (program, run.returncode))
    with open(out) as f:
        reported = {b['name']: b for b in json.load(f)['benchmarks']}
    missing = [name for name in listed if name not in reported]
    if missing:
        return fail('benchmarks that did not report: %s' % ', '.join(missing))
    for name, b in reported.items():
        if b.get('error_occurred'):
            return fail('%s: %s' % (name, b.get('error_message')))
        if b.get('iterations', 0) < 1:
            return fail('%s ran no iteration' % name)
        sized = SIZED.search(name)
        if sized and 'bytes' in b:
            expected = keypoints_size(int(sized.group(1)))
            # DDS payloads carry a 4-byte encapsulation header in front.
            if b['bytes'] not in (expected, expected + 4):
                return fail('%s counted %s bytes, expected %d' % (name, b['bytes'], expected))
    print('%d benchmarks ran and reported' % len(listed))
    return 0


def check_python(script, out):
    run = subprocess.run([sys.executable, script, '--keypoints', '0,1,16', '--assign-elements', '1000',
                          '--repetitions', '1', '--sample-seconds', '0', '--json', out],
                         capture_output=True, text=True)
    print(run.stdout + run.stderr)
    if run.returncode != 0:
        return fail('%s exited with %d' % (script, run.returncode))
    with open(out) as f:
        results = json.load(f)['results']
    names = {(r['name'], r.get('keypoints')) for r in results}
    for name, k in itertools.product(('Py/BytesCopy', 'Py/FromPy', 'Py/ToPy'), (0, 1, 16)):
        if (name, k) not in names:
            return fail('no result for %s at %d keypoints' % (name, k))
    assigned = {r['name'] for r in results if r['name'].startswith('Py/Assign/')}
    for kind, field in itertools.product(('array.array', 'list'), ('descriptor', 'x')):
        if 'Py/Assign/%s/%s' % (kind, field) not in assigned:
            return fail('no assignment result for a %s into %s' % (kind, field))
    for r in results:
        if 'keypoints' in r and r['bytes'] != keypoints_size(r['keypoints']):
            return fail('%s counted %d bytes for %d keypoints' % (r['name'], r['bytes'], r['keypoints']))
        if len(r['samples_ns']) != 1:
            return fail('%s: expected one sample, got %d' % (r['name'], len(r['samples_ns'])))
    print('%d Python results' % len(results))
    return 0


def main(argv):
    if len(argv) == 4 and argv[0] == 'google':
        return check_google(*argv[1:])
    if len(argv) == 3 and argv[0] == 'python':
        return check_python(*argv[1:])
    print(__doc__)
    return 64


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
