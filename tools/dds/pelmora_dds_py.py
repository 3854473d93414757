#!/usr/bin/python3
"""Python peer of pelmora-dds: publishes or receives pelmora.msg.Features
over Fast-DDS (shared memory only).

The message travels the way a ROS 2 client library moves it: the capsules of
pelmora's type-support module create a C record, fill it from the Python
object (convert_from_py) and hand the record with the C dispatcher's handle
to the middleware -- here libpelmora_dds through its C interface. Received
records become Python objects again through convert_to_py. Nothing in this
file encodes or decodes CDR.

    pelmora_dds_py.py pub  --lib LIBPELMORA_DDS [--topic T] [--domain D]
                           [--count N] [--size K[,K..] | --bytes B[,B..]] [--seed S]
                           [--peers R] [--timeout SEC]
    pelmora_dds_py.py echo --lib LIBPELMORA_DDS [--topic T] [--domain D]
                           [--count N] [--verify-seed S | --quiet]
                           [--largest B] [--timeout SEC]

The content of sample i is the one pelmora-dds generates (see
tools/dds/src/features_content.hpp), so the C, C++ and Python peers verify
each other. Exit status as pelmora-dds: 0 ok, 1 wrong or missing sample,
2 timeout, 3 set-up failure, 64 usage.
"""

import argparse
import array
import ctypes
import os
import sys
import time

EXIT_OK, EXIT_WRONG, EXIT_TIMEOUT, EXIT_SETUP, EXIT_USAGE = 0, 1, 2, 3, 64
DDS_OK, DDS_TIMEOUT, DDS_ERROR = 0, 1, -1
ENCAPSULATION_BYTES = 4
MAX_KEYPOINTS = 1 << 22
DESCRIPTOR_WORDS_PER_KEYPOINT = 8
FIELDS = ('descriptor', 'uniqueid', 'isrightimage', 'patternzise', 'confidence', 'x', 'y', 'angle')
_M32 = 0xFFFFFFFF


# --- sample content: the rules of features_content.cpp, step for step -------

def mix(seed, index, field):
    x = (seed * 0x9E3779B1 + index * 0x85EBCA77 + (field + 1) * 0xC2B2AE3D) & _M32
    x ^= x >> 16
    x = (x * 0x7FEB352D) & _M32
    x ^= x >> 15
    x = (x * 0x846CA68B) & _M32
    x ^= x >> 16
    return x


def sequence_length(field, keypoints):
    return DESCRIPTOR_WORDS_PER_KEYPOINT * keypoints if field == 0 else keypoints


def keypoints_for_bytes(size):
    return min(max(size - 40, 0) // 60, MAX_KEYPOINTS)


def encoded_size(keypoints):
    return 40 + 60 * keypoints


def sample_fields(seed, index, keypoints):
    """The eight sequences of sample `index`, as the arrays Features holds."""
    fields = {}
    for f, name in enumerate(FIELDS):
        n = sequence_length(f, keypoints)
        if f < 5:
            base = mix(seed, index, f) % ((1 << 32) - (1 << 26))
            fields[name] = array.array('I', range(base, base + n))
        else:
            base = mix(seed, index, f) % (1 << 23) - (1 << 22)
            fields[name] = array.array('f', map(float, range(base, base + n)))
    return fields


def make_sample(features_class, seed, index, keypoints):
    return features_class(keypointnumber=keypoints, descriptorsize=index,
                          **sample_fields(seed, index, keypoints))


def check_sample(message, seed):
    """Returns '' when message is the generated sample it claims to be."""
    k = message.keypointnumber
    if k > MAX_KEYPOINTS:
        return 'keypointnumber %d is not a generated shape' % k
    expected = sample_fields(seed, message.descriptorsize, k)
    for name in FIELDS:
        got = getattr(message, name)
        if len(got) != len(expected[name]):
            return '%s holds %d elements, expected %d' % (name, len(got), len(expected[name]))
        # Compare the bytes: values must arrive bit for bit.
        if got.tobytes() != expected[name].tobytes():
            return '%s differs from sample %d of seed %d' % (name, message.descriptorsize, seed)
    return ''


def print_yaml(message, shown=8):
    lines = ['keypointnumber: %d' % message.keypointnumber,
             'descriptorsize: %d' % message.descriptorsize]
    for f, name in enumerate(FIELDS):
        values = getattr(message, name)
        items = ['%d' % v if f < 5 else '%.9g' % v for v in values[:shown]]
        if len(values) > shown:
            items.append('... (%d items)' % len(values))
        lines.append('%s: [%s]' % (name, ', '.join(items)))
    lines.append('---')
    print('\n'.join(lines), flush=True)


# --- the package's capsules and the adapter's C interface -------------------

class TypeSupport:
    """Function pointers behind the capsules of pelmora's C type-support module."""

    def __init__(self):
        from pelmora.msg import Features
        metaclass = type(Features)
        metaclass.__import_type_support__()
        pointer_of = ctypes.pythonapi.PyCapsule_GetPointer
        pointer_of.restype = ctypes.c_void_p
        pointer_of.argtypes = [ctypes.py_object, ctypes.c_char_p]
        # These run Python code or touch records under the interpreter lock:
        # PYFUNCTYPE keeps the lock and raises a Python error the call set.
        self.create = ctypes.PYFUNCTYPE(ctypes.c_void_p)(
            pointer_of(metaclass._CREATE_ROS_MESSAGE, None))
        self.destroy = ctypes.PYFUNCTYPE(None, ctypes.c_void_p)(
            pointer_of(metaclass._DESTROY_ROS_MESSAGE, None))
        self.convert_from_py = ctypes.PYFUNCTYPE(ctypes.c_bool, ctypes.py_object, ctypes.c_void_p)(
            pointer_of(metaclass._CONVERT_FROM_PY, None))
        self.convert_to_py = ctypes.PYFUNCTYPE(ctypes.py_object, ctypes.c_void_p)(
            pointer_of(metaclass._CONVERT_TO_PY, None))
        self.handle = pointer_of(metaclass._TYPE_SUPPORT, None)
        self.features = Features


def load_adapter(path):
    """libpelmora_dds with typed signatures; its calls release the interpreter lock."""
    lib = ctypes.CDLL(path)
    vp, u32 = ctypes.c_void_p, ctypes.c_uint32
    signatures = {
        'pelmora_dds_endpoint_create': (vp, [ctypes.c_int, vp, ctypes.c_char_p, u32, ctypes.c_char_p, u32]),
        'pelmora_dds_endpoint_destroy': (None, [vp]),
        'pelmora_dds_wait_for_peers': (ctypes.c_int, [vp, u32, u32]),
        'pelmora_dds_write': (ctypes.c_int, [vp, vp, u32]),
        'pelmora_dds_wait_acknowledged': (ctypes.c_int, [vp, u32]),
        'pelmora_dds_take': (ctypes.c_int, [vp, vp, u32]),
        'pelmora_dds_payload_size': (u32, [vp, vp]),
        'pelmora_dds_last_error': (ctypes.c_char_p, []),
    }
    for name, (restype, argtypes) in signatures.items():
        function = getattr(lib, name)
        function.restype = restype
        function.argtypes = argtypes
    return lib


class Deadline:
    def __init__(self, seconds):
        self.end = time.monotonic() + seconds

    def left_ms(self):
        return max(0, int((self.end - time.monotonic()) * 1000))


class Progress:
    def __init__(self, label, total):
        self.label, self.total, self.next = label, total, time.monotonic() + 1.0

    def tick(self, done):
        if time.monotonic() >= self.next:
            self.next += 1.0
            total = '/%d' % self.total if self.total >= 0 else ''
            print('%s: %d%s' % (self.label, done, total), file=sys.stderr, flush=True)


def rate_text(samples, size, elapsed):
    rate = samples / elapsed if elapsed > 0 else 0.0
    mbps = size / elapsed / 1e6 if elapsed > 0 else 0.0
    return ' elapsed=%.3fs rate=%.1fmsg/s throughput=%.1fMB/s' % (elapsed, rate, mbps)


def last_error(lib):
    return lib.pelmora_dds_last_error().decode(errors='replace')


def run_pub(args, lib, ts, deadline):
    count = 10 if args.count is None else args.count
    payload = ENCAPSULATION_BYTES + encoded_size(max(args.size))
    writer = lib.pelmora_dds_endpoint_create(1, ts.handle, b'rosidl_typesupport_fastrtps_c',
                                             args.domain, args.topic.encode(), payload)
    if not writer:
        print('pub: %s' % last_error(lib), file=sys.stderr)
        return EXIT_SETUP
    try:
        if lib.pelmora_dds_wait_for_peers(writer, args.peers, deadline.left_ms()) != DDS_OK:
            print('pub: no reader matched: %s' % last_error(lib), file=sys.stderr)
            return EXIT_TIMEOUT
        progress = Progress('pub', count)
        busy = 0.0
        sent = 0
        for i in range(count):
            message = make_sample(ts.features, args.seed, i, args.size[i % len(args.size)])
            # Timed: what a client library does per publish.
            start = time.perf_counter()
            record = ts.create()
            if not record:
                raise MemoryError('cannot create a Features record')
            try:
                if not ts.convert_from_py(message, record):
                    raise RuntimeError('convert_from_py refused sample %d' % i)
                status = lib.pelmora_dds_write(writer, record, deadline.left_ms())
                sent += lib.pelmora_dds_payload_size(writer, record)
            finally:
                ts.destroy(record)
            busy += time.perf_counter() - start
            if status != DDS_OK:
                print('pub: sample %d: %s' % (i, last_error(lib)), file=sys.stderr)
                return EXIT_TIMEOUT if status == DDS_TIMEOUT else EXIT_SETUP
            progress.tick(i + 1)
        start = time.perf_counter()
        acked = lib.pelmora_dds_wait_acknowledged(writer, deadline.left_ms())
        busy += time.perf_counter() - start
        print('pub side=py topic=%s domain=%d samples=%d largest=%dB%s result=%s'
              % (args.topic, args.domain, count, payload, rate_text(count, sent, busy),
                 'ok' if acked == DDS_OK else 'UNACKNOWLEDGED'), flush=True)
        return EXIT_OK if acked == DDS_OK else EXIT_TIMEOUT
    finally:
        lib.pelmora_dds_endpoint_destroy(writer)


def run_echo(args, lib, ts, deadline):
    count = -1 if args.count is None else args.count
    reader = lib.pelmora_dds_endpoint_create(0, ts.handle, b'rosidl_typesupport_fastrtps_c',
                                             args.domain, args.topic.encode(), args.largest)
    if not reader:
        print('echo: %s' % last_error(lib), file=sys.stderr)
        return EXIT_SETUP
    record = ts.create()
    try:
        summary_only = args.verify_seed is not None or args.quiet
        progress = Progress('echo', count)
        received = wrong = out_of_order = 0
        size = 0
        first = last = 0.0
        status = DDS_OK
        while count < 0 or received < count:
            status = lib.pelmora_dds_take(reader, record, deadline.left_ms())
            if status != DDS_OK:
                break
            last = time.perf_counter()
            if received == 0:
                first = last
            size += lib.pelmora_dds_payload_size(reader, record)
            message = ts.convert_to_py(record)
            if args.verify_seed is not None:
                if message.descriptorsize != received:
                    out_of_order += 1
                problem = check_sample(message, args.verify_seed)
                if problem:
                    if wrong < 5:
                        print('echo: sample %d: %s' % (received, problem), file=sys.stderr)
                    wrong += 1
            elif not args.quiet:
                print_yaml(message)
            received += 1
            if summary_only:
                progress.tick(received)
        complete = count < 0 or received == count
        ok = complete and wrong == 0 and out_of_order == 0 and status != DDS_ERROR
        if summary_only:
            line = 'echo side=py topic=%s domain=%d received=%d' % (args.topic, args.domain, received)
            if count >= 0:
                line += '/%d' % count
            if args.verify_seed is not None:
                line += ' verified=%d wrong=%d out_of_order=%d' % (received - wrong, wrong, out_of_order)
            gaps = max(received - 1, 0)
            line += rate_text(gaps, size - size // received if received > 1 else 0, last - first)
            print(line + ' result=%s' % ('ok' if ok else 'FAILED'), flush=True)
        if status == DDS_ERROR:
            print('echo: %s' % last_error(lib), file=sys.stderr)
            return EXIT_SETUP
        if not complete:
            print('echo: %d of %d samples arrived before the timeout' % (received, count),
                  file=sys.stderr)
            return EXIT_TIMEOUT
        return EXIT_OK if ok else EXIT_WRONG
    finally:
        ts.destroy(record)
        lib.pelmora_dds_endpoint_destroy(reader)


def int_list(text):
    """'1,2,3' -> [1, 2, 3]"""
    return [int(item) for item in text.split(',')]


def parse(argv):
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('command', choices=('pub', 'echo'))
    parser.add_argument('--lib', default=os.environ.get('PELMORA_DDS_LIBRARY'),
                        help='path of libpelmora_dds.so (default: $PELMORA_DDS_LIBRARY)')
    parser.add_argument('--topic', default='pelmora_features')
    parser.add_argument('--domain', type=int, default=0, choices=range(0, 233), metavar='0..232')
    parser.add_argument('--count', type=int)
    size = parser.add_mutually_exclusive_group()
    size.add_argument('--size', type=int_list, default=[0],
                      help='keypoints per sample; a list is cycled through')
    size.add_argument('--bytes', type=int_list,
                      help='keypoints for about this many encoded bytes; a list is cycled through')
    parser.add_argument('--seed', type=int, default=1)
    parser.add_argument('--peers', type=int, default=1)
    check = parser.add_mutually_exclusive_group()
    check.add_argument('--verify-seed', type=int)
    check.add_argument('--quiet', action='store_true')
    parser.add_argument('--largest', type=int, default=0, help='largest expected payload (bytes)')
    parser.add_argument('--timeout', type=float, default=60.0)
    try:
        args = parser.parse_args(argv)
    except SystemExit as leaving:
        sys.exit(EXIT_OK if leaving.code == 0 else EXIT_USAGE)
    if args.bytes is not None:
        args.size = [keypoints_for_bytes(b) for b in args.bytes]
    if not all(0 <= k <= MAX_KEYPOINTS for k in args.size):
        parser.print_usage(sys.stderr)
        print('--size must be in [0, %d]' % MAX_KEYPOINTS, file=sys.stderr)
        sys.exit(EXIT_USAGE)
    for name, limit in (('seed', _M32), ('verify_seed', _M32),
                        ('peers', 64), ('largest', _M32), ('count', 10 ** 8)):
        value = getattr(args, name)
        if value is not None and not 0 <= value <= limit:
            parser.print_usage(sys.stderr)
            print('--%s must be in [0, %d]' % (name.replace('_', '-'), limit), file=sys.stderr)
            sys.exit(EXIT_USAGE)
    if not args.lib or not 0 < args.timeout <= 86400:
        parser.print_usage(sys.stderr)
        print('--lib (or PELMORA_DDS_LIBRARY) and a timeout in (0, 86400] are required',
              file=sys.stderr)
        sys.exit(EXIT_USAGE)
    return args


def main(argv):
    args = parse(argv)
    deadline = Deadline(args.timeout)
    lib = load_adapter(args.lib)
    ts = TypeSupport()
    run = run_pub if args.command == 'pub' else run_echo
    return run(args, lib, ts, deadline)


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
