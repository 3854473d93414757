#!/usr/bin/python3
"""Python peer of pelmora-dds: publishes or receives pelmora.msg.Features
over DDS as a ROS 2 peer.

The message travels the way a ROS 2 client library moves it, through the
package's capsules and libpelmora_dds's C interface (pelmora_dds_adapter.py).
Nothing in this file encodes or decodes CDR.

    pelmora_dds_py.py pub  [--lib LIBPELMORA_DDS] [--count N]
                           [--size K[,K..] | --bytes B[,B..]] [--seed S]
                           [--peers R] [--timeout SEC] [ENDPOINT OPTIONS]
    pelmora_dds_py.py echo [--lib LIBPELMORA_DDS] [--count N]
                           [--verify-seed S | --quiet] [--full]
                           [--largest B] [--timeout SEC] [ENDPOINT OPTIONS]

ENDPOINT OPTIONS are those of pelmora-dds (--topic, --domain, --transport,
--interface, --peer, --qos-*, --enclave), parsed and checked by libpelmora_dds itself,
and the same environment variables apply. The content of sample i is the
one pelmora-dds generates (see tools/dds/src/features_content.hpp), so the
C, C++ and Python peers verify each other. Exit codes as pelmora-dds: 0 ok,
1 wrong sample, 2 no peer or too few samples in time, 3 set-up failure,
4 security enforced but enclave files missing, 64 usage, 130 interrupted.
"""

import argparse
import array
import bisect
import ctypes
import functools
import os
import sys
import time

# The folders of the modules this program imports, relative to the prefix
# (the folder above bin/); CMake fills them in for the copies it makes.
MODULE_DIRS = ()
sys.path[:0] = [os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), folder)
                for folder in MODULE_DIRS]

from pelmora_dds_adapter import (  # noqa: E402
    CDR_TYPE_SUPPORT, DDS_ERROR, DDS_OK, DDS_TIMEOUT, EXIT_INTERRUPTED, EXIT_OK, EXIT_SETUP,
    EXIT_TIMEOUT, EXIT_USAGE, EXIT_WRONG, READER, WRITER, Deadline, Stop, TypeSupport,
    default_library, last_error, load_adapter, make_options, refuse_usage, report_events,
    wait_for_peers)

SHOWN_ITEMS = 8
ENCAPSULATION_BYTES = 4
MAX_KEYPOINTS = 1 << 22
DESCRIPTOR_WORDS_PER_KEYPOINT = 8
_M32 = 0xFFFFFFFF
_TYPECODES = {'sequence<uint32>': 'I', 'sequence<float>': 'f'}


# --- sample content: the rules of features_content.cpp, step for step -------

def mix(seed, index, field):
    x = (seed * 0x9E3779B1 + index * 0x85EBCA77 + (field + 1) * 0xC2B2AE3D) & _M32
    x ^= x >> 16
    x = (x * 0x7FEB352D) & _M32
    x ^= x >> 15
    x = (x * 0x846CA68B) & _M32
    x ^= x >> 16
    return x


@functools.lru_cache(maxsize=None)
def sequence_fields():
    """(name, array typecode) of the eight sequences in field order, from the
    message class's own field listing."""
    from pelmora.msg import Features
    return tuple((name, _TYPECODES[kind]) for name, kind in Features.get_fields_and_field_types().items()
                 if kind in _TYPECODES)


def sequence_length(name, keypoints):
    return DESCRIPTOR_WORDS_PER_KEYPOINT * keypoints if name == 'descriptor' else keypoints


def keypoints_for_bytes(size):
    return min(max(size - 40, 0) // 60, MAX_KEYPOINTS)


def encoded_size(keypoints):
    return 40 + 60 * keypoints


def sample_fields(seed, index, keypoints):
    """The eight sequences of sample `index`, as the arrays Features holds."""
    fields = {}
    for f, (name, typecode) in enumerate(sequence_fields()):
        n = sequence_length(name, keypoints)
        if typecode == 'I':
            base = mix(seed, index, f) % ((1 << 32) - (1 << 26))
            fields[name] = array.array('I', range(base, base + n))
        else:
            base = mix(seed, index, f) % (1 << 23) - (1 << 22)
            fields[name] = array.array('f', map(float, range(base, base + n)))
    return fields


def make_sample(features_class, seed, index, keypoints):
    return features_class(keypointnumber=keypoints, descriptorsize=index,
                          **sample_fields(seed, index, keypoints))


def sample_problem(message, seed):
    """Returns '' when message is the generated sample it claims to be."""
    k = message.keypointnumber
    if k > MAX_KEYPOINTS:
        return 'keypointnumber %d is not a generated shape' % k
    expected = sample_fields(seed, message.descriptorsize, k)
    for name, _ in sequence_fields():
        got = getattr(message, name)
        if len(got) != len(expected[name]):
            return '%s holds %d elements, expected %d' % (name, len(got), len(expected[name]))
        # Compare the bytes: values must arrive bit for bit.
        if got.tobytes() != expected[name].tobytes():
            return '%s differs from sample %d of seed %d' % (name, message.descriptorsize, seed)
    return ''


def yaml_value(value, is_float):
    if not is_float:
        return '%d' % value
    if value != value:
        return '.nan'
    if value in (float('inf'), float('-inf')):
        return '.inf' if value > 0 else '-.inf'
    return repr(float(value))


def features_yaml(message, shown):
    """The block-style YAML document pelmora-dds prints (shown 0: whole sequences)."""
    lines = ['keypointnumber: %d' % message.keypointnumber,
             'descriptorsize: %d' % message.descriptorsize]
    for name, typecode in sequence_fields():
        values = getattr(message, name)
        if len(values) == 0:
            lines.append('%s: []' % name)
            continue
        lines.append('%s:' % name)
        head = values if shown == 0 else values[:shown]
        lines.extend('  - ' + yaml_value(v, typecode == 'f') for v in head)
        if len(head) < len(values):
            lines.append('  # %d of %d items shown; --full prints them all' % (len(head), len(values)))
    return '\n'.join(lines) + '\n'


# --- what a reader saw of a stream -------------------------------------------

# Echo verdicts, most serious first (tools/dds/src/stream_stats.cpp has the
# same rules; tests/python/test_stream_stats.py holds both to the same cases).
OK, WRONG, TIMED_OUT, LOST = 'ok', 'wrong', 'timed_out', 'lost'


class SequenceCheck:
    """Follows the indices generated samples carry and tells which never
    arrived, which came after a later one and which came twice. Holes are
    kept as ranges, so memory grows with their number only."""

    NEXT, AFTER_GAP, LATE, DUPLICATE = 'next', 'after_gap', 'late', 'duplicate'

    def __init__(self):
        self.end = 0          # one past the highest index seen
        self._starts = []     # sorted first indices of the holes
        self._ends = {}       # first index -> one past the last
        self._missing = 0
        self.late = 0
        self.duplicates = 0

    def _add_hole(self, first, last):
        bisect.insort(self._starts, first)
        self._ends[first] = last

    def note(self, index):
        if index == self.end:
            self.end += 1
            return self.NEXT
        if index > self.end:
            self._add_hole(self.end, index)
            self._missing += index - self.end
            self.end = index + 1
            return self.AFTER_GAP
        at = bisect.bisect_right(self._starts, index) - 1
        if at < 0 or self._ends[self._starts[at]] <= index:
            self.duplicates += 1
            return self.DUPLICATE
        first = self._starts.pop(at)
        last = self._ends.pop(first)
        if first < index:
            self._add_hole(first, index)
        if index + 1 < last:
            self._add_hole(index + 1, last)
        self._missing -= 1
        self.late += 1
        return self.LATE

    def missing(self, expected=0):
        """Holes below the highest index seen, plus the tail up to `expected`
        (the count the writer announced; 0 when unknown)."""
        return self._missing + max(expected - self.end, 0)


def missed_samples(holes, reported_lost):
    """A lost sample leaves a hole: the two describe the same losses."""
    return max(holes, reported_lost)


def summary_fields(counts, checked):
    text = ' received=%d' % counts['received']
    if checked:
        text += ' verified=%d wrong=%d' % (counts['verified'], counts['wrong'])
    text += ' dropped=%d missed=%d' % (counts['dropped'], counts['missed'])
    if checked:
        text += ' out_of_order=%d duplicates=%d' % (counts['out_of_order'], counts['duplicates'])
    return text


def echo_verdict(counts, timed_out, allow_loss):
    """Most serious first: a wrong, late or repeated sample; the timeout;
    loss unless allowed."""
    if counts['wrong'] or counts['out_of_order'] or counts['duplicates']:
        return WRONG
    if timed_out:
        return TIMED_OUT
    if not allow_loss and (counts['dropped'] or counts['missed']):
        return LOST
    return OK


# --- progress on stderr -----------------------------------------------------

class Progress:
    def __init__(self, label, total):
        self.label, self.total, self.next = label, total, time.monotonic() + 1.0

    def tick(self, done):
        if time.monotonic() >= self.next:
            self.next = time.monotonic() + 1.0
            total = '/%d' % self.total if self.total >= 0 else ''
            print('%s: %d%s samples' % (self.label, done, total), file=sys.stderr, flush=True)


def rate_text(samples, size, elapsed):
    rate = samples / elapsed if elapsed > 0 else 0.0
    mbps = size / elapsed / 1e6 if elapsed > 0 else 0.0
    return ' elapsed=%.3fs rate=%.1fmsg/s throughput=%.1fMB/s' % (elapsed, rate, mbps)


def run_pub(args, lib, ts, options, deadline):
    count = 10 if args.count is None else args.count
    payload = ENCAPSULATION_BYTES + encoded_size(max(args.size))
    description = lib.pelmora_dds_options_describe(options).decode()
    writer = lib.pelmora_dds_endpoint_create(WRITER, ts.handle, CDR_TYPE_SUPPORT, options)
    if not writer:
        print('pub: %s' % last_error(lib), file=sys.stderr)
        return EXIT_SETUP
    try:
        if not wait_for_peers('pub', 'reader', lib, writer, description, args.peers, deadline):
            if Stop.requested:
                return EXIT_INTERRUPTED
            print('pub: no reader matched in %g s: %s' % (args.timeout, last_error(lib)),
                  file=sys.stderr)
            return EXIT_TIMEOUT
        progress = Progress('pub', count)
        busy = 0.0
        sent = 0
        for i in range(count):
            if Stop.requested:
                return EXIT_INTERRUPTED
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
            report_events('pub', 'reader', lib, writer)
        start = time.perf_counter()
        acked = lib.pelmora_dds_wait_acknowledged(writer, deadline.left_ms())
        busy += time.perf_counter() - start
        report_events('pub', 'reader', lib, writer)
        print('pub side=py topic=%s domain=%d samples=%d largest=%dB%s result=%s'
              % (args.topic, args.domain, count, payload, rate_text(count, sent, busy),
                 'ok' if acked == DDS_OK else 'UNACKNOWLEDGED'), flush=True)
        return EXIT_OK if acked == DDS_OK else EXIT_TIMEOUT
    finally:
        lib.pelmora_dds_endpoint_destroy(writer)


def check_sample(message, seed, counts, sequence):
    """Counts the sample's place in the stream and whether it is right."""
    arrival = sequence.note(message.descriptorsize)
    if arrival == SequenceCheck.LATE:
        counts['out_of_order'] += 1
    elif arrival == SequenceCheck.DUPLICATE:
        counts['duplicates'] += 1
    problem = sample_problem(message, seed)
    if not problem:
        counts['verified'] += 1
        return
    if counts['wrong'] < 5:
        print('echo: sample %d: %s' % (message.descriptorsize, problem), file=sys.stderr)
    counts['wrong'] += 1


def echo_done(args, counts, sequence):
    """--count samples arrived or, for checked ones, the writer's last did."""
    if args.count is None:
        return False
    return counts['received'] >= args.count or (
        args.verify_seed is not None and sequence.end >= args.count)


def run_echo(args, lib, ts, options, deadline):
    description = lib.pelmora_dds_options_describe(options).decode()
    reader = lib.pelmora_dds_endpoint_create(READER, ts.handle, CDR_TYPE_SUPPORT, options)
    if not reader:
        print('echo: %s' % last_error(lib), file=sys.stderr)
        return EXIT_SETUP
    print('echo: waiting for samples on %s ...' % description, file=sys.stderr, flush=True)
    record = ts.create()
    try:
        summary_only = args.verify_seed is not None or args.quiet
        progress = Progress('echo', -1 if args.count is None else args.count)
        counts = dict(received=0, verified=0, wrong=0, dropped=0, missed=0, out_of_order=0,
                      duplicates=0)
        sequence = SequenceCheck()
        size = 0
        first = last = 0.0
        status = DDS_OK
        while not echo_done(args, counts, sequence) and not Stop.requested:
            status = lib.pelmora_dds_take(reader, record, deadline.left_ms(200))
            report_events('echo', 'writer', lib, reader)
            if status == DDS_TIMEOUT and not deadline.passed():
                continue
            if status != DDS_OK:
                break
            last = time.perf_counter()
            if counts['received'] == 0:
                first = last
            size += lib.pelmora_dds_payload_size(reader, record)
            message = ts.convert_to_py(record)
            if args.verify_seed is not None:
                check_sample(message, args.verify_seed, counts, sequence)
            elif not args.quiet:
                # One YAML document per sample, '---' between them.
                sys.stdout.write(('---\n' if counts['received'] else '') +
                                 features_yaml(message, 0 if args.full else SHOWN_ITEMS))
                sys.stdout.flush()
            counts['received'] += 1
            if summary_only:
                progress.tick(counts['received'])
            if args.take_delay:
                time.sleep(args.take_delay / 1000.0)
        report_events('echo', 'writer', lib, reader)
        dropped, lost = ctypes.c_uint64(), ctypes.c_uint64()
        lib.pelmora_dds_losses(reader, ctypes.byref(dropped), ctypes.byref(lost))
        counts['dropped'] = dropped.value
        expected = args.count if args.verify_seed is not None and args.count else 0
        counts['missed'] = missed_samples(sequence.missing(expected), lost.value)
        received = counts['received']
        complete = received > 0 if args.count is None else echo_done(args, counts, sequence)
        verdict = echo_verdict(counts, not complete, args.allow_loss)
        # Printed samples keep stdout a clean YAML stream.
        line = 'echo side=py topic=%s domain=%d' % (args.topic, args.domain)
        line += summary_fields(counts, args.verify_seed is not None)
        if args.count is not None:
            line += ' expected=%d' % args.count
        line += rate_text(max(received - 1, 0), size - size // received if received > 1 else 0,
                          last - first)
        ok = verdict == OK and status != DDS_ERROR
        print(line + ' result=%s' % ('ok' if ok else 'FAILED'),
              file=sys.stdout if summary_only else sys.stderr, flush=True)
        if status == DDS_ERROR:
            print('echo: %s' % last_error(lib), file=sys.stderr)
            return EXIT_SETUP
        if Stop.requested and not complete:
            return EXIT_INTERRUPTED
        if verdict == TIMED_OUT:
            if args.count is None:
                print('echo: no sample arrived in %g s' % args.timeout, file=sys.stderr)
            else:
                print('echo: %d of %d samples arrived in %g s' % (received, args.count, args.timeout),
                      file=sys.stderr)
            return EXIT_TIMEOUT
        if verdict == LOST:
            print('echo: %d dropped and %d missed samples (--allow-loss accepts them)'
                  % (counts['dropped'], counts['missed']), file=sys.stderr)
        return EXIT_OK if verdict == OK else EXIT_WRONG
    finally:
        ts.destroy(record)
        lib.pelmora_dds_endpoint_destroy(reader)


def int_list(text):
    """'1,2,3' -> [1, 2, 3]"""
    return [int(item) for item in text.split(',')]


def parse(argv):
    parser = argparse.ArgumentParser(
        description=__doc__.split('\n\n')[0],
        allow_abbrev=False,
        epilog='Endpoint options are those of pelmora-dds (see pelmora-dds pub --help). ' +
               'Exit codes: 0 ok, 1 wrong, late or repeated sample, or one dropped or missed '
               '(unless --allow-loss), 2 no peer or too few samples in time, '
               '3 set-up failure, 4 security enforced but enclave files missing, 64 usage, '
               '130 interrupted.')
    parser.add_argument('command', choices=('pub', 'echo'))
    parser.add_argument('--lib', default=default_library(__file__),
                        help='path of libpelmora_dds.so (default: $PELMORA_DDS_LIBRARY, '
                             'else the one installed beside this script)')
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
    parser.add_argument('--full', action='store_true', help='print whole sequences')
    parser.add_argument('--largest', type=int, default=0, help='largest expected payload (bytes)')
    parser.add_argument('--allow-loss', action='store_true',
                        help='exit 0 even when samples were dropped as malformed or missed')
    parser.add_argument('--take-delay', type=int, default=0, metavar='MS',
                        help='sleep MS milliseconds after each sample: a slow reader')
    parser.add_argument('--timeout', type=float, default=60.0)
    try:
        args, endpoint_args = parser.parse_known_args(argv)
    except SystemExit as leaving:
        sys.exit(EXIT_OK if leaving.code == 0 else EXIT_USAGE)
    if args.bytes is not None:
        args.size = [keypoints_for_bytes(b) for b in args.bytes]
    problems = []
    if not all(0 <= k <= MAX_KEYPOINTS for k in args.size):
        problems.append('--size must be in [0, %d]' % MAX_KEYPOINTS)
    for name, low, high in (('seed', 0, _M32), ('verify_seed', 0, _M32), ('peers', 1, 64),
                            ('largest', 0, _M32), ('count', 0, 10 ** 8),
                            ('take_delay', 0, 60000)):
        value = getattr(args, name)
        if value is not None and not low <= value <= high:
            problems.append('--%s must be in [%d, %d]' % (name.replace('_', '-'), low, high))
    refuse_usage(parser, args, problems)
    return args, endpoint_args


def main(argv):
    args, endpoint_args = parse(argv)
    deadline = Deadline(args.timeout)
    lib = load_adapter(args.lib)
    payload = ENCAPSULATION_BYTES + encoded_size(max(args.size)) if args.command == 'pub' else args.largest
    options = make_options('pelmora_dds_py.py', lib, endpoint_args, payload)
    try:
        # The summary line names the topic and domain as the adapter took them.
        described = lib.pelmora_dds_options_describe(options).decode()
        topic, domain = described.split(', ')[:2]
        args.topic, args.domain = topic[2:], int(domain.split()[1])
        ts = TypeSupport()
        Stop.install()
        run = run_pub if args.command == 'pub' else run_echo
        return run(args, lib, ts, options, deadline)
    finally:
        lib.pelmora_dds_options_destroy(options)


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
