#!/usr/bin/python3
"""Python-side benchmarks of pelmora's Features message.

Measures, through the capsules of pelmora.pelmora_s__rosidl_typesupport_c
called with ctypes (as a client library calls them):

  Py/BytesCopy   baseline: bytes() copies of the message's eight arrays,
                 held together (as a message holds its eight sequences)
                 and then released
  Py/FromPy      create a record, convert_from_py into it, destroy it
  Py/ToPy        convert_to_py of a filled record into a new Features object

for messages of K keypoints (descriptor 8 words per keypoint, the other
seven sequences one element each), and the message class's assignment of a
1,000,000-element array.array, list and NumPy array (when NumPy is present):

  Py/Assign/<kind>/<field>

Each measurement is a median over repetitions; within one repetition every
benchmark of a size runs once, in turn, so that baseline and subject see the
same machine load. Results go to stdout as a table and, with --json, to a
file. Needs PYTHONPATH to hold the build's python folder and pelmora_testing's.
"""

import argparse
import array
import ctypes
import json
import sys

from bench_sampling import Sampler, run_round
from pelmora_harness.features_size import DESCRIPTOR_WORDS_PER_KEYPOINT, encoded_bytes

KEYPOINTS = (0, 1, 4, 16, 64, 256, 1024, 4096, 17477, 65536, 262144, 1000000)
ASSIGN_ELEMENTS = 1000000


class Capsules:
    """The five entry points of the type-support module, as ctypes functions
    that keep the interpreter lock (the conversions need it)."""

    def __init__(self):
        from pelmora import pelmora_s__rosidl_typesupport_c as module
        get_pointer = ctypes.pythonapi.PyCapsule_GetPointer
        get_pointer.restype = ctypes.c_void_p
        get_pointer.argtypes = [ctypes.py_object, ctypes.c_char_p]

        def pointer(name):
            address = get_pointer(getattr(module, name + '_msg__msg__features'), None)
            if not address:
                raise RuntimeError('capsule %s holds no pointer' % name)
            return address

        self.create = ctypes.PYFUNCTYPE(ctypes.c_void_p)(pointer('create_ros_message'))
        self.destroy = ctypes.PYFUNCTYPE(None, ctypes.c_void_p)(pointer('destroy_ros_message'))
        self.convert_from_py = ctypes.PYFUNCTYPE(
            ctypes.c_bool, ctypes.py_object, ctypes.c_void_p)(pointer('convert_from_py'))
        # A py_object result takes over the new reference the function returns.
        self.convert_to_py = ctypes.PYFUNCTYPE(
            ctypes.py_object, ctypes.c_void_p)(pointer('convert_to_py'))


def fields_of_type(features_class, field_type):
    """The names of the class's fields of one type, in field order."""
    return [name for name, found in features_class.get_fields_and_field_types().items()
            if found == field_type]


def make_message(features_class, keypoints):
    """A Features message of `keypoints` keypoints with distinct values."""
    fields = {}
    for f, name in enumerate(fields_of_type(features_class, 'sequence<uint32>')):
        n = DESCRIPTOR_WORDS_PER_KEYPOINT * keypoints if name == 'descriptor' else keypoints
        fields[name] = array.array('I', range(f * 7919, f * 7919 + n))
    for f, name in enumerate(fields_of_type(features_class, 'sequence<float>')):
        fields[name] = array.array('f', (0.25 * (i % 100000) + f for i in range(keypoints)))
    return features_class(keypointnumber=keypoints,
                          descriptorsize=4 * DESCRIPTOR_WORDS_PER_KEYPOINT, **fields)


def conversion_benchmarks(features_class, capsules, keypoint_counts, repetitions, sample_seconds):
    results = []
    for keypoints in keypoint_counts:
        message = make_message(features_class, keypoints)
        arrays = [getattr(message, name) for name in fields_of_type(features_class, 'sequence<uint32>')
                  + fields_of_type(features_class, 'sequence<float>')]
        record = capsules.create()
        if not record or not capsules.convert_from_py(message, record):
            raise RuntimeError('convert_from_py failed for %d keypoints' % keypoints)
        back = capsules.convert_to_py(record)
        if back != message:
            raise RuntimeError('round trip changed the message at %d keypoints' % keypoints)
        del back

        def bytes_copy():
            copies = [bytes(a) for a in arrays]  # noqa: F841 -- released on return

        def from_py():
            target = capsules.create()
            ok = capsules.convert_from_py(message, target)
            capsules.destroy(target)
            if not ok:
                raise RuntimeError('convert_from_py failed')

        def to_py():
            capsules.convert_to_py(record)

        samplers = {
            'Py/BytesCopy': Sampler(bytes_copy, sample_seconds),
            'Py/FromPy': Sampler(from_py, sample_seconds),
            'Py/ToPy': Sampler(to_py, sample_seconds),
        }
        run_round(samplers, repetitions)
        capsules.destroy(record)
        for name, sampler in samplers.items():
            results.append({
                'name': name, 'keypoints': keypoints, 'bytes': encoded_bytes(keypoints),
                'median_ns': sampler.median(), 'samples_ns': sampler.samples,
                'page_faults_per_call': sampler.median_faults(), 'loops': sampler.loops})
    return results


def assignment_benchmarks(features_class, elements, repetitions, sample_seconds):
    """Assigning `elements` values to one uint32 and one float field."""
    message = features_class()
    sources = {
        'array.array': {'descriptor': array.array('I', range(elements)),
                        'x': array.array('f', (float(i) for i in range(elements)))},
        'list': {'descriptor': list(range(elements)),
                 'x': [float(i) for i in range(elements)]},
    }
    try:
        import numpy
    except ImportError:
        numpy = None
    if numpy is not None:
        sources['numpy'] = {'descriptor': numpy.arange(elements, dtype=numpy.uint32),
                            'x': numpy.arange(elements, dtype=numpy.float32)}

    samplers = {}
    for kind, fields in sources.items():
        for field, value in fields.items():
            def assign(field=field, value=value):
                setattr(message, field, value)
            assign()
            if len(getattr(message, field)) != elements:
                raise RuntimeError('assignment of a %s to %s lost elements' % (kind, field))
            samplers['Py/Assign/%s/%s' % (kind, field)] = Sampler(assign, sample_seconds)
    run_round(samplers, repetitions)
    return [{'name': name, 'elements': elements, 'median_ns': s.median(),
             'samples_ns': s.samples, 'loops': s.loops} for name, s in samplers.items()]


def format_time(ns):
    for unit, scale in (('s', 1e9), ('ms', 1e6), ('us', 1e3)):
        if ns >= scale:
            return '%.3g %s' % (ns / scale, unit)
    return '%.3g ns' % ns


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--keypoints', default=','.join(map(str, KEYPOINTS)),
                        help='comma-separated keypoint counts (default: %(default)s)')
    parser.add_argument('--assign-elements', type=int, default=ASSIGN_ELEMENTS,
                        help='elements per assignment (default: %(default)s)')
    parser.add_argument('--repetitions', type=int, default=9)
    parser.add_argument('--sample-seconds', type=float, default=0.05,
                        help='length of one timed sample (default: %(default)s)')
    parser.add_argument('--json', help='write the results to this file')
    args = parser.parse_args(argv)
    keypoint_counts = [int(k) for k in args.keypoints.split(',') if k != '']
    if args.repetitions < 1 or any(k < 0 for k in keypoint_counts) or args.assign_elements < 0:
        parser.error('repetitions must be positive and sizes non-negative')

    from pelmora.msg import Features
    capsules = Capsules()
    results = conversion_benchmarks(Features, capsules, keypoint_counts,
                                    args.repetitions, args.sample_seconds)
    results += assignment_benchmarks(Features, args.assign_elements,
                                     args.repetitions, args.sample_seconds)

    for r in results:
        size = ('keypoints:%d (%d bytes)' % (r['keypoints'], r['bytes'])
                if 'keypoints' in r else 'elements:%d' % r['elements'])
        faults = ('  %8.0f page faults' % r['page_faults_per_call']
                  if 'page_faults_per_call' in r else '')
        print('%-32s %-34s %12s%s' % (r['name'], size, format_time(r['median_ns']), faults))
    if args.json:
        with open(args.json, 'w') as out:
            json.dump({'interpreter': sys.version, 'repetitions': args.repetitions,
                       'results': results}, out, indent=1)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
